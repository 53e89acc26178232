#include "platform/Dialogs.h"

#include "framework/ApplicationTitle.h"

#include <QApplication>
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

u3::QuestionAnswer QtDialogs::AskYesNoCancel(const std::string& title, const std::string& text)
{
    const auto button =
        QMessageBox::question(QApplication::activeWindow(), QString::fromStdString(title), QString::fromStdString(text),
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (button == QMessageBox::Yes)
        return u3::QuestionAnswer::Yes;
    if (button == QMessageBox::No)
        return u3::QuestionAnswer::No;
    return u3::QuestionAnswer::Cancel;
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
