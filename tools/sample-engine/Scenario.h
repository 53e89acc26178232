#pragma once
// The scenario of the sample engine: rules that answer ExecuteEvent by event
// name (and optionally sender and state), and faults to inject by call. The
// text format is described in README.md beside this file.
#include <cstddef>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace sampleengine {

enum class FaultKind {
    kNone,
    kDelay,     // answer after a pause of arg milliseconds
    kDrop,      // close the connection without a reply
    kExit,      // end the whole process without a reply
    kFault500,  // SOAP fault with HTTP status 500 (arg: the fault string)
    kFault200,  // SOAP fault with HTTP status 200 (arg: the fault string)
    kGarbage,   // a reply that is no SOAP envelope
};

struct Fault {
    FaultKind kind = FaultKind::kNone;
    std::string arg;
    // An event name for ExecuteEvent, or an operation name ("GetFile",
    // "Connect", ...); "*" matches every call. Empty inside a rule.
    std::string target;
};

// "KIND[:ARG][@TARGET]"; throws std::invalid_argument for anything else.
Fault ParseFault(const std::string& text);
std::string FaultKindName(FaultKind kind);

// A reply entry whose value is made of rows of a table: for each row that the
// request's "BeginRow" and "Count" name and that lies below total, the template
// with "%n" (row number from 1), "%i" (row index from 0), "%d" (total - index),
// "%(a/b/c)" (the choices in turn) and "%%" (a percent sign) filled in.
struct RowsEntry {
    std::string name;
    int64_t total = 0;
    std::string rowTemplate;
    std::size_t position = 0; // its place among the rule's entries
};

struct Rule {
    std::string event;  // compared without regard to case
    std::string sender; // empty: any sender
    std::string state;  // empty: any state
    std::string next;   // empty: the state stays
    std::vector<std::pair<std::string, std::string>> entries; // name, value line
    std::vector<RowsEntry> rows;
    std::vector<Fault> faults;
    int line = 0; // where the rule starts, for messages
};

class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Scenario {
    std::string startState;
    std::vector<Rule> rules;
    std::vector<Fault> faults; // file-level faults, each with a target

    // Throws ScenarioError with the line number for malformed text.
    static Scenario Parse(const std::string& text);
    static Scenario Load(const std::string& fileName);

    // The first rule, in file order, for the event, sender and state; null
    // when none matches.
    const Rule* Find(const std::string& event, const std::string& sender, const std::string& state) const;
};

// The name-value entries of a request text (the raw value lines, "snil"
// already read as empty), in order; later entries of a name replace earlier.
std::map<std::string, std::string> RequestEntries(const std::string& requestText);

// A reply text for the entries: "{", ";", then name, value, ";" each, "}",
// CR LF after every line; "" for no entries. "${Name}" in a value becomes the
// request's entry Name (compared without regard to case; missing: empty).
std::string BuildReply(const std::vector<std::pair<std::string, std::string>>& entries,
                       const std::map<std::string, std::string>& request);

// The rows of a rows entry for that request (see RowsEntry).
std::string BuildRows(const RowsEntry& rows, const std::map<std::string, std::string>& request);

// The reply of a rule: its entries with its rows entries in their places.
std::string BuildRuleReply(const Rule& rule, const std::map<std::string, std::string>& request);

} // namespace sampleengine
