#include "support/ProxyPeers.h"

#include <chrono>
#include <fstream>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/LoopbackSocket.h"
#include "support/RunAsUnprivileged.h"
#include "support/TempDir.h"

namespace e3test {

namespace {

bool Listening(int port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

} // namespace

bool ProxyPeer::ready()
{
    return process_ && process_->Pid() > 0 && !process_->Exited() && Listening(port_);
}

std::string ProxyPeer::log() const
{
    return ReadWholeFile(logFile_);
}

void ProxyPeer::StartAndWait(const std::vector<std::string>& args)
{
    process_.emplace(args, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline && !process_->Exited() && !Listening(port_))
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

bool SquidPeer::Installed(bool ntlm)
{
    return ::access("/usr/sbin/squid", X_OK) == 0 && ::access("/usr/lib/squid/basic_ncsa_auth", X_OK) == 0 &&
           (!ntlm || ::access("/usr/lib/squid/ntlm_fake_auth", X_OK) == 0);
}

SquidPeer::SquidPeer(const std::string& folder, const Auth& auth)
{
    port_ = FreeLoopbackPort();
    logFile_ = folder + "/cache.log";
    std::ofstream conf(folder + "/squid.conf");
    conf << "http_port 127.0.0.1:" << port_ << "\n"
         << "pid_filename none\ncache deny all\naccess_log none\ncache_store_log none\n"
         << "cache_log " << logFile_ << "\ncoredump_dir " << folder << "\n"
         << "netdb_filename none\nshutdown_lifetime 0 seconds\n";
    // The order of the helpers is the order of the schemes offered.
    if (auth.ntlm)
        conf << "auth_param ntlm program /usr/lib/squid/ntlm_fake_auth\nauth_param ntlm children 2\n";
    if (auth.basic) {
        const std::string hash = RunProgram({"openssl", "passwd", "-apr1", auth.password}).second;
        std::ofstream(folder + "/passwd") << auth.user << ":" << hash;
        conf << "auth_param basic program /usr/lib/squid/basic_ncsa_auth " << folder << "/passwd\n"
             << "auth_param basic realm e3test\n";
    }
    if (auth.basic || auth.ntlm)
        conf << "acl authed proxy_auth REQUIRED\nhttp_access allow authed\n";
    else
        conf << "acl local src 127.0.0.1\nhttp_access allow local\n";
    conf << "http_access deny all\n";
    if (::geteuid() == 0)
        conf << "cache_effective_user nobody\n";
    conf.close();
    GiveToUnprivileged(folder);
    StartAndWait({"squid", "-N", "-f", folder + "/squid.conf"});
}

bool TinyproxyPeer::Installed()
{
    return ::access("/usr/bin/tinyproxy", X_OK) == 0;
}

TinyproxyPeer::TinyproxyPeer(const std::string& folder, const std::string& user, const std::string& password)
{
    port_ = FreeLoopbackPort();
    logFile_ = folder + "/tinyproxy.log";
    std::ofstream conf(folder + "/tinyproxy.conf");
    conf << "Port " << port_ << "\nListen 127.0.0.1\nTimeout 60\nMaxClients 10\n"
         << "LogFile \"" << logFile_ << "\"\nLogLevel Info\n"
         << "Allow 127.0.0.1\nBasicAuth " << user << " " << password << "\n";
    if (::geteuid() == 0)
        conf << "User nobody\nGroup nogroup\n";
    conf.close();
    GiveToUnprivileged(folder);
    StartAndWait({"tinyproxy", "-d", "-c", folder + "/tinyproxy.conf"});
}

} // namespace e3test
