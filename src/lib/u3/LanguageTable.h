#pragma once
// The fixed table of the 33 languages the client knows. The number is what the
// client keeps; the two-letter code is what travels in settings and messages;
// the caption (name and ":") is the language's column in a dictionary.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace multilang {

struct TAvailableLanguage {
    uint8_t Number = 0;
    std::string Name;
    std::string Code;
    std::string Caption;
};

class TAvailableLanguageList {
public:
    // Builds the 33 rows and fills LanguageNames.
    TAvailableLanguageList();

    const TAvailableLanguage& AddLanguage(const std::string& name, const std::string& code, uint8_t number);
    // The first row whose code equals code without regard to case.
    const TAvailableLanguage* FindByCode(const std::string& code) const;
    const TAvailableLanguage* FindByNumber(int number) const;
    const TAvailableLanguage& GetItem(int index) const { return rows_.at(static_cast<size_t>(index)); }
    int Count() const { return static_cast<int>(rows_.size()); }

private:
    std::vector<TAvailableLanguage> rows_;
};

constexpr int LanguageCount = 33;
constexpr uint8_t UnilangNumber = 0;
constexpr uint8_t UnitextNumber = 1;
constexpr uint8_t EnglishNumber = 2;

// The table; null before StartLanguageTable and after StopLanguageTable.
TAvailableLanguageList* AvailableLanguages();
void StartLanguageTable();
void StopLanguageTable();

// The caption of each number, cut to 15 characters.
extern std::array<std::string, LanguageCount> LanguageNames;
// The language whose words are the dictionary keys (always Unilang).
extern uint8_t MainLanguage;
// The language the client shows.
extern uint8_t CurrentLanguage;

// The number of the language with that code; 1 (Unitext) for an unknown code;
// 0 for an empty one. Raises when the table does not exist.
uint8_t LanguageNumberByCode(const std::string& code);
// The code of that number; empty for a row without code or a number outside.
std::string LanguageCodeByNumber(int number);

} // namespace multilang
