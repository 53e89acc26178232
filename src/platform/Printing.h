#pragma once
// The printers of the system's print service (CUPS): the current printer,
// the print dialog that chooses one, and a printer's job queue.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// A job of a printer's queue: its id, its document name in upper case, and
// its status bits.
struct JOB_INFO {
    int id = 0;
    std::string documentName;
    uint32_t status = 0;
};
using JOB_INFO_ARRAY = std::vector<JOB_INFO>;

constexpr uint32_t kJobStatusError = 0x2;     // stopped, cancelled or aborted
constexpr uint32_t kJobStatusSpooling = 0x8;  // still arriving
constexpr uint32_t kJobStatusPrinting = 0x10; // waiting or printing
// A finished job has no bits.

// The jobs of the printer's queue that have a document name, newest first
// (at most 1000); none when the printer cannot be asked.
void GetPrinterJobs(const std::string& printer, JOB_INFO_ARRAY& jobs);
// The name of the system's default printer; empty when there is none.
std::string DefaultPrinterName();

// The print dialog, starting at the current printer: true and the chosen
// printer's name, false when cancelled.
bool ChoosePrinter(std::string& printer);
// Replaces the dialog (tests); an empty function restores it.
void SetPrinterChooser(std::function<bool(std::string& printer)> chooser);

} // namespace platform
