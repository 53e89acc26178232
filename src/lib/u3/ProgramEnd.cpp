#include "u3/ProgramEnd.h"

#include "u3/Logger.h"
#include "u3/UserMessages.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <unistd.h>
#include <utility>
#include <vector>

namespace u3 {
namespace {

struct Step {
    int id;
    std::string name;
    ProgramEndStep run;
    ProgramEndOrder order;
};

std::vector<Step>& Steps()
{
    static std::vector<Step> steps;
    return steps;
}

std::function<void(int)>& ExitOverride()
{
    static std::function<void(int)> exitFunction;
    return exitFunction;
}

int nextId = 1;

std::string& NotFoundText()
{
    static std::string text = "Connection to server lost. Please close and retry.";
    return text;
}

} // namespace

const std::string& ServerNotFoundText()
{
    return NotFoundText();
}

void SetServerNotFoundText(std::string text)
{
    NotFoundText() = std::move(text);
}

int AddProgramEndStep(std::string name, ProgramEndStep step, ProgramEndOrder order)
{
    Steps().push_back({nextId, std::move(name), std::move(step), order});
    return nextId++;
}

void RemoveProgramEndStep(int id)
{
    auto& steps = Steps();
    steps.erase(std::remove_if(steps.begin(), steps.end(), [id](const Step& s) { return s.id == id; }),
                steps.end());
}

static void RunSteps(const std::vector<Step>& steps, ProgramEndOrder order)
{
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        if (it->order != order)
            continue;
        try {
            it->run();
            ApplicationLogger().Log(1, "Engine link lost: " + it->name + " done");
        } catch (const std::exception& e) {
            ApplicationLogger().Log(1, "Engine link lost: " + it->name + " failed: " + e.what());
        } catch (...) {
            ApplicationLogger().Log(1, "Engine link lost: " + it->name + " failed");
        }
    }
}

void EndProgramAfterLostLink(const std::string& message, int exitCode)
{
    // Taken out first, so that a step that loses the link again cannot recurse
    // into the same steps.
    std::vector<Step> steps = std::move(Steps());
    Steps().clear();
    RunSteps(steps, ProgramEndOrder::BeforeMessage);
    if (!message.empty()) {
        try {
            CurrentUserMessages().ShowMessage(message);
        } catch (...) {
        }
    }
    RunSteps(steps, ProgramEndOrder::AfterMessage);
    ApplicationLogger().Log(1, "Engine link lost: the program ends with code " + std::to_string(exitCode));
    if (auto& override = ExitOverride()) {
        override(exitCode);
        std::terminate(); // the replacement must not return
    }
    std::fflush(nullptr);
    _exit(exitCode);
}

void SetProgramExitForTests(std::function<void(int)> exitFunction)
{
    ExitOverride() = std::move(exitFunction);
}

} // namespace u3
