#include "e3/DictionaryDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include <cstdio>

namespace e3 {
namespace {

class QtDictionaryDialogs final : public DictionaryDialogs {
public:
    void ShowError(const std::string& text) override
    {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
            std::fprintf(stderr, "%s\n", text.c_str());
            return;
        }
        QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Error"), QString::fromStdString(text),
                              QMessageBox::Ok);
    }

    TQuestionAnswer AskYesNoCancel(const std::string& title, const std::string& text) override
    {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            return TQuestionAnswer::Cancel;
        const auto button = QMessageBox::question(
            QApplication::activeWindow(), QString::fromStdString(title), QString::fromStdString(text),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        if (button == QMessageBox::Yes)
            return TQuestionAnswer::Yes;
        if (button == QMessageBox::No)
            return TQuestionAnswer::No;
        return TQuestionAnswer::Cancel;
    }
};

DictionaryDialogs* installed = nullptr;

} // namespace

DictionaryDialogs& CurrentDictionaryDialogs()
{
    static QtDictionaryDialogs qt;
    return installed ? *installed : qt;
}

void SetDictionaryDialogs(DictionaryDialogs* dialogs)
{
    installed = dialogs;
}

} // namespace e3
