#pragma once
// One engine call for one event: writes the request block, calls ExecuteEvent,
// and applies the reply (properties set by path, events bound, client commands
// run, plain results kept for the caller).
#include "client/MemoryTextStream.h"
#include "client/NameValueList.h"

#include <string>
#include <vector>

namespace fw {
class TComponent;
class TControl;
} // namespace fw

namespace client {

class TClientSender {
public:
    // A control's event; eventPath is the control's name + "." + the event name.
    static TClientSender CreateForControl(fw::TComponent* control, const std::string& eventPath);
    // A data list's event; the data list's own maps apply.
    static TClientSender CreateForDataList(fw::TComponent* dataList, const TNameValueList& eventMap,
                                           const TNameValueList& eventParams, const std::string& eventPath);
    // The client's own events ("Client.OnClientInit", ...): sent as they are named.
    static TClientSender CreateForClient(const std::string& eventName);
    // Callbacks: the current form's maps.
    static TClientSender Create(const std::string& eventName);
    // Callbacks with text results: paths also from the frames and forms.
    static TClientSender CreateForCallback(const std::string& eventName);

    virtual ~TClientSender() = default;
    TClientSender(TClientSender&&) = default;
    TClientSender& operator=(TClientSender&&) = default;

    // Writes the request head and the values of the requested paths.
    void WriteRequest();
    // Closes the block, sends it (unless the engine event is empty or "NIL")
    // and applies the reply.
    void Execute();
    virtual void ApplyReply(TMemoryTextStream& reply);

    // The value of a plain result, name compared without regard to case.
    std::string Result(const std::string& name) const { return Results.Value(name); }
    bool HasResult(const std::string& name) const { return Results.Contains(name); }

    // Adds one entry (name, value, ";") after WriteRequest.
    void WriteEntry(const std::string& name, const std::string& value);
    void WriteEntry(const std::string& name, int32_t value);
    void WriteEntry(const std::string& name, int64_t value);
    void WriteBoolEntry(const std::string& name, bool value);

    TNameValueList Results;
    TMemoryTextStream Request;
    std::vector<std::string> ParamPaths;
    std::string EventPath;
    std::string EngineEventName;
    std::string SenderName;
    std::string SenderType;
    bool FromEngineForm = false;
    bool ShowBusyCursor = true;

private:
    TClientSender() = default;
    void TakeMaps(const TNameValueList& eventMap, const TNameValueList& eventParams);
    void TakeParams(const TNameValueList& eventParams);
    void WriteClientInformation();
};

// The component a name stands for: the current form's tree, "Client", the
// components made by _Create, forms and frames by alias, the frames, the trees
// of all forms. Reports "Parent <name> not found." when asked to.
fw::TComponent* FindComponentByName(fw::TComponent* root, const std::string& name, bool report);
// OnMessage("ClientError", text) to the engine; the answer is dropped.
void ReportClientError(const std::string& text);
// The text of a path up to its first "." or "[", and the rest ("[" kept).
std::pair<std::string, std::string> SplitPath(const std::string& path);

} // namespace client
