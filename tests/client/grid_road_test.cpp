// A data-list grid read from a form description: it takes its pictures from
// the client, refuses a column index past its bound with a client error, and
// a data list that a reply attaches fetches its rows through the engine.
#include "ClientFixture.h"

#include "client/EventList.h"
#include "client/FormReader.h"
#include "e3/grids/DLDrawGrid.h"

#include <QImage>

#include <string>
#include <vector>

using namespace e3test;

namespace {

class GridRoadTest : public ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        list = std::make_unique<client::TEventList>(nullptr);
        client::SetEventListObject(list.get());
    }
    void TearDown() override
    {
        delete root.get();
        client::SetEventListObject(nullptr);
        ClientFixture::TearDown();
        list.reset();
    }
    std::vector<std::string> Requests() const
    {
        std::vector<std::string> out;
        for (const auto& call : engine->CallsOf("ExecuteEvent")) {
            std::string body = call.args.at(4);
            for (size_t at; (at = body.find("\r\n")) != std::string::npos;)
                body.replace(at, 2, " ");
            out.push_back(call.args.at(3) + " / " + body);
        }
        return out;
    }

    std::unique_ptr<client::TEventList> list;
    fw::Guard<fw::TComponent> root;
};

TEST_F(GridRoadTest, ADescribedGridGetsPicturesColumnsAndRowsFromTheEngine)
{
    root = LoadLines("desc | [ | 0 | Te3_ClientForm | Parent | NIL | NAME | FormG | ] | "
                     "[ | 1 | Te3_DLDrawGrid | Parent | FormG | NAME | Grid1 | SCALECOL | 0 | COLCOUNT | 2 | "
                     "FIXEDCOLS | 0 | TITLEVISIBLE | 1 | _ROWCOUNT | 100 | COLUMNS[1].TITLE.CAPTION | Amount | "
                     "COLUMNS[1000000].WIDTH | 5 | ] | } | x | { | } | x | { | }");
    ASSERT_NE(root.get(), nullptr);
    auto* grid = dynamic_cast<e3::Te3_DLDrawGrid*>(root->FindComponent("Grid1"));
    ASSERT_NE(grid, nullptr);
    theClient->SetCurrentForm(dynamic_cast<client::Te3_ClientForm*>(root.get()));

    EXPECT_TRUE(grid->OnGetImage) << "the picture handler of the client";
    EXPECT_EQ(grid->GetColumns()->GetCount(), 2);
    EXPECT_EQ(grid->GetColumns()->GetColumn(1)->GetTitle()->GetCaption(), "Amount");
    // A column's editor is an engine control reached through its column.
    client::SetPropertyByPath(grid, "COLUMNS[1].CLASSEDITOR", "Te3_DLDrawGrid", "Te3_Edit");
    client::SetPropertyByPath(grid, "Columns[1].Editor.Text", "Te3_DLDrawGrid", "typed");
    ASSERT_NE(grid->GetColumns()->GetColumn(1)->GetEditor(), nullptr);
    EXPECT_EQ(grid->GetColumns()->GetColumn(1)->GetEditor()->GetText(), "typed");
    EXPECT_EQ(client::GetPropertyText("Te3_DLDrawGrid", "COLUMNS[1].EDITOR.TEXT", grid), "typed");
    // Reported when read and again when the reader applies what did not hold.
    ASSERT_FALSE(ClientErrors().empty());
    for (const std::string& error : ClientErrors())
        EXPECT_NE(error.find("List index out of bounds (1000000)"), std::string::npos) << error;

    const fw::TPropInfo* create = theClient->ClassType().FindProperty("_Create");
    ASSERT_NE(create, nullptr);
    create->set(*theClient, std::string("TDGDataListClient<|>NIL<|>List1"));
    ApplyLines("{ | ; | List1.OnGetData | Main.GetRows | ; | FormG.Grid1.DataList | List1 | ; | }");
    auto* dataList = grid->GetDataList();
    ASSERT_NE(dataList, nullptr);
    EXPECT_EQ(dataList->GetDrawGrid(), grid);

    engine->QueueReply("Main.GetRows", Lines("{ | ; | List1.TempData | Smith>|<12>|<Jones>|<7>|< | ; | }"));
    grid->FetchVisibleRows();
    ASSERT_EQ(Requests().size(), 1u);
    const e3::TDLRowRun shown = e3::RowsToPaint({grid->GetTopRow(), 1, true, grid->GetVisibleRowCount(), 101});
    ASSERT_GT(shown.count, 2);
    const std::string rows = std::to_string(shown.count);
    EXPECT_EQ(Requests()[0], "Main.GetRows / { ; Sender List1 ; BeginRow 0 ; Count " + rows + " ; Col 2 ; } ");
    EXPECT_EQ(dataList->GetCell(1, 1).cell, "7");
    // Rows that came are not asked for again.
    grid->FetchVisibleRows();
    EXPECT_EQ(Requests().size(), 2u) << "the rows the reply left out are asked for once more";
    delete dataList;
    EXPECT_EQ(grid->GetDataList(), nullptr);
}

TEST_F(GridRoadTest, TheDemoListOfApplicationsFetchesItsFirstScreen)
{
    const std::string forms = E3_SOURCE_DIR "/tools/sample-engine/demo/forms";
    engine->ServeFile("Form", "FormApplications", ReadWholeFile(forms + "/FormApplications.txt"));
    // The demo's reply, without showing the form modally.
    ApplyLines("{ | ; | Client._CreateFormModal | FormApplications | ; | "
               "Client._Create | TDGDataListClient<|>NIL<|>lstApps | ; | "
               "lstApps.OnGetData | Main.ApplicationRows | ; | grdApps._RowCount | 100000 | ; | "
               "grdApps.DataList | lstApps | ; | }");
    auto* form = theClient->Forms().Find("FormApplications");
    ASSERT_NE(form, nullptr);
    root = form;
    auto* grid = dynamic_cast<e3::Te3_DLDrawGrid*>(form->FindComponent("grdApps"));
    ASSERT_NE(grid, nullptr);
    ASSERT_NE(grid->GetDataList(), nullptr);
    EXPECT_EQ(grid->GetRowCount(), 100001);
    engine->QueueReply("Main.ApplicationRows", Lines("{ | ; | lstApps.TempData | 2026/1>|<A>|<Filed>|<1.00>|< | ; | }"));
    grid->FetchVisibleRows();
    ASSERT_FALSE(Requests().empty());
    EXPECT_EQ(Requests().back().rfind("Main.ApplicationRows / { ; Sender lstApps ; BeginRow 0 ; Count ", 0), 0u)
        << Requests().back();
    EXPECT_EQ(grid->GetDataList()->GetCell(0, 0).cell, "2026/1");
    delete grid->GetDataList();
}

} // namespace
