#include "ClientFixture.h"

#include "client/EventList.h"
#include "client/FormReader.h"
#include "client/MessageDialog.h"
#include "e3/edits/Edit.h"
#include "framework/ApplicationTitle.h"
#include "u3/Base64.h"
#include "u3/SystemInfo.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>

#include <deque>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

using namespace e3test;
using client::TClient;
using client::Te3_ClientForm;
namespace fs = std::filesystem;

namespace {

// The scripted engine, with form descriptions answered from a queue (one
// answer per request) while the queue lasts.
class QueuedFormEngine final : public client::IClientGUIEngine {
public:
    explicit QueuedFormEngine(ScriptedEngine& inner) : inner_(inner) {}
    std::deque<std::string> formAnswers;

    bool Connect() override { return inner_.Connect(); }
    std::string ExecuteEvent(const std::string& a, const std::string& b, const std::string& c, const std::string& d,
                             const std::string& e) override
    {
        return inner_.ExecuteEvent(a, b, c, d, e);
    }
    std::string GetFile(const std::string& name, const std::string& type, const std::string& path) override
    {
        std::string answer = inner_.GetFile(name, type, path);
        if (type == "Form" && !formAnswers.empty()) {
            answer = formAnswers.front();
            formAnswers.pop_front();
        }
        return answer;
    }
    std::string SetFile(const std::string& a, const std::string& b, const std::string& c) override
    {
        return static_cast<client::IClientGUIEngine&>(inner_).SetFile(a, b, c);
    }
    std::string OnMessage(const std::string& a, const std::string& b) override { return inner_.OnMessage(a, b); }
    std::string GetGUIEngine(const std::string& a, const std::string& b, std::string& c,
                             std::shared_ptr<client::IGUIEngine>& e) override
    {
        return inner_.GetGUIEngine(a, b, c, e);
    }
    std::string SetGUIEngine(const std::string& a, const std::string& b, const std::string& c,
                             std::shared_ptr<client::IGUIEngine> e) override
    {
        return inner_.SetGUIEngine(a, b, c, e);
    }
    std::string CommandGUIEngine(const std::string& a, const std::string& b, const std::string& c,
                                 const std::string& d) override
    {
        return inner_.CommandGUIEngine(a, b, c, d);
    }

private:
    ScriptedEngine& inner_;
};

const char* const FormWithCreateEvent =
    "desc | [ | 0 | Te3_ClientForm | Parent | NIL | NAME | FormMain | ] | "
    "[ | 1 | Te3_Edit | Parent | FormMain | NAME | Edit1 | ] | "
    "} | x | { | FormMain.OnCreate | Main.Create | x | Edit1.OnChange | Main.EditChanged | x | } | "
    "x | { | }";

class ClientTest : public ClientFixture {
protected:
    void TearDown() override
    {
        client::SetEventListObject(nullptr);
        ClientFixture::TearDown();
        list.reset();
    }

    // The real event list, for handlers bound by descriptions.
    void UseTheEventList()
    {
        list = std::make_unique<client::TEventList>(nullptr);
        client::SetEventListObject(list.get());
    }

    std::unique_ptr<client::TEventList> list;
};

void ServeFile(ScriptedEngine& engine, const std::string& type, const std::string& name, std::string content)
{
    engine.ServeFile(type, name, std::move(content));
}

std::string PngBase64(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return u3::StringToBase64(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

TEST_F(ClientTest, MessageTextsAreAskedOncePerDefaultText)
{
    engine->QueueReply("Client.OnDictionaryWord", Lines("{ | ; | LangText |  Warnung  | ; | }"));
    EXPECT_EQ(theClient->GetLangText("g3Client.pas.Message.5", "Warning"), "Warnung");
    EXPECT_EQ(theClient->GetLangText("other.pas.Message.1", "WARNING"), "Warnung");
    ASSERT_EQ(engine->CallsOf("ExecuteEvent").size(), 1u);
    EXPECT_EQ(engine->CallsOf("ExecuteEvent")[0].args,
              (std::vector<std::string> {"", "Client", "TClient", "Client.OnDictionaryWord",
                                         Lines("{ | ; | Sender | Client | ; | Unilang | g3Client.pas.Message.5 | ; | "
                                               "Unitext | Warning | ; | }")}));

    // A reply without a text leaves the default, which is kept as the answer.
    EXPECT_EQ(theClient->GetLangText("g3Client.pas.Message.4", "&OK"), "&OK");
    EXPECT_EQ(theClient->GetLangText("g3Client.pas.Message.4", "&OK"), "&OK");
    EXPECT_EQ(engine->CallsOf("ExecuteEvent").size(), 2u);

    theClient->ClearLangTextLists();
    engine->QueueReply("Client.OnDictionaryWord", Lines("{ | ; | langtext | Achtung | ; | }"));
    EXPECT_EQ(theClient->GetLangText("g3Client.pas.Message.5", "Warning"), "Achtung");
    EXPECT_EQ(engine->CallsOf("ExecuteEvent").size(), 3u);
}

TEST_F(ClientTest, PicturesAreCachedOnlyWhenTheyArrive)
{
    ServeFile(*engine, "Image", "Logo", PngBase64(3, 2, Qt::red));
    const QImage logo = theClient->GetImage("Logo");
    ASSERT_FALSE(logo.isNull());
    EXPECT_EQ(logo.size(), QSize(3, 2));
    EXPECT_EQ(logo.pixelColor(1, 1), QColor(Qt::red));
    EXPECT_EQ(theClient->GetImage("LOGO").size(), QSize(3, 2));
    EXPECT_EQ(engine->CallsOf("GetFile").size(), 1u);
    EXPECT_EQ(engine->CallsOf("GetFile")[0].args, (std::vector<std::string> {"Logo", "Image", ""}));

    // Missing or unreadable pictures are asked for again next time.
    ServeFile(*engine, "Image", "Broken", u3::StringToBase64("no picture"));
    ServeFile(*engine, "Image", "NotBase64", "*** ***");
    for (const char* name : {"Missing", "Broken", "NotBase64"}) {
        const size_t before = engine->CallsOf("GetFile").size();
        EXPECT_TRUE(theClient->GetImage(name).isNull()) << name;
        EXPECT_TRUE(theClient->GetImage(name).isNull()) << name;
        EXPECT_EQ(engine->CallsOf("GetFile").size(), before + 2) << name;
    }
    EXPECT_TRUE(theClient->GetImage("").isNull());
    EXPECT_EQ(engine->CallsOf("GetFile").size(), 7u);
}

TEST_F(ClientTest, AnEngineFormIsListedAndNamedByItsAlias)
{
    UseTheEventList();
    auto* previous = new Te3_ClientForm(theClient.get());
    previous->SetName("Previous");
    theClient->SetCurrentForm(previous);
    ServeFile(*engine, "Form", "FormMain", Lines(FormWithCreateEvent));
    fw::TComponent* currentDuringCreate = nullptr;
    engine->onExecuteEvent = [&](const EngineCall&) {
        currentDuringCreate = theClient->CurrentForm();
        return std::string();
    };

    Te3_ClientForm* form = theClient->CreateEngineForm("FormMain", "Orders");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->GetName(), "Orders");
    EXPECT_EQ(form->Alias, "Orders");
    EXPECT_EQ(form->FormName, "FormMain");
    EXPECT_EQ(theClient->Forms().Find("orders"), form);
    EXPECT_EQ(theClient->Forms().Find("FormMain"), nullptr);
    EXPECT_EQ(client::FindComponentByName(previous, "ORDERS", false), form);
    EXPECT_EQ(theClient->CurrentForm(), previous);

    // OnCreate ran with the new form current, under its new name.
    ASSERT_EQ(engine->CallsOf("ExecuteEvent").size(), 1u);
    EXPECT_EQ(engine->CallsOf("ExecuteEvent")[0].args.at(1), "Orders");
    EXPECT_EQ(engine->CallsOf("ExecuteEvent")[0].args.at(3), "Main.Create");
    EXPECT_EQ(currentDuringCreate, form);

    // The edit's events follow the rename.
    auto* edit = dynamic_cast<e3::Te3_Edit*>(form->FindComponent("Edit1"));
    ASSERT_NE(edit, nullptr);
    edit->SetText("x");
    ASSERT_EQ(engine->CallsOf("ExecuteEvent").size(), 2u);
    EXPECT_EQ(engine->CallsOf("ExecuteEvent")[1].args.at(3), "Main.EditChanged");
    EXPECT_TRUE(ClientErrors().empty());

    // Without an alias the form is listed under its own name.
    Te3_ClientForm* plain = theClient->CreateEngineForm("FormMain", "");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->GetName(), "FormMain");
    EXPECT_EQ(theClient->Forms().Find("FormMain"), plain);
}

TEST_F(ClientTest, AnEmptyDescriptionIsAskedForUpToThreeTimes)
{
    QueuedFormEngine queued(*engine);
    theClient->SetEngine(&queued);
    const std::string description = Lines("desc | [ | 0 | Te3_ClientForm | Parent | NIL | NAME | F | ] | } | x | "
                                          "{ | } | x | { | }");
    struct Case {
        std::deque<std::string> answers;
        bool built;
        size_t requests;
    };
    const Case cases[] = {
        {{"", "", description}, true, 3},
        {{"", "", "", description}, false, 3},
        {{"snil"}, false, 1},
        {{"snil\r\n"}, false, 1},
    };
    for (const Case& c : cases) {
        engine->calls.clear();
        queued.formAnswers = c.answers;
        Te3_ClientForm* form = theClient->CreateEngineForm("F", "Alias" + std::to_string(c.answers.size()));
        EXPECT_EQ(form != nullptr, c.built) << c.answers.size();
        EXPECT_EQ(engine->CallsOf("GetFile").size(), c.requests) << c.answers.size();
        for (const auto& call : engine->CallsOf("GetFile"))
            EXPECT_EQ(call.args, (std::vector<std::string> {"F", "Form", ""}));
    }
    theClient->SetEngine(engine.get());
}

TEST_F(ClientTest, CreatedComponentsWithoutParentAreMadeOncePerName)
{
    auto* form = new Te3_ClientForm(theClient.get());
    form->SetName("FormX");
    theClient->SetCurrentForm(form);

    fw::Guard<fw::TComponent> loose(theClient->CreateEngineComponent("Te3Edit", "", "Loose"));
    ASSERT_TRUE(loose);
    EXPECT_NE(dynamic_cast<e3::Te3_Edit*>(loose.get()), nullptr);
    EXPECT_EQ(loose->Owner(), nullptr);
    EXPECT_EQ(loose->GetName(), "Loose");
    EXPECT_EQ(theClient->CreatedComponents().Find("LOOSE"), loose.get());
    EXPECT_EQ(theClient->CreateEngineComponent("Te3Edit", "nil", "loose"), nullptr);
    EXPECT_EQ(theClient->CreateEngineComponent("Te3Edit", "", "Loose"), nullptr);
    EXPECT_EQ(theClient->CreatedComponents().Count(), 1);

    // With a parent the list of parent-less components is not consulted.
    fw::TComponent* owned = theClient->CreateEngineComponent("Te3_Edit", "formx", "Loose");
    ASSERT_NE(owned, nullptr);
    EXPECT_EQ(owned->Owner(), form);
    EXPECT_EQ(form->FindComponent("Loose"), owned);
    EXPECT_EQ(theClient->CreatedComponents().Count(), 1);

    EXPECT_THROW(theClient->CreateEngineComponent("TButton", "", "B"), u3::Exception);
    EXPECT_EQ(theClient->CreatedComponents().Count(), 1);

    // Freed through the engine, a component leaves the list.
    client::FreeEngineComponent(loose.get());
    EXPECT_FALSE(loose);
    EXPECT_EQ(theClient->CreatedComponents().Count(), 0);
    fw::TComponent::DeleteReleased();
}

TEST_F(ClientTest, FreeingTheCurrentFormLeavesNoneAndTheClientCannotBeFreed)
{
    auto* form = new Te3_ClientForm(nullptr);
    form->SetName("Gone");
    theClient->AddForm("Gone", form);
    theClient->SetCurrentForm(form);
    client::FreeEngineComponent(form);
    EXPECT_EQ(theClient->CurrentForm(), nullptr);
    EXPECT_EQ(theClient->Forms().Find("Gone"), nullptr);
    fw::TComponent::DeleteReleased();

    client::FreeEngineComponent(theClient.get());
    client::SetPropertyByPath(theClient.get(), "_FREE", "TClient", "1");
    EXPECT_TRUE(theClient->IsAlive());
}

// --- the temporary folder -------------------------------------------------------

class TempFolderTest : public ClientTest {
protected:
    void SetUp() override
    {
        ClientTest::SetUp();
        const char* saved = std::getenv("TMPDIR");
        savedTmp = saved ? saved : "";
        hadTmp = saved != nullptr;
        base = dir.str() + "/tmp";
        fs::create_directory(base);
        ::setenv("TMPDIR", base.c_str(), 1);
        folder = base + "/GUIEngine-" + std::to_string(::geteuid());
    }
    void TearDown() override
    {
        if (hadTmp)
            ::setenv("TMPDIR", savedTmp.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        ClientTest::TearDown();
    }

    static void Plant(const std::string& file)
    {
        fs::create_directories(fs::path(file).parent_path());
        std::ofstream(file) << "x";
    }

    std::string base, folder, savedTmp;
    bool hadTmp = false;
};

TEST_F(TempFolderTest, FoldersArePrivateAndEmptiedOnlyByAnInstanceThatIsAlone)
{
    const std::string outside = dir.str() + "/outside";
    const std::vector<std::string> planted = {folder + "/PDF/a.pdf", folder + "/PDF/sub/b.pdf",
                                              folder + "/Server/c.xml", folder + "/Server/Certs/d.pem"};
    {
        TClient first("GUIEngine");
        EXPECT_EQ(first.TempFolder(), folder);
        EXPECT_EQ(first.GetTempDirForServer(), folder + "/Server");
        struct stat st {};
        ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 07777, 0700u);
        EXPECT_EQ(st.st_uid, ::geteuid());
        for (const char* sub : {"/PDF", "/Server", "/Server/Certs"})
            EXPECT_TRUE(fs::is_directory(folder + sub)) << sub;

        for (const auto& f : planted)
            Plant(f);
        Plant(outside + "/keep");
        fs::create_directory_symlink(outside, folder + "/PDF/link");

        // Another instance while the first holds the folder empties nothing.
        TClient second("GUIEngine");
        EXPECT_EQ(second.TempFolder(), folder);
        for (const auto& f : planted)
            EXPECT_TRUE(fs::exists(f)) << f;
    }
    // An instance of another engine name empties nothing either.
    { TClient other("Other"); }
    for (const auto& f : planted)
        EXPECT_TRUE(fs::exists(f)) << f;

    TClient alone("GUIEngine");
    for (const auto& f : planted)
        EXPECT_FALSE(fs::exists(f)) << f;
    for (const char* sub : {"/PDF/sub", "/Server/Certs"})
        EXPECT_TRUE(fs::is_directory(folder + sub)) << sub;
    EXPECT_TRUE(fs::exists(outside + "/keep")); // the link was not followed
}

TEST_F(TempFolderTest, AnotherEngineNameMakesNoSubfolders)
{
    TClient other("Other");
    EXPECT_EQ(other.GetTempDirForServer(), folder + "/Server");
    for (const char* sub : {"/PDF", "/Server"})
        EXPECT_FALSE(fs::exists(folder + sub)) << sub;
}

TEST_F(TempFolderTest, APlantedFolderIsRefused)
{
    const std::string target = dir.str() + "/attacker";
    struct Case {
        const char* what;
        std::function<void()> plant;
        bool accepted;
    };
    std::vector<Case> cases = {
        {"a link to a folder", [&] { fs::create_directory_symlink(target, folder); }, false},
        {"a file", [&] { std::ofstream(folder) << "x"; }, false},
        {"our folder open to others",
         [&] {
             fs::create_directory(folder);
             ::chmod(folder.c_str(), 0777);
         },
         true},
    };
    if (::geteuid() == 0) {
        // Only root can hand a folder to somebody else.
        cases.push_back({"a folder of another user",
                         [&] {
                             fs::create_directory(folder);
                             ::chmod(folder.c_str(), 0700);
                             ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
                         },
                         false});
    }
    for (const Case& c : cases) {
        fs::remove_all(folder);
        fs::remove_all(target);
        fs::create_directory(target);
        c.plant();
        TClient client("GUIEngine");
        EXPECT_EQ(!client.TempFolder().empty(), c.accepted) << c.what;
        EXPECT_TRUE(fs::is_empty(target)) << c.what;
        if (c.accepted) {
            struct stat st {};
            ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0700u) << c.what;
            EXPECT_TRUE(fs::is_directory(folder + "/Server/Certs")) << c.what;
        } else {
            EXPECT_TRUE(client.GetTempDirForServer().empty()) << c.what;
            EXPECT_FALSE(fs::exists(folder + "/PDF")) << c.what;
        }
    }
}

TEST_F(ClientTest, TheTitleCaptionsMessageBoxesButNoWindow)
{
    ServeFile(*engine, "Form", "FormMain", Lines(FormWithCreateEvent));
    Te3_ClientForm* form = theClient->CreateEngineForm("FormMain", "");
    ASSERT_NE(form, nullptr);
    ApplyLines("{ | ; | Client._Title | Orders | ; | FormMain.Caption | Order 17 | ; | }");
    EXPECT_EQ(fw::ApplicationTitle(), "Orders");
    std::unique_ptr<client::TMessageForm> box(client::CreateMessageForm("Saved", {"OK"}, ""));
    EXPECT_EQ(box->GetCaption(), "Orders");
    // Qt would append its application display name to every window caption.
    EXPECT_NE(QGuiApplication::applicationDisplayName(), "Orders");
    EXPECT_EQ(form->Widget()->windowTitle(), "Order 17");
    ApplyLines("{ | ; | Client._Title | snil | ; | }");
    EXPECT_EQ(fw::ApplicationTitle(), "");
}

TEST_F(ClientTest, TheUserInfoIsPublishedReadOnlyWithTheLoginAndTheDomain)
{
    const fw::TPropInfo* prop = TClient::StaticClass().FindProperty("clientuserinfo");
    ASSERT_NE(prop, nullptr);
    EXPECT_TRUE(prop->IsReadable());
    EXPECT_FALSE(prop->IsWritable());
    auto* info = dynamic_cast<client::TClientUserInfo*>(std::get<fw::TObject*>(prop->get(*theClient)));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->Field1, "");
    EXPECT_EQ(info->UserName, u3::LoginName());
    EXPECT_EQ(info->UserDomain, u3::DnsDomain());
    EXPECT_EQ(info->Field4, "");
    // A reply cannot replace it.
    ApplyLines("{ | ; | Client.ClientUserInfo | Other | ; | }");
    EXPECT_EQ(std::get<fw::TObject*>(prop->get(*theClient)), info);
}

} // namespace
