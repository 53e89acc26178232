#pragma once
// The message boxes of the dictionary exchange, behind a seam: the dictionary
// model has no widgets, a program with a display makes Qt message boxes the
// standard, tests install a recording implementation so that nothing waits
// for a person.
#include <string>

namespace e3 {

enum class TQuestionAnswer { Yes, No, Cancel };

class DictionaryDialogs {
public:
    virtual ~DictionaryDialogs() = default;
    // An error box with an OK button.
    virtual void ShowError(const std::string& text) = 0;
    // A question box with Yes, No and Cancel.
    virtual TQuestionAnswer AskYesNoCancel(const std::string& title, const std::string& text) = 0;
};

// The installed implementation, else the standard one. Without either,
// errors go to standard error and questions are answered Cancel, which
// changes nothing that exists.
DictionaryDialogs& CurrentDictionaryDialogs();
// Installs an implementation (not owned); nullptr restores the standard one.
void SetDictionaryDialogs(DictionaryDialogs* dialogs);
// The standard implementation (not owned): the GUI's message boxes.
void SetStandardDictionaryDialogs(DictionaryDialogs* dialogs);

} // namespace e3
