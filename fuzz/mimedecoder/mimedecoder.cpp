// Decodes arbitrary bytes as a MIME message. Every offset the decoder reports
// must lie inside the message and in order, and a line passed on as it stands
// must be the bytes at its offset.
#include "u3/Mime.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view message(reinterpret_cast<const char*>(data), size);
    u3::TMimeDecode decoder;
    decoder.SetDefaultBoundary("Mime_boundary__");
    int open = 0;
    decoder.OnPartBegin = [&] {
        ++open;
        Check(decoder.PartDataOffset() <= size);
    };
    decoder.OnPartLine = [&](const char* line, std::size_t length) {
        Check(open > 0);
        Check(decoder.LineOffset() >= decoder.PartDataOffset());
        Check(decoder.LineOffset() <= size);
        const std::string& encoding = decoder.TransferEncoding();
        if (encoding != "base64" && encoding != "quoted-printable" && encoding != "7bit") {
            Check(decoder.LineOffset() + length <= size);
            Check(line == message.data() + decoder.LineOffset());
        }
        // Under AddressSanitizer this proves the whole line is readable.
        volatile char sink = 0;
        for (std::size_t i = 0; i < length; ++i)
            sink = static_cast<char>(sink ^ line[i]);
        (void)sink;
    };
    decoder.OnPartEnd = [&] {
        Check(open > 0);
        --open;
        Check(decoder.PartDataOffset() <= decoder.PartDataEnd());
        Check(decoder.PartDataEnd() <= decoder.LineOffset());
        Check(decoder.LineOffset() < size);
        Check(message.substr(decoder.LineOffset()).starts_with("--"));
    };
    const bool closed = decoder.DecodeStream(message);
    if (closed)
        Check(open == 0);
    return 0;
}
