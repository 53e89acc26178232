#include "submission/attach/AttachmentCheck.h"

#include "u3/Files.h"

#include <sys/stat.h>

namespace attach {
namespace {

std::string Upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string ReplaceAll(std::string s, std::string_view from, std::string_view to)
{
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

std::string FileNameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// From the last "." of the name on; empty when the name has none.
std::string ExtensionOf(const std::string& name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

size_t CharacterCount(std::string_view utf8)
{
    size_t n = 0;
    for (const char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
}

bool IsFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

AttachmentVerdict Fail(int title, int message)
{
    AttachmentVerdict v;
    v.passed = false;
    v.titleNumber = title;
    v.messageNumber = message;
    return v;
}

} // namespace

std::string AttachmentFilter(const std::string& filter)
{
    return filter.find(".spdf") == std::string::npos ? filter : ReplaceAll(filter, ".spdf", ".pdf");
}

std::string AttachmentMessageKey(int number)
{
    return "g3Dialog.pas.Message." + std::to_string(number);
}

std::string AttachmentMessageDefault(int number)
{
    switch (number) {
    case 1: case 3: case 5: case 7: case 11: case 90:
        return "Error";
    case 2:
        return "Chosen %s file is invalid extension. Please choose another file.";
    case 4:
        return "File name is invalid.";
    case 6:
        return "File name is too long.";
    case 8:
        return "Chosen %s file is not ZIP file. Please choose another file.";
    case 12:
        return "Chosen %s file is not AnnexF compliant. Please choose another file.";
    default:
        return {};
    }
}

AttachmentVerdict CheckAttachmentFile(const std::string& path, const std::string& filter, const LangText& lang)
{
    const std::string name = FileNameOf(path);
    const std::string ext = Upper(ExtensionOf(name));
    const std::string upperFilter = Upper(filter);

    if (filter.find("*.*") == std::string::npos && (ext.empty() || upperFilter.find(ext) == std::string::npos))
        return Fail(1, 2);
    if ((!name.empty() && name[0] == '.') || !IsFile(path))
        return Fail(3, 4);
    if (CharacterCount(name) > 64)
        return Fail(5, 6);
    if (!ext.empty() && std::string_view(".ZIP").find(ext) != std::string_view::npos && !u3::HasZipSignature(path))
        return Fail(7, 8);

    const size_t kind = ext.empty() ? std::string::npos : std::string_view(".PDF.JPG.JPEG.TIFF").find(ext);
    if (kind == 0) {
        AttachmentVerdict v;
        std::string message;
        if (CheckPDFAnnexF(path, message, lang))
            return v;
        if (!message.empty()) {
            v = Fail(90, 0);
            v.pdfMessage = message;
            return v;
        }
        return Fail(11, 12);
    }
    if ((kind == 4 || kind == 8) && !CheckJPEGFile(path))
        return Fail(11, 12);
    if (kind == 13 && !CheckTIFFAnnexF(path))
        return Fail(11, 12);
    return {};
}

} // namespace attach
