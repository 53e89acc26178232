// Translation through a dictionary and the trace of words it does not hold.
#include "e3/dictionary/ItemSession.h"

#include "e3/dictionary/DictCodePage.h"
#include "u3/Files.h"
#include "u3/StrLib.h"

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
        const uint32_t h = TOneLangList::HashOf(bytes);
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
        const uint32_t h = TOneLangList::HashOf(word);
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
