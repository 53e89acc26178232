#pragma once
// What a data list needs of the grid it is attached to. The grid implements
// this and calls TDGDataListClient::AttachGrid / DetachGrid from its DataList
// setter; the data list never paints and never reaches the grid otherwise.
#include <cstdint>
#include <vector>

namespace fw {
class TComponent;
}

namespace e3 {

class IDataListGrid {
public:
    virtual fw::TComponent* GridComponent() = 0;
    virtual int32_t GridColCount() const = 0;
    // Rows as the grid counts them: the title row included when it shows.
    virtual int32_t GridRowCount() const = 0;
    virtual int32_t GridTopRow() const = 0;
    virtual int32_t GridFixedRows() const = 0;
    virtual int32_t GridVisibleRowCount() const = 0;
    virtual bool GridTitleVisible() const = 0;
    virtual std::vector<int32_t> GridColumnWidths() const = 0;
    // The grid column and grid row of the last mouse press, -1 each when none.
    virtual void GridLastPressCell(int32_t& col, int32_t& row) const = 0;
    // Schedules a repaint. Must not paint inside the call: the data list asks
    // for it while an engine reply is still being applied.
    virtual void GridRepaintLater() = 0;
    // The data list goes away (freed, or released by the engine): drop every
    // reference to it, the double-click and cell-painting hooks included.
    virtual void GridDataListGone() = 0;

protected:
    ~IDataListGrid() = default;
};

} // namespace e3
