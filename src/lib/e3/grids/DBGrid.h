#pragma once
// The data-aware grid of engine forms. It shows the data set of a data source;
// this system has no data source class, so the grid stays empty and its
// column scaling, which works on the attached data set's columns, never runs.
#include "e3/common/Contract.h"
#include "e3/common/ControlBase.h"
#include "framework/Events.h"

#include <QTableView>

namespace e3 {

class Te3CustomDBGrid : public Te3Control<fw::TWinControl> {
    FW_CLASS()
public:
    explicit Te3CustomDBGrid(fw::TComponent* owner);

    bool GetScaleCol() const { return scaleCol_; }
    void SetScaleCol(bool value) { scaleCol_ = value; }

    // OnBeforeMouseDown comes first on every mouse press.
    void DoMouseDown(fw::TMouseButton button, fw::TShiftState shift, int32_t x, int32_t y) override;

    QTableView* Table() const;

    fw::TNotifyEvent OnBeforeMouseDown;

private:
    class View;
    View* table_;
    bool scaleCol_ = false;
};

class Te3DBGrid : public Te3CustomDBGrid {
    FW_CLASS()
public:
    using Te3CustomDBGrid::Te3CustomDBGrid;
};

class Te3_DBGrid : public Te3DBGrid {
    FW_CLASS()
public:
    using Te3DBGrid::Te3DBGrid;
};

} // namespace e3
