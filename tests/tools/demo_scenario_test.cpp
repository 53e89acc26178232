// The demo's scenario reads, and every form and file it names is there.
#include "Scenario.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace sampleengine;

TEST(DemoScenarioTest, OpensTheApplicantFormModallyAndNamesOnlyFormsThatExist)
{
    const std::string demo = std::string(E3_TEST_DATA_DIR) + "/../../../tools/sample-engine/demo";
    const Scenario scenario = Scenario::Load(demo + "/scenario.txt");
    const Rule* init = scenario.Find("Client.OnClientInit", "Client", scenario.startState);
    ASSERT_NE(init, nullptr);
    EXPECT_NE(std::find(init->entries.begin(), init->entries.end(),
                        std::pair<std::string, std::string>("Client._CreateFormModal", "FormApplicant")),
              init->entries.end());
    EXPECT_NE(scenario.Find("Client.OnClientDone", "Client", "done"), nullptr);
    for (const Rule& rule : scenario.rules) {
        for (const auto& [name, value] : rule.entries) {
            if (name == "Client._CreateFormModal") {
                EXPECT_TRUE(std::filesystem::is_regular_file(demo + "/forms/" + value + ".txt")) << value;
            }
        }
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(demo + "/forms/logo.png"));
    EXPECT_TRUE(std::filesystem::is_regular_file(demo + "/files/terms.txt"));
}

TEST(DemoScenarioTest, TheApplicationsListServesItsRowsToADataListGrid)
{
    const std::string demo = std::string(E3_TEST_DATA_DIR) + "/../../../tools/sample-engine/demo";
    const Scenario scenario = Scenario::Load(demo + "/scenario.txt");
    const Rule* open = scenario.Find("Main.Applications", "btnApplications", scenario.startState);
    ASSERT_NE(open, nullptr);
    const auto has = [&](const std::string& name, const std::string& value) {
        return std::find(open->entries.begin(), open->entries.end(), std::pair<std::string, std::string>(name, value)) !=
               open->entries.end();
    };
    EXPECT_TRUE(has("Client._Create", "TDGDataListClient<|>NIL<|>lstApps"));
    EXPECT_TRUE(has("lstApps.OnGetData", "Main.ApplicationRows"));
    EXPECT_TRUE(has("grdApps.DataList", "lstApps"));
    const Rule* rows = scenario.Find("Main.ApplicationRows", "lstApps", scenario.startState);
    ASSERT_NE(rows, nullptr);
    ASSERT_EQ(rows->rows.size(), 1u);
    EXPECT_EQ(rows->rows[0].name, "lstApps.TempData");
    EXPECT_EQ(rows->rows[0].total, 100000);
}
