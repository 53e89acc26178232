#include "submission/attachdialog/AttachmentDialog.h"

#include "e3/dialogs/FileDialogs.h"
#include "support/DialogScript.h"
#include "support/TempDir.h"

using namespace e3test;

namespace {

TEST(AttachmentDialog, EveryChosenFileIsTestedAndEachFailureShown)
{
    TempDir dir;
    dir.write("notes.txt", "text");
    dir.write("fake.zip", "no signature");
    dir.write("real.zip", std::string("PK\x03\x04", 4));
    e3::Te3_OpenDialog dialog(nullptr);
    dialog.SetInitialDir(dir.str());
    dialog.SetFilter("Signed|*.spdf|Archives|*.zip");
    dialog.SetOptions(dialog.GetOptions() | e3::OpenOption(e3::ofAllowMultiSelect));

    std::vector<std::string> shown;
    const attach::ShowVerdict show = [&](const std::string& title, const std::string& text) {
        shown.push_back(title + ": " + text);
    };
    const attach::LangText lang = [](const std::string& key, const std::string& text) {
        return key == "g3Dialog.pas.Message.8" ? "%s is no archive (%s)" : text;
    };
    DialogScript script({[](QFileDialog& d) { Choose(d, {"notes.txt", "fake.zip", "real.zip"}); },
                         [](QFileDialog& d) { Choose(d, {"real.zip"}); },
                         [](QFileDialog& d) { d.reject(); }});

    bool valid = true;
    EXPECT_TRUE(attach::ExecuteAttachmentDialog(dialog, valid, lang, show));
    EXPECT_FALSE(valid);
    EXPECT_EQ(dialog.GetFilter(), "Signed|*.pdf|Archives|*.zip");
    const std::string folder = dir.str() + "/";
    const std::vector<std::string> expected = {
        "Error: Chosen " + folder + "notes.txt file is invalid extension. Please choose another file.",
        "Error: " + folder + "fake.zip is no archive (" + folder + "fake.zip)",
    };
    EXPECT_EQ(shown, expected);

    shown.clear();
    EXPECT_TRUE(attach::ExecuteAttachmentDialog(dialog, valid, lang, show));
    EXPECT_TRUE(valid);
    EXPECT_TRUE(shown.empty());

    EXPECT_FALSE(attach::ExecuteAttachmentDialog(dialog, valid, lang, show));
    EXPECT_FALSE(valid);
    EXPECT_TRUE(shown.empty());
}

} // namespace
