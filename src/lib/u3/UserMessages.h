#pragma once
// The seam through which utility code shows a message to the user. The GUI
// installs a Qt implementation at start; tests install a recording one, so that
// nothing waits for a person.
#include <string>

namespace u3 {

enum class QuestionAnswer { Yes, No, Cancel };

class UserMessages {
public:
    virtual ~UserMessages() = default;
    // An information box with a Cancel button (for example a program that
    // could not be started).
    virtual void ShowInformation(const std::string& text) = 0;
    // A plain message box with an OK button (for example the connection-lost
    // text before the program ends).
    virtual void ShowMessage(const std::string& text) = 0;
    // An error box with an OK button: a failure that reached the event loop.
    virtual void ShowError(const std::string& text) = 0;
    // A question box titled title with Yes, No and Cancel.
    virtual QuestionAnswer AskYesNoCancel(const std::string& title, const std::string& text) = 0;
};

// The installed implementation. Without one, messages go to standard error and
// questions are answered Cancel, which changes nothing that exists.
UserMessages& CurrentUserMessages();
// Installs an implementation (not owned); nullptr restores the default.
void SetUserMessages(UserMessages* messages);

} // namespace u3
