#pragma once
// The open dictionaries of the program and the object through which words are
// translated: its main, current and previous languages, the search over one or
// all open dictionaries, and the fallbacks when a dictionary lacks a word.
#include "e3/ItemSession.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {
class TComponent;
}

namespace e3 {

class TStrings;
struct TRegObj;

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

// Set once a translator chose "Ignore all" in the debug dialog: every
// multi-language object made later in this run ignores "-MLDEBUGDLG".
bool& DebugDialogIgnored();

class TMultiLanguage {
public:
    // The handler may replace the language to change to, or refuse the change.
    using TLangEventBefore =
        std::function<void(TMultiLanguage* sender, const TLanguage* lng, const TLanguage*& newLng, bool& canChange)>;
    using TLangEventAfter = std::function<void(TMultiLanguage* sender, const TLanguage* lng, const TLanguage* newLng)>;
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
    TLangEventBefore OnLangChangeBefore;
    TLangEventAfter OnLangChangeAfter;
    // A language change translates the owner's texts (only components that
    // sit on a form have an owner; this object never has one).
    bool TranslateForm = true;
    // Words the component translation misses go to the trace file ("-MLDEBUG")
    // or to the debug dialog ("-MLDEBUGDLG", until a translator ignores all).
    bool DebugMode;
    bool DebugDialog;

    TMultiLanguage();

    TLanguage& MainLanguage() { return main_; }
    TLanguage& CurrentLanguage() { return current_; }
    TLanguage& PreviousLanguage() { return previous_; }

    // Opens fileName in the registry (reading it only when it was not open yet)
    // with the columns of the first count names, then takes main, current and
    // previous from it.
    void LoadDictionaryLanguages(const std::string& fileName, int count, const std::vector<std::string>& names);
    void CloseDictionary(const std::string& fileName) { LangSession().CloseSession(fileName); }

    // Nothing happens while FileName names no open dictionary; a name or
    // position that the dictionary lacks raises ELangException.
    void ChangeLanguageByName(const std::string& name);
    void ChangeLanguageByIndex(int index);
    void ChangeLanguage(const TLanguage& lang);
    const std::string& CurrentName() const { return currentName_; }
    int CurrentIndex() const { return currentIndex_; }

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

    // ---- component texts (ComponentTranslation.cpp) ----------------------------------
    // Translates component and everything it owns from one column to another.
    void ChangeComponentLanguage(fw::TComponent* component, const std::string& fromName, const std::string& toName);
    // The registered properties of a component of a registered class.
    void TranslateComponent(fw::TComponent* component, const TLanguage* from, const TLanguage* to);
    void TranslateProperties(fw::TComponent* component, const TRegObj& entry, const TLanguage* from,
                             const TLanguage* to);
    void TranslateString(const fw::TObject* parent, const fw::TObject* component, std::string& text,
                         const std::string& defaultText, const TLanguage* from, const TLanguage* to);
    void TranslateStrings(const fw::TComponent* parent, TStrings& lines, const TLanguage* from, const TLanguage* to);
    // The dictionary item of a text of the main language; with the debug aids
    // on, what the dictionary lacks is traced or asked for.
    TLanguageItem* FindItem(const fw::TComponent* parent, const fw::TComponent* component, int lineNumber,
                            const std::string& propName, const std::string& word, const std::string& fileName);
    TLanguageItem* DebugWord(const fw::TComponent* parent, const fw::TComponent* component,
                             const TLanguageList& languages, const TLanguageItem* item, int lineNumber,
                             const std::string& propName, const std::string& word);
    TLanguageItem* ShowDebugDialog(const fw::TComponent* parent, const fw::TComponent* component,
                                   const TLanguageList& languages, int lineNumber, const std::string& propName,
                                   TLanguageWord& row);

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
    std::string currentName_;
    int currentIndex_ = 0;
};

} // namespace e3
