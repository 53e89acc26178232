#include "../TestContainer.h"
#include "e3/buttons/CheckBox.h"
#include "e3/buttons/RadioButton.h"
#include "e3/containers/RadioGroup.h"
#include "e3/common/TextLines.h"

#include <QKeySequence>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Grabbed pixels may round a channel by one.
bool Near(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2
        && std::abs(a.blue() - b.blue()) <= 2;
}

using e3test::OrdinalByName;
using e3test::TextByName;
using e3test::WriteByName;

TEST(TextLines, SplitAtAnyBreakAndJoinWithCrLf)
{
    struct Case {
        const char* text;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {}},
        {"one", {"one"}},
        {"a\r\nb\r\nc", {"a", "b", "c"}},
        {"a\nb\rc", {"a", "b", "c"}},
        {"a\r\n", {"a"}},          // a final break starts no line
        {"\r\n", {""}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}}, // LF then CR is two breaks
    };
    for (const Case& c : cases)
        EXPECT_EQ(e3::SplitLines(c.text), c.lines) << c.text;
    EXPECT_EQ(e3::JoinLines({"a", "", "b"}), "a\r\n\r\nb");
    EXPECT_EQ(e3::JoinLines({}), "");
}

TEST(CheckBoxCaption, AmpersandsShowAsWrittenAndReadBack)
{
    struct Case {
        const char* caption;
        const char* window;
    } cases[] = {
        {"Salt & Pepper", "Salt && Pepper"},
        {"&Save", "&&Save"},
        {"a && b", "a &&&& b"},
        {"end&", "end&&"},
        {"none", "none"},
    };
    e3::Te3_CheckBox box(nullptr);
    for (const Case& c : cases) {
        WriteByName(box, "Caption", std::string(c.caption));
        EXPECT_EQ(box.CheckBox()->text().toStdString(), c.window);
        EXPECT_TRUE(QKeySequence::mnemonic(box.CheckBox()->text()).isEmpty()) << c.caption;
        EXPECT_EQ(TextByName(box, "caption"), c.caption);
    }
}

TEST(CheckBoxLook, ReadOnlySquarePlacement)
{
    struct Case {
        e3::TAlignment alignment;
        e3::TVertAlignment vert;
        int left, top;
    } cases[] = {
        {e3::taRightJustify, e3::vaTop, 2, 2},
        {e3::taRightJustify, e3::vaCenter, 2, 40 / 2 - 4},
        {e3::taRightJustify, e3::vaBottom, 2, 40 - 13},
        {e3::taLeftJustify, e3::vaCenter, 120 - 11, 16},
    };
    for (const Case& c : cases)
        EXPECT_EQ(e3::ReadOnlySquare(120, 40, c.alignment, c.vert), QRect(c.left, c.top, 10, 10));
}

class CheckBoxTest : public ::testing::Test {
protected:
    CheckBoxTest()
    {
        root.Widget()->resize(200, 60);
        box = new e3::Te3_CheckBox(&root);
        box->SetParent(&root);
        box->SetText("Agree");
        box->OnClick = [this](fw::TObject*) { events += "click "; };
        box->OnChange = [this](fw::TObject*) { events += "change "; };
        root.Widget()->show();
    }

    void Click() { QTest::mouseClick(box->CheckBox(), Qt::LeftButton, {}, QPoint(6, 8)); }

    // The colour at the middle of the box.
    QColor BoxCentre()
    {
        const QImage image = box->CheckBox()->grab().toImage();
        const QRect square = e3::ReadOnlySquare(box->GetWidth(), box->GetHeight(), e3::taRightJustify, e3::vaCenter);
        return image.pixelColor(square.center());
    }

    e3test::TestContainer root {nullptr};
    e3::Te3_CheckBox* box;
    std::string events;
};

TEST_F(CheckBoxTest, UserClickTogglesAndRaisesClickThenChange)
{
    Click();
    EXPECT_TRUE(box->GetChecked());
    EXPECT_EQ(events, "click change ");
    Click();
    EXPECT_FALSE(box->GetChecked());
    EXPECT_EQ(OrdinalByName(*box, "State"), e3::cbUnchecked);
}

TEST_F(CheckBoxTest, LockedBoxIsGreyIgnoresClicksAndUnlocksToTheEnginesReadOnly)
{
    WriteByName(*box, "LockedEdit", int64_t {1});
    EXPECT_EQ(OrdinalByName(*box, "State"), e3::cbGrayed);
    EXPECT_TRUE(box->ReadOnlySquareShown().has_value());
    EXPECT_EQ(events, ""); // graying is no click
    Click();
    EXPECT_FALSE(box->GetChecked());
    EXPECT_EQ(events, "");

    WriteByName(*box, "ReadOnly", int64_t {0}); // only remembered while locked
    EXPECT_EQ(OrdinalByName(*box, "State"), e3::cbGrayed);
    EXPECT_EQ(OrdinalByName(*box, "ReadOnly"), 1);

    WriteByName(*box, "LockedEdit", int64_t {0});
    EXPECT_EQ(OrdinalByName(*box, "ReadOnly"), 0);
    Click();
    EXPECT_TRUE(box->GetChecked());
    EXPECT_EQ(events, "click change ");
}

TEST_F(CheckBoxTest, ReadOnlyKeepsTheCheckedValueAndShowsIt)
{
    WriteByName(*box, "ReadOnly", int64_t {1});
    EXPECT_TRUE(Near(BoxCentre(), fw::ToQColor(fw::cl3DLight))); // unchecked: empty and light

    WriteByName(*box, "Checked", int64_t {1}); // the engine may still set the value
    EXPECT_TRUE(box->GetChecked());
    EXPECT_EQ(OrdinalByName(*box, "State"), e3::cbGrayed);
    EXPECT_FALSE(box->ReadOnlySquareShown().has_value());
    EXPECT_FALSE(Near(BoxCentre(), fw::ToQColor(fw::cl3DLight))); // the grey check mark shows

    WriteByName(*box, "ReadOnly", int64_t {0});
    EXPECT_EQ(OrdinalByName(*box, "State"), e3::cbChecked);
    EXPECT_TRUE(box->GetChecked());
}

TEST_F(CheckBoxTest, AllowGrayedCyclesThroughTheThirdState)
{
    WriteByName(*box, "AllowGrayed", int64_t {1});
    Click();
    EXPECT_EQ(OrdinalByName(*box, "State"), e3::cbGrayed);
    EXPECT_FALSE(box->GetChecked());
    Click();
    EXPECT_EQ(OrdinalByName(*box, "State"), e3::cbChecked);
    Click();
    EXPECT_EQ(OrdinalByName(*box, "State"), e3::cbUnchecked);
}

// Three of our radio buttons and a foreign control in one parent, and one of
// ours in another parent.
class RadioTest : public ::testing::Test {
protected:
    RadioTest()
    {
        root.Widget()->resize(300, 200);
        other.SetParent(&root);
        for (int i = 0; i < 3; ++i) {
            auto* r = i == 2 ? new e3::Te3_NonCyclicRadioButton(&root) : new e3::Te3_RadioButton(&root);
            r->SetName("R" + std::to_string(i));
            r->SetParent(&root);
            r->SetBounds(0, 20 * i, 150, 17);
            r->OnClick = [this, r](fw::TObject*) { events += r->GetName() + ".click "; };
            r->OnChange = [this, r](fw::TObject*) { events += r->GetName() + ".change "; };
            radios.push_back(r);
        }
        elsewhere = new e3::Te3_RadioButton(&root);
        elsewhere->SetParent(&other);
        elsewhere->SetChecked(true);
        root.Widget()->show();
        root.Widget()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(root.Widget()));
    }

    e3test::TestContainer root {nullptr};
    e3test::TestContainer other {&root};
    std::vector<e3::Te3CustomRadioButton*> radios;
    e3::Te3CustomRadioButton* elsewhere;
    std::string events;
};

TEST_F(RadioTest, CheckingRaisesOwnEventsThenTheSiblingsThenOwnClickAgain)
{
    WriteByName(*radios[0], "Checked", int64_t {1});
    EXPECT_EQ(events, "R0.click R0.change R0.click ");
    events.clear();
    QTest::mouseClick(radios[2]->RadioButton(), Qt::LeftButton, {}, QPoint(60, 8)); // on the caption
    EXPECT_EQ(events, "R2.click R2.change R0.click R0.change R2.click ");
    EXPECT_FALSE(radios[0]->GetChecked());
    EXPECT_TRUE(radios[2]->GetChecked());
    EXPECT_TRUE(elsewhere->GetChecked()); // another parent is another group
    EXPECT_TRUE(radios[2]->GetTabStop());
    EXPECT_FALSE(radios[0]->GetTabStop());

    events.clear();
    QTest::mouseClick(radios[2]->RadioButton(), Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_TRUE(radios[2]->RadioButton()->isChecked()); // a click never unchecks
    EXPECT_EQ(events, "");
    WriteByName(*radios[2], "Checked", int64_t {0}); // the engine may
    EXPECT_EQ(events, "R2.click R2.change ");
}

TEST_F(RadioTest, FocusFollowsTheCheckWhenTheUncheckedSiblingHadIt)
{
    radios[0]->SetChecked(true);
    radios[0]->SetFocus();
    ASSERT_TRUE(radios[0]->RadioButton()->hasFocus());
    radios[1]->SetChecked(true);
    EXPECT_TRUE(radios[1]->RadioButton()->hasFocus());
}

TEST_F(RadioTest, LockRefusesEnablingAndUnlockRestoresTheWish)
{
    e3::Te3CustomRadioButton* r = radios[0];
    WriteByName(*r, "LockedEdit", int64_t {1});
    EXPECT_FALSE(r->GetEnabled());
    WriteByName(*r, "Enabled", int64_t {1}); // recorded, not applied
    EXPECT_FALSE(r->GetEnabled());
    WriteByName(*r, "LockedEdit", int64_t {0});
    EXPECT_TRUE(r->GetEnabled());

    // A lock alone keeps what the engine wanted before it.
    WriteByName(*r, "LockedEdit", int64_t {1});
    WriteByName(*r, "LockedEdit", int64_t {0});
    EXPECT_TRUE(r->GetEnabled());
    WriteByName(*r, "Enabled", int64_t {0});
    WriteByName(*r, "LockedEdit", int64_t {1});
    WriteByName(*r, "LockedEdit", int64_t {0});
    EXPECT_FALSE(r->GetEnabled());
}

TEST_F(RadioTest, AcceleratorFocusesWithoutChecking)
{
    radios[1]->SetText("&Yes");
    QTest::keyClick(root.Widget(), Qt::Key_Y, Qt::AltModifier);
    EXPECT_TRUE(radios[1]->RadioButton()->hasFocus());
    EXPECT_FALSE(radios[1]->GetChecked());
    EXPECT_EQ(events, "");
}

TEST(RadioGroup, ItemsAsTextAndItemIndexFromCodeAndUser)
{
    e3test::TestContainer root(nullptr);
    root.Widget()->resize(300, 200);
    auto* group = new e3::Te3_RadioGroup(&root);
    group->SetParent(&root);
    int clicks = 0;
    group->OnClick = [&](fw::TObject*) { ++clicks; };
    WriteByName(*group, "ItemsString", std::string("Mr\r\nMrs\nMs\r\n"));
    EXPECT_EQ(TextByName(*group, "ItemsString"), "Mr\r\nMrs\r\nMs");
    ASSERT_NE(group->Button(2), nullptr);
    EXPECT_EQ(group->Button(2)->text(), "Ms");

    WriteByName(*group, "ItemIndex", int64_t {1});
    EXPECT_TRUE(group->Button(1)->isChecked());
    WriteByName(*group, "ItemIndex", int64_t {9});
    EXPECT_EQ(OrdinalByName(*group, "ItemIndex"), 2);
    EXPECT_FALSE(group->Button(1)->isChecked());
    EXPECT_EQ(clicks, 0);

    root.Widget()->show();
    QTest::mouseClick(group->Button(0), Qt::LeftButton, {}, QPoint(5, group->Button(0)->height() / 2));
    EXPECT_EQ(OrdinalByName(*group, "ItemIndex"), 0);
    EXPECT_TRUE(group->Button(0)->isChecked());
    EXPECT_FALSE(group->Button(2)->isChecked());
    EXPECT_EQ(clicks, 1);

    WriteByName(*group, "ItemsString", std::string("Yes")); // fewer items: the index follows
    EXPECT_EQ(OrdinalByName(*group, "ItemIndex"), 0);
    WriteByName(*group, "Columns", int64_t {2});
    WriteByName(*group, "ItemsString", std::string("a\nb\nc"));
    EXPECT_EQ(group->Button(2)->x(), group->Button(0)->x() + (group->GetWidth() - 10) / 2);
    EXPECT_EQ(group->Button(2)->y(), group->Button(0)->y());
}

} // namespace
