// Field splitting must stay linear in the length of the text: the engine sends
// multi-megabyte "<|>"-separated values. Measures SplitTokens, TokenCount and
// TokenAt(last field) at 10 MB and 20 MB and prints the 20/10 ratios (linear is
// about 2), beside a plain std::string::find split as the peer.
#include "u3/StrLib.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string MakeText(std::size_t bytes)
{
    // Fields of varying length, some with a lone "<" or "|" that starts a
    // partial match, so the scan's slow path is exercised too.
    static const char* const fields[] = {"alpha", "1234567", "x<y", "", "a|b", "Te3_Edit.Text", "<", "0.5"};
    std::string text;
    text.reserve(bytes + 32);
    for (std::size_t i = 0; text.size() < bytes; ++i) {
        text += fields[i % 8];
        text += "<|>";
    }
    text += "end";
    return text;
}

std::vector<std::string> NaiveSplit(std::string_view s, std::string_view sep)
{
    std::vector<std::string> out;
    std::size_t from = 0;
    for (auto pos = s.find(sep); pos != std::string_view::npos; pos = s.find(sep, from)) {
        out.emplace_back(s.substr(from, pos - from));
        from = pos + sep.size();
    }
    out.emplace_back(s.substr(from));
    return out;
}

// Best of a few runs, in milliseconds.
template <class F>
double BestMs(F f)
{
    double best = 1e300;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        f();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

struct Figures {
    double split, count, last, naive;
};

Figures Measure(const std::string& text)
{
    Figures f {};
    std::size_t sink = 0;
    int count = 0;
    f.split = BestMs([&] { sink += u3::SplitTokens(text, "<|>").size(); });
    f.count = BestMs([&] { count = u3::TokenCount(text, "<|>"); });
    f.last = BestMs([&] { sink += u3::TokenAt(text, count - 1, "<|>").size(); });
    f.naive = BestMs([&] { sink += NaiveSplit(text, "<|>").size(); });
    if (sink == 0)
        std::printf("(empty)\n");
    return f;
}

} // namespace

int main()
{
    const std::string text10 = MakeText(10u << 20);
    const std::string text20 = MakeText(20u << 20);
    const Figures a = Measure(text10);
    const Figures b = Measure(text20);
    std::printf("SplitTokens        10 MB %8.2f ms   20 MB %8.2f ms   ratio %.2f (target <= 2.2)\n", a.split, b.split,
                b.split / a.split);
    std::printf("TokenCount         10 MB %8.2f ms   20 MB %8.2f ms   ratio %.2f\n", a.count, b.count,
                b.count / a.count);
    std::printf("TokenAt(last)      10 MB %8.2f ms   20 MB %8.2f ms   ratio %.2f\n", a.last, b.last, b.last / a.last);
    std::printf("peer find() split  10 MB %8.2f ms   20 MB %8.2f ms   ratio %.2f\n", a.naive, b.naive,
                b.naive / a.naive);
    std::printf("SplitTokens / peer at 20 MB: %.2f\n", b.split / b.naive);
    return b.split / a.split <= 2.2 ? 0 : 1;
}
