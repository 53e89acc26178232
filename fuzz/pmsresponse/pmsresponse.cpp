// What comes back from the PMS gateway: a reply read as an envelope and as a
// multipart body, the returned archive's name taken from it, and the same
// bytes read as a request document by the gateway-side readers.
#include "enginelink/pms/PMSSOAPClient.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    char base[] = "/tmp/pmsresponse.XXXXXX";
    if (!::mkdtemp(base))
        return 0;
    for (const bool multipart : {false, true}) {
        enginelink::TPMSSOAPClient client("127.0.0.1", "1", true);
        client.Parser().SetAttachmentDir(std::string(base) + "/att");
        try {
            if (multipart) {
                client.Parser().SetMultipart(true);
                client.Parser().SetBoundary("BB");
                client.Parser().ReadMultipartBody(text.data(), text.size());
            } else {
                client.Parser().ReadEnvelope(text);
            }
            client.GetReturnArchiveName();
        } catch (const std::exception&) {
        }
    }
    try {
        enginelink::TPMSInput input;
        input.ReadXML(text);
        input.WriteXML();
    } catch (const std::exception&) {
    }
    std::error_code error;
    std::filesystem::remove_all(base, error);
    return 0;
}
