// The request every event of the event list writes, and what its reply writes
// back into the var arguments, for fixed arguments. The table is the record of
// the bytes the engine receives: a change to how the list is put together must
// leave every line as it is.
#include "ClientFixture.h"
#include "client/EventList.h"
#include "u3/DateTime.h"
#include "u3/StrLib.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include <functional>

using namespace e3test;
using namespace fw;
using client::TEventList;

namespace {

// A data list as the event list sees it.
class TBytesDataList : public TComponent, public client::IDataListEvents {
public:
    TBytesDataList() : TComponent(nullptr) {}
    TComponent* DataListComponent() override { return this; }
    std::string DataListEngineName() const override { return "List"; }
    const client::TNameValueList& DataListEventMap() const override { return map; }
    const client::TNameValueList& DataListEventParams() const override { return params; }
    std::vector<int32_t> GridColumnWidths() const override { return {64, 80}; }
    bool GridTitleVisible() const override { return true; }
    client::TNameValueList map, params;
};

class EventBytesTest : public ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        list = std::make_unique<TEventList>(nullptr);
        client::SetEventListObject(list.get());
        form = new client::Te3_ClientForm(theClient.get());
        form->SetName("FormMain");
        edit = new TTestEdit(form);
        edit->SetName("Edit1");
        edit->SetParent(form);
        other = new TTestEdit(form);
        other->SetName("Other");
        other->SetParent(form);
        theClient->SetCurrentForm(form);
        for (const TPropInfo& p : TEventList::StaticClass().OwnProperties())
            form->EventMap.Add("FormMain.Edit1." + p.name, "E." + p.name.substr(2));
        form->EventMap.Add("FormMain.Edit1.OnProgress", "E.Progress");
        for (const char* name : {"OnInitGrid", "OnSaveParams", "OnCloseGrid", "OnSort", "OnGetData", "OnDLDblClick"})
            dataList.map.Add(std::string("List.") + name, std::string("L.") + (name + 2));
        // One reply for every call, with a result for every var argument.
        engine->onExecuteEvent = [](const EngineCall&) {
            std::string reply = "{\r\n;\r\n";
            for (const char* pair : {"CanClose|0", "Action|2", "Handled|1", "Accept|1", "Allow|0", "Key|77",
                                     "Shift|5", "NewWidth|31", "NewHeight|32", "Resize|0", "MinWidth|41",
                                     "MinHeight|42", "MaxWidth|43", "MaxHeight|44", "AllowChange|0",
                                     "CanSelect|0", "PreviosValue|1", "Sort|1", "AllowCollapse|0",
                                     "AllowExpansion|0", "Text| from engine ", "Cancel|0", "Suspend|1",
                                     "Code| 17 ", "Msg| trimmed ", "ADate| 01.01.2025 "}) {
                const std::string p = pair;
                const auto bar = p.find('|');
                reply += p.substr(0, bar) + "\r\n" + p.substr(bar + 1) + "\r\n;\r\n";
            }
            return reply + "}";
        };
    }

    void TearDown() override
    {
        client::SetEventListObject(nullptr);
        ClientFixture::TearDown();
        list.reset();
    }

    template <class F>
    F Handler(const std::string& name)
    {
        const TPropInfo* p = TEventList::StaticClass().FindProperty(name);
        EXPECT_TRUE(p) << name;
        return std::any_cast<F>(std::get<std::any>(p->get(*list)));
    }

    // The requests since the last call, as "event: entry value ; ...".
    std::string TakeRequests()
    {
        std::string out;
        const auto calls = engine->CallsOf("ExecuteEvent");
        for (size_t i = seen; i < calls.size(); ++i) {
            std::string text = calls[i].args.at(3) + ":";
            const std::string& body = calls[i].args.at(4);
            size_t start = 0;
            while (start < body.size()) {
                size_t end = body.find("\r\n", start);
                if (end == std::string::npos)
                    end = body.size();
                text += " " + body.substr(start, end - start);
                start = end + 2;
            }
            out += (out.empty() ? "" : " // ") + text;
        }
        seen = calls.size();
        return out;
    }

    std::unique_ptr<TEventList> list;
    client::Te3_ClientForm* form = nullptr;
    TTestEdit* edit = nullptr;
    TTestEdit* other = nullptr;
    TBytesDataList dataList;
    size_t seen = 0;
};

std::string B(bool v) { return v ? "true" : "false"; }
std::string I(int64_t v) { return std::to_string(v); }

TEST_F(EventBytesTest, EveryEventWritesItsEntriesAndReadsItsVarArguments)
{
    using N = TNotifyEvent;
    struct Case {
        const char* name;
        std::function<std::string()> fire; // the var arguments after the call
        const char* request;
        const char* after;
    };
    TObject* s = edit;
    const Case cases[] = {
#define PLAIN(n, request) {n, [&] { Handler<N>(n)(s); return std::string(); }, request, ""}
        PLAIN("OnCreate", "E.Create: { ; Sender Edit1 ; }"),
        PLAIN("OnClick", "E.Click: { ; Sender Edit1 ; }"),
        PLAIN("OnClickCheck", "E.ClickCheck: { ; Sender Edit1 ; }"),
        PLAIN("OnDblClick", "E.DblClick: { ; Sender Edit1 ; }"),
        PLAIN("OnEnter", "E.Enter: { ; Sender Edit1 ; }"),
        PLAIN("OnDropDown", "E.DropDown: { ; Sender Edit1 ; }"),
        PLAIN("OnResize", "E.Resize: { ; Sender Edit1 ; }"),
        PLAIN("OnPosChanged", "E.PosChanged: { ; Sender Edit1 ; }"),
        PLAIN("OnPageChanged", "E.PageChanged: { ; Sender Edit1 ; }"),
        PLAIN("OnDeactivate", "E.Deactivate: { ; Sender Edit1 ; }"),
        PLAIN("OnDestroy", "E.Destroy: { ; Sender Edit1 ; }"),
        PLAIN("OnHide", "E.Hide: { ; Sender Edit1 ; }"),
        PLAIN("OnPaint", "E.Paint: { ; Sender Edit1 ; }"),
        PLAIN("OnPopup", "E.Popup: { ; Sender Edit1 ; }"),
        PLAIN("OnTimer", "E.Timer: { ; Sender Edit1 ; }"),
        PLAIN("OnChangeColSize", "E.ChangeColSize: { ; Sender Edit1 ; }"),
        PLAIN("OnMinValue", "E.MinValue: { ; Sender Edit1 ; }"),
        PLAIN("OnSelect", "E.Select: { ; Sender Edit1 ; }"),
        PLAIN("OnChange", "E.Change: { ; Sender Edit1 ; }"),
        PLAIN("OnExit", "E.Exit: { ; Sender Edit1 ; }"),
        PLAIN("OnActivate", "E.Activate: { ; Sender Edit1 ; }"),
        PLAIN("OnFormProgress", "E.Progress: { ; Sender Edit1 ; }"),
        PLAIN("OnSaveParams", ""),
        PLAIN("OnCloseGrid", ""),
#undef PLAIN
        {"OnStartDrag", [&] { TObject* o = nullptr; Handler<TStartDragEvent>("OnStartDrag")(s, o); return I(o != nullptr); }, "E.StartDrag: { ; Sender Edit1 ; }", "0"},
        {"OnShow", [&] { Handler<N>("OnShow")(s); return std::string(); }, "E.Show: { ; Sender Edit1 ; Resolution {screen} ; }", ""},
        {"OnCloseQuery", [&] { bool v = true; Handler<TCloseQueryEvent>("OnCloseQuery")(s, v); return B(v); }, "E.CloseQuery: { ; Sender Edit1 ; CanClose 1 ; }", "false"},
        {"OnClose", [&] { TCloseAction a = caHide; Handler<TCloseEvent>("OnClose")(s, a); return I(a); }, "E.Close: { ; Sender Edit1 ; Action 1 ; }", "2"},
        {"OnProgress", [&] {
             Handler<TProgressEvent>("OnProgress")(s, 2, 50, true, TRect {1, 2, 3, 4}, "half");
             return std::string(); }, "E.Progress: { ; Sender Edit1 ; R.Left 1 ; R.Top 2 ; R.Right 3 ; R.Bottom 4 ; Stage 2 ; PercentDone 50 ; RedrawNow 1 ; Msg half ; }", ""},
        {"OnClickLookBar", [&] { Handler<std::function<void(TObject*, int32_t, int32_t)>>("OnClickLookBar")(s, 3, -1); return std::string(); }, "E.ClickLookBar: { ; Sender Edit1 ; Button 3 ; ExpButton -1 ; }", ""},
        {"OnContextPopup", [&] { bool h = false; Handler<TContextPopupEvent>("OnContextPopup")(s, TPoint {7, 8}, h); return B(h); }, "E.ContextPopup: { ; Sender Edit1 ; MousePos.X 7 ; MousePos.Y 8 ; Handled 0 ; }", "true"},
        {"OnDragDrop", [&] { Handler<TDragDropEvent>("OnDragDrop")(s, other, 5, 6); return std::string(); }, "E.DragDrop: { ; Sender Edit1 ; Source Other ; X 5 ; Y 6 ; }", ""},
        {"OnDockDrop", [&] { Handler<TDragDropEvent>("OnDockDrop")(s, nullptr, 5, 6); return std::string(); }, "E.DockDrop: { ; Sender Edit1 ; Source snil ; X 5 ; Y 6 ; }", ""},
        {"OnDragOver", [&] { bool a = false; Handler<TDragOverEvent>("OnDragOver")(s, other, 1, 2, dsDragMove, a); return B(a); }, "E.DragOver: { ; Sender Edit1 ; Source Other ; X 1 ; Y 2 ; State 2 ; Accept 0 ; }", "true"},
        {"OnDockOver", [&] { bool a = true; Handler<TDragOverEvent>("OnDockOver")(s, nullptr, 1, 2, dsDragLeave, a); return B(a); }, "E.DockOver: { ; Sender Edit1 ; Source snil ; X 1 ; Y 2 ; State 1 ; Accept 1 ; }", "true"},
        {"OnEndDrag", [&] { Handler<TEndDragEvent>("OnEndDrag")(s, other, 9, 10); return std::string(); }, "E.EndDrag: { ; Sender Edit1 ; Target Other ; X 9 ; Y 10 ; }", ""},
        {"OnEndDock", [&] { Handler<TEndDragEvent>("OnEndDock")(s, nullptr, 9, 10); return std::string(); }, "E.EndDock: { ; Sender Edit1 ; Target snil ; X 9 ; Y 10 ; }", ""},
        {"OnUnDock", [&] { bool a = true; Handler<TUnDockEvent>("OnUnDock")(s, other, nullptr, a); return B(a); }, "E.UnDock: { ; Sender Edit1 ; Client Other ; NewTarget snil ; Allow 1 ; }", "false"},
        {"OnMouseDown", [&] { Handler<TMouseEvent>("OnMouseDown")(s, mbRight, (1u << ssShift) | (1u << ssRight), 11, 12); return std::string(); }, "E.MouseDown: { ; Sender Edit1 ; Button 1 ; Shift 17 ; X 11 ; Y 12 ; }", ""},
        {"OnMouseUp", [&] { Handler<TMouseEvent>("OnMouseUp")(s, mbMiddle, 1u << ssDouble, 13, 14); return std::string(); }, "E.MouseUp: { ; Sender Edit1 ; Button 2 ; Shift 64 ; X 13 ; Y 14 ; }", ""},
        {"OnMouseMove", [&] { Handler<TMouseMoveEvent>("OnMouseMove")(s, 1u << ssCtrl, 15, 16); return std::string(); }, "E.MouseMove: { ; Sender Edit1 ; Shift 4 ; X 15 ; Y 16 ; }", ""},
        {"OnKeyDown", [&] { uint16_t k = 'A'; Handler<TKeyEvent>("OnKeyDown")(s, k, 1u << ssAlt); return I(k); }, "E.KeyDown: { ; Sender Edit1 ; ShortCut snil ; Key 65 ; Shift 2 ; }", "77"},
        {"OnKeyUp", [&] { uint16_t k = 116; Handler<TKeyEvent>("OnKeyUp")(s, k, 0); return I(k); }, "E.KeyUp: { ; Sender Edit1 ; ShortCut snil ; Key 116 ; Shift 0 ; }", "77"},
        {"OnKeyPress", [&] { char32_t k = 13; Handler<TKeyPressEvent>("OnKeyPress")(s, k); return I(k); }, "E.KeyPress: { ; Sender Edit1 ; Key \x01 ; }", "55"},
        {"OnCanResize", [&] { int32_t w = 100, h = 50; bool r = true; Handler<TCanResizeEvent>("OnCanResize")(s, w, h, r); return I(w) + "," + I(h) + "," + B(r); }, "E.CanResize: { ; Sender Edit1 ; NewWidth 100 ; NewHeight 50 ; Resize 1 ; }", "31,32,false"},
        {"OnConstrainedResize", [&] { int32_t a = 1, b = 2, c = 3, d = 4; Handler<TConstrainedResizeEvent>("OnConstrainedResize")(s, a, b, c, d); return I(a) + "," + I(b) + "," + I(c) + "," + I(d); }, "E.ConstrainedResize: { ; Sender Edit1 ; MinWidth 1 ; MinHeight 2 ; MaxWidth 3 ; MaxHeight 4 ; }", "41,42,43,44"},
        {"OnColumnMoved", [&] { Handler<std::function<void(TObject*, int32_t, int32_t)>>("OnColumnMoved")(s, 1, 3); return std::string(); }, "E.ColumnMoved: { ; Sender Edit1 ; FromIndex 1 ; ToIndex 3 ; }", ""},
        {"OnRowMoved", [&] { Handler<std::function<void(TObject*, int32_t, int32_t)>>("OnRowMoved")(s, 4, 2); return std::string(); }, "E.RowMoved: { ; Sender Edit1 ; FromIndex 4 ; ToIndex 2 ; }", ""},
        {"OnChanging", [&] { bool a = true; Handler<std::function<void(TObject*, bool&)>>("OnChanging")(s, a); return B(a); }, "E.Changing: { ; Sender Edit1 ; AllowChange 1 ; }", "false"},
        {"OnSelectCell", [&] { bool a = true; Handler<std::function<void(TObject*, int32_t, int32_t, bool&)>>("OnSelectCell")(s, 2, 3, a); return B(a); }, "E.SelectCell: { ; Sender Edit1 ; CanSelect 1 ; Col 2 ; Row 3 ; }", "false"},
        {"OnDLClick", [&] { Handler<std::function<void(TObject*, int32_t, int32_t)>>("OnDLClick")(s, 4, 5); return std::string(); }, "E.DLClick: { ; Sender Edit1 ; MouseCol 4 ; Row 5 ; }", ""},
        {"OnBeginEditorClick", [&] { Handler<std::function<void(TObject*, int32_t, int32_t, const std::string&)>>("OnBeginEditorClick")(s, 1, 2, "cell"); return std::string(); }, "E.BeginEditorClick: { ; Sender Edit1 ; Col 1 ; Row 2 ; Text cell ; }", ""},
        {"OnEndEditorClick", [&] { Handler<std::function<void(TObject*, int32_t, int32_t, const std::string&)>>("OnEndEditorClick")(s, 3, 4, "done"); return std::string(); }, "E.EndEditorClick: { ; Sender Edit1 ; Col 3 ; Row 4 ; Text done ; }", ""},
        {"OnInvalidRegNo", [&] { bool p = false; Handler<std::function<void(TObject*, bool&, const std::string&)>>("OnInvalidRegNo")(s, p, "bad number"); return B(p); }, "E.InvalidRegNo: { ; Sender Edit1 ; PreviosValue 0 ; Error bad number ; }", "true"},
        {"OnCollapsed", [&] { Handler<std::function<void(TObject*, int32_t)>>("OnCollapsed")(s, 41); return std::string(); }, "E.Collapsed: { ; Sender Edit1 ; ID 41 ; }", ""},
        {"OnExpanded", [&] { Handler<std::function<void(TObject*, int32_t)>>("OnExpanded")(s, 42); return std::string(); }, "E.Expanded: { ; Sender Edit1 ; ID 42 ; }", ""},
        {"OnEditingNode", [&] { Handler<std::function<void(TObject*, int32_t)>>("OnEditingNode")(s, 43); return std::string(); }, "E.EditingNode: { ; Sender Edit1 ; ID 43 ; }", ""},
        {"OnCancelEdit", [&] { Handler<std::function<void(TObject*, int32_t)>>("OnCancelEdit")(s, 44); return std::string(); }, "E.CancelEdit: { ; Sender Edit1 ; ID 44 ; }", ""},
        {"OnChangeNode", [&] { Handler<std::function<void(TObject*, int32_t)>>("OnChangeNode")(s, 45); return std::string(); }, "E.ChangeNode: { ; Sender Edit1 ; ID 45 ; }", ""},
        {"OnCollapsing", [&] { bool a = true; Handler<std::function<void(TObject*, int32_t, bool&)>>("OnCollapsing")(s, 46, a); return B(a); }, "E.Collapsing: { ; Sender Edit1 ; AllowCollapse 1 ; ID 46 ; }", "false"},
        {"OnExpanding", [&] { bool a = true; Handler<std::function<void(TObject*, int32_t, bool&)>>("OnExpanding")(s, 47, a); return B(a); }, "E.Expanding: { ; Sender Edit1 ; AllowExpansion 1 ; ID 47 ; }", "false"},
        {"OnChangingNode", [&] { bool a = true; Handler<std::function<void(TObject*, int32_t, bool&)>>("OnChangingNode")(s, 48, a); return B(a); }, "E.ChangingNode: { ; Sender Edit1 ; AllowChange 1 ; ID 48 ; }", "false"},
        {"OnEditedNode", [&] { std::string t = "old"; Handler<std::function<void(TObject*, int32_t, std::string&)>>("OnEditedNode")(s, 49, t); return "[" + t + "]"; }, "E.EditedNode: { ; Sender Edit1 ; Text old ; ID 49 ; }", "[ from engine ]"},
        {"OnSectionClick", [&] { Handler<std::function<void(TObject*, int32_t)>>("OnSectionClick")(s, 2); return std::string(); }, "E.SectionClick: { ; Sender Edit1 ; SectionIndex 2 ; }", ""},
        {"OnCollButtonClick", [&] { Handler<std::function<void(TObject*, const std::string&, int32_t, int32_t)>>("OnCollButtonClick")(s, "Add", 1, -1); return std::string(); }, "E.CollButtonClick: { ; Sender Edit1 ; FunctionName Add ; ButtonIndex 1 ; MenuItemIndex -1 ; }", ""},
        {"OnMaxValue", [&] { bool c = true; Handler<std::function<void(TObject*, bool&)>>("OnMaxValue")(s, c); return B(c); }, "E.MaxValue: { ; Sender Edit1 ; Cancel 1 ; }", "true"},
        {"OnCertificateList", [&] { Handler<std::function<void(TObject*, bool, const std::string&)>>("OnCertificateList")(s, false, "a;b"); return std::string(); }, "E.CertificateList: { ; Sender Edit1 ; Error 0 ; CertList a;b ; }", ""},
        {"OnSign", [&] { Handler<std::function<void(TObject*, bool)>>("OnSign")(s, true); return std::string(); }, "E.Sign: { ; Sender Edit1 ; Error 1 ; }", ""},
        {"OnCheckPin", [&] { Handler<std::function<void(TObject*, int32_t)>>("OnCheckPin")(s, -3); return std::string(); }, "E.CheckPin: { ; Sender Edit1 ; Error -3 ; }", ""},
        {"OnEFIPDebug", [&] { Handler<std::function<void(TObject*, const std::string&)>>("OnEFIPDebug")(s, "dbg"); return std::string(); }, "E.EFIPDebug: { ; Sender Edit1 ; Msg dbg ; }", ""},
        {"OnEFIPError", [&] { Handler<std::function<void(TObject*, int32_t, int32_t, const std::string&)>>("OnEFIPError")(s, 3, 4, "err"); return std::string(); }, "E.EFIPError: { ; Sender Edit1 ; State 3 ; Error 4 ; Msg err ; }", ""},
        {"OnEFIPExit", [&] { Handler<std::function<void(TObject*, int32_t, int32_t, const std::string&, int32_t, bool)>>("OnEFIPExit")(s, 5, 6, "bye", 7, true); return std::string(); }, "E.EFIPExit: { ; Sender Edit1 ; State 5 ; Error 6 ; Msg bye ; StateExit 7 ; GoodBye 1 ; }", ""},
        {"OnEFIPWaitRequest", [&] { bool w = false; Handler<std::function<void(TObject*, int32_t, bool&)>>("OnEFIPWaitRequest")(s, 8, w); return B(w); }, "E.EFIPWaitRequest: { ; Sender Edit1 ; State 8 ; Suspend 0 ; }", "true"},
        {"OnEFIPWaitCommand", [&] { bool w = false; Handler<std::function<void(TObject*, int32_t, bool&)>>("OnEFIPWaitCommand")(s, 9, w); return B(w); }, "E.EFIPWaitCommand: { ; Sender Edit1 ; State 9 ; Suspend 0 ; }", "true"},
        {"OnEFIPReceipt", [&] { int32_t c = 1; std::string m = "m"; Handler<std::function<void(TObject*, int32_t, int32_t&, std::string&)>>("OnEFIPReceipt")(s, 2, c, m); return I(c) + ",[" + m + "]"; }, "E.EFIPReceipt: { ; Sender Edit1 ; Step 2 ; Code 1 ; Msg m ; }", "17,[trimmed]"},
        // The file dialogs' own events; the engine answers "CanClose" with 0.
        {"OnCanClose", [&] { bool c = true; Handler<std::function<void(TObject*, bool&)>>("OnCanClose")(s, c); return B(c); }, "E.CanClose: { ; Sender Edit1 ; CanClose 1 ; }", "false"},
        {"OnFolderChange", [&] { Handler<N>("OnFolderChange")(s); return std::string(); }, "E.FolderChange: { ; Sender Edit1 ; }", ""},
        {"OnSelectionChange", [&] { Handler<N>("OnSelectionChange")(s); return std::string(); }, "E.SelectionChange: { ; Sender Edit1 ; }", ""},
        {"OnTypeChange", [&] { Handler<N>("OnTypeChange")(s); return std::string(); }, "E.TypeChange: { ; Sender Edit1 ; }", ""},
        // The date edit's calendar button; "Action" is answered with 2, no "1".
        {"OnButtonClick", [&] { Handler<N>("OnButtonClick")(s); return std::string(); }, "E.ButtonClick: { ; Sender Edit1 ; }", ""},
        {"OnAcceptDate", [&] { double d = u3::EncodeDate(2024, 3, 6); bool a = true; Handler<std::function<void(TObject*, double&, bool&)>>("OnAcceptDate")(s, d, a); return u3::DateToDottedText(d) + "," + B(a); }, "E.AcceptDate: { ; Sender Edit1 ; ADate 06.03.2024 ; Action 1 ; }", "01.01.2025,false"},
        // Data lists: the data list's name and maps.
        {"OnInitGrid", [&] { Handler<std::function<void(TObject*, const std::string&)>>("OnInitGrid")(&dataList, "T1"); return std::string(); }, "L.InitGrid: { ; Sender List ; Table T1 ; }", ""},
        {"OnSaveParams", [&] { Handler<N>("OnSaveParams")(&dataList); return std::string(); }, "L.SaveParams: { ; Sender List ; ColumnsWidth 2,64,80 ; }", ""},
        {"OnCloseGrid", [&] { Handler<N>("OnCloseGrid")(&dataList); return std::string(); }, "L.CloseGrid: { ; Sender List ; }", ""},
        {"OnSort", [&] { bool v = false; Handler<std::function<void(TObject*, int32_t, char32_t, bool&)>>("OnSort")(&dataList, 1, U'D', v); return B(v); }, "L.Sort: { ; Sender List ; Col 1 ; SortType D ; }", "true"},
        {"OnGetData", [&] { Handler<std::function<void(TObject*, int32_t, int32_t, int32_t)>>("OnGetData")(&dataList, 10, 20, 3); return std::string(); }, "L.GetData: { ; Sender List ; BeginRow 10 ; Count 20 ; Col 3 ; }", ""},
        {"OnDLDblClick", [&] { Handler<std::function<void(TObject*, int32_t, int32_t)>>("OnDLDblClick")(&dataList, 2, 1); return std::string(); }, "L.DLDblClick: { ; Sender List ; Col 2 ; Row 0 ; }", ""},
        // No engine call of the control; the help goes out from the client.
        {"OnGetImage", [&] { QImage image; Handler<std::function<void(TObject*, const std::string&, QImage&)>>("OnGetImage")(s, "none.bmp", image); return B(image.isNull()); }, "", "true"},
        {"OnHelp", [&] {
             bool call = true;
             const bool handled = Handler<std::function<bool(uint16_t, int32_t, bool&)>>("OnHelp")(2, 99, call);
             std::string out = B(handled) + "," + B(call);
             call = true;
             out += "," + B(Handler<std::function<bool(uint16_t, int32_t, bool&)>>("OnHelp")(1, 77, call));
             return out + "," + B(call);
         }, "Client.OnHelp: { ; Sender Client ; Context 77 ; }", "true,false,true,false"},
    };
    QScreen* screen = QGuiApplication::primaryScreen();
    const std::string resolution = std::to_string(screen->geometry().width()) + "x"
        + std::to_string(screen->geometry().height());
    for (const Case& c : cases) {
        const std::string after = c.fire();
        std::string request = c.request;
        if (const auto at = request.find("{screen}"); at != std::string::npos)
            request.replace(at, 8, resolution);
        EXPECT_EQ(TakeRequests(), request) << c.name;
        EXPECT_EQ(after, c.after) << c.name;
    }
}

} // namespace
