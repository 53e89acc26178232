#pragma once
// Opening files and URLs with the desktop's default handler, and the folder
// dialog that utility callers use.
#include <functional>
#include <string>

class QUrl;
class QWidget;

namespace platform {

// How the opened program's window should appear. The desktop's handler decides
// that on this system, so the state is accepted and not passed on.
enum class ShowState { Normal, Minimised, Maximised, Hidden };

// The shell's result codes: above 32 is success.
constexpr int kShellOpened = 33;
constexpr int kShellFileNotFound = 2;
constexpr int kShellNoAssociation = 31;

// Opens fileName (a local path, engine paths with "\" included, or a URL with a
// scheme) with its default handler. Returns kShellOpened, kShellFileNotFound
// for a missing file, or kShellNoAssociation when the desktop could not open
// it. params and dir are ignored: callers pass them empty, and the desktop's
// handler takes neither arguments nor a working folder.
int ShellExecuteFile(const std::string& fileName, const std::string& params,
                     const std::string& dir, ShowState showState = ShowState::Normal);

// The folder dialog with title as its caption, starting at dir when dir is not
// empty; true and dir set to the chosen folder when the user confirms.
bool BrowseForFolder(std::string& dir, const std::string& title, QWidget* owner = nullptr);

// Hands a URL to the desktop (QDesktopServices::openUrl unless replaced, so
// that tests open nothing). An empty function restores the desktop.
using UrlOpener = std::function<bool(const QUrl&)>;
void SetUrlOpener(UrlOpener opener);

} // namespace platform
