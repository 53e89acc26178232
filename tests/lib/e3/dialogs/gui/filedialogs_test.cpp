#include "support/DialogScript.h"

#include "e3/dialogs/FileDialogs.h"
#include "support/TempDir.h"

#include <QProcess>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace e3test;

namespace {

// What the dialogs tell the client, one line per call.
class RecordingHost final : public e3::IDialogHost {
public:
    RecordingHost() { e3::SetDialogHost(this); }
    ~RecordingHost() override { e3::SetDialogHost(nullptr); }

    void MapCallbackEvent(const std::string& eventName) override { calls.push_back("map " + eventName); }
    void SendFileDialogResult(const std::string& callback, bool modalResult, const std::string& files,
                              int32_t filterIndex, int64_t fileSize) override
    {
        calls.push_back("file " + callback + " " + (modalResult ? "1" : "0") + " [" + files + "] " +
                        std::to_string(filterIndex) + " " + std::to_string(fileSize));
    }
    void SendDirectoryResult(const std::string& callback, bool modalResult, const std::string& directory) override
    {
        calls.push_back("dir " + callback + " " + (modalResult ? "1" : "0") + " [" + directory + "]");
    }
    bool ValidateOpenDialog(e3::TOpenDialog& dialog) override
    {
        calls.push_back("validate");
        return dialog.Execute();
    }
    std::any EventListHandler(const std::string&) override { return {}; }

    std::vector<std::string> calls;
};

void Write(const std::string& action, fw::TObject& object, const std::string& value)
{
    const fw::TPropInfo* p = object.ClassType().FindProperty(action);
    ASSERT_NE(p, nullptr) << action;
    p->set(object, value);
}

// The names in folder that `find -iname mask` lists.
std::set<std::string> FindIName(const std::string& folder, const std::string& mask)
{
    QProcess find;
    find.start("find", {QString::fromStdString(folder), "-mindepth", "1", "-maxdepth", "1", "-type", "f", "-iname",
                        QString::fromStdString(mask), "-printf", "%f\\n"});
    EXPECT_TRUE(find.waitForFinished(60000));
    std::set<std::string> names;
    for (const QByteArray& line : find.readAllStandardOutput().split('\n'))
        if (!line.isEmpty())
            names.insert(line.toStdString());
    return names;
}

std::string Join(const std::set<std::string>& names)
{
    std::string out;
    for (const auto& n : names)
        out += n + " ";
    return out;
}

TEST(FileDialogs, MasksListWhatFindINameLists)
{
    TempDir dir;
    for (const char* name : {"a.pdf", "B.PDF", "c.Pdf", "d.txt", "e.pdfx", "f.pdf.bak", "noext", "h.PdF", "x.pdf"})
        dir.write(name, "x");
    for (const char* mask : {"*.pdf", "*.PDF", "?.pdf", "*.pdf*", "D*", "*"}) {
        const std::set<std::string> expected = FindIName(dir.str(), mask);
        ASSERT_FALSE(expected.empty()) << mask;
        std::set<std::string> listed;
        DialogScript script({[&](QFileDialog& d) {
            (void)QTest::qWaitFor([&] { return Listed(d) == expected; }, 30000);
            listed = Listed(d);
            d.reject();
        }});
        e3::Te3_OpenDialog dialog(nullptr);
        dialog.SetInitialDir(dir.str());
        dialog.SetFilter(std::string("Files|") + mask);
        EXPECT_FALSE(dialog.Execute());
        EXPECT_EQ(Join(listed), Join(expected)) << mask;
    }

    // Where the original's masks differ from find's: "*.*" takes names without
    // a dot too, and brackets are plain characters.
    dir.write("[x].pdf", "x");
    std::set<std::string> all, bracket;
    DialogScript script({[&](QFileDialog& d) {
                             (void)QTest::qWaitFor([&] { return Listed(d).count("noext") == 1; }, 30000);
                             all = Listed(d);
                             d.reject();
                         },
                         [&](QFileDialog& d) {
                             (void)QTest::qWaitFor([&] { return Listed(d).count("[x].pdf") == 1; }, 30000);
                             bracket = Listed(d);
                             d.reject();
                         }});
    e3::Te3_OpenDialog dialog(nullptr);
    dialog.SetInitialDir(dir.str());
    dialog.SetFilter("All|*.*");
    dialog.Execute();
    dialog.SetFilter("Odd|[x].pdf");
    dialog.Execute();
    EXPECT_EQ(all.size(), 10u) << Join(all);
    EXPECT_EQ(Join(bracket), "[x].pdf ");
}

TEST(FileDialogs, OpenDialogReportsTheChosenFilesAndTheirSize)
{
    TempDir dir;
    const std::string one = dir.write("one.pdf", std::string(1000, 'x'));
    const std::string two = dir.write("two.txt", "12");
    RecordingHost host;
    e3::Te3_OpenDialog dialog(nullptr);
    dialog.SetInitialDir(dir.str());
    dialog.SetFilter("PDF|*.pdf|Text|*.txt|All|*.*");
    dialog.SetFilterIndex(3);
    DialogScript script({
        [&](QFileDialog& d) {
            EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptOpen);
            EXPECT_EQ(d.fileMode(), QFileDialog::ExistingFile);
            EXPECT_EQ(d.nameFilters().at(2).toStdString(), "All (*)");
            Choose(d, {"one.pdf"});
        },
        [&](QFileDialog& d) {
            EXPECT_EQ(d.fileMode(), QFileDialog::ExistingFiles);
            Choose(d, {"one.pdf", "two.txt"});
        },
        [&](QFileDialog& d) { d.reject(); },
        [&](QFileDialog& d) { Choose(d, {"two.txt"}); },
    });
    Write("_Execute", dialog, "Main.Picked");
    dialog.SetOptions(dialog.GetOptions() | e3::OpenOption(e3::ofAllowMultiSelect));
    Write("_Execute", dialog, "Main.Picked");
    // A cancelled run reports what the dialog still holds.
    Write("_Execute", dialog, "Main.Picked");
    // Without an event name the dialog runs and nothing is sent.
    Write("_Execute", dialog, "");
    EXPECT_EQ(script.Runs(), 4);

    const std::vector<std::string> expected = {
        "map Main.Picked",
        "file Main.Picked 1 [" + one + "] 3 1000",
        "map Main.Picked",
        "file Main.Picked 1 [" + one + "\r\n" + two + "] 3 0",
        "map Main.Picked",
        "file Main.Picked 0 [" + one + "\r\n" + two + "] 3 0",
    };
    EXPECT_EQ(host.calls, expected);
    EXPECT_EQ(dialog.GetFileName(), two);
}

TEST(FileDialogs, SizesBeyondFourGigabytesAreReportedWhole)
{
    TempDir dir;
    const std::string big = (dir.path() / "big.bin").string();
    const int fd = ::open(big.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    const int64_t size = (int64_t(4) << 30) + 1000;
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);

    RecordingHost host;
    e3::Te3_OpenDialog dialog(nullptr);
    Write("_Files", dialog, big);
    DialogScript script({[&](QFileDialog& d) { d.reject(); }});
    Write("_Execute", dialog, "Main.Big");
    ASSERT_EQ(host.calls.size(), 2u);
    EXPECT_EQ(host.calls[1], "file Main.Big 0 [" + big + "] 1 4294968296");

    // A file that has gone reports -1.
    Write("_Files", dialog, big + ".gone");
    DialogScript again({[&](QFileDialog& d) { d.reject(); }});
    Write("_Execute", dialog, "Main.Big");
    EXPECT_EQ(host.calls.back(), "file Main.Big 0 [" + big + ".gone] 1 -1");
}

TEST(FileDialogs, SaveDialogTakesANewName)
{
    TempDir dir;
    RecordingHost host;
    e3::Te3_SaveDialog save(nullptr);
    e3::Te3_OpenDialog open(nullptr);
    EXPECT_FALSE(e3::HasOption(save.GetOptions(), e3::ofFileMustExist));
    EXPECT_TRUE(e3::HasOption(open.GetOptions(), e3::ofFileMustExist));
    // Even when the engine asks for existing files.
    save.SetOptions(save.GetOptions() | e3::OpenOption(e3::ofFileMustExist));
    save.SetInitialDir(dir.str());
    save.SetFilter("Text|*.txt");
    save.SetDefaultExt("txt");
    DialogScript script({[&](QFileDialog& d) {
        EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
        Choose(d, {"new"});
    }});
    Write("_Execute", save, "Main.Saved");
    const std::string expected = (dir.path() / "new.txt").string();
    ASSERT_EQ(host.calls.size(), 2u);
    EXPECT_EQ(host.calls[1], "file Main.Saved 1 [" + expected + "] 1 -1");
    EXPECT_FALSE(e3::HasOption(save.GetOptions(), e3::ofExtensionDifferent));
}

TEST(FileDialogs, FilesTextSetsTheListAndASingleFileName)
{
    e3::Te3_OpenDialog dialog(nullptr);
    dialog.SetFileName("keep.txt");
    Write("_Files", dialog, "a.txt\r\nb.txt");
    EXPECT_EQ(dialog.GetFileName(), "keep.txt");
    EXPECT_EQ(dialog.Files(), (std::vector<std::string> {"a.txt", "b.txt"}));
    EXPECT_EQ(dialog.GetFilesText(), "a.txt\r\nb.txt");
    Write("_Files", dialog, "c.txt");
    EXPECT_EQ(dialog.GetFileName(), "c.txt");
    EXPECT_EQ(dialog.Files(), (std::vector<std::string> {"c.txt"}));
    Write("_Files", dialog, "");
    EXPECT_EQ(dialog.GetFileName(), "");
    EXPECT_TRUE(dialog.Files().empty());
}

TEST(FileDialogs, VerifiedRunGoesThroughTheClientsCheck)
{
    TempDir dir;
    const std::string file = dir.write("a.pdf", "abc");
    RecordingHost host;
    e3::Te3_OpenDialog dialog(nullptr);
    dialog.SetInitialDir(dir.str());
    DialogScript script({[&](QFileDialog& d) { Choose(d, {"a.pdf"}); }});
    Write("_ExecuteVerify", dialog, "Main.Attach");
    const std::vector<std::string> expected = {"validate", "map Main.Attach", "file Main.Attach 1 [" + file + "] 1 3"};
    EXPECT_EQ(host.calls, expected);
}

TEST(FileDialogs, CanCloseRefusesAChoice)
{
    TempDir dir;
    dir.write("a.txt", "1");
    dir.write("b.txt", "2");
    e3::Te3_OpenDialog dialog(nullptr);
    dialog.SetInitialDir(dir.str());
    std::vector<std::string> asked;
    dialog.OnCanClose = [&](fw::TObject*, bool& canClose) {
        asked.push_back(dialog.GetFileName());
        canClose = dialog.GetFileName().find("b.txt") != std::string::npos;
    };
    DialogScript script({[&](QFileDialog& d) {
        Choose(d, {"a.txt"});
        EXPECT_TRUE(d.isVisible());
        Choose(d, {"b.txt"});
    }});
    EXPECT_TRUE(dialog.Execute());
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(dialog.GetFileName(), (dir.path() / "b.txt").string());
}

TEST(FileDialogs, IncludeItemHidesEntries)
{
    TempDir dir;
    dir.write("keep.txt", "1");
    dir.write("hide.txt", "2");
    e3::Te3_OpenDialog dialog(nullptr);
    dialog.SetInitialDir(dir.str());
    dialog.SetOptions(dialog.GetOptions() | e3::OpenOption(e3::ofEnableIncludeNotify));
    dialog.OnIncludeItem = [](const std::string& path, bool& include) {
        include = path.find("hide") == std::string::npos;
    };
    std::set<std::string> listed;
    DialogScript script({[&](QFileDialog& d) {
        (void)QTest::qWaitFor([&] { return Listed(d).count("keep.txt") == 1; }, 30000);
        listed = Listed(d);
        d.reject();
    }});
    dialog.Execute();
    EXPECT_EQ(Join(listed), "keep.txt ");
}

TEST(FileDialogs, FolderBrowserReportsTheChosenFolder)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "sub");
    RecordingHost host;
    e3::Te3_BrowseDirectory browse(nullptr);
    Write("Directory", browse, dir.str());
    Write("Title", browse, "Export to");
    DialogScript script({
        [&](QFileDialog& d) {
            EXPECT_EQ(d.windowTitle().toStdString(), "Export to");
            EXPECT_EQ(d.fileMode(), QFileDialog::Directory);
            Choose(d, {"sub"});
        },
        [&](QFileDialog& d) { d.reject(); },
    });
    Write("_Execute", browse, "Main.Folder");
    const std::string sub = (dir.path() / "sub").string();
    EXPECT_EQ(browse.GetDirectory(), sub);
    Write("_Execute", browse, "Main.Folder");
    const std::vector<std::string> expected = {"map Main.Folder", "dir Main.Folder 1 [" + sub + "]",
                                               "map Main.Folder", "dir Main.Folder 0 [" + sub + "]"};
    EXPECT_EQ(host.calls, expected);
}

TEST(FileDialogs, ADialogFreedDuringItsRunReportsNothing)
{
    TempDir dir;
    dir.write("a.txt", "1");
    RecordingHost host;
    auto* dialog = new e3::Te3_OpenDialog(nullptr);
    dialog->SetInitialDir(dir.str());
    dialog->OnFolderChange = [](fw::TObject* sender) { static_cast<fw::TComponent*>(sender)->Release(); };
    DialogScript script({[&](QFileDialog& d) {
        d.setDirectory(QString::fromStdString(dir.str()));
        emit d.directoryEntered(QString::fromStdString(dir.str()));
        Choose(d, {"a.txt"});
    }});
    Write("_Execute", *dialog, "Main.Gone");
    EXPECT_TRUE(host.calls.empty());
    fw::TComponent::DeleteReleased();
}

} // namespace
