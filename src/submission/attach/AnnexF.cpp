#include "submission/attach/AnnexF.h"

#include "submission/attach/PDFDocument.h"

#include <charconv>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

#include <jpeglib.h>
#include <tiffio.h>

namespace attach {

// ---- page size ----------------------------------------------------------------

double PointsToTenthMillimetres(double points)
{
    // nearbyint rounds halves to even in the default rounding mode.
    return std::nearbyint(points / 72.0 * 25.4 * 10.0);
}

namespace {

constexpr std::string_view kMediaBox = "/MediaBox";

bool IsPdfWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0';
}

// A field of the box as a number; 0 when it is none. "." and "," both
// separate the decimals.
double BoxNumber(std::string_view field)
{
    std::string text(field);
    for (char& c : text)
        if (c == ',')
            c = '.';
    size_t skip = !text.empty() && text[0] == '+' ? 1 : 0;
    if (skip == text.size())
        return 0;
    double value = 0;
    const char* first = text.data() + skip;
    const char* last = text.data() + text.size();
    const auto r = std::from_chars(first, last, value, std::chars_format::fixed);
    if (r.ec != std::errc() || r.ptr != last || !std::isfinite(value))
        return 0;
    return value;
}

bool BoxTooLarge(std::string_view box)
{
    // Fields are separated by runs of white space: "[ 0 0 612 1008]" is the
    // same box as "[0 0 612 1008]".
    std::string_view fields[4];
    int count = 0;
    size_t i = 0;
    while (i < box.size() && count < 4) {
        while (i < box.size() && IsPdfWhite(box[i]))
            ++i;
        const size_t start = i;
        while (i < box.size() && !IsPdfWhite(box[i]))
            ++i;
        if (i > start)
            fields[count++] = box.substr(start, i - start);
    }
    const double x = PointsToTenthMillimetres(BoxNumber(fields[2]));
    const double y = PointsToTenthMillimetres(BoxNumber(fields[3]));
    const double width = std::min(x, y);
    const double height = std::max(x, y);
    return width > 2270 || height > 3120;
}

} // namespace

void PageSizeScanner::Evaluate(std::string_view box)
{
    // box runs from the key to its "]"; the numbers stand after the first "[".
    const size_t open = box.find('[');
    if (open != std::string_view::npos && BoxTooLarge(box.substr(open + 1, box.size() - open - 2)))
        tooLarge_ = true;
}

void PageSizeScanner::Feed(std::string_view piece)
{
    if (tooLarge_)
        return;
    size_t pos = 0;
    if (open_) {
        const size_t close = piece.find(']');
        if (close == std::string_view::npos) {
            carry_.append(piece);
            return;
        }
        carry_.append(piece.substr(0, close + 1));
        Evaluate(carry_);
        open_ = false;
        carry_.clear();
        pos = close + 1;
    } else if (!carry_.empty() && piece.size() < kMediaBox.size()) {
        // Too short to finish a key on its own: read it with what came before.
        const std::string joined = carry_ + std::string(piece);
        carry_.clear();
        Feed(joined);
        return;
    } else if (!carry_.empty()) {
        // A key cut between two pieces is found in a joint of the two.
        const std::string joint = carry_ + std::string(piece.substr(0, kMediaBox.size()));
        const size_t key = joint.find(kMediaBox);
        if (key != std::string::npos && key < carry_.size()) {
            const size_t keyEnd = key + kMediaBox.size() - carry_.size();
            const size_t close = piece.find(']', keyEnd);
            carry_ = std::string(kMediaBox);
            if (close == std::string_view::npos) {
                carry_.append(piece.substr(keyEnd));
                open_ = true;
                return;
            }
            carry_.append(piece.substr(keyEnd, close + 1 - keyEnd));
            Evaluate(carry_);
            pos = close + 1;
        }
        carry_.clear();
    }
    while (!tooLarge_) {
        const size_t key = piece.find(kMediaBox, pos);
        if (key == std::string_view::npos) {
            const size_t keep = std::max(pos, piece.size() > kMediaBox.size() ? piece.size() - kMediaBox.size() : 0);
            carry_.assign(piece.substr(keep));
            return;
        }
        const size_t close = piece.find(']', key + kMediaBox.size());
        if (close == std::string_view::npos) {
            // The box goes on in the next piece.
            carry_.assign(piece.substr(key));
            open_ = true;
            return;
        }
        Evaluate(piece.substr(key, close + 1 - key));
        pos = close + 1;
    }
}

void PageSizeScanner::Finish()
{
    if (!tooLarge_ && open_)
        throw PDFError("page box without ']'");
}

bool CheckPDFPageSize(const std::string& fileName)
{
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    PageSizeScanner scanner;
    bool ok = true;
    std::string piece(4096, '\0');
    for (;;) {
        const ssize_t n = ::read(fd, piece.data(), piece.size());
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        scanner.Feed(std::string_view(piece.data(), static_cast<size_t>(n)));
        if (scanner.TooLarge())
            break;
    }
    ::close(fd);
    try {
        scanner.Finish();
    } catch (const PDFError&) {
        return false;
    }
    return ok && !scanner.TooLarge();
}

// ---- PDF ------------------------------------------------------------------------

bool CheckPDFAnnexF(const std::string& fileName, std::string& message, const LangText& lang)
{
    auto text = [&](const char* key, const char* defaultText) {
        return lang ? lang(key, defaultText) : std::string(defaultText);
    };
    message.clear();
    try {
        // The page boxes are read during the document's own pass over the file.
        PageSizeScanner pageSize;
        const TPDFDocument doc(fileName, true, [&](std::string_view piece) { pageSize.Feed(piece); });
        if (!doc.File().Header())
            return false;
        message = text("g3Dialog.pas.Message.01",
                       "The PDF file you tried to attach does not comply with Annex F standard. "
                       "It must be Adobe PDF version 1.1 or higher.");
        if (!doc.VersionOK())
            return false;
        message = text("g3Dialog.pas.Message.00", "Unknown number of pages in PDF file. File is rejected.");
        if (doc.GetPageCount() == -1)
            return false;
        message = text("g3Dialog.pas.Message.05",
                       "The PDF file you tried to attach does not comply with Annex F standard. "
                       "PDF pages format does not comply with format A4.");
        pageSize.Finish();
        if (pageSize.TooLarge())
            return false;
        message = text("g3Dialog.pas.Message.03",
                       "The PDF file you tried to attach does not comply with Annex F standard. "
                       "It appears to contain embedded OLE objects.");
        if (doc.HasFileSpec())
            return false;
        message = text("g3Dialog.pas.Message.04",
                       "The PDF file you tried to attach does not comply with Annex F standard. "
                       "Some fonts used in it have not been embedded.");
        if (!doc.FontsEmbedded())
            return false;
        message.clear();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// ---- JPEG -------------------------------------------------------------------------

namespace {

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

// The library's default handler ends the program; ours returns to the check.
[[noreturn]] void JpegFail(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

// A warning means damaged data (a cut file, bytes between markers): the
// decoder would fill in grey, so the file does not count as decoding.
void JpegMessage(j_common_ptr cinfo, int level)
{
    if (level < 0)
        std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

void JpegSilent(j_common_ptr) {}

// Everything the jump may skip is plain data or owned by the decompressor,
// which jpeg_destroy_decompress frees.
bool DecodeJpeg(FILE* file, const unsigned char* data, size_t size)
{
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegFail;
    err.mgr.emit_message = JpegMessage;
    err.mgr.output_message = JpegSilent;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    // A progressive image holds all its coefficients; a hostile header must
    // not make us reserve gigabytes for them.
    cinfo.mem->max_memory_to_use = 512L * 1024 * 1024;
    if (file)
        jpeg_stdio_src(&cinfo, file);
    else
        jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    const JDIMENSION rowBytes = cinfo.output_width * static_cast<JDIMENSION>(cinfo.output_components);
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, rowBytes, 1);
    while (cinfo.output_scanline < cinfo.output_height)
        jpeg_read_scanlines(&cinfo, row, 1);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

bool CheckJPEGFile(const std::string& fileName)
{
    FILE* file = std::fopen(fileName.c_str(), "rbe");
    if (!file)
        return false;
    const bool ok = DecodeJpeg(file, nullptr, 0);
    std::fclose(file);
    return ok;
}

bool CheckJPEGData(const unsigned char* data, size_t size)
{
    return size > 0 && DecodeJpeg(nullptr, data, size);
}

// ---- TIFF -------------------------------------------------------------------------

namespace {

int TiffQuiet(TIFF*, void*, const char*, const char*, va_list)
{
    return 1; // handled: the check reports failure by its result
}

class TiffOptions {
public:
    TiffOptions() : opts_(TIFFOpenOptionsAlloc())
    {
        TIFFOpenOptionsSetErrorHandlerExtR(opts_, TiffQuiet, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(opts_, TiffQuiet, nullptr);
        TIFFOpenOptionsSetMaxSingleMemAlloc(opts_, 64 * 1024 * 1024);
    }
    ~TiffOptions() { TIFFOpenOptionsFree(opts_); }
    TiffOptions(const TiffOptions&) = delete;
    TiffOptions& operator=(const TiffOptions&) = delete;
    TIFFOpenOptions* get() const { return opts_; }

private:
    TIFFOpenOptions* opts_;
};

bool IsAllowedDpi(float r)
{
    return r == 200.0f || r == 300.0f || r == 400.0f;
}

bool CheckTiffRules(TIFF* tif)
{
    uint16_t compression = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (compression != COMPRESSION_CCITTFAX4)
        return false;
    uint16_t unit = RESUNIT_INCH;
    if (!TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit))
        unit = RESUNIT_INCH;
    if (unit == RESUNIT_NONE)
        return false;
    if (unit != RESUNIT_INCH && unit != RESUNIT_CENTIMETER)
        return true;
    float xres = 0, yres = 0;
    if (!TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres))
        xres = 0;
    if (!TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres))
        yres = 0;
    uint32_t width = 0, length = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &length);
    if (unit == RESUNIT_INCH && (!IsAllowedDpi(xres) || !IsAllowedDpi(yres)))
        return false;
    // Without a usable resolution there is no size to test: the file fails.
    if (!(xres > 0) || !(yres > 0) || !std::isfinite(xres) || !std::isfinite(yres))
        return false;
    const double perUnit = unit == RESUNIT_INCH ? 25.4 : 10.0;
    const double w = width / static_cast<double>(xres) * perUnit;
    const double l = length / static_cast<double>(yres) * perUnit;
    return (w < 170 && l < 255) || (w < 255 && l < 170);
}

struct MemoryTiff {
    const unsigned char* data;
    toff_t size;
    toff_t pos;
};

tmsize_t MemRead(thandle_t h, void* buf, tmsize_t n)
{
    auto* m = static_cast<MemoryTiff*>(h);
    if (n <= 0 || m->pos >= m->size)
        return 0;
    const toff_t count = std::min<toff_t>(static_cast<toff_t>(n), m->size - m->pos);
    std::memcpy(buf, m->data + m->pos, count);
    m->pos += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t MemWrite(thandle_t, void*, tmsize_t)
{
    return -1;
}

toff_t MemSeek(thandle_t h, toff_t off, int whence)
{
    auto* m = static_cast<MemoryTiff*>(h);
    toff_t base = whence == SEEK_CUR ? m->pos : whence == SEEK_END ? m->size : 0;
    m->pos = base + off;
    return m->pos;
}

int MemClose(thandle_t)
{
    return 0;
}

toff_t MemSize(thandle_t h)
{
    return static_cast<MemoryTiff*>(h)->size;
}

} // namespace

bool CheckTIFFAnnexF(const std::string& fileName)
{
    const TiffOptions opts;
    TIFF* tif = TIFFOpenExt(fileName.c_str(), "r", opts.get());
    if (!tif)
        return false;
    const bool ok = CheckTiffRules(tif);
    TIFFClose(tif);
    return ok;
}

bool CheckTIFFData(const unsigned char* data, size_t size)
{
    const TiffOptions opts;
    MemoryTiff mem{data, static_cast<toff_t>(size), 0};
    TIFF* tif = TIFFClientOpenExt("memory", "rm", &mem, MemRead, MemWrite, MemSeek, MemClose, MemSize, nullptr,
                                  nullptr, opts.get());
    if (!tif)
        return false;
    const bool ok = CheckTiffRules(tif);
    TIFFClose(tif);
    return ok;
}

} // namespace attach
