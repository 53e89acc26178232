#pragma once
// INI files with Windows profile semantics: sections and keys compared without
// regard to case, values trimmed of surrounding blanks with one pair of
// enclosing quotes removed, every other line kept as it was when writing.
#include <string>
#include <vector>

namespace u3 {

class IniFile {
public:
    // Reads fileName when it exists; a missing file is an empty INI.
    explicit IniFile(std::string fileName);

    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue) const;
    int ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const;
    bool ValueExists(const std::string& section, const std::string& ident) const;
    std::vector<std::string> ReadSection(const std::string& section) const; // key names
    std::vector<std::string> ReadSections() const;

    // Changes are written to the file at once; false when it cannot be written.
    bool WriteString(const std::string& section, const std::string& ident, const std::string& value);
    bool EraseSection(const std::string& section);
    bool DeleteKey(const std::string& section, const std::string& ident);

    const std::string& FileName() const { return fileName_; }

private:
    // Saves lines and, when that worked, makes them the current content.
    bool Commit(std::vector<std::string> lines);
    bool Save(const std::string& text) const;

    std::string fileName_;
    std::vector<std::string> lines_;
};

} // namespace u3
