// Parses arbitrary delivered row text. The first byte picks the column count
// (0 to 7). Every row must carry exactly that many cells, no cell may hold a
// cell end, the covering cell must lie inside the row, and every cell must
// split into sane parts; the refresh and sort values must parse without harm.
#include "e3/datalist/DataListRows.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const int32_t cols = data[0] % 8;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    const auto rows = e3::ParseDeliveredRows(text, cols);
    Check(cols > 0 || rows.empty());
    e3::TDLRowCache cache;
    int32_t number = 0;
    for (const auto& row : rows) {
        Check(row.size() == static_cast<size_t>(cols));
        for (const std::string& cell : row) {
            Check(cell.find(">|<") == std::string::npos);
            e3::TDLCellParts parts;
            e3::ParseDataListCell(cell, parts);
            Check(parts.span >= 1);
            Check(parts.span == e3::DataListCellSpan(cell));
            Check(parts.text.size() <= cell.size() && parts.extra.size() <= cell.size());
        }
        for (int32_t col = 0; col <= cols; ++col) {
            const e3::TDLCellRef ref = e3::FindCoveringCell(row, col);
            Check(!ref.found || (ref.firstCol >= 0 && ref.firstCol <= col));
        }
        cache.Store(number++, row);
    }
    Check(cache.Count() == rows.size());
    Check(e3::MissingRowRuns(cache, 0, number).empty());

    const std::string value(text);
    if (const auto refresh = e3::ParseRefreshData(value))
        cache.Drop(refresh->begin, refresh->count);
    const e3::TDLSortState sort = e3::ParseSortColType(value);
    Check((sort.col == -1 && sort.direction == 'N') ||
          (sort.col >= 0 && sort.col <= 9 && (sort.direction == 'A' || sort.direction == 'D')));
    return 0;
}
