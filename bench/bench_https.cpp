// Reading over HTTPS from `openssl s_server -WWW` on loopback with our HTTPS
// client (the submission's transport: non-blocking socket, TLS session, HTTP
// client, driven by the polling loop) against curl fetching the same files
// from the same server in the same run: one file of 100 MB, and 100 files of
// 1 MB, each on its own connection as the server closes after every reply.
// curl writes to /dev/null; our client keeps each reply body in memory.
// Prints both throughputs and our share of curl's.
#include "BenchTiming.h"

#include "submission/ssl/HttpSCli.h"
#include "submission/ssl/SSLContext.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr size_t kBytes = 100u << 20;

pid_t Spawn(const std::vector<std::string>& args, const std::string& folder, bool quiet)
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int RunToEnd(const std::vector<std::string>& args)
{
    const pid_t pid = Spawn(args, "", true);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) < 0)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int FreePort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

bool Listening(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return ok;
}

size_t OurFetch(const std::string& url)
{
    e3ssl::THttpSCli client;
    bool done = false;
    size_t got = 0;
    client.OnRequestDone = [&](e3net::THttpCli& c, e3net::THttpRequest, int error) {
        done = true;
        got = error == 0 ? c.RcvdStream.size() : 0;
    };
    client.URL = url;
    client.GetASync();
    // The submission loop's turn: wait for the sockets up to 10 ms.
    while (!done)
        e3net::WSocketProcessMessages(10);
    return got;
}

} // namespace

int main()
{
    char folderTemplate[] = "/tmp/bench_https.XXXXXX";
    if (!mkdtemp(folderTemplate))
        return 1;
    const std::string folder = folderTemplate;
    {
        std::ofstream big(folder + "/big.bin", std::ios::binary);
        std::string block(1 << 20, '\0');
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(i * 131 + 7);
        for (size_t i = 0; i < kBytes / block.size(); ++i)
            big << block;
        std::ofstream(folder + "/one.bin", std::ios::binary) << block;
    }
    if (RunToEnd({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-keyout",
                  folder + "/key.pem", "-out", folder + "/cert.pem", "-subj", "/CN=localhost", "-days", "1"}) != 0)
        return 1;
    const int port = FreePort();
    const pid_t server = Spawn({"openssl", "s_server", "-accept", "127.0.0.1:" + std::to_string(port), "-cert",
                                folder + "/cert.pem", "-key", folder + "/key.pem", "-WWW", "-quiet"},
                               folder, true);
    for (int i = 0; i < 300 && !Listening(port); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

    e3ssl::InitSSLContext("SSLv23");
    e3ssl::SetSSLVerify(false); // a throwaway certificate; both sides skip the check
    const std::string url = "https://127.0.0.1:" + std::to_string(port) + "/big.bin";

    size_t ourBytes = 0;
    const double ours = benchtiming::BestSeconds(3, [&] { ourBytes = OurFetch(url); });
    const double curl = benchtiming::BestSeconds(3, [&] {
        RunToEnd({"curl", "-k", "-s", "-o", "/dev/null", "--http1.0", url});
    });

    const std::string smallUrl = "https://127.0.0.1:" + std::to_string(port) + "/one.bin";
    constexpr int kFiles = 100;
    size_t ourSmallBytes = 0;
    const double oursSmall = benchtiming::BestSeconds(3, [&] {
        ourSmallBytes = 0;
        for (int i = 0; i < kFiles; ++i)
            ourSmallBytes += OurFetch(smallUrl);
    });
    std::vector<std::string> curlArgs = {"curl", "-k", "-s", "--http1.0"};
    for (int i = 0; i < kFiles; ++i)
        curlArgs.insert(curlArgs.end(), {"-o", "/dev/null", smallUrl});
    const double curlSmall = benchtiming::BestSeconds(3, [&] { RunToEnd(curlArgs); });

    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    std::filesystem::remove_all(folder);
    if (ourBytes != kBytes || ourSmallBytes != kFiles * (size_t(1) << 20)) {
        std::printf("our client fetched %zu bytes of %zu\n", ourBytes, kBytes);
        return 1;
    }
    const double mb = double(kBytes) / (1 << 20);
    std::printf("HTTPS fetch of %.0f MB from openssl s_server, best of 3\n", mb);
    std::printf("  THttpSCli: %8.1f MB/s (%.3f s)\n", mb / ours, ours);
    std::printf("  curl:      %8.1f MB/s (%.3f s)\n", mb / curl, curl);
    std::printf("  ratio (ours / curl): %.2f\n", curl / ours);
    std::printf("HTTPS fetch of %d files of 1 MB, one connection each, best of 3\n", kFiles);
    std::printf("  THttpSCli: %8.1f MB/s (%.3f s)\n", kFiles / oursSmall, oursSmall);
    std::printf("  curl:      %8.1f MB/s (%.3f s)\n", kFiles / curlSmall, curlSmall);
    std::printf("  ratio (ours / curl): %.2f\n", curlSmall / oursSmall);
    return 0;
}
