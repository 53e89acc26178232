#include "Scenario.h"

#include "u3/StrLib.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

namespace sampleengine {
namespace {

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> out;
    std::istringstream in(line);
    std::string word;
    while (in >> word)
        out.push_back(word);
    return out;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

[[noreturn]] void Fail(int line, const std::string& what)
{
    throw ScenarioError("scenario line " + std::to_string(line) + ": " + what);
}

bool IsFaultLine(const std::string& trimmed)
{
    if (trimmed.size() < 6 || !u3::SameText(trimmed.substr(0, 5), "fault") || (trimmed[5] != ' ' && trimmed[5] != '\t'))
        return false;
    const std::string rest = u3::Trim(trimmed.substr(5));
    return !rest.empty() && rest[0] != '=';
}

bool IsRowsLine(const std::string& trimmed)
{
    return trimmed.size() > 5 && u3::SameText(trimmed.substr(0, 4), "rows") && (trimmed[4] == ' ' || trimmed[4] == '\t') &&
           u3::Trim(trimmed.substr(4)).compare(0, 1, "=") != 0;
}

bool ReadTotal(const std::string& text, int64_t& total)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), total);
    return ec == std::errc() && end == text.data() + text.size() && total >= 0;
}

int64_t RequestNumber(const std::map<std::string, std::string>& request, const std::string& name)
{
    const auto found = request.find(u3::UpperCase(name));
    int64_t value = 0;
    if (found == request.end() || !ReadTotal(u3::Trim(found->second), value))
        return 0;
    return value;
}

} // namespace

Fault ParseFault(const std::string& text)
{
    Fault fault;
    std::string body = u3::Trim(text);
    const std::size_t at = body.find('@');
    if (at != std::string::npos) {
        fault.target = u3::Trim(body.substr(at + 1));
        body = u3::Trim(body.substr(0, at));
        if (fault.target.empty())
            throw std::invalid_argument("fault without target after '@': " + text);
    }
    std::string kind = body;
    const std::size_t colon = body.find(':');
    if (colon != std::string::npos) {
        kind = body.substr(0, colon);
        fault.arg = body.substr(colon + 1);
    }
    static const std::pair<const char*, FaultKind> kinds[] = {
        {"delay", FaultKind::kDelay},       {"drop", FaultKind::kDrop},
        {"exit", FaultKind::kExit},         {"fault500", FaultKind::kFault500},
        {"fault200", FaultKind::kFault200}, {"garbage", FaultKind::kGarbage},
    };
    for (const auto& [name, value] : kinds)
        if (u3::SameText(kind, name))
            fault.kind = value;
    if (fault.kind == FaultKind::kNone)
        throw std::invalid_argument("unknown fault kind: " + text);
    if (fault.kind == FaultKind::kDelay) {
        int ms = -1;
        const auto [end, ec] = std::from_chars(fault.arg.data(), fault.arg.data() + fault.arg.size(), ms);
        if (ec != std::errc() || end != fault.arg.data() + fault.arg.size() || ms < 0)
            throw std::invalid_argument("delay needs milliseconds: " + text);
    }
    if ((fault.kind == FaultKind::kFault500 || fault.kind == FaultKind::kFault200) && fault.arg.empty())
        fault.arg = "Server error";
    return fault;
}

std::string FaultKindName(FaultKind kind)
{
    switch (kind) {
    case FaultKind::kNone: return "none";
    case FaultKind::kDelay: return "delay";
    case FaultKind::kDrop: return "drop";
    case FaultKind::kExit: return "exit";
    case FaultKind::kFault500: return "fault500";
    case FaultKind::kFault200: return "fault200";
    case FaultKind::kGarbage: return "garbage";
    }
    return "none";
}

Scenario Scenario::Parse(const std::string& text)
{
    Scenario scenario;
    Rule* open = nullptr;
    int number = 0;
    for (const std::string& raw : SplitLines(text)) {
        ++number;
        const std::string line = u3::Trim(raw);
        if (line.empty() || line[0] == '#')
            continue;
        if (open) {
            if (u3::SameText(line, "end")) {
                open = nullptr;
            } else if (IsFaultLine(line)) {
                Fault fault;
                try {
                    fault = ParseFault(line.substr(5));
                } catch (const std::invalid_argument& e) {
                    Fail(number, e.what());
                }
                if (!fault.target.empty())
                    Fail(number, "a fault inside a rule has no target");
                open->faults.push_back(fault);
            } else if (IsRowsLine(line)) {
                // rows NAME TOTAL = TEMPLATE
                const std::size_t eq = line.find('=');
                const std::vector<std::string> head = eq == std::string::npos ? std::vector<std::string> {}
                                                                               : Words(line.substr(0, eq));
                RowsEntry rows;
                if (head.size() != 3 || !ReadTotal(head[2], rows.total))
                    Fail(number, "expected 'rows NAME TOTAL = TEMPLATE'");
                rows.name = head[1];
                rows.rowTemplate = u3::Trim(line.substr(eq + 1));
                rows.position = open->entries.size() + open->rows.size();
                open->rows.push_back(std::move(rows));
            } else {
                const std::size_t eq = line.find('=');
                if (eq == std::string::npos || u3::Trim(line.substr(0, eq)).empty())
                    Fail(number, "expected 'Name = Value', 'fault ...' or 'end'");
                std::string value = u3::Trim(line.substr(eq + 1));
                open->entries.emplace_back(u3::Trim(line.substr(0, eq)), value.empty() ? "snil" : value);
            }
            continue;
        }
        const std::vector<std::string> words = Words(line);
        if (u3::SameText(words[0], "start")) {
            if (words.size() != 2)
                Fail(number, "expected 'start STATE'");
            scenario.startState = words[1];
        } else if (u3::SameText(words[0], "fault")) {
            Fault fault;
            try {
                fault = ParseFault(line.substr(5));
            } catch (const std::invalid_argument& e) {
                Fail(number, e.what());
            }
            if (fault.target.empty())
                Fail(number, "a fault outside a rule needs '@TARGET'");
            scenario.faults.push_back(fault);
        } else if (u3::SameText(words[0], "on")) {
            if (words.size() < 2 || words.size() % 2 != 0)
                Fail(number, "expected 'on EVENT [from SENDER] [when STATE] [goto STATE]'");
            Rule rule;
            rule.event = words[1];
            rule.line = number;
            for (std::size_t i = 2; i < words.size(); i += 2) {
                if (u3::SameText(words[i], "from"))
                    rule.sender = words[i + 1];
                else if (u3::SameText(words[i], "when"))
                    rule.state = words[i + 1];
                else if (u3::SameText(words[i], "goto"))
                    rule.next = words[i + 1];
                else
                    Fail(number, "unknown rule condition '" + words[i] + "'");
            }
            scenario.rules.push_back(std::move(rule));
            open = &scenario.rules.back();
        } else {
            Fail(number, "expected 'on', 'start' or 'fault'");
        }
    }
    if (open)
        Fail(open->line, "rule without 'end'");
    return scenario;
}

Scenario Scenario::Load(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        throw ScenarioError("cannot read scenario " + fileName);
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str());
}

const Rule* Scenario::Find(const std::string& event, const std::string& sender, const std::string& state) const
{
    for (const Rule& rule : rules) {
        if (!u3::SameText(rule.event, event))
            continue;
        if (!rule.sender.empty() && !u3::SameText(rule.sender, sender))
            continue;
        if (!rule.state.empty() && rule.state != state)
            continue;
        return &rule;
    }
    return nullptr;
}

std::map<std::string, std::string> RequestEntries(const std::string& requestText)
{
    std::map<std::string, std::string> entries;
    const std::vector<std::string> lines = SplitLines(requestText);
    std::size_t i = lines.empty() ? 0 : 1; // past "{"
    while (i < lines.size() && u3::Trim(lines[i]) != "}") {
        if (lines[i] == ";") {
            ++i;
            continue;
        }
        const std::string value = i + 1 < lines.size() ? lines[i + 1] : std::string();
        entries[u3::UpperCase(lines[i])] = value == "snil" ? std::string() : value;
        i += 2;
    }
    return entries;
}

std::string BuildReply(const std::vector<std::pair<std::string, std::string>>& entries,
                       const std::map<std::string, std::string>& request)
{
    if (entries.empty())
        return "";
    std::string reply = "{\r\n;\r\n";
    for (const auto& [name, value] : entries) {
        std::string line;
        std::size_t pos = 0;
        while (pos < value.size()) {
            const std::size_t open = value.find("${", pos);
            const std::size_t close = open == std::string::npos ? open : value.find('}', open + 2);
            if (close == std::string::npos) {
                line += value.substr(pos);
                break;
            }
            line += value.substr(pos, open - pos);
            const auto found = request.find(u3::UpperCase(value.substr(open + 2, close - open - 2)));
            if (found != request.end())
                line += found->second;
            pos = close + 1;
        }
        if (line.empty())
            line = "snil";
        reply += name + "\r\n" + line + "\r\n;\r\n";
    }
    return reply + "}\r\n";
}

std::string BuildRows(const RowsEntry& rows, const std::map<std::string, std::string>& request)
{
    const int64_t begin = RequestNumber(request, "BeginRow");
    const int64_t end = std::min(rows.total, begin + RequestNumber(request, "Count"));
    const std::string& t = rows.rowTemplate;
    std::string out;
    for (int64_t i = begin; i < end; ++i) {
        for (std::size_t pos = 0; pos < t.size(); ++pos) {
            const char c = t[pos];
            const char next = pos + 1 < t.size() ? t[pos + 1] : '\0';
            if (c != '%' || next == '\0') {
                out += c;
            } else if (next == 'n') {
                out += std::to_string(i + 1);
                ++pos;
            } else if (next == 'i') {
                out += std::to_string(i);
                ++pos;
            } else if (next == 'd') {
                out += std::to_string(rows.total - i);
                ++pos;
            } else if (next == '%') {
                out += '%';
                ++pos;
            } else if (next == '(' && t.find(')', pos) != std::string::npos) {
                const std::size_t close = t.find(')', pos);
                std::vector<std::string> choices;
                std::size_t start = pos + 2;
                for (;;) {
                    const std::size_t slash = t.find('/', start);
                    if (slash == std::string::npos || slash > close) {
                        choices.push_back(t.substr(start, close - start));
                        break;
                    }
                    choices.push_back(t.substr(start, slash - start));
                    start = slash + 1;
                }
                out += choices[static_cast<std::size_t>(i) % choices.size()];
                pos = close;
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::string BuildRuleReply(const Rule& rule, const std::map<std::string, std::string>& request)
{
    std::vector<std::pair<std::string, std::string>> entries = rule.entries;
    for (const RowsEntry& rows : rule.rows) {
        const std::size_t at = std::min(rows.position, entries.size());
        entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(at), {rows.name, BuildRows(rows, request)});
    }
    // No rows (a request past the end) go out as "snil", like any empty value.
    return BuildReply(entries, request);
}

} // namespace sampleengine
