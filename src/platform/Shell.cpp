#include "platform/Shell.h"

#include "platform/Dialogs.h"
#include "u3/Files.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include <sys/stat.h>

namespace platform {
namespace {

UrlOpener& Opener()
{
    static UrlOpener opener;
    return opener;
}

bool OpenWithDesktop(const QUrl& url)
{
    return Opener() ? Opener()(url) : QDesktopServices::openUrl(url);
}

bool LocalFileExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

int OpenLocal(const std::string& path)
{
    if (!LocalFileExists(path))
        return kShellFileNotFound;
    const QString absolute = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
    return OpenWithDesktop(QUrl::fromLocalFile(absolute)) ? kShellOpened : kShellNoAssociation;
}

} // namespace

int ShellExecuteFile(const std::string& fileName, const std::string& /*params*/,
                     const std::string& /*dir*/, ShowState /*showState*/)
{
    const std::string local = u3::ToLocalPath(fileName);
    if (LocalFileExists(local))
        return OpenLocal(local);
    // Not a file here: a URL when it names a scheme of its own ("mailto:",
    // "https://"); anything else is a file that does not exist.
    const QUrl url(QString::fromStdString(fileName), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().size() < 2)
        return kShellFileNotFound;
    if (url.isLocalFile())
        return OpenLocal(url.toLocalFile().toStdString());
    return OpenWithDesktop(url) ? kShellOpened : kShellNoAssociation;
}

bool BrowseForFolder(std::string& dir, const std::string& title, QWidget* owner)
{
    const auto chosen = CurrentDialogs().ChooseFolder(u3::ToLocalPath(dir), title, owner);
    if (!chosen)
        return false;
    dir = *chosen;
    return true;
}

void SetUrlOpener(UrlOpener opener)
{
    Opener() = std::move(opener);
}

} // namespace platform
