#pragma once
// A certificate authority, a server certificate for localhost and a client
// key file, made with the openssl program in a scratch folder.
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace efipserver {

// Runs a program with its arguments (no shell) and returns its exit code;
// its output goes to /dev/null.
inline int RunQuietly(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        if (FILE* null = std::fopen("/dev/null", "w")) {
            dup2(fileno(null), 1);
            dup2(fileno(null), 2);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct TestPki {
    std::string folder;
    std::string caPem, caDerFolder;
    std::string serverCert, serverKey;
    std::string clientP12;
    std::string clientCert, clientKey;
    std::string password = "client-secret";

    // False (with the failing command in error) when openssl refused.
    bool Make(const std::string& scratch, std::string& error)
    {
        folder = scratch;
        auto run = [&](std::vector<std::string> args) {
            args.insert(args.begin(), "openssl");
            const int rc = RunQuietly(args);
            if (rc != 0) {
                for (const auto& a : args)
                    error += a + " ";
            }
            return rc == 0;
        };
        const std::string f = folder + "/";
        caPem = f + "ca.pem";
        caDerFolder = f + "cadir";
        serverCert = f + "server.pem";
        serverKey = f + "server.key";
        clientCert = f + "client.pem";
        clientKey = f + "client.key";
        clientP12 = f + "client.p12";
        std::filesystem::create_directories(caDerFolder);
        const std::string ext = f + "server.ext";
        {
            std::ofstream(ext) << "subjectAltName=DNS:localhost,IP:127.0.0.1\n";
        }
        return run({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", f + "ca.key", "-out", caPem, "-subj",
                    "/CN=Test Reception CA", "-days", "30"}) &&
               run({"x509", "-in", caPem, "-outform", "DER", "-out", caDerFolder + "/ca.der"}) &&
               run({"req", "-newkey", "rsa:2048", "-nodes", "-keyout", serverKey, "-out", f + "server.csr", "-subj",
                    "/CN=localhost"}) &&
               run({"x509", "-req", "-in", f + "server.csr", "-CA", caPem, "-CAkey", f + "ca.key", "-CAcreateserial",
                    "-out", serverCert, "-days", "30", "-extfile", ext}) &&
               run({"req", "-newkey", "rsa:2048", "-nodes", "-keyout", clientKey, "-out", f + "client.csr", "-subj",
                    "/CN=Test Applicant"}) &&
               run({"x509", "-req", "-in", f + "client.csr", "-CA", caPem, "-CAkey", f + "ca.key", "-CAcreateserial",
                    "-out", clientCert, "-days", "30"}) &&
               run({"pkcs12", "-export", "-in", clientCert, "-inkey", clientKey, "-out", clientP12, "-passout",
                    "pass:" + password});
    }
};

} // namespace efipserver
