// Engine replies from arbitrary text, applied to a small engine form (edits on
// the form and inside a frame, one event bound) that is built afresh for every
// input and freed after it. Whatever the text, applying it must end without a
// fault; client commands other than _SetVariable and _Title are refused.
#include "../support/ClientSandbox.h"

#include "client/ClientSender.h"
#include "client/FormReader.h"
#include "client/MemoryTextStream.h"

#include <cstddef>
#include <cstdint>
#include <exception>

namespace {

const char* const FormLines[] = {
    "FORM", "[", "0", "Te3_ClientForm", "Parent", "NIL", "NAME", "FormMain", "CAPTION", "Orders", "]",
    "[", "0", "Te3_Edit", "Parent", "FormMain", "NAME", "Edit1", "TEXT", "snil", "]",
    "[", "0", "Te3_Edit", "Parent", "FormMain", "NAME", "Edit2", "TOP", "30", "EDITTYPE", "etInteger", "]",
    "[", "0", "Te3_ClientFrame", "Parent", "FormMain", "NAME", "Frame1", "TOP", "60", "]",
    "[", "0", "Te3_Edit", "Parent", "Frame1", "NAME", "Edit3", "EDITMASK", "99/99/9999;1;_", "]",
    "}", "0", "{",
    "Edit1.OnChange", "Main.EditChanged", "0",
    "}", "0", "{",
    "Main.EditChanged", "[", "Edit1.Text", "Edit2.Text", "]",
    "}",
};

std::string FormText()
{
    std::string text;
    for (const char* line : FormLines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzsandbox::Instance();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (!fuzzsandbox::Allowed(text))
        return -1;
    fuzzsandbox::Sandbox& sandbox = fuzzsandbox::Instance();
    std::vector<fw::Guard<fw::TComponent>> roots;
    client::TMemoryTextStream description(FormText());
    auto* form = dynamic_cast<client::Te3_ClientForm*>(client::LoadFormDescription(description));
    if (!form)
        std::abort();
    roots.emplace_back(form);
    sandbox.client->AddForm("Main", form);
    sandbox.client->SetCurrentForm(form);
    try {
        auto sender = client::TClientSender::CreateForClient("Fuzz");
        client::TMemoryTextStream reply(text);
        sender.ApplyReply(reply);
    } catch (const std::exception&) {
        // Malformed replies end with an error to the caller; that is their answer.
    }
    fuzzsandbox::FreeAll(roots);
    return 0;
}
