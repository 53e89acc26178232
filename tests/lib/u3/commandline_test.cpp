#include "u3/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using u3::JoinCommandLine;
using u3::SplitCommandLine;
using Args = std::vector<std::string>;

namespace {

struct SplitCase {
    const char* text;
    Args expected;
};

// The examples of the documented C runtime rules, plus the cases a
// hand-written splitter typically gets wrong.
const SplitCase kSplitCases[] = {
    {"", {}},
    {" \t ", {}},
    {"a b\tc", {"a", "b", "c"}},
    {"  lead   trail  ", {"lead", "trail"}},
    {R"("a b c" d e)", {"a b c", "d", "e"}},
    {R"("ab\"c" "\\" d)", {"ab\"c", "\\", "d"}},
    {R"(a\\\b d"e f"g h)", {"a\\\\\\b", "de fg", "h"}},
    {R"(a\\\"b c d)", {"a\\\"b", "c", "d"}},
    {R"(a\\\\"b c" d e)", {"a\\\\b c", "d", "e"}},
    {R"(a"b"" c d)", {"ab\" c d"}},
    {R"("" x "")", {"", "x", ""}},
    {R"(/opt/my app/run)", {"/opt/my", "app/run"}},
    {R"("/opt/my app/run" -x)", {"/opt/my app/run", "-x"}},
    {R"(C:\dir\prog.exe "C:\Program Files\x\\" y)", {"C:\\dir\\prog.exe", "C:\\Program Files\\x\\", "y"}},
    {R"("unterminated arg)", {"unterminated arg"}},
    {R"(trailing\)", {"trailing\\"}},
};

TEST(CommandLineTest, SplitFollowsTheQuotingRules)
{
    for (const SplitCase& c : kSplitCases)
        EXPECT_EQ(SplitCommandLine(c.text), c.expected) << "text: " << c.text;
}

TEST(CommandLineTest, JoinQuotesOnlyWhereNeededAndSplitsBack)
{
    struct JoinCase {
        Args args;
        const char* expected;
    };
    const JoinCase cases[] = {
        {{"prog", "-a", "b"}, "prog -a b"},
        {{"/opt/my app/run", "x"}, R"("/opt/my app/run" x)"},
        {{""}, R"("")"},
        {{"say \"hi\""}, R"("say \"hi\"")"},
        {{"dir\\ with\\"}, R"("dir\ with\\")"},
        {{"a\\\"b"}, R"("a\\\"b")"},
        {{"plain\\path\\"}, R"(plain\path\)"},
        {{"tab\there"}, "\"tab\there\""},
    };
    for (const JoinCase& c : cases) {
        EXPECT_EQ(JoinCommandLine(c.args), c.expected);
        EXPECT_EQ(SplitCommandLine(JoinCommandLine(c.args)), c.args) << c.expected;
    }
}

} // namespace
