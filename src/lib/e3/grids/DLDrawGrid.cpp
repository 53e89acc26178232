#include "e3/grids/DLDrawGrid.h"

#include "e3/combos/CComboBox.h"
#include "e3/combos/ComboBox.h"
#include "e3/dates/DateEdit.h"
#include "e3/edits/Edit.h"
#include "e3/numbers/RegNoEdit.h"
#include "framework/Drag.h"
#include "framework/StandardProps.h"
#include "u3/Exceptions.h"
#include "u3/StrLib.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace e3 {

const fw::TEnumType DLColumnTypeType {"TDLColumnType", {"csString", "csBoolean", "csImage"}};
const fw::TEnumType RxVertAlignmentType {"TVertAlignment", {"vaTopJustify", "vaCenter", "vaBottomJustify"}};
const fw::TEventType DLGetImageEventType {"TDLGetImage", typeid(TDLGetImage)};
const fw::TEventType DLClickEventType {"TDLClick", typeid(TDLClick)};
const fw::TEventType DGEditorClickEventType {"TDGEditorClick", typeid(TDGEditorClick)};

namespace {

constexpr uint16_t vkReturn = 0x0D, vkEnd = 0x23, vkHome = 0x24, vkLeft = 0x25, vkUp = 0x26, vkRight = 0x27,
                   vkDown = 0x28;
constexpr fw::TShiftState ShiftBit(fw::TShiftStateBit b) { return fw::TShiftState {1} << b; }
constexpr fw::TColor GreyColor = 8421504;
constexpr fw::TColor WatermarkColor = 15380656;

// The framework's integer conversion: an optional sign and decimal digits (or
// "$" and hexadecimal ones), nothing else.
int32_t StrToInt(const std::string& text)
{
    int64_t value = 0;
    if (!u3::TryStrToInt64(text, value) || value < INT32_MIN || value > INT32_MAX)
        throw u3::EConvertError("'" + text + "' is not a valid integer value");
    return static_cast<int32_t>(value);
}

// The nearest integer, halves to even.
int32_t RoundEven(double value)
{
    return static_cast<int32_t>(std::nearbyint(value));
}

int AlignFlags(TAlignment alignment, TRxVertAlignment vertAlign)
{
    int flags = alignment == taRightJustify ? Qt::AlignRight : alignment == taCenter ? Qt::AlignHCenter : Qt::AlignLeft;
    flags |= vertAlign == rx::vaCenter ? Qt::AlignVCenter : vertAlign == rx::vaBottomJustify ? Qt::AlignBottom : Qt::AlignTop;
    return flags;
}

QFont StyledFont(QFont font, fw::TFontStyles style)
{
    font.setBold(style & (1u << fw::fsBold));
    font.setItalic(style & (1u << fw::fsItalic));
    font.setUnderline(style & (1u << fw::fsUnderline));
    font.setStrikeOut(style & (1u << fw::fsStrikeOut));
    return font;
}

QString ToQ(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Cell texts carry CR LF line breaks; Qt breaks at LF.
QString CellQText(const std::string& text)
{
    QString s = ToQ(text);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return s;
}

bool IsBlank(const std::string& text)
{
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

// The pictures of the sort arrows and the row marker.
QImage MakeBitmap(const char* name)
{
    QImage image(11, 11, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(64, 64, 64));
    const std::string n = name;
    if (n == "ASC")
        p.drawPolygon(QPolygon({QPoint(5, 2), QPoint(10, 8), QPoint(0, 8)}));
    else if (n == "DESC")
        p.drawPolygon(QPolygon({QPoint(0, 2), QPoint(10, 2), QPoint(5, 8)}));
    else
        p.drawPolygon(QPolygon({QPoint(2, 0), QPoint(8, 5), QPoint(2, 10)}));
    return image;
}

std::string ReadPublishedString(fw::TObject& object, const std::string& name)
{
    const fw::TPropInfo* p = object.ClassType().FindProperty(name);
    if (!p || !p->IsReadable())
        return {};
    const fw::PropValue v = p->get(object);
    if (const auto* s = std::get_if<std::string>(&v))
        return *s;
    if (const auto* i = std::get_if<int64_t>(&v))
        return std::to_string(*i);
    return {};
}

} // namespace

// --- column title -------------------------------------------------------------------

const fw::TClassInfo& TDLColumnTitle::StaticClass()
{
    using C = TDLColumnTitle;
    static const fw::TClassInfo info {
        "TDLColumnTitle",
        &fw::TComponent::StaticClass(),
        fw::TRows<TDLColumnTitle> {
            fw::prop::Enum("TitleType", DLColumnTypeType, &C::GetTitleType, &C::SetTitleType),
            fw::prop::Enum("Alignment", AlignmentType, &C::GetAlignment, &C::SetAlignment),
            fw::prop::Enum("VertAlign", RxVertAlignmentType, &C::GetVertAlign, &C::SetVertAlign),
            fw::prop::String("Caption", &C::GetCaption, &C::SetCaption),
            fw::prop::Integer("Color", &C::GetColor, &C::SetColor),
            fw::prop::Boolean("WordWrap", &C::GetWordWrap, &C::SetWordWrap),
        },
    };
    return info;
}

TDLColumnTitle::TDLColumnTitle(Te3CustomDLDrawGrid* grid, fw::TColor color)
    : fw::TComponent(nullptr)
    , grid_(grid)
    , color_(color)
{
}

void TDLColumnTitle::Changed()
{
    if (grid_)
        grid_->Invalidate();
}

void TDLColumnTitle::SetTitleType(TDLColumnType value)
{
    titleType_ = value;
    if (value == csImage)
        alignment_ = taCenter;
    Changed();
}

void TDLColumnTitle::SetAlignment(TAlignment value)
{
    alignment_ = value;
    Changed();
}

void TDLColumnTitle::SetVertAlign(TRxVertAlignment value)
{
    vertAlign_ = value;
    Changed();
}

void TDLColumnTitle::SetCaption(const std::string& value)
{
    caption_ = value;
    Changed();
}

void TDLColumnTitle::SetWordWrap(bool value)
{
    wordWrap_ = value;
    Changed();
}

// --- column -------------------------------------------------------------------------

const fw::TClassInfo& TDLColumn::StaticClass()
{
    using C = TDLColumn;
    static const fw::TClassInfo info {
        "TDLColumn",
        &fw::TCollectionItem::StaticClass(),
        fw::TRows<TDLColumn> {
            fw::prop::Object("Editor", fw::TWinControl::StaticClass(), &C::GetEditor, nullptr),
            fw::prop::Enum("ColumnType", DLColumnTypeType, &C::GetColumnType, &C::SetColumnType),
            fw::prop::String("ClassEditor", &C::GetClassEditor, &C::SetClassEditor),
            fw::prop::Enum("Alignment", AlignmentType, &C::GetAlignment, &C::SetAlignment),
            fw::prop::Enum("DeleteAlign", AlignmentType, &C::GetDeleteAlign, &C::SetDeleteAlign),
            fw::prop::Set("FontStyle", fw::FontStyleType, &C::GetFontStyle, &C::SetFontStyle),
            fw::prop::Enum("VertAlign", RxVertAlignmentType, &C::GetVertAlign, &C::SetVertAlign),
            fw::prop::Integer("Color", &C::GetColor, &C::SetColor),
            fw::prop::Boolean("ReadOnly", &C::GetReadOnly, &C::SetReadOnly),
            fw::prop::Object("Title", TDLColumnTitle::StaticClass(), &C::GetTitle, nullptr),
            fw::prop::Boolean("Visible", &C::GetVisible, &C::SetVisible),
            fw::prop::Integer("Width", &C::GetWidth, &C::SetWidth),
            fw::prop::Boolean("WordWrap", &C::GetWordWrap, &C::SetWordWrap),
            fw::prop::Boolean("ImageInvert", &C::GetImageInvert, &C::SetImageInvert),
            fw::prop::Boolean("FixedWidth", &C::GetFixedWidth, &C::SetFixedWidth),
        },
    };
    return info;
}

TDLColumn::TDLColumn(Te3CustomDLDrawGrid* grid)
    : grid_(grid)
    , color_(grid->GetColor())
    , title_(std::make_unique<TDLColumnTitle>(grid, grid->GetFixedColor()))
{
}

TDLColumn::~TDLColumn() = default;

fw::TWinControl* TDLColumn::GetEditor() const
{
    return editor_.get();
}

void TDLColumn::SetColumnType(TDLColumnType value)
{
    columnType_ = value;
    if (value == csImage)
        alignment_ = taCenter;
    grid_->Invalidate();
}

void TDLColumn::SetClassEditor(const std::string& value)
{
    classEditor_ = value;
    if (editor_)
        return;
    const std::string name = u3::UpperCase(u3::Trim(value));
    fw::TWinControl* editor = nullptr;
    if (name == "TE3_EDIT")
        editor = new Te3_Edit(grid_);
    else if (name == "TALIGNEDIT")
        editor = new TAlignEdit(grid_);
    else if (name == "TE3_COMBOBOX")
        editor = new Te3_ComboBox(grid_);
    else if (name == "TE3_REGNOEDIT")
        editor = new Te3_RegNoEdit(grid_);
    else if (name == "TE3_CCOMBOBOX")
        editor = new Te3_CComboBox(grid_);
    else if (name == "TE3_DATEEDIT")
        editor = new Te3_DateEdit(grid_);
    if (!editor)
        return;
    editor_ = editor;
    grid_->HookEditor(this, editor);
}

void TDLColumn::SetAlignment(TAlignment value)
{
    alignment_ = value;
    grid_->Invalidate();
}

void TDLColumn::SetDeleteAlign(TAlignment value)
{
    deleteAlign_ = value;
    grid_->Invalidate();
}

void TDLColumn::SetFontStyle(fw::TFontStyles value)
{
    fontStyle_ = value;
    grid_->Invalidate();
}

void TDLColumn::SetVertAlign(TRxVertAlignment value)
{
    vertAlign_ = value;
    grid_->Invalidate();
}

void TDLColumn::SetReadOnly(bool value)
{
    if (grid_->GetLockedEdit())
        return;
    readOnly_ = value;
}

void TDLColumn::SetVisible(bool value)
{
    if (visible_ == value)
        return;
    visible_ = value;
    if (grid_->GetScaleCol())
        grid_->ScaleColumns();
    grid_->Invalidate();
}

int32_t TDLColumn::GetWidth() const
{
    return grid_->ColWidths(Index());
}

void TDLColumn::SetWidth(int32_t value)
{
    const int32_t index = Index();
    if (index >= grid_->GetColCount())
        return;
    grid_->SetColWidths(index, value);
}

void TDLColumn::SetWordWrap(bool value)
{
    wordWrap_ = value;
    grid_->Invalidate();
}

// --- columns ------------------------------------------------------------------------

const fw::TClassInfo& TDLColumns::StaticClass()
{
    static const fw::TClassInfo info {"TDLColumns", &fw::TCollection::StaticClass(), {}};
    return info;
}

TDLColumns::TDLColumns(Te3CustomDLDrawGrid* grid)
    : fw::TCollection([grid] { return std::make_unique<TDLColumn>(grid); })
    , grid_(grid)
{
}

TDLColumn* TDLColumns::GetColumn(int32_t index)
{
    if (index < 0 || index >= MaxColumns)
        throw fw::EListError("List index out of bounds (" + std::to_string(index) + ")");
    while (GetCount() <= index)
        Add();
    return static_cast<TDLColumn*>(Items(index));
}

TDLColumn* TDLColumns::Find(int32_t index) const
{
    if (index < 0 || index >= GetCount())
        return nullptr;
    return static_cast<TDLColumn*>(Items(index));
}

fw::TCollectionItem* TDLColumns::ItemAtPath(int32_t index)
{
    return GetColumn(index);
}

// --- the grid -----------------------------------------------------------------------

const fw::TClassInfo& Te3CustomDLDrawGrid::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomDLDrawGrid", &Te3DrawGrid::StaticClass(), {}};
    return info;
}

const fw::TClassInfo& DrawGridLanguageClass()
{
    return Te3DLDrawGrid::StaticClass();
}

Te3CustomDLDrawGrid::Te3CustomDLDrawGrid(fw::TComponent* owner)
    : Te3DrawGrid(owner)
    , columns_(std::make_unique<TDLColumns>(this))
{
    SetTitleHeight(GetDefaultRowHeight());
    SetDrawLines(true);
    SetRowSelect(false);
    SetRangeSelect(false);
    SetColMoving(false);
    SaveColumnWidths();
}

Te3CustomDLDrawGrid::~Te3CustomDLDrawGrid()
{
    // The editors go after this part of the grid: they must not call it.
    for (int32_t i = 0; i < columns_->GetCount(); ++i)
        if (TDLColumn* column = columns_->Find(i))
            if (fw::TWinControl* editor = column->GetEditor()) {
                editor->OnEnter = nullptr;
                editor->OnExit = nullptr;
                editor->OnKeyDown = nullptr;
            }
    HideCellHint();
    delete hint_;
    hint_ = nullptr;
    if (TDGDataListClient* list = dataList_.get()) {
        dataList_ = nullptr;
        RemoveFreeNotification(list);
        if (list->Grid() == this)
            list->SetDrawGrid(nullptr);
    }
    // The editors are owned by the grid as components; they go with it.
    columns_.reset();
}

void Te3CustomDLDrawGrid::Detach()
{
    DetachDataList();
    Te3DrawGrid::Detach();
}

void Te3CustomDLDrawGrid::SetLockedEdit(bool value)
{
    if (value == lockedEdit_)
        return;
    lockedEdit_ = value;
    for (int32_t i = 0; i < columns_->GetCount(); ++i) {
        TDLColumn* column = columns_->Find(i);
        if (column && column->GetEditor())
            column->ForceReadOnly(value);
    }
}

void Te3CustomDLDrawGrid::SetScaleCol(bool value)
{
    scaleCol_ = value;
    if (value) {
        SetScrollBars(ssVertical);
        ScaleColumns();
    }
}

void Te3CustomDLDrawGrid::SetDrawLines(bool value)
{
    drawLines_ = value;
    const TGridOptions lines = GridOption(goVertLine) | GridOption(goHorzLine);
    Te3DrawGrid::SetOptions(value ? GetOptions() | lines : GetOptions() & ~lines);
}

void Te3CustomDLDrawGrid::SetRangeSelect(bool value)
{
    rangeSelect_ = value;
    if (value) {
        rowSelect_ = false;
        Te3DrawGrid::SetOptions(GetOptions() | GridOption(goRangeSelect));
    }
}

void Te3CustomDLDrawGrid::SetColMoving(bool value)
{
    colMoving_ = value;
    Te3DrawGrid::SetOptions(value ? GetOptions() | GridOption(goColMoving) : GetOptions() & ~GridOption(goColMoving));
}

void Te3CustomDLDrawGrid::SetOptions(TGridOptions value)
{
    Te3DrawGrid::SetOptions(value);
    drawLines_ = HasOption(goVertLine) || HasOption(goHorzLine);
}

void Te3CustomDLDrawGrid::SetTitleVisible(bool value)
{
    titleVisible_ = value;
    if (value) {
        if (GetRowCount() < 2)
            SetRowCount(2);
        SetFixedRows(1);
        SetRowHeights(0, titleHeight_);
    } else {
        SetFixedRows(0);
    }
    Invalidate();
}

void Te3CustomDLDrawGrid::SetTitleHeight(int32_t value)
{
    titleHeight_ = value;
    SetRowHeights(0, value);
}

void Te3CustomDLDrawGrid::SetTwoColors(bool value)
{
    // Striping goes with whole-row selection only.
    twoColors_ = value && HasOption(goRowSelect);
    Invalidate();
}

void Te3CustomDLDrawGrid::SetColorTwo(fw::TColor value)
{
    if (value == secondColor_)
        return;
    secondColor_ = value;
    Invalidate();
}

void Te3CustomDLDrawGrid::SetIndicator(bool value)
{
    indicator_ = value;
    Invalidate();
}

void Te3CustomDLDrawGrid::SetColCount(int32_t value)
{
    Te3DrawGrid::SetColCount(value);
    if (static_cast<int32_t>(colOrder_.size()) > GetColCount())
        colOrder_.clear();
}

int32_t Te3CustomDLDrawGrid::DataColumn(int32_t displayCol) const
{
    if (!colMoving_ || displayCol < 0 || displayCol >= static_cast<int32_t>(colOrder_.size()))
        return displayCol;
    return colOrder_[static_cast<size_t>(displayCol)];
}

// --- data list ----------------------------------------------------------------------

void Te3CustomDLDrawGrid::SetDataList(TDGDataListClient* value)
{
    if (scaleCol_)
        SetScrollBars(ssVertical);
    fw::Guard<Te3CustomDLDrawGrid> self(this);
    DetachDataList();
    if (!self)
        return;
    if (value) {
        dataList_ = value;
        FreeNotification(value);
        value->AttachGrid(this);
        if (!self)
            return;
        // The data list answers the grid's double clicks.
        OnDblClick = DataListDblClick {fw::Guard<TDGDataListClient>(value)};
    }
    selectedRows_.clear();
    colOrder_.clear();
    Invalidate();
}

void Te3CustomDLDrawGrid::DetachDataList()
{
    TDGDataListClient* old = dataList_.get();
    if (!old)
        return;
    dataList_ = nullptr;
    DropDataListHooks();
    RemoveFreeNotification(old);
    if (old->Grid() == this)
        old->DetachGrid();
}

void Te3CustomDLDrawGrid::DropDataListHooks()
{
    // Only the data list's own handler goes; one the engine bound since stays.
    if (OnDblClick.target<DataListDblClick>())
        OnDblClick = nullptr;
}

void Te3CustomDLDrawGrid::GridDataListGone()
{
    // The data list's double-click and cell painting go with it.
    dataList_ = nullptr;
    DropDataListHooks();
    Invalidate();
}

void Te3CustomDLDrawGrid::Notification(fw::TComponent* component, fw::TOperation operation)
{
    Te3DrawGrid::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && dataList_.get() == component)
        GridDataListGone();
}

bool Te3CustomDLDrawGrid::DataListEmpty() const
{
    TDGDataListClient* list = dataList_.get();
    return !list || list->GetEmptyGrid();
}

std::vector<int32_t> Te3CustomDLDrawGrid::GridColumnWidths() const
{
    std::vector<int32_t> widths;
    for (int32_t c = 0; c < GetColCount(); ++c)
        widths.push_back(ColWidths(c));
    return widths;
}

void Te3CustomDLDrawGrid::GridLastPressCell(int32_t& col, int32_t& row) const
{
    col = lastPressMouseCol_;
    row = lastPressMouseRow_;
}

// --- published values -------------------------------------------------------------

std::string Te3CustomDLDrawGrid::GetRowSelectList() const
{
    std::string text;
    for (int32_t row : selectedRows_) {
        if (!text.empty())
            text += ',';
        text += std::to_string(DataRowOf(row));
    }
    return text;
}

std::string Te3CustomDLDrawGrid::GetRangeSelectRect() const
{
    return std::to_string(range_.left) + "," + std::to_string(range_.top) + "," + std::to_string(range_.right) + "," +
           std::to_string(range_.bottom);
}

int32_t Te3CustomDLDrawGrid::GetMouseCol() const
{
    const QPoint at = Viewport()->mapFromGlobal(QCursor::pos());
    if (!Viewport()->rect().contains(at))
        return -1;
    const QPoint p = LaidOut(at);
    int32_t col = -1;
    int32_t row = -1;
    MouseToCell(p.x(), p.y(), col, row);
    return col;
}

std::string Te3CustomDLDrawGrid::Get_WidthData() const
{
    std::string text;
    for (int32_t c = 0; c < GetColCount(); ++c) {
        if (c > 0)
            text += ',';
        const TDLColumn* column = columns_->Find(c);
        if (column && !column->GetVisible())
            text += '-';
        text += std::to_string(ColWidths(c));
    }
    return text;
}

int32_t Te3CustomDLDrawGrid::Get_Row() const
{
    return titleVisible_ ? GetRow() - 1 : GetRow();
}

void Te3CustomDLDrawGrid::Set_Row(int32_t value)
{
    FocusCell(GetCol(), titleVisible_ ? value + 1 : value);
}

int32_t Te3CustomDLDrawGrid::Get_RowCount() const
{
    return titleVisible_ ? GetRowCount() - 1 : GetRowCount();
}

void Te3CustomDLDrawGrid::Set_RowCount(int32_t value)
{
    SetRowCount(titleVisible_ ? value + 1 : value);
}

// --- actions ------------------------------------------------------------------------

void Te3CustomDLDrawGrid::_ReDrawSize(const std::string&)
{
    SaveColumnWidths();
    ScaleColumns();
    if (!adjustRows_)
        return;
    const int32_t line = HasOption(goHorzLine) ? GetGridLineWidth() : 0;
    const int32_t step = line + GetDefaultRowHeight();
    if (step <= 0)
        return;
    const int32_t rows = RoundEven(static_cast<double>(ClientHeight()) / step - 0.3);
    SetClientHeight(step * rows);
}

void Te3CustomDLDrawGrid::_ClearSelect(const std::string&)
{
    selectedRows_.clear();
    range_ = {-1, -1, -1, -1};
    Invalidate();
}

void Te3CustomDLDrawGrid::_Click(const std::string&)
{
    Click();
}

void Te3CustomDLDrawGrid::_BeginDrag(const std::string& value)
{
    dragPending_ = false;
    if (fw::DragSession::Active())
        return;
    if (value == "1") {
        // The mouse moves from here on report where the grid is dragged.
        StartDrag();
        return;
    }
    // Only a press still held can turn into a drag; the threshold counts from
    // where the mouse is now.
    dragPending_ = leftHeld_;
}

void Te3CustomDLDrawGrid::StartDrag()
{
    // The press that was running ends here: the drag takes the mouse, and its
    // release goes to the drag, not to the grid.
    dragPending_ = false;
    leftHeld_ = false;
    pressSelecting_ = false;
    state_ = gsNormal;
    HideCellHint();
    fw::DragSession::Begin(this);
}

void Te3CustomDLDrawGrid::_SelectAll(const std::string&)
{
    selectedRows_.clear();
    for (int32_t r = titleVisible_ ? 1 : 0; r < GetRowCount(); ++r)
        selectedRows_.push_back(r);
    Invalidate();
}

void Te3CustomDLDrawGrid::_SetFocus(const std::string&)
{
    SetFocus();
}

void Te3CustomDLDrawGrid::_ShowEditor(const std::string& value)
{
    const int32_t col = StrToInt(u3::TokenAt(value, 0, "<|>"));
    const int32_t row = StrToInt(u3::TokenAt(value, 1, "<|>"));
    ShowCellEditor(col, row, u3::TokenAt(value, 2, "<|>") == "1");
}

void Te3CustomDLDrawGrid::_ShowString(const std::string& value)
{
    watermark_.on = u3::TokenAt(value, 0, "<|>") == "1";
    watermark_.text = u3::TokenAt(value, 1, "<|>");
    Invalidate();
    watermark_.angle = StrToInt(u3::TokenAt(value, 2, "<|>"));
}

void Te3CustomDLDrawGrid::_SortColType(const std::string& value)
{
    const TDLSortState state = ParseSortColType(value);
    sortCol_ = state.col;
    sortDirection_ = state.direction;
    Invalidate();
}

void Te3CustomDLDrawGrid::Click()
{
    if (state_ == gsSelecting)
        state_ = gsNormal;
    const int32_t dataRow = DataRowOf(GetRow());
    if (GetCol() >= 0 && dataRow >= 0 && OnDLClick) {
        const TDLClick handler = OnDLClick;
        handler(this, GetCol(), dataRow);
    }
}

void Te3CustomDLDrawGrid::DoClick()
{
    fw::Guard<Te3CustomDLDrawGrid> self(this);
    Te3DrawGrid::DoClick();
    if (self)
        Click();
}

// --- scaling ------------------------------------------------------------------------

void Te3CustomDLDrawGrid::SaveColumnWidths()
{
    const int32_t count = GetColCount();
    savedWidths_.resize(static_cast<size_t>(count), GetDefaultColWidth());
    for (int32_t c = 0; c < count; ++c) {
        const TDLColumn* column = columns_->Find(c);
        const bool visible = !column || column->GetVisible();
        if (visible && ColWidths(c) == 0)
            SetColWidths(c, ColWidths(0));
        if (ColWidths(c) != 0)
            savedWidths_[static_cast<size_t>(c)] = ColWidths(c);
    }
}

void Te3CustomDLDrawGrid::ScaleColumns()
{
    if (state_ == gsColSizing || scaling_)
        return;
    scaling_ = true;
    const int32_t count = GetColCount();
    savedWidths_.resize(static_cast<size_t>(count), GetDefaultColWidth());
    std::vector<TScaleColumn> cols(static_cast<size_t>(count));
    for (int32_t c = 0; c < count; ++c) {
        const TDLColumn* column = columns_->Find(c);
        cols[static_cast<size_t>(c)] = {ColWidths(c), savedWidths_[static_cast<size_t>(c)],
                                        !column || column->GetVisible(), column && column->GetFixedWidth()};
    }
    availableWidth_ = ScaleColumnWidths(cols, ClientWidth(), HasOption(goVertLine) || HasOption(goFixedVertLine));
    for (int32_t c = 0; c < count; ++c)
        SetColWidths(c, cols[static_cast<size_t>(c)].width);
    scaling_ = false;
}

void Te3CustomDLDrawGrid::ScaleColumnsAfterSizing(int32_t sizedCol)
{
    if (scaling_)
        return;
    scaling_ = true;
    const int32_t count = GetColCount();
    savedWidths_.resize(static_cast<size_t>(count), GetDefaultColWidth());
    std::vector<TScaleColumn> cols(static_cast<size_t>(count));
    for (int32_t c = 0; c < count; ++c) {
        const TDLColumn* column = columns_->Find(c);
        const bool visible = !column || column->GetVisible();
        const int32_t width = visible ? std::min(ColWidths(c), std::max(0, ClientWidth() - 1)) : ColWidths(c);
        cols[static_cast<size_t>(c)] = {width, savedWidths_[static_cast<size_t>(c)], visible,
                                        column && column->GetFixedWidth()};
    }
    availableWidth_ =
        ScaleColumnWidths(cols, ClientWidth(), HasOption(goVertLine) || HasOption(goFixedVertLine), sizedCol);
    for (int32_t c = 0; c < count; ++c)
        SetColWidths(c, cols[static_cast<size_t>(c)].width);
    scaling_ = false;
    SaveColumnWidths();
}

void Te3CustomDLDrawGrid::Resized()
{
    Te3DrawGrid::Resized();
    if (scaleCol_ && columns_)
        ScaleColumns();
    Invalidate();
}

std::string Te3CustomDLDrawGrid::ShortenToWidth(int32_t width, const std::string& text, TAlignment mode) const
{
    const QFontMetrics fm(GetFont()->ToQFont());
    QString s = ToQ(text);
    if (width - 2 >= fm.horizontalAdvance(s))
        return text;
    const int dots = fm.horizontalAdvance(QStringLiteral("..."));
    qsizetype at = 0;
    // Characters go one at a time; the width is measured again each time
    // only while the text is still too wide.
    while (!s.isEmpty() && width - dots - 4 < fm.horizontalAdvance(s)) {
        switch (mode) {
        case taLeftJustify: at = 0; break;
        case taRightJustify: at = s.size() - 1; break;
        case taCenter: at = s.size() / 2; break;
        }
        s.remove(at, 1);
    }
    if (s.isEmpty())
        return "...";
    if (mode == taLeftJustify)
        s.prepend(QStringLiteral("..."));
    else if (mode == taRightJustify)
        s.append(QStringLiteral("..."));
    else
        s.insert(std::min(at, s.size()), QStringLiteral("..."));
    return s.toStdString();
}

// --- painting -----------------------------------------------------------------------

QImage Te3CustomDLDrawGrid::Bitmap(const char* name) const
{
    static const QImage asc = MakeBitmap("ASC");
    static const QImage desc = MakeBitmap("DESC");
    static const QImage right = MakeBitmap("RIGHT");
    const std::string n = name;
    return n == "ASC" ? asc : n == "DESC" ? desc : right;
}

int32_t Te3CustomDLDrawGrid::NeededRowHeight(int32_t row)
{
    const int32_t base = GetDefaultRowHeight();
    TDGDataListClient* list = dataList_.get();
    if (!list || (titleVisible_ && row == 0))
        return base;
    const QFontMetrics fm(GetFont()->ToQFont());
    int32_t needed = base;
    const int32_t dataRow = DataRowOf(row);
    for (int32_t c = 0; c < GetColCount(); ++c) {
        const TDLColumn* column = columns_->Find(DataColumn(c));
        if (column && !column->GetWordWrap())
            continue;
        const TDLCellRef ref = list->GetCell(DataColumn(c), dataRow);
        TDLCellParts parts;
        if (ref.found)
            TDGDataListClient::ParseCell(ref.cell, parts);
        if (parts.span > 1)
            return base;
        const QString text = parts.text.empty() ? QStringLiteral("W") : CellQText(parts.text);
        const QRect measured = fm.boundingRect(QRect(0, 0, std::max(1, ColWidths(c) - 3), 100000),
                                               Qt::AlignLeft | Qt::TextWordWrap, text);
        const int32_t h = (measured.height() + base - 1) / base * base;
        needed = std::max(needed, h);
    }
    return needed;
}

void Te3CustomDLDrawGrid::Paint(QPainter& painter)
{
    const int32_t width = ClientWidth();
    const int32_t height = ClientHeight();
    const QColor color = fw::ToQColor(GetColor());
    painter.fillRect(QRect(0, 0, width, height), color);
    painter.fillRect(QRect(0, 0, width, FixedHeight()), fw::ToQColor(GetFixedColor()));
    const QFont font = GetFont()->ToQFont();
    painter.setFont(font);
    TDGDataListClient* list = dataList_.get();
    const bool empty = DataListEmpty();
    // Missing rows are asked for outside the paint: the engine's reply may
    // change the grid, which must not happen while it paints.
    if (list && !empty)
        ScheduleFetch();

    int32_t lastBottom = 0;
    int32_t lastRight = 0;
    const int32_t fixedRows = GetFixedRows();
    const int32_t fixedCols = GetFixedCols();
    for (int32_t r = 0; r < GetRowCount(); ++r) {
        if (r == fixedRows)
            r = GetTopRow();
        if (r >= fixedRows && empty)
            break;
        const QRect first = CellRect(fixedCols > 0 ? 0 : GetLeftCol(), r);
        if (first.isNull())
            break;
        int32_t needed = r < fixedRows ? RowHeights(r) : NeededRowHeight(r);
        for (int32_t c = 0; c < GetColCount(); ++c) {
            if (c == fixedCols)
                c = GetLeftCol();
            const QRect rect = CellRect(c, r);
            if (rect.isNull())
                break;
            lastRight = std::max(lastRight, rect.right() + 1);
            TGridDrawState state = CellState(c, r);
            // With a list of selected rows, only its rows show selected.
            if ((state & DrawState(gdSelected)) && selectedRows_.size() >= 2 && !RowListed(r))
                state &= ~DrawState(gdSelected);
            const bool fixed = state & DrawState(gdFixed);
            QColor background = fixed ? fw::ToQColor(GetFixedColor()) : color;
            QColor textColor = fw::ToQColor(GetFont()->GetColor());
            const bool focused = state & DrawState(gdFocused);
            if (!fixed && rowSelect_ &&
                (((state & DrawState(gdSelected)) && selectedRows_.empty() &&
                  (!focused || HasOption(goDrawFocusSelected) || HasOption(goRowSelect))) ||
                 RowListed(r))) {
                background = fw::ToQColor(fw::clHighlight);
                textColor = fw::ToQColor(fw::clHighlightText);
                state |= DrawState(gdSelected);
            }
            painter.fillRect(rect, background);
            painter.setPen(textColor);
            if (titleVisible_ && r == 0) {
                DrawTitleCell(painter, c, rect);
            } else if (list && !empty) {
                DrawDataCell(painter, c, r, rect, state, needed);
            } else {
                DrawCell(c, r, rect, state);
            }
            if (r == 0)
                PaintSortArrow(painter, c, rect);
            if (indicator_ && c == 0 && r == GetRow() && r >= fixedRows) {
                const QImage marker = Bitmap("RIGHT");
                painter.drawImage(QPoint(rect.left() + 1, rect.top() + (rect.height() - marker.height()) / 2), marker);
            }
            if (fixed && GetCtl3D()) {
                painter.setPen(fw::ToQColor(fw::clBtnHighlight));
                painter.drawLine(rect.topLeft(), rect.topRight());
                painter.drawLine(rect.topLeft(), rect.bottomLeft());
                painter.setPen(fw::ToQColor(fw::clBtnShadow));
                painter.drawLine(rect.bottomLeft(), rect.bottomRight());
                painter.drawLine(rect.topRight(), rect.bottomRight());
            }
            if (focused && !HasOption(goRowSelect) && !(HasOption(goEditing) && HasOption(goAlwaysShowEditor))) {
                painter.setPen(QPen(fw::ToQColor(fw::clWindowText), 1, Qt::DotLine));
                painter.drawRect(rect.adjusted(0, 0, -1, -1));
            }
            if (rect.right() + 1 >= width)
                break;
        }
        lastBottom = first.bottom() + 1 + GetGridLineWidth();
        if (r >= fixedRows && needed != RowHeights(r) && !measuring_)
            SetRowHeights(r, needed);
        if (first.bottom() + 1 >= height)
            break;
    }
    PaintLines(painter, GetColor() == fw::clSilver ? GreyColor : fw::clSilver);
    // The area right of the last column and below the last row.
    if (lastRight + GetGridLineWidth() < width)
        painter.fillRect(QRect(lastRight + GetGridLineWidth(), FixedHeight(), width, height), color);
    if (empty) {
        painter.fillRect(QRect(0, FixedHeight(), width, height), color);
        if (list)
            PaintEmpty(painter);
        if (twoColors_)
            PaintStripes(painter, FixedHeight());
    } else if (lastBottom < height) {
        painter.fillRect(QRect(0, lastBottom, width, height - lastBottom), color);
        if (twoColors_)
            PaintStripes(painter, lastBottom);
    }
    if (watermark_.on)
        PaintWatermark(painter);
}

void Te3CustomDLDrawGrid::ScheduleFetch()
{
    TDGDataListClient* list = dataList_.get();
    if (!list || fetchPending_ || list->IsFetching())
        return;
    TDLGridView view {GetTopRow(), GetFixedRows(), titleVisible_, GetVisibleRowCount(), GetRowCount()};
    const TDLRowRun rows = RowsToPaint(view);
    if (MissingRowRuns(list->Cache(), rows.begin, rows.count).empty())
        return;
    fetchPending_ = true;
    fw::Guard<Te3CustomDLDrawGrid> self(this);
    QTimer::singleShot(0, Viewport(), [self] {
        if (Te3CustomDLDrawGrid* grid = self.get()) {
            grid->fetchPending_ = false;
            grid->FetchVisibleRows();
        }
    });
}

void Te3CustomDLDrawGrid::FetchVisibleRows()
{
    TDGDataListClient* list = dataList_.get();
    if (!list || list->GetEmptyGrid())
        return;
    const size_t before = list->Cache().Count();
    fw::Guard<Te3CustomDLDrawGrid> self(this);
    list->EnsureVisibleRows();
    if (self && dataList_.get() && dataList_->Cache().Count() != before)
        Invalidate();
}

bool Te3CustomDLDrawGrid::RowListed(int32_t gridRow) const
{
    return std::find(selectedRows_.begin(), selectedRows_.end(), gridRow) != selectedRows_.end();
}

void Te3CustomDLDrawGrid::DrawTitleCell(QPainter& painter, int32_t col, const QRect& rect)
{
    TDLColumn* column = columns_->Find(DataColumn(col));
    if (!column)
        return;
    TDLColumnTitle* title = column->GetTitle();
    int32_t needed = rect.height();
    switch (title->GetTitleType()) {
    case csString:
        DrawCellText(painter, rect, col, title->GetWordWrap(), title->GetVertAlign(), title->GetAlignment(),
                     title->GetCaption(), 0, needed);
        break;
    case csImage:
        DrawCellImage(painter, rect, u3::Trim(title->GetCaption()), title->GetAlignment(), title->GetVertAlign(),
                      false, this);
        break;
    case csBoolean: break;
    }
}

void Te3CustomDLDrawGrid::PaintSortArrow(QPainter& painter, int32_t col, const QRect& rect)
{
    if (sortCol_ < 0 || DataColumn(col) != sortCol_ || (sortDirection_ != 'A' && sortDirection_ != 'D'))
        return;
    if (rect.width() <= 2.5 * rect.height())
        return;
    const QImage arrow = Bitmap(sortDirection_ == 'A' ? "ASC" : "DESC");
    const QRect square(rect.right() + 1 - rect.height(), rect.top(), rect.height(), rect.height());
    DrawPictureAt(painter, square, arrow);
}

void Te3CustomDLDrawGrid::DrawPictureAt(QPainter& painter, const QRect& rect, const QImage& picture)
{
    const int x = (rect.left() + rect.right() + 1 - picture.width()) / 2;
    const int y = (rect.top() + rect.bottom() + 1 - picture.height()) / 2;
    DrawUnmirrored(painter, QRect(QPoint(x, y), picture.size()),
                   [&](QPainter& p, const QRect& r) { p.drawImage(r.topLeft(), picture); });
}

void Te3CustomDLDrawGrid::DrawDataCell(QPainter& painter, int32_t col, int32_t row, const QRect& cellRect,
                                       TGridDrawState state, int32_t& needed)
{
    TDGDataListClient* list = dataList_.get();
    const int32_t dataCol = DataColumn(col);
    const int32_t dataRow = DataRowOf(row);
    const TDLCellRef ref = list->GetCell(dataCol, dataRow);
    TDLCellParts parts;
    parts.fontColor = GetFont()->GetColor();
    parts.brushColor = -2; // the background painted already
    if (ref.found)
        TDGDataListClient::ParseCell(ref.cell, parts);
    const int32_t firstCol = ref.found ? ref.firstCol : dataCol;
    TDLColumn* column = columns_->Find(firstCol);
    QFont font = GetFont()->ToQFont();
    QColor background = painter.background().color();
    QColor text = painter.pen().color();
    const bool selected = state & DrawState(gdSelected);
    const bool fixed = state & DrawState(gdFixed);
    if (selected) {
        if (parts.brushColor == fw::clBtnFace) {
            background = fw::ToQColor(GreyColor);
        } else if (Focused()) {
            background = fw::ToQColor(fw::clHighlight);
            text = fw::ToQColor(fw::clHighlightText);
        } else {
            background = fw::ToQColor(fw::clInactiveBorder);
        }
    } else if (!fixed) {
        text = fw::ToQColor(parts.fontColor);
        background = parts.brushColor == -2 ? fw::ToQColor(GetColor()) : fw::ToQColor(parts.brushColor);
        if (twoColors_ && row % 2 == 0 && !RowListed(row))
            background = fw::ToQColor(secondColor_);
    } else {
        background = fw::ToQColor(GetFixedColor());
    }
    if (column)
        font = StyledFont(font, column->GetFontStyle());
    painter.setFont(font);
    const TDLColumnType type = column ? column->GetColumnType() : csString;
    if (parts.span <= 1) {
        QRect rect = cellRect;
        if (!drawLines_)
            rect.adjust(-1, 0, 1, 0);
        painter.fillRect(rect, background);
        painter.setPen(text);
        if (type == csString)
            DrawCellText(painter, rect, col, column ? column->GetWordWrap() : true,
                         column ? column->GetVertAlign() : rx::vaTopJustify, column ? column->GetAlignment() : taLeftJustify,
                         parts.text, row, needed);
        else if (type == csImage && !IsBlank(parts.text))
            DrawCellImage(painter, rect, parts.text, column ? column->GetAlignment() : taCenter,
                          column ? column->GetVertAlign() : rx::vaTopJustify,
                          selected && Focused() && column && column->GetImageInvert(), list);
    } else {
        // One text over several columns: each column paints its slice.
        const int32_t line = HasOption(goVertLine) ? GetGridLineWidth() : 0;
        int32_t left = 0;
        for (int32_t c = firstCol; c < dataCol; ++c)
            left += ColWidths(c) + line;
        int32_t right = 0;
        for (int32_t c = dataCol + 1; c < firstCol + parts.span && c < GetColCount(); ++c)
            right += ColWidths(c);
        const int32_t w = cellRect.width() + left + right;
        if (measuring_) {
            widestText_ = std::max(widestText_, QFontMetrics(font).horizontalAdvance(CellQText(parts.text) + "W"));
            return;
        }
        QImage slice(std::max(1, w), std::max(1, cellRect.height()), QImage::Format_ARGB32_Premultiplied);
        slice.fill(background);
        {
            QPainter p(&slice);
            p.setFont(font);
            p.setPen(text);
            const std::string shown = type == csString ? ShortenToWidth(w, parts.text, taRightJustify) : parts.text;
            // A mirrored span starts at its right.
            const QRect room = Mirrored() ? QRect(0, 0, w - 2, cellRect.height()) : QRect(2, 0, w - 2, cellRect.height());
            if (type == csString)
                p.drawText(room, (Mirrored() ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter | Qt::TextSingleLine,
                           CellQText(shown));
        }
        // The slice is this column's part of the text; columns of a mirrored
        // grid run the other way, so that part starts after the later columns.
        const QRect target(cellRect.left(), cellRect.top(), cellRect.width() + right, cellRect.height());
        const int32_t from = Mirrored() ? 0 : left;
        DrawUnmirrored(painter, target, [&](QPainter& p, const QRect& r) {
            p.drawImage(r, slice, QRect(from, 0, cellRect.width() + right, cellRect.height()));
        });
    }
}

void Te3CustomDLDrawGrid::DrawCellText(QPainter& painter, const QRect& rect, int32_t col, bool wordWrap,
                                       TRxVertAlignment vertAlign, TAlignment alignment, const std::string& text,
                                       int32_t row, int32_t& needed)
{
    const QFontMetrics fm(painter.font());
    const QString q = CellQText(text);
    if (measuring_) {
        widestText_ = std::max(widestText_, fm.horizontalAdvance(q + "W"));
        return;
    }
    if (wordWrap) {
        const int32_t h = rect.height();
        const int32_t wHeight = fm.height();
        int32_t narrow = 3;
        if (vertAlign == rx::vaCenter)
            narrow = std::max(1, (h - wHeight) / 2) + 1;
        else if (vertAlign == rx::vaBottomJustify)
            narrow = std::max(2, h - wHeight) + 1;
        const QRect measured = fm.boundingRect(QRect(0, 0, std::max(1, rect.width() - narrow), 100000),
                                               Qt::AlignLeft | Qt::TextWordWrap, q);
        const int32_t base = GetDefaultRowHeight();
        const int32_t grown = (measured.height() + base - 1) / base * base;
        if (!IsBlank(text) && grown > needed && !(titleVisible_ && row == 0))
            needed = grown;
        const int flags = ShownAlignment(painter, AlignFlags(alignment, vertAlign) | Qt::TextWordWrap);
        DrawUnmirrored(painter, rect.adjusted(2, 2, -2, -2), [&](QPainter& p, const QRect& r) { p.drawText(r, flags, q); });
        return;
    }
    const TDLColumn* column = columns_->Find(DataColumn(col));
    const TAlignment mode = column ? column->GetDeleteAlign() : taRightJustify;
    int32_t available = rect.width();
    std::string shown = ShortenToWidth(available, text, mode);
    if (titleVisible_ && row == 0 && DataColumn(col) == sortCol_ && sortDirection_ != 'N') {
        available -= RowHeights(0) + 2;
        shown = ShortenToWidth(available, shown, mode);
    }
    const int flags = ShownAlignment(painter, AlignFlags(alignment, vertAlign) | Qt::TextSingleLine);
    DrawUnmirrored(painter, QRect(rect.left() + 2, rect.top() + 2, std::max(0, available - 4), rect.height() - 4),
                   [&](QPainter& p, const QRect& r) { p.drawText(r, flags, CellQText(shown)); });
}

void Te3CustomDLDrawGrid::DrawCellImage(QPainter& painter, const QRect& rect, const std::string& name,
                                        TAlignment alignment, TRxVertAlignment vertAlign, bool invert,
                                        fw::TObject* sender)
{
    if (!OnGetImage || measuring_)
        return;
    QImage image;
    const TDLGetImage handler = OnGetImage;
    handler(sender, name, image);
    if (image.isNull())
        return;
    if (invert)
        image.invertPixels();
    int x = rect.left();
    if (alignment == taCenter)
        x = rect.left() + (rect.width() - image.width()) / 2;
    else if (alignment == taRightJustify)
        x = rect.right() + 1 - image.width();
    int y = rect.top();
    if (vertAlign == rx::vaCenter)
        y = rect.top() + (rect.height() - image.height()) / 2;
    else if (vertAlign == rx::vaBottomJustify)
        y = rect.bottom() + 1 - image.height();
    painter.save();
    painter.setClipRect(rect);
    DrawUnmirrored(painter, QRect(QPoint(x, y), image.size()),
                   [&](QPainter& p, const QRect& r) { p.drawImage(r.topLeft(), image); });
    painter.restore();
}

void Te3CustomDLDrawGrid::PaintEmpty(QPainter& painter)
{
    TDGDataListClient* list = dataList_.get();
    if (!list)
        return;
    const QRect area(FixedWidth(), FixedHeight(), std::max(0, GetWidth() - 10 - FixedWidth()),
                     std::max(0, GetHeight() - FixedHeight()));
    if (area.isEmpty())
        return;
    // Drawn through a picture that is multiplied onto the grid, so that
    // whatever lies below shows through the white.
    QImage picture(area.size(), QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        QPainter p(&picture);
        p.setFont(painter.font());
        p.setPen(fw::ToQColor(fw::clWindowText));
        p.drawText(QRect(QPoint(0, 0), area.size()), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                   ToQ(list->GetEmptyStr()));
    }
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    DrawUnmirrored(painter, area, [&](QPainter& p, const QRect& r) { p.drawImage(r.topLeft(), picture); });
    painter.restore();
}

void Te3CustomDLDrawGrid::PaintStripes(QPainter& painter, int32_t fromY)
{
    const int32_t band = GetDefaultRowHeight();
    const int32_t line = GetGridLineWidth();
    int32_t number = DataListEmpty() ? 1 : GetRowCount();
    for (int32_t y = fromY; y < ClientHeight(); y += band + line, ++number)
        if (number % 2 == 0)
            painter.fillRect(QRect(0, y, ClientWidth(), band), fw::ToQColor(secondColor_));
}

void Te3CustomDLDrawGrid::PaintWatermark(QPainter& painter)
{
    QFont font(QStringLiteral("Times New Roman"));
    font.setBold(true);
    font.setPointSize(72);
    const QFontMetrics fm(font);
    const QString text = ToQ(watermark_.text);
    const double a = watermark_.angle * M_PI / 180.0;
    const int32_t textWidth = fm.horizontalAdvance(text);
    const int32_t textHeight = fm.height();
    const int32_t bottom = ClientHeight();
    const int32_t x = RoundEven((ClientWidth() - textWidth - 20) / 2.0);
    const int32_t y = bottom - RoundEven((bottom - std::sin(a) * textWidth - std::cos(a) * textHeight) / 2.0) -
                      RoundEven(std::cos(a) * textHeight);
    QImage picture(ClientWidth(), ClientHeight(), QImage::Format_RGB32);
    picture.fill(fw::ToQColor(GetColor()));
    {
        QPainter p(&picture);
        p.setFont(font);
        p.setPen(fw::ToQColor(WatermarkColor));
        p.translate(x, y);
        p.rotate(-watermark_.angle);
        p.drawText(QPoint(0, fm.ascent()), text);
    }
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    DrawUnmirrored(painter, picture.rect(), [&](QPainter& p, const QRect& r) { p.drawImage(r.topLeft(), picture); });
    painter.restore();
}

// --- fitting ------------------------------------------------------------------------

void Te3CustomDLDrawGrid::FitColumn(int32_t col)
{
    if (col < 0 || col >= GetColCount())
        return;
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter painter(&scratch);
    painter.setFont(GetFont()->ToQFont());
    measuring_ = true;
    widestText_ = 0;
    TDGDataListClient* list = dataList_.get();
    int32_t needed = 0;
    const QRect rect(0, 0, ColWidths(col), GetDefaultRowHeight());
    if (!list || DataListEmpty() || GetRowCount() <= GetFixedRows()) {
        if (list && !list->GetEmptyGrid())
            DrawDataCell(painter, col, GetFixedRows(), rect, 0, needed);
    } else {
        // Only cached rows are measured; the others measure as empty.
        for (int32_t r = GetFixedRows(); r < GetRowCount(); ++r) {
            if (!list->Cache().IsCached(DataRowOf(r))) {
                widestText_ = std::max(widestText_, QFontMetrics(painter.font()).horizontalAdvance("W"));
                continue;
            }
            DrawDataCell(painter, col, r, rect, 0, needed);
        }
    }
    measuring_ = false;
    if (widestText_ <= 0)
        return;
    const int32_t ww = QFontMetrics(GetFont()->ToQFont()).horizontalAdvance(QStringLiteral("WW"));
    const int32_t limit = ClientWidth() - GetColCount() * ww;
    SetColWidths(col, std::min(widestText_, limit));
    if (scaleCol_)
        ScaleColumnsAfterSizing(col);
    if (OnChangeColSize)
        OnChangeColSize(this);
}

// --- mouse and keys -----------------------------------------------------------------

void Te3CustomDLDrawGrid::RunSort(int32_t col)
{
    TDGDataListClient* list = dataList_.get();
    if (!list)
        return;
    const int32_t dataCol = DataColumn(col);
    const char direction = sortCol_ == dataCol && sortDirection_ == 'A' ? 'D' : 'A';
    fw::Guard<Te3CustomDLDrawGrid> self(this);
    bool accepted = false;
    try {
        accepted = list->Sort(dataCol, static_cast<char32_t>(direction));
    } catch (...) {
        // An engine failure during the handshake keeps the old sort.
    }
    if (!self)
        return;
    if (accepted) {
        sortCol_ = dataCol;
        sortDirection_ = direction;
    }
    Invalidate();
}

void Te3CustomDLDrawGrid::DoDblClick()
{
    // A double click on a column divider fits the column instead.
    if (lastPressDivider_ >= 0) {
        fitting_ = true;
        FitColumn(lastPressDivider_);
        return;
    }
    Te3DrawGrid::DoDblClick();
}

void Te3CustomDLDrawGrid::DoMouseDown(fw::TMouseButton button, fw::TShiftState shift, int32_t x, int32_t y)
{
    fw::Guard<Te3CustomDLDrawGrid> self(this);
    dragPending_ = false;
    dragOrigin_ = QPoint(x, y);
    if (button == fw::mbLeft)
        leftHeld_ = true;
    const QPoint p = ToClient(x, y);
    int32_t col = -1;
    int32_t row = -1;
    MouseToCell(p.x(), p.y(), col, row);
    lastPressMouseCol_ = col;
    lastPressMouseRow_ = row;
    lastPressCol_ = col;
    lastPressRow_ = row;
    const bool doubleClick = (shift & ShiftBit(fw::ssDouble)) != 0;
    if (button != fw::mbLeft) {
        Te3DrawGrid::DoMouseDown(button, shift, x, y);
        if (self && col >= GetFixedCols() && row >= GetFixedRows())
            FocusCell(col, row);
        return;
    }
    if (doubleClick) {
        if (fitting_) {
            fitting_ = false;
            suppressUp_ = true;
            return;
        }
        Te3DrawGrid::DoMouseDown(button, shift, x, y);
        return;
    }
    lastPressDivider_ = HasOption(goColSizing) ? ColumnDividerAt(p.x(), p.y()) : -1;
    const bool shiftHeld = (shift & ShiftBit(fw::ssShift)) != 0;
    const bool ctrlHeld = (shift & ShiftBit(fw::ssCtrl)) != 0;
    const int32_t currentCol = GetCol();
    const int32_t currentRow = GetRow();
    if (rangeSelect_ && shiftHeld && (col != currentCol || row != currentRow) && col >= 0 && row >= 0)
        range_ = {std::min(col, currentCol), std::min(row, currentRow), std::max(col, currentCol),
                  std::max(row, currentRow)};
    else
        range_ = {-1, -1, -1, -1};
    suppressUp_ = false;
    if (rowSelect_ && row >= GetFixedRows() && lastPressDivider_ < 0) {
        if (shiftHeld) {
            selectedRows_.clear();
            const int32_t step = currentRow >= row ? 1 : -1;
            for (int32_t r = row; r != currentRow; r += step)
                selectedRows_.push_back(r);
            selectedRows_.push_back(currentRow);
            // The pressed row through the current one, the pressed row first.
        } else if (ctrlHeld) {
            if (selectedRows_.empty())
                selectedRows_.push_back(currentRow);
            const auto it = std::find(selectedRows_.begin(), selectedRows_.end(), row);
            if (it != selectedRows_.end()) {
                selectedRows_.erase(it);
                if (selectedRows_.size() == 1) {
                    const int32_t remaining = selectedRows_.front();
                    selectedRows_.clear();
                    FocusCell(GetCol(), remaining);
                    suppressUp_ = true;
                    Invalidate();
                    fw::TWinControl::DoMouseDown(button, shift, x, y);
                    return;
                }
            } else {
                selectedRows_.push_back(row);
            }
        } else {
            selectedRows_.clear();
        }
        Invalidate();
    }
    // The sort click: the title row only (without a title, row 0 is a data row).
    if (lastPressDivider_ < 0 && row == 0 && GetFixedRows() > 0 && dataList_.get() && col >= 0) {
        RunSort(col);
        if (!self)
            return;
    }
    pressSelecting_ = col >= GetFixedCols() && row >= GetFixedRows() && lastPressDivider_ < 0;
    Te3DrawGrid::DoMouseDown(button, shift, x, y);
}

void Te3CustomDLDrawGrid::DoMouseUp(fw::TMouseButton button, fw::TShiftState shift, int32_t x, int32_t y)
{
    fw::Guard<Te3CustomDLDrawGrid> self(this);
    const TGridState state = state_;
    const int32_t from = moveFrom_;
    const int32_t to = moveTo_;
    const int32_t sized = sizingCol_;
    if (button == fw::mbLeft) {
        leftHeld_ = false;
        dragPending_ = false;
    }
    Te3DrawGrid::DoMouseUp(button, shift, x, y);
    if (!self || button != fw::mbLeft)
        return;
    if (suppressUp_) {
        suppressUp_ = false;
        pressSelecting_ = false;
        return;
    }
    const QPoint p = ToClient(x, y);
    int32_t col = -1;
    int32_t row = -1;
    MouseToCell(p.x(), p.y(), col, row);
    if (state == gsSelecting && pressSelecting_) {
        pressSelecting_ = false;
        const int32_t currentRow = GetRow();
        const int32_t currentCol = GetCol();
        if (rowSelect_ && row >= GetFixedRows() && row != currentRow && !(shift & ShiftBit(fw::ssCtrl))) {
            selectedRows_.clear();
            const int32_t step = currentRow >= row ? 1 : -1;
            for (int32_t r = row; r != currentRow; r += step)
                selectedRows_.push_back(r);
            selectedRows_.push_back(currentRow);
        }
        if (rangeSelect_ && col >= 0 && row >= 0 && (col != currentCol || row != currentRow))
            range_ = {std::min(col, currentCol), std::min(row, currentRow), std::max(col, currentCol),
                      std::max(row, currentRow)};
        const bool dataCell = col >= 0 && (titleVisible_ ? row > 0 : row >= 0);
        if (dataCell)
            ShowCellEditor(col, row - 1, false);
        return;
    }
    if (state == gsColMoving) {
        (void)from;
        (void)to;
        return;
    }
    if (state == gsColSizing && !fitting_) {
        if (scaleCol_)
            ScaleColumnsAfterSizing(sized);
        if (self && OnChangeColSize)
            OnChangeColSize(this);
    }
}

void Te3CustomDLDrawGrid::ColumnMoved(int32_t from, int32_t to)
{
    // The data column moves with its display position.
    const int32_t count = GetColCount();
    if (static_cast<int32_t>(colOrder_.size()) < count)
        for (int32_t c = static_cast<int32_t>(colOrder_.size()); c < count; ++c)
            colOrder_.push_back(c);
    const int32_t dataCol = colOrder_[static_cast<size_t>(from)];
    colOrder_.erase(colOrder_.begin() + from);
    colOrder_.insert(colOrder_.begin() + to, dataCol);
    Te3DrawGrid::ColumnMoved(from, to);
}

void Te3CustomDLDrawGrid::DoMouseMove(fw::TShiftState shift, int32_t x, int32_t y)
{
    fw::Guard<Te3CustomDLDrawGrid> self(this);
    if (dragPending_) {
        if (!(shift & ShiftBit(fw::ssLeft))) {
            dragPending_ = false;
        } else if ((QPoint(x, y) - dragOrigin_).manhattanLength() >= fw::DragThreshold) {
            StartDrag();
            return;
        }
    } else if (!fw::DragSession::Active()) {
        dragOrigin_ = QPoint(x, y);
    }
    Te3DrawGrid::DoMouseMove(shift, x, y);
    if (!self || state_ != gsNormal)
        return;
    const QPoint p = ToClient(x, y);
    int32_t col = -1;
    int32_t row = -1;
    MouseToCell(p.x(), p.y(), col, row);
    ShowCellHint(col, row);
}

void Te3CustomDLDrawGrid::AddRow(int32_t gridRow)
{
    if (!RowListed(gridRow))
        selectedRows_.push_back(gridRow);
}

void Te3CustomDLDrawGrid::DoKeyDown(uint16_t& key, fw::TShiftState shift)
{
    fw::Guard<Te3CustomDLDrawGrid> self(this);
    const uint16_t pressed = key;
    Te3DrawGrid::DoKeyDown(key, shift);
    if (!self || key == 0)
        return;
    const bool shiftHeld = (shift & ShiftBit(fw::ssShift)) != 0;
    if (!shiftHeld) {
        switch (pressed) {
        case vkHome:
        case vkEnd:
        case vkLeft:
        case vkUp:
        case vkRight:
        case vkDown:
            if (!selectedRows_.empty()) {
                selectedRows_.clear();
                Invalidate();
            }
            break;
        case vkReturn: ShowCellEditor(GetCol(), GetRow() - 1, false); break;
        default: break;
        }
        return;
    }
    const int32_t row = GetRow();
    switch (pressed) {
    case vkHome:
    case vkEnd: selectedRows_.clear(); break;
    case vkLeft:
    case vkUp:
        if (keyDirection_ == 1)
            selectedRows_.clear();
        if (selectedRows_.empty()) {
            keyDirection_ = 0;
            if (row > 0) {
                AddRow(row + 1);
                AddRow(row);
            }
        } else {
            AddRow(row);
        }
        break;
    case vkRight:
    case vkDown:
        if (keyDirection_ == 0)
            selectedRows_.clear();
        if (selectedRows_.empty()) {
            keyDirection_ = 1;
            if (row < GetRowCount() + 1) {
                AddRow(row - 1);
                AddRow(row);
            }
        } else {
            AddRow(row);
        }
        break;
    default: return;
    }
    Invalidate();
    Click();
}

// --- cell editor --------------------------------------------------------------------

void Te3CustomDLDrawGrid::ShowCellEditor(int32_t col, int32_t row, bool force)
{
    if (!Parent() || DataListEmpty() || col < 0 || col >= columns_->GetCount())
        return;
    TDLColumn* column = columns_->Find(col);
    if (!column || column->GetReadOnly())
        return;
    if (!column->GetEditor())
        column->SetClassEditor(column->GetClassEditor());
    fw::TWinControl* editor = column->GetEditor();
    if (!editor || (!force && row != editorRow_)) {
        editorRow_ = row;
        return;
    }
    editorRow_ = row;
    editorCol_ = col;
    const QRect cell = Physical(CellRect(col, row + 1));
    if (cell.isNull())
        return;
    const QPoint origin = Viewport()->mapTo(ScrollArea(), QPoint(0, 0));
    editor->SetVisible(true);
    editor->SetParent(Parent());
    editor->SetBounds(GetLeft() + origin.x() + cell.left(), GetTop() + origin.y() + cell.top(), cell.width() + 2,
                      cell.height() + 4);
    if (QWidget* w = editor->Widget()) {
        w->raise();
        if (w->isVisible())
            w->setFocus(Qt::OtherFocusReason);
    }
}

void Te3CustomDLDrawGrid::HookEditor(TDLColumn*, fw::TWinControl* editor)
{
    editor->SetParent(this);
    editor->SetVisible(false);
    editor->OnEnter = [this](fw::TObject* sender) { EditorEntered(static_cast<fw::TWinControl*>(sender)); };
    editor->OnExit = [this](fw::TObject* sender) { EditorLeft(static_cast<fw::TWinControl*>(sender)); };
    editor->OnKeyDown = [this](fw::TObject* sender, uint16_t& key, fw::TShiftState) {
        EditorKey(static_cast<fw::TWinControl*>(sender), key);
    };
}

void Te3CustomDLDrawGrid::EditorEntered(fw::TWinControl*)
{
    if (!OnBeginEditorClick)
        return;
    const TDGEditorClick handler = OnBeginEditorClick;
    handler(this, editorCol_, titleVisible_ ? editorRow_ : editorRow_ + 1, std::string());
}

void Te3CustomDLDrawGrid::EditorKey(fw::TWinControl*, uint16_t& key)
{
    if (key == vkReturn && GetEnabled() && GetVisible())
        SetFocus();
}

void Te3CustomDLDrawGrid::EditorLeft(fw::TWinControl* editor)
{
    if (!editor)
        return;
    std::string value;
    const fw::TClassInfo& cls = editor->ClassType();
    if (cls.InheritsFromName("Te3_DateEdit") || cls.InheritsFromName("TCustomLangDateEdit"))
        value = ReadPublishedString(*editor, "_Date");
    else if (cls.InheritsFromName("Te3CComboBox"))
        value = ReadPublishedString(*editor, "Code");
    else if (cls.InheritsFromName("Te3ComboBox") || cls.InheritsFromName("Te3RegNoEdit"))
        value = editor->GetText();
    else if (auto* edit = dynamic_cast<TAlignEdit*>(editor))
        value = edit->GetEditType() == etFloat ? ReadPublishedString(*editor, "StrFloat") : editor->GetText();
    else
        value = editor->GetText();
    fw::Guard<Te3CustomDLDrawGrid> self(this);
    editor->SetVisible(false);
    if (!self || !OnEndEditorClick)
        return;
    const TDGEditorClick handler = OnEndEditorClick;
    handler(this, editorCol_, titleVisible_ ? editorRow_ : editorRow_ + 1, value);
}

// --- hint ---------------------------------------------------------------------------

bool Te3CustomDLDrawGrid::HintShowing() const
{
    return hint_ && hint_->isVisible();
}

void Te3CustomDLDrawGrid::HideCellHint()
{
    if (hint_)
        hint_->hide();
    hintCol_ = -1;
    hintRow_ = -1;
}

void Te3CustomDLDrawGrid::ShowCellHint(int32_t col, int32_t row)
{
    if (HintShowing() && (col != hintCol_ || row != hintRow_))
        HideCellHint();
    TDGDataListClient* list = dataList_.get();
    if (col < 0 || row < GetFixedRows() || !list || !GetShowHint() || (col == hintCol_ && row == hintRow_))
        return;
    const TDLColumn* column = columns_->Find(DataColumn(col));
    if (column && column->GetWordWrap())
        return;
    if (!column)
        return;
    const TDLCellRef ref = list->GetCell(DataColumn(col), DataRowOf(row));
    if (!ref.found)
        return;
    TDLCellParts parts;
    TDGDataListClient::ParseCell(ref.cell, parts);
    const QRect cell = CellRect(col, row);
    if (ShortenToWidth(cell.width(), parts.text, taRightJustify) == parts.text)
        return;
    if (!hint_) {
        hint_ = new QLabel(nullptr, Qt::ToolTip);
        hint_->setWordWrap(true);
        hint_->setFont(GetFont()->ToQFont());
    }
    const QString text = CellQText(u3::Trim(parts.text));
    const QFontMetrics fm(hint_->font());
    const QRect measured = fm.boundingRect(QRect(0, 0, GetWidth(), 100000), Qt::TextWordWrap, text);
    hint_->setText(text);
    hint_->resize(measured.width() + 5, measured.height() + 5);
    hint_->move(Viewport()->mapToGlobal(Physical(cell).topLeft()));
    hint_->show();
    hintCol_ = col;
    hintRow_ = row;
}

bool Te3CustomDLDrawGrid::SelectCell(int32_t col, int32_t row)
{
    const int32_t oldRow = GetRow();
    const bool allowed = Te3DrawGrid::SelectCell(col, row);
    if (allowed && indicator_ && row != oldRow) {
        InvalidateRow(oldRow);
        InvalidateRow(row);
    }
    return allowed;
}

bool Te3CustomDLDrawGrid::CellTextAt(int32_t col, int32_t row, std::string& extra, std::string& text)
{
    TDGDataListClient* list = dataList_.get();
    if (!list)
        return false;
    const int32_t dataRow = row - GetFixedRows();
    list->EnsureRows(dataRow, 1);
    if (!dataList_.get())
        return false;
    const TDLCellRef ref = list->GetCell(col, dataRow);
    if (!ref.found)
        return false;
    TDLCellParts parts;
    TDGDataListClient::ParseCell(ref.cell, parts);
    text = parts.text;
    extra = parts.extra;
    return !extra.empty();
}

// --- published tables ---------------------------------------------------------------

namespace {

fw::TRows<Te3CustomDLDrawGrid> DesignRows()
{
    using C = Te3CustomDLDrawGrid;
    namespace sp = fw::std_props;
    return fw::TRows<Te3CustomDLDrawGrid> {
        fw::prop::Boolean<C>("AdjustRows", &C::GetAdjustRows, &C::SetAdjustRows),
        sp::Color(),
        fw::prop::Integer<C>("ColCount", &C::GetColCount, &C::SetColCount),
        fw::prop::Boolean<C>("ColMoving", &C::GetColMoving, &C::SetColMoving),
        fw::prop::Object<C, TDLColumns>("Columns", TDLColumns::StaticClass(), &C::GetColumns, nullptr),
        fw::prop::Integer<C>("DefaultColWidth", &C::GetDefaultColWidth, &C::SetDefaultColWidth),
        fw::prop::Boolean<C>("DrawLines", &C::GetDrawLines, &C::SetDrawLines),
        sp::Enabled(),
        fw::prop::Integer<C>("FixedColor", &C::GetFixedColor, &C::SetFixedColor),
        fw::prop::Integer<C>("FixedCols", &C::GetFixedCols, &C::SetFixedCols),
        fw::prop::Integer<C>("FixedRows", &C::GetFixedRows, &C::SetFixedRows),
        sp::Font(),
        fw::prop::Integer<C>("GridLineWidth", &C::GetGridLineWidth, &C::SetGridLineWidth),
        fw::prop::Boolean<C>("Indicator", &C::GetIndicator, &C::SetIndicator),
        fw::prop::Boolean<C>("RangeSelect", &C::GetRangeSelect, &C::SetRangeSelect),
        fw::prop::Boolean<C>("RowSelect", &C::GetRowSelect, &C::SetRowSelect),
        fw::prop::Boolean<C>("ScaleCol", &C::GetScaleCol, &C::SetScaleCol),
        fw::prop::Enum<C, TScrollStyle>("ScrollBars", ScrollStyleType, &C::GetScrollBars, &C::SetScrollBars),
        sp::TabOrder(),
        sp::Visible(),
        fw::prop::Integer<C>("VisibleColCount", &C::GetVisibleColCount, nullptr),
        fw::prop::Integer<C>("VisibleRowCount", &C::GetVisibleRowCount, nullptr),
        fw::prop::Integer<C>("DefaultRowHeight", &C::GetDefaultRowHeight, &C::SetDefaultRowHeight),
        fw::prop::Set<C, TGridOptions>("Options", GridOptionType, &C::GetOptions, &C::SetOptions),
        fw::prop::Boolean<C>("FixedButtons", &C::GetFixedButtons, &C::SetFixedButtons),
        fw::prop::Boolean<C>("TitleVisible", &C::GetTitleVisible, &C::SetTitleVisible),
        fw::prop::Integer<C>("TitleHeight", &C::GetTitleHeight, &C::SetTitleHeight),
        fw::prop::Boolean<C>("TwoColors", &C::GetTwoColors, &C::SetTwoColors),
    };
}

} // namespace

const fw::TClassInfo& Te3DLDrawGrid::StaticClass()
{
    static const fw::TClassInfo info {"Te3DLDrawGrid", &Te3CustomDLDrawGrid::StaticClass(), DesignRows(),
                                      fw::MakeFactory<Te3DLDrawGrid>()};
    return info;
}

const fw::TClassInfo& Te3_DLDrawGrid::StaticClass()
{
    using C = Te3_DLDrawGrid;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_DLDrawGrid",
        &Te3DLDrawGrid::StaticClass(),
        fw::TRows<Te3_DLDrawGrid> {
            sp::Align(),
            sp::Anchors(),
            sp::BiDiMode(),
            sp::Constraints(),
            sp::Ctl3D(),
            sp::DragCursor(),
            sp::DragKind(),
            sp::DragMode(),
            sp::Parent(),
            sp::ParentBiDiMode(),
            sp::ParentColor(),
            sp::ParentCtl3D(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::PopupMenu(),
            sp::ShowHint(),
            sp::TabStop(),
            fw::prop::Object("DataList", TDGDataListClient::StaticClass(), &C::GetDataList, &C::SetDataList),
            fw::prop::Boolean("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
            fw::prop::String("RowSelectList", &C::GetRowSelectList, nullptr),
            fw::prop::String("RangeSelectRect", &C::GetRangeSelectRect, nullptr),
            fw::prop::Integer("MouseCol", &C::GetMouseCol, &C::SetMouseCol),
            fw::prop::Object("IniStorage", fw::TComponent::StaticClass(), &C::GetIniStorage, &C::SetIniStorage),
            fw::prop::StringAction("_ReDrawSize", &C::_ReDrawSize),
            fw::prop::StringAction("_ClearSelect", &C::_ClearSelect),
            fw::prop::StringAction("_Click", &C::_Click),
            fw::prop::StringAction("_BeginDrag", &C::_BeginDrag),
            fw::prop::StringAction("_SelectAll", &C::_SelectAll),
            fw::prop::StringAction("_SetFocus", &C::_SetFocus),
            fw::prop::StringAction("_ShowEditor", &C::_ShowEditor),
            fw::prop::StringAction("_ShowString", &C::_ShowString),
            fw::prop::StringAction("_SortColType", &C::_SortColType),
            fw::prop::String("_WidthData", &C::Get_WidthData, &C::Set_WidthData),
            fw::prop::Integer("_HitRow", &C::Get_HitRow, &C::Set_HitRow),
            fw::prop::Integer("_Col", &C::Get_Col, &C::Set_Col),
            fw::prop::Integer("_Row", &C::Get_Row, &C::Set_Row),
            fw::prop::Integer("_RowCount", &C::Get_RowCount, &C::Set_RowCount),
            sp::OnClick(),
            sp::OnContextPopup(),
            sp::OnDblClick(),
            sp::DragEvents(),
            sp::FocusEvents(),
            sp::KeyEvents(),
            sp::MouseEvents(),
            fw::prop::Event("OnDrawCell", DrawCellEventType, &C::OnDrawCell),
            fw::prop::Event("OnSelectCell", fw::SelectCellEventType, &C::OnSelectCell),
            fw::prop::Event("OnTopLeftChanged", fw::NotifyEventType, &C::OnTopLeftChanged),
            fw::prop::Event("OnColumnMoved", fw::MovedEventType, &C::OnColumnMoved),
            fw::prop::Event("OnCheckButton", FixedCellCheckEventType, &C::OnCheckButton),
            fw::prop::Event("OnChangeFocus", fw::NotifyEventType, &C::OnChangeFocus),
            fw::prop::Event("OnFixedCellClick", FixedCellClickEventType, &C::OnFixedCellClick),
            fw::prop::Event("OnColumnSized", fw::NotifyEventType, &C::OnColumnSized),
            fw::prop::Event("OnGetImage", DLGetImageEventType, &C::OnGetImage),
            fw::prop::Event("OnChangeColSize", fw::NotifyEventType, &C::OnChangeColSize),
            fw::prop::Event("OnBeginEditorClick", DGEditorClickEventType, &C::OnBeginEditorClick),
            fw::prop::Event("OnEndEditorClick", DGEditorClickEventType, &C::OnEndEditorClick),
            fw::prop::Event("OnDLClick", DLClickEventType, &C::OnDLClick),
        },
        fw::MakeFactory<Te3_DLDrawGrid>(),
    };
    return info;
}

} // namespace e3
