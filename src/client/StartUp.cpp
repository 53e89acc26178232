#include "client/StartUp.h"

#include "client/FrmIP.h"
#include "multilang/ClientTranslation.h"
#include "multilang/LanguageTable.h"
#include "u3/CommandLine.h"
#include "u3/Files.h"
#include "u3/IniFile.h"
#include "u3/LocalServer.h"
#include "u3/Logger.h"
#include "u3/PollClock.h"
#include "u3/ProcUtils.h"
#include "u3/ProgramEnd.h"
#include "u3/ServUtils.h"
#include "u3/StrLib.h"
#include "u3/SystemInfo.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <exception>

namespace client {

std::string LaunchString;
std::string EngineName;
bool UseCORBA = false;
int ConnectRetries = 5;
bool Silent = false;
std::string LocalServerPath;
bool ServiceStarted = false;
bool ProgramStarted = false;

namespace {

constexpr const char* kFieldSeparator = "||";
constexpr const char* kDefaultCorbaAddress = "inet:localhost:11000";
constexpr const char* kDefaultSoapAddress = "inet:localhost:21000";
// The local server's service needs the database service that it works on.
constexpr const char* kServerDatabaseService = "FirebirdServerVesk";
// The server is given five times five seconds to end after the stop request,
// but it usually ends within a moment, so it is looked at far more often.
constexpr std::chrono::milliseconds kStopWait {5 * 5000};
constexpr std::chrono::milliseconds kStopCheckInterval {100};

std::string FirstParam(const std::vector<std::string>& params)
{
    return params.empty() ? std::string() : params.front();
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

bool IsRegularFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsExecutableFile(const std::string& path)
{
    return IsRegularFile(path) && ::access(path.c_str(), X_OK) == 0;
}

bool HasExeSuffix(const std::string& name)
{
    return name.size() > 4 && u3::SameText(name.substr(name.size() - 4), ".exe");
}


// The SOAP transport takes the host and port from the "ORBBINDADDR=" field of
// the launch string as it was given, even where the INI address replaced it.
// Only that field is read: other fields ("APPL=/srv/x:1") hold colons too.
void TakeSoapAddressFromLaunchString(const std::string& firstParam)
{
    const std::string upper = u3::UpperCase(firstParam);
    if (!Contains(upper, "GUIENGINE="))
        return;
    const std::string key = "ORBBINDADDR=";
    const auto keyAt = upper.find(key);
    if (keyAt == std::string::npos)
        return;
    const auto start = keyAt + key.size();
    const auto end = firstParam.find(kFieldSeparator, start);
    const std::string field = firstParam.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const std::string scheme = "INET:";
    if (u3::UpperCase(field.substr(0, scheme.size())) != scheme)
        return;
    const std::string address = field.substr(scheme.size());
    const auto colon = address.find(':');
    ServerHost = address.substr(0, colon);
    if (colon != std::string::npos)
        ServerPort = address.substr(address.rfind(':') + 1);
}

void StartLocalServer(const std::vector<std::string>& params, u3::ServiceManager* services)
{
    const std::string upper = u3::UpperCase(LaunchString);
    if (Contains(upper, "SERVICE=")) {
        const std::string named = u3::TextBetween("SERVICE=", kFieldSeparator, LaunchString);
        LocalServerPath = FindLocalProgram(named);
        if (LocalServerPath.empty()) {
            LocalServerPath = named;
            return;
        }
        if (!services || !IsExecutableFile(LocalServerPath))
            return;
        const std::string name = u3::GetServiceName(LocalServerPath);
        ServiceStarted = u3::StartService(*services, name, u3::GetServiceDisplayName(LocalServerPath), LocalServerPath,
                                          u3::GetServiceStartType(*services, name), false, {kServerDatabaseService});
        if (ServiceStarted)
            StartUpLog("Local server service " + name + " started");
    } else if (Contains(upper, "APPL=")) {
        const std::string named = u3::TextBetween("APPL=", kFieldSeparator, LaunchString);
        LocalServerPath = FindLocalProgram(named);
        if (LocalServerPath.empty()) {
            LocalServerPath = named;
            return;
        }
        ProgramStarted = u3::StartProcessHidden(LocalServerPath, "/a", !params.empty());
        if (ProgramStarted)
            StartUpLog("Local server program " + LocalServerPath + " started");
    }
}

} // namespace

void ReadEngineName(const std::vector<std::string>& params)
{
    LaunchString = FirstParam(params);
    EngineName = u3::TextBetweenDef("GUIEngine=", kFieldSeparator, LaunchString, kDefaultEngineName);
}

bool SilentParameters(const std::vector<std::string>& params)
{
    for (const std::string& param : params) {
        if (u3::SameText(param, "-silent"))
            return true;
    }
    return params.size() == 2 && Contains(u3::UpperCase(params[1]), "ACCESSRIGHTS=HI");
}

void ReadConnectionSettings(const std::vector<std::string>& params, u3::ServiceManager* services)
{
    LaunchString = FirstParam(params);
    OrbBindAddr = u3::TextBetweenDef("ORBBINDADDR=", kFieldSeparator, LaunchString, kDefaultCorbaAddress);

    const u3::IniFile ini(ProgramIniFileName());
    UseCORBA = ini.ReadInteger("Common", "CORBA", 1) == 1;
    ConnectRetries = ini.ReadInteger("Common", "RetryConnect", 5);
    const std::string fmExeName = ini.ReadString("Location", "FMExeName", "Tolmfm.exe");

    if (u3::SameText(OrbBindAddr, kDefaultCorbaAddress)) {
        OrbBindAddr = UseCORBA ? ini.ReadString("CORBA", "ORBBINDADDR", kDefaultCorbaAddress)
                               : ini.ReadString("SOAP", "ORBBINDADDR", kDefaultSoapAddress);
    }

    ServerHost = u3::TextBetweenDef("inet:", ":", OrbBindAddr, "localhost");
    const auto hostAt = OrbBindAddr.find(ServerHost + ":");
    ServerPort = hostAt == std::string::npos ? std::string() : OrbBindAddr.substr(hostAt + ServerHost.size() + 1);

    const bool localHost = u3::SameText(ServerHost, "localhost") || u3::SameText(ServerHost, u3::HostAddress());
    if (localHost && u3::SameText(EngineName, kDefaultEngineName))
        LaunchString = "APPL=" + fmExeName;

    ServiceStarted = false;
    ProgramStarted = false;
    try {
        StartLocalServer(params, services);
    } catch (...) {
        // The engine may run anyway (started by hand or by another client):
        // the connect loop tells.
        StartUpLog("Local server not started: " + ErrorText(std::current_exception()));
    }

    if (!UseCORBA)
        TakeSoapAddressFromLaunchString(FirstParam(params));
}

void StopLocalEngine(u3::ServiceManager* services)
{
    try {
        if (ServiceStarted) {
            if (services)
                u3::StopService(*services, u3::GetServiceName(LocalServerPath));
        } else if (ProgramStarted) {
            u3::StartCommandLine(u3::JoinCommandLine({LocalServerPath, "/s"}));
        }
        if (!ServiceStarted && !ProgramStarted)
            return;
        u3::PollClock& clock = u3::CurrentPollClock();
        const auto deadline = clock.Now() + kStopWait;
        for (;;) {
            if (u3::FindRunningProcess(LocalServerPath) == 0) {
                StartUpLog("Local server " + LocalServerPath + " stopped");
                return;
            }
            if (clock.Now() >= deadline)
                break;
            clock.Sleep(kStopCheckInterval);
        }
        StartUpLog("Local server " + LocalServerPath + " still runs after the stop request");
    } catch (...) {
        StartUpLog("Stopping the local server failed: " + ErrorText(std::current_exception()));
    }
}

int AddLocalEngineEndStep(u3::ServiceManager* services)
{
    if (!ServiceStarted && !ProgramStarted)
        return -1;
    return u3::AddProgramEndStep("stop the local server", [services] { StopLocalEngine(services); });
}

void SetUpLanguage(const std::string& code)
{
    multilang::DoneMultiLanguage();
    multilang::StartLanguageTable();
    const uint8_t number = multilang::LanguageNumberByCode(code);
    multilang::CurrentLanguage = number == 0 ? multilang::EnglishNumber : number;
    u3::SetServerNotFoundText(multilang::SetUpLocalTranslation());
}

void LoadLanguageSettings()
{
    try {
        SetUpLanguage(u3::IniFile(ProgramIniFileName()).ReadString("Common", "Default language", ""));
    } catch (...) {
        StartUpLog("Language settings not loaded: " + ErrorText(std::current_exception()));
    }
}

std::string FindLocalProgram(const std::string& name)
{
    if (name.empty())
        return {};
    const std::string path = name.find('/') != std::string::npos
        ? name
        : u3::AppendPathDelimiter(ClientDirectory()) + name;
    if (IsRegularFile(path))
        return path;
    if (HasExeSuffix(path)) {
        const std::string bare = path.substr(0, path.size() - 4);
        if (IsRegularFile(bare))
            return bare;
    }
    return {};
}

std::string ClientCommandLine(const std::vector<std::string>& params)
{
    std::string line;
    auto append = [&line](const std::string& part) {
        if (!line.empty())
            line += ' ';
        if (Contains(part, " "))
            line += '"' + part + '"';
        else
            line += part;
    };
    append(u3::GetExeName());
    for (const std::string& param : params)
        append(param);
    return line;
}

std::string ClientDirectory()
{
    std::string folder = u3::ExtractFilePathAny(u3::GetExeName());
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
        folder.pop_back();
    return folder;
}

void StartUpLog(const std::string& text)
{
    u3::ApplicationLogger().Log(2, text);
}

std::string ErrorText(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}

} // namespace client
