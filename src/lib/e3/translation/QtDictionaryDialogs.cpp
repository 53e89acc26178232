#include "e3/translation/QtDictionaryDialogs.h"

#include "e3/dictionary/DictionaryDialogs.h"

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

} // namespace

void InstallQtDictionaryDialogs()
{
    static QtDictionaryDialogs qt;
    SetStandardDictionaryDialogs(&qt);
}

} // namespace e3
