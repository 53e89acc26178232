#include "e3/dictionary/DictionaryFiles.h"

#include "u3/AtomicFile.h"
#include "u3/Files.h"
#include "u3/StrLib.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace e3 {
bool HasFolderPart(std::string_view name)
{
    return name.find('/') != std::string_view::npos || name.find('\\') != std::string_view::npos;
}

std::string ProgramFolder()
{
    return u3::ExtractFilePathAny(u3::GetExeName());
}

std::string PathBesideProgram(const std::string& fileName)
{
    if (!HasFolderPart(fileName))
        return u3::AppendPathDelimiter(ProgramFolder()) + fileName;
    return u3::ToLocalPath(fileName);
}

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string data;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        data.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        data.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return data;
}

std::string BackupName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path + "~";
    return path.substr(0, dot + 1) + "~" + path.substr(dot + 1);
}

std::string ReplaceFileKeepingBackup(const std::string& path, std::string_view bytes)
{
    u3::AtomicFile file(path);
    if (!file.IsOpen())
        return "Cannot create file \"" + path + "\". " + std::strerror(file.Error());
    if (!file.Write(bytes) || !file.Finish())
        return "Cannot write file \"" + path + "\". " + std::strerror(file.Error());
    // Refused before the backup step, which would otherwise move a device or
    // folder standing in the file's place.
    if (!u3::IsReplaceableTarget(path) || !file.KeepModeOr(0644))
        return "Cannot create file \"" + path + "\". " + std::strerror(errno);

    const std::string backup = BackupName(path);
    ::unlink(backup.c_str());
    (void)::rename(path.c_str(), backup.c_str());
    if (!file.Commit())
        return "Cannot create file \"" + path + "\". " + std::strerror(file.Error());
    return {};
}

} // namespace e3
