#include "enginelink/pms/MZip.h"

#include "u3/StrLib.h"

#include <minizip/unzip.h>
#include <zlib.h>

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace enginelink {
namespace {

constexpr std::size_t kCopyBufferSize = 8192;
// Longer names are refused by the file systems we write to anyway, but a
// truncated name must never be mistaken for a real one.
constexpr std::size_t kMaxEntryName = 65535;
constexpr uLong kUtf8NameFlag = 0x800;
// The Info-ZIP Unicode path extra field: version 1, the CRC-32 of the name as
// stored in the header, then the name in UTF-8.
constexpr unsigned kUnicodePathField = 0x7075;
// Hosts of "version made by" whose names use "\\" between folders.
constexpr uLong kHostFAT = 0;
constexpr uLong kHostNTFS = 11;
constexpr uLong kHostVFAT = 14;

unzFile Handle(void* handle)
{
    return static_cast<unzFile>(handle);
}

bool IsValidUtf8(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        char32_t value = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            value = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            value = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            value = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size())
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            value = (value << 6) | (next & 0x3F);
        }
        if ((extra == 2 && (value < 0x800 || (value >= 0xD800 && value <= 0xDFFF))) ||
            (extra == 3 && (value < 0x10000 || value > 0x10FFFF)))
            return false;
        i += extra + 1;
    }
    return true;
}

// The UTF-8 name of a Unicode path extra field that belongs to rawName.
std::string UnicodePathName(const std::vector<unsigned char>& extra, const std::string& rawName)
{
    std::size_t at = 0;
    while (at + 4 <= extra.size()) {
        const unsigned id = extra[at] | (extra[at + 1] << 8);
        const std::size_t size = extra[at + 2] | (extra[at + 3] << 8);
        const std::size_t data = at + 4;
        if (data + size > extra.size())
            break;
        if (id == kUnicodePathField && size >= 5 && extra[data] == 1) {
            const uLong stored = extra[data + 1] | (extra[data + 2] << 8) | (extra[data + 3] << 16) |
                                 (static_cast<uLong>(extra[data + 4]) << 24);
            const uLong actual =
                crc32(0L, reinterpret_cast<const Bytef*>(rawName.data()), static_cast<uInt>(rawName.size()));
            if (stored == actual)
                return std::string(reinterpret_cast<const char*>(&extra[data + 5]), size - 5);
        }
        at = data + size;
    }
    return {};
}

std::time_t EntryTime(const unz_file_info64& info)
{
    std::tm tm {};
    tm.tm_sec = static_cast<int>(info.tmu_date.tm_sec);
    tm.tm_min = static_cast<int>(info.tmu_date.tm_min);
    tm.tm_hour = static_cast<int>(info.tmu_date.tm_hour);
    tm.tm_mday = static_cast<int>(info.tmu_date.tm_mday);
    tm.tm_mon = static_cast<int>(info.tmu_date.tm_mon);
    tm.tm_year = static_cast<int>(info.tmu_date.tm_year) - 1900;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// minizip refuses an archive without entries, which is nothing but its end
// record: that one is unpacked by doing nothing.
bool IsEmptyArchive(const std::string& fileName)
{
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    unsigned char record[22];
    const ssize_t n = ::read(fd, record, sizeof record);
    ::close(fd);
    if (n != static_cast<ssize_t>(sizeof record) || std::memcmp(record, "PK\x05\x06", 4) != 0)
        return false;
    for (int i = 8; i < 20; ++i) {
        if (record[i] != 0)
            return false;
    }
    return true;
}

mode_t CurrentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

std::string CP437ToUtf8(const std::string& bytes)
{
    bool ascii = true;
    for (char c : bytes)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
        return bytes;
    iconv_t cd = ::iconv_open("UTF-8", "CP437");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return bytes;
    std::string out(bytes.size() * 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    ::iconv_close(cd);
    if (result == static_cast<std::size_t>(-1))
        return bytes;
    out.resize(out.size() - outLeft);
    return out;
}

std::string SafeEntryPath(const std::string& entryName, bool withoutPath)
{
    const std::string& name = entryName;
    const bool folder = !name.empty() && name.back() == '/';
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        std::string part = name.substr(start, end - start);
        if (!part.empty() && part != "." && part != ".." && part.find('\0') == std::string::npos)
            parts.push_back(std::move(part));
        start = end + 1;
    }
    if (parts.empty())
        return {};
    if (withoutPath)
        return folder ? std::string() : parts.back();
    std::string path;
    for (const std::string& part : parts) {
        if (!path.empty())
            path += '/';
        path += part;
    }
    if (folder)
        path += '/';
    return path;
}

// ---- folder helpers ------------------------------------------------------------------

std::string AddBackslash(const std::string& folder)
{
    if (folder.empty() || folder.back() == '/')
        return folder;
    return folder + '/';
}

std::string RemoveBackslash(const std::string& folder)
{
    std::string result = folder;
    while (result.size() > 1 && result.back() == '/')
        result.pop_back();
    return result;
}

bool DirExists(const std::string& name)
{
    if (name.empty())
        return false;
    struct stat st {};
    return ::stat(RemoveBackslash(name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ParentDir(const std::string& folder)
{
    const std::string trimmed = RemoveBackslash(folder);
    const std::size_t cut = trimmed.rfind('/');
    if (cut == std::string::npos)
        return {};
    if (cut == 0)
        return "/";
    return trimmed.substr(0, cut);
}

bool ForceDirs(const std::string& folder)
{
    const std::string path = RemoveBackslash(folder);
    if (path.empty() || path == "/")
        return false;
    if (DirExists(path))
        return true;
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return DirExists(path);
}

// ---- TMiniZip -------------------------------------------------------------------------

TMiniZip::TMiniZip() : buffer_(kCopyBufferSize) {}

TMiniZip::~TMiniZip()
{
    CloseArchive();
}

void TMiniZip::SetZipFileName(const std::string& name)
{
    if (name == zipFileName_)
        return;
    CloseArchive();
    zipFileName_ = name;
}

bool TMiniZip::OpenArchive()
{
    if (handle_)
        return true;
    if (zipFileName_.empty())
        return false;
    handle_ = unzOpen64(zipFileName_.c_str());
    return handle_ != nullptr;
}

void TMiniZip::CloseArchive()
{
    if (handle_) {
        unzClose(Handle(handle_));
        handle_ = nullptr;
    }
}

std::string TMiniZip::CurrentEntryName()
{
    unz_file_info64 info {};
    if (!handle_ || unzGetCurrentFileInfo64(Handle(handle_), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return {};
    if (info.size_filename > kMaxEntryName)
        return {};
    std::string raw(info.size_filename, '\0');
    std::vector<unsigned char> extra(info.size_file_extra);
    if (unzGetCurrentFileInfo64(Handle(handle_), &info, raw.data(), static_cast<uLong>(raw.size()),
                                extra.empty() ? nullptr : extra.data(), static_cast<uLong>(extra.size()), nullptr,
                                0) != UNZ_OK)
        return {};
    if ((info.flag & kUtf8NameFlag) != 0)
        return IsValidUtf8(raw) ? raw : CP437ToUtf8(raw);
    std::string unicode = UnicodePathName(extra, raw);
    if (!unicode.empty() && IsValidUtf8(unicode))
        return unicode;
    // Zip programs on other systems store names in their own encoding,
    // today UTF-8, without the flag; DOS and Windows ones use code page 437.
    const uLong host = info.version >> 8;
    if (host != kHostFAT && host != kHostNTFS && host != kHostVFAT && IsValidUtf8(raw))
        return raw;
    return CP437ToUtf8(raw);
}

int TMiniZip::ExtractCurrentFile(const std::string& destDir)
{
    unz_file_info64 info {};
    int result = unzGetCurrentFileInfo64(Handle(handle_), &info, nullptr, 0, nullptr, 0, nullptr, 0);
    if (result != UNZ_OK)
        return result;
    const std::string entryName = CurrentEntryName();
    if (entryName.empty())
        return UNZ_BADZIPFILE;
    // Archives made on DOS or Windows separate folders with "\\"; elsewhere
    // it is an ordinary character of a name.
    std::string name = entryName;
    const uLong host = info.version >> 8;
    if (host == kHostFAT || host == kHostNTFS || host == kHostVFAT) {
        for (char& c : name) {
            if (c == '\\')
                c = '/';
        }
    }
    const std::string relative = SafeEntryPath(name, UzWithoutPath);
    // Folder entries carry no data: with paths the folder is made, without
    // them there is nothing to write. An entry whose name holds nothing but
    // "." and ".." parts cannot be placed anywhere safe.
    if (relative.empty())
        return 0;
    if (relative.back() == '/')
        return ForceDirs(destDir + relative) ? 0 : UNZ_ERRNO;

    const std::string destFile = destDir + relative;
    const std::string folder = ParentDir(destFile);
    if (!ForceDirs(folder))
        return UNZ_ERRNO;

    bool canOverwrite = UzOverwrite;
    if (OnUnzipFile)
        OnUnzipFile(*this, EntryTime(info), info.uncompressed_size, info.compressed_size, destFile, canOverwrite);
    struct stat existing {};
    if (!canOverwrite && ::lstat(destFile.c_str(), &existing) == 0)
        return 1;

    result = unzOpenCurrentFile(Handle(handle_));
    if (result != UNZ_OK)
        return result;

    std::string temp = AddBackslash(folder) + ".mzXXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        unzCloseCurrentFile(Handle(handle_));
        return UNZ_ERRNO;
    }
    auto discard = [&](int code) {
        ::close(fd);
        ::unlink(temp.c_str());
        return code;
    };

    for (;;) {
        const int read = unzReadCurrentFile(Handle(handle_), buffer_.data(), static_cast<unsigned>(buffer_.size()));
        if (read < 0) {
            unzCloseCurrentFile(Handle(handle_));
            return discard(read);
        }
        if (read == 0)
            break;
        if (!WriteAll(fd, buffer_.data(), static_cast<std::size_t>(read))) {
            unzCloseCurrentFile(Handle(handle_));
            return discard(UNZ_ERRNO);
        }
        if (OnProgress)
            OnProgress(*this, PrgsType::ptUnzip, read, destFile);
    }
    result = unzCloseCurrentFile(Handle(handle_));
    if (result != UNZ_OK)
        return discard(result);

    ::fchmod(fd, 0666 & ~CurrentUmask());
    const std::time_t when = EntryTime(info);
    if (when != static_cast<std::time_t>(-1)) {
        const struct timespec times[2] = {{when, 0}, {when, 0}};
        ::futimens(fd, times);
    }
    if (::close(fd) != 0) {
        ::unlink(temp.c_str());
        return UNZ_ERRNO;
    }
    if (::rename(temp.c_str(), destFile.c_str()) != 0) {
        ::unlink(temp.c_str());
        return UNZ_ERRNO;
    }
    return 0;
}

bool TMiniZip::UnzipAll(const std::string& destDir)
{
    if (!OpenArchive())
        return IsEmptyArchive(zipFileName_);
    unz_global_info64 global {};
    if (unzGetGlobalInfo64(Handle(handle_), &global) != UNZ_OK)
        return false;
    if (global.number_entry == 0)
        return true;
    const std::string dest = AddBackslash(destDir);
    int step = unzGoToFirstFile(Handle(handle_));
    while (step == UNZ_OK) {
        if (ExtractCurrentFile(dest) != 0)
            return false;
        step = unzGoToNextFile(Handle(handle_));
    }
    return step == UNZ_END_OF_LIST_OF_FILE;
}

bool TMiniZip::UnzipFile(const std::string& name, const std::string& destDir)
{
    if (!OpenArchive())
        return false;
    int step = unzGoToFirstFile(Handle(handle_));
    while (step == UNZ_OK) {
        if (u3::SameText(CurrentEntryName(), name))
            return ExtractCurrentFile(AddBackslash(destDir)) == 0;
        step = unzGoToNextFile(Handle(handle_));
    }
    return false;
}

bool UnzipArchive(const std::string& zipFile, const std::string& destDir, const std::string& oneFile)
{
    TMiniZip zip;
    zip.UzWithoutPath = true;
    zip.SetZipFileName(zipFile);
    return oneFile.empty() ? zip.UnzipAll(destDir) : zip.UnzipFile(oneFile, destDir);
}

} // namespace enginelink
