#include "framework/ApplicationException.h"
#include "framework/Form.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"
#include "u3/Exceptions.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace fw;

namespace {

class TBox : public TWinControl {
public:
    explicit TBox(TComponent* owner, QWidget* widget = new QWidget) : TWinControl(owner) { SetWidget(widget); }
};

// A form with two panels holding an edit each; every event is logged as
// "name:event".
class InputBridgeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TCustomForm>(nullptr);
        form->SetName("Form");
        form->SetBounds(0, 0, 400, 300);
        panel1 = Add<TBox>("Panel1", form.get(), 0, 0, 200, 100);
        panel2 = Add<TBox>("Panel2", form.get(), 0, 120, 200, 100);
        edit1 = Add<TBox>("Edit1", panel1, 10, 10, 100, 24, new QLineEdit);
        edit2 = Add<TBox>("Edit2", panel2, 10, 10, 100, 24, new QLineEdit);
        for (TWinControl* c : std::initializer_list<TWinControl*> {form.get(), panel1, panel2, edit1, edit2})
            Log(c);
        form->Show();
        QApplication::setActiveWindow(form->Widget());
        log.clear();
    }

    template <class T, class... Extra>
    T* Add(const char* name, TWinControl* parent, int x, int y, int w, int h, Extra... extra)
    {
        auto* c = new T(form.get(), extra...);
        c->SetName(name);
        c->SetParent(parent);
        c->SetBounds(x, y, w, h);
        return c;
    }

    void Log(TWinControl* c)
    {
        const std::string n = c->GetName();
        c->OnEnter = [this, n](TObject*) { log.push_back(n + ":Enter"); };
        c->OnExit = [this, n](TObject*) { log.push_back(n + ":Exit"); };
    }

    QLineEdit* Line(TBox* box) { return static_cast<QLineEdit*>(box->Widget()); }

    std::unique_ptr<TCustomForm> form;
    TBox *panel1 = nullptr, *panel2 = nullptr, *edit1 = nullptr, *edit2 = nullptr;
    std::vector<std::string> log;
};

TEST_F(InputBridgeTest, ClickIsALeftReleaseInsideAfterAPress)
{
    std::vector<std::string> mouse;
    edit1->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState s, int32_t x, int32_t y) {
        mouse.push_back("down " + std::to_string(b) + " " + std::to_string(s) + " " + std::to_string(x) + "," +
                        std::to_string(y));
    };
    edit1->OnMouseUp = [&](TObject*, TMouseButton b, TShiftState s, int32_t x, int32_t y) {
        mouse.push_back("up " + std::to_string(b) + " " + std::to_string(s) + " " + std::to_string(x) + "," +
                        std::to_string(y));
    };
    edit1->OnClick = [&](TObject*) { mouse.push_back("click"); };
    panel1->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int32_t, int32_t) { mouse.push_back("panel"); };

    QTest::mouseClick(edit1->Widget(), Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 6));
    EXPECT_EQ(mouse, (std::vector<std::string> {"down 0 9 5,6", "click", "up 0 1 5,6"}));

    mouse.clear();
    QTest::mouseClick(edit1->Widget(), Qt::RightButton, Qt::NoModifier, QPoint(7, 8));
    EXPECT_EQ(mouse, (std::vector<std::string> {"down 1 16 7,8", "up 1 0 7,8"}));

    // Released outside the control: no click.
    mouse.clear();
    QTest::mousePress(edit1->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseRelease(edit1->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(500, 5));
    EXPECT_EQ(mouse, (std::vector<std::string> {"down 0 8 5,5", "up 0 0 500,5"}));

    // The panel's own press, in its own coordinates.
    mouse.clear();
    panel1->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int32_t x, int32_t y) {
        mouse.push_back("panel " + std::to_string(x) + "," + std::to_string(y));
    };
    QTest::mousePress(panel1->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(150, 50));
    QTest::mouseRelease(panel1->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(150, 50));
    EXPECT_EQ(mouse, (std::vector<std::string> {"panel 150,50"}));
}

TEST_F(InputBridgeTest, DoubleClickRaisesDblClickAndADoubleMouseDown)
{
    int dbl = 0;
    std::vector<TShiftState> downs;
    edit1->OnDblClick = [&](TObject*) { ++dbl; };
    edit1->OnMouseDown = [&](TObject*, TMouseButton, TShiftState s, int32_t, int32_t) { downs.push_back(s); };
    QTest::mouseDClick(edit1->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(dbl, 1);
    ASSERT_FALSE(downs.empty());
    EXPECT_EQ(downs.back() & (1u << ssDouble), 1u << ssDouble);
}

TEST_F(InputBridgeTest, KeyHandlersSeeCodesAndMaySwallowOrReplaceKeys)
{
    Line(edit1)->setFocus(Qt::OtherFocusReason);
    std::vector<std::string> keys;
    edit1->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState shift) {
        keys.push_back("down " + std::to_string(key) + " " + std::to_string(shift));
        if (key == 'Q')
            key = 0;
    };
    edit1->OnKeyUp = [&](TObject*, uint16_t& key, TShiftState) { keys.push_back("up " + std::to_string(key)); };
    edit1->OnKeyPress = [&](TObject*, char32_t& ch) {
        keys.push_back("press " + std::to_string(static_cast<uint32_t>(ch)));
        if (ch == 'x')
            ch = 0;
        else if (ch == 'y')
            ch = U'Z';
    };

    QTest::keyClick(Line(edit1), Qt::Key_A);
    EXPECT_EQ(keys, (std::vector<std::string> {"down 65 0", "press 97", "up 65"}));
    QTest::keyClick(Line(edit1), Qt::Key_X);
    QTest::keyClick(Line(edit1), Qt::Key_Y);
    EXPECT_EQ(Line(edit1)->text().toStdString(), "aZ");

    keys.clear();
    QTest::keyClick(Line(edit1), Qt::Key_S, Qt::ControlModifier);
    EXPECT_NE(std::find(keys.begin(), keys.end(), "down 83 4"), keys.end());
    keys.clear();
    QTest::keyClick(Line(edit1), Qt::Key_Return);
    EXPECT_EQ(keys, (std::vector<std::string> {"down 13 0", "press 13", "up 13"}));

    // A swallowed key-down still types its character, as the original's
    // character messages did; only the key-press handler stops that.
    Line(edit1)->clear();
    QTest::keyClick(Line(edit1), Qt::Key_Q);
    EXPECT_EQ(Line(edit1)->text().toStdString(), "q");
    // A key-down that swallows Backspace keeps the text.
    edit1->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) {
        if (key == 8)
            key = 0;
    };
    edit1->OnKeyPress = [&](TObject*, char32_t& ch) {
        if (ch == 8)
            ch = 0;
    };
    QTest::keyClick(Line(edit1), Qt::Key_Backspace);
    EXPECT_EQ(Line(edit1)->text().toStdString(), "q");
}

TEST_F(InputBridgeTest, KeyPreviewLetsTheFormSeeKeysFirst)
{
    Line(edit2)->setFocus(Qt::OtherFocusReason);
    std::vector<std::string> seen;
    form->OnKeyDown = [&](TObject* sender, uint16_t& key, TShiftState) {
        seen.push_back("form " + static_cast<TComponent*>(sender)->GetName());
        if (key == 113) // F2
            key = 0;
    };
    edit2->OnKeyDown = [&](TObject*, uint16_t&, TShiftState) { seen.push_back("edit"); };
    panel2->OnKeyDown = [&](TObject*, uint16_t&, TShiftState) { seen.push_back("panel"); };

    QTest::keyClick(Line(edit2), Qt::Key_F1);
    EXPECT_EQ(seen, (std::vector<std::string> {"edit"}));

    form->SetKeyPreview(true);
    seen.clear();
    QTest::keyClick(Line(edit2), Qt::Key_F1);
    EXPECT_EQ(seen, (std::vector<std::string> {"form Form", "edit"}));
    seen.clear();
    QTest::keyClick(Line(edit2), Qt::Key_F2);
    EXPECT_EQ(seen, (std::vector<std::string> {"form Form"}));
}

TEST_F(InputBridgeTest, EnterAndExitFollowTheParentChainButNotWindowActivation)
{
    if (QWidget* focused = QApplication::focusWidget())
        focused->clearFocus();
    log.clear();
    Line(edit1)->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(log, (std::vector<std::string> {"Panel1:Enter", "Edit1:Enter"}));

    log.clear();
    Line(edit2)->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(log, (std::vector<std::string> {"Edit1:Exit", "Panel1:Exit", "Panel2:Enter", "Edit2:Enter"}));

    // Focus that comes with the window raises nothing, and the next move
    // leaves the control that has it.
    log.clear();
    Line(edit1)->setFocus(Qt::ActiveWindowFocusReason);
    Line(edit2)->setFocus(Qt::PopupFocusReason);
    EXPECT_TRUE(log.empty());
    Line(edit1)->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(log, (std::vector<std::string> {"Edit2:Exit", "Panel2:Exit", "Panel1:Enter", "Edit1:Enter"}));

    // Focus that goes nowhere leaves every control up to the form.
    log.clear();
    Line(edit1)->clearFocus();
    EXPECT_EQ(log, (std::vector<std::string> {"Edit1:Exit", "Panel1:Exit"}));
}

std::vector<std::string> reported;
void Record(const std::exception& e)
{
    reported.push_back(e.what());
}

TEST_F(InputBridgeTest, ExceptionsStopAtTheEventLoop)
{
    reported.clear();
    e3test::TempDir logFolder;
    e3test::LogCapture log(logFolder.path());
    const TExceptionHandler saved = ApplicationExceptionHandler;
    ApplicationExceptionHandler = Record;
    int depth = -1;
    edit1->OnClick = [&](TObject*) {
        depth = HandlerScope::Depth();
        throw u3::Exception("engine gone");
    };
    EXPECT_NO_THROW(QTest::mouseClick(edit1->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3)));
    EXPECT_GT(depth, 0);
    edit1->OnClick = [&](TObject*) { throw u3::EAbort(); };
    EXPECT_NO_THROW(QTest::mouseClick(edit1->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3)));
    ApplicationExceptionHandler = saved;
    EXPECT_EQ(reported, (std::vector<std::string> {"engine gone"}));
    // The message the handler shows is gone once closed; the log keeps it.
    EXPECT_EQ(log.Entries(), (std::vector<std::string> {"L1 An error occured in an event handler. Message: engine gone"}));
}

TEST_F(InputBridgeTest, AHandlerMayFreeItsControl)
{
    edit1->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int32_t, int32_t) { edit1->Release(); };
    int clicks = 0;
    edit1->OnClick = [&](TObject*) { ++clicks; };
    QWidget* widget = edit1->Widget();
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    EXPECT_EQ(clicks, 0);
    TComponent::DeleteReleased();
}

} // namespace
