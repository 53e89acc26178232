#include "submission/viewer/TifBitmap.h"

#include "u3/UserMessages.h"

#include <QGuiApplication>
#include <QScreen>

#include <cstdarg>
#include <tiffio.h>

namespace viewer {
namespace {

int Quiet(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

TIFF* OpenQuietly(const std::string& fileName)
{
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(opts, Quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, Quiet, nullptr);
    TIFF* tif = TIFFOpenExt(fileName.c_str(), "r", opts);
    TIFFOpenOptionsFree(opts);
    return tif;
}

} // namespace

TTifBitmap::TTifBitmap()
{
    // Until a page says otherwise, the resolution is the screen's.
    if (const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                    ? QGuiApplication::primaryScreen()
                                    : nullptr) {
        const QSizeF mm = screen->physicalSize();
        const QSize px = screen->size();
        if (mm.width() > 0 && mm.height() > 0) {
            xres_ = static_cast<float>(px.width() * 25.4 / mm.width());
            yres_ = static_cast<float>(px.height() * 25.4 / mm.height());
        }
    }
}

TTifBitmap::~TTifBitmap()
{
    Close();
}

void TTifBitmap::Close()
{
    if (tif_)
        TIFFClose(tif_);
    tif_ = nullptr;
}

bool TTifBitmap::LoadFromFile(const std::string& fileName)
{
    Close();
    pageCount_ = 0;
    tif_ = OpenQuietly(fileName);
    if (!tif_) {
        u3::CurrentUserMessages().ShowMessage("Cannot open file " + fileName);
        return false;
    }
    // Counted on a second handle so that the first stays at page 0.
    if (TIFF* counter = OpenQuietly(fileName)) {
        do
            ++pageCount_;
        while (TIFFReadDirectory(counter) == 1);
        TIFFClose(counter);
    }
    return true;
}

QImage TTifBitmap::LoadPage(int page)
{
    if (!tif_ || page < 0 || page >= pageCount_ || !TIFFSetDirectory(tif_, static_cast<tdir_t>(page)))
        return {};
    uint32_t width = 0, length = 0;
    TIFFGetField(tif_, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif_, TIFFTAG_IMAGELENGTH, &length);
    // Sized in 64 bits: width x length x 4 overflows 32 bits for large pages.
    const uint64_t bytes = static_cast<uint64_t>(width) * length * 4;
    if (width == 0 || length == 0 || bytes > kMaxRasterBytes || width > 0x7FFFFFFF / 4 || length > 0x7FFFFFFF) {
        u3::CurrentUserMessages().ShowMessage("No space for raster buffer");
        return {};
    }
    QImage image(static_cast<int>(width), static_cast<int>(length), QImage::Format_RGBA8888);
    if (image.isNull()) {
        u3::CurrentUserMessages().ShowMessage("No space for raster buffer");
        return {};
    }
    if (!TIFFReadRGBAImageOriented(tif_, width, length, reinterpret_cast<uint32_t*>(image.bits()),
                                   ORIENTATION_TOPLEFT, 0))
        return {};
    float x = 0, y = 0;
    uint16_t unit = 0;
    writeXres_ = TIFFGetField(tif_, TIFFTAG_XRESOLUTION, &x) == 1;
    writeYres_ = TIFFGetField(tif_, TIFFTAG_YRESOLUTION, &y) == 1;
    writeUnit_ = TIFFGetField(tif_, TIFFTAG_RESOLUTIONUNIT, &unit) == 1;
    if (writeXres_)
        xres_ = x;
    if (writeYres_)
        yres_ = y;
    if (writeUnit_)
        unit_ = unit;
    uint16_t bits = 1, samples = 1;
    TIFFGetFieldDefaulted(tif_, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif_, TIFFTAG_SAMPLESPERPIXEL, &samples);
    const int product = bits * samples;
    bitsPerPixel_ = product == 8 || product == 24 || product == 32 ? product : 1;
    return image;
}

} // namespace viewer
