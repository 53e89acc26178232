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

    std::vector<std::string> shown; // information boxes
    std::vector<std::string> plain; // plain message boxes
    std::vector<std::string> errors; // error boxes
};

} // namespace e3test
