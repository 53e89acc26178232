#include "e3/MultiLanguage.h"

#include "e3/LanguageTable.h"

#include "u3/StrLib.h"

#include <algorithm>

namespace e3 {
namespace {

bool SameTextAscii(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
               return up(x) == up(y);
           });
}

bool IsBlank(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// Reference chains longer than this are taken for loops.
constexpr size_t MaxReferenceDepth = 16;

} // namespace

// ---- TLangSession ------------------------------------------------------------------------

TLangSession& LangSession()
{
    static TLangSession session;
    return session;
}

int TLangSession::IndexOf(const std::string& fileName) const
{
    for (size_t i = 0; i < entries_.size(); ++i)
        if (SameTextAscii(entries_[i].first, fileName))
            return static_cast<int>(i);
    return -1;
}

int TLangSession::OpenSession(const std::string& fileName)
{
    if (IndexOf(fileName) >= 0)
        return -1;
    entries_.emplace_back(fileName, std::make_unique<TItemSession>());
    return Count() - 1;
}

void TLangSession::CloseSession(const std::string& fileName)
{
    const int i = IndexOf(fileName);
    if (i >= 0)
        entries_.erase(entries_.begin() + i);
}

TItemSession* TLangSession::Find(const std::string& fileName) const
{
    const int i = IndexOf(fileName);
    return i < 0 ? nullptr : entries_[static_cast<size_t>(i)].second.get();
}

int TLangSession::GetFirstLanguageCount() const
{
    return entries_.empty() ? 0 : entries_.front().second->GetLanguageCount();
}

// ---- TMultiLanguage: languages ---------------------------------------------------------------

TMultiLanguage::TMultiLanguage()
    : DebugMode(u3::ParamPresent("-MLDEBUG")), DebugDialog(u3::ParamPresent("-MLDEBUGDLG") && !DebugDialogIgnored())
{
}

bool& DebugDialogIgnored()
{
    static bool ignored = false;
    return ignored;
}

void TMultiLanguage::ChangeLanguageByName(const std::string& name)
{
    const TItemSession* dictionary = LangSession().Find(FileName);
    if (!dictionary)
        return;
    const TLanguage* lang = dictionary->GetLanguages().FindLanguage(name);
    if (!lang)
        throw ELangException("Language \"" + name + "\" is not registered.");
    ChangeLanguage(*lang);
}

void TMultiLanguage::ChangeLanguageByIndex(int index)
{
    const TItemSession* dictionary = LangSession().Find(FileName);
    if (!dictionary)
        return;
    if (!dictionary->GetLanguages().IsValidIndex(index))
        throw ELangException("Language \"" + std::to_string(index) + "\" is not registered.");
    ChangeLanguage(*dictionary->GetLanguages()[index]);
}

void TMultiLanguage::ChangeLanguage(const TLanguage& lang)
{
    const TLanguage* target = &lang;
    bool canChange = true;
    if (OnLangChangeBefore)
        OnLangChangeBefore(this, &previous_, target, canChange);
    if (!canChange || !target)
        return;
    // Languages arrive as the dictionary's own objects or as copies of them:
    // the same column is the same language.
    if (target->Name != current_.Name || target->Index != current_.Index) {
        previous_.Assign(current_);
        current_.Assign(*target);
        currentName_ = current_.Name;
        currentIndex_ = current_.Index;
        // Without an owner there is nothing on screen to translate.
        return;
    }
    if (OnLangChangeAfter)
        OnLangChangeAfter(this, &previous_, target);
}

// ---- TMultiLanguage: loading -----------------------------------------------------------------

void TMultiLanguage::LoadDictionaryLanguages(const std::string& fileName, int count,
                                             const std::vector<std::string>& names)
{
    FileName = fileName;
    if (LangSession().OpenSession(FileName) >= 0)
        LangSession().Find(FileName)->LoadLanguagesFromFile(FileName, count, names);
    const TItemSession* dictionary = LangSession().Find(FileName);
    if (!dictionary)
        throw ELangException("No languages in dictionary.");
    TakeLanguagesFrom(*dictionary);
}

void TMultiLanguage::TakeLanguagesFrom(const TItemSession& dictionary)
{
    const TLanguageList& langs = dictionary.GetLanguages();
    if (langs.Count() == 0)
        throw ELangException("No languages in dictionary.");
    const TLanguage* main = langs[0];
    if (!LangMainName.empty()) {
        main = langs.FindLanguage(LangMainName);
        if (!main)
            throw ELangException("Language \"" + LangMainName + "\" does not exist.");
    }
    if (LangMainNumber != -1) {
        if (!langs.IsValidIndex(LangMainNumber))
            throw ELangException("Language \"" + std::to_string(LangMainNumber) + "\" does not exist.");
        main = langs[LangMainNumber];
    }
    main_.Assign(*main);
    previous_.Assign(*main);
    current_.Assign(*main);
}

// ---- TMultiLanguage: translation -----------------------------------------------------------

void TMultiLanguage::TranslateWord(const fw::TObject* parent, const fw::TObject* component, const std::string& word,
                                   const std::string& defaultText, TStatusTranslate& status, const TLanguage* source,
                                   const TLanguage* target, std::string& result)
{
    ReferenceChain chain;
    chain.words.push_back(word);
    Translate(parent, component, word, defaultText, status, source, target, result, chain);
}

void TMultiLanguage::Translate(const fw::TObject* parent, const fw::TObject* component, const std::string& word,
                               const std::string& defaultText, TStatusTranslate& status, const TLanguage* source,
                               const TLanguage* target, std::string& result, ReferenceChain& chain)
{
    result = word;
    std::string w = word;
    bool canTranslate = true;
    if (OnWordTranslateBefore)
        OnWordTranslateBefore(component, target, w, canTranslate);
    if (!canTranslate)
        return;
    std::string t = w;

    if (!AllFind) {
        if (!IsBlank(FileName))
            if (TItemSession* dictionary = LangSession().Find(FileName))
                dictionary->TranslateWord(parent, component, w, status, source, target, t);
    } else {
        for (int i = 0; i < LangSession().Count(); ++i) {
            TItemSession* dictionary = LangSession().GetSession(i);
            const TLanguage* s = dictionary->GetLanguages().FindLanguage(source->Name);
            const TLanguage* d = dictionary->GetLanguages().FindLanguage(target->Name);
            if (!s || !d)
                continue;
            dictionary->TranslateWord(parent, component, w, status, s, d, t);
            if (status == TStatusTranslate::stOk) {
                status = TStatusTranslate::stOther;
                break;
            }
        }
    }

    if (OnWordTranslateAfter)
        OnWordTranslateAfter(component, target, w, t, status);
    result = t;

    const std::string& keyColumn = multilang::LanguageNames[multilang::UnilangNumber];
    const std::string& textColumn = multilang::LanguageNames[multilang::UnitextNumber];
    if (target->Name == keyColumn)
        return;

    bool fellBack = false;
    if (status == TStatusTranslate::stNo && target->Name != textColumn) {
        std::string fallback;
        TranslateByNames(parent, component, result, defaultText, status, source->Name, textColumn, fallback);
        result = fallback;
        fellBack = true;
    }

    if (result.size() > 1 && result.front() == '\\' && result.back() == '\\' && target->Name != textColumn) {
        // A loop or an overlong chain of references ends at the last text, untranslated.
        if (std::find(chain.words.begin(), chain.words.end(), result) != chain.words.end() ||
            chain.words.size() > MaxReferenceDepth)
            chain.cut = true;
        if (chain.cut) {
            status = TStatusTranslate::stNo;
            return;
        }
        chain.words.push_back(result);
        const std::string reference = result;
        Translate(parent, component, reference, defaultText, status, source, target, result, chain);
        if (chain.cut)
            return;
    } else if (fellBack) {
        status = TStatusTranslate::stNo;
    }

    if (!fellBack && status == TStatusTranslate::stNo && source->Name != target->Name)
        result = defaultText;
}

void TMultiLanguage::TranslateFromMain(const fw::TObject* parent, const fw::TObject* component,
                                       const std::string& word, const std::string& defaultText,
                                       TStatusTranslate& status, const TLanguage* target, std::string& result)
{
    TranslateWord(parent, component, word, defaultText, status, &main_, target, result);
}

void TMultiLanguage::TranslateToCurrent(const fw::TObject* parent, const fw::TObject* component,
                                        const std::string& word, const std::string& defaultText,
                                        TStatusTranslate& status, std::string& result)
{
    std::string inMain;
    TranslateWord(parent, component, word, defaultText, status, &previous_, &main_, inMain);
    TranslateFromMain(parent, component, inMain, defaultText, status, &current_, result);
}

void TMultiLanguage::TranslateFromMainByName(const fw::TObject* parent, const fw::TObject* component,
                                             const std::string& word, const std::string& defaultText,
                                             TStatusTranslate& status, const std::string& targetName,
                                             std::string& result)
{
    TranslateByNames(parent, component, word, defaultText, status, main_.Name, targetName, result);
}

void TMultiLanguage::TranslateByNames(const fw::TObject* parent, const fw::TObject* component,
                                      const std::string& word, const std::string& defaultText,
                                      TStatusTranslate& status, const std::string& sourceName,
                                      const std::string& targetName, std::string& result)
{
    result = defaultText;
    status = TStatusTranslate::stNo;
    const TLanguage* source = nullptr;
    const TLanguage* target = nullptr;
    if (!AllFind) {
        const TItemSession* dictionary = LangSession().Find(FileName);
        if (!dictionary)
            return;
        source = dictionary->GetLanguages().FindLanguage(sourceName);
        target = dictionary->GetLanguages().FindLanguage(targetName);
    } else {
        for (int i = 0; i < LangSession().Count() && !(source && target); ++i) {
            const TLanguageList& langs = LangSession().GetSession(i)->GetLanguages();
            if (!source)
                source = langs.FindLanguage(sourceName);
            if (!target)
                target = langs.FindLanguage(targetName);
        }
    }
    if (source && target)
        TranslateWord(parent, component, word, defaultText, status, source, target, result);
    else
        result = defaultText;
}

} // namespace e3
