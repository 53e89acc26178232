#include "platform/Dialogs.h"
#include "platform/Shell.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QUrl>
#include <QWidget>

#include <optional>
#include <vector>

namespace {

// Answers the folder dialog as a person would have, and remembers the question.
class RecordingDialogs final : public platform::DialogSeam {
public:
    RecordingDialogs() { platform::SetDialogs(this); }
    ~RecordingDialogs() override { platform::SetDialogs(nullptr); }

    std::optional<std::string> ChooseFolder(const std::string& initialDir, const std::string& title,
                                            QWidget* owner) override
    {
        asked.push_back({initialDir, title, owner});
        return answer;
    }

    struct Question {
        std::string initialDir, title;
        QWidget* owner;
    };
    std::optional<std::string> answer;
    std::vector<Question> asked;
    std::vector<std::string> shown;
};

// Records what would have been handed to the desktop.
class RecordingOpener {
public:
    RecordingOpener()
    {
        platform::SetUrlOpener([this](const QUrl& url) {
            opened.push_back(url);
            return succeed;
        });
    }
    ~RecordingOpener() { platform::SetUrlOpener({}); }

    bool succeed = true;
    std::vector<QUrl> opened;
};

} // namespace

TEST(BrowseForFolder, ConfirmedFolderReplacesDir)
{
    RecordingDialogs dialogs;
    QWidget owner;
    dialogs.answer = "/data/filings/2024";
    std::string dir = "/data/filings";
    EXPECT_TRUE(platform::BrowseForFolder(dir, "Choose the export folder", &owner));
    EXPECT_EQ(dir, "/data/filings/2024");
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].initialDir, "/data/filings");
    EXPECT_EQ(dialogs.asked[0].title, "Choose the export folder");
    EXPECT_EQ(dialogs.asked[0].owner, &owner);
}

TEST(BrowseForFolder, CancelLeavesDirAlone)
{
    RecordingDialogs dialogs;
    struct Case {
        std::string dir, asksFor;
    };
    const std::vector<Case> cases = {{"", ""}, {"/srv/x", "/srv/x"}, {"\\srv\\x\\", "/srv/x/"}};
    for (const auto& c : cases) {
        std::string dir = c.dir;
        EXPECT_FALSE(platform::BrowseForFolder(dir, "", nullptr));
        EXPECT_EQ(dir, c.dir);
        EXPECT_EQ(dialogs.asked.back().initialDir, c.asksFor);
    }
}

TEST(ShellExecuteFile, OpensFilesAndUrlsWithTheDesktop)
{
    e3test::TempDir tmp;
    const std::string doc = tmp.write("doc.pdf", "%PDF");
    const std::string spaced = tmp.write("with space#1.txt", "x");
    const QUrl docUrl = QUrl::fromLocalFile(QString::fromStdString(doc));
    struct Case {
        std::string fileName;
        QUrl opened;
    };
    const std::vector<Case> cases = {
        {doc, docUrl},
        {spaced, QUrl::fromLocalFile(QString::fromStdString(spaced))},
        {docUrl.toString().toStdString(), docUrl},
        {"https://example.org/status?id=7", QUrl("https://example.org/status?id=7")},
        {"mailto:office@example.org", QUrl("mailto:office@example.org")},
    };
    for (const auto& c : cases) {
        RecordingOpener opener;
        EXPECT_EQ(platform::ShellExecuteFile(c.fileName, "", "", platform::ShowState::Normal),
                  platform::kShellOpened)
            << c.fileName;
        ASSERT_EQ(opener.opened.size(), 1u) << c.fileName;
        EXPECT_EQ(opener.opened[0], c.opened) << c.fileName;
    }

    // A relative name is opened by its full path.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(tmp.str())));
    RecordingOpener opener;
    const int relative = platform::ShellExecuteFile("doc.pdf", "", "", platform::ShowState::Normal);
    QDir::setCurrent(previous);
    EXPECT_EQ(relative, platform::kShellOpened);
    ASSERT_EQ(opener.opened.size(), 1u);
    EXPECT_EQ(opener.opened[0], docUrl);
}

TEST(ShellExecuteFile, MissingFileOpensNothing)
{
    e3test::TempDir tmp;
    RecordingOpener opener;
    const std::string missing = tmp.str() + "/missing.pdf";
    for (const std::string& name : {missing, "file://" + missing, tmp.str() + "\\missing.pdf",
                                    std::string("C:\\data\\x.pdf"), std::string("no-such-file.pdf"),
                                    std::string()})
        EXPECT_EQ(platform::ShellExecuteFile(name, "", "", platform::ShowState::Normal),
                  platform::kShellFileNotFound)
            << name;
    EXPECT_TRUE(opener.opened.empty());
}

TEST(ShellExecuteFile, NoHandlerIsReportedAsNoAssociation)
{
    e3test::TempDir tmp;
    const std::string doc = tmp.write("odd.xyz", "x");
    RecordingOpener opener;
    opener.succeed = false;
    EXPECT_EQ(platform::ShellExecuteFile(doc, "", "", platform::ShowState::Normal),
              platform::kShellNoAssociation);
    EXPECT_EQ(platform::ShellExecuteFile("unknown-scheme:thing", "", "", platform::ShowState::Normal),
              platform::kShellNoAssociation);
    EXPECT_EQ(opener.opened.size(), 2u);
}
