#include "../TestContainer.h"
#include "e3/combos/CComboBox.h"

#include <QApplication>
#include <QCollator>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <random>

namespace {

using e3test::OrdinalByName;
using e3test::TextByName;
using e3test::WriteByName;

TEST(CComboBoxTest, ItemsAreCodeAndTextPairsSortedByCodeOrText)
{
    e3::Te3_CComboBox box(nullptr);
    WriteByName(box, "Sorted", int64_t {e3::stCode});
    WriteByName(box, "_Items", std::string("b<|>Beta\r\na<|>Alpha"));
    EXPECT_EQ(box.Items(), (std::vector<std::string> {"Alpha", "Beta"}));
    EXPECT_EQ(box.Codes(), (std::vector<std::string> {"A", "B"}));
    EXPECT_EQ(TextByName(box, "_Items"), "A=Alpha\r\nB=Beta");

    // By text, letter case and accents aside: the collation puts É among the Es.
    WriteByName(box, "Sorted", int64_t {e3::stText});
    WriteByName(box, "_Items", std::string("z=zeta\r\ne=Eclair\r\nx=\xC3\x89t\xC3\xA9\r\nb=banana\r\nf=Fig\r\nnoequals"));
    EXPECT_EQ(box.Items(), (std::vector<std::string> {"", "banana", "Eclair", "\xC3\x89t\xC3\xA9", "Fig", "zeta"}));
    EXPECT_EQ(box.Codes(), (std::vector<std::string> {"", "B", "E", "X", "F", "Z"}));

    // Switching back to no order leaves the order as it is.
    WriteByName(box, "Sorted", int64_t {e3::stNone});
    EXPECT_EQ(box.Codes().back(), "Z");
}

TEST(CComboBoxTest, SortingKeepsTheSelectedCode)
{
    e3::Te3_CComboBox box(nullptr);
    WriteByName(box, "_Items", std::string("c=Cherry\r\na=Apple\r\nb=Banana"));
    WriteByName(box, "Code", std::string("a"));
    EXPECT_EQ(box.GetText(), "Apple");
    WriteByName(box, "Sorted", int64_t {e3::stText});
    EXPECT_EQ(box.GetItemIndex(), 0);
    EXPECT_EQ(box.GetCode(), "A");
    EXPECT_EQ(box.GetText(), "Apple");
}

TEST(CComboBoxTest, SelectionCodeAndTextFollowEachOther)
{
    e3::Te3_CComboBox box(nullptr);
    WriteByName(box, "_Items", std::string("a<|>Alpha\r\nb<|>Beta"));
    int changes = 0;
    box.OnChange = [&](fw::TObject*) { ++changes; };

    const struct {
        const char* property;
        const char* value;
        int index;
        const char* code;
        int changes;
    } steps[] = {
        {"Text", "beta", 1, "B", 1},    // text without regard to case
        {"Text", "beta", 1, "B", 1},    // the same again changes nothing
        {"Code", "a", 0, "A", 2},       // a code selects its text
        {"Text", "Gamma", -1, "", 3},   // no such text: no selection, no code
        {"Code", "zz", -1, "ZZ", 3},    // no such code: nothing selected
        {"Code", "b", 1, "B", 4},
    };
    for (const auto& s : steps) {
        WriteByName(box, s.property, std::string(s.value));
        EXPECT_EQ(box.GetItemIndex(), s.index) << s.property << "=" << s.value;
        EXPECT_EQ(box.GetCode(), s.code) << s.property << "=" << s.value;
        EXPECT_EQ(changes, s.changes) << s.property << "=" << s.value;
    }
    EXPECT_EQ(TextByName(box, "Text"), "Beta");

    box.SetItemIndex(0);
    EXPECT_EQ(box.GetCode(), "A");
    box.SetItemIndex(7);
    EXPECT_EQ(box.GetCode(), "");
    EXPECT_EQ(box.GetText(), "");
}

TEST(CComboBoxTest, FrenchFoldsTheShownTextAndSelectsItsPlainForm)
{
    e3::Te3_CComboBox box(nullptr);
    WriteByName(box, "_Items", std::string("1=\xC3\xA9l\xC3\xA8ve\r\n2=eleve\r\n3=Garcon"));
    WriteByName(box, "Code", std::string("1"));
    WriteByName(box, "French", int64_t {1});
    EXPECT_EQ(box.GetCode(), "2");
    EXPECT_EQ(e3::FoldFrenchAccents("\xC3\xA2\xC3\xA6\xC3\xA7\xC3\xA8\xC3\xA9\xC3\xAE\xC3\xB4\xC3\xBB\xC3\x89"),
              "aaceeiou\xC3\x89");
}

TEST(CComboBoxTest, PairGeometryTabOrderAndCodeEdit)
{
    e3test::TestContainer panel(nullptr);
    e3::Te3_CComboBox box(nullptr);
    box.SetParent(&panel);
    e3::Te3_Edit* code = box.CodeEdit();
    ASSERT_TRUE(code);
    EXPECT_EQ(code->Parent(), &panel);
    EXPECT_EQ(code->GetMaxLength(), 2);
    EXPECT_EQ(OrdinalByName(box, "Width"), 185 + 50);

    WriteByName(box, "Left", int64_t {100});
    WriteByName(box, "Width", int64_t {235});
    EXPECT_EQ(box.GetLeft(), 150);
    EXPECT_EQ(box.GetWidth(), 185);
    EXPECT_EQ(code->GetLeft(), 100);
    EXPECT_EQ(code->GetWidth(), 50);
    EXPECT_EQ(code->GetHeight(), box.GetHeight());

    WriteByName(box, "CodeWidth", int64_t {30});
    EXPECT_EQ(OrdinalByName(box, "Left"), 100);
    EXPECT_EQ(OrdinalByName(box, "Width"), 235);
    EXPECT_EQ(box.GetLeft(), 130);

    WriteByName(box, "VisibleCode", int64_t {0});
    EXPECT_FALSE(code->GetVisible());
    EXPECT_EQ(code->GetHeight(), 0);
    EXPECT_EQ(OrdinalByName(box, "Left"), 130);

    e3::Te3_Edit other(nullptr);
    other.SetParent(&panel);
    WriteByName(box, "TabOrder", int64_t {2});
    const auto& tabs = panel.TabList();
    const auto listAt = std::find(tabs.begin(), tabs.end(), &box) - tabs.begin();
    const auto codeAt = std::find(tabs.begin(), tabs.end(), code) - tabs.begin();
    EXPECT_EQ(codeAt + 1, listAt);
}

// The code edit follows its list part whatever a container passes to it.
TEST(CComboBoxTest, CodeEditFollowsTheListPart)
{
    const struct {
        const char* name;
        std::vector<std::function<void(e3test::TestContainer&, e3::Te3_CComboBox&)>> actions;
        bool enabled;
    } cases[] = {
        {"locked, container disabled and enabled",
         {[](auto&, auto& b) { b.SetLockedEdit(true); }, [](auto& p, auto&) { p.SetEnabled(false); },
          [](auto& p, auto&) { p.SetEnabled(true); }},
         false},
        {"disabled, locked and unlocked",
         {[](auto&, auto& b) { b.SetEnabled(false); }, [](auto&, auto& b) { b.SetLockedEdit(true); },
          [](auto&, auto& b) { b.SetLockedEdit(false); }},
         false},
        {"container locked and unlocked while the box is disabled",
         {[](auto&, auto& b) { b.SetEnabled(false); }, [](auto& p, auto&) { p.SetLockedEdit(true); },
          [](auto& p, auto&) { p.SetLockedEdit(false); }},
         false},
        {"container locked",
         {[](auto& p, auto&) { p.SetLockedEdit(true); }},
         false},
        {"container locked and unlocked",
         {[](auto& p, auto&) { p.SetLockedEdit(true); }, [](auto& p, auto&) { p.SetLockedEdit(false); }},
         true},
        {"container disabled and enabled",
         {[](auto& p, auto&) { p.SetEnabled(false); }, [](auto& p, auto&) { p.SetEnabled(true); }},
         true},
    };
    for (const auto& c : cases) {
        e3test::TestContainer root(nullptr);
        e3test::TestContainer panel(nullptr);
        panel.SetParent(&root);
        e3::Te3_CComboBox box(nullptr);
        box.SetParent(&panel);
        for (const auto& action : c.actions)
            action(panel, box);
        e3::Te3_Edit* code = box.CodeEdit();
        EXPECT_EQ(box.GetEnabled(), c.enabled) << c.name;
        EXPECT_EQ(code->GetEnabled(), c.enabled) << c.name;
        EXPECT_FALSE(code->GetReadOnly()) << c.name;
        EXPECT_EQ(code->GetColor(), c.enabled ? code->NormalColor() : code->GetDisabledColor()) << c.name;
    }
}

// Typing and leaving the code edit, as the user does it.
class CComboBoxInputTest : public ::testing::Test {
protected:
    CComboBoxInputTest()
    {
        panel.Widget()->resize(400, 100);
        box.SetParent(&panel);
        box.SetPairLeft(10);
        other = new QLineEdit(panel.Widget());
        other->move(10, 50);
        WriteByName(box, "_Items", std::string("a<|>Alpha\r\nb<|>Beta"));
        box.OnChange = [this](fw::TObject*) { ++changes; };
        panel.Widget()->show();
        QApplication::setActiveWindow(panel.Widget());
        EXPECT_TRUE(QTest::qWaitForWindowActive(panel.Widget()));
    }

    QLineEdit* CodeLine() { return box.CodeEdit()->LineEdit(); }
    void Leave()
    {
        other->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }

    e3test::TestContainer panel {nullptr};
    e3::Te3_CComboBox box {nullptr};
    QLineEdit* other = nullptr;
    int changes = 0;
};

TEST_F(CComboBoxInputTest, TypedCodeSelectsItsTextWithoutRegardToCase)
{
    CodeLine()->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    QTest::keyClick(CodeLine(), Qt::Key_B);
    EXPECT_EQ(CodeLine()->text(), "B");
    EXPECT_EQ(box.GetText(), "Beta");
    EXPECT_EQ(changes, 1);
    Leave();
    EXPECT_EQ(box.GetCode(), "B");
    EXPECT_EQ(changes, 1);
}

TEST_F(CComboBoxInputTest, UnknownCodeIsClearedOnLeavingWithOnChange)
{
    CodeLine()->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    QTest::keyClicks(CodeLine(), "q");
    EXPECT_EQ(box.GetItemIndex(), -1);
    EXPECT_EQ(changes, 0);
    Leave();
    EXPECT_EQ(box.GetCode(), "");
    EXPECT_EQ(changes, 1);
}

TEST_F(CComboBoxInputTest, DeleteInTheListClearsTheSelection)
{
    WriteByName(box, "Code", std::string("a"));
    changes = 0;
    box.Combo()->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    QTest::keyClick(box.Combo(), Qt::Key_Delete);
    EXPECT_EQ(box.GetItemIndex(), -1);
    EXPECT_EQ(box.GetCode(), "");
    EXPECT_EQ(changes, 1);
}

TEST_F(CComboBoxInputTest, ChoosingATextPutsItsCodeFirst)
{
    std::string codeSeen;
    box.OnChange = [&](fw::TObject*) {
        ++changes;
        codeSeen = box.GetCode();
    };
    box.Combo()->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    QTest::keyClick(box.Combo(), Qt::Key_Down);
    EXPECT_EQ(box.GetText(), "Alpha");
    EXPECT_EQ(codeSeen, "A");
    EXPECT_GE(changes, 1);
}

} // namespace

namespace {

// The order agrees with QCollator's, equal texts keep their places, in
// languages whose rules touch Latin-1 letters (contractions, expansions,
// letters after z) and with texts beyond Latin-1.
TEST(CollatedOrderTest, AgreesWithTheCollatorInEveryLanguage)
{
    const char* const pieces[] = {"a", "A", "b", "c", "C", "h", "ch", "CH", "aa", "\xC3\xA5", "\xC3\x85",
                                  "\xC3\xA4", "\xC3\x84", "\xC3\xB6", "\xC3\xA6", "\xC3\x9F", "ss", "e",
                                  "\xC3\xA9", "\xC3\x89", "\xC3\xA8", "n", "\xC3\xB1", "o", "oe", "y", "z",
                                  " ", "-", ".", "1", "9", "\t", "\x01", "\xC2\xA0", "\xC2\xAD"};
    std::mt19937 random(11);
    std::vector<std::string> latin;
    for (int i = 0; i < 3000; ++i) {
        std::string text;
        for (int n = 1 + int(random() % 5); n > 0; --n)
            text += pieces[random() % std::size(pieces)];
        latin.push_back(text);
    }
    std::vector<std::string> mixed = latin;
    mixed.push_back("\xC4\x8D" "a");          // beyond Latin-1
    mixed.push_back("e\xCC\x81" "t");         // a combining accent
    const QLocale saved;
    for (const char* name : {"en_US", "de_DE", "sv_SE", "da_DK", "cs_CZ", "es_ES", "fr_FR", "C"}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(name)));
        QLocale locale;
        if (locale.language() == QLocale::C)
            locale = QLocale(QLocale::English, QLocale::UnitedStates);
        QCollator collator(locale);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        for (const auto* texts : {&latin, &mixed}) {
            const std::vector<size_t> order = e3::CollatedOrder(*texts);
            ASSERT_EQ(order.size(), texts->size());
            int wrong = 0;
            for (size_t i = 1; i < order.size(); ++i) {
                const int c = collator.compare(QString::fromStdString((*texts)[order[i - 1]]),
                                               QString::fromStdString((*texts)[order[i]]));
                if (c > 0 || (c == 0 && order[i - 1] > order[i]))
                    ++wrong;
            }
            EXPECT_EQ(wrong, 0) << name << (texts == &latin ? " latin" : " mixed");
        }
    }
    QLocale::setDefault(saved);
}

} // namespace
