#pragma once
// Just enough CDR to speak the bind exchange by hand: primitive values aligned
// to their size from a chosen origin, strings, octet sequences and object
// references (IORs). The reader never trusts a length: every one is checked
// against the bytes that are left before anything is copied or reserved.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace enginelink::cdr {

class Writer {
public:
    // origin: the offset in bytes that alignment counts from (an encapsulation
    // counts from its byte-order octet, a GIOP message from its "GIOP" magic).
    explicit Writer(bool littleEndian, std::size_t origin = 0) : little_(littleEndian), origin_(origin) {}

    void Octet(std::uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
    void Boolean(bool value) { Octet(value ? 1 : 0); }
    void Ulong(std::uint32_t value);
    // Length with the terminating NUL, the characters, the NUL.
    void String(std::string_view text);
    // Length, then the octets as they are.
    void Octets(std::string_view octets);
    void Align(std::size_t boundary);
    // Overwrites four bytes at pos (no alignment), in the writer's byte order.
    void PatchUlong(std::size_t pos, std::uint32_t value);

    std::size_t Size() const { return bytes_.size(); }
    std::string& Bytes() { return bytes_; }

private:
    bool little_;
    std::size_t origin_;
    std::string bytes_;
};

class Reader {
public:
    // Reads data from pos on; alignment counts from the start of data.
    Reader(std::string_view data, bool littleEndian, std::size_t pos = 0)
        : data_(data), little_(littleEndian), pos_(pos) {}

    bool Octet(std::uint8_t& value);
    bool Boolean(bool& value);
    bool Ulong(std::uint32_t& value);
    bool String(std::string& text);
    bool Octets(std::string& octets);
    bool Align(std::size_t boundary);

    std::size_t Position() const { return pos_; }
    std::size_t Left() const { return pos_ <= data_.size() ? data_.size() - pos_ : 0; }

private:
    std::string_view data_;
    bool little_;
    std::size_t pos_;
};

// An interoperable object reference: the repository id and its tagged
// profiles. Profile data are encapsulations of their own and travel unchanged.
struct Ior {
    std::string typeId;
    std::vector<std::pair<std::uint32_t, std::string>> profiles;
};

bool ReadIor(Reader& in, Ior& ior);
void WriteIor(Writer& out, const Ior& ior);

// "IOR:" and the hex digits of the reference as a CDR encapsulation.
std::string IorToString(const Ior& ior);
std::optional<Ior> IorFromString(std::string_view text);

} // namespace enginelink::cdr
