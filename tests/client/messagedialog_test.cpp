#include "client/MessageDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QLabel>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using client::TMessageForm;

// Answers the dialog the way the test says, instead of a person.
class Answerer : public client::MessageDialogSeam {
public:
    explicit Answerer(std::function<void(TMessageForm&)> answer) : answer_(std::move(answer))
    {
        client::SetMessageDialogSeam(this);
    }
    ~Answerer() override { client::SetMessageDialogSeam(nullptr); }
    void Run(TMessageForm& form) override
    {
        form.Show();
        answer_(form);
    }
    void Beep() override { ++beeps; }
    int beeps = 0;

private:
    std::function<void(TMessageForm&)> answer_;
};

void CloseByWindowManager(TMessageForm& form)
{
    QCloseEvent close;
    QApplication::sendEvent(form.Widget(), &close);
}

TEST(MessageDialog, ResultIsTheButtonIndexOrMinusOne)
{
    const std::vector<std::string> okCancel {"OK", "&Cancel"};
    struct Case {
        const char* what;
        std::vector<std::string> buttons;
        std::function<void(TMessageForm&)> answer;
        int expected;
    } cases[] = {
        {"click OK", okCancel, [](TMessageForm& f) { QTest::mouseClick(f.Buttons()[0], Qt::LeftButton); }, 0},
        {"click Cancel", okCancel, [](TMessageForm& f) { QTest::mouseClick(f.Buttons()[1], Qt::LeftButton); }, 1},
        {"Escape", okCancel, [](TMessageForm& f) { QTest::keyClick(f.Widget(), Qt::Key_Escape); }, 1},
        {"Shift+Escape", okCancel,
         [](TMessageForm& f) {
             QTest::keyClick(f.Widget(), Qt::Key_Escape, Qt::ShiftModifier);
             CloseByWindowManager(f);
         },
         -1},
        {"closed by the window manager", okCancel, CloseByWindowManager, -1},
        {"Escape without a cancel button", {"Yes", "No", "Cancel"},
         [](TMessageForm& f) {
             QTest::keyClick(f.Widget(), Qt::Key_Escape);
             EXPECT_TRUE(f.Widget()->isVisible());
             CloseByWindowManager(f);
         },
         -1},
        {"no buttons", {}, CloseByWindowManager, -1},
    };
    for (const Case& c : cases) {
        Answerer answerer(c.answer);
        EXPECT_EQ(client::MessageDialog("Title", "Text", c.buttons), c.expected) << c.what;
    }
}

TEST(MessageDialog, ModalRunEndsWithTheClickedButton)
{
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* b = w->findChild<QToolButton*>("Button2"); b && w->isVisible())
                b->click();
    });
    EXPECT_EQ(client::MessageDialog("Title", "Text", {"A", "B", "C"}), 2);
}

TEST(MessageDialog, CheckBoxStartsUncheckedAndReportsItsState)
{
    for (bool click : {false, true}) {
        Answerer answerer([click](TMessageForm& f) {
            ASSERT_NE(f.CheckBox(), nullptr);
            EXPECT_FALSE(f.CheckBox()->isChecked());
            if (click)
                QTest::mouseClick(f.CheckBox(), Qt::LeftButton, {}, QPoint(5, f.CheckBox()->height() / 2));
            QTest::mouseClick(f.Buttons()[0], Qt::LeftButton);
        });
        bool checked = true;
        EXPECT_EQ(client::MessageDialogCheck("T", "Text", "Do not ask again", checked, {"OK"}), 0);
        EXPECT_EQ(checked, click);
    }
}

TEST(MessageDialog, CtrlCCopiesTheFramedMessageAndBeeps)
{
    Answerer answerer([](TMessageForm& f) {
        QTest::keyClick(f.Widget(), Qt::Key_C, Qt::ControlModifier);
        CloseByWindowManager(f);
    });
    QGuiApplication::clipboard()->clear();
    client::MessageDialog("Saving", "Save the changes?", {"&Yes", "&No", "&Cancel"});
    const std::string d = "---------------------------\r\n";
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
              d + "Saving\r\n" + d + "Save the changes?\r\n" + d + "Yes   No   Cancel   \r\n" + d);
    EXPECT_EQ(answerer.beeps, 1);
}

TEST(MessageDialog, SurfaceDragMovesTheForm)
{
    Answerer answerer([](TMessageForm& f) {
        const QPoint before(f.GetLeft(), f.GetTop());
        QWidget* w = f.Widget();
        const QPoint at(2, 2); // a margin, covered by no child
        ASSERT_EQ(w->childAt(at), nullptr);
        QTest::mousePress(w, Qt::LeftButton, {}, at);
        QMouseEvent move(QEvent::MouseMove, QPointF(at + QPoint(30, 20)), w->mapToGlobal(QPointF(at + QPoint(30, 20))),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
        QTest::mouseRelease(w, Qt::LeftButton, {}, at + QPoint(30, 20));
        EXPECT_EQ(QPoint(f.GetLeft(), f.GetTop()), before + QPoint(30, 20));
        CloseByWindowManager(f);
    });
    client::MessageDialog("T", "Text", {"OK"});
}

// ---------------------------------------------------------------------------

TEST(FitTextToWidth, LongestPrefixThatFitsDownToOneCharacter)
{
    const auto tenPerChar = [](const QString& s) { return 10 * static_cast<int>(s.toStdU32String().size()); };
    struct Case {
        const char* text;
        int maxWidth;
        const char* expected;
    } cases[] = {
        {"abc", 10, "a"}, {"abcdef", 10, "a"}, {"abc", 9, ""},    {"abc", 30, "abc"}, {"abc", 100, "abc"},
        {"abcdef", 25, "ab"}, {"abcdef", 40, "abcd"}, {"", 5, ""}, {"x", 10, "x"},    {"äöü", 20, "äö"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(client::FitTextToWidth(QString::fromUtf8(c.text), c.maxWidth, tenPerChar).toStdString(), c.expected)
            << c.text << " in " << c.maxWidth;
}

client::MessageLayoutInput FakeMetrics(std::vector<std::string> captions, std::string text = "Message text")
{
    client::MessageLayoutInput in;
    in.text = std::move(text);
    in.captions = std::move(captions);
    in.avgCharWidth = 6;
    in.charHeight = 13;
    in.screenWidth = 640;
    in.screenHeight = 480;
    in.frameWidth = 6;
    in.frameHeight = 25;
    in.textWidth = [](const QString& s) { return 7 * static_cast<int>(s.size()); };
    in.wrappedSize = [](const QString& s, int width) {
        const int perLine = std::max(1, width / 7);
        const int lines = std::max(1, (static_cast<int>(s.size()) + perLine - 1) / perLine);
        return QSize(std::min(width, 7 * static_cast<int>(s.size())), 13 * lines);
    };
    return in;
}

void ExpectButtonsInside(const client::MessageLayout& l, const std::string& what)
{
    const QRect client(0, 0, l.clientWidth, l.clientHeight);
    for (size_t i = 0; i < l.buttons.size(); ++i) {
        EXPECT_TRUE(client.contains(l.buttons[i].rect)) << what << " button " << i;
        if (i > 0) {
            EXPECT_FALSE(l.buttons[i].rect.intersects(l.buttons[i - 1].rect)) << what << " button " << i;
        }
    }
}

TEST(MessageLayout, EveryButtonInsideTheFormWhateverTheCount)
{
    for (const char* caption : {"OK", "&Cancel", "Save all changes", "A caption far too long for any button here"})
        for (size_t n : {1, 2, 3, 4, 5, 6, 7, 30, 60, 120}) {
            const client::MessageLayout l = client::LayoutMessageForm(FakeMetrics(std::vector<std::string>(n, caption)));
            ExpectButtonsInside(l, std::string(caption) + " x" + std::to_string(n));
            EXPECT_LE(l.clientWidth + 6, 320);
        }
}

TEST(MessageLayout, TwoShortCaptionsAre75WideAndCentred)
{
    const client::MessageLayout l = client::LayoutMessageForm(FakeMetrics({"OK", "&Cancel"}));
    ASSERT_EQ(l.buttons.size(), 2u);
    EXPECT_EQ(l.buttons[0].rect.width(), 75);
    EXPECT_EQ(l.buttons[1].rect.width(), 75);
    EXPECT_EQ(l.buttons[0].rect.left(), l.clientWidth - 1 - l.buttons[1].rect.right());
    EXPECT_EQ(l.buttons[0].caption, "OK");
    EXPECT_TRUE(l.buttons[0].hint.empty());
    EXPECT_GE(l.clientWidth + 6, 200);
}

TEST(MessageLayout, CutCaptionsEndInDotsAndKeepTheirTextAsHint)
{
    const std::string longCaption = "A caption far too long for any button here";
    const client::MessageLayout l = client::LayoutMessageForm(FakeMetrics(std::vector<std::string>(3, longCaption)));
    for (const auto& b : l.buttons) {
        EXPECT_EQ(b.hint, longCaption);
        ASSERT_GE(b.caption.size(), 4u);
        EXPECT_EQ(b.caption.substr(b.caption.size() - 3), "...");
        EXPECT_LE(7 * static_cast<int>(b.caption.size()), b.rect.width());
    }
}

TEST(MessageLayout, TallTextScrollsAndTheButtonsStayBelowIt)
{
    client::MessageLayoutInput in = FakeMetrics({"OK"}, std::string(4000, 'x'));
    in.checkCaption = std::string(200, 'c');
    const client::MessageLayout l = client::LayoutMessageForm(in);
    ASSERT_TRUE(l.scrolls);
    EXPECT_LE(l.clientHeight + 25, 240);
    EXPECT_LT(l.scrollBox.bottom(), l.checkBox.top());
    EXPECT_LT(l.checkBox.bottom(), l.buttons[0].rect.top());
    ExpectButtonsInside(l, "tall");
    EXPECT_EQ(l.label.topLeft(), QPoint(0, 0));
    EXPECT_EQ(l.checkHint, in.checkCaption); // wider than half the screen: cut, shown as hint
}

TEST(MessageDialog, TextsKeepTheMessageFontWhateverTheMainFormUses)
{
    fw::TCustomForm main(nullptr);
    main.GetFont()->SetSize(31);
    fw::TCustomForm* before = fw::TCustomForm::MainForm();
    fw::TCustomForm::SetMainForm(&main);
    std::unique_ptr<TMessageForm> f(client::CreateMessageForm("Text", {"OK"}, "Again"));
    fw::TCustomForm::SetMainForm(before);
    EXPECT_NE(f->GetFont()->GetSize(), 31);
    const QFont font = f->GetFont()->ToQFont();
    EXPECT_TRUE(f->MessageLabel()->font() == font);
    EXPECT_TRUE(f->CheckBox()->font() == font);
    EXPECT_TRUE(f->Buttons()[0]->font() == font);
}

TEST(MessageDialog, BuiltFormKeepsItsButtonsInsideForOneToSevenCaptions)
{
    for (size_t n = 1; n <= 7; ++n) {
        std::unique_ptr<TMessageForm> f(
            client::CreateMessageForm("Text", std::vector<std::string>(n, "Retry the transfer"), ""));
        ASSERT_EQ(f->Buttons().size(), n);
        const QRect client(0, 0, f->ClientWidth(), f->ClientHeight());
        for (QToolButton* b : f->Buttons())
            EXPECT_TRUE(client.contains(b->geometry())) << n << " " << b->objectName().toStdString();
        EXPECT_EQ(f->Buttons()[0]->objectName(), "Button0");
    }
}

} // namespace
