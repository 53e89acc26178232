#pragma once
// The sample engine as a program: command-line options for a foreground run,
// settings from "<program path>.ini" for the local-server start "/a", and the
// stop "/s" of the instance "/a" started.
#include "SampleEngine.h"

#include <string>
#include <vector>

namespace sampleengine {

struct ServerSettings {
    EngineOptions engine;
    std::string host = "127.0.0.1";
    int soapPort = -1;  // -1: no SOAP front
    int corbaPort = -1; // -1: no CORBA front
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// --soap PORT --corba PORT --forms DIR --files DIR --received DIR
// --scenario FILE --log FILE --part-size BYTES --user-id ID --fault FAULT
// (repeatable). Throws UsageError (also for a bad scenario or fault).
ServerSettings ParseCommandLine(const std::vector<std::string>& args);

// [SampleEngine] Forms, Files, Received, Scenario, Log, SoapPort (21000),
// CorbaPort (11000), PartSize, Fault (one fault or several separated by ";");
// relative paths against programDir. A port of -1 turns that front off.
ServerSettings ReadIniSettings(const std::string& iniFile, const std::string& programDir);

// The pid file of the instance that "/a" starts for the program at exePath:
// in a private per-user runtime folder.
std::string PidFileFor(const std::string& exePath);

// The whole program; returns the exit code.
int RunProgram(const std::vector<std::string>& args);

} // namespace sampleengine
