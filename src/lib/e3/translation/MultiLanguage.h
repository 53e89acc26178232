#pragma once
// The open dictionaries of the program and the object through which words are
// translated: its main, current and previous languages, the search over one or
// all open dictionaries, and the fallbacks when a dictionary lacks a word.
#include "e3/dictionary/ItemSession.h"
#include "framework/Component.h"
#include "framework/Strings.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

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
    const std::string& FileNameAt(int index) const;
    int GetFirstLanguageCount() const;

private:
    int IndexOf(const std::string& fileName) const;
    std::vector<std::pair<std::string, std::unique_ptr<TItemSession>>> entries_;
};

TLangSession& LangSession();

// What a form designer hangs on a multi-language component to hear of
// language changes.
class TCustomDesignerML : public fw::TComponent {
    FW_CLASS()
public:
    explicit TCustomDesignerML(fw::TComponent* owner) : TComponent(owner) {}
    // index: the position of the new current language.
    virtual void LanguageChanged(int index) = 0;
};

// Set once a translator chose "Ignore all" in the debug dialog: every
// multi-language object made later in this run ignores "-MLDEBUGDLG".
bool& DebugDialogIgnored();

class TMultiLanguage : public fw::TComponent {
    FW_CLASS()
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
    // Counts, in the dictionary's "STATISTICS" column, how often each item is
    // found; the counts are saved to the dictionaries when this object ends.
    bool Statistics = false;

    // A multi-language component on a form has the form as its owner.
    explicit TMultiLanguage(fw::TComponent* owner = nullptr);
    ~TMultiLanguage() override;

    // The setters keep the fields' rules: a bare file name lives in the
    // program's folder and is loaded at once; a main language is named either
    // by name or by position, never both.
    void SetFileName(const std::string& value);
    void SetLangMainName(const std::string& value);
    void SetLangMainNumber(int value);

    TLanguage& MainLanguage() { return main_; }
    TLanguage& CurrentLanguage() { return current_; }
    TLanguage& PreviousLanguage() { return previous_; }
    const std::string& CurrentName() const { return currentName_; }
    int CurrentIndex() const { return currentIndex_; }
    // Position of the "STATISTICS" column in the loaded dictionary, -1 when none.
    int StatisticsColumn() const { return statisticsColumn_; }
    // The values of section [Not translate] of the program's INI file.
    const std::vector<std::string>& NotTranslate() const { return notTranslate_; }

    // The published properties' accessors.
    std::string GetFileName() const { return FileName; }
    std::string GetLangMainName() const { return LangMainName; }
    int32_t GetLangMainNumber() const { return LangMainNumber; }
    bool GetTranslateForm() const { return TranslateForm; }
    void SetTranslateForm(bool value) { TranslateForm = value; }
    bool GetAllFind() const { return AllFind; }
    virtual void SetAllFind(bool value) { AllFind = value; }

    // Names of owned components whose texts are cached at the first language
    // change, so that later changes need no dictionary search. A new list
    // drops the cache; it is built anew at the next change.
    virtual const std::vector<std::string>& GetListComponents() const { return listComponents_; }
    virtual void SetListComponents(const std::vector<std::string>& names);
    // The same names as a published list of lines.
    fw::TStrings* GetListComponentsStrings() const { return listComponentsStrings_.get(); }
    // Drops empty names and names that are neither a component of owner nor
    // owner's own name; nothing when the list is empty or owner has no name.
    virtual void PackListComponents(const fw::TComponent* owner);

    TCustomDesignerML* GetDesignerML() const { return designerML_; }
    virtual void SetDesignerML(TCustomDesignerML* value);

    // While designed or loaded from a form description lang becomes the main,
    // current and previous language; at run time it becomes the current one.
    virtual void SetLanguage(const TLanguage& lang);

    // Opens FileName in the registry (reading it only when it was not open
    // yet) without its remark columns, then takes main, current and previous
    // from it.
    void LoadDictionary();

    // Opens fileName in the registry (reading it only when it was not open yet)
    // with the columns of the first count names, then takes main, current and
    // previous from it.
    void LoadDictionaryLanguages(const std::string& fileName, int count, const std::vector<std::string>& names);
    void CloseDictionary(const std::string& fileName) { LangSession().CloseSession(fileName); }

    // Nothing happens while FileName names no open dictionary; a name or
    // position that the dictionary lacks raises ELangException.
    void ChangeLanguageByName(const std::string& name);
    void ChangeLanguageByIndex(int index);
    // Records lang (a copy) as the current language and the old current one
    // as previous, after the before-event allowed it.
    void ChangeLanguage(const TLanguage& lang);
    void SetPreviousLanguage(const TLanguage& lang);

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

    // ---- the component cache (MultiLanguage.cpp) -----------------------------------------
    // The dictionary item of each registered text of component, stored for
    // the entry at position of the component list.
    virtual void CacheComponent(fw::TComponent* owner, fw::TComponent* component, int position);
    // Every later change takes each cached text's word in lang; texts whose
    // item is gone or lacks a word in lang stay as they are.
    virtual void TranslateCached(const TLanguage* lang);
    // stNo when item is none or has no word in lang.
    virtual TStatusTranslate GetCachedWord(const TLanguageItem* item, const TLanguage* lang, std::string& word);
    bool CachePending() const { return cachePending_; }
    // Counts item in the statistics column when statistics are on.
    void CountStatistics(TLanguageItem* item);

protected:
    void Notification(fw::TComponent* component, fw::TOperation operation) override;

private:
    struct CachedText {
        TLanguageItem* item;
        // Which dictionary, in which state of its items, the item came from.
        uint64_t session;
        uint64_t epoch;
    };
    struct CachedProperty {
        std::string name;
        std::vector<CachedText> lines; // line number = position
    };
    using ComponentCache = std::vector<CachedProperty>;

    void CacheProperties(fw::TComponent* owner, fw::TComponent* component, const TRegObj& entry,
                         ComponentCache& cache);
    void TranslateCachedComponent(fw::TComponent* component, const ComponentCache& cache, const TLanguage* lang);
    void TranslateCachedProperties(fw::TComponent* component, const CachedProperty& property, const TLanguage* lang);
    CachedText Remember(TLanguageItem* item) const;
    TLanguageItem* Recall(const CachedText& text) const;
    void BuildCache(fw::TComponent* owner);

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
    int statisticsColumn_ = -1;
    std::vector<std::string> notTranslate_;
    std::vector<std::string> listComponents_;
    std::unique_ptr<fw::TStrings> listComponentsStrings_;
    // Parallel to listComponents_ once built.
    std::vector<ComponentCache> cache_;
    bool cachePending_ = true;
    TCustomDesignerML* designerML_ = nullptr;
};

} // namespace e3
