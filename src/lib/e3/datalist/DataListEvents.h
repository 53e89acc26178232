#pragma once
// What the client's event list needs of a data list, whose events are sent
// under the data list's engine name with the data list's own maps.
#include "framework/NameValueList.h"
#include "framework/Rtti.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fw {
class TComponent;
class TObject;
}

namespace e3 {

// The events of a data list: a grid was attached (named), rows are wanted, a
// sort is asked for (sortType 'A' or 'D'; the engine accepts by setting sort),
// a cell was double-clicked.
using TDLInitGrid = std::function<void(fw::TObject* sender, const std::string& drawGridName)>;
using TDLGridGetDataEvent = std::function<void(fw::TObject* sender, int32_t beginRow, int32_t count, int32_t col)>;
using TDLGridSort = std::function<void(fw::TObject* sender, int32_t col, char32_t sortType, bool& sort)>;
using TDLDblClick = std::function<void(fw::TObject* sender, int32_t col, int32_t row)>;

extern const fw::TEventType DLInitGridEventType;
extern const fw::TEventType DLGridGetDataEventType;
extern const fw::TEventType DLGridSortEventType;
extern const fw::TEventType DLDblClickEventType;

class IDataListEvents {
public:
    virtual ~IDataListEvents() = default;
    virtual fw::TComponent* DataListComponent() = 0;
    virtual std::string DataListEngineName() const = 0;
    virtual const fw::TNameValueList& DataListEventMap() const = 0;
    virtual const fw::TNameValueList& DataListEventParams() const = 0;
    // The widths of the grid's columns in column order, and whether the grid
    // shows a title row (the engine counts rows from 0 on the data rows).
    virtual std::vector<int32_t> GridColumnWidths() const = 0;
    virtual bool GridTitleVisible() const = 0;

    // The lists that replies and the engine's commands edit (events bound to
    // the data list, "_EventFunction"), and the engine name given by "_Create";
    // a holder without lists of its own answers nullptr and ignores the name.
    virtual fw::TNameValueList* EditableEventMap() { return nullptr; }
    virtual fw::TNameValueList* EditableEventParams() { return nullptr; }
    virtual void SetDataListEngineName(const std::string&) {}
};

} // namespace e3
