#pragma once
// The one object whose handlers send control events to the engine. It
// publishes one event property per event name the engine can bind, each preset
// to its own handler; binding an event of a control copies that handler. The
// handlers write the event's arguments after the request head and write the
// engine's answers back into the var arguments.
#include "client/NameValueList.h"
#include "framework/Component.h"
#include "framework/Events.h"

#include <string>
#include <vector>

namespace client {

class TClientSender;

// What the event list needs of a data list, whose events are sent under the
// data list's engine name with the data list's own maps.
class IDataListEvents {
public:
    virtual ~IDataListEvents() = default;
    virtual fw::TComponent* DataListComponent() = 0;
    virtual std::string DataListEngineName() const = 0;
    virtual const TNameValueList& DataListEventMap() const = 0;
    virtual const TNameValueList& DataListEventParams() const = 0;
    // The widths of the grid's columns in column order, and whether the grid
    // shows a title row (the engine counts rows from 0 on the data rows).
    virtual std::vector<int32_t> GridColumnWidths() const = 0;
    virtual bool GridTitleVisible() const = 0;
};

class TEventList : public fw::TComponent {
    FW_CLASS()
public:
    explicit TEventList(fw::TComponent* owner);

    fw::TNotifyEvent OnCreate, OnShow, OnClick, OnClickCheck, OnDblClick;
    fw::TLookBarClickEvent OnClickLookBar;
    fw::TNotifyEvent OnChange;
    fw::TProgressEvent OnProgress;
    fw::TContextPopupEvent OnContextPopup;
    fw::TDragDropEvent OnDragDrop;
    fw::TDragOverEvent OnDragOver;
    fw::TEndDragEvent OnEndDrag, OnEndDock;
    fw::TDragDropEvent OnDockDrop;
    fw::TDragOverEvent OnDockOver;
    fw::TUnDockEvent OnUnDock;
    fw::TMouseEvent OnMouseDown;
    fw::TMouseMoveEvent OnMouseMove;
    fw::TMouseEvent OnMouseUp;
    fw::TStartDragEvent OnStartDrag;
    fw::TNotifyEvent OnEnter, OnExit;
    fw::TKeyEvent OnKeyDown;
    fw::TKeyPressEvent OnKeyPress;
    fw::TKeyEvent OnKeyUp;
    fw::TNotifyEvent OnDropDown;
    fw::TCanResizeEvent OnCanResize;
    fw::TConstrainedResizeEvent OnConstrainedResize;
    fw::TNotifyEvent OnResize, OnPosChanged;
    fw::TMovedEvent OnColumnMoved, OnRowMoved;
    fw::TNotifyEvent OnPageChanged, OnActivate;
    fw::TCloseEvent OnClose;
    fw::TCloseQueryEvent OnCloseQuery;
    fw::TNotifyEvent OnDeactivate, OnDestroy, OnHide, OnPaint;
    fw::TChangingEvent OnChanging;
    fw::TInitGridEvent OnInitGrid;
    fw::TNotifyEvent OnSaveParams, OnCloseGrid;
    fw::TSortEvent OnSort;
    fw::TGetDataEvent OnGetData;
    fw::TGetImageEvent OnGetImage;
    fw::TNotifyEvent OnPopup;
    fw::TInvalidRegNoEvent OnInvalidRegNo;
    fw::TSelectCellEvent OnSelectCell;
    fw::TCellEvent OnDLDblClick, OnDLClick;
    fw::THelpEvent OnHelp;
    fw::TEditorClickEvent OnBeginEditorClick, OnEndEditorClick;
    fw::TNotifyEvent OnTimer, OnChangeColSize;
    fw::TNodeEvent OnCollapsed, OnExpanded;
    fw::TNodeAllowEvent OnCollapsing, OnExpanding;
    fw::TNodeEditedEvent OnEditedNode;
    fw::TNodeEvent OnEditingNode, OnCancelEdit, OnChangeNode;
    fw::TNodeAllowEvent OnChangingNode;
    fw::TSectionClickEvent OnSectionClick;
    fw::TCollButtonClickEvent OnCollButtonClick;
    fw::TNotifyEvent OnMinValue, OnFormProgress;
    fw::TMaxValueEvent OnMaxValue;
    fw::TNotifyEvent OnSelect;
    fw::TCertificateListEvent OnCertificateList;
    fw::TSignEvent OnSign;
    fw::TCheckPinEvent OnCheckPin;
    fw::TMessageEvent OnEFIPDebug;
    fw::TProtocolErrorEvent OnEFIPError;
    fw::TProtocolExitEvent OnEFIPExit;
    fw::TProtocolWaitEvent OnEFIPWaitRequest, OnEFIPWaitCommand;
    fw::TReceiptEvent OnEFIPReceipt;

    // False while an OnChange or OnExit call is under way: the changes its
    // reply makes raise no further engine calls.
    bool ChangeGuard = true;

    // Callbacks of the engine's commands (no state of the list is needed).
    static void SendCallbackText(const std::string& callback, const std::string& text);
    static void SendModalResult(const std::string& callback, int32_t value);
    static void SendModalResultChecked(const std::string& callback, int32_t value, bool checked);
    static void SendFileDialogResult(const std::string& callback, bool modalResult, const std::string& files,
                              int32_t filterIndex, int32_t fileSize);
    static void SendDirectoryResult(const std::string& callback, bool modalResult, const std::string& directory);
    static void SendFilesSize(const std::string& callback, int32_t size);

    std::string GetDictionaryWord(const std::string& key, const std::string& defaultText);
    void ForwardClientMessage(const std::string& nameEngine, const std::string& uid, int32_t localID,
                              const std::string& mid, const std::string& mString, const std::string& mType);
    // An engine form becomes the client's current form; no engine call.
    static void ActivateClientForm(fw::TObject* sender);

    // Whether the key, named as the engine writes shortcuts ("Shift+Ctrl+Alt+F5"),
    // is one of the lines of filterText (letter case ignored); shortCut receives
    // the name on a match.
    static bool MatchShortCut(const std::string& filterText, uint16_t key, fw::TShiftState shift,
                              std::string& shortCut);

private:
    void SendChangeOrExit(fw::TObject* sender, const char* eventName);
    bool ChangeDropped(fw::TObject* sender) const;
    void SendKey(fw::TObject* sender, const char* eventName, uint16_t& key, fw::TShiftState shift);
    void SendKeyPress(fw::TObject* sender, char32_t& key);

    // The controls whose OnChange or OnExit call runs, innermost last, and the
    // modal nesting depth at which the innermost began: a reply of that call
    // runs at that depth, while a modal form it opened runs deeper.
    std::vector<fw::Guard<fw::TObject>> changeCalls_;
    int changeDepth_ = 0;
};

} // namespace client
