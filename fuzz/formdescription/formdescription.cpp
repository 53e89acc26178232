// Form descriptions from arbitrary text: whatever the text, reading it must end
// without a fault, and everything it built is freed after it. Client commands
// other than _SetVariable and _Title are refused.
#include "../support/ClientSandbox.h"

#include "client/FormReader.h"
#include "client/MemoryTextStream.h"

#include <cstddef>
#include <cstdint>

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
    fuzzsandbox::Instance();
    std::vector<fw::Guard<fw::TComponent>> roots;
    client::TMemoryTextStream stream(text);
    roots.emplace_back(client::LoadFormDescription(stream));
    fuzzsandbox::FreeAll(roots);
    return 0;
}
