// Bind replies come from whatever answers at the configured address.
#include "enginelink/Cdr.h"
#include "enginelink/OrbBind.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The request id the seeds answer; any other gives no reference.
    if (const auto reference = enginelink::DecodeBindReply(bytes, 7)) {
        // What is accepted must read back as a reference.
        if (!enginelink::cdr::IorFromString(*reference))
            __builtin_trap();
    }
    enginelink::ReadGiopHeader(bytes);
    return 0;
}
