#include "client/PrintPDF.h"

#include "client/Client.h"
#include "client/FrmIP.h"
#include "client/Globals.h"
#include "client/MessageDialog.h"
#include "platform/Shell.h"
#include "u3/CommandLine.h"
#include "u3/IniFile.h"
#include "u3/Logger.h"
#include "u3/StrLib.h"

#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace client {

namespace {

PrintWatch& Watch()
{
    static PrintWatch watch;
    return watch;
}

std::string Lang(const std::string& key, const std::string& defaultText)
{
    TClient* c = Client();
    return c ? c->GetLangText(key, defaultText) : defaultText;
}

char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), AsciiUpper);
    return s;
}

// Keeps the hourglass up while a file is printed.
struct WaitCursor {
    WaitCursor()
    {
        if (qobject_cast<QApplication*>(QCoreApplication::instance()))
            QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor()
    {
        if (qobject_cast<QApplication*>(QCoreApplication::instance()))
            QApplication::restoreOverrideCursor();
    }
};

} // namespace

std::string ReplaceTextNoCase(const std::string& text, const std::string& oldText, const std::string& newText)
{
    if (oldText.empty())
        return text;
    const std::string upperText = UpperAscii(text);
    const std::string upperOld = UpperAscii(oldText);
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (true) {
        const size_t hit = upperText.find(upperOld, pos);
        if (hit == std::string::npos)
            break;
        out.append(text, pos, hit - pos);
        out += newText;
        pos = hit + oldText.size();
    }
    out.append(text, pos, std::string::npos);
    return out;
}

std::string NewGUIDFileName()
{
    std::string digits = UpperAscii(QUuid::createUuid().toString(QUuid::Id128).toStdString());
    digits.erase(3, 1);
    return digits;
}

std::vector<std::string> PrintCommandTemplate()
{
    const std::string text =
        u3::IniFile(ProgramIniFileName()).ReadString("Common", "PDFPrintCommand", "lp -d %2 %1");
    return u3::SplitCommandLine(text);
}

std::vector<std::string> PrintCommandArguments(const std::vector<std::string>& templ, const std::string& fileName,
                                               const std::string& printer)
{
    // One pass over each argument, so that a file or printer name holding
    // a mark is put in as it is and not replaced again.
    std::vector<std::string> args;
    args.reserve(templ.size());
    for (const std::string& part : templ) {
        std::string arg;
        for (size_t i = 0; i < part.size(); ++i) {
            if (part[i] == '%' && i + 1 < part.size() && part[i + 1] >= '1' && part[i + 1] <= '4') {
                if (part[i + 1] == '1')
                    arg += fileName;
                else if (part[i + 1] == '2')
                    arg += printer;
                ++i;
            } else {
                arg += part[i];
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

void SetPrintWatch(const PrintWatch& watch)
{
    Watch() = watch;
}

PrintWatch CurrentPrintWatch()
{
    return Watch();
}

int PrintPDFFile(const std::string& fileName, const std::string& printer)
{
    WaitCursor cursor;
    namespace fs = std::filesystem;
    const PrintWatch watch = Watch();

    // The copy carries a name no other job has, so that its job can be found.
    const std::string folder = u3::ExtractFilePathAny(fileName);
    const std::string copyName = NewGUIDFileName() + ".pdf";
    const std::string copy = folder + copyName;
    std::error_code error;
    if (!fs::is_regular_file(fileName, error) ||
        !fs::copy_file(fileName, copy, fs::copy_options::overwrite_existing, error))
        return 1;

    const std::vector<std::string> args = PrintCommandArguments(PrintCommandTemplate(), copy, printer);
    int result = 1;
    QProcess process;
    if (!args.empty()) {
        QStringList arguments;
        for (size_t i = 1; i < args.size(); ++i)
            arguments << QString::fromStdString(args[i]);
        process.setProgram(QString::fromStdString(args[0]));
        process.setArguments(arguments);
        process.setStandardInputFile(QProcess::nullDevice());
        process.start();
    }
    if (process.waitForStarted(10000)) {
        // The queue is read every poll interval while the interface goes on
        // painting; the user's input waits until the file is done.
        const std::string wanted = UpperAscii(copyName);
        using Clock = std::chrono::steady_clock;
        const auto now = [&watch] { return watch.now ? watch.now() : Clock::now(); };
        auto start = now();
        QEventLoop loop;
        QTimer timer;
        timer.setInterval(static_cast<int>(watch.pollInterval.count()));
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
            platform::JOB_INFO_ARRAY jobs;
            if (watch.readJobs)
                watch.readJobs(printer, jobs);
            else
                platform::GetPrinterJobs(printer, jobs);
            bool found = false, spooling = false;
            for (const platform::JOB_INFO& job : jobs) {
                if (job.documentName != wanted)
                    continue;
                if (job.status == 0 || (job.status & platform::kJobStatusPrinting))
                    found = true;
                if (job.status & platform::kJobStatusSpooling) {
                    found = true;
                    spooling = true;
                }
            }
            if (spooling)
                start = now();
            if (found && !spooling) {
                result = 0;
                loop.quit();
                return;
            }
            // A print command that failed sends no job.
            if (process.state() == QProcess::NotRunning &&
                (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)) {
                loop.quit();
                return;
            }
            if (now() - start > watch.timeout)
                loop.quit();
        });
        timer.start();
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        timer.stop();
    } else {
        u3::LogErrorIn("PrintPDFFile", "the print command " + (args.empty() ? std::string() : args[0]) + " could not be started");
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
    fs::remove(copy, error);
    return result;
}

void OpenPDFFile(const std::string& fileName)
{
    platform::ShellExecuteFile(fileName, "", "");
}

void PrintPDFFiles(const std::vector<std::string>& files, const std::string& printer)
{
    const std::string target = printer.empty() ? platform::DefaultPrinterName() : printer;
    size_t failed = files.size();
    for (size_t i = 0; i < files.size(); ++i)
        if (PrintPDFFile(files[i], target) != 0) {
            failed = i;
            break;
        }
    if (failed == files.size())
        return;
    MessageDialog(Lang("u3AcroPDF.pas.Message.1", "Warning"),
                          Lang("u3AcroPDF.pas.Message.2",
                               "Unable to print file automatically. Please, try to print it by your own..."),
                          {"OK"});
    for (size_t i = files.size(); i-- > failed;)
        OpenPDFFile(files[i]);
}

} // namespace client
