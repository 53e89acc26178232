#pragma once
// What the engine's dialogs and progress forms need of the client, which the
// control library cannot reach: the engine's callback events, the current
// form's event map, the attachment check and the event list's handlers. The
// client installs one host.
#include <any>
#include <cstdint>
#include <string>

namespace e3 {

class TOpenDialog;

class IDialogHost {
public:
    virtual ~IDialogHost() = default;
    // Makes sure the current form maps the event name (to itself when it has
    // no entry of that name).
    virtual void MapCallbackEvent(const std::string& eventName) = 0;
    virtual void SendFileDialogResult(const std::string& callback, bool modalResult, const std::string& files,
                                      int32_t filterIndex, int64_t fileSize) = 0;
    virtual void SendDirectoryResult(const std::string& callback, bool modalResult, const std::string& directory) = 0;
    // Runs the dialog until the chosen files pass the attachment checks or the
    // user cancels; false when cancelled.
    virtual bool ValidateOpenDialog(TOpenDialog& dialog) = 0;
    // The event list's handler for that event name, as its published event
    // property holds it; empty when there is none.
    virtual std::any EventListHandler(const std::string& eventName) = 0;
};

// Installs the host (not owned); nullptr removes it. Without a host the
// dialogs run but report nothing.
void SetDialogHost(IDialogHost* host);
IDialogHost* DialogHost();

} // namespace e3
