#include "client/InfoForms.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(InfoMessage, OneWordIs250WideAndTheFormIsReused)
{
    std::unique_ptr<client::TFormMessage> form(client::PrepareInfoMessage(nullptr, "Busy", "Working"));
    EXPECT_EQ(form->GetWidth(), 250);
    EXPECT_EQ(form->GetCaption(), "Busy");
    EXPECT_FALSE(form->Panel2->GetVisible());
    EXPECT_EQ(form->Result, -1);
    const int oneLine = form->GetHeight();
    const std::string longText(40, 'w');
    client::TFormMessage* again =
        client::PrepareInfoMessage(form.get(), "Busy", longText + " " + longText + " " + longText + " " + longText);
    EXPECT_EQ(again, form.get());
    EXPECT_GT(form->GetHeight(), oneLine);
    // The label sits centred in the panel.
    const QRect label = form->Label1->geometry();
    EXPECT_NEAR(label.center().x(), form->Panel1->GetWidth() / 2, 1);
    EXPECT_NEAR(label.center().y(), form->Panel1->GetHeight() / 2, 1);
}

TEST(ProgressInfo, DotsGrowToTwentyThenStartAgainAndStopWhenHidden)
{
    std::unique_ptr<client::TFormProgressInfo> form(
        client::PrepareProgressInfo(nullptr, "Sending", "Sending the application", "Please wait"));
    EXPECT_EQ(form->GetWidth(), std::max(250, form->lblStaticText->width() + 30));
    EXPECT_EQ(form->ProgressCaption(), "Please wait");
    EXPECT_EQ(form->ProgressLabel->y(), form->lblStaticText->geometry().bottom() + 1 + 8);
    form->Show();
    EXPECT_TRUE(form->DotsRunning());
    for (int i = 0; i < 20; ++i)
        form->AdvanceDots();
    EXPECT_EQ(form->ProgressCaption(), "Please wait" + std::string(20, '.'));
    form->AdvanceDots();
    EXPECT_EQ(form->ProgressCaption(), "Please wait");
    form->Hide();
    EXPECT_FALSE(form->DotsRunning());
    client::PrepareProgressInfo(form.get(), "Sending", "Again", "Still");
    EXPECT_TRUE(form->DotsRunning());
    form->Button1Click();
    EXPECT_FALSE(form->DotsRunning());
}

} // namespace
