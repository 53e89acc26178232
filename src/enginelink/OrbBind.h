#pragma once
// Our bind request: asks the engine's ORB at "inet:" host ":" port for the
// object it holds under a repository id, the way the engine's ORB expects to be
// asked. The ORB we link has no such call, so the exchange is spoken here.
//
// The request (one GIOP 1.0 message on a fresh TCP connection):
//   12-byte header   "GIOP", version 1.0, byte-order octet (1 = little-endian,
//                    we send little-endian), message type 0 (Request), ulong
//                    size of everything after the header
//   request header   sequence<ServiceContext> = 0 entries
//                    ulong request id
//                    boolean response expected = 1
//                    sequence<octet> object key = empty (length 0)
//                    string operation = "_bind"
//                    sequence<octet> principal = empty
//   arguments        string repository id
//                    sequence<octet> object id = empty
// Strings are a ulong length counting the terminating NUL, the characters and
// the NUL; every ulong is aligned to 4 counted from the first byte of "GIOP".
//
// The reply (GIOP 1.0 or 1.1, either byte order, not fragmented):
//   12-byte header   message type 1 (Reply)
//   reply header     sequence<ServiceContext> (skipped), ulong request id (must
//                    be ours), ulong reply status (0 = no exception)
//   body             ulong bind status (1 = the object is here, 0 = unknown)
//                    object reference (IOR): string type id,
//                    sequence<{ulong tag, sequence<octet> profile data}>
// Any other message type, reply status (user or system exception, location
// forward), bind status, a nil reference, a short or inconsistent message, or
// a closed connection gives no reference for that attempt.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace enginelink {

struct InetAddress {
    std::string host;
    std::string port;
};

// "inet:" host ":" port; the port is decimal 1..65535. An IPv6 host may stand
// in brackets.
std::optional<InetAddress> ParseInetAddress(std::string_view address);

struct GiopHeader {
    std::uint8_t minor = 0;
    bool littleEndian = false;
    bool fragmented = false;
    std::uint8_t type = 0;
    std::uint32_t size = 0; // bytes after the 12-byte header
};
inline constexpr std::size_t kGiopHeaderSize = 12;
inline constexpr std::uint8_t kGiopRequest = 0;
inline constexpr std::uint8_t kGiopReply = 1;

// The header of a GIOP 1.x message, from its first 12 bytes.
std::optional<GiopHeader> ReadGiopHeader(std::string_view bytes);

std::string EncodeBindRequest(std::uint32_t requestId, std::string_view repositoryId);

// The stringified reference ("IOR:...") a complete reply message carries for
// requestId, or nothing (see the layout above).
std::optional<std::string> DecodeBindReply(std::string_view message, std::uint32_t requestId);

// One bind attempt: connects, sends the request, reads the reply, closes.
// timeout bounds the whole attempt. why receives the reason when there is no
// reference.
std::optional<std::string> BindObject(const std::string& address, const std::string& repositoryId,
                                      std::chrono::milliseconds timeout, std::string* why = nullptr);

} // namespace enginelink
