#pragma once
// The client's main log: one line per entry, appended beside the program.
#include <mutex>
#include <string>

namespace u3 {

class TApplicationLogger {
public:
    // noFile 0: MaxLevel 2 and the program's path with "_ext.log"; otherwise
    // MaxLevel 1 and no file.
    explicit TApplicationLogger(int noFile);

    // Writes one line "dd-mm-yyyy hh:nn:ss.zzz L<level> <msg> " CR LF unless
    // level is above MaxLevel; level 10 raises std::runtime_error(msg).
    void Log(int level, const std::string& msg);

    int MaxLevel;
    std::string FileName;

private:
    std::mutex lock_;
};

// The one logger of the program.
TApplicationLogger& ApplicationLogger();

// "An error occured in %s. Message: %s" at level 1.
void LogErrorIn(const std::string& operation, const std::string& message);

} // namespace u3
