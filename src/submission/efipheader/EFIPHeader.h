#pragma once
// The fixed 432-byte text header that opens every request and reply body of
// the submission protocol, the hash that protects it, the block-size rule and
// the table of transaction steps. Nothing here does I/O.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace efip {

inline constexpr std::size_t kHeaderSize = 432;
// Bytes 40 onwards (and the data block) are what the hash covers.
inline constexpr std::size_t kHashedFrom = 40;
inline constexpr std::size_t kServerBlockSizeWidth = 16;
inline constexpr int32_t kDefaultBlockSize = 100000;

struct HeaderField {
    std::size_t offset;
    std::size_t width;
    const char* name; // as the debug dump names it
};

namespace field {
inline constexpr HeaderField division_hash {0, 40, "division_hash"};
inline constexpr HeaderField protocol_version {40, 4, "protocol_version"};
inline constexpr HeaderField transaction_type {44, 4, "transaction_type"};
inline constexpr HeaderField transaction_id {48, 36, "transaction_id"};
inline constexpr HeaderField reserved_use {84, 32, "reserved_use"};
inline constexpr HeaderField total_bytes {116, 16, "total_bytes"};
inline constexpr HeaderField division_length {132, 16, "division_length"};
inline constexpr HeaderField division_offset {148, 16, "division_offset"};
inline constexpr HeaderField division_RC {164, 4, "division_RC"};
inline constexpr HeaderField application_RC {168, 4, "application_RC"};
inline constexpr HeaderField message_encoding {172, 4, "message_encoding"};
inline constexpr HeaderField message_text {176, 256, "message_text"};
} // namespace field

// The fields the debug log dumps, in order.
inline constexpr std::array<HeaderField, 10> kDumpedFields {
    field::division_hash,  field::protocol_version, field::transaction_type, field::transaction_id,
    field::reserved_use,   field::total_bytes,      field::division_length,  field::division_offset,
    field::division_RC,    field::application_RC,
};

// Return codes with a meaning of their own.
inline constexpr uint16_t kRcNotReady = 0xFFFD;      // division_RC of "prct": receipt not ready...
inline constexpr uint16_t kAppRcNotReady = 0x1000;   // ...together with this application_RC
inline constexpr uint16_t kRcRetry = 0xFFFE;         // division_RC of a repeated "prct"
inline constexpr uint16_t kAppRcNoPackage = 0x0001;  // "phdr": the server needs no package data

enum TCeFIPProtocolState : int32_t {
    epNot = 0,
    epBegin_transaction = 1,
    epSend_package_header = 2,
    epSend_WASP = 3,
    epGet_receipt = 4,
    epCheckReceipt = 5,
    epEnd_transaction = 6,
    epClose = 7,
};

struct StepInfo {
    TCeFIPProtocolState state;
    const char* logName;
    const char* transactionType;
};

// The step sent in a state; nullptr for a state without one.
const StepInfo* StepOf(TCeFIPProtocolState state);

// value as 16 decimal digits, filled with "0" on the left. Negative values
// are written as 0: sizes and offsets are never negative on the wire.
std::string FormatField16(int64_t value);
// All characters as one decimal number (leading zeros allowed); nothing for a
// text with anything but digits, an empty one or one out of range.
std::optional<int64_t> ParseDecimalField(std::string_view text);
// Four hexadecimal digits in upper case, high byte first.
std::string FormatHexWord(uint16_t value);
// Four hexadecimal digits in either case; nothing when they are not that.
std::optional<uint16_t> ParseHexWord(std::string_view text);

class EFIPHeader {
public:
    // All "0", then the protocol version and the message encoding.
    EFIPHeader();

    std::string_view Get(const HeaderField& f) const { return {bytes_.data() + f.offset, f.width}; }
    // Copies at most the field's width; a shorter text leaves the rest as it was.
    void Set(const HeaderField& f, std::string_view text);
    void Fill(const HeaderField& f, char c = '0');
    void SetNumber(const HeaderField& f, int64_t value) { Set(f, FormatField16(value)); }
    void SetHexWord(const HeaderField& f, uint16_t value) { Set(f, FormatHexWord(value)); }

    // Takes the first 432 bytes of a body; false (and nothing changed) when
    // the body is shorter.
    bool Assign(std::string_view body);

    std::string_view Bytes() const { return {bytes_.data(), bytes_.size()}; }
    // Writes the digest of bytes 40..431 and the data into bytes 0..39.
    void Seal(std::string_view data = {});
    // Whether bytes 0..39 equal that digest exactly, letter case included.
    bool HashMatches(std::string_view data) const;

private:
    std::array<char, kHeaderSize> bytes_ {};
};

// SHA-1 over bytes 40..431 of the header and the data, as 40 upper-case
// hexadecimal digits.
std::string ComputeDivisionHash(const EFIPHeader& header, std::string_view data = {});

// The division at offset in a file of total bytes: min(blockSize, total - offset).
int64_t DivisionLength(int64_t blockSize, int64_t total, int64_t offset);

// The block size after the server's 16-character figure from the reply to
// "pbeg": a smaller positive figure replaces the current one. A text that is
// no number, and a figure of 0 or less (which would make every division
// empty, so no transfer could advance), leave it as it is.
int32_t ApplyServerBlockSize(int32_t current, std::string_view serverText);

// The dump of a header for the debug log: one line per dumped field, 27
// blanks, the name padded to 16, ": " and the field's characters.
std::string DumpHeader(const EFIPHeader& header);

// What the common reply checks make of a reply body.
struct ReplyCheck {
    int32_t error = 0;      // 0, -30009 (bad response header) or minus a refusing division_RC
    bool fatal = false;
    uint16_t divisionRC = 0;
    uint16_t applicationRC = 0;
};
// Body too short, another transaction type or return codes that are no
// hexadecimal give -30009; a division_RC above 0x7FFF other than FFFD and FFFE
// is the server's refusal (fatal, minus the code).
ReplyCheck CheckReply(const EFIPHeader& request, std::string_view body, EFIPHeader& reply);

// The server's message text with blanks trimmed at both ends.
std::string ReplyMessageText(const EFIPHeader& reply);

// What becomes of one division of the receipt.
enum class ReceiptDivision { Accepted, BadDivision, BadHash, ZeroSize };
struct ReceiptCheck {
    ReceiptDivision verdict = ReceiptDivision::BadDivision;
    int64_t total = 0;
    int64_t offset = 0;
    int64_t length = 0;
    std::string computedHash; // for BadHash
};
// A division is taken only at the offset asked for, with a length above 0
// equal to the bytes that arrived, inside the receipt's total, and with the
// total the earlier divisions gave (knownTotal, 0 before the first one).
// Checks run in the order: total (ZeroSize), placement (BadDivision), hash.
ReceiptCheck CheckReceiptDivision(const EFIPHeader& reply, std::string_view data, int64_t requestedOffset,
                                  int64_t knownTotal);

} // namespace efip
