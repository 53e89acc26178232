#pragma once
// The rows of a data list as the engine delivers them, and the cache that
// keeps them. Plain C++: the engine's text is parsed and the cache is searched
// without any widget, so both can be tested, fuzzed and measured on their own.
//
// Delivered text: every cell ends with ">|<" (text after the last one is
// dropped), "<|>" inside a cell is a line break, and consecutive groups of as
// many cells as the grid has columns form the rows; an incomplete last group
// is dropped. A cell holds up to five parts separated by "^^": text, column
// span, font colour, background colour and an extra text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace e3 {

// The parts of one cell. ParseDataListCell leaves a part that the cell does not
// carry as the caller set it, so the caller puts its defaults here first.
struct TDLCellParts {
    std::string text;
    int32_t span = 1;
    int32_t fontColor = -1;
    int32_t brushColor = -1;
    std::string extra;
};

// Reads an integer the way the engine's numbers are read: optional leading
// blanks and sign, then decimal digits or "$" and hexadecimal digits (up to 32
// bits, read as their bit pattern), and nothing after them. False for anything
// else, an overflow included.
bool ReadDataListInteger(std::string_view text, int32_t& value);

// Splits one cell into its parts: a span that is no number, 0 or below is 1, a
// colour that is no number is -1, and a last part of blanks only counts as
// absent. Parts after the fifth are ignored.
void ParseDataListCell(std::string_view cell, TDLCellParts& parts);

// The span that a cell covers (its second part), 1 when absent or invalid.
int32_t DataListCellSpan(std::string_view cell);

// The rows that a delivered text carries, each as colCount cells, line breaks
// already made; an incomplete last row and text after the last cell are
// dropped. No rows for colCount below 1.
std::vector<std::vector<std::string>> ParseDeliveredRows(std::string_view text, int32_t colCount);

// One cached data row: its cells as delivered, split once on arrival.
using TDLRow = std::vector<std::string>;

// The cell that covers a column: its whole text (all parts) and its first
// column; found is false when no cell reaches that far.
struct TDLCellRef {
    bool found = false;
    std::string_view cell;
    int32_t firstCol = 0;
};
TDLCellRef FindCoveringCell(const TDLRow& row, int32_t col);

// The cached rows, keyed by data row (0 is the first row below the title). A
// delivered row replaces the one cached under its number and counts as cached
// even when all its cells are empty, so an empty row is asked for once.
class TDLRowCache {
public:
    bool IsCached(int32_t row) const { return rows_.find(row) != rows_.end(); }
    // The row, or nullptr when it is not cached.
    const TDLRow* Find(int32_t row) const;
    void Store(int32_t row, TDLRow cells);
    // Drops the rows first .. first + count - 1; a count of -1 drops them all,
    // any other count below 1 none.
    void Drop(int32_t first, int32_t count);
    void Clear() { rows_.clear(); }
    size_t Count() const { return rows_.size(); }

private:
    std::unordered_map<int32_t, TDLRow> rows_;
};

// A run of rows to fetch with one request.
struct TDLRowRun {
    int32_t begin = 0;
    int32_t count = 0;
    bool operator==(const TDLRowRun&) const = default;
};

// The maximal runs of rows in begin .. begin + count - 1 that the cache lacks,
// in ascending order.
std::vector<TDLRowRun> MissingRowRuns(const TDLRowCache& cache, int32_t begin, int32_t count);

// What a grid shows, in its own rows (the title row counted).
struct TDLGridView {
    int32_t topRow = 0;       // first scrolled row
    int32_t fixedRows = 0;    // 1 with a visible title, else 0
    bool titleVisible = false;
    int32_t visibleRows = 0;  // fully visible scrolled rows
    int32_t rowCount = 0;     // title included
};

// The data rows a paint of that view needs: the visible ones and the partly
// visible one below them when it exists.
TDLRowRun RowsToPaint(const TDLGridView& view);

// The rows that the engine's "_RefreshData" names: first and count, separated
// by "<|>"; a missing or invalid first is 0 and count -1 (all rows). Nothing
// for an empty value.
std::optional<TDLRowRun> ParseRefreshData(const std::string& value);

// The sort state that the engine's "_SortColType" names: a digit (any other
// character reads 0) and 'A' or 'D'; anything else clears the sort.
struct TDLSortState {
    int32_t col = -1;
    char direction = 'N';
    bool operator==(const TDLSortState&) const = default;
};
TDLSortState ParseSortColType(const std::string& value);

} // namespace e3
