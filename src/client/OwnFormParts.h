#pragma once
// Helpers for the client's own small forms, which are built in code rather
// than read from a description.
#include "client/FormReader.h"
#include "framework/Form.h"

#include <initializer_list>
#include <string>
#include <utility>

namespace client {

// A control made and named as a form resource would make it: published
// properties set by name while loading, so the caption does not take the name.
template <class T>
T* MakeFormPart(fw::TComponent* owner, fw::TWinControl* parent, const std::string& name,
                std::initializer_list<std::pair<const char*, const char*>> properties)
{
    auto* control = new T(owner);
    control->BeginLoading();
    control->SetName(name);
    if (parent)
        control->SetParent(parent);
    for (const auto& [path, value] : properties)
        SetPropertyByPath(control, path, control->ClassName(), value);
    static_cast<fw::TComponent*>(control)->Loaded();
    return control;
}

// Tells the engine of an own form's event ("OnCreate", "OnShow") through the
// event list's handler, as for the engine's forms; nothing without an engine.
void SendOwnFormEvent(fw::TCustomForm* form, const char* eventName);

// The translated text of a message key, or the default without a client.
std::string OwnFormText(const std::string& key, const std::string& defaultText);

} // namespace client
