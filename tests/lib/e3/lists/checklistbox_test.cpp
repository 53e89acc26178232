#include "../TestContainer.h"
#include "e3/lists/CheckListBox.h"
#include "u3/Exceptions.h"

#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using e3::Te3_CheckListBox;
using e3test::OrdinalByName;
using e3test::TextByName;
using e3test::WriteByName;

std::vector<e3::TCheckBoxState> States(const Te3_CheckListBox& box)
{
    std::vector<e3::TCheckBoxState> out;
    for (int32_t i = 0; i < box.List()->count(); ++i)
        out.push_back(box.State(i));
    return out;
}

// Alpha (id 12), Beta (no id), Gamma (id 0), Delta (id 7).
void Fill(Te3_CheckListBox& box)
{
    WriteByName(box, "_AddStringID", std::string("12<|>Alpha"));
    WriteByName(box, "_AddString", std::string("Beta"));
    WriteByName(box, "_AddStringID", std::string("0<|>Gamma"));
    WriteByName(box, "_AddStringID", std::string("7<|>Delta"));
}

TEST(CheckListBoxTest, TheEngineReadsAndWritesChecksByPositionAndById)
{
    Te3_CheckListBox box(nullptr);
    Fill(box);
    int clicks = 0;
    box.OnClickCheck = [&](fw::TObject*) { ++clicks; };

    WriteByName(box, "_CheckedItems", std::string("0, 1,2"));
    EXPECT_EQ(TextByName(box, "_CheckedItems"), "0,1,2");
    // Beta and Gamma carry no id.
    EXPECT_EQ(TextByName(box, "CheckedItems"), "12");

    WriteByName(box, "CheckedItems", std::string("7, 12"));
    EXPECT_EQ(States(box), (std::vector {e3::cbChecked, e3::cbUnchecked, e3::cbUnchecked, e3::cbChecked}));
    EXPECT_EQ(TextByName(box, "CheckedItems"), "12, 7");
    WriteByName(box, "CheckedItems", std::string(""));
    EXPECT_EQ(TextByName(box, "_CheckedItems"), "");

    // A grayed item counts as unchecked.
    box.SetState(1, e3::cbGrayed);
    EXPECT_EQ(TextByName(box, "_CheckedItems"), "");
    EXPECT_EQ(clicks, 0) << "engine writes raise no OnClickCheck";

    WriteByName(box, "_Clear", std::string());
    EXPECT_EQ(box.List()->count(), 0);
}

TEST(CheckListBoxTest, AddStringIdTakesMinusOneForAMissingOrBadId)
{
    const struct {
        const char* value;
        int32_t id;
        const char* text;
    } cases[] = {
        {"5<|>Five", 5, "Five"},
        {" 6 <|>Six<|>more", 6, "Six<|>more"},
        {"x<|>Bad", -1, "Bad"},
        {"<|>Empty", -1, "Empty"},
        {"Plain", -1, "Plain"},
    };
    Te3_CheckListBox box(nullptr);
    for (const auto& c : cases)
        WriteByName(box, "_AddStringID", std::string(c.value));
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        SCOPED_TRACE(cases[i].value);
        EXPECT_EQ(box.ItemId(i), cases[i].id);
        EXPECT_EQ(box.List()->item(i)->text().toStdString(), cases[i].text);
    }
}

TEST(CheckListBoxTest, ABadCheckedItemsValueChangesNothing)
{
    const struct {
        const char* value;
        const char* error;
    } cases[] = {
        {"3,x", "'x' is not a valid integer value"},
        {"0,4", "List index out of bounds (4)"},
        {"-1", "List index out of bounds (-1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        Te3_CheckListBox box(nullptr);
        Fill(box);
        WriteByName(box, "_CheckedItems", std::string("1,2"));
        try {
            WriteByName(box, "_CheckedItems", std::string(c.value));
            ADD_FAILURE() << "no error";
        } catch (const u3::Exception& e) {
            EXPECT_EQ(std::string(e.what()), c.error);
        }
        EXPECT_EQ(TextByName(box, "_CheckedItems"), "1,2");
    }
}

TEST(CheckListBoxTest, TheSelectedItemsStateAndId)
{
    Te3_CheckListBox box(nullptr);
    Fill(box);
    int clicks = 0;
    box.OnClick = [&](fw::TObject*) { ++clicks; };

    // Nothing selected: 0 and -1, no error.
    EXPECT_EQ(OrdinalByName(box, "SelectedState"), 0);
    EXPECT_EQ(OrdinalByName(box, "SelectedID"), -1);
    EXPECT_THROW(WriteByName(box, "SelectedState", int64_t {1}), u3::EListError);
    EXPECT_EQ(TextByName(box, "_CheckedItems"), "");

    WriteByName(box, "SelectedID", int64_t {7});
    EXPECT_EQ(OrdinalByName(box, "_ItemIndex"), 3);
    WriteByName(box, "SelectedState", int64_t {5});
    EXPECT_EQ(OrdinalByName(box, "SelectedState"), 1);
    EXPECT_EQ(TextByName(box, "CheckedItems"), "7");
    WriteByName(box, "SelectedState", int64_t {0});
    EXPECT_EQ(OrdinalByName(box, "SelectedState"), 0);

    WriteByName(box, "SelectedID", int64_t {99}); // no item has it
    EXPECT_EQ(OrdinalByName(box, "_ItemIndex"), 3);
    // An item without an id, and one with id 0, report -1.
    box.SetItemIndex(1);
    EXPECT_EQ(OrdinalByName(box, "SelectedID"), -1);
    box.SetItemIndex(2);
    EXPECT_EQ(OrdinalByName(box, "SelectedID"), -1);
    EXPECT_EQ(clicks, 0) << "selecting by code raises no OnClick";
}

TEST(CheckListBoxTest, IdsStayWithTheirItemsInASortedList)
{
    Te3_CheckListBox box(nullptr);
    box.SetSorted(true);
    Fill(box);
    // Alpha, Beta, Delta, Gamma.
    EXPECT_EQ(box.ItemId(2), 7);
    WriteByName(box, "CheckedItems", std::string("7"));
    EXPECT_EQ(TextByName(box, "_CheckedItems"), "2");
}

class CheckListBoxInputTest : public testing::Test {
protected:
    void SetUp() override
    {
        box.SetBounds(0, 0, 200, 120);
        Fill(box);
        box.OnClickCheck = [this](fw::TObject* sender) {
            EXPECT_EQ(sender, &box);
            ++clicks;
        };
        box.Widget()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(box.Widget()));
    }

    void ClickCheck(int row)
    {
        const QRect r = box.CheckRect(row);
        ASSERT_FALSE(r.isEmpty());
        QTest::mouseClick(box.List()->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    }

    Te3_CheckListBox box {nullptr};
    int clicks = 0;
};

TEST_F(CheckListBoxInputTest, ClicksInTheCheckBoxCycleItsStates)
{
    box.SetAllowGrayed(true);
    ClickCheck(1);
    EXPECT_EQ(box.State(1), e3::cbGrayed);
    EXPECT_EQ(box.GetItemIndex(), 1);
    ClickCheck(1);
    EXPECT_EQ(box.State(1), e3::cbChecked);
    ClickCheck(1);
    EXPECT_EQ(box.State(1), e3::cbUnchecked);
    EXPECT_EQ(clicks, 3);

    box.SetAllowGrayed(false);
    ClickCheck(0);
    EXPECT_EQ(box.State(0), e3::cbChecked);
    // A click on the text only selects.
    const QRect text = box.List()->visualItemRect(box.List()->item(3));
    QTest::mouseClick(box.List()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(text.right() - 4, text.center().y()));
    EXPECT_EQ(box.GetItemIndex(), 3);
    EXPECT_EQ(box.State(3), e3::cbUnchecked);
    QTest::keyClick(box.List(), Qt::Key_Space);
    EXPECT_EQ(box.State(3), e3::cbChecked);
    EXPECT_EQ(clicks, 5);
}

TEST_F(CheckListBoxInputTest, ReadOnlyListsAndDisabledItemsDoNotToggle)
{
    box.SetState(0, e3::cbChecked);
    box.SetItemIndex(0);
    WriteByName(box, "ReadOnly", int64_t {1});
    QTest::keyClick(box.List(), Qt::Key_Space);
    ClickCheck(1);
    EXPECT_EQ(States(box), (std::vector {e3::cbChecked, e3::cbUnchecked, e3::cbUnchecked, e3::cbUnchecked}));

    WriteByName(box, "ReadOnly", int64_t {0});
    box.SetItemEnabled(1, false);
    ClickCheck(1);
    EXPECT_EQ(box.State(1), e3::cbUnchecked);
    EXPECT_EQ(clicks, 0);
    box.ToggleItem(9); // outside the list
    EXPECT_EQ(clicks, 0);
}

TEST(CheckListBoxLockTest, TheLockDisablesAndGivesBackWhatWasWished)
{
    e3test::TestContainer panel(nullptr);
    for (bool wish : {true, false}) {
        SCOPED_TRACE(wish);
        auto* box = new Te3_CheckListBox(&panel);
        box->SetParent(&panel);
        WriteByName(*box, "DisabledColor", int64_t {0x00FF00});
        box->SetEnabled(wish);

        WriteByName(*box, "LockedEdit", int64_t {1});
        EXPECT_FALSE(box->GetEnabled());
        EXPECT_EQ(box->GetColor(), 0x00FF00);
        box->SetEnabled(true); // wished while locked: kept, not applied
        EXPECT_FALSE(box->GetEnabled());
        box->SetEnabled(wish);

        WriteByName(*box, "LockedEdit", int64_t {0});
        EXPECT_EQ(box->GetEnabled(), wish);
        EXPECT_EQ(box->GetColor(), wish ? box->NormalColor() : 0x00FF00);
        delete box;
    }
}

} // namespace
