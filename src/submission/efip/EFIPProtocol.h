#pragma once
// The submission component: carries out one transaction of the submission
// protocol for the engine in a polling loop of the GUI thread, repeats failed
// steps, writes a debug log, hands the receipt to the engine and reports the
// outcome through its events.
#include "submission/efip/EFIPConnection.h"
#include "submission/efipheader/EFIPHeader.h"

#include "framework/Component.h"
#include "u3/AtomicFile.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace efip {

extern const fw::TEnumType EFIPProtocolStateType;

// The component's events. The client's event list holds handlers of exactly
// these types, so the engine can bind them.
using TDebugDisplay = std::function<void(fw::TObject* sender, const std::string& msg)>;
using TCeProtocolError = std::function<void(fw::TObject* sender, int32_t state, int32_t error, const std::string& msg)>;
using TCeProtocolExit = std::function<void(fw::TObject* sender, int32_t state, int32_t error, const std::string& msg,
                                           int32_t stateExit, bool goodBye)>;
using TCeProtocolReceipt = std::function<void(fw::TObject* sender, int32_t step, int32_t& code, std::string& msg)>;
using TCeProtocolWait = std::function<void(fw::TObject* sender, int32_t state, bool& suspend)>;

// "SSLv2" 0, "SSLv3" 1, "SSLv23" 2, "TLSv1" 3, chosen from a written value:
// the value's upper case as a substring of "SSLV2 SSLV3 SSLV23 TLSV1" at its
// first, seventh or twentieth character; anything else is SSLv23.
int SSLVersionFromText(const std::string& value);
const char* SSLVersionName(int version);

// trunc((stage + blocks - 1) / steps * 100), 0 when stage + blocks - 1 is
// 0 or less, at most 100.
int ProgressPercent(int stage, int blocks, int steps);

class TCustomEFIPProtocol : public fw::TComponent {
    FW_CLASS()
public:
    using Clock = std::chrono::steady_clock;

    explicit TCustomEFIPProtocol(fw::TComponent* owner);
    ~TCustomEFIPProtocol() override;

    // Actions.
    void Execute();
    void Run();
    void Suspend();
    void Resume();
    void Stop();
    void Terminate();
    void Free();

    // Published state.
    std::string GetServerURL() const { return settings_.url; }
    void SetServerURL(const std::string& v);
    std::string GetHeaderFile() const { return headerFile_; }
    void SetHeaderFile(const std::string& v) { headerFile_ = v; }
    std::string GetBlobFile() const { return blobFile_; }
    void SetBlobFile(const std::string& v);
    std::string GetReceiptFile() const { return receiptFile_; }
    void SetReceiptFile(const std::string& v) { receiptFile_ = v; }
    int32_t GetBlockSize() const { return blockSize_; }
    // A division of no bytes would never move the transfer on: a size below 1
    // leaves the one set before.
    void SetBlockSize(int32_t v)
    {
        if (v > 0)
            blockSize_ = v;
    }
    int32_t GetRequestTimeOut() const { return requestTimeOut_; }
    void SetRequestTimeOut(int32_t v) { requestTimeOut_ = v; }
    int32_t GetCommandTimeOut() const { return commandTimeOut_; }
    void SetCommandTimeOut(int32_t v) { commandTimeOut_ = v; }
    int32_t GetGetStatusTimeOut() const { return getStatusTimeOut_; }
    void SetGetStatusTimeOut(int32_t v) { getStatusTimeOut_ = v; }
    int32_t GetRecursiveCount() const { return recursiveCount_; }
    void SetRecursiveCount(int32_t v) { recursiveCount_ = v; }
    int32_t GetRecursiveTimeOut() const { return recursiveTimeOut_; }
    void SetRecursiveTimeOut(int32_t v) { recursiveTimeOut_ = v; }
    bool GetShowProgress() const { return showProgress_; }
    void SetShowProgress(bool v) { showProgress_ = v; }
    bool GetHidden() const { return hidden_; }
    void SetHidden(bool v) { hidden_ = v; }
    bool GetSSL() const { return settings_.ssl; }
    void SetSSL(bool v) { settings_.ssl = v; }
    std::string GetSSLVersion() const;
    void SetSSLVersion(const std::string& v);
    bool GetKeepAlive() const { return settings_.keepAlive; }
    void SetKeepAlive(bool v) { settings_.keepAlive = v; }
    std::string GetHTTPVersion() const { return settings_.httpVersion; }
    void SetHTTPVersion(const std::string& v) { settings_.httpVersion = v; }
    std::string GetAcceptLanguage() const { return settings_.acceptLanguage; }
    void SetAcceptLanguage(const std::string& v) { settings_.acceptLanguage = v; }
    bool GetProxyResolveHost() const { return settings_.proxyResolveHost; }
    void SetProxyResolveHost(bool v) { settings_.proxyResolveHost = v; }
    std::string GetTunnelProxyServer() const;
    void SetTunnelProxyServer(const std::string& v);
    std::string GetTunnelProxyPort() const;
    void SetTunnelProxyPort(const std::string& v);
    std::string GetTunnelProxyUsercode() const;
    void SetTunnelProxyUsercode(const std::string& v);
    std::string GetTunnelProxyPassword() const;
    void SetTunnelProxyPassword(const std::string& v);
    bool GetSoftwareSecurity() const { return softwareSecurity_; }
    void SetSoftwareSecurity(bool v) { softwareSecurity_ = v; }
    std::string GetSoftwareKeyFileName() const { return softwareKeyFileName_; }
    void SetSoftwareKeyFileName(const std::string& v) { softwareKeyFileName_ = v; }
    std::string GetSecurityPassword() const { return securityPassword_; }
    void SetSecurityPassword(const std::string& v) { securityPassword_ = v; }
    bool GetEnterSecurityPassword() const { return enterSecurityPassword_; }
    void SetEnterSecurityPassword(bool v) { enterSecurityPassword_ = v; }
    int32_t GetSecurityPasswordLevel() const { return securityPasswordLevel_; }
    void SetSecurityPasswordLevel(int32_t v) { securityPasswordLevel_ = v; }
    std::string GetSecurityPin() const { return securityPin_; }
    void SetSecurityPin(const std::string& v) { securityPin_ = v; }
    bool GetEnterSecurityPin() const { return enterSecurityPin_; }
    void SetEnterSecurityPin(bool v) { enterSecurityPin_ = v; }
    int32_t GetSecurityPinLevel() const { return securityPinLevel_; }
    void SetSecurityPinLevel(int32_t v) { securityPinLevel_ = v; }
    int32_t GetCertIndex() const { return certIndex_; }
    void SetCertIndex(int32_t v);
    int32_t GetCertType() const { return certType_; }
    void SetCertType(int32_t v) { certType_ = v; }
    TCeFIPProtocolState GetEFIPProtocolState() const { return state_; }
    void SetEFIPProtocolState(TCeFIPProtocolState v) { state_ = v; }
    int32_t GetError() const { return error_; }
    void SetError(int32_t v) { error_ = v; }
    std::string GetLastMsg() const { return lastMsg_; }
    void SetLastMsg(const std::string& v) { lastMsg_ = v; }
    int32_t GetGoodBye() const { return goodBye_; }
    void SetGoodBye(int32_t v) { goodBye_ = v; }
    bool GetSuspended() const { return suspended_; }
    void SetSuspended(bool v) { suspended_ = v; }
    bool GetTerminated() const { return terminated_; }
    void SetTerminated(bool v) { terminated_ = v; }
    int32_t GetSessionStatus() const { return sessionStatus_; }
    void SetSessionStatus(int32_t v) { sessionStatus_ = v; }
    std::string GetSessionMessage() const { return sessionMessage_; }
    void SetSessionMessage(const std::string& v) { sessionMessage_ = v; }
    std::string GetServerVersion() const { return serverVersion_; }
    void SetServerVersion(const std::string& v) { serverVersion_ = v; }

    TDebugDisplay OnEFIPDebug;
    TCeProtocolError OnEFIPError;
    TCeProtocolExit OnEFIPExit;
    TCeProtocolReceipt OnEFIPReceipt;
    TCeProtocolWait OnEFIPWaitRequest, OnEFIPWaitCommand;

    // The debug log file (empty while the log is off).
    const std::string& LogFileName() const { return logFileName_; }
    // The stage and percentage of the last progress update.
    int ProgressStage() const { return progressStage_; }
    int ProgressPosition() const { return progressPercent_; }
    // Whether the component is inside Run (its loop or its end).
    bool Running() const { return runDepth_ > 0; }

private:
    void Reset();
    void SetFatal(int32_t error, const std::string& msg);
    void Debug(const std::string& text);
    void TriggerError(int32_t state, int32_t error, const std::string& msg);
    void TriggerExit();
    void ShowProgress(int stage);
    void OpenProgressForm();
    void ProcessMessages(std::chrono::milliseconds maxWait);
    void CloseStreams();
    bool SetupClientCertificate();
    void NoteRepetition(const std::string& detail);
    void AttachConnectionEvents();

    // Steps.
    void SendBegin();
    void SendPart(const char* type);
    void SendReceiptRequest();
    void SendEnd();
    void Post(const std::string& data = {});
    bool OpenFile(const std::string& name);
    bool CreateReceipt();
    void DiscardReceipt();
    bool FinishReceipt();

    // Replies.
    void RequestDone(int32_t status, const std::string& reason, const std::string& body);
    void HandleReply(const std::string& body);
    void HandleReceiptDivision(const std::string& body, const ReplyCheck& check);
    void ReceiptComplete();
    void SessionConnected(int32_t error, const std::string& text);
    void ConnectionException(const std::string& text);

    Clock::time_point Now() const;
    bool SecondsPassed(Clock::time_point since, int32_t seconds) const;

    ConnectionSettings settings_;
    std::unique_ptr<EFIPConnection> connection_;

    std::string headerFile_, blobFile_, receiptFile_;
    int32_t blockSize_ = kDefaultBlockSize;
    int32_t requestTimeOut_ = 60, commandTimeOut_ = 600, getStatusTimeOut_ = 5;
    int32_t recursiveCount_ = 10, recursiveTimeOut_ = 5;
    bool showProgress_ = true, hidden_ = false;
    int sslVersion_ = 2;
    bool softwareSecurity_ = false;
    std::string softwareKeyFileName_;
    std::string securityPassword_;
    bool enterSecurityPassword_ = false;
    int32_t securityPasswordLevel_ = 0;
    std::string securityPin_;
    bool enterSecurityPin_ = false;
    int32_t securityPinLevel_ = 0;
    int32_t certIndex_ = -1;
    std::string certIndexText_ = "-1";
    int32_t certType_ = 0;
    TCeFIPProtocolState state_ = epNot;
    int32_t error_ = 0;
    std::string lastMsg_;
    int32_t goodBye_ = 0;
    bool suspended_ = false, terminated_ = false;
    int32_t sessionStatus_ = 0;
    std::string sessionMessage_, serverVersion_;

    // Run state.
    EFIPHeader request_;
    bool fatal_ = false;
    bool stopped_ = false;
    Clock::time_point stopTime_ {};
    bool connected_ = false;
    bool requestPending_ = false;
    int32_t retryCounter_ = 0;
    Clock::time_point retryTime_ {};
    Clock::time_point lastRequestTime_ {};
    int32_t blockCounter_ = 0;
    int32_t stepCount_ = 0;
    bool errorReported_ = false;
    std::string firstErrorText_;
    std::string goodByeText_;
    int64_t offset_ = 0;         // bytes of the current file acknowledged so far
    int64_t divisionLength_ = 0; // of the division in flight
    int64_t fileSize_ = 0;
    std::FILE* file_ = nullptr;
    // The receipt grows under a temporary name beside ReceiptFile and takes
    // that name only once it is complete.
    std::FILE* receipt_ = nullptr;
    std::unique_ptr<u3::AtomicFile> receiptTemp_;
    int64_t receiptTotal_ = 0;
    int64_t receiptOffset_ = 0;
    bool certificateInPlace_ = false;

    std::string logFileName_;
    bool logWriting_ = false;
    std::string commandLines_; // request header lines gathered for one log entry

    bool createdProgressForm_ = false;
    int progressStage_ = 0;
    int progressPercent_ = 0;
    int runDepth_ = 0;
    bool runEnding_ = false;
    bool freeAfterRun_ = false;
    bool activity_ = false; // something was sent or received this turn
};

class Te3EFIPProtocol : public TCustomEFIPProtocol {
    FW_CLASS()
public:
    using TCustomEFIPProtocol::TCustomEFIPProtocol;
};

class Te3_EFIPProtocol : public Te3EFIPProtocol {
    FW_CLASS()
public:
    using Te3EFIPProtocol::Te3EFIPProtocol;
};

} // namespace efip
