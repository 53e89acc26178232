#pragma once
// A client object for fuzzing engine texts: it runs once per process on the
// offscreen platform, in a private scratch folder (the program path points
// there, so the SOAP log lands there too), with an engine that only counts the
// calls it receives. Texts that would make the client object run a command
// other than the harmless _SetVariable and _Title are refused before they run,
// so that commands with effects outside the process (files, programs, settings)
// can never be reached from a fuzz input.
#include "client/Client.h"
#include "client/ClientForm.h"
#include "client/EventList.h"
#include "engineapi/GUIEngine.h"
#include "client/Globals.h"
#include "framework/Component.h"
#include "framework/Form.h"
#include "framework/Rtti.h"
#include "u3/Files.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Fontconfig keeps a few blocks that it never frees and nothing points to once
// Qt has matched its first font; they are no fault of the code under test.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace fuzzsandbox {

// Takes every engine call and answers it with nothing to apply.
class SinkEngine : public client::IClientGUIEngine {
public:
    std::map<std::string, long> calls;

    bool Connect() override { return true; }
    std::string ExecuteEvent(const std::string&, const std::string&, const std::string&, const std::string&,
                             const std::string&) override
    {
        ++calls["ExecuteEvent"];
        return {};
    }
    std::string GetFile(const std::string&, const std::string&, const std::string&) override
    {
        ++calls["GetFile"];
        return "snil";
    }
    std::string SetFile(const std::string&, const std::string&, const std::string&) override
    {
        ++calls["SetFile"];
        return "OK";
    }
    std::string OnMessage(const std::string&, const std::string&) override
    {
        ++calls["OnMessage"];
        return {};
    }
    std::string GetGUIEngine(const std::string&, const std::string&, std::string&,
                             std::shared_ptr<client::IGUIEngine>&) override
    {
        ++calls["GetGUIEngine"];
        return {};
    }
    std::string SetGUIEngine(const std::string&, const std::string&, const std::string&,
                             std::shared_ptr<client::IGUIEngine>) override
    {
        ++calls["SetGUIEngine"];
        return {};
    }
    std::string CommandGUIEngine(const std::string&, const std::string&, const std::string&,
                                 const std::string&) override
    {
        ++calls["CommandGUIEngine"];
        return {};
    }
};

struct Sandbox {
    std::string folder;
    std::unique_ptr<QApplication> app;
    SinkEngine engine;
    std::unique_ptr<client::TClient> client;
    std::unique_ptr<client::TEventList> eventList;
};

inline Sandbox& Instance()
{
    static Sandbox* sandbox = [] {
        auto* s = new Sandbox;
        char folder[] = "/tmp/e3fuzz.XXXXXX";
        if (!::mkdtemp(folder)) {
            std::perror("mkdtemp");
            std::abort();
        }
        s->folder = folder;
        // The folder goes when the fuzzer ends normally (exit runs this).
        std::atexit([] { u3::DeleteDirectoryTree(Instance().folder, true); });
        // The client's own temporary folders go below the scratch folder too.
        ::setenv("TMPDIR", folder, 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        u3::SetExeNameOverride(s->folder + "/fuzz");
        static int argc = 1;
        static char name[] = "fuzz";
        static char* argv[] = {name, nullptr};
        s->app = std::make_unique<QApplication>(argc, argv);
        s->client = std::make_unique<client::TClient>("Fuzz");
        s->client->SetEngine(&s->engine);
        client::SetClient(s->client.get());
        s->eventList = std::make_unique<client::TEventList>(nullptr);
        client::SetEventListObject(s->eventList.get());
        return s;
    }();
    return *sandbox;
}

inline bool IsSpace(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

// Whether a text may run: no line names the client object ("Client" as any
// step of a path, in any case, blanks around it ignored, as the name lookup
// reads it) together with a "_" step other than _SetVariable and _Title. Every
// line is checked, since which line the applier takes for a name depends on
// what it found before.
inline bool Allowed(std::string_view text)
{
    std::vector<std::string> steps;
    bool namesClient = false;
    bool otherCommand = false;
    auto endLine = [&] {
        bool refuse = namesClient && otherCommand;
        namesClient = otherCommand = false;
        return !refuse;
    };
    std::string step;
    auto endStep = [&] {
        size_t b = 0, e = step.size();
        while (b < e && IsSpace(step[b]))
            ++b;
        while (e > b && IsSpace(step[e - 1]))
            --e;
        const std::string upper = fw::UpperCase(step.substr(b, e - b));
        if (upper == "CLIENT")
            namesClient = true;
        else if (!upper.empty() && upper[0] == '_' && upper != "_SETVARIABLE" && upper != "_TITLE")
            otherCommand = true;
        step.clear();
    };
    for (char c : text) {
        // "||" stands for a line break inside a value; a single "|" splits
        // steps here too, which only makes the check stricter.
        if (c == '.' || c == '[' || c == ']' || c == '|') {
            endStep();
        } else if (c == '\r' || c == '\n') {
            endStep();
            if (!endLine())
                return false;
        } else {
            step += c;
        }
    }
    endStep();
    return endLine();
}

// Frees what an input built: every form (the engine's forms belong to no
// owner), the given roots, then whatever waits for release.
inline void FreeAll(std::vector<fw::Guard<fw::TComponent>>& roots)
{
    Sandbox& s = Instance();
    s.client->SetCurrentForm(nullptr);
    s.client->SetOwnerComponent(nullptr);
    for (auto& root : roots)
        if (fw::TComponent* c = root.get(); c && !c->Owner())
            delete c;
    roots.clear();
    std::vector<fw::Guard<fw::TCustomForm>> forms;
    for (fw::TCustomForm* f : fw::TCustomForm::AllForms())
        forms.emplace_back(f);
    for (auto& f : forms)
        if (fw::TCustomForm* form = f.get(); form && !form->Owner())
            delete form;
    fw::TComponent::DeleteReleased();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace fuzzsandbox
