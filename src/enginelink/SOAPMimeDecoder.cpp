#include "enginelink/SOAPMimeDecoder.h"

#include "enginelink/SOAPParser.h"
#include "u3/Exceptions.h"
#include "u3/StrLib.h"
#include "u3/XMLCodePage.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace enginelink {

namespace {

bool IsBinaryType(const std::string& type)
{
    return type == "application/binary" || type == "application/zip" || type == "application/octet-stream" ||
           type == "image/tiff" || type == "image/jpeg";
}

} // namespace

std::string DeclaredEncoding(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    if (!text.starts_with("<?xml"))
        return {};
    const std::size_t end = text.find("?>");
    const std::string_view declaration = text.substr(0, end);
    std::size_t at = declaration.find("encoding");
    if (at == std::string_view::npos)
        return {};
    at += 8;
    while (at < declaration.size() && static_cast<unsigned char>(declaration[at]) <= ' ')
        ++at;
    if (at >= declaration.size() || declaration[at] != '=')
        return {};
    ++at;
    while (at < declaration.size() && static_cast<unsigned char>(declaration[at]) <= ' ')
        ++at;
    if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\''))
        return {};
    const char quote = declaration[at];
    const std::size_t close = declaration.find(quote, at + 1);
    if (close == std::string_view::npos)
        return {};
    return std::string(declaration.substr(at + 1, close - at - 1));
}

u3::XMLCodePage EnvelopeCodePage(std::string_view text)
{
    const std::string name = DeclaredEncoding(text);
    return name.empty() ? u3::XMLCodePage::kCp1252 : u3::XMLCodePageOf(name);
}

namespace {

bool WriteAll(int fd, const char* data, std::size_t length)
{
    while (length > 0) {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::string EnvelopeTextForCharset(std::string text, std::string_view charset)
{
    u3::XMLCodePage partPage;
    if (u3::SameText(charset, "koi8-r"))
        partPage = u3::XMLCodePage::kKoi8r;
    else if (u3::SameText(charset, "utf-8"))
        partPage = u3::XMLCodePage::kUtf8;
    else
        return text;
    const u3::XMLCodePage declared = EnvelopeCodePage(text);
    if (declared == partPage)
        return text;
    std::string utf8 = partPage == u3::XMLCodePage::kUtf8 ? std::move(text) : u3::XMLCodePageToUtf8(text, partPage);
    if (declared == u3::XMLCodePage::kUtf8)
        return utf8;
    return u3::Utf8ToXMLCodePage(utf8, declared);
}

Te3SOAPMimeDecoder::Te3SOAPMimeDecoder(Te3SOAPParser& parser, std::string_view raw) : parser_(parser), raw_(raw)
{
    mime_.SetDefaultBoundary(parser.boundary_.empty() ? std::string(kDefaultBoundary) : parser.boundary_);
    mime_.OnPartBegin = [this] { PartBegin(); };
    mime_.OnPartLine = [this](const char* data, std::size_t length) { PartLine(data, length); };
    mime_.OnPartEnd = [this] { PartEnd(); };
}

Te3SOAPMimeDecoder::~Te3SOAPMimeDecoder()
{
    CloseFile(false);
}

void Te3SOAPMimeDecoder::Decode()
{
    // A reply that cannot be read whole leaves none of its files behind.
    auto discard = [this] {
        CloseFile(false);
        for (const std::string& name : parser_.receivedFiles_)
            ::unlink(name.c_str());
        parser_.receivedFiles_.clear();
    };
    bool closed = false;
    try {
        closed = mime_.DecodeStream(raw_);
    } catch (...) {
        discard();
        throw;
    }
    if (!closed) {
        discard();
        throw u3::Exception("SOAP error: The multipart response ends without its closing boundary");
    }
}

std::string Te3SOAPMimeDecoder::ContentIDFileName(std::string_view contentID)
{
    const std::size_t cut = contentID.find_last_of("/\\");
    const std::string_view name = cut == std::string_view::npos ? contentID : contentID.substr(cut + 1);
    if (name.empty() || name == "." || name == ".." || name.find('\0') != std::string_view::npos)
        return {};
    return std::string(name);
}

bool Te3SOAPMimeDecoder::IsEnvelopePart() const
{
    const std::string& type = mime_.ContentType();
    return type == "text/xml" || (type == "application/xop+xml" && mime_.TypeParam() == "text/xml");
}

void Te3SOAPMimeDecoder::CloseFile(bool keep)
{
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
    if (!keep)
        ::unlink(fileName_.c_str());
    fileName_.clear();
}

void Te3SOAPMimeDecoder::PartBegin()
{
    CloseFile(false);
    envelope_.clear();
    envelopeHasLines_ = false;
    const std::string& type = mime_.ContentType();
    if (type == "multipart/related" && mime_.BoundaryLine().size() > 2)
        parser_.boundary_ = mime_.BoundaryLine().substr(2);
    if (!IsBinaryType(type) || mime_.ContentID().empty())
        return;
    const std::string name = ContentIDFileName(mime_.ContentID());
    if (name.empty())
        return;
    const std::string folder = parser_.GetAttachmentDir();
    if (folder.empty())
        return;
    const std::string path = folder + name;
    // A file of that name is replaced; a link or folder there is not followed.
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    fd_ = fd;
    fileName_ = path;
    parser_.multipart_ = true;
}

void Te3SOAPMimeDecoder::PartLine(const char* data, std::size_t length)
{
    if (!IsEnvelopePart())
        return;
    // Decoded and 7bit lines carry their own line ends; other lines are joined.
    const std::string& encoding = mime_.TransferEncoding();
    const bool ownLineEnds = encoding == "base64" || encoding == "quoted-printable" || encoding == "7bit";
    if (envelopeHasLines_ && !ownLineEnds)
        envelope_ += "\r\n";
    envelope_.append(data, length);
    envelopeHasLines_ = true;
}

void Te3SOAPMimeDecoder::PartEnd()
{
    if (IsEnvelopePart()) {
        if (!envelopeHasLines_)
            return;
        std::string text = EnvelopeTextForCharset(std::move(envelope_), mime_.Charset());
        envelope_.clear();
        envelopeHasLines_ = false;
        parser_.ReadEnvelope(text);
        return;
    }
    if (fd_ < 0)
        return;
    const std::size_t start = mime_.PartDataOffset();
    const std::size_t span = mime_.PartDataEnd() - start;
    // A declared length may leave out padding before the boundary, but it
    // never reaches past it.
    const int64_t declared = mime_.ContentLength();
    const std::size_t length =
        declared > 0 && static_cast<uint64_t>(declared) <= span ? static_cast<std::size_t>(declared) : span;
    const std::string name = fileName_;
    if (!WriteAll(fd_, raw_.data() + start, length)) {
        CloseFile(false);
        throw u3::Exception("SOAP error: Cannot write the attachment file " + name);
    }
    CloseFile(true);
    if (written_.insert(name).second)
        parser_.receivedFiles_.push_back(name);
}

} // namespace enginelink
