// Splitting any text must not fail, and joining the pieces must split back to
// the same pieces.
#include "u3/CommandLine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto args = u3::SplitCommandLine(text);
    if (u3::SplitCommandLine(u3::JoinCommandLine(args)) != args)
        std::abort();
    return 0;
}
