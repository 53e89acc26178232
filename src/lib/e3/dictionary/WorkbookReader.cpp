#include "e3/dictionary/WorkbookReader.h"

#include "e3/dictionary/ItemSession.h"

#include <minizip/unzip.h>

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <optional>
#include <vector>

namespace e3 {
namespace {

[[noreturn]] void Fail(const std::string& why)
{
    throw ELangException("The file is not a readable workbook: " + why + ".");
}

// ---- the archive, read from memory ---------------------------------------------------

struct MemoryStream {
    std::string_view data;
    uint64_t position = 0;
};

voidpf ZCALLBACK MemOpen(voidpf opaque, const void*, int mode)
{
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
        return nullptr;
    auto* stream = static_cast<MemoryStream*>(opaque);
    stream->position = 0;
    return stream;
}

uLong ZCALLBACK MemRead(voidpf, voidpf s, void* buf, uLong size)
{
    auto* stream = static_cast<MemoryStream*>(s);
    if (stream->position >= stream->data.size())
        return 0;
    const uint64_t left = stream->data.size() - stream->position;
    const uLong n = static_cast<uLong>(std::min<uint64_t>(left, size));
    std::memcpy(buf, stream->data.data() + stream->position, n);
    stream->position += n;
    return n;
}

uLong ZCALLBACK MemWrite(voidpf, voidpf, const void*, uLong)
{
    return 0;
}

ZPOS64_T ZCALLBACK MemTell(voidpf, voidpf s)
{
    return static_cast<MemoryStream*>(s)->position;
}

long ZCALLBACK MemSeek(voidpf, voidpf s, ZPOS64_T offset, int origin)
{
    auto* stream = static_cast<MemoryStream*>(s);
    uint64_t base = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        base = 0;
        break;
    case ZLIB_FILEFUNC_SEEK_CUR:
        base = stream->position;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        base = stream->data.size();
        break;
    default:
        return -1;
    }
    if (offset > stream->data.size() || base + offset > stream->data.size())
        return -1;
    stream->position = base + offset;
    return 0;
}

int ZCALLBACK MemClose(voidpf, voidpf)
{
    return 0;
}

int ZCALLBACK MemError(voidpf, voidpf)
{
    return 0;
}

class Archive {
public:
    explicit Archive(std::string_view bytes)
    {
        stream_.data = bytes;
        zlib_filefunc64_def functions{};
        functions.zopen64_file = MemOpen;
        functions.zread_file = MemRead;
        functions.zwrite_file = MemWrite;
        functions.ztell64_file = MemTell;
        functions.zseek64_file = MemSeek;
        functions.zclose_file = MemClose;
        functions.zerror_file = MemError;
        functions.opaque = &stream_;
        zip_ = unzOpen2_64("workbook", &functions);
        if (!zip_)
            Fail("no zip archive");
    }
    ~Archive() { unzClose(zip_); }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    // The entry's bytes, nullopt when the archive has no such entry. Part
    // names are compared without regard to case, as the package format does.
    std::optional<std::string> Read(const std::string& name)
    {
        if (unzLocateFile(zip_, name.c_str(), 2) != UNZ_OK)
            return std::nullopt;
        if (unzOpenCurrentFile(zip_) != UNZ_OK)
            Fail("entry " + name + " cannot be opened");
        std::string out;
        char buffer[65536];
        for (;;) {
            const int n = unzReadCurrentFile(zip_, buffer, sizeof buffer);
            if (n < 0) {
                unzCloseCurrentFile(zip_);
                Fail("entry " + name + " is damaged");
            }
            if (n == 0)
                break;
            // The sizes in the archive are not trusted: the bound holds for
            // what actually comes out of the decompressor.
            if (out.size() + static_cast<size_t>(n) > MaxWorkbookEntrySize) {
                unzCloseCurrentFile(zip_);
                Fail("entry " + name + " is too large");
            }
            out.append(buffer, static_cast<size_t>(n));
        }
        if (unzCloseCurrentFile(zip_) != UNZ_OK)
            Fail("entry " + name + " fails its check sum");
        return out;
    }

    std::string Require(const std::string& name)
    {
        std::optional<std::string> data = Read(name);
        if (!data)
            Fail("entry " + name + " is missing");
        return std::move(*data);
    }

private:
    MemoryStream stream_;
    unzFile zip_ = nullptr;
};

// ---- part names ------------------------------------------------------------------------

std::string FolderOf(const std::string& part)
{
    const size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// A relationship target resolved against the folder of its source part;
// a target that climbs above the archive's root is refused.
std::string ResolvePart(const std::string& folder, const std::string& target)
{
    const std::string joined = !target.empty() && target.front() == '/' ? target.substr(1) : folder + target;
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= joined.size()) {
        size_t end = joined.find('/', start);
        if (end == std::string::npos)
            end = joined.size();
        const std::string segment = joined.substr(start, end - start);
        if (segment == "..") {
            if (segments.empty())
                Fail("a relationship points outside the archive");
            segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string out;
    for (const auto& s : segments) {
        if (!out.empty())
            out += '/';
        out += s;
    }
    if (out.empty())
        Fail("a relationship has no target");
    return out;
}

std::string RelationshipsOf(const std::string& part)
{
    const size_t slash = part.rfind('/');
    if (slash == std::string::npos)
        return "_rels/" + part + ".rels";
    return part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
}

// ---- XML -----------------------------------------------------------------------------------

QXmlStreamReader Reader(const std::string& bytes)
{
    return QXmlStreamReader(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

void CheckXml(const QXmlStreamReader& xml, const std::string& part)
{
    if (xml.hasError())
        Fail(part + " is no well-formed XML (" + xml.errorString().toStdString() + ")");
}

struct Relationship {
    std::string id, type, target;
};

std::vector<Relationship> ReadRelationships(const std::string& bytes, const std::string& part)
{
    std::vector<Relationship> out;
    QXmlStreamReader xml = Reader(bytes);
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"Relationship") {
            const auto attrs = xml.attributes();
            if (attrs.value(QLatin1String("TargetMode")) != u"External")
                out.push_back({attrs.value(QLatin1String("Id")).toString().toStdString(),
                               attrs.value(QLatin1String("Type")).toString().toStdString(),
                               attrs.value(QLatin1String("Target")).toString().toStdString()});
        }
    }
    CheckXml(xml, part);
    return out;
}

bool EndsWith(std::string_view s, std::string_view tail)
{
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// Texts in cells escape characters XML cannot carry as "_xHHHH_".
QString DecodeEscapes(const QString& text)
{
    if (!text.contains(u"_x"))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_') {
            bool ok = true;
            for (qsizetype k = i + 2; k < i + 6; ++k)
                ok = ok && text[k].unicode() < 128 && std::isxdigit(text[k].unicode());
            const uint code = ok ? text.mid(i + 2, 4).toUInt(&ok, 16) : 0;
            if (ok) {
                out += QChar(static_cast<char16_t>(code));
                i += 6;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// The text of a string item (<si> or <is>): every <t>, without the phonetic
// runs. The reader stands on the item's start and ends on its end.
QString ReadStringItem(QXmlStreamReader& xml)
{
    QString text;
    int depth = 1;
    while (depth > 0 && !xml.atEnd() && !xml.hasError()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == u"t")
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
            else if (xml.name() == u"rPh")
                xml.skipCurrentElement();
            else
                ++depth;
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
    return DecodeEscapes(text);
}

std::vector<std::string> ReadSharedStrings(const std::string& bytes, const std::string& part)
{
    std::vector<std::string> out;
    QXmlStreamReader xml = Reader(bytes);
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"si")
            out.push_back(ReadStringItem(xml).toStdString());
    }
    CheckXml(xml, part);
    return out;
}

// "BC12" -> column 55, row 12; a missing part stays 0.
bool ParseCellReference(QStringView ref, int& column, int& row)
{
    column = 0;
    row = 0;
    qsizetype i = 0;
    for (; i < ref.size() && ref[i].isLetter(); ++i) {
        const char16_t c = ref[i].toUpper().unicode();
        if (c < u'A' || c > u'Z' || i >= 3)
            return false;
        column = column * 26 + (c - u'A' + 1);
    }
    for (; i < ref.size(); ++i) {
        const char16_t c = ref[i].unicode();
        if (c < u'0' || c > u'9' || row > 10000000)
            return false;
        row = row * 10 + (c - u'0');
    }
    return true;
}

// A number as short as it reads back ("0.1", not "0.10000000000000001").
std::string NumberText(const std::string& raw)
{
    double value = 0;
    const auto [end, ec] = std::from_chars(raw.data(), raw.data() + raw.size(), value);
    if (ec != std::errc() || end != raw.data() + raw.size())
        return raw;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

void ReadSheet(const std::string& bytes, const std::string& part, const std::vector<std::string>& shared,
               WorkbookSheet& sheet)
{
    constexpr int MaxRows = 1048576;
    constexpr int MaxColumns = 16384;
    size_t cells = 0;
    int row = 0;
    int column = 0;
    QXmlStreamReader xml = Reader(bytes);
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"row") {
            const auto r = xml.attributes().value(QLatin1String("r"));
            bool ok = true;
            row = r.isEmpty() ? row + 1 : r.toInt(&ok);
            if (!ok || row < 1 || row > MaxRows)
                Fail("a row number is out of range");
            column = 0;
            continue;
        }
        if (xml.name() != u"c")
            continue;
        const auto attrs = xml.attributes();
        const QString type = attrs.value(QLatin1String("t")).toString();
        const auto ref = attrs.value(QLatin1String("r"));
        int refColumn = 0, refRow = 0;
        if (!ref.isEmpty() && !ParseCellReference(ref, refColumn, refRow))
            Fail("a cell reference is malformed");
        if (row == 0)
            row = 1;
        if (refRow != 0 && refRow != row)
            Fail("a cell lies outside its row");
        const int cellColumn = refColumn != 0 ? refColumn : column + 1;
        if (cellColumn > MaxColumns)
            Fail("a column number is out of range");
        column = cellColumn;

        QString value;
        bool hasValue = false;
        while (xml.readNextStartElement()) {
            if (xml.name() == u"v") {
                value = xml.readElementText();
                hasValue = true;
            } else if (xml.name() == u"is") {
                value = ReadStringItem(xml);
                hasValue = true;
            } else {
                xml.skipCurrentElement();
            }
        }
        CheckXml(xml, part);
        if (!hasValue)
            continue;
        std::string text;
        if (type == u"s") {
            bool ok = false;
            const qulonglong index = value.trimmed().toULongLong(&ok);
            if (!ok || index >= shared.size())
                Fail("a cell names a shared string that does not exist");
            text = shared[static_cast<size_t>(index)];
        } else if (type == u"b") {
            text = value.trimmed() == u"1" ? "TRUE" : "FALSE";
        } else if (type == u"inlineStr" || type == u"str") {
            text = DecodeEscapes(value).toStdString();
        } else if (type == u"n" || type.isEmpty()) {
            text = NumberText(value.trimmed().toStdString());
        } else {
            text = value.toStdString();
        }
        if (text.empty())
            continue;
        if (++cells > MaxWorkbookCells)
            Fail("the worksheet has too many cells");
        sheet.Rows[row][cellColumn] = std::move(text);
        sheet.RowCount = std::max(sheet.RowCount, row);
        sheet.ColumnCount = std::max(sheet.ColumnCount, cellColumn);
    }
    CheckXml(xml, part);
}

} // namespace

std::string WorkbookSheet::Cell(int row, int column) const
{
    const auto r = Rows.find(row);
    if (r == Rows.end())
        return {};
    const auto c = r->second.find(column);
    return c == r->second.end() ? std::string() : c->second;
}

WorkbookSheet ReadFirstWorksheet(std::string_view zipBytes)
{
    if (zipBytes.size() > MaxWorkbookFileSize)
        Fail("the file is too large");
    Archive archive(zipBytes);

    std::string workbookPart = "xl/workbook.xml";
    if (const auto rels = archive.Read("_rels/.rels"))
        for (const auto& r : ReadRelationships(*rels, "_rels/.rels"))
            if (EndsWith(r.type, "/officeDocument")) {
                workbookPart = ResolvePart("", r.target);
                break;
            }

    // The first sheet in the workbook's list is the first tab.
    std::string sheetId;
    {
        const std::string bytes = archive.Require(workbookPart);
        QXmlStreamReader xml = Reader(bytes);
        while (!xml.atEnd() && !xml.hasError() && sheetId.empty()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"sheet")
                for (const auto& a : xml.attributes())
                    if (a.name() == u"id" && !a.namespaceUri().isEmpty())
                        sheetId = a.value().toString().toStdString();
        }
        CheckXml(xml, workbookPart);
    }
    if (sheetId.empty())
        Fail("the workbook has no worksheet");

    const std::string relsPart = RelationshipsOf(workbookPart);
    const auto relationships = ReadRelationships(archive.Require(relsPart), relsPart);
    std::string sheetPart, sharedPart;
    for (const auto& r : relationships) {
        if (r.id == sheetId)
            sheetPart = ResolvePart(FolderOf(workbookPart), r.target);
        else if (EndsWith(r.type, "/sharedStrings") && sharedPart.empty())
            sharedPart = ResolvePart(FolderOf(workbookPart), r.target);
    }
    if (sheetPart.empty())
        Fail("the first worksheet has no part");

    std::vector<std::string> shared;
    if (!sharedPart.empty())
        if (const auto bytes = archive.Read(sharedPart))
            shared = ReadSharedStrings(*bytes, sharedPart);

    WorkbookSheet sheet;
    ReadSheet(archive.Require(sheetPart), sheetPart, shared, sheet);
    return sheet;
}

WorkbookSheet ReadFirstWorksheetFromFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw ELangException("Cannot open file \"" + path + "\". " + std::strerror(errno));
    std::string data;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            throw ELangException("Cannot read file \"" + path + "\". " + std::strerror(err));
        }
        if (n == 0)
            break;
        if (data.size() + static_cast<size_t>(n) > MaxWorkbookFileSize) {
            ::close(fd);
            Fail("the file is too large");
        }
        data.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return ReadFirstWorksheet(data);
}

} // namespace e3
