#pragma once
// The one object whose handlers send control events to the engine. It
// publishes one event property per event name the engine can bind, each preset
// to its own handler; binding an event of a control copies that handler. The
// handlers write the event's arguments after the request head and write the
// engine's answers back into the var arguments.
#include "client/EventTable.h"
#include "client/NameValueList.h"
#include "e3/datalist/DataListEvents.h"
#include "framework/Component.h"
#include "framework/Events.h"

#include <any>
#include <string>
#include <vector>

namespace client {

class TClientSender;

// What the event list needs of a data list lives beside the data list.
using IDataListEvents = e3::IDataListEvents;

class TEventList : public fw::TComponent {
    FW_CLASS()
public:
    explicit TEventList(fw::TComponent* owner);

    // The handler preset for the published event of that name, as the type
    // the event publishes (std::bad_any_cast for another type).
    template <class Handler>
    Handler HandlerOf(const std::string& eventName) const
    {
        return std::any_cast<Handler>(handlers_.at(IndexOf(eventName)));
    }

    // The one sender behind every row of the event table.
    void Dispatch(fw::TObject* sender, const events::EventRow& row, events::EventArguments& args);

    // False while an OnChange or OnExit call is under way: the changes its
    // reply makes raise no further engine calls.
    bool ChangeGuard = true;

    // Callbacks of the engine's commands (no state of the list is needed).
    static void SendCallbackText(const std::string& callback, const std::string& text);
    static void SendModalResult(const std::string& callback, int32_t value);
    static void SendModalResultChecked(const std::string& callback, int32_t value, bool checked);
    static void SendFileDialogResult(const std::string& callback, bool modalResult, const std::string& files,
                              int32_t filterIndex, int64_t fileSize);
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
    static fw::TPropInfo EventProperty(const events::EventRow& row, size_t index);
    static std::vector<fw::TPropInfo> EventProperties();
    static size_t IndexOf(const std::string& eventName);
    void Send(fw::TObject* sender, const events::EventRow& row, events::EventArguments& args);
    void SendChangeOrExit(fw::TObject* sender, const events::EventRow& row, events::EventArguments& args);
    bool ChangeDropped(fw::TObject* sender) const;

    // One per row of the event table, in its order.
    std::vector<std::any> handlers_;

    // The controls whose OnChange or OnExit call runs, innermost last, and the
    // modal nesting depth at which the innermost began: a reply of that call
    // runs at that depth, while a modal form it opened runs deeper.
    std::vector<fw::Guard<fw::TObject>> changeCalls_;
    int changeDepth_ = 0;
};

} // namespace client
