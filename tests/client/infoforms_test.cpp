#include "client/InfoForms.h"
#include "client/MessageDialog.h"
#include "e3/buttons/SpeedButton.h"

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

TEST(InfoMessage, ButtonsAnswerWithTheirTagAndEscapePressesTheCancelButton)
{
    std::unique_ptr<client::TFormMessage> form(client::PrepareInfoMessage(nullptr, "Busy", "Working"));
    auto* button = new e3::Te3_SpeedButton(form.get());
    button->SetParent(form->Panel2);
    button->SetTag(3);
    button->OnClick = [&](fw::TObject* sender) { form->btnClick(sender); };
    form->Panel2->SetVisible(true);
    form->Show();

    form->btnClick(button);
    EXPECT_EQ(form->Result, 3);
    EXPECT_FALSE(form->Widget()->isVisible());
    form->btnClick(form->Panel1); // not a button
    EXPECT_EQ(form->Result, -1);

    // The form's own key-down event, as its key preview raises it.
    const auto escape = [&](fw::TShiftState shift) {
        uint16_t key = 27;
        form->DoKeyDown(key, shift);
    };
    form->CancelButton = button;
    escape(1u << fw::ssShift);
    EXPECT_EQ(form->Result, -1);
    escape(0);
    EXPECT_EQ(form->Result, 3);

    // Preparing the form again forgets the cancel button.
    form->Result = -1;
    client::PrepareInfoMessage(form.get(), "Busy", "Still working");
    escape(0);
    EXPECT_EQ(form->Result, -1);
}

TEST(InfoMessage, PanelsTakeTheMainFormsFontSizeAndTheTextKeepsItsOwn)
{
    fw::TCustomForm main(nullptr);
    main.GetFont()->SetSize(20);
    fw::TCustomForm* before = fw::TCustomForm::MainForm();
    fw::TCustomForm::SetMainForm(&main);
    std::unique_ptr<client::TFormMessage> form(client::PrepareInfoMessage(nullptr, "Busy", "Working"));
    fw::TCustomForm::SetMainForm(before);
    EXPECT_EQ(form->Panel1->GetFont()->GetSize(), 20);
    EXPECT_EQ(form->Panel2->GetFont()->GetSize(), 20);
    EXPECT_EQ(form->Label1->font().pointSize(), 9);
}

TEST(ProgressInfo, DotsGrowToTwentyThenStartAgainAndStopWhenHidden)
{
    std::unique_ptr<client::TFormProgressInfo> form(
        client::PrepareProgressInfo(nullptr, "Sending", "Sending the application", "Please wait"));
    EXPECT_EQ(form->GetWidth(), std::max(250, form->lblStaticText->width() + 30));
    e3::Te3_ProgressLabel* progress = form->ProgressLabel;
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->GetParent(), form->Panel1);
    EXPECT_EQ(progress->GetText(), "Please wait");
    EXPECT_EQ(progress->GetLeft(), 4);
    EXPECT_EQ(progress->GetTop(), form->lblStaticText->geometry().bottom() + 1 + 8);
    EXPECT_EQ(progress->GetWidth(), 250);
    EXPECT_EQ(progress->GetInterval(), 1000);
    EXPECT_TRUE(progress->GetWordWrap());
    form->Show();
    EXPECT_TRUE(progress->GetShowProgress());
    for (int i = 0; i < 20; ++i)
        progress->Tick();
    EXPECT_EQ(progress->GetText(), "Please wait" + std::string(20, '.'));
    progress->Tick();
    EXPECT_EQ(progress->GetText(), "Please wait");
    progress->Tick();
    form->Hide();
    EXPECT_FALSE(progress->GetShowProgress());
    EXPECT_EQ(progress->GetText(), "Please wait");

    // Reused: the same label, the new caption, running again.
    EXPECT_EQ(client::PrepareProgressInfo(form.get(), "Sending", "Again", "Still"), form.get());
    EXPECT_EQ(form->ProgressLabel, progress);
    EXPECT_EQ(progress->GetText(), "Still");
    EXPECT_TRUE(progress->GetShowProgress());
    form->Button1Click();
    EXPECT_FALSE(progress->GetShowProgress());
}

} // namespace
