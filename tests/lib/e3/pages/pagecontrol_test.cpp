#include "../TestContainer.h"
#include "e3/edits/Edit.h"
#include "e3/pages/PageControl.h"
#include "framework/Collection.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using e3test::OrdinalByName;
using e3test::WriteByName;

// A page control with three sheets, an edit on each.
class PageControlTest : public ::testing::Test {
protected:
    PageControlTest()
    {
        root.SetBounds(0, 0, 400, 300);
        pages = new e3::Te3_PageControl(&root);
        pages->SetParent(&root);
        pages->SetAlign(fw::alClient);
        for (int i = 0; i < 3; ++i) {
            sheets[i] = new e3::Te3_TabSheet(&root);
            sheets[i]->SetName("Sheet" + std::to_string(i));
            sheets[i]->SetText("Page " + std::to_string(i));
            sheets[i]->SetParent(pages);
            edits[i] = new e3::Te3_Edit(&root);
            edits[i]->SetParent(sheets[i]);
        }
    }

    void ShowRoot()
    {
        root.Widget()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(root.Widget()));
    }

    void ClickTab(int index)
    {
        QTabBar* bar = pages->TabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }

    // OnChanging, answered with allow, and OnChange go into calls with the
    // active page's index at the time.
    void RecordChanges(const bool& allow)
    {
        pages->OnChanging = [this, &allow](fw::TObject*, bool& allowChange) {
            calls.push_back("changing from " + std::to_string(pages->GetActivePageIndex()));
            allowChange = allow;
        };
        pages->OnChange = [this](fw::TObject*) {
            calls.push_back("change to " + std::to_string(pages->GetActivePageIndex()));
        };
    }

    std::vector<std::string> TabTexts() const
    {
        std::vector<std::string> texts;
        for (int i = 0; i < pages->TabBar()->count(); ++i)
            texts.push_back(pages->TabBar()->tabText(i).toStdString());
        return texts;
    }

    e3test::TestContainer root {nullptr};
    e3::Te3_PageControl* pages;
    e3::Te3_TabSheet* sheets[3];
    e3::Te3_Edit* edits[3];
    std::vector<std::string> calls;
};

TEST_F(PageControlTest, FirstSheetShowsAndTheSheetsFillThePageArea)
{
    EXPECT_EQ(pages->GetActivePage(), sheets[0]);
    EXPECT_EQ(OrdinalByName(*pages, "PageCount"), 3);
    EXPECT_TRUE(sheets[0]->GetVisible());
    EXPECT_FALSE(sheets[1]->GetVisible());
    EXPECT_EQ(TabTexts(), (std::vector<std::string> {"Page 0", "Page 1", "Page 2"}));
    EXPECT_EQ(sheets[0]->GetWidth(), pages->ClientWidth());
    EXPECT_EQ(sheets[0]->GetHeight(), pages->ClientHeight());
    EXPECT_LT(pages->ClientHeight(), pages->GetHeight());
    sheets[1]->SetText("Renamed");
    EXPECT_EQ(TabTexts()[1], "Renamed");
}

// OnChanging is asked before the user's tab change and can refuse it; OnChange
// follows a change that took place, with the new page already shown.
TEST_F(PageControlTest, UserTabClickAsksOnChangingWhichCanRefuse)
{
    ShowRoot();
    bool allow = false;
    RecordChanges(allow);

    ClickTab(2);
    EXPECT_EQ(calls, (std::vector<std::string> {"changing from 0"}));
    EXPECT_EQ(pages->GetActivePage(), sheets[0]);
    EXPECT_EQ(pages->TabBar()->currentIndex(), 0) << "the tab goes back";
    EXPECT_TRUE(sheets[0]->Widget()->isVisible());
    EXPECT_FALSE(sheets[2]->Widget()->isVisible());

    calls.clear();
    allow = true;
    ClickTab(2);
    EXPECT_EQ(calls, (std::vector<std::string> {"changing from 0", "change to 2"}));
    EXPECT_EQ(pages->GetActivePage(), sheets[2]);
    EXPECT_EQ(OrdinalByName(*pages, "TabIndex"), 2);
    EXPECT_TRUE(sheets[2]->Widget()->isVisible());
    EXPECT_FALSE(sheets[0]->Widget()->isVisible());

    // Changes made by the engine ask nobody.
    calls.clear();
    WriteByName(*pages, "ActivePageIndex", int64_t {1});
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(pages->GetActivePage(), sheets[1]);
}

TEST_F(PageControlTest, AHandlerThatFreesThePageControlEndsTheChange)
{
    ShowRoot();
    fw::Guard<e3::Te3_PageControl> alive(pages);
    bool changed = false;
    pages->OnChange = [&](fw::TObject*) { changed = true; };
    pages->OnChanging = [&](fw::TObject*, bool&) { pages->Release(); };
    ClickTab(1);
    EXPECT_FALSE(alive);
    EXPECT_FALSE(changed);
    fw::TComponent::DeleteReleased();
}

TEST_F(PageControlTest, ActivePageIndexAndTabIndex)
{
    e3::Te3_PageControl other(&root);
    auto* foreign = new e3::Te3_TabSheet(&root);
    foreign->SetParent(&other);

    pages->SetActivePage(foreign);
    EXPECT_EQ(pages->GetActivePage(), sheets[0]) << "a page of another control changes nothing";

    const struct {
        int64_t index;
        int32_t active;
    } cases[] = {{2, 2}, {-1, -1}, {1, 1}, {3, -1}, {-7, -1}, {0, 0}};
    for (const auto& c : cases) {
        WriteByName(*pages, "ActivePageIndex", c.index);
        EXPECT_EQ(OrdinalByName(*pages, "ActivePageIndex"), c.active) << c.index;
        EXPECT_EQ(OrdinalByName(*pages, "TabIndex"), c.active) << c.index;
    }
    // A tab index that names no tab changes nothing.
    WriteByName(*pages, "TabIndex", int64_t {5});
    EXPECT_EQ(pages->GetActivePageIndex(), 0);
    WriteByName(*pages, "TabIndex", int64_t {2});
    EXPECT_EQ(pages->GetActivePageIndex(), 2);
}

TEST_F(PageControlTest, PageIndexMovesThePageAndRefusesPlacesOutsideTheList)
{
    WriteByName(*sheets[0], "PageIndex", int64_t {2});
    EXPECT_EQ(pages->Page(2), sheets[0]);
    EXPECT_EQ(TabTexts(), (std::vector<std::string> {"Page 1", "Page 2", "Page 0"}));
    EXPECT_EQ(OrdinalByName(*sheets[0], "PageIndex"), 2);
    for (int64_t wrong : {int64_t {3}, int64_t {-1}, int64_t {-100}}) {
        try {
            WriteByName(*sheets[1], "PageIndex", wrong);
            ADD_FAILURE() << wrong << " was taken";
        } catch (const fw::EListError& e) {
            EXPECT_EQ(std::string(e.what()), std::to_string(wrong)
                          + " is an invalid PageIndex value.  PageIndex must be between 0 and 2");
        }
        EXPECT_EQ(pages->Page(0), sheets[1]);
    }
}

TEST_F(PageControlTest, HiddenTabsAndRemovedPagesHandOverToAnotherPage)
{
    pages->SetActivePage(sheets[1]);
    WriteByName(*sheets[1], "TabVisible", int64_t {0});
    EXPECT_EQ(TabTexts(), (std::vector<std::string> {"Page 0", "Page 2"}));
    EXPECT_EQ(pages->GetActivePage(), sheets[2]) << "the tab at the same place";
    EXPECT_EQ(sheets[1]->TabIndex(), -1);
    EXPECT_EQ(sheets[2]->TabIndex(), 1);

    WriteByName(*sheets[2], "TabVisible", int64_t {0});
    EXPECT_EQ(pages->GetActivePage(), sheets[0]) << "the last tab";

    WriteByName(*sheets[1], "TabVisible", int64_t {1});
    WriteByName(*sheets[2], "TabVisible", int64_t {1});
    pages->SetActivePage(sheets[1]);
    delete sheets[1];
    EXPECT_EQ(pages->GetActivePage(), sheets[2]) << "the next page";
    EXPECT_EQ(pages->PageCount(), 2);
    sheets[2]->SetParent(&root);
    EXPECT_EQ(pages->GetActivePage(), sheets[0]) << "the previous page when none follows";
    EXPECT_EQ(TabTexts(), (std::vector<std::string> {"Page 0"}));
}

// The page control passes Enabled and LockedEdit to every sheet, and what it
// passes counts as each sheet's own wish.
TEST_F(PageControlTest, EnabledAndLockedEditReachEveryPage)
{
    sheets[2]->SetEnabled(false);
    pages->SetEnabled(false);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(sheets[i]->GetEnabled()) << i;
        EXPECT_FALSE(edits[i]->GetEnabled()) << i;
    }
    pages->SetEnabled(true);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(sheets[i]->GetEnabled()) << i;
        EXPECT_TRUE(edits[i]->GetEnabled()) << i;
    }

    // A sheet passes its own change on and tells its children that it does.
    sheets[1]->SetEnabled(false);
    EXPECT_FALSE(edits[1]->GetEnabled());
    EXPECT_EQ(OrdinalByName(*sheets[1], "Enabling"), 0);
    // The page control itself publishes no Enabling.
    EXPECT_EQ(pages->ClassType().FindProperty("Enabling"), nullptr);
    sheets[1]->SetEnabled(true);
    EXPECT_TRUE(edits[1]->GetEnabled());

    WriteByName(*pages, "LockedEdit", int64_t {1});
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(OrdinalByName(*sheets[i], "LockedEdit"), 1) << i;
        EXPECT_TRUE(edits[i]->GetLockedEdit()) << i << " (also on hidden pages)";
    }
    WriteByName(*pages, "LockedEdit", int64_t {0});
    EXPECT_FALSE(edits[2]->GetLockedEdit());
}

TEST_F(PageControlTest, HighlightedTabsFollowTheirSheets)
{
    sheets[1]->BeginLoading();
    WriteByName(*sheets[1], "Highlighted", int64_t {1});
    static_cast<fw::TComponent*>(sheets[1])->Loaded();
    EXPECT_FALSE(pages->TabHighlighted(0));
    EXPECT_TRUE(pages->TabHighlighted(1));
    WriteByName(*sheets[0], "TabVisible", int64_t {0});
    EXPECT_TRUE(pages->TabHighlighted(0)) << "the tab moved along";
    WriteByName(*sheets[1], "Highlighted", int64_t {0});
    EXPECT_FALSE(pages->TabHighlighted(0));
}

TEST_F(PageControlTest, ShowingAPageFocusesItsFirstControl)
{
    ShowRoot();
    root.Widget()->activateWindow();
    edits[0]->LineEdit()->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(edits[0]->LineEdit()->hasFocus(), 5000);
    pages->SetActivePage(sheets[1]);
    QTRY_VERIFY_WITH_TIMEOUT(edits[1]->LineEdit()->hasFocus(), 5000);
}

// Ctrl+Tab from a control on a page goes to the next page with a shown tab,
// round past the last; Ctrl+Shift+Tab goes back. Each change asks OnChanging
// and reports OnChange as a tab click does.
TEST_F(PageControlTest, CtrlTabWalksThePagesWithShownTabs)
{
    WriteByName(*sheets[1], "TabVisible", int64_t {0});
    ShowRoot();
    root.Widget()->activateWindow();
    edits[0]->LineEdit()->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(edits[0]->LineEdit()->hasFocus(), 5000);

    bool allow = true;
    RecordChanges(allow);
    const auto press = [](Qt::Key key, Qt::KeyboardModifiers mods) {
        QTest::keyClick(QApplication::focusWidget(), key, mods);
    };

    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pages->GetActivePage(), sheets[2]) << "the hidden tab's page is passed over";
    QTRY_VERIFY_WITH_TIMEOUT(edits[2]->LineEdit()->hasFocus(), 5000);
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pages->GetActivePage(), sheets[0]) << "round past the last page";
    // Shift+Tab arrives as Backtab from the keyboard, as Tab from some sources.
    press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(pages->GetActivePage(), sheets[2]);
    press(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(pages->GetActivePage(), sheets[0]);
    EXPECT_EQ(calls, (std::vector<std::string> {"changing from 0", "change to 2", "changing from 2", "change to 0",
                                                "changing from 0", "change to 2", "changing from 2", "change to 0"}));

    calls.clear();
    allow = false;
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(calls, (std::vector<std::string> {"changing from 0"}));
    EXPECT_EQ(pages->GetActivePage(), sheets[0]);

    // From the tab row itself too; a plain Tab still moves the focus only.
    calls.clear();
    allow = true;
    pages->TabBar()->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(pages->TabBar()->hasFocus(), 5000);
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(pages->GetActivePage(), sheets[2]);
    press(Qt::Key_Tab, Qt::NoModifier);
    EXPECT_EQ(pages->GetActivePage(), sheets[2]);
}

// A tab shows the picture of its page's ImageIndex from Images, unless
// OnGetImageIndex names another one.
TEST_F(PageControlTest, TabImagesComeFromTheImageList)
{
    fw::TImageList images(nullptr);
    images.SetWidth(8);
    images.SetHeight(8);
    for (Qt::GlobalColor colour : {Qt::red, Qt::green, Qt::blue}) {
        QImage image(8, 8, QImage::Format_ARGB32);
        image.fill(colour);
        images.Add(image);
    }
    const auto colours = [&] {
        std::vector<std::string> out;
        for (int i = 0; i < pages->TabBar()->count(); ++i) {
            const QIcon icon = pages->TabBar()->tabIcon(i);
            out.push_back(icon.isNull() ? "none" : icon.pixmap(8, 8).toImage().pixelColor(4, 4).name().toStdString());
        }
        return out;
    };
    WriteByName(*sheets[0], "ImageIndex", int64_t {2});
    WriteByName(*sheets[1], "ImageIndex", int64_t {0});
    EXPECT_EQ(colours(), (std::vector<std::string> {"none", "none", "none"})) << "no list, no pictures";

    pages->SetImages(&images);
    EXPECT_EQ(pages->TabBar()->iconSize(), QSize(8, 8));
    EXPECT_EQ(colours(), (std::vector<std::string> {"#0000ff", "#ff0000", "none"}));
    WriteByName(*sheets[2], "ImageIndex", int64_t {1});
    EXPECT_EQ(colours(), (std::vector<std::string> {"#0000ff", "#ff0000", "#00ff00"}));

    std::vector<int32_t> asked;
    pages->OnGetImageIndex = [&](fw::TObject*, int32_t tab, int32_t& index) {
        asked.push_back(index);
        index = tab == 0 ? 1 : index;
    };
    WriteByName(*sheets[1], "TabVisible", int64_t {0});
    EXPECT_EQ(colours(), (std::vector<std::string> {"#00ff00", "#00ff00"}));
    EXPECT_EQ(asked, (std::vector<int32_t> {2, 1})) << "asked with the index of the page that owns the tab";
    pages->SetImages(nullptr);
}

// OwnerDraw hands each tab's face to OnDrawTab, which paints it through the
// control's Canvas; without a handler the face stays blank, without OwnerDraw
// the handler is not asked.
TEST_F(PageControlTest, OwnerDrawnTabsArePaintedByOnDrawTab)
{
    pages->SetActivePageIndex(1);
    QTabBar* bar = pages->TabBar();
    bar->resize(bar->sizeHint());
    const QColor colours[] {Qt::red, Qt::green, Qt::blue};
    struct Call {
        int32_t tab;
        bool active;
        QRect rect;
    };
    std::vector<Call> drawn;
    pages->OnDrawTab = [&](fw::TObject* sender, int32_t tab, const fw::TRect& r, bool active) {
        EXPECT_EQ(sender, pages);
        const QRect rect(r.left, r.top, r.right - r.left, r.bottom - r.top);
        drawn.push_back({tab, active, rect});
        ASSERT_NE(pages->Canvas(), nullptr);
        pages->Canvas()->fillRect(rect, colours[tab]);
    };
    // Pixels of the tab's inner face that are dark, as text is.
    const auto darkPixels = [&](const QImage& image, int tab) {
        const QRect face = bar->tabRect(tab).adjusted(6, 6, -6, -6);
        int dark = 0;
        for (int y = face.top(); y <= face.bottom(); ++y)
            for (int x = face.left(); x <= face.right(); ++x)
                dark += image.pixelColor(x, y).lightness() < 100;
        return dark;
    };

    QImage plain = bar->grab().toImage();
    EXPECT_TRUE(drawn.empty()) << "not owner-drawn: the handler is not asked";
    ASSERT_GT(darkPixels(plain, 0), 0) << "the standard tab shows its caption";

    WriteByName(*pages, "OwnerDraw", int64_t {1});
    EXPECT_EQ(OrdinalByName(*pages, "OwnerDraw"), 1);
    const QImage owned = bar->grab().toImage();
    ASSERT_EQ(drawn.size(), 3u);
    for (int tab = 0; tab < 3; ++tab) {
        SCOPED_TRACE(tab);
        EXPECT_EQ(drawn[tab].tab, tab);
        EXPECT_EQ(drawn[tab].active, tab == 1);
        EXPECT_TRUE(bar->tabRect(tab).contains(drawn[tab].rect));
        EXPECT_FALSE(drawn[tab].rect.isEmpty());
        EXPECT_EQ(owned.pixelColor(drawn[tab].rect.center()), colours[tab]);
    }
    EXPECT_EQ(pages->Canvas(), nullptr) << "the canvas is there only while a tab is drawn";

    drawn.clear();
    pages->OnDrawTab = nullptr;
    const QImage blank = bar->grab().toImage();
    for (int tab = 0; tab < 3; ++tab)
        EXPECT_EQ(darkPixels(blank, tab), 0) << "tab " << tab << " shows no caption";
}

} // namespace
