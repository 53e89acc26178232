#pragma once
// A client object, a scripted engine and a few small published classes, so that
// the road of one event can be tested without the control library.
#include "client/ClassRegistry.h"
#include "client/Client.h"
#include "client/ClientForm.h"
#include "client/ClientSender.h"
#include "client/Globals.h"
#include "framework/StandardProps.h"
#include "support/ScriptedEngine.h"
#include "support/TempDir.h"
#include "u3/Files.h"

#include <gtest/gtest.h>

#include <memory>

namespace e3test {

class TTestEdit : public fw::TWinControl {
    FW_CLASS()
public:
    explicit TTestEdit(fw::TComponent* owner) : fw::TWinControl(owner) { SetWidget(new QWidget); }
    std::string GetText() const override { return text_; }
    void SetText(const std::string& t) override
    {
        if (t == text_)
            return;
        text_ = t;
        if (OnChange)
            OnChange(this);
    }
    bool GetChecked() const { return checked_; }
    void SetChecked(bool v) { checked_ = v; }
    int32_t GetCount() const { return count_; }
    void SetCount(int32_t v) { count_ = v; }
    fw::TNotifyEvent OnChange;

private:
    std::string text_;
    bool checked_ = false;
    int32_t count_ = 0;
};

// Publishes the two events the tests bind; each sends its event to the engine
// as the event list does.
class TTestEventList : public fw::TComponent {
    FW_CLASS()
public:
    TTestEventList();
    void DoClick(fw::TObject* sender);
    void DoChange(fw::TObject* sender);
    fw::TNotifyEvent OnClick, OnChange;
};

class ClientFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Applies a reply given as lines joined with " | ".
    client::TClientSender ApplyLines(const std::string& lines);
    // Builds a form from a description given as lines joined with " | ".
    fw::TComponent* LoadLines(const std::string& lines);
    std::vector<std::string> ClientErrors() const;
    std::string SoapLog() const;

    TempDir dir;
    std::unique_ptr<ScriptedEngine> engine;
    std::unique_ptr<client::TClient> theClient;
    std::unique_ptr<TTestEventList> eventList;
};

// Lines joined with " | ", as CR LF text.
std::string Lines(const std::string& barSeparated);

} // namespace e3test
