#pragma once
// The data-list grid: a draw grid whose rows come from a data list and whose
// columns are described by a collection of column items. It paints texts,
// images and cells spanning several columns, marks the sort column, keeps the
// list of selected rows and a range rectangle, scales its columns to its width,
// fits a column to its text, hints shortened texts and opens a typed cell
// editor over a cell. Everything the engine needs travels through published
// properties, actions and events.
#include "e3/datalist/DataListClient.h"
#include "e3/grids/DrawGrid.h"
#include "framework/Collection.h"

#include <QImage>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;

namespace e3 {

enum TDLColumnType { csString, csBoolean, csImage };
// The vertical alignment of cell texts (the buttons have their own).
namespace rx {
enum TRxVertAlignment { vaTopJustify, vaCenter, vaBottomJustify };
}
using rx::TRxVertAlignment;
extern const fw::TEnumType DLColumnTypeType;
extern const fw::TEnumType RxVertAlignmentType;

// A picture by name (the client's images); an empty image when there is none.
using TDLGetImage = std::function<void(fw::TObject* sender, const std::string& name, QImage& bitmap)>;
using TDLClick = std::function<void(fw::TObject* sender, int32_t mouseCol, int32_t row)>;
using TDGEditorClick = fw::TEditorClickEvent;
extern const fw::TEventType DLGetImageEventType;
extern const fw::TEventType DLClickEventType;
extern const fw::TEventType DGEditorClickEventType;

class Te3CustomDLDrawGrid;
class TDLColumns;

// The title cell of a column.
class TDLColumnTitle : public fw::TComponent {
    FW_CLASS()
public:
    TDLColumnTitle(Te3CustomDLDrawGrid* grid, fw::TColor color);

    TDLColumnType GetTitleType() const { return titleType_; }
    void SetTitleType(TDLColumnType value);
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TRxVertAlignment GetVertAlign() const { return vertAlign_; }
    void SetVertAlign(TRxVertAlignment value);
    std::string GetCaption() const { return caption_; }
    void SetCaption(const std::string& value);
    fw::TColor GetColor() const { return color_; }
    void SetColor(fw::TColor value) { color_ = value; }
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);

private:
    void Changed();

    Te3CustomDLDrawGrid* grid_;
    TDLColumnType titleType_ = csString;
    TAlignment alignment_ = taCenter;
    TRxVertAlignment vertAlign_ = rx::vaCenter;
    std::string caption_;
    fw::TColor color_;
    bool wordWrap_ = false;
};

// One column: how its cells are drawn and which editor edits them.
class TDLColumn : public fw::TCollectionItem {
    FW_CLASS()
public:
    TDLColumn(Te3CustomDLDrawGrid* grid);
    ~TDLColumn() override;

    fw::TWinControl* GetEditor() const;
    TDLColumnType GetColumnType() const { return columnType_; }
    void SetColumnType(TDLColumnType value);
    std::string GetClassEditor() const { return classEditor_; }
    // The first name from the list of editor classes creates the editor;
    // later changes only store the name.
    void SetClassEditor(const std::string& value);
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TAlignment GetDeleteAlign() const { return deleteAlign_; }
    void SetDeleteAlign(TAlignment value);
    fw::TFontStyles GetFontStyle() const { return fontStyle_; }
    void SetFontStyle(fw::TFontStyles value);
    TRxVertAlignment GetVertAlign() const { return vertAlign_; }
    void SetVertAlign(TRxVertAlignment value);
    fw::TColor GetColor() const { return color_; }
    void SetColor(fw::TColor value) { color_ = value; }
    bool GetReadOnly() const { return readOnly_; }
    // Ignored while the grid is locked.
    void SetReadOnly(bool value);
    TDLColumnTitle* GetTitle() const { return title_.get(); }
    bool GetVisible() const { return visible_; }
    void SetVisible(bool value);
    int32_t GetWidth() const;
    void SetWidth(int32_t value);
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool GetImageInvert() const { return imageInvert_; }
    void SetImageInvert(bool value) { imageInvert_ = value; }
    bool GetFixedWidth() const { return fixedWidth_; }
    void SetFixedWidth(bool value) { fixedWidth_ = value; }

    // The lock sets ReadOnly past the setter's guard.
    void ForceReadOnly(bool value) { readOnly_ = value; }

private:
    int32_t Index() const { return GetIndex(); }

    Te3CustomDLDrawGrid* grid_;
    fw::Guard<fw::TWinControl> editor_;
    TDLColumnType columnType_ = csString;
    std::string classEditor_ = "Te3_Edit";
    TAlignment alignment_ = taLeftJustify;
    TAlignment deleteAlign_ = taRightJustify;
    fw::TFontStyles fontStyle_ = 0;
    TRxVertAlignment vertAlign_ = rx::vaTopJustify;
    fw::TColor color_;
    bool readOnly_ = true;
    std::unique_ptr<TDLColumnTitle> title_;
    bool visible_ = true;
    bool wordWrap_ = true;
    bool imageInvert_ = false;
    bool fixedWidth_ = false;
};

// The columns of a grid. Reading item i adds default columns until it exists,
// so any column may be addressed without creating it first; an index past the
// largest column count a grid may have is refused.
class TDLColumns : public fw::TCollection {
    FW_CLASS()
public:
    static constexpr int32_t MaxColumns = 1024;

    explicit TDLColumns(Te3CustomDLDrawGrid* grid);

    TDLColumn* GetColumn(int32_t index);
    // The column when it exists; nullptr otherwise (nothing is added).
    TDLColumn* Find(int32_t index) const;
    fw::TCollectionItem* ItemAtPath(int32_t index) override;

private:
    Te3CustomDLDrawGrid* grid_;
};

class Te3CustomDLDrawGrid : public Te3DrawGrid, public IDataListGrid {
    FW_CLASS()
public:
    explicit Te3CustomDLDrawGrid(fw::TComponent* owner);
    ~Te3CustomDLDrawGrid() override;

    // Published.
    bool GetLockedEdit() const { return lockedEdit_; }
    void SetLockedEdit(bool value);
    TDLColumns* GetColumns() const { return columns_.get(); }
    bool GetScaleCol() const { return scaleCol_; }
    void SetScaleCol(bool value);
    bool GetDrawLines() const { return drawLines_; }
    void SetDrawLines(bool value);
    bool GetRowSelect() const { return rowSelect_; }
    void SetRowSelect(bool value) { rowSelect_ = value; }
    bool GetRangeSelect() const { return rangeSelect_; }
    void SetRangeSelect(bool value);
    bool GetColMoving() const { return colMoving_; }
    void SetColMoving(bool value);
    TDGDataListClient* GetDataList() const { return dataList_.get(); }
    void SetDataList(TDGDataListClient* value);
    bool GetTitleVisible() const { return titleVisible_; }
    void SetTitleVisible(bool value);
    int32_t GetTitleHeight() const { return titleHeight_; }
    void SetTitleHeight(int32_t value);
    bool GetTwoColors() const { return twoColors_; }
    void SetTwoColors(bool value);
    // The colour of every second row while striping.
    fw::TColor GetColorTwo() const { return secondColor_; }
    void SetColorTwo(fw::TColor value);
    bool GetAdjustRows() const { return adjustRows_; }
    void SetAdjustRows(bool value) { adjustRows_ = value; }
    bool GetIndicator() const { return indicator_; }
    void SetIndicator(bool value);
    std::string GetRowSelectList() const;
    std::string GetRangeSelectRect() const;
    int32_t GetMouseCol() const;
    void SetMouseCol(int32_t value) { mouseCol_ = value; }
    fw::TComponent* GetIniStorage() const { return iniStorage_.get(); }
    void SetIniStorage(fw::TComponent* value) { iniStorage_ = value; }

    // Actions.
    void _ReDrawSize(const std::string& value);
    void _ClearSelect(const std::string& value);
    void _Click(const std::string& value);
    // "1" starts dragging the grid at once; anything else once the mouse,
    // its left button held, has moved the drag threshold.
    void _BeginDrag(const std::string& value);
    bool DragPending() const { return dragPending_; }
    void _SelectAll(const std::string& value);
    void _SetFocus(const std::string& value);
    void _ShowEditor(const std::string& value);
    void _ShowString(const std::string& value);
    void _SortColType(const std::string& value);
    std::string Get_WidthData() const;
    void Set_WidthData(const std::string&) {}
    int32_t Get_HitRow() const { return lastPressRow_; }
    void Set_HitRow(int32_t) {}
    int32_t Get_Col() const { return GetCol(); }
    void Set_Col(int32_t value) { SetCol(value); }
    int32_t Get_Row() const;
    void Set_Row(int32_t value);
    int32_t Get_RowCount() const;
    void Set_RowCount(int32_t value);

    TDLGetImage OnGetImage;
    fw::TNotifyEvent OnChangeColSize;
    TDGEditorClick OnBeginEditorClick;
    TDGEditorClick OnEndEditorClick;
    TDLClick OnDLClick;

    // State the engine and the tests read.
    const std::vector<int32_t>& SelectedRows() const { return selectedRows_; }
    TGridRect RangeRect() const { return range_; }
    int32_t SortCol() const { return sortCol_; }
    char SortDirection() const { return sortDirection_; }
    const std::vector<int32_t>& ColumnOrder() const { return colOrder_; }
    // The data column shown at a display position.
    int32_t DataColumn(int32_t displayCol) const;
    bool WatermarkOn() const { return watermark_.on; }
    int32_t EditorRow() const { return editorRow_; }
    int32_t EditorCol() const { return editorCol_; }
    int32_t AvailableWidth() const { return availableWidth_; }

    // Scaling: the saved widths shared out over the client width.
    void ScaleColumns();
    void ScaleColumnsAfterSizing(int32_t sizedCol);
    void SaveColumnWidths();
    // Fits a column to the widest text of its cells.
    void FitColumn(int32_t col);
    // The cell editor for (col, editor row); see the interaction rules.
    void ShowCellEditor(int32_t col, int32_t row, bool force);
    // A text shortened with "..." to fit a width.
    std::string ShortenToWidth(int32_t width, const std::string& text, TAlignment mode) const;
    // The row height that a data row's word-wrapping cells need.
    int32_t NeededRowHeight(int32_t row);
    // The text of the cell covering col in grid row row and its extra text;
    // true when the extra text is not empty.
    bool CellTextAt(int32_t col, int32_t row, std::string& extra, std::string& text);
    void Click();
    // Asks the data list for the visible rows it lacks and repaints when
    // some came. Paints only schedule this, so that an engine reply never
    // changes the grid while it paints.
    void FetchVisibleRows();
    // The hint window for a shortened text; nullptr while none was shown.
    QLabel* HintWindow() const { return hint_; }
    bool HintShowing() const;
    void HideCellHint();

    // IDataListGrid
    fw::TComponent* GridComponent() override { return this; }
    int32_t GridColCount() const override { return GetColCount(); }
    int32_t GridRowCount() const override { return GetRowCount(); }
    int32_t GridTopRow() const override { return GetTopRow(); }
    int32_t GridFixedRows() const override { return GetFixedRows(); }
    int32_t GridVisibleRowCount() const override { return GetVisibleRowCount(); }
    bool GridTitleVisible() const override { return titleVisible_; }
    std::vector<int32_t> GridColumnWidths() const override;
    void GridLastPressCell(int32_t& col, int32_t& row) const override;
    void GridRepaintLater() override { Invalidate(); }
    void GridDataListGone() override;

    void DoMouseDown(fw::TMouseButton button, fw::TShiftState shift, int32_t x, int32_t y) override;
    void DoMouseUp(fw::TMouseButton button, fw::TShiftState shift, int32_t x, int32_t y) override;
    void DoMouseMove(fw::TShiftState shift, int32_t x, int32_t y) override;
    void DoKeyDown(uint16_t& key, fw::TShiftState shift) override;
    void DoDblClick() override;
    void DoClick() override;

    void SetColCount(int32_t value) override;
    void SetOptions(TGridOptions value) override;

protected:
    void Paint(QPainter& painter) override;
    bool SelectCell(int32_t col, int32_t row) override;
    void Resized() override;
    void ColumnMoved(int32_t from, int32_t to) override;
    void Notification(fw::TComponent* component, fw::TOperation operation) override;
    void Detach() override;

private:
    friend class TDLColumn;
    friend class TDLColumnTitle;
    struct Watermark {
        bool on = false;
        std::string text;
        int32_t angle = 0;
    };

    void DrawTitleCell(QPainter& painter, int32_t col, const QRect& rect);
    void DrawDataCell(QPainter& painter, int32_t col, int32_t row, const QRect& rect, TGridDrawState state,
                      int32_t& needed);
    void DrawCellText(QPainter& painter, const QRect& rect, int32_t col, bool wordWrap, TRxVertAlignment vertAlign,
                      TAlignment alignment, const std::string& text, int32_t row, int32_t& needed);
    void DrawCellImage(QPainter& painter, const QRect& rect, const std::string& name, TAlignment alignment,
                       TRxVertAlignment vertAlign, bool invert, fw::TObject* sender);
    void PaintEmpty(QPainter& painter);
    void PaintStripes(QPainter& painter, int32_t fromY);
    void PaintWatermark(QPainter& painter);
    void PaintSortArrow(QPainter& painter, int32_t col, const QRect& rect);
    static void DrawPictureAt(QPainter& painter, const QRect& rect, const QImage& picture);
    void ScheduleFetch();
    QImage Bitmap(const char* name) const;
    bool DataListEmpty() const;
    void DetachDataList();
    void DropDataListHooks();
    // The grid's OnDblClick while a data list is attached.
    struct DataListDblClick {
        fw::Guard<TDGDataListClient> list;
        void operator()(fw::TObject*) const
        {
            if (TDGDataListClient* l = list.get())
                l->DblClick();
        }
    };
    // Reads the editor's value by its class and reports the end of editing.
    void EditorEntered(fw::TWinControl* editor);
    void EditorLeft(fw::TWinControl* editor);
    void EditorKey(fw::TWinControl* editor, uint16_t& key);
    void HookEditor(TDLColumn* column, fw::TWinControl* editor);
    void ShowCellHint(int32_t col, int32_t row);
    int32_t DataRowOf(int32_t gridRow) const { return titleVisible_ ? gridRow - 1 : gridRow; }
    bool RowListed(int32_t gridRow) const;
    void AddRow(int32_t gridRow);
    void RunSort(int32_t col);

    bool lockedEdit_ = false;
    std::unique_ptr<TDLColumns> columns_;
    bool scaleCol_ = true;
    bool drawLines_ = true;
    bool rowSelect_ = false;
    bool rangeSelect_ = false;
    bool colMoving_ = false;
    std::vector<int32_t> savedWidths_;
    fw::Guard<TDGDataListClient> dataList_;
    std::vector<int32_t> colOrder_;
    int32_t keyDirection_ = 0;
    int32_t sortCol_ = -1;
    char sortDirection_ = 'N';
    bool measuring_ = false;
    int32_t availableWidth_ = 0;
    int32_t widestText_ = 0;
    bool titleVisible_ = false;
    int32_t titleHeight_ = 18;
    int32_t editorRow_ = -1;
    int32_t editorCol_ = -1;
    bool twoColors_ = false;
    bool adjustRows_ = true;
    fw::TColor secondColor_ = 15986408;
    int32_t lastPressCol_ = -1;
    int32_t lastPressRow_ = -1;
    int32_t lastPressMouseCol_ = -1;
    int32_t lastPressMouseRow_ = -1;
    int32_t lastPressDivider_ = -1;
    bool pressSelecting_ = false;
    bool fitting_ = false;
    QLabel* hint_ = nullptr;
    int32_t hintCol_ = -1;
    int32_t hintRow_ = -1;
    bool suppressUp_ = false;
    // A drag asked for by the engine, waiting for the mouse to move.
    void StartDrag();
    bool dragPending_ = false;
    bool leftHeld_ = false;
    QPoint dragOrigin_;
    Watermark watermark_;
    bool indicator_ = false;
    std::vector<int32_t> selectedRows_;
    TGridRect range_ {-1, -1, -1, -1};
    int32_t mouseCol_ = -1;
    fw::Guard<fw::TComponent> iniStorage_;
    bool scaling_ = false;
    bool fetchPending_ = false;
};

class Te3DLDrawGrid : public Te3CustomDLDrawGrid {
    FW_CLASS()
public:
    using Te3CustomDLDrawGrid::Te3CustomDLDrawGrid;
};

class Te3_DLDrawGrid : public Te3DLDrawGrid {
    FW_CLASS()
public:
    using Te3DLDrawGrid::Te3DLDrawGrid;
};

} // namespace e3
