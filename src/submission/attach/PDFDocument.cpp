#include "submission/attach/PDFDocument.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace attach {
namespace {

constexpr size_t kPiece = 256 * 1024;
// A line in the cross-reference part longer than this is not a table line;
// the cap keeps a hostile file from making us hold it whole.
constexpr size_t kMaxLine = 64 * 1024;

bool IsBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

std::string TrimText(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsBlankOrControl(s[b]))
        ++b;
    while (e > b && IsBlankOrControl(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

bool ParseInt(std::string_view s, int64_t& value)
{
    if (s.empty())
        return false;
    size_t i = 0;
    if (s[0] == '+')
        i = 1;
    const auto r = std::from_chars(s.data() + i, s.data() + s.size(), value);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && i < s.size();
}

int64_t ToInt(std::string_view s, const char* what)
{
    int64_t v = 0;
    if (!ParseInt(TrimText(s), v))
        throw PDFError(std::string(what) + " is not a number: '" + std::string(s.substr(0, 40)) + "'");
    return v;
}

// The text before the first blank of a reference or an object text.
std::string_view NumberPart(std::string_view s)
{
    const size_t blank = s.find(' ');
    return blank == std::string_view::npos ? s : s.substr(0, blank);
}

// Reads lines ending in CR, LF or CR LF from a position in the file.
class LineReader {
public:
    LineReader(const TPDFFile& file, int64_t pos) : file_(file), pos_(pos) {}

    bool Next(std::string& line)
    {
        line.clear();
        if (pos_ >= file_.Size())
            return false;
        for (;;) {
            if (at_ >= buf_.size()) {
                bufStart_ = pos_;
                buf_ = file_.ReadAt(pos_, 4096);
                at_ = 0;
                if (buf_.empty())
                    return true;
            }
            const char c = buf_[at_++];
            ++pos_;
            if (c == '\n')
                return true;
            if (c == '\r') {
                if (at_ >= buf_.size()) {
                    bufStart_ = pos_;
                    buf_ = file_.ReadAt(pos_, 4096);
                    at_ = 0;
                }
                if (at_ < buf_.size() && buf_[at_] == '\n') {
                    ++at_;
                    ++pos_;
                }
                return true;
            }
            if (line.size() >= kMaxLine)
                throw PDFError("line too long in the cross-reference part");
            line += c;
        }
    }

private:
    const TPDFFile& file_;
    int64_t pos_;
    int64_t bufStart_ = 0;
    std::string buf_;
    size_t at_ = 0;
};

} // namespace

// ---- dictionary values ------------------------------------------------------

namespace {

// Where the value of the occurrence of /name at slash starts.
size_t ValueStart(std::string_view text, size_t slash, std::string_view name)
{
    size_t v = slash + 1 + name.size() + 1;
    if (v > text.size())
        v = text.size();
    if (v < text.size() && text[v] == '/')
        ++v;
    return v;
}

} // namespace

std::string GetValue(std::string_view text, std::string_view name)
{
    const std::string key = "/" + std::string(name);
    std::string withEnd(text);
    withEnd += '>';
    const std::string_view t(withEnd);
    for (size_t at = t.find(key); at != std::string_view::npos; at = t.find(key, at + 1)) {
        const size_t v = ValueStart(t, at, name);
        const size_t end = t.find_first_of("/>", v);
        std::string value = TrimText(t.substr(v, end == std::string_view::npos ? std::string_view::npos : end - v));
        if (!value.empty())
            return value;
    }
    return {};
}

bool HasValue(std::string_view text, std::string_view name, std::string_view value)
{
    const std::string key = "/" + std::string(name);
    std::string withEnd(text);
    withEnd += '>';
    const std::string_view t(withEnd);
    for (size_t at = t.find(key); at != std::string_view::npos; at = t.find(key, at + 1)) {
        const size_t v = ValueStart(t, at, name);
        if (t.substr(v, value.size()) != value || v + value.size() >= t.size())
            continue;
        const char next = t[v + value.size()];
        if (next == '>' || next == '/' || next == '\r' || next == '\n' || next == ' ')
            return true;
    }
    return false;
}

// ---- TPDFFile ---------------------------------------------------------------

TPDFFile::TPDFFile(const std::string& fileName, bool readOnly)
{
    fd_ = ::open(fileName.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (fd_ < 0)
        throw PDFError("Cannot open file " + fileName);
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        throw PDFError("Not a file: " + fileName);
    }
    size_ = st.st_size;
    const std::string head = ReadAt(0, 9);
    header_ = head.compare(0, 4, "%PDF") == 0;
    version_ = TrimText(head.size() > 5 ? std::string_view(head).substr(5) : std::string_view());
    FindStartXref();
}

TPDFFile::~TPDFFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::string TPDFFile::ReadAt(int64_t offset, size_t count) const
{
    std::string out;
    if (offset < 0 || offset >= size_)
        return out;
    count = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), size_ - offset));
    out.resize(count);
    size_t got = 0;
    while (got < count) {
        const ssize_t n = ::pread(fd_, out.data() + got, count - got, offset + static_cast<int64_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    out.resize(got);
    return out;
}

namespace {

bool IsHeaderChar(char c)
{
    return c == ' ' || (c >= '0' && c <= '9');
}

bool IsLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

} // namespace

namespace {

// The unconsumed part of the file and room for the next piece, read straight
// into place: the bytes of a piece are never copied, only the few kept
// between pieces are moved to the front.
class ScanBuffer {
public:
    std::string_view View() const { return std::string_view(data_.get() + begin_, end_ - begin_); }
    int64_t BaseOffset() const { return base_; }
    void Consume(size_t n)
    {
        begin_ += n;
        base_ += static_cast<int64_t>(n);
    }
    // Room for count more bytes after the held ones.
    char* Reserve(size_t count)
    {
        const size_t held = end_ - begin_;
        if (begin_ > 0 && held > 0)
            std::memmove(data_.get(), data_.get() + begin_, held);
        begin_ = 0;
        end_ = held;
        if (held + count > cap_) {
            const size_t cap = std::max(held + count, cap_ * 2);
            std::unique_ptr<char[]> bigger(new char[cap]);
            if (held > 0)
                std::memcpy(bigger.get(), data_.get(), held);
            data_ = std::move(bigger);
            cap_ = cap;
        }
        return data_.get() + end_;
    }
    void Commit(size_t count) { end_ += count; }
    // Drops the held bytes and goes on at offset.
    void Rebase(int64_t offset)
    {
        begin_ = end_ = 0;
        base_ = offset;
    }

private:
    std::unique_ptr<char[]> data_;
    size_t cap_ = 0;
    size_t begin_ = 0;
    size_t end_ = 0;
    int64_t base_ = 0;
};

} // namespace

void TPDFFile::FindStartXref()
{
    // Backwards from the end of the file, so that the common case reads only
    // the last piece. Each block is read with the byte before it (for the
    // line start) and the bytes after it that a keyword starting in it needs.
    constexpr std::string_view key = "startxref";
    startXrefPos_ = -1;
    for (int64_t end = size_; end > 0;) {
        const int64_t from = std::max<int64_t>(0, end - static_cast<int64_t>(kPiece));
        const int64_t readFrom = from > 0 ? from - 1 : 0;
        const std::string block = ReadAt(readFrom, static_cast<size_t>(end - readFrom) + key.size());
        const size_t first = static_cast<size_t>(from - readFrom);
        for (size_t at = block.rfind(key, static_cast<size_t>(end - readFrom - 1));
             at != std::string::npos && at >= first; at = at > 0 ? block.rfind(key, at - 1) : std::string::npos) {
            const int64_t abs = readFrom + static_cast<int64_t>(at);
            const int64_t after = abs + static_cast<int64_t>(key.size());
            const bool lineStart = abs == 0 || IsLineBreak(block[at - 1]);
            const bool lineEnd = after >= size_ || (at + key.size() < block.size() && IsLineBreak(block[at + key.size()]));
            if (lineStart && lineEnd) {
                startXrefPos_ = after;
                return;
            }
        }
        end = from;
    }
}

int64_t TPDFFile::StreamEnd(int64_t keyword, std::string_view dictionary, const std::vector<int64_t>& listed) const
{
    int64_t length = 0;
    if (!ParseInt(GetValue(dictionary, "Length"), length) || length < 0)
        return -1;
    const std::string eol = ReadAt(keyword + 6, 2);
    int64_t data = keyword + 6;
    if (eol == "\r\n")
        data += 2;
    else if (!eol.empty() && eol[0] == '\n')
        data += 1;
    else
        return -1;
    if (length > size_ - data)
        return -1;
    const std::string after = ReadAt(data + length, 11);
    size_t k = 0;
    if (after.compare(0, 2, "\r\n") == 0)
        k = 2;
    else if (!after.empty() && IsLineBreak(after[0]))
        k = 1;
    if (std::string_view(after).substr(std::min(k, after.size())).substr(0, 9) != "endstream")
        return -1;
    const int64_t next = data + length + static_cast<int64_t>(k) + 9;
    // Whatever the search finds in between starts after the keyword.
    const auto inside = std::lower_bound(listed.begin(), listed.end(), keyword + 6);
    if (inside != listed.end() && *inside < next)
        return -1;
    return next;
}

void TPDFFile::ScanObjects(const PDFByteSink& sink, const std::vector<int64_t>* listedOffsets)
{
    objects_.clear();
    const bool mayPass = listedOffsets != nullptr && !listedOffsets->empty();

    // The buffer holds the part of the file after the last object's end
    // keyword (or after what can no longer be part of a header).
    ScanBuffer buffer;
    size_t objFrom = 0;               // where the next " obj" search starts
    size_t objAt = std::string::npos; // " obj" of the object whose end is wanted
    size_t endFrom = 0;               // where the next end-keyword search starts
    int64_t readPos = 0;
    int64_t passTo = -1; // the bytes before it are read for the sink only
    bool eof = false;

    auto consume = [&](size_t n) {
        buffer.Consume(n);
        objFrom = objFrom > n ? objFrom - n : 0;
        endFrom = endFrom > n ? endFrom - n : 0;
        if (objAt != std::string::npos)
            objAt -= n;
    };

    while (!eof) {
        char* room = buffer.Reserve(kPiece);
        ssize_t n;
        do
            n = ::pread(fd_, room, kPiece, readPos);
        while (n < 0 && errno == EINTR);
        if (n < 0)
            throw PDFError("read error");
        if (n == 0) {
            eof = true;
        } else {
            buffer.Commit(static_cast<size_t>(n));
            if (sink)
                sink(std::string_view(room, static_cast<size_t>(n)));
        }
        readPos += n;
        if (passTo >= 0) {
            consume(static_cast<size_t>(std::min(passTo, readPos) - buffer.BaseOffset()));
            if (passTo > readPos)
                continue;
            passTo = -1;
        }

        for (;;) {
            const std::string_view text = buffer.View();
            if (objAt == std::string::npos) {
                objAt = text.find(" obj", objFrom);
                if (objAt == std::string::npos) {
                    // Keep what could still become a header: the last three
                    // bytes and the digits and blanks before them.
                    size_t keep = text.size() > 3 ? text.size() - 3 : 0;
                    while (keep > 0 && IsHeaderChar(text[keep - 1]))
                        --keep;
                    consume(keep);
                    objFrom = buffer.View().size() > 3 ? buffer.View().size() - 3 : 0;
                    break;
                }
                endFrom = objAt + 4;
            }
            // The two keywords cannot overlap, so an "endobj" before the
            // first "stream" lies wholly before it.
            const size_t stream = text.find("stream", endFrom);
            const size_t endObj = text.substr(0, stream).find("endobj", endFrom);
            const size_t end = std::min(endObj, stream);
            if (end == std::string::npos) {
                if (text.size() > 6)
                    endFrom = std::max(endFrom, text.size() - 5);
                if (eof)
                    objAt = std::string::npos;
                break;
            }
            size_t k = objAt;
            while (k > 0 && IsHeaderChar(text[k - 1]))
                --k;
            while (k < objAt && text[k] == ' ')
                ++k;
            TPDFObject obj;
            obj.Key = std::string(text.substr(k, objAt - k));
            obj.Offset = buffer.BaseOffset() + static_cast<int64_t>(k);
            const std::string number =
                obj.Key.empty() ? std::string() : TrimText(std::string_view(obj.Key).substr(0, obj.Key.size() - 1));
            int64_t num = -1;
            obj.Number = ParseInt(number, num) ? num : -1;
            std::string dict = TrimText(text.substr(objAt + 4, end - objAt - 4));
            if (dict.size() >= 4 && dict.compare(0, 2, "<<") == 0 && dict.compare(dict.size() - 2, 2, ">>") == 0)
                dict = dict.substr(2, dict.size() - 4);
            std::replace(dict.begin(), dict.end(), '\r', ' ');
            std::replace(dict.begin(), dict.end(), '\n', ' ');
            obj.Dictionary = std::move(dict);
            objects_.push_back(std::move(obj));
            const int64_t next = mayPass && end == stream
                                     ? StreamEnd(buffer.BaseOffset() + static_cast<int64_t>(end),
                                                 objects_.back().Dictionary, *listedOffsets)
                                     : -1;
            objAt = std::string::npos;
            consume(end + 6); // both keywords are six letters long
            objFrom = 0;
            if (next < 0)
                continue;
            // After an end keyword the search starts afresh, as it does
            // after the one inside "endstream": go on from there.
            const int64_t held = buffer.BaseOffset() + static_cast<int64_t>(buffer.View().size());
            if (next <= held) {
                consume(static_cast<size_t>(next - buffer.BaseOffset()));
                continue;
            }
            consume(buffer.View().size());
            if (sink) {
                passTo = next;
            } else {
                buffer.Rebase(next);
                readPos = next;
            }
            break;
        }
    }
}

// ---- TPDFDocument -----------------------------------------------------------

TPDFDocument::TPDFDocument(const std::string& fileName, bool readOnly, const PDFByteSink& sink)
    : file_(fileName, readOnly), fileName_(fileName)
{
    // The tables come first: they tell the scan which objects will be kept.
    ReadXrefSections();
    std::vector<int64_t> listed;
    for (const auto& [number, entry] : xref_) {
        int64_t offset = 0;
        if (!ParseInt(TrimText(std::string_view(entry).substr(0, 10)), offset)) {
            listed.clear(); // the table is refused below; scan every byte
            break;
        }
        listed.push_back(offset);
    }
    std::sort(listed.begin(), listed.end());
    file_.ScanObjects(sink, &listed);
    ReadObjectTexts();
    DropUnlistedObjects();
}

namespace {

int64_t EntryOffset(const std::string& entry)
{
    return ToInt(std::string_view(entry).substr(0, 10), "cross-reference offset");
}

bool EntryInUse(const std::string& entry)
{
    const std::string t = TrimText(entry);
    return t.empty() || t.back() != 'f';
}

bool StartsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

} // namespace

void TPDFDocument::ReadXrefSections()
{
    if (file_.StartXrefPos() < 0)
        return;
    std::string line;
    {
        LineReader reader(file_, file_.StartXrefPos());
        reader.Next(line); // the rest of the "startxref" line
        bool found = false;
        while (reader.Next(line)) {
            if (!TrimText(line).empty()) {
                found = true;
                break;
            }
        }
        if (!found)
            return;
    }
    lastXref_ = ToInt(line, "startxref offset");

    std::set<int64_t> visited;
    int64_t section = lastXref_;
    while (section >= 0 && visited.insert(section).second) {
        LineReader reader(file_, section);
        if (!reader.Next(line) || TrimText(line) != "xref")
            return;
        std::string trailer;
        for (;;) {
            if (!reader.Next(line))
                throw PDFError("cross-reference table without trailer");
            if (StartsWith(line, "trailer")) {
                trailer = line.substr(7);
                break;
            }
            const std::string head = TrimText(line);
            const size_t blank = head.find_first_of(" \t");
            if (blank == std::string::npos)
                throw PDFError("bad cross-reference subsection: '" + head.substr(0, 40) + "'");
            const int64_t first = ToInt(std::string_view(head).substr(0, blank), "subsection start");
            const int64_t count = ToInt(std::string_view(head).substr(blank + 1), "subsection count");
            if (first < 0 || count < 0)
                throw PDFError("negative cross-reference subsection");
            for (int64_t i = 0; i < count; ++i) {
                if (!reader.Next(line))
                    throw PDFError("cross-reference table cut short");
                xref_.emplace(first + i, line); // newer sections were read first
            }
        }
        int64_t prev = -1;
        bool havePrev = false;
        for (bool more = true; more;) {
            const std::string t = TrimText(trailer);
            if (t == "startxref" || t == "xref")
                break;
            if (root_.empty())
                root_ = GetValue(trailer, "Root");
            if (encrypt_.empty())
                encrypt_ = GetValue(trailer, "Encrypt");
            if (id_.empty()) {
                const size_t at = trailer.find("/ID");
                if (at != std::string::npos) {
                    const size_t open = trailer.find('[', at);
                    const size_t close = open == std::string::npos ? open : trailer.find(']', open);
                    if (close != std::string::npos)
                        id_ = trailer.substr(open, close - open + 1);
                }
            }
            if (!havePrev) {
                const std::string p = GetValue(trailer, "Prev");
                if (!p.empty()) {
                    prev = ToInt(p, "/Prev offset");
                    havePrev = true;
                }
            }
            more = reader.Next(trailer);
        }
        section = havePrev ? prev : -1;
    }
}

void TPDFDocument::ReadObjectTexts()
{
    std::vector<int64_t> offsets;
    for (const auto& [number, entry] : xref_)
        if (EntryInUse(entry))
            offsets.push_back(EntryOffset(entry));
    std::sort(offsets.begin(), offsets.end());
    for (size_t i = 0; i < offsets.size(); ++i) {
        const int64_t from = offsets[i];
        const int64_t to = i + 1 < offsets.size() ? offsets[i + 1] : file_.Size();
        // Stream data is never needed: the text stops at the "stream" keyword.
        std::string text;
        for (int64_t at = from; at < to;) {
            const size_t want = static_cast<size_t>(std::min<int64_t>(to - at, 4096));
            const std::string part = file_.ReadAt(at, want);
            if (part.empty())
                break;
            const size_t searchFrom = text.size() > 5 ? text.size() - 5 : 0;
            text += part;
            at += static_cast<int64_t>(part.size());
            const size_t s = text.find("stream", searchFrom);
            if (s != std::string::npos) {
                text.resize(s + 6);
                break;
            }
        }
        if (text.find(" obj") == std::string::npos)
            continue;
        int64_t number = 0;
        if (ParseInt(NumberPart(text), number))
            objectTexts_[number] = std::move(text);
    }
}

void TPDFDocument::DropUnlistedObjects()
{
    std::vector<TPDFObject>& objects = file_.Objects();
    if (!xref_.empty()) {
        std::set<int64_t> listed;
        for (const auto& [number, entry] : xref_)
            listed.insert(EntryOffset(entry));
        std::erase_if(objects, [&](const TPDFObject& o) { return !listed.count(o.Offset); });
    }
    for (size_t i = 0; i < objects.size(); ++i)
        objectAtOffset_.emplace(objects[i].Offset, i);
}

std::string TPDFDocument::ObjectDictionary(std::string_view reference) const
{
    int64_t number = 0;
    if (!ParseInt(NumberPart(TrimText(reference)), number))
        return {};
    const auto entry = xref_.find(number);
    if (entry == xref_.end())
        return {};
    int64_t offset = 0;
    if (!ParseInt(TrimText(std::string_view(entry->second).substr(0, 10)), offset))
        return {};
    const auto obj = objectAtOffset_.find(offset);
    return obj == objectAtOffset_.end() ? std::string() : file_.Objects()[obj->second].Dictionary;
}

int TPDFDocument::GetPageCount() const
{
    int64_t count = -1;
    if (!xref_.empty()) {
        const std::string pages = GetValue(ObjectDictionary(root_), "Pages");
        if (pages.empty() || !ParseInt(GetValue(ObjectDictionary(pages), "Count"), count))
            return -1;
    } else {
        const auto& objects = file_.Objects();
        const auto lin = std::find_if(objects.begin(), objects.end(),
                                      [](const TPDFObject& o) { return o.Dictionary.find("/Linearized") != std::string::npos; });
        if (lin == objects.end() || !ParseInt(GetValue(lin->Dictionary, "N"), count))
            return -1;
    }
    return count < -1 || count > INT32_MAX ? -1 : static_cast<int>(count);
}

bool TPDFDocument::HasFileSpec() const
{
    for (const TPDFObject& o : file_.Objects()) {
        std::string upper = o.Dictionary;
        for (char& c : upper)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        if (upper.find("/TYPE /FILESPEC") != std::string::npos)
            return true;
    }
    return false;
}

namespace {

// The object numbers of the references "n g R" in an array text.
std::vector<int64_t> ArrayReferences(std::string_view text)
{
    std::vector<std::string> tokens;
    std::string token;
    for (const char c : text) {
        if (c == '[' || c == ']' || IsBlankOrControl(c)) {
            if (!token.empty())
                tokens.push_back(std::move(token));
            token.clear();
        } else {
            token += c;
        }
    }
    if (!token.empty())
        tokens.push_back(std::move(token));
    std::vector<int64_t> refs;
    for (size_t i = 0; i + 2 < tokens.size(); ++i) {
        int64_t n = 0, g = 0;
        if (tokens[i + 2] == "R" && ParseInt(tokens[i], n) && ParseInt(tokens[i + 1], g)) {
            refs.push_back(n);
            i += 2;
        }
    }
    return refs;
}

} // namespace

int TPDFDocument::GetFonts(std::vector<std::string>& list) const
{
    struct Font {
        int64_t number;
        bool embedded;
        std::string entry;
        std::vector<int64_t> descendants;
    };
    std::vector<Font> fonts;
    for (const auto& [number, text] : objectTexts_) {
        if (number < 1 || !HasValue(text, "Type", "Font"))
            continue;
        const std::string subtype = GetValue(text, "Subtype");
        const std::string baseFont = GetValue(text, "BaseFont");
        std::string descriptor = GetValue(text, "FontDescriptor");
        if (descriptor.size() >= 2 && descriptor.compare(descriptor.size() - 2, 2, " R") == 0)
            descriptor.resize(descriptor.size() - 2);
        std::string_view described = text;
        if (!descriptor.empty()) {
            int64_t d = 0;
            const auto it = ParseInt(NumberPart(TrimText(descriptor)), d) ? objectTexts_.find(d) : objectTexts_.end();
            described = it == objectTexts_.end() ? std::string_view() : std::string_view(it->second);
        }
        Font f;
        f.number = number;
        f.embedded = described.find("FontFile") != std::string_view::npos;
        f.entry = baseFont + "; " + subtype;
        const std::string descendants = GetValue(text, "DescendantFonts");
        if (!descendants.empty())
            f.descendants = ArrayReferences(descendants);
        fonts.push_back(std::move(f));
    }
    for (Font& f : fonts) {
        if (f.embedded || f.descendants.empty())
            continue;
        f.embedded = std::all_of(f.descendants.begin(), f.descendants.end(), [&](int64_t n) {
            const auto it = std::find_if(fonts.begin(), fonts.end(), [&](const Font& g) { return g.number == n; });
            return it != fonts.end() && it->embedded && it->descendants.empty();
        });
    }
    for (const Font& f : fonts)
        list.push_back(f.embedded ? "Embeded; " + f.entry : f.entry);
    return static_cast<int>(fonts.size());
}

bool TPDFDocument::VersionOK() const
{
    const std::string& v = file_.Version();
    return v.size() >= 3 && v[2] >= '1' && v[2] <= '9';
}

bool TPDFDocument::FontsEmbedded() const
{
    std::vector<std::string> list;
    GetFonts(list);
    static const char* const kStandard[] = {"Embeded;", "Helvetica", "Times", "Courier", "Symbol", "ZapfDingbats"};
    return std::all_of(list.begin(), list.end(), [](const std::string& e) {
        return std::any_of(std::begin(kStandard), std::end(kStandard),
                           [&](const char* p) { return StartsWith(e, p); });
    });
}

} // namespace attach
