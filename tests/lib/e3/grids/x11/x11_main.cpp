// Runs the tests on a private X server so that xdotool can send real mouse
// input; when no server can start, the tests learn why (X11SkipReason) and
// run on the offscreen platform only to skip.
#include "X11Session.h"

#include "support/ChildProcess.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <unistd.h>

namespace {

std::string skipReason;

std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

bool OnPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    for (size_t start = 0; start <= dirs.size();) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string file = dirs.substr(start, end - start) + "/" + program;
        if (end > start && ::access(file.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

// Starts Xvfb on a display it picks itself; empty when it runs.
std::string StartServer(std::unique_ptr<e3test::ChildProcess>& server)
{
    if (!OnPath("xdotool"))
        return "xdotool is not installed";
    if (!OnPath("Xvfb"))
        return "Xvfb is not installed";
    server = std::make_unique<e3test::ChildProcess>(
        std::vector<std::string> {"Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
        SIGTERM);
    if (server->Pid() <= 0)
        return "Xvfb could not be started";
    const std::string display = Trimmed(server->ReadFirstLine(std::chrono::seconds(60)));
    if (display.empty())
        return "Xvfb did not report a display";
    ::setenv("DISPLAY", (":" + display).c_str(), 1);
    return {};
}

} // namespace

namespace e3test {

const std::string& X11SkipReason()
{
    return skipReason;
}

} // namespace e3test

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    std::unique_ptr<e3test::ChildProcess> server;
    skipReason = listing ? "listing only" : StartServer(server);
    ::setenv("QT_QPA_PLATFORM", skipReason.empty() ? "xcb" : "offscreen", 1);
    int result = 0;
    {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}

// The X11 platform's session-bus link keeps a buffer of libdbus to the end;
// that library's own, not the grid's.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}
