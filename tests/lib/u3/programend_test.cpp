#include "u3/ProgramEnd.h"

#include "support/RecordingUserMessages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ProgramExited {
    int code;
};

class ProgramEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        u3::SetProgramExitForTests([](int code) { throw ProgramExited{code}; });
    }
    void TearDown() override
    {
        for (int id : ids)
            u3::RemoveProgramEndStep(id);
        u3::SetProgramExitForTests(nullptr);
    }

    std::vector<int> ids;
};

TEST_F(ProgramEndTest, StepsRunInReverseOrderEvenWhenOneFailsThenTheProgramEnds)
{
    e3test::RecordingUserMessages messages;
    std::vector<std::string> ran;
    ids.push_back(u3::AddProgramEndStep("stop server", [&] { ran.push_back("server"); }));
    ids.push_back(u3::AddProgramEndStep("broken", [&] {
        ran.push_back("broken");
        throw std::runtime_error("no");
    }));
    ids.push_back(u3::AddProgramEndStep("close checker", [&] { ran.push_back("checker"); }));
    u3::RemoveProgramEndStep(ids.back());

    try {
        u3::EndProgramAfterLostLink("Connection to server lost. Please close and retry.", 1);
        FAIL() << "returned";
    } catch (const ProgramExited& exited) {
        EXPECT_EQ(exited.code, 1);
    }
    EXPECT_EQ(ran, (std::vector<std::string>{"broken", "server"}));
    EXPECT_EQ(messages.plain, std::vector<std::string>{"Connection to server lost. Please close and retry."});

    // The steps are used up: a second loss does not run them again.
    ran.clear();
    EXPECT_THROW(u3::EndProgramAfterLostLink("", 1), ProgramExited);
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(messages.plain.size(), 1u) << "an empty message shows no box";
}

TEST_F(ProgramEndTest, StepsThatWouldHideTheMessageRunBeforeIt)
{
    e3test::RecordingUserMessages messages;
    std::vector<std::string> ran;
    auto note = [&](const char* name) {
        return [&ran, &messages, name] {
            ran.push_back(std::string(name) + (messages.plain.empty() ? " before" : " after"));
        };
    };
    ids.push_back(u3::AddProgramEndStep("stop server", note("server")));
    ids.push_back(u3::AddProgramEndStep("progress form", note("progress"), u3::ProgramEndOrder::BeforeMessage));
    ids.push_back(u3::AddProgramEndStep("close checker", note("checker")));
    EXPECT_THROW(u3::EndProgramAfterLostLink("lost", 1), ProgramExited);
    EXPECT_EQ(ran, (std::vector<std::string> {"progress before", "checker after", "server after"}));
}

TEST_F(ProgramEndTest, ConnectionLostTextCanBeReplacedByItsTranslation)
{
    EXPECT_EQ(u3::ServerNotFoundText(), "Connection to server lost. Please close and retry.");
    u3::SetServerNotFoundText("Verbindung verloren.");
    EXPECT_EQ(u3::ServerNotFoundText(), "Verbindung verloren.");
    u3::SetServerNotFoundText("Connection to server lost. Please close and retry.");
}

} // namespace
