#pragma once
// The reception side of the submission protocol, without sockets: one
// transaction at a time, fed with request bodies, answering with HTTP replies.
// Faults can be injected per step so that tests reach the client's error paths.
#include "submission/efipheader/EFIPHeader.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace efipserver {

// KIND:STEP:COUNT[:ARG] - the next COUNT requests of STEP ("pbeg", "phdr",
// "pdat", "prct", "pend" or "*") get the fault. Kinds:
//   short       the reply body is cut to 100 bytes
//   http500     HTTP 500 instead of a reply
//   notready    "prct" answered as not ready
//   refuse      division_RC ARG (hexadecimal), message text "refused by test server"
//   badhash     a receipt division whose hash is in lower case
//   wrongoffset a receipt division one byte further than asked
//   zerolength  a receipt division of length 0
//   longlength  a receipt division that claims one byte more than it carries
//   apprc       application_RC ARG (hexadecimal) on the reply
struct Fault {
    std::string kind;
    std::string step;
    int count = 0;
    std::string arg;
};

bool ParseFault(const std::string& text, Fault& out);

struct Options {
    std::string blockSizeText = "0000000000100000"; // the 16 characters after the "pbeg" reply header
    bool omitBlockSize = false;                     // "pbeg" reply without them
    bool noPackage = false;                         // application_RC 1 on the last header division
    std::string receipt = "test receipt\n";
    std::vector<Fault> faults;
};

struct HttpReply {
    int status = 200;
    std::string reason = "OK";
    std::string body;
};

class ReceptionSession {
public:
    explicit ReceptionSession(Options options);

    HttpReply Handle(std::string_view body);

    // One line per request: the type, the request's numbers and return codes,
    // whether its hash was right and the fault applied.
    const std::vector<std::string>& Log() const { return log_; }
    const std::string& ReceivedHeader() const { return header_; }
    const std::string& ReceivedPackage() const { return package_; }
    const std::string& TransactionId() const { return transactionId_; }

private:
    const Fault* TakeFault(const std::string& step);
    bool Store(std::string& target, std::string_view data, int64_t offset, int64_t total);

    Options options_;
    std::string header_;
    std::string package_;
    std::string transactionId_;
    int transactions_ = 0;
    std::vector<std::string> log_;
};

} // namespace efipserver
