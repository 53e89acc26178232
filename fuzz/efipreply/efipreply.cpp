// Reads arbitrary bytes as the reply to a "prct" request, as the client does:
// the common checks, the receipt division rule and the server's block size.
// Whatever arrives, an accepted division must lie inside the receipt exactly
// where it was asked for, and nothing may read past the body.
#include "submission/efipheader/EFIPHeader.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace efip;
    const std::string_view body(reinterpret_cast<const char*>(data), size);

    EFIPHeader request;
    request.Set(field::transaction_type, "prct");
    EFIPHeader reply;
    const ReplyCheck check = CheckReply(request, body, reply);
    if (size < kHeaderSize) {
        Check(check.error == -30009 && !check.fatal);
        return 0;
    }
    Check(check.error == 0 || check.error == -30009 || (check.fatal && check.error < -0x7FFF));
    if (check.fatal)
        ReplyMessageText(reply);

    const int32_t block = ApplyServerBlockSize(kDefaultBlockSize, body.substr(kHeaderSize, kServerBlockSizeWidth));
    Check(block > 0 && block <= kDefaultBlockSize);

    if (check.error != 0)
        return 0;
    const auto length = ParseDecimalField(reply.Get(field::division_length)).value_or(0);
    std::string_view division = body.substr(kHeaderSize);
    if (length >= 0 && static_cast<uint64_t>(length) < division.size())
        division = division.substr(0, static_cast<size_t>(length));
    for (int64_t asked : {int64_t(0), int64_t(7)}) {
        const ReceiptCheck r = CheckReceiptDivision(reply, division, asked, 0);
        if (r.verdict == ReceiptDivision::Accepted) {
            Check(r.offset == asked && r.length > 0 && r.length == static_cast<int64_t>(division.size()));
            Check(r.offset + r.length <= r.total);
        }
    }
    return 0;
}
