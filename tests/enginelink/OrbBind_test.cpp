#include "enginelink/Cdr.h"
#include "enginelink/OrbBind.h"

#include "support/LoopbackSocket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace enginelink;
using namespace std::chrono_literals;

namespace {

std::string SampleReference(const std::string& typeId = "IDL:FFMGUIEngineFactory:3.0")
{
    cdr::Ior ior;
    ior.typeId = typeId;
    // An IIOP profile's body is opaque here; odd lengths exercise the padding.
    ior.profiles.emplace_back(0, std::string("\x01\x01\x02\x00\x00\x00\x00\x0a" "127.0.0.1\0", 18));
    ior.profiles.emplace_back(1, std::string("\x00\x01\x02", 3));
    return cdr::IorToString(ior);
}

std::string Address(int port)
{
    return "inet:127.0.0.1:" + std::to_string(port);
}

// A reply built field by field, so that each test can spoil one field.
struct ReplyShape {
    bool little = true;
    std::uint8_t minor = 0;
    std::uint8_t type = kGiopReply;
    std::uint32_t requestId = 7;
    std::uint32_t replyStatus = 0;
    std::uint32_t bindStatus = 1;
    bool withReference = true;
};

std::string BuildReply(const ReplyShape& shape)
{
    cdr::Writer out(shape.little);
    out.Bytes() = "GIOP";
    out.Octet(1);
    out.Octet(shape.minor);
    out.Octet(shape.little ? 1 : 0);
    out.Octet(shape.type);
    out.Ulong(0);
    out.Ulong(1); // one service context
    out.Ulong(99);
    out.Octets("ctx");
    out.Ulong(shape.requestId);
    out.Ulong(shape.replyStatus);
    out.Ulong(shape.bindStatus);
    if (shape.withReference)
        cdr::WriteIor(out, *cdr::IorFromString(SampleReference()));
    out.PatchUlong(8, static_cast<std::uint32_t>(out.Size() - kGiopHeaderSize));
    return out.Bytes();
}

} // namespace

TEST(OrbBind, ParsesInetAddresses)
{
    struct Case {
        const char* text;
        const char* host; // nullptr: rejected
        const char* port;
    };
    const Case cases[] = {
        {"inet:127.0.0.1:2809", "127.0.0.1", "2809"},
        {"inet:engine.example:1", "engine.example", "1"},
        {"inet:[::1]:65535", "::1", "65535"},
        {"inet:localhost:0", nullptr, nullptr},
        {"inet:localhost:65536", nullptr, nullptr},
        {"inet:localhost:12x", nullptr, nullptr},
        {"inet::2809", nullptr, nullptr},
        {"inet:localhost", nullptr, nullptr},
        {"iiop:localhost:2809", nullptr, nullptr},
        {"", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseInetAddress(c.text);
        if (!c.host) {
            EXPECT_FALSE(parsed) << c.text;
            continue;
        }
        ASSERT_TRUE(parsed) << c.text;
        EXPECT_EQ(parsed->host, c.host);
        EXPECT_EQ(parsed->port, c.port);
    }
}

TEST(OrbBind, ReferenceSurvivesStringForm)
{
    const std::string text = SampleReference("IDL:X:1.0");
    const auto ior = cdr::IorFromString(text);
    ASSERT_TRUE(ior);
    EXPECT_EQ(ior->typeId, "IDL:X:1.0");
    ASSERT_EQ(ior->profiles.size(), 2u);
    EXPECT_EQ(ior->profiles[1].second, std::string("\x00\x01\x02", 3));
    EXPECT_EQ(cdr::IorToString(*ior), text);
    for (const char* bad : {"IOR:", "IOR:0", "IOR:zz", "IOR:02", "corbaloc::x", "IOR:0000000000"})
        EXPECT_FALSE(cdr::IorFromString(bad)) << bad;
}

TEST(OrbBind, RequestHasTheDocumentedLayout)
{
    const std::string request = EncodeBindRequest(0x01020304, "IDL:A:1.0");
    const std::string expected(
        "GIOP\x01\x00\x01\x00"
        "\x34\x00\x00\x00" // size after the header
        "\x00\x00\x00\x00" // no service contexts
        "\x04\x03\x02\x01" // request id
        "\x01\x00\x00\x00" // response expected, padding
        "\x00\x00\x00\x00" // empty object key
        "\x06\x00\x00\x00_bind\x00\x00\x00"
        "\x00\x00\x00\x00" // empty principal
        "\x0a\x00\x00\x00IDL:A:1.0\x00\x00\x00"
        "\x00\x00\x00\x00", // empty object id
        64);
    EXPECT_EQ(request, expected);
}

TEST(OrbBind, DecodesOnlyAGoodReplyToOurRequest)
{
    const std::string reference = SampleReference();
    ReplyShape good;
    EXPECT_EQ(DecodeBindReply(BuildReply(good), 7), reference);
    ReplyShape bigEndian;
    bigEndian.little = false;
    EXPECT_EQ(DecodeBindReply(BuildReply(bigEndian), 7), reference);

    struct Case {
        const char* why;
        ReplyShape shape;
    };
    std::vector<Case> cases;
    auto add = [&](const char* why, auto change) {
        ReplyShape shape;
        change(shape);
        cases.push_back({why, shape});
    };
    add("another request", [](ReplyShape& s) { s.requestId = 8; });
    add("user exception", [](ReplyShape& s) { s.replyStatus = 1; });
    add("system exception", [](ReplyShape& s) { s.replyStatus = 2; });
    add("location forward", [](ReplyShape& s) { s.replyStatus = 3; });
    add("object unknown", [](ReplyShape& s) { s.bindStatus = 0; });
    add("object forwarded", [](ReplyShape& s) { s.bindStatus = 2; });
    add("nil reference", [](ReplyShape& s) { s.withReference = false; });
    add("not a reply", [](ReplyShape& s) { s.type = kGiopRequest; });
    add("GIOP 1.2 layout", [](ReplyShape& s) { s.minor = 2; });
    for (const auto& c : cases)
        EXPECT_FALSE(DecodeBindReply(BuildReply(c.shape), 7)) << c.why;

    // Every truncation, with the header's size telling the truth about it, so
    // the decoder's own length checks are what stop it.
    const std::string whole = BuildReply(good);
    for (std::size_t n = kGiopHeaderSize; n < whole.size(); ++n) {
        std::string cut = whole.substr(0, n);
        cdr::Writer patch(true);
        patch.Bytes() = cut;
        patch.PatchUlong(8, static_cast<std::uint32_t>(n - kGiopHeaderSize));
        EXPECT_FALSE(DecodeBindReply(patch.Bytes(), 7)) << n;
    }
    // A header whose size disagrees with the message.
    EXPECT_FALSE(DecodeBindReply(whole + "x", 7));
}

TEST(OrbBind, RejectsLyingLengths)
{
    // The service context's, the type id's and the profile's lengths and the
    // profile count claim more than is there.
    const std::string reply = BuildReply(ReplyShape{});
    const std::size_t contextLength = 20, typeIdLength = 40, profileCount = 72, profileLength = 80;
    ASSERT_EQ(reply.substr(typeIdLength + 4, 4), "IDL:");
    for (std::size_t offset : {contextLength, typeIdLength, profileCount, profileLength}) {
        std::string spoiled = reply;
        spoiled[offset + 3] = '\x7f';
        EXPECT_FALSE(DecodeBindReply(spoiled, 7)) << offset;
    }
}

TEST(OrbBind, AttemptFailsWithoutAWorkingPeer)
{
    // A closed port, a peer that hangs up, a peer that never answers.
    e3test::LoopbackSocket listener(false);
    const int port = listener.Port();
    std::string why;
    EXPECT_FALSE(BindObject(Address(port), "IDL:X:1.0", 2s, &why));
    EXPECT_NE(why.find("connect"), std::string::npos) << why;

    listener.Listen(4);
    std::thread hangUp([&] {
        const int fd = ::accept(listener.Fd(), nullptr, nullptr);
        ::close(fd);
    });
    EXPECT_FALSE(BindObject(Address(port), "IDL:X:1.0", 5s, &why));
    hangUp.join();

    // Accepted by the kernel's backlog, never answered: the time-out ends it.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(BindObject(Address(port), "IDL:X:1.0", 300ms, &why));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(why, "no reply to the bind request");
}
