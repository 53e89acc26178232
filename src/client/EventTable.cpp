#include "client/EventTable.h"

#include "client/Client.h"
#include "client/ClientSender.h"
#include "client/EventList.h"
#include "client/Globals.h"
#include "e3/dates/DateEdit.h"
#include "e3/trees/TreeEvents.h"
#include "u3/Exceptions.h"
#include "u3/StrLib.h"

#include <QImage>
#include <QString>

#include <charconv>
#include <stdexcept>
#include <functional>
#include <tuple>
#include <utility>

namespace client::events {

using namespace fw;

namespace {

// Events raised by the grids, signing and the submission
// protocol: the event list is where the client meets them.
using TGetImageEvent = std::function<void(TObject* sender, const std::string& name, QImage& image)>;
using TCellEvent = std::function<void(TObject* sender, int32_t col, int32_t row)>;
using TCertificateListEvent = std::function<void(TObject* sender, bool error, const std::string& certList)>;
using TSignEvent = std::function<void(TObject* sender, bool error)>;
using TCheckPinEvent = std::function<void(TObject* sender, int32_t error)>;
using TMessageEvent = std::function<void(TObject* sender, const std::string& msg)>;
using TProtocolErrorEvent = std::function<void(TObject* sender, int32_t state, int32_t error, const std::string& msg)>;
using TProtocolExitEvent = std::function<void(TObject* sender, int32_t state, int32_t error, const std::string& msg,
                                              int32_t stateExit, bool goodBye)>;
using TProtocolWaitEvent = std::function<void(TObject* sender, int32_t state, bool& suspend)>;
using TReceiptEvent = std::function<void(TObject* sender, int32_t step, int32_t& code, std::string& msg)>;

const TEventType GetImageEventType {"TGetImageEvent", typeid(TGetImageEvent)};
const TEventType CellEventType {"TCellEvent", typeid(TCellEvent)};
using e3::NodeAllowEventType;
using e3::NodeEditedEventType;
using e3::NodeEventType;
using e3::TNodeAllowEvent;
using e3::TNodeEditedEvent;
using e3::TNodeEvent;

const TEventType CertificateListEventType {"TCertificateListEvent", typeid(TCertificateListEvent)};
const TEventType SignEventType {"TSignEvent", typeid(TSignEvent)};
const TEventType CheckPinEventType {"TCheckPinEvent", typeid(TCheckPinEvent)};
const TEventType MessageEventType {"TMessageEvent", typeid(TMessageEvent)};
const TEventType ProtocolErrorEventType {"TProtocolErrorEvent", typeid(TProtocolErrorEvent)};
const TEventType ProtocolExitEventType {"TProtocolExitEvent", typeid(TProtocolExitEvent)};
const TEventType ProtocolWaitEventType {"TProtocolWaitEvent", typeid(TProtocolWaitEvent)};
const TEventType ReceiptEventType {"TReceiptEvent", typeid(TReceiptEvent)};

int32_t ToInteger(const std::string& text)
{
    const std::string t = u3::Trim(text);
    const char* first = t.data();
    const char* last = t.data() + t.size();
    if (first != last && *first == '+')
        ++first;
    int32_t value = 0;
    auto [end, ec] = std::from_chars(first, last, value);
    if (t.empty() || ec != std::errc() || end != last)
        throw u3::EConvertError("'" + text + "' is not a valid integer value");
    return value;
}

std::string NameOf(TObject* object)
{
    auto* c = dynamic_cast<TComponent*>(object);
    return c ? c->GetName() : std::string();
}

// A data-list grid with a title row counts its rows from the title.
bool IsGridWithTitle(TObject* sender)
{
    if (!sender || !sender->ClassType().InheritsFromName("Te3DLDrawGrid"))
        return false;
    const TPropInfo* p = sender->ClassType().FindProperty("TitleVisible");
    if (!p || !p->IsReadable())
        return false;
    const PropValue v = p->get(*sender);
    return std::holds_alternative<int64_t>(v) && std::get<int64_t>(v) != 0;
}

// --- writing one argument ------------------------------------------------------

void WriteArg(EntryContext& c, const Entry& e, int32_t value)
{
    if ((e.flags & GridTitleRow) && IsGridWithTitle(c.control))
        --value;
    if ((e.flags & ListTitleRow) && c.dataList && c.dataList->GridTitleVisible())
        --value;
    c.sender.WriteEntry(e.name, value);
}
void WriteArg(EntryContext& c, const Entry& e, bool value) { c.sender.WriteBoolEntry(e.name, value); }
void WriteArg(EntryContext& c, const Entry& e, const std::string& value) { c.sender.WriteEntry(e.name, value); }
void WriteArg(EntryContext& c, const Entry& e, TObject* object) { c.sender.WriteEntry(e.name, NameOf(object)); }
// Shift states, key codes and the ordinals of the framework's enumerations.
void WriteArg(EntryContext& c, const Entry& e, uint32_t value) { c.sender.WriteEntry(e.name, static_cast<int32_t>(value)); }
void WriteArg(EntryContext& c, const Entry& e, uint16_t value) { c.sender.WriteEntry(e.name, static_cast<int32_t>(value)); }
template <class E, std::enable_if_t<std::is_enum_v<E>, int> = 0>
void WriteArg(EntryContext& c, const Entry& e, E value)
{
    c.sender.WriteEntry(e.name, static_cast<int32_t>(value));
}
void WriteArg(EntryContext& c, const Entry& e, const TPoint& p)
{
    c.sender.WriteEntry(std::string(e.name) + ".X", p.x);
    c.sender.WriteEntry(std::string(e.name) + ".Y", p.y);
}
void WriteArg(EntryContext& c, const Entry& e, const TRect& r)
{
    const std::string name = e.name;
    c.sender.WriteEntry(name + ".Left", r.left);
    c.sender.WriteEntry(name + ".Top", r.top);
    c.sender.WriteEntry(name + ".Right", r.right);
    c.sender.WriteEntry(name + ".Bottom", r.bottom);
}
// A date goes out as the dotted day, month and year of the date edit's _Date.
void WriteArg(EntryContext& c, const Entry& e, u3::TDateTime date)
{
    c.sender.WriteEntry(e.name, u3::DateToDottedText(date));
}
// A character goes out as a one-character text.
void WriteArg(EntryContext& c, const Entry& e, char32_t key)
{
    c.sender.WriteEntry(e.name, QString::fromUcs4(&key, 1).toStdString());
}

// What an argument becomes before anything else happens, sent or not.
void PrepareArg(const Entry& e, char32_t& key)
{
    if ((e.flags & EnterAsOne) && key == 13)
        key = 1;
}
template <class T>
void PrepareArg(const Entry&, const T&)
{
}

// --- reading one var argument back ----------------------------------------------
// An absent result leaves the argument as it is.

void ReadArg(const TClientSender& s, const Entry& e, bool& value)
{
    if (s.HasResult(e.name))
        value = u3::Trim(s.Result(e.name)) == "1";
}
void ReadArg(const TClientSender& s, const Entry& e, int32_t& value)
{
    if (s.HasResult(e.name))
        value = ToInteger((e.flags & Trimmed) ? u3::Trim(s.Result(e.name)) : s.Result(e.name));
}
void ReadArg(const TClientSender& s, const Entry& e, uint16_t& value)
{
    if (s.HasResult(e.name))
        value = static_cast<uint16_t>(ToInteger(s.Result(e.name)));
}
// Read to be checked as an integer, and not used.
void ReadArg(const TClientSender& s, const Entry& e, uint32_t&)
{
    if (s.HasResult(e.name))
        (void)ToInteger(s.Result(e.name));
}
void ReadArg(const TClientSender& s, const Entry& e, std::string& value)
{
    if (s.HasResult(e.name))
        value = (e.flags & Trimmed) ? u3::Trim(s.Result(e.name)) : s.Result(e.name);
}
void ReadArg(const TClientSender& s, const Entry& e, TCloseAction& action)
{
    int32_t value = action;
    ReadArg(s, e, value);
    if (value >= caNone && value <= caMinimize)
        action = static_cast<TCloseAction>(value);
}
// Dotted day, month and year; a blank or impossible date is the empty date.
void ReadArg(const TClientSender& s, const Entry& e, u3::TDateTime& date)
{
    if (s.HasResult(e.name))
        date = u3::DottedTextToDate(u3::Trim(s.Result(e.name)));
}
// The first character of the result; an empty result swallows the key.
void ReadArg(const TClientSender& s, const Entry& e, char32_t& key)
{
    if (!s.HasResult(e.name))
        return;
    const QList<uint> ucs4 = QString::fromStdString(s.Result(e.name)).toUcs4();
    key = ucs4.isEmpty() ? 0 : static_cast<char32_t>(ucs4.front());
}
template <class T>
void ReadArg(const TClientSender&, const Entry&, const T&)
{
}

// --- the generic handler ---------------------------------------------------------

template <class... Args>
class Arguments final : public EventArguments {
public:
    explicit Arguments(Args&... args) : args_(args...) {}

    void Prepare(const Entry& entry) override
    {
        At(entry.arg, [&](auto& arg) { PrepareArg(entry, arg); });
    }
    void Write(EntryContext& context, const Entry& entry) override
    {
        At(entry.arg, [&](auto& arg) { WriteArg(context, entry, arg); });
    }
    void Read(const TClientSender& sender, const Entry& entry) override
    {
        At(entry.arg, [&](auto& arg) { ReadArg(sender, entry, arg); });
    }
    bool Key(uint16_t*& key, TShiftState& shift) override
    {
        if constexpr (std::is_same_v<std::tuple<std::decay_t<Args>...>, std::tuple<uint16_t, TShiftState>>) {
            key = &std::get<0>(args_);
            shift = std::get<1>(args_);
            return true;
        }
        return false;
    }

private:
    template <class F>
    void At(int index, F&& f)
    {
        At(index, f, std::index_sequence_for<Args...> {});
    }
    template <class F, size_t... I>
    void At(int index, F& f, std::index_sequence<I...>)
    {
        ((index == static_cast<int>(I) ? (f(std::get<I>(args_)), 0) : 0), ...);
    }

    std::tuple<Args&...> args_;
};

template <class Handler>
struct Generic;

template <class... Args>
struct Generic<std::function<void(TObject*, Args...)>> {
    static constexpr int Arity = sizeof...(Args);
    static std::any Make(TEventList& list, const EventRow& row)
    {
        using Handler = std::function<void(TObject*, Args...)>;
        return Handler([&list, &row](TObject* sender, Args... args) {
            Arguments<std::remove_reference_t<Args>...> access(args...);
            list.Dispatch(sender, row, access);
        });
    }
};

template <class Handler>
EventRow Row(const char* name, const TEventType& type, std::vector<Entry> entries, unsigned rules = 0,
             const char* sentAs = nullptr)
{
    // A row whose published type is not its handler's could be bound but
    // never called.
    if (type.handlerType != typeid(Handler))
        throw std::logic_error(std::string("event row of another type: ") + name);
    for (const Entry& entry : entries)
        if (entry.arg < 0 || entry.arg >= Generic<Handler>::Arity)
            throw std::logic_error(std::string("event entry without its argument: ") + name + " " + entry.name);
    return EventRow {name, &type, std::move(entries), rules, sentAs, &Generic<Handler>::Make};
}

EventRow Own(const char* name, const TEventType& type, std::any (*make)(TEventList&, const EventRow&))
{
    return EventRow {name, &type, {}, 0, nullptr, make};
}

// No engine call of the control: the picture comes from the client.
std::any GetImageHandler(TEventList&, const EventRow&)
{
    return TGetImageEvent([](TObject*, const std::string& name, QImage& image) {
        if (TClient* c = Client())
            image = c->GetImage(name);
    });
}

// Only context help goes to the engine, from the client; the system help never
// runs.
std::any HelpHandler(TEventList&, const EventRow&)
{
    return THelpEvent([](uint16_t command, int32_t data, bool& callHelp) {
        constexpr uint16_t contextHelp = 1;
        if (command == contextHelp) {
            TClientSender s = TClientSender::CreateForClient("Client.OnHelp");
            s.WriteRequest();
            s.WriteEntry("Context", data);
            s.Execute();
        }
        callHelp = false;
        return true;
    });
}

std::vector<EventRow> BuildTable()
{
    using N = TNotifyEvent;
    return {
        Row<N>("OnCreate", NotifyEventType, {}),
        Row<N>("OnShow", NotifyEventType, {}, ScreenResolution),
        Row<N>("OnClick", NotifyEventType, {}),
        Row<N>("OnClickCheck", NotifyEventType, {}),
        Row<N>("OnDblClick", NotifyEventType, {}),
        Row<TLookBarClickEvent>("OnClickLookBar", LookBarClickEventType, {{"Button", 0}, {"ExpButton", 1}}),
        Row<N>("OnChange", NotifyEventType, {}, ChangeGuard),
        Row<TProgressEvent>("OnProgress", ProgressEventType,
                            {{"R", 3}, {"Stage", 0}, {"PercentDone", 1}, {"RedrawNow", 2}, {"Msg", 4}}),
        Row<TContextPopupEvent>("OnContextPopup", ContextPopupEventType, {{"MousePos", 0}, {"Handled", 1, Read}}),
        Row<TDragDropEvent>("OnDragDrop", DragDropEventType, {{"Source", 0}, {"X", 1}, {"Y", 2}}),
        Row<TDragOverEvent>("OnDragOver", DragOverEventType,
                            {{"Source", 0}, {"X", 1}, {"Y", 2}, {"State", 3}, {"Accept", 4, Read}}),
        Row<TEndDragEvent>("OnEndDrag", EndDragEventType, {{"Target", 0}, {"X", 1}, {"Y", 2}}),
        Row<TEndDragEvent>("OnEndDock", EndDragEventType, {{"Target", 0}, {"X", 1}, {"Y", 2}}),
        Row<TDragDropEvent>("OnDockDrop", DragDropEventType, {{"Source", 0}, {"X", 1}, {"Y", 2}}),
        Row<TDragOverEvent>("OnDockOver", DragOverEventType,
                            {{"Source", 0}, {"X", 1}, {"Y", 2}, {"State", 3}, {"Accept", 4, Read}}),
        Row<TUnDockEvent>("OnUnDock", UnDockEventType, {{"Client", 0}, {"NewTarget", 1}, {"Allow", 2, Read}}),
        Row<TMouseEvent>("OnMouseDown", MouseEventType, {{"Button", 0}, {"Shift", 1}, {"X", 2}, {"Y", 3}}),
        Row<TMouseMoveEvent>("OnMouseMove", MouseMoveEventType, {{"Shift", 0}, {"X", 1}, {"Y", 2}}),
        Row<TMouseEvent>("OnMouseUp", MouseEventType, {{"Button", 0}, {"Shift", 1}, {"X", 2}, {"Y", 3}}),
        Row<TStartDragEvent>("OnStartDrag", StartDragEventType, {}),
        Row<N>("OnEnter", NotifyEventType, {}),
        Row<N>("OnExit", NotifyEventType, {}, ChangeGuard),
        Row<TKeyEvent>("OnKeyDown", KeyEventType, {{"Key", 0, Read}, {"Shift", 1, Read}}, KeyFilter),
        Row<TKeyPressEvent>("OnKeyPress", KeyPressEventType, {{"Key", 0, Read | EnterAsOne}}),
        Row<TKeyEvent>("OnKeyUp", KeyEventType, {{"Key", 0, Read}, {"Shift", 1, Read}}, KeyFilter),
        Row<N>("OnDropDown", NotifyEventType, {}),
        Row<TCanResizeEvent>("OnCanResize", CanResizeEventType,
                             {{"NewWidth", 0, Read}, {"NewHeight", 1, Read}, {"Resize", 2, Read}}),
        Row<TConstrainedResizeEvent>(
            "OnConstrainedResize", ConstrainedResizeEventType,
            {{"MinWidth", 0, Read}, {"MinHeight", 1, Read}, {"MaxWidth", 2, Read}, {"MaxHeight", 3, Read}}),
        Row<N>("OnResize", NotifyEventType, {}),
        Row<N>("OnPosChanged", NotifyEventType, {}),
        Row<TMovedEvent>("OnColumnMoved", MovedEventType, {{"FromIndex", 0}, {"ToIndex", 1}}),
        Row<TMovedEvent>("OnRowMoved", MovedEventType, {{"FromIndex", 0}, {"ToIndex", 1}}),
        Row<N>("OnPageChanged", NotifyEventType, {}),
        Row<N>("OnActivate", NotifyEventType, {}, ActivatesForm),
        Row<TCloseEvent>("OnClose", CloseEventType, {{"Action", 0, Read}}),
        Row<TCloseQueryEvent>("OnCloseQuery", CloseQueryEventType, {{"CanClose", 0, Read}}, PumpFirst),
        Row<N>("OnDeactivate", NotifyEventType, {}),
        Row<N>("OnDestroy", NotifyEventType, {}),
        Row<N>("OnHide", NotifyEventType, {}),
        Row<N>("OnPaint", NotifyEventType, {}),
        Row<TChangingEvent>("OnChanging", ChangingEventType, {{"AllowChange", 0, Read}}),
        Row<e3::TDLInitGrid>("OnInitGrid", e3::DLInitGridEventType, {{"Table", 0}}, DataList),
        Row<N>("OnSaveParams", NotifyEventType, {}, DataList | ColumnWidths),
        Row<N>("OnCloseGrid", NotifyEventType, {}, DataList),
        Row<e3::TDLGridSort>("OnSort", e3::DLGridSortEventType, {{"Col", 0}, {"SortType", 1}, {"Sort", 2, Read | NotSent}}, DataList),
        Row<e3::TDLGridGetDataEvent>("OnGetData", e3::DLGridGetDataEventType, {{"BeginRow", 0}, {"Count", 1}, {"Col", 2}}, DataList),
        Own("OnGetImage", GetImageEventType, &GetImageHandler),
        Row<N>("OnPopup", NotifyEventType, {}),
        Row<TInvalidRegNoEvent>("OnInvalidRegNo", InvalidRegNoEventType,
                                {{"PreviosValue", 0, Read}, {"Error", 1}}),
        Row<TSelectCellEvent>("OnSelectCell", SelectCellEventType,
                              {{"CanSelect", 2, Read}, {"Col", 0}, {"Row", 1, GridTitleRow}}),
        Row<e3::TDLDblClick>("OnDLDblClick", e3::DLDblClickEventType, {{"Col", 0}, {"Row", 1, ListTitleRow}}, DataList),
        Row<TCellEvent>("OnDLClick", CellEventType, {{"MouseCol", 0}, {"Row", 1}}),
        Own("OnHelp", HelpEventType, &HelpHandler),
        Row<TEditorClickEvent>("OnBeginEditorClick", EditorClickEventType, {{"Col", 0}, {"Row", 1}, {"Text", 2}}),
        Row<TEditorClickEvent>("OnEndEditorClick", EditorClickEventType, {{"Col", 0}, {"Row", 1}, {"Text", 2}}),
        Row<N>("OnTimer", NotifyEventType, {}),
        Row<N>("OnChangeColSize", NotifyEventType, {}),
        Row<TNodeEvent>("OnCollapsed", NodeEventType, {{"ID", 0}}),
        Row<TNodeEvent>("OnExpanded", NodeEventType, {{"ID", 0}}),
        Row<TNodeAllowEvent>("OnCollapsing", NodeAllowEventType, {{"AllowCollapse", 1, Read}, {"ID", 0}}),
        Row<TNodeAllowEvent>("OnExpanding", NodeAllowEventType, {{"AllowExpansion", 1, Read}, {"ID", 0}}),
        Row<TNodeEditedEvent>("OnEditedNode", NodeEditedEventType, {{"Text", 1, Read}, {"ID", 0}}),
        Row<TNodeEvent>("OnEditingNode", NodeEventType, {{"ID", 0}}),
        Row<TNodeEvent>("OnCancelEdit", NodeEventType, {{"ID", 0}}),
        Row<TNodeEvent>("OnChangeNode", NodeEventType, {{"ID", 0}}),
        Row<TNodeAllowEvent>("OnChangingNode", NodeAllowEventType, {{"AllowChange", 1, Read}, {"ID", 0}}),
        Row<TSectionClickEvent>("OnSectionClick", SectionClickEventType, {{"SectionIndex", 0}}),
        Row<TCollButtonClickEvent>("OnCollButtonClick", CollButtonClickEventType,
                                   {{"FunctionName", 0}, {"ButtonIndex", 1}, {"MenuItemIndex", 2}}),
        Row<N>("OnMinValue", NotifyEventType, {}),
        Row<N>("OnFormProgress", NotifyEventType, {}, NoBusyCursor, "OnProgress"),
        Row<TMaxValueEvent>("OnMaxValue", MaxValueEventType, {{"Cancel", 0}}),
        Row<N>("OnSelect", NotifyEventType, {}),
        Row<TCertificateListEvent>("OnCertificateList", CertificateListEventType, {{"Error", 0}, {"CertList", 1}}),
        Row<TSignEvent>("OnSign", SignEventType, {{"Error", 0}}),
        Row<TCheckPinEvent>("OnCheckPin", CheckPinEventType, {{"Error", 0}}),
        Row<TMessageEvent>("OnEFIPDebug", MessageEventType, {{"Msg", 0}}),
        Row<TProtocolErrorEvent>("OnEFIPError", ProtocolErrorEventType, {{"State", 0}, {"Error", 1}, {"Msg", 2}}),
        Row<TProtocolExitEvent>("OnEFIPExit", ProtocolExitEventType,
                                {{"State", 0}, {"Error", 1}, {"Msg", 2}, {"StateExit", 3}, {"GoodBye", 4}}),
        Row<TProtocolWaitEvent>("OnEFIPWaitRequest", ProtocolWaitEventType, {{"State", 0}, {"Suspend", 1, Read}}),
        Row<TProtocolWaitEvent>("OnEFIPWaitCommand", ProtocolWaitEventType, {{"State", 0}, {"Suspend", 1, Read}}),
        Row<TReceiptEvent>("OnEFIPReceipt", ReceiptEventType,
                           {{"Step", 0}, {"Code", 1, Read | Trimmed}, {"Msg", 2, Read | Trimmed}}),
        // The file dialogs' own events, asked while the dialog runs.
        Row<TCloseQueryEvent>("OnCanClose", CloseQueryEventType, {{"CanClose", 0, Read}}),
        Row<N>("OnFolderChange", NotifyEventType, {}),
        Row<N>("OnSelectionChange", NotifyEventType, {}),
        Row<N>("OnTypeChange", NotifyEventType, {}),
        // The date edit's calendar button and its confirmed date dialog.
        Row<N>("OnButtonClick", NotifyEventType, {}),
        Row<e3::TExecDateDialog>("OnAcceptDate", e3::ExecDateDialogEventType,
                                 {{"ADate", 0, Read}, {"Action", 1, Read}}),
    };
}

} // namespace

const std::vector<EventRow>& EventTable()
{
    static const std::vector<EventRow> table = BuildTable();
    return table;
}

} // namespace client::events
