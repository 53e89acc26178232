#pragma once
// The draw grid: our own grid widget on a scroll area. It keeps column widths
// and row heights, fixed rows and columns, scrolls by whole rows and columns,
// keeps a current cell and a selection, sizes and moves columns with the mouse
// and leaves the cell content to DrawCell (OnDrawCell). Fixed cells may act as
// buttons. The data-list grid builds on it.
//
// Coordinates: "client" coordinates are those of the cell area (the scroll
// area's viewport); cells are addressed as (column, row), both from 0.
#include "e3/common/Contract.h"
#include "e3/common/ControlBase.h"
#include "e3/common/ScrollingClient.h"
#include "e3/edits/Edit.h"
#include "framework/Events.h"
#include "framework/Graphics.h"

#include <QRect>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

class QAbstractScrollArea;
class QImage;
class QPainter;

namespace e3 {

// Grid options, in the order of their ordinals.
enum TGridOption {
    goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected,
    goRowSizing, goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect,
    goAlwaysShowEditor, goThumbTracking
};
using TGridOptions = uint32_t; // bit (1 << TGridOption)
constexpr TGridOptions GridOption(TGridOption o) { return TGridOptions {1} << o; }
extern const fw::TEnumType GridOptionType;

// Cell state bits while painting.
enum TGridDrawStateBit { gdSelected, gdFocused, gdFixed };
using TGridDrawState = uint32_t;
constexpr TGridDrawState DrawState(TGridDrawStateBit b) { return TGridDrawState {1} << b; }

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

struct TGridRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool Contains(int32_t col, int32_t row) const
    {
        return col >= left && col <= right && row >= top && row <= bottom;
    }
    bool operator==(const TGridRect&) const = default;
};

// How the cell editor offers more than typing: nothing, an ellipsis button,
// a pick list.
enum TEditStyle { esSimple, esEllipsis, esPickList };
class TRxInplaceEdit;

using TDrawCellEvent = std::function<void(fw::TObject* sender, int32_t col, int32_t row, const fw::TRect& rect,
                                          TGridDrawState state)>;
using TFixedCellClickEvent = std::function<void(fw::TObject* sender, int32_t col, int32_t row)>;
using TFixedCellCheckEvent = std::function<void(fw::TObject* sender, int32_t col, int32_t row, bool& enabled)>;
// The cell editor's events.
using TAcceptKeyEvent = std::function<bool(fw::TObject* sender, char32_t& key)>;
using TEditLimitEvent = std::function<void(fw::TObject* sender, int32_t& maxLength)>;
using TEditShowEvent = std::function<void(fw::TObject* sender, int32_t col, int32_t row, bool& allowEdit)>;
using TEditAlignEvent = std::function<void(fw::TObject* sender, int32_t col, int32_t row, TAlignment& alignment)>;
using TEditStyleEvent = std::function<void(fw::TObject* sender, int32_t col, int32_t row, TEditStyle& style)>;
using TPicklistEvent =
    std::function<void(fw::TObject* sender, int32_t col, int32_t row, std::vector<std::string>& pickList)>;
using TGetEditEvent = std::function<void(fw::TObject* sender, int32_t col, int32_t row, std::string& value)>;
using TSetEditEvent = std::function<void(fw::TObject* sender, int32_t col, int32_t row, const std::string& value)>;
extern const fw::TEventType DrawCellEventType;
extern const fw::TEventType FixedCellClickEventType;
extern const fw::TEventType FixedCellCheckEventType;

// The widths of columns scaled to an available width. Invisible columns get 0,
// columns marked fixed keep their width, the others share what is left in the
// proportion of their saved widths, the last of them taking the rest.
struct TScaleColumn {
    int32_t width = 0;      // current width
    int32_t savedWidth = 0; // width that scaling starts from
    bool visible = true;
    bool fixedWidth = false;
};
// clientWidth minus the fixed widths, minus one pixel per column when vertical
// lines are drawn, is the available width; it is returned. keepCol (-1 for
// none) is the column that the user has just sized: it keeps its width, as do
// the columns before the first scalable one.
int32_t ScaleColumnWidths(std::vector<TScaleColumn>& columns, int32_t clientWidth, bool verticalLines,
                          int32_t keepCol = -1);

// The design class the draw grid family answers for translation.
const fw::TClassInfo& DrawGridLanguageClass();

class Te3DrawGrid : public Te3Control<fw::TWinControl> {
    FW_CLASS()
public:
    explicit Te3DrawGrid(fw::TComponent* owner);
    ~Te3DrawGrid() override;

    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
    int32_t ClientWidth() const override;
    int32_t ClientHeight() const override;
    // Sets the height so that the cell area becomes that high.
    void SetClientHeight(int32_t value);

    // Layout. Counts below their minimum are raised to it.
    int32_t GetColCount() const { return colCount_; }
    virtual void SetColCount(int32_t value);
    int32_t GetRowCount() const { return rowCount_; }
    virtual void SetRowCount(int32_t value);
    int32_t GetFixedCols() const { return fixedCols_; }
    void SetFixedCols(int32_t value);
    int32_t GetFixedRows() const { return fixedRows_; }
    void SetFixedRows(int32_t value);
    int32_t GetDefaultColWidth() const { return defaultColWidth_; }
    void SetDefaultColWidth(int32_t value);
    int32_t GetDefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int32_t value);
    int32_t GetGridLineWidth() const { return gridLineWidth_; }
    void SetGridLineWidth(int32_t value);
    int32_t ColWidths(int32_t col) const;
    // Negative widths are taken as 0.
    void SetColWidths(int32_t col, int32_t width);
    int32_t RowHeights(int32_t row) const;
    void SetRowHeights(int32_t row, int32_t height);
    TGridOptions GetOptions() const { return options_; }
    virtual void SetOptions(TGridOptions value);
    bool HasOption(TGridOption o) const { return (options_ & GridOption(o)) != 0; }
    TScrollStyle GetScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    fw::TColor GetFixedColor() const { return fixedColor_; }
    void SetFixedColor(fw::TColor value);
    bool GetFixedButtons() const { return fixedButtons_; }
    void SetFixedButtons(bool value);

    // Current cell, scrolling and selection.
    int32_t GetCol() const { return col_; }
    void SetCol(int32_t value);
    int32_t GetRow() const { return row_; }
    void SetRow(int32_t value);
    // Makes the cell current (when SelectCell allows it) and scrolls it into view.
    void FocusCell(int32_t col, int32_t row, bool moveAnchor = true);
    int32_t GetTopRow() const { return topRow_; }
    void SetTopRow(int32_t value);
    int32_t GetLeftCol() const { return leftCol_; }
    void SetLeftCol(int32_t value);
    TGridRect Selection() const;
    void SetSelection(const TGridRect& rect);
    // Scrolled rows and columns that fit wholly into the client area.
    int32_t GetVisibleRowCount() const;
    int32_t GetVisibleColCount() const;
    TGridState GridState() const { return state_; }

    // Geometry in client coordinates; an empty rectangle for a cell that does
    // not show. The grid lays its cells out from the left; a right-to-left
    // grid (BiDiMode bdRightToLeft) shows them mirrored: Physical turns a
    // laid-out rectangle into the one on screen, ToClient takes a point of the
    // control to the laid-out coordinates that the hit tests below use.
    QRect CellRect(int32_t col, int32_t row) const;
    bool Mirrored() const;
    QRect Physical(const QRect& laidOut) const;
    // The cell under a client point; -1 each outside the cells.
    void MouseToCell(int32_t x, int32_t y, int32_t& col, int32_t& row) const;
    // The column whose right divider lies at x (within the hit zone), in the
    // fixed rows; -1 when none.
    int32_t ColumnDividerAt(int32_t x, int32_t y) const;
    // The row whose lower divider lies at y (within the hit zone), in the
    // fixed columns; -1 when none.
    int32_t RowDividerAt(int32_t x, int32_t y) const;
    int32_t FixedWidth() const;
    int32_t FixedHeight() const;

    void Invalidate();
    void InvalidateCell(int32_t col, int32_t row);
    void InvalidateRow(int32_t row);
    // Paints now (tests and measurements); the widget's paint does the same.
    void Repaint();

    // Drawing helpers, valid while painting.
    QPainter* Canvas() const { return canvas_; }
    void DrawStr(const QRect& rect, const std::string& text, TAlignment alignment);
    void DrawPicture(const QRect& rect, const QImage& picture);

    QAbstractScrollArea* ScrollArea() const { return area_; }
    QWidget* Viewport() const;

    void SetFocus();
    bool Focused() const;

    TDrawCellEvent OnDrawCell;
    fw::TSelectCellEvent OnSelectCell;
    fw::TNotifyEvent OnTopLeftChanged;
    fw::TMovedEvent OnColumnMoved;
    TFixedCellCheckEvent OnCheckButton;
    fw::TNotifyEvent OnChangeFocus;
    TFixedCellClickEvent OnFixedCellClick;
    fw::TNotifyEvent OnColumnSized;
    // The cell editor (with goEditing): its text comes from OnGetEditText and
    // goes to OnSetEditText when the editor is left.
    TAcceptKeyEvent OnAcceptEditKey;
    fw::TNotifyEvent OnCancelEdit;
    TEditLimitEvent OnGetEditLimit;
    fw::TNotifyEvent OnEditChange;
    TEditShowEvent OnShowEditor;
    TEditAlignEvent OnGetEditAlign;
    TEditStyleEvent OnGetEditStyle;
    TPicklistEvent OnGetPicklist;
    fw::TNotifyEvent OnEditButtonClick;
    TGetEditEvent OnGetEditText;
    TSetEditEvent OnSetEditText;

    // Opens the editor over the current cell when the options and
    // OnShowEditor allow it; hides it, storing its text unless told not to.
    void ShowEditor();
    void HideEditor(bool store = true);
    bool EditorMode() const;
    // goEditing with goAlwaysShowEditor: the editor comes up as the grid takes
    // the focus (or the option comes on while it has it), stays when the focus
    // leaves, follows the current cell and comes back after every press.
    bool AlwaysShowEditor() const;
    TRxInplaceEdit* InplaceEditor() const { return editor_; }

    // What the editor asks of its grid.
    bool AcceptEditKey(char32_t& key);
    void EditChanged();
    void EditButtonClick();
    void PickListItems(std::vector<std::string>& items);
    // Escape in the editor: hidden without storing; OnCancelEdit.
    void CancelEdit();
    // A key the editor leaves to the grid (Enter, arrows, Tab).
    void EditorKey(uint16_t key, fw::TShiftState shift);
    fw::TNotifyEvent OnRowSized;
    fw::TMovedEvent OnRowMoved;

    void DoMouseDown(fw::TMouseButton button, fw::TShiftState shift, int32_t x, int32_t y) override;
    void DoMouseUp(fw::TMouseButton button, fw::TShiftState shift, int32_t x, int32_t y) override;
    void DoMouseMove(fw::TShiftState shift, int32_t x, int32_t y) override;
    void DoKeyDown(uint16_t& key, fw::TShiftState shift) override;
    void DoKeyPress(char32_t& key) override;
    void DoEnter() override;
    void DoExit() override;
    bool DoMouseWheel(fw::TShiftState shift, int32_t wheelDelta, fw::TPoint mousePos) override;

protected:
    // Paints the whole grid: backgrounds, cells through DrawCell, lines.
    virtual void Paint(QPainter& painter);
    // The content of one cell.
    virtual void DrawCell(int32_t col, int32_t row, const QRect& rect, TGridDrawState state);
    // Whether the cell may become current (OnSelectCell).
    virtual bool SelectCell(int32_t col, int32_t row);
    virtual void TopLeftChanged();
    virtual void ColumnMoved(int32_t from, int32_t to);
    virtual void RowMoved(int32_t from, int32_t to);
    virtual void ColWidthsChanged() {}
    virtual void Resized();
    virtual void FocusChanged() {}
    // The cell's background and state as the base paints them.
    TGridDrawState CellState(int32_t col, int32_t row) const;
    QColor CellBackground(int32_t col, int32_t row, TGridDrawState state) const;
    void PaintLines(QPainter& painter, fw::TColor dataLineColor);
    // The client point in cell-area coordinates from the control's own.
    QPoint ToClient(int32_t x, int32_t y) const;
    // A point of the cell area as laid out.
    QPoint LaidOut(QPoint viewportPoint) const;
    // Runs draw with the painter's mirror taken off and the laid-out
    // rectangle turned into the one it shows as, so that texts and pictures
    // read the right way in a right-to-left grid.
    static void DrawUnmirrored(QPainter& painter, const QRect& laidOut,
                               const std::function<void(QPainter&, const QRect&)>& draw);
    // Text flags as a mirrored painter shows them: left and right swapped.
    static int ShownAlignment(const QPainter& painter, int flags);
    // Moves a column, its width with it.
    void MoveColumn(int32_t from, int32_t to);
    // Moves a row, its height with it.
    void MoveRow(int32_t from, int32_t to);
    void ApplyColor() override;
    void ApplyFont() override;
    // State of a mouse press the subclasses read.
    int32_t sizingCol_ = -1;
    int32_t sizingRow_ = -1;
    int32_t moveFrom_ = -1; // column or row, as the state says
    int32_t moveTo_ = -1;
    TGridState state_ = gsNormal;

private:
    class View;
    friend class View;
    struct PressedButton {
        int32_t col = -1, row = -1;
        bool pressed = false, tracking = false;
    };

    void UpdateScrollBars();
    int32_t MaxTopRow() const;
    int32_t MaxLeftCol() const;
    void ScrollInView(int32_t col, int32_t row);
    void MoveCurrent(int32_t col, int32_t row, bool extend);

    QAbstractScrollArea* area_;
    int32_t colCount_ = 5;
    int32_t rowCount_ = 5;
    int32_t fixedCols_ = 1;
    int32_t fixedRows_ = 1;
    int32_t defaultColWidth_ = 64;
    int32_t defaultRowHeight_ = 18;
    int32_t gridLineWidth_ = 1;
    std::vector<int32_t> colWidths_;                 // one per column
    std::unordered_map<int32_t, int32_t> rowHeights_; // rows not of the default height
    TGridOptions options_ = 0;
    TScrollStyle scrollBars_ = ssBoth;
    fw::TColor fixedColor_ = fw::clBtnFace;
    bool fixedButtons_ = false;
    int32_t col_ = 1;
    int32_t row_ = 1;
    int32_t anchorCol_ = 1;
    int32_t anchorRow_ = 1;
    int32_t topRow_ = 1;
    int32_t leftCol_ = 1;
    int32_t sizingStart_ = 0;      // x or y of the sizing press
    int32_t sizingStartExtent_ = 0; // width or height at that press
    PressedButton button_;
    QPainter* canvas_ = nullptr;
    bool updatingBars_ = false;
    TRxInplaceEdit* editor_ = nullptr;
    int32_t editCol_ = -1, editRow_ = -1;
    bool editOnRelease_ = false;
    // Set while a press focuses the grid: its release shows the editor.
    bool pressing_ = false;
    void PlaceEditor();
};

} // namespace e3
