#include "../TestContainer.h"
#include "e3/lists/ListBox.h"
#include "e3/edits/Memo.h"
#include "e3/containers/RadioGroup.h"
#include "framework/Strings.h"

#include <QListWidget>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using e3test::OrdinalByName;
using e3test::TextByName;
using e3test::WriteByName;

using Lines = std::vector<std::string>;

TEST(Strings, TextSplitsAtEveryKindOfBreakAndJoinsWithCrLf)
{
    struct Case {
        const char* text;
        Lines lines;
        const char* readBack;
    };
    const Case cases[] = {
        // Every line ends with CR LF when read, the last one included.
        {"", {}, ""},
        {"a", {"a"}, "a\r\n"},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}, "a\r\nb\r\nc\r\nd\r\n"},
        {"a\r\n", {"a"}, "a\r\n"},
        {"a\r\n\r\nb", {"a", "", "b"}, "a\r\n\r\nb\r\n"},
        {"\n", {""}, "\r\n"},
        {"a\n\r", {"a", ""}, "a\r\n\r\n"},
    };
    for (const Case& c : cases) {
        fw::TStrings list;
        WriteByName(list, "Text", std::string(c.text));
        EXPECT_EQ(list.Lines(), c.lines) << c.text;
        EXPECT_EQ(TextByName(list, "Text"), c.readBack) << c.text;
        EXPECT_EQ(OrdinalByName(list, "Count"), static_cast<int64_t>(c.lines.size())) << c.text;
    }
    EXPECT_FALSE(fw::TStrings::StaticClass().FindProperty("COUNT")->IsWritable());
}

TEST(Strings, CommaTextQuotesWhatWouldSplitAndReadsItBack)
{
    struct Case {
        Lines lines;
        const char* commaText;
    };
    const Case cases[] = {
        {{}, ""},
        {{""}, "\"\""},
        {{"a", "b"}, "a,b"},
        {{"a b", "c,d", "say \"hi\"", "", "e"}, "\"a b\",\"c,d\",\"say \"\"hi\"\"\",,e"},
        {{"x\ty"}, "\"x\ty\""},
    };
    for (const Case& c : cases) {
        fw::TStrings list;
        list.SetLines(c.lines);
        EXPECT_EQ(TextByName(list, "CommaText"), c.commaText);
        fw::TStrings back;
        WriteByName(back, "CommaText", std::string(c.commaText));
        EXPECT_EQ(back.Lines(), c.lines) << c.commaText;
    }
}

TEST(Strings, CommaTextSeparatesAtBlanksAndCommasOutsideQuotes)
{
    struct Case {
        const char* commaText;
        Lines lines;
    };
    const Case cases[] = {
        {"  a b ,c ", {"a", "b", "c"}},
        {"a,,b", {"a", "", "b"}},
        {"a,", {"a", ""}},
        {"\"open", {"open"}},
        {"\"q\"x", {"q", "x"}},
        {"\xC3\xA4,\xC3\xB6", {"\xC3\xA4", "\xC3\xB6"}},
    };
    for (const Case& c : cases) {
        fw::TStrings list;
        list.SetCommaText(c.commaText);
        EXPECT_EQ(list.Lines(), c.lines) << c.commaText;
    }
}

TEST(Strings, OnlyWritesThroughTheListRaiseOnChange)
{
    fw::TStrings list;
    int changes = 0;
    list.OnChange = [&] { ++changes; };
    list.Load({"a", "b"});
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(list.GetCount(), 2);
    list.SetText("a\r\nb");
    list.SetCommaText("x");
    EXPECT_EQ(changes, 2);
}

fw::TStrings* ListOf(fw::TObject& control, const char* name)
{
    const fw::TPropInfo* p = control.ClassType().FindProperty(name);
    EXPECT_NE(p, nullptr) << name;
    if (!p)
        return nullptr;
    EXPECT_EQ(p->kind, fw::TypeKind::Class);
    EXPECT_EQ(p->classType, &fw::TStrings::StaticClass());
    EXPECT_FALSE(p->IsWritable());
    return dynamic_cast<fw::TStrings*>(std::get<fw::TObject*>(p->get(control)));
}

TEST(ListItems, TheListBoxItemsFollowTheWidgetBothWays)
{
    e3test::TestContainer root(nullptr);
    auto* box = new e3::Te3_ListBox(&root);
    box->SetParent(&root);
    int clicks = 0;
    box->OnClick = [&](fw::TObject*) { ++clicks; };
    fw::TStrings* items = ListOf(*box, "Items");
    ASSERT_NE(items, nullptr);
    EXPECT_EQ(items, ListOf(*box, "ITEMS")); // one object for the control's life

    items->SetText("pear\r\napple\r\nfig");
    ASSERT_EQ(box->List()->count(), 3);
    EXPECT_EQ(box->List()->item(1)->text(), "apple");
    EXPECT_EQ(clicks, 0);

    box->List()->addItem("plum");
    EXPECT_EQ(items->GetCount(), 4);
    EXPECT_EQ(items->GetText(), "pear\r\napple\r\nfig\r\nplum\r\n");

    WriteByName(*box, "Sorted", int64_t {1});
    EXPECT_EQ(items->GetCommaText(), "apple,fig,pear,plum");
    items->SetCommaText("b,a");
    EXPECT_EQ(items->GetText(), "a\r\nb\r\n"); // a sorted box keeps its order
}

TEST(ListItems, TheRadioGroupItemsAndItemsStringAreOneList)
{
    e3test::TestContainer root(nullptr);
    auto* group = new e3::Te3_RadioGroup(&root);
    group->SetParent(&root);
    fw::TStrings* items = ListOf(*group, "Items");
    ASSERT_NE(items, nullptr);

    items->SetText("Mr\r\nMrs\r\nMs");
    ASSERT_NE(group->Button(2), nullptr);
    EXPECT_EQ(group->Button(2)->text(), "Ms");
    EXPECT_EQ(TextByName(*group, "ItemsString"), "Mr\r\nMrs\r\nMs");

    WriteByName(*group, "ItemIndex", int64_t {2});
    WriteByName(*group, "ItemsString", std::string("Yes\nNo"));
    EXPECT_EQ(items->GetCount(), 2);
    EXPECT_EQ(items->GetCommaText(), "Yes,No");
    EXPECT_EQ(OrdinalByName(*group, "ItemIndex"), 1);
}

TEST(ListItems, TheMemoLinesFollowTypingAndReplaceTheText)
{
    e3test::TestContainer root(nullptr);
    auto* memo = new e3::Te3_Memo(&root);
    memo->SetParent(&root);
    int changes = 0;
    memo->OnChange = [&](fw::TObject*) { ++changes; };
    fw::TStrings* lines = ListOf(*memo, "Lines");
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(lines->GetCount(), 0);

    root.Widget()->show();
    memo->TextEdit()->setFocus();
    QTest::keyClicks(memo->TextEdit(), "ab");
    QTest::keyClick(memo->TextEdit(), Qt::Key_Return);
    QTest::keyClicks(memo->TextEdit(), "c");
    EXPECT_EQ(lines->GetText(), "ab\r\nc\r\n");
    EXPECT_EQ(lines->GetCount(), 2);

    changes = 0;
    lines->SetText("one\ntwo\r\nthree");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(memo->TextEdit()->document()->blockCount(), 3);
    EXPECT_EQ(memo->TextEdit()->textCursor().position(), 0);
    EXPECT_EQ(TextByName(*memo, "LinesString"), "one\r\ntwo\r\nthree");

    // A quoted line holding a break becomes two lines of the memo.
    lines->SetCommaText("\"x\ny\",z");
    EXPECT_EQ(lines->GetCount(), 3);

    // A handler that frees the memo frees its list too; the write must end cleanly.
    fw::Guard<e3::Te3_Memo> alive(memo);
    memo->OnChange = [&](fw::TObject*) { delete memo; };
    lines->SetText("gone");
    EXPECT_FALSE(alive);
}

} // namespace
