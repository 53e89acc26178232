#include "u3/SystemdUnit.h"
#include "u3/StrLib.h"

#include <cstdio>
#include <vector>

namespace u3 {
namespace {

const std::string kServiceSuffix = ".service";

bool IsUnitNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-'
        || c == '.' || c == ':' || c == '@';
}

// Specifiers (%) would be expanded; line breaks would end the setting.
std::string EscapeValue(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '%')
            out += "%%";
        else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            out += ' ';
        else
            out += c;
    }
    return out;
}

std::string UnescapeValue(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%')
            ++i;
    }
    return out;
}


// The first argument of an ExecStart value as EscapeSystemdArgument wrote it.
std::string UnescapeArgument(const std::string& text)
{
    std::string out;
    size_t i = 0;
    const bool quoted = !text.empty() && text[0] == '"';
    if (quoted)
        ++i;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted && c == '"')
            break;
        if (!quoted && (c == ' ' || c == '\t'))
            break;
        if ((c == '%' || c == '$') && i + 1 < text.size() && text[i + 1] == c) {
            out += c;
            ++i;
        } else if (c == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            if (next == 'x' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 && HexDigitValue(text[i + 2]) >= 0) {
                out += static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
                i += 2;
            } else {
                out += next;
            }
        } else {
            out += c;
        }
    }
    return out;
}

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::string DependencyList(const std::vector<std::string>& dependencies)
{
    std::string out;
    for (const auto& dep : dependencies) {
        if (!IsValidUnitName(dep))
            continue;
        out += (out.empty() ? "" : " ") + dep + kServiceSuffix;
    }
    return out;
}

} // namespace

bool IsValidUnitName(const std::string& name)
{
    if (name.empty() || name.size() > 200 || name == "." || name == "..")
        return false;
    for (char c : name) {
        if (!IsUnitNameChar(c))
            return false;
    }
    return true;
}

std::string EscapeSystemdArgument(const std::string& argument)
{
    std::string out = "\"";
    for (char c : argument) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '%' || c == '$') {
            out += c;
            out += c;
        } else if (byte < 0x20 || byte == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof(hex), "\\x%02x", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

std::string SystemdUnitText(const ServiceConfig& config, bool restartOnFailure)
{
    std::string text = "[Unit]\n";
    text += "Description=" + EscapeValue(config.DisplayName) + "\n";
    const std::string deps = DependencyList(config.Dependencies);
    if (!deps.empty()) {
        // Wants, not Requires: a dependency that fails must not stop the server.
        text += "Wants=" + deps + "\n";
        text += "After=" + deps + "\n";
    }
    if (restartOnFailure) {
        text += "StartLimitIntervalSec=86400\n";
        text += "StartLimitBurst=3\n";
    }
    if (config.StartType == 4)
        text += "RefuseManualStart=yes\n";
    text += "\n[Service]\n";
    text += "Type=simple\n";
    text += "ExecStart=" + EscapeSystemdArgument(config.ProgramPath) + "\n";
    if (restartOnFailure) {
        text += "Restart=on-failure\n";
        text += "RestartSec=0\n";
    }
    if (config.StartType == 2)
        text += "\n[Install]\nWantedBy=default.target\n";
    return text;
}

bool ParseSystemdUnit(const std::string& text, ServiceConfig& config, bool& restartOnFailure)
{
    ServiceConfig parsed;
    parsed.StartType = 3;
    bool restart = false;
    bool haveExec = false;
    std::string section;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        if (section == "Unit" && key == "Description") {
            parsed.DisplayName = UnescapeValue(value);
        } else if (section == "Unit" && key == "Wants") {
            size_t pos = 0;
            while (pos < value.size()) {
                size_t next = value.find(' ', pos);
                if (next == std::string::npos)
                    next = value.size();
                std::string dep = value.substr(pos, next - pos);
                if (dep.size() > kServiceSuffix.size()
                    && dep.compare(dep.size() - kServiceSuffix.size(), kServiceSuffix.size(), kServiceSuffix) == 0)
                    dep.resize(dep.size() - kServiceSuffix.size());
                if (!dep.empty())
                    parsed.Dependencies.push_back(dep);
                pos = next + 1;
            }
        } else if (section == "Unit" && key == "RefuseManualStart" && value == "yes") {
            parsed.StartType = 4;
        } else if (section == "Service" && key == "ExecStart") {
            parsed.ProgramPath = UnescapeArgument(value);
            haveExec = true;
        } else if (section == "Service" && key == "Restart" && value == "on-failure") {
            restart = true;
        } else if (section == "Install" && key == "WantedBy" && value == "default.target" && parsed.StartType != 4) {
            parsed.StartType = 2;
        }
    }
    if (!haveExec)
        return false;
    config = parsed;
    restartOnFailure = restart;
    return true;
}

} // namespace u3
