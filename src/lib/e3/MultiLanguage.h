#pragma once
// The open dictionaries of the program and the object through which words are
// translated: its main, current and previous languages, the search over one or
// all open dictionaries, and the fallbacks when a dictionary lacks a word.
#include "e3/ItemSession.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace e3 {

// Registered file name to dictionary; names compared without regard to case.
class TLangSession {
public:
    // -1 when fileName is registered already; else registers an empty
    // dictionary and gives its position.
    int OpenSession(const std::string& fileName);
    void CloseSession(const std::string& fileName);
    TItemSession* Find(const std::string& fileName) const;
    int Count() const { return static_cast<int>(entries_.size()); }
    TItemSession* GetSession(int index) const { return entries_[static_cast<size_t>(index)].second.get(); }
    int GetFirstLanguageCount() const;

private:
    int IndexOf(const std::string& fileName) const;
    std::vector<std::pair<std::string, std::unique_ptr<TItemSession>>> entries_;
};

TLangSession& LangSession();

class TMultiLanguage {
public:
    using TWordEventBefore =
        std::function<void(const fw::TObject* sender, const TLanguage* lng, std::string& word, bool& canTranslate)>;
    using TWordEventAfter = std::function<void(const fw::TObject* sender, const TLanguage* lng, std::string& word,
                                               std::string& wordTranslated, TStatusTranslate& st)>;

    std::string FileName;
    bool AllFind = false;
    std::string LangMainName;
    int LangMainNumber = -1;
    TWordEventBefore OnWordTranslateBefore;
    TWordEventAfter OnWordTranslateAfter;

    TLanguage& MainLanguage() { return main_; }
    TLanguage& CurrentLanguage() { return current_; }
    TLanguage& PreviousLanguage() { return previous_; }

    // Opens fileName in the registry (reading it only when it was not open yet)
    // with the columns of the first count names, then takes main, current and
    // previous from it.
    void LoadDictionaryLanguages(const std::string& fileName, int count, const std::vector<std::string>& names);
    void CloseDictionary(const std::string& fileName) { LangSession().CloseSession(fileName); }

    void TranslateWord(const fw::TObject* parent, const fw::TObject* component, const std::string& word,
                       const std::string& defaultText, TStatusTranslate& status, const TLanguage* source,
                       const TLanguage* target, std::string& result);
    void TranslateFromMain(const fw::TObject* parent, const fw::TObject* component, const std::string& word,
                           const std::string& defaultText, TStatusTranslate& status, const TLanguage* target,
                           std::string& result);
    void TranslateToCurrent(const fw::TObject* parent, const fw::TObject* component, const std::string& word,
                            const std::string& defaultText, TStatusTranslate& status, std::string& result);
    void TranslateFromMainByName(const fw::TObject* parent, const fw::TObject* component, const std::string& word,
                                 const std::string& defaultText, TStatusTranslate& status,
                                 const std::string& targetName, std::string& result);
    void TranslateByNames(const fw::TObject* parent, const fw::TObject* component, const std::string& word,
                          const std::string& defaultText, TStatusTranslate& status, const std::string& sourceName,
                          const std::string& targetName, std::string& result);

private:
    // The words already looked up along a chain of "\X\" references.
    struct ReferenceChain {
        std::vector<std::string> words;
        bool cut = false;
    };
    void Translate(const fw::TObject* parent, const fw::TObject* component, const std::string& word,
                   const std::string& defaultText, TStatusTranslate& status, const TLanguage* source,
                   const TLanguage* target, std::string& result, ReferenceChain& chain);
    void TakeLanguagesFrom(const TItemSession& dictionary);

    TLanguage main_, current_, previous_;
};

} // namespace e3
