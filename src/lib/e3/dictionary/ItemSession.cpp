#include "e3/dictionary/ItemSession.h"

#include "e3/dictionary/DictCodePage.h"
#include "u3/Files.h"
#include "u3/StrLib.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace e3 {

std::string CurrentPropertyName;

namespace {

struct TraceState {
    std::vector<std::string> lines;
    std::unordered_set<std::string> seen;
};

TraceState& Trace()
{
    static TraceState state;
    return state;
}

uint32_t HashOfWord(std::string_view word)
{
    const uint64_t h = std::hash<std::string_view>()(word);
    return static_cast<uint32_t>(h ^ (h >> 32));
}

// Whether the whole text is a 32-bit integer as the runtime's text-to-number
// conversion reads one: leading blanks, a sign, then decimal digits or hex
// digits after "$", "x", "X", "0x" or "0X".
bool IsInteger32(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= s.size())
        return false;
    uint64_t value = 0;
    for (; i < s.size(); ++i) {
        const int d = hex ? u3::HexDigitValue(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
        if (d < 0)
            return false;
        value = value * (hex ? 16 : 10) + static_cast<uint64_t>(d);
        if (value > 0xFFFFFFFFull)
            return false;
    }
    if (hex)
        return true;
    return negative ? value <= 0x80000000ull : value <= 0x7FFFFFFFull;
}

} // namespace

const std::vector<std::string>& DebugLines()
{
    return Trace().lines;
}

bool DebugLinesHold(const std::string& line)
{
    return Trace().seen.count(line) != 0;
}

void AddDebugLine(const std::string& line)
{
    Trace().seen.insert(line);
    Trace().lines.push_back(line);
}

void AppendDebugLog(const std::string& text) noexcept
{
    try {
        const std::string path = u3::LogFilePath(DebugLogFileName);
        if (std::FILE* f = std::fopen(path.c_str(), "ab")) {
            std::fwrite(text.data(), 1, text.size(), f);
            std::fclose(f);
        }
    } catch (...) {
    }
}

// ---- TLanguage, TLanguageList ---------------------------------------------------

void TLanguage::Assign(const TLanguage& source)
{
    if (&source == this)
        return;
    Name = source.Name;
    Prefix = source.Prefix;
    Caption = source.Caption;
    Visible = source.Visible;
    IsRemark = source.IsRemark;
    Index = source.Index;
    VisibleNumber = source.VisibleNumber;
    Picture = source.Picture;
}

int TLanguageList::IndexOf(std::string_view name) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (u3::SameText(items_[i]->Name, name))
            return static_cast<int>(i);
    return -1;
}

TLanguage* TLanguageList::FindLanguage(std::string_view name) const
{
    const int i = IndexOf(name);
    return i < 0 ? nullptr : items_[static_cast<size_t>(i)].get();
}

// ---- TLanguageItem ----------------------------------------------------------------

std::string TLanguageItem::GetWordByIndex(int column) const
{
    if (column < 0 || column >= static_cast<int>(Indexes.size()) || !owner_)
        return {};
    const int position = Indexes[static_cast<size_t>(column)];
    const auto& list = *owner_->wordLists_[static_cast<size_t>(column)];
    if (position < 0 || position >= list.Count())
        return {};
    return CodePageToUtf8(list.GetWord(position));
}

std::string TLanguageItem::GetWord(const TLanguage* lang) const
{
    return owner_ ? GetWordByIndex(owner_->ColumnOf(lang)) : std::string();
}

int TLanguageItem::GetWordIndex(const TLanguage* lang) const
{
    const int column = owner_ ? owner_->ColumnOf(lang) : -1;
    return column < 0 || column >= static_cast<int>(Indexes.size()) ? -1 : Indexes[static_cast<size_t>(column)];
}

void TLanguageItem::SetWordIndex(const TLanguage* lang, int position)
{
    const int column = owner_ ? owner_->ColumnOf(lang) : -1;
    if (column >= 0 && column < static_cast<int>(Indexes.size())) {
        // The word this item leaves no longer names it as its owner: the item
        // may be freed later, and the word must not keep pointing at it.
        const int old = Indexes[static_cast<size_t>(column)];
        if (old != position)
            if (TOneLangList* list = static_cast<size_t>(column) < owner_->wordLists_.size() ? owner_->wordLists_[static_cast<size_t>(column)].get() : nullptr; list && old >= 0 && old < list->Count()
                && list->GetObject(old) == this)
                list->SetObject(old, nullptr);
        Indexes[static_cast<size_t>(column)] = position;
        owner_->LayoutChanged();
    }
}

// ---- TOneLangList -------------------------------------------------------------------

const std::string& TOneLangList::GetWord(int index) const
{
    if (index < 0 || index >= Count())
        throw ELangException("Element with index \"" + std::to_string(index) + "\" not found.");
    return entries_[static_cast<size_t>(index)].word;
}

uint32_t TOneLangList::HashOf(std::string_view word)
{
    return HashOfWord(word);
}

void TOneLangList::IndexPosition(int position) const
{
    const std::string& word = entries_[static_cast<size_t>(position)].word;
    const uint32_t h = HashOf(word);
    const size_t mask = slots_.size() - 1;
    for (size_t i = h & mask;; i = (i + 1) & mask) {
        Slot& slot = slots_[i];
        if (slot.position < 0) {
            slot = Slot{h, position};
            return;
        }
        if (slot.hash == h && entries_[static_cast<size_t>(slot.position)].word == word)
            return;
    }
}

void TOneLangList::BuildIndex() const
{
    // At most three quarters full: small enough to stay in few pages, sparse
    // enough for short probes.
    size_t capacity = 16;
    while (3 * capacity < 4 * (entries_.size() + 1))
        capacity *= 2;
    slots_.assign(capacity, Slot{0, -1});
    // Ascending positions: the first of equal words keeps its slot.
    for (size_t i = 0; i < entries_.size(); ++i)
        IndexPosition(static_cast<int>(i));
    indexValid_ = true;
}

int TOneLangList::IndexOf(std::string_view word) const
{
    if (!indexValid_)
        BuildIndex();
    const uint32_t h = HashOf(word);
    const size_t mask = slots_.size() - 1;
    for (size_t i = h & mask;; i = (i + 1) & mask) {
        const Slot slot = slots_[i];
        if (slot.position < 0)
            return -1;
        if (slot.hash == h && std::string_view(entries_[static_cast<size_t>(slot.position)].word) == word)
            return slot.position;
    }
}

bool TOneLangList::Find(std::string_view word, int& index) const
{
    auto it = std::lower_bound(entries_.begin(), entries_.end(), word,
                               [](const Entry& e, std::string_view w) { return std::string_view(e.word) < w; });
    index = static_cast<int>(it - entries_.begin());
    return it != entries_.end() && it->word == word;
}

int TOneLangList::AddObject(std::string word, TLanguageItem* item)
{
    int index = 0;
    Find(word, index);
    Insert(index, std::move(word), item);
    return index;
}

void TOneLangList::Append(std::string word, TLanguageItem* item)
{
    entries_.push_back(Entry{std::move(word), item});
    ++generation_;
    if (!indexValid_)
        return;
    if (4 * entries_.size() > 3 * slots_.size())
        BuildIndex();
    else
        IndexPosition(Count() - 1);
}

void TOneLangList::Insert(int index, std::string word, TLanguageItem* item)
{
    entries_.insert(entries_.begin() + index, Entry{std::move(word), item});
    Changed();
}

void TOneLangList::Delete(int index)
{
    GetWord(index);
    entries_.erase(entries_.begin() + index);
    Changed();
}

void TOneLangList::Clear()
{
    entries_.clear();
    slots_.clear();
    Changed();
}

// ---- TItemSession -----------------------------------------------------------------------

namespace {
uint64_t nextSerial = 0;
}

TItemSession::TItemSession() : DebugMode(u3::ParamPresent("-MLDEBUG")), serial_(++nextSerial) {}

TItemSession::~TItemSession() = default;

int TItemSession::ColumnOf(const TLanguage* lang) const
{
    if (!lang)
        return -1;
    const int index = lang->Index;
    if (index >= 0 && index < languages_.Count() && languages_[index] == lang)
        return index;
    return languages_.IndexOf(lang->Name);
}

int TItemSession::RequireColumn(const TLanguage* lang, bool byCaption) const
{
    const int column = ColumnOf(lang);
    if (column < 0) {
        const std::string name = lang ? (byCaption ? lang->Caption : lang->Name) : std::string();
        throw ELangException("Language \"" + name + "\" is not registered.");
    }
    return column;
}

const TOneLangList& TItemSession::GetWordList(const TLanguage* lang) const
{
    return *wordLists_[static_cast<size_t>(RequireColumn(lang, false))];
}

std::string TItemSession::GetWord(int index, const TLanguage* lang) const
{
    return CodePageToUtf8(GetWordList(lang).GetWord(index));
}

std::string TItemSession::GetItemWord(int itemIndex, const TLanguage* lang) const
{
    const int column = RequireColumn(lang, false);
    const TLanguageItem* item = GetItem(itemIndex);
    return item ? item->GetWordByIndex(column) : std::string();
}

int TItemSession::GetWordCount(const TLanguage* lang) const
{
    return GetWordList(lang).Count();
}

int TItemSession::IndexOfWord(std::string_view word, const TLanguage* lang) const
{
    const int column = ColumnOf(lang);
    if (column < 0)
        return -1;
    return wordLists_[static_cast<size_t>(column)]->IndexOf(Utf8ToCodePage(word));
}

TLanguageItem* TItemSession::FindItem(std::string_view word, const TLanguage* lang) const
{
    const int column = RequireColumn(lang, true);
    const auto& list = *wordLists_[static_cast<size_t>(column)];
    const int position = list.IndexOf(Utf8ToCodePage(word));
    return position < 0 ? nullptr : list.GetObject(position);
}

TLanguageItem* TItemSession::GetItemByWordIndex(int wordIndex, const TLanguage* lang) const
{
    const auto& list = *wordLists_[static_cast<size_t>(RequireColumn(lang, false))];
    return wordIndex < 0 || wordIndex >= list.Count() ? nullptr : list.GetObject(wordIndex);
}

TLanguageItem* TItemSession::GetItem(int index) const
{
    return index < 0 || index >= GetItemCount() ? nullptr : items_[static_cast<size_t>(index)].get();
}

int TItemSession::IndexOfItem(const TLanguageItem* item) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == item)
            return static_cast<int>(i);
    return -1;
}

void TItemSession::Renumber()
{
    int visible = 0, visibleRemarks = 0;
    for (int i = 0; i < languages_.Count(); ++i) {
        TLanguage* lang = languages_[i];
        lang->Index = i;
        if (!lang->Visible)
            lang->VisibleNumber = -1;
        else
            lang->VisibleNumber = lang->IsRemark ? visibleRemarks++ : visible++;
    }
}

TLanguage* TItemSession::PlaceLanguage(int index, std::unique_ptr<TLanguage>& lang)
{
    if (!lang || languages_.Exists(lang->Name) || index < 0 || index > languages_.Count())
        return nullptr;
    TLanguage* placed = lang.get();
    languages_.items_.insert(languages_.items_.begin() + index, std::move(lang));
    wordLists_.insert(wordLists_.begin() + index, std::make_unique<TOneLangList>());
    for (auto& item : items_)
        item->Indexes.insert(item->Indexes.begin() + index, -1);
    Modified = true;
    ++languageCounter_;
    Renumber();
    LayoutChanged();
    return placed;
}

TLanguage* TItemSession::AddLanguage(std::unique_ptr<TLanguage>& lang)
{
    return PlaceLanguage(languages_.Count(), lang);
}

TLanguage* TItemSession::InsertLanguage(int index, std::unique_ptr<TLanguage>& lang)
{
    return PlaceLanguage(index, lang);
}

void TItemSession::DeleteLanguage(const TLanguage* lang)
{
    const size_t column = static_cast<size_t>(RequireColumn(lang, true));
    std::vector<std::unique_ptr<TLanguageItem>> kept;
    kept.reserve(items_.size());
    for (auto& item : items_) {
        item->Indexes.erase(item->Indexes.begin() + static_cast<std::ptrdiff_t>(column));
        const bool hasWord =
            std::any_of(item->Indexes.begin(), item->Indexes.end(), [](int position) { return position >= 0; });
        if (hasWord)
            kept.push_back(std::move(item));
    }
    if (kept.size() != items_.size())
        ++itemsEpoch_;
    items_ = std::move(kept);
    // Items that lost their last word are gone; their words in other columns
    // cannot exist, so the other word lists keep their positions.
    wordLists_.erase(wordLists_.begin() + static_cast<std::ptrdiff_t>(column));
    languages_.items_.erase(languages_.items_.begin() + static_cast<std::ptrdiff_t>(column));
    --languageCounter_;
    Modified = true;
    Renumber();
    LayoutChanged();
}

TLanguageItem* TItemSession::AddItem(const TLanguageWord& row)
{
    if (std::all_of(row.Words.begin(), row.Words.end(), [](const std::string& w) { return w.empty(); }))
        return nullptr;
    if (row.Count() != languages_.Count())
        throw ELangException("Word not found. Operation aborted.");
    auto item = std::make_unique<TLanguageItem>(this);
    item->InitIndexes(languages_.Count());
    for (int column = 0; column < row.Count(); ++column) {
        const std::string& word = row.Words[static_cast<size_t>(column)];
        if (word.empty())
            continue;
        auto& list = *wordLists_[static_cast<size_t>(column)];
        std::string bytes = Utf8ToCodePage(word);
        if (sorted_) {
            int position = 0;
            list.Find(bytes, position);
            // Every word behind the new one moves up by one place; its owner follows.
            for (int i = position; i < list.Count(); ++i)
                if (TLanguageItem* other = list.GetObject(i))
                    ++other->Indexes[static_cast<size_t>(column)];
            list.Insert(position, std::move(bytes), item.get());
            item->Indexes[static_cast<size_t>(column)] = position;
        } else {
            list.Append(std::move(bytes), item.get());
            item->Indexes[static_cast<size_t>(column)] = list.Count() - 1;
        }
    }
    items_.push_back(std::move(item));
    Modified = true;
    return items_.back().get();
}

void TItemSession::RemoveItemAt(size_t index)
{
    TLanguageItem* item = items_[index].get();
    for (size_t column = 0; column < item->Indexes.size() && column < wordLists_.size(); ++column) {
        const int position = item->Indexes[column];
        auto& list = *wordLists_[column];
        if (position < 0 || position >= list.Count() || list.GetObject(position) != item)
            continue;
        for (int i = position + 1; i < list.Count(); ++i)
            if (TLanguageItem* other = list.GetObject(i))
                --other->Indexes[column];
        list.Delete(position);
    }
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    ++itemsEpoch_;
    Modified = true;
}

void TItemSession::DeleteItem(int index)
{
    if (index >= 0 && index < GetItemCount())
        RemoveItemAt(static_cast<size_t>(index));
}

void TItemSession::DeleteItemByWordIndex(int wordIndex, const TLanguage* lang)
{
    RequireColumn(lang, true);
    const int index = IndexOfItem(GetItemByWordIndex(wordIndex, lang));
    if (index >= 0)
        RemoveItemAt(static_cast<size_t>(index));
}

void TItemSession::DeleteItemsByWord(std::string_view word, const TLanguage* lang)
{
    const int column = RequireColumn(lang, false);
    const std::string bytes = Utf8ToCodePage(word);
    auto& list = *wordLists_[static_cast<size_t>(column)];
    int position = 0;
    while (list.Find(bytes, position)) {
        const int index = IndexOfItem(list.GetObject(position));
        if (index < 0)
            break; // a word no item claims cannot be deleted through an item
        RemoveItemAt(static_cast<size_t>(index));
    }
}

void TItemSession::ReplaceItem(int index, const TLanguageWord& row)
{
    DeleteItem(index);
    AddItem(row);
}

void TItemSession::ReplaceItemByWordIndex(int wordIndex, const TLanguage* lang, const TLanguageWord& row)
{
    DeleteItemByWordIndex(wordIndex, lang);
    AddItem(row);
}

void TItemSession::ReplaceItemsByWord(std::string_view word, const TLanguage* lang, const TLanguageWord& row)
{
    DeleteItemsByWord(word, lang);
    AddItem(row);
}

void TItemSession::ClearItems()
{
    ++itemsEpoch_;
    items_.clear();
    for (auto& list : wordLists_)
        list->Clear();
}

void TItemSession::Clear()
{
    ClearItems();
    wordLists_.clear();
    languages_.items_.clear();
    languageCounter_ = 0;
    LayoutChanged();
    lookups_.clear();
}

void TItemSession::IncStatistics(int itemIndex)
{
    IncStatistics(GetItem(itemIndex));
}

void TItemSession::IncStatistics(TLanguageItem* item)
{
    const int column = languages_.IndexOf("STATISTICS");
    if (!item || item->Owner() != this || column < 0)
        return;
    const size_t c = static_cast<size_t>(column);
    auto& list = *wordLists_[c];
    int64_t count = 0;
    const int old = item->Indexes[c];
    if (old >= 0 && old < list.Count()) {
        const std::string& word = list.GetWord(old);
        if (!u3::TryStrToInt64(word, count) || count < INT32_MIN || count > INT32_MAX)
            throw u3::EConvertError("'" + CodePageToUtf8(word) + "' is not a valid integer value");
        for (int i = old + 1; i < list.Count(); ++i)
            if (TLanguageItem* other = list.GetObject(i))
                --other->Indexes[c];
        list.Delete(old);
        item->Indexes[c] = -1;
    }
    std::string bytes = std::to_string(count + 1);
    if (sorted_) {
        int position = 0;
        list.Find(bytes, position);
        for (int i = position; i < list.Count(); ++i)
            if (TLanguageItem* other = list.GetObject(i))
                ++other->Indexes[c];
        list.Insert(position, std::move(bytes), item);
        item->Indexes[c] = position;
    } else {
        list.Append(std::move(bytes), item);
        item->Indexes[c] = list.Count() - 1;
    }
    Modified = true;
}

// ---- translation ------------------------------------------------------------------------

void TItemSession::TranslateWord(const TTraceSource* parent, const TTraceSource* component, const std::string& word,
                                 TStatusTranslate& status, const TLanguage* source, const TLanguage* target,
                                 std::string& result)
{
    status = TStatusTranslate::stNo;
    const int sourceColumn = RequireColumn(source, false);
    const int targetColumn = RequireColumn(target, false);
    result = word;
    if (IsInteger32(word))
        return;
    if (word.empty() || sourceColumn == targetColumn) {
        status = TStatusTranslate::stOk;
        return;
    }
    const std::string bytes = Utf8ToCodePage(word);
    const ColumnLookup& from = LookupFor(sourceColumn);
    const ColumnLookup& to = LookupFor(targetColumn);
    if (from.usable && to.usable) {
        const uint32_t h = HashOfWord(bytes);
        const size_t mask = from.table.size() - 1;
        int32_t row = -1;
        for (size_t i = h & mask;; i = (i + 1) & mask) {
            const LookupSlot& slot = from.table[i];
            if (slot.row == EmptyRow)
                break;
            if (slot.hash == h && slot.length == bytes.size() &&
                std::memcmp(from.arena.data() + slot.offset, bytes.data(), bytes.size()) == 0) {
                row = slot.row;
                break;
            }
        }
        // A word that no item claims (possible in files written elsewhere) is
        // as good as missing.
        if (row < 0) {
            TraceMissing(parent, component, sourceColumn, bytes);
            return;
        }
        const WordRef target =
            static_cast<size_t>(row) < to.byRow.size() ? to.byRow[static_cast<size_t>(row)] : WordRef{NoWord, 0};
        if (target.offset == NoWord)
            return;
        if (target.length == 0) {
            status = TStatusTranslate::stNo;
            return;
        }
        status = TStatusTranslate::stOk;
        result = CodePageToUtf8(std::string_view(to.arena.data() + target.offset, target.length));
        if (result.empty()) {
            result = word;
            status = TStatusTranslate::stNo;
        }
        return;
    }
    const auto& sourceList = *wordLists_[static_cast<size_t>(sourceColumn)];
    const int position = sourceList.IndexOf(bytes);
    TLanguageItem* item = position < 0 ? nullptr : sourceList.GetObject(position);
    if (!item) {
        TraceMissing(parent, component, sourceColumn, bytes);
        return;
    }
    const int targetPosition = item->Indexes[static_cast<size_t>(targetColumn)];
    const auto& targetList = *wordLists_[static_cast<size_t>(targetColumn)];
    if (targetPosition < 0 || targetPosition >= targetList.Count())
        return;
    status = TStatusTranslate::stOk;
    result = CodePageToUtf8(targetList.GetWord(targetPosition));
    if (result.empty()) {
        result = word;
        status = TStatusTranslate::stNo;
    }
}

void TItemSession::TraceMissing(const TTraceSource* parent, const TTraceSource* component, int sourceColumn,
                                const std::string& bytes)
{
    if (!DebugMode)
        return;
    const std::string prefix = Utf8ToCodePage(languages_[sourceColumn]->Prefix);
    if (!Trace().seen.count(prefix + ">" + bytes))
        WriteTrace(parent, component, bytes);
}

const TItemSession::ColumnLookup& TItemSession::LookupFor(int column) const
{
    const size_t c = static_cast<size_t>(column);
    if (lookups_.size() != wordLists_.size())
        lookups_.resize(wordLists_.size());
    ColumnLookup& lookup = lookups_[c];
    const TOneLangList* list = wordLists_[c].get();
    if (lookup.list != list || lookup.generation != list->Generation() || lookup.itemsEpoch != itemsEpoch_ ||
        lookup.layout != layout_)
        BuildLookup(column, lookup);
    return lookup;
}

void TItemSession::BuildLookup(int column, ColumnLookup& lookup) const
{
    const size_t c = static_cast<size_t>(column);
    const TOneLangList& list = *wordLists_[c];
    lookup.list = &list;
    lookup.generation = list.Generation();
    lookup.itemsEpoch = itemsEpoch_;
    lookup.layout = layout_;
    lookup.usable = false;
    lookup.arena.clear();
    lookup.table.clear();
    lookup.byRow.clear();

    const size_t count = static_cast<size_t>(list.Count());
    size_t bytes = 0;
    for (size_t p = 0; p < count; ++p)
        bytes += list.GetWord(static_cast<int>(p)).size();
    if (bytes >= NoWord || count >= static_cast<size_t>(INT32_MAX) || items_.size() >= static_cast<size_t>(INT32_MAX))
        return;

    std::vector<uint32_t> offsets(count);
    lookup.arena.reserve(bytes);
    for (size_t p = 0; p < count; ++p) {
        offsets[p] = static_cast<uint32_t>(lookup.arena.size());
        lookup.arena += list.GetWord(static_cast<int>(p));
    }

    // Rows follow the items' own positions, as a translation through the
    // items would; each position's owner gets the row that names it.
    std::vector<int32_t> ownerRow(count, -1);
    lookup.byRow.assign(items_.size(), WordRef{NoWord, 0});
    bool ownersFound = true;
    for (size_t r = 0; r < items_.size(); ++r) {
        const TLanguageItem& item = *items_[r];
        const int p = c < item.Indexes.size() ? item.Indexes[c] : -1;
        if (p < 0 || static_cast<size_t>(p) >= count)
            continue;
        lookup.byRow[r] = WordRef{offsets[static_cast<size_t>(p)],
                                  static_cast<uint32_t>(list.GetWord(p).size())};
        if (list.GetObject(p) == &item)
            ownerRow[static_cast<size_t>(p)] = static_cast<int32_t>(r);
    }
    for (size_t p = 0; p < count && ownersFound; ++p)
        ownersFound = !list.GetObject(static_cast<int>(p)) || ownerRow[p] >= 0;
    if (!ownersFound) {
        // Owners whose own entry points elsewhere: look their rows up by address.
        std::unordered_map<const TLanguageItem*, int32_t> rowOf;
        rowOf.reserve(items_.size());
        for (size_t r = 0; r < items_.size(); ++r)
            rowOf.emplace(items_[r].get(), static_cast<int32_t>(r));
        for (size_t p = 0; p < count; ++p)
            if (ownerRow[p] < 0)
                if (const TLanguageItem* owner = list.GetObject(static_cast<int>(p))) {
                    const auto it = rowOf.find(owner);
                    ownerRow[p] = it == rowOf.end() ? -1 : it->second;
                }
    }

    size_t capacity = 16;
    while (3 * capacity < 4 * (count + 1))
        capacity *= 2;
    lookup.table.assign(capacity, LookupSlot{0, 0, 0, EmptyRow});
    const size_t mask = capacity - 1;
    // Ascending positions: the first of equal words keeps its slot, owned or not.
    for (size_t p = 0; p < count; ++p) {
        const std::string& word = list.GetWord(static_cast<int>(p));
        const uint32_t h = HashOfWord(word);
        for (size_t i = h & mask;; i = (i + 1) & mask) {
            LookupSlot& slot = lookup.table[i];
            if (slot.row == EmptyRow) {
                slot = LookupSlot{h, offsets[p], static_cast<uint32_t>(word.size()), ownerRow[p]};
                break;
            }
            if (slot.hash == h && slot.length == word.size() &&
                std::memcmp(lookup.arena.data() + slot.offset, word.data(), word.size()) == 0)
                break;
        }
    }
    lookup.usable = true;
}

void TItemSession::WriteTrace(const TTraceSource* parent, const TTraceSource* component, const std::string& word)
{
    std::vector<std::string> block;
    for (int i = 0; i < languages_.Count(); ++i)
        block.push_back(Utf8ToCodePage(languages_[i]->Prefix) + ">" + word);
    block.push_back("-ParentObject:>" + (parent ? Utf8ToCodePage(parent->name) : std::string("Unknown")));
    block.push_back("-ClassObject:>" + (component ? Utf8ToCodePage(component->className) : std::string("Nil")));
    block.push_back("-ObjectName:>" + (component ? Utf8ToCodePage(component->name) : std::string("Nil")));
    block.push_back("-PropertyName:>" +
                    (CurrentPropertyName.empty() ? std::string("Unknown") : Utf8ToCodePage(CurrentPropertyName)));
    block.push_back("-Items:>Unknown");
    block.push_back(std::string());

    std::string text;
    for (const auto& line : block) {
        text += line;
        text += "\r\n";
        AddDebugLine(line);
    }
    AppendDebugLog(text);
}

} // namespace e3
