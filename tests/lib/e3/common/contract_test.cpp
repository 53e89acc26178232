#include "../TestContainer.h"
#include "e3/edits/Edit.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using e3::Te3_Edit;
using e3test::OrdinalByName;
using e3test::TestContainer;
using e3test::WriteByName;

TEST(WordList, SubstringAndWholeWordRules)
{
    struct Case {
        const char* list;
        const char* name;
        bool wholeWord;
        bool expected;
    } cases[] = {
        {"CAPTION HINT ITEMSSTRING", "Items", false, true}, // a part of ITEMSSTRING
        {"CAPTION HINT", "hint", false, true},
        {"CAPTION HINT", "Text", false, false},
        {"HINT", "Caption", false, false},
        {" UNICODECAPTION HINT ", "Caption", true, false},
        {" UNICODECAPTION HINT ", "unicodecaption", true, true},
        {" TEXT HINT ", "Hint", true, true},
        {" TEXT HINT ", "EXT", true, false},
    };
    for (const Case& c : cases) {
        const bool got = c.wholeWord ? e3::WordListHasWord(c.list, c.name) : e3::WordListContains(c.list, c.name);
        EXPECT_EQ(got, c.expected) << c.list << " / " << c.name;
    }
}

TEST(PublishedNames, OnlyPublishedNamesResolveInAnyCase)
{
    const fw::TClassInfo& c = Te3_Edit::StaticClass();
    for (const char* hidden : {"objectName", "geometry", "windowTitle", "toolTip", "ClassName", "enabledChange",
                               "readOnly_", "placeholderText"})
        EXPECT_EQ(c.FindProperty(hidden), nullptr) << hidden;
    for (const char* shown : {"ENABLED", "enabled", "EditMask", "editmask", "LOCKEDEDIT", "_setfocus", "_SelectAll",
                              "strfloat", "OnChange", "onkeypress", "Hint", "Name", "disabledcolor", "MnShow",
                              "Parent", "Align", "AllEvents", "ReadOnly", "EditText", "Text"})
        EXPECT_NE(c.FindProperty(shown), nullptr) << shown;
    // The design class leaves the engine's properties to the engine class.
    const fw::TClassInfo& design = e3::Te3Edit::StaticClass();
    EXPECT_NE(design.FindProperty("DisabledColor"), nullptr);
    for (const char* engineOnly : {"LockedEdit", "_SetFocus", "StrFloat", "AllEvents", "OnChange", "Parent"})
        EXPECT_EQ(design.FindProperty(engineOnly), nullptr) << engineOnly;
    EXPECT_TRUE(c.InheritsFromName("Te3Edit"));
    EXPECT_TRUE(c.InheritsFromName("Te3CustomEdit"));
    EXPECT_TRUE(c.InheritsFromName("TAlignEdit"));
    ASSERT_NE(c.Factory(), nullptr);
}

TEST(PublishedNames, EnumerationNamesAndOrdinals)
{
    const char* names[] = {"etString", "etInteger", "etFloat", "etMasked", "etXMLName", "etEnumeration",
                           "etAlphaNumeric"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(e3::EditTypesType.OrdinalOf(names[i]), i);
    EXPECT_EQ(e3::AlignmentType.OrdinalOf("taCenter"), 2);
    const fw::TPropInfo* p = Te3_Edit::StaticClass().FindProperty("EditType");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->kind, fw::TypeKind::Enumeration);
    EXPECT_EQ(p->enumType, &e3::EditTypesType);
}

// root (takes no part in the cascade)
//   outer (container)
//     a (edit)
//     inner (container)
//       b (edit)
//       plain (a framework control that publishes no LockedEdit)
class CascadeTest : public ::testing::Test {
protected:
    CascadeTest()
    {
        outer = new TestContainer(&root);
        outer->SetParent(&root);
        a = new Te3_Edit(&root);
        a->SetParent(outer);
        inner = new TestContainer(&root);
        inner->SetParent(outer);
        b = new Te3_Edit(&root);
        b->SetParent(inner);
        plain = new fw::TWinControl(&root);
        plain->SetParent(inner);
    }

    fw::TWinControl root {nullptr};
    TestContainer* outer;
    TestContainer* inner;
    Te3_Edit* a;
    Te3_Edit* b;
    fw::TWinControl* plain;
};

TEST_F(CascadeTest, EnabledAndLockedEditPassDownAndKeepTheChildrensWishes)
{
    enum Target { Outer, Inner, A, B };
    struct Step {
        Target target;
        const char* property;
        bool value;
        // Expected after the step, read back by name.
        bool outerOn, innerOn, aOn, bOn, plainOn;
        bool aReadOnly, bReadOnly;
        bool aShowsDisabledColor;
    } steps[] = {
        {B, "Enabled", false, 1, 1, 1, 0, 1, 0, 0, 0},
        {Outer, "enabled", false, 0, 0, 0, 0, 0, 0, 0, 1},
        // Enabling a child of a disabled container only records the wish.
        {A, "ENABLED", true, 0, 0, 0, 0, 0, 0, 0, 1},
        {Outer, "Enabled", true, 1, 1, 1, 0, 1, 0, 0, 0}, // b keeps its own False
        {Inner, "Enabled", false, 1, 0, 1, 0, 0, 0, 0, 0},
        {B, "Enabled", true, 1, 0, 1, 0, 0, 0, 0, 0},
        {Inner, "Enabled", true, 1, 1, 1, 1, 1, 0, 0, 0},
        {A, "ReadOnly", true, 1, 1, 1, 1, 1, 1, 0, 1},
        {Outer, "LockedEdit", true, 1, 1, 1, 1, 1, 1, 1, 1},
        // A request to leave read-only while locked waits for the unlock.
        {B, "readonly", false, 1, 1, 1, 1, 1, 1, 1, 1},
        {Outer, "LockedEdit", false, 1, 1, 1, 1, 1, 1, 0, 1},
        {A, "ReadOnly", false, 1, 1, 1, 1, 1, 0, 0, 0},
        // A lock passed by the container leaves the wishes alone.
        {Outer, "LockedEdit", true, 1, 1, 1, 1, 1, 1, 1, 1},
        {Outer, "Enabled", false, 0, 0, 0, 0, 0, 1, 1, 1},
        {Outer, "Enabled", true, 1, 1, 1, 1, 1, 1, 1, 1},
        {Outer, "LockedEdit", false, 1, 1, 1, 1, 1, 0, 0, 0},
    };
    fw::TObject* targets[] = {outer, inner, a, b};
    int index = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE("step " + std::to_string(index++));
        WriteByName(*targets[s.target], s.property, int64_t {s.value});
        EXPECT_EQ(OrdinalByName(*outer, "Enabled"), s.outerOn);
        EXPECT_EQ(OrdinalByName(*inner, "Enabled"), s.innerOn);
        EXPECT_EQ(OrdinalByName(*a, "Enabled"), s.aOn);
        EXPECT_EQ(OrdinalByName(*b, "Enabled"), s.bOn);
        EXPECT_EQ(plain->GetEnabled(), s.plainOn);
        EXPECT_EQ(OrdinalByName(*a, "ReadOnly"), s.aReadOnly);
        EXPECT_EQ(OrdinalByName(*b, "ReadOnly"), s.bReadOnly);
        EXPECT_EQ(OrdinalByName(*a, "Color"), s.aShowsDisabledColor ? fw::clBtnFace : fw::clWindow);
        EXPECT_EQ(OrdinalByName(*outer, "Enabling"), 0);
        EXPECT_EQ(OrdinalByName(*inner, "Enabling"), 0);
        // The widgets follow our state.
        EXPECT_EQ(a->Widget()->isEnabled(), s.aOn);
        EXPECT_EQ(b->LineEdit()->isReadOnly(), s.bReadOnly);
    }
    EXPECT_EQ(OrdinalByName(*inner, "LockedEdit"), 0);
}

TEST_F(CascadeTest, ContainerWithoutParentPassesNothing)
{
    outer->SetParent(nullptr);
    outer->SetEnabled(false);
    EXPECT_FALSE(outer->GetEnabled());
    EXPECT_TRUE(a->GetEnabled());
    EXPECT_TRUE(inner->GetEnabled());
}

TEST_F(CascadeTest, LockSetOnTheEditItselfLocksOnlyIt)
{
    WriteByName(*b, "LockedEdit", int64_t {1});
    EXPECT_EQ(OrdinalByName(*b, "ReadOnly"), 1);
    EXPECT_EQ(OrdinalByName(*a, "ReadOnly"), 0);
    EXPECT_EQ(OrdinalByName(*inner, "LockedEdit"), 0);
    // The container does not pass a value it already holds.
    WriteByName(*inner, "LockedEdit", int64_t {0});
    EXPECT_EQ(OrdinalByName(*b, "LockedEdit"), 1);
}

TEST(MandatoryMarker, ShownOnlyWithAParentAndGreyWhileDisabled)
{
    fw::TWinControl root(nullptr);
    auto edit = std::make_unique<Te3_Edit>(nullptr);
    WriteByName(*edit, "MnShow", int64_t {1});
    WriteByName(*edit, "MnColor", int64_t {fw::clBlue});
    EXPECT_FALSE(edit->Marker().IsDrawn());
    EXPECT_TRUE(edit->Marker().isHidden());

    edit->SetParent(&root);
    EXPECT_TRUE(edit->Marker().IsDrawn());
    EXPECT_FALSE(edit->Marker().isHidden());
    EXPECT_EQ(edit->Marker().DrawnColor(), fw::clBlue);

    edit->SetEnabled(false);
    EXPECT_EQ(edit->Marker().DrawnColor(), 8421504);
    edit->SetEnabled(true);
    EXPECT_EQ(edit->Marker().DrawnColor(), fw::clBlue);

    WriteByName(*edit, "MnShow", int64_t {0});
    EXPECT_TRUE(edit->Marker().isHidden());
}

// The overlay is made on first need; settings given before it exists reach it.
TEST(MandatoryMarker, MadeWhenFirstDrawnWithTheSettingsGivenBefore)
{
    fw::TWinControl root(nullptr);
    Te3_Edit plain(nullptr);
    plain.SetParent(&root);
    EXPECT_TRUE(plain.LineEdit()->findChildren<e3::MandatoryMarker*>().isEmpty());

    Te3_Edit edit(nullptr);
    edit.SetBounds(0, 0, 121, 21);
    WriteByName(edit, "MnShow", int64_t {1});
    WriteByName(edit, "MnWidth", int64_t {7});
    WriteByName(edit, "MnColor", int64_t {fw::clBlue});
    edit.SetEnabled(false);
    EXPECT_TRUE(edit.LineEdit()->findChildren<e3::MandatoryMarker*>().isEmpty());

    edit.SetParent(&root);
    const auto made = edit.LineEdit()->findChildren<e3::MandatoryMarker*>();
    ASSERT_EQ(made.size(), 1);
    const e3::MandatoryMarker& marker = *made.front();
    EXPECT_EQ(&edit.Marker(), &marker);
    EXPECT_TRUE(marker.IsDrawn());
    EXPECT_FALSE(marker.isHidden());
    EXPECT_EQ(marker.DrawnColor(), e3::MarkerDisabledColor);
    EXPECT_EQ(marker.Corners()[0], QPoint(109, 0));
    EXPECT_EQ(marker.geometry(), edit.LineEdit()->rect());
    EXPECT_EQ(OrdinalByName(edit, "MnWidth"), 7);
}

TEST(MandatoryMarker, TriangleInTheTopRightCornerFollowsSizeAndWidth)
{
    fw::TWinControl root(nullptr);
    Te3_Edit edit(nullptr);
    edit.SetParent(&root);
    edit.SetBounds(0, 0, 121, 21);
    WriteByName(edit, "MnWidth", int64_t {7});
    WriteByName(edit, "MnHeight", int64_t {6});
    // Edit with a 3-D border and bevel width 1: right edge W-4-B, top B-1.
    const auto corners = edit.Marker().Corners();
    EXPECT_EQ(corners[0], QPoint(109, 0));
    EXPECT_EQ(corners[1], QPoint(116, 0));
    EXPECT_EQ(corners[2], QPoint(116, 6));
    EXPECT_EQ(edit.Marker().geometry(), edit.LineEdit()->rect());

    edit.SetWidth(200);
    EXPECT_EQ(edit.Marker().Corners()[1], QPoint(195, 0));
    EXPECT_EQ(edit.Marker().geometry(), edit.LineEdit()->rect());

    // A flat border: right edge W-1-B, top B.
    edit.SetWidth(121);
    WriteByName(edit, "Ctl3D", int64_t {0});
    EXPECT_EQ(edit.Marker().Corners(), (std::array<QPoint, 3> {QPoint(112, 1), QPoint(119, 1), QPoint(119, 7)}));
    WriteByName(edit, "Ctl3D", int64_t {1});
    EXPECT_EQ(edit.Marker().Corners()[0], QPoint(109, 0));

    // A flat edit whose marker is made only now is placed the same.
    Te3_Edit flatEdit(nullptr);
    flatEdit.SetParent(&root);
    flatEdit.SetBounds(0, 0, 121, 21);
    WriteByName(flatEdit, "Ctl3D", int64_t {0});
    WriteByName(flatEdit, "MnShow", int64_t {1});
    EXPECT_EQ(flatEdit.Marker().Corners()[0], QPoint(114, 1));

    const auto flat = e3::MarkerCorners(100, 2, 5, 5, {1, 0});
    EXPECT_EQ(flat[0], QPoint(92, 2));
    EXPECT_EQ(flat[2], QPoint(97, 7));
}

} // namespace
