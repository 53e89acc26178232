// Dictionary files come from disk and may be damaged: every reader must end in
// a loaded dictionary or the one format exception, never a crash or a runaway
// allocation, and what it loaded must be consistent enough to translate with.
#include "e3/dictionary/ItemSession.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (int reader = 0; reader < 3; ++reader) {
        e3::TItemSession s;
        try {
            if (reader == 0)
                s.LoadFromStream(bytes);
            else if (reader == 1)
                s.LoadFromStreamFull(bytes);
            else
                s.LoadLanguagesFromStream(bytes, 2, {"German:", "Unilang:"});
        } catch (const e3::ELangException&) {
            continue;
        }
        const auto& langs = s.GetLanguages();
        if (langs.Count() >= 2) {
            const e3::TLanguage* source = langs[0];
            const e3::TLanguage* target = langs[langs.Count() - 1];
            for (int i = 0; i < s.GetWordCount(source) && i < 64; ++i) {
                e3::TStatusTranslate status;
                std::string result;
                s.TranslateWord(nullptr, nullptr, s.GetWord(i, source), status, source, target, result);
            }
        }
        std::string again;
        s.SaveToStream(again);
    }
    return 0;
}
