#pragma once
// Names of the local server's service and where the local server keeps its
// data. Folders are written with "/" and without a trailing delimiter unless
// stated.
#include <string>

namespace u3 {

// [General] ServiceName of the INI file path; default "VARKOSTEN_<file>_Service"
// with path's file name without folder and extension.
std::string GetServiceName(const std::string& path);
// [General] ServiceDisplayName of path; default "V-ARKOSTEN <file> Server".
std::string GetServiceDisplayName(const std::string& path);

// <folder above the program's folder>/config/<program file name>.conf
std::string GetConfigFileName();
// [Location] APPL_HOME of the config file; default the folder above the
// program's folder.
std::string GetApplHome();
// GetApplHome() + "/data/"
std::string GetDataDir();
// GetDataDir() + "temp"
std::string GetDataTempDir();

} // namespace u3
