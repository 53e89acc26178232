// UTF-7 from form streams and Base64 captions from the engine: decoding never
// fails other than by its own error, what decodes is UTF-8 and survives a
// round trip.
#include "e3/common/UnicodeText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);

    const std::string caption = e3::UnicodeCaptionToText(input);
    if (!e3::IsValidUtf8(caption))
        std::abort();
    // A caption that itself starts with U+FEFF loses it on the way back, as a
    // byte-order mark would.
    const bool startsWithMark = caption.compare(0, 3, "\xEF\xBB\xBF") == 0;
    if (!startsWithMark && e3::UnicodeCaptionToText(e3::TextToUnicodeCaption(caption)) != caption)
        std::abort();

    try {
        const std::string text = e3::DecodeUtf7(input);
        if (!e3::IsValidUtf8(text) || e3::DecodeUtf7(e3::EncodeUtf7(text)) != text)
            std::abort();
    } catch (const e3::EUtf7Error&) {
    }

    // Any bytes encode, and what they encode to reads back as their UTF-8 form.
    const std::string encoded = e3::EncodeUtf7(input);
    const std::string decoded = e3::DecodeUtf7(encoded);
    if (!e3::IsValidUtf8(decoded) || (e3::IsValidUtf8(input) && decoded != input))
        std::abort();
    return 0;
}
