#pragma once
// The dialogs that utility code asks for, behind a seam: the GUI runs the Qt
// implementation, tests install a recording one so that nothing waits for a
// person.
#include "u3/UserMessages.h"

#include <optional>
#include <string>

class QWidget;

namespace platform {

class DialogSeam {
public:
    virtual ~DialogSeam() = default;
    // The folder the user confirmed, or nothing when cancelled. initialDir is
    // preselected when not empty; title is the dialog's caption.
    virtual std::optional<std::string> ChooseFolder(const std::string& initialDir,
                                                    const std::string& title,
                                                    QWidget* owner = nullptr) = 0;
};

// Qt's folder dialog and message boxes.
class QtDialogs final : public DialogSeam, public u3::UserMessages {
public:
    std::optional<std::string> ChooseFolder(const std::string& initialDir, const std::string& title,
                                            QWidget* owner = nullptr) override;
    void ShowInformation(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    u3::QuestionAnswer AskYesNoCancel(const std::string& title, const std::string& text) override;
};

// The installed seam; the Qt implementation unless another was installed.
DialogSeam& CurrentDialogs();
// Installs a seam (not owned); nullptr restores the Qt implementation.
void SetDialogs(DialogSeam* dialogs);

// Makes the utility layer show its messages in Qt message boxes.
void InstallQtUserMessages();

} // namespace platform
