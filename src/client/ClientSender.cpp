#include "client/ClientSender.h"

#include "client/BusyCursor.h"
#include "client/Client.h"
#include "client/ClientForm.h"
#include "client/ClientLink.h"
#include "client/FormReader.h"
#include "client/Globals.h"
#include "e3/datalist/DataListEvents.h"
#include "framework/Control.h"
#include "framework/Form.h"
#include "u3/Files.h"
#include "u3/StrLib.h"
#include "u3/SystemInfo.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace client {

using fw::Guard;
using fw::TComponent;
using fw::UpperCase;

namespace {

std::vector<std::string> SplitCrLfLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
        if (start == text.size())
            break;
    }
    return lines;
}

bool IsBlank(const std::string& s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) > ' ')
            return false;
    return true;
}

Te3ClientForm* AsEngineForm(TComponent* c)
{
    return dynamic_cast<Te3ClientForm*>(c);
}

Te3ClientFrame* AsEngineFrame(TComponent* c)
{
    return dynamic_cast<Te3ClientFrame*>(c);
}

// The engine frame that owns c up its owner chain (c itself included).
Te3ClientFrame* OwnerFrame(TComponent* c)
{
    for (TComponent* o = c; o; o = o->Owner())
        if (auto* frame = AsEngineFrame(o))
            return frame;
    return nullptr;
}

std::string ClientVersion()
{
    std::string version = E3_PROJECT_VERSION;
    int dots = 0;
    for (char c : version)
        dots += c == '.';
    for (; dots < 3; ++dots)
        version += ".0";
    return version;
}

std::string ProgramFolder()
{
    const std::string exe = u3::GetExeName();
    return exe.substr(0, exe.rfind('/') + 1);
}

// --- the depth-first name search with its per-name cache --------------------

// The first component named upperName in the tree of root: root itself, then
// what it owns (recursively), then, for a windowed control, its children.
TComponent* SearchTree(TComponent* c, const std::string& upperName, size_t& visited, int depth = 0)
{
    if (!c || depth > 256)
        return nullptr;
    ++visited;
    if (UpperCase(c->GetName()) == upperName)
        return c;
    for (TComponent* owned : c->OwnedComponents())
        if (TComponent* hit = SearchTree(owned, upperName, visited, depth + 1))
            return hit;
    if (auto* win = dynamic_cast<fw::TWinControl*>(c))
        for (fw::TControl* child : win->ChildControls())
            if (TComponent* hit = SearchTree(child, upperName, visited, depth + 1))
                return hit;
    return nullptr;
}

struct CachedHit {
    Guard<TComponent> component;
    bool found = false;
    uint64_t generation = 0;
};

struct TreeCache {
    Guard<TComponent> root;
    std::unordered_map<std::string, CachedHit> hits;
    // Nodes visited by single-name searches since the last walk of the whole
    // tree, and the size of the tree at that walk.
    size_t searched = 0;
    size_t treeSize = 0;
};

// The same depth-first order as SearchTree, recording the first component of
// every name; a component met a second time (owned and also a child) adds no
// name that its first visit did not already record first.
void WalkTree(TComponent* c, TreeCache& cache, std::unordered_set<TComponent*>& seen, int depth = 0)
{
    if (!c || depth > 256 || !seen.insert(c).second)
        return;
    if (const std::string name = UpperCase(c->GetName()); !name.empty()) {
        auto [it, added] = cache.hits.try_emplace(name);
        if (added)
            it->second = CachedHit {c, true, fw::NameIndex::Generation(name)};
    }
    for (TComponent* owned : c->OwnedComponents())
        WalkTree(owned, cache, seen, depth + 1);
    if (auto* win = dynamic_cast<fw::TWinControl*>(c))
        for (fw::TControl* child : win->ChildControls())
            WalkTree(child, cache, seen, depth + 1);
}

TComponent* FindInTree(TComponent* root, const std::string& upperName)
{
    if (!root)
        return nullptr;
    static std::unordered_map<TComponent*, TreeCache> caches;
    TreeCache& cache = caches[root];
    if (cache.root.get() != root) {
        // A new root, or a dead one whose address came back.
        cache.root = root;
        cache.hits.clear();
        cache.searched = cache.treeSize = 0;
    }
    const uint64_t generation = fw::NameIndex::Generation(upperName);
    auto it = cache.hits.find(upperName);
    if (it != cache.hits.end() && it->second.generation == generation && (!it->second.found || it->second.component))
        return it->second.component.get();
    // Looking up every name of a fresh tree one by one would cost the square
    // of its size (a reply that sets every control of a new form). Once the
    // single-name searches have visited as many nodes as the tree holds, one
    // walk records every name at once; names changed since then miss again.
    if (cache.searched >= std::max<size_t>(cache.treeSize, 64)) {
        cache.hits.clear();
        std::unordered_set<TComponent*> seen;
        WalkTree(root, cache, seen);
        cache.treeSize = seen.size();
        cache.searched = 0;
        auto [entry, added] = cache.hits.try_emplace(upperName);
        if (added)
            entry->second = CachedHit {nullptr, false, generation};
        return entry->second.component.get();
    }
    size_t visited = 0;
    TComponent* hit = SearchTree(root, upperName, visited);
    cache.searched += visited;
    cache.hits[upperName] = CachedHit {hit, hit != nullptr, generation};
    if (caches.size() > 4096) {
        // Forget the caches of roots that are gone.
        std::erase_if(caches, [](const auto& entry) { return !entry.second.root; });
    }
    return hit;
}

} // namespace

TComponent* FindInFrames(TClient& client, const std::string& upperName);

std::pair<std::string, std::string> SplitPath(const std::string& path)
{
    const size_t pos = PathSeparatorPos(path);
    if (pos == std::string::npos)
        return {path, std::string()};
    if (path[pos] == '[')
        return {path.substr(0, pos), path.substr(pos)};
    return {path.substr(0, pos), path.substr(pos + 1)};
}

void ReportClientError(const std::string& text)
{
    if (TClient* c = Client(); c && c->Engine())
        c->Engine()->OnMessage("ClientError", text);
}

TComponent* FindComponentByName(TComponent* root, const std::string& name, bool report)
{
    const std::string upper = UpperCase(u3::Trim(name));
    if (upper.empty() || upper == "NIL")
        return nullptr;
    if (TComponent* hit = FindInTree(root, upper))
        return hit;
    TClient* client = Client();
    if (client) {
        if (upper == "CLIENT")
            return client;
        if (TComponent* c = client->CreatedComponents().Find(name))
            return c;
        if (auto* form = client->Forms().Find(name))
            return form;
        if (auto* frame = client->Frames().Find(name))
            return frame;
        if (TComponent* hit = FindInFrames(*client, upper))
            return hit;
        for (const auto& item : client->Forms().Items())
            if (TComponent* hit = FindInTree(item.object, upper))
                return hit;
    }
    if (report && client && root == client->CurrentForm())
        ReportClientError("Parent " + name + " not found.");
    return nullptr;
}

TComponent* FindInFrames(TClient& client, const std::string& upperName)
{
    // Which frame a name was last found in, for the program's life.
    static std::unordered_map<std::string, std::string> frameOfName;
    auto known = frameOfName.find(upperName);
    if (known != frameOfName.end()) {
        for (const auto& item : client.Frames().Items())
            if (item.object && fw::SameText(item.object->GetName(), known->second))
                return FindInTree(item.object, upperName);
    }
    auto remember = [&](TComponent* frame, TComponent* hit) {
        frameOfName.emplace(upperName, frame->GetName());
        return hit;
    };
    if (auto* building = dynamic_cast<Te3ClientFrame*>(client.CreationOwner()))
        if (TComponent* hit = FindInTree(building, upperName))
            return remember(building, hit);
    for (const auto& item : client.Frames().Items())
        if (item.object && item.object != client.CreationOwner())
            if (TComponent* hit = FindInTree(item.object, upperName))
                return remember(item.object, hit);
    return nullptr;
}

// --- construction -------------------------------------------------------------

void TClientSender::TakeParams(const TNameValueList& eventParams)
{
    ParamPaths.clear();
    const int i = eventParams.IndexOfName(EngineEventName);
    if (i >= 0)
        ParamPaths = SplitCrLfLines(eventParams.At(i).value);
}

void TClientSender::TakeMaps(const TNameValueList& eventMap, const TNameValueList& eventParams)
{
    EngineEventName = eventMap.Value(EventPath);
    TakeParams(eventParams);
}

TClientSender TClientSender::CreateForControl(TComponent* control, const std::string& eventPath)
{
    TClientSender s;
    s.EventPath = eventPath;
    s.SenderName = SplitPath(eventPath).first;
    s.SenderType = "TForm";
    TClient* client = Client();
    if (auto* form = AsEngineForm(control)) {
        s.FromEngineForm = true;
        s.TakeMaps(form->EventMap, form->EventParams);
        return s;
    }
    for (TComponent* o = control; o; o = o->Owner()) {
        auto* form = dynamic_cast<fw::TCustomForm*>(o);
        if (!form)
            continue;
        if (auto* engineForm = AsEngineForm(form)) {
            s.EventPath = engineForm->GetName() + "." + s.EventPath;
            s.TakeMaps(engineForm->EventMap, engineForm->EventParams);
        } else if (client) {
            const int i = client->PlainEventMap.IndexOfName(s.EventPath);
            if (i < 0) {
                s.EngineEventName = s.EventPath;
                for (char& c : s.EngineEventName)
                    if (c == '.')
                        c = '_';
            } else {
                s.EngineEventName = client->PlainEventMap.At(i).value;
                s.TakeParams(client->PlainEventParams);
            }
        }
        return s;
    }
    if (Te3ClientFrame* frame = OwnerFrame(control)) {
        if (frame != control)
            s.EventPath = frame->GetName() + "." + s.EventPath;
        s.TakeMaps(frame->EventMap, frame->EventParams);
        return s;
    }
    if (client && client->CurrentForm()) {
        Te3ClientForm* current = client->CurrentForm();
        s.EventPath = current->GetName() + "." + s.EventPath;
        s.TakeMaps(current->EventMap, current->EventParams);
    }
    return s;
}

TClientSender TClientSender::CreateForDataList(TComponent*, const TNameValueList& eventMap,
                                               const TNameValueList& eventParams, const std::string& eventPath)
{
    TClientSender s;
    s.EventPath = eventPath;
    s.SenderName = SplitPath(eventPath).first;
    s.SenderType = "TDGDataListClient";
    s.TakeMaps(eventMap, eventParams);
    return s;
}

TClientSender TClientSender::CreateForClient(const std::string& eventName)
{
    TClientSender s;
    s.EventPath = eventName;
    s.SenderName = "Client";
    s.SenderType = "TClient";
    s.EngineEventName = eventName;
    return s;
}

TClientSender TClientSender::Create(const std::string& eventName)
{
    TClientSender s;
    s.EventPath = eventName;
    s.SenderName = SplitPath(eventName).first;
    TClient* client = Client();
    if (client && client->CurrentForm())
        s.TakeMaps(client->CurrentForm()->EventMap, client->CurrentForm()->EventParams);
    else
        s.EngineEventName = eventName;
    return s;
}

TClientSender TClientSender::CreateForCallback(const std::string& eventName)
{
    TClientSender s = Create(eventName);
    TClient* client = Client();
    if (!client || !client->CurrentForm() || client->CurrentForm()->EventParams.Contains(s.EngineEventName))
        return s;
    for (const auto& item : client->Frames().Items())
        if (item.object && item.object->EventParams.Contains(s.EngineEventName)) {
            s.TakeParams(item.object->EventParams);
            return s;
        }
    for (const auto& item : client->Forms().Items())
        if (item.object && item.object->EventParams.Contains(s.EngineEventName)) {
            s.TakeParams(item.object->EventParams);
            return s;
        }
    return s;
}

// --- the request --------------------------------------------------------------

void TClientSender::WriteEntry(const std::string& name, const std::string& value)
{
    Request.WriteString(name);
    Request.WriteString(value);
    Request.WriteString(";");
}

void TClientSender::WriteEntry(const std::string& name, int32_t value)
{
    Request.WriteString(name);
    Request.WriteInteger(value);
    Request.WriteString(";");
}

void TClientSender::WriteEntry(const std::string& name, int64_t value)
{
    Request.WriteString(name);
    Request.WriteLine(std::to_string(value));
    Request.WriteString(";");
}

void TClientSender::WriteBoolEntry(const std::string& name, bool value)
{
    Request.WriteString(name);
    Request.WriteBoolean(value);
    Request.WriteString(";");
}

void TClientSender::WriteClientInformation()
{
    WriteEntry("IPAddress", u3::HostAddress());
    WriteEntry("WinUserName", u3::LoginName());
    WriteEntry("WinDomainName", u3::DnsDomain());
    WriteEntry("ClientVersion", ClientVersion());
    WriteEntry("LocalDir", ProgramFolder());
}

void TClientSender::WriteRequest()
{
    if (EngineEventName.empty()) {
        ReportClientError("Event " + EventPath + " not found");
        return;
    }
    Request.WriteString("{");
    Request.WriteString(";");
    Request.WriteString("Sender");
    Request.WriteString(SenderName);
    Request.WriteString(";");
    if (fw::SameText(EngineEventName, "Client.OnClientInit") || fw::SameText(EngineEventName, "OnPMSCommand"))
        WriteClientInformation();
    TClient* client = Client();
    TComponent* root = client ? client->CurrentForm() : nullptr;
    std::string lastName;
    Guard<TComponent> last;
    bool haveLast = false;
    for (const std::string& path : ParamPaths) {
        if (IsBlank(path))
            continue;
        Request.WriteString(path);
        auto [controlName, rest] = SplitPath(path);
        if (!haveLast || !fw::SameText(controlName, lastName)) {
            last = FindComponentByName(root, controlName, true);
            lastName = controlName;
            haveLast = true;
        }
        if (TComponent* control = last.get())
            WritePropertyValue(Request, control->ClassName(), rest, control);
        else {
            ReportClientError("Store property: " + controlName + " control not found");
            Request.WriteString("0");
        }
        Request.WriteString(";");
    }
}

void TClientSender::Execute()
{
    Request.WriteString("}");
    const std::string upper = UpperCase(EngineEventName);
    if (upper.empty() || upper == "NIL")
        return;
    TClient* client = Client();
    if (!client || !client->Engine())
        return;
    fw::HandlerScope scope;
    std::string reply;
    std::optional<EngineCallScope> call(std::in_place);
    if (ShowBusyCursor) {
        BeginWaitCursor();
        try {
            reply = client->Engine()->ExecuteEvent("", SenderName, SenderType, EngineEventName, Request.Text());
        } catch (...) {
            EndWaitCursor();
            throw;
        }
        EndWaitCursor();
    } else {
        reply = client->Engine()->ExecuteEvent("", SenderName, SenderType, EngineEventName, Request.Text());
    }
    call.reset();
    if (!reply.empty()) {
        TMemoryTextStream stream(reply);
        ApplyReply(stream);
    }
}

// --- the reply ----------------------------------------------------------------

namespace {

// Where an event bound by a reply is recorded, and under which key.
void RecordBinding(TComponent* object, const std::string& name, const std::string& engineEvent)
{
    TClient* client = Client();
    auto* dataList = dynamic_cast<e3::IDataListEvents*>(object);
    if (fw::TNameValueList* own = dataList ? dataList->EditableEventMap() : nullptr) {
        own->SetValue(name, engineEvent);
    } else if (auto* frame = AsEngineFrame(object)) {
        frame->EventMap.SetValue(name, engineEvent);
    } else if (auto* form = AsEngineForm(object)) {
        form->EventMap.SetValue(name, engineEvent);
    } else if (dynamic_cast<fw::TCustomForm*>(object)) {
        if (client)
            client->PlainEventMap.SetValue(name, engineEvent);
    } else if (Te3ClientFrame* frame = OwnerFrame(object)) {
        frame->EventMap.SetValue(frame->GetName() + "." + name, engineEvent);
    } else if (client && client->CurrentForm()) {
        Te3ClientForm* current = client->CurrentForm();
        current->EventMap.SetValue(current->GetName() + "." + name, engineEvent);
    }
}

} // namespace

void TClientSender::ApplyReply(TMemoryTextStream& reply)
{
    fw::HandlerScope scope;
    reply.Seek(0, 0);
    reply.ReadBegin();
    reply.ReadString();
    std::string previousName;
    bool havePrevious = false;
    bool previousFound = false;
    Guard<TComponent> previous;
    while (!reply.IsToken("}")) {
        const std::string name = UpperCase(reply.ReadString());
        // The modal form runs with the default cursor. The form's action is
        // "_ShowModal", so "._SHOWMODAL" counts as well as ".SHOWMODAL".
        if (name.find(".SHOWMODAL") != std::string::npos || name.find("._SHOWMODAL") != std::string::npos)
            BusyCount = 0;
        if (PathSeparatorPos(name) == std::string::npos) {
            Results.Add(name, reply.ReadString());
        } else {
            auto [objectName, path] = SplitPath(name);
            TClient* client = Client();
            // A component freed by an earlier entry is looked up again, never reused.
            if (!havePrevious || objectName != previousName || (previousFound && !previous)) {
                previous = FindComponentByName(client ? client->CurrentForm() : nullptr, objectName, true);
                previousFound = static_cast<bool>(previous);
                previousName = objectName;
                havePrevious = true;
            }
            if (TComponent* object = previous.get()) {
                if (reply.GetPosition() < reply.LineCount()) {
                    const std::string& raw = reply.CurrentLine();
                    if (!raw.empty() && raw[0] == '@' && client && client->Variables().IsDefined(raw.substr(1)))
                        reply.ReplaceCurrentLine(client->Variables().GetVariable(raw.substr(1)));
                }
                if (object == client && UpperCase(path) == "_FREE") {
                    reply.ReadString();
                    ReportClientError("The client object cannot be freed");
                } else if (!PathEndsInEvent(object->ClassName(), path, object)) {
                    ReadAndSetProperty(object->ClassName(), path, object, nullptr, nullptr, true, reply);
                } else {
                    const std::string engineEvent = reply.ReadString();
                    BindEventProperty(object->ClassName(), path, object);
                    RecordBinding(object, name, engineEvent);
                }
            }
        }
        while (!reply.IsToken(";"))
            reply.ReadString();
        reply.ReadString();
    }
    reply.ReadEnd();
}

} // namespace client
