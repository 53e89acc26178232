#include "u3/LanguageTable.h"

#include "u3/Exceptions.h"
#include "u3/StrLib.h"

namespace multilang {

std::array<std::string, LanguageCount> LanguageNames;
uint8_t MainLanguage = UnilangNumber;
uint8_t CurrentLanguage = EnglishNumber;

namespace {

// Made when the program starts (after LanguageNames above, which it fills).
std::unique_ptr<TAvailableLanguageList> table = std::make_unique<TAvailableLanguageList>();

std::unique_ptr<TAvailableLanguageList>& Table()
{
    return table;
}

TAvailableLanguageList& RequireTable()
{
    if (!Table())
        throw u3::Exception("AvailableLanguageList is not assigned");
    return *Table();
}

} // namespace

TAvailableLanguageList::TAvailableLanguageList()
{
    static const struct {
        const char* name;
        const char* code;
    } rows[LanguageCount] = {
        {"Unilang", ""},     {"Unitext", ""},        {"English", "en"},    {"German", "de"},
        {"Russian", "ru"},   {"French", "fr"},       {"Spanish", "es"},    {"Belarus", ""},
        {"Israel", ""},      {"Italian", "it"},      {"Chinese", "zh"},    {"Finnish", "fi"},
        {"Japanese", "ja"},  {"Swedish", "sv"},      {"Czech", "cs"},      {"remUser1", ""},
        {"remUser2", ""},    {"Bulgarian", "bg"},    {"Danish", "da"},     {"Estonian", "et"},
        {"Greek", "el"},     {"Hungarian", "hu"},    {"Irish", "ga"},      {"Icelandic", "is"},
        {"Lithuanian", "lt"}, {"Luxembourgish", "lu"}, {"Dutch", "nl"},    {"Polish", "pl"},
        {"Portuguese", "pt"}, {"Romanian", "ro"},    {"Slovenian", "sl"},  {"Slovak", "sk"},
        {"Turkish", "tr"},
    };
    rows_.reserve(LanguageCount);
    for (int i = 0; i < LanguageCount; ++i)
        AddLanguage(rows[i].name, rows[i].code, static_cast<uint8_t>(i));
    for (int i = 0; i < LanguageCount; ++i)
        if (const TAvailableLanguage* row = FindByNumber(i))
            LanguageNames[static_cast<size_t>(i)] = row->Caption.substr(0, 15);
}

const TAvailableLanguage& TAvailableLanguageList::AddLanguage(const std::string& name, const std::string& code,
                                                              uint8_t number)
{
    rows_.push_back({number, name, code, name + ":"});
    return rows_.back();
}

const TAvailableLanguage* TAvailableLanguageList::FindByCode(const std::string& code) const
{
    for (const auto& row : rows_)
        if (u3::SameText(row.Code, code))
            return &row;
    return nullptr;
}

const TAvailableLanguage* TAvailableLanguageList::FindByNumber(int number) const
{
    for (const auto& row : rows_)
        if (row.Number == number)
            return &row;
    return nullptr;
}

TAvailableLanguageList* AvailableLanguages()
{
    return Table().get();
}

void StartLanguageTable()
{
    if (!Table())
        Table() = std::make_unique<TAvailableLanguageList>();
}

void StopLanguageTable()
{
    Table().reset();
}

uint8_t LanguageNumberByCode(const std::string& code)
{
    const TAvailableLanguage* row = RequireTable().FindByCode(code);
    return row ? row->Number : UnitextNumber;
}

std::string LanguageCodeByNumber(int number)
{
    const TAvailableLanguage* row = RequireTable().FindByNumber(number);
    return row ? row->Code : std::string();
}

} // namespace multilang
