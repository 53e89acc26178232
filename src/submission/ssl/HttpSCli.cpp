#include "submission/ssl/HttpSCli.h"

namespace e3ssl {

THttpSCli::THttpSCli() : e3net::THttpCli(std::make_unique<TSSLSocket>())
{
    SSLSocket().AutoSSL = true;
    HookSocket();
}

void THttpSCli::HookSocket()
{
    e3net::THttpCli::HookSocket();
    TSSLSocket& socket = SSLSocket();
    socket.OnSessionConnected = nullptr;
    socket.OnSSLSessionConnected = [this](TSSLSocket&, int error) { SocketSessionConnected(error); };
}

bool THttpSCli::Connected() const
{
    const auto& socket = static_cast<const TSSLSocket&>(*socket_);
    return socket.State() == e3net::wsConnected && socket.SSLState() == sslConnected;
}

} // namespace e3ssl
