#include "u3/LocalServer.h"

#include "u3/Files.h"

namespace u3 {
namespace {

// Paths handed over by the engine may use either delimiter.
std::string FileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithoutExtension(const std::string& fileName)
{
    const auto dot = fileName.rfind('.');
    return dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot);
}

std::string ParentFolder(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return path.substr(0, slash);
}

// The folder above the program's own folder, without a trailing "/" (empty
// for the root).
std::string ProgramHome()
{
    return ParentFolder(ParentFolder(GetExeName()));
}

std::string NormalizedFolder(std::string folder)
{
    for (char& c : folder) {
        if (c == '\\')
            c = '/';
    }
    // A trailing delimiter would double the one that GetDataDir adds.
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

} // namespace

std::string GetServiceName(const std::string& path)
{
    std::string name = ReadIniString(path, "General", "ServiceName", "");
    if (name.empty())
        name = "VARKOSTEN_" + WithoutExtension(FileNameOf(path)) + "_Service";
    return name;
}

std::string GetServiceDisplayName(const std::string& path)
{
    std::string name = ReadIniString(path, "General", "ServiceDisplayName", "");
    if (name.empty())
        name = "V-ARKOSTEN " + WithoutExtension(FileNameOf(path)) + " Server";
    return name;
}

std::string GetConfigFileName()
{
    return ProgramHome() + "/config/" + WithoutExtension(FileNameOf(GetExeName())) + ".conf";
}

std::string GetApplHome()
{
    const std::string home = ReadIniString(GetConfigFileName(), "Location", "APPL_HOME", "");
    return home.empty() ? ProgramHome() : NormalizedFolder(home);
}

std::string GetDataDir()
{
    return GetApplHome() + "/data/";
}

std::string GetDataTempDir()
{
    return GetDataDir() + "temp";
}

} // namespace u3
