// The tree view's, the check list box's and the navigation bar's events bound by name to the real
// event list, as a form description binds them, and the engine's answers.
#include "ClientFixture.h"
#include "client/EventList.h"
#include "client/FormReader.h"
#include "e3/bars/NavigationBar.h"
#include "e3/lists/CheckListBox.h"
#include "e3/trees/TreeView.h"
#include "u3/Exceptions.h"

#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

namespace {

using namespace e3test;

class TreeEventsTest : public ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        list = std::make_unique<client::TEventList>(nullptr);
        client::SetEventListObject(list.get());
        form = new client::Te3_ClientForm(theClient.get());
        form->SetName("FormMain");
        theClient->SetCurrentForm(form);
    }

    void TearDown() override
    {
        client::SetEventListObject(nullptr);
        ClientFixture::TearDown();
        list.reset();
    }

    // The body of every request as one line.
    std::vector<std::string> Requests() const
    {
        std::vector<std::string> out;
        for (const auto& call : engine->CallsOf("ExecuteEvent")) {
            std::string text = call.args.at(3) + ":";
            const std::string& body = call.args.at(4);
            size_t start = 0;
            while (start < body.size()) {
                size_t end = body.find("\r\n", start);
                if (end == std::string::npos)
                    end = body.size();
                text += " " + body.substr(start, end - start);
                start = end + 2;
            }
            out.push_back(text);
        }
        return out;
    }

    std::unique_ptr<client::TEventList> list;
    client::Te3_ClientForm* form = nullptr;
};

TEST_F(TreeEventsTest, NodeEventsSendTheNodeIdAfterTheirVarArguments)
{
    auto* tree = new e3::Te3_TreeView(form);
    tree->SetName("tvFolders");
    tree->SetParent(form);
    for (const char* event : {"OnCollapsing", "OnExpanding", "OnExpanded", "OnChangingNode", "OnChangeNode",
                              "OnEditedNode"}) {
        client::BindEventProperty("Te3_TreeView", event, tree);
        form->EventMap.Add(std::string("FormMain.tvFolders.") + event, std::string("Main.") + event);
    }
    tree->ActAddChild("0<|>10<|>Inbox<|>");
    tree->ActAddChild("10<|>11<|>Old<|>");

    engine->QueueReply("Main.OnExpanding", Lines("{ | ; | AllowExpansion | 0 | ; | }"));
    tree->ActFullExpand("");
    EXPECT_FALSE(tree->FindNode(10)->isExpanded());
    tree->ActFullExpand(""); // no result: the expansion goes ahead
    EXPECT_TRUE(tree->FindNode(10)->isExpanded());

    engine->QueueReply("Main.OnCollapsing", Lines("{ | ; | AllowCollapse | 0 | ; | }"));
    tree->ActFullCollapse("");
    EXPECT_TRUE(tree->FindNode(10)->isExpanded());

    engine->QueueReply("Main.OnChangingNode", Lines("{ | ; | AllowChange | 0 | ; | }"));
    tree->ActSelectNode("11");
    EXPECT_EQ(tree->Selected(), nullptr);
    tree->ActSelectNode("11");
    EXPECT_EQ(tree->Selected(), tree->FindNode(11));

    engine->QueueReply("Main.OnEditedNode", Lines("{ | ; | Text | Archive | ; | }"));
    std::string text = "Older";
    tree->OnEditedNode(tree, 11, text);
    EXPECT_EQ(text, "Archive");

    EXPECT_EQ(Requests(), (std::vector<std::string> {
                              "Main.OnExpanding: { ; Sender tvFolders ; AllowExpansion 1 ; ID 10 ; }",
                              "Main.OnExpanding: { ; Sender tvFolders ; AllowExpansion 1 ; ID 10 ; }",
                              "Main.OnExpanded: { ; Sender tvFolders ; ID 10 ; }",
                              "Main.OnCollapsing: { ; Sender tvFolders ; AllowCollapse 1 ; ID 10 ; }",
                              "Main.OnChangingNode: { ; Sender tvFolders ; AllowChange 1 ; ID 11 ; }",
                              "Main.OnChangingNode: { ; Sender tvFolders ; AllowChange 1 ; ID 11 ; }",
                              "Main.OnChangeNode: { ; Sender tvFolders ; ID 11 ; }",
                              "Main.OnEditedNode: { ; Sender tvFolders ; Text Older ; ID 11 ; }",
                          }));
}

TEST_F(TreeEventsTest, AnEditedTextComesBackAsTheEngineAnswers)
{
    auto* tree = new e3::Te3_TreeView(form);
    tree->SetName("tvFolders");
    tree->SetParent(form);
    client::BindEventProperty("Te3_TreeView", "OnEditedNode", tree);
    form->EventMap.Add("FormMain.tvFolders.OnEditedNode", "Main.Renamed");
    tree->ActAddChild("0<|>10<|>Inbox<|>");
    tree->ActPreventEmpty("1");

    engine->QueueReply("Main.Renamed", Lines("{ | ; | Text | Archive | ; | }"));
    tree->SetBounds(0, 0, 200, 200);
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
    tree->ActEditText("10");
    auto* editor = qobject_cast<QLineEdit*>(tree->NodeEditor());
    ASSERT_NE(editor, nullptr);
    editor->setText("  Old   mail ");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !tree->IsEditing(); }, 20000));
    EXPECT_EQ(tree->FindNode(10)->text(0).toStdString(), "Archive");
    EXPECT_EQ(Requests(), (std::vector<std::string> {
                              "Main.Renamed: { ; Sender tvFolders ; Text Old mail ; ID 10 ; }",
                          }));
}

TEST_F(TreeEventsTest, OnlyTheUsersToggleSendsOnClickCheck)
{
    auto* box = new e3::Te3_CheckListBox(form);
    box->SetName("clbOptions");
    box->SetParent(form);
    client::BindEventProperty("Te3_CheckListBox", "OnClickCheck", box);
    form->EventMap.Add("FormMain.clbOptions.OnClickCheck", "Main.Checked");
    form->EventParams.Add("Main.Checked", "clbOptions.CheckedItems");
    box->AddStringId("3<|>Fast");
    box->AddStringId("4<|>Cheap");

    client::SetPropertyByPath(box, "_CheckedItems", "Te3_CheckListBox", "0");
    client::SetPropertyByPath(box, "CheckedItems", "Te3_CheckListBox", "4");
    box->SetItemIndex(0);
    box->ToggleItem(0);
    EXPECT_EQ(Requests(), (std::vector<std::string> {
                              "Main.Checked: { ; Sender clbOptions ; clbOptions.CheckedItems 3, 4 ; }",
                          }));
}

TEST_F(TreeEventsTest, TheNavigationBarSendsGroupAndButton)
{
    auto* bar = new e3::Te3_NavigationBar(form);
    bar->SetName("nbMain");
    bar->SetParent(form);
    client::BindEventProperty("Te3_NavigationBar", "OnClickLookBar", bar);
    form->EventMap.Add("FormMain.nbMain.OnClickLookBar", "Main.Navigate");
    client::SetPropertyByPath(bar, "Style", "Te3_NavigationBar", "lbsButtonsPane");
    client::SetPropertyByPath(bar, "_AddButton", "Te3_NavigationBar", "Files<|>0");
    client::SetPropertyByPath(bar, "_AddButton", "Te3_NavigationBar", "Fees<|>0");
    client::SetPropertyByPath(bar, "_ClickLookBar", "Te3_NavigationBar", "1");
    // "[i]" reaches a group's header.
    client::SetPropertyByPath(form, "nbMain[1].MainButton.Caption", "Te3_ClientForm", "Fees due");
    EXPECT_EQ(bar->GetItem(1)->GetMainButton()->GetText(), "Fees due");
    EXPECT_EQ(client::GetPropertyText("Te3_ClientForm", "nbMain[0].MainButton.Caption", form), "Files");
    EXPECT_EQ(client::GetPropertyText("Te3_ClientForm", "nbMain[5].MainButton.Caption", form), "");
    EXPECT_THROW(client::SetPropertyByPath(form, "nbMain[5].MainButton.Caption", "Te3_ClientForm", "x"),
                 u3::EListError);
    EXPECT_EQ(Requests(), (std::vector<std::string> {
                              "Main.Navigate: { ; Sender nbMain ; Button 1 ; ExpButton -1 ; }",
                          }));
}

} // namespace
