// Reading and writing dictionaries in the "MLstream" format: a sequence of
// values in the component-streaming value codes (code byte, little-endian
// integers). Files may come from anywhere, so the reader trusts no length or
// position in them: every length is checked against the bytes left and every
// word position against its list before anything is allocated or linked.
#include "e3/dictionary/DictCodePage.h"
#include "e3/dictionary/DictionaryFiles.h"
#include "e3/dictionary/ItemSession.h"

#include "u3/Files.h"
#include "u3/Filer.h"
#include "u3/StrLib.h"
#include "u3/UserMessages.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

namespace e3 {
namespace {

using namespace u3::filer;

constexpr const char* Tag = "MLstream";

std::string NotDictionaryMessage(const std::string& name)
{
    return "File " + name + " is not MultiLanguage dictinary.";
}

// Any inconsistency in the bytes; turned into the one message callers see.
struct FormatFault {};

// ---- writing ------------------------------------------------------------------------

class TLGFWriter {
public:
    TLGFWriter(std::string& out, bool wide) : out_(out), values_(out), wide_(wide) {}

    void WriteValue(unsigned char code) { out_ += static_cast<char>(code); }
    void WriteListBegin() { values_.WriteListBegin(); }
    void WriteListEnd() { values_.WriteListEnd(); }
    void WriteBoolean(bool b) { WriteValue(b ? vaTrue : vaFalse); }
    void WriteInteger(int32_t v) { values_.WriteInteger(v); }
    // bytes are in the dictionary code page.
    void WriteStr(std::string_view bytes)
    {
        if (wide_) {
            const std::u16string text = CodePageToUtf16(bytes);
            WriteValue(vaWString);
            AppendLE(static_cast<uint32_t>(text.size()), 4);
            for (char16_t unit : text)
                AppendLE(unit, 2);
        } else {
            values_.WriteString(bytes);
        }
    }
    void WriteRaw(std::string_view bytes) { out_ += bytes; }

private:
    void AppendLE(uint32_t v, int n)
    {
        for (int i = 0; i < n; ++i)
            out_ += static_cast<char>((v >> (8 * i)) & 0xFF);
    }

    std::string& out_;
    u3::TFilerWriter values_;
    bool wide_;
};

// The flag picture of a column that has none of its own: a 32 by 32 picture
// control with an empty picture, as a component stream.
std::string EmptyPictureStream()
{
    std::string s = "TPF0";
    auto shortStr = [&s](std::string_view text) {
        s += static_cast<char>(text.size());
        s += text;
    };
    shortStr("TImage");
    shortStr("");
    shortStr("Width");
    s += static_cast<char>(vaInt8);
    s += static_cast<char>(32);
    shortStr("Height");
    s += static_cast<char>(vaInt8);
    s += static_cast<char>(32);
    s += '\0';
    s += '\0';
    return s;
}

// ---- reading ----------------------------------------------------------------------------

class ValueReader {
public:
    explicit ValueReader(std::string_view data) : data_(data) {}

    size_t Position() const { return pos_; }
    size_t Left() const { return data_.size() - pos_; }
    bool AtEnd() const { return pos_ >= data_.size(); }

    unsigned char ReadByte()
    {
        Need(1);
        return static_cast<unsigned char>(data_[pos_++]);
    }
    unsigned char Peek() const
    {
        if (AtEnd())
            throw FormatFault{};
        return static_cast<unsigned char>(data_[pos_]);
    }
    uint32_t ReadLE(int n)
    {
        Need(static_cast<size_t>(n));
        uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v |= static_cast<uint32_t>(static_cast<unsigned char>(data_[pos_ + static_cast<size_t>(i)])) << (8 * i);
        pos_ += static_cast<size_t>(n);
        return v;
    }
    std::string_view Take(size_t n)
    {
        Need(n);
        std::string_view s = data_.substr(pos_, n);
        pos_ += n;
        return s;
    }
    void Skip(size_t n) { Take(n); }
    std::string_view Since(size_t start) const { return data_.substr(start, pos_ - start); }

    // A four-byte length that must be neither negative nor past the end when
    // multiplied by the unit size.
    size_t ReadLength(size_t unit)
    {
        const int32_t n = static_cast<int32_t>(ReadLE(4));
        if (n < 0 || static_cast<uint64_t>(n) * unit > Left())
            throw FormatFault{};
        return static_cast<size_t>(n);
    }

    bool EndOfList() const { return Peek() == vaNull; }
    void ReadListBegin()
    {
        if (ReadByte() != vaList)
            throw FormatFault{};
    }
    void ReadListEnd()
    {
        if (ReadByte() != vaNull)
            throw FormatFault{};
    }
    int32_t ReadInteger()
    {
        switch (ReadByte()) {
        case vaInt8:
            return static_cast<int8_t>(ReadLE(1));
        case vaInt16:
            return static_cast<int16_t>(ReadLE(2));
        case vaInt32:
            return static_cast<int32_t>(ReadLE(4));
        default:
            throw FormatFault{};
        }
    }
    bool ReadBoolean() { return ReadByte() == vaTrue; }

    // A string of any of the string codes, in the dictionary code page.
    std::string ReadString()
    {
        const unsigned char code = ReadByte();
        switch (code) {
        case vaString:
            return std::string(Take(ReadByte()));
        case vaLString:
            return std::string(Take(ReadLength(1)));
        case vaUTF8String:
            return Utf8ToCodePage(Take(ReadLength(1)));
        case vaWString: {
            const size_t units = ReadLength(2);
            std::u16string text(units, u'\0');
            for (size_t i = 0; i < units; ++i)
                text[i] = static_cast<char16_t>(ReadLE(2));
            return Utf16ToCodePage(text);
        }
        default:
            throw FormatFault{};
        }
    }
    // The same without keeping the text.
    void SkipString()
    {
        switch (ReadByte()) {
        case vaString:
            Skip(ReadByte());
            break;
        case vaLString:
        case vaUTF8String:
            Skip(ReadLength(1));
            break;
        case vaWString:
            Skip(ReadLength(2) * 2);
            break;
        default:
            throw FormatFault{};
        }
    }

    // Skips one value of any code, lists and collections included.
    void SkipValue(int depth = 0)
    {
        if (depth > 32)
            throw FormatFault{};
        switch (ReadByte()) {
        case vaNull:
        case vaFalse:
        case vaTrue:
        case vaNil:
            break;
        case vaList:
            while (!EndOfList())
                SkipValue(depth + 1);
            ReadListEnd();
            break;
        case vaInt8:
            Skip(1);
            break;
        case vaInt16:
            Skip(2);
            break;
        case vaInt32:
        case vaSingle:
            Skip(4);
            break;
        case vaExtended:
            Skip(10);
            break;
        case vaCurrency:
        case vaDate:
        case vaInt64:
        case vaQWord:
            Skip(8);
            break;
        case vaString:
        case vaIdent:
            Skip(ReadByte());
            break;
        case vaBinary:
        case vaLString:
        case vaUTF8String:
            Skip(ReadLength(1));
            break;
        case vaWString:
        case vaUString:
            Skip(ReadLength(2) * 2);
            break;
        case vaSet:
            for (;;) {
                const unsigned char n = ReadByte();
                if (n == 0)
                    break;
                Skip(n);
            }
            break;
        case vaCollection:
            while (!EndOfList()) {
                const unsigned char c = Peek();
                if (c == vaInt8 || c == vaInt16 || c == vaInt32)
                    ReadInteger();
                ReadListBegin();
                while (!EndOfList()) {
                    Skip(ReadByte()); // property name
                    SkipValue(depth + 1);
                }
                ReadListEnd();
            }
            ReadListEnd();
            break;
        default:
            throw FormatFault{};
        }
    }

    // Skips one component of a component stream (after its signature).
    void SkipComponent(int depth = 0)
    {
        if (depth > 32)
            throw FormatFault{};
        if ((Peek() & 0xF0) == 0xF0) {
            const unsigned char flags = ReadByte();
            if (flags & 0x02) // position among inherited children
                ReadInteger();
        }
        Skip(ReadByte()); // class name
        Skip(ReadByte()); // component name
        while (!EndOfList()) {
            Skip(ReadByte()); // property name
            SkipValue(depth + 1);
        }
        ReadListEnd();
        while (!EndOfList())
            SkipComponent(depth + 1);
        ReadListEnd();
    }

private:
    void Need(size_t n) const
    {
        if (n > Left())
            throw FormatFault{};
    }

    std::string_view data_;
    size_t pos_ = 0;
};

} // namespace

// Which file columns a reader keeps.
struct ColumnChoice {
    enum Kind { NonRemark, All, ByName, ByNumber } kind;
    const std::vector<std::string>* names = nullptr;
    const std::vector<int>* numbers = nullptr;
    int count = 0;

    bool Keeps(const TLanguage& lang, int filePosition) const
    {
        switch (kind) {
        case NonRemark:
            return !lang.IsRemark;
        case All:
            return true;
        case ByName:
            for (int i = 0; i < count && i < static_cast<int>(names->size()); ++i)
                if ((*names)[static_cast<size_t>(i)] == lang.Name)
                    return true;
            return false;
        case ByNumber:
            for (int i = 0; i < count && i < static_cast<int>(numbers->size()); ++i)
                if ((*numbers)[static_cast<size_t>(i)] == filePosition)
                    return true;
            return false;
        }
        return false;
    }
};

class DictionaryReader {
public:
    static void Read(TItemSession& session, std::string_view data, const ColumnChoice& choice, bool pictures)
    {
        try {
            ReadUnchecked(session, data, choice, pictures);
        } catch (const FormatFault&) {
            session.ClearItems();
            throw ELangException(NotDictionaryMessage(std::string()));
        } catch (const ELangException&) {
            session.ClearItems();
            throw;
        }
    }

private:
    static void ReadUnchecked(TItemSession& session, std::string_view data, const ColumnChoice& choice,
                              bool pictures)
    {
        ValueReader r(data);
        if (r.ReadString() != Tag)
            throw FormatFault{};

        // Columns: the dictionary column each file column went to, -1 when dropped.
        std::vector<int> target;
        std::vector<TLanguage*> fileColumns;
        r.ReadListBegin();
        while (!r.EndOfList()) {
            auto lang = std::make_unique<TLanguage>();
            lang->Name = CodePageToUtf8(r.ReadString());
            lang->Caption = CodePageToUtf8(r.ReadString());
            lang->Prefix = CodePageToUtf8(r.ReadString());
            lang->Index = r.ReadInteger();
            lang->Visible = r.ReadBoolean();
            lang->IsRemark = r.ReadBoolean();
            lang->ReservedInt = r.ReadInteger();
            lang->ReservedFlag = r.ReadBoolean();
            TLanguage* placed = nullptr;
            if (choice.Keeps(*lang, static_cast<int>(target.size())))
                placed = session.AddLanguage(lang);
            target.push_back(placed ? session.ColumnOf(placed) : -1);
            fileColumns.push_back(placed);
        }
        r.ReadListEnd();

        const size_t columns = static_cast<size_t>(session.languages_.Count());
        std::vector<int> base(columns, 0);
        for (size_t c = 0; c < columns; ++c)
            base[c] = session.wordLists_[c]->Count();

        // Items, with their positions relative to the file's word lists.
        const size_t firstNewItem = session.items_.size();
        r.ReadListBegin();
        while (!r.EndOfList()) {
            auto item = std::make_unique<TLanguageItem>(&session);
            item->InitIndexes(static_cast<int>(columns));
            r.ReadListBegin();
            for (size_t p = 0; !r.EndOfList(); ++p) {
                const int32_t position = r.ReadInteger();
                if (p < target.size() && target[p] >= 0) {
                    if (position < -1)
                        throw FormatFault{};
                    item->Indexes[static_cast<size_t>(target[p])] = position;
                }
            }
            r.ReadListEnd();
            session.items_.push_back(std::move(item));
        }
        r.ReadListEnd();

        // Word lists; the partial readers stop behind the last column they keep.
        size_t lastKept = 0;
        bool anyKept = false;
        for (size_t p = 0; p < target.size(); ++p)
            if (target[p] >= 0) {
                lastKept = p;
                anyKept = true;
            }
        const size_t listsToRead = pictures ? target.size() : (anyKept ? lastKept + 1 : 0);
        for (size_t p = 0; p < listsToRead; ++p) {
            r.ReadListBegin();
            if (target[p] >= 0) {
                TOneLangList& list = *session.wordLists_[static_cast<size_t>(target[p])];
                while (!r.EndOfList())
                    list.Append(r.ReadString(), nullptr);
            } else {
                while (!r.EndOfList())
                    r.SkipString();
            }
            r.ReadListEnd();
        }

        // Link the words to their items. A later claim of a word wins and the
        // earlier item loses that word, so each word has one owner.
        for (size_t i = firstNewItem; i < session.items_.size(); ++i) {
            TLanguageItem* item = session.items_[i].get();
            for (size_t c = 0; c < columns; ++c) {
                int& position = item->Indexes[c];
                if (position < 0)
                    continue;
                TOneLangList& list = *session.wordLists_[c];
                const int64_t absolute = static_cast<int64_t>(position) + base[c];
                if (absolute >= list.Count())
                    throw FormatFault{};
                position = static_cast<int>(absolute);
                if (TLanguageItem* earlier = list.GetObject(position))
                    earlier->Indexes[c] = -1;
                list.SetObject(position, item);
            }
        }

        if (pictures)
            ReadPictures(r, fileColumns);
    }

    static void ReadPictures(ValueReader& r, const std::vector<TLanguage*>& fileColumns)
    {
        try {
            r.ReadListBegin();
            for (size_t p = 0; !r.EndOfList(); ++p) {
                if (r.ReadString() != "Y")
                    continue;
                const size_t start = r.Position();
                if (r.Take(4) != "TPF0")
                    throw FormatFault{};
                r.SkipComponent();
                // The stream's own bytes, so that a save writes them back unchanged.
                if (p < fileColumns.size() && fileColumns[p])
                    fileColumns[p]->Picture = std::string(r.Since(start));
            }
            r.ReadListEnd();
        } catch (const FormatFault&) {
            // A broken picture costs the picture, never the dictionary.
        }
    }
};

// ---- TItemSession: streams ------------------------------------------------------------

namespace {

void WriteDictionary(const TItemSession& session, std::string& out, bool wide)
{
    TLGFWriter w(out, wide);
    w.WriteStr(Tag);
    const TLanguageList& langs = session.GetLanguages();
    w.WriteListBegin();
    for (int c = 0; c < langs.Count(); ++c) {
        const TLanguage& lang = *langs[c];
        w.WriteStr(Utf8ToCodePage(lang.Name));
        w.WriteStr(Utf8ToCodePage(lang.Caption));
        w.WriteStr(Utf8ToCodePage(lang.Prefix));
        w.WriteInteger(lang.Index);
        w.WriteBoolean(lang.Visible);
        w.WriteBoolean(lang.IsRemark);
        w.WriteInteger(lang.ReservedInt);
        w.WriteBoolean(lang.ReservedFlag);
    }
    w.WriteListEnd();
    w.WriteListBegin();
    for (int i = 0; i < session.GetItemCount(); ++i) {
        w.WriteListBegin();
        for (int position : session.GetItem(i)->Indexes)
            w.WriteInteger(position);
        w.WriteListEnd();
    }
    w.WriteListEnd();
    for (int c = 0; c < langs.Count(); ++c) {
        const TOneLangList& list = session.GetWordList(langs[c]);
        w.WriteListBegin();
        for (int i = 0; i < list.Count(); ++i)
            w.WriteStr(list.GetWord(i));
        w.WriteListEnd();
    }
    w.WriteListBegin();
    for (int c = 0; c < langs.Count(); ++c) {
        const TLanguage& lang = *langs[c];
        if (lang.IsRemark) {
            w.WriteStr("N");
        } else {
            w.WriteStr("Y");
            w.WriteRaw(lang.Picture.empty() ? EmptyPictureStream() : lang.Picture);
        }
    }
    w.WriteListEnd();
}

} // namespace

void TItemSession::SaveToStream(std::string& out) const
{
    WriteDictionary(*this, out, false);
}

void TItemSession::SaveToStreamWide(std::string& out) const
{
    WriteDictionary(*this, out, true);
}

void TItemSession::LoadFromStream(std::string_view data)
{
    DictionaryReader::Read(*this, data, ColumnChoice{ColumnChoice::NonRemark}, false);
}

void TItemSession::LoadFromStreamFull(std::string_view data)
{
    DictionaryReader::Read(*this, data, ColumnChoice{ColumnChoice::All}, true);
}

void TItemSession::LoadLanguagesFromStream(std::string_view data, int count, const std::vector<std::string>& names)
{
    ColumnChoice choice{ColumnChoice::ByName};
    choice.names = &names;
    choice.count = count;
    DictionaryReader::Read(*this, data, choice, false);
}

void TItemSession::LoadLanguageNumbersFromStream(std::string_view data, int count, const std::vector<int>& numbers)
{
    ColumnChoice choice{ColumnChoice::ByNumber};
    choice.numbers = &numbers;
    choice.count = count;
    DictionaryReader::Read(*this, data, choice, false);
}

// ---- TItemSession: files -------------------------------------------------------------------

namespace {

bool IsRegularFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

bool LocateDictionaryFile(std::string& fileName)
{
    if (fileName.empty())
        return false;
    if (HasFolderPart(fileName)) {
        const std::string local = u3::ToLocalPath(fileName);
        if (IsRegularFile(local)) {
            fileName = local;
            return true;
        }
    }
    const std::string bare = u3::ExtractFileNameAny(fileName);
    if (bare.empty())
        return false;
    const std::string besideProgram = u3::AppendPathDelimiter(ProgramFolder()) + bare;
    if (IsRegularFile(besideProgram)) {
        fileName = besideProgram;
        return true;
    }
    if (IsRegularFile(bare)) {
        fileName = bare;
        return true;
    }
    return false;
}

template <class Reader>
bool TItemSession::LoadFile(const std::string& fileName, Reader read)
{
    std::string located = fileName;
    if (!LocateDictionaryFile(located))
        return false;
    Clear();
    try {
        const std::optional<std::string> data = ReadWholeFile(located);
        if (!data)
            throw ELangException(NotDictionaryMessage(located));
        read(*data);
    } catch (const std::exception&) {
        ClearItems();
        throw ELangException(NotDictionaryMessage(located));
    }
    Modified = false;
    return true;
}

bool TItemSession::LoadFromFile(const std::string& fileName)
{
    return LoadFile(fileName, [this](std::string_view data) { LoadFromStream(data); });
}

bool TItemSession::LoadFromFileFull(const std::string& fileName)
{
    return LoadFile(fileName, [this](std::string_view data) { LoadFromStreamFull(data); });
}

bool TItemSession::LoadLanguagesFromFile(const std::string& fileName, int count, const std::vector<std::string>& names)
{
    return LoadFile(fileName,
                    [&, this](std::string_view data) { LoadLanguagesFromStream(data, count, names); });
}

bool TItemSession::LoadLanguageNumbersFromFile(const std::string& fileName, int count, const std::vector<int>& numbers)
{
    return LoadFile(fileName,
                    [&, this](std::string_view data) { LoadLanguageNumbersFromStream(data, count, numbers); });
}

// The new contents go to a temporary file in the same folder first; only when
// that is complete does the old file become the backup and the new one take
// its name, so a failed save never costs the dictionary on disk.
bool TItemSession::SaveFile(const std::string& fileName, bool wide)
{
    const std::string path = PathBesideProgram(fileName);
    std::string bytes;
    if (wide)
        SaveToStreamWide(bytes);
    else
        SaveToStream(bytes);
    const std::string error = ReplaceFileKeepingBackup(path, bytes);
    if (!error.empty()) {
        u3::CurrentUserMessages().ShowInformation(error);
        return false;
    }
    Modified = false;
    return true;
}

bool TItemSession::SaveToFile(const std::string& fileName)
{
    return SaveFile(fileName, false);
}

bool TItemSession::SaveToFileWide(const std::string& fileName)
{
    return SaveFile(fileName, true);
}

} // namespace e3
