#pragma once
// The window-less batch mode for patent management systems: one command line
// becomes one request to the PMS gateway, whose response document is written
// to "PMSResponse.xml" in the output folder; an archive it returns is unpacked
// there. Every failure is written into the same file as an error response.
#include "enginelink/SOAPClient.h"
#include "enginelink/pms/PMSXml.h"

#include <exception>
#include <string>
#include <vector>

namespace enginelink {

// Ends a batch run after its failure was reported: unwinds to the start-up,
// which stops what it started and exits non-zero. Deliberately not a
// u3::Exception, so that no handler of the run reports it a second time.
class EPMSFatal : public std::exception {
public:
    explicit EPMSFatal(bool responseWritten) : responseWritten_(responseWritten) {}
    const char* what() const noexcept override { return "PMS run failed"; }
    // Whether the error response reached the output folder.
    bool ResponseWritten() const { return responseWritten_; }

private:
    bool responseWritten_;
};

// Exit codes of a batch run.
inline constexpr int kPMSExitResponseWritten = 0; // the gateway's response was written
inline constexpr int kPMSExitErrorWritten = 1;    // the client wrote an error response
inline constexpr int kPMSExitNothingWritten = 2;  // no response file could be written

inline constexpr const char* kPMSResponseFileName = "PMSResponse.xml";

class TPMSSOAPClient : public TBaseSOAPClient {
public:
    TPMSSOAPClient(const std::string& host, const std::string& port, bool quiet);
    ~TPMSSOAPClient() override;

    // [WEB] IP (default "localhost") and Port (default "88"), and the proxy.
    static TSOAPClientSettings ReadSettings();

    // The command line: item 0 is the program, item 1 the command, then the
    // options of the form -Name=value.
    void SetCommandLine(std::vector<std::string> items) { commandLine_ = std::move(items); }

    // The whole batch run; result stays empty. Returns when the gateway's
    // response was written; throws EPMSFatal after a failure was reported.
    void Call(std::string& result);
    // Writes the error response (id 36, message) and throws EPMSFatal.
    [[noreturn]] void Fatal(const std::string& message) override;
    // The name of the archive the reply returns; empty when it returns none.
    std::string GetReturnArchiveName();

    void ParseCommandLine();
    // An empty value stands for the program's folder; made when missing.
    void SetOutputDir(const std::string& folder);
    const std::string& OutputDir() const { return outputDir_; }
    const std::string& AttachmentFileName() const { return attachmentFileName_; }
    TPMSInput& Input() { return input_; }
    // Whether the gateway sent a response document and it was written.
    bool ResponseWritten() const { return responseWritten_; }

protected:
    using TBaseSOAPClient::Call;
    std::string GetPath() const override { return "/soap/IIPMSGateway"; }

private:
    void Run();
    // The option's value ("-Name=value"), empty when absent.
    std::string Option(const std::string& name) const;
    // A required file option: quotes stripped, must name an existing file.
    std::string RequiredFile(const std::string& name) const;
    void ReadSignatories(TPMSAction& action, int signatureType);
    void UnpackReturnedArchive();

    TPMSInput input_;
    std::string attachmentFileName_;
    std::string outputDir_;
    std::vector<std::string> commandLine_;
    bool responseWritten_ = false;
    bool inFatal_ = false;
};

// One batch run for the program's command line (the parameters without the
// program): the exit code above. Never throws.
int RunPMSBatch(const std::vector<std::string>& params);

} // namespace enginelink
