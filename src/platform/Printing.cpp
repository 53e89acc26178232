#include "platform/Printing.h"

#include "u3/StrLib.h"

#include <QPrintDialog>
#include <QPrinter>

#include <cups/cups.h>

#include <algorithm>

namespace platform {

namespace {

constexpr size_t kMaxJobs = 1000;

std::function<bool(std::string&)>& Chooser()
{
    static std::function<bool(std::string&)> chooser;
    return chooser;
}

uint32_t StatusOf(ipp_jstate_t state)
{
    switch (state) {
    case IPP_JSTATE_COMPLETED:
        return 0;
    case IPP_JSTATE_HELD: // a job whose document is still coming in is held
        return kJobStatusSpooling;
    case IPP_JSTATE_PENDING:
    case IPP_JSTATE_PROCESSING:
        return kJobStatusPrinting;
    default:
        return kJobStatusError;
    }
}

} // namespace

void GetPrinterJobs(const std::string& printer, JOB_INFO_ARRAY& jobs)
{
    jobs.clear();
    if (printer.empty())
        return;
    cups_job_t* list = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &list, printer.c_str(), 0, CUPS_WHICHJOBS_ALL);
    for (int i = 0; i < count; ++i) {
        const cups_job_t& job = list[i];
        if (!job.title || !*job.title)
            continue;
        jobs.push_back({job.id, u3::UpperCase(job.title), StatusOf(job.state)});
    }
    cupsFreeJobs(count, list);
    std::sort(jobs.begin(), jobs.end(), [](const JOB_INFO& a, const JOB_INFO& b) { return a.id > b.id; });
    if (jobs.size() > kMaxJobs)
        jobs.resize(kMaxJobs);
}

std::string DefaultPrinterName()
{
    const char* name = cupsGetDefault2(CUPS_HTTP_DEFAULT);
    return name ? name : "";
}

bool ChoosePrinter(std::string& printer)
{
    if (Chooser())
        return Chooser()(printer);
    QPrinter setup;
    const std::string current = DefaultPrinterName();
    if (!current.empty())
        setup.setPrinterName(QString::fromStdString(current));
    QPrintDialog dialog(&setup);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    printer = setup.printerName().toStdString();
    return true;
}

void SetPrinterChooser(std::function<bool(std::string& printer)> chooser)
{
    Chooser() = std::move(chooser);
}

} // namespace platform
