// Printing PDF files: the command's arguments, the queue watch on a scripted
// queue, the hand-over to the user after a failure, and a real print server
// with the PDF printer when one can be started here.
#include "client/MessageDialog.h"
#include "platform/Shell.h"
#include "client/PrintPDF.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "u3/Files.h"
#include "u3/StrLib.h"

#include <QLabel>
#include <QUrl>

#include <cups/cups.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using platform::JOB_INFO;
using platform::JOB_INFO_ARRAY;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(PrintPDF, TextReplacementAndNames)
{
    struct Case {
        std::string text, oldText, newText, expected;
    };
    const Case cases[] = {
        {"AcroRd32.exe /t \"%1\" \"%2\" \"%3\" \"%4\"", "%1", "C:\\a.pdf", "AcroRd32.exe /t \"C:\\a.pdf\" \"%2\" \"%3\" \"%4\""},
        {"Print PRINT print", "print", "pr", "pr pr pr"},
        {"aaaa", "aa", "aaa", "aaaaaa"}, // the inserted text is not searched again
        {"abc", "", "x", "abc"},
        {"", "a", "b", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(client::ReplaceTextNoCase(c.text, c.oldText, c.newText), c.expected) << c.text;

    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        const std::string name = client::NewGUIDFileName();
        ASSERT_EQ(name.size(), 31u);
        EXPECT_EQ(name.find_first_not_of("0123456789ABCDEF"), std::string::npos) << name;
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 50u);
}

TEST(PrintPDF, CommandArgumentsTakeTheFileAndThePrinterAsTheyAre)
{
    struct Case {
        std::vector<std::string> templ;
        std::string file, printer;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {{"lp", "-d", "%2", "%1"}, "/t/a b.pdf", "Office", {"lp", "-d", "Office", "/t/a b.pdf"}},
        // Twice the file; a template without the printer prints to the default one.
        {{"reader", "--in=%1", "%1", "%3%4"}, "/t/x.pdf", "Office", {"reader", "--in=/t/x.pdf", "/t/x.pdf", ""}},
        // Marks inside the names stay as they are; a lone "%" stays.
        {{"lp", "-d", "%2", "%1", "100%"}, "/t/%2.pdf", "Q%1", {"lp", "-d", "Q%1", "/t/%2.pdf", "100%"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(client::PrintCommandArguments(c.templ, c.file, c.printer), c.expected);
}

// A print command that records its arguments, and a queue the test scripts.
class PrintWatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        u3::SetExeNameOverride(dir.str() + "/front");
        argsFile = dir.str() + "/args.txt";
        script = dir.str() + "/print.sh";
        // The line goes out in one write: the watch kills the command as soon
        // as its job is seen, and half a line would run into the next one.
        WriteFile(script, "#!/bin/sh\nline=$(printf '%s|' \"$@\")\nprintf '%s\\n' \"$line\" >> " + argsFile +
                              "\nexit ${PRINT_EXIT:-0}\n");
        ::chmod(script.c_str(), 0700);
        UseCommand("\"" + script + "\" -P %2 %1 %1");
        pdf = dir.str() + "/doc.pdf";
        WriteFile(pdf, "%PDF-1.4 test");

        client::PrintWatch watch;
        watch.pollInterval = std::chrono::milliseconds(1);
        watch.timeout = std::chrono::seconds(30);
        // Once the command has handed in its file, each poll moves the clock on
        // by a second; before that the clock stands, however slow the start.
        watch.now = [this] {
            const std::string copy = LastCopyName();
            if (!copy.empty() && std::filesystem::exists(dir.str() + "/" + copy))
                ++ticks;
            return std::chrono::steady_clock::time_point(std::chrono::seconds(ticks));
        };
        watch.readJobs = [this](const std::string& printer, JOB_INFO_ARRAY& jobs) {
            printers.insert(printer);
            ++polls;
            jobs.clear();
            const std::string copy = LastCopyName();
            if (!copy.empty() && queue)
                queue(u3::UpperCase(copy), jobs);
        };
        client::SetPrintWatch(watch);
    }
    void TearDown() override
    {
        client::SetPrintWatch(client::PrintWatch());
        platform::SetUrlOpener(nullptr);
        u3::SetExeNameOverride("");
    }
    void UseCommand(const std::string& command)
    {
        WriteFile(dir.str() + "/front.ini", "[Common]\nPDFPrintCommand=" + command + "\n");
    }
    std::vector<std::vector<std::string>> Commands() const
    {
        std::vector<std::vector<std::string>> out;
        for (const std::string& line : u3::SplitTextLines(ReadAll(argsFile))) {
            std::vector<std::string> args = u3::SplitTokens(line, "|");
            if (!args.empty() && args.back().empty())
                args.pop_back();
            out.push_back(args);
        }
        return out;
    }
    // The name of the copy the last command printed (empty before the command has written it).
    std::string LastCopyName() const
    {
        const auto commands = Commands();
        return commands.empty() || commands.back().size() < 3 ? std::string()
                                                               : u3::ExtractFileNameAny(commands.back()[2]);
    }

    e3test::TempDir dir;
    std::string argsFile, script, pdf;
    std::function<void(const std::string& copyName, JOB_INFO_ARRAY& jobs)> queue;
    std::set<std::string> printers;
    int ticks = 0;
    int polls = 0;
};

TEST_F(PrintWatchTest, AJobFoundWithoutSpoolingIsPrintedAndTheCopyIsDeleted)
{
    // Other jobs come and go; ours is spooled for a minute (60 polls) before it prints.
    int seen = 0;
    queue = [&](const std::string& copy, JOB_INFO_ARRAY& jobs) {
        jobs.push_back({7, "OTHER.PDF", platform::kJobStatusSpooling});
        ++seen;
        jobs.push_back({8, copy, seen <= 60 ? platform::kJobStatusSpooling : platform::kJobStatusPrinting});
    };
    EXPECT_EQ(client::PrintPDFFile(pdf, "Office"), 0);
    EXPECT_EQ(seen, 61);
    const auto commands = Commands();
    ASSERT_EQ(commands.size(), 1u);
    ASSERT_EQ(commands[0].size(), 4u);
    EXPECT_EQ(commands[0][0], "-P");
    EXPECT_EQ(commands[0][1], "Office");
    EXPECT_EQ(commands[0][2], commands[0][3]);
    EXPECT_EQ(u3::ExtractFilePathAny(commands[0][2]), dir.str() + "/");
    EXPECT_EQ(u3::ExtractFileNameAny(commands[0][2]).size(), 31u + 4u);
    EXPECT_FALSE(std::filesystem::exists(commands[0][2])); // the copy is gone
    EXPECT_EQ(ReadAll(pdf), "%PDF-1.4 test");              // the file stays
    EXPECT_EQ(printers, (std::set<std::string> {"Office"}));

    // A job that has already finished counts as well.
    queue = [](const std::string& copy, JOB_INFO_ARRAY& jobs) { jobs.push_back({9, copy, 0}); };
    EXPECT_EQ(client::PrintPDFFile(pdf, "Office"), 0);
}

TEST_F(PrintWatchTest, FilesThatDoNotReachTheQueueAreNotPrinted)
{
    struct Case {
        const char* name;
        std::string command;
        std::function<void(const std::string&, JOB_INFO_ARRAY&)> queue;
        std::string file;
    };
    const std::string missing = dir.str() + "/missing.pdf";
    const Case cases[] = {
        {"no job", "\"" + script + "\" %2 %1 %1", nullptr, pdf},
        {"a stopped job", "\"" + script + "\" %2 %1 %1",
         [](const std::string& copy, JOB_INFO_ARRAY& jobs) { jobs.push_back({3, copy, platform::kJobStatusError}); }, pdf},
        {"no command", "\"" + dir.str() + "/nothing-here\" %1", nullptr, pdf},
        {"a missing file", "\"" + script + "\" %2 %1 %1", nullptr, missing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UseCommand(c.command);
        queue = c.queue;
        ticks = 0;
        EXPECT_EQ(client::PrintPDFFile(c.file, "Office"), 1);
        EXPECT_LE(ticks, 40); // the watch gave up after its 30 seconds
    }
    // No copy is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(dir.str()))
        if (entry.path().filename() != "doc.pdf")
            EXPECT_NE(entry.path().extension(), ".pdf") << entry.path();
}

TEST_F(PrintWatchTest, AFailedPrintCommandEndsTheWatchAtOnce)
{
    ::setenv("PRINT_EXIT", "3", 1);
    client::PrintWatch watch = client::CurrentPrintWatch();
    watch.pollInterval = std::chrono::milliseconds(5);
    watch.now = nullptr;
    watch.timeout = std::chrono::hours(1);
    client::SetPrintWatch(watch);
    EXPECT_EQ(client::PrintPDFFile(pdf, "Office"), 1);
    ::unsetenv("PRINT_EXIT");
    EXPECT_EQ(Commands().size(), 1u);
}

// Answers the warning and records it.
class Warning final : public client::MessageDialogSeam {
public:
    Warning() { client::SetMessageDialogSeam(this); }
    ~Warning() override { client::SetMessageDialogSeam(nullptr); }
    void Run(client::TMessageForm& form) override
    {
        texts.push_back(form.MessageLabel()->text().toStdString());
        form.ButtonClick(0);
    }
    void Beep() override {}
    std::vector<std::string> texts;
};

TEST_F(PrintWatchTest, AfterAFailureTheRestIsOpenedForTheUserLastFirst)
{
    std::vector<std::string> paths;
    for (const char* name : {"one.pdf", "two.pdf", "three.pdf"}) {
        paths.push_back(dir.str() + "/" + name);
        WriteFile(paths.back(), name);
    }
    // Only the first command's job arrives.
    queue = [&](const std::string& copy, JOB_INFO_ARRAY& jobs) {
        if (Commands().size() == 1)
            jobs.push_back({1, copy, 0});
    };
    std::vector<std::string> opened;
    platform::SetUrlOpener([&](const QUrl& url) {
        opened.push_back(url.toLocalFile().toStdString());
        return true;
    });
    Warning warning;
    client::PrintPDFFiles(paths, "Office");
    EXPECT_EQ(Commands().size(), 2u); // the third is not tried
    EXPECT_EQ(warning.texts,
              (std::vector<std::string> {"Unable to print file automatically. Please, try to print it by your own..."}));
    EXPECT_EQ(opened, (std::vector<std::string> {paths[2], paths[1]}));

    // All printed: no warning, nothing opened.
    queue = [](const std::string& copy, JOB_INFO_ARRAY& jobs) { jobs.push_back({1, copy, 0}); };
    opened.clear();
    warning.texts.clear();
    client::PrintPDFFiles(paths, "Office");
    EXPECT_TRUE(warning.texts.empty());
    EXPECT_TRUE(opened.empty());
}

// A print server of its own in the test's folder, with one queue whose PDF
// driver writes each job's PDF into a file.
class PrivatePrintServer {
public:
    explicit PrivatePrintServer(const e3test::TempDir& dir) : root_(dir.str())
    {
        for (const char* tool : {"/usr/sbin/cupsd", "/usr/sbin/lpadmin", "/usr/bin/lp",
                                 "/usr/lib/cups/filter/pdftopdf", "/usr/bin/pdfinfo"})
            if (::access(tool, X_OK) != 0) {
                why_ = std::string(tool) + " is not installed (packages cups-daemon, cups-client, cups-filters, poppler-utils)";
                return;
            }
        if (::geteuid() != 0) {
            why_ = "the print server's filters run as the lp user, which only root can arrange";
            return;
        }
        // The filters run as lp and must reach the spool and output folders.
        ::chmod(root_.c_str(), 0755);
        for (const char* sub : {"spool", "cache", "state", "log", "out"})
            std::filesystem::create_directories(root_ + "/" + sub);
        ::chmod((root_ + "/out").c_str(), 01777);
        socket_ = root_ + "/cups.sock";
        WriteFile(root_ + "/cupsd.conf", "Listen " + socket_ +
                                             "\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
                                             "<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
                                             "<Policy default>\n<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n");
        WriteFile(root_ + "/cups-files.conf",
                  "ServerRoot " + root_ + "\nRequestRoot " + root_ + "/spool\nCacheDir " + root_ +
                      "/cache\nStateDir " + root_ + "/state\nTempDir " + root_ + "/spool\nErrorLog " + root_ +
                      "/log/error_log\nAccessLog " + root_ + "/log/access_log\nPageLog " + root_ +
                      "/log/page_log\nFileDevice Yes\nUser lp\nGroup lp\nSystemGroup root\n");
        WriteFile(root_ + "/pdf.ppd",
                  "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
                  "*LanguageEncoding: ISOLatin1\n*PCFileName: \"PDFOUT.PPD\"\n*Manufacturer: \"Test\"\n"
                  "*Product: \"(PDF Printer)\"\n*ModelName: \"PDF Printer\"\n*ShortNickName: \"PDF Printer\"\n"
                  "*NickName: \"PDF Printer\"\n*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n"
                  "*ColorDevice: True\n*DefaultColorSpace: RGB\n*FileSystem: False\n*Throughput: \"1\"\n"
                  "*cupsFilter2: \"application/vnd.cups-pdf application/pdf 0 -\"\n"
                  "*OpenUI *PageSize/Media Size: PickOne\n*OrderDependency: 10 AnySetup *PageSize\n"
                  "*DefaultPageSize: A4\n*PageSize A4/A4: \"<</PageSize[595 842]/ImagingBBox null>>setpagedevice\"\n"
                  "*CloseUI: *PageSize\n*DefaultImageableArea: A4\n*ImageableArea A4/A4: \"0 0 595 842\"\n"
                  "*DefaultPaperDimension: A4\n*PaperDimension A4/A4: \"595 842\"\n");
        server_ = std::make_unique<e3test::ChildProcess>(
            std::vector<std::string> {"/usr/sbin/cupsd", "-f", "-c", root_ + "/cupsd.conf", "-s", root_ + "/cups-files.conf"},
            SIGTERM);
        const char* old = std::getenv("CUPS_SERVER");
        oldServer_ = old ? old : "";
        hadServer_ = old != nullptr;
        ::setenv("CUPS_SERVER", socket_.c_str(), 1);
        cupsSetServer(socket_.c_str());
        // The server is ready once lpadmin can reach it.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline && !server_->Exited()) {
            if (std::filesystem::exists(socket_) &&
                e3test::RunProgram({"/usr/sbin/lpadmin", "-p", "TestPDF", "-E", "-v", "file://" + Output(),
                                    "-P", root_ + "/pdf.ppd"}).first == 0) {
                ready_ = true;
                break;
            }
            ::usleep(100000);
        }
        if (!ready_)
            why_ = "the private print server did not start: " + e3test::ReadWholeFile(root_ + "/log/error_log");
    }
    ~PrivatePrintServer()
    {
        if (server_)
            server_->Stop();
        cupsSetServer(nullptr);
        if (hadServer_)
            ::setenv("CUPS_SERVER", oldServer_.c_str(), 1);
        else
            ::unsetenv("CUPS_SERVER");
    }
    bool Ready() const { return ready_; }
    const std::string& Why() const { return why_; }
    std::string Output() const { return root_ + "/out/printed.pdf"; }

private:
    std::string root_, socket_, why_, oldServer_;
    bool hadServer_ = false;
    bool ready_ = false;
    std::unique_ptr<e3test::ChildProcess> server_;
};

TEST(PrintPDFOnCups, AFilePrintedWithTheSystemCommandComesOutWhole)
{
    e3test::TempDir dir;
    u3::SetExeNameOverride(dir.str() + "/front"); // no INI: the system's lp
    PrivatePrintServer server(dir);
    if (!server.Ready()) {
        u3::SetExeNameOverride("");
        GTEST_SKIP() << "No print server for this test: " << server.Why();
    }
    const std::string pdf = dir.str() + "/claims.pdf";
    ASSERT_EQ(e3test::RunProgram({"gs", "-q", "-dSAFER", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite",
                                  "-sOutputFile=" + pdf, "-c",
                                  "/Helvetica findfont 20 scalefont setfont 72 700 moveto (One) show showpage "
                                  "72 700 moveto (Two) show showpage 72 700 moveto (Three) show showpage"})
                  .first,
              0);
    EXPECT_EQ(client::PrintPDFFile(pdf, "TestPDF"), 0);

    // The queue knows the job by the copy's name; it completes with the whole document.
    JOB_INFO_ARRAY jobs;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    bool done = false;
    while (!done && std::chrono::steady_clock::now() < deadline) {
        platform::GetPrinterJobs("TestPDF", jobs);
        done = jobs.size() == 1 && jobs[0].status == 0;
        if (!done)
            ::usleep(100000);
    }
    ASSERT_TRUE(done);
    EXPECT_EQ(jobs[0].documentName.size(), 35u);
    EXPECT_EQ(jobs[0].documentName.substr(31), ".PDF");
    const auto [code, info] = e3test::RunProgram({"pdfinfo", server.Output()});
    EXPECT_EQ(code, 0);
    EXPECT_NE(info.find("Pages:           3\n"), std::string::npos) << info;
    // No copy is left beside the file.
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/" + jobs[0].documentName.substr(0, 31) + ".pdf"));
    u3::SetExeNameOverride("");
}

} // namespace
