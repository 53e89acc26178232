#pragma once
// A list of lines as a published sub-object: the object behind a control's
// Items or Lines property. The control owns it and keeps it in step with its
// widget; writes made through the list reach the control through OnChange.
#include "framework/Object.h"

#include <functional>
#include <string>
#include <vector>

namespace fw {

class TStrings : public TPersistent {
    FW_CLASS()
public:
    TStrings();

    const std::vector<std::string>& Lines() const;
    int32_t GetCount() const;
    // The lines joined by CR LF; written: the lines of the value (breaks may be
    // CR LF, LF or CR; a break at the very end starts no further line).
    std::string GetText() const;
    void SetText(const std::string& value);
    // The lines separated by commas; a line holding a space, control
    // character, comma or double quote stands in double quotes.
    std::string GetCommaText() const;
    void SetCommaText(const std::string& value);
    // Replaces the lines and raises OnChange.
    void SetLines(std::vector<std::string> lines);

    // For the owning control: takes the lines it shows without raising OnChange.
    void Load(std::vector<std::string> lines);
    // Called before the lines are read, so that an owner that updates them
    // lazily can Load them first.
    std::function<void()> OnRefresh;
    // Called after every write through the list; Lines() then holds the new
    // lines.
    std::function<void()> OnChange;

private:
    void Refresh() const;

    std::vector<std::string> lines_;
    bool holdRefresh_ = false;
};

} // namespace fw
