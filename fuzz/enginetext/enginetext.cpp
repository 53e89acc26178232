// The engine's text as the transports hand it to the client: the return value
// of a SOAP reply declared UTF-8, and a CORBA string in the engine's code page.
// Whatever the bytes, the client must get well-formed UTF-8 that keeps every
// ASCII character (the controls the engine sends on purpose among them), and a
// request carrying that text must be well-formed UTF-8 as well.
#include "enginelink/SOAPParser.h"
#include "enginelink/WireText.h"
#include "u3/Exceptions.h"
#include "u3/StrLib.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

std::string AsciiOf(const std::string& text)
{
    std::string ascii;
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x80)
            ascii += c;
    return ascii;
}

void CheckMended(const std::string& raw)
{
    std::string text = raw;
    const bool changed = u3::MakeValidUtf8(text);
    Check(u3::IsValidUtf8(text));
    Check(changed == !u3::IsValidUtf8(raw));
    Check(changed || text == raw);
    Check(AsciiOf(text) == AsciiOf(raw));
    std::string again = text;
    Check(!u3::MakeValidUtf8(again) && again == text);
}

void CheckSoapReply(const std::string& raw)
{
    const std::string envelope =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<SOAP-ENV:Envelope "
        "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body>"
        "<NS1:ExecuteEventResponse xmlns:NS1=\"urn:SOAPServer_Intf-IIZerk3Service\"><return>"
        + raw + "</return></NS1:ExecuteEventResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    enginelink::Te3SOAPParser reply;
    reply.SetURN(enginelink::kGUIEngineURN);
    try {
        reply.ReadEnvelope(envelope);
    } catch (const u3::Exception&) {
        return;
    }
    std::string value = reply.TakeReturnValue();
    u3::MakeValidUtf8(value);
    Check(u3::IsValidUtf8(value));

    enginelink::Te3SOAPParser request;
    request.SetURN(enginelink::kGUIEngineURN);
    request.SetOperation("ExecuteEvent");
    request.SetParam("EventValues", value);
    std::string body;
    request.WriteEnvelope(body);
    Check(u3::IsValidUtf8(body));
}

void CheckCorbaString(const std::string& raw)
{
    const std::string text = enginelink::WireToUtf8(raw);
    Check(u3::IsValidUtf8(text));
    bool lost = false;
    const std::string back = enginelink::Utf8ToWire(text, lost);
    // Every byte but NUL, which a wire string cannot hold, comes back as it was.
    if (raw.find('\0') == std::string::npos)
        Check(!lost && back == raw);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string raw(reinterpret_cast<const char*>(data), size);
    CheckMended(raw);
    CheckSoapReply(raw);
    CheckCorbaString(raw);
    return 0;
}
