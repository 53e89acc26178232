#pragma once
// The widget-free parts of the client's commands: reading the fields of the
// message commands, listing and sizing files, editing event parameters and
// building the command line of a plug-in.
#include "client/NameValueList.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace client {

// The message a "_ShowMessage" or "_ShowMessageCheck" value asks for.
struct MessageRequest {
    std::string caption;
    std::string text;          // lines joined with CR LF
    std::string checkCaption;  // "_ShowMessageCheck" only
    std::vector<std::string> buttons;
    std::string callback;
};
MessageRequest ParseShowMessage(const std::string& value);
MessageRequest ParseShowMessageCheck(const std::string& value);

// Whether name matches pattern ("*" any run, "?" one character), letters
// compared without regard to case. A pattern ending in ".*" also matches names
// without an extension, as "*.*" means every file.
bool MatchesFileMask(std::string_view name, std::string_view pattern);

// Search attributes of a file listing.
constexpr int32_t kListHidden = 2;    // adds names beginning with "."
constexpr int32_t kListFolders = 16;  // adds folders

struct FileListing {
    std::vector<std::string> paths;  // the folder part of the mask + the name, sorted by name
    int64_t totalSize = 0;           // of the files listed (folders count nothing)
};
FileListing ListFiles(const std::string& mask, int32_t attributes);

// The sizes of the files named one per line added up; a missing file or a
// folder counts -1.
int64_t SumFileSizes(const std::string& pathLines);
// The 32-bit figure the engine takes for a 64-bit total.
int32_t ClampToInt32(int64_t value);

// Adds paths (CR LF separated; empty or "snil" for none) to the line of
// engineEvent, adds the line when there is none, or deletes it when no paths
// are given.
void EditEventParams(TNameValueList& params, const std::string& engineEvent, const std::string& paths);

// The argument list of a plug-in start: the program (the "CLIENT=" field of
// params, else ownProgram), params, and extra prefixed with the parent id;
// line breaks in either become "||".
std::vector<std::string> PluginArguments(const std::string& params, const std::string& extra, int32_t cookie,
                                         const std::string& ownProgram);

} // namespace client
