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

// An engine path with "\" delimiters as a local one ("/").
std::string ToLocalPath(const std::string& path);

bool IsDirectory(const std::string& path);
// Path with "/" appended unless it is empty or already ends in "/" or "\".
std::string AppendPathDelimiter(const std::string& path);
// Size from the directory entry; -1 for a missing file or a folder.
int64_t GetFileSize64(const std::string& fileName);
// Renames source to dest (dest ending in a delimiter gets source's file name);
// a regular file is copied and removed when the two are on different file
// systems. False when the file could not be moved.
bool MoveFileTo(const std::string& source, const std::string& dest);

// Deletes every file below dir and, with removeDir, every folder below it and
// dir itself; with removeDir false the subfolders stay, emptied of files.
// Symbolic links are removed, never followed (a dir that is itself a link to a
// folder loses only the link, and only with removeDir). Protected folders (see
// below) are refused. True only when everything asked for was deleted.
bool DeleteDirectoryTree(const std::string& dir, bool removeDir);
// Folders no tree deletion may touch: "", the root, any real path with fewer
// than two components, $HOME and the folders that contain it.
bool IsProtectedFromTreeDeletion(const std::string& dir);

// A new folder (mode 0700) below base, created atomically; missing parents of
// base are created. Empty when none could be created.
std::string CreateUniqueDirectory(const std::string& base);
// The next free numbered file name (8 digits or more) in the folder of templ,
// with templ's extension.
std::string NextNumberedFileName(const std::string& templ);
// Whether the file exists, can be read and begins with "PK".
bool HasZipSignature(const std::string& fileName);

} // namespace u3
