#include "../TestContainer.h"
#include "e3/buttons/CheckBox.h"
#include "e3/display/Label.h"
#include "e3/buttons/RadioButton.h"
#include "e3/buttons/SpeedButton.h"
#include "framework/Actions.h"
#include "framework/ApplicationException.h"

#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using e3test::TextByName;
using e3test::WriteByName;

class ActionsTest : public ::testing::Test {
protected:
    ActionsTest()
    {
        root.SetBounds(0, 0, 400, 300);
        root.Widget()->show();
    }

    template <class T>
    T* Add(int top)
    {
        auto* c = new T(&root);
        c->SetParent(&root);
        c->SetBounds(10, top, 150, 20);
        c->Widget()->show();
        return c;
    }

    static void Link(fw::TControl& control, fw::TBasicAction* action)
    {
        WriteByName(control, "Action", static_cast<fw::TObject*>(action));
    }

    e3test::TestContainer root {nullptr};
};

TEST_F(ActionsTest, LinkedControlsFollowTheAction)
{
    auto* action = new fw::TAction(&root);
    action->SetCaption("Save");
    action->SetHint("Saves the form");
    action->SetEnabled(false);
    auto* plain = Add<e3::Te3_CheckBox>(10);
    auto* named = Add<e3::Te3_CheckBox>(40);
    named->SetText("Mine");
    Link(*plain, action);
    Link(*named, action);

    EXPECT_EQ(TextByName(*plain, "Caption"), "Save");
    EXPECT_EQ(plain->GetHint(), "Saves the form");
    EXPECT_FALSE(plain->GetEnabled());
    EXPECT_EQ(TextByName(*named, "Caption"), "Mine") << "linking fills in defaults only";
    EXPECT_EQ(std::get<fw::TObject*>(e3test::ReadByName(*plain, "Action")), action);

    // Later changes of the action reach every client.
    action->SetCaption("Store");
    action->SetEnabled(true);
    action->SetChecked(true);
    action->SetVisible(false);
    for (e3::Te3_CheckBox* box : {plain, named}) {
        EXPECT_EQ(box->GetText(), "Store");
        EXPECT_TRUE(box->GetEnabled());
        EXPECT_TRUE(box->GetChecked());
        EXPECT_FALSE(box->GetVisible());
    }

    auto* label = new e3::Te3_Label(&root);
    EXPECT_THROW(WriteByName(*plain, "Action", static_cast<fw::TObject*>(label)), fw::EPropertyError)
        << "only an action can be linked";
}

TEST_F(ActionsTest, ClickRunsTheActionOnlyWithoutAnOnClickHandler)
{
    auto* action = new fw::TAction(&root);
    std::vector<std::string> runs;
    action->OnExecute = [&](fw::TObject* sender) {
        auto* a = static_cast<fw::TBasicAction*>(sender);
        runs.push_back("execute by " + (a->ActionComponent() ? a->ActionComponent()->GetName() : std::string("?")));
    };
    auto* button = Add<e3::Te3_SpeedButton>(10);
    button->SetName("spbSave");
    Link(*button, action);

    button->ClickIfUsable();
    EXPECT_EQ(runs, std::vector<std::string>({"execute by spbSave"}));
    EXPECT_EQ(action->ActionComponent(), nullptr) << "the clicked control is held only while the action runs";

    button->OnClick = [&](fw::TObject*) { runs.push_back("OnClick"); };
    button->ClickIfUsable();
    EXPECT_EQ(runs.back(), "OnClick");
    EXPECT_EQ(runs.size(), 2u);

    // A disabled action does nothing, a freed one is forgotten.
    button->OnClick = nullptr;
    action->SetEnabled(false);
    button->SetEnabled(true);
    button->ClickIfUsable();
    EXPECT_EQ(runs.size(), 2u);
    delete action;
    EXPECT_EQ(button->GetAction(), nullptr);
    button->ClickIfUsable();
    EXPECT_EQ(runs.size(), 2u);
}

TEST_F(ActionsTest, AutoCheckActionAndClickedCheckBoxStayInStep)
{
    auto* action = new fw::TAction(&root);
    action->SetAutoCheck(true);
    int executed = 0;
    action->OnExecute = [&](fw::TObject*) { ++executed; };
    auto* box = Add<e3::Te3_CheckBox>(10);
    Link(*box, action);

    QTest::mouseClick(box->Widget(), Qt::LeftButton, {}, QPoint(6, 10));
    EXPECT_TRUE(box->GetChecked());
    EXPECT_TRUE(action->GetChecked());
    QTest::mouseClick(box->Widget(), Qt::LeftButton, {}, QPoint(6, 10));
    EXPECT_FALSE(box->GetChecked());
    EXPECT_FALSE(action->GetChecked());
    EXPECT_EQ(executed, 2);
}

TEST_F(ActionsTest, CheckingAnActionOfAGroupUnchecksTheOthersOfItsList)
{
    auto* list = new fw::TActionList(&root);
    fw::TAction* actions[3];
    for (auto*& a : actions) {
        a = new fw::TAction(&root);
        a->SetGroupIndex(1);
        a->SetActionList(list);
    }
    actions[2]->SetGroupIndex(2);
    auto* outside = new fw::TAction(&root);
    outside->SetGroupIndex(1);
    outside->SetChecked(true);

    actions[0]->SetChecked(true);
    actions[2]->SetChecked(true);
    actions[1]->SetChecked(true);
    EXPECT_FALSE(actions[0]->GetChecked());
    EXPECT_TRUE(actions[1]->GetChecked());
    EXPECT_TRUE(actions[2]->GetChecked()) << "another group";
    EXPECT_TRUE(outside->GetChecked()) << "another list";
}

TEST_F(ActionsTest, GroupedSpeedButtonTakesCheckedAsDown)
{
    auto* action = new fw::TAction(&root);
    action->SetChecked(true);
    auto* grouped = Add<e3::Te3_SpeedButton>(10);
    grouped->SetGroupIndex(3);
    grouped->SetAllowAllUp(true);
    auto* single = Add<e3::Te3_SpeedButton>(40);
    Link(*grouped, action);
    Link(*single, action);
    EXPECT_TRUE(grouped->GetDown());
    EXPECT_FALSE(single->GetDown()) << "a button outside a group is never down";
    action->SetChecked(false);
    EXPECT_FALSE(grouped->GetDown());
}

TEST_F(ActionsTest, ButtonWithoutGlyphShowsTheActionsPictureKeyedOnMagenta)
{
    auto* images = new fw::TImageList(&root);
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x)
            picture.setPixel(x, y, qRgb(200, 0, 0));
    ASSERT_EQ(images->AddMasked(picture, fw::clWhite), 0);
    auto* list = new fw::TActionList(&root);
    list->SetImages(images);
    auto* action = new fw::TAction(&root);
    action->SetActionList(list);
    action->SetImageIndex(0);

    auto* bare = Add<e3::Te3_SpeedButton>(10);
    auto* own = Add<e3::Te3_SpeedButton>(40);
    QImage green(10, 10, QImage::Format_RGB32);
    green.fill(Qt::green);
    own->AssignGlyph(green);
    Link(*bare, action);
    Link(*own, action);

    const QImage drawn = bare->GetGlyph()->DrawnImage();
    ASSERT_EQ(drawn.size(), QSize(16, 16));
    EXPECT_EQ(drawn.pixel(2, 2), qRgb(200, 0, 0));
    EXPECT_EQ(qAlpha(drawn.pixel(12, 2)), 0) << "the list's see-through part stays see-through";
    EXPECT_EQ(qAlpha(drawn.pixel(2, 15)), 255) << "the key is magenta, not the bottom-left pixel";
    EXPECT_EQ(own->GetGlyph()->Image().size(), QSize(10, 10)) << "a glyph of its own is kept";

    // A new picture forgets the magenta key: its bottom-left colour is keyed again.
    bare->AssignGlyph(picture);
    EXPECT_EQ(qAlpha(bare->GetGlyph()->DrawnImage().pixel(2, 2)), 0);
    EXPECT_EQ(bare->GetGlyph()->DrawnImage().pixel(12, 2), qRgb(255, 255, 255));
}

TEST_F(ActionsTest, ColourSpeedButtonFollowsItsActionToo)
{
    auto* action = new fw::TAction(&root);
    action->SetCaption("Red");
    auto* button = Add<e3::Te3ColorSpeedButton>(10);
    Link(*button, action);
    EXPECT_EQ(button->GetText(), "Red");
}

TEST_F(ActionsTest, RadioSiblingsCheckedActionIsUncheckedBeforeTheButton)
{
    auto* first = Add<e3::Te3_RadioButton>(10);
    auto* second = Add<e3::Te3_RadioButton>(40);
    auto* action = new fw::TAction(&root);
    action->SetChecked(true);
    Link(*second, action);
    ASSERT_TRUE(second->GetChecked());
    std::vector<bool> actionCheckedAtSecondsClick;
    second->OnClick = [&](fw::TObject*) { actionCheckedAtSecondsClick.push_back(action->GetChecked()); };

    first->SetChecked(true);
    EXPECT_FALSE(second->GetChecked());
    EXPECT_FALSE(action->GetChecked());
    EXPECT_EQ(actionCheckedAtSecondsClick, std::vector<bool>({false}));
}

TEST(ImageList, KeepsPicturesAtItsSize)
{
    fw::TImageList list(nullptr);
    QImage big(40, 5, QImage::Format_RGB32);
    big.fill(Qt::blue);
    EXPECT_EQ(list.Add(big), 0);
    const QImage fitted = list.GetImage(0);
    ASSERT_EQ(fitted.size(), QSize(16, 16)) << "cut at the right, extended at the bottom";
    EXPECT_EQ(fitted.pixel(15, 4), qRgb(0, 0, 255));
    EXPECT_EQ(qAlpha(fitted.pixel(15, 5)), 0);
    EXPECT_TRUE(list.GetImage(1).isNull());
    EXPECT_TRUE(list.GetImage(-1).isNull());

    int changes = 0;
    list.OnChange = [&](fw::TObject*) { ++changes; };
    list.SetWidth(20);
    EXPECT_EQ(list.GetCount(), 0) << "a new size empties the list";
    list.SetWidth(20);
    EXPECT_EQ(changes, 1);
}

} // namespace
