#pragma once
// Printing PDF files without asking the user: each file goes to the printer
// through the system's print command, and the printer's queue is watched to
// learn whether the job arrived. What cannot be printed this way is opened
// for the user to print by hand.
#include "platform/Printing.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace client {

// Every occurrence of oldText, found without regard to (ASCII) case, replaced
// by newText; the inserted text is not searched again.
std::string ReplaceTextNoCase(const std::string& text, const std::string& oldText, const std::string& newText);
// The hexadecimal digits of a new GUID without its fourth digit (31 characters).
std::string NewGUIDFileName();

// The print command as arguments: [Common] PDFPrintCommand of the program's
// INI file (split like a command line), by default lp -d %2 %1. In each
// argument "%1" stands for the file, "%2" for the printer, and "%3" and "%4"
// for nothing.
std::vector<std::string> PrintCommandTemplate();
std::vector<std::string> PrintCommandArguments(const std::vector<std::string>& templ, const std::string& fileName,
                                               const std::string& printer);

// How the queue is watched; tests shorten the wait and read a queue of their own.
struct PrintWatch {
    std::chrono::milliseconds pollInterval {250};
    std::chrono::milliseconds timeout {30000};
    std::function<void(const std::string& printer, platform::JOB_INFO_ARRAY& jobs)> readJobs; // GetPrinterJobs when empty
    std::function<std::chrono::steady_clock::time_point()> now;                     // the steady clock when empty
};
void SetPrintWatch(const PrintWatch& watch);
PrintWatch CurrentPrintWatch();

// 0 when the file reached the printer's queue and left the spooling stage, 1
// when it was not printed. A copy of the file under a new name is what gets
// printed; it is deleted afterwards.
int PrintPDFFile(const std::string& fileName, const std::string& printer);
// Prints the files in order on the printer (the system's default printer
// when empty); after the first that is not printed the user is
// warned, and it and every file after it are opened for printing by hand.
void PrintPDFFiles(const std::vector<std::string>& files, const std::string& printer);
// Opens a file with the desktop's program for PDF files.
void OpenPDFFile(const std::string& fileName);

} // namespace client
