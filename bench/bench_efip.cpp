// A submission of a 100 MB package to the test reception server over TLS
// with a client certificate, against curl uploading the same bytes over TLS
// to the same server in the same run. Both keep one connection; ours sends
// the package in divisions of the default block size, each its own POST.
#include "submission/efip/EFIPProtocol.h"
#include "submission/efiphttps/EFIPHttpsConnection.h"
#include "submission/ssl/SSLContext.h"

#include "BenchTiming.h"
#include "TestPki.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kPackageBytes = 100u * 1000u * 1000u;

struct Server {
    pid_t pid = -1;
    int port = 0;

    bool Start(const std::vector<std::string>& args)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        pid = fork();
        if (pid == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            std::vector<char*> argv;
            for (const auto& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(fds[1]);
        std::string line;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            line += c;
        close(fds[0]);
        if (line.rfind("PORT ", 0) == 0)
            port = std::atoi(line.c_str() + 5);
        return port > 0;
    }
    ~Server()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

} // namespace

int main()
{
    char scratchTemplate[] = "/tmp/bench_efip.XXXXXX";
    if (!mkdtemp(scratchTemplate))
        return 1;
    const std::string dir = scratchTemplate;
    struct Cleanup {
        std::string dir;
        ~Cleanup() { std::filesystem::remove_all(dir); }
    } cleanup {dir};

    efipserver::TestPki pki;
    std::string error;
    if (!pki.Make(dir, error)) {
        std::fprintf(stderr, "cannot make the test certificates: %s\n", error.c_str());
        return 1;
    }
    const std::string package = dir + "/package.wasp";
    {
        std::mt19937 gen(1);
        std::string block(1 << 20, '\0');
        std::ofstream out(package, std::ios::binary);
        for (size_t done = 0; done < kPackageBytes; done += block.size()) {
            for (char& c : block)
                c = static_cast<char>(gen() & 0xFF);
            out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), kPackageBytes - done)));
        }
    }
    std::ofstream(dir + "/package.hdr") << "package header";
    std::ofstream(dir + "/receipt.xml") << "<receipt/>";

    Server server;
    if (!server.Start({E3_EFIP_SERVER, "--cert", pki.serverCert, "--key", pki.serverKey, "--ca", pki.caPem,
                       "--receipt", dir + "/receipt.xml"})) {
        std::fprintf(stderr, "the reception server did not start\n");
        return 1;
    }
    const std::string base = "https://localhost:" + std::to_string(server.port) + "/";

    efip::UseHttpsConnections();
    e3ssl::SetSSLCADir(pki.caDerFolder);
    int failures = 0;
    const double ours = benchtiming::BestSeconds(3, [&] {
        efip::Te3_EFIPProtocol c(nullptr);
        c.SetServerURL(base);
        c.SetHeaderFile(dir + "/package.hdr");
        c.SetBlobFile(package);
        c.SetReceiptFile(dir + "/got-receipt.xml");
        c.SetSoftwareSecurity(true);
        c.SetSoftwareKeyFileName(pki.clientP12);
        c.SetSecurityPassword(pki.password);
        c.SetHidden(true);
        c.SetKeepAlive(true);
        c.SetHTTPVersion("1.1");
        c.Execute();
        failures += c.GetError() != 0;
    });
    const double peer = benchtiming::BestSeconds(3, [&] {
        failures += efipserver::RunQuietly({"curl", "-sS", "-o", "/dev/null", "--fail", "--cacert", pki.caPem,
                                            "--cert", pki.clientCert, "--key", pki.clientKey, "-H", "Expect:", "-H",
                                            "Content-Type: application/octet-stream", "-X", "POST", "-T", package,
                                            base + "sink"}) != 0;
    });
    const double mb = double(kPackageBytes) / 1e6;
    std::printf("submission of a %.0f MB package over TLS (best of 3)\n", mb);
    std::printf("  ours (BlockSize %d, one POST per division): %8.3f s  %8.1f MB/s\n", efip::kDefaultBlockSize,
                ours, mb / ours);
    std::printf("  curl (one POST of the whole package)      : %8.3f s  %8.1f MB/s\n", peer, mb / peer);
    std::printf("  ratio of throughputs (ours / curl): %.2f (target >= 0.80)\n", peer / ours);
    if (failures)
        std::printf("  %d runs failed\n", failures);
    return failures ? 1 : 0;
}
