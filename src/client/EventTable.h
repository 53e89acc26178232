#pragma once
// The events the engine can bind, one row each: the published name, the
// handler's signature, the entries written after the request head (which
// argument, read back or not) and the rules that set an event apart. One
// generic sender in the event list follows the rows.
#include "e3/datalist/DataListEvents.h"
#include "framework/Events.h"

#include <any>
#include <string>
#include <vector>

namespace client {

using IDataListEvents = e3::IDataListEvents;
class TClientSender;
class TEventList;

namespace events {

// Per entry.
enum EntryFlag : unsigned {
    Read = 1,          // a var argument: the reply's result of that name is written back
    Trimmed = 2,       // a text result is trimmed before it is written back
    EnterAsOne = 4,    // a typed Enter (13) goes out, and on to the control, as 1
    GridTitleRow = 8,  // Row - 1 on a data-list grid that shows its title row
    ListTitleRow = 16, // Row - 1 when the data list's grid shows its title row
    NotSent = 32,      // only read back from the reply
};

// Per event.
enum Rule : unsigned {
    ChangeGuard = 1,       // dropped while a change call runs; see TEventList::ChangeGuard
    PumpFirst = 2,         // pending window messages are handled once before anything else
    ActivatesForm = 4,     // an engine form becomes the client's current form first
    NoBusyCursor = 8,      // the call shows no busy cursor
    DataList = 16,         // sent under the data list's engine name with its own maps
    KeyFilter = 32,        // "ShortCut" first; an engine form's key filter decides what goes
    ScreenResolution = 64, // "Resolution": screen width "x" height
    ColumnWidths = 128,    // "ColumnsWidth": column count, then each width after ","
};

struct Entry {
    const char* name;
    int arg; // index among the handler's arguments after the sender
    unsigned flags = 0;
};

// Where an entry is written: the sender made for the event, the control that
// raised it, and the data list for data-list events.
struct EntryContext {
    TClientSender& sender;
    fw::TObject* control;
    IDataListEvents* dataList;
};

// The arguments of one running handler, reached by entry.
class EventArguments {
public:
    virtual void Prepare(const Entry& entry) = 0;
    virtual void Write(EntryContext& context, const Entry& entry) = 0;
    virtual void Read(const TClientSender& sender, const Entry& entry) = 0;
    // The key and shift state of a key event; false for every other event.
    virtual bool Key(uint16_t*& key, fw::TShiftState& shift) = 0;

protected:
    ~EventArguments() = default;
};

struct EventRow {
    const char* name;
    const fw::TEventType* type;
    std::vector<Entry> entries;
    unsigned rules = 0;
    // The event name sent, when it is not the row's own.
    const char* sentAs = nullptr;
    // The handler preset for the list (a std::function of the row's type).
    std::any (*makeHandler)(TEventList& list, const EventRow& row) = nullptr;
};

// All rows in the order the event list publishes them.
const std::vector<EventRow>& EventTable();

} // namespace events
} // namespace client
