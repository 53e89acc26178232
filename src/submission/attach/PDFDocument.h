#pragma once
// A small reader of PDF structure as the attachment checks need it: it finds
// objects and cross-reference tables by their keywords in the text of the file,
// never decompresses a stream and never follows object streams. The file is
// read once from start to end in fixed pieces, so time grows linearly with the
// file and memory with its dictionaries only, never with its stream data. When
// the cross-reference table is known, the keyword search passes over the data
// of streams whose length is given and confirmed by "endstream".
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace attach {

// A structural fault the reader cannot get past (a cross-reference line that is
// no number, a table cut short). The checks turn it into a failed test.
class PDFError : public std::exception {
public:
    explicit PDFError(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

struct TPDFObject {
    int64_t Number = -1;   // -1 when the header's number is not a number
    int64_t Offset = 0;    // of the header's first digit in the file
    std::string Key;       // the header, for example "12 0"
    std::string Dictionary;
};

// Receives every byte of the file in order while it is scanned, so that other
// checks can share the single read.
using PDFByteSink = std::function<void(std::string_view)>;

class TPDFFile {
public:
    // Opens the file; throws PDFError when it cannot be opened.
    TPDFFile(const std::string& fileName, bool readOnly);
    ~TPDFFile();
    TPDFFile(const TPDFFile&) = delete;
    TPDFFile& operator=(const TPDFFile&) = delete;

    // Reads the whole file once for its objects; sink (when set) sees every
    // byte. listedOffsets (sorted), when given, are the offsets the caller
    // keeps objects at: the data of a stream is then not searched for
    // headers when its direct /Length ends right before "endstream" and no
    // listed offset lies inside it, because whatever the search would find
    // there the caller drops. The kept objects are the same either way.
    void ScanObjects(const PDFByteSink& sink = {}, const std::vector<int64_t>* listedOffsets = nullptr);

    bool Header() const { return header_; }
    const std::string& Version() const { return version_; }
    int64_t Size() const { return size_; }
    const std::vector<TPDFObject>& Objects() const { return objects_; }
    std::vector<TPDFObject>& Objects() { return objects_; }
    // Position just after the last "startxref" standing alone on its line,
    // -1 when none; known from opening on.
    int64_t StartXrefPos() const { return startXrefPos_; }

    // Up to count bytes from offset (fewer at the end of the file).
    std::string ReadAt(int64_t offset, size_t count) const;

private:
    void FindStartXref();
    // Where the search goes on after the stream whose keyword "stream" is at
    // keyword, when its data can be passed over; -1 otherwise.
    int64_t StreamEnd(int64_t keyword, std::string_view dictionary, const std::vector<int64_t>& listed) const;

    int fd_ = -1;
    int64_t size_ = 0;
    bool header_ = false;
    std::string version_;
    std::vector<TPDFObject> objects_;
    int64_t startXrefPos_ = -1;
};

class TPDFDocument {
public:
    // Opens, scans and reads the cross-reference tables; throws PDFError on a
    // structural fault. sink sees every byte of the file during the scan.
    TPDFDocument(const std::string& fileName, bool readOnly, const PDFByteSink& sink = {});

    const TPDFFile& File() const { return file_; }
    const std::string& FileName() const { return fileName_; }
    const std::map<int64_t, std::string>& Xref() const { return xref_; }
    const std::map<int64_t, std::string>& ObjectTexts() const { return objectTexts_; }
    const std::string& Root() const { return root_; }
    const std::string& ID() const { return id_; }
    const std::string& Encrypt() const { return encrypt_; }
    int64_t LastXrefOffset() const { return lastXref_; }

    // -1 when the count cannot be found.
    int GetPageCount() const;
    bool HasFileSpec() const;
    // One entry per font object: "Embeded; " + base font + "; " + subtype for
    // an embedded font, base font + "; " + subtype otherwise.
    int GetFonts(std::vector<std::string>& list) const;
    bool VersionOK() const;
    bool FontsEmbedded() const;

    // The dictionary text of the scanned object a reference ("12 0 R") names;
    // empty when there is none.
    std::string ObjectDictionary(std::string_view reference) const;

private:
    void ReadXrefSections();
    void ReadObjectTexts();
    void DropUnlistedObjects();

    TPDFFile file_;
    std::string fileName_;
    std::map<int64_t, std::string> xref_;
    std::map<int64_t, std::string> objectTexts_;
    std::map<int64_t, size_t> objectAtOffset_;
    std::string root_;
    std::string id_;
    std::string encrypt_;
    int64_t lastXref_ = -1;
};

// The value of /Name in a dictionary text: one separator after the name is
// skipped, a leading "/" dropped, and the value runs up to the next "/" or ">".
// When one occurrence yields nothing, the next is tried.
std::string GetValue(std::string_view text, std::string_view name);
// Whether some /Name in text is followed by value and then ">", "/", CR, LF or a blank.
bool HasValue(std::string_view text, std::string_view name, std::string_view value);

} // namespace attach
