#include "submission/ssl/SSLSocket.h"

#include <mutex>

#include <openssl/err.h>
#include <openssl/x509v3.h>

#include "submission/ssl/SSLContext.h"

namespace e3ssl {

namespace {

std::recursive_mutex infoLock;

bool IsIPAddress(const std::string& host)
{
    ASN1_OCTET_STRING* ip = a2i_IPADDRESS(host.c_str());
    if (!ip)
        return false;
    ASN1_OCTET_STRING_free(ip);
    return true;
}

} // namespace

void SSLInfoCallback(const SSL* ssl, int where, int ret)
{
    std::lock_guard guard(infoLock);
    auto* socket = static_cast<TSSLSocket*>(SSL_get_app_data(ssl));
    if (socket)
        socket->InfoCallback(where, ret);
}

TSSLSocket::TSSLSocket() = default;

TSSLSocket::~TSSLSocket()
{
    FreeSession();
}

void TSSLSocket::FreeSession()
{
    if (ssl_) {
        SSL_set_app_data(ssl_, nullptr);
        SSL_free(ssl_);
    }
    ssl_ = nullptr;
    handshaking_ = false;
    wantWrite_ = false;
    pending_.clear();
}

void TSSLSocket::BeforeClose()
{
    if (ssl_) {
        if (!handshaking_ && !fatalAlertSent_) {
            // A close notify, as far as the peer takes it now; nobody waits
            // for the answer.
            SSL_set_shutdown(ssl_, SSL_SENT_SHUTDOWN);
            SSL_shutdown(ssl_);
        }
        FreeSession();
    }
    sslState_ = sslClosed;
    ERR_clear_error();
}

int TSSLSocket::StartSSLConnect()
{
    ResetSSLLastVerifyError();
    FreeSession();
    TSSLContext* context = GlobalSSLContext();
    if (!context || State() != e3net::wsConnected) {
        TriggerDisplay("SSL session not started: no SSL context or no connection\r\n");
        return -1;
    }
    ssl_ = SSL_new(context->Context());
    if (!ssl_ || SSL_set_fd(ssl_, Handle()) != 1) {
        FreeSession();
        return -1;
    }
    SSL_set_app_data(ssl_, this);
    SSL_set_connect_state(ssl_);
    // Read-ahead stays off: bytes the library buffered beyond one record would
    // not wake the caller's poll, and a reply could sit there unseen.
    if (!Addr.empty() && !IsIPAddress(Addr))
        SSL_set_tlsext_host_name(ssl_, Addr.c_str());
    handshaking_ = true;
    reportedConnected_ = false;
    fatalAlertSent_ = false;
    sslState_ = sslInvalidState;
    ContinueHandshake();
    return ssl_ && !handshaking_ ? 1 : ssl_ ? -1 : 0;
}

int TSSLSocket::StartSSLAccept()
{
    ResetSSLLastVerifyError();
    TSSLContext* context = GlobalSSLContext();
    if (!context || State() != e3net::wsConnected)
        return -1;
    if (!ssl_) {
        ssl_ = SSL_new(context->Context());
        if (!ssl_ || SSL_set_fd(ssl_, Handle()) != 1) {
            FreeSession();
            return -1;
        }
    }
    SSL_set_app_data(ssl_, this);
    SSL_set_accept_state(ssl_);
    handshaking_ = true;
    reportedConnected_ = false;
    fatalAlertSent_ = false;
    ContinueHandshake();
    return ssl_ && !handshaking_ ? 1 : ssl_ ? -1 : 0;
}

void TSSLSocket::ContinueHandshake()
{
    const auto alive = alive_;
    const int r = SSL_do_handshake(ssl_);
    if (r == 1) {
        handshaking_ = false;
        wantWrite_ = false;
        FirePending();
        if (!*alive || !ssl_)
            return;
        if (BufferedOutput() > 0)
            Flush();
        return;
    }
    const int err = SSL_get_error(ssl_, r);
    if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) {
        wantWrite_ = err == SSL_ERROR_WANT_WRITE;
        FirePending();
        return;
    }
    FirePending();
    if (!*alive)
        return;
    const long verify = ssl_ ? SSL_get_verify_result(ssl_) : X509_V_OK;
    std::string reason = "SSL handshake failed";
    if (const unsigned long code = ERR_peek_last_error()) {
        char buffer[256];
        ERR_error_string_n(code, buffer, sizeof buffer);
        reason += std::string(": ") + buffer;
    }
    if (verify != X509_V_OK)
        reason += std::string(" (certificate: ") + X509_verify_cert_error_string(verify) + ")";
    TriggerDisplay(reason + "\r\n");
    if (!*alive)
        return;
    CloseWithError(SSLSessionError);
}

void TSSLSocket::InfoCallback(int where, int ret)
{
    if (ret <= 0)
        return;
    if ((where & SSL_CB_WRITE_ALERT) == SSL_CB_WRITE_ALERT && ret > 512)
        fatalAlertSent_ = true; // the session ends once the library returns
    // TLS 1.3 session tickets run the client state machine again after the
    // handshake; one connection is connected once.
    if (reportedConnected_)
        return;
    TSSLSocketState next = sslState_;
    if ((where & 0x1001) == 0x1001)
        next = sslConnecting;
    if ((where & 0x1002) == 0x1002)
        next = sslConnected;
    if ((where & 0x2001) == 0x2001)
        next = sslAccepting;
    if ((where & 0x2002) == 0x2002)
        next = sslAccepted;
    if (next == sslState_)
        return;
    sslState_ = next;
    if (next == sslConnected || next == sslAccepted)
        reportedConnected_ = true;
    pending_.push_back(next);
}

void TSSLSocket::FirePending()
{
    const auto alive = alive_;
    while (!pending_.empty() && *alive) {
        const TSSLSocketState state = pending_.front();
        pending_.erase(pending_.begin());
        switch (state) {
        case sslConnecting:
            TriggerSSLSessionConnecting(0);
            break;
        case sslConnected:
            TriggerSSLSessionConnected(0);
            if (*alive)
                TriggerDataSent(0);
            break;
        case sslAccepted:
            TriggerSSLSessionAccepted(0);
            if (*alive)
                TriggerDataSent(0);
            break;
        default:
            break;
        }
    }
}

void TSSLSocket::TriggerSessionConnected(int error)
{
    const auto alive = alive_;
    e3net::TWSocket::TriggerSessionConnected(error);
    if (!*alive)
        return;
    if (error == 0 && AutoSSL && !TunnelNegotiating() && State() == e3net::wsConnected && !ssl_)
        StartSSLConnect();
}

void TSSLSocket::TriggerDataAvailable(int error)
{
    if (!ssl_) {
        e3net::TWSocket::TriggerDataAvailable(error);
        return;
    }
    if (handshaking_) {
        ContinueHandshake();
        return;
    }
    const auto alive = alive_;
    char probe;
    const int r = SSL_peek(ssl_, &probe, 1);
    if (r > 0) {
        FirePending();
        if (*alive && ssl_)
            e3net::TWSocket::TriggerDataAvailable(error);
        return;
    }
    const int err = SSL_get_error(ssl_, r);
    FirePending();
    if (!*alive)
        return;
    if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE)
        return; // only handshake or ticket records so far
    if (err == SSL_ERROR_ZERO_RETURN || (err == SSL_ERROR_SYSCALL && ERR_peek_error() == 0)) {
        CloseWithError(0);
        return;
    }
    TriggerDisplay("SSL session failed\r\n");
    if (*alive)
        CloseWithError(SSLSessionError);
}

void TSSLSocket::Writable()
{
    if (ssl_ && handshaking_)
        ContinueHandshake();
}

bool TSSLSocket::HasBufferedInput() const
{
    return e3net::TWSocket::HasBufferedInput() || (SessionUp() && SSL_pending(ssl_) > 0);
}

long TSSLSocket::ReadSome(void* buffer, size_t length)
{
    if (!ssl_)
        return RawRead(buffer, length);
    if (handshaking_) {
        LastError = e3net::WSAEWOULDBLOCK;
        return -1;
    }
    const int r = SSL_read(ssl_, buffer, static_cast<int>(std::min<size_t>(length, 1 << 30)));
    if (r > 0)
        return r;
    switch (SSL_get_error(ssl_, r)) {
    case SSL_ERROR_WANT_READ:
    case SSL_ERROR_WANT_WRITE:
        LastError = e3net::WSAEWOULDBLOCK;
        return -1;
    case SSL_ERROR_ZERO_RETURN:
        return 0;
    case SSL_ERROR_SYSCALL:
        if (ERR_peek_error() == 0)
            return 0; // the peer closed without a close notify
        [[fallthrough]];
    default:
        LastError = SSLSessionError;
        return -1;
    }
}

long TSSLSocket::WriteSome(const void* data, size_t length)
{
    if (!ssl_)
        return RawWrite(data, length);
    if (handshaking_)
        return 0;
    const int r = SSL_write(ssl_, data, static_cast<int>(std::min<size_t>(length, 1 << 30)));
    if (r > 0)
        return r;
    switch (SSL_get_error(ssl_, r)) {
    case SSL_ERROR_WANT_READ:
    case SSL_ERROR_WANT_WRITE:
        return 0;
    default:
        LastError = SSLSessionError;
        return -1;
    }
}

void TSSLSocket::TriggerSSLSessionConnecting(int error)
{
    if (OnSSLSessionConnecting)
        OnSSLSessionConnecting(*this, error);
}

void TSSLSocket::TriggerSSLSessionConnected(int error)
{
    if (OnSSLSessionConnected)
        OnSSLSessionConnected(*this, error);
}

void TSSLSocket::TriggerSSLSessionAccepted(int error)
{
    if (OnSSLSessionAccepted)
        OnSSLSessionAccepted(*this, error);
}

} // namespace e3ssl
