#pragma once
// The dictionary model: columns are languages, rows are items, and each cell
// holds the item's word in that language or nothing. Words are kept as bytes of
// the dictionary code page (e3/dictionary/DictCodePage.h); every text that goes in or out
// through TItemSession's own operations is UTF-8.
#include "u3/Exceptions.h"

#include <memory>
#include <string>
#include <climits>
#include <cstdint>
#include <string_view>
#include <vector>

namespace e3 {

class ELangException : public u3::Exception {
public:
    using Exception::Exception;
};

enum class TStatusTranslate { stOk, stNo, stOther };

// Who asked for a word, as the trace file names it: the component's class and
// name. The caller passes none for an object that is not a component.
struct TTraceSource {
    std::string className;
    std::string name;
};

class TItemSession;

// One column.
class TLanguage {
public:
    std::string Name;
    std::string Prefix;
    std::string Caption;
    int Index = 0;
    // The flag picture as stored in the dictionary file (a component stream of
    // the picture control); empty for an empty picture.
    std::string Picture;
    bool Visible = true;
    bool IsRemark = false;
    // Rank among the visible columns of its kind, -1 when hidden.
    int VisibleNumber = -1;
    // Stored in the file and kept, never interpreted.
    int ReservedInt = 140;
    bool ReservedFlag = false;

    // Everything but the two reserved values.
    void Assign(const TLanguage& source);
};

// Column name to column; names compared without regard to ASCII case.
class TLanguageList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    TLanguage* operator[](int index) const { return items_[static_cast<size_t>(index)].get(); }
    int IndexOf(std::string_view name) const;
    TLanguage* FindLanguage(std::string_view name) const;
    bool Exists(std::string_view name) const { return IndexOf(name) >= 0; }
    bool IsValidIndex(int index) const { return index >= 0 && index < Count(); }

private:
    friend class TItemSession;
    std::vector<std::unique_ptr<TLanguage>> items_;
};

// One row: the position of its word in each column's word list, -1 for none.
class TLanguageItem {
public:
    explicit TLanguageItem(TItemSession* owner) : owner_(owner) {}

    void InitIndexes(int n) { Indexes.insert(Indexes.end(), static_cast<size_t>(n), -1); }
    // The word (UTF-8) in lang, empty when the item has none.
    std::string GetWord(const TLanguage* lang) const;
    std::string GetWordByIndex(int column) const;
    int GetWordIndex(const TLanguage* lang) const;
    void SetWordIndex(const TLanguage* lang, int position);
    TItemSession* Owner() const { return owner_; }

    std::vector<int> Indexes;

private:
    TItemSession* owner_;
};

// The words of one column in code-page bytes, each with the item that owns it.
// A hash index answers "first position of this word" and is rebuilt after the
// list changes, so lookups stay right through inserts and deletes. The index
// is one flat open-addressing table of (hash, position) pairs: a lookup reads
// one slot line and then the entry itself, whatever the size of the list.
class TOneLangList {
public:
    // The hash of a word in the lists' indexes and the translation lookup.
    static uint32_t HashOf(std::string_view word);
    int Count() const { return static_cast<int>(entries_.size()); }
    // Raises ELangException for an index outside the list.
    const std::string& GetWord(int index) const;
    TLanguageItem* GetObject(int index) const { return entries_[static_cast<size_t>(index)].item; }
    void SetObject(int index, TLanguageItem* item)
    {
        entries_[static_cast<size_t>(index)].item = item;
        ++generation_;
    }
    // Rises with every change of a word or of a word's owner, so that indexes
    // kept elsewhere know when they are out of date.
    uint64_t Generation() const { return generation_; }

    // The first position holding word (bytes compared), -1 when none.
    int IndexOf(std::string_view word) const;
    // Bisection: the first position whose word is not below word; true when
    // that word equals it.
    bool Find(std::string_view word, int& index) const;
    // Sorted insertion at the position Find gives.
    int Add(std::string word) { return AddObject(std::move(word), nullptr); }
    int AddObject(std::string word, TLanguageItem* item);

    void Append(std::string word, TLanguageItem* item);
    void Insert(int index, std::string word, TLanguageItem* item);
    void Delete(int index);
    // Swaps two words together with their owners.
    void Exchange(int a, int b);
    void Clear();
    void Reserve(size_t n) { entries_.reserve(n); }

private:
    struct Entry {
        std::string word;
        TLanguageItem* item;
    };
    // position -1 marks an empty slot; the table is never full, so every
    // probe sequence ends at one.
    struct Slot {
        uint32_t hash;
        int32_t position;
    };
    void Changed()
    {
        indexValid_ = false;
        ++generation_;
    }
    void BuildIndex() const;
    // Records position unless an earlier position holds the same word.
    void IndexPosition(int position) const;

    std::vector<Entry> entries_;
    mutable std::vector<Slot> slots_;
    mutable bool indexValid_ = false;
    uint64_t generation_ = 0;
};

// One word per column (UTF-8), the row handed to the item operations.
class TLanguageWord {
public:
    void Init(int n) { Words.assign(static_cast<size_t>(n), std::string()); }
    int Count() const { return static_cast<int>(Words.size()); }
    std::vector<std::string> Words;
};

// Lines written to the trace file in this run, so that each missing word is
// written once.
const std::vector<std::string>& DebugLines();
bool DebugLinesHold(const std::string& line);
void AddDebugLine(const std::string& line);
// Appends code-page text to the trace file where logs go. The trace is a
// diagnostic aid: a log that cannot be written never breaks the translation
// that asked for it.
void AppendDebugLog(const std::string& text) noexcept;
// The property the component translation is working on; empty otherwise.
extern std::string CurrentPropertyName;
// Name of the trace file of untranslated words.
inline constexpr const char* DebugLogFileName = "MLDebug.log";

class TItemSession {
public:
    TItemSession();
    virtual ~TItemSession();
    TItemSession(const TItemSession&) = delete;
    TItemSession& operator=(const TItemSession&) = delete;

    bool Modified = false;
    // Untranslated words go to the trace file (the "-MLDEBUG" parameter).
    bool DebugMode = false;

    // ---- reading ------------------------------------------------------------
    std::string GetWord(int index, const TLanguage* lang) const;
    std::string GetItemWord(int itemIndex, const TLanguage* lang) const;
    int GetWordCount(const TLanguage* lang) const;
    int GetItemCount() const { return static_cast<int>(items_.size()); }
    int GetLanguageCount() const { return languageCounter_; }
    TLanguageList& GetLanguages() { return languages_; }
    const TLanguageList& GetLanguages() const { return languages_; }
    // First position of word in lang's list, -1 when none; an unknown lang gives -1.
    int IndexOfWord(std::string_view word, const TLanguage* lang) const;
    TLanguageItem* FindItem(std::string_view word, const TLanguage* lang) const;
    TLanguageItem* GetItemByWordIndex(int wordIndex, const TLanguage* lang) const;
    TLanguageItem* GetItem(int index) const;
    int IndexOfItem(const TLanguageItem* item) const;
    // The column's word list (code-page bytes); raises for an unknown lang.
    const TOneLangList& GetWordList(const TLanguage* lang) const;

    // ---- editing ------------------------------------------------------------
    // Takes lang over unless a column of its name exists (then lang stays with
    // the caller and the result is null).
    TLanguage* AddLanguage(std::unique_ptr<TLanguage>& lang);
    TLanguage* InsertLanguage(int index, std::unique_ptr<TLanguage>& lang);
    void DeleteLanguage(const TLanguage* lang);
    TLanguageItem* AddItem(const TLanguageWord& row);
    void DeleteItem(int index);
    void DeleteItemByWordIndex(int wordIndex, const TLanguage* lang);
    void DeleteItemsByWord(std::string_view word, const TLanguage* lang);
    void ReplaceItem(int index, const TLanguageWord& row);
    void ReplaceItemByWordIndex(int wordIndex, const TLanguage* lang, const TLanguageWord& row);
    void ReplaceItemsByWord(std::string_view word, const TLanguage* lang, const TLanguageWord& row);
    void ClearItems();
    void Clear();

    // Renames lang after attributes and takes over their prefix, caption,
    // visibility, remark flag, reserved flag and picture; its words stay.
    void ChangeLanguage(TLanguage* lang, const TLanguage& attributes);
    // Swaps two columns: their languages, word lists and every item's entries.
    void ExchangeLanguages(int a, int b);

    // Remark columns hold comments on an item rather than a translation.
    // The item's remark words become row's (an empty entry removes one); a
    // row without any remark word raises ELangException.
    void UpdateRemarks(int index, const TLanguageWord& row);
    void DeleteRemarks(int index);
    void DeleteRemarksByWordIndex(int wordIndex, const TLanguage* lang);

    // The first word that begins with text, letter case ignored; -1 when
    // none does. byItem: the result is the owning item's position in the
    // items, else the word's position in lang's list. allLanguages: every
    // column is searched (byItem) or every word of the item is tested; else
    // only keyLang's words are.
    int SearchWord(std::string_view text, bool byItem, bool allLanguages, const TLanguage* lang,
                   const TLanguage* keyLang) const;
    // Per language column, runs of adjacent equal words: a header line with
    // the column's caption, then "  word:count" per run.
    void ListDuplicateWords(std::vector<std::string>& lines) const;

    // Words go into their lists at their sorted places (the default) or at the
    // end. Switching to sorted sorts every list, letter case ignored, and
    // keeps each word with its item.
    bool SortedMode() const { return sorted_; }
    void SetSortedMode(bool sorted);
    // The sort's exchange step: swaps two words of one of this dictionary's
    // lists and moves their items' entries along. Raises u3::Exception
    // "Language not found" for a list that is not one of this dictionary's.
    void ExchangeLangWords(const TOneLangList& list, int a, int b);

    // One more use of the item in the "STATISTICS" column: its word there
    // becomes the count plus one ("1" when it had none). Nothing without
    // such a column or for an index past the end; a word there that is no
    // number raises u3::EConvertError.
    virtual void IncStatistics(int itemIndex);
    void IncStatistics(TLanguageItem* item);
    // Unique to this dictionary object in this run.
    uint64_t Serial() const { return serial_; }
    // Raised whenever items are removed: an item pointer taken earlier is
    // still valid while the epoch stands.
    uint64_t ItemsEpoch() const { return itemsEpoch_; }

    // ---- translation ----------------------------------------------------------
    // Parent and component only feed the trace file; either may be null.
    virtual void TranslateWord(const TTraceSource* parent, const TTraceSource* component, const std::string& word,
                               TStatusTranslate& status, const TLanguage* source, const TLanguage* target,
                               std::string& result);

    // ---- dictionary file (DictionaryFile.cpp) ---------------------------------
    void SaveToStream(std::string& out) const;
    void SaveToStreamWide(std::string& out) const;
    void LoadFromStream(std::string_view data);
    void LoadFromStreamFull(std::string_view data);
    void LoadLanguagesFromStream(std::string_view data, int count, const std::vector<std::string>& names);
    void LoadLanguageNumbersFromStream(std::string_view data, int count, const std::vector<int>& numbers);
    bool SaveToFile(const std::string& fileName);
    bool SaveToFileWide(const std::string& fileName);
    bool LoadFromFile(const std::string& fileName);
    bool LoadFromFileFull(const std::string& fileName);
    bool LoadLanguagesFromFile(const std::string& fileName, int count, const std::vector<std::string>& names);
    bool LoadLanguageNumbersFromFile(const std::string& fileName, int count, const std::vector<int>& numbers);

    // ---- exchange with text files and workbooks ---------------------------------
    // Text: blocks of "prefix>word" lines in the code page, separated by empty
    // lines. Failures are shown in an error box and end the operation; what
    // an import added stays.
    void ExportToText(const std::string& fileName);
    void ExportLanguageToText(const std::string& fileName, const TLanguage* lang);
    void ImportFromText(const std::string& fileName);
    // Workbook (.xlsx): row 1 names the languages, each further row is an item.
    // A failed export is shown in an error box; a failed import ends silently.
    void ExportToExcel(const std::string& fileName);
    void ImportFromExcel(const std::string& fileName);
    // Export format 2: workbook, 3: wide dictionary file, else text.
    void ExportToFile(const std::string& fileName, int format);
    // Import format 1 or 2: text, 3: workbook, else nothing.
    void ImportFromFile(const std::string& fileName, int format);

private:
    friend class TLanguageItem;
    friend class DictionaryReader;

    int ColumnOf(const TLanguage* lang) const;
    int RequireColumn(const TLanguage* lang, bool byCaption) const;
    TLanguage* PlaceLanguage(int index, std::unique_ptr<TLanguage>& lang);
    void Renumber();
    void RemoveItemAt(size_t index);
    // Takes item's word out of a column (its followers move up), or puts a
    // word in for it at its sorted place or at the end.
    void RemoveWordOf(TLanguageItem* item, size_t column);
    void InsertWordFor(TLanguageItem* item, size_t column, std::string bytes);
    void RemoveRemarksOf(TLanguageItem* item);
    // Translation index of one column: the words' bytes in one block, a hash
    // table whose slots hold the word's place in that block and its owner's
    // row, and per item row the place of the item's word. A translation then
    // reads a slot, the source word, one row entry and the target word, all
    // from flat arrays, instead of following the item and its lists. It is
    // rebuilt on first use after the column, its owners or the items change.
    struct WordRef {
        uint32_t offset;
        uint32_t length;
    };
    struct LookupSlot {
        uint32_t hash;
        uint32_t offset;
        uint32_t length;
        int32_t row; // owner's position in the items, -1 when unowned, EmptyRow for a free slot
    };
    static constexpr int32_t EmptyRow = INT32_MIN;
    static constexpr uint32_t NoWord = UINT32_MAX;
    struct ColumnLookup {
        const TOneLangList* list = nullptr;
        uint64_t generation = 0;
        uint64_t itemsEpoch = 0;
        uint64_t layout = 0;
        bool usable = false; // false when the column's bytes outgrow 32-bit offsets
        std::string arena;
        std::vector<LookupSlot> table;
        std::vector<WordRef> byRow;
    };
    const ColumnLookup& LookupFor(int column) const;
    void BuildLookup(int column, ColumnLookup& lookup) const;
    void LayoutChanged() { ++layout_; }
    void TraceMissing(const TTraceSource* parent, const TTraceSource* component, int sourceColumn,
                      const std::string& bytes);
    void WriteTrace(const TTraceSource* parent, const TTraceSource* component, const std::string& word);
    template <class Reader> bool LoadFile(const std::string& fileName, Reader read);
    bool SaveFile(const std::string& fileName, bool wide);
    void WriteTextExport(const std::string& fileName, const std::string& bytes);
    void ImportTextLines(const std::string& bytes);
    void ExportWorkbook(const std::string& fileName);
    void ImportWorkbook(const std::string& fileName);

    TLanguageList languages_;
    std::vector<std::unique_ptr<TOneLangList>> wordLists_;
    std::vector<std::unique_ptr<TLanguageItem>> items_;
    int languageCounter_ = 0;
    bool sorted_ = true;
    uint64_t serial_;
    uint64_t itemsEpoch_ = 0;
    uint64_t layout_ = 0;
    mutable std::vector<ColumnLookup> lookups_;
};

// Finds a dictionary file: the name as given when it has a folder part and
// exists, else the program's folder with its file name, else the current folder.
bool LocateDictionaryFile(std::string& fileName);

} // namespace e3
