// What a control shows as its tooltip, and how its caption follows a new name.
#include "framework/Actions.h"
#include "framework/Form.h"

#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <memory>

using namespace fw;

namespace {

class TBox : public TWinControl {
public:
    explicit TBox(TComponent* owner) : TWinControl(owner) { SetWidget(new QWidget); }
};

struct HintCase {
    const char* what;
    bool formShows;
    const char* panelHint;
    const char* buttonHint;
    int buttonShowHint; // -1: follows its parent, else its own value
    const char* shown;
};

TEST(Hint, TheShortPartOfTheNearestHintShowsWhereHintsAreOn)
{
    const HintCase cases[] = {
        {"own hint, cut at the bar", true, "", "Save|Saves the file", -1, "Save"},
        {"a bar first leaves nothing", true, "", "|only long", -1, ""},
        {"no hint of its own: the parent's", true, "Panel help|long", "", -1, "Panel help"},
        {"hints off up to the form", false, "Panel help", "Own", -1, ""},
        {"its own ShowHint against the form's", false, "", "Own", 1, "Own"},
        {"hints off for the button: the parent shows its own", true, "Panel help", "Own", 0, "Panel help"},
    };
    for (const HintCase& c : cases) {
        SCOPED_TRACE(c.what);
        TCustomForm form(nullptr);
        form.SetShowHint(c.formShows);
        auto* panel = new TBox(&form);
        panel->SetParent(&form);
        panel->SetHint(c.panelHint);
        auto* button = new TBox(&form);
        button->SetParent(panel);
        button->SetHint(c.buttonHint);
        if (c.buttonShowHint >= 0)
            button->SetShowHint(c.buttonShowHint == 1);
        EXPECT_EQ(ShownHint(button), c.shown);
    }
}

TEST(Hint, TheActionsShortcutFollowsTheHint)
{
    TCustomForm form(nullptr);
    form.SetShowHint(true);
    auto* button = new TBox(&form);
    button->SetParent(&form);
    auto* action = new TAction(&form);
    action->SetHint("Save|Saves the file");
    action->SetShortCut(0x4000 | 'S');
    button->SetAction(action);
    EXPECT_EQ(ShownHint(button), "Save (Ctrl+S)");
    action->SetShortCut(0x2000 | 0x4000 | 0x8000 | 116); // F5
    EXPECT_EQ(ShownHint(button), "Save (Shift+Ctrl+Alt+F5)");
    action->SetShortCut(0);
    EXPECT_EQ(ShownHint(button), "Save");
    EXPECT_EQ(ShortCutToText(0), "");
}

TEST(Hint, TheTooltipIsTheShownHint)
{
    TCustomForm form(nullptr);
    form.SetBounds(0, 0, 200, 100);
    form.SetShowHint(true);
    form.SetHint("Form|long");
    auto* box = new TBox(&form);
    box->SetParent(&form);
    box->SetBounds(10, 10, 50, 20);
    form.Show();
    QWidget* w = box->Widget();
    QHelpEvent event(QEvent::ToolTip, QPoint(5, 5), w->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(w, &event);
    QTRY_COMPARE_WITH_TIMEOUT(QToolTip::text(), QStringLiteral("Form"), 5000);
    QToolTip::hideText();
}

TEST(Rename, TheCaptionFollowsANewNameThatItEquals)
{
    TCustomForm form(nullptr);
    auto* box = new TBox(&form);
    box->SetName("Box1");
    EXPECT_EQ(box->GetText(), "Box1") << "made and named at run time";
    box->SetName("Box2");
    EXPECT_EQ(box->GetText(), "Box2");
    box->SetText("Other");
    box->SetName("Box3");
    EXPECT_EQ(box->GetText(), "Other");

    // Not while the control or its owner is loading.
    auto* loading = new TBox(&form);
    loading->BeginLoading();
    loading->SetName("Loading1");
    EXPECT_EQ(loading->GetText(), "");
    TCustomForm owner(nullptr);
    owner.BeginLoading();
    auto* owned = new TBox(&owner);
    owned->SetName("Owned1");
    EXPECT_EQ(owned->GetText(), "");
}

} // namespace
