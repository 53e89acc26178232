#include "../TestContainer.h"
#include "e3/combos/ComboBox.h"
#include "e3/combos/FontList.h"
#include "u3/Exceptions.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

using e3test::TextByName;
using e3test::WriteByName;

TEST(ComboBoxTest, ItemsTextAndItemsString)
{
    e3::Te3_ComboBox box(nullptr);
    WriteByName(box, "_Items", std::string("one\r\ntwo\nthree\r"));
    EXPECT_EQ(box.Items(), (std::vector<std::string> {"one", "two", "three"}));
    EXPECT_EQ(TextByName(box, "_Items"), "one\r\ntwo\r\nthree");
    // _Items leaves ItemsString alone.
    EXPECT_EQ(TextByName(box, "ItemsString"), "");

    WriteByName(box, "ItemsString", std::string("a\r\nb"));
    EXPECT_EQ(box.Items(), (std::vector<std::string> {"a", "b"}));
    WriteByName(box, "_Items", std::string("x"));
    // The same ItemsString again does not refill what _Items put there.
    WriteByName(box, "ItemsString", std::string("a\r\nb"));
    EXPECT_EQ(box.Items(), (std::vector<std::string> {"x"}));

    // Items written through the published list becomes ItemsString, so that
    // the items come back from it after loading.
    box.GetItemStrings()->SetText("p\r\nq");
    EXPECT_EQ(box.GetItemsString(), "p\r\nq\r\n");
    EXPECT_EQ(box.Items(), (std::vector<std::string> {"p", "q"}));
}

// Sorted orders by code point (capitals first), both the items there and
// those loaded later, and keeps a drop-down list's choice; an editable box
// keeps its typed text across a reload.
TEST(ComboBoxTest, SortedOrdersByCodePointAndKeepsTheChoice)
{
    e3::Te3_ComboBox list(nullptr);
    WriteByName(list, "Style", int64_t {e3::csDropDownList});
    WriteByName(list, "_Items", std::string("beta\r\nAlpha\r\n\xC3\xA9t\xC3\xA9\r\nGamma\r\nalpha"));
    list.SetItemIndex(0);
    WriteByName(list, "Sorted", int64_t {1});
    EXPECT_EQ(list.Items(), (std::vector<std::string> {"Alpha", "Gamma", "alpha", "beta", "\xC3\xA9t\xC3\xA9"}));
    EXPECT_EQ(list.GetText(), "beta");
    WriteByName(list, "_Items", std::string("z\r\nB\r\na"));
    EXPECT_EQ(list.Items(), (std::vector<std::string> {"B", "a", "z"}));
    EXPECT_EQ(list.GetItemIndex(), -1);

    e3::Te3_ComboBox edit(nullptr);
    edit.Combo()->setEditText("typed");
    WriteByName(edit, "_Items", std::string("two\r\none"));
    EXPECT_EQ(edit.Items(), (std::vector<std::string> {"two", "one"}));
    EXPECT_EQ(edit.GetItemIndex(), -1);
    EXPECT_EQ(edit.GetText(), "typed");
}

// The drop-down list is built when first needed; it still shows the box's
// font, set before or after, and the box's size hint stays that of one
// character however long the items are.
TEST(ComboBoxTest, ListBuiltLaterTakesTheFontAndTheSizeHintIgnoresTheItems)
{
    e3::Te3_ComboBox box(nullptr);
    box.GetFont()->SetHeight(23);
    EXPECT_EQ(box.Combo()->font().pixelSize(), 23);
    EXPECT_EQ(box.Combo()->view()->font().pixelSize(), 23);
    box.GetFont()->SetHeight(31);
    EXPECT_EQ(box.Combo()->view()->font().pixelSize(), 31);

    e3::Te3_ComboBox wide(nullptr);
    const std::string item(200, 'W');
    WriteByName(wide, "_Items", item);
    const int itemWidth = QFontMetrics(wide.Combo()->font()).horizontalAdvance(QString::fromStdString(item));
    EXPECT_LT(wide.Combo()->sizeHint().width(), itemWidth / 4);
    EXPECT_EQ(wide.Combo()->sizeAdjustPolicy(), QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

// Notes the palette each combo box is painted with.
class PaletteSpy : public QProxyStyle {
public:
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        if (control == CC_ComboBox)
            painted.push_back(option->palette);
        QProxyStyle::drawComplexControl(control, option, painter, widget);
    }
    mutable std::vector<QPalette> painted;
};

// Boxes of equal colours are painted under one palette (so the style's
// drawings are shared between them); a box of another colour gets its own,
// and each is painted in its own colours.
TEST(ComboBoxTest, BoxesOfEqualColoursPaintUnderOnePalette)
{
    PaletteSpy spy;
    e3::Te3_ComboBox first(nullptr);
    e3::Te3_ComboBox second(nullptr);
    e3::Te3_ComboBox red(nullptr);
    red.SetColor(fw::clRed);
    std::vector<QPalette> used;
    for (e3::Te3_ComboBox* box : {&first, &second, &red}) {
        box->Combo()->setStyle(&spy);
        box->Combo()->resize(120, 24);
        spy.painted.clear();
        QPixmap target(box->Combo()->size());
        box->Combo()->render(&target);
        ASSERT_EQ(spy.painted.size(), 1u);
        EXPECT_EQ(spy.painted.front(), box->Combo()->palette());
        used.push_back(spy.painted.front());
    }
    EXPECT_NE(first.Combo()->palette().cacheKey(), second.Combo()->palette().cacheKey());
    EXPECT_EQ(used[0].cacheKey(), used[1].cacheKey());
    EXPECT_NE(used[0].cacheKey(), used[2].cacheKey());
    EXPECT_EQ(used[2].color(QPalette::Button), QColor(255, 0, 0));
    for (e3::Te3_ComboBox* box : {&first, &second, &red})
        box->Combo()->setStyle(nullptr);
}

TEST(ComboBoxTest, TextActionSelectsAnItemOrNothingChanges)
{
    e3::Te3_ComboBox box(nullptr);
    WriteByName(box, "Style", int64_t {e3::csDropDownList});
    WriteByName(box, "_Items", std::string("Alpha\r\nBeta"));
    int changes = 0;
    box.OnChange = [&](fw::TObject*) { ++changes; };
    WriteByName(box, "_Text", std::string("beta"));
    EXPECT_EQ(box.GetItemIndex(), 1);
    EXPECT_EQ(TextByName(box, "_Text"), "Beta");
    WriteByName(box, "_Text", std::string("Gamma"));
    EXPECT_EQ(box.GetItemIndex(), 1);
    EXPECT_EQ(changes, 0); // an index set by code raises nothing

    WriteByName(box, "_Clear", int64_t {1});
    EXPECT_EQ(box.Count(), 0);
    EXPECT_EQ(box.GetText(), "");
}

TEST(ComboBoxTest, DroppedWidthTakesTheFirstFieldAsADecimalInteger)
{
    e3::Te3_ComboBox box(nullptr);
    WriteByName(box, "_SetDroppedWidth", std::string("250<|>ignored"));
    EXPECT_EQ(box.DroppedWidth(), 250);
    for (const char* bad : {"", "12px", "$10", "x<|>5"})
        EXPECT_THROW(WriteByName(box, "_SetDroppedWidth", std::string(bad)), u3::EConvertError) << bad;
    EXPECT_EQ(box.DroppedWidth(), 250);
}

TEST(ComboBoxTest, LockHoldsTheBoxDisabledAndUnlockBringsBackTheWish)
{
    e3test::TestContainer panel(nullptr);
    e3::Te3_ComboBox box(nullptr);
    box.SetParent(&panel);
    WriteByName(box, "LockedEdit", int64_t {1});
    EXPECT_FALSE(box.GetEnabled());
    EXPECT_EQ(box.GetColor(), box.GetDisabledColor());
    WriteByName(box, "Enabled", int64_t {1});
    EXPECT_FALSE(box.GetEnabled());
    WriteByName(box, "LockedEdit", int64_t {0});
    EXPECT_TRUE(box.GetEnabled());
    EXPECT_EQ(box.GetColor(), box.NormalColor());

    // A lock passed by the container keeps the box's own wish.
    WriteByName(box, "Enabled", int64_t {0});
    panel.SetLockedEdit(true);
    panel.SetLockedEdit(false);
    EXPECT_FALSE(box.GetEnabled());
}

TEST(ComboBoxTest, AutoHintShowsTheTextAfterAChange)
{
    e3::Te3_ComboBox box(nullptr);
    box.SetAutoHint(true);
    box.SetText("typed");
    EXPECT_EQ(box.GetHint(), "typed");
    EXPECT_TRUE(box.GetShowHint());
}

TEST(ComboBoxTest, MarkerStandsLeftOfTheDropDownButton)
{
    e3test::TestContainer panel(nullptr);
    e3::Te3_ComboBox box(nullptr);
    box.SetParent(&panel);
    box.SetBounds(0, 0, 145, 21);
    WriteByName(box, "MnShow", int64_t {1});
    const int button = box.Combo()->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int bevel = box.GetBevelWidth();
    const auto corners = box.Marker().Corners();
    EXPECT_EQ(corners[1], QPoint(145 - 2 - bevel - button, bevel + 1));
    EXPECT_EQ(corners[0].x(), corners[1].x() - 5);

    // The simple style has no button.
    WriteByName(box, "Style", int64_t {e3::csSimple});
    EXPECT_EQ(box.Marker().Corners()[1], QPoint(145 - 2 - bevel, bevel + 1));
    WriteByName(box, "Enabled", int64_t {0});
    EXPECT_EQ(box.Marker().DrawnColor(), e3::MarkerDisabledColor);
}

TEST(ComboBoxTest, UserInputRaisesClickSelectAndChange)
{
    e3test::TestContainer panel(nullptr);
    panel.Widget()->resize(300, 80);
    e3::Te3_ComboBox box(nullptr);
    box.SetParent(&panel);
    WriteByName(box, "_Items", std::string("Alpha\r\nBeta"));
    std::string seen;
    box.OnClick = [&](fw::TObject*) { seen += "click;"; };
    box.OnChange = [&](fw::TObject*) { seen += "change:" + box.GetText() + ";"; };
    panel.Widget()->show();
    QApplication::setActiveWindow(panel.Widget());
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel.Widget()));
    box.Combo()->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();

    QTest::keyClicks(box.Combo()->lineEdit(), "x");
    EXPECT_EQ(seen, "change:x;");
    seen.clear();
    QTest::keyClick(box.Combo(), Qt::Key_Down);
    EXPECT_EQ(seen, "click;change:Alpha;");

    // With OnSelect bound, a choice raises it instead of OnChange.
    seen.clear();
    box.OnSelect = [&](fw::TObject*) { seen += "select;"; };
    QTest::keyClick(box.Combo(), Qt::Key_Down);
    EXPECT_EQ(seen, "click;select;");
}

// The Edit menu's commands reach the edit part, and change the text as typing
// does; a drop-down list has nothing to edit and a locked box takes nothing.
TEST(ComboBoxTest, EditCommandsWorkOnTheEditPart)
{
    e3::Te3_ComboBox box(nullptr);
    std::string seen;
    box.OnChange = [&](fw::TObject*) { seen += "change:" + box.GetText() + ";"; };
    QLineEdit* line = box.Combo()->lineEdit();
    ASSERT_NE(line, nullptr);
    QTest::keyClicks(line, "Alpha");
    seen.clear();
    e3::IEditCommands& edit = box;
    EXPECT_TRUE(edit.GetEditState().modified);
    EXPECT_FALSE(edit.GetEditState().hasSelection);
    edit.EditSelectAll();
    EXPECT_TRUE(edit.GetEditState().wholeTextSelected);
    edit.EditCut();
    EXPECT_EQ(QApplication::clipboard()->text(), "Alpha");
    EXPECT_EQ(box.GetText(), "");
    EXPECT_EQ(seen, "change:;");
    edit.EditPaste();
    edit.EditPaste();
    EXPECT_EQ(box.GetText(), "AlphaAlpha");
    EXPECT_TRUE(edit.GetEditState().canUndo);
    edit.EditUndo(false);
    EXPECT_EQ(box.GetText(), "Alpha");
    line->setSelection(0, 2);
    edit.EditClear();
    EXPECT_EQ(box.GetText(), "pha");
    edit.EditClear();
    EXPECT_EQ(box.GetText(), "pha") << "nothing selected, nothing deleted";

    WriteByName(box, "LockedEdit", int64_t {1});
    EXPECT_TRUE(edit.GetEditState().readOnly);
    edit.EditSelectAll();
    edit.EditCut();
    edit.EditPaste();
    EXPECT_EQ(box.GetText(), "pha");
    WriteByName(box, "LockedEdit", int64_t {0});

    WriteByName(box, "Style", int64_t {e3::csDropDownList});
    EXPECT_EQ(box.Combo()->lineEdit(), nullptr);
    EXPECT_TRUE(edit.GetEditState().readOnly);
    EXPECT_FALSE(edit.GetEditState().canUndo);
    edit.EditPaste();
    edit.EditSelectAll();
}

TEST(ComboBoxTest, WordListIncludesItemsString)
{
    e3::Te3_ComboBox box(nullptr);
    for (const char* name : {"Items", "ItemsString", "hint", "Caption"})
        EXPECT_TRUE(box.IsTranslatable(name)) << name;
    EXPECT_FALSE(box.IsTranslatable("Text"));
    EXPECT_EQ(&box.GetLanguageClass(), &e3::Te3ComboBox::StaticClass());
}

TEST(FontListTest, PictureFontsAreLeftOutAndNamesSortedOnce)
{
    const auto list = e3::FontNameList(
        {"Zapf", "WingDings 2", "Webdings", "arial", "Arial", "DejaVu Sans", "My WEBDINGS Copy", "", "Courier"});
    EXPECT_EQ(list, (std::vector<std::string> {"Arial", "Courier", "DejaVu Sans", "Zapf"}));
    for (const std::string& name : list)
        EXPECT_FALSE(e3::IsSymbolFontName(name)) << name;
}

TEST(FontListTest, MatchesTheFamiliesFcListReports)
{
    QProcess fcList;
    fcList.start(QStringLiteral("fc-list"), {QStringLiteral(":"), QStringLiteral("family")});
    if (!fcList.waitForStarted(60000))
        GTEST_SKIP() << "fc-list is not installed";
    ASSERT_TRUE(fcList.waitForFinished(120000));
    std::vector<std::string> families;
    for (const QString& line : QString::fromUtf8(fcList.readAllStandardOutput()).split(QLatin1Char('\n')))
        for (const QString& family : line.split(QLatin1Char(','), Qt::SkipEmptyParts))
            families.push_back(family.toStdString());
    const auto expected = e3::FontNameList(families);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(e3::ScreenFontNames(), expected);

    e3::Te3_ComboBox box(nullptr);
    const std::string text = TextByName(box, "_FontList");
    WriteByName(box, "_FontList", std::string("ignored"));
    EXPECT_EQ(box.Items(), expected);
    EXPECT_EQ(text, e3::JoinLines(expected));
}

} // namespace
