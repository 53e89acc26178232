// Loading and looking up in a large dictionary. The client's loader keeps 3 of
// 33 columns; its peer is a plain read of the same file into memory, the least
// any loader must do. Lookups are timed at two sizes to show they do not grow
// with the dictionary.
#include "e3/dictionary/ItemSession.h"

#include "multilang/LanguageTable.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

using namespace e3;
using Clock = std::chrono::steady_clock;

namespace {

template <class F> double MedianSeconds(int runs, F&& f)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        f();
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::string Key(int i)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "key.%07d", i);
    return buf;
}

// items rows in all 33 languages; keys ascend, so each sorted insert appends.
void Fill(TItemSession& s, int items)
{
    for (int n = 0; n < multilang::LanguageCount; ++n) {
        auto lang = std::make_unique<TLanguage>();
        lang->Name = lang->Caption = multilang::LanguageNames[static_cast<size_t>(n)];
        lang->Prefix = lang->Name.substr(0, 2);
        s.AddLanguage(lang);
    }
    TLanguageWord row;
    for (int i = 0; i < items; ++i) {
        row.Init(multilang::LanguageCount);
        row.Words[0] = Key(i);
        for (int n = 1; n < multilang::LanguageCount; ++n)
            row.Words[static_cast<size_t>(n)] = multilang::LanguageNames[static_cast<size_t>(n)] + " text of item " +
                                                Key(i).substr(4);
        s.AddItem(row);
    }
}

std::string SaveTemp(const TItemSession& s, const std::string& folder, const std::string& name)
{
    std::string bytes;
    s.SaveToStream(bytes);
    const std::string path = folder + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// Nanoseconds per TranslateWord of present keys, after one warm-up pass. Both
// sizes look up the same number of distinct keys, spread evenly over the
// dictionary, so the figure shows how a lookup grows with the dictionary
// rather than how many distinct keys fit in the cache.
double NsPerLookup(TItemSession& s, int items)
{
    constexpr int distinct = 2000;
    const TLanguage* key = s.GetLanguages().FindLanguage("Unilang:");
    const TLanguage* german = s.GetLanguages().FindLanguage("German:");
    std::vector<std::string> words;
    for (int i = 0; i < distinct; ++i)
        words.push_back(Key(i * (items / distinct)));
    std::vector<std::string> shuffled;
    for (int round = 0; round < 10; ++round)
        for (int i = 0; i < distinct; ++i)
            shuffled.push_back(words[static_cast<size_t>((i * 7919 + round) % distinct)]);
    words = std::move(shuffled);
    TStatusTranslate status;
    std::string result;
    size_t found = 0;
    auto pass = [&] {
        for (const auto& w : words) {
            s.TranslateWord(nullptr, nullptr, w, status, key, german, result);
            found += status == TStatusTranslate::stOk;
        }
    };
    pass();
    const double seconds = MedianSeconds(5, pass);
    if (found != words.size() * 6)
        std::printf("warning: %zu of %zu lookups found\n", found, words.size() * 6);
    return seconds * 1e9 / static_cast<double>(words.size());
}

} // namespace

int main()
{
    multilang::StartLanguageTable();
    char folderTemplate[] = "/tmp/bench_dictionary.XXXXXX";
    if (!::mkdtemp(folderTemplate))
        return 1;
    const std::string folder = folderTemplate;

    TItemSession big, small;
    Fill(big, 50000);
    Fill(small, 5000);
    const std::string bigPath = SaveTemp(big, folder, "big.lgf");
    const std::string smallPath = SaveTemp(small, folder, "small.lgf");

    const std::vector<std::string> columns = {"Unilang:", "Unitext:", "German:"};
    size_t bytes = 0;
    const double raw = MedianSeconds(5, [&] {
        std::FILE* f = std::fopen(bigPath.c_str(), "rb");
        std::fseek(f, 0, SEEK_END);
        std::string data(static_cast<size_t>(std::ftell(f)), '\0');
        std::fseek(f, 0, SEEK_SET);
        bytes = std::fread(data.data(), 1, data.size(), f);
        std::fclose(f);
    });
    const double client = MedianSeconds(5, [&] {
        TItemSession s;
        s.LoadLanguagesFromFile(bigPath, 3, columns);
    });
    const double full = MedianSeconds(5, [&] {
        TItemSession s;
        s.LoadFromFileFull(bigPath);
    });

    TItemSession bigClient, smallClient;
    bigClient.LoadLanguagesFromFile(bigPath, 3, columns);
    smallClient.LoadLanguagesFromFile(smallPath, 3, columns);
    // Alternating rounds, each size's median: a busy machine slows one round,
    // not one size.
    std::vector<double> bigRounds, smallRounds;
    for (int round = 0; round < 5; ++round) {
        bigRounds.push_back(NsPerLookup(bigClient, 50000));
        smallRounds.push_back(NsPerLookup(smallClient, 5000));
    }
    std::sort(bigRounds.begin(), bigRounds.end());
    std::sort(smallRounds.begin(), smallRounds.end());
    const double lookupBig = bigRounds[bigRounds.size() / 2];
    const double lookupSmall = smallRounds[smallRounds.size() / 2];

    std::printf("dictionary: 50000 items x 33 languages, %.1f MB\n", static_cast<double>(bytes) / 1e6);
    std::printf("client loader (3 of 33 columns): %.2f ms\n", client * 1e3);
    std::printf("peer: raw read of the file into memory: %.2f ms\n", raw * 1e3);
    std::printf("ratio client loader / raw read: %.2f (target at most 10)\n", client / raw);
    std::printf("full reader: %.2f ms, %.1f MB/s\n", full * 1e3, static_cast<double>(bytes) / 1e6 / full);
    std::printf("lookups: 2000 distinct keys spread over the dictionary, 20000 per pass\n");
    std::printf("lookup at 50000 items: %.1f ns\n", lookupBig);
    std::printf("lookup at 5000 items: %.1f ns\n", lookupSmall);
    std::printf("ratio lookup 50000 / 5000: %.2f (target at most 1.5)\n", lookupBig / lookupSmall);

    std::remove(bigPath.c_str());
    std::remove(smallPath.c_str());
    ::rmdir(folder.c_str());
    multilang::StopLanguageTable();
    return 0;
}
