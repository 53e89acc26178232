#include "e3/dictionary/DictionaryDialogs.h"

#include <cstdio>

namespace e3 {
namespace {

// Without a display nobody can answer: errors go to standard error and
// questions are answered Cancel, which changes nothing that exists.
class ConsoleDictionaryDialogs final : public DictionaryDialogs {
public:
    void ShowError(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    TQuestionAnswer AskYesNoCancel(const std::string&, const std::string&) override
    {
        return TQuestionAnswer::Cancel;
    }
};

DictionaryDialogs* installed = nullptr;
DictionaryDialogs* standard = nullptr;

} // namespace

DictionaryDialogs& CurrentDictionaryDialogs()
{
    static ConsoleDictionaryDialogs console;
    if (installed)
        return *installed;
    return standard ? *standard : console;
}

void SetDictionaryDialogs(DictionaryDialogs* dialogs)
{
    installed = dialogs;
}

void SetStandardDictionaryDialogs(DictionaryDialogs* dialogs)
{
    standard = dialogs;
}

} // namespace e3
