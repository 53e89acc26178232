#pragma once
// File and folder routines. Paths are UTF-8; both "\" and "/" are accepted as
// delimiters in paths that come from the engine, and "/" is what we produce.
#include <cstdint>
#include <string>

namespace u3 {

// The value of Ident in Section of the INI file FileName, or Default.
std::string ReadIniString(const std::string& fileName, const std::string& section,
                          const std::string& ident, const std::string& defaultValue);

// The program's own full path (/proc/self/exe unless overridden).
std::string GetExeName();
// Tests and tools may pretend to be another program (empty restores the real one).
void SetExeNameOverride(const std::string& path);

// Where a log file named fileName goes: beside the program when that folder is
// writable, else $XDG_STATE_HOME/<program>/ (created 0700 on demand).
std::string LogFilePath(const std::string& fileName);

bool IsDirectory(const std::string& path);
std::string AppendPathDelimiter(const std::string& path);
// Size from the directory entry; -1 for a missing file or a folder.
int64_t GetFileSize64(const std::string& fileName);
void MoveFileTo(const std::string& source, const std::string& dest);
bool DeleteDirectoryTree(const std::string& dir, bool removeDir);
// A new folder below base; empty when none could be created.
std::string CreateUniqueDirectory(const std::string& base);
std::string NextNumberedFileName(const std::string& templ);
bool HasZipSignature(const std::string& fileName);

} // namespace u3
