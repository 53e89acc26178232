#include "u3/Files.h"
#include "u3/LocalServer.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(LocalServerTest, ServiceNamesDefaultToTheProgramsFileName)
{
    e3test::TempDir dir;
    struct Case {
        std::string path;
        const char* name;
        const char* displayName;
    };
    const Case cases[] = {
        {(dir.path() / "srv" / "gate").string(), "VARKOSTEN_gate_Service", "V-ARKOSTEN gate Server"},
        {(dir.path() / "srv.d" / "gate.exe").string(), "VARKOSTEN_gate_Service", "V-ARKOSTEN gate Server"},
        {"C:\\srv\\gate.exe", "VARKOSTEN_gate_Service", "V-ARKOSTEN gate Server"},
        {dir.write("named.ini", "[general]\nservicename = \"Gate One\"\nServiceDisplayName=Gate Display\n"),
         "Gate One", "Gate Display"},
        {dir.write("empty.ini", "[General]\nServiceName=\n"), "VARKOSTEN_empty_Service", "V-ARKOSTEN empty Server"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(u3::GetServiceName(c.path), c.name) << c.path;
        EXPECT_EQ(u3::GetServiceDisplayName(c.path), c.displayName) << c.path;
    }
}

class LocalServerFolders : public ::testing::Test {
protected:
    void SetUp() override { u3::SetExeNameOverride((dir.path() / "App" / "bin" / "front").string()); }
    void TearDown() override { u3::SetExeNameOverride(""); }

    e3test::TempDir dir;
};

TEST_F(LocalServerFolders, DefaultToTheFolderAboveTheProgram)
{
    const std::string home = (dir.path() / "App").string();
    EXPECT_EQ(u3::GetConfigFileName(), home + "/config/front.conf");
    EXPECT_EQ(u3::GetApplHome(), home);
    EXPECT_EQ(u3::GetDataDir(), home + "/data/");
    EXPECT_EQ(u3::GetDataTempDir(), home + "/data/temp");

    u3::SetExeNameOverride((dir.path() / "App" / "bin" / "front.exe").string());
    EXPECT_EQ(u3::GetConfigFileName(), home + "/config/front.conf");
}

TEST_F(LocalServerFolders, ApplHomeFromTheConfigFile)
{
    struct Case {
        const char* value;
        const char* tempDir;
    };
    const Case cases[] = {
        {"D:\\home", "D:/home/data/temp"},
        {"/srv/local home/", "/srv/local home/data/temp"},
        {"\"/quoted\"", "/quoted/data/temp"},
    };
    for (const Case& c : cases) {
        dir.write("App/config/front.conf", std::string("[Location]\nAPPL_HOME=") + c.value + "\n");
        EXPECT_EQ(u3::GetDataTempDir(), c.tempDir) << c.value;
    }
}

} // namespace
