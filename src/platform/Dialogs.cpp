#include "platform/Dialogs.h"

#include "framework/ApplicationTitle.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QString>

namespace platform {
namespace {

QtDialogs qtDialogs;
DialogSeam* installed = nullptr;

} // namespace

std::optional<std::string> QtDialogs::ChooseFolder(const std::string& initialDir,
                                                   const std::string& title, QWidget* owner)
{
    const QString chosen = QFileDialog::getExistingDirectory(
        owner, QString::fromStdString(title), QString::fromStdString(initialDir),
        QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.toStdString();
}

void QtDialogs::ShowInformation(const std::string& text)
{
    QMessageBox::information(nullptr, QString::fromStdString(fw::ApplicationTitle()),
                             QString::fromStdString(text), QMessageBox::Cancel);
}

void QtDialogs::ShowMessage(const std::string& text)
{
    QMessageBox::information(nullptr, QString::fromStdString(fw::ApplicationTitle()),
                             QString::fromStdString(text), QMessageBox::Ok);
}

void QtDialogs::ShowError(const std::string& text)
{
    QMessageBox::critical(nullptr, QString::fromStdString(fw::ApplicationTitle()), QString::fromStdString(text),
                          QMessageBox::Ok);
}

DialogSeam& CurrentDialogs()
{
    return installed ? *installed : qtDialogs;
}

void SetDialogs(DialogSeam* dialogs)
{
    installed = dialogs;
}

void InstallQtUserMessages()
{
    u3::SetUserMessages(&qtDialogs);
}

} // namespace platform
