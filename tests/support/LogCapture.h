#pragma once
// Sends the main log to a scratch file for one test and reads back its entries
// as "L<level> <message>", without time stamps.
#include "u3/Logger.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace e3test {

class LogCapture {
public:
    explicit LogCapture(const std::filesystem::path& folder)
        : savedFile_(u3::ApplicationLogger().FileName)
        , savedLevel_(u3::ApplicationLogger().MaxLevel)
    {
        u3::ApplicationLogger().FileName = (folder / "captured.log").string();
        u3::ApplicationLogger().MaxLevel = 2;
    }
    ~LogCapture()
    {
        u3::ApplicationLogger().FileName = savedFile_;
        u3::ApplicationLogger().MaxLevel = savedLevel_;
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> Entries() const
    {
        std::vector<std::string> entries;
        std::ifstream in(u3::ApplicationLogger().FileName, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            // "dd-mm-yyyy hh:nn:ss.zzz L1 message \r"
            auto level = line.find(" L");
            if (level == std::string::npos)
                continue;
            std::string entry = line.substr(level + 1);
            if (!entry.empty() && entry.back() == '\r')
                entry.pop_back();
            if (!entry.empty() && entry.back() == ' ')
                entry.pop_back();
            entries.push_back(entry);
        }
        return entries;
    }

private:
    std::string savedFile_;
    int savedLevel_;
};

} // namespace e3test
