#include "u3/UserMessages.h"

#include <cstdio>

namespace u3 {
namespace {

class StandardErrorMessages final : public UserMessages {
public:
    void ShowInformation(const std::string& text) override
    {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    void ShowMessage(const std::string& text) override
    {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    void ShowError(const std::string& text) override
    {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    QuestionAnswer AskYesNoCancel(const std::string&, const std::string&) override { return QuestionAnswer::Cancel; }
};

StandardErrorMessages defaultMessages;
UserMessages* installed = nullptr;

} // namespace

UserMessages& CurrentUserMessages()
{
    return installed ? *installed : defaultMessages;
}

void SetUserMessages(UserMessages* messages)
{
    installed = messages;
}

} // namespace u3
