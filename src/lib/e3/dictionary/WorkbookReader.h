#pragma once
// Reads the cell texts of the first worksheet of an .xlsx workbook. Workbooks
// come from anywhere: archive entries are found by name only (never written
// anywhere), relationship targets that climb out of the archive are refused,
// and file, entry and cell counts are bounded.
#include <map>
#include <string>
#include <string_view>

namespace e3 {

struct WorkbookSheet {
    // The extent of the used cells, counted from A1.
    int RowCount = 0;
    int ColumnCount = 0;
    // Row (from 1) to column (from 1) to the cell's text in UTF-8.
    std::map<int, std::map<int, std::string>> Rows;

    std::string Cell(int row, int column) const;
};

inline constexpr size_t MaxWorkbookFileSize = 64u << 20;
inline constexpr size_t MaxWorkbookEntrySize = 128u << 20;
inline constexpr size_t MaxWorkbookCells = 4u << 20;

// Throw ELangException when the bytes are not a readable workbook.
WorkbookSheet ReadFirstWorksheet(std::string_view zipBytes);
WorkbookSheet ReadFirstWorksheetFromFile(const std::string& path);

} // namespace e3
