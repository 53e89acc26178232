#include "../TestContainer.h"
#include "e3/combos/ComboBox.h"
#include "e3/combos/FontList.h"
#include "u3/Exceptions.h"

#include <QProcess>
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
