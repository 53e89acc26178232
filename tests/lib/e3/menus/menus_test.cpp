#include "../TestContainer.h"
#include "e3/menus/Menus.h"
#include "framework/Actions.h"
#include "u3/Exceptions.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <map>

namespace {

using e3::Te3MenuItem;
using e3test::WriteByName;

Te3MenuItem* NewItem(fw::TComponent* owner, const std::string& name, const std::string& caption)
{
    auto* item = new Te3MenuItem(owner);
    item->SetName(name);
    item->SetCaption(caption);
    return item;
}

class MenusTest : public ::testing::Test {
protected:
    MenusTest() { form.SetBounds(0, 0, 300, 200); }
    ~MenusTest() override { e3::SetEngineImageSource({}); }

    fw::TCustomForm form {nullptr};
};

TEST_F(MenusTest, MainMenuOfAFormShowsItsItemsAndShortcutsClick)
{
    auto* menu = new e3::Te3_MainMenu(&form);
    Te3MenuItem* file = NewItem(&form, "mnFile", "&File");
    Te3MenuItem* save = NewItem(&form, "mnSave", "&Save");
    ASSERT_TRUE(e3::AddMenuItemTo(menu, file));
    ASSERT_TRUE(e3::AddMenuItemTo(file, save));
    EXPECT_FALSE(e3::AddMenuItemTo(&form, NewItem(&form, "mnLoose", "x"))) << "a form is no menu";
    WriteByName(*save, "ShortCut", int64_t {0x4000 | 'S'}); // Ctrl+S
    int clicks = 0;
    save->OnClick = [&](fw::TObject* sender) {
        EXPECT_EQ(sender, save);
        ++clicks;
    };

    ASSERT_NE(menu->MenuBar(), nullptr);
    EXPECT_EQ(menu->MenuBar()->parentWidget(), form.Widget());
    ASSERT_EQ(menu->MenuBar()->actions().size(), 1);
    EXPECT_EQ(menu->MenuBar()->actions()[0]->text(), "&File");
    ASSERT_NE(file->SubMenu(), nullptr);
    EXPECT_EQ(file->SubMenu()->actions().at(0)->shortcut(), QKeySequence("Ctrl+S"));

    form.Show();
    QApplication::setActiveWindow(form.Widget());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.Widget()));
    QTest::keyClick(form.Widget(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(clicks, 1);
    save->SetEnabled(false);
    QTest::keyClick(form.Widget(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(clicks, 1) << "a disabled item does not click";

    // Read-only views of the place in the tree.
    EXPECT_EQ(e3test::OrdinalByName(*file, "Count"), 1);
    EXPECT_EQ(e3test::OrdinalByName(*save, "MenuIndex"), 0);
    EXPECT_EQ(std::get<fw::TObject*>(e3test::ReadByName(*save, "Parent")), file);
    EXPECT_FALSE(Te3MenuItem::StaticClass().FindProperty("Count")->IsWritable());
}

TEST_F(MenusTest, ClearFreesTheItemsAndLeavesAnEmptyBar)
{
    auto* menu = new e3::Te3_MainMenu(&form);
    Te3MenuItem* file = NewItem(&form, "mnFile", "File");
    Te3MenuItem* open = NewItem(&form, "mnOpen", "Open");
    Te3MenuItem* edit = NewItem(&form, "mnEdit", "Edit");
    menu->Items()->Add(file);
    menu->Items()->Add(edit);
    file->Add(open);
    fw::Guard<Te3MenuItem> openGuard(open), fileGuard(file);

    WriteByName(*file, "_Clear", std::string());
    EXPECT_FALSE(openGuard);
    EXPECT_EQ(file->GetCount(), 0);
    EXPECT_EQ(form.FindComponent("mnOpen"), nullptr) << "the name is free at once";

    WriteByName(*menu, "_Clear", std::string("ignored"));
    EXPECT_FALSE(fileGuard);
    EXPECT_TRUE(menu->MenuBar()->actions().isEmpty());
    fw::TComponent::DeleteReleased();
}

TEST_F(MenusTest, ItemImageFindsNestedItemsByName)
{
    std::map<std::string, int> asked;
    e3::SetEngineImageSource([&](const std::string& name) {
        ++asked[name];
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::white);
        image.setPixel(0, 0, qRgb(255, 0, 0));
        return image;
    });
    e3::Te3_MainMenu menu(nullptr);
    Te3MenuItem* a = NewItem(&menu, "A", "a");
    Te3MenuItem* b = NewItem(&menu, "B", "b");
    Te3MenuItem* c = NewItem(&menu, "Deep", "c");
    menu.Items()->Add(a);
    a->Add(b);
    b->Add(c);

    struct Case {
        std::string value;
        Te3MenuItem* changed;
    };
    for (const Case& k : {Case {"Deep<|> ", nullptr}, Case {"Nobody<|>img", nullptr}, Case {"deep<|>img", c}}) {
        WriteByName(menu, "_ItemImage", k.value);
        EXPECT_EQ(c->GetBitmap()->Empty(), k.changed == nullptr) << k.value;
    }
    EXPECT_EQ(asked, (std::map<std::string, int> {{"img", 1}}));
    EXPECT_TRUE(c->GetBitmap()->GetTransparent());
    const QImage drawn = c->GetBitmap()->DrawnImage();
    EXPECT_EQ(qAlpha(drawn.pixel(3, 3)), 0) << "the bottom-left colour shows through";
    EXPECT_EQ(qAlpha(drawn.pixel(0, 0)), 255);
    EXPECT_FALSE(c->Action()->icon().isNull());
}

TEST_F(MenusTest, PopupShowsAtTheOwnersClientPoint)
{
    auto* popup = new e3::Te3_PopupMenu(&form);
    popup->Items()->Add(NewItem(&form, "mnOne", "One"));
    form.SetBounds(40, 30, 300, 200);
    form.Show();
    WriteByName(*popup, "_Popup", std::string("10<|>20"));
    EXPECT_EQ(popup->LastPopupPoint(), form.Widget()->mapToGlobal(QPoint(10, 20)));
    EXPECT_TRUE(popup->Menu()->isVisible());
    popup->Menu()->close();

    for (const char* bad : {"x<|>20", "10<|>", "10<|>2 0"})
        EXPECT_THROW(WriteByName(*popup, "_Popup", std::string(bad)), u3::EConvertError) << bad;
}

// Below a main menu the client area starts one menu-bar height down the window:
// the point is taken from there.
TEST_F(MenusTest, PopupPointIsInTheClientAreaBelowTheMenuBar)
{
    auto* mainMenu = new e3::Te3_MainMenu(&form);
    mainMenu->Items()->Add(NewItem(&form, "mnFile", "File"));
    auto* popup = new e3::Te3_PopupMenu(&form);
    popup->Items()->Add(NewItem(&form, "mnOne", "One"));
    form.SetBounds(40, 30, 300, 200);
    form.Show();
    const int barHeight = form.ClientWidget()->mapTo(form.Widget(), QPoint(0, 0)).y();
    ASSERT_GT(barHeight, 0) << "the form shows a menu bar";

    WriteByName(*popup, "_Popup", std::string("10<|>20"));
    EXPECT_EQ(popup->LastPopupPoint(), form.Widget()->mapToGlobal(QPoint(10, 20 + barHeight)));
    popup->Menu()->close();
}

TEST_F(MenusTest, MenusPublishTheirItemsAndReadingDirection)
{
    auto* mainMenu = new e3::Te3_MainMenu(&form);
    auto* popup = new e3::Te3_PopupMenu(&form);
    Te3MenuItem* one = NewItem(&form, "mnOne", "One");
    popup->Items()->Add(one);
    Te3MenuItem* sub = NewItem(&form, "mnSub", "Sub");
    one->Add(sub);
    for (fw::TComponent* menu : {static_cast<fw::TComponent*>(mainMenu), static_cast<fw::TComponent*>(popup)}) {
        const fw::TPropInfo* items = menu->ClassType().FindProperty("items");
        ASSERT_NE(items, nullptr) << menu->ClassName();
        EXPECT_FALSE(items->IsWritable());
        EXPECT_NE(std::get<fw::TObject*>(items->get(*menu)), nullptr);
        EXPECT_EQ(std::get<int64_t>(menu->ClassType().FindProperty("ParentBiDiMode")->get(*menu)), 1);
    }
    EXPECT_EQ(std::get<fw::TObject*>(popup->ClassType().FindProperty("Items")->get(*popup)), popup->Items());

    // Following the owning form.
    form.SetBiDiMode(fw::bdRightToLeft);
    form.Show();
    popup->Popup(10, 10);
    EXPECT_EQ(popup->Menu()->layoutDirection(), Qt::RightToLeft);
    popup->Menu()->close();
    EXPECT_EQ(std::get<int64_t>(popup->ClassType().FindProperty("BiDiMode")->get(*popup)), fw::bdRightToLeft);

    // A direction of its own ends the following; sub-menus read the same way.
    WriteByName(*popup, "BiDiMode", int64_t {fw::bdLeftToRight});
    EXPECT_FALSE(popup->GetParentBiDiMode());
    popup->Popup(10, 10);
    EXPECT_EQ(popup->Menu()->layoutDirection(), Qt::LeftToRight);
    popup->Menu()->close();
    WriteByName(*popup, "BiDiMode", int64_t {fw::bdRightToLeft});
    popup->Popup(10, 10);
    one->SubMenu()->popup(QPoint(20, 20));
    EXPECT_EQ(one->SubMenu()->layoutDirection(), Qt::RightToLeft);
    one->SubMenu()->close();
    popup->Menu()->close();

    WriteByName(*mainMenu, "BiDiMode", int64_t {fw::bdRightToLeft});
    EXPECT_EQ(mainMenu->MenuBar()->layoutDirection(), Qt::RightToLeft);
}

TEST_F(MenusTest, CheckedItemsAndRadioGroups)
{
    e3::Te3_PopupMenu popup(nullptr);
    Te3MenuItem* one = NewItem(&popup, "One", "1");
    Te3MenuItem* two = NewItem(&popup, "Two", "2");
    Te3MenuItem* other = NewItem(&popup, "Other", "3");
    for (Te3MenuItem* i : {one, two, other}) {
        popup.Items()->Add(i);
        i->SetRadioItem(true);
        i->SetAutoCheck(true);
    }
    other->SetGroupIndex(1);
    other->SetChecked(true);
    one->Action()->trigger();
    EXPECT_TRUE(one->GetChecked());
    two->Action()->trigger();
    EXPECT_FALSE(one->GetChecked());
    EXPECT_TRUE(two->GetChecked());
    EXPECT_TRUE(other->GetChecked()) << "another group";

    // Without AutoCheck the check mark is the engine's alone.
    Te3MenuItem* plain = NewItem(&popup, "Plain", "p");
    popup.Items()->Add(plain);
    plain->Action()->trigger();
    EXPECT_FALSE(plain->GetChecked());
    EXPECT_FALSE(plain->Action()->isChecked());
}

TEST_F(MenusTest, ItemsFollowTheirActionAndRunItWithoutAnOnClickHandler)
{
    auto* action = new fw::TAction(&form);
    action->SetCaption("&Save");
    action->SetShortCut(0x4000 | 'S');
    action->SetHint("Saves");
    int executed = 0;
    action->OnExecute = [&](fw::TObject*) { ++executed; };
    auto* menu = new e3::Te3_PopupMenu(&form);
    Te3MenuItem* item = NewItem(&form, "mnSave", "");
    Te3MenuItem* named = NewItem(&form, "mnKeep", "Keep");
    e3::AddMenuItemTo(menu, item);
    e3::AddMenuItemTo(menu, named);
    WriteByName(*item, "Action", static_cast<fw::TObject*>(action));
    WriteByName(*named, "Action", static_cast<fw::TObject*>(action));

    EXPECT_EQ(item->GetCaption(), "&Save");
    EXPECT_EQ(named->GetCaption(), "Keep") << "linking fills in defaults only";
    EXPECT_EQ(item->Action()->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(item->GetHint(), "Saves");
    action->SetEnabled(false);
    action->SetChecked(true);
    EXPECT_FALSE(item->GetEnabled());
    EXPECT_TRUE(named->GetChecked());

    action->SetEnabled(true);
    item->Action()->trigger();
    EXPECT_EQ(executed, 1);
    int clicks = 0;
    item->OnClick = [&](fw::TObject*) { ++clicks; };
    item->Action()->trigger();
    EXPECT_EQ(executed, 1) << "an OnClick handler takes the place of the action";
    EXPECT_EQ(clicks, 1);

    delete action;
    EXPECT_EQ(named->GetAction(), nullptr);
    named->Action()->trigger(); // nothing left to run
}

TEST_F(MenusTest, ItemsWithoutABitmapShowThePictureOfTheirImageList)
{
    const auto solid = [](QColor colour) {
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    };
    const auto iconColour = [](Te3MenuItem* item) {
        const QIcon icon = item->Action()->icon();
        return icon.isNull() ? QColor() : QColor(icon.pixmap(16, 16).toImage().pixel(8, 8));
    };
    auto* menuImages = new fw::TImageList(&form);
    menuImages->Add(solid(Qt::red));
    menuImages->Add(solid(Qt::green));
    auto* subImages = new fw::TImageList(&form);
    subImages->Add(solid(Qt::blue));
    subImages->Add(solid(Qt::yellow));

    auto* menu = new e3::Te3_MainMenu(&form);
    Te3MenuItem* file = NewItem(&form, "mnFile", "File");
    Te3MenuItem* open = NewItem(&form, "mnOpen", "Open");
    Te3MenuItem* own = NewItem(&form, "mnOwn", "Own");
    e3::AddMenuItemTo(menu, file);
    e3::AddMenuItemTo(file, open);
    e3::AddMenuItemTo(file, own);
    file->SetImageIndex(1);
    open->SetImageIndex(1);
    own->SetImageIndex(0);
    own->GetBitmap()->Assign(solid(Qt::cyan));
    EXPECT_FALSE(iconColour(file).isValid()) << "no list yet";

    WriteByName(*menu, "Images", static_cast<fw::TObject*>(menuImages));
    EXPECT_EQ(iconColour(file), QColor(Qt::green));
    EXPECT_EQ(iconColour(open), QColor(Qt::green)) << "sub-items use the menu's list without one of their own";
    EXPECT_EQ(iconColour(own), QColor(Qt::cyan)) << "a bitmap of its own wins";

    WriteByName(*file, "SubMenuImages", static_cast<fw::TObject*>(subImages));
    EXPECT_EQ(iconColour(open), QColor(Qt::yellow));
    EXPECT_EQ(iconColour(file), QColor(Qt::green));
    open->SetImageIndex(5);
    EXPECT_FALSE(iconColour(open).isValid()) << "an index outside the list shows nothing";

    WriteByName(*menu, "Images", static_cast<fw::TObject*>(nullptr));
    EXPECT_FALSE(iconColour(file).isValid());
}

TEST(MenusNames, PublishedNamesAndTranslation)
{
    for (const char* name : {"Caption", "Checked", "Enabled", "ShortCut", "Bitmap", "OnClick", "Count", "MenuIndex",
                             "Parent", "_Clear", "RadioItem", "GroupIndex", "AutoCheck", "Default", "Hint", "Visible"})
        EXPECT_NE(Te3MenuItem::StaticClass().FindProperty(name), nullptr) << name;
    for (const char* name : {"_Clear", "_ItemImage"})
        EXPECT_NE(e3::Te3_MainMenu::StaticClass().FindProperty(name), nullptr) << name;
    for (const char* name : {"_Clear", "_Popup", "Alignment", "AutoPopup", "OnPopup"})
        EXPECT_NE(e3::Te3_PopupMenu::StaticClass().FindProperty(name), nullptr) << name;

    e3::Te3_MainMenu mainMenu(nullptr);
    e3::Te3_PopupMenu popup(nullptr);
    EXPECT_FALSE(mainMenu.IsTranslatable("Caption"));
    EXPECT_TRUE(popup.IsTranslatable("Caption"));
    EXPECT_FALSE(popup.IsTranslatable("Name"));
    EXPECT_EQ(&mainMenu.GetLanguageClass(), &e3::Te3MainMenu::StaticClass());
    EXPECT_EQ(&popup.GetLanguageClass(), &e3::Te3PopupMenu::StaticClass());
}

TEST(MenusShortCuts, ShortCutValues)
{
    EXPECT_EQ(e3::ShortCutToKeySequence(0x4000 | 'S'), QKeySequence("Ctrl+S"));
    EXPECT_EQ(e3::ShortCutToKeySequence(0x2000 | 0x8000 | 0x74), QKeySequence("Shift+Alt+F5"));
    EXPECT_TRUE(e3::ShortCutToKeySequence(0).isEmpty());
}

} // namespace
