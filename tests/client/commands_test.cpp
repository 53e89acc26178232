#include "ClientFixture.h"

#include "client/ClientCommands.h"
#include "client/MessageDialog.h"
#include "platform/Shell.h"
#include "support/LogCapture.h"
#include "u3/Base64.h"
#include "u3/ProcUtils.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QToolButton>
#include <QUrl>

#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace e3test;
using client::Te3_ClientForm;

namespace {

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// A file of that size without the disk space.
void SparseFile(const std::string& path, int64_t size)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
}

class CommandTest : public ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        form = new Te3_ClientForm(nullptr);
        form->SetName("Main");
        auto* edit = new TTestEdit(form);
        edit->SetName("Edit1");
        edit->SetParent(form);
        edit->SetText("Smith");
        theClient->AddForm("Main", form);
        theClient->SetCurrentForm(form);
    }
    void TearDown() override
    {
        platform::SetUrlOpener(nullptr);
        delete form;
        ClientFixture::TearDown();
    }
    // Runs a command as the engine's reply does.
    void Run(const std::string& command, const std::string& value)
    {
        const fw::TPropInfo* p = theClient->ClassType().FindProperty(command);
        ASSERT_NE(p, nullptr) << command;
        p->set(*theClient, value);
    }
    // Each event sent, as "engine event: request" on one line.
    std::vector<std::string> Requests() const
    {
        std::vector<std::string> out;
        for (const auto& call : engine->CallsOf("ExecuteEvent")) {
            std::string text = call.args.at(4);
            std::string flat;
            for (size_t i = 0; i < text.size(); ++i) {
                if (text.compare(i, 2, "\r\n") == 0) {
                    flat += ' ';
                    ++i;
                } else {
                    flat += text[i];
                }
            }
            while (!flat.empty() && flat.back() == ' ')
                flat.pop_back();
            out.push_back(call.args.at(3) + ": " + flat);
        }
        return out;
    }
    std::string LastRequest() const
    {
        const auto all = Requests();
        return all.empty() ? std::string("(none)") : all.back();
    }

    Te3_ClientForm* form = nullptr;
};

TEST_F(CommandTest, CallbacksResolveToThemselvesThroughTheCurrentForm)
{
    ApplyLines("{ | ; | Client._Callback | Main.Answer<|>Yes | ; | }");
    EXPECT_EQ(form->EventMap.Value("Main.Answer"), "Main.Answer");
    ASSERT_EQ(engine->CallsOf("ExecuteEvent").size(), 1u);
    EXPECT_EQ(engine->CallsOf("ExecuteEvent")[0].args.at(1), "Main");
    EXPECT_EQ(LastRequest(), "Main.Answer: { ; Sender Main ; ModalResult Yes ; }");

    // A mapping the form has already stays as it is.
    form->EventMap.Add("Dlg.Done", "Engine.Done");
    form->EventParams.Add("Engine.Done", "Edit1.Text");
    Run("_Callback", "Dlg.Done<|>No");
    EXPECT_EQ(LastRequest(), "Engine.Done: { ; Sender Dlg ; Edit1.Text Smith ; ModalResult No ; }");

    theClient->SetCurrentForm(nullptr);
    Run("_Callback", "Other.Done<|>1");
    EXPECT_EQ(LastRequest(), "Other.Done: { ; Sender Other ; ModalResult 1 ; }");
    EXPECT_FALSE(form->EventMap.Contains("Other.Done"));
}

TEST_F(CommandTest, FileExists)
{
    WriteFile(dir.str() + "/here.txt", "x");
    struct Case {
        std::string path;
        const char* answer;
    };
    const Case cases[] = {{dir.str() + "/here.txt", "1"}, {dir.str() + "/gone.txt", "0"}, {dir.str(), "0"}};
    for (const Case& c : cases) {
        Run("_FileExists", c.path + "<|>Main.Exists");
        EXPECT_EQ(LastRequest(), std::string("Main.Exists: { ; Sender Main ; ModalResult ") + c.answer + " ; }");
    }
    engine->calls.clear();
    Run("_FileExists", dir.str() + "/here.txt<|>");
    EXPECT_TRUE(engine->calls.empty());
}

TEST_F(CommandTest, FileListByMaskAndAttributes)
{
    const std::string d = dir.str() + "/list";
    ::mkdir(d.c_str(), 0700);
    WriteFile(d + "/a.TXT", "12345");
    WriteFile(d + "/b.txt", "123");
    WriteFile(d + "/.hidden.txt", "1");
    WriteFile(d + "/c.log", "1234567");
    ::mkdir((d + "/docs.txt").c_str(), 0700);
    struct Case {
        std::string mask;
        int attributes;
        std::string files;
        int size;
    };
    const Case cases[] = {
        {d + "/*.txt", 0, d + "/a.TXT||" + d + "/b.txt", 8},
        {d + "/*.txt", 16, d + "/a.TXT||" + d + "/b.txt||" + d + "/docs.txt", 8},
        {d + "/*.txt", 2, d + "/.hidden.txt||" + d + "/a.TXT||" + d + "/b.txt", 9},
        {d + "/?.*", 0, d + "/a.TXT||" + d + "/b.txt||" + d + "/c.log", 15},
        {d + "/*.pdf", 18, "snil", 0}, // an empty text goes as "snil"
        {d + "/missing/*.*", 0, "snil", 0},
    };
    for (const Case& c : cases) {
        Run("_GetFileList", c.mask + "<|>" + std::to_string(c.attributes) + "<|>Main.List");
        EXPECT_EQ(LastRequest(), "Main.List: { ; Sender Main ; ModalResult 1 ; Files " + c.files +
                                     " ; FilterIndex 0 ; FileSize " + std::to_string(c.size) + " ; }")
            << c.mask << " " << c.attributes;
    }
    Run("_GetFileList", d + "/B.TXT<|>not a number<|>Main.List");
    EXPECT_EQ(LastRequest(), "Main.List: { ; Sender Main ; ModalResult 1 ; Files " + d +
                                 "/b.txt ; FilterIndex 0 ; FileSize 3 ; }");
}

TEST_F(CommandTest, FileTotalsDoNotWrap)
{
    const std::string d = dir.str();
    SparseFile(d + "/big1.bin", 1536LL * 1024 * 1024);
    SparseFile(d + "/big2.bin", 1536LL * 1024 * 1024);
    WriteFile(d + "/small.bin", "1234567890");
    Run("_GetFileList", d + "/big*.bin<|>0<|>Main.List");
    EXPECT_NE(LastRequest().find("FileSize 2147483647 ;"), std::string::npos) << LastRequest();

    struct Case {
        std::string paths;
        const char* total;
    };
    const Case cases[] = {
        {d + "/big1.bin\r\n" + d + "/big2.bin", "2147483647"},
        {d + "/small.bin\r\n" + d + "/none.bin\r\n" + d, "8"}, // a missing file and a folder count -1
        {d + "/small.bin\r\n", "10"},
    };
    for (const Case& c : cases) {
        Run("_GetFileListSize", c.paths + "<|>Main.Size");
        EXPECT_EQ(LastRequest(), std::string("Main.Size: { ; Sender Main ; FilesSize ") + c.total + " ; }");
    }
}

TEST_F(CommandTest, IniFileReadAndWrite)
{
    const std::string ini = dir.str() + "/app.ini";
    WriteFile(ini, "[Common]\nLanguage = de\nProxy=\"host\"\n[Other]\nX=1\n");
    struct Case {
        std::string value;
        std::string text;
    };
    const Case cases[] = {
        {ini + "<|>common<|>LANGUAGE<|>en", "de"},
        {ini + "<|>Common<|>Missing<|>en", "en"},
        {ini + "<|>Common<|> <|>", "Language=de||Proxy=host||"}, // line breaks travel as "||"
        {ini + "<|> <|> <|>", "[Common]||Language = de||Proxy=\"host\"||[Other]||X=1||"},
        {dir.str() + "/none.ini<|><|><|>", "snil"},
    };
    for (const Case& c : cases) {
        Run("_GetIniFile", c.value + "<|>Main.Ini");
        EXPECT_EQ(LastRequest(), "Main.Ini: { ; Sender Main ; ModalResult " + c.text + " ; }") << c.value;
    }
    Run("_SetIniFile", ini + "<|>Other<|>Y<|>two words");
    Run("_GetIniFile", ini + "<|>Other<|>Y<|><|>Main.Ini");
    EXPECT_EQ(LastRequest(), "Main.Ini: { ; Sender Main ; ModalResult two words ; }");
    EXPECT_EQ(u3::ReadIniString(ini, "Other", "X", ""), "1");
}

TEST_F(CommandTest, IniFileReadsOnlyBoundedRegularFiles)
{
    LogCapture log(dir.str());
    const std::string fifo = dir.str() + "/fifo", zero = dir.str() + "/zero", big = dir.str() + "/big.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    SparseFile(big, 64 * 1024 * 1024 + 1);
    struct Case {
        std::string value;
        std::string text;
    };
    // A FIFO without a writer and an endless device read as missing files; a
    // file over the limit gives the default text, never a part of the file.
    const Case cases[] = {
        {fifo + "<|><|><|>dflt", "snil"},
        {zero + "<|><|><|>dflt", "snil"},
        {fifo + "<|>Common<|>Key<|>dflt", "dflt"},
        {zero + "<|>Common<|>Key<|>dflt", "dflt"},
        {zero + "<|>Common<|><|>dflt", "snil"},
        {big + "<|><|><|>dflt", "dflt"},
        {big + "<|>Common<|><|>dflt", "dflt"},
        {big + "<|>Common<|>Key<|>dflt", "dflt"},
    };
    for (const Case& c : cases) {
        Run("_GetIniFile", c.value + "<|>Main.Ini");
        EXPECT_EQ(LastRequest(), "Main.Ini: { ; Sender Main ; ModalResult " + c.text + " ; }") << c.value;
    }
    const std::vector<std::string> entries = log.Entries();
    ASSERT_EQ(entries.size(), 3u);
    for (const std::string& entry : entries)
        EXPECT_EQ(entry, "L2 INI file " + big + " not read: larger than 67108864 bytes");
}

TEST_F(CommandTest, EventFunctionEditsTheHolderOfTheWholeEventName)
{
    auto* second = new Te3_ClientForm(nullptr);
    second->SetName("Dialog");
    theClient->AddForm("Dialog", second);
    form->EventMap.Add("Main.btnAll.OnClick", "Main.SaveAll");
    second->EventMap.Add("Dialog.btnOK.OnClick", "Main.Save");

    Run("_EventFunction", "Main.Save<|>Edit1.Text<|>Edit2.Text");
    EXPECT_FALSE(form->EventParams.Contains("Main.Save"));
    EXPECT_EQ(second->EventParams.Value("Main.Save"), "Edit1.Text\r\nEdit2.Text");
    Run("_EventFunction", "Main.Save<|>Edit3.Text");
    EXPECT_EQ(second->EventParams.Value("Main.Save"), "Edit1.Text\r\nEdit2.Text\r\nEdit3.Text");
    Run("_EventFunction", "Main.Save");
    EXPECT_FALSE(second->EventParams.Contains("Main.Save"));
    second->EventParams.Add("Main.Save", "X.Text");
    Run("_EventFunction", "Main.Save<|>snil");
    EXPECT_FALSE(second->EventParams.Contains("Main.Save"));

    Run("_EventFunction", "Main.SaveAll<|>Edit1.Text");
    EXPECT_EQ(form->EventParams.Value("Main.SaveAll"), "Edit1.Text");
    Run("_EventFunction", "Nobody.Maps.This<|>Edit1.Text");
    EXPECT_FALSE(form->EventParams.Contains("Nobody.Maps.This"));
    EXPECT_FALSE(second->EventParams.Contains("Nobody.Maps.This"));
    delete second;
}

TEST_F(CommandTest, CopyFileReportsOnlyACompletedCopy)
{
    const std::string d = dir.str();
    WriteFile(d + "/src.txt", "payload");
    Run("_CopyFile", d + "/src.txt<|>" + d + "/new/deeper/<|>Main.Copied");
    EXPECT_EQ(ReadWholeFile(d + "/new/deeper/src.txt"), "payload");
    EXPECT_EQ(LastRequest(), "Main.Copied: { ; Sender Main ; ModalResult 1 ; }");

    WriteFile(d + "/dest.txt", "old");
    Run("_CopyFile", d + "/src.txt<|>" + d + "/dest.txt<|>Main.Copied");
    EXPECT_EQ(ReadWholeFile(d + "/dest.txt"), "payload");
    EXPECT_EQ(LastRequest(), "Main.Copied: { ; Sender Main ; ModalResult 1 ; }");

    // A source that opens but cannot be read: the old destination survives
    // and the copy is not reported as done.
    WriteFile(d + "/dest.txt", "old");
    Run("_CopyFile", "/proc/self/mem<|>" + d + "/dest.txt<|>Main.Copied");
    EXPECT_EQ(ReadWholeFile(d + "/dest.txt"), "old");
    EXPECT_EQ(LastRequest(), "Main.Copied: { ; Sender Main ; ModalResult 0 ; }");

    engine->calls.clear();
    try {
        Run("_CopyFile", d + "/none.txt<|>" + d + "/x.txt<|>Main.Copied");
        ADD_FAILURE() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + d + "/none.txt");
    }
    EXPECT_TRUE(engine->CallsOf("ExecuteEvent").empty());
}

TEST_F(CommandTest, SendAndReceiveAnswerThroughTheCallback)
{
    const std::string d = dir.str();
    WriteFile(d + "/up.txt", "data");
    Run("_SendFile", d + "/up.txt<|>srv/up.txt<|>Main.Sent");
    EXPECT_EQ(engine->CallsOf("SetFile").back().args,
              (std::vector<std::string> {u3::StringToBase64("data"), "File", "srv/up.txt"}));
    EXPECT_EQ(LastRequest(), "Main.Sent: { ; Sender Main ; ModalResult 1 ; }");
    Run("_SendFile", d + "/none.txt<|>srv/none.txt<|>Main.Sent");
    EXPECT_EQ(engine->CallsOf("SetFile").back().args[0], "snil");
    EXPECT_EQ(LastRequest(), "Main.Sent: { ; Sender Main ; ModalResult -1 ; }");

    engine->onGetFile = [n = 0](const EngineCall&) mutable {
        return n++ == 0 ? u3::StringToBase64("got it") : std::string("snil");
    };
    Run("_ReceiveFile", d + "/down.txt<|>srv/down.txt<|>Main.Received");
    EXPECT_EQ(ReadWholeFile(d + "/down.txt"), "got it");
    EXPECT_EQ(LastRequest(), "Main.Received: { ; Sender Main ; ModalResult 1 ; }");
    Run("_ReceiveFile", d + "/down.txt<|>srv/down.txt<|>Main.Received");
    EXPECT_EQ(LastRequest(), "Main.Received: { ; Sender Main ; ModalResult -1 ; }");
}

TEST_F(CommandTest, GetValuesSendsTheNamedEventFromTheClient)
{
    Run("_GetValues", "Main.Values<|>Edit1.Text<|>Edit1.Text");
    ASSERT_EQ(engine->CallsOf("ExecuteEvent").size(), 1u);
    EXPECT_EQ(engine->CallsOf("ExecuteEvent")[0].args[2], "TClient");
    EXPECT_EQ(LastRequest(), "Main.Values: { ; Sender Client ; Edit1.Text Smith ; Edit1.Text Smith ; }");
}

TEST_F(CommandTest, CreateFormOfAnOpenAliasDoesNothing)
{
    Run("_CreateForm", "FrmOrder<|>Main");
    Run("_CreateFormModal", "FrmOrder<|>MAIN");
    EXPECT_TRUE(engine->CallsOf("GetFile").empty());
    Run("_CreateForm", "FrmOrder<|>");
    EXPECT_EQ(engine->CallsOf("GetFile").size(), 1u);
}

TEST_F(CommandTest, OpeningFilesAndAddresses)
{
    std::vector<std::string> opened;
    platform::SetUrlOpener([&](const QUrl& url) {
        opened.push_back(url.isLocalFile() ? ReadWholeFile(url.toLocalFile().toStdString())
                                           : url.toString().toStdString());
        return true;
    });
    Run("_StartURL", "https://example.org/help");
    engine->onGetFile = [n = 0](const EngineCall&) mutable {
        return n++ == 0 ? u3::StringToBase64("%PDF-1.4") : std::string("snil");
    };
    Run("_ShellExecute", "srv\\docs\\letter.pdf");
    EXPECT_EQ(opened, (std::vector<std::string> {"https://example.org/help", "%PDF-1.4"}));
    EXPECT_EQ(engine->CallsOf("GetFile").front().args,
              (std::vector<std::string> {"", "BPart", "srv\\docs\\letter.pdf"}));
    Run("_ShellExecute", "srv\\docs\\gone.pdf"); // not downloaded: nothing opens
    EXPECT_EQ(opened.size(), 2u);
}

TEST_F(CommandTest, LiveUpdateRunsWithArgumentsAndWaits)
{
    const std::string script = dir.str() + "/update.sh";
    WriteFile(script, "#!/bin/sh\nsleep 0.2\nprintf '%s|' \"$@\" > \"$1\"\n");
    ::chmod(script.c_str(), 0700);
    const std::string out = dir.str() + "/args.txt";
    Run("_RunLiveUpdate", script + " " + out + " \"two words\" ;rm<|>Main.Updated");
    EXPECT_EQ(ReadWholeFile(out), out + "|two words|;rm|");
    EXPECT_EQ(LastRequest(), "Main.Updated: { ; Sender Main ; ModalResult snil ; }");
}

TEST_F(CommandTest, PluginsStartWithTheirParametersAndAreEnded)
{
    const std::string script = dir.str() + "/plugin.sh";
    const std::string out = dir.str() + "/plugin-args.txt";
    WriteFile(script, "#!/bin/sh\nprintf '%s|' \"$@\" > " + out + "\nexec sleep 30\n");
    ::chmod(script.c_str(), 0700);
    Run("_StartGUIEngine", "CLIENT=" + script + "\r\nUSER=a b<|>not read<|>x=1\r\ny=2");
    ASSERT_EQ(theClient->Plugins().size(), 1u);
    const u3::StartedProcess process = theClient->Plugins()[0].second;
    EXPECT_TRUE(u3::ProcessExists(process.Pid));
    for (int i = 0; i < 200 && ReadWholeFile(out).empty(); ++i)
        ::usleep(10000);
    EXPECT_EQ(ReadWholeFile(out), "CLIENT=" + script + "||USER=a b|localparentid=-1||x=1||y=2|");
    Run("_StopRunningPlugins", "");
    EXPECT_FALSE(u3::ProcessExists(process.Pid));
    EXPECT_EQ(theClient->Plugins().size(), 1u); // the list is kept
}

TEST(PluginArgumentsTest, ProgramDefaultsToOurOwn)
{
    EXPECT_EQ(client::PluginArguments("a=1\r\nb=2", "", 5, "/opt/front"),
              (std::vector<std::string> {"/opt/front", "a=1||b=2", "localparentid=5||"}));
    EXPECT_EQ(client::PluginArguments("x||CLIENT=/bin/tool||y", "e", -1, "/opt/front"),
              (std::vector<std::string> {"/bin/tool", "x||CLIENT=/bin/tool||y", "localparentid=-1||e"}));
}

TEST(MessageFieldsTest, ShowMessageFields)
{
    struct Case {
        std::string value;
        std::string caption, text;
        std::vector<std::string> buttons;
        std::string callback;
    };
    const Case cases[] = {
        {"Title<|>Text<|>unused<|>Yes,No<|>Main.Answer", "Title", "Text", {"Yes", "No"}, "Main.Answer"},
        {"Title<|>One<|>Two<|>unused<|>OK<|>Main.Answer", "Title", "One\r\nTwo", {"OK"}, "Main.Answer"},
        {"Title<|>Text<|>unused<|>OK", "Title", "Text", {"OK"}, ""},
        {"Title<|>Text", "Title", "Text", {"Text"}, ""},
        {"", "", "", {}, ""},
    };
    for (const Case& c : cases) {
        const client::MessageRequest r = client::ParseShowMessage(c.value);
        EXPECT_EQ(r.caption, c.caption) << c.value;
        EXPECT_EQ(r.text, c.text) << c.value;
        EXPECT_EQ(r.buttons, c.buttons) << c.value;
        EXPECT_EQ(r.callback, c.callback) << c.value;
    }
}

TEST(MessageFieldsTest, ShowMessageCheckFields)
{
    struct Case {
        std::string value;
        std::string text, check;
        std::vector<std::string> buttons;
        std::string callback;
    };
    const Case cases[] = {
        {"T<|>Text<|>Ask again<|>unused<|>Yes,No<|>Main.Answer", "Text", "Ask again", {"Yes", "No"}, "Main.Answer"},
        {"T<|>A<|>B<|>Ask again<|>unused<|>OK<|>Main.Answer", "A\r\nB", "Ask again", {"OK"}, "Main.Answer"},
        {"T<|>Text<|>Ask again<|>unused<|>OK", "Text", "Ask again", {"OK"}, ""},
        {"T", "", "", {"T"}, ""},
    };
    for (const Case& c : cases) {
        const client::MessageRequest r = client::ParseShowMessageCheck(c.value);
        EXPECT_EQ(r.text, c.text) << c.value;
        EXPECT_EQ(r.checkCaption, c.check) << c.value;
        EXPECT_EQ(r.buttons, c.buttons) << c.value;
        EXPECT_EQ(r.callback, c.callback) << c.value;
    }
}

TEST(FileMaskTest, WildcardsIgnoreCase)
{
    struct Case {
        const char* name;
        const char* pattern;
        bool match;
    };
    const Case cases[] = {
        {"Report.PDF", "*.pdf", true},  {"report", "*.*", true},      {"a.b.c", "*.c", true},
        {"ab", "?", false},             {"ab", "a?", true},           {"abc", "a*c*", true},
        {"abd", "a*c", false},          {"x.txt", "*.txt.bak", false}, {"aaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*c", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(client::MatchesFileMask(c.name, c.pattern), c.match) << c.name << " " << c.pattern;
}

TEST_F(CommandTest, CommandsWithoutEffectAreAccepted)
{
    for (const char* name : {"_AbstractCountWords", "_CurrentForm", "_DirectoryExists", "_EditAbstract", "_GetGUIEngine",
                             "_InitPKCS11", "_PreviewAbstract", "_PrintAbstract", "_PrintRTF", "_SetAbstractParams",
                             "_ShowMessageImage", "_ViewRTFList"})
        Run(name, "a<|>b<|>c");
    EXPECT_TRUE(engine->calls.empty());
    EXPECT_TRUE(ClientErrors().empty());
}

} // namespace

namespace {

// Presses the button the test chooses, ticking the check box first if asked.
class PressingSeam final : public client::MessageDialogSeam {
public:
    PressingSeam(int button, bool tick) : button_(button), tick_(tick) { client::SetMessageDialogSeam(this); }
    ~PressingSeam() override { client::SetMessageDialogSeam(nullptr); }
    void Run(client::TMessageForm& form) override
    {
        shown.push_back(form.MessageLabel()->text().toStdString());
        for (auto* b : form.Buttons())
            captions.push_back(b->text().toStdString());
        if (tick_ && form.CheckBox())
            form.CheckBox()->click();
        if (button_ >= 0)
            form.ButtonClick(button_);
        else
            form.Close();
    }
    void Beep() override {}
    std::vector<std::string> shown, captions;

private:
    int button_;
    bool tick_;
};

} // namespace

TEST_F(CommandTest, ShowMessageAnswersThePressedButton)
{
    {
        PressingSeam seam(1, false);
        Run("_ShowMessage", "Question<|>Save now?<|>unused<|>&Yes,&No<|>Main.Answer");
        ASSERT_EQ(seam.shown.size(), 1u);
        EXPECT_EQ(seam.captions, (std::vector<std::string> {"&Yes", "&No"}));
        EXPECT_EQ(LastRequest(), "Main.Answer: { ; Sender Main ; ModalResult 1 ; }");
    }
    {
        PressingSeam seam(-1, false);
        Run("_ShowMessage", "Question<|>Save now?<|>unused<|>&Yes,&No<|>Main.Answer");
        EXPECT_EQ(LastRequest(), "Main.Answer: { ; Sender Main ; ModalResult -1 ; }");
    }
}

TEST_F(CommandTest, ShowMessageCheckAnswersTheButtonAndTheBox)
{
    PressingSeam seam(0, true);
    Run("_ShowMessageCheck", "Note<|>Done.<|>Do not ask again<|>unused<|>&OK<|>Main.Noted");
    EXPECT_EQ(seam.captions, std::vector<std::string> {"&OK"});
    EXPECT_EQ(LastRequest(), "Main.Noted: { ; Sender Main ; ModalResult 0 ; Checked 1 ; }");
}

namespace {

// The one top-level window with that title; none when there is none or more.
QWidget* OnlyWindowTitled(const QString& title)
{
    QWidget* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == title) {
            if (found)
                return nullptr;
            found = w;
        }
    return found;
}

} // namespace

TEST_F(CommandTest, InfoAndProgressWindowsAreReused)
{
    struct Case {
        const char* show;
        const char* hide;
        const char* first;
        const char* again;
        QString title;
    };
    const Case cases[] = {
        {"_ShowInfoMessage", "_HideInfoMessage", "Wait a moment<|>Loading the file", "Wait a moment<|>Loading again",
         QStringLiteral("Wait a moment")},
        {"_ShowProgressInfo", "_HideProgressInfo", "Busy now<|>Sending<|>Step", "Busy now<|>Sending again<|>Step",
         QStringLiteral("Busy now")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.show);
        Run(c.show, c.first);
        QWidget* window = OnlyWindowTitled(c.title);
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isVisible());
        Run(c.hide, "");
        EXPECT_FALSE(window->isVisible()) << "hiding only hides";
        Run(c.show, c.again);
        EXPECT_EQ(OnlyWindowTitled(c.title), window) << "the same window serves again";
        EXPECT_TRUE(window->isVisible());
    }
}
