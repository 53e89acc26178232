#include "e3/grids/DrawGrid.h"

#include "e3/grids/InplaceEdit.h"

#include "framework/InputBridge.h"
#include "framework/StandardProps.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace e3 {

const fw::TEnumType GridOptionType {
    "TGridOption",
    {"goFixedVertLine", "goFixedHorzLine", "goVertLine", "goHorzLine", "goRangeSelect", "goDrawFocusSelected",
     "goRowSizing", "goColSizing", "goRowMoving", "goColMoving", "goEditing", "goTabs", "goRowSelect",
     "goAlwaysShowEditor", "goThumbTracking"}};

const fw::TEventType DrawCellEventType {"TDrawCellEvent", typeid(TDrawCellEvent)};
const fw::TEventType FixedCellClickEventType {"TFixedCellClickEvent", typeid(TFixedCellClickEvent)};
const fw::TEventType FixedCellCheckEventType {"TFixedCellCheckEvent", typeid(TFixedCellCheckEvent)};

namespace {

constexpr uint16_t vkReturn = 0x0D, vkF2 = 0x71;
constexpr uint16_t vkTab = 0x09, vkPrior = 0x21, vkNext = 0x22, vkEnd = 0x23, vkHome = 0x24, vkLeft = 0x25,
                   vkUp = 0x26, vkRight = 0x27, vkDown = 0x28;
constexpr fw::TShiftState ShiftBit(fw::TShiftStateBit b) { return fw::TShiftState {1} << b; }
// How far from a divider the mouse may be and still size the column.
constexpr int32_t DividerZone = 2;
// The options a new grid has: fixed and data lines both ways, the focused
// cell drawn selected, columns sized by the user.
constexpr TGridOptions DefaultOptions = 175;

} // namespace

int32_t ScaleColumnWidths(std::vector<TScaleColumn>& columns, int32_t clientWidth, bool verticalLines,
                          int32_t keepCol)
{
    const int32_t count = static_cast<int32_t>(columns.size());
    // Columns that keep their width: fixed ones, the one just sized and (when
    // one was sized) those before the first scalable column.
    int32_t firstScalable = -1;
    for (int32_t i = 0; i < count; ++i)
        if (columns[i].visible && !columns[i].fixedWidth) {
            firstScalable = i;
            break;
        }
    auto keeps = [&](int32_t i) {
        const TScaleColumn& c = columns[i];
        if (c.fixedWidth || i == keepCol)
            return true;
        return keepCol >= 0 && i < firstScalable;
    };
    int64_t fixedSum = 0;
    int64_t savedSum = 0;
    int32_t last = -1;
    for (int32_t i = 0; i < count; ++i) {
        TScaleColumn& c = columns[i];
        if (!c.visible) {
            c.width = 0;
            continue;
        }
        if (keeps(i)) {
            fixedSum += c.width;
        } else {
            savedSum += std::max(0, c.savedWidth);
            last = i;
        }
    }
    int64_t available = int64_t {clientWidth} - fixedSum;
    if (verticalLines)
        available -= count;
    // With no scalable column nothing is scaled: no column is widened to take
    // the rest, an invisible one least of all.
    if (last < 0)
        return static_cast<int32_t>(std::clamp<int64_t>(available, INT32_MIN, INT32_MAX));
    const double factor = static_cast<double>(available) / static_cast<double>(savedSum == 0 ? 1 : savedSum);
    int64_t used = 0;
    for (int32_t i = 0; i < last; ++i) {
        TScaleColumn& c = columns[i];
        if (!c.visible || keeps(i))
            continue;
        const double w = std::max(0, c.savedWidth) * factor;
        c.width = static_cast<int32_t>(std::clamp<double>(std::trunc(w), 0, INT32_MAX));
        used += c.width;
    }
    const int64_t rest = keepCol >= 0 ? available - used : available - used - 1;
    columns[last].width = static_cast<int32_t>(std::clamp<int64_t>(rest, 0, INT32_MAX));
    return static_cast<int32_t>(std::clamp<int64_t>(available, INT32_MIN, INT32_MAX));
}

// ---------------------------------------------------------------------------

// The scroll area: hands paints, scroll bar moves and focus to the grid.
class Te3DrawGrid::View : public OwnedWidget<QAbstractScrollArea, Te3DrawGrid> {
public:
    explicit View(Te3DrawGrid* grid)
        : OwnedWidget(grid)
    {
        setFocusPolicy(Qt::StrongFocus);
        viewport()->setMouseTracking(true);
        viewport()->setAutoFillBackground(false);
        connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
            if (owner_ && !owner_->updatingBars_)
                owner_->SetTopRow(owner_->fixedRows_ + value);
        });
        connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
            if (owner_ && !owner_->updatingBars_)
                owner_->SetLeftCol(owner_->fixedCols_ + value);
        });
    }

protected:
    bool viewportEvent(QEvent* event) override
    {
        if (event->type() == QEvent::Paint && owner_) {
            QPainter painter(viewport());
            if (owner_->Mirrored())
                painter.setTransform(QTransform(-1, 0, 0, 1, owner_->ClientWidth(), 0));
            owner_->canvas_ = &painter;
            owner_->Paint(painter);
            owner_->canvas_ = nullptr;
            return true;
        }
        if (event->type() == QEvent::Leave && owner_)
            viewport()->unsetCursor();
        return QAbstractScrollArea::viewportEvent(event);
    }
    void scrollContentsBy(int, int) override {}
};

const fw::TClassInfo& Te3DrawGrid::StaticClass()
{
    static const fw::TClassInfo info {"Te3DrawGrid", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3DrawGrid::Te3DrawGrid(fw::TComponent* owner)
    : Te3Control(owner, {kHintWords, &DrawGridLanguageClass}, EnabledRule::plain)
    , area_(new View(this))
{
    // The window is known before the framework asks for a repaint.
    OwnWidget(static_cast<View*>(area_));
    fw::InstallInputBridge(this, area_->viewport());
    colWidths_.assign(static_cast<size_t>(colCount_), defaultColWidth_);
    options_ = DefaultOptions;
    SetTabStop(true);
    SetColor(fw::clWindow);
    SetBounds(0, 0, 320, 120);
}

Te3DrawGrid::~Te3DrawGrid()
{
    OnChangeFocus = nullptr;
    if (editor_) {
        editor_->Disown();
        delete editor_;
        editor_ = nullptr;
    }
}

QWidget* Te3DrawGrid::Viewport() const
{
    return area_->viewport();
}

int32_t Te3DrawGrid::ClientWidth() const
{
    const int frame = area_->frameWidth();
    const bool bar = area_->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn;
    const int extent = bar ? area_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
    return std::max(0, GetWidth() - 2 * frame - extent);
}

int32_t Te3DrawGrid::ClientHeight() const
{
    const int frame = area_->frameWidth();
    const bool bar = area_->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn;
    const int extent = bar ? area_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
    return std::max(0, GetHeight() - 2 * frame - extent);
}

void Te3DrawGrid::SetClientHeight(int32_t value)
{
    SetHeight(GetHeight() - ClientHeight() + std::max(0, value));
}

// --- layout -------------------------------------------------------------------

void Te3DrawGrid::SetColCount(int32_t value)
{
    value = std::max(value, 1);
    if (value == colCount_)
        return;
    colCount_ = value;
    colWidths_.resize(static_cast<size_t>(value), defaultColWidth_);
    fixedCols_ = std::min(fixedCols_, colCount_ - 1);
    col_ = std::clamp(col_, fixedCols_, colCount_ - 1);
    anchorCol_ = std::clamp(anchorCol_, fixedCols_, colCount_ - 1);
    leftCol_ = std::clamp(leftCol_, fixedCols_, colCount_ - 1);
    ColWidthsChanged();
    UpdateScrollBars();
    Invalidate();
}

void Te3DrawGrid::SetRowCount(int32_t value)
{
    value = std::max(value, 1);
    if (value == rowCount_)
        return;
    if (value < rowCount_)
        std::erase_if(rowHeights_, [value](const auto& entry) { return entry.first >= value; });
    rowCount_ = value;
    fixedRows_ = std::min(fixedRows_, rowCount_ - 1);
    row_ = std::clamp(row_, fixedRows_, rowCount_ - 1);
    anchorRow_ = std::clamp(anchorRow_, fixedRows_, rowCount_ - 1);
    topRow_ = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, MaxTopRow()));
    UpdateScrollBars();
    Invalidate();
}

void Te3DrawGrid::SetFixedCols(int32_t value)
{
    value = std::clamp(value, 0, colCount_ - 1);
    // The grid starts over at its first scrolled column.
    fixedCols_ = value;
    col_ = value;
    anchorCol_ = value;
    leftCol_ = value;
    UpdateScrollBars();
    Invalidate();
}

void Te3DrawGrid::SetFixedRows(int32_t value)
{
    value = std::clamp(value, 0, rowCount_ - 1);
    // The grid starts over at its first scrolled row.
    fixedRows_ = value;
    row_ = value;
    anchorRow_ = value;
    topRow_ = value;
    UpdateScrollBars();
    Invalidate();
}

void Te3DrawGrid::SetDefaultColWidth(int32_t value)
{
    defaultColWidth_ = std::max(0, value);
    std::fill(colWidths_.begin(), colWidths_.end(), defaultColWidth_);
    ColWidthsChanged();
    UpdateScrollBars();
    Invalidate();
}

void Te3DrawGrid::SetDefaultRowHeight(int32_t value)
{
    defaultRowHeight_ = std::max(1, value);
    rowHeights_.clear();
    UpdateScrollBars();
    Invalidate();
}

void Te3DrawGrid::SetGridLineWidth(int32_t value)
{
    gridLineWidth_ = std::max(0, value);
    UpdateScrollBars();
    Invalidate();
}

int32_t Te3DrawGrid::ColWidths(int32_t col) const
{
    if (col < 0 || col >= colCount_)
        return defaultColWidth_;
    return colWidths_[static_cast<size_t>(col)];
}

void Te3DrawGrid::SetColWidths(int32_t col, int32_t width)
{
    if (col < 0 || col >= colCount_)
        return;
    width = std::max(0, width);
    if (colWidths_[static_cast<size_t>(col)] == width)
        return;
    colWidths_[static_cast<size_t>(col)] = width;
    ColWidthsChanged();
    UpdateScrollBars();
    Invalidate();
}

int32_t Te3DrawGrid::RowHeights(int32_t row) const
{
    const auto it = rowHeights_.find(row);
    return it == rowHeights_.end() ? defaultRowHeight_ : it->second;
}

void Te3DrawGrid::SetRowHeights(int32_t row, int32_t height)
{
    if (row < 0 || row >= rowCount_)
        return;
    height = std::max(0, height);
    if (RowHeights(row) == height)
        return;
    if (height == defaultRowHeight_)
        rowHeights_.erase(row);
    else
        rowHeights_[row] = height;
    UpdateScrollBars();
    Invalidate();
}

void Te3DrawGrid::SetOptions(TGridOptions value)
{
    const bool wasAlwaysShown = AlwaysShowEditor();
    options_ = value;
    UpdateScrollBars();
    Invalidate();
    if (!wasAlwaysShown && AlwaysShowEditor() && !EditorMode() && Focused())
        ShowEditor();
}

void Te3DrawGrid::SetScrollBars(TScrollStyle value)
{
    scrollBars_ = value;
    UpdateScrollBars();
    Resized();
}

void Te3DrawGrid::SetFixedColor(fw::TColor value)
{
    fixedColor_ = value;
    Invalidate();
}

void Te3DrawGrid::SetFixedButtons(bool value)
{
    fixedButtons_ = value;
    Invalidate();
}

// --- current cell and scrolling ---------------------------------------------------

void Te3DrawGrid::SetCol(int32_t value)
{
    FocusCell(value, row_);
}

void Te3DrawGrid::SetRow(int32_t value)
{
    FocusCell(col_, value);
}

void Te3DrawGrid::FocusCell(int32_t col, int32_t row, bool moveAnchor)
{
    col = std::clamp(col, fixedCols_, colCount_ - 1);
    row = std::clamp(row, fixedRows_, rowCount_ - 1);
    if ((col != col_ || row != row_) && !SelectCell(col, row))
        return;
    const int32_t oldRow = row_;
    col_ = col;
    row_ = row;
    if (moveAnchor) {
        anchorCol_ = col;
        anchorRow_ = row;
    }
    ScrollInView(col, row);
    (void)oldRow;
    Invalidate();
    // An editor that is always shown goes along to the new cell.
    if (AlwaysShowEditor() && EditorMode() && (editCol_ != col_ || editRow_ != row_))
        ShowEditor();
}

bool Te3DrawGrid::AlwaysShowEditor() const
{
    return HasOption(goEditing) && HasOption(goAlwaysShowEditor);
}

void Te3DrawGrid::ScrollInView(int32_t col, int32_t row)
{
    if (row >= fixedRows_) {
        if (row < topRow_) {
            SetTopRow(row);
        } else {
            // Move the top down until the row shows wholly (or is the top).
            const int32_t room = ClientHeight() - FixedHeight();
            const int32_t lineH = HasOption(goHorzLine) || HasOption(goFixedHorzLine) ? gridLineWidth_ : 0;
            int32_t top = row;
            int32_t used = RowHeights(row) + lineH;
            while (top > topRow_ && top > fixedRows_ && used + RowHeights(top - 1) + lineH <= room) {
                --top;
                used += RowHeights(top) + lineH;
            }
            if (top > topRow_)
                SetTopRow(top);
        }
    }
    if (col >= fixedCols_) {
        if (col < leftCol_) {
            SetLeftCol(col);
        } else {
            const int32_t room = ClientWidth() - FixedWidth();
            const int32_t lineW = HasOption(goVertLine) || HasOption(goFixedVertLine) ? gridLineWidth_ : 0;
            int32_t left = col;
            int32_t used = ColWidths(col) + lineW;
            while (left > leftCol_ && left > fixedCols_ && used + ColWidths(left - 1) + lineW <= room) {
                --left;
                used += ColWidths(left) + lineW;
            }
            if (left > leftCol_)
                SetLeftCol(left);
        }
    }
}

void Te3DrawGrid::SetTopRow(int32_t value)
{
    value = std::clamp(value, fixedRows_, std::max(fixedRows_, MaxTopRow()));
    if (value == topRow_)
        return;
    topRow_ = value;
    UpdateScrollBars();
    TopLeftChanged();
    Invalidate();
}

void Te3DrawGrid::SetLeftCol(int32_t value)
{
    value = std::clamp(value, fixedCols_, std::max(fixedCols_, MaxLeftCol()));
    if (value == leftCol_)
        return;
    leftCol_ = value;
    UpdateScrollBars();
    TopLeftChanged();
    Invalidate();
}

void Te3DrawGrid::TopLeftChanged()
{
    if (EditorMode())
        PlaceEditor();
    if (OnTopLeftChanged)
        OnTopLeftChanged(this);
}

TGridRect Te3DrawGrid::Selection() const
{
    TGridRect r {std::min(col_, anchorCol_), std::min(row_, anchorRow_), std::max(col_, anchorCol_),
                 std::max(row_, anchorRow_)};
    if (!HasOption(goRangeSelect))
        r = {col_, row_, col_, row_};
    if (HasOption(goRowSelect)) {
        r.left = fixedCols_;
        r.right = colCount_ - 1;
    }
    return r;
}

void Te3DrawGrid::SetSelection(const TGridRect& rect)
{
    anchorCol_ = std::clamp(rect.left, fixedCols_, colCount_ - 1);
    anchorRow_ = std::clamp(rect.top, fixedRows_, rowCount_ - 1);
    FocusCell(rect.right, rect.bottom, false);
}

int32_t Te3DrawGrid::MaxTopRow() const
{
    const int32_t room = ClientHeight() - FixedHeight();
    const int32_t lineH = HasOption(goHorzLine) || HasOption(goFixedHorzLine) ? gridLineWidth_ : 0;
    int32_t top = rowCount_ - 1;
    int32_t used = RowHeights(top) + lineH;
    while (top > fixedRows_ && used + RowHeights(top - 1) + lineH <= room) {
        --top;
        used += RowHeights(top) + lineH;
    }
    return top;
}

int32_t Te3DrawGrid::MaxLeftCol() const
{
    const int32_t room = ClientWidth() - FixedWidth();
    const int32_t lineW = HasOption(goVertLine) || HasOption(goFixedVertLine) ? gridLineWidth_ : 0;
    int32_t left = colCount_ - 1;
    int32_t used = ColWidths(left) + lineW;
    while (left > fixedCols_ && used + ColWidths(left - 1) + lineW <= room) {
        --left;
        used += ColWidths(left) + lineW;
    }
    return left;
}

int32_t Te3DrawGrid::GetVisibleRowCount() const
{
    const int32_t room = ClientHeight() - FixedHeight();
    const int32_t lineH = HasOption(goHorzLine) || HasOption(goFixedHorzLine) ? gridLineWidth_ : 0;
    int32_t count = 0;
    int32_t used = 0;
    for (int32_t r = topRow_; r < rowCount_; ++r) {
        used += RowHeights(r) + lineH;
        if (used > room + lineH)
            break;
        ++count;
    }
    return count;
}

int32_t Te3DrawGrid::GetVisibleColCount() const
{
    const int32_t room = ClientWidth() - FixedWidth();
    const int32_t lineW = HasOption(goVertLine) || HasOption(goFixedVertLine) ? gridLineWidth_ : 0;
    int32_t count = 0;
    int32_t used = 0;
    for (int32_t c = leftCol_; c < colCount_; ++c) {
        used += ColWidths(c) + lineW;
        if (used > room + lineW)
            break;
        ++count;
    }
    return count;
}

void Te3DrawGrid::UpdateScrollBars()
{
    if (updatingBars_)
        return;
    updatingBars_ = true;
    // Whether a bar is needed depends on the room the other one leaves.
    const bool canV = scrollBars_ == ssVertical || scrollBars_ == ssBoth;
    const bool canH = scrollBars_ == ssHorizontal || scrollBars_ == ssBoth;
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int pass = 0; pass < 2; ++pass) {
        if (canV && MaxTopRow() > fixedRows_)
            area_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        if (canH && MaxLeftCol() > fixedCols_)
            area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    topRow_ = std::clamp(topRow_, fixedRows_, std::max(fixedRows_, MaxTopRow()));
    leftCol_ = std::clamp(leftCol_, fixedCols_, std::max(fixedCols_, MaxLeftCol()));
    QScrollBar* v = area_->verticalScrollBar();
    v->setRange(0, std::max(0, MaxTopRow() - fixedRows_));
    v->setPageStep(std::max(1, GetVisibleRowCount()));
    v->setValue(topRow_ - fixedRows_);
    QScrollBar* h = area_->horizontalScrollBar();
    h->setRange(0, std::max(0, MaxLeftCol() - fixedCols_));
    h->setPageStep(std::max(1, GetVisibleColCount()));
    h->setValue(leftCol_ - fixedCols_);
    updatingBars_ = false;
}

void Te3DrawGrid::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    fw::TWinControl::SetBounds(left, top, width, height);
    if (area_)
        Resized();
}

void Te3DrawGrid::Resized()
{
    UpdateScrollBars();
    Invalidate();
}

// --- geometry -----------------------------------------------------------------------

int32_t Te3DrawGrid::FixedWidth() const
{
    const int32_t lineW = HasOption(goVertLine) || HasOption(goFixedVertLine) ? gridLineWidth_ : 0;
    int32_t w = 0;
    for (int32_t c = 0; c < fixedCols_; ++c)
        w += ColWidths(c) + lineW;
    return w;
}

int32_t Te3DrawGrid::FixedHeight() const
{
    const int32_t lineH = HasOption(goHorzLine) || HasOption(goFixedHorzLine) ? gridLineWidth_ : 0;
    int32_t h = 0;
    for (int32_t r = 0; r < fixedRows_; ++r)
        h += RowHeights(r) + lineH;
    return h;
}

QRect Te3DrawGrid::CellRect(int32_t col, int32_t row) const
{
    if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_)
        return {};
    const int32_t lineW = HasOption(goVertLine) || HasOption(goFixedVertLine) ? gridLineWidth_ : 0;
    const int32_t lineH = HasOption(goHorzLine) || HasOption(goFixedHorzLine) ? gridLineWidth_ : 0;
    int32_t x = 0;
    if (col < fixedCols_) {
        for (int32_t c = 0; c < col; ++c)
            x += ColWidths(c) + lineW;
    } else {
        if (col < leftCol_)
            return {};
        x = FixedWidth();
        const int32_t width = ClientWidth();
        for (int32_t c = leftCol_; c < col; ++c) {
            x += ColWidths(c) + lineW;
            if (x >= width)
                return {};
        }
    }
    int32_t y = 0;
    if (row < fixedRows_) {
        for (int32_t r = 0; r < row; ++r)
            y += RowHeights(r) + lineH;
    } else {
        if (row < topRow_)
            return {};
        y = FixedHeight();
        const int32_t height = ClientHeight();
        for (int32_t r = topRow_; r < row; ++r) {
            y += RowHeights(r) + lineH;
            if (y >= height)
                return {};
        }
    }
    return QRect(x, y, ColWidths(col), RowHeights(row));
}

void Te3DrawGrid::MouseToCell(int32_t x, int32_t y, int32_t& col, int32_t& row) const
{
    col = -1;
    row = -1;
    if (x < 0 || y < 0)
        return;
    const int32_t lineW = HasOption(goVertLine) || HasOption(goFixedVertLine) ? gridLineWidth_ : 0;
    const int32_t lineH = HasOption(goHorzLine) || HasOption(goFixedHorzLine) ? gridLineWidth_ : 0;
    int32_t pos = 0;
    for (int32_t c = 0; c < colCount_ && pos <= x; ++c) {
        if (c == fixedCols_)
            c = leftCol_;
        const int32_t next = pos + ColWidths(c) + lineW;
        if (x < next) {
            col = c;
            break;
        }
        pos = next;
    }
    pos = 0;
    for (int32_t r = 0; r < rowCount_ && pos <= y; ++r) {
        if (r == fixedRows_)
            r = topRow_;
        const int32_t next = pos + RowHeights(r) + lineH;
        if (y < next) {
            row = r;
            break;
        }
        pos = next;
    }
}

namespace {

// The column (or row) whose divider, the line after it, lies at pos: the
// fixed ones first, then the scrolled ones from first on, up to limit. A zone
// on both sides of the line picks it up. -1 when none.
template <class Extent>
int32_t DividerAt(int32_t pos, int32_t count, int32_t fixed, int32_t first, int32_t line, int32_t limit,
                  Extent extent)
{
    int32_t edge = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (i == fixed)
            i = first;
        edge += extent(i);
        if (pos >= edge - DividerZone && pos <= edge + line + DividerZone - 1)
            return i;
        edge += line;
        if (edge > limit)
            break;
    }
    return -1;
}

} // namespace

int32_t Te3DrawGrid::ColumnDividerAt(int32_t x, int32_t y) const
{
    if (y < 0 || y >= FixedHeight())
        return -1;
    const int32_t lineW = HasOption(goVertLine) || HasOption(goFixedVertLine) ? gridLineWidth_ : 0;
    return DividerAt(x, colCount_, fixedCols_, leftCol_, lineW, ClientWidth(), [this](int32_t c) { return ColWidths(c); });
}

int32_t Te3DrawGrid::RowDividerAt(int32_t x, int32_t y) const
{
    if (x < 0 || x >= FixedWidth())
        return -1;
    const int32_t lineH = HasOption(goHorzLine) || HasOption(goFixedHorzLine) ? gridLineWidth_ : 0;
    return DividerAt(y, rowCount_, fixedRows_, topRow_, lineH, ClientHeight(),
                     [this](int32_t r) { return RowHeights(r); });
}

QPoint Te3DrawGrid::ToClient(int32_t x, int32_t y) const
{
    return LaidOut(area_->viewport()->mapFrom(area_, QPoint(x, y)));
}

bool Te3DrawGrid::Mirrored() const
{
    return GetBiDiMode() == fw::bdRightToLeft;
}

QPoint Te3DrawGrid::LaidOut(QPoint viewportPoint) const
{
    if (Mirrored())
        viewportPoint.setX(ClientWidth() - 1 - viewportPoint.x());
    return viewportPoint;
}

QRect Te3DrawGrid::Physical(const QRect& laidOut) const
{
    if (!Mirrored() || laidOut.isNull())
        return laidOut;
    return QRect(ClientWidth() - laidOut.x() - laidOut.width(), laidOut.y(), laidOut.width(), laidOut.height());
}

int Te3DrawGrid::ShownAlignment(const QPainter& painter, int flags)
{
    if (painter.transform().m11() >= 0)
        return flags;
    const int horizontal = flags & (Qt::AlignLeft | Qt::AlignRight);
    if (horizontal == Qt::AlignLeft || horizontal == Qt::AlignRight)
        flags = (flags & ~horizontal) | (horizontal == Qt::AlignLeft ? Qt::AlignRight : Qt::AlignLeft);
    return flags;
}

void Te3DrawGrid::DrawUnmirrored(QPainter& painter, const QRect& laidOut,
                                 const std::function<void(QPainter&, const QRect&)>& draw)
{
    if (painter.transform().m11() >= 0) {
        draw(painter, laidOut);
        return;
    }
    const QRect shown = painter.transform().mapRect(laidOut);
    painter.save();
    painter.resetTransform();
    draw(painter, shown);
    painter.restore();
}

// --- painting -----------------------------------------------------------------------

void Te3DrawGrid::Invalidate()
{
    area_->viewport()->update();
}

void Te3DrawGrid::InvalidateCell(int32_t col, int32_t row)
{
    const QRect r = Physical(CellRect(col, row));
    if (!r.isEmpty())
        area_->viewport()->update(r.adjusted(-gridLineWidth_, 0, gridLineWidth_, gridLineWidth_));
}

void Te3DrawGrid::InvalidateRow(int32_t row)
{
    const QRect r = CellRect(fixedCols_ > 0 ? 0 : leftCol_, row);
    if (!r.isEmpty())
        area_->viewport()->update(QRect(0, r.top(), ClientWidth(), r.height() + gridLineWidth_));
}

void Te3DrawGrid::Repaint()
{
    area_->viewport()->repaint();
}

TGridDrawState Te3DrawGrid::CellState(int32_t col, int32_t row) const
{
    TGridDrawState state = 0;
    if (col < fixedCols_ || row < fixedRows_)
        return DrawState(gdFixed);
    if (Selection().Contains(col, row))
        state |= DrawState(gdSelected);
    if (col == col_ && row == row_ && Focused())
        state |= DrawState(gdFocused);
    return state;
}

QColor Te3DrawGrid::CellBackground(int32_t, int32_t, TGridDrawState state) const
{
    if (state & DrawState(gdFixed))
        return fw::ToQColor(fixedColor_);
    if ((state & DrawState(gdSelected)) &&
        (!(state & DrawState(gdFocused)) || HasOption(goDrawFocusSelected) || HasOption(goRowSelect)))
        return fw::ToQColor(fw::clHighlight);
    return fw::ToQColor(GetColor());
}

void Te3DrawGrid::Paint(QPainter& painter)
{
    const int32_t width = ClientWidth();
    const int32_t height = ClientHeight();
    painter.fillRect(QRect(0, 0, width, height), fw::ToQColor(GetColor()));
    painter.setFont(GetFont()->ToQFont());
    for (int32_t r = 0; r < rowCount_; ++r) {
        if (r == fixedRows_)
            r = topRow_;
        const QRect first = CellRect(fixedCols_ > 0 ? 0 : leftCol_, r);
        if (first.isEmpty() && r >= fixedRows_)
            break;
        for (int32_t c = 0; c < colCount_; ++c) {
            if (c == fixedCols_)
                c = leftCol_;
            const QRect rect = CellRect(c, r);
            if (rect.isEmpty())
                break;
            const TGridDrawState state = CellState(c, r);
            painter.fillRect(rect, CellBackground(c, r, state));
            painter.setPen(fw::ToQColor((state & DrawState(gdSelected)) ? fw::clHighlightText : GetFont()->GetColor()));
            const bool pressed = button_.pressed && button_.col == c && button_.row == r;
            DrawCell(c, r, pressed ? rect.translated(gridLineWidth_, gridLineWidth_) : rect, state);
            if ((state & DrawState(gdFixed)) && GetCtl3D()) {
                painter.setPen(fw::ToQColor(pressed ? fw::clBtnShadow : fw::clBtnHighlight));
                painter.drawLine(rect.topLeft(), rect.topRight());
                painter.drawLine(rect.topLeft(), rect.bottomLeft());
                painter.setPen(fw::ToQColor(pressed ? fw::clBtnHighlight : fw::clBtnShadow));
                painter.drawLine(rect.bottomLeft(), rect.bottomRight());
                painter.drawLine(rect.topRight(), rect.bottomRight());
            }
            if ((state & DrawState(gdFocused)) && !HasOption(goRowSelect)) {
                painter.setPen(QPen(fw::ToQColor(fw::clWindowText), 1, Qt::DotLine));
                painter.drawRect(rect.adjusted(0, 0, -1, -1));
            }
        }
    }
    PaintLines(painter, GetColor() == fw::clSilver ? fw::clGray : fw::clSilver);
}

void Te3DrawGrid::PaintLines(QPainter& painter, fw::TColor dataLineColor)
{
    if (gridLineWidth_ <= 0)
        return;
    const QColor fixedLine = fw::ToQColor(fw::clBlack);
    const QColor dataLine = fw::ToQColor(dataLineColor);
    const int32_t width = ClientWidth();
    const int32_t height = ClientHeight();
    // Where the cells end.
    int32_t right = 0;
    int32_t bottom = 0;
    std::vector<std::pair<int32_t, bool>> xs; // line x, in the fixed columns
    std::vector<std::pair<int32_t, bool>> ys;
    for (int32_t c = 0; c < colCount_; ++c) {
        if (c == fixedCols_)
            c = leftCol_;
        const QRect rect = CellRect(c, fixedRows_ > 0 ? 0 : topRow_);
        if (rect.isEmpty() && rect.width() == 0 && rect.x() == 0 && c > 0)
            break;
        xs.emplace_back(rect.x() + rect.width(), c < fixedCols_);
        right = rect.x() + rect.width() + gridLineWidth_;
        if (right >= width)
            break;
    }
    for (int32_t r = 0; r < rowCount_; ++r) {
        if (r == fixedRows_)
            r = topRow_;
        const QRect rect = CellRect(fixedCols_ > 0 ? 0 : leftCol_, r);
        if (rect.isNull() && r > 0)
            break;
        ys.emplace_back(rect.y() + rect.height(), r < fixedRows_);
        bottom = rect.y() + rect.height() + gridLineWidth_;
        if (bottom >= height)
            break;
    }
    const int32_t fixedW = FixedWidth();
    const int32_t fixedH = FixedHeight();
    if (HasOption(goVertLine) || HasOption(goFixedVertLine))
        for (const auto& [x, fixedCol] : xs) {
            if (fixedCol ? HasOption(goFixedVertLine) : HasOption(goVertLine)) {
                // A data column's line is the fixed colour within the fixed rows.
                if (!fixedCol && fixedH > 0 && HasOption(goFixedVertLine))
                    painter.fillRect(QRect(x, 0, gridLineWidth_, fixedH), fixedLine);
                painter.fillRect(QRect(x, fixedCol ? 0 : fixedH, gridLineWidth_, bottom - (fixedCol ? 0 : fixedH)),
                                 fixedCol ? fixedLine : dataLine);
            }
        }
    if (HasOption(goHorzLine) || HasOption(goFixedHorzLine))
        for (const auto& [y, fixedRow] : ys) {
            if (fixedRow ? HasOption(goFixedHorzLine) : HasOption(goHorzLine)) {
                if (!fixedRow && fixedW > 0 && HasOption(goFixedHorzLine))
                    painter.fillRect(QRect(0, y, fixedW, gridLineWidth_), fixedLine);
                painter.fillRect(QRect(fixedRow ? 0 : fixedW, y, right - (fixedRow ? 0 : fixedW), gridLineWidth_),
                                 fixedRow ? fixedLine : dataLine);
            }
        }
}

void Te3DrawGrid::DrawCell(int32_t col, int32_t row, const QRect& rect, TGridDrawState state)
{
    if (OnDrawCell)
        OnDrawCell(this, col, row, fw::TRect {rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1}, state);
}

void Te3DrawGrid::DrawStr(const QRect& rect, const std::string& text, TAlignment alignment)
{
    if (!canvas_)
        return;
    const int flags = Qt::AlignVCenter | Qt::TextSingleLine |
                      (alignment == taRightJustify ? Qt::AlignRight
                                                   : alignment == taCenter ? Qt::AlignHCenter : Qt::AlignLeft);
    const int shown = ShownAlignment(*canvas_, flags);
    DrawUnmirrored(*canvas_, rect.adjusted(2, 0, -2, 0), [&](QPainter& p, const QRect& r) {
        p.drawText(r, shown, QString::fromStdString(text));
    });
}

void Te3DrawGrid::DrawPicture(const QRect& rect, const QImage& picture)
{
    if (!canvas_ || picture.isNull())
        return;
    const int x = (rect.left() + rect.right() + 1 - picture.width()) / 2;
    const int y = (rect.top() + rect.bottom() + 1 - picture.height()) / 2;
    DrawUnmirrored(*canvas_, QRect(QPoint(x, y), picture.size()),
                   [&](QPainter& p, const QRect& r) { p.drawImage(r.topLeft(), picture); });
}

void Te3DrawGrid::ApplyColor()
{
    Invalidate();
}

void Te3DrawGrid::ApplyFont()
{
    Invalidate();
}

// --- cell editor --------------------------------------------------------------------

bool Te3DrawGrid::EditorMode() const
{
    return editor_ && !editor_->isHidden();
}

void Te3DrawGrid::ShowEditor()
{
    fw::Guard<Te3DrawGrid> self(this);
    if (!HasOption(goEditing) || HasOption(goRowSelect) || col_ < fixedCols_ || row_ < fixedRows_)
        return;
    bool allow = true;
    if (OnShowEditor) {
        OnShowEditor(this, col_, row_, allow);
        if (!self)
            return;
    }
    if (!allow)
        return;
    if (EditorMode() && editCol_ == col_ && editRow_ == row_)
        return;
    if (EditorMode())
        HideEditor(true);
    if (!self)
        return;
    TEditStyle style = esSimple;
    TAlignment alignment = taLeftJustify;
    int32_t maxLength = 0;
    std::string text;
    if (OnGetEditStyle)
        OnGetEditStyle(this, col_, row_, style);
    if (self && OnGetEditAlign)
        OnGetEditAlign(this, col_, row_, alignment);
    if (self && OnGetEditLimit)
        OnGetEditLimit(this, maxLength);
    if (self && OnGetEditText)
        OnGetEditText(this, col_, row_, text);
    if (!self)
        return;
    if (!editor_)
        editor_ = new TRxInplaceEdit(this);
    editCol_ = col_;
    editRow_ = row_;
    editor_->Take(style, alignment, maxLength, text);
    PlaceEditor();
    editor_->show();
    editor_->setFocus(Qt::OtherFocusReason);
}

void Te3DrawGrid::PlaceEditor()
{
    if (!editor_)
        return;
    const QRect cell = CellRect(editCol_, editRow_);
    if (cell.isEmpty()) {
        editor_->Place(QRect(-10000, -10000, editor_->width(), editor_->height()));
        return;
    }
    editor_->Place(Physical(cell));
}

void Te3DrawGrid::HideEditor(bool store)
{
    if (!EditorMode())
        return;
    fw::Guard<Te3DrawGrid> self(this);
    editor_->CloseUp(false);
    const bool hadFocus = editor_->hasFocus() || editor_->Line()->hasFocus();
    const std::string text = editor_->Text();
    const int32_t col = editCol_, row = editRow_;
    editor_->hide();
    editCol_ = editRow_ = -1;
    if (hadFocus)
        SetFocus();
    if (store && OnSetEditText)
        OnSetEditText(this, col, row, text);
    if (self)
        InvalidateCell(col, row);
}

void Te3DrawGrid::CancelEdit()
{
    if (!EditorMode() || HasOption(goAlwaysShowEditor))
        return;
    HideEditor(false);
    if (OnCancelEdit)
        OnCancelEdit(this);
}

bool Te3DrawGrid::AcceptEditKey(char32_t& key)
{
    return OnAcceptEditKey ? OnAcceptEditKey(this, key) : true;
}

void Te3DrawGrid::EditChanged()
{
    if (!HasOption(goAlwaysShowEditor) && OnEditChange)
        OnEditChange(this);
}

void Te3DrawGrid::EditButtonClick()
{
    if (OnEditButtonClick)
        OnEditButtonClick(this);
}

void Te3DrawGrid::PickListItems(std::vector<std::string>& items)
{
    if (OnGetPicklist && EditorMode())
        OnGetPicklist(this, editCol_, editRow_, items);
}

void Te3DrawGrid::EditorKey(uint16_t key, fw::TShiftState shift)
{
    fw::Guard<Te3DrawGrid> self(this);
    if (AlwaysShowEditor()) {
        // The editor stays: Enter stores its text, a move takes it along.
        if (key == vkReturn) {
            if (OnSetEditText)
                OnSetEditText(this, editCol_, editRow_, editor_->Text());
            return;
        }
        uint16_t k = key;
        DoKeyDown(k, shift);
        return;
    }
    HideEditor(true);
    if (!self || key == vkReturn)
        return;
    uint16_t k = key;
    DoKeyDown(k, shift);
}

// --- input --------------------------------------------------------------------------

bool Te3DrawGrid::SelectCell(int32_t col, int32_t row)
{
    bool can = true;
    if (OnSelectCell) {
        const fw::TSelectCellEvent handler = OnSelectCell;
        handler(this, col, row, can);
    }
    return can;
}

void Te3DrawGrid::SetFocus()
{
    area_->setFocus(Qt::OtherFocusReason);
}

bool Te3DrawGrid::Focused() const
{
    return area_->hasFocus() || area_->viewport()->hasFocus();
}

void Te3DrawGrid::MoveColumn(int32_t from, int32_t to)
{
    if (from < 0 || from >= colCount_ || to < 0 || to >= colCount_ || from == to)
        return;
    const int32_t width = colWidths_[static_cast<size_t>(from)];
    colWidths_.erase(colWidths_.begin() + from);
    colWidths_.insert(colWidths_.begin() + to, width);
    ColumnMoved(from, to);
    Invalidate();
}

void Te3DrawGrid::ColumnMoved(int32_t from, int32_t to)
{
    if (OnColumnMoved)
        OnColumnMoved(this, from, to);
}

void Te3DrawGrid::MoveRow(int32_t from, int32_t to)
{
    if (from < 0 || from >= rowCount_ || to < 0 || to >= rowCount_ || from == to)
        return;
    // Only rows of their own height are stored: the rows between the two
    // places shift by one, the moved one lands on its target.
    std::unordered_map<int32_t, int32_t> moved;
    moved.reserve(rowHeights_.size());
    for (const auto& [row, height] : rowHeights_) {
        int32_t at = row;
        if (row == from)
            at = to;
        else if (from < to && row > from && row <= to)
            at = row - 1;
        else if (from > to && row >= to && row < from)
            at = row + 1;
        moved.emplace(at, height);
    }
    rowHeights_.swap(moved);
    RowMoved(from, to);
    Invalidate();
}

void Te3DrawGrid::RowMoved(int32_t from, int32_t to)
{
    if (OnRowMoved)
        OnRowMoved(this, from, to);
}

void Te3DrawGrid::DoMouseDown(fw::TMouseButton button, fw::TShiftState shift, int32_t x, int32_t y)
{
    fw::Guard<Te3DrawGrid> self(this);
    const bool wasCurrent = [&] {
        const QPoint p = ToClient(x, y);
        int32_t c = -1, r = -1;
        MouseToCell(p.x(), p.y(), c, r);
        return c == col_ && r == row_ && !EditorMode();
    }();
    // Every press first takes the editor away.
    HideEditor(true);
    if (!self)
        return;
    if (!Focused() && GetEnabled() && GetVisible()) {
        pressing_ = true;
        SetFocus();
        if (!self)
            return;
        pressing_ = false;
    }
    const QPoint p = ToClient(x, y);
    int32_t col = -1;
    int32_t row = -1;
    MouseToCell(p.x(), p.y(), col, row);
    editOnRelease_ = button == fw::mbLeft && wasCurrent && !(shift & ShiftBit(fw::ssDouble)) &&
                     HasOption(goEditing) && col >= fixedCols_ && row >= fixedRows_;
    const bool fixedCell = col >= 0 && row >= 0 && (col < fixedCols_ || row < fixedRows_);
    const bool moving = HasOption(goColMoving) || HasOption(goRowMoving);
    // With fixed buttons the left button presses them; the right one drags
    // fixed cells to move their rows or columns.
    const bool rightDrag = button == fw::mbRight && fixedButtons_ && moving && fixedCell;
    if (rightDrag)
        button = fw::mbLeft;
    if (button == fw::mbLeft) {
        if ((shift & ShiftBit(fw::ssDouble)) && !(fixedButtons_ && fixedCell)) {
            // The double click itself has run; its second press goes no further.
            fw::TWinControl::DoMouseDown(button, shift, x, y);
            return;
        }
        if (fixedButtons_ && fixedCell && !rightDrag) {
            bool enabled = true;
            if (OnCheckButton)
                OnCheckButton(this, col, row, enabled);
            if (!self)
                return;
            if (!enabled) {
                QApplication::beep();
                return;
            }
            button_ = {col, row, true, true};
            area_->viewport()->grabMouse();
            InvalidateCell(col, row);
            fw::TWinControl::DoMouseDown(button, shift, x, y);
            return;
        }
        const int32_t divider = HasOption(goColSizing) ? ColumnDividerAt(p.x(), p.y()) : -1;
        const int32_t rowDivider = divider < 0 && HasOption(goRowSizing) ? RowDividerAt(p.x(), p.y()) : -1;
        if (divider >= 0) {
            state_ = gsColSizing;
            sizingCol_ = divider;
            sizingStart_ = p.x();
            sizingStartExtent_ = ColWidths(divider);
        } else if (rowDivider >= 0) {
            state_ = gsRowSizing;
            sizingRow_ = rowDivider;
            sizingStart_ = p.y();
            sizingStartExtent_ = RowHeights(rowDivider);
        } else if (HasOption(goColMoving) && row >= 0 && row < fixedRows_ && col >= fixedCols_) {
            state_ = gsColMoving;
            moveFrom_ = col;
            moveTo_ = col;
        } else if (HasOption(goRowMoving) && col >= 0 && col < fixedCols_ && row >= fixedRows_) {
            state_ = gsRowMoving;
            moveFrom_ = row;
            moveTo_ = row;
        } else if (col >= fixedCols_ && row >= fixedRows_) {
            state_ = gsSelecting;
            const bool extend = HasOption(goRangeSelect) && (shift & ShiftBit(fw::ssShift));
            FocusCell(col, row, !extend);
            if (!self)
                return;
        }
    }
    fw::TWinControl::DoMouseDown(button, shift, x, y);
}

void Te3DrawGrid::DoMouseMove(fw::TShiftState shift, int32_t x, int32_t y)
{
    const QPoint p = ToClient(x, y);
    int32_t col = -1;
    int32_t row = -1;
    MouseToCell(p.x(), p.y(), col, row);
    if (button_.tracking) {
        const bool on = col == button_.col && row == button_.row;
        if (on != button_.pressed) {
            button_.pressed = on;
            InvalidateCell(button_.col, button_.row);
        }
    }
    switch (state_) {
    case gsColSizing:
        SetColWidths(sizingCol_, sizingStartExtent_ + p.x() - sizingStart_);
        break;
    case gsRowSizing:
        SetRowHeights(sizingRow_, sizingStartExtent_ + p.y() - sizingStart_);
        break;
    case gsColMoving:
        if (col >= fixedCols_)
            moveTo_ = col;
        break;
    case gsRowMoving:
        if (row >= fixedRows_)
            moveTo_ = row;
        break;
    case gsSelecting:
        if (HasOption(goRangeSelect) && col >= fixedCols_ && row >= fixedRows_)
            FocusCell(col, row, false);
        break;
    default:
        if (HasOption(goColSizing) && ColumnDividerAt(p.x(), p.y()) >= 0)
            area_->viewport()->setCursor(Qt::SplitHCursor);
        else if (HasOption(goRowSizing) && RowDividerAt(p.x(), p.y()) >= 0)
            area_->viewport()->setCursor(Qt::SplitVCursor);
        else
            area_->viewport()->unsetCursor();
        break;
    }
    fw::TWinControl::DoMouseMove(shift, x, y);
}

void Te3DrawGrid::DoMouseUp(fw::TMouseButton button, fw::TShiftState shift, int32_t x, int32_t y)
{
    fw::Guard<Te3DrawGrid> self(this);
    const TGridState state = state_;
    state_ = gsNormal;
    if (button_.tracking) {
        area_->viewport()->releaseMouse();
        const QPoint p = ToClient(x, y);
        int32_t col = -1;
        int32_t row = -1;
        MouseToCell(p.x(), p.y(), col, row);
        const PressedButton pressed = button_;
        button_ = {};
        InvalidateCell(pressed.col, pressed.row);
        if (col == pressed.col && row == pressed.row && area_->viewport()->rect().contains(p) && OnFixedCellClick) {
            OnFixedCellClick(this, col, row);
            if (!self)
                return;
        }
    } else if (state == gsColSizing) {
        if (OnColumnSized) {
            OnColumnSized(this);
            if (!self)
                return;
        }
    } else if (state == gsRowSizing) {
        if (OnRowSized) {
            OnRowSized(this);
            if (!self)
                return;
        }
    } else if (state == gsColMoving) {
        if (moveTo_ >= 0 && moveTo_ != moveFrom_)
            MoveColumn(moveFrom_, moveTo_);
        if (!self)
            return;
    } else if (state == gsRowMoving) {
        if (moveTo_ >= 0 && moveTo_ != moveFrom_)
            MoveRow(moveFrom_, moveTo_);
        if (!self)
            return;
    } else if (state == gsSelecting && AlwaysShowEditor() && button == fw::mbLeft) {
        // The press took the editor away; it comes back on the cell now current.
        editOnRelease_ = false;
        ShowEditor();
        if (!self)
            return;
    } else if (state == gsSelecting && editOnRelease_ && button == fw::mbLeft) {
        // A click on the cell that was already current opens its editor.
        editOnRelease_ = false;
        const QPoint p = ToClient(x, y);
        int32_t col = -1;
        int32_t row = -1;
        MouseToCell(p.x(), p.y(), col, row);
        if (col == col_ && row == row_) {
            ShowEditor();
            if (!self)
                return;
        }
    }
    editOnRelease_ = false;
    // Whatever the press did (a fixed button, sizing, moving), an editor that
    // is always shown comes back on the cell now current.
    if (AlwaysShowEditor() && !EditorMode()) {
        ShowEditor();
        if (!self)
            return;
    }
    // The right button that moved a row or column is released as the left.
    if (button == fw::mbRight && (state == gsRowMoving || state == gsColMoving))
        button = fw::mbLeft;
    fw::TWinControl::DoMouseUp(button, shift, x, y);
}

void Te3DrawGrid::MoveCurrent(int32_t col, int32_t row, bool extend)
{
    FocusCell(col, row, !(extend && HasOption(goRangeSelect)));
}

void Te3DrawGrid::DoKeyDown(uint16_t& key, fw::TShiftState shift)
{
    fw::Guard<Te3DrawGrid> self(this);
    fw::TWinControl::DoKeyDown(key, shift);
    if (!self || key == 0)
        return;
    if (HasOption(goEditing) && (key == vkF2 || key == vkReturn) && !EditorMode()) {
        ShowEditor();
        return;
    }
    const bool extend = (shift & ShiftBit(fw::ssShift)) != 0;
    const bool ctrl = (shift & ShiftBit(fw::ssCtrl)) != 0;
    const int32_t page = std::max(1, GetVisibleRowCount());
    switch (key) {
    case vkUp: MoveCurrent(col_, row_ - 1, extend); break;
    case vkDown: MoveCurrent(col_, row_ + 1, extend); break;
    case vkLeft: MoveCurrent(HasOption(goRowSelect) ? col_ : col_ - 1, row_, extend); break;
    case vkRight: MoveCurrent(HasOption(goRowSelect) ? col_ : col_ + 1, row_, extend); break;
    case vkPrior: MoveCurrent(col_, row_ - page, extend); break;
    case vkNext: MoveCurrent(col_, row_ + page, extend); break;
    case vkHome: MoveCurrent(ctrl ? col_ : fixedCols_, ctrl ? fixedRows_ : row_, extend); break;
    case vkEnd: MoveCurrent(ctrl ? col_ : colCount_ - 1, ctrl ? rowCount_ - 1 : row_, extend); break;
    case vkTab:
        if (!HasOption(goTabs))
            return;
        MoveCurrent(extend ? col_ - 1 : col_ + 1, row_, false);
        break;
    default: return;
    }
}

void Te3DrawGrid::DoKeyPress(char32_t& key)
{
    fw::Guard<Te3DrawGrid> self(this);
    fw::TWinControl::DoKeyPress(key);
    if (!self || key < 32 || !HasOption(goEditing) || EditorMode())
        return;
    // A typed character starts editing with that character.
    if (!AcceptEditKey(key) || !self)
        return;
    ShowEditor();
    if (self && EditorMode()) {
        editor_->Line()->setText(QString::fromUcs4(&key, 1));
        EditChanged();
    }
}

bool Te3DrawGrid::DoMouseWheel(fw::TShiftState shift, int32_t wheelDelta, fw::TPoint mousePos)
{
    if (fw::TWinControl::DoMouseWheel(shift, wheelDelta, mousePos))
        return true;
    const int32_t before = topRow_;
    SetTopRow(topRow_ - wheelDelta / 40);
    return topRow_ != before;
}

void Te3DrawGrid::DoEnter()
{
    fw::Guard<Te3DrawGrid> self(this);
    fw::TWinControl::DoEnter();
    if (!self)
        return;
    if (OnChangeFocus)
        OnChangeFocus(this);
    if (!self)
        return;
    FocusChanged();
    Invalidate();
    // An editor that is always shown comes up as the grid takes the focus; a
    // press that focuses the grid shows it on the cell it makes current. An
    // editor left open when the focus went away takes it back, so that what
    // is typed goes on into the cell.
    if (EditorMode())
        editor_->setFocus(Qt::OtherFocusReason);
    else if (AlwaysShowEditor() && !pressing_)
        ShowEditor();
}

void Te3DrawGrid::DoExit()
{
    fw::Guard<Te3DrawGrid> self(this);
    fw::TWinControl::DoExit();
    if (!self)
        return;
    if (OnChangeFocus)
        OnChangeFocus(this);
    if (self) {
        FocusChanged();
        Invalidate();
    }
}

} // namespace e3
