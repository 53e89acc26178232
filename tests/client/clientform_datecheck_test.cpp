#include "ClientFixture.h"

#include "client/ClientForm.h"
#include "e3/buttons/SpeedButton.h"
#include "e3/dates/DateEdit.h"
#include "e3/menus/Menus.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace e3test;

namespace {

class RecordingFeedback final : public e3::EditFeedback {
public:
    RecordingFeedback() { e3::SetEditFeedback(this); }
    ~RecordingFeedback() override { e3::SetEditFeedback(nullptr); }
    void Beep() override {}
    void ShowWarning(const std::string& title, const std::string& text) override
    {
        boxes.push_back(title + "|" + text);
    }
    std::vector<std::string> boxes;
};

class ClientFormDateCheckTest : public ClientFixture {
protected:
    void TearDown() override
    {
        delete form.get();
        ClientFixture::TearDown();
    }

    // A shown form with two date edits; the first is entered, its error text
    // set, and "12" typed into it.
    void BuildAndTypeHalfADate()
    {
        form = new client::Te3_ClientForm(nullptr);
        form->SetBounds(0, 0, 300, 200);
        date = new e3::Te3_DateEdit(form.get());
        date->SetParent(form.get());
        date->SetDefaultFormat("DD.MM.YYYY");
        date->SetLanguage(e3::en);
        date->SetErrMsg("Bad date");
        other = new e3::Te3_DateEdit(form.get());
        other->SetParent(form.get());
        other->SetTop(40);
        button = new e3::Te3_SpeedButton(form.get());
        button->SetParent(form.get());
        button->SetBounds(10, 80, 80, 25);
        auto* menu = new e3::Te3_MainMenu(form.get());
        item = new e3::Te3MenuItem(form.get());
        menu->Items()->Add(item);
        form->Show();
        QApplication::setActiveWindow(form->Widget());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
        // The window's activation may have put the focus there already;
        // entering the edit is what switches it to its typing mask.
        other->LineEdit()->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        date->LineEdit()->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        ASSERT_TRUE(date->LineEdit()->hasFocus());
        QTest::keyClicks(date->LineEdit(), "12");
        ASSERT_EQ(date->LineEdit()->text().toStdString(), "12.__.____");
    }

    void CompleteTheDate()
    {
        date->LineEdit()->setCursorPosition(3);
        QTest::keyClicks(date->LineEdit(), "122024");
        ASSERT_EQ(date->LineEdit()->text().toStdString(), "12.12.2024");
    }

    RecordingFeedback feedback;
    fw::Guard<client::Te3_ClientForm> form;
    e3::Te3_DateEdit* date = nullptr;
    e3::Te3_DateEdit* other = nullptr;
    e3::Te3_SpeedButton* button = nullptr;
    e3::Te3MenuItem* item = nullptr;
};

// A focused date edit whose text is no date keeps its form open, with the
// edit's error text; a real date lets it close.
TEST_F(ClientFormDateCheckTest, CloseQueryWaitsForARealDate)
{
    BuildAndTypeHalfADate();
    EXPECT_FALSE(form->CloseQuery());
    EXPECT_EQ(feedback.boxes, (std::vector<std::string> {"Error|Bad date"}));
    EXPECT_TRUE(date->LineEdit()->hasFocus());

    CompleteTheDate();
    EXPECT_TRUE(form->CloseQuery());
    EXPECT_EQ(feedback.boxes.size(), 1u);
}

// Buttons and menu commands wait for a real date in the focused date edit. A
// button that takes the focus sends the user back through the edit's own exit
// check; a menu command passes the form's gate.
TEST_F(ClientFormDateCheckTest, CommandsWaitForARealDate)
{
    BuildAndTypeHalfADate();
    std::vector<std::string> commands;
    button->OnClick = [&](fw::TObject*) { commands.push_back("button"); };
    item->OnClick = [&](fw::TObject*) { commands.push_back("menu"); };

    QTest::mouseClick(button->Widget(), Qt::LeftButton, {}, QPoint(10, 10));
    item->Action()->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(commands.empty());
    ASSERT_FALSE(feedback.boxes.empty());
    EXPECT_EQ(feedback.boxes.back(), "Error|Bad date");
    EXPECT_TRUE(date->LineEdit()->hasFocus());

    // The edit is still entered: what is typed goes into its mask.
    CompleteTheDate();
    const size_t boxes = feedback.boxes.size();
    QTest::mouseClick(button->Widget(), Qt::LeftButton, {}, QPoint(10, 10));
    item->Action()->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(commands, (std::vector<std::string> {"button", "menu"}));
    EXPECT_EQ(feedback.boxes.size(), boxes);
}

} // namespace
