#include "ClientFixture.h"

#include "client/ClientForm.h"
#include "e3/dates/DateEdit.h"

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

    fw::Guard<client::Te3_ClientForm> form;
};

// A focused date edit whose text is no date keeps its form open, with the
// edit's error text; a real date lets it close.
TEST_F(ClientFormDateCheckTest, CloseQueryWaitsForARealDate)
{
    RecordingFeedback feedback;
    form = new client::Te3_ClientForm(nullptr);
    form->SetBounds(0, 0, 300, 200);
    auto* date = new e3::Te3_DateEdit(form.get());
    date->SetParent(form.get());
    date->SetDefaultFormat("DD.MM.YYYY");
    date->SetLanguage(e3::en);
    date->SetErrMsg("Bad date");
    auto* other = new e3::Te3_DateEdit(form.get());
    other->SetParent(form.get());
    other->SetTop(40);
    form->Show();
    QApplication::setActiveWindow(form->Widget());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
    // The window's activation may have put the focus there already; entering
    // the edit is what switches it to its typing mask.
    other->LineEdit()->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    date->LineEdit()->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    ASSERT_TRUE(date->LineEdit()->hasFocus());

    QTest::keyClicks(date->LineEdit(), "12");
    EXPECT_EQ(date->LineEdit()->text().toStdString(), "12.__.____");
    EXPECT_FALSE(form->CloseQuery());
    EXPECT_EQ(feedback.boxes, (std::vector<std::string> {"Error|Bad date"}));
    EXPECT_TRUE(date->LineEdit()->hasFocus());

    date->LineEdit()->setCursorPosition(3);
    QTest::keyClicks(date->LineEdit(), "122024");
    EXPECT_EQ(date->LineEdit()->text().toStdString(), "12.12.2024");
    EXPECT_TRUE(form->CloseQuery());
    EXPECT_EQ(feedback.boxes.size(), 1u);
}

} // namespace
