// The header control the engine fills section by section, and the database
// grid, which has no data source in this system.
#include "e3/grids/DBGrid.h"
#include "e3/grids/HeaderControl.h"

#include "../TestContainer.h"

#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace e3;
using e3test::WriteByName;

namespace {

// A press and release at pos, delivered as Qt delivers a user's click.
void Click(QWidget* widget, Qt::MouseButton button, QPoint pos)
{
    const QPointF local(pos);
    const QPointF global(widget->mapToGlobal(pos));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

struct HeaderFixture : ::testing::Test {
    void SetUp() override
    {
        form = std::make_unique<e3test::TestContainer>(nullptr);
        form->SetBounds(0, 0, 800, 200);
        header = new Te3_HeaderControl(form.get());
        header->SetParent(form.get());
        header->SetBounds(0, 0, 800, 20);
    }

    std::unique_ptr<e3test::TestContainer> form;
    Te3_HeaderControl* header = nullptr;
};

TEST_F(HeaderFixture, SectionsAddTakesTheFirstFieldAndIsAtLeast150Wide)
{
    struct Case {
        std::string value;
        std::string text;
    };
    const std::vector<Case> cases {
        {"Number<|>ignored<|>too", "Number"},
        {"Title", "Title"},
        {"", ""},
        {"<|>only the second", ""},
    };
    for (const Case& c : cases)
        WriteByName(*header, "_SectionsAdd", c.value);
    ASSERT_EQ(header->SectionCount(), static_cast<int32_t>(cases.size()));
    for (int32_t i = 0; i < header->SectionCount(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(header->SectionText(i), cases[i].text);
        EXPECT_EQ(header->SectionMinWidth(i), 150);
        EXPECT_GE(header->SectionWidth(i), 150);
    }

    // Dragging a section narrower stops at its minimum.
    header->Header()->resizeSection(0, 40);
    EXPECT_EQ(header->SectionWidth(0), 150);
    header->Header()->resizeSection(0, 220);
    EXPECT_EQ(header->SectionWidth(0), 220);

    WriteByName(*header, "_SectionsClear", true);
    EXPECT_EQ(header->SectionCount(), 0);
    WriteByName(*header, "_SectionsAdd", std::string("Again"));
    ASSERT_EQ(header->SectionCount(), 1);
    EXPECT_EQ(header->SectionText(0), "Again");
    EXPECT_EQ(header->SectionMinWidth(0), 150);
}

TEST_F(HeaderFixture, ClickOnASectionReportsItsIndex)
{
    WriteByName(*header, "_SectionsAdd", std::string("A"));
    WriteByName(*header, "_SectionsAdd", std::string("B"));
    WriteByName(*header, "_SectionsAdd", std::string("C"));
    std::vector<int32_t> clicked;
    fw::TObject* sender = nullptr;
    header->OnSectionClick = [&](fw::TObject* s, int32_t index) {
        sender = s;
        clicked.push_back(index);
    };
    form->Widget()->show();
    QApplication::processEvents();

    QHeaderView* view = header->Header();
    const int y = view->height() / 2;
    for (int section : {2, 0}) {
        const int x = view->sectionViewportPosition(section) + view->sectionSize(section) / 2;
        Click(view->viewport(), Qt::LeftButton, QPoint(x, y));
    }
    EXPECT_EQ(clicked, (std::vector<int32_t> {2, 0}));
    EXPECT_EQ(sender, header);
}

TEST(HeaderControl, ContractAndRegistration)
{
    Te3_HeaderControl header(nullptr);
    EXPECT_TRUE(header.IsTranslatable("Hint"));
    EXPECT_FALSE(header.IsTranslatable("Caption"));
    EXPECT_EQ(&header.GetLanguageClass(), &Te3HeaderControl::StaticClass());
    // Actions that the engine writes and the section event it binds.
    for (const char* name : {"_SectionsAdd", "_SectionsClear", "_SetFocus", "OnSectionClick"})
        EXPECT_NE(Te3_HeaderControl::StaticClass().FindProperty(name), nullptr) << name;
    EXPECT_EQ(Te3_HeaderControl::StaticClass().FindProperty("LockedEdit"), nullptr);
}

TEST(DBGrid, BeforeMouseDownComesFirstOnEveryPress)
{
    e3test::TestContainer form(nullptr);
    form.SetBounds(0, 0, 400, 300);
    auto* grid = new Te3_DBGrid(&form);
    grid->SetParent(&form);
    grid->SetBounds(10, 10, 300, 200);
    std::vector<std::string> order;
    grid->OnBeforeMouseDown = [&](fw::TObject* s) {
        EXPECT_EQ(s, grid);
        order.push_back("before");
    };
    grid->OnMouseDown = [&](fw::TObject*, fw::TMouseButton button, fw::TShiftState, int32_t, int32_t) {
        order.push_back(button == fw::mbRight ? "down right" : "down left");
    };
    form.Widget()->show();
    QApplication::processEvents();

    QWidget* viewport = grid->Table()->viewport();
    Click(viewport, Qt::LeftButton, QPoint(20, 20));
    Click(viewport, Qt::RightButton, QPoint(30, 30));
    EXPECT_EQ(order, (std::vector<std::string> {"before", "down left", "before", "down right"}));
}

TEST(DBGrid, ScaleColWithoutADataSourceKeepsTheGridAsItIs)
{
    e3test::TestContainer form(nullptr);
    form.SetBounds(0, 0, 400, 300);
    auto* grid = new Te3_DBGrid(&form);
    grid->SetParent(&form);
    WriteByName(*grid, "ScaleCol", true);
    EXPECT_TRUE(grid->GetScaleCol());
    grid->SetBounds(0, 0, 250, 100);
    grid->SetBounds(0, 0, 390, 180);
    EXPECT_EQ(grid->Table()->model(), nullptr);
    EXPECT_EQ(grid->GetWidth(), 390);

    EXPECT_TRUE(grid->IsTranslatable("Hint"));
    EXPECT_EQ(&grid->GetLanguageClass(), &Te3DBGrid::StaticClass());
    EXPECT_EQ(Te3_DBGrid::StaticClass().FindProperty("LockedEdit"), nullptr);
}

} // namespace
