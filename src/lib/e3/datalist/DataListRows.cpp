#include "e3/datalist/DataListRows.h"

#include <limits>

namespace e3 {

namespace {

constexpr std::string_view kCellEnd = ">|<";
constexpr std::string_view kLineBreak = "<|>";
constexpr std::string_view kPartSeparator = "^^";
constexpr size_t kMaxParts = 5;

bool IsBlank(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) > ' ')
            return false;
    return true;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (;;) {
        const size_t hit = text.find(from, pos);
        if (hit == std::string_view::npos)
            break;
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

// The parts of a cell, at most five; a last part of blanks only is absent.
std::vector<std::string_view> CellParts(std::string_view cell)
{
    std::vector<std::string_view> parts;
    size_t pos = 0;
    for (;;) {
        const size_t hit = cell.find(kPartSeparator, pos);
        if (hit == std::string_view::npos) {
            parts.push_back(cell.substr(pos));
            break;
        }
        parts.push_back(cell.substr(pos, hit - pos));
        pos = hit + kPartSeparator.size();
    }
    const bool lastIsBlank = IsBlank(parts.back());
    const bool lastIsKept = parts.size() <= kMaxParts;
    if (parts.size() > kMaxParts)
        parts.resize(kMaxParts);
    if (lastIsBlank && lastIsKept)
        parts.pop_back();
    return parts;
}

int32_t SpanOf(std::string_view part)
{
    int32_t span = 0;
    return ReadDataListInteger(part, span) && span > 0 ? span : 1;
}

} // namespace

bool ReadDataListInteger(std::string_view text, int32_t& value)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size())
        return false;
    if (text[i] == '$') {
        ++i;
        if (i >= text.size())
            return false;
        uint64_t bits = 0;
        for (; i < text.size(); ++i) {
            const int d = HexDigit(text[i]);
            if (d < 0)
                return false;
            bits = bits * 16 + static_cast<uint64_t>(d);
            if (bits > std::numeric_limits<uint32_t>::max())
                return false;
        }
        const auto pattern = static_cast<uint32_t>(negative ? 0u - static_cast<uint32_t>(bits) : bits);
        value = static_cast<int32_t>(pattern);
        return true;
    }
    int64_t magnitude = 0;
    const int64_t limit = negative ? -int64_t {std::numeric_limits<int32_t>::min()} : std::numeric_limits<int32_t>::max();
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit)
            return false;
    }
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

void ParseDataListCell(std::string_view cell, TDLCellParts& parts)
{
    const std::vector<std::string_view> pieces = CellParts(cell);
    for (size_t n = 0; n < pieces.size(); ++n) {
        const std::string_view piece = pieces[n];
        switch (n) {
        case 0:
            parts.text.assign(piece);
            break;
        case 1:
            parts.span = SpanOf(piece);
            break;
        case 2:
            if (!ReadDataListInteger(piece, parts.fontColor))
                parts.fontColor = -1;
            break;
        case 3:
            if (!ReadDataListInteger(piece, parts.brushColor))
                parts.brushColor = -1;
            break;
        default:
            parts.extra.assign(piece);
            break;
        }
    }
}

int32_t DataListCellSpan(std::string_view cell)
{
    const size_t first = cell.find(kPartSeparator);
    if (first == std::string_view::npos)
        return 1;
    const std::string_view rest = cell.substr(first + kPartSeparator.size());
    const size_t second = rest.find(kPartSeparator);
    const std::string_view part = rest.substr(0, second);
    // A blank span that ends the cell is absent, which reads 1 as well.
    return SpanOf(part);
}

std::vector<std::vector<std::string>> ParseDeliveredRows(std::string_view text, int32_t colCount)
{
    std::vector<std::vector<std::string>> rows;
    if (colCount < 1)
        return rows;
    const std::string lines = ReplaceAll(text, kLineBreak, "\r\n");
    std::vector<std::string> row;
    row.reserve(static_cast<size_t>(colCount));
    size_t pos = 0;
    for (;;) {
        const size_t end = lines.find(kCellEnd, pos);
        if (end == std::string::npos)
            break;
        row.emplace_back(lines, pos, end - pos);
        pos = end + kCellEnd.size();
        if (row.size() == static_cast<size_t>(colCount)) {
            rows.push_back(std::move(row));
            row = {};
            row.reserve(static_cast<size_t>(colCount));
        }
    }
    return rows;
}

TDLCellRef FindCoveringCell(const TDLRow& row, int32_t col)
{
    int64_t total = 0;
    for (const std::string& cell : row) {
        const int32_t span = DataListCellSpan(cell);
        total += span;
        if (col < total)
            return {true, cell, static_cast<int32_t>(total - span)};
    }
    return {};
}

const TDLRow* TDLRowCache::Find(int32_t row) const
{
    auto it = rows_.find(row);
    return it == rows_.end() ? nullptr : &it->second;
}

void TDLRowCache::Store(int32_t row, TDLRow cells)
{
    rows_.insert_or_assign(row, std::move(cells));
}

void TDLRowCache::Drop(int32_t first, int32_t count)
{
    if (count == -1) {
        rows_.clear();
        return;
    }
    if (count < 1)
        return;
    const int64_t last = int64_t {first} + count - 1;
    // Walk whichever is shorter: the named range or the cache.
    if (static_cast<uint64_t>(count) <= rows_.size()) {
        for (int64_t r = first; r <= last; ++r)
            rows_.erase(static_cast<int32_t>(r));
        return;
    }
    std::erase_if(rows_, [first, last](const auto& entry) { return entry.first >= first && entry.first <= last; });
}

std::vector<TDLRowRun> MissingRowRuns(const TDLRowCache& cache, int32_t begin, int32_t count)
{
    std::vector<TDLRowRun> runs;
    int32_t runStart = -1;
    for (int32_t k = 0; k < count; ++k) {
        const bool cached = cache.IsCached(begin + k);
        if (!cached && runStart < 0)
            runStart = k;
        if (cached && runStart >= 0) {
            runs.push_back({begin + runStart, k - runStart});
            runStart = -1;
        }
    }
    if (runStart >= 0)
        runs.push_back({begin + runStart, count - runStart});
    return runs;
}

TDLRowRun RowsToPaint(const TDLGridView& view)
{
    int32_t first = 0;
    int32_t extra = 0;
    if (view.topRow == view.fixedRows) {
        extra = view.fixedRows;
    } else {
        first = view.topRow;
        if (view.titleVisible && view.topRow > 0)
            --first;
    }
    if (int64_t {view.visibleRows} + first + extra <= int64_t {view.rowCount} - 1)
        ++extra;
    return {first, view.visibleRows + extra};
}

std::optional<TDLRowRun> ParseRefreshData(const std::string& value)
{
    if (value.empty())
        return std::nullopt;
    const size_t sep = value.find(kLineBreak);
    const std::string_view text = value;
    const std::string_view firstField = text.substr(0, sep);
    int32_t first = 0;
    if (!ReadDataListInteger(firstField, first))
        first = 0;
    int32_t count = -1;
    if (sep != std::string::npos) {
        std::string_view countField = text.substr(sep + kLineBreak.size());
        countField = countField.substr(0, countField.find(kLineBreak));
        if (!ReadDataListInteger(countField, count))
            count = -1;
    }
    return TDLRowRun {first, count};
}

TDLSortState ParseSortColType(const std::string& value)
{
    if (value.size() < 2 || (value[1] != 'A' && value[1] != 'D'))
        return {};
    const char digit = value[0];
    return {digit >= '0' && digit <= '9' ? digit - '0' : 0, value[1]};
}

} // namespace e3
