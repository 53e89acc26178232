#pragma once
// What the submission component takes from the client around it: message
// texts in the user's language, the client's temporary folder, how an engine
// component is freed. Each has a plain default, so the component also works
// (and is tested) without a client.
#include <functional>
#include <string>

namespace fw {
class TComponent;
}

namespace efip {

using LangTextSource = std::function<std::string(const std::string& key, const std::string& defaultText)>;
void SetLangTextSource(LangTextSource source);
// The text of "g3EFIP.pas.Message.<number>".
std::string MessageText(int number, const std::string& defaultText);

// The client's temporary folder, created when missing; empty when there is none.
void SetTempFolderSource(std::function<std::string()> source);
std::string TempFolder();

// How the component frees itself for "_Free" (the client also forgets it).
void SetFreeHandler(std::function<void(fw::TComponent*)> handler);
void FreeComponent(fw::TComponent* component);

} // namespace efip
