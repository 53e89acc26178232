#include "submission/viewer/ViewerFiles.h"

#include "u3/StrLib.h"
#include "u3/XMLCodePage.h"

#include <QString>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace viewer {
namespace {

const char* const kListSeparator = ">|<";

std::string LowerExtension(const std::string& fileName)
{
    const size_t slash = fileName.find_last_of("/\\");
    const size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return u3::LowerCase(fileName.substr(dot));
}


bool IsValidUtf8(const std::string& s)
{
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : 9;
        if (n == 9 || (n == 1 && c < 0xC2) || (n == 3 && c > 0xF4) || i + n >= s.size() + (n ? 0 : 1))
            return false;
        for (size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += n + 1;
    }
    return true;
}

} // namespace

int GetViewerFileType(const std::string& fileName)
{
    const std::string ext = LowerExtension(fileName);
    if (ext == ".pdf")
        return kViewPdf;
    if (ext == ".tif" || ext == ".tiff")
        return kViewTiff;
    if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe")
        return kViewJpeg;
    if (ext == ".txt" || ext == ".app")
        return kViewText;
    if (ext == ".xml")
        return kViewXml;
    return kViewNone;
}

std::string ViewerCaption(const std::string& fileReference)
{
    const size_t slash = fileReference.find_last_of("/\\");
    std::string name = slash == std::string::npos ? fileReference : fileReference.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.resize(dot);
    return name;
}

ViewerList ParseViewFileList(const std::string& listText)
{
    ViewerList list;
    for (const std::string& line : u3::SplitTextLines(u3::ReplaceEvery(listText, kListSeparator, "\r\n"))) {
        ViewerEntry e;
        e.file = line;
        e.caption = ViewerCaption(line);
        list.entries.push_back(std::move(e));
    }
    return list;
}

ViewerList ParseViewFileListExt(const std::string& text)
{
    ViewerList list;
    list.twoLine = text.find(kListSeparator) != std::string::npos;
    for (const std::string& line : u3::SplitTextLines(text)) {
        const std::vector<std::string> f = u3::SplitTokens(line, kListSeparator);
        ViewerEntry e;
        if (f.size() == 2 && f[0] == "FirstPreview") {
            list.firstPreview = f[1];
            continue;
        }
        if (f.size() <= 1) {
            e.file = line;
            e.caption = ViewerCaption(line);
        } else if (f.size() == 2) {
            e.caption = f[0];
            e.file = f[1];
        } else if (f.size() == 3) {
            e.caption = f[0];
            e.file = f[1];
            e.secondLine = f[1];
            e.startPage = f[2];
        } else {
            e.caption = f[0];
            e.file = f[1];
            e.secondLine = f[2];
            e.startPage = f[3];
        }
        list.entries.push_back(std::move(e));
    }
    return list;
}

std::string DecodeTextForDisplay(const std::string& bytes)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::u16string units;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8));
        return QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size())).toStdString();
    }
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE && static_cast<unsigned char>(bytes[1]) == 0xFF) {
        std::u16string units;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            units += static_cast<char16_t>((static_cast<unsigned char>(bytes[i]) << 8) |
                                           static_cast<unsigned char>(bytes[i + 1]));
        return QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size())).toStdString();
    }
    if (IsValidUtf8(bytes))
        return bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
    return u3::XMLCodePageToUtf8(bytes, u3::XMLCodePage::kCp1252);
}

std::string FormatXmlForDisplay(const std::string& bytes)
{
    // Runs of blanks, tabs and line breaks become one blank; blank text
    // between a tag's end and the next tag goes.
    std::string flat;
    flat.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < '!') {
            while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < '!')
                ++i;
            flat += ' ';
        } else {
            flat += bytes[i++];
        }
    }
    std::string normal;
    normal.reserve(flat.size());
    for (size_t i = 0; i < flat.size(); ++i) {
        normal += flat[i];
        if (flat[i] == '>' && i + 2 < flat.size() && flat[i + 1] == ' ' && flat[i + 2] == '<')
            ++i;
    }

    QXmlStreamReader reader(QByteArray::fromStdString(normal));
    QString out;
    QXmlStreamWriter writer(&out);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(2);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.hasError())
            break;
        if (reader.tokenType() == QXmlStreamReader::StartDocument) {
            writer.writeStartDocument(reader.documentVersion().isEmpty() ? QStringLiteral("1.0")
                                                                          : reader.documentVersion().toString());
            continue;
        }
        writer.writeCurrentToken(reader);
    }
    if (reader.hasError())
        return DecodeTextForDisplay(normal);
    return out.toStdString();
}

} // namespace viewer
