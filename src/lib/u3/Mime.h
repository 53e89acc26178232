#pragma once
// A MIME message decoder for multipart bodies held in memory: the message
// header gives the boundary, each part's header its type, transfer encoding,
// Content-ID and Content-Length, and each data line of a part is reported
// decoded, together with its offset in the raw message, so that a listener can
// copy binary data byte for byte from the raw bytes instead of rebuilding it
// from lines.
//
// Lines end at LF; a CR before the LF is not part of the line. A line that
// begins with "--" and the boundary ends the part before it; one that also has
// "--" after the boundary closes the multipart body. A part of a multipart type
// that names a boundary holds parts of its own (up to a small depth); a
// boundary line of an enclosing body ends every part inside it.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace u3 {

class TMimeDecode {
public:
    TMimeDecode();
    ~TMimeDecode();
    TMimeDecode(const TMimeDecode&) = delete;
    TMimeDecode& operator=(const TMimeDecode&) = delete;

    // After the current part's header.
    std::function<void()> OnPartBegin;
    // One data line: base64 and quoted-printable data decoded (a hard line
    // break of quoted-printable as CR LF), a "7bit" line with CR LF appended,
    // any other line as it stands without its line end.
    std::function<void(const char* data, std::size_t length)> OnPartLine;
    // At the boundary line that ends the current part.
    std::function<void()> OnPartEnd;

    // The boundary used when the message header names none.
    void SetDefaultBoundary(std::string boundary) { defaultBoundary_ = std::move(boundary); }
    const std::string& DefaultBoundary() const { return defaultBoundary_; }

    // Decodes the whole message. True when the multipart body was closed by its
    // close delimiter; false when the message ended before it (a part that is
    // still open then gets no OnPartEnd). Exceptions of the handlers pass
    // through.
    bool DecodeStream(std::string_view message);

    // The boundary of the message (from its header, or the default).
    const std::string& MessageBoundary() const { return messageBoundary_; }

    // The current part's own header values, valid inside the handlers.
    // Content type without parameters, in lower case ("text/xml").
    const std::string& ContentType() const { return part().contentType; }
    // The "charset" parameter, lower case, without quotes.
    const std::string& Charset() const { return part().charset; }
    // The "type" parameter, lower case, without quotes.
    const std::string& TypeParam() const { return part().typeParam; }
    // Content-Transfer-Encoding, lower case.
    const std::string& TransferEncoding() const { return part().transferEncoding; }
    // Content-ID without enclosing angle brackets or quotes.
    const std::string& ContentID() const { return part().contentID; }
    // 0 when absent or not a non-negative number.
    int64_t ContentLength() const { return part().contentLength; }
    // For a multipart part that names a boundary: "--" and that boundary.
    const std::string& BoundaryLine() const { return part().boundaryLine; }

    // Raw offsets into the message. LineOffset is the start of the line being
    // reported (in OnPartEnd: the boundary line). PartDataOffset is where the
    // current part's data begins, just after the blank line that ends its
    // header. PartDataEnd, in OnPartEnd, is where its data ends: before the
    // line break that belongs to the boundary line.
    std::size_t LineOffset() const { return lineOffset_; }
    std::size_t PartDataOffset() const { return part().dataStart; }
    std::size_t PartDataEnd() const { return dataEnd_; }

private:
    struct PartInfo {
        std::string contentType;
        std::string charset;
        std::string typeParam;
        std::string transferEncoding;
        std::string contentID;
        std::string boundaryLine;
        // The "boundary" parameter whatever the type.
        std::string boundary;
        int64_t contentLength = 0;
        std::size_t dataStart = 0;
    };
    enum class State { kPreamble, kHeader, kData, kEpilogue };
    // One multipart body: the message's, or that of a multipart part.
    struct Level {
        std::string boundaryLine;
        State state = State::kPreamble;
        PartInfo part;
        // Unfolded header lines of the part being read.
        std::vector<std::string> header;
        // Base64 bits carried from one line to the next.
        uint32_t bits = 0;
        int bitCount = 0;
    };

    const PartInfo& part() const;
    void ParseHeader(const std::vector<std::string>& header, PartInfo& info) const;
    void ReadHeaderLine(std::vector<std::string>& header, std::string_view line) const;
    // Returns false when the close delimiter of the message was read.
    bool BoundaryLine(std::size_t levelIndex, bool close, std::size_t offset);
    void EndPart(std::size_t levelIndex, std::size_t boundaryOffset);
    void BeginPart(std::size_t levelIndex, std::size_t dataStart);
    void DataLine(Level& level, std::string_view line);

    std::string defaultBoundary_;
    std::string messageBoundary_;
    std::vector<Level> levels_;
    const PartInfo* current_ = nullptr;
    std::string_view message_;
    std::string decoded_;
    std::size_t lineOffset_ = 0;
    std::size_t dataEnd_ = 0;
};

} // namespace u3
