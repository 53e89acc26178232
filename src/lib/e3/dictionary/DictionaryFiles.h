#pragma once
// File handling shared by the dictionary file and the text and workbook
// exchange: where a bare name lives, whole-file reads, and replacing a file so
// that a failed write never costs the old contents.
#include <optional>
#include <string>
#include <string_view>

namespace e3 {

bool HasFolderPart(std::string_view name);
std::string ProgramFolder();
// A name without a folder part is taken from the program's folder.
std::string PathBesideProgram(const std::string& fileName);
// The whole file; nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);
// program.lgf -> program.~lgf; a name without "." gets "~" appended.
std::string BackupName(const std::string& path);
// Writes bytes to a private temporary file beside path; only when that is
// complete does the old file become the backup (an older backup is deleted)
// and the new one take its name. Gives an empty text on success, else the
// message that says what failed.
std::string ReplaceFileKeepingBackup(const std::string& path, std::string_view bytes);

} // namespace e3
