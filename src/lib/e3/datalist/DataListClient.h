#pragma once
// The data list: the non-visual half of a data-list grid. It keeps the rows
// that the engine delivered, asks the engine for the rows a paint needs (one
// request per run of missing rows), runs the sort handshake and drops rows when
// the engine says so. Its events reach the engine under its engine name with
// its own event maps.
#include "e3/datalist/DataListEvents.h"
#include "e3/datalist/DataListGrid.h"
#include "e3/datalist/DataListRows.h"
#include "framework/Component.h"
#include "framework/Events.h"
#include "framework/NameValueList.h"

#include <string>

namespace e3 {

class TDGDataListClient : public fw::TComponent, public IDataListEvents {
    FW_CLASS()
public:
    explicit TDGDataListClient(fw::TComponent* owner);
    ~TDGDataListClient() override;

    // Published.
    bool GetEmptyGrid() const { return emptyGrid_; }
    void SetEmptyGrid(bool value) { emptyGrid_ = value; }
    std::string GetEmptyStr() const { return emptyStr_; }
    void SetEmptyStr(const std::string& value) { emptyStr_ = value; }
    std::string GetTempData() const { return tempData_; }
    void SetTempData(const std::string& value) { tempData_ = value; }
    fw::TComponent* GetDrawGrid() const;
    // A direct write only stores the grid; attaching is the grid's business.
    void SetDrawGrid(fw::TComponent* grid);
    // Drops rows ("first<|>count") and has the grid repainted later.
    void _RefreshData(const std::string& value);

    TDLInitGrid OnInitGrid;
    fw::TNotifyEvent OnSaveParams;
    fw::TNotifyEvent OnCloseGrid;
    TDLGridGetDataEvent OnGetData;
    TDLGridSort OnSort;
    TDLDblClick OnDLDblClick;

    fw::TNameValueList EventMap;
    fw::TNameValueList EventParams;

    // Driven by the grid's DataList setter.
    void AttachGrid(IDataListGrid* grid);
    void DetachGrid();
    IDataListGrid* Grid() const { return grid_; }
    bool IsAttached() const { return attached_; }

    virtual void InitGrid();
    virtual void CloseGrid();
    virtual void SaveParams();

    // The cell that covers grid column col in data row row; not found when the
    // row is not cached or no cell reaches that column.
    TDLCellRef GetCell(int32_t col, int32_t row) const;
    static void ParseCell(std::string_view cell, TDLCellParts& parts) { ParseDataListCell(cell, parts); }

    // One request for count rows from beginRow. Does nothing while a request of
    // this data list runs: a reply that makes the grid repaint must not start
    // another one, whose rows would mix with this one's.
    void FetchRows(int32_t beginRow, int32_t count);
    // Requests the rows in that range that are not cached, one request per run.
    void EnsureRows(int32_t beginRow, int32_t count);
    // Requests what a paint of the attached grid needs; nothing for an empty
    // grid or without a grid. The grid calls this before it paints data cells.
    void EnsureVisibleRows();
    // The sort handshake: true when the engine accepted the sort.
    bool Sort(int32_t col, char32_t sortType);
    // The grid's double-click handler.
    void DblClick();

    const TDLRowCache& Cache() const { return cache_; }
    bool IsFetching() const { return fetching_; }

    // IDataListEvents
    fw::TComponent* DataListComponent() override { return this; }
    std::string DataListEngineName() const override { return engineName_; }
    const fw::TNameValueList& DataListEventMap() const override { return EventMap; }
    const fw::TNameValueList& DataListEventParams() const override { return EventParams; }
    std::vector<int32_t> GridColumnWidths() const override;
    bool GridTitleVisible() const override;
    fw::TNameValueList* EditableEventMap() override { return &EventMap; }
    fw::TNameValueList* EditableEventParams() override { return &EventParams; }
    void SetDataListEngineName(const std::string& name) override { engineName_ = name; }

protected:
    void Notification(fw::TComponent* component, fw::TOperation operation) override;
    void Detach() override;
    // For a data list that holds its rows itself instead of asking the engine:
    // stores data row row as if it had been delivered.
    void StoreRow(int32_t row, TDLRow cells) { cache_.Store(row, std::move(cells)); }

private:
    void SetGrid(IDataListGrid* grid);
    void TellGridGone();

    bool emptyGrid_ = false;
    TDLRowCache cache_;
    IDataListGrid* grid_ = nullptr;
    fw::TComponent* gridComponent_ = nullptr;
    bool attached_ = false;
    std::string emptyStr_;
    std::string tempData_;
    std::string engineName_;
    bool fetching_ = false;
};

} // namespace e3
