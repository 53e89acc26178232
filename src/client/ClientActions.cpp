// The engine's commands to the client object and its file transfer.
#include "client/Client.h"
#include "client/InfoForms.h"
#include "client/MessageDialog.h"

#include "client/ClientCommands.h"
#include "client/ClientForm.h"
#include "client/ClientSender.h"
#include "client/EventList.h"
#include "client/FileTransfer.h"
#include "client/Globals.h"
#include "e3/datalist/DataListEvents.h"
#include "framework/MessagePump.h"
#include "platform/Shell.h"
#include "u3/AtomicFile.h"
#include "u3/CommandLine.h"
#include "u3/Files.h"
#include "u3/IniFile.h"
#include "u3/Logger.h"
#include "u3/StrLib.h"

#include <QApplication>
#include <QWidget>

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace client {

namespace {

const char* const kSep = "<|>";

std::string Field(const std::string& value, int index)
{
    return u3::TokenAt(value, index, kSep);
}

int32_t IntegerOr(const std::string& text, int32_t fallback)
{
    int32_t v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    return ec == std::errc() && ptr == text.data() + text.size() && !text.empty() ? v : fallback;
}

bool IsBlankText(const std::string& s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) > ' ')
            return false;
    return true;
}

// An INI file the engine asks for is read whole into memory, and a request for
// /dev/zero or a huge log must not take all of it.
constexpr int64_t kIniReadLimit = 64 * 1024 * 1024;

enum class FileRead { Done, Missing, TooLarge };

// Reads a regular file of at most limit bytes; anything else (a device, a FIFO,
// a folder) reads as missing, without waiting for a writer.
FileRead ReadRegularFileUpTo(const std::string& path, int64_t limit, std::string& text)
{
    text.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return FileRead::Missing;
    struct stat st {};
    FileRead result = FileRead::Done;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        result = FileRead::Missing;
    else if (st.st_size > limit)
        result = FileRead::TooLarge;
    char buffer[65536];
    while (result == FileRead::Done) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        // The file may grow while it is read.
        if (static_cast<int64_t>(text.size()) + n > limit)
            result = FileRead::TooLarge;
        else
            text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    if (result != FileRead::Done)
        text.clear();
    return result;
}

// The text with its lines ended by CR LF.
std::string WithCrLf(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    if (!out.empty() && out.back() != '\n')
        out += "\r\n";
    return out;
}

bool IsLargerThan(const std::string& path, int64_t limit)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > limit;
}

void LogIniTooLarge(const std::string& path)
{
    u3::ApplicationLogger().Log(2, "INI file " + path + " not read: larger than "
                                       + std::to_string(kIniReadLimit) + " bytes");
}

bool IsRegularFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Copies source into a temporary file beside dest and renames it over dest,
// so that a failed copy leaves dest as it was. False when the copy failed.
bool CopyInto(int sourceFd, const std::string& dest)
{
    u3::AtomicFile out(dest);
    if (!out.IsOpen())
        return false;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(sourceFd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (!out.Write(std::string_view(buffer, static_cast<size_t>(n))))
            return false;
    }
    struct stat st {};
    if (::fstat(sourceFd, &st) == 0 && !out.SetMode(st.st_mode & 0777))
        return false;
    return out.Commit();
}

// The extension of a server path ("\" or "/" delimited), with its dot.
std::string ServerFileExtension(const std::string& serverPath)
{
    const std::string name = u3::ExtractFileNameAny(serverPath);
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

} // namespace

// --- file transfer --------------------------------------------------------------

int32_t TClient::SendFileToServer(const std::string& localPath, const std::string& serverPath)
{
    return engine_ ? client::SendFileToServer(*engine_, localPath, serverPath) : -1;
}

int32_t TClient::ReceiveFileFromServer(const std::string& localPath, const std::string& serverPath)
{
    return engine_ ? client::ReceiveFileFromServer(*engine_, localPath, serverPath) : -1;
}

int32_t TClient::ReceiveWholeFile(const std::string& localPath, const std::string& serverPath)
{
    return engine_ ? client::ReceiveWholeFile(*engine_, localPath, serverPath) : -1;
}

// --- plug-ins ------------------------------------------------------------------

void TClient::StartPlugin(const std::string& params, const std::string& extra)
{
    const std::string commandLine = u3::JoinCommandLine(PluginArguments(params, extra, cookie_, u3::GetExeName()));
    const u3::StartedProcess started = u3::StartCommandLineProcess(commandLine);
    if (started.Pid != 0)
        plugins_.emplace_back(commandLine, started);
}

void TClient::KillPlugins()
{
    // A remembered process whose id now names another process is left alone.
    for (const auto& [commandLine, process] : plugins_)
        u3::TerminateProcessExecute(process, false);
}

// --- commands ----------------------------------------------------------------------

void TClient::PrepareCallback(const std::string& callback)
{
    if (Te3_ClientForm* form = CurrentForm(); form && !form->EventMap.Contains(callback))
        form->EventMap.Add(callback, callback);
}

void TClient::IgnoreCommand(const std::string&) {}

void TClient::_ShowMessage(const std::string& value)
{
    const MessageRequest request = ParseShowMessage(value);
    const int pressed = MessageDialog(request.caption, request.text, request.buttons);
    if (request.callback.empty())
        return;
    PrepareCallback(request.callback);
    TEventList::SendModalResult(request.callback, pressed);
}

void TClient::_ShowMessageCheck(const std::string& value)
{
    const MessageRequest request = ParseShowMessageCheck(value);
    bool checked = false;
    const int pressed = MessageDialogCheck(request.caption, request.text, request.checkCaption, checked,
                                           request.buttons);
    if (request.callback.empty())
        return;
    PrepareCallback(request.callback);
    TEventList::SendModalResultChecked(request.callback, pressed, checked);
}

void TClient::_ShowInfoMessage(const std::string& value)
{
    ShowInfoMessage(Field(value, 0), Field(value, 1));
}

void TClient::_HideInfoMessage(const std::string&)
{
    HideInfoMessage();
}

void TClient::_ShowProgressInfo(const std::string& value)
{
    ShowProgressInfo(Field(value, 0), Field(value, 1), Field(value, 2));
}

void TClient::_HideProgressInfo(const std::string&)
{
    HideProgressInfo();
}

void TClient::ShowInfoMessage(const std::string& caption, const std::string& text)
{
    auto* form = PrepareInfoMessage(dynamic_cast<TFormMessage*>(infoForm_.get()), caption, text);
    infoForm_ = form;
    form->Show();
    fw::ProcessOneMessage();
}

void TClient::HideInfoMessage()
{
    if (auto* form = dynamic_cast<TFormMessage*>(infoForm_.get()))
        form->Hide();
}

void TClient::ShowProgressInfo(const std::string& caption, const std::string& text, const std::string& progressText)
{
    auto* form = PrepareProgressInfo(dynamic_cast<TFormProgressInfo*>(progressInfoForm_.get()), caption, text,
                                     progressText);
    progressInfoForm_ = form;
    form->Show();
    fw::ProcessOneMessage();
}

void TClient::HideProgressInfo()
{
    if (auto* form = dynamic_cast<TFormProgressInfo*>(progressInfoForm_.get()))
        form->Hide();
}

void TClient::_Callback(const std::string& value)
{
    const std::string callback = Field(value, 0);
    if (callback.empty())
        return;
    PrepareCallback(callback);
    TEventList::SendCallbackText(callback, Field(value, 1));
}

void TClient::_ProcessMessages(const std::string&)
{
    fw::ProcessOneMessage();
}

void TClient::_RestoreApplication(const std::string&)
{
    // Minimising and restoring brings the application's windows to the front
    // where the window manager would refuse a plain raise.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible())
            continue;
        const Qt::WindowStates state = w->windowState();
        w->setWindowState(state | Qt::WindowMinimized);
        w->setWindowState(state & ~Qt::WindowMinimized);
        w->raise();
        w->activateWindow();
    }
}

void TClient::_Create(const std::string& value)
{
    CreateEngineComponent(Field(value, 0), Field(value, 1), Field(value, 2));
}

void TClient::_CreateForm(const std::string& value)
{
    const std::string alias = Field(value, 1);
    if (!alias.empty() && forms_.Find(alias))
        return;
    CreateEngineForm(Field(value, 0), alias);
}

void TClient::_CreateFormModal(const std::string& value)
{
    const std::string alias = Field(value, 1);
    if (!alias.empty() && forms_.Find(alias))
        return;
    Te3_ClientForm* form = CreateEngineForm(Field(value, 0), alias);
    if (form && !form->OnActivate)
        form->OnActivate = &TEventList::ActivateClientForm;
}

void TClient::_CreateFrame(const std::string& value)
{
    CreateEngineFrame(Field(value, 0), Field(value, 1));
}

void TClient::_ClearLangTextLists(const std::string&)
{
    ClearLangTextLists();
}

void TClient::_ForceDirectories(const std::string& value)
{
    if (value.empty())
        return;
    std::error_code ignored;
    std::filesystem::create_directories(u3::ToLocalPath(value), ignored);
}

void TClient::_EventFunction(const std::string& value)
{
    const std::string engineEvent = Field(value, 0);
    if (IsBlankText(engineEvent))
        return;
    const std::vector<std::string> fields = u3::SplitTokens(value, kSep);
    std::string paths;
    for (size_t i = 1; i < fields.size(); ++i)
        paths += (i > 1 ? "\r\n" : "") + fields[i];

    // The holder maps some event to exactly this engine event.
    auto maps = [&](const TNameValueList& eventMap) {
        for (const auto& line : eventMap.Lines())
            if (SameName(line.value, engineEvent))
                return true;
        return false;
    };
    TNameValueList* params = nullptr;
    if (Te3_ClientForm* form = CurrentForm(); form && maps(form->EventMap))
        params = &form->EventParams;
    if (!params)
        for (const auto& item : forms_.Items())
            if (auto* form = dynamic_cast<Te3_ClientForm*>(item.object); form && maps(form->EventMap)) {
                params = &form->EventParams;
                break;
            }
    if (!params)
        for (const auto& item : frames_.Items())
            if (item.object) {
                params = &item.object->EventParams;
                break;
            }
    if (!params)
        for (const auto& item : created_.Items()) {
            auto* dataList = dynamic_cast<e3::IDataListEvents*>(item.object);
            if ((params = dataList ? dataList->EditableEventParams() : nullptr))
                break;
        }
    if (params)
        EditEventParams(*params, engineEvent, paths);
}

void TClient::_FileExists(const std::string& value)
{
    const std::string callback = Field(value, 1);
    if (callback.empty())
        return;
    const bool exists = IsRegularFile(u3::ToLocalPath(Field(value, 0)));
    PrepareCallback(callback);
    TEventList::SendCallbackText(callback, exists ? "1" : "0");
}

void TClient::_GetFileList(const std::string& value)
{
    const FileListing listing = ListFiles(Field(value, 0), IntegerOr(Field(value, 1), 0));
    const std::string callback = Field(value, 2);
    if (callback.empty())
        return;
    std::string files;
    for (size_t i = 0; i < listing.paths.size(); ++i)
        files += (i ? "||" : "") + listing.paths[i];
    PrepareCallback(callback);
    TEventList::SendFileDialogResult(callback, true, files, 0, ClampToInt32(listing.totalSize));
}

void TClient::_GetFileListSize(const std::string& value)
{
    const int64_t total = SumFileSizes(u3::ToLocalPath(Field(value, 0)));
    const std::string callback = Field(value, 1);
    if (callback.empty())
        return;
    PrepareCallback(callback);
    TEventList::SendFilesSize(callback, ClampToInt32(total));
}

void TClient::_GetIniFile(const std::string& value)
{
    const std::string file = u3::ToLocalPath(Field(value, 0));
    const std::string section = Field(value, 1);
    const std::string key = Field(value, 2);
    std::string text;
    if (IsLargerThan(file, kIniReadLimit)) {
        LogIniTooLarge(file);
        text = Field(value, 3);
    } else if (!IsBlankText(key)) {
        text = u3::IniFile(file).ReadString(section, key, Field(value, 3));
    } else if (!IsBlankText(section)) {
        const u3::IniFile ini(file);
        for (const std::string& name : ini.ReadSection(section))
            text += name + "=" + ini.ReadString(section, name, "") + "\r\n";
    } else if (ReadRegularFileUpTo(file, kIniReadLimit, text) == FileRead::TooLarge) {
        LogIniTooLarge(file);
        text = Field(value, 3);
    } else {
        text = WithCrLf(text);
    }
    const std::string callback = Field(value, 4);
    if (callback.empty())
        return;
    PrepareCallback(callback);
    TEventList::SendCallbackText(callback, text);
}

void TClient::_SetIniFile(const std::string& value)
{
    u3::IniFile(u3::ToLocalPath(Field(value, 0))).WriteString(Field(value, 1), Field(value, 2), Field(value, 3));
}

void TClient::_GetValues(const std::string& value)
{
    const std::vector<std::string> fields = u3::SplitTokens(value, kSep);
    if (fields.empty() || fields[0].empty())
        return;
    TClientSender sender = TClientSender::CreateForClient(fields[0]);
    sender.ParamPaths.assign(fields.begin() + 1, fields.end());
    sender.WriteRequest();
    sender.Execute();
}

void TClient::_SendFile(const std::string& value)
{
    const int32_t result = SendFileToServer(u3::ToLocalPath(Field(value, 0)), Field(value, 1));
    const std::string callback = Field(value, 2);
    if (callback.empty())
        return;
    PrepareCallback(callback);
    TEventList::SendModalResult(callback, result);
}

void TClient::_ReceiveFile(const std::string& value)
{
    const int32_t result = ReceiveFileFromServer(u3::ToLocalPath(Field(value, 0)), Field(value, 1));
    const std::string callback = Field(value, 2);
    if (callback.empty())
        return;
    PrepareCallback(callback);
    TEventList::SendModalResult(callback, result);
}

void TClient::_CopyFile(const std::string& value)
{
    const std::string source = u3::ToLocalPath(Field(value, 0));
    std::string dest = u3::ToLocalPath(Field(value, 1));
    const int fd = IsRegularFile(source) ? ::open(source.c_str(), O_RDONLY | O_CLOEXEC) : -1;
    if (fd < 0)
        throw u3::Exception("Cannot open file " + source);
    bool copied = false;
    try {
        if (u3::IsDirectory(dest) || (!dest.empty() && dest.back() == '/'))
            dest = u3::AppendPathDelimiter(dest) + u3::ExtractFileNameAny(source);
        const auto slash = dest.rfind('/');
        if (slash != std::string::npos && slash > 0) {
            std::error_code ignored;
            std::filesystem::create_directories(dest.substr(0, slash), ignored);
        }
        copied = !dest.empty() && CopyInto(fd, dest);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    const std::string callback = Field(value, 2);
    if (callback.empty())
        return;
    PrepareCallback(callback);
    TEventList::SendModalResult(callback, copied ? 1 : 0);
}

void TClient::_ShellExecute(const std::string& value)
{
    if (tempFolder_.empty())
        return;
    const std::string pdfFolder = tempFolder_ + "/PDF";
    ::mkdir(pdfFolder.c_str(), 0700);
    const std::string local = u3::NextNumberedFileName(pdfFolder + "/0" + ServerFileExtension(value));
    if (ReceiveFileFromServer(local, value) == 1)
        platform::ShellExecuteFile(local, "", "");
}

void TClient::_StartURL(const std::string& value)
{
    platform::ShellExecuteFile(value, "", "");
}

void TClient::_RunLiveUpdate(const std::string& value)
{
    u3::RunCommandLineAndWait(Field(value, 0));
    const std::string callback = Field(value, 1);
    if (callback.empty())
        return;
    PrepareCallback(callback);
    TEventList::SendCallbackText(callback, "");
}

void TClient::_StartGUIEngine(const std::string& value)
{
    StartPlugin(Field(value, 0), Field(value, 2));
}

void TClient::_StopRunningPlugins(const std::string&)
{
    KillPlugins();
}

} // namespace client
