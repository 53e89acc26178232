// A data list made by the engine's "_Create": a reply binds its events, which
// then reach the engine under the data list's name with its own maps, and the
// reply of the row request delivers the rows by setting TempData.
#include "ClientFixture.h"

#include "client/EventList.h"
#include "e3/datalist/DataListClient.h"

#include <string>
#include <vector>

using namespace e3test;

namespace {

class RecordingGrid : public fw::TComponent, public e3::IDataListGrid {
public:
    RecordingGrid() : fw::TComponent(nullptr) { SetName("Grid1"); }
    fw::TComponent* GridComponent() override { return this; }
    int32_t GridColCount() const override { return 2; }
    int32_t GridRowCount() const override { return 11; }
    int32_t GridTopRow() const override { return 1; }
    int32_t GridFixedRows() const override { return 1; }
    int32_t GridVisibleRowCount() const override { return 2; }
    bool GridTitleVisible() const override { return true; }
    std::vector<int32_t> GridColumnWidths() const override { return {120, 80}; }
    void GridLastPressCell(int32_t& col, int32_t& row) const override
    {
        col = 1;
        row = 3;
    }
    void GridRepaintLater() override { ++repaints; }
    void GridDataListGone() override {}
    int repaints = 0;
};

class DataListRoadTest : public ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        list = std::make_unique<client::TEventList>(nullptr);
        client::SetEventListObject(list.get());
    }
    void TearDown() override
    {
        client::SetEventListObject(nullptr);
        ClientFixture::TearDown();
        list.reset();
    }
    void Run(const std::string& command, const std::string& value)
    {
        const fw::TPropInfo* p = theClient->ClassType().FindProperty(command);
        ASSERT_NE(p, nullptr) << command;
        p->set(*theClient, value);
    }
    // Each event sent as "sender / type / engine event / request lines".
    std::vector<std::string> Sent() const
    {
        std::vector<std::string> out;
        for (const auto& call : engine->CallsOf("ExecuteEvent")) {
            std::string body = call.args.at(4);
            for (size_t at; (at = body.find("\r\n")) != std::string::npos;)
                body.replace(at, 2, " ");
            out.push_back(call.args.at(1) + " / " + call.args.at(2) + " / " + call.args.at(3) + " / " + body);
        }
        return out;
    }

    std::unique_ptr<client::TEventList> list;
};

TEST_F(DataListRoadTest, EventsOfACreatedDataListGoOutUnderItsNameAndItsRowsComeBackInTempData)
{
    Run("_Create", "TDGDataListClient<|>NIL<|>List1");
    auto* dataList = dynamic_cast<e3::TDGDataListClient*>(theClient->CreatedComponents().Find("List1"));
    ASSERT_NE(dataList, nullptr);
    EXPECT_EQ(dataList->DataListEngineName(), "List1");

    ApplyLines("{ | ; | List1.OnGetData | Main.GetRows | ; | List1.OnSort | Main.Sort | ; | "
               "List1.OnDLDblClick | Main.Open | ; | }");
    EXPECT_EQ(dataList->EventMap.Value("List1.OnGetData"), "Main.GetRows");
    EXPECT_EQ(dataList->EventMap.Value("List1.OnSort"), "Main.Sort");
    EXPECT_TRUE(dataList->OnGetData);

    // With no form and no frame, the data list holds the requested values.
    Run("_EventFunction", "Main.Open<|>Client.Title");
    EXPECT_EQ(dataList->EventParams.Value("Main.Open"), "Client.Title");

    RecordingGrid grid;
    dataList->AttachGrid(&grid);
    engine->QueueReply("Main.GetRows",
                       Lines("{ | ; | List1.TempData | Smith>|<12^^1^^255>|<Jones>|<7>|<Brown | ; | }"));
    dataList->EnsureVisibleRows();
    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Sent().at(0), "List1 / TDGDataListClient / Main.GetRows / "
                            "{ ; Sender List1 ; BeginRow 0 ; Count 4 ; Col 2 ; } ");
    EXPECT_EQ(dataList->GetCell(0, 0).cell, "Smith");
    EXPECT_EQ(dataList->GetCell(1, 0).cell, "12^^1^^255");
    EXPECT_EQ(dataList->GetCell(0, 1).cell, "Jones");
    EXPECT_FALSE(dataList->GetCell(0, 2).found);

    engine->QueueReply("Main.Sort", Lines("{ | ; | Sort |  1  | ; | }"));
    EXPECT_TRUE(dataList->Sort(1, U'D'));
    EXPECT_FALSE(dataList->Sort(0, U'A')) << "a reply without Sort refuses";
    EXPECT_EQ(Sent().at(2), "List1 / TDGDataListClient / Main.Sort / "
                            "{ ; Sender List1 ; Col 0 ; SortType A ; } ");

    // The double click names the data row: the title row is not counted.
    dataList->DblClick();
    EXPECT_EQ(Sent().at(3), "List1 / TDGDataListClient / Main.Open / "
                            "{ ; Sender List1 ; Client.Title snil ; Col 1 ; Row 2 ; } ");
    // Made without an owner: freed here as the engine's _FREE would free it,
    // which takes it off the client's list.
    delete dataList;
    EXPECT_EQ(theClient->CreatedComponents().Find("List1"), nullptr);
}

} // namespace
