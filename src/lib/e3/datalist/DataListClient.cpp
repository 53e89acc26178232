#include "e3/datalist/DataListClient.h"

#include "framework/Object.h"

namespace e3 {

const fw::TEventType DLInitGridEventType {"TDLInitGrid", typeid(TDLInitGrid)};
const fw::TEventType DLGridGetDataEventType {"TDLGridGetDataEvent", typeid(TDLGridGetDataEvent)};
const fw::TEventType DLGridSortEventType {"TDLGridSort", typeid(TDLGridSort)};
const fw::TEventType DLDblClickEventType {"TDLDblClick", typeid(TDLDblClick)};

namespace {

// Sets a flag for the scope and clears it at its end, an engine failure included.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

} // namespace

const fw::TClassInfo& TDGDataListClient::StaticClass()
{
    using C = TDGDataListClient;
    static const fw::TClassInfo info {
        "TDGDataListClient",
        &fw::TComponent::StaticClass(),
        fw::TRows<TDGDataListClient> {
            fw::prop::Boolean("EmptyGrid", &C::GetEmptyGrid, &C::SetEmptyGrid),
            fw::prop::Event("OnInitGrid", DLInitGridEventType, &C::OnInitGrid),
            fw::prop::Event("OnSaveParams", fw::NotifyEventType, &C::OnSaveParams),
            fw::prop::Event("OnCloseGrid", fw::NotifyEventType, &C::OnCloseGrid),
            fw::prop::Event("OnGetData", DLGridGetDataEventType, &C::OnGetData),
            fw::prop::Event("OnSort", DLGridSortEventType, &C::OnSort),
            fw::prop::Event("OnDLDblClick", DLDblClickEventType, &C::OnDLDblClick),
            fw::prop::Object("DrawGrid", fw::TComponent::StaticClass(), &C::GetDrawGrid, &C::SetDrawGrid),
            fw::prop::String("EmptyStr", &C::GetEmptyStr, &C::SetEmptyStr),
            fw::prop::String("TempData", &C::GetTempData, &C::SetTempData),
            fw::prop::StringAction("_RefreshData", &C::_RefreshData),
        },
        fw::MakeFactory<TDGDataListClient>(),
    };
    return info;
}

TDGDataListClient::TDGDataListClient(fw::TComponent* owner)
    : fw::TComponent(owner), emptyStr_("N\xC3\xA3o h\xC3\xA1 itens para serem mostrados")
{
}

TDGDataListClient::~TDGDataListClient()
{
    TellGridGone();
}

void TDGDataListClient::Detach()
{
    TellGridGone();
}

void TDGDataListClient::TellGridGone()
{
    IDataListGrid* grid = grid_;
    SetGrid(nullptr);
    attached_ = false;
    if (grid)
        grid->GridDataListGone();
}

void TDGDataListClient::SetGrid(IDataListGrid* grid)
{
    fw::TComponent* component = grid ? grid->GridComponent() : nullptr;
    if (gridComponent_ && gridComponent_ != component)
        RemoveFreeNotification(gridComponent_);
    grid_ = grid;
    gridComponent_ = component;
    if (component)
        FreeNotification(component);
}

void TDGDataListClient::Notification(fw::TComponent* component, fw::TOperation operation)
{
    fw::TComponent::Notification(component, operation);
    // The grid may be half destroyed: forget it without calling it.
    if (operation == fw::TOperation::opRemove && component == gridComponent_) {
        grid_ = nullptr;
        gridComponent_ = nullptr;
        attached_ = false;
    }
}

fw::TComponent* TDGDataListClient::GetDrawGrid() const
{
    return gridComponent_;
}

void TDGDataListClient::SetDrawGrid(fw::TComponent* grid)
{
    auto* asGrid = dynamic_cast<IDataListGrid*>(grid);
    if (grid && !asGrid)
        throw fw::EPropertyError("Invalid property value");
    SetGrid(asGrid);
}

void TDGDataListClient::AttachGrid(IDataListGrid* grid)
{
    if (!grid)
        return;
    SetGrid(grid);
    InitGrid();
    if (grid_ == grid)
        attached_ = true;
}

void TDGDataListClient::DetachGrid()
{
    attached_ = false;
    CloseGrid();
    SetGrid(nullptr);
}

void TDGDataListClient::InitGrid()
{
    if (!OnInitGrid || !gridComponent_)
        return;
    const TDLInitGrid handler = OnInitGrid;
    handler(this, gridComponent_->GetName());
}

void TDGDataListClient::SaveParams()
{
    if (!OnSaveParams)
        return;
    const fw::TNotifyEvent handler = OnSaveParams;
    handler(this);
}

void TDGDataListClient::CloseGrid()
{
    fw::Guard<TDGDataListClient> self(this);
    SaveParams();
    if (!self)
        return;
    if (OnCloseGrid) {
        const fw::TNotifyEvent handler = OnCloseGrid;
        handler(this);
        if (!self)
            return;
    }
    cache_.Clear();
}

void TDGDataListClient::_RefreshData(const std::string& value)
{
    const std::optional<TDLRowRun> rows = ParseRefreshData(value);
    if (!rows)
        return;
    cache_.Drop(rows->begin, rows->count);
    if (grid_)
        grid_->GridRepaintLater();
}

TDLCellRef TDGDataListClient::GetCell(int32_t col, int32_t row) const
{
    const TDLRow* cells = cache_.Find(row);
    return cells ? FindCoveringCell(*cells, col) : TDLCellRef {};
}

void TDGDataListClient::FetchRows(int32_t beginRow, int32_t count)
{
    if (fetching_ || !grid_)
        return;
    tempData_.clear();
    if (grid_->GridTitleVisible() && int64_t {beginRow} + count == grid_->GridRowCount())
        --count;
    if (!OnGetData || count <= 0)
        return;
    fw::Guard<TDGDataListClient> self(this);
    {
        FlagScope fetching(fetching_);
        const TDLGridGetDataEvent handler = OnGetData;
        handler(this, beginRow, count, grid_->GridColCount());
        if (!self)
            return;
    }
    // The reply may have taken the grid away; then there is no column count to
    // cut the rows by.
    if (!grid_)
        return;
    for (TDLRow& cells : ParseDeliveredRows(tempData_, grid_->GridColCount()))
        cache_.Store(beginRow++, std::move(cells));
}

void TDGDataListClient::EnsureRows(int32_t beginRow, int32_t count)
{
    if (fetching_)
        return;
    fw::Guard<TDGDataListClient> self(this);
    for (const TDLRowRun& run : MissingRowRuns(cache_, beginRow, count)) {
        FetchRows(run.begin, run.count);
        if (!self || !grid_)
            return;
    }
}

void TDGDataListClient::EnsureVisibleRows()
{
    if (!grid_ || emptyGrid_ || fetching_)
        return;
    TDLGridView view;
    view.topRow = grid_->GridTopRow();
    view.fixedRows = grid_->GridFixedRows();
    view.titleVisible = grid_->GridTitleVisible();
    view.visibleRows = grid_->GridVisibleRowCount();
    view.rowCount = grid_->GridRowCount();
    const TDLRowRun rows = RowsToPaint(view);
    EnsureRows(rows.begin, rows.count);
}

bool TDGDataListClient::Sort(int32_t col, char32_t sortType)
{
    bool sort = false;
    if (OnSort) {
        const TDLGridSort handler = OnSort;
        handler(this, col, sortType, sort);
    }
    return sort;
}

void TDGDataListClient::DblClick()
{
    if (!grid_ || !OnDLDblClick)
        return;
    int32_t col = -1;
    int32_t row = -1;
    grid_->GridLastPressCell(col, row);
    if (col < 0 || row < 0)
        return;
    const TDLDblClick handler = OnDLDblClick;
    handler(this, col, row);
}

std::vector<int32_t> TDGDataListClient::GridColumnWidths() const
{
    return grid_ ? grid_->GridColumnWidths() : std::vector<int32_t> {};
}

bool TDGDataListClient::GridTitleVisible() const
{
    return grid_ && grid_->GridTitleVisible();
}

} // namespace e3
