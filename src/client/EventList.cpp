#include "client/EventList.h"

#include "client/Client.h"
#include "client/ClientForm.h"
#include "client/ClientSender.h"
#include "client/Globals.h"
#include "framework/Form.h"
#include "u3/StrLib.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QString>

#include <charconv>

namespace client {

using namespace fw;

namespace {

using u3::Trim;

int32_t ToInteger(const std::string& text)
{
    const std::string t = Trim(text);
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

// The object a drag concerns, by name, and where it stands.
void WriteDragEntries(TClientSender& s, const char* objectEntry, TObject* object, int32_t x, int32_t y)
{
    s.WriteEntry(objectEntry, NameOf(object));
    s.WriteEntry("X", x);
    s.WriteEntry("Y", y);
}

std::string CharacterText(char32_t c)
{
    return QString::fromUcs4(&c, 1).toStdString();
}

// The results that answer var arguments; an absent result leaves the argument.
void ReadBool(const TClientSender& s, const char* name, bool& value)
{
    if (s.HasResult(name))
        value = Trim(s.Result(name)) == "1";
}

void ReadInt(const TClientSender& s, const char* name, int32_t& value)
{
    if (s.HasResult(name))
        value = ToInteger(s.Result(name));
}

void ReadText(const TClientSender& s, const char* name, std::string& value)
{
    if (s.HasResult(name))
        value = s.Result(name);
}

// One control event: the sender made for the control and the event path of
// its name, the request head, the event's entries, the call, and the var
// arguments read back.
template <class Write, class Read>
void SendControlEvent(TObject* sender, const std::string& eventName, Write write, Read read)
{
    auto* component = dynamic_cast<TComponent*>(sender);
    if (!component)
        return;
    TClientSender s = TClientSender::CreateForControl(component, component->GetName() + "." + eventName);
    s.WriteRequest();
    write(s);
    s.Execute();
    read(s);
}

void SendPlain(TObject* sender, const std::string& eventName)
{
    SendControlEvent(sender, eventName, [](TClientSender&) {}, [](const TClientSender&) {});
}

template <class Write, class Read>
void SendDataListEvent(TObject* sender, const std::string& eventName, Write write, Read read)
{
    auto* list = dynamic_cast<IDataListEvents*>(sender);
    if (!list)
        return;
    TClientSender s = TClientSender::CreateForDataList(list->DataListComponent(), list->DataListEventMap(),
                                                       list->DataListEventParams(),
                                                       list->DataListEngineName() + "." + eventName);
    s.WriteRequest();
    write(s, *list);
    s.Execute();
    read(s);
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

auto NoRead = [](const TClientSender&) {};

} // namespace

const TClassInfo& TEventList::StaticClass()
{
    using T = TEventList;
    static const TClassInfo info {
        "TEventList",
        &TComponent::StaticClass(),
        {
            prop::Event("OnCreate", NotifyEventType, &T::OnCreate),
            prop::Event("OnShow", NotifyEventType, &T::OnShow),
            prop::Event("OnClick", NotifyEventType, &T::OnClick),
            prop::Event("OnClickCheck", NotifyEventType, &T::OnClickCheck),
            prop::Event("OnDblClick", NotifyEventType, &T::OnDblClick),
            prop::Event("OnClickLookBar", LookBarClickEventType, &T::OnClickLookBar),
            prop::Event("OnChange", NotifyEventType, &T::OnChange),
            prop::Event("OnProgress", ProgressEventType, &T::OnProgress),
            prop::Event("OnContextPopup", ContextPopupEventType, &T::OnContextPopup),
            prop::Event("OnDragDrop", DragDropEventType, &T::OnDragDrop),
            prop::Event("OnDragOver", DragOverEventType, &T::OnDragOver),
            prop::Event("OnEndDrag", EndDragEventType, &T::OnEndDrag),
            prop::Event("OnEndDock", EndDragEventType, &T::OnEndDock),
            prop::Event("OnDockDrop", DragDropEventType, &T::OnDockDrop),
            prop::Event("OnDockOver", DragOverEventType, &T::OnDockOver),
            prop::Event("OnUnDock", UnDockEventType, &T::OnUnDock),
            prop::Event("OnMouseDown", MouseEventType, &T::OnMouseDown),
            prop::Event("OnMouseMove", MouseMoveEventType, &T::OnMouseMove),
            prop::Event("OnMouseUp", MouseEventType, &T::OnMouseUp),
            prop::Event("OnStartDrag", StartDragEventType, &T::OnStartDrag),
            prop::Event("OnEnter", NotifyEventType, &T::OnEnter),
            prop::Event("OnExit", NotifyEventType, &T::OnExit),
            prop::Event("OnKeyDown", KeyEventType, &T::OnKeyDown),
            prop::Event("OnKeyPress", KeyPressEventType, &T::OnKeyPress),
            prop::Event("OnKeyUp", KeyEventType, &T::OnKeyUp),
            prop::Event("OnDropDown", NotifyEventType, &T::OnDropDown),
            prop::Event("OnCanResize", CanResizeEventType, &T::OnCanResize),
            prop::Event("OnConstrainedResize", ConstrainedResizeEventType, &T::OnConstrainedResize),
            prop::Event("OnResize", NotifyEventType, &T::OnResize),
            prop::Event("OnPosChanged", NotifyEventType, &T::OnPosChanged),
            prop::Event("OnColumnMoved", MovedEventType, &T::OnColumnMoved),
            prop::Event("OnRowMoved", MovedEventType, &T::OnRowMoved),
            prop::Event("OnPageChanged", NotifyEventType, &T::OnPageChanged),
            prop::Event("OnActivate", NotifyEventType, &T::OnActivate),
            prop::Event("OnClose", CloseEventType, &T::OnClose),
            prop::Event("OnCloseQuery", CloseQueryEventType, &T::OnCloseQuery),
            prop::Event("OnDeactivate", NotifyEventType, &T::OnDeactivate),
            prop::Event("OnDestroy", NotifyEventType, &T::OnDestroy),
            prop::Event("OnHide", NotifyEventType, &T::OnHide),
            prop::Event("OnPaint", NotifyEventType, &T::OnPaint),
            prop::Event("OnChanging", ChangingEventType, &T::OnChanging),
            prop::Event("OnInitGrid", InitGridEventType, &T::OnInitGrid),
            prop::Event("OnSaveParams", NotifyEventType, &T::OnSaveParams),
            prop::Event("OnCloseGrid", NotifyEventType, &T::OnCloseGrid),
            prop::Event("OnSort", SortEventType, &T::OnSort),
            prop::Event("OnGetData", GetDataEventType, &T::OnGetData),
            prop::Event("OnGetImage", GetImageEventType, &T::OnGetImage),
            prop::Event("OnPopup", NotifyEventType, &T::OnPopup),
            prop::Event("OnInvalidRegNo", InvalidRegNoEventType, &T::OnInvalidRegNo),
            prop::Event("OnSelectCell", SelectCellEventType, &T::OnSelectCell),
            prop::Event("OnDLDblClick", CellEventType, &T::OnDLDblClick),
            prop::Event("OnDLClick", CellEventType, &T::OnDLClick),
            prop::Event("OnHelp", HelpEventType, &T::OnHelp),
            prop::Event("OnBeginEditorClick", EditorClickEventType, &T::OnBeginEditorClick),
            prop::Event("OnEndEditorClick", EditorClickEventType, &T::OnEndEditorClick),
            prop::Event("OnTimer", NotifyEventType, &T::OnTimer),
            prop::Event("OnChangeColSize", NotifyEventType, &T::OnChangeColSize),
            prop::Event("OnCollapsed", NodeEventType, &T::OnCollapsed),
            prop::Event("OnExpanded", NodeEventType, &T::OnExpanded),
            prop::Event("OnCollapsing", NodeAllowEventType, &T::OnCollapsing),
            prop::Event("OnExpanding", NodeAllowEventType, &T::OnExpanding),
            prop::Event("OnEditedNode", NodeEditedEventType, &T::OnEditedNode),
            prop::Event("OnEditingNode", NodeEventType, &T::OnEditingNode),
            prop::Event("OnCancelEdit", NodeEventType, &T::OnCancelEdit),
            prop::Event("OnChangeNode", NodeEventType, &T::OnChangeNode),
            prop::Event("OnChangingNode", NodeAllowEventType, &T::OnChangingNode),
            prop::Event("OnSectionClick", SectionClickEventType, &T::OnSectionClick),
            prop::Event("OnCollButtonClick", CollButtonClickEventType, &T::OnCollButtonClick),
            prop::Event("OnMinValue", NotifyEventType, &T::OnMinValue),
            prop::Event("OnFormProgress", NotifyEventType, &T::OnFormProgress),
            prop::Event("OnMaxValue", MaxValueEventType, &T::OnMaxValue),
            prop::Event("OnSelect", NotifyEventType, &T::OnSelect),
            prop::Event("OnCertificateList", CertificateListEventType, &T::OnCertificateList),
            prop::Event("OnSign", SignEventType, &T::OnSign),
            prop::Event("OnCheckPin", CheckPinEventType, &T::OnCheckPin),
            prop::Event("OnEFIPDebug", MessageEventType, &T::OnEFIPDebug),
            prop::Event("OnEFIPError", ProtocolErrorEventType, &T::OnEFIPError),
            prop::Event("OnEFIPExit", ProtocolExitEventType, &T::OnEFIPExit),
            prop::Event("OnEFIPWaitRequest", ProtocolWaitEventType, &T::OnEFIPWaitRequest),
            prop::Event("OnEFIPWaitCommand", ProtocolWaitEventType, &T::OnEFIPWaitCommand),
            prop::Event("OnEFIPReceipt", ReceiptEventType, &T::OnEFIPReceipt),
        },
    };
    return info;
}

TEventList::TEventList(TComponent* owner)
    : TComponent(owner)
{
    // Events without arguments of their own.
    const std::pair<TNotifyEvent*, const char*> plain[] = {
        {&OnCreate, "OnCreate"},         {&OnClick, "OnClick"},       {&OnClickCheck, "OnClickCheck"},
        {&OnDblClick, "OnDblClick"},     {&OnEnter, "OnEnter"},       {&OnDropDown, "OnDropDown"},
        {&OnResize, "OnResize"},         {&OnPosChanged, "OnPosChanged"}, {&OnPageChanged, "OnPageChanged"},
        {&OnDeactivate, "OnDeactivate"}, {&OnDestroy, "OnDestroy"},   {&OnHide, "OnHide"},
        {&OnPaint, "OnPaint"},           {&OnPopup, "OnPopup"},       {&OnTimer, "OnTimer"},
        {&OnChangeColSize, "OnChangeColSize"}, {&OnMinValue, "OnMinValue"}, {&OnSelect, "OnSelect"},
    };
    for (const auto& [field, name] : plain) {
        const std::string eventName = name;
        *field = [eventName](TObject* sender) { SendPlain(sender, eventName); };
    }
    OnStartDrag = [](TObject* sender, TObject*&) { SendPlain(sender, "OnStartDrag"); };

    OnShow = [](TObject* sender) {
        QScreen* screen = QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->geometry() : QRect();
        const std::string resolution = std::to_string(area.width()) + "x" + std::to_string(area.height());
        SendControlEvent(sender, "OnShow", [&](TClientSender& s) { s.WriteEntry("Resolution", resolution); }, NoRead);
    };
    OnChange = [this](TObject* sender) { SendChangeOrExit(sender, "OnChange"); };
    OnExit = [this](TObject* sender) { SendChangeOrExit(sender, "OnExit"); };
    OnActivate = [](TObject* sender) {
        ActivateClientForm(sender);
        SendPlain(sender, "OnActivate");
    };
    OnCloseQuery = [](TObject* sender, bool& canClose) {
        Guard<TObject> alive(sender);
        QCoreApplication::processEvents();
        if (!alive)
            return;
        SendControlEvent(
            sender, "OnCloseQuery", [&](TClientSender& s) { s.WriteBoolEntry("CanClose", canClose); },
            [&](const TClientSender& s) { ReadBool(s, "CanClose", canClose); });
    };
    OnClose = [](TObject* sender, TCloseAction& action) {
        SendControlEvent(
            sender, "OnClose", [&](TClientSender& s) { s.WriteEntry("Action", static_cast<int32_t>(action)); },
            [&](const TClientSender& s) {
                int32_t value = action;
                ReadInt(s, "Action", value);
                if (value >= caNone && value <= caMinimize)
                    action = static_cast<TCloseAction>(value);
            });
    };
    OnFormProgress = [](TObject* sender) {
        auto* component = dynamic_cast<TComponent*>(sender);
        if (!component)
            return;
        TClientSender s = TClientSender::CreateForControl(component, component->GetName() + ".OnProgress");
        s.ShowBusyCursor = false;
        s.WriteRequest();
        s.Execute();
    };
    OnProgress = [](TObject* sender, int32_t stage, int32_t percentDone, bool redrawNow, const TRect& r,
                    const std::string& msg) {
        SendControlEvent(
            sender, "OnProgress",
            [&](TClientSender& s) {
                s.WriteEntry("R.Left", r.left);
                s.WriteEntry("R.Top", r.top);
                s.WriteEntry("R.Right", r.right);
                s.WriteEntry("R.Bottom", r.bottom);
                s.WriteEntry("Stage", stage);
                s.WriteEntry("PercentDone", percentDone);
                s.WriteBoolEntry("RedrawNow", redrawNow);
                s.WriteEntry("Msg", msg);
            },
            NoRead);
    };
    OnClickLookBar = [](TObject* sender, int32_t button, int32_t expButton) {
        SendControlEvent(
            sender, "OnClickLookBar",
            [&](TClientSender& s) {
                s.WriteEntry("Button", button);
                s.WriteEntry("ExpButton", expButton);
            },
            NoRead);
    };
    OnContextPopup = [](TObject* sender, TPoint mousePos, bool& handled) {
        SendControlEvent(
            sender, "OnContextPopup",
            [&](TClientSender& s) {
                s.WriteEntry("MousePos.X", mousePos.x);
                s.WriteEntry("MousePos.Y", mousePos.y);
                s.WriteBoolEntry("Handled", handled);
            },
            [&](const TClientSender& s) { ReadBool(s, "Handled", handled); });
    };
    auto dragDrop = [](const char* name) {
        return [name](TObject* sender, TObject* source, int32_t x, int32_t y) {
            SendControlEvent(
                sender, name,
                [&](TClientSender& s) { WriteDragEntries(s, "Source", source, x, y); },
                NoRead);
        };
    };
    OnDragDrop = dragDrop("OnDragDrop");
    OnDockDrop = dragDrop("OnDockDrop");
    auto dragOver = [](const char* name) {
        return [name](TObject* sender, TObject* source, int32_t x, int32_t y, TDragState state, bool& accept) {
            SendControlEvent(
                sender, name,
                [&](TClientSender& s) {
                    WriteDragEntries(s, "Source", source, x, y);
                    s.WriteEntry("State", static_cast<int32_t>(state));
                    s.WriteBoolEntry("Accept", accept);
                },
                [&](const TClientSender& s) { ReadBool(s, "Accept", accept); });
        };
    };
    OnDragOver = dragOver("OnDragOver");
    OnDockOver = dragOver("OnDockOver");
    auto endDrag = [](const char* name) {
        return [name](TObject* sender, TObject* target, int32_t x, int32_t y) {
            SendControlEvent(
                sender, name,
                [&](TClientSender& s) { WriteDragEntries(s, "Target", target, x, y); },
                NoRead);
        };
    };
    OnEndDrag = endDrag("OnEndDrag");
    OnEndDock = endDrag("OnEndDock");
    OnUnDock = [](TObject* sender, TObject* client, TObject* newTarget, bool& allow) {
        SendControlEvent(
            sender, "OnUnDock",
            [&](TClientSender& s) {
                s.WriteEntry("Client", NameOf(client));
                s.WriteEntry("NewTarget", NameOf(newTarget));
                s.WriteBoolEntry("Allow", allow);
            },
            [&](const TClientSender& s) { ReadBool(s, "Allow", allow); });
    };
    auto mouseButton = [](const char* name) {
        return [name](TObject* sender, TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
            SendControlEvent(
                sender, name,
                [&](TClientSender& s) {
                    s.WriteEntry("Button", static_cast<int32_t>(button));
                    s.WriteEntry("Shift", static_cast<int32_t>(shift));
                    s.WriteEntry("X", x);
                    s.WriteEntry("Y", y);
                },
                NoRead);
        };
    };
    OnMouseDown = mouseButton("OnMouseDown");
    OnMouseUp = mouseButton("OnMouseUp");
    OnMouseMove = [](TObject* sender, TShiftState shift, int32_t x, int32_t y) {
        SendControlEvent(
            sender, "OnMouseMove",
            [&](TClientSender& s) {
                s.WriteEntry("Shift", static_cast<int32_t>(shift));
                s.WriteEntry("X", x);
                s.WriteEntry("Y", y);
            },
            NoRead);
    };
    OnKeyDown = [this](TObject* sender, uint16_t& key, TShiftState shift) { SendKey(sender, "OnKeyDown", key, shift); };
    OnKeyUp = [this](TObject* sender, uint16_t& key, TShiftState shift) { SendKey(sender, "OnKeyUp", key, shift); };
    OnKeyPress = [this](TObject* sender, char32_t& key) { SendKeyPress(sender, key); };
    OnCanResize = [](TObject* sender, int32_t& newWidth, int32_t& newHeight, bool& resize) {
        SendControlEvent(
            sender, "OnCanResize",
            [&](TClientSender& s) {
                s.WriteEntry("NewWidth", newWidth);
                s.WriteEntry("NewHeight", newHeight);
                s.WriteBoolEntry("Resize", resize);
            },
            [&](const TClientSender& s) {
                ReadInt(s, "NewWidth", newWidth);
                ReadInt(s, "NewHeight", newHeight);
                ReadBool(s, "Resize", resize);
            });
    };
    OnConstrainedResize = [](TObject* sender, int32_t& minWidth, int32_t& minHeight, int32_t& maxWidth,
                             int32_t& maxHeight) {
        SendControlEvent(
            sender, "OnConstrainedResize",
            [&](TClientSender& s) {
                s.WriteEntry("MinWidth", minWidth);
                s.WriteEntry("MinHeight", minHeight);
                s.WriteEntry("MaxWidth", maxWidth);
                s.WriteEntry("MaxHeight", maxHeight);
            },
            [&](const TClientSender& s) {
                ReadInt(s, "MinWidth", minWidth);
                ReadInt(s, "MinHeight", minHeight);
                ReadInt(s, "MaxWidth", maxWidth);
                ReadInt(s, "MaxHeight", maxHeight);
            });
    };
    auto moved = [](const char* name) {
        return [name](TObject* sender, int32_t fromIndex, int32_t toIndex) {
            SendControlEvent(
                sender, name,
                [&](TClientSender& s) {
                    s.WriteEntry("FromIndex", fromIndex);
                    s.WriteEntry("ToIndex", toIndex);
                },
                NoRead);
        };
    };
    OnColumnMoved = moved("OnColumnMoved");
    OnRowMoved = moved("OnRowMoved");
    OnChanging = [](TObject* sender, bool& allowChange) {
        SendControlEvent(
            sender, "OnChanging", [&](TClientSender& s) { s.WriteBoolEntry("AllowChange", allowChange); },
            [&](const TClientSender& s) { ReadBool(s, "AllowChange", allowChange); });
    };
    OnSelectCell = [](TObject* sender, int32_t col, int32_t row, bool& canSelect) {
        const int32_t engineRow = IsGridWithTitle(sender) ? row - 1 : row;
        SendControlEvent(
            sender, "OnSelectCell",
            [&](TClientSender& s) {
                s.WriteBoolEntry("CanSelect", canSelect);
                s.WriteEntry("Col", col);
                s.WriteEntry("Row", engineRow);
            },
            [&](const TClientSender& s) { ReadBool(s, "CanSelect", canSelect); });
    };
    OnDLClick = [](TObject* sender, int32_t col, int32_t row) {
        SendControlEvent(
            sender, "OnDLClick",
            [&](TClientSender& s) {
                s.WriteEntry("MouseCol", col);
                s.WriteEntry("Row", row);
            },
            NoRead);
    };
    auto editorClick = [](const char* name) {
        return [name](TObject* sender, int32_t col, int32_t row, const std::string& text) {
            SendControlEvent(
                sender, name,
                [&](TClientSender& s) {
                    s.WriteEntry("Col", col);
                    s.WriteEntry("Row", row);
                    s.WriteEntry("Text", text);
                },
                NoRead);
        };
    };
    OnBeginEditorClick = editorClick("OnBeginEditorClick");
    OnEndEditorClick = editorClick("OnEndEditorClick");
    OnInvalidRegNo = [](TObject* sender, bool& previosValue, const std::string& error) {
        SendControlEvent(
            sender, "OnInvalidRegNo",
            [&](TClientSender& s) {
                s.WriteBoolEntry("PreviosValue", previosValue);
                s.WriteEntry("Error", error);
            },
            [&](const TClientSender& s) { ReadBool(s, "PreviosValue", previosValue); });
    };

    // Data lists.
    auto noDataListRead = [](const TClientSender&) {};
    OnInitGrid = [=](TObject* sender, const std::string& table) {
        SendDataListEvent(
            sender, "OnInitGrid", [&](TClientSender& s, IDataListEvents&) { s.WriteEntry("Table", table); },
            noDataListRead);
    };
    OnSaveParams = [=](TObject* sender) {
        SendDataListEvent(
            sender, "OnSaveParams",
            [&](TClientSender& s, IDataListEvents& list) {
                const std::vector<int32_t> widths = list.GridColumnWidths();
                std::string text = std::to_string(widths.size());
                for (int32_t w : widths)
                    text += "," + std::to_string(w);
                s.WriteEntry("ColumnsWidth", text);
            },
            noDataListRead);
    };
    OnCloseGrid = [=](TObject* sender) {
        SendDataListEvent(sender, "OnCloseGrid", [](TClientSender&, IDataListEvents&) {}, noDataListRead);
    };
    OnSort = [](TObject* sender, int32_t col, int32_t sortType, bool& sort) {
        SendDataListEvent(
            sender, "OnSort",
            [&](TClientSender& s, IDataListEvents&) {
                s.WriteEntry("Col", col);
                s.WriteEntry("SortType", sortType);
            },
            [&](const TClientSender& s) { ReadBool(s, "Sort", sort); });
    };
    OnGetData = [=](TObject* sender, int32_t beginRow, int32_t count, int32_t col) {
        SendDataListEvent(
            sender, "OnGetData",
            [&](TClientSender& s, IDataListEvents&) {
                s.WriteEntry("BeginRow", beginRow);
                s.WriteEntry("Count", count);
                s.WriteEntry("Col", col);
            },
            noDataListRead);
    };
    OnDLDblClick = [=](TObject* sender, int32_t col, int32_t row) {
        SendDataListEvent(
            sender, "OnDLDblClick",
            [&](TClientSender& s, IDataListEvents& list) {
                s.WriteEntry("Col", col);
                s.WriteEntry("Row", list.GridTitleVisible() ? row - 1 : row);
            },
            noDataListRead);
    };

    OnGetImage = [](TObject*, const std::string& name, QImage& image) {
        if (TClient* c = Client())
            image = c->GetImage(name);
    };
    OnHelp = [](uint16_t command, int32_t data, bool& callHelp) {
        constexpr uint16_t contextHelp = 1;
        if (command == contextHelp) {
            TClientSender s = TClientSender::CreateForClient("Client.OnHelp");
            s.WriteRequest();
            s.WriteEntry("Context", data);
            s.Execute();
        }
        callHelp = false;
        return true;
    };

    // Tree nodes.
    auto node = [](const char* name) {
        return [name](TObject* sender, int32_t nodeId) {
            SendControlEvent(sender, name, [&](TClientSender& s) { s.WriteEntry("ID", nodeId); }, NoRead);
        };
    };
    OnCollapsed = node("OnCollapsed");
    OnExpanded = node("OnExpanded");
    OnEditingNode = node("OnEditingNode");
    OnCancelEdit = node("OnCancelEdit");
    OnChangeNode = node("OnChangeNode");
    auto nodeAllow = [](const char* name, const char* allowName) {
        return [name, allowName](TObject* sender, int32_t nodeId, bool& allow) {
            SendControlEvent(
                sender, name,
                [&](TClientSender& s) {
                    s.WriteBoolEntry(allowName, allow);
                    s.WriteEntry("ID", nodeId);
                },
                [&](const TClientSender& s) { ReadBool(s, allowName, allow); });
        };
    };
    OnCollapsing = nodeAllow("OnCollapsing", "AllowCollapse");
    OnExpanding = nodeAllow("OnExpanding", "AllowExpansion");
    OnChangingNode = nodeAllow("OnChangingNode", "AllowChange");
    OnEditedNode = [](TObject* sender, int32_t nodeId, std::string& text) {
        SendControlEvent(
            sender, "OnEditedNode",
            [&](TClientSender& s) {
                s.WriteEntry("Text", text);
                s.WriteEntry("ID", nodeId);
            },
            [&](const TClientSender& s) { ReadText(s, "Text", text); });
    };
    OnSectionClick = [](TObject* sender, int32_t sectionIndex) {
        SendControlEvent(
            sender, "OnSectionClick", [&](TClientSender& s) { s.WriteEntry("SectionIndex", sectionIndex); }, NoRead);
    };
    OnCollButtonClick = [](TObject* sender, const std::string& functionName, int32_t buttonIndex,
                           int32_t menuItemIndex) {
        SendControlEvent(
            sender, "OnCollButtonClick",
            [&](TClientSender& s) {
                s.WriteEntry("FunctionName", functionName);
                s.WriteEntry("ButtonIndex", buttonIndex);
                s.WriteEntry("MenuItemIndex", menuItemIndex);
            },
            NoRead);
    };
    OnMaxValue = [](TObject* sender, bool& cancel) {
        SendControlEvent(sender, "OnMaxValue", [&](TClientSender& s) { s.WriteBoolEntry("Cancel", cancel); }, NoRead);
    };

    // Signing and the submission protocol.
    OnCertificateList = [](TObject* sender, bool error, const std::string& certList) {
        SendControlEvent(
            sender, "OnCertificateList",
            [&](TClientSender& s) {
                s.WriteBoolEntry("Error", error);
                s.WriteEntry("CertList", certList);
            },
            NoRead);
    };
    OnSign = [](TObject* sender, bool error) {
        SendControlEvent(sender, "OnSign", [&](TClientSender& s) { s.WriteBoolEntry("Error", error); }, NoRead);
    };
    OnCheckPin = [](TObject* sender, int32_t error) {
        SendControlEvent(sender, "OnCheckPin", [&](TClientSender& s) { s.WriteEntry("Error", error); }, NoRead);
    };
    OnEFIPDebug = [](TObject* sender, const std::string& msg) {
        SendControlEvent(sender, "OnEFIPDebug", [&](TClientSender& s) { s.WriteEntry("Msg", msg); }, NoRead);
    };
    OnEFIPError = [](TObject* sender, int32_t state, int32_t error, const std::string& msg) {
        SendControlEvent(
            sender, "OnEFIPError",
            [&](TClientSender& s) {
                s.WriteEntry("State", state);
                s.WriteEntry("Error", error);
                s.WriteEntry("Msg", msg);
            },
            NoRead);
    };
    OnEFIPExit = [](TObject* sender, int32_t state, int32_t error, const std::string& msg, int32_t stateExit,
                    bool goodBye) {
        SendControlEvent(
            sender, "OnEFIPExit",
            [&](TClientSender& s) {
                s.WriteEntry("State", state);
                s.WriteEntry("Error", error);
                s.WriteEntry("Msg", msg);
                s.WriteEntry("StateExit", stateExit);
                s.WriteBoolEntry("GoodBye", goodBye);
            },
            NoRead);
    };
    auto wait = [](const char* name) {
        return [name](TObject* sender, int32_t state, bool& suspend) {
            SendControlEvent(
                sender, name,
                [&](TClientSender& s) {
                    s.WriteEntry("State", state);
                    s.WriteBoolEntry("Suspend", suspend);
                },
                [&](const TClientSender& s) { ReadBool(s, "Suspend", suspend); });
        };
    };
    OnEFIPWaitRequest = wait("OnEFIPWaitRequest");
    OnEFIPWaitCommand = wait("OnEFIPWaitCommand");
    OnEFIPReceipt = [](TObject* sender, int32_t step, int32_t& code, std::string& msg) {
        SendControlEvent(
            sender, "OnEFIPReceipt",
            [&](TClientSender& s) {
                s.WriteEntry("Step", step);
                s.WriteEntry("Code", code);
                s.WriteEntry("Msg", msg);
            },
            [&](const TClientSender& s) {
                if (s.HasResult("Code"))
                    code = ToInteger(Trim(s.Result("Code")));
                if (s.HasResult("Msg"))
                    msg = Trim(s.Result("Msg"));
            });
    };
}

// --- OnChange and OnExit ----------------------------------------------------

bool TEventList::ChangeDropped(TObject* sender) const
{
    if (ChangeGuard)
        return false;
    // Raised by the reply of the call under way (it runs at the depth where
    // that call began).
    if (TCustomForm::ModalDepth() <= changeDepth_)
        return true;
    // Inside a modal form opened during the call: the user's own events go
    // out, except for a control whose call is still running.
    for (const auto& running : changeCalls_)
        if (running.get() == sender)
            return true;
    return false;
}

void TEventList::SendChangeOrExit(TObject* sender, const char* eventName)
{
    if (ChangeDropped(sender))
        return;
    const bool savedGuard = ChangeGuard;
    const int savedDepth = changeDepth_;
    ChangeGuard = false;
    changeDepth_ = TCustomForm::ModalDepth();
    changeCalls_.emplace_back(sender);
    auto restore = [&] {
        changeCalls_.pop_back();
        changeDepth_ = savedDepth;
        ChangeGuard = savedGuard;
    };
    try {
        SendPlain(sender, eventName);
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

// --- keys -------------------------------------------------------------------

void TEventList::SendKey(TObject* sender, const char* eventName, uint16_t& key, TShiftState shift)
{
    auto* component = dynamic_cast<TComponent*>(sender);
    if (!component)
        return;
    TClientSender s = TClientSender::CreateForControl(component, component->GetName() + "." + eventName);
    std::string shortCut;
    if (s.FromEngineForm) {
        // The form's own keys (its key preview) pass its key filter.
        auto* form = dynamic_cast<Te3ClientForm*>(component);
        const std::string filter = form ? form->GetKeyFilter() : std::string();
        const bool matched = MatchShortCut(filter, key, shift, shortCut);
        if (!filter.empty() && !matched)
            return;
    }
    s.WriteRequest();
    s.WriteEntry("ShortCut", shortCut);
    s.WriteEntry("Key", static_cast<int32_t>(key));
    s.WriteEntry("Shift", static_cast<int32_t>(shift));
    s.Execute();
    if (s.HasResult("Key"))
        key = static_cast<uint16_t>(ToInteger(s.Result("Key")));
    if (s.HasResult("Shift"))
        (void)ToInteger(s.Result("Shift"));
}

void TEventList::SendKeyPress(TObject* sender, char32_t& key)
{
    // Enter goes out, and on to the control, as character 1.
    if (key == 13)
        key = 1;
    SendControlEvent(
        sender, "OnKeyPress", [&](TClientSender& s) { s.WriteEntry("Key", CharacterText(key)); },
        [&](const TClientSender& s) {
            if (!s.HasResult("Key"))
                return;
            const QList<uint> ucs4 = QString::fromStdString(s.Result("Key")).toUcs4();
            key = ucs4.isEmpty() ? 0 : static_cast<char32_t>(ucs4.front());
        });
}

bool TEventList::MatchShortCut(const std::string& filterText, uint16_t key, TShiftState shift, std::string& shortCut)
{
    if (key > 255)
        return false;
    std::string text;
    switch (key) {
    case 8: text = "Backspace"; break;
    case 9: text = "Tab"; break;
    case 13: text = "Enter"; break;
    case 27: text = "Escape"; break;
    case 32: text = "Space"; break;
    case 33: text = "Page Up"; break;
    case 34: text = "Page Down"; break;
    case 35: text = "End"; break;
    case 36: text = "Home"; break;
    case 37: text = "Left"; break;
    case 38: text = "Up"; break;
    case 39: text = "Right"; break;
    case 40: text = "Down"; break;
    case 45: text = "Insert"; break;
    case 46: text = "Delete"; break;
    default:
        if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
            text = std::string(1, static_cast<char>(key));
        else if (key >= 96 && key <= 105)
            text = std::string(1, static_cast<char>('0' + key - 96));
        else if (key >= 112 && key <= 135)
            text = "F" + std::to_string(key - 111);
        else
            return false;
    }
    // Each prefix goes in front of the text so far: Shift+Ctrl+Alt+F5.
    if (shift & (1u << ssAlt))
        text = "Alt+" + text;
    if (shift & (1u << ssCtrl))
        text = "Ctrl+" + text;
    if (shift & (1u << ssShift))
        text = "Shift+" + text;

    size_t start = 0;
    while (start <= filterText.size()) {
        size_t end = filterText.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = filterText.size();
        if (SameText(filterText.substr(start, end - start), text)) {
            shortCut = text;
            return true;
        }
        if (end < filterText.size() && filterText[end] == '\r' && end + 1 < filterText.size() &&
            filterText[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return false;
}

// --- callbacks and the client's own events ------------------------------------

void TEventList::SendCallbackText(const std::string& callback, const std::string& text)
{
    TClientSender s = TClientSender::CreateForCallback(callback);
    s.WriteRequest();
    s.WriteEntry("ModalResult", text);
    s.Execute();
}

void TEventList::SendModalResult(const std::string& callback, int32_t value)
{
    TClientSender s = TClientSender::Create(callback);
    s.WriteRequest();
    s.WriteEntry("ModalResult", value);
    s.Execute();
}

void TEventList::SendModalResultChecked(const std::string& callback, int32_t value, bool checked)
{
    TClientSender s = TClientSender::Create(callback);
    s.WriteRequest();
    s.WriteEntry("ModalResult", value);
    s.WriteBoolEntry("Checked", checked);
    s.Execute();
}

void TEventList::SendFileDialogResult(const std::string& callback, bool modalResult, const std::string& files,
                                      int32_t filterIndex, int32_t fileSize)
{
    TClientSender s = TClientSender::Create(callback);
    s.WriteRequest();
    s.WriteBoolEntry("ModalResult", modalResult);
    s.WriteEntry("Files", files);
    s.WriteEntry("FilterIndex", filterIndex);
    s.WriteEntry("FileSize", fileSize);
    s.Execute();
}

void TEventList::SendDirectoryResult(const std::string& callback, bool modalResult, const std::string& directory)
{
    TClientSender s = TClientSender::Create(callback);
    s.WriteRequest();
    s.WriteBoolEntry("ModalResult", modalResult);
    s.WriteEntry("Directory", directory);
    s.Execute();
}

void TEventList::SendFilesSize(const std::string& callback, int32_t size)
{
    TClientSender s = TClientSender::Create(callback);
    s.WriteRequest();
    s.WriteEntry("FilesSize", size);
    s.Execute();
}

std::string TEventList::GetDictionaryWord(const std::string& key, const std::string& defaultText)
{
    return client::GetDictionaryWord(key, defaultText);
}

void TEventList::ForwardClientMessage(const std::string& nameEngine, const std::string& uid, int32_t localID,
                                      const std::string& mid, const std::string& mString, const std::string& mType)
{
    TClientSender s = TClientSender::CreateForClient("Client.OnMessage");
    s.WriteRequest();
    s.WriteEntry("NameEngine", nameEngine);
    s.WriteEntry("UID", uid);
    s.WriteEntry("LocalID", localID);
    s.WriteEntry("MID", mid);
    s.WriteEntry("MString", mString);
    s.WriteEntry("MType", mType);
    s.Execute();
}

void TEventList::ActivateClientForm(TObject* sender)
{
    auto* form = dynamic_cast<Te3_ClientForm*>(sender);
    TClient* c = Client();
    if (form && c)
        c->SetCurrentForm(form);
}

} // namespace client
