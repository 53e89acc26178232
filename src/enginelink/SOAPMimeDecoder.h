#pragma once
// Splits a multipart SOAP reply for Te3SOAPParser: the envelope part is read
// as the reply's envelope, binary parts are copied byte for byte from the raw
// body into files of the parser's attachment folder.
#include "u3/Mime.h"

#include "u3/XMLCodePage.h"

#include <string>
#include <string_view>
#include <unordered_set>

namespace enginelink {

class Te3SOAPParser;

class Te3SOAPMimeDecoder {
public:
    Te3SOAPMimeDecoder(Te3SOAPParser& parser, std::string_view raw);
    ~Te3SOAPMimeDecoder(); // removes a file left unfinished
    Te3SOAPMimeDecoder(const Te3SOAPMimeDecoder&) = delete;
    Te3SOAPMimeDecoder& operator=(const Te3SOAPMimeDecoder&) = delete;

    // Throws u3::Exception when the body ends before its closing boundary.
    void Decode();

    // The file name a Content-ID gives: its text after the last "/" or "\";
    // empty when that is "", "." or ".." or holds a NUL.
    static std::string ContentIDFileName(std::string_view contentID);

private:
    void PartBegin();
    void PartLine(const char* data, std::size_t length);
    void PartEnd();
    bool IsEnvelopePart() const;
    void CloseFile(bool keep);

    u3::TMimeDecode mime_;
    Te3SOAPParser& parser_;
    std::string_view raw_;
    std::string envelope_;
    bool envelopeHasLines_ = false;
    int fd_ = -1;
    std::string fileName_;
    std::unordered_set<std::string> written_;
};

// The encoding named in the XML declaration at the start of text; empty when
// there is none.
std::string DeclaredEncoding(std::string_view text);

// The code page an envelope's bytes are in: the one its declaration names, or
// the engine's (Windows-1252) when it names none.
u3::XMLCodePage EnvelopeCodePage(std::string_view text);

// The envelope text as the XML reader will read it: bytes in the part's
// charset (utf-8 or koi8-r) are brought into the encoding the envelope's own
// declaration names; other charsets leave the text as it is.
std::string EnvelopeTextForCharset(std::string text, std::string_view charset);

} // namespace enginelink
