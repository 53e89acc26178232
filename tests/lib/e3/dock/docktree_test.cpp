#include "DockSites.h"
#include "e3/dock/DockTree.h"
#include "framework/Form.h"
#include "framework/Graphics.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using e3::Tg3DockTree;
using e3test::TDockForm;
using e3test::TDockPanel;
using fw::TRect;

// A dock site: a plain windowed control.
class TSite : public fw::TWinControl {
public:
    explicit TSite(fw::TComponent* owner) : fw::TWinControl(owner) { SetWidget(new QWidget); }
};

// A site 600 x 300 on a shown window, with the client's dock manager.
class DockTreeTest : public ::testing::Test {
protected:
    DockTreeTest()
    {
        window.SetBounds(0, 0, 640, 360);
        site = new TSite(&window);
        site->SetParent(&window);
        site->SetBounds(0, 0, 600, 300);
        tree = std::make_unique<Tg3DockTree>(*site);
    }
    ~DockTreeTest() override { tree.reset(); }

    TDockForm* Dock(const std::string& name, int32_t dockWidth = 0, fw::TAlign align = fw::alRight,
                    fw::TControl* drop = nullptr)
    {
        auto* form = new TDockForm(&window, name, dockWidth);
        form->SetParent(site);
        tree->InsertControl(form, align, drop);
        form->SetVisible(true);
        return form;
    }
    static std::vector<int32_t> Bounds(const fw::TControl* c)
    {
        return {c->GetLeft(), c->GetTop(), c->GetWidth(), c->GetHeight()};
    }
    QImage Paint()
    {
        QImage image(600, 300, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        tree->PaintSite(painter);
        return image;
    }

    fw::TCustomForm window {nullptr};
    TSite* site;
    std::unique_ptr<Tg3DockTree> tree;
};

TEST_F(DockTreeTest, FirstFormFillsTheSiteBelowItsCaptionBar)
{
    TDockForm* form = Dock("A");
    EXPECT_EQ(Bounds(form), (std::vector<int32_t> {0, 18, 600, 282}));
    EXPECT_EQ(form->GetAlign(), fw::alNone);
}

TEST_F(DockTreeTest, DockWidthKeepsItsShareAndTheLastZoneReachesTheEdge)
{
    struct Case {
        std::vector<int32_t> widths;
        std::vector<std::vector<int32_t>> spans; // left, width of each form
    };
    const Case cases[] = {
        {{200, 0}, {{0, 196}, {200, 400}}},
        {{0, 0}, {{0, 296}, {300, 300}}},
        {{0, 0, 0}, {{0, 196}, {200, 196}, {400, 200}}},
        {{0, 100, 0}, {{0, 246}, {250, 96}, {350, 250}}},
        {{0, 0, 350}, {{0, 121}, {125, 121}, {250, 350}}}, // the last one keeps no width: it takes the rest
        // More fixed width than room: nothing overlaps, nothing is negative.
        {{500, 400}, {{0, 496}, {500, 100}}},
        {{400, 400, 0}, {{0, 396}, {400, 196}, {600, 0}}},
    };
    for (const Case& c : cases) {
        tree = std::make_unique<Tg3DockTree>(*site);
        std::vector<TDockForm*> forms;
        for (size_t i = 0; i < c.widths.size(); ++i)
            forms.push_back(Dock("F" + std::to_string(i), c.widths[i]));
        for (size_t i = 0; i < forms.size(); ++i) {
            SCOPED_TRACE(::testing::Message() << "case " << &c - cases << " form " << i);
            EXPECT_EQ(forms[i]->GetLeft(), c.spans[i][0]);
            EXPECT_EQ(forms[i]->GetWidth(), c.spans[i][1]);
            EXPECT_EQ(forms[i]->GetTop(), 18);
        }
        for (TDockForm* f : forms)
            delete f;
    }
}

TEST_F(DockTreeTest, DocksSideBySideOnlyAndNotWithoutASide)
{
    TDockForm* a = Dock("A");
    TDockForm* top = Dock("Top", 0, fw::alTop);
    EXPECT_EQ(top->GetLeft(), 0);   // top means left
    EXPECT_EQ(a->GetLeft(), 300);
    TDockForm* bottom = Dock("Bottom", 0, fw::alBottom, top);
    EXPECT_EQ(bottom->GetTop(), 18); // bottom means right, beside the drop form
    EXPECT_GT(bottom->GetLeft(), top->GetLeft());
    EXPECT_LT(bottom->GetLeft(), a->GetLeft());
    for (fw::TAlign align : {fw::alClient, fw::alNone, fw::alCustom}) {
        TDockForm* other = Dock("Other" + std::to_string(align), 0, align);
        EXPECT_EQ(tree->FindControlZone(other), nullptr) << align;
    }
}

TEST_F(DockTreeTest, DockOutlineIsHalfOfTheDropFormOrOfTheSite)
{
    const QPoint o = site->ClientWidget()->mapToGlobal(QPoint(0, 0));
    auto at = [&](int l, int t, int r, int b) {
        return std::vector<int32_t> {l + o.x(), t + o.y(), r + o.x(), b + o.y()};
    };
    auto outline = [&](fw::TControl* drop, fw::TAlign align) {
        TRect r;
        tree->PositionDockRect(nullptr, drop, align, r);
        return std::vector<int32_t> {r.left, r.top, r.right, r.bottom};
    };
    EXPECT_EQ(outline(nullptr, fw::alLeft), at(0, 0, 600, 300)); // an empty site: all of it
    TDockForm* a = Dock("A");
    EXPECT_EQ(outline(a, fw::alLeft), at(0, 0, 300, 300)); // one form: a half of the site
    EXPECT_EQ(outline(nullptr, fw::alBottom), at(300, 0, 600, 300));
    Dock("B");
    EXPECT_EQ(outline(a, fw::alRight), at(148, 0, 296, 300)); // a half of A's zone
    EXPECT_EQ(outline(a, fw::alTop), at(0, 0, 148, 300));
}

TEST_F(DockTreeTest, HitTestNamesCaptionCloseSplitterAndBody)
{
    TDockForm* a = Dock("A", 200);
    TDockForm* b = Dock("B");
    struct Case {
        fw::TPoint p;
        fw::TControl* control;
        int32_t flag;
    };
    const Case cases[] = {
        {{10, 5}, a, fw::htCaption},
        {{180, 5}, a, fw::htCaption},  // 16 from the right end of A's bar (196)
        {{181, 5}, a, fw::htClose},    // the last 15 pixels
        {{195, 17}, a, fw::htClose},
        {{196, 100}, a, fw::htBorder}, // the splitter after A
        {{199, 5}, a, fw::htBorder},
        {{200, 5}, b, fw::htCaption},
        {{590, 5}, b, fw::htClose},
        {{50, 18}, a, fw::htClient},
        {{599, 299}, b, fw::htClient},
        {{600, 10}, nullptr, fw::htNowhere},
    };
    for (const Case& c : cases) {
        int32_t flag = -1;
        EXPECT_EQ(tree->HitTest(c.p, flag), c.control) << c.p.x << "," << c.p.y;
        EXPECT_EQ(flag, c.flag) << c.p.x << "," << c.p.y;
    }
}

TEST_F(DockTreeTest, PaintsAGradientCaptionBarWithButtonsAtTheRight)
{
    Dock("A");
    const QImage image = Paint();
    const QColor from = fw::ToQColor(fw::clActiveCaption);
    const QColor to = fw::ToQColor(fw::clGradientActiveCaption);
    // 600 pixels in 255 bands of 2; the 90 pixels left over take the final colour.
    auto expected = [&](int band) {
        auto mix = [&](int a, int b) { return a + static_cast<int>(std::lround((b - a) * band / 254.0)); };
        return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()), mix(from.blue(), to.blue()));
    };
    for (int x : {0, 1, 2, 254, 255, 508, 509}) // above the caption's text
        EXPECT_EQ(image.pixel(x, 1), expected(x / 2).rgb()) << x;
    for (int x : {510, 540, 560})
        EXPECT_EQ(image.pixel(x, 1), to.rgb()) << x;
    // Restore (568, 2) and close (583, 2) buttons of 14 pixels: raised edges.
    EXPECT_EQ(image.pixel(570, 2), fw::ToQColor(fw::clBtnHighlight).rgb());
    EXPECT_EQ(image.pixel(568, 8), fw::ToQColor(fw::clBtnHighlight).rgb());
    EXPECT_EQ(image.pixel(585, 2), fw::ToQColor(fw::clBtnHighlight).rgb());
    EXPECT_EQ(image.pixel(590, 15), fw::ToQColor(fw::cl3DDkShadow).rgb());
    EXPECT_EQ(image.pixel(596, 8), fw::ToQColor(fw::cl3DDkShadow).rgb());
    // Only the bar is the tree's: below it the form is drawn.
    EXPECT_EQ(image.pixel(300, 17), expected(150).rgb());
}

TEST_F(DockTreeTest, TheGrabberOfAControlThatIsNotAFormHasItsOwnCloseButton)
{
    TSite* panel = new TSite(&window);
    panel->SetParent(site);
    tree->InsertControl(panel, fw::alLeft, nullptr);
    const QImage image = Paint();
    // The close square (583, 1) of 16 pixels, the two raised lines from x 2.
    EXPECT_EQ(image.pixel(585, 1), fw::ToQColor(fw::clBtnHighlight).rgb());
    EXPECT_EQ(image.pixel(2, 3), fw::ToQColor(fw::clBtnHighlight).rgb());
    EXPECT_EQ(image.pixel(5, 4), fw::ToQColor(fw::clBtnShadow).rgb());
    EXPECT_EQ(image.pixel(5, 6), fw::ToQColor(fw::clBtnHighlight).rgb());
    EXPECT_EQ(image.pixel(5, 7), fw::ToQColor(fw::clBtnShadow).rgb());
    EXPECT_EQ(image.pixel(2, 10), QColor(Qt::black).rgb());
}

TEST(FillGradient, BandsRunFromOneColourToTheOther)
{
    const QColor red(200, 0, 0), blue(0, 0, 100);
    struct Case {
        TRect rect;
        int direction, steps;
        std::vector<std::pair<QPoint, QColor>> pixels;
    };
    const Case cases[] = {
        // 10 wide, vertical bands of one pixel each.
        {{0, 0, 10, 4}, 2, 255, {{{0, 0}, red}, {{1, 3}, QColor(178, 0, 11)}, {{9, 0}, blue}}},
        {{0, 0, 10, 4}, 3, 255, {{{0, 0}, blue}, {{9, 0}, red}}},
        // 4 high, horizontal bands; 3 steps on 10 rows: bands of 3, one row left over.
        {{0, 0, 10, 10}, 0, 3, {{{5, 0}, red}, {{5, 3}, QColor(100, 0, 50)}, {{5, 6}, blue}, {{5, 9}, blue}}},
        {{0, 0, 10, 10}, 1, 3, {{{5, 0}, blue}, {{5, 8}, red}, {{5, 9}, red}}},
        {{2, 2, 6, 6}, 2, 1, {{{2, 2}, red}, {{5, 5}, red}, {{1, 1}, Qt::white}, {{6, 6}, Qt::white}}},
        {{3, 3, 3, 8}, 2, 255, {{{3, 3}, Qt::white}}},
    };
    for (const Case& c : cases) {
        QImage image(12, 12, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            e3::FillGradient(painter, c.rect, red, blue, c.direction, c.steps);
        }
        for (const auto& [p, colour] : c.pixels)
            EXPECT_EQ(image.pixel(p), colour.rgb()) << &c - cases << " at " << p.x() << "," << p.y();
        // Nothing outside the rectangle.
        EXPECT_EQ(image.pixel(11, 11), QColor(Qt::white).rgb());
    }
}

TEST_F(DockTreeTest, RemovingAndHidingGiveTheSpaceToTheNeighbours)
{
    TDockForm* a = Dock("A");
    TDockForm* b = Dock("B");
    TDockForm* c = Dock("C");
    tree->RemoveControl(b);
    EXPECT_EQ(tree->FindControlZone(b), nullptr);
    EXPECT_EQ(Bounds(a), (std::vector<int32_t> {0, 18, 396, 282})); // A ended where B ended
    EXPECT_EQ(Bounds(c), (std::vector<int32_t> {400, 18, 200, 282}));
    c->SetVisible(false);
    EXPECT_EQ(a->GetWidth(), 600);
    c->SetVisible(true);
    EXPECT_EQ(a->GetWidth(), 296);
    EXPECT_EQ(c->GetLeft(), 300);
    tree->RemoveControl(b); // not docked: nothing
    delete a;               // freed while docked
    int32_t flag = 0;
    EXPECT_EQ(tree->HitTest({10, 5}, flag), c);
    EXPECT_EQ(Bounds(c), (std::vector<int32_t> {300, 18, 300, 282}));
    tree->ResetBounds(true);
    EXPECT_EQ(Bounds(c), (std::vector<int32_t> {0, 18, 600, 282}));
    // The one zone left took the top zone's place; a new form splits it again.
    TDockForm* d = Dock("D");
    EXPECT_EQ(Bounds(c), (std::vector<int32_t> {0, 18, 296, 282}));
    EXPECT_EQ(Bounds(d), (std::vector<int32_t> {300, 18, 300, 282}));
}

TEST_F(DockTreeTest, TheLastZoneFollowsTheSiteSize)
{
    TDockForm* a = Dock("A", 200);
    TDockForm* b = Dock("B");
    site->SetBounds(0, 0, 800, 300);
    tree->ResetBounds(false);
    EXPECT_EQ(a->GetWidth(), 196);
    EXPECT_EQ(b->GetLeft(), 200);
    EXPECT_EQ(b->GetWidth(), 600);
}

class ShownDockTree : public DockTreeTest {
protected:
    void SetUp() override
    {
        window.Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.Widget()));
    }
    void Click(int x, int y)
    {
        QTest::mouseClick(tree->Layer(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
    }
};

TEST_F(ShownDockTree, TheShownSiteHasItsBarsAndSplitterWhereTheZonesAre)
{
    Dock("A", 200);
    Dock("B");
    const QImage image = site->Widget()->grab().toImage();
    ASSERT_EQ(image.width(), 600);
    const QRgb from = fw::ToQColor(fw::clActiveCaption).rgb();
    const QRgb to = fw::ToQColor(fw::clGradientActiveCaption).rgb();
    // A's bar is 196 pixels of one-pixel bands, B's 400 pixels of bands of one
    // (255 of them) and the rest in the final colour; the splitter between them
    // shows the site.
    EXPECT_EQ(image.pixel(0, 1), from);
    EXPECT_EQ(image.pixel(195, 1), to);
    for (int x : {196, 199}) {
        EXPECT_NE(image.pixel(x, 1), from) << x;
        EXPECT_NE(image.pixel(x, 1), to) << x;
    }
    EXPECT_EQ(image.pixel(200, 1), from);
    EXPECT_EQ(image.pixel(200 + 254, 1), to);
    EXPECT_EQ(image.pixel(560, 1), to);
    // Below the bars the forms show.
    EXPECT_NE(image.pixel(100, 100), from);
}

TEST_F(ShownDockTree, CaptionButtonsFloatAndClose)
{
    TDockForm* a = Dock("A");
    TDockForm* b = Dock("B");
    Click(600 - 10, 5); // B's close button
    EXPECT_FALSE(b->GetVisible());
    EXPECT_EQ(b->Parent(), site);
    EXPECT_EQ(a->GetWidth(), 600);
    // Docked again where it is, A keeps its size from before it was first docked.
    site->SetBounds(0, 0, 600, 150);
    tree->InsertControl(a, fw::alLeft, nullptr);
    ASSERT_EQ(a->GetHeight(), 150 - 18);
    Click(600 - 20, 5); // A's restore button
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_TRUE(a->GetVisible());
    EXPECT_EQ(tree->FindControlZone(a), nullptr);
    EXPECT_EQ(a->GetWidth(), 300);
    EXPECT_EQ(a->GetHeight(), 200);
    delete a;
    delete b;
}

TEST_F(ShownDockTree, DoubleClickOnTheCaptionFloatsAndSplittersMove)
{
    TDockForm* a = Dock("A");
    TDockForm* b = Dock("B");
    QWidget* layer = tree->Layer();
    QTest::mousePress(layer, Qt::LeftButton, Qt::NoModifier, QPoint(297, 100));
    QTest::mouseMove(layer, QPoint(151, 100));
    QTest::mouseRelease(layer, Qt::LeftButton, Qt::NoModifier, QPoint(151, 100));
    EXPECT_EQ(a->GetWidth(), 149); // the zone ends at 151 + 2
    EXPECT_EQ(b->GetLeft(), 153);
    QTest::mouseDClick(layer, Qt::LeftButton, Qt::NoModifier, QPoint(200, 5));
    EXPECT_EQ(b->Parent(), nullptr);
    EXPECT_EQ(a->GetWidth(), 600);
    // Floated, B has its size from before docking again (docked it was 447 x 282).
    EXPECT_EQ(Bounds(b).at(2), 300);
    EXPECT_EQ(Bounds(b).at(3), 200);
    delete b;
}

TEST_F(DockTreeTest, StreamKeepsTheZonesAndNeedsNames)
{
    TDockForm* a = Dock("A", 150);
    TDockForm* b = Dock("B");
    TDockForm* c = Dock("C");
    c->SetVisible(false);
    std::string saved;
    tree->SaveToStream(saved);
    // version, one hidden control "C", then the zones in pre-order.
    ASSERT_GE(saved.size(), 13u);
    EXPECT_EQ(saved.substr(0, 4), std::string("\x00\x00\x04\x00", 4));
    EXPECT_EQ(saved.substr(4, 9), std::string("\x01\x00\x00\x00\x01\x00\x00\x00" "C", 9));
    EXPECT_EQ(saved.substr(saved.size() - 4), std::string("\xff\xff\xff\xff", 4));

    tree = std::make_unique<Tg3DockTree>(*site); // a new tree docks the site's children anew
    tree->LoadFromStream(saved);
    EXPECT_NE(tree->FindControlZone(a), nullptr);
    EXPECT_NE(tree->FindControlZone(c), nullptr);
    EXPECT_FALSE(c->GetVisible());
    EXPECT_EQ(a->GetWidth(), 146);
    EXPECT_EQ(b->GetLeft(), 150);
    std::string again;
    tree->SaveToStream(again);
    EXPECT_TRUE(again == saved);

    for (size_t cut : {size_t {0}, size_t {3}, size_t {12}, saved.size() - 1})
        EXPECT_THROW(tree->LoadFromStream(saved.substr(0, cut)), std::runtime_error) << cut;
    EXPECT_NE(tree->FindControlZone(a), nullptr); // a broken stream changes nothing

    auto* nameless = new TSite(&window);
    nameless->SetParent(site);
    tree->InsertControl(nameless, fw::alLeft, nullptr);
    std::string out;
    try {
        tree->SaveToStream(out);
        ADD_FAILURE() << "saved a control without a name";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Docked control must have a name");
    }
}

// Two dock sites side by side on a shown window; forms dragged by their
// caption bars.
class DockDragTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.SetBounds(0, 0, 640, 360);
        left = Site(0);
        right = Site(320);
        window.Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.Widget()));
    }
    TDockPanel* Site(int32_t x) { return e3test::NewDockPanel(window, x); }
    TDockForm* Dock(TDockPanel* site, const std::string& name) { return e3test::DockDraggable(window, *site, name); }
    // Presses at a point of from's layer, moves in steps to the points (in
    // from's layer too) and lets go at the last one.
    void Drag(TDockPanel* from, QPoint press, const std::vector<QPoint>& moves, bool release = true)
    {
        QWidget* layer = from->manager->Layer();
        QTest::mousePress(layer, Qt::LeftButton, Qt::NoModifier, press);
        for (const QPoint& p : moves)
            QTest::mouseMove(layer, p);
        if (release)
            QTest::mouseRelease(layer, Qt::LeftButton, Qt::NoModifier, moves.empty() ? press : moves.back());
    }
    static std::vector<int32_t> Span(const fw::TControl* c) { return {c->GetLeft(), c->GetWidth()}; }

    fw::TCustomForm window {nullptr};
    TDockPanel* left = nullptr;
    TDockPanel* right = nullptr;
};

TEST_F(DockDragTest, ACaptionDraggedOntoAnotherSiteDocksBesideTheFormUnderTheMouse)
{
    TDockForm* a = Dock(left, "A");
    TDockForm* b = Dock(left, "B");
    TDockForm* c = Dock(right, "C");
    std::vector<std::string> ends;
    a->OnEndDock = [&](fw::TObject*, fw::TObject* target, int32_t, int32_t) {
        ends.push_back(target == right ? "right" : target ? "other" : "none");
    };
    // From A's caption to the right half of C (the right site starts at 320).
    Drag(left, {40, 5}, {{48, 5}, {320 + 200, 100}}, false);
    ASSERT_TRUE(left->manager->DockDragging());
    TRect expected;
    right->manager->PositionDockRect(a, c, fw::alRight, expected);
    const TRect shown = left->manager->DockDragOutline();
    EXPECT_EQ((std::vector<int32_t> {shown.left, shown.top, shown.right, shown.bottom}),
              (std::vector<int32_t> {expected.left, expected.top, expected.right, expected.bottom}));
    QTest::mouseRelease(left->manager->Layer(), Qt::LeftButton, Qt::NoModifier, {320 + 200, 100});
    EXPECT_FALSE(left->manager->DockDragging());
    EXPECT_EQ(a->Parent(), right);
    EXPECT_EQ(right->manager->FindControlZone(a) != nullptr, true);
    EXPECT_EQ(left->manager->FindControlZone(a), nullptr);
    EXPECT_EQ(Span(c), (std::vector<int32_t> {0, 146}));
    EXPECT_EQ(Span(a), (std::vector<int32_t> {150, 150}));
    EXPECT_EQ(Span(b), (std::vector<int32_t> {0, 300})); // B has the left site alone
    EXPECT_EQ(ends, std::vector<std::string> {"right"});

    // Back into the left site, to the left of B.
    Drag(right, {150 + 40, 5}, {{150 + 48, 5}, {-320 + 30, 150}});
    EXPECT_EQ(a->Parent(), left);
    EXPECT_EQ(Span(a), (std::vector<int32_t> {0, 146}));
    EXPECT_EQ(Span(b), (std::vector<int32_t> {150, 150}));
    EXPECT_EQ(Span(c), (std::vector<int32_t> {0, 300}));
}

TEST_F(DockDragTest, LetGoOutsideEverySiteTheFormFloatsWhereItWasDropped)
{
    TDockForm* a = Dock(left, "A");
    TDockForm* b = Dock(left, "B");
    // Pressed 5 pixels above A's body and 40 right of its left edge.
    Drag(left, {40, 5}, {{48, 5}, {140, 420}});
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(left->manager->FindControlZone(a), nullptr);
    EXPECT_EQ(Span(b), (std::vector<int32_t> {0, 300}));
    const QPoint release = left->manager->Layer()->mapToGlobal(QPoint(140, 420));
    EXPECT_EQ(a->GetLeft(), release.x() - 40);
    EXPECT_EQ(a->GetTop(), release.y() - 5 + 18); // the press was 13 pixels above its body
    // At its size from before docking, not the 146 x 282 it had docked.
    EXPECT_EQ(a->GetWidth(), 300);
    EXPECT_EQ(a->GetHeight(), 200);
}

TEST_F(DockDragTest, AFormMovedToAnotherSiteFloatsAtItsSizeFromBeforeDocking)
{
    TDockForm* a = Dock(left, "A");
    Dock(right, "C");
    Drag(left, {40, 5}, {{48, 5}, {320 + 200, 100}});
    ASSERT_EQ(a->Parent(), right);
    ASSERT_EQ(a->GetHeight(), 282);
    // The outline of a float shows that size too.
    Drag(right, {150 + 40, 5}, {{150 + 48, 5}, {140, 420}}, false);
    ASSERT_TRUE(right->manager->DockDragging());
    const TRect outline = right->manager->DockDragOutline();
    EXPECT_EQ(outline.right - outline.left, 300);
    EXPECT_EQ(outline.bottom - outline.top, 200);
    right->manager->CancelDockDrag();
    QTest::mouseRelease(right->manager->Layer(), Qt::LeftButton, Qt::NoModifier, {140, 420});
    ASSERT_EQ(a->Parent(), right);
    QTest::mouseDClick(right->manager->Layer(), Qt::LeftButton, Qt::NoModifier, QPoint(150 + 40, 5));
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(a->GetWidth(), 300);
    EXPECT_EQ(a->GetHeight(), 200);
}

TEST_F(DockDragTest, NoDragWithoutTheDockKindOrBeyondTheThresholdAndEscapeCancels)
{
    TDockForm* a = Dock(left, "A");
    TDockForm* b = Dock(left, "B");
    struct Case {
        const char* what;
        std::function<void()> prepare;
        std::vector<QPoint> moves;
    };
    const Case cases[] = {
        {"drag mode manual", [&] { a->SetDragMode(fw::dmManual); }, {{48, 5}, {320 + 200, 100}}},
        {"drag kind drag", [&] { a->SetDragKind(fw::dkDrag); }, {{48, 5}, {320 + 200, 100}}},
        {"less than the threshold", [] {}, {{42, 6}}},
    };
    for (const Case& c : cases) {
        a->SetDragKind(fw::dkDock);
        a->SetDragMode(fw::dmAutomatic);
        c.prepare();
        Drag(left, {40, 5}, c.moves);
        EXPECT_EQ(a->Parent(), left) << c.what;
        EXPECT_EQ(Span(a), (std::vector<int32_t> {0, 146})) << c.what;
    }
    a->SetDragKind(fw::dkDock);
    a->SetDragMode(fw::dmAutomatic);
    int ends = 0;
    a->OnEndDock = [&](fw::TObject*, fw::TObject* target, int32_t, int32_t) { ends += target ? 100 : 1; };
    Drag(left, {40, 5}, {{48, 5}, {320 + 200, 100}}, false);
    ASSERT_TRUE(left->manager->DockDragging());
    QTest::keyClick(window.Widget(), Qt::Key_Escape);
    EXPECT_FALSE(left->manager->DockDragging());
    QTest::mouseRelease(left->manager->Layer(), Qt::LeftButton, Qt::NoModifier, {320 + 200, 100});
    EXPECT_EQ(a->Parent(), left);
    EXPECT_EQ(Span(b), (std::vector<int32_t> {150, 150}));
    EXPECT_EQ(ends, 1);
}

TEST_F(DockDragTest, ASiteThatRefusesIsNoTargetAndTheFormStaysOverItself)
{
    TDockForm* a = Dock(left, "A");
    TDockForm* b = Dock(left, "B");
    Dock(right, "C");
    right->OnDockOver = [&](fw::TObject*, fw::TObject* source, int32_t, int32_t, fw::TDragState, bool& accept) {
        accept = source != a;
    };
    // Over its own body: nothing moves.
    Drag(left, {40, 5}, {{48, 5}, {60, 150}});
    EXPECT_EQ(a->Parent(), left);
    EXPECT_EQ(Span(a), (std::vector<int32_t> {0, 146}));
    // Over a site that refuses it: it floats.
    Drag(left, {40, 5}, {{48, 5}, {320 + 200, 100}});
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(Span(b), (std::vector<int32_t> {0, 300}));
    // The same site takes B beside C.
    Drag(left, {40, 5}, {{48, 5}, {320 + 50, 100}});
    EXPECT_EQ(b->Parent(), right);
    EXPECT_EQ(Span(b), (std::vector<int32_t> {0, 146}));
}

} // namespace
