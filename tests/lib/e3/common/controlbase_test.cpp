// The family base: the window never reaches a control that is going, the
// enabled wish under both rules, and the translation answers from data.
#include "../TestContainer.h"
#include "e3/common/ControlBase.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

namespace {

class TProbe;

// What the probe's window told its control, and whether the control's own
// destructor had run by then.
struct ProbeLog {
    int eventsSeen = 0;
    int eventsAfterDestructor = 0;
    bool destroyed = false;
};

class ProbeWidget : public e3::OwnedWidget<QWidget, TProbe> {
public:
    using OwnedWidget::OwnedWidget;

protected:
    bool event(QEvent* e) override;
};

class TProbe : public e3::Te3Control<fw::TWinControl> {
    FW_CLASS()
public:
    TProbe(fw::TComponent* owner, ProbeLog& log, e3::EnabledRule rule = e3::EnabledRule::wish)
        : Te3Control(owner, {{" TEXT HINT ", true}, &TProbe::StaticClass}, rule)
        , log_(log)
        , window_(new ProbeWidget(this))
    {
        OwnWidget(window_);
    }
    ~TProbe() override { log_.destroyed = true; }

    void Heard()
    {
        ++log_.eventsSeen;
        if (log_.destroyed)
            ++log_.eventsAfterDestructor;
    }

private:
    ProbeLog& log_;
    ProbeWidget* window_;
};

bool ProbeWidget::event(QEvent* e)
{
    if (owner_)
        owner_->Heard();
    return QWidget::event(e);
}

const fw::TClassInfo& TProbe::StaticClass()
{
    static const fw::TClassInfo info {"TProbe", &fw::TWinControl::StaticClass(), fw::TRows<TProbe> {fw::std_props::Enabled()}};
    return info;
}

TEST(ControlBase, TheWindowStopsForwardingBeforeChildControlsGo)
{
    ProbeLog log;
    std::vector<ProbeLog> childLogs(3);
    auto* probe = new TProbe(nullptr, log);
    // Child windows are deleted with the control; each one tells the
    // control's window that it lost a child.
    for (ProbeLog& childLog : childLogs)
        (new TProbe(nullptr, childLog))->SetParent(probe);
    const int before = log.eventsSeen;
    delete probe;
    EXPECT_TRUE(log.destroyed);
    EXPECT_GT(before, 0); // the window does forward while the control lives
    EXPECT_EQ(log.eventsAfterDestructor, 0);
}

TEST(ControlBase, EnabledFollowsTheWishOrEveryChange)
{
    // The container is disabled and enabled again after the child asked for
    // Enabled False: a child that keeps its wish stays disabled, a plain one
    // follows the container.
    struct Case {
        e3::EnabledRule rule;
        bool enabledAtEnd;
    } cases[] = {{e3::EnabledRule::wish, false}, {e3::EnabledRule::plain, true}};
    for (const Case& c : cases) {
        // The log outlives the controls: the probe writes to it as it goes.
        ProbeLog log;
        e3test::TestContainer root(nullptr);
        auto* box = new e3test::TestContainer(&root);
        box->SetParent(&root);
        auto* probe = new TProbe(box, log, c.rule);
        probe->SetParent(box);
        probe->SetEnabled(false);
        box->SetEnabled(false);
        box->SetEnabled(true);
        EXPECT_EQ(probe->GetEnabled(), c.enabledAtEnd) << (c.rule == e3::EnabledRule::wish ? "wish" : "plain");
        EXPECT_EQ(probe->EnabledWishValue(), c.rule == e3::EnabledRule::plain);
    }
}

TEST(ControlBase, TranslationAnswersComeFromTheFamilysData)
{
    ProbeLog log;
    TProbe probe(nullptr, log);
    const e3::ITranslatableControl& asked = probe;
    EXPECT_TRUE(asked.IsTranslatable("text"));
    EXPECT_TRUE(asked.IsTranslatable("Hint"));
    EXPECT_FALSE(asked.IsTranslatable("Tex"));
    EXPECT_FALSE(asked.IsTranslatable(""));
    EXPECT_EQ(&asked.GetLanguageClass(), &TProbe::StaticClass());
}

} // namespace
