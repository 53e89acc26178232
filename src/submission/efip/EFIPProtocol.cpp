#include "submission/efip/EFIPProtocol.h"

#include "submission/efip/ClientCertificate.h"
#include "submission/efip/EFIPEnvironment.h"

#include "e3/buttons/SpeedButton.h"
#include "e3/containers/GroupBox.h"
#include "e3/dialogs/ProgressForms.h"
#include "e3/display/Gauge.h"
#include "e3/display/Label.h"
#include "framework/MessagePump.h"
#include "u3/PollClock.h"
#include "u3/UserMessages.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <QApplication>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace efip {

using namespace std::chrono_literals;

const fw::TEnumType EFIPProtocolStateType {
    "TCeFIPProtocolState",
    {"epNot", "epBegin_transaction", "epSend_package_header", "epSend_WASP", "epGet_receipt", "epCheckReceipt",
     "epEnd_transaction", "epClose"},
};

namespace {

const fw::TEventType DebugDisplayType {"TDebugDisplay", typeid(TDebugDisplay)};
const fw::TEventType ProtocolErrorType {"TCeProtocolError", typeid(TCeProtocolError)};
const fw::TEventType ProtocolExitType {"TCeProtocolExit", typeid(TCeProtocolExit)};
const fw::TEventType ProtocolReceiptType {"TCeProtocolReceipt", typeid(TCeProtocolReceipt)};
const fw::TEventType ProtocolWaitType {"TCeProtocolWait", typeid(TCeProtocolWait)};

std::mutex& LogLock()
{
    static std::mutex lock;
    return lock;
}

std::recursive_mutex& ReplyLock()
{
    static std::recursive_mutex lock;
    return lock;
}

// The file's size, or -1 when it cannot be read.
int64_t FileSize(const std::string& name)
{
    struct stat st {};
    if (name.empty() || ::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return static_cast<int64_t>(st.st_size);
}

bool Blank(const std::string& s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) > ' ')
            return false;
    return true;
}

std::string UpperCase(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// "[dd.mm.yyyy hh:mm:ss:zzz]" in local time.
std::string TimeStamp()
{
    timeval tv {};
    gettimeofday(&tv, nullptr);
    tm local {};
    localtime_r(&tv.tv_sec, &local);
    char buf[96];
    std::snprintf(buf, sizeof buf, "[%02d.%02d.%04d %02d:%02d:%02d:%03d]", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(tv.tv_usec / 1000));
    return buf;
}

// The value of a credentials header line never reaches the log.
std::string MaskCredentials(const std::string& line)
{
    const std::string upper = UpperCase(line);
    for (const char* name : {"PROXY-AUTHORIZATION:", "AUTHORIZATION:"})
        if (upper.rfind(name, 0) == 0)
            return line.substr(0, std::strlen(name)) + " *****";
    return line;
}

// Fills the "%s" places of a message text in order.
std::string FormatText(std::string text, std::initializer_list<std::string> values)
{
    size_t from = 0;
    for (const auto& v : values) {
        const size_t at = text.find("%s", from);
        if (at == std::string::npos)
            break;
        text.replace(at, 2, v);
        from = at + v.size();
    }
    return text;
}

} // namespace

int SSLVersionFromText(const std::string& value)
{
    if (value.empty())
        return 2;
    const size_t at = std::string("SSLV2 SSLV3 SSLV23 TLSV1").find(UpperCase(value));
    switch (at) {
    case 0:
        return 0;
    case 6:
        return 1;
    case 19:
        return 3;
    default:
        return 2;
    }
}

const char* SSLVersionName(int version)
{
    switch (version) {
    case 0:
        return "SSLv2";
    case 1:
        return "SSLv3";
    case 3:
        return "TLSv1";
    default:
        return "SSLv23";
    }
}

int ProgressPercent(int stage, int blocks, int steps)
{
    const int done = stage + blocks - 1;
    if (done <= 0 || steps <= 0)
        return 0;
    const int percent = static_cast<int>(static_cast<int64_t>(done) * 100 / steps);
    return percent > 100 ? 100 : percent;
}

TCustomEFIPProtocol::TCustomEFIPProtocol(fw::TComponent* owner)
    : fw::TComponent(owner)
    , connection_(MakeConnection())
{
    AttachConnectionEvents();
}

TCustomEFIPProtocol::~TCustomEFIPProtocol()
{
    if (createdProgressForm_)
        e3::FreeFormProgress();
    if (file_)
        std::fclose(file_);
    DiscardReceipt();
    if (connection_) {
        connection_->SetEvents({});
        connection_->Abort();
    }
}

// --- properties --------------------------------------------------------------

void TCustomEFIPProtocol::SetServerURL(const std::string& v)
{
    settings_.url = v;
    Debug("ServerURL " + v);
}

void TCustomEFIPProtocol::SetBlobFile(const std::string& v)
{
    blobFile_ = v;
    const std::string folder = TempFolder();
    if (folder.empty())
        return;
    std::filesystem::path name = std::filesystem::path(v).filename();
    name.replace_extension(".tmp");
    logFileName_ = (std::filesystem::path(folder) / name).string();
}

std::string TCustomEFIPProtocol::GetSSLVersion() const
{
    const auto& hooks = CurrentSSLContextHooks();
    return SSLVersionName(hooks.current ? hooks.current() : -1);
}

void TCustomEFIPProtocol::SetSSLVersion(const std::string& v)
{
    Debug("SetSSLVersion" + v);
    const auto& hooks = CurrentSSLContextHooks();
    if (hooks.current && hooks.recreate && hooks.current() >= 0)
        hooks.recreate(SSLVersionFromText(v));
}

std::string TCustomEFIPProtocol::GetTunnelProxyServer() const
{
    return settings_.ssl ? settings_.tunnelProxyServer : settings_.proxy;
}

void TCustomEFIPProtocol::SetTunnelProxyServer(const std::string& v)
{
    Debug("DebugExt SetTunnelProxyServer" + v);
    (settings_.ssl ? settings_.tunnelProxyServer : settings_.proxy) = v;
    (settings_.ssl ? settings_.proxy : settings_.tunnelProxyServer).clear();
}

std::string TCustomEFIPProtocol::GetTunnelProxyPort() const
{
    return settings_.ssl ? settings_.tunnelProxyPort : settings_.proxyPort;
}

void TCustomEFIPProtocol::SetTunnelProxyPort(const std::string& v)
{
    (settings_.ssl ? settings_.tunnelProxyPort : settings_.proxyPort) = v;
    (settings_.ssl ? settings_.proxyPort : settings_.tunnelProxyPort).clear();
}

std::string TCustomEFIPProtocol::GetTunnelProxyUsercode() const
{
    return settings_.ssl ? settings_.tunnelProxyUser : settings_.proxyUser;
}

void TCustomEFIPProtocol::SetTunnelProxyUsercode(const std::string& v)
{
    (settings_.ssl ? settings_.tunnelProxyUser : settings_.proxyUser) = v;
    (settings_.ssl ? settings_.proxyUser : settings_.tunnelProxyUser).clear();
}

std::string TCustomEFIPProtocol::GetTunnelProxyPassword() const
{
    return settings_.ssl ? settings_.tunnelProxyPassword : settings_.proxyPassword;
}

void TCustomEFIPProtocol::SetTunnelProxyPassword(const std::string& v)
{
    (settings_.ssl ? settings_.tunnelProxyPassword : settings_.proxyPassword) = v;
    (settings_.ssl ? settings_.proxyPassword : settings_.tunnelProxyPassword).clear();
}

void TCustomEFIPProtocol::SetCertIndex(int32_t v)
{
    certIndex_ = v;
    certIndexText_ = std::to_string(v);
}

// --- actions -----------------------------------------------------------------

void TCustomEFIPProtocol::Reset()
{
    suspended_ = false;
    fatal_ = false;
    error_ = 0;
    lastMsg_.clear();
    firstErrorText_.clear();
    errorReported_ = false;
    goodByeText_.clear();
    goodBye_ = 0;
    stopped_ = false;
    sessionStatus_ = 0;
    sessionMessage_.clear();
    retryCounter_ = 0;
    terminated_ = false;
    blockCounter_ = 0;
    state_ = epNot;
    requestPending_ = false;
    ShowProgress(0);
}

void TCustomEFIPProtocol::Execute()
{
    Reset();
    const int64_t size = Blank(blobFile_) ? -1 : FileSize(blobFile_);
    if (size >= 0) {
        stepCount_ = static_cast<int32_t>(size / (blockSize_ > 0 ? blockSize_ : 1)) + 7;
    } else {
        SetFatal(-30002, MessageText(10, "blob file not found"));
        goodBye_ = 1;
    }
    Run();
}

void TCustomEFIPProtocol::Suspend()
{
    suspended_ = true;
}

void TCustomEFIPProtocol::Resume()
{
    terminated_ = false;
    suspended_ = false;
    fatal_ = false;
    stopped_ = false;
    retryCounter_ = 0;
    Run();
}

void TCustomEFIPProtocol::Stop()
{
    stopTime_ = Now();
    stopped_ = true;
    if (suspended_) {
        state_ = epEnd_transaction;
        Run();
    }
}

void TCustomEFIPProtocol::Terminate()
{
    CloseStreams();
    terminated_ = true;
    logWriting_ = false;
}

void TCustomEFIPProtocol::Free()
{
    // The run and its handlers still use this object: free it once the run
    // has returned.
    if (runDepth_ > 0) {
        freeAfterRun_ = true;
        return;
    }
    FreeComponent(this);
}

// --- the run -----------------------------------------------------------------

void TCustomEFIPProtocol::Run()
{
    ++runDepth_;
    if (!logFileName_.empty()) {
        if (std::FILE* f = std::fopen(logFileName_.c_str(), "wb"))
            std::fclose(f);
        logWriting_ = true;
    }
    const bool ssl = settings_.ssl;
    Debug("<URL>" + settings_.url + "</URL>\r\n<ProxyServer>" +
          (ssl ? settings_.tunnelProxyServer : settings_.proxy) + "</ProxyServer>\r\n<ProxyPort>" +
          (ssl ? settings_.tunnelProxyPort : settings_.proxyPort) + "</ProxyPort>\r\n<ProxyUser>" +
          (ssl ? settings_.tunnelProxyUser : settings_.proxyUser) +
          "</ProxyUser>\r\n<ProxyPassword>*****</ProxyPassword>");

    TCeFIPProtocolState savedState = state_;
    int32_t savedBlocks = blockCounter_;
    // A day back, so that the first waits are already over.
    retryTime_ = Now() - 24h;

    if (settings_.ssl && !SetupClientCertificate()) {
        SetFatal(-30001, MessageText(11, "client certificate is missing"));
        goodBye_ = 1;
    }

    if (fatal_) {
        if (enterSecurityPin_)
            TriggerError(state_, error_, lastMsg_);
    } else {
        if (showProgress_)
            OpenProgressForm();
        ProcessMessages(0ms);
        while (!terminated_ && !suspended_ && !fatal_ && state_ != epClose) {
            activity_ = false;
            try {
                if (!requestPending_) {
                    if (state_ != savedState)
                        retryCounter_ = 0;
                    const bool waiting = retryCounter_ != 0 && !SecondsPassed(retryTime_, recursiveTimeOut_);
                    if (!waiting) {
                        if (state_ != savedState || blockCounter_ != savedBlocks) {
                            ShowProgress(state_);
                            savedState = state_;
                            savedBlocks = blockCounter_;
                        }
                        switch (state_) {
                        case epNot:
                            state_ = epBegin_transaction;
                            activity_ = true;
                            break;
                        case epBegin_transaction:
                            SendBegin();
                            break;
                        case epSend_package_header:
                        case epSend_WASP:
                            SendPart(StepOf(state_)->transactionType);
                            break;
                        case epGet_receipt:
                            if (SecondsPassed(retryTime_, getStatusTimeOut_))
                                SendReceiptRequest();
                            break;
                        case epEnd_transaction:
                            SendEnd();
                            break;
                        default:
                            SetFatal(-30010, MessageText(14, "Unknown command client protocol"));
                            break;
                        }
                        lastRequestTime_ = Now();
                    }
                }
                if (stopped_ && SecondsPassed(stopTime_, commandTimeOut_))
                    terminated_ = true;
                if (state_ == epEnd_transaction && requestPending_ && SecondsPassed(lastRequestTime_, requestTimeOut_)) {
                    state_ = epClose;
                    if (goodBye_ != 0)
                        SetFatal(goodBye_, goodByeText_);
                }
                // Waits for the socket instead of sleeping blindly, so a reply
                // is handled as soon as it is in.
                ProcessMessages(activity_ ? 0ms : 10ms);
                if (fatal_)
                    TriggerError(state_, error_, lastMsg_);
            } catch (const EHttpException& e) {
                lastMsg_ = e.what();
                ConnectionException(e.what());
            }
        }
    }

    if (e3::TFormProgress* form = e3::FormProgress())
        form->Hide();
    if (fatal_)
        CloseStreams();
    ProcessMessages(0ms);
    TriggerExit();
    // The run is over: the completion of the aborted request is not one of
    // its replies.
    if (connection_) {
        runEnding_ = true;
        connection_->Abort();
        runEnding_ = false;
    }
    requestPending_ = false;
    logWriting_ = false;
    commandLines_.clear();

    --runDepth_;
    if (runDepth_ == 0 && freeAfterRun_) {
        freeAfterRun_ = false;
        FreeComponent(this);
    }
}

bool TCustomEFIPProtocol::SetupClientCertificate()
{
    const ClientCertificateHooks& hooks = CurrentClientCertificateHooks();
    if (!connection_ || (hooks.initSSL && !hooks.initSSL())) {
        // Without an SSL layer there is no library to put a certificate in.
        SetFatal(-30015, MessageText(1, "OpenSSL library initialisation failed."));
        goodBye_ = 1;
        return true;
    }
    const auto showError = [this, &hooks](const std::string& text) {
        if (hidden_)
            return;
        if (hooks.showError)
            hooks.showError(MessageText(100, "Error"), text);
        else
            u3::CurrentUserMessages().ShowMessage(text);
    };
    certificateInPlace_ = false;
    std::string subject, issuer;
    if (softwareSecurity_) {
        if (!Blank(softwareKeyFileName_) && !(enterSecurityPassword_ && securityPasswordLevel_ == 0) &&
            hooks.askKeyFilePassword &&
            !hooks.askKeyFilePassword(softwareKeyFileName_, securityPassword_, enterSecurityPassword_))
            return false;
        if (!Blank(softwareKeyFileName_))
            certificateInPlace_ = connection_->UseKeyFile(softwareKeyFileName_, securityPassword_, subject, issuer);
        if (!certificateInPlace_)
            showError(MessageText(2, "client certificate is missing") + " " + softwareKeyFileName_);
    } else {
        try {
            if (!(enterSecurityPin_ && securityPinLevel_ == 0) && (certIndexText_ == "-1" || securityPinLevel_ != 0)) {
                const std::string list = hooks.getSmartCardCertList ? hooks.getSmartCardCertList() : std::string();
                if (list.empty()) {
                    SetFatal(-30016, MessageText(3, "PKCS11 library initialisation failed."));
                    goodBye_ = 1;
                    certIndexText_ = "-1";
                    return true;
                }
                const int index = hooks.chooseCertificate ? hooks.chooseCertificate(list) : -1;
                bool chosen = index >= 0;
                if (chosen) {
                    certIndexText_ = std::to_string(index);
                    chosen = !hooks.askTokenPin || hooks.askTokenPin(index, enterSecurityPin_, securityPin_);
                }
                if (!chosen)
                    certIndexText_ = "-1";
            }
            if (certIndexText_ != "-1") {
                const TokenCertificateResult token =
                    hooks.useTokenCertificate ? hooks.useTokenCertificate(std::atoi(certIndexText_.c_str()), securityPin_)
                                              : TokenCertificateResult();
                switch (token.outcome) {
                case TokenCertificateResult::InPlace:
                    certificateInPlace_ = true;
                    subject = token.subject;
                    issuer = token.issuer;
                    break;
                case TokenCertificateResult::NoTokens:
                    showError(MessageText(5, "error get certificates from PKCS11"));
                    break;
                case TokenCertificateResult::NotFound: {
                    std::string text = MessageText(6, "Could not found certificate key_id - %s or PIN wrong");
                    const auto mark = text.find("%s");
                    if (mark != std::string::npos)
                        text.replace(mark, 2, token.keyId);
                    showError(text);
                    break;
                }
                case TokenCertificateResult::Expired:
                    showError(MessageText(55, "User certificate appears to have expired. Please contact VTQ "
                                              "customer services."));
                    break;
                }
            }
        } catch (const std::exception& e) {
            // A failure inside the token layer ends the run like an absent
            // token layer, with the layer's own words.
            SetFatal(-30016, e.what());
            goodBye_ = 1;
            return true;
        }
    }
    if (certificateInPlace_) {
        Debug("<Client sertificate>\r\n  <Subject>\r\n    " + subject.substr(0, 256) + "\r\n  </Subject>\r\n  <Issuer>\r\n    " +
              issuer + "\r\n  </Issuer>\r\n</Client sertificate>\r\n");
        return true;
    }
    Debug("Error: Client certificate is missing " + softwareKeyFileName_);
    return false;
}

void TCustomEFIPProtocol::ProcessMessages(std::chrono::milliseconds maxWait)
{
    if (connection_)
        connection_->Poll(maxWait);
    else if (maxWait.count() > 0)
        u3::CurrentPollClock().Sleep(maxWait);
    fw::DrainMessageQueue();
}

void TCustomEFIPProtocol::CloseStreams()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    DiscardReceipt();
    if (!settings_.keepAlive && connection_)
        connection_->Abort();
}

void TCustomEFIPProtocol::SetFatal(int32_t error, const std::string& msg)
{
    error_ = error;
    lastMsg_ = msg;
    fatal_ = true;
}

void TCustomEFIPProtocol::NoteRepetition(const std::string& detail)
{
    retryTime_ = Now();
    ++retryCounter_;
    Debug("ignore error: recursive counter " + std::to_string(retryCounter_) + "\r\n" + detail);
}

void TCustomEFIPProtocol::ShowProgress(int stage)
{
    if (!showProgress_)
        return;
    Debug("\r\ninicio ProcProgress");
    progressStage_ = stage;
    progressPercent_ = ProgressPercent(stage, blockCounter_, stepCount_);
    if (e3::TFormProgress* form = e3::FormProgress()) {
        static const char* const stageTexts[] = {
            "Contacting Server",  "Beginning Submission", "Sending Package Header", "Sending Data",
            "Receiving Receipt",  "Checking Receipt",     "Ending Submission",
            "Submission Successfully Completed",
        };
        form->Gauge->SetProgress(progressPercent_);
        form->lblPercent->SetText(std::to_string(progressPercent_) + "%");
        if (stage >= 0 && stage < 8)
            form->GroupBox->SetText(MessageText(31 + stage, stageTexts[stage]));
        fw::DrainMessageQueue();
        fw::DrainMessageQueue();
    }
    Debug("\r\nfinal ProcProgress");
}

void TCustomEFIPProtocol::OpenProgressForm()
{
    // Without a GUI (a batch run) there is no window to show.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    e3::TFormProgress* form = e3::FormProgress();
    if (!form) {
        form = e3::CreateFormProgress();
        createdProgressForm_ = true;
        form->SetCaption(MessageText(12, "Progress ..."));
        form->spbCancel->SetText(MessageText(13, "Cancel"));
        // A button that never takes the focus draws no focus frame.
        form->spbCancel->Widget()->setFocusPolicy(Qt::NoFocus);
        form->Hide();
    }
    form->OnCancel = [self = fw::Guard<TCustomEFIPProtocol>(this)](fw::TObject*) {
        if (TCustomEFIPProtocol* protocol = self.get())
            protocol->Terminate();
    };
    form->Show();
}

void TCustomEFIPProtocol::Debug(const std::string& text)
{
    if (OnEFIPDebug)
        OnEFIPDebug(this, text);
    if (!logWriting_ || logFileName_.empty())
        return;
    std::lock_guard<std::mutex> lock(LogLock());
    if (std::FILE* f = std::fopen(logFileName_.c_str(), "ab")) {
        const std::string entry = "\r\n" + TimeStamp() + "\r\n" + text + "\r\n";
        std::fwrite(entry.data(), 1, entry.size(), f);
        std::fclose(f);
    }
}

void TCustomEFIPProtocol::TriggerError(int32_t state, int32_t error, const std::string& msg)
{
    if (!errorReported_) {
        errorReported_ = true;
        firstErrorText_ = msg;
    }
    Debug("<EFIP Error:>\r\nError Code: " + std::to_string(error) + "\r\n" + firstErrorText_ + "\r\n</EFIP Error:>\r\n");
    if (OnEFIPError)
        OnEFIPError(this, state, error, firstErrorText_);
}

void TCustomEFIPProtocol::TriggerExit()
{
    const int32_t stateExit = (suspended_ ? 1 : 0) + (stopped_ ? 2 : 0) + (terminated_ ? 4 : 0);
    Debug("TriggerExit");
    if (error_ + stateExit + goodBye_ == 0)
        Debug("Your Application filing has been completed.");
    if (OnEFIPExit)
        OnEFIPExit(this, state_, error_, errorReported_ ? firstErrorText_ : lastMsg_, stateExit, goodBye_ != 0);
}

TCustomEFIPProtocol::Clock::time_point TCustomEFIPProtocol::Now() const
{
    return u3::CurrentPollClock().Now();
}

bool TCustomEFIPProtocol::SecondsPassed(Clock::time_point since, int32_t seconds) const
{
    return Now() - since > std::chrono::seconds(seconds);
}

// --- sending -----------------------------------------------------------------

void TCustomEFIPProtocol::Post(const std::string& data)
{
    if (!connection_)
        throw EHttpException("No HTTP client");
    std::string body;
    body.reserve(kHeaderSize + data.size());
    body.append(request_.Bytes());
    body.append(data);
    requestPending_ = true;
    activity_ = true;
    try {
        connection_->Post(settings_, std::move(body));
    } catch (...) {
        requestPending_ = false;
        throw;
    }
}

void TCustomEFIPProtocol::SendBegin()
{
    Debug("\r\ninicio begin transaction");
    Debug("\r\nSend command:  begin_transaction");
    request_.Set(field::transaction_type, "pbeg");
    request_.Fill(field::division_hash);
    request_.Fill(field::transaction_id);
    request_.Fill(field::total_bytes);
    request_.Fill(field::division_length);
    request_.Fill(field::division_offset);
    request_.Seal();
    // A session that is still up (a repeated "pbeg" on a kept connection)
    // will not report itself again.
    connected_ = connection_ && connection_->Connected();
    Post();
    Debug("\r\nfinal begin transaction");
}

void TCustomEFIPProtocol::SendPart(const char* type)
{
    if (!file_) {
        SetFatal(-30004, MessageText(24, "Can't write data into connection output stream"));
        return;
    }
    const bool header = state_ == epSend_package_header;
    if (header)
        Debug("\r\ninicio send packageheader");
    divisionLength_ = DivisionLength(blockSize_, fileSize_, offset_);
    Debug("\r\nSend command:  " + std::string(StepOf(state_)->logName) + "  " + std::to_string(fileSize_) + "  " +
          std::to_string(offset_) + "  " + std::to_string(divisionLength_));
    Debug("\r\ninicio sendpart");
    std::string data(static_cast<size_t>(divisionLength_), '\0');
    if (fseeko(file_, static_cast<off_t>(offset_), SEEK_SET) != 0 ||
        std::fread(data.data(), 1, data.size(), file_) != data.size()) {
        SetFatal(-30004, MessageText(24, "Can't write data into connection output stream"));
        return;
    }
    request_.Set(field::transaction_type, type);
    request_.SetNumber(field::division_length, divisionLength_);
    request_.SetNumber(field::division_offset, offset_);
    request_.Seal(data);
    if (retryCounter_ == 0)
        ++blockCounter_;
    Debug(DumpHeader(request_));
    Post(data);
    Debug("\r\nfinal sendpart");
    if (header)
        Debug("\r\nfinal send package header");
}

void TCustomEFIPProtocol::SendReceiptRequest()
{
    Debug("\r\nSend command:  get_receipt");
    request_.Set(field::transaction_type, "prct");
    request_.Fill(field::division_hash);
    request_.Fill(field::total_bytes);
    if (retryCounter_ > 0) {
        request_.SetHexWord(field::division_RC, kRcRetry);
        request_.SetHexWord(field::application_RC, 0);
    }
    request_.Seal();
    Debug(DumpHeader(request_));
    // The repeat mark goes with this request only.
    struct ResetMark {
        EFIPHeader& request;
        ~ResetMark() { request.SetHexWord(field::division_RC, 0); }
    } resetMark {request_};
    Post();
}

void TCustomEFIPProtocol::SendEnd()
{
    Debug("\r\nSend command:  end_transaction");
    request_.Set(field::transaction_type, "pend");
    request_.Fill(field::division_hash);
    request_.Fill(field::total_bytes);
    request_.Fill(field::division_length);
    request_.Fill(field::division_offset);
    request_.SetHexWord(field::application_RC, static_cast<uint16_t>(goodBye_ & 0xFFFF));
    request_.Seal();
    Debug(DumpHeader(request_));
    Post();
}

bool TCustomEFIPProtocol::OpenFile(const std::string& name)
{
    if (file_)
        std::fclose(file_);
    file_ = std::fopen(name.c_str(), "rbe");
    return file_ != nullptr;
}

bool TCustomEFIPProtocol::CreateReceipt()
{
    DiscardReceipt();
    receiptOffset_ = 0;
    receiptTotal_ = 0;
    if (Blank(receiptFile_))
        return false;
    auto temp = std::make_unique<u3::AtomicFile>(receiptFile_);
    if (!temp->IsOpen())
        return false;
    // The stream writes through its own handle; the temporary file keeps its
    // handle for the flush and rename.
    const int fd = ::fcntl(temp->Handle(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return false;
    receipt_ = fdopen(fd, "w+b");
    if (!receipt_) {
        ::close(fd);
        return false;
    }
    receiptTemp_ = std::move(temp);
    return true;
}

void TCustomEFIPProtocol::DiscardReceipt()
{
    if (!receipt_)
        return;
    std::fclose(receipt_);
    receipt_ = nullptr;
    receiptTemp_.reset();
}

bool TCustomEFIPProtocol::FinishReceipt()
{
    const bool written = std::fclose(receipt_) == 0;
    receipt_ = nullptr;
    const bool ok = written && receiptTemp_->Commit();
    receiptTemp_.reset();
    return ok;
}

// --- replies -----------------------------------------------------------------

void TCustomEFIPProtocol::AttachConnectionEvents()
{
    if (!connection_)
        return;
    ConnectionEvents e;
    e.requestDone = [this](int32_t status, const std::string& reason, const std::string& body) {
        RequestDone(status, reason, body);
    };
    e.sessionConnected = [this](int32_t error, const std::string& text) { SessionConnected(error, text); };
    e.sslConnected = [this]() { connected_ = true; };
    e.tunnelProxyError = [this](int32_t code, const std::string& text) {
        if (error_ == 0) {
            error_ = -30006;
            lastMsg_ = text;
        }
        if (logWriting_)
            Debug("<TunnelProxyError:>\r\nError Code: " + std::to_string(code) + "\r\n" + text +
                  "\r\n</TunnelProxyError:>\r\n");
    };
    e.socksError = [this](const std::string& text) {
        if (logWriting_)
            Debug("<SocksError:>\r\n\r\n" + text + "</SocksError:>");
    };
    e.exception = [this](const std::string& text) { ConnectionException(text); };
    e.display = [this](const std::string& text) {
        if (logWriting_)
            Debug("<OnDisplay:>\r\n" + text);
    };
    e.headerEnd = [this](const std::string& lines) {
        if (logWriting_)
            Debug("<OnHeaderEnd:>\r\n" + lines);
    };
    e.command = [this](const std::string& line) {
        if (!logWriting_)
            return;
        if (!line.empty()) {
            commandLines_ += "\r\n" + MaskCredentials(line);
            return;
        }
        Debug("<OnCommand:>\r\n" + commandLines_);
        commandLines_.clear();
    };
    connection_->SetEvents(std::move(e));
}

void TCustomEFIPProtocol::SessionConnected(int32_t error, const std::string& text)
{
    if (error == 0) {
        if (!settings_.ssl)
            connected_ = true;
        return;
    }
    if (error_ == 0) {
        error_ = -error;
        lastMsg_ = text.empty() ? error == 10060   ? MessageText(7, "Socket connected error: host not found")
                                  : error == 10061 ? MessageText(8, "Socket connected error: socket connect refused")
                                                   : MessageText(9, "Socket connected error")
                                : text;
    }
    Debug("<Session Connected Error:>\r\nError Code: " + std::to_string(error) + "\r\n" + lastMsg_ +
          "\r\n</Session Connected Error:>\r\n");
    connection_->Abort();
}

void TCustomEFIPProtocol::ConnectionException(const std::string& text)
{
    error_ = -30007;
    lastMsg_ = text;
    Debug("<OnException:>\r\n" + text + "\r\n</OnException:>\r\n");
    if (connection_ && requestPending_) {
        // The abort completes the request, and the completion counts the
        // repetition.
        connection_->Abort();
        return;
    }
    if (retryCounter_ < recursiveCount_) {
        NoteRepetition(std::to_string(error_) + "  " + text);
        error_ = 0;
    } else {
        fatal_ = true;
    }
}

void TCustomEFIPProtocol::RequestDone(int32_t status, const std::string& reason, const std::string& body)
{
    if (runEnding_)
        return;
    std::lock_guard<std::recursive_mutex> lock(ReplyLock());
    struct ClearPending {
        bool& pending;
        ~ClearPending() { pending = false; }
    } clearPending {requestPending_};
    activity_ = true;
    Debug("DebugExt HttpRequestDone");

    if (status >= 400) {
        if (retryCounter_ < recursiveCount_) {
            NoteRepetition("http status code: " + std::to_string(status) + "  " + reason);
            if (!fatal_)
                error_ = 0;
        } else {
            error_ = status;
            lastMsg_ = reason;
            fatal_ = true;
        }
        return;
    }

    if (error_ >= 0 && settings_.ssl && !connected_) {
        const int32_t verify = connection_ ? connection_->LastVerifyError() : 0;
        if (verify < 0) {
            error_ = verify;
            fatal_ = true;
        } else {
            error_ = -30008;
        }
        lastMsg_ = verify == -30012   ? MessageText(43, "The receiving Office server certificate used to establish a "
                                                        "connection is not trusted")
                   : verify == -30011 ? MessageText(42, "The URL on the server certificate does not match the URL of "
                                                        "the receiving Office server")
                   : verify == -30009 ? MessageText(40, "The receiving Office server certificate used to establish a "
                                                        "connection has expired")
                                      : MessageText(17, "SSL handshake failure");
        Debug("\r\n OpenSSL error text: " + (connection_ ? connection_->SSLErrorText() : std::string()));
    }

    // An aborted request has no reply to read.
    if (!fatal_ && connected_ && status != 0) {
        try {
            HandleReply(body);
        } catch (const std::exception& e) {
            fatal_ = true;
            if (error_ == 0) {
                error_ = -30007;
                lastMsg_ = e.what();
            }
        }
    }

    if (error_ < 0) {
        if (retryCounter_ < recursiveCount_) {
            NoteRepetition(std::to_string(error_) + "  " + lastMsg_);
            if (!fatal_)
                error_ = 0;
        } else {
            fatal_ = true;
        }
    }

    if (fatal_ && state_ < epEnd_transaction) {
        TriggerError(state_, error_, lastMsg_);
        state_ = epEnd_transaction;
        goodBye_ = error_;
        goodByeText_ = lastMsg_;
        fatal_ = false;
    }
}

void TCustomEFIPProtocol::HandleReply(const std::string& body)
{
    EFIPHeader reply;
    const ReplyCheck check = CheckReply(request_, body, reply);
    EFIPHeader shown;
    const bool whole = shown.Assign(body);
    Debug("\r\n                           response_header size: " +
          std::to_string(whole ? kHeaderSize : body.size()));
    if (whole)
        Debug(DumpHeader(shown));
    if (check.error != 0) {
        error_ = check.error;
        lastMsg_ = check.fatal ? ReplyMessageText(reply) : MessageText(18, "bad response header");
        fatal_ = check.fatal;
        return;
    }

    switch (state_) {
    case epBegin_transaction: {
        if (body.size() < kHeaderSize + kServerBlockSizeWidth) {
            SetFatal(-30007, MessageText(19, "bad begin transaction header"));
            return;
        }
        blockSize_ = ApplyServerBlockSize(blockSize_, std::string_view(body).substr(kHeaderSize, kServerBlockSizeWidth));
        request_.Set(field::transaction_id, reply.Get(field::transaction_id));
        fileSize_ = FileSize(headerFile_);
        request_.SetNumber(field::total_bytes, fileSize_);
        offset_ = 0;
        if (fileSize_ <= 0) {
            SetFatal(-30011, MessageText(20, "Header file zero size"));
            return;
        }
        OpenFile(headerFile_);
        state_ = epSend_package_header;
        break;
    }
    case epSend_package_header:
        offset_ += divisionLength_;
        if (offset_ < fileSize_)
            break;
        if (file_) {
            std::fclose(file_);
            file_ = nullptr;
        }
        if (check.applicationRC == kAppRcNoPackage) {
            request_.SetNumber(field::division_length, blockSize_);
            request_.SetNumber(field::division_offset, 0);
            CreateReceipt();
            state_ = epGet_receipt;
            break;
        }
        fileSize_ = FileSize(blobFile_);
        request_.SetNumber(field::total_bytes, fileSize_);
        offset_ = 0;
        if (fileSize_ <= 0) {
            SetFatal(-30012, MessageText(21, "WASP file zero size"));
            return;
        }
        OpenFile(blobFile_);
        state_ = epSend_WASP;
        break;
    case epSend_WASP:
        offset_ += divisionLength_;
        retryCounter_ = 0;
        if (offset_ < fileSize_)
            break;
        if (file_) {
            std::fclose(file_);
            file_ = nullptr;
        }
        request_.SetNumber(field::division_length, blockSize_);
        request_.SetNumber(field::division_offset, 0);
        CreateReceipt();
        state_ = epGet_receipt;
        break;
    case epGet_receipt:
        if (check.divisionRC == kRcNotReady && check.applicationRC == kAppRcNotReady) {
            retryTime_ = Now();
            break;
        }
        HandleReceiptDivision(body, check);
        break;
    case epEnd_transaction:
        state_ = epClose;
        if (goodBye_ != 0)
            SetFatal(goodBye_, goodByeText_);
        break;
    default:
        SetFatal(-30010, MessageText(23, "Unknown command client protocol"));
        break;
    }
}

void TCustomEFIPProtocol::HandleReceiptDivision(const std::string& body, const ReplyCheck&)
{
    if (!receipt_) {
        SetFatal(-30005, MessageText(26, "Can't read data from connection input stream"));
        return;
    }
    EFIPHeader reply;
    reply.Assign(body);
    std::string_view data = std::string_view(body).substr(kHeaderSize);
    const auto declared = ParseDecimalField(reply.Get(field::division_length));
    if (declared && static_cast<uint64_t>(*declared) < data.size())
        data = data.substr(0, static_cast<size_t>(*declared));

    const ReceiptCheck r = CheckReceiptDivision(reply, data, receiptOffset_, receiptTotal_);
    switch (r.verdict) {
    case ReceiptDivision::ZeroSize:
        SetFatal(-30013, MessageText(22, "Receipt file zero size"));
        return;
    case ReceiptDivision::BadDivision:
        error_ = -30009;
        lastMsg_ = MessageText(18, "bad response header");
        return;
    case ReceiptDivision::BadHash:
        error_ = -30014;
        lastMsg_ = FormatText(MessageText(25, "Hash of division is wrong: hash = %s size = %s"),
                              {r.computedHash, std::to_string(data.size())});
        return;
    case ReceiptDivision::Accepted:
        break;
    }
    if (fseeko(receipt_, static_cast<off_t>(r.offset), SEEK_SET) != 0 ||
        std::fwrite(data.data(), 1, data.size(), receipt_) != data.size()) {
        SetFatal(-30005, MessageText(26, "Can't read data from connection input stream"));
        return;
    }
    if (retryCounter_ == 0)
        ++blockCounter_;
    receiptTotal_ = r.total;
    receiptOffset_ = r.offset + r.length;
    request_.SetNumber(field::division_length, r.length);
    request_.SetNumber(field::division_offset, receiptOffset_);
    if (receiptOffset_ >= receiptTotal_)
        ReceiptComplete();
}

void TCustomEFIPProtocol::ReceiptComplete()
{
    // The receipt takes its name before the engine hears of it, and a
    // receipt that cannot be stored is not reported as received.
    if (!FinishReceipt()) {
        SetFatal(-30005, MessageText(26, "Can't read data from connection input stream"));
        return;
    }
    CloseStreams();
    ShowProgress(epCheckReceipt);
    int32_t code = 0;
    std::string msg = goodByeText_;
    if (OnEFIPReceipt) {
        OnEFIPReceipt(this, 0, code, msg);
        if (code == 0 && OnEFIPReceipt)
            OnEFIPReceipt(this, 1, code, msg);
    }
    if (code != 0) {
        goodBye_ = code;
        goodByeText_ = msg;
    }
    state_ = epEnd_transaction;
}

// --- published tables ----------------------------------------------------------

const fw::TClassInfo& TCustomEFIPProtocol::StaticClass()
{
    static const fw::TClassInfo info {"TCustomEFIPProtocol", &fw::TComponent::StaticClass(), {}};
    return info;
}

const fw::TClassInfo& Te3EFIPProtocol::StaticClass()
{
    using C = TCustomEFIPProtocol;
    namespace p = fw::prop;
    static const fw::TClassInfo info {
        "Te3EFIPProtocol",
        &TCustomEFIPProtocol::StaticClass(),
        fw::TRows<Te3EFIPProtocol> {
            p::String("ServerURL", &C::GetServerURL, &C::SetServerURL),
            p::String("HeaderFile", &C::GetHeaderFile, &C::SetHeaderFile),
            p::String("BlobFile", &C::GetBlobFile, &C::SetBlobFile),
            p::String("ReceiptFile", &C::GetReceiptFile, &C::SetReceiptFile),
            p::Integer("BlockSize", &C::GetBlockSize, &C::SetBlockSize),
            p::Integer("RequestTimeOut", &C::GetRequestTimeOut, &C::SetRequestTimeOut),
            p::Integer("CommandTimeOut", &C::GetCommandTimeOut, &C::SetCommandTimeOut),
            p::Integer("GetStatusTimeOut", &C::GetGetStatusTimeOut, &C::SetGetStatusTimeOut),
            p::Integer("RecursiveCount", &C::GetRecursiveCount, &C::SetRecursiveCount),
            p::Integer("RecursiveTimeOut", &C::GetRecursiveTimeOut, &C::SetRecursiveTimeOut),
            p::Boolean("ShowProgress", &C::GetShowProgress, &C::SetShowProgress),
            p::Boolean("Hidden", &C::GetHidden, &C::SetHidden),
            p::Boolean("SSL", &C::GetSSL, &C::SetSSL),
            p::String("SSLVersion", &C::GetSSLVersion, &C::SetSSLVersion),
            p::Boolean("KeepAlive", &C::GetKeepAlive, &C::SetKeepAlive),
            p::String("HTTPVersion", &C::GetHTTPVersion, &C::SetHTTPVersion),
            p::String("AcceptLanguage", &C::GetAcceptLanguage, &C::SetAcceptLanguage),
            p::Boolean("ProxyResolveHost", &C::GetProxyResolveHost, &C::SetProxyResolveHost),
            p::String("TunnelProxyServer", &C::GetTunnelProxyServer, &C::SetTunnelProxyServer),
            p::String("TunnelProxyPort", &C::GetTunnelProxyPort, &C::SetTunnelProxyPort),
            p::String("TunnelProxyUsercode", &C::GetTunnelProxyUsercode, &C::SetTunnelProxyUsercode),
            p::String("TunnelProxyPassword", &C::GetTunnelProxyPassword, &C::SetTunnelProxyPassword),
            p::Boolean("SoftwareSecurity", &C::GetSoftwareSecurity, &C::SetSoftwareSecurity),
            p::String("SoftwareKeyFileName", &C::GetSoftwareKeyFileName, &C::SetSoftwareKeyFileName),
            p::String("SecurityPassword", &C::GetSecurityPassword, &C::SetSecurityPassword),
            p::Boolean("EnterSecurityPassword", &C::GetEnterSecurityPassword, &C::SetEnterSecurityPassword),
            p::Integer("SecurityPasswordLevel", &C::GetSecurityPasswordLevel, &C::SetSecurityPasswordLevel),
            p::String("SecurityPin", &C::GetSecurityPin, &C::SetSecurityPin),
            p::Boolean("EnterSecurityPin", &C::GetEnterSecurityPin, &C::SetEnterSecurityPin),
            p::Integer("SecurityPinLevel", &C::GetSecurityPinLevel, &C::SetSecurityPinLevel),
            p::Integer("CertIndex", &C::GetCertIndex, &C::SetCertIndex),
            p::Integer("CertType", &C::GetCertType, &C::SetCertType),
            p::Enum("EFIPProtocolState", EFIPProtocolStateType, &C::GetEFIPProtocolState, &C::SetEFIPProtocolState),
            p::Integer("Error", &C::GetError, &C::SetError),
            p::String("LastMsg", &C::GetLastMsg, &C::SetLastMsg),
            p::Integer("GoodBye", &C::GetGoodBye, &C::SetGoodBye),
            p::Boolean("Suspended", &C::GetSuspended, &C::SetSuspended),
            p::Boolean("Terminated", &C::GetTerminated, &C::SetTerminated),
            p::Integer("SessionStatus", &C::GetSessionStatus, &C::SetSessionStatus),
            p::String("SessionMessage", &C::GetSessionMessage, &C::SetSessionMessage),
            p::String("ServerVersion", &C::GetServerVersion, &C::SetServerVersion),
            p::Event("OnEFIPDebug", DebugDisplayType, &C::OnEFIPDebug),
            p::Event("OnEFIPError", ProtocolErrorType, &C::OnEFIPError),
            p::Event("OnEFIPExit", ProtocolExitType, &C::OnEFIPExit),
            p::Event("OnEFIPReceipt", ProtocolReceiptType, &C::OnEFIPReceipt),
            p::Event("OnEFIPWaitRequest", ProtocolWaitType, &C::OnEFIPWaitRequest),
            p::Event("OnEFIPWaitCommand", ProtocolWaitType, &C::OnEFIPWaitCommand),
        },
    };
    return info;
}

const fw::TClassInfo& Te3_EFIPProtocol::StaticClass()
{
    using C = TCustomEFIPProtocol;
    namespace p = fw::prop;
    static const fw::TClassInfo info {
        "Te3_EFIPProtocol",
        &Te3EFIPProtocol::StaticClass(),
        fw::TRows<Te3_EFIPProtocol> {
            p::BoolAction("_Execute", &C::Execute),
            p::BoolAction("_Resume", &C::Resume),
            p::BoolAction("_Suspend", &C::Suspend),
            p::BoolAction("_Stop", &C::Stop),
            p::BoolAction("_Terminate", &C::Terminate),
            p::BoolAction("_Free", &C::Free),
        },
        fw::MakeFactory<Te3_EFIPProtocol>(),
    };
    return info;
}

} // namespace efip
