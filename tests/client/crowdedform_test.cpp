// A form description that puts more edits under one parent than the client can
// paint is refused with a message and a log line, instead of taking the
// program down; a form of exactly the limit is built and painted.
#include "ClientFixture.h"

#include "client/Client.h"
#include "client/ClientForm.h"
#include "framework/Control.h"
#include "framework/Form.h"
#include "support/LogCapture.h"
#include "support/RecordingUserMessages.h"

#include <QPixmap>
#include <QWidget>

using namespace e3test;

namespace {

// The description of FormMain with that many overlapping edits right on it.
std::string CrowdedForm(int edits)
{
    std::string text = "desc\r\n[\r\n0\r\nTe3_ClientForm\r\nParent\r\nNIL\r\nNAME\r\nFormMain\r\n"
                       "WIDTH\r\n600\r\nHEIGHT\r\n400\r\n]\r\n";
    for (int i = 0; i < edits; ++i)
        text += "[\r\n1\r\nTe3_Edit\r\nParent\r\nFormMain\r\nNAME\r\nE" + std::to_string(i) + "\r\nLEFT\r\n"
                + std::to_string(i % 500) + "\r\nTOP\r\n" + std::to_string(i % 380) + "\r\n]\r\n";
    return text + "}\r\nx\r\n{\r\n}\r\nx\r\n{\r\n}\r\n";
}

class CrowdedFormTest : public ClientFixture {
protected:
    void CreateForm(int edits)
    {
        engine->ServeFile("Form", "FormMain", CrowdedForm(edits));
        const fw::TPropInfo* p = theClient->ClassType().FindProperty("_CreateForm");
        ASSERT_NE(p, nullptr);
        p->set(*theClient, std::string("FormMain"));
    }

    RecordingUserMessages messages;
};

TEST_F(CrowdedFormTest, FiftyThousandEditsUnderOneParentAreRefusedWithAMessageAndALogLine)
{
    LogCapture log(dir.path());
    CreateForm(50000);
    EXPECT_EQ(theClient->Forms().Find("FormMain"), nullptr);
    EXPECT_EQ(fw::TCustomForm::MainForm(), nullptr);
    ASSERT_EQ(messages.plain.size(), 1u);
    EXPECT_EQ(messages.plain[0], "The form FormMain cannot be shown. 'FormMain' cannot hold more than "
                                     + std::to_string(fw::kMaxChildWindows) + " controls.");
    EXPECT_EQ(log.Entries(), std::vector<std::string> {"L1 " + messages.plain[0]});
}

TEST_F(CrowdedFormTest, AFormOfExactlyTheLimitIsBuiltAndPainted)
{
    const int edits = fw::kMaxChildWindows;
    CreateForm(edits);
    EXPECT_TRUE(messages.plain.empty());
    auto* form = theClient->Forms().Find("FormMain");
    ASSERT_NE(form, nullptr);
    EXPECT_NE(form->FindComponent("E" + std::to_string(edits - 1)), nullptr);
    // Every edit overlaps the painted area, so each is one level of Qt's
    // recursion through the siblings.
    form->Widget()->show();
    const QPixmap shot = form->Widget()->grab();
    EXPECT_FALSE(shot.isNull());
    delete form;
}

} // namespace
