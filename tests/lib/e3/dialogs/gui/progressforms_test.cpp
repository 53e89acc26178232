#include "e3/buttons/SpeedButton.h"
#include "e3/containers/GroupBox.h"
#include "e3/containers/Panel.h"
#include "e3/dialogs/DialogHost.h"
#include "e3/dialogs/ProgressForms.h"
#include "e3/display/Gauge.h"
#include "e3/display/Label.h"
#include "u3/ProgramEnd.h"
#include "u3/UserMessages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Exited {
    int code;
};

// Notes whether the progress form still existed when the message was shown.
class Messages final : public u3::UserMessages {
public:
    Messages() { u3::SetUserMessages(this); }
    ~Messages() override { u3::SetUserMessages(nullptr); }
    void ShowInformation(const std::string&) override {}
    void ShowMessage(const std::string& text) override
    {
        shown.push_back(text + (e3::FormProgress() ? " (progress form still there)" : ""));
    }
    void ShowError(const std::string&) override {}
    u3::QuestionAnswer AskYesNoCancel(const std::string&, const std::string&) override
    {
        return u3::QuestionAnswer::Cancel;
    }
    std::vector<std::string> shown;
};

TEST(FormProgress, OneForTheProgramGoneBeforeTheLostLinkMessage)
{
    ASSERT_EQ(e3::FormProgress(), nullptr);
    e3::TFormProgress* form = e3::CreateFormProgress();
    EXPECT_EQ(e3::CreateFormProgress(), form);
    EXPECT_EQ(e3::FormProgress(), form);
    EXPECT_FALSE(form->GetVisible());
    EXPECT_EQ(form->GetCaption(), "Progress ...");
    EXPECT_EQ(form->ClientWidth(), 469);
    EXPECT_EQ(form->ClientHeight(), 72);
    EXPECT_EQ(form->GroupBox->GetText(), "Contacting server");
    EXPECT_EQ(form->Gauge->GetBoxCount(), 100);
    EXPECT_EQ(form->Gauge->GetBoxColor(), 6956042);
    EXPECT_EQ(form->lblPercent->GetText(), "0 %");
    EXPECT_EQ(form->spbCancel->GetModalResult(), 2);
    EXPECT_TRUE(form->CloseQuery());
    form->Show();

    Messages messages;
    u3::SetProgramExitForTests([](int code) { throw Exited {code}; });
    EXPECT_THROW(u3::EndProgramAfterLostLink("Connection lost", 1), Exited);
    u3::SetProgramExitForTests(nullptr);
    EXPECT_EQ(e3::FormProgress(), nullptr);
    EXPECT_EQ(messages.shown, std::vector<std::string> {"Connection lost"});

    // Freed by its user instead, nothing is left for a lost link to do.
    e3::CreateFormProgress();
    e3::FreeFormProgress();
    EXPECT_EQ(e3::FormProgress(), nullptr);
    u3::SetProgramExitForTests([](int code) { throw Exited {code}; });
    EXPECT_THROW(u3::EndProgramAfterLostLink("", 1), Exited);
    u3::SetProgramExitForTests(nullptr);
}

TEST(FormProgress, CancelTakesTheModalResultThenCallsBack)
{
    e3::TFormProgress* form = e3::CreateFormProgress();
    std::vector<fw::TObject*> senders;
    fw::TModalResult resultAtCall = fw::mrNone;
    form->OnCancel = [&](fw::TObject* sender) {
        senders.push_back(sender);
        resultAtCall = form->GetModalResult();
    };
    form->spbCancel->Click();
    EXPECT_EQ(senders, std::vector<fw::TObject*> {form->spbCancel});
    EXPECT_EQ(resultAtCall, fw::mrCancel);
    e3::FreeFormProgress();
}

// Hands the gauge the loop's handlers as the client's event list would.
class GaugeHost final : public e3::IDialogHost {
public:
    GaugeHost() { e3::SetDialogHost(this); }
    ~GaugeHost() override { e3::SetDialogHost(nullptr); }
    void MapCallbackEvent(const std::string&) override {}
    void SendFileDialogResult(const std::string&, bool, const std::string&, int32_t, int64_t) override {}
    void SendDirectoryResult(const std::string&, bool, const std::string&) override {}
    bool ValidateOpenDialog(e3::TOpenDialog&) override { return false; }
    std::any EventListHandler(const std::string& eventName) override
    {
        if (eventName == "OnMinValue")
            return fw::TNotifyEvent([this](fw::TObject*) { sent.push_back("start"); });
        if (eventName == "OnFormProgress")
            return fw::TNotifyEvent([this](fw::TObject* sender) {
                sent.push_back("step");
                if (onStep)
                    onStep(static_cast<e3::TFormGauge&>(*sender));
            });
        if (eventName == "OnMaxValue")
            return fw::TMaxValueEvent([this](fw::TObject*, bool& cancel) {
                sent.push_back(std::string("end cancel=") + (cancel ? "1" : "0"));
            });
        return {};
    }
    std::vector<std::string> sent;
    std::function<void(e3::TFormGauge&)> onStep;
};

void Write(fw::TObject& object, const std::string& name, const fw::PropValue& value)
{
    const fw::TPropInfo* p = object.ClassType().FindProperty(name);
    ASSERT_NE(p, nullptr) << name;
    if (!p->IsAction())
        EXPECT_FALSE(p->IsReadable()) << name;
    p->set(object, value);
}

TEST(FormGauge, LoopRunsUntilTheEngineReachesTheMaximum)
{
    struct Case {
        const char* name;
        int start;
        std::function<void(e3::TFormGauge&, int call)> reply;
        std::vector<std::string> sent;
    };
    const std::vector<Case> cases = {
        {"already at the maximum", 100, nullptr, {"start", "end cancel=0"}},
        {"engine moves on", 0,
         [](e3::TFormGauge& g, int call) { Write(g, "Progress", int64_t {call * 40 > 100 ? 100 : call * 40}); },
         {"start", "step", "step", "step", "end cancel=0"}},
        {"engine sets Cancel", 0,
         [](e3::TFormGauge& g, int call) {
             if (call == 2)
                 Write(g, "Cancel", int64_t {1});
         },
         {"start", "step", "step", "end cancel=1"}},
        {"user presses Cancel", 0,
         [](e3::TFormGauge& g, int call) {
             if (call == 1)
                 g.spbCancel->Click();
         },
         {"start", "step", "end cancel=1"}},
    };
    for (const Case& c : cases) {
        GaugeHost host;
        e3::TFormGauge gauge(nullptr);
        gauge.SetName("Gauge1");
        Write(gauge, "Progress", int64_t {c.start});
        int calls = 0;
        host.onStep = [&](e3::TFormGauge& g) {
            ++calls;
            if (c.reply)
                c.reply(g, calls);
            if (calls > 10)
                Write(g, "Cancel", int64_t {1}); // a broken loop ends the test instead of hanging it
        };
        Write(gauge, "_Show", std::string());
        Write(gauge, "_Execute", std::string());
        EXPECT_EQ(host.sent, c.sent) << c.name;
        if (std::string(c.name) == "user presses Cancel")
            EXPECT_FALSE(gauge.GetVisible()) << "the Cancel button closes the form";
    }
}

TEST(FormGauge, LoopStopsWhenAReplyFreesTheForm)
{
    GaugeHost host;
    auto* gauge = new e3::TFormGauge(nullptr);
    int calls = 0;
    host.onStep = [&](e3::TFormGauge& g) {
        if (++calls == 1)
            g.Release();
        else if (calls > 3)
            g.SetCancel(true);
    };
    Write(*gauge, "_Execute", std::string());
    EXPECT_EQ(host.sent, (std::vector<std::string> {"start", "step"}));
    fw::TComponent::DeleteReleased();
}

TEST(FormGauge, ResizeFitsTheVisibleParts)
{
    e3::TFormGauge gauge(nullptr);
    EXPECT_EQ(gauge.GetCaption(), "Maintenance table update");
    EXPECT_EQ(gauge.ClientWidth(), 508);
    EXPECT_EQ(gauge.ClientHeight(), 343);
    EXPECT_EQ(gauge.gbxProgress->GetText(), "Updating Forms ...   ");
    EXPECT_EQ(gauge.ProgressBar->GetBoxCount(), 98);
    EXPECT_EQ(gauge.ProgressBar->GetBoxColor(), 12937777);
    gauge.pnlMain->SetVisible(false);
    Write(gauge, "_Resize", std::string());
    EXPECT_EQ(gauge.ClientHeight(), 22 + 41 + 22);
    gauge.pnlTop->SetVisible(false);
    Write(gauge, "_Resize", std::string());
    EXPECT_EQ(gauge.ClientHeight(), 41 + 22);

    // Progress outside the range is ignored, as the gauge does.
    Write(gauge, "MaxValue", int64_t {50});
    Write(gauge, "Progress", int64_t {60});
    EXPECT_EQ(gauge.ProgressBar->GetProgress(), 0);
    Write(gauge, "Progress", int64_t {50});
    EXPECT_EQ(gauge.ProgressBar->GetProgress(), 50);
}

} // namespace
