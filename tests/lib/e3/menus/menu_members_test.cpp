#include "../TestContainer.h"
#include "e3/menus/Menus.h"

#include <QApplication>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

namespace {

using e3::Te3MenuItem;
using e3test::OrdinalByName;
using e3test::WriteByName;

Te3MenuItem* AddItem(Te3MenuItem* parent, const std::string& caption)
{
    auto* item = new Te3MenuItem(nullptr);
    item->SetCaption(caption);
    parent->Add(item);
    return item;
}

std::vector<std::string> ShownTexts(QWidget* container)
{
    std::vector<std::string> texts;
    for (QAction* action : container->actions())
        texts.push_back(action->text().toStdString());
    return texts;
}

// A popup menu shown on an offscreen screen; items are owned by their parents.
class MenusPopupTest : public ::testing::Test {
protected:
    ~MenusPopupTest() override
    {
        if (popup.Menu()->isVisible())
            popup.Menu()->close();
    }

    Te3MenuItem* Add(const std::string& caption) { return AddItem(popup.Items(), caption); }

    QMenu* Show()
    {
        popup.Popup(100, 100);
        QMenu* menu = popup.Menu();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(menu));
        return menu;
    }

    // The separators of the shown menu that take room.
    int ShownSeparators()
    {
        int count = 0;
        for (QAction* action : popup.Menu()->actions())
            if (action->isSeparator() && !popup.Menu()->actionGeometry(action).isEmpty())
                ++count;
        return count;
    }

    e3::Te3_PopupMenu popup {nullptr};
};

// ---------------------------------------------------------------------------
// AutoHotkeys

TEST_F(MenusPopupTest, AutomaticHotkeysMarkTheFirstFreeCharacter)
{
    struct Case {
        std::vector<std::string> captions;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        // A written accelerator is kept and reserves its letter for the others.
        {{"Open", "Options", "&Save", "Print", "-", "1st", "Ozone", "save as"},
         {"&Open", "O&ptions", "&Save", "P&rint", "", "&1st", "O&zone", "s&ave as"}},
        // Letter case ignored; "&&" is no accelerator; nothing free: as written.
        {{"ab", "BA", "ab", "Fish && Chips", "*."}, {"&ab", "&BA", "ab", "&Fish && Chips", "*."}},
        {{"a&&b", "ab"}, {"&a&&b", "a&b"}},
    };
    for (const Case& k : cases) {
        popup.Clear();
        fw::TComponent::DeleteReleased();
        std::vector<Te3MenuItem*> items;
        for (const std::string& caption : k.captions)
            items.push_back(Add(caption));
        Show();
        EXPECT_EQ(ShownTexts(popup.Menu()), k.shown) << k.captions.front();
        for (size_t i = 0; i < items.size(); ++i)
            EXPECT_EQ(items[i]->GetCaption(), k.captions[i]) << "the caption stays as written";
        popup.Menu()->close();
    }
}

TEST_F(MenusPopupTest, HotkeysFollowVisibilityCaptionsAndTheFlags)
{
    Te3MenuItem* hidden = Add("Alpha");
    Te3MenuItem* apple = Add("Apple");
    Te3MenuItem* sub = Add("Sub");
    Te3MenuItem* one = AddItem(sub, "One");
    Te3MenuItem* two = AddItem(sub, "Only");
    hidden->SetVisible(false);
    Show();
    EXPECT_EQ(apple->Action()->text(), "&Apple") << "a hidden sibling takes no letter";
    popup.Menu()->close();

    hidden->SetVisible(true);
    apple->SetCaption("&Pear");
    Show();
    EXPECT_EQ(ShownTexts(popup.Menu()), (std::vector<std::string> {"&Alpha", "&Pear", "&Sub"}));
    popup.Menu()->close();

    // An item's own flag governs its sub-items; maParent follows upwards.
    popup.SetAutoHotkeys(e3::maManual);
    QCoreApplication::processEvents();
    EXPECT_EQ(hidden->Action()->text(), "Alpha");
    EXPECT_EQ(one->Action()->text(), "One") << "maParent items take the menu's choice";
    sub->SetAutoHotkeys(e3::maAutomatic);
    QCoreApplication::processEvents();
    EXPECT_EQ(ShownTexts(sub->SubMenu()), (std::vector<std::string> {"&One", "O&nly"}));
    EXPECT_EQ(hidden->Action()->text(), "Alpha");
    EXPECT_EQ(sub->EffectiveAutoHotkeys(), e3::maAutomatic);
    EXPECT_EQ(one->EffectiveAutoHotkeys(), e3::maAutomatic);

    // A menu has no parent to follow.
    WriteByName(popup, "AutoHotkeys", int64_t {e3::maParent});
    EXPECT_EQ(OrdinalByName(popup, "AutoHotkeys"), e3::maManual);
    EXPECT_EQ(OrdinalByName(*two, "AutoHotkeys"), e3::maParent) << "the items' default";

    // Moving an item under another list gives it that list's choice.
    sub->Remove(two);
    EXPECT_EQ(two->Action()->text(), "Only") << "a loose item shows its caption";
    popup.Items()->Add(two);
    QCoreApplication::processEvents();
    EXPECT_EQ(two->Action()->text(), "Only") << "the menu is manual";
    delete two;
}

TEST(MenusMainMenu, BarItemsGetHotkeysOnceTheEventLoopRuns)
{
    e3::Te3_MainMenu menu(nullptr);
    Te3MenuItem* file = AddItem(menu.Items(), "File");
    AddItem(menu.Items(), "Format");
    AddItem(menu.Items(), "&Edit");
    QCoreApplication::processEvents();
    EXPECT_EQ(ShownTexts(menu.MenuBar()), (std::vector<std::string> {"&File", "F&ormat", "&Edit"}));
    file->SetCaption("Exit");
    QCoreApplication::processEvents();
    EXPECT_EQ(ShownTexts(menu.MenuBar()), (std::vector<std::string> {"E&xit", "&Format", "&Edit"}));
    WriteByName(menu, "AutoHotkeys", int64_t {e3::maManual});
    QCoreApplication::processEvents();
    EXPECT_EQ(ShownTexts(menu.MenuBar()), (std::vector<std::string> {"Exit", "Format", "&Edit"}));
}

// ---------------------------------------------------------------------------
// AutoLineReduction

TEST_F(MenusPopupTest, LineReductionHidesRedundantSeparators)
{
    Add("-");
    Add("A");
    Add("-");
    Add("Hidden")->SetVisible(false);
    Add("-");
    Add("B");
    Add("-");
    Add("Gone")->SetVisible(false);

    Show();
    EXPECT_EQ(ShownSeparators(), 1) << "leading, doubled and trailing ones go";
    popup.Menu()->close();

    WriteByName(popup, "AutoLineReduction", int64_t {e3::maManual});
    Show();
    EXPECT_EQ(ShownSeparators(), 4);
    popup.Menu()->close();

    // A sub-menu follows its item, and its item the menu.
    Te3MenuItem* sub = Add("Sub");
    AddItem(sub, "-");
    AddItem(sub, "x");
    auto subSeparatorShown = [&] {
        QMenu* menu = sub->SubMenu();
        menu->popup(QPoint(0, 0));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(menu));
        const bool shown = !menu->actionGeometry(menu->actions().at(0)).isEmpty();
        menu->close();
        return shown;
    };
    EXPECT_TRUE(subSeparatorShown());
    sub->SetAutoLineReduction(e3::maAutomatic);
    EXPECT_FALSE(subSeparatorShown());
}

// ---------------------------------------------------------------------------
// TrackButton

TEST_F(MenusPopupTest, TrackButtonDecidesWhichButtonChooses)
{
    Te3MenuItem* item = Add("Choose");
    Add("Other");
    int clicks = 0;
    item->OnClick = [&](fw::TObject*) { ++clicks; };

    struct Case {
        e3::TTrackButton track;
        Qt::MouseButton button;
        bool chooses;
    };
    for (const Case& k : {Case {e3::tbRightButton, Qt::RightButton, true}, Case {e3::tbRightButton, Qt::LeftButton, true},
                          Case {e3::tbLeftButton, Qt::RightButton, false}, Case {e3::tbLeftButton, Qt::LeftButton, true}}) {
        WriteByName(popup, "TrackButton", int64_t {k.track});
        clicks = 0;
        QMenu* menu = Show();
        const QPoint at = menu->actionGeometry(item->Action()).center();
        QTest::mouseMove(menu, at);
        QTest::mouseClick(menu, k.button, {}, at);
        EXPECT_EQ(clicks, k.chooses ? 1 : 0) << k.track << " " << k.button;
        EXPECT_EQ(menu->isVisible(), !k.chooses);
        if (menu->isVisible())
            menu->close();
    }
}

// ---------------------------------------------------------------------------
// Owner drawing

QColor ColourAt(QMenu* menu, QAction* action)
{
    const QImage image = menu->grab().toImage();
    const QRect r = menu->actionGeometry(action);
    return image.pixelColor(r.center() * image.devicePixelRatio());
}

TEST_F(MenusPopupTest, OwnerDrawHandsItemsToTheirHandlers)
{
    Te3MenuItem* plain = Add("Plain");
    Te3MenuItem* both = Add("Both");
    Te3MenuItem* styled = Add("Styled");
    std::vector<std::string> drawn;
    e3::TOwnerDrawState lastState = 0;
    fw::TRect lastRect;
    auto fill = [](QColor colour) {
        return [colour](QPainter* canvas, const fw::TRect& r) {
            canvas->fillRect(QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)), colour);
        };
    };
    plain->OnDrawItem = [&, paint = fill(Qt::red)](fw::TObject* sender, QPainter* canvas, const fw::TRect& r, bool) {
        EXPECT_EQ(sender, plain);
        drawn.push_back("plain");
        paint(canvas, r);
    };
    both->OnDrawItem = [&](fw::TObject*, QPainter*, const fw::TRect&, bool) { drawn.push_back("both-simple"); };
    both->OnAdvancedDrawItem = [&, paint = fill(Qt::blue)](fw::TObject* sender, QPainter* canvas,
                                                           const fw::TRect& r, e3::TOwnerDrawState state) {
        EXPECT_EQ(sender, both);
        drawn.push_back("both");
        lastState = state;
        lastRect = r;
        paint(canvas, r);
    };

    QMenu* menu = Show();
    EXPECT_NE(ColourAt(menu, plain->Action()), QColor(Qt::red)) << "OwnerDraw is off";
    EXPECT_TRUE(drawn.empty());
    menu->close();

    WriteByName(popup, "OwnerDraw", int64_t {1});
    both->SetChecked(true);
    menu = Show();
    drawn.clear();
    EXPECT_EQ(ColourAt(menu, plain->Action()), QColor(Qt::red));
    EXPECT_EQ(ColourAt(menu, both->Action()), QColor(Qt::blue));
    EXPECT_NE(ColourAt(menu, styled->Action()), QColor(Qt::red)) << "no handler: the style draws";
    EXPECT_EQ(std::count(drawn.begin(), drawn.end(), "both-simple"), 0) << "the advanced handler wins";
    EXPECT_GT(std::count(drawn.begin(), drawn.end(), "both"), 0);
    const QRect geometry = menu->actionGeometry(both->Action());
    EXPECT_EQ(lastRect.left, geometry.left());
    EXPECT_EQ(lastRect.bottom, geometry.top() + geometry.height());
    EXPECT_TRUE(lastState & (1u << e3::odChecked));
    EXPECT_FALSE(lastState & (1u << e3::odSelected));
    menu->setActiveAction(both->Action());
    menu->grab();
    EXPECT_TRUE(lastState & (1u << e3::odSelected));
    both->SetEnabled(false);
    menu->grab();
    EXPECT_TRUE(lastState & (1u << e3::odDisabled));
    EXPECT_TRUE(lastState & (1u << e3::odGrayed));
}

TEST_F(MenusPopupTest, MeasureItemSizesItsItem)
{
    Te3MenuItem* tall = Add("Tall");
    Te3MenuItem* normal = Add("Normal");
    tall->OnMeasureItem = [&](fw::TObject* sender, QPainter* canvas, int32_t& width, int32_t& height) {
        EXPECT_EQ(sender, tall);
        EXPECT_NE(canvas, nullptr);
        width = 300;
        height = 41;
    };
    QMenu* menu = Show();
    const int normalHeight = menu->actionGeometry(normal->Action()).height();
    EXPECT_NE(menu->actionGeometry(tall->Action()).height(), 41) << "OwnerDraw is off";
    menu->close();

    popup.SetOwnerDraw(true);
    menu = Show();
    EXPECT_EQ(menu->actionGeometry(tall->Action()).height(), 41);
    EXPECT_GE(menu->actionGeometry(tall->Action()).width(), 300);
    EXPECT_EQ(menu->actionGeometry(normal->Action()).height(), normalHeight);
    menu->close();

    // A handler bound once the menu was shown counts the next time.
    normal->OnMeasureItem = [](fw::TObject*, QPainter*, int32_t&, int32_t& height) { height = 33; };
    menu = Show();
    EXPECT_EQ(menu->actionGeometry(normal->Action()).height(), 33);
}

TEST_F(MenusPopupTest, OwnerDrawSkipsAnItemFreedByAnotherHandler)
{
    popup.SetOwnerDraw(true);
    Te3MenuItem* first = Add("First");
    auto* second = new Te3MenuItem(&popup);
    second->SetCaption("Second");
    popup.Items()->Add(second);
    fw::Guard<Te3MenuItem> secondGuard(second);
    bool freeNow = false;
    int secondDrawn = 0;
    first->OnDrawItem = [&](fw::TObject*, QPainter*, const fw::TRect&, bool) {
        if (freeNow && secondGuard)
            secondGuard->Release();
    };
    second->OnDrawItem = [&](fw::TObject*, QPainter*, const fw::TRect&, bool) { ++secondDrawn; };
    QMenu* menu = Show();
    menu->grab();
    EXPECT_GT(secondDrawn, 0);
    secondDrawn = 0;
    freeNow = true;
    menu->grab();
    EXPECT_FALSE(secondGuard);
    EXPECT_EQ(secondDrawn, 0);
    fw::TComponent::DeleteReleased();
}

TEST(MenusMainMenu, OwnerDrawReachesTheBarItems)
{
    e3::Te3_MainMenu menu(nullptr);
    Te3MenuItem* file = AddItem(menu.Items(), "File");
    file->OnDrawItem = [](fw::TObject*, QPainter* canvas, const fw::TRect& r, bool) {
        canvas->fillRect(QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)), Qt::red);
    };
    file->OnMeasureItem = [](fw::TObject*, QPainter*, int32_t& width, int32_t&) { width = 90; };
    QMenuBar* bar = menu.MenuBar();
    bar->resize(300, 30);
    auto colour = [&] {
        const QImage image = bar->grab().toImage();
        return image.pixelColor(bar->actionGeometry(file->Action()).center() * image.devicePixelRatio());
    };
    EXPECT_NE(colour(), QColor(Qt::red));
    EXPECT_NE(bar->actionGeometry(file->Action()).width(), 90);
    menu.SetOwnerDraw(true);
    EXPECT_EQ(colour(), QColor(Qt::red));
    EXPECT_EQ(bar->actionGeometry(file->Action()).width(), 90);
}

// ---------------------------------------------------------------------------
// OnChange

TEST(MenusChange, ChangesAnywhereInTheTreeReachTheMenu)
{
    e3::Te3_MainMenu menu(nullptr);
    struct Seen {
        fw::TObject* source;
        bool rebuild;
        bool operator==(const Seen&) const = default;
    };
    std::vector<Seen> seen;
    WriteByName(menu, "OnChange", std::any(e3::TMenuChangeEvent([&](fw::TObject* sender, fw::TObject* source, bool rebuild) {
                    EXPECT_EQ(sender, &menu);
                    seen.push_back({source, rebuild});
                })));
    auto take = [&] {
        std::vector<Seen> out;
        out.swap(seen);
        return out;
    };

    Te3MenuItem* file = AddItem(menu.Items(), "File");
    EXPECT_EQ(take(), (std::vector<Seen> {{nullptr, true}}));
    Te3MenuItem* save = AddItem(file, "Save");
    EXPECT_EQ(take(), (std::vector<Seen> {{file, true}}));

    struct Case {
        const char* what;
        std::function<void()> change;
        bool raises;
    };
    const Case cases[] = {
        {"caption", [&] { save->SetCaption("Save as"); }, true},
        {"same caption", [&] { save->SetCaption("Save as"); }, false},
        {"enabled", [&] { WriteByName(*save, "Enabled", int64_t {0}); }, true},
        {"visible", [&] { save->SetVisible(false); }, true},
        {"checked", [&] { save->SetChecked(true); }, true},
        {"shortcut", [&] { save->SetShortCut(0x4000 | 'S'); }, true},
        {"bitmap", [&] { save->GetBitmap()->Assign(QImage(4, 4, QImage::Format_RGB32)); }, true},
        {"hint", [&] { save->SetHint("h"); }, false},
        {"help context", [&] { save->SetHelpContext(3); }, false},
    };
    for (const Case& k : cases) {
        k.change();
        const std::vector<Seen> expected = k.raises ? std::vector<Seen> {{save, false}} : std::vector<Seen> {};
        EXPECT_EQ(take(), expected) << k.what;
    }

    // A radio item checked unchecks its sibling: both changed.
    Te3MenuItem* other = AddItem(file, "Other");
    take();
    for (Te3MenuItem* i : {save, other})
        i->SetRadioItem(true);
    other->SetChecked(true);
    EXPECT_EQ(take(), (std::vector<Seen> {{save, false}, {other, false}}));

    file->Remove(other);
    EXPECT_EQ(take(), (std::vector<Seen> {{file, true}}));
    other->SetCaption("loose");
    EXPECT_TRUE(take().empty()) << "no longer in the menu";
    delete other;
    delete save;
    EXPECT_EQ(take(), (std::vector<Seen> {{file, true}}));
}

// ---------------------------------------------------------------------------
// Stored members and the tables

TEST(MenusMembers, StoredMembersReadBack)
{
    e3::Te3_MainMenu mainMenu(nullptr);
    e3::Te3_PopupMenu popup(nullptr);
    Te3MenuItem item(nullptr);
    struct Case {
        fw::TObject* object;
        const char* name;
        int64_t initial;
        int64_t written;
    };
    const Case cases[] = {
        {&item, "AutoHotkeys", e3::maParent, e3::maManual},
        {&item, "AutoLineReduction", e3::maParent, e3::maAutomatic},
        {&item, "Break", e3::mbNone, e3::mbBarBreak},
        {&item, "HelpContext", 0, 42},
        {&item, "ImageIndex", -1, 3},
        {&mainMenu, "AutoHotkeys", e3::maAutomatic, e3::maManual},
        {&mainMenu, "AutoLineReduction", e3::maAutomatic, e3::maManual},
        {&mainMenu, "AutoMerge", 0, 1},
        {&mainMenu, "OwnerDraw", 0, 1},
        {&popup, "AutoHotkeys", e3::maAutomatic, e3::maManual},
        {&popup, "AutoLineReduction", e3::maAutomatic, e3::maManual},
        {&popup, "OwnerDraw", 0, 1},
        {&popup, "HelpContext", 0, 7},
        {&popup, "TrackButton", e3::tbRightButton, e3::tbLeftButton},
        {&popup, "MenuAnimation", 0, (1 << e3::maLeftToRight) | (1 << e3::maNone)},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(OrdinalByName(*k.object, k.name), k.initial) << k.name;
        WriteByName(*k.object, k.name, k.written);
        EXPECT_EQ(OrdinalByName(*k.object, k.name), k.written) << k.name;
    }
    WriteByName(mainMenu, "AutoLineReduction", int64_t {e3::maParent});
    EXPECT_EQ(OrdinalByName(mainMenu, "AutoLineReduction"), e3::maManual) << "a menu refuses maParent";
}

TEST(MenusMembers, PublishedTypes)
{
    struct Case {
        const fw::TClassInfo& cls;
        const char* name;
        const char* typeName;
    };
    const Case cases[] = {
        {Te3MenuItem::StaticClass(), "AutoHotkeys", "TMenuAutoFlag"},
        {Te3MenuItem::StaticClass(), "AutoLineReduction", "TMenuAutoFlag"},
        {Te3MenuItem::StaticClass(), "Break", "TMenuBreak"},
        {Te3MenuItem::StaticClass(), "HelpContext", nullptr},
        {Te3MenuItem::StaticClass(), "ImageIndex", nullptr},
        {Te3MenuItem::StaticClass(), "OnDrawItem", "TMenuDrawItemEvent"},
        {Te3MenuItem::StaticClass(), "OnAdvancedDrawItem", "TAdvancedMenuDrawItemEvent"},
        {Te3MenuItem::StaticClass(), "OnMeasureItem", "TMenuMeasureItemEvent"},
        {e3::Te3_MainMenu::StaticClass(), "AutoHotkeys", "TMenuAutoFlag"},
        {e3::Te3_MainMenu::StaticClass(), "AutoLineReduction", "TMenuAutoFlag"},
        {e3::Te3_MainMenu::StaticClass(), "AutoMerge", nullptr},
        {e3::Te3_MainMenu::StaticClass(), "OwnerDraw", nullptr},
        {e3::Te3_MainMenu::StaticClass(), "OnChange", "TMenuChangeEvent"},
        {e3::Te3_PopupMenu::StaticClass(), "AutoHotkeys", "TMenuAutoFlag"},
        {e3::Te3_PopupMenu::StaticClass(), "AutoLineReduction", "TMenuAutoFlag"},
        {e3::Te3_PopupMenu::StaticClass(), "OwnerDraw", nullptr},
        {e3::Te3_PopupMenu::StaticClass(), "HelpContext", nullptr},
        {e3::Te3_PopupMenu::StaticClass(), "TrackButton", "TTrackButton"},
        {e3::Te3_PopupMenu::StaticClass(), "MenuAnimation", "TMenuAnimation"},
        {e3::Te3_PopupMenu::StaticClass(), "OnChange", "TMenuChangeEvent"},
    };
    for (const Case& k : cases) {
        const fw::TPropInfo* prop = k.cls.FindProperty(k.name);
        ASSERT_NE(prop, nullptr) << k.cls.Name() << "." << k.name;
        if (!k.typeName)
            continue;
        const std::string typeName = prop->enumType ? prop->enumType->name : prop->eventType->name;
        EXPECT_EQ(typeName, k.typeName) << k.name;
    }
    EXPECT_EQ(Te3MenuItem::StaticClass().FindProperty("Break")->enumType->names,
              (std::vector<std::string> {"mbNone", "mbBreak", "mbBarBreak"}));
    EXPECT_EQ(e3::Te3_PopupMenu::StaticClass().FindProperty("MenuAnimation")->kind, fw::TypeKind::Set);
    EXPECT_EQ(e3::MenuAnimationType.names,
              (std::vector<std::string> {"maLeftToRight", "maRightToLeft", "maTopToBottom", "maBottomToTop", "maNone"}));
    EXPECT_EQ(e3::MenuAutoFlagType.names, (std::vector<std::string> {"maAutomatic", "maManual", "maParent"}));
    EXPECT_EQ(e3::TrackButtonType.names, (std::vector<std::string> {"tbRightButton", "tbLeftButton"}));
}

} // namespace
