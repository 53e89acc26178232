#pragma once
// The one way out of the program when the engine link is lost for good. The
// transports call EndProgramAfterLostLink; the start-up registers what must never
// be skipped on the way out (stopping the local server it started, closing the
// smart-card checker), so that a lost link does not leave them running.
#include <functional>
#include <string>

namespace u3 {

using ProgramEndStep = std::function<void()>;

// Most steps run after the message is shown; a window that would stand in
// front of the message (a stay-on-top progress window) goes before it.
enum class ProgramEndOrder { AfterMessage, BeforeMessage };

// Registers a step; steps run in the reverse order of registration, those
// before the message first. The result identifies the step for
// RemoveProgramEndStep.
int AddProgramEndStep(std::string name, ProgramEndStep step,
                      ProgramEndOrder order = ProgramEndOrder::AfterMessage);
void RemoveProgramEndStep(int id);

// Runs the steps registered to go before the message, shows message in a plain
// message box (none when message is empty), runs every other registered step (an exception in one is logged and the next still runs), logs
// that the program ends, and ends the process at once with exitCode, without
// running static destructors or unwinding the GUI.
[[noreturn]] void EndProgramAfterLostLink(const std::string& message, int exitCode = 1);

// The connection-lost text; the start-up replaces it with its translation.
// Default "Connection to server lost. Please close and retry."
const std::string& ServerNotFoundText();
void SetServerNotFoundText(std::string text);

// Tests replace the final process exit; the replacement must not return (it
// throws). nullptr restores the real exit.
void SetProgramExitForTests(std::function<void(int)> exitFunction);

} // namespace u3
