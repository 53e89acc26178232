#include "multilang/ClientTranslation.h"

#include "u3/LanguageTable.h"
#include "u3/Exceptions.h"
#include "u3/Files.h"
#include "u3/StrLib.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

namespace multilang {
namespace {

std::unique_ptr<e3::TMultiLanguage>& Instance()
{
    static std::unique_ptr<e3::TMultiLanguage> instance;
    return instance;
}

// Held open from set-up to clean-up while the program runs with the single
// parameter "ML"; a tester watches that it exists.
std::unique_ptr<std::ofstream>& TraceFile()
{
    static std::unique_ptr<std::ofstream> file;
    return file;
}

const std::string& Caption(int number)
{
    return LanguageNames.at(static_cast<size_t>(number));
}

} // namespace

e3::TMultiLanguage* MultiLanguage()
{
    return Instance().get();
}

void InitMultiLanguage()
{
    Instance().reset();
    const std::vector<std::string> parameters = u3::ProgramParameters();
    if (parameters.size() == 1 && parameters.front() == "ML") {
        TraceFile().reset();
        auto file = std::make_unique<std::ofstream>(LanguageTraceFileName, std::ios::out | std::ios::trunc);
        if (!file->is_open())
            throw u3::Exception(std::string("Cannot create file \"") + LanguageTraceFileName + "\"");
        TraceFile() = std::move(file);
    }
    auto ml = std::make_unique<e3::TMultiLanguage>();
    ml->AllFind = true;
    ml->FileName.clear();
    ml->LangMainName = Caption(MainLanguage);
    // With no dictionary open yet this only checks that nothing is open under
    // the empty name; it raises before the object is published.
    ml->ChangeLanguageByName(Caption(CurrentLanguage));
    Instance() = std::move(ml);
}

e3::TMultiLanguage* LoadDictionary(const std::string& fileName)
{
    e3::TMultiLanguage* ml = MultiLanguage();
    if (!ml)
        return nullptr;
    std::vector<std::string> names;
    if (CurrentLanguage == MainLanguage)
        names = {Caption(MainLanguage), Caption(UnitextNumber)};
    else
        names = {Caption(CurrentLanguage), Caption(UnitextNumber), Caption(MainLanguage)};
    ml->LoadDictionaryLanguages(fileName, static_cast<int>(names.size()), names);
    ml->ChangeLanguageByName(Caption(CurrentLanguage));
    return ml;
}

void DoneMultiLanguage()
{
    TraceFile().reset();
    if (auto& ml = Instance()) {
        ml->CloseDictionary(ml->FileName);
        ml.reset();
    }
    CurrentLanguage = EnglishNumber;
    MainLanguage = UnilangNumber;
}

std::string LocalDictionaryFileName()
{
    std::filesystem::path path(u3::GetExeName());
    path.replace_extension(".lgf");
    return path.string();
}

std::string SetUpLocalTranslation()
{
    try {
        InitMultiLanguage();
        const std::string fileName = LocalDictionaryFileName();
        std::error_code error;
        if (std::filesystem::is_regular_file(fileName, error))
            LoadDictionary(fileName);
    } catch (...) {
        // A dictionary that cannot be read leaves the texts marked or as
        // their defaults; the client works on in either case.
    }
    return TranslateSrc("Client.ServerNotFound", "Connection to server lost. Please close and retry.");
}

std::string TranslateSrc(const std::string& key, const std::string& defaultText)
{
    return TranslateKey("SRC." + key, defaultText);
}

std::string TranslateKey(const std::string& key, const std::string& defaultText)
{
    if (!MultiLanguage())
        return defaultText;
    return TranslateKeyBetween(key, defaultText, MainLanguage, CurrentLanguage);
}

std::string TranslateKeyBetween(const std::string& key, const std::string& defaultText, int fromNumber,
                                int toNumber)
{
    e3::TStatusTranslate status = e3::TStatusTranslate::stNo;
    return TranslateKeyByNumbers(key, defaultText, status, fromNumber, toNumber);
}

std::string TranslateKeyByNumbers(const std::string& key, const std::string& defaultText,
                                  e3::TStatusTranslate& status, int fromNumber, int toNumber)
{
    return TranslateKeyByNames(key, defaultText, status, Caption(fromNumber), Caption(toNumber));
}

std::string TranslateKeyByNames(const std::string& key, const std::string& defaultText,
                                e3::TStatusTranslate& status, const std::string& fromName,
                                const std::string& toName)
{
    std::string result = defaultText;
    e3::TMultiLanguage* ml = MultiLanguage();
    if (!ml)
        return result;
    ml->TranslateByNames(nullptr, nullptr, key, defaultText, status, fromName, toName, result);
    if (status == e3::TStatusTranslate::stNo)
        result = MarkUntranslated(result);
    if (result == "_-")
        result = "-";
    return result;
}

std::string MarkUntranslated(const std::string& text)
{
    std::string result = text;
    if (result.find(' ') == std::string::npos) {
        if (!result.empty() && result.front() != '_')
            result.insert(result.begin(), '_');
    } else {
        std::replace(result.begin(), result.end(), ' ', '_');
    }
    return result;
}

} // namespace multilang
