#include "ClientFixture.h"

#include "client/DocumentViewer.h"
#include "client/PrintPDF.h"
#include "platform/Printing.h"
#include "u3/Base64.h"
#include "u3/Exceptions.h"
#include "u3/StrLib.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <fstream>
#include <iterator>
#include <map>

using namespace e3test;
using client::Te3_ClientForm;

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Records what the client asks of the viewer; list modes fetch the entries
// they are given, as the real viewer does when it shows them.
class RecordingViewer : public client::IDocumentViewer {
public:
    struct Shown {
        std::string what; // "file", "list" or "ext"
        std::string text;
        int left, top, width, height;
    };
    bool ViewFile(const std::string& localPath, int left, int top, int width, int height) override
    {
        shown.push_back({"file", localPath, left, top, width, height});
        contents.push_back(ReadAll(localPath));
        return true;
    }
    int ViewFileList(const std::string& listText, int left, int top, int width, int height, FetchFile fetch) override
    {
        return List("list", listText, left, top, width, height, fetch);
    }
    int ViewFileListExt(const std::string& text, int left, int top, int width, int height, FetchFile fetch) override
    {
        return List("ext", text, left, top, width, height, fetch);
    }
    void CloseViewer() override { ++closed; }

    int List(const std::string& what, const std::string& text, int left, int top, int width, int height,
             FetchFile& fetch)
    {
        shown.push_back({what, text, left, top, width, height});
        for (const std::string& ref : fetchRefs) {
            std::string local;
            fetched.push_back(fetch(ref, local) ? local : "failed");
            if (fetched.back() != "failed")
                contents.push_back(ReadAll(local));
        }
        // The engine may run commands while the viewer is open.
        if (onList)
            onList();
        return result;
    }

    std::vector<Shown> shown;
    std::vector<std::string> fetchRefs, fetched, contents;
    std::function<void()> onList;
    int result = 1;
    int closed = 0;
};

class ViewerCommandTest : public ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        // The client's temporary folders go into this test's scratch folder.
        const char* old = std::getenv("TMPDIR");
        oldTmp = old ? old : "";
        hadTmp = old != nullptr;
        ::setenv("TMPDIR", dir.str().c_str(), 1);
        theClient = std::make_unique<client::TClient>("GUIEngine");
        theClient->SetEngine(engine.get());
        client::SetClient(theClient.get());
        theClient->SetDocumentViewer(&viewer);

        form = new Te3_ClientForm(nullptr);
        form->SetName("Main");
        form->SetBounds(40, 30, 640, 480);
        theClient->AddForm("Main", form);
        theClient->SetCurrentForm(form);

        // The engine serves these files; XML in one piece, others in parts.
        engine->onGetFile = [this](const EngineCall& call) -> std::string {
            const std::string& type = call.args.at(1);
            const std::string& path = call.args.at(2);
            if (type == "Part")
                return "snil";
            auto it = served.find(path);
            if (it == served.end())
                return "snil";
            return u3::StringToBase64(it->second);
        };
    }
    void TearDown() override
    {
        delete form;
        if (hadTmp)
            ::setenv("TMPDIR", oldTmp.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        ClientFixture::TearDown();
    }
    void Run(const std::string& command, const std::string& value)
    {
        const fw::TPropInfo* p = theClient->ClassType().FindProperty(command);
        ASSERT_NE(p, nullptr) << command;
        p->set(*theClient, value);
    }
    std::vector<std::string> GetFileTypes() const
    {
        std::vector<std::string> out;
        for (const auto& call : engine->CallsOf("GetFile"))
            out.push_back(call.args.at(1) + " " + call.args.at(2));
        return out;
    }
    std::vector<std::string> Events() const
    {
        std::vector<std::string> out;
        for (const auto& call : engine->CallsOf("ExecuteEvent"))
            out.push_back(call.args.at(3) + " " + call.args.at(4));
        return out;
    }
    std::string PdfFolder() const { return theClient->TempFolder() + "/PDF"; }

    RecordingViewer viewer;
    Te3_ClientForm* form = nullptr;
    std::map<std::string, std::string> served {
        {"srv\\a.pdf", "%PDF-1.4 a"}, {"srv\\b.PDF", "%PDF-1.4 b"}, {"srv\\c.xml", "<a><b/></a>"},
        {"srv\\page.tif", std::string("II*\0", 4)}};
    std::string oldTmp;
    bool hadTmp = false;
};

TEST_F(ViewerCommandTest, ViewPDFDownloadsToANumberedNameAndShowsItOverTheCurrentForm)
{
    ASSERT_FALSE(theClient->TempFolder().empty());
    Run("_ViewPDF", "srv\\page.tif");
    ASSERT_EQ(viewer.shown.size(), 1u);
    EXPECT_EQ(viewer.shown[0].what, "file");
    EXPECT_EQ(u3::ExtractFileNameAny(viewer.shown[0].text), "00000001.tif");
    EXPECT_EQ(u3::ExtractFilePathAny(viewer.shown[0].text), PdfFolder() + "/");
    EXPECT_EQ(viewer.contents.at(0), std::string("II*\0", 4));
    EXPECT_EQ((std::vector<int> {viewer.shown[0].left, viewer.shown[0].top, viewer.shown[0].width,
                                 viewer.shown[0].height}),
              (std::vector<int> {40, 30, 640, 480}));
    EXPECT_EQ(GetFileTypes(), (std::vector<std::string> {"BPart srv\\page.tif", "Part srv\\page.tif"}));

    // Without a current form the viewer is maximised.
    theClient->SetCurrentForm(nullptr);
    Run("_ViewPDF", "srv\\a.pdf");
    ASSERT_EQ(viewer.shown.size(), 2u);
    EXPECT_EQ(u3::ExtractFileNameAny(viewer.shown[1].text), "00000001.pdf"); // numbered per extension
    EXPECT_EQ(viewer.shown[1].left, -1);

    // A file the engine does not have shows nothing.
    Run("_ViewPDF", "srv\\gone.pdf");
    EXPECT_EQ(viewer.shown.size(), 2u);
}

TEST_F(ViewerCommandTest, ListModesFetchTheirEntriesAndAnswerWithTheViewersResult)
{
    struct Case {
        std::string command;
        std::string what;
        int result;
    };
    for (const Case& c : {Case {"_ViewPDFList", "list", 1}, Case {"_ViewPDFExt", "ext", 2}}) {
        SCOPED_TRACE(c.command);
        viewer = RecordingViewer();
        viewer.result = c.result;
        viewer.fetchRefs = {"srv\\c.xml", "srv\\b.PDF", "srv\\missing.pdf"};
        engine->calls.clear();
        Run(c.command, "srv\\c.xml>|<srv\\b.PDF<|>Main.Reviewed");
        ASSERT_EQ(viewer.shown.size(), 1u);
        EXPECT_EQ(viewer.shown[0].what, c.what);
        EXPECT_EQ(viewer.shown[0].text, "srv\\c.xml>|<srv\\b.PDF");
        EXPECT_EQ(viewer.shown[0].left, 40);
        EXPECT_EQ(viewer.shown[0].height, 480);
        // XML comes whole, anything else in parts; a missing file is no local copy.
        ASSERT_EQ(viewer.fetched.size(), 3u);
        EXPECT_EQ(u3::ExtractFileNameAny(viewer.fetched[0]).substr(8), ".xml");
        EXPECT_EQ(u3::ExtractFileNameAny(viewer.fetched[1]).substr(8), ".PDF");
        EXPECT_EQ(viewer.fetched[2], "failed");
        EXPECT_EQ(viewer.contents, (std::vector<std::string> {"<a><b/></a>", "%PDF-1.4 b"}));
        EXPECT_EQ(GetFileTypes(), (std::vector<std::string> {"File srv\\c.xml", "BPart srv\\b.PDF", "Part srv\\b.PDF",
                                                             "BPart srv\\missing.pdf"}));
        const auto events = Events();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_NE(events[0].find("Main.Reviewed"), std::string::npos);
        EXPECT_NE(events[0].find("ModalResult\r\n" + std::to_string(c.result) + "\r\n"), std::string::npos)
            << events[0];
    }
}

TEST_F(ViewerCommandTest, ListModesRestoreTheCurrentFormAndNeedOne)
{
    auto* other = new Te3_ClientForm(nullptr);
    other->SetName("Other");
    viewer.onList = [&] { theClient->SetCurrentForm(other); };
    Run("_ViewPDFList", "srv\\a.pdf<|>");
    EXPECT_EQ(theClient->CurrentForm(), form);
    EXPECT_TRUE(Events().empty()); // no callback named

    // The form the viewer was placed over is freed while the viewer is open.
    viewer.onList = [&] { delete form; form = nullptr; };
    Run("_ViewPDFList", "srv\\a.pdf<|>Main.Reviewed");
    EXPECT_EQ(theClient->CurrentForm(), nullptr);
    EXPECT_EQ(viewer.shown.size(), 2u);

    // Without a current form there is nothing to place the viewer over.
    viewer.onList = nullptr;
    Run("_ViewPDFExt", "srv\\a.pdf<|>Main.Reviewed");
    EXPECT_EQ(viewer.shown.size(), 2u);
    delete other;
}

TEST_F(ViewerCommandTest, PrintPDFDownloadsEveryFileAndAsksForThePrinterWhenTold)
{
    // The print command records the printer and what it was given, and its
    // job is in the queue (done) once the command has run.
    const std::string log = dir.str() + "/printed.txt";
    const std::string queue = dir.str() + "/queue.txt";
    const std::string script = dir.str() + "/print.sh";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s ' \"$1\" >> " + log + "\ncat \"$2\" >> " + log +
                                 "\nprintf '\\n' >> " + log + "\nbasename \"$2\" >> " + queue + "\n";
    ::chmod(script.c_str(), 0700);
    std::ofstream(dir.str() + "/front.ini") << "[Common]\nPDFPrintCommand=\"" + script + "\" \"%2\" %1\n";
    client::PrintWatch watch;
    watch.pollInterval = std::chrono::milliseconds(1);
    watch.readJobs = [&](const std::string&, platform::JOB_INFO_ARRAY& jobs) {
        for (const std::string& name : u3::SplitTextLines(ReadAll(queue)))
            jobs.push_back({1, u3::UpperCase(name), 0});
    };
    client::SetPrintWatch(watch);
    int dialogs = 0;
    std::string chosen;
    platform::SetPrinterChooser([&](std::string& printer) {
        ++dialogs;
        printer = chosen;
        return !chosen.empty();
    });

    Run("_PrintPDF", "srv\\a.pdf\r\nsrv\\b.PDF\r\n<|>0");
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(GetFileTypes(), (std::vector<std::string> {"BPart srv\\a.pdf", "Part srv\\a.pdf", "BPart srv\\b.PDF",
                                                         "Part srv\\b.PDF"}));
    EXPECT_EQ(ReadAll(log), " %PDF-1.4 a\n %PDF-1.4 b\n"); // on the default printer (none here)

    // A cancelled printer dialog ends the command before any download.
    engine->calls.clear();
    std::filesystem::remove(log);
    Run("_PrintPDF", "srv\\a.pdf<|>true");
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(engine->CallsOf("GetFile").empty());
    EXPECT_FALSE(std::filesystem::exists(log));

    chosen = "Office";
    Run("_PrintPDF", "srv\\b.PDF<|>1");
    EXPECT_EQ(ReadAll(log), "Office %PDF-1.4 b\n");

    // A file that does not arrive stops the command: nothing is printed.
    std::filesystem::remove(log);
    EXPECT_THROW(Run("_PrintPDF", "srv\\a.pdf\r\nsrv\\gone.pdf<|>0"), u3::Exception);
    EXPECT_FALSE(std::filesystem::exists(log));

    platform::SetPrinterChooser(nullptr);
    client::SetPrintWatch(client::PrintWatch());
}

TEST_F(ViewerCommandTest, FreeingTheClientClosesTheViewer)
{
    theClient.reset(); // frees the forms nobody owns too
    form = nullptr;
    client::SetClient(nullptr);
    EXPECT_EQ(viewer.closed, 1);
    theClient = std::make_unique<client::TClient>("Test");
}

} // namespace
