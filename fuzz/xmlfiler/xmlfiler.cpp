// Reads arbitrary bytes as an XML node streamed in the component-streaming
// format. Anything it cannot read must be refused with our own error; a node
// it reads must stream to bytes that read back to a node streaming to the same
// bytes, and must be writable as text.
#include "u3/XMLParser.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

std::unique_ptr<u3::TXMLBaseTag> Read(const std::string& bytes, u3::TXMLSimpleDocument& document, bool& wholly)
{
    u3::TFilerReader reader(bytes);
    auto node = u3::CreateXMLNodeByKind(reader.ReadInteger(), document, nullptr);
    node->ReadFromFiler(reader);
    wholly = reader.AtEnd();
    return node;
}

std::string Write(u3::TXMLBaseTag& node)
{
    std::string bytes;
    u3::TFilerWriter writer(bytes);
    node.WriteToFiler(writer);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    u3::TXMLSimpleDocument document;
    std::unique_ptr<u3::TXMLBaseTag> node;
    bool wholly = false;
    try {
        node = Read(bytes, document, wholly);
    } catch (const u3::Exception&) {
        return 0;
    }
    const std::string once = Write(*node);
    u3::TXMLSimpleDocument copy;
    std::unique_ptr<u3::TXMLBaseTag> again;
    try {
        again = Read(once, copy, wholly);
    } catch (const u3::Exception&) {
        std::abort();
    }
    Check(wholly);
    Check(Write(*again) == once);
    std::string text;
    again->SaveToString(text);
    return 0;
}
