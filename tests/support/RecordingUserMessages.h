#pragma once
// Records what utility code would have shown to the user.
#include "u3/UserMessages.h"

#include <string>
#include <vector>

namespace e3test {

class RecordingUserMessages final : public u3::UserMessages {
public:
    RecordingUserMessages() { u3::SetUserMessages(this); }
    ~RecordingUserMessages() override { u3::SetUserMessages(nullptr); }
    void ShowInformation(const std::string& text) override { shown.push_back(text); }
    void ShowMessage(const std::string& text) override { plain.push_back(text); }
    void ShowError(const std::string& text) override { errors.push_back(text); }
    u3::QuestionAnswer AskYesNoCancel(const std::string& title, const std::string& text) override
    {
        questions.push_back(title + ": " + text);
        return answer;
    }

    std::vector<std::string> shown; // information boxes
    std::vector<std::string> plain; // plain message boxes
    std::vector<std::string> errors; // error boxes
    std::vector<std::string> questions; // "title: text" of each question box
    u3::QuestionAnswer answer = u3::QuestionAnswer::Cancel;
};

} // namespace e3test
