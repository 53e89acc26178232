// Unpacking a 200 MB archive of 2,000 files (made at run time in a scratch
// folder) with our unpacking and with Info-ZIP's unzip -o, in the same run.
#include "BenchTiming.h"
#include "enginelink/pms/MZip.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

static int Run(const std::vector<std::string>& args)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int main()
{
    char base[] = "/tmp/bench_unzip.XXXXXX";
    if (!::mkdtemp(base))
        return 1;
    const fs::path dir = base;
    fs::create_directories(dir / "src" / "files");
    std::mt19937 random(7);
    const std::size_t fileSize = 100 * 1024;
    std::string data(fileSize, ' ');
    for (int i = 0; i < 2000; ++i) {
        // Half random bytes, half text: compressible like real documents.
        for (std::size_t k = 0; k < fileSize; ++k)
            data[k] = k % 2 ? static_cast<char>(random()) : static_cast<char>('a' + (k / 7) % 26);
        std::ofstream(dir / "src" / "files" / ("f" + std::to_string(i) + ".bin"), std::ios::binary) << data;
    }
    const std::string zip = (dir / "archive.zip").string();
    if (Run({"sh", "-c", "cd \"$1\" && zip -q -r \"$2\" files", "sh", (dir / "src").string(), zip}) != 0)
        return 1;

    const double ours = benchtiming::BestSeconds(3, [&] {
        fs::remove_all(dir / "ours");
        enginelink::UnzipArchive(zip, (dir / "ours").string(), "");
    });
    const double theirs = benchtiming::BestSeconds(3, [&] {
        fs::remove_all(dir / "theirs");
        Run({"unzip", "-o", "-qq", zip, "-d", (dir / "theirs").string()});
    });
    std::printf("unzip 200 MB / 2000 files: ours %.3f s, unzip -o %.3f s, ratio (unzip/ours) %.2f\n", ours, theirs,
                theirs / ours);
    fs::remove_all(dir);
    return 0;
}
