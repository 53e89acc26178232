// The collection panel: its buttons, their drop-down menu filled by the
// engine, the keys the form forwards and the upkeep of the button list.
#include "e3/collection/Collection.h"

#include "../TestContainer.h"
#include "e3/common/EngineImages.h"
#include "e3/grids/DLDrawGrid.h"
#include "e3/menus/Menus.h"

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

using namespace e3;
using e3test::OrdinalByName;
using e3test::WriteByName;

namespace {

using Fired = std::tuple<std::string, int32_t, int32_t>;

struct CollectionFixture : ::testing::Test {
    void SetUp() override
    {
        form = std::make_unique<e3test::TestContainer>(nullptr);
        form->SetBounds(0, 0, 600, 400);
        coll = new Te3_Collection(form.get());
        coll->SetName("Coll1");
        coll->SetParent(form.get());
        coll->OnCollButtonClick = [this](fw::TObject* sender, const std::string& name, int32_t button, int32_t item) {
            EXPECT_EQ(sender, coll);
            fired.emplace_back(name, button, item);
        };
    }

    void TearDown() override
    {
        e3::SetEngineImageSource({});
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* menu = qobject_cast<QMenu*>(w))
                menu->close();
    }

    Te3_CollSpeedButton* New() const { return coll->FindButton("new"); }
    Te3_CollSpeedButton* Delete() const { return coll->FindButton("DELETE"); }

    std::unique_ptr<e3test::TestContainer> form;
    Te3_Collection* coll = nullptr;
    std::vector<Fired> fired;
};

TEST_F(CollectionFixture, BuildsTheBarOfNewAndDeleteOverAOneColumnGrid)
{
    ASSERT_EQ(coll->ButtonCount(), 2);
    EXPECT_EQ(coll->Button(0), New());
    EXPECT_EQ(coll->Button(1), Delete());
    EXPECT_EQ(New()->GetName(), "Coll1New");
    EXPECT_EQ(Delete()->GetName(), "Coll1Delete");
    for (Te3_CollSpeedButton* b : {New(), Delete()}) {
        EXPECT_EQ(b->Parent(), coll->ButtonBar());
        EXPECT_EQ(b->Owner(), form.get());
        EXPECT_EQ(b->GetWidth(), 30);
        EXPECT_TRUE(b->GetFlat());
        EXPECT_FALSE(b->GetGlyph()->Empty());
    }
    EXPECT_EQ(coll->GetWidth(), 448);
    EXPECT_EQ(coll->GetHeight(), 240);
    EXPECT_EQ(coll->GetGridWidth(), 180);
    EXPECT_EQ(coll->ButtonBar()->GetHeight(), 29);
    Te3_DLDrawGrid* grid = coll->GetDrawGrid();
    EXPECT_EQ(grid->Parent(), coll->LeftPanel());
    EXPECT_EQ(grid->GetColCount(), 1);
    EXPECT_EQ(grid->GetFixedRows(), 0);
    EXPECT_TRUE(grid->GetOptions() & GridOption(goRowSelect));
    EXPECT_EQ(&coll->GetLanguageClass(), &Te3Collection::StaticClass());
    EXPECT_TRUE(coll->IsTranslatable("Hint"));
    EXPECT_FALSE(coll->IsTranslatable("Caption"));

    // Renaming the collection renames its buttons.
    coll->SetName("Orders");
    EXPECT_EQ(New()->GetName(), "OrdersNew");
    EXPECT_EQ(Delete()->GetName(), "OrdersDelete");
    EXPECT_EQ(coll->GetText(), "");
}

TEST_F(CollectionFixture, ClicksAndMenuEntriesReachTheEngineAsOneEvent)
{
    form->Widget()->show();
    WriteByName(*coll, "_NewButtonMenuAddItem", std::string("First"));
    WriteByName(*coll, "_NewButtonMenuAddItem", std::string("Second"));
    WriteByName(*coll, "_NewButtonMenuAddItem", std::string("Third"));
    Te3CustomPopupMenu* menu = New()->GetDropDownMenu();
    ASSERT_NE(menu, nullptr);

    QTest::mouseClick(Delete()->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    menu->Items()->Items(2)->Click();
    menu->OnPopup(menu);
    EXPECT_EQ(fired, (std::vector<Fired> {{"Delete", 1, -1}, {"New", 0, 2}, {"New", 0, -1}}));

    // The engine cannot take a collection button's click for itself.
    const fw::TPropInfo* onClick = Te3_CollSpeedButton::StaticClass().FindProperty("OnClick");
    ASSERT_NE(onClick, nullptr);
    EXPECT_NE(onClick->kind, fw::TypeKind::Method);
    EXPECT_FALSE(onClick->IsWritable());

    // Anything but a button, a menu entry or a menu is refused.
    try {
        coll->DispatchClick(form.get());
        ADD_FAILURE() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()), "Wrong sender classname TTestContainer");
    }
    Te3MenuItem loose(nullptr);
    EXPECT_THROW(coll->DispatchClick(&loose), std::exception);
}

TEST_F(CollectionFixture, NewMenuEntriesTakeCaptionPictureAndShortcut)
{
    int fetched = 0;
    e3::SetEngineImageSource([&](const std::string& name) {
        ++fetched;
        if (name != "doc" && name != "mail")
            return QImage();
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(name == "doc" ? Qt::blue : Qt::red);
        return image;
    });
    EXPECT_EQ(New()->GetWidth(), 30);
    WriteByName(*coll, "_NewButtonMenuAddItem", std::string("Letter<|>doc<|>Ctrl+L"));
    EXPECT_EQ(New()->GetWidth(), 39);
    WriteByName(*coll, "_NewButtonMenuAddItem", std::string("Memo<|>doc"));
    WriteByName(*coll, "_NewButtonMenuAddItem", std::string("Mail<|>mail<|>"));
    WriteByName(*coll, "_NewButtonMenuAddItem", std::string("Fax<|>nowhere<|>Shift+F2"));
    WriteByName(*coll, "_NewButtonMenuAddItem", std::string("Plain<|>   "));

    Te3CustomPopupMenu* menu = New()->GetDropDownMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->GetImages(), coll->Images());
    struct Row {
        std::string caption;
        int32_t image;
        int32_t shortCut;
    };
    const std::vector<Row> rows {
        {"Letter", 0, 0x4000 | 'L'}, {"Memo", 0, 0}, {"Mail", 1, 0}, {"Fax", -1, 0x2000 | 0x71}, {"Plain", -1, 0},
    };
    ASSERT_EQ(menu->Items()->GetCount(), static_cast<int32_t>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].caption);
        Te3MenuItem* item = menu->Items()->Items(static_cast<int>(i));
        EXPECT_EQ(item->GetCaption(), rows[i].caption);
        EXPECT_EQ(item->GetImageIndex(), rows[i].image);
        EXPECT_EQ(item->GetShortCut(), rows[i].shortCut);
        EXPECT_EQ(item->GetName(), "mniColl1New" + std::to_string(i));
    }
    // "doc" is fetched once; a blank name is never asked for.
    EXPECT_EQ(coll->Images()->GetCount(), 2);
    EXPECT_EQ(coll->ImageNames(), (std::vector<std::string> {"doc", "mail"}));
    EXPECT_EQ(fetched, 3);

    WriteByName(*coll, "_NewButtonMenuClear", std::string());
    EXPECT_EQ(New()->GetDropDownMenu(), nullptr);
    EXPECT_EQ(New()->GetWidth(), 30);
    // The pictures stay for the next menu.
    WriteByName(*coll, "_NewButtonMenuAddItem", std::string("Again<|>mail"));
    ASSERT_NE(New()->GetDropDownMenu(), nullptr);
    EXPECT_EQ(New()->GetDropDownMenu()->Items()->Items(0)->GetImageIndex(), 1);

    // Without a "New" button nothing happens.
    delete New();
    WriteByName(*coll, "_NewButtonMenuAddItem", std::string("Lost"));
    WriteByName(*coll, "_NewButtonMenuClear", std::string());
    EXPECT_EQ(coll->ButtonCount(), 1);
}

TEST_F(CollectionFixture, KeysPressTheirButtonAndOpenItsMenu)
{
    form->Widget()->show();
    coll->KeyCommand(46);  // Delete
    coll->KeyCommand(65);  // a letter: nothing
    coll->KeyCommand(45);  // Insert, no menu yet
    EXPECT_EQ(fired, (std::vector<Fired> {{"Delete", 1, -1}, {"New", 0, -1}}));

    WriteByName(*coll, "_NewButtonMenuAddItem", std::string("Letter"));
    fired.clear();
    coll->KeyCommand(107); // numeric-pad plus
    Te3CustomPopupMenu* menu = New()->GetDropDownMenu();
    ASSERT_NE(menu, nullptr);
    // The click, then the menu's popup notification.
    EXPECT_EQ(fired, (std::vector<Fired> {{"New", 0, -1}, {"New", 0, -1}}));
    EXPECT_TRUE(menu->Menu()->isVisible());
    EXPECT_EQ(menu->LastPopupPoint(), New()->Widget()->mapToGlobal(QPoint(0, New()->GetHeight())));
    menu->Menu()->close();
}

TEST_F(CollectionFixture, TakesTheFormsKeysForItsButtonsAndMenu)
{
    form->Widget()->show();
    fw::TWinControl* grid = coll->GetDrawGrid();
    struct Case {
        fw::TWinControl* focused;
        uint16_t key;
        bool taken;
    };
    const Case cases[] = {
        {grid, 46, true},   // Delete in the grid
        {nullptr, 46, false}, // Delete elsewhere stays with the control
        {nullptr, 45, true},  // Insert
        {grid, 107, true},  // numeric-pad plus
        {grid, 65, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(coll->TakeChildKey(c.focused, c.key, 0), c.taken) << c.key;
    // The buttons are pressed once the current input is over.
    EXPECT_TRUE(fired.empty());
    QTRY_COMPARE_WITH_TIMEOUT(fired.size(), size_t {3}, 10000);
    EXPECT_EQ(fired, (std::vector<Fired> {{"Delete", 1, -1}, {"New", 0, -1}, {"New", 0, -1}}));

    // A shortcut of a "New" menu entry runs the entry.
    WriteByName(*coll, "_NewButtonMenuAddItem", std::string("Letter<|><|>Ctrl+L"));
    WriteByName(*coll, "_NewButtonMenuAddItem", std::string("Memo<|><|>Ctrl+M"));
    fired.clear();
    EXPECT_TRUE(coll->TakeChildKey(grid, 'M', 1u << fw::ssCtrl));
    EXPECT_FALSE(coll->TakeChildKey(grid, 'M', 0));
    EXPECT_EQ(fired, (std::vector<Fired> {{"New", 0, 1}}));
}

TEST_F(CollectionFixture, ButtonsJoinLeaveAndAreNamedByTheCollection)
{
    auto* print = new Te3_CollSpeedButton(form.get());
    print->SetFunctionName("Print");
    print->SetName("Whatever");
    EXPECT_EQ(print->GetName(), "");
    // Put on the collection, it lands in the bar.
    print->SetParent(coll);
    EXPECT_EQ(print->Parent(), coll->ButtonBar());
    EXPECT_EQ(coll->IndexOfButton(print), 2);
    EXPECT_EQ(print->GetName(), "Coll1Print");

    print->SetFunctionName("Copy");
    EXPECT_EQ(print->GetName(), "Coll1Copy");
    // A name that is taken is refused and the function name stays.
    EXPECT_THROW(print->SetFunctionName("New"), std::exception);
    EXPECT_EQ(print->GetFunctionName(), "Copy");
    EXPECT_EQ(print->GetName(), "Coll1Copy");

    coll->SetMenuPosition(dmpRight);
    for (int32_t i = 0; i < coll->ButtonCount(); ++i)
        EXPECT_EQ(coll->Button(i)->GetMenuPosition(), dmpRight);

    QTest::mouseClick(print->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(fired, (std::vector<Fired> {{"Copy", 2, -1}}));

    // Moved elsewhere, it leaves the list; freed, it leaves as well.
    print->SetParent(form.get());
    EXPECT_EQ(coll->ButtonCount(), 2);
    print->SetParent(coll->ButtonBar());
    EXPECT_EQ(coll->ButtonCount(), 3);
    delete print;
    EXPECT_EQ(coll->ButtonCount(), 2);
    delete Delete();
    EXPECT_EQ(coll->ButtonCount(), 1);
    EXPECT_EQ(coll->IndexOfButton(New()), 0);
}

TEST_F(CollectionFixture, StyleCaptionsAndLock)
{
    WriteByName(*coll, "ButtonCaptions", true);
    EXPECT_EQ(OrdinalByName(*coll, "ButtonCaptions"), 0);

    WriteByName(*coll, "Style", int64_t {csTable});
    EXPECT_EQ(coll->GetDrawGrid()->GetFixedRows(), 1);
    WriteByName(*coll, "Style", int64_t {csONL});
    EXPECT_EQ(coll->GetDrawGrid()->GetFixedRows(), 0);

    WriteByName(*coll, "LockedEdit", true);
    EXPECT_TRUE(coll->GetDrawGrid()->GetLockedEdit());
    EXPECT_TRUE(New()->GetLockedEdit());
    WriteByName(*coll, "LockedEdit", false);
    EXPECT_FALSE(coll->GetDrawGrid()->GetLockedEdit());
    EXPECT_FALSE(New()->GetLockedEdit());
}

TEST_F(CollectionFixture, DescribedButtonJoinsTheBarAfterTheStandardOnes)
{
    auto* described = new Te3_Collection(form.get());
    described->BeginLoading();
    described->SetName("Coll2");
    described->SetParent(form.get());
    static_cast<fw::TComponent*>(described)->Loaded();
    EXPECT_EQ(described->ButtonCount(), 2);

    // The parent comes before the function name in a description.
    auto* add = new Te3_CollSpeedButton(form.get());
    add->BeginLoading();
    add->SetParent(described);
    EXPECT_EQ(add->GetName(), "");
    WriteByName(*add, "FunctionName", std::string("Add"));
    WriteByName(*add, "GlyphName", std::string("NEW"));
    static_cast<fw::TComponent*>(add)->Loaded();
    EXPECT_EQ(add->Parent(), described->ButtonBar());
    EXPECT_EQ(add->GetName(), "Coll2Add");
    EXPECT_FALSE(add->GetGlyph()->Empty());
    ASSERT_EQ(described->ButtonCount(), 3);

    std::vector<Fired> got;
    described->OnCollButtonClick = [&](fw::TObject*, const std::string& name, int32_t button, int32_t item) {
        got.emplace_back(name, button, item);
    };
    add->Click();
    EXPECT_EQ(got, (std::vector<Fired> {{"Add", 2, -1}}));
}

// The bar's order as the user sees it: visible buttons by Left, then the
// hidden ones by Left.
std::vector<std::string> BarOrder(const Te3_Collection& coll)
{
    std::vector<std::pair<int32_t, std::string>> visible, hidden;
    for (int32_t i = 0; i < coll.ButtonCount(); ++i) {
        Te3_CollSpeedButton* b = coll.Button(i);
        (b->GetVisible() ? visible : hidden).emplace_back(b->GetLeft(), b->GetFunctionName());
    }
    std::sort(visible.begin(), visible.end());
    std::sort(hidden.begin(), hidden.end());
    std::vector<std::string> order;
    for (const auto& [left, name] : visible)
        order.push_back(name);
    order.push_back("|");
    for (const auto& [left, name] : hidden)
        order.push_back(name);
    return order;
}

TEST_F(CollectionFixture, HiddenButtonsMoveBehindTheVisibleOnes)
{
    Te3_CollSpeedButton* add = coll->AddButton("Add", "");
    ASSERT_EQ(add->GetLeft(), 60);
    using Order = std::vector<std::string>;

    // A hidden first button leaves no gap, and the visible ones close up.
    New()->SetVisible(false);
    EXPECT_EQ(BarOrder(*coll), (Order {"Delete", "Add", "|", "New"}));
    EXPECT_EQ(Delete()->GetLeft(), 0);
    EXPECT_EQ(add->GetLeft(), 30);
    EXPECT_GT(New()->GetLeft(), add->GetLeft());

    // Shown again, it comes back behind the buttons that took its place
    // rather than in front of them at an equal Left.
    New()->SetVisible(true);
    EXPECT_EQ(BarOrder(*coll), (Order {"Delete", "Add", "New", "|"}));
    EXPECT_EQ(New()->GetLeft(), 60);

    // Two hidden ones keep their order in the bar (Delete went behind Add
    // when it was hidden), and a visible button moved behind hidden ones
    // comes back in front.
    Delete()->SetVisible(false);
    add->SetVisible(false);
    EXPECT_EQ(BarOrder(*coll), (Order {"New", "|", "Add", "Delete"}));
    EXPECT_EQ(New()->GetLeft(), 0);
    New()->SetLeft(500);
    EXPECT_EQ(BarOrder(*coll), (Order {"New", "|", "Add", "Delete"}));
    EXPECT_EQ(New()->GetLeft(), 0);

    // Visible buttons still reorder among themselves by their Left.
    Delete()->SetVisible(true);
    add->SetVisible(true);
    EXPECT_EQ(BarOrder(*coll), (Order {"New", "Delete", "Add", "|"}));
    add->SetLeft(-5);
    EXPECT_EQ(BarOrder(*coll), (Order {"Add", "New", "Delete", "|"}));
    EXPECT_EQ(add->GetLeft(), 0);
}

TEST_F(CollectionFixture, ColorTwoIsTheGridsStripingColour)
{
    Te3_DLDrawGrid* grid = coll->GetDrawGrid();
    EXPECT_EQ(OrdinalByName(*coll, "ColorTwo"), 15986408);
    WriteByName(*coll, "ColorTwo", int64_t {0x0000FF});
    EXPECT_EQ(grid->GetColorTwo(), 0x0000FF);
    WriteByName(*coll, "Color", int64_t {0xFFFFFF});
    WriteByName(*coll, "TwoColors", true);
    ASSERT_TRUE(grid->GetTwoColors());

    // Below the rows the bands alternate between Color and ColorTwo.
    ASSERT_GT(grid->ClientHeight(), 4 * grid->GetDefaultRowHeight());
    QImage image(grid->Viewport()->size().expandedTo(QSize(grid->ClientWidth(), grid->ClientHeight())),
                 QImage::Format_RGB32);
    image.fill(Qt::black);
    grid->Viewport()->render(&image);
    int red = 0, white = 0;
    for (int y = 0; y < grid->ClientHeight(); ++y) {
        const QRgb p = image.pixel(grid->ClientWidth() / 2, y);
        red += p == qRgb(255, 0, 0);
        white += p == qRgb(255, 255, 255);
    }
    EXPECT_GT(red, grid->GetDefaultRowHeight());
    EXPECT_GT(white, grid->GetDefaultRowHeight());
}

TEST(Collection, UnnamedCollectionsShareAForm)
{
    e3test::TestContainer form(nullptr);
    auto* a = new Te3_Collection(&form);
    auto* b = new Te3_Collection(&form);
    a->SetParent(&form);
    b->SetParent(&form);
    EXPECT_EQ(a->ButtonCount(), 2);
    EXPECT_EQ(b->ButtonCount(), 2);
    b->SetName("Second");
    EXPECT_EQ(b->FindButton("New")->GetName(), "SecondNew");
    // Freeing the collection takes its buttons along.
    delete b;
    EXPECT_EQ(form.FindComponent("SecondNew"), nullptr);
}

} // namespace
