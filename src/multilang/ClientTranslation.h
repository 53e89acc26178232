#pragma once
// The client's own texts, translated locally from the dictionary that lies
// beside the program, without asking the engine. Keys are words of the key
// column: "SRC." + a message name for messages, component paths for forms.
#include "e3/translation/MultiLanguage.h"

#include <string>

namespace multilang {

// The client's one multi-language object; null before InitMultiLanguage,
// after DoneMultiLanguage and when setting it up failed.
e3::TMultiLanguage* MultiLanguage();

// The trace file that the single parameter "ML" makes (or empties) in the
// current folder.
inline constexpr const char* LanguageTraceFileName = "lng.log";

// Raises what setting up raised, leaving no object behind.
void InitMultiLanguage();
// Opens fileName as the local dictionary (only the columns the current
// language needs) and changes to the current language. Null without an
// object; the dictionary's exceptions pass to the caller.
e3::TMultiLanguage* LoadDictionary(const std::string& fileName);
// Closes the local dictionary, frees the object and resets both language numbers.
void DoneMultiLanguage();

// The program's own path with the extension ".lgf".
std::string LocalDictionaryFileName();
// What start-up and a language change both do: set up, load the local
// dictionary when it exists (failures leave what was set up so far), and give
// the connection-lost text in the current language.
std::string SetUpLocalTranslation();

std::string TranslateSrc(const std::string& key, const std::string& defaultText);
std::string TranslateKey(const std::string& key, const std::string& defaultText);
std::string TranslateKeyBetween(const std::string& key, const std::string& defaultText, int fromNumber,
                                int toNumber);
std::string TranslateKeyByNumbers(const std::string& key, const std::string& defaultText,
                                  e3::TStatusTranslate& status, int fromNumber, int toNumber);
// The dictionary's text, or the fallback it chose marked as untranslated.
std::string TranslateKeyByNames(const std::string& key, const std::string& defaultText,
                                e3::TStatusTranslate& status, const std::string& fromName,
                                const std::string& toName);

// One word gets a leading "_", several words get "_" for every blank, so that
// a tester sees at a glance what the dictionary lacks.
std::string MarkUntranslated(const std::string& text);

} // namespace multilang
