// Reads arbitrary bytes as a SOAP reply: once as an envelope, and twice as a
// multipart body (with and without the reply's multipart header). Anything
// unreadable must be refused with our own exception; every file written must
// be a plain file directly inside the attachment folder.
#include "enginelink/SOAPParser.h"
#include "u3/Exceptions.h"
#include "u3/PrivateFolder.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

const std::string& ScratchFolder()
{
    static const std::string folder = [] {
        std::string templ = u3::PrivateFolder::TempBase() + "/soapreader-XXXXXX";
        Check(::mkdtemp(templ.data()) != nullptr);
        return templ;
    }();
    static const struct Remover {
        ~Remover()
        {
            std::error_code error;
            std::filesystem::remove_all(folder, error);
        }
    } remover;
    return folder;
}

void CheckFiles(const enginelink::Te3SOAPParser& parser, const std::string& folder)
{
    namespace fs = std::filesystem;
    for (const std::string& file : parser.ReceivedFiles()) {
        Check(fs::path(file).parent_path() == fs::path(folder).parent_path());
        Check(fs::is_regular_file(fs::symlink_status(file)));
    }
    for (const auto& entry : fs::directory_iterator(folder))
        Check(entry.is_regular_file() && !entry.is_symlink());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string folder = ScratchFolder() + "/att/";
    {
        enginelink::Te3SOAPParser parser;
        try {
            parser.ReadEnvelope(text);
        } catch (const u3::Exception&) {
        }
    }
    for (bool multipart : {false, true}) {
        enginelink::Te3SOAPParser parser;
        parser.SetAttachmentDir(folder);
        parser.SetMultipart(multipart);
        try {
            parser.ReadMultipartBody(text.data(), text.size());
        } catch (const u3::Exception&) {
            Check(parser.ReceivedFiles().empty());
        }
        CheckFiles(parser, folder);
    }
    return 0;
}
