// Arbitrary bytes as an INI file: read every key, change one, write it back.
#include "u3/IniFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// One private scratch folder per process, removed at exit.
struct ScratchFolder {
    std::string path;
    ScratchFolder()
    {
        path = (std::filesystem::temp_directory_path() / "inifile-fuzz.XXXXXX").string();
        if (!::mkdtemp(path.data()))
            std::abort();
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

void WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const ScratchFolder scratch;
    const std::string path = scratch.path + "/input.ini";
    WriteFile(path, data, size);

    u3::IniFile ini(path);
    std::string firstSection;
    for (const auto& section : ini.ReadSections()) {
        if (firstSection.empty())
            firstSection = section;
        for (const auto& key : ini.ReadSection(section)) {
            if (!ini.ValueExists(section, key))
                std::abort(); // a listed key must be readable
            (void)ini.ReadString(section, key, "");
            (void)ini.ReadInteger(section, key, 0);
        }
    }
    if (firstSection.empty())
        firstSection.push_back('S');
    if (ini.WriteString(firstSection, "FuzzKey", " value ")) {
        const u3::IniFile reread(path);
        if (reread.ReadString(firstSection, "FuzzKey", "") != " value ")
            std::abort(); // what was written must read back
        u3::IniFile(path).DeleteKey(firstSection, "FuzzKey");
        u3::IniFile(path).EraseSection(firstSection);
    }
    return 0;
}
