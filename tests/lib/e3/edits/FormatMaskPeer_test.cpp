// Compares the mask engine's formatting with Free Pascal's MaskUtils, compiled
// from tests/lib/e3/data/formatmask.pas into the build folder.
#include "e3/common/EditChars.h"
#include "e3/edits/EditMask.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::optional<std::string> FindProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::filesystem::path candidate = std::filesystem::path(dir) / name;
        if (!dir.empty() && ::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    return std::nullopt;
}

// Runs a program with an argument list (no shell), stdin and stdout redirected
// to files; returns its exit status, or -1 when it could not run.
int RunProgram(const std::vector<std::string>& args, const std::string& inPath, const std::string& outPath)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        const int in = ::open(inPath.c_str(), O_RDONLY | O_CLOEXEC);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (in < 0 || out < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0)
            ::_exit(126);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct PeerCase {
    const char* mask;
    const char* value;
    // Empty when both must agree; otherwise why we differ on purpose.
    const char* expectedDifference;
};

// Expected differences (our behaviour is the edit control's; not failures):
//   literal-mismatch  A mask that saves literals: the peer stops filling at the
//                     first value character that is not the literal of its
//                     position; we keep the literal and go on with the value.
//   literal-taken     A mask that drops literals: the peer writes a value
//                     character equal to a literal into the next input
//                     position; we take it as that literal.
//   case              The peer ignores ">" and "<"; we convert.
//   no-fit            The peer writes characters that do not fit their
//                     position; we drop them.
//   empty-field       An empty flag field (";;_", ";1;") ends the peer's field
//                     parsing; we read the remaining field.
// Not compared at all: an empty value, which crashes the peer (3.2.2).
// Everywhere the peer shows empty positions as spaces, so our blank character
// is mapped to a space before comparing.
const PeerCase kCases[] = {
    {"99.99.9999;1;_", "12.03.2024", ""},
    {"99.99.9999;0;_", "12032024", ""},
    {"99.99.9999;0;_", "1203", ""},
    {"99.99.9999;1;_", "12.0", ""},
    {"!999;0;_", "12", ""},
    {"!99.99;0;_", "123", ""},
    {"!99.99;1;_", "1.23", ""},
    {"LL-00;1;_", "ab-12", ""},
    {"LL-00;0;_", "ab12", ""},
    {"(999) 999-9999;0;_", "5551234", ""},
    {"\\9\\99;0;_", "5", ""},
    {"\\L\\99;1;_", "L95", ""},
    {"99:99;1;_", "12:30", ""},
    {"#99;0;_", "-12", ""},
    {"999;1;_", "1", ""},
    {"99.99;1;*", "1", ""},
    {"LL;0;_", "a", ""},
    {"cc;0;_", "a", ""},
    {"99.99.9999;1;_", "12032024", "literal-mismatch"},
    {"99.99;1;*", "1234", "literal-mismatch"},
    {"99.99.9999;0;_", "12.03.2024", "literal-taken"},
    {">LLL;0;_", "abc", "case"},
    {"<LL>LL;0;_", "ABcd", "case"},
    {"99.99;0;*", "1x34", "no-fit"},
    {"AA;0;_", "a-", "no-fit"},
    {"99;;_", "1", "empty-field"},
    {"99;1;", "1", "empty-field"},
};

std::string Ours(const char* maskText, const char* value)
{
    const e3::EditMask mask(maskText);
    std::u32string shown = e3::DecodeUtf8(mask.format(value));
    for (char32_t& c : shown) {
        if (c == mask.blank())
            c = U' ';
    }
    return "[" + e3::EncodeUtf8(shown) + "]";
}

TEST(FormatMaskPeer, AgreesWithFreePascalMaskUtils)
{
    const std::optional<std::string> fpc = FindProgram("fpc");
    if (!fpc)
        GTEST_SKIP() << "fpc is not installed (Debian packages fp-compiler and fp-units-fcl)";

    const std::filesystem::path work = std::filesystem::path(E3_BUILD_DIR) / "fpc-formatmask";
    std::filesystem::create_directories(work);
    const std::string program = (work / "formatmask").string();
    const e3test::TempDir tmp;
    const std::string empty = tmp.write("empty", "");
    const std::string log = (tmp.path() / "fpc.log").string();
    const int built = RunProgram({*fpc, "-v0", "-FU" + work.string(), "-o" + program,
                                  std::string(E3_TEST_DATA_DIR) + "/formatmask.pas"},
                                 empty, log);
    if (built != 0 && !std::filesystem::exists(program))
        GTEST_SKIP() << "fpc could not build the peer: " << e3test::ReadWholeFile(log);
    ASSERT_EQ(built, 0) << e3test::ReadWholeFile(log);

    std::string input;
    for (const PeerCase& c : kCases)
        input += std::string(c.mask) + "\n" + c.value + "\n";
    const std::string inPath = tmp.write("cases.txt", input);
    const std::string outPath = (tmp.path() / "out.txt").string();
    ASSERT_EQ(RunProgram({program}, inPath, outPath), 0) << e3test::ReadWholeFile(outPath);

    std::stringstream out(e3test::ReadWholeFile(outPath));
    std::vector<std::string> lines;
    for (std::string line; std::getline(out, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), std::size(kCases));

    for (std::size_t i = 0; i < lines.size(); ++i) {
        const PeerCase& c = kCases[i];
        const std::string ours = Ours(c.mask, c.value);
        if (*c.expectedDifference == '\0') {
            EXPECT_EQ(ours, lines[i]) << c.mask << " <- " << c.value;
        } else if (ours != lines[i]) {
            std::cout << "expected difference (" << c.expectedDifference << ") " << c.mask << " <- " << c.value
                      << ": peer " << lines[i] << ", ours " << ours << "\n";
        }
    }
}

} // namespace
