// Zip archives as the PMS gateway might return them, unpacked with and
// without paths into a private scratch folder.
#include "enginelink/pms/MZip.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    char base[] = "/tmp/zipreader.XXXXXX";
    if (!::mkdtemp(base))
        return 0;
    const std::string folder = base;
    const std::string zip = folder + "/in.zip";
    std::ofstream(zip, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    for (const bool withoutPath : {true, false}) {
        enginelink::TMiniZip unzip;
        unzip.UzWithoutPath = withoutPath;
        unzip.SetZipFileName(zip);
        unzip.UnzipAll(folder + "/out");
    }
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return 0;
}
