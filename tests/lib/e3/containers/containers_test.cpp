#include "../TestContainer.h"
#include "e3/buttons/CheckBox.h"
#include "e3/containers/GroupBox.h"
#include "e3/lists/ListBox.h"
#include "e3/edits/Memo.h"
#include "e3/buttons/RadioButton.h"
#include "e3/containers/RadioGroup.h"
#include "e3/containers/ScrollBox.h"

#include <QDir>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QApplication>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <set>

namespace {

using e3test::OrdinalByName;
using e3test::TextByName;
using e3test::WriteByName;

// A scroll box holding a list box, a memo, a check box and a radio button.
class ScrollBoxTest : public ::testing::Test {
protected:
    ScrollBoxTest()
    {
        box = new e3::Te3_ScrollBox(&root);
        box->SetParent(&root);
        list = new e3::Te3_ListBox(&root);
        list->SetParent(box);
        memo = new e3::Te3_Memo(&root);
        memo->SetParent(box);
        check = new e3::Te3_CheckBox(&root);
        check->SetParent(box);
        radio = new e3::Te3_RadioButton(&root);
        radio->SetParent(box);
    }

    e3test::TestContainer root {nullptr};
    e3::Te3_ScrollBox* box;
    e3::Te3_ListBox* list;
    e3::Te3_Memo* memo;
    e3::Te3_CheckBox* check;
    e3::Te3_RadioButton* radio;
};

TEST_F(ScrollBoxTest, ChildrenSitOnTheScrolledClientWidget)
{
    EXPECT_EQ(list->Parent(), box);
    EXPECT_EQ(list->Widget()->parentWidget(), box->ClientWidget());
    EXPECT_NE(box->ClientWidget(), box->Widget());
    root.Widget()->show();
    list->SetBounds(10, 300, 100, 80); // below the visible area
    EXPECT_GE(box->ClientWidget()->height(), 380);
}

// A wheel turn over the box asks OnMouseWheel, then OnMouseWheelDown or
// OnMouseWheelUp. A turn a handler takes is accepted and kept from the box's
// own scrolling; one nobody takes stays ignored, so Qt passes it on to the
// scroll area as before.
TEST_F(ScrollBoxTest, WheelHandlersSeeTheTurnAndOnlyATakenTurnIsKept)
{
    box->SetBounds(0, 0, 200, 100);
    const QPoint global = box->ClientWidget()->mapToGlobal(QPoint(50, 20));
    // True when the turn was kept from the widget.
    const auto turn = [&](int delta) {
        QWheelEvent event(QPointF(50, 20), QPointF(global), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::ShiftModifier, Qt::NoScrollPhase, false);
        event.ignore();
        QApplication::sendEvent(box->ClientWidget(), &event);
        return event.isAccepted();
    };
    EXPECT_FALSE(turn(-120)) << "no handler";

    std::vector<std::string> calls;
    bool takeWheel = false, takeStep = false;
    box->OnMouseWheel = [&](fw::TObject*, fw::TShiftState shift, int32_t delta, fw::TPoint pos, bool& handled) {
        EXPECT_TRUE(shift & (1u << fw::ssShift));
        EXPECT_EQ(pos.x, global.x());
        EXPECT_EQ(pos.y, global.y());
        calls.push_back("wheel " + std::to_string(delta));
        handled = takeWheel;
    };
    box->OnMouseWheelDown = [&](fw::TObject*, fw::TShiftState, fw::TPoint, bool& handled) {
        calls.push_back("down");
        handled = takeStep;
    };
    box->OnMouseWheelUp = [&](fw::TObject*, fw::TShiftState, fw::TPoint, bool& handled) {
        calls.push_back("up");
        handled = takeStep;
    };
    struct Case {
        int delta;
        bool takeWheel, takeStep;
        std::vector<std::string> calls;
        bool kept;
    };
    const Case cases[] = {
        {-120, false, false, {"wheel -120", "down"}, false},
        {120, false, true, {"wheel 120", "up"}, true},
        {-120, true, false, {"wheel -120"}, true},
    };
    for (const Case& c : cases) {
        calls.clear();
        takeWheel = c.takeWheel;
        takeStep = c.takeStep;
        EXPECT_EQ(turn(c.delta), c.kept) << c.delta;
        EXPECT_EQ(calls, c.calls);
    }
}

TEST_F(ScrollBoxTest, DisablingPassesDownAndEnablingRestoresTheConstructionColour)
{
    WriteByName(*list, "Color", int64_t {fw::clYellow});
    WriteByName(*box, "Enabled", int64_t {0});
    for (fw::TControl* c : std::vector<fw::TControl*> {list, memo, check, radio})
        EXPECT_EQ(OrdinalByName(*c, "Enabled"), 0) << c->ClassName();
    EXPECT_EQ(OrdinalByName(*list, "Color"), fw::clBtnFace);
    EXPECT_EQ(OrdinalByName(*memo, "Color"), fw::clBtnFace);
    EXPECT_EQ(OrdinalByName(*box, "Enabling"), 0);

    WriteByName(*check, "Enabled", int64_t {1}); // a wish, held back by the box
    EXPECT_EQ(OrdinalByName(*check, "Enabled"), 0);
    WriteByName(*radio, "Enabled", int64_t {0});

    WriteByName(*box, "Enabled", int64_t {1});
    EXPECT_EQ(OrdinalByName(*list, "Color"), fw::clWindow);
    EXPECT_EQ(OrdinalByName(*memo, "Color"), fw::clWindow);
    EXPECT_EQ(OrdinalByName(*check, "Enabled"), 1);
    EXPECT_EQ(OrdinalByName(*radio, "Enabled"), 0);
    EXPECT_EQ(OrdinalByName(*list, "Enabled"), 1);
}

TEST_F(ScrollBoxTest, LockPassesToEveryChildThatTakesIt)
{
    auto* group = new e3::Te3_GroupBox(&root);
    group->SetParent(box);
    auto* inner = new e3::Te3_Memo(&root);
    inner->SetParent(group);
    auto* plain = new e3::Te3_ListBox(&root); // no lock of its own

    plain->SetParent(group);
    bool enablingSeen = false;
    memo->OnChange = [&](fw::TObject*) { enablingSeen = OrdinalByName(*box, "Enabling") != 0; };

    WriteByName(*box, "LockedEdit", int64_t {1});
    EXPECT_EQ(OrdinalByName(*group, "LockedEdit"), 1);
    EXPECT_EQ(OrdinalByName(*inner, "ReadOnly"), 1);
    EXPECT_EQ(OrdinalByName(*memo, "ReadOnly"), 1);
    EXPECT_EQ(OrdinalByName(*check, "State"), e3::cbGrayed);
    EXPECT_EQ(OrdinalByName(*radio, "Enabled"), 0);
    EXPECT_EQ(OrdinalByName(*plain, "Enabled"), 1);
    EXPECT_EQ(OrdinalByName(*box, "Enabling"), 0);

    WriteByName(*box, "LockedEdit", int64_t {0});
    EXPECT_EQ(OrdinalByName(*inner, "ReadOnly"), 0);
    EXPECT_EQ(OrdinalByName(*check, "State"), e3::cbUnchecked);
    EXPECT_EQ(OrdinalByName(*radio, "Enabled"), 1);
    EXPECT_FALSE(enablingSeen);
}

TEST_F(ScrollBoxTest, ScrollBarsStayAutomaticUntilAnotherValueIsWritten)
{
    QScrollArea* area = box->ScrollArea();
    WriteByName(*box, "ScrollBars", int64_t {e3::ssNone});
    EXPECT_EQ(area->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    EXPECT_EQ(area->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    struct Case {
        e3::TScrollStyle style;
        Qt::ScrollBarPolicy horizontal, vertical;
    } cases[] = {
        {e3::ssVertical, Qt::ScrollBarAlwaysOff, Qt::ScrollBarAsNeeded},
        {e3::ssHorizontal, Qt::ScrollBarAsNeeded, Qt::ScrollBarAlwaysOff},
        {e3::ssNone, Qt::ScrollBarAlwaysOff, Qt::ScrollBarAlwaysOff},
        {e3::ssBoth, Qt::ScrollBarAsNeeded, Qt::ScrollBarAsNeeded},
    };
    for (const Case& c : cases) {
        WriteByName(*box, "ScrollBars", int64_t {c.style});
        EXPECT_EQ(area->horizontalScrollBarPolicy(), c.horizontal) << c.style;
        EXPECT_EQ(area->verticalScrollBarPolicy(), c.vertical) << c.style;
    }
}

TEST(GroupBox, CaptionAndCascadeWithoutParent)
{
    e3::Te3_GroupBox group(nullptr);
    WriteByName(group, "Caption", std::string("Applicant"));
    EXPECT_EQ(group.GroupBox()->title(), "Applicant");
    auto* memo = new e3::Te3_Memo(&group);
    memo->SetParent(&group);
    // A box without a parent switches only itself.
    WriteByName(group, "Enabled", int64_t {0});
    EXPECT_EQ(OrdinalByName(group, "Enabled"), 0);
    EXPECT_EQ(OrdinalByName(*memo, "Enabled"), 1);
}

class MemoTest : public ::testing::Test {
protected:
    MemoTest()
    {
        memo = new e3::Te3_Memo(&root);
        memo->SetParent(&root);
        memo->OnChange = [this](fw::TObject*) { ++changes; };
    }

    e3test::TestContainer root {nullptr};
    e3::Te3_Memo* memo;
    int changes = 0;
};

TEST_F(MemoTest, TextActionSetsTheLinesAndPutsTheCaretAtTheStart)
{
    memo->TextEdit()->setPlainText("old text");
    memo->TextEdit()->moveCursor(QTextCursor::End);
    changes = 0;
    WriteByName(*memo, "_Text", std::string("first\r\nsecond\nthird"));
    EXPECT_EQ(memo->TextEdit()->document()->blockCount(), 3);
    EXPECT_EQ(memo->TextEdit()->document()->findBlockByNumber(1).text(), "second");
    EXPECT_EQ(memo->TextEdit()->textCursor().position(), 0);
    EXPECT_FALSE(memo->TextEdit()->textCursor().hasSelection());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(TextByName(*memo, "LinesString"), "first\r\nsecond\r\nthird");
    EXPECT_EQ(TextByName(*memo, "Text"), "first\r\nsecond\r\nthird");
}

TEST_F(MemoTest, SelectionCountsLineBreaksAsTwo)
{
    WriteByName(*memo, "Text", std::string("ab\r\ncd"));
    WriteByName(*memo, "SelStart", int64_t {4});
    WriteByName(*memo, "SelLength", int64_t {2});
    EXPECT_EQ(TextByName(*memo, "SelText"), "cd");
    WriteByName(*memo, "SelStart", int64_t {1});
    WriteByName(*memo, "SelLength", int64_t {4});
    EXPECT_EQ(TextByName(*memo, "SelText"), "b\r\nc");
    EXPECT_EQ(OrdinalByName(*memo, "SelStart"), 1);
    EXPECT_EQ(OrdinalByName(*memo, "SelLength"), 4);
}

TEST_F(MemoTest, LockKeepsTheEnginesReadOnlyAndColours)
{
    WriteByName(*memo, "Color", int64_t {fw::clYellow});
    WriteByName(*memo, "LockedEdit", int64_t {1});
    EXPECT_EQ(OrdinalByName(*memo, "ReadOnly"), 1);
    EXPECT_EQ(OrdinalByName(*memo, "Color"), fw::clBtnFace);
    WriteByName(*memo, "ReadOnly", int64_t {0}); // remembered for the unlock
    EXPECT_EQ(OrdinalByName(*memo, "ReadOnly"), 1);
    WriteByName(*memo, "DisabledColor", int64_t {fw::clSilver});
    EXPECT_EQ(OrdinalByName(*memo, "Color"), fw::clSilver);
    WriteByName(*memo, "LockedEdit", int64_t {0});
    EXPECT_EQ(OrdinalByName(*memo, "ReadOnly"), 0);
    EXPECT_EQ(OrdinalByName(*memo, "Color"), fw::clYellow); // taken when it became read-only

    // Read-only by the engine keeps the disabled colour through enabling.
    WriteByName(*memo, "ReadOnly", int64_t {1});
    WriteByName(*memo, "Enabled", int64_t {0});
    WriteByName(*memo, "Enabled", int64_t {1});
    EXPECT_EQ(OrdinalByName(*memo, "Color"), fw::clSilver);
    WriteByName(*memo, "ReadOnly", int64_t {0});
    EXPECT_EQ(OrdinalByName(*memo, "Color"), fw::clYellow);
}

TEST_F(MemoTest, MarkerIsGreyWhenDisabledAndStandsLeftOfAVerticalBar)
{
    WriteByName(*memo, "MnShow", int64_t {1});
    ASSERT_TRUE(memo->Marker().IsDrawn());
    EXPECT_EQ(memo->Marker().DrawnColor(), fw::clRed);
    const int right = memo->Marker().Corners()[1].x();
    EXPECT_EQ(right, memo->GetWidth() - 4 - 1);
    WriteByName(*memo, "ScrollBars", int64_t {e3::ssBoth});
    const int bar = memo->TextEdit()->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, memo->TextEdit());
    EXPECT_EQ(memo->Marker().Corners()[1].x(), right - bar - 1);
    WriteByName(*memo, "Ctl3D", int64_t {0});
    EXPECT_EQ(memo->Marker().Corners()[1], QPoint(memo->GetWidth() - 1 - 1 - bar - 1, 1));
    WriteByName(*memo, "Enabled", int64_t {0});
    EXPECT_EQ(memo->Marker().DrawnColor(), e3::MarkerDisabledColor);
}

TEST(ListBox, ItemIndexFromCodeRaisesNothingAndDisabledColourShowsAtOnce)
{
    e3test::TestContainer root(nullptr);
    auto* list = new e3::Te3_ListBox(&root);
    list->SetParent(&root);
    int clicks = 0;
    list->OnClick = [&](fw::TObject*) { ++clicks; };
    list->SetItems({"a", "b", "c"});
    WriteByName(*list, "ItemIndex", int64_t {2});
    EXPECT_EQ(OrdinalByName(*list, "ItemIndex"), 2);
    WriteByName(*list, "ItemIndex", int64_t {7});
    EXPECT_EQ(OrdinalByName(*list, "ItemIndex"), -1);
    EXPECT_EQ(clicks, 0);
    list->List()->setCurrentRow(1); // as the user's selection does
    EXPECT_EQ(clicks, 1);

    WriteByName(*list, "DisabledColor", int64_t {fw::clSilver});
    EXPECT_EQ(OrdinalByName(*list, "Color"), fw::clWindow);
    WriteByName(*list, "Enabled", int64_t {0});
    WriteByName(*list, "DisabledColor", int64_t {fw::clGray});
    EXPECT_EQ(OrdinalByName(*list, "Color"), fw::clGray);
}

TEST(Translation, WordListsAndDesignClasses)
{
    e3::Te3_ScrollBox scroll(nullptr);
    e3::Te3_GroupBox group(nullptr);
    e3::Te3_CheckBox check(nullptr);
    e3::Te3_RadioButton radio(nullptr);
    e3::Te3_NonCyclicRadioButton nonCyclic(nullptr);
    e3::Te3_RadioGroup radios(nullptr);
    e3::Te3_ListBox list(nullptr);
    e3::Te3_Memo memo(nullptr);
    struct Case {
        e3::ITranslatableControl* control;
        const fw::TClassInfo* design;
        bool caption;
    } cases[] = {
        {&scroll, &e3::Te3ScrollBox::StaticClass(), false},    {&group, &e3::Te3GroupBox::StaticClass(), true},
        {&check, &e3::Te3CheckBox::StaticClass(), true},       {&radio, &e3::Te3RadioButton::StaticClass(), true},
        {&nonCyclic, &e3::Te3RadioButton::StaticClass(), true}, {&radios, &e3::Te3RadioGroup::StaticClass(), false},
        {&list, &e3::Te3ListBox::StaticClass(), false},        {&memo, &e3::Te3Memo::StaticClass(), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(&c.control->GetLanguageClass(), c.design);
        EXPECT_TRUE(c.control->IsTranslatable("hint")) << c.design->Name();
        EXPECT_EQ(c.control->IsTranslatable("Caption"), c.caption) << c.design->Name();
        EXPECT_FALSE(c.control->IsTranslatable("Items")) << c.design->Name();
    }
}

TEST(PublishedNames, EachFamilyAnswersItsNamesInAnyCaseAndNothingOfQt)
{
    struct Case {
        const fw::TClassInfo* engine;
        const char* parent;
        std::vector<const char*> shown;
        std::vector<const char*> designOnly; // published already by the design class
    } cases[] = {
        {&e3::Te3_ScrollBox::StaticClass(), "Te3ScrollBox",
         {"ENABLING", "lockededit", "ScrollBars", "BorderStyle", "_SetFocus", "AutoSize", "OnResize", "OnClick",
          "OnGetSiteInfo"},
         {"AutoScroll", "Ctl3D", "Color"}},
        {&e3::Te3_GroupBox::StaticClass(), "Te3GroupBox",
         {"Enabling", "LockedEdit", "_setfocus", "OnDblClick", "OnGetSiteInfo"},
         {"Caption", "Font"}},
        {&e3::Te3_CheckBox::StaticClass(), "Te3CheckBox", {"LockedEdit", "_SetFocus", "OnChange", "OnKeyPress"},
         {"WordWrap", "VertAlignment", "Alignment", "AllowGrayed", "Checked", "ReadOnly", "State"}},
        {&e3::Te3_NonCyclicRadioButton::StaticClass(), "Te3_RadioButton", {"LockedEdit", "OnChange", "OnDblClick"},
         {"Wordwrap", "VertAlignment", "Checked", "Caption"}},
        {&e3::Te3_RadioGroup::StaticClass(), "Te3RadioGroup", {"_SetFocus", "OnClick", "OnEnter"},
         {"ItemsString", "Columns", "ItemIndex"}},
        {&e3::Te3_ListBox::StaticClass(), "Te3ListBox",
         {"_SetFocus", "OnDblClick", "OnKeyUp", "PopupMenu", "DragMode", "ImeName", "BiDiMode", "Ctl3D",
          "OnStartDrag", "OnEndDock", "OnContextPopup"},
         {"DisabledColor", "ItemIndex", "MultiSelect", "ExtendedSelect", "Sorted"}},
        {&e3::Te3_Memo::StaticClass(), "Te3Memo",
         {"_Text", "LinesString", "_SelectAll", "SelStart", "SelLength", "SelText", "LockedEdit", "OnChange"},
         {"MnShow", "MnWidth", "MnHeight", "MnColor", "DisabledColor", "WantReturns", "WantTabs", "WordWrap",
          "HideSelection", "MaxLength", "Modified", "ReadOnly", "ScrollBars", "Alignment", "Text"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.engine->Name());
        EXPECT_TRUE(c.engine->InheritsFromName(c.parent));
        ASSERT_NE(c.engine->Factory(), nullptr);
        const fw::TClassInfo* design = c.engine->Parent();
        if (c.engine == &e3::Te3_NonCyclicRadioButton::StaticClass()) {
            EXPECT_TRUE(c.engine->OwnProperties().empty()); // the same control under a second name
            design = design->Parent();
        }
        for (const char* name : c.shown) {
            EXPECT_NE(c.engine->FindProperty(name), nullptr) << name;
            EXPECT_EQ(design->FindProperty(name), nullptr) << name; // left to the engine class
        }
        for (const char* name : c.designOnly)
            EXPECT_NE(design->FindProperty(name), nullptr) << name;
        for (const char* hidden : {"objectName", "geometry", "title", "checkState", "plainText", "windowTitle"})
            EXPECT_EQ(c.engine->FindProperty(hidden), nullptr) << hidden;
    }
    EXPECT_EQ(e3::ScrollStyleType.OrdinalOf("ssBoth"), 3);
    EXPECT_EQ(e3::VertAlignmentType.OrdinalOf("vabottom"), 2);
    EXPECT_EQ(e3::CheckBoxStateType.OrdinalOf("cbGrayed"), 2);
    EXPECT_EQ(e3::LeftRightType.OrdinalOf("taRightJustify"), 1);
}

TEST(Screenshot, FormWithEveryControlIsNotBlank)
{
    e3test::TestContainer form(nullptr);
    form.SetBounds(0, 0, 520, 300);
    auto* scroll = new e3::Te3_ScrollBox(&form);
    scroll->SetParent(&form);
    scroll->SetBounds(8, 8, 240, 120);
    auto* check = new e3::Te3_CheckBox(&form);
    check->SetParent(scroll);
    check->SetBounds(4, 4, 200, 17);
    check->SetText("Fees & charges paid");
    check->SetChecked(true);
    auto* readOnly = new e3::Te3_CheckBox(&form);
    readOnly->SetParent(scroll);
    readOnly->SetBounds(4, 24, 200, 17);
    readOnly->SetText("Locked, unchecked");
    readOnly->SetLockedEdit(true);
    auto* list = new e3::Te3_ListBox(&form);
    list->SetParent(scroll);
    list->SetBounds(4, 46, 200, 120);
    list->SetItems({"Patent", "Trademark", "Design"});
    auto* group = new e3::Te3_GroupBox(&form);
    group->SetParent(&form);
    group->SetBounds(260, 8, 250, 80);
    group->SetText("Applicant");
    for (int i = 0; i < 2; ++i) {
        auto* r = new e3::Te3_RadioButton(&form);
        r->SetParent(group);
        r->SetBounds(10, 22 + 22 * i, 200, 17);
        r->SetText(i ? "Legal entity" : "Natural person");
        r->SetChecked(i == 0);
    }
    auto* radios = new e3::Te3_RadioGroup(&form);
    radios->SetParent(&form);
    radios->SetBounds(260, 96, 250, 80);
    radios->SetText("Language");
    radios->SetColumns(2);
    radios->SetItemsString("English\r\nGerman\r\nFrench");
    radios->SetItemIndex(1);
    auto* memo = new e3::Te3_Memo(&form);
    memo->SetParent(&form);
    memo->SetBounds(8, 140, 240, 150);
    memo->SetLinesString("Remarks\r\nsecond line");
    memo->SetMnShow(true);
    form.Widget()->show();

    const QImage image = form.Widget()->grab().toImage();
    ASSERT_FALSE(image.isNull());
    const QString path = QDir(QStringLiteral(E3_BUILD_DIR)).filePath(QStringLiteral("containers_and_choices.png"));
    ASSERT_TRUE(image.save(path));
    QImage saved(path);
    ASSERT_FALSE(saved.isNull());
    std::set<QRgb> colours;
    for (int y = 0; y < saved.height(); y += 3)
        for (int x = 0; x < saved.width(); x += 3)
            colours.insert(saved.pixel(x, y));
    EXPECT_GT(colours.size(), 8u);
}

} // namespace

// The engine's bevel on a memo: the outer cut's line on the outermost pixels,
// the inner cut's one band further in, only on the chosen edges; bkNone takes
// the bevel away again.
TEST(ControlBevel, TheChosenCutsAreDrawnOnTheChosenEdges)
{
    e3test::TestContainer root {nullptr};
    root.SetBounds(0, 0, 200, 120);
    auto* memo = new e3::Te3_Memo(&root);
    memo->SetParent(&root);
    memo->SetBounds(10, 10, 120, 80);
    root.Widget()->show();
    const auto grab = [&] { return memo->Widget()->grab().toImage(); };
    const auto rgb = [](fw::TColor c) { return fw::ToQColor(c).rgb(); };
    const auto at = [](const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; };
    const QImage plain = grab();
    const int midY = 40, midX = 60;
    ASSERT_NE(at(plain, 0, midY), rgb(fw::cl3DLight));

    WriteByName(*memo, "BevelWidth", int64_t {3});
    WriteByName(*memo, "BevelOuter", int64_t {fw::bvRaised});
    WriteByName(*memo, "BevelInner", int64_t {fw::bvLowered});
    WriteByName(*memo, "BevelKind", int64_t {fw::bkTile});
    QImage image = grab();
    EXPECT_EQ(at(image, 0, midY), rgb(fw::cl3DLight)) << "outer raised, left";
    EXPECT_EQ(at(image, midX, 0), rgb(fw::cl3DLight)) << "outer raised, top";
    EXPECT_EQ(at(image, 119, midY), rgb(fw::cl3DDkShadow)) << "outer raised, right";
    EXPECT_EQ(at(image, 116, midY), rgb(fw::cl3DLight)) << "inner lowered, right";
    EXPECT_EQ(at(image, 3, midY), rgb(fw::cl3DDkShadow)) << "inner lowered, one band in";

    WriteByName(*memo, "BevelEdges", int64_t {1 << fw::beTop});
    image = grab();
    EXPECT_EQ(at(image, midX, 0), rgb(fw::cl3DLight));
    EXPECT_EQ(at(image, 0, midY), at(plain, 0, midY)) << "left edge not chosen";

    WriteByName(*memo, "BevelKind", int64_t {fw::bkNone});
    EXPECT_EQ(grab(), plain);
}
