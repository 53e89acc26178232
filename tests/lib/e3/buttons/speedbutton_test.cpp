#include "../TestContainer.h"
#include "e3/buttons/SpeedButton.h"
#include "framework/ApplicationException.h"

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using e3::Te3_SpeedButton;
using e3test::OrdinalByName;
using e3test::WriteByName;

class SpeedButtonTest : public ::testing::Test {
protected:
    SpeedButtonTest()
    {
        root.SetBounds(0, 0, 400, 200);
        root.Widget()->show();
    }

    Te3_SpeedButton* NewButton(int left, int group = 0)
    {
        auto* b = new Te3_SpeedButton(&root);
        b->SetParent(&root);
        b->SetBounds(left, 10, 80, 25);
        b->SetGroupIndex(group);
        b->Widget()->show();
        b->OnClick = [this, b](fw::TObject*) { clicks.push_back(b); };
        return b;
    }

    static void Press(Te3_SpeedButton* b) { QTest::mouseClick(b->Widget(), Qt::LeftButton, {}, QPoint(5, 5)); }

    e3test::TestContainer root {nullptr};
    std::vector<fw::TObject*> clicks;
};

TEST_F(SpeedButtonTest, AGroupKeepsOneButtonDown)
{
    Te3_SpeedButton* a = NewButton(0, 1);
    Te3_SpeedButton* b = NewButton(90, 1);
    Te3_SpeedButton* c = NewButton(180, 1);
    Te3_SpeedButton* other = NewButton(270, 2);
    other->SetDown(true);

    Press(a);
    Press(b);
    EXPECT_FALSE(a->GetDown());
    EXPECT_TRUE(b->GetDown());
    EXPECT_FALSE(c->GetDown());
    EXPECT_TRUE(other->GetDown()) << "another group is not touched";

    // Pressing the down button again leaves it down, and still clicks.
    Press(b);
    EXPECT_TRUE(b->GetDown());
    EXPECT_EQ(clicks, (std::vector<fw::TObject*> {a, b, b}));
    WriteByName(*b, "Down", int64_t {0});
    EXPECT_TRUE(b->GetDown()) << "the down button may not be released by code either";

    // Once the group allows all up, its down button may go up; the others
    // take the setting over from the one that changed it.
    c->SetAllowAllUp(true);
    EXPECT_TRUE(b->GetAllowAllUp());
    Press(b);
    EXPECT_FALSE(b->GetDown());
    EXPECT_EQ(b->State(), e3::ButtonState::Up);
}

TEST_F(SpeedButtonTest, DownNeedsAGroup)
{
    Te3_SpeedButton* b = NewButton(0);
    b->SetDown(true);
    EXPECT_FALSE(b->GetDown());
    Press(b);
    EXPECT_FALSE(b->GetDown());
    EXPECT_EQ(b->State(), e3::ButtonState::Up);
}

TEST_F(SpeedButtonTest, ReleaseClicksOnlyInside)
{
    Te3_SpeedButton* b = NewButton(0);
    QTest::mousePress(b->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(b->State(), e3::ButtonState::Down);
    QTest::mouseMove(b->Widget(), QPoint(300, 5));
    QTest::mouseRelease(b->Widget(), Qt::LeftButton, {}, QPoint(300, 5));
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(b->State(), e3::ButtonState::Up);
}

TEST_F(SpeedButtonTest, HeldButtonRepeatsAfterThePauseThenAtTheInterval)
{
    using Clock = std::chrono::steady_clock;
    Te3_SpeedButton* b = NewButton(0);
    WriteByName(*b, "AllowTimer", int64_t {1});
    b->SetInitPause(150);
    b->SetRepeatInterval(20);
    std::vector<Clock::time_point> at;
    b->OnClick = [&](fw::TObject*) { at.push_back(Clock::now()); };

    const auto start = Clock::now();
    QTest::mousePress(b->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_NE(b->RepeatTimer(), nullptr);
    EXPECT_EQ(b->RepeatTimer()->interval(), 150);
    QTRY_VERIFY_WITH_TIMEOUT(at.size() >= 3, 3000);
    EXPECT_GE(at[0] - start, std::chrono::milliseconds(140));
    EXPECT_EQ(b->RepeatTimer()->interval(), 20);
    EXPECT_GE(at[2] - at[1], std::chrono::milliseconds(15));

    // Outside the button the held button does not repeat, and releasing
    // there gives no further click.
    QTest::mouseMove(b->Widget(), QPoint(300, 5));
    const size_t held = at.size();
    QTest::qWait(80);
    QTest::mouseRelease(b->Widget(), Qt::LeftButton, {}, QPoint(300, 5));
    EXPECT_EQ(at.size(), held);
    EXPECT_FALSE(b->RepeatTimer()->isActive());

    WriteByName(*b, "AllowTimer", int64_t {0});
    EXPECT_EQ(b->RepeatTimer(), nullptr);
}

TEST_F(SpeedButtonTest, RepeatedClickThatFailsStopsTheTimer)
{
    Te3_SpeedButton* b = NewButton(0);
    b->SetAllowTimer(true);
    b->SetInitPause(10);
    int calls = 0;
    b->OnClick = [&](fw::TObject*) {
        ++calls;
        throw u3::Exception("engine gone");
    };
    const auto savedHandler = fw::ApplicationExceptionHandler;
    fw::ApplicationExceptionHandler = [](const std::exception&) {};
    QTest::mousePress(b->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 2000);
    EXPECT_FALSE(b->RepeatTimer()->isActive());
    fw::ApplicationExceptionHandler = savedHandler;
    QTest::mouseRelease(b->Widget(), Qt::LeftButton, {}, QPoint(300, 5));
}

TEST_F(SpeedButtonTest, EngineClickOnlyOnAnEnabledVisibleButton)
{
    struct Case {
        bool enabled, visible;
        size_t clicks;
    };
    for (const Case c : {Case {true, true, 1}, Case {false, true, 0}, Case {true, false, 0}}) {
        clicks.clear();
        Te3_SpeedButton* b = NewButton(0);
        b->SetEnabled(c.enabled);
        b->SetVisible(c.visible);
        WriteByName(*b, "_Click", int64_t {1});
        EXPECT_EQ(clicks.size(), c.clicks) << c.enabled << c.visible;
        delete b;
    }
}

TEST_F(SpeedButtonTest, ButtonBelowItsParentCannotTakeTheFocus)
{
    Te3_SpeedButton* b = NewButton(0);
    b->SetTop(201);
    EXPECT_FALSE(b->CanFocus());
    EXPECT_THROW(WriteByName(*b, "_SetFocus", int64_t {1}), u3::Exception);
    b->SetTop(200);
    EXPECT_TRUE(b->CanFocus());
    b->SetTop(-25);
    EXPECT_TRUE(b->CanFocus()) << "its bottom edge is still at 0";
    b->SetTop(-26);
    EXPECT_FALSE(b->CanFocus());
}

TEST_F(SpeedButtonTest, ClickClosesAModalFormWithTheButtonsResult)
{
    fw::TCustomForm form(nullptr);
    auto* b = new Te3_SpeedButton(&form);
    b->SetParent(&form);
    WriteByName(*b, "ModalResult", int64_t {fw::mrRetry});
    QTimer::singleShot(0, [b] { QTest::mouseClick(b->Widget(), Qt::LeftButton, {}, QPoint(5, 5)); });
    QTimer::singleShot(3000, [&form] { form.SetModalResult(fw::mrAbort); }); // no hang when the click fails
    EXPECT_EQ(form.ShowModal(), fw::mrRetry);
}

TEST_F(SpeedButtonTest, EnterOnAFocusedButtonShowsItsMenuThenClicks)
{
    Te3_SpeedButton* b = NewButton(0);
    e3::Te3_PopupMenu menu(nullptr);
    auto* item = new e3::Te3MenuItem(&menu);
    item->SetCaption("Only");
    menu.Items()->Add(item);
    WriteByName(*b, "DropDownMenu", static_cast<fw::TObject*>(&menu));
    std::vector<std::string> order;
    menu.OnPopup = [&](fw::TObject*) {
        order.push_back("popup");
        QTimer::singleShot(0, [&] { menu.Menu()->close(); });
    };
    b->OnClick = [&](fw::TObject*) { order.push_back("click"); };
    QApplication::setActiveWindow(root.Widget());
    ASSERT_TRUE(QTest::qWaitForWindowActive(root.Widget()));
    b->SetFocus();
    QTest::keyClick(b->Widget(), Qt::Key_Return);
    EXPECT_EQ(order, (std::vector<std::string> {"popup", "click"}));
    EXPECT_EQ(menu.PopupComponent(), b);
    // Below the button, at its left edge.
    EXPECT_EQ(menu.LastPopupPoint(), b->Widget()->mapToGlobal(QPoint(-1, 25)));
}

TEST_F(SpeedButtonTest, DropDownMenuIsForgottenWhenFreed)
{
    Te3_SpeedButton* b = NewButton(0);
    auto* menu = new e3::Te3_PopupMenu(nullptr);
    b->SetDropDownMenu(menu);
    delete menu;
    EXPECT_EQ(b->GetDropDownMenu(), nullptr);
}

TEST_F(SpeedButtonTest, LockRefusesEnablingUntilUnlocked)
{
    Te3_SpeedButton* b = NewButton(0);
    WriteByName(*b, "LockedEdit", int64_t {1});
    EXPECT_FALSE(b->GetEnabled());
    WriteByName(*b, "Enabled", int64_t {1});
    EXPECT_FALSE(b->GetEnabled());
    WriteByName(*b, "LockedEdit", int64_t {0});
    EXPECT_TRUE(b->GetEnabled()) << "the engine's last wish was True";

    // The engine's own False survives a lock and an unlock.
    WriteByName(*b, "Enabled", int64_t {0});
    b->SetLockedEdit(true);
    b->SetLockedEdit(false);
    EXPECT_FALSE(b->GetEnabled());

    // A container's lock reaches the button by name.
    WriteByName(*b, "Enabled", int64_t {1});
    root.SetLockedEdit(true);
    EXPECT_FALSE(b->GetEnabled());
    root.SetLockedEdit(false);
    EXPECT_TRUE(b->GetEnabled());
}

TEST_F(SpeedButtonTest, DisabledContainerHoldsTheButtonDown)
{
    fw::TWinControl top(nullptr);
    root.SetParent(&top);
    Te3_SpeedButton* b = NewButton(0);
    root.SetEnabled(false);
    EXPECT_FALSE(b->GetEnabled());
    EXPECT_EQ(b->State(), e3::ButtonState::Disabled);
    b->SetEnabled(true);
    EXPECT_FALSE(b->GetEnabled());
    root.SetEnabled(true);
    EXPECT_TRUE(b->GetEnabled());
    EXPECT_EQ(b->State(), e3::ButtonState::Up);
    root.SetParent(nullptr);
}

TEST_F(SpeedButtonTest, FlatButtonTurnsHotUnderThePointerAndTakesTheFocusFromItsNeighbour)
{
    fw::TCustomForm form(nullptr);
    form.SetBounds(0, 0, 300, 100);
    auto make = [&form](int left, bool flat) {
        auto* b = new Te3_SpeedButton(&form);
        b->SetParent(&form);
        b->SetBounds(left, 10, 80, 25);
        b->SetFlat(flat);
        return b;
    };
    Te3_SpeedButton* first = make(0, true);
    Te3_SpeedButton* second = make(90, true);
    Te3_SpeedButton* plain = make(180, false);
    std::vector<std::string> log;
    second->OnMouseEnter = [&](fw::TObject*) { log.push_back("enter"); };
    second->OnMouseLeave = [&](fw::TObject*) { log.push_back("leave"); };
    form.Show();
    QApplication::setActiveWindow(form.Widget());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.Widget()));
    first->SetFocus();
    QCoreApplication::processEvents();

    second->MouseEntered();
    EXPECT_TRUE(second->Hot());
    EXPECT_TRUE(second->Widget()->hasFocus()) << "the focus follows the pointer from one button to the next";
    second->MouseEntered(); // already hot: nothing more
    second->MouseLeft();
    EXPECT_FALSE(second->Hot());
    EXPECT_EQ(log, (std::vector<std::string> {"enter", "leave"}));

    // A button that is not flat, or a disabled one, does not turn hot.
    plain->MouseEntered();
    EXPECT_FALSE(plain->Hot());
    second->SetEnabled(false);
    second->MouseEntered();
    EXPECT_FALSE(second->Hot());
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(SpeedButtonTest, BecomingVisibleUnderThePointerMakesTheButtonHot)
{
    Te3_SpeedButton* b = NewButton(0);
    int enters = 0;
    b->OnMouseEnter = [&](fw::TObject*) { ++enters; };
    b->SetVisible(false);
    QCursor::setPos(b->Widget()->mapToGlobal(QPoint(10, 10)));
    if (QCursor::pos() != b->Widget()->mapToGlobal(QPoint(10, 10)))
        GTEST_SKIP() << "this platform does not move the pointer";
    b->SetVisible(true);
    EXPECT_TRUE(b->Hot());
    EXPECT_EQ(enters, 1);
}

TEST_F(SpeedButtonTest, OnlyADownButtonHearsADoubleClick)
{
    Te3_SpeedButton* loose = NewButton(0);
    Te3_SpeedButton* grouped = NewButton(90, 1);
    std::vector<fw::TObject*> doubles;
    for (Te3_SpeedButton* b : {loose, grouped})
        b->OnDblClick = [&doubles, b](fw::TObject*) { doubles.push_back(b); };
    grouped->SetDown(true);
    for (Te3_SpeedButton* b : {loose, grouped})
        QTest::mouseDClick(b->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(doubles, std::vector<fw::TObject*> {grouped});
}

TEST_F(SpeedButtonTest, AcceleratorOfTheCaptionClicks)
{
    Te3_SpeedButton* b = NewButton(0);
    WriteByName(*b, "Caption", std::string("&Go"));
    QApplication::setActiveWindow(root.Widget());
    ASSERT_TRUE(QTest::qWaitForWindowActive(root.Widget()));
    QTest::keyClick(root.Widget(), Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(clicks, std::vector<fw::TObject*> {b});
    b->SetEnabled(false);
    QTest::keyClick(root.Widget(), Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(SpeedButtonTest, EachColourButtonFillsWithItsOwnPressedColour)
{
    // Two buttons down at once, in groups of their own, with different
    // pressed colours: neither borrows the other's.
    std::vector<e3::Te3ColorSpeedButton*> buttons;
    const fw::TColor colours[] = {fw::clRed, fw::clBlue};
    for (int i = 0; i < 2; ++i) {
        auto* b = new e3::Te3ColorSpeedButton(&root);
        b->SetParent(&root);
        b->SetBounds(i * 40, 10, 25, 25);
        b->SetGroupIndex(i + 1);
        b->SetPressedColor(colours[i]);
        b->SetDown(true);
        b->Widget()->show();
        buttons.push_back(b);
    }
    for (int i = 0; i < 2; ++i) {
        const QImage shot = buttons[static_cast<size_t>(i)]->Widget()->grab().toImage();
        EXPECT_EQ(shot.pixelColor(8, 8), fw::ToQColor(colours[i])) << i;
    }
    buttons[0]->SetTransparent(true);
    const QImage shot = buttons[0]->Widget()->grab().toImage();
    EXPECT_NE(shot.pixelColor(8, 8), fw::ToQColor(fw::clRed)) << "a transparent button shows what lies behind";
}

TEST(SpeedButtonValues, SettersHoldTheirRanges)
{
    e3::Te3SpeedButton b(nullptr);
    struct Case {
        const char* name;
        int64_t written, read;
    };
    for (const Case c : {Case {"NumGlyphs", 9, 5}, Case {"NumGlyphs", 0, 1}, Case {"NumGlyphs", 3, 3},
                         Case {"Margin", -5, 3}, Case {"Margin", -1, -1}}) {
        if (std::string(c.name) == "Margin")
            b.SetMargin(3);
        WriteByName(b, c.name, c.written);
        EXPECT_EQ(OrdinalByName(b, c.name), c.read) << c.name << " " << c.written;
    }
    b.SetLayout(e3::blGlyphLeft);
    EXPECT_EQ(OrdinalByName(b, "GlyphLayout"), e3::blGlyphLeft) << "one property under two names";
}

TEST(SpeedButtonValues, DefaultsOfBothFamilies)
{
    e3::Te3_SpeedButton b(nullptr);
    e3::Te3ColorSpeedButton c(nullptr);
    EXPECT_EQ(b.GetWidth(), 100);
    EXPECT_EQ(b.GetHeight(), 25);
    EXPECT_EQ(b.GetSpacing(), -3);
    EXPECT_EQ(b.GetLayout(), e3::blGlyphTop);
    EXPECT_TRUE(b.GetTabStop());
    EXPECT_TRUE(b.GetShowHint());
    EXPECT_FALSE(b.GetParentShowHint());
    EXPECT_EQ(b.GetInitPause(), 500);
    EXPECT_EQ(b.GetRepeatInterval(), 100);
    EXPECT_EQ(c.GetWidth(), 25);
    EXPECT_EQ(c.GetSpacing(), 1);
    EXPECT_FALSE(c.GetTabStop());
    EXPECT_EQ(c.GetPressedColor(), fw::clBlack);
}

TEST(SpeedButtonValues, PublishedNames)
{
    const fw::TClassInfo& engine = e3::Te3_SpeedButton::StaticClass();
    const fw::TClassInfo& colour = e3::Te3ColorSpeedButton::StaticClass();
    for (const char* name : {"Glyph", "GlyphLayout", "Layout", "DropDownMenu", "_Click", "_SetFocus", "LockedEdit",
                             "Alignment", "OnMouseEnter", "OnClick", "Parent", "TabStop", "ModalResult"})
        EXPECT_NE(engine.FindProperty(name), nullptr) << name;
    for (const char* name : {"Color", "PressedColor", "Glyph", "Alignment", "OnMouseLeave", "TabOrder"})
        EXPECT_NE(colour.FindProperty(name), nullptr) << name;
    for (const char* name : {"Align", "Parent", "TabStop", "GlyphLayout", "_Click", "_SetFocus", "LockedEdit"})
        EXPECT_EQ(colour.FindProperty(name), nullptr) << name;
    EXPECT_EQ(engine.FindProperty("Color"), nullptr);
    EXPECT_FALSE(colour.InheritsFromName("Te3CustomSpeedButton"));
    EXPECT_TRUE(engine.InheritsFromName("Te3CustomSpeedButton"));

    e3::Te3_SpeedButton b(nullptr);
    EXPECT_TRUE(b.IsTranslatable("Caption"));
    EXPECT_TRUE(b.IsTranslatable("hint"));
    EXPECT_FALSE(b.IsTranslatable("Glyph"));
    EXPECT_EQ(&b.GetLanguageClass(), &e3::Te3SpeedButton::StaticClass());
}

TEST(SpeedButtonGeometry, DropDownMenuPoint)
{
    struct Case {
        e3::TRxDropDownMenuPos position;
        e3::TPopupAlignment alignment;
        QPoint expected;
    };
    for (const Case c : {Case {e3::dmpBottom, e3::paLeft, {-1, 25}}, Case {e3::dmpBottom, e3::paRight, {101, 25}},
                         Case {e3::dmpBottom, e3::paCenter, {50, 25}}, Case {e3::dmpRight, e3::paLeft, {100, -1}},
                         Case {e3::dmpRight, e3::paRight, {-1, -1}}, Case {e3::dmpRight, e3::paCenter, {50, 25}}})
        EXPECT_EQ(e3::DropDownMenuPoint(c.position, c.alignment, 100, 25), c.expected)
            << c.position << " " << c.alignment;
}

TEST(SpeedButtonGeometry, GlyphAndCaptionPlacement)
{
    const QRect client(0, 0, 100, 60);
    // Centred pair, glyph on top with 4 pixels between.
    auto top = e3::PlaceGlyphAndCaption(client, {16, 16}, {40, 12}, e3::blGlyphTop, -1, 4);
    EXPECT_EQ(top.glyph, QRect(42, 14, 16, 16));
    EXPECT_EQ(top.caption, QRect(30, 34, 40, 12));
    // Glyph at the right with a margin of 5.
    auto right = e3::PlaceGlyphAndCaption(client, {16, 16}, {40, 12}, e3::blGlyphRight, 5, 2);
    EXPECT_EQ(right.glyph, QRect(79, 22, 16, 16));
    EXPECT_EQ(right.caption, QRect(37, 24, 40, 12));
    // No caption: the glyph alone is centred whatever the spacing.
    auto alone = e3::PlaceGlyphAndCaption(client, {16, 16}, {}, e3::blGlyphLeft, -1, -3);
    EXPECT_EQ(alone.glyph, QRect(42, 22, 16, 16));
}

TEST(SpeedButtonGlyph, GlyphImagesAreCutByNumGlyphs)
{
    e3test::TestContainer root(nullptr);
    e3::Te3_SpeedButton b(nullptr);
    b.SetParent(&root);
    b.SetText("");
    b.SetBounds(0, 0, 30, 30);
    // Two images side by side: red for up, blue for disabled.
    QImage glyph(20, 10, QImage::Format_RGB32);
    glyph.fill(Qt::red);
    for (int y = 0; y < 10; ++y)
        for (int x = 10; x < 20; ++x)
            glyph.setPixel(x, y, qRgb(0, 0, 255));
    b.AssignGlyph(glyph);
    b.SetNumGlyphs(2);
    root.Widget()->show();
    b.Widget()->show();
    const QImage up = b.Widget()->grab().toImage();
    EXPECT_EQ(up.pixelColor(15, 15), QColor(Qt::red));
    b.SetEnabled(false);
    const QImage disabled = b.Widget()->grab().toImage();
    EXPECT_EQ(disabled.pixelColor(15, 15), QColor(0, 0, 255));
}

TEST(SpeedButtonStyle, TheOlderStyleHasAFrameWithoutCornersAndTheNewOneABevel)
{
    e3test::TestContainer root(nullptr);
    e3::Te3_SpeedButton b(nullptr);
    b.SetParent(&root);
    b.SetText("");
    b.SetFlat(false);
    b.SetBounds(0, 0, 30, 20);
    root.Widget()->show();
    b.Widget()->show();
    // Compared as 8-bit colours, as the picture holds them.
    const QRgb frame = fw::ToQColor(fw::clWindowFrame).rgb();
    const QRgb face = fw::ToQColor(fw::clBtnFace).rgb();
    const QRgb shadow = fw::ToQColor(fw::clBtnShadow).rgb();
    ASSERT_NE(frame, face);

    WriteByName(b, "Style", int64_t {e3::bsWin31});
    const QImage win31 = b.Widget()->grab().toImage();
    EXPECT_EQ(win31.pixel(15, 0), frame);
    EXPECT_EQ(win31.pixel(0, 10), frame);
    EXPECT_EQ(win31.pixel(29, 10), frame);
    EXPECT_EQ(win31.pixel(15, 19), frame);
    EXPECT_EQ(win31.pixel(0, 0), face) << "the corners are left out";
    EXPECT_EQ(win31.pixel(29, 19), face);

    WriteByName(b, "Style", int64_t {e3::bsNew});
    const QImage bevel = b.Widget()->grab().toImage();
    EXPECT_NE(bevel.pixel(15, 0), frame);
    EXPECT_NE(bevel.pixel(0, 0), face) << "the bevel reaches the corner";
    EXPECT_NE(win31, bevel);

    // Pressed, the older style shows a shadow line inside its frame.
    b.SetGroupIndex(1);
    b.SetDown(true);
    WriteByName(b, "Style", int64_t {e3::bsWin31});
    const QImage down = b.Widget()->grab().toImage();
    EXPECT_EQ(down.pixel(15, 0), frame);
    EXPECT_EQ(down.pixel(15, 1), shadow);
    EXPECT_EQ(down.pixel(1, 10), shadow);
}

} // namespace
