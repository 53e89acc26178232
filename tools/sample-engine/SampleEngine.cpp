#include "SampleEngine.h"

#include "u3/Base64.h"
#include "u3/StrLib.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace sampleengine {
namespace {

std::string ReadFile(const std::string& path, bool& ok)
{
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    if (!ok)
        return {};
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool IsRegularFile(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A form or image name is one plain file name: no folders, no "..".
bool IsPlainName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string MadeUpUserID()
{
    std::random_device device;
    char text[32];
    std::snprintf(text, sizeof text, "SE%08X%08X", device(), device());
    return text;
}

bool FaultMatches(const Fault& fault, const std::string& key)
{
    return fault.target == "*" || u3::SameText(fault.target, key);
}

} // namespace

std::string PathUnder(const std::string& root, const std::string& serverPath)
{
    if (root.empty())
        return {};
    std::string path = root;
    std::string component;
    bool any = false;
    const std::string text = serverPath + "/";
    for (char ch : text) {
        if (ch != '/' && ch != '\\') {
            component += ch;
            continue;
        }
        if (component.empty() || component == ".") {
            component.clear();
            continue;
        }
        if (component == ".." || component.find('\0') != std::string::npos)
            return {};
        path += "/" + component;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            return {};
        component.clear();
        any = true;
    }
    return any ? path : std::string();
}

SampleEngine::SampleEngine(EngineOptions options) : options_(std::move(options))
{
    serverUserID_ = options_.serverUserID.empty() ? MadeUpUserID() : options_.serverUserID;
    state_ = options_.scenario.startState;
    if (options_.partSize == 0)
        options_.partSize = 1;
    if (!options_.logFile.empty()) {
        log_.open(options_.logFile, std::ios::binary | std::ios::app);
        if (!log_)
            throw std::runtime_error("cannot write the log " + options_.logFile);
    }
}

std::string SampleEngine::State() const
{
    std::lock_guard guard(lock_);
    return state_;
}

std::string SampleEngine::EscapeForLog(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (unsigned char ch : text) {
        switch (ch) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default:
            if (ch < 0x20 || ch == 0x7F) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", ch);
                out += hex;
            } else {
                out += static_cast<char>(ch);
            }
        }
    }
    return out;
}

void SampleEngine::Log(const Caller& caller, const std::string& operation, const std::vector<std::string>& args)
{
    if (!log_.is_open())
        return;
    std::string line = caller.front + "\t" + EscapeForLog(caller.serverUserID) + "\t" +
                       EscapeForLog(caller.requestID) + "\t" + operation;
    for (const std::string& arg : args)
        line += "\t" + EscapeForLog(arg);
    line += "\n";
    log_ << line;
    log_.flush();
}

Answer SampleEngine::Call(const Caller& caller, const std::string& operation, const std::vector<std::string>& args)
{
    Answer answer;
    std::vector<Fault> faults;
    {
        std::lock_guard guard(lock_);
        Log(caller, operation, args);
        const auto arg = [&](std::size_t i) { return i < args.size() ? args[i] : std::string(); };
        const std::string key = operation == "ExecuteEvent" ? arg(3) : operation;
        if (operation == "ExecuteEvent")
            answer.text = ExecuteEvent(args, faults);
        else if (operation == "GetFile")
            answer.text = GetFile(arg(0), arg(1), arg(2));
        else if (operation == "SetFile")
            answer.text = SetFile(arg(0), arg(1), arg(2));
        for (const Fault& fault : options_.scenario.faults)
            if (FaultMatches(fault, key))
                faults.push_back(fault);
        for (const Fault& fault : options_.faults)
            if (FaultMatches(fault, key))
                faults.push_back(fault);
    }
    for (const Fault& fault : faults) {
        if (fault.kind == FaultKind::kDelay) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(fault.arg)));
        } else if (fault.kind == FaultKind::kExit) {
            std::fflush(nullptr);
            ::_exit(3);
        } else if (answer.fault == FaultKind::kNone) {
            answer.fault = fault.kind;
            answer.faultText = fault.arg;
        }
    }
    return answer;
}

std::string SampleEngine::ExecuteEvent(const std::vector<std::string>& args, std::vector<Fault>& faults)
{
    const std::string sender = args.size() > 1 ? args[1] : std::string();
    const std::string event = args.size() > 3 ? args[3] : std::string();
    const Rule* rule = options_.scenario.Find(event, sender, state_);
    if (!rule)
        return "";
    faults = rule->faults;
    if (!rule->next.empty())
        state_ = rule->next;
    return BuildRuleReply(*rule, RequestEntries(args.size() > 4 ? args[4] : std::string()));
}

std::string SampleEngine::GetFile(const std::string& name, const std::string& type, const std::string& path)
{
    bool ok = false;
    if (type == "Form") {
        if (!IsPlainName(name) || options_.formsDir.empty())
            return "snil";
        for (const char* extension : {".dfm", ".txt"}) {
            const std::string file = options_.formsDir + "/" + name + extension;
            if (!IsRegularFile(file))
                continue;
            std::string text = ReadFile(file, ok);
            if (ok)
                return text;
        }
        return "snil";
    }
    if (type == "Image") {
        if (!IsPlainName(name) || options_.formsDir.empty())
            return "snil";
        for (const std::string& file : {options_.formsDir + "/" + name, options_.formsDir + "/" + name + ".png"}) {
            if (!IsRegularFile(file))
                continue;
            std::string bytes = ReadFile(file, ok);
            if (ok)
                return u3::StringToBase64(bytes);
        }
        return "snil";
    }
    const std::string file = PathUnder(options_.filesDir, path);
    if (type == "File") {
        if (!IsRegularFile(file))
            return "snil";
        const std::string bytes = ReadFile(file, ok);
        return ok ? u3::StringToBase64(bytes) : "snil";
    }
    if (type == "BPart" || type == "Part") {
        if (type == "BPart")
            downloads_.erase(path);
        if (!IsRegularFile(file))
            return "snil";
        const auto known = downloads_.find(path);
        if (type == "Part" && known == downloads_.end())
            return "snil";
        const std::uint64_t offset = type == "BPart" ? 0 : known->second;
        std::ifstream in(file, std::ios::binary);
        if (!in)
            return "snil";
        in.seekg(0, std::ios::end);
        const std::uint64_t size = static_cast<std::uint64_t>(in.tellg());
        if (type == "BPart" && size == 0)
            return "sizezero";
        if (offset >= size) {
            downloads_.erase(path);
            return "snil";
        }
        const std::uint64_t count = std::min<std::uint64_t>(options_.partSize, size - offset);
        std::string part(static_cast<std::size_t>(count), '\0');
        in.seekg(static_cast<std::streamoff>(offset));
        in.read(part.data(), static_cast<std::streamsize>(count));
        if (!in)
            return "snil";
        downloads_[path] = offset + count;
        return u3::StringToBase64(part);
    }
    return "snil";
}

std::string SampleEngine::SetFile(const std::string& data, const std::string& type, const std::string& path)
{
    if (type != "File" && type != "PartStart" && type != "Part" && type != "PartEnd")
        return "ERROR";
    // A missing local file arrives as "snil": nothing to keep.
    if (type == "File" && data == "snil")
        return "snil";
    const std::string file = PathUnder(options_.receivedDir, path);
    if (file.empty())
        return "ERROR";
    std::string bytes;
    try {
        bytes = u3::Base64ToString(data);
    } catch (const std::exception&) {
        return "ERROR";
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);
    if (PathUnder(options_.receivedDir, path).empty()) // a link made meanwhile
        return "ERROR";
    const bool fresh = type == "File" || type == "PartStart";
    if (!fresh && !IsRegularFile(file))
        return "ERROR";
    std::ofstream out(file, std::ios::binary | (fresh ? std::ios::trunc : std::ios::app));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return out ? "OK" : "ERROR";
}

} // namespace sampleengine
