#pragma once
// The link to the smart-card checker, the companion program that owns the
// smart card ("SCard" beside the client). It lists the card's certificates and
// signs files with the card; we talk to it over a per-user local socket.
//
// What a checker must speak
// -------------------------
// The checker listens on a stream socket of the AF_UNIX family at
// SmartCardCheckerSocketPath(): "$XDG_RUNTIME_DIR/e3-smartcard-checker" when
// XDG_RUNTIME_DIR names an existing folder by an absolute path, otherwise the
// same name inside the private folder "<temp>/e3-scard-<uid>" (mode 0700; temp
// is $TMPDIR when absolute, else /tmp). Only one checker runs per user: a
// checker that finds another one answering on the socket ends at once.
//
// Each side accepts the other only when the peer's user id (SO_PEERCRED)
// equals its own; otherwise it closes the connection without a word.
//
// One connection carries one request and at most one reply. Every message is a
// frame of a 12-byte header and data, the numbers big-endian:
//     message : uint32   what the frame is (the codes below)
//     value   : int32    a number whose meaning depends on the message
//     length  : uint32   the number of data bytes that follow (at most kMaxFrameData)
//     data    : length bytes
//
//   list request   message 35535, value 0, no data.
//     reply        message 35535, value 0, data the certificate list text as it
//                  is (entries separated by "<|>", fields by "||"); an empty
//                  text when the card holds no certificate. The client trims
//                  blanks from both ends.
//   sign request   message 74, value 1, data the input file name, ";", the
//                  output file name and one terminating zero byte. The checker
//                  signs the input with the card and writes the signature to
//                  the output file.
//     reply        message 74, value above 0 for success, 0 or below for failure,
//                  no data.
//   close request  message 16, value 0, no data. No reply: the checker removes
//                  its socket and ends.
// A checker answers a request it does not know (or a sign request of another
// value) with the request's message, value 0 and no data.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Starts the checker from programDir without waiting, when it is there.
void StartSmartCardChecker(const std::string& programDir);
// Asks a running checker to close; does nothing when none runs.
void CloseSmartCardChecker();

// The certificate list of the checker, trimmed of blanks: up to 5 attempts
// 100 ms apart; empty when no checker answered (after about 0.5 s).
std::string GetSmartCardCertList();
// Sends text ("input;output") as a sign request: up to 5 attempts 500 ms apart
// to find the checker, then one request. True when the checker's reply value
// is above 0; false when it is not, or no checker was found (after about 2.5 s).
bool SendToSmartCardChecker(const std::string& text);
// SendToSmartCardChecker(inputFile + ";" + outputFile).
bool SignFileWithSmartCard(const std::string& inputFile, const std::string& outputFile);
// Closes a running checker, looks up to 5 times 500 ms apart while it still
// answers, then starts it again from programDir.
void RestartSmartCardChecker(const std::string& programDir);
// Whether a checker of our own user answers on the socket.
bool SmartCardCheckerRunning();

// How long one exchange waits for the checker's reply. Signing waits long
// because the checker may ask the user for the card's PIN meanwhile.
struct SmartCardCheckerTimeouts {
    std::chrono::milliseconds listReply {5000};
    std::chrono::milliseconds signReply {std::chrono::minutes(5)};
};
SmartCardCheckerTimeouts GetSmartCardCheckerTimeouts();
void SetSmartCardCheckerTimeouts(const SmartCardCheckerTimeouts& timeouts);

// ---- the wire, shared with checkers -----------------------------------------

inline constexpr std::uint32_t kScardListMessage = 35535;
inline constexpr std::uint32_t kScardCopyDataMessage = 74;
inline constexpr std::uint32_t kScardCloseMessage = 16;
inline constexpr std::int32_t kScardSignData = 1;
inline constexpr std::uint32_t kMaxFrameData = 16u * 1024u * 1024u;

struct ScardFrame {
    std::uint32_t message = 0;
    std::int32_t value = 0;
    std::string data;

    bool operator==(const ScardFrame&) const = default;
};

// The socket's path (see above); empty when no safe folder could be had or the
// path does not fit a socket address.
std::string SmartCardCheckerSocketPath();

// Whether the peer of a connected AF_UNIX socket runs as our own user.
bool PeerIsOwnUser(int fd);

// Writes a whole frame before the deadline; false on error or time-out.
bool WriteScardFrame(int fd, const ScardFrame& frame, std::chrono::steady_clock::time_point deadline);
// Reads one whole frame before the deadline; nothing on error, end of stream,
// time-out or a length above kMaxFrameData.
std::optional<ScardFrame> ReadScardFrame(int fd, std::chrono::steady_clock::time_point deadline);

} // namespace platform
