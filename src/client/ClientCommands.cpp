#include "client/ClientCommands.h"

#include "u3/Files.h"
#include "u3/StrLib.h"

#include <algorithm>
#include <climits>
#include <dirent.h>
#include <sys/stat.h>

namespace client {
namespace {

const char* const kSep = "<|>";

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Field i of the fields; empty for an index outside them.
std::string FieldAt(const std::vector<std::string>& fields, int i)
{
    return i < 0 || i >= static_cast<int>(fields.size()) ? std::string() : fields[static_cast<size_t>(i)];
}

std::string JoinedText(const std::vector<std::string>& fields, int last)
{
    std::string text = FieldAt(fields, 1);
    for (int i = 2; i <= last; ++i)
        text += "\r\n" + FieldAt(fields, i);
    return text;
}

std::vector<std::string> ButtonCaptions(const std::string& field)
{
    return field.empty() ? std::vector<std::string>() : u3::SplitTokens(field, ",");
}

bool WildcardMatch(std::string_view name, std::string_view pattern)
{
    // Greedy with one back-track point: linear in practice, never exponential.
    size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || Upper(pattern[p]) == Upper(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

MessageRequest ParseShowMessage(const std::string& value)
{
    const std::vector<std::string> fields = u3::SplitTokens(value, kSep);
    const int n = std::max(1, static_cast<int>(fields.size()));
    const int s = n < 5 ? 1 : 0;
    MessageRequest r;
    r.caption = FieldAt(fields, 0);
    r.text = JoinedText(fields, n + s - 4);
    r.buttons = ButtonCaptions(FieldAt(fields, n + s - 2));
    r.callback = FieldAt(fields, n + s - 1);
    return r;
}

MessageRequest ParseShowMessageCheck(const std::string& value)
{
    const std::vector<std::string> fields = u3::SplitTokens(value, kSep);
    const int n = std::max(1, static_cast<int>(fields.size()));
    const int s = n < 6 ? 1 : 0;
    MessageRequest r;
    r.caption = FieldAt(fields, 0);
    r.text = JoinedText(fields, n + s - 5);
    r.checkCaption = FieldAt(fields, n + s - 4);
    r.buttons = ButtonCaptions(FieldAt(fields, n + s - 2));
    r.callback = FieldAt(fields, n + s - 1);
    return r;
}

bool MatchesFileMask(std::string_view name, std::string_view pattern)
{
    if (WildcardMatch(name, pattern))
        return true;
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
        name.find('.') == std::string_view::npos)
        return WildcardMatch(name, pattern.substr(0, pattern.size() - 2));
    return false;
}

FileListing ListFiles(const std::string& mask, int32_t attributes)
{
    FileListing out;
    const std::string local = u3::ToLocalPath(mask);
    const auto slash = local.rfind('/');
    const std::string folderPart = slash == std::string::npos ? std::string() : local.substr(0, slash + 1);
    const std::string pattern = slash == std::string::npos ? local : local.substr(slash + 1);
    DIR* dir = ::opendir(folderPart.empty() ? "." : folderPart.c_str());
    if (!dir)
        return out;
    std::vector<std::pair<std::string, int64_t>> found;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (name[0] == '.' && !(attributes & kListHidden))
            continue;
        if (!MatchesFileMask(name, pattern))
            continue;
        struct stat st {};
        if (::stat((folderPart.empty() ? name : folderPart + name).c_str(), &st) != 0)
            continue;
        const bool folder = S_ISDIR(st.st_mode);
        if (folder && !(attributes & kListFolders))
            continue;
        found.emplace_back(name, folder ? 0 : static_cast<int64_t>(st.st_size));
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end());
    for (const auto& [name, size] : found) {
        out.paths.push_back(folderPart + name);
        out.totalSize += size;
    }
    return out;
}

int64_t SumFileSizes(const std::string& pathLines)
{
    int64_t total = 0;
    for (const std::string& path : u3::SplitTextLines(pathLines))
        total += u3::GetFileSize64(path);
    return total;
}

int32_t ClampToInt32(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

void EditEventParams(TNameValueList& params, const std::string& engineEvent, const std::string& paths)
{
    const bool none = paths.empty() || paths == "snil";
    const int i = params.IndexOfName(engineEvent);
    if (i >= 0) {
        if (none)
            params.Delete(i);
        else
            params.SetValue(engineEvent, params.At(i).value + "\r\n" + paths);
    } else if (!none) {
        params.Add(engineEvent, paths);
    }
}

std::vector<std::string> PluginArguments(const std::string& params, const std::string& extra, int32_t cookie,
                                         const std::string& ownProgram)
{
    const std::string flatParams = u3::ReplaceEvery(params, "\r\n", "||");
    const std::string flatExtra =
        "localparentid=" + std::to_string(cookie) + "||" + u3::ReplaceEvery(extra, "\r\n", "||");
    std::string program = u3::TextBetween("CLIENT=", "||", flatParams);
    if (program.empty())
        program = ownProgram;
    return {program, flatParams, flatExtra};
}

} // namespace client
