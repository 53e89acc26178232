#include "submission/efipheader/EFIPHeader.h"

#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace efip;

namespace {

std::string Fresh()
{
    return std::string(EFIPHeader().Bytes());
}

} // namespace

TEST(EFIPHeader, NewHeaderIsZerosWithVersionAndEncoding)
{
    const std::string h = Fresh();
    ASSERT_EQ(h.size(), 432u);
    std::string expected(432, '0');
    expected.replace(40, 4, "0100");
    expected.replace(172, 4, "UTF8");
    EXPECT_EQ(h, expected);
}

TEST(EFIPHeader, DecimalFields)
{
    EXPECT_EQ(FormatField16(5000), "0000000000005000");
    EXPECT_EQ(FormatField16(0), std::string(16, '0'));
    EXPECT_EQ(FormatField16(-7), std::string(16, '0'));
    EXPECT_EQ(FormatField16(9999999999999999), "9999999999999999");

    const struct {
        const char* text;
        std::optional<int64_t> value;
    } cases[] = {
        {"0000000000005000", 5000},
        {"0000000000000000", 0},
        {"9999999999999999", 9999999999999999},
        {"00000000000050a0", std::nullopt},
        {"             100", std::nullopt},
        {"-000000000000001", std::nullopt},
        {"", std::nullopt},
        {"99999999999999999999", std::nullopt}, // beyond 64 bits
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseDecimalField(c.text), c.value) << c.text;
}

TEST(EFIPHeader, HexWords)
{
    EXPECT_EQ(FormatHexWord(0xFFFE), "FFFE");
    EXPECT_EQ(FormatHexWord(3), "0003");
    EXPECT_EQ(FormatHexWord(0x1000), "1000");
    EXPECT_EQ(ParseHexWord("fffd"), 0xFFFD);
    EXPECT_EQ(ParseHexWord("FfFd"), 0xFFFD);
    EXPECT_EQ(ParseHexWord("0100"), 0x0100); // high byte first
    EXPECT_EQ(ParseHexWord("0000"), 0);
    EXPECT_EQ(ParseHexWord("00G0"), std::nullopt);
    EXPECT_EQ(ParseHexWord("000"), std::nullopt);
    EXPECT_EQ(ParseHexWord(" 001"), std::nullopt);
}

TEST(EFIPHeader, HashIsSha1sumOfBytesFromFortyOnwards)
{
    e3test::TempDir dir;
    EFIPHeader h;
    h.Set(field::transaction_type, "phdr");
    h.SetNumber(field::total_bytes, 12345);
    const std::string data = std::string("division \0 data\xff", 16);
    h.Seal(data);
    const std::string hash(h.Get(field::division_hash));

    const std::string file = dir.write("msg", std::string(h.Bytes().substr(40)) + data);
    auto [rc, out] = e3test::RunProgram({"sha1sum", file});
    ASSERT_EQ(rc, 0);
    std::string expected = out.substr(0, 40);
    for (char& c : expected)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(hash, expected);

    // The hash field itself is outside the digest.
    h.Set(field::division_hash, std::string(40, 'Z'));
    EXPECT_EQ(ComputeDivisionHash(h, data), expected);
    h.Seal(data);
    EXPECT_TRUE(h.HashMatches(data));
}

TEST(EFIPHeader, HashComparisonKeepsLetterCase)
{
    EFIPHeader h;
    h.Seal("abc");
    ASSERT_TRUE(h.HashMatches("abc"));
    std::string lower(h.Get(field::division_hash));
    bool changed = false;
    for (char& c : lower)
        if (c >= 'A' && c <= 'F') {
            c = static_cast<char>(c - 'A' + 'a');
            changed = true;
        }
    ASSERT_TRUE(changed);
    h.Set(field::division_hash, lower);
    EXPECT_FALSE(h.HashMatches("abc"));
    EXPECT_FALSE(EFIPHeader().HashMatches(""));
}

TEST(EFIPHeader, DivisionsOfAFile)
{
    // A file of exactly one block is one division; one byte more makes a
    // second division of one byte.
    EXPECT_EQ(DivisionLength(100000, 100000, 0), 100000);
    EXPECT_EQ(DivisionLength(100000, 100000, 100000), 0);
    EXPECT_EQ(DivisionLength(100000, 100001, 0), 100000);
    EXPECT_EQ(DivisionLength(100000, 100001, 100000), 1);
    EXPECT_EQ(DivisionLength(50000, 120000, 100000), 20000);
}

TEST(EFIPHeader, ServerBlockSize)
{
    const struct {
        const char* text;
        int32_t expected;
    } cases[] = {
        {"0000000000050000", 50000},  // smaller: taken
        {"0000000000200000", 100000}, // larger: ignored
        {"0000000000100000", 100000},
        {"not a number!!!!", 100000},
        {"0000000000000000", 100000}, // would stall every transfer
        {"               1", 100000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ApplyServerBlockSize(100000, c.text), c.expected) << c.text;
}

TEST(EFIPHeader, StepTable)
{
    const struct {
        TCeFIPProtocolState state;
        const char* logName;
        const char* type;
    } cases[] = {
        {epBegin_transaction, "begin_transaction", "pbeg"}, {epSend_package_header, "send_package_header", "phdr"},
        {epSend_WASP, "send_WASP", "pdat"},                 {epGet_receipt, "get_receipt", "prct"},
        {epEnd_transaction, "end_transaction", "pend"},
    };
    for (const auto& c : cases) {
        const StepInfo* s = StepOf(c.state);
        ASSERT_NE(s, nullptr);
        EXPECT_STREQ(s->logName, c.logName);
        EXPECT_STREQ(s->transactionType, c.type);
    }
    EXPECT_EQ(StepOf(epNot), nullptr);
    EXPECT_EQ(StepOf(epCheckReceipt), nullptr);
    EXPECT_EQ(StepOf(epClose), nullptr);
}

TEST(EFIPHeader, DumpNamesTenFields)
{
    EFIPHeader h;
    h.Set(field::transaction_type, "prct");
    const std::string dump = DumpHeader(h);
    EXPECT_NE(dump.find("\r\n" + std::string(27, ' ') + "transaction_type: prct"), std::string::npos);
    EXPECT_NE(dump.find(std::string(27, ' ') + "division_RC     : 0000"), std::string::npos);
    EXPECT_EQ(dump.find("message_encoding"), std::string::npos);
    size_t lines = 0;
    for (size_t p = 0; (p = dump.find("\r\n", p)) != std::string::npos; ++p)
        ++lines;
    EXPECT_EQ(lines, 10u);
}

TEST(EFIPHeader, CommonReplyChecks)
{
    EFIPHeader request;
    request.Set(field::transaction_type, "prct");
    auto reply = [](const char* type, const char* drc, const char* arc) {
        EFIPHeader r;
        r.Set(field::transaction_type, type);
        r.Set(field::division_RC, drc);
        r.Set(field::application_RC, arc);
        r.Fill(field::message_text, ' ');
        r.Set(field::message_text, "  refused here");
        return std::string(r.Bytes());
    };
    const struct {
        std::string body;
        int32_t error;
        bool fatal;
    } cases[] = {
        {reply("prct", "0000", "0000"), 0, false},
        {reply("prct", "FFFD", "1000"), 0, false},
        {reply("prct", "fffe", "0000"), 0, false},
        {reply("prct", "7FFF", "0000"), 0, false},
        {reply("prct", "8000", "0000"), -32768, true},
        {reply("prct", "FFFF", "0000"), -65535, true},
        {reply("pend", "0000", "0000"), -30009, false},
        {reply("prct", "0000", "0000").substr(0, 431), -30009, false},
        {reply("prct", "00x0", "0000"), -30009, false},
        {"", -30009, false},
    };
    for (const auto& c : cases) {
        EFIPHeader out;
        const ReplyCheck r = CheckReply(request, c.body, out);
        EXPECT_EQ(r.error, c.error) << c.body.substr(0, 180);
        EXPECT_EQ(r.fatal, c.fatal) << c.body.substr(0, 180);
        if (r.fatal) {
            EXPECT_EQ(ReplyMessageText(out), "refused here");
        }
    }
}

TEST(EFIPHeader, ReceiptDivisionsAreTakenOnlyWhereAsked)
{
    auto division = [](int64_t total, int64_t offset, int64_t length, const std::string& data) {
        EFIPHeader r;
        r.Set(field::transaction_type, "prct");
        r.SetNumber(field::total_bytes, total);
        r.SetNumber(field::division_offset, offset);
        r.SetNumber(field::division_length, length);
        r.Seal(data);
        return r;
    };
    const struct {
        const char* what;
        EFIPHeader reply;
        std::string data;
        int64_t asked;
        int64_t known;
        ReceiptDivision verdict;
    } cases[] = {
        {"first", division(10, 0, 4, "abcd"), "abcd", 0, 0, ReceiptDivision::Accepted},
        {"last", division(10, 4, 6, "efghij"), "efghij", 4, 10, ReceiptDivision::Accepted},
        {"server's own offset", division(10, 5, 4, "abcd"), "abcd", 4, 10, ReceiptDivision::BadDivision},
        {"longer than arrived", division(10, 0, 5, "abcd"), "abcd", 0, 0, ReceiptDivision::BadDivision},
        {"zero length", division(10, 0, 0, ""), "", 0, 0, ReceiptDivision::BadDivision},
        {"past the total", division(10, 8, 4, "abcd"), "abcd", 8, 10, ReceiptDivision::BadDivision},
        {"huge offset", division(10, 9000000000000000, 4, "abcd"), "abcd", 0, 10, ReceiptDivision::BadDivision},
        {"total changed", division(12, 4, 4, "abcd"), "abcd", 4, 10, ReceiptDivision::BadDivision},
        {"zero total", division(0, 0, 4, "abcd"), "abcd", 0, 0, ReceiptDivision::ZeroSize},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckReceiptDivision(c.reply, c.data, c.asked, c.known).verdict, c.verdict) << c.what;

    EFIPHeader bad = division(10, 0, 4, "abcd");
    const ReceiptCheck r = CheckReceiptDivision(bad, "abce", 0, 0);
    EXPECT_EQ(r.verdict, ReceiptDivision::BadHash);
    EXPECT_EQ(r.computedHash, ComputeDivisionHash(bad, "abce"));

    EFIPHeader noTotal = division(10, 0, 4, "abcd");
    noTotal.Set(field::total_bytes, "no number here!!");
    EXPECT_EQ(CheckReceiptDivision(noTotal, "abcd", 0, 0).verdict, ReceiptDivision::ZeroSize);
}
