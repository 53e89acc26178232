#include "e3/dictionary/ItemSession.h"

#include "e3/dictionary/DictCodePage.h"
#include "u3/Files.h"
#include "u3/StrLib.h"

#include <algorithm>
#include <climits>

#include <QString>

namespace e3 {

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
    const uint64_t h = std::hash<std::string_view>()(word);
    return static_cast<uint32_t>(h ^ (h >> 32));
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

void TOneLangList::Exchange(int a, int b)
{
    GetWord(a);
    GetWord(b);
    if (a == b)
        return;
    std::swap(entries_[static_cast<size_t>(a)], entries_[static_cast<size_t>(b)]);
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
        RemoveWordOf(item, c);
    }
    InsertWordFor(item, c, std::to_string(count + 1));
    Modified = true;
}

// ---- words of one item ------------------------------------------------------------------

void TItemSession::RemoveWordOf(TLanguageItem* item, size_t column)
{
    auto& list = *wordLists_[column];
    const int position = item->Indexes[column];
    if (position < 0 || position >= list.Count())
        return;
    for (int i = position + 1; i < list.Count(); ++i)
        if (TLanguageItem* other = list.GetObject(i))
            --other->Indexes[column];
    list.Delete(position);
    item->Indexes[column] = -1;
    LayoutChanged();
}

void TItemSession::InsertWordFor(TLanguageItem* item, size_t column, std::string bytes)
{
    auto& list = *wordLists_[column];
    if (sorted_) {
        int position = 0;
        list.Find(bytes, position);
        for (int i = position; i < list.Count(); ++i)
            if (TLanguageItem* other = list.GetObject(i))
                ++other->Indexes[column];
        list.Insert(position, std::move(bytes), item);
        item->Indexes[column] = position;
    } else {
        list.Append(std::move(bytes), item);
        item->Indexes[column] = list.Count() - 1;
    }
    LayoutChanged();
}

void TItemSession::RemoveRemarksOf(TLanguageItem* item)
{
    if (!item)
        return;
    for (int column = 0; column < languages_.Count(); ++column)
        if (languages_[column]->IsRemark)
            RemoveWordOf(item, static_cast<size_t>(column));
    Modified = true;
}

void TItemSession::UpdateRemarks(int index, const TLanguageWord& row)
{
    bool hasRemark = false;
    for (int column = 0; column < languages_.Count() && column < row.Count(); ++column)
        hasRemark = hasRemark || (languages_[column]->IsRemark && !row.Words[static_cast<size_t>(column)].empty());
    if (!hasRemark)
        throw ELangException("Remark not found. Operation aborted.");
    TLanguageItem* item = GetItem(index);
    if (!item)
        return;
    for (int column = 0; column < languages_.Count(); ++column) {
        if (!languages_[column]->IsRemark)
            continue;
        const size_t c = static_cast<size_t>(column);
        RemoveWordOf(item, c);
        const std::string word = column < row.Count() ? row.Words[c] : std::string();
        if (!word.empty())
            InsertWordFor(item, c, Utf8ToCodePage(word));
    }
    Modified = true;
}

void TItemSession::DeleteRemarks(int index)
{
    RemoveRemarksOf(GetItem(index));
}

void TItemSession::DeleteRemarksByWordIndex(int wordIndex, const TLanguage* lang)
{
    if (ColumnOf(lang) < 0)
        throw ELangException("Remark \"" + (lang ? lang->Caption : std::string()) + "\" is not registered.");
    RemoveRemarksOf(GetItemByWordIndex(wordIndex, lang));
}

// ---- columns ----------------------------------------------------------------------------

void TItemSession::ChangeLanguage(TLanguage* lang, const TLanguage& attributes)
{
    RequireColumn(lang, true);
    if (lang != &attributes) {
        lang->Name = attributes.Name;
        lang->Prefix = attributes.Prefix;
        lang->Caption = attributes.Caption;
        lang->Visible = attributes.Visible;
        lang->IsRemark = attributes.IsRemark;
        lang->ReservedFlag = attributes.ReservedFlag;
        lang->Picture = attributes.Picture;
    }
    Modified = true;
    Renumber();
    LayoutChanged();
}

void TItemSession::ExchangeLanguages(int a, int b)
{
    for (int position : {a, b})
        if (position < 0 || position >= languages_.Count())
            throw ELangException("Language \"Number " + std::to_string(position) + "\" is not registered.");
    if (a == b)
        return;
    const auto ua = static_cast<size_t>(a), ub = static_cast<size_t>(b);
    std::swap(languages_.items_[ua], languages_.items_[ub]);
    std::swap(wordLists_[ua], wordLists_[ub]);
    for (auto& item : items_)
        if (ua < item->Indexes.size() && ub < item->Indexes.size())
            std::swap(item->Indexes[ua], item->Indexes[ub]);
    Modified = true;
    Renumber();
    LayoutChanged();
}

// ---- searching --------------------------------------------------------------------------

namespace {

bool BeginsWith(const std::string& bytes, const QString& text)
{
    return QString::fromStdString(CodePageToUtf8(bytes)).startsWith(text, Qt::CaseInsensitive);
}

} // namespace

int TItemSession::SearchWord(std::string_view text, bool byItem, bool allLanguages, const TLanguage* lang,
                             const TLanguage* keyLang) const
{
    const QString wanted = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const auto itemMatches = [&](const TLanguageItem* item, int onlyColumn) {
        if (!item)
            return false;
        for (size_t c = 0; c < item->Indexes.size() && c < wordLists_.size(); ++c) {
            if (onlyColumn >= 0 && c != static_cast<size_t>(onlyColumn))
                continue;
            const int position = item->Indexes[c];
            if (position >= 0 && position < wordLists_[c]->Count() && BeginsWith(wordLists_[c]->GetWord(position), wanted))
                return true;
        }
        return false;
    };
    if (byItem) {
        const int first = allLanguages ? 0 : RequireColumn(keyLang, false);
        const int last = allLanguages ? languages_.Count() - 1 : first;
        for (int column = first; column <= last; ++column) {
            const TOneLangList& list = *wordLists_[static_cast<size_t>(column)];
            for (int i = 0; i < list.Count(); ++i)
                if (BeginsWith(list.GetWord(i), wanted))
                    return IndexOfItem(list.GetObject(i));
        }
        return -1;
    }
    const TOneLangList& list = *wordLists_[static_cast<size_t>(RequireColumn(lang, false))];
    const int keyColumn = allLanguages ? -1 : RequireColumn(keyLang, false);
    for (int i = 0; i < list.Count(); ++i)
        if (itemMatches(list.GetObject(i), keyColumn))
            return i;
    return -1;
}

void TItemSession::ListDuplicateWords(std::vector<std::string>& lines) const
{
    for (int column = 0; column < languages_.Count(); ++column) {
        if (languages_[column]->IsRemark)
            continue;
        const TOneLangList& list = *wordLists_[static_cast<size_t>(column)];
        bool headed = false;
        for (int i = 0; i < list.Count();) {
            int end = i + 1;
            while (end < list.Count() && list.GetWord(end) == list.GetWord(i))
                ++end;
            if (end - i > 1) {
                if (!headed)
                    lines.push_back(languages_[column]->Caption);
                headed = true;
                lines.push_back("  " + CodePageToUtf8(list.GetWord(i)) + ":" + std::to_string(end - i));
            }
            i = end;
        }
    }
}

// ---- sorted mode ------------------------------------------------------------------------

void TItemSession::ExchangeLangWords(const TOneLangList& list, int a, int b)
{
    size_t column = 0;
    while (column < wordLists_.size() && wordLists_[column].get() != &list)
        ++column;
    if (column == wordLists_.size())
        throw u3::Exception("Language not found");
    TOneLangList& words = *wordLists_[column];
    TLanguageItem* itemA = words.GetObject(a);
    TLanguageItem* itemB = words.GetObject(b);
    words.Exchange(a, b);
    if (itemA && column < itemA->Indexes.size())
        itemA->Indexes[column] = b;
    if (itemB && column < itemB->Indexes.size())
        itemB->Indexes[column] = a;
    LayoutChanged();
}

void TItemSession::SetSortedMode(bool sorted)
{
    if (sorted == sorted_)
        return;
    sorted_ = sorted;
    if (!sorted)
        return;
    for (auto& owned : wordLists_) {
        const TOneLangList& list = *owned;
        const auto compare = [&](int i, int j) {
            return QString::localeAwareCompare(QString::fromStdString(CodePageToUtf8(list.GetWord(i))).toCaseFolded(),
                                               QString::fromStdString(CodePageToUtf8(list.GetWord(j))).toCaseFolded());
        };
        // Hoare's partition with the middle word as pivot, every move an
        // exchange of two words with their items.
        const auto sort = [&](auto& self, int low, int high) -> void {
            while (low < high) {
                int i = low, j = high;
                int pivot = (low + high) / 2;
                while (i <= j) {
                    while (compare(i, pivot) < 0)
                        ++i;
                    while (compare(j, pivot) > 0)
                        --j;
                    if (i <= j) {
                        ExchangeLangWords(list, i, j);
                        if (pivot == i)
                            pivot = j;
                        else if (pivot == j)
                            pivot = i;
                        ++i;
                        --j;
                    }
                }
                if (low < j)
                    self(self, low, j);
                low = i;
            }
        };
        sort(sort, 0, list.Count() - 1);
    }
    Modified = true;
}

} // namespace e3
