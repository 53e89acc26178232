#pragma once
// The program's start-up state: which engine to reach and how, and the local
// server program or service that this client starts beside it and stops again.
#include <exception>
#include <string>
#include <vector>

namespace u3 {
class ServiceManager;
}

namespace client {

// The first program parameter, or "APPL=" + the local server program when the
// engine runs on this machine.
extern std::string LaunchString;
// The launch string's "GUIEngine=" field; "GUIEngine" without one.
extern std::string EngineName;
extern bool UseCORBA;
extern int ConnectRetries;
// No connection-lost message and no splash.
extern bool Silent;
// The local server program (the "SERVICE=" or "APPL=" field), as found.
extern std::string LocalServerPath;
// Whether this client started the local server, as a service or as a program.
extern bool ServiceStarted;
extern bool ProgramStarted;

inline constexpr const char* kDefaultEngineName = "GUIEngine";
inline constexpr const char* kDefaultServerNotFoundText = "Connection to server lost. Please close and retry.";

// LaunchString := the first parameter; EngineName := its "GUIEngine=" field.
void ReadEngineName(const std::vector<std::string>& params);

// Whether the parameters ask for a client without messages: one of them is
// "-silent", or there are two and the second asks for "accessrights=hi".
bool SilentParameters(const std::vector<std::string>& params);

// Reads the server address, the transport and the retry count from the launch
// string and the INI file (setting OrbBindAddr, ServerHost, ServerPort), and
// starts the local server when the engine runs on this machine. services is
// where a "SERVICE=" server is started; null starts none. Failures to start
// are logged and leave the server not started.
void ReadConnectionSettings(const std::vector<std::string>& params, u3::ServiceManager* services);

// Stops what ReadConnectionSettings started and waits up to 5 x 5 s (on the
// poll clock) until the program is no longer running. Never throws.
void StopLocalEngine(u3::ServiceManager* services);

// Registers StopLocalEngine as a step that a lost engine link still runs;
// -1 when nothing was started, so there is nothing to stop.
int AddLocalEngineEndStep(u3::ServiceManager* services);

// The start language from [Common] "Default language" (English when empty),
// then the local translation and dictionary. Never throws.
void LoadLanguageSettings();
// Sets the language of a two-letter code up from scratch (the empty code is
// English, an unknown one the default-text column): the local translation, its
// dictionary read anew, and the connection-lost text in that language.
void SetUpLanguage(const std::string& code);

// A program name as this machine has it: a name without folder lies beside the
// client; a name ending in ".exe" is found with or without that suffix. Empty
// when no such file exists.
std::string FindLocalProgram(const std::string& name);

// The process's command line as the engine expects it: the program path and
// the parameters, separated by blanks, each one that holds a blank quoted.
std::string ClientCommandLine(const std::vector<std::string>& params);
// The program's folder without a trailing "/".
std::string ClientDirectory();

// A line in the main log at the start-up's level, and the message of a caught
// exception for it.
void StartUpLog(const std::string& text);
std::string ErrorText(const std::exception_ptr& error);

} // namespace client
