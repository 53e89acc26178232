#pragma once
// One remote call as a SOAP 1.1 envelope, and one SOAP reply back into values,
// for the GUI engine service and the PMS gateway. A call may carry one binary
// attachment: the request then goes as a multipart/related body, and the binary
// parts of a multipart reply are copied byte for byte into files of the
// attachment folder.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace enginelink {

inline constexpr const char* kGUIEngineURN = "urn:SOAPServer_Intf-IIZerk3Service";
inline constexpr const char* kPMSGatewayURN = "urn:SOAPServer_Intf-IIPMSGateway";
inline constexpr const char* kDefaultBoundary = "Mime_boundary__";
// The PMS gateway's types namespace and the Content-ID of an envelope part; both
// on the same authority.
extern const char* const PMSTypesNamespace;
extern const char* const PMSEnvelopeContentID;

// Parameters in the order added, names compared without regard to case; each
// parameter may carry attributes (name = value, in the order set). Setting an
// existing parameter or attribute to an empty value removes it.
class Te3SOAPParamList {
public:
    struct Entry {
        std::string name;
        std::string value;
        std::vector<std::pair<std::string, std::string>> attributes;
        const std::string* borrowed = nullptr; // the value's text, when it is the caller's (plain text)

        const std::string& Value() const { return borrowed ? *borrowed : value; }
    };

    void SetParam(const std::string& name, const std::string& value);
    // The same without a copy, for a long text with nothing to escape (a file's
    // Base64 text); false, and nothing set, for any other. The caller keeps
    // value alive and unchanged until the parameter is set again, released or
    // the list cleared.
    bool SetParamBorrowed(const std::string& name, const std::string& value);
    // Removes the parameters whose text is the caller's.
    void ReleaseBorrowed();
    void SetParamAttribute(const std::string& param, const std::string& attr, const std::string& value);
    std::string GetParam(const std::string& name) const;
    std::string GetParamAttribute(const std::string& param, const std::string& attr) const;
    int Count() const { return static_cast<int>(entries_.size()); }
    const Entry& At(int index) const { return entries_.at(static_cast<std::size_t>(index)); }
    void Clear();

private:
    // Position of the parameter, or npos.
    std::size_t Find(std::string_view name) const;
    void Reindex();

    std::vector<Entry> entries_;
    // Lower-case names to positions, so that a reply with many parameters or
    // attributes is read in linear time; attrIndex_ runs parallel to entries_.
    std::unordered_map<std::string, std::size_t> index_;
    std::vector<std::unordered_map<std::string, std::size_t>> attrIndex_;
};

class Te3SOAPParser {
public:
    Te3SOAPParser();
    virtual ~Te3SOAPParser(); // deletes the attachment folder when one was set or made

    Te3SOAPParser(const Te3SOAPParser&) = delete;
    Te3SOAPParser& operator=(const Te3SOAPParser&) = delete;

    void SetURN(const std::string& urn) { urn_ = urn; }
    const std::string& URN() const { return urn_; }

    void SetOperation(const std::string& name); // strips one pair of enclosing ' or "
    const std::string& Operation() const { return operation_; }
    void SetParam(const std::string& name, const std::string& value);
    // Without a copy, for a file's text: see Te3SOAPParamList::SetParamBorrowed.
    bool SetParamBorrowed(const std::string& name, const std::string& value);
    // Lets go of the caller's texts once the call that sent them is over.
    void ReleaseBorrowedParams() { params_.ReleaseBorrowed(); }
    void SetParamAttribute(const std::string& param, const std::string& attr, const std::string& value);
    std::string GetParam(const std::string& name) const;
    std::string GetParamAttribute(const std::string& param, const std::string& attr) const;
    int ParamCount() const;
    const Te3SOAPParamList& Params() const { return params_; }

    void SetServerUserID(const std::string& id) { serverUserID_ = id; }
    const std::string& ServerUserID() const { return serverUserID_; }
    void SetRequestID(const std::string& id) { requestID_ = id; }
    const std::string& RequestID() const { return requestID_; }
    void SetResult(const std::string& value); // return value, response mode on
    const std::string& ReturnValue() const { return returnValue_; }
    // The return value, moved out: ReturnValue() is empty afterwards.
    std::string TakeReturnValue();
    const std::string& FaultString() const { return faultString_; }
    void SetFaultString(const std::string& text) { faultString_ = text; }
    bool ResponseMode() const { return responseMode_; }

    // Stores the file to send; a non-empty name turns multipart on and gives the
    // parameter "attachment" ("rattachment" when isReturn) href="cid:" + the
    // file's name without folder and extension.
    void SetAttachment(const std::string& fileName, bool isReturn);
    const std::string& AttachmentFileName() const { return attachmentFileName_; }
    void SetMultipart(bool on);
    bool Multipart() const { return multipart_; }
    void SetBoundary(const std::string& boundary) { boundary_ = boundary; }
    const std::string& Boundary() const { return boundary_; }
    // Folder with a trailing "/", created with its parents; empty clears it.
    void SetAttachmentDir(const std::string& folder);
    // The folder; when none is set, a new unique private folder is made (under
    // the local server's data temp folder, or a private folder of the user when
    // that cannot be written) and kept for the parser's life.
    std::string GetAttachmentDir();

    // The envelope (UTF-8, indented, CR LF line ends).
    virtual void WriteEnvelope(std::string& text);
    // The same bytes in pieces: the markup and short values written out into
    // storage of the pieces' own, long values that need no escaping (a file's
    // text) referred to where they are. Valid while the parameters are unchanged.
    struct EnvelopePieces {
        std::string written;
        std::vector<std::string_view> pieces; // in order; those into written are set last
        std::size_t size = 0;
    };
    void WriteEnvelopePieces(EnvelopePieces& out);
    // The request body: the envelope alone, or with multipart the envelope part
    // and the binary part.
    std::string BuildMultipartBody();
    // Throws u3::Exception "SOAP error: Wrong XML format in the SOAP response
    // ("%s")" for a document that is not an envelope, the XML parser's exception
    // for text that is not well-formed.
    virtual void ReadEnvelope(const std::string& text);
    // The same for a reply the caller gives up: a long text run in it (a
    // file's text) becomes the return value where it lies instead of being
    // copied out of it. Reads as the overload above does.
    void ReadEnvelope(std::string&& text);
    // A multipart reply (the boundary set from the reply's Content-Type first);
    // throws u3::Exception when the closing boundary is missing (the files
    // written from that reply, the partial one included, are removed).
    void ReadMultipartBody(const char* data, std::size_t length);

    // Empties operation, parameters, fault, return value, response mode,
    // multipart, attachment file name and boundary; the ServerUserID only when
    // asked. Keeps the URN, the RequestID and the attachment folder.
    virtual void Clear(bool clearServerUserID);

    static std::string LocalName(const std::string& name);

    // Files written from binary parts of the last multipart reply, in order.
    const std::vector<std::string>& ReceivedFiles() const { return receivedFiles_; }

private:
    friend class Te3SOAPMimeDecoder;

    std::string operation_;
    Te3SOAPParamList params_;
    std::string faultString_;
    std::string returnValue_;
    std::string serverUserID_;
    bool responseMode_ = false;
    std::string urn_;
    std::string requestID_;
    bool multipart_ = false;
    std::string boundary_;
    std::string attachmentDir_;
    bool attachmentDirMade_ = false;
    std::string attachmentFileName_;
    std::vector<std::string> receivedFiles_;
};

} // namespace enginelink
