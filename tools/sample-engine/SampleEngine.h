#pragma once
// The sample engine's core, shared by its SOAP and CORBA fronts: serves form
// descriptions, images and files, stores uploads, answers events from the
// scenario, logs every call on one line and decides which fault to inject.
// Thread-safe: the fronts call it from their own threads.
#include "Scenario.h"

#include <atomic>
#include <cstddef>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace sampleengine {

struct EngineOptions {
    std::string formsDir;    // NAME.dfm / NAME.txt descriptions, NAME.png images
    std::string filesDir;    // what GetFile "File"/"BPart"/"Part" serve
    std::string receivedDir; // where SetFile writes
    std::string logFile;     // empty: no log
    std::size_t partSize = 1u << 20;
    std::string serverUserID; // empty: one is made up at start
    Scenario scenario;
    std::vector<Fault> faults; // from the command line, each with a target
};

// What a front sends back. A fault other than kNone replaces the text.
struct Answer {
    std::string text;
    FaultKind fault = FaultKind::kNone;
    std::string faultText;
};

class SampleEngine {
public:
    explicit SampleEngine(EngineOptions options);

    // One call of a front ("soap", "corba"), logged before it is answered as
    // FRONT, ServerUserID, RequestID (both as received; empty over CORBA),
    // the operation and its arguments, separated by tabs.
    // Delays are waited out here (outside the lock); an exit fault ends the
    // process here after the log line is on disk.
    struct Caller {
        std::string front;
        std::string serverUserID;
        std::string requestID;
    };
    Answer Call(const Caller& caller, const std::string& operation, const std::vector<std::string>& args);

    const std::string& ServerUserID() const { return serverUserID_; }
    // 1, 2, 3, ...: one per reply.
    std::string NextRequestID() { return std::to_string(++requestCounter_); }
    std::string State() const;

    // Tabs, CR, LF, backslashes and other control bytes as \t \r \n \\ \xHH.
    static std::string EscapeForLog(const std::string& text);

private:
    std::string ExecuteEvent(const std::vector<std::string>& args, std::vector<Fault>& faults);
    std::string GetFile(const std::string& name, const std::string& type, const std::string& path);
    std::string SetFile(const std::string& data, const std::string& type, const std::string& path);
    void Log(const Caller& caller, const std::string& operation, const std::vector<std::string>& args);

    EngineOptions options_;
    std::string serverUserID_;
    std::atomic<long> requestCounter_ {0};
    mutable std::mutex lock_;
    std::string state_;
    std::ofstream log_;
    std::map<std::string, std::uint64_t> downloads_; // server path -> bytes handed out
};

// A server path from the engine's partner ("\" or "/", relative) inside root;
// empty for a path that is empty, absolute after all, or steps out with "..",
// or that passes through a symbolic link below root.
std::string PathUnder(const std::string& root, const std::string& serverPath);

} // namespace sampleengine
