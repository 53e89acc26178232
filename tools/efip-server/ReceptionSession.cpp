#include "ReceptionSession.h"

#include <cstdio>

namespace efipserver {

using namespace efip;

bool ParseFault(const std::string& text, Fault& out)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t colon = text.find(':', start);
        parts.push_back(text.substr(start, colon - start));
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    if (parts.size() < 3 || parts.size() > 4)
        return false;
    const auto count = ParseDecimalField(parts[2]);
    if (!count || *count > 1000000)
        return false;
    out.kind = parts[0];
    out.step = parts[1];
    out.count = static_cast<int>(*count);
    out.arg = parts.size() == 4 ? parts[3] : std::string();
    static const char* kinds[] = {"short", "http500", "notready", "refuse", "badhash",
                                  "wrongoffset", "zerolength", "longlength", "apprc"};
    for (const char* k : kinds)
        if (out.kind == k)
            return (out.kind != "refuse" && out.kind != "apprc") || ParseHexWord(out.arg).has_value();
    return false;
}

ReceptionSession::ReceptionSession(Options options)
    : options_(std::move(options))
{
}

const Fault* ReceptionSession::TakeFault(const std::string& step)
{
    for (auto& f : options_.faults)
        if (f.count > 0 && (f.step == step || f.step == "*")) {
            --f.count;
            return &f;
        }
    return nullptr;
}

bool ReceptionSession::Store(std::string& target, std::string_view data, int64_t offset, int64_t total)
{
    // A repeated division (its reply was lost) overwrites what came before.
    if (offset < 0 || offset > static_cast<int64_t>(target.size()) || offset + static_cast<int64_t>(data.size()) > total)
        return false;
    target.resize(static_cast<size_t>(offset));
    target.append(data);
    return true;
}

HttpReply ReceptionSession::Handle(std::string_view body)
{
    HttpReply http;
    EFIPHeader req;
    if (!req.Assign(body)) {
        log_.push_back("short-request " + std::to_string(body.size()));
        http.status = 400;
        http.reason = "Bad Request";
        return http;
    }
    const std::string type(req.Get(field::transaction_type));
    const int64_t total = ParseDecimalField(req.Get(field::total_bytes)).value_or(-1);
    const int64_t length = ParseDecimalField(req.Get(field::division_length)).value_or(-1);
    const int64_t offset = ParseDecimalField(req.Get(field::division_offset)).value_or(-1);
    std::string_view data = body.substr(kHeaderSize);
    const bool hashOk = req.HashMatches(data);
    const Fault* fault = TakeFault(type);

    char line[256];
    std::snprintf(line, sizeof line, "%s total=%lld length=%lld offset=%lld drc=%.4s arc=%.4s data=%zu hash=%s%s%s",
                  type.c_str(), static_cast<long long>(total), static_cast<long long>(length),
                  static_cast<long long>(offset), req.Get(field::division_RC).data(),
                  req.Get(field::application_RC).data(), data.size(), hashOk ? "ok" : "bad",
                  fault ? " fault=" : "", fault ? fault->kind.c_str() : "");
    log_.push_back(line);

    if (fault && fault->kind == "http500") {
        http.status = 500;
        http.reason = "Internal Server Error";
        http.body = "fault injected";
        return http;
    }

    EFIPHeader rep = req;
    rep.SetHexWord(field::division_RC, 0);
    rep.SetHexWord(field::application_RC, 0);
    rep.Fill(field::message_text, ' ');
    std::string extra;

    auto refuse = [&](uint16_t rc, std::string_view text) {
        rep.SetHexWord(field::division_RC, rc);
        rep.Set(field::message_text, text);
    };

    if (!hashOk) {
        refuse(0xFFFF, "bad division hash");
    } else if (fault && fault->kind == "refuse") {
        refuse(*ParseHexWord(fault->arg), "refused by test server");
    } else if (type == "pbeg") {
        ++transactions_;
        char id[40];
        std::snprintf(id, sizeof id, "TESTTRANSACTION-%020d", transactions_);
        transactionId_ = id;
        rep.Set(field::transaction_id, transactionId_);
        header_.clear();
        package_.clear();
        if (!options_.omitBlockSize)
            extra = options_.blockSizeText;
    } else if (req.Get(field::transaction_id) != transactionId_) {
        refuse(0xFFFF, "unknown transaction");
    } else if (type == "phdr" || type == "pdat") {
        std::string& target = type == "phdr" ? header_ : package_;
        if (length != static_cast<int64_t>(data.size()) || !Store(target, data, offset, total)) {
            refuse(0xFFFF, "division out of place");
        } else if (type == "phdr" && options_.noPackage && static_cast<int64_t>(target.size()) == total) {
            rep.SetHexWord(field::application_RC, kAppRcNoPackage);
        }
    } else if (type == "prct") {
        if (fault && fault->kind == "notready") {
            rep.SetHexWord(field::division_RC, kRcNotReady);
            rep.SetHexWord(field::application_RC, kAppRcNotReady);
        } else {
            const int64_t size = static_cast<int64_t>(options_.receipt.size());
            int64_t at = offset < 0 ? 0 : offset;
            if (at > size)
                at = size;
            const int64_t n = DivisionLength(length > 0 ? length : kDefaultBlockSize, size, at);
            std::string part = options_.receipt.substr(static_cast<size_t>(at), static_cast<size_t>(n));
            int64_t claimedOffset = at, claimedLength = n;
            if (fault && fault->kind == "wrongoffset")
                ++claimedOffset;
            if (fault && fault->kind == "zerolength") {
                claimedLength = 0;
                part.clear();
            }
            if (fault && fault->kind == "longlength")
                ++claimedLength;
            rep.SetNumber(field::total_bytes, size);
            rep.SetNumber(field::division_offset, claimedOffset);
            rep.SetNumber(field::division_length, claimedLength);
            extra = part;
        }
    } else if (type != "pend") {
        refuse(0xFFFF, "unknown transaction type");
    }

    if (fault && fault->kind == "apprc")
        rep.SetHexWord(field::application_RC, *ParseHexWord(fault->arg));
    rep.Seal(extra);
    if (fault && fault->kind == "badhash") {
        std::string lower(rep.Get(field::division_hash));
        for (char& c : lower)
            if (c >= 'A' && c <= 'F')
                c = static_cast<char>(c - 'A' + 'a');
        rep.Set(field::division_hash, lower);
    }
    http.body.assign(rep.Bytes());
    http.body += extra;
    if (fault && fault->kind == "short")
        http.body.resize(100);
    return http;
}

} // namespace efipserver
