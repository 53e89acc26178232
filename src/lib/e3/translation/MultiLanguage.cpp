#include "e3/translation/MultiLanguage.h"

#include "e3/translation/ComponentTranslation.h"
#include "e3/dictionary/DictionaryFiles.h"
#include "u3/LanguageTable.h"

#include "framework/Rtti.h"
#include "u3/Files.h"
#include "u3/IniFile.h"
#include "u3/StrLib.h"

#include <algorithm>
#include <optional>

namespace e3 {
namespace {

// The dictionary's trace names components only; any other object is none.
std::optional<TTraceSource> TraceSourceOf(const fw::TObject* object)
{
    auto* component = dynamic_cast<const fw::TComponent*>(object);
    if (!component)
        return std::nullopt;
    return TTraceSource {component->ClassName(), component->GetName()};
}

const TTraceSource* OrNull(const std::optional<TTraceSource>& source)
{
    return source ? &*source : nullptr;
}

bool IsBlank(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// Reference chains longer than this are taken for loops.
constexpr size_t MaxReferenceDepth = 16;

// The program's INI file: its own name with ".ini" for any extension.
std::string ProgramIniName()
{
    std::string name = u3::GetExeName();
    const size_t slash = name.find_last_of("/\\");
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        name.erase(dot);
    return name + ".ini";
}

std::vector<std::string> ReadNotTranslate()
{
    const u3::IniFile ini(ProgramIniName());
    std::vector<std::string> values;
    for (const std::string& key : ini.ReadSection("Not translate"))
        values.push_back(ini.ReadString("Not translate", key, std::string()));
    return values;
}

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
        if (u3::SameText(entries_[i].first, fileName))
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

const std::string& TLangSession::FileNameAt(int index) const
{
    return entries_[static_cast<size_t>(index)].first;
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

const fw::TClassInfo& TCustomDesignerML::StaticClass()
{
    static const fw::TClassInfo info {"TCustomDesignerML", &fw::TComponent::StaticClass(), {}};
    return info;
}

const fw::TClassInfo& TMultiLanguage::StaticClass()
{
    using C = TMultiLanguage;
    namespace p = fw::prop;
    static const fw::TClassInfo info {
        "TMultiLanguage",
        &fw::TComponent::StaticClass(),
        fw::TRows<TMultiLanguage> {
            p::Boolean("AllFind", &C::GetAllFind, &C::SetAllFind),
            p::Object("DesignerML", TCustomDesignerML::StaticClass(), &C::GetDesignerML, &C::SetDesignerML),
            p::String("FileName", &C::GetFileName, &C::SetFileName),
            p::String("LangMainName", &C::GetLangMainName, &C::SetLangMainName),
            p::Object("ListComponents", fw::TStrings::StaticClass(), &C::GetListComponentsStrings, nullptr),
            p::Integer("LangMainNumber", &C::GetLangMainNumber, &C::SetLangMainNumber),
            p::Boolean("TranslateForm", &C::GetTranslateForm, &C::SetTranslateForm),
        },
        fw::MakeFactory<TMultiLanguage>(),
    };
    return info;
}

TMultiLanguage::TMultiLanguage(fw::TComponent* owner)
    : TComponent(owner), DebugMode(u3::ParamPresent("-MLDEBUG")),
      DebugDialog(u3::ParamPresent("-MLDEBUGDLG") && !DebugDialogIgnored()), notTranslate_(ReadNotTranslate()),
      listComponentsStrings_(std::make_unique<fw::TStrings>())
{
    listComponentsStrings_->OnRefresh = [this] { listComponentsStrings_->Load(listComponents_); };
    listComponentsStrings_->OnChange = [this] { SetListComponents(listComponentsStrings_->Lines()); };
}

TMultiLanguage::~TMultiLanguage()
{
    if (Statistics && statisticsColumn_ >= 0)
        for (int i = 0; i < LangSession().Count(); ++i) {
            // Counts that cannot be saved are lost; the other dictionaries still get theirs.
            try {
                LangSession().GetSession(i)->SaveToFile(LangSession().FileNameAt(i));
            } catch (const std::exception&) {
            }
        }
    if (designerML_)
        designerML_->RemoveFreeNotification(this);
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
    // The handler may hand over any object, even one this call replaces.
    TLanguage next;
    next.Assign(*target);
    // Languages arrive as the dictionary's own objects or as copies of them:
    // the same column is the same language.
    if (next.Name != current_.Name || next.Index != current_.Index) {
        previous_.Assign(current_);
        current_.Assign(next);
        currentName_ = current_.Name;
        currentIndex_ = current_.Index;
        // Without an owner there is nothing on screen to translate.
        if (!Owner())
            return;
        if (TranslateForm)
            TranslateComponent(Owner(), &previous_, &next);
        if (cachePending_)
            BuildCache(Owner());
        TranslateCached(&next);
    }
    if (designerML_)
        designerML_->LanguageChanged(next.Index);
    if (OnLangChangeAfter)
        OnLangChangeAfter(this, &previous_, &next);
}

void TMultiLanguage::SetLanguage(const TLanguage& lang)
{
    if (&lang == &main_)
        return;
    if (HasState(fw::csDesigning | fw::csLoading)) {
        main_.Assign(lang);
        current_.Assign(lang);
        previous_.Assign(lang);
        return;
    }
    ChangeLanguage(lang);
}

// ---- TMultiLanguage: components on the owner -------------------------------------------------

void TMultiLanguage::SetListComponents(const std::vector<std::string>& names)
{
    listComponents_ = names;
    cache_.clear();
    cachePending_ = true;
}

void TMultiLanguage::PackListComponents(const fw::TComponent* owner)
{
    if (listComponents_.empty() || !owner || owner->GetName().empty())
        return;
    const bool cached = cache_.size() == listComponents_.size();
    size_t kept = 0;
    for (size_t i = 0; i < listComponents_.size(); ++i) {
        const std::string& name = listComponents_[i];
        if (name.empty() || (!owner->FindComponent(name) && !fw::SameText(name, owner->GetName())))
            continue;
        if (cached && kept != i)
            cache_[kept] = std::move(cache_[i]);
        if (kept != i)
            listComponents_[kept] = std::move(listComponents_[i]);
        ++kept;
    }
    listComponents_.resize(kept);
    if (cached)
        cache_.resize(kept);
}

void TMultiLanguage::SetDesignerML(TCustomDesignerML* value)
{
    if (value == designerML_)
        return;
    if (designerML_)
        designerML_->RemoveFreeNotification(this);
    designerML_ = value;
    if (value)
        value->FreeNotification(this);
}

void TMultiLanguage::Notification(fw::TComponent* component, fw::TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation != fw::TOperation::opRemove)
        return;
    // A freed designer hook is forgotten at any time: it would be called on
    // the next language change.
    if (component == designerML_)
        designerML_ = nullptr;
    if (!HasState(fw::csDesigning))
        return;
    // component may be half destroyed: only its address and name are used.
    const std::string name = component->GetName();
    for (size_t i = 0; i < listComponents_.size(); ++i)
        if (!name.empty() && fw::SameText(listComponents_[i], name)) {
            listComponents_.erase(listComponents_.begin() + static_cast<std::ptrdiff_t>(i));
            if (i < cache_.size())
                cache_.erase(cache_.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    PackListComponents(component->Owner());
}

// ---- TMultiLanguage: the component cache ------------------------------------------------------

TMultiLanguage::CachedText TMultiLanguage::Remember(TLanguageItem* item) const
{
    if (!item || !item->Owner())
        return CachedText {nullptr, 0, 0};
    return CachedText {item, item->Owner()->Serial(), item->Owner()->ItemsEpoch()};
}

TLanguageItem* TMultiLanguage::Recall(const CachedText& text) const
{
    if (!text.item)
        return nullptr;
    // A dictionary closed since, or one that lost items, may have freed it.
    for (int i = 0; i < LangSession().Count(); ++i) {
        const TItemSession* session = LangSession().GetSession(i);
        if (session->Serial() == text.session)
            return session->ItemsEpoch() == text.epoch ? text.item : nullptr;
    }
    return nullptr;
}

void TMultiLanguage::BuildCache(fw::TComponent* owner)
{
    cache_.assign(listComponents_.size(), ComponentCache {});
    for (size_t i = 0; i < listComponents_.size(); ++i)
        if (fw::TComponent* component = owner->FindComponent(listComponents_[i]))
            CacheComponent(owner, component, static_cast<int>(i));
    cachePending_ = false;
}

void TMultiLanguage::CacheComponent(fw::TComponent* owner, fw::TComponent* component, int position)
{
    if (!component || position < 0 || static_cast<size_t>(position) >= listComponents_.size())
        return;
    if (cache_.size() != listComponents_.size())
        cache_.resize(listComponents_.size());
    const int index = FindRegisteredClass(*component);
    ComponentCache& cache = cache_[static_cast<size_t>(position)];
    cache.clear();
    if (index >= 0)
        CacheProperties(owner, component, RegisteredClasses()[static_cast<size_t>(index)].second, cache);
}

void TMultiLanguage::CacheProperties(fw::TComponent* owner, fw::TComponent* component, const TRegObj& entry,
                                     ComponentCache& cache)
{
    for (const fw::TPropInfo* p : component->ClassType().AllProperties()) {
        if (!p->IsReadable() || !p->IsWritable() ||
            !std::any_of(entry.properties.begin(), entry.properties.end(),
                         [&](const std::string& n) { return fw::SameText(n, p->name); }))
            continue;
        CachedProperty property {p->name, {}};
        if (p->kind == fw::TypeKind::String) {
            const std::string text = std::get<std::string>(p->get(*component));
            property.lines.push_back(Remember(FindItem(owner, component, -1, p->name, text, FileName)));
        } else if (p->kind == fw::TypeKind::Class) {
            auto* lines = dynamic_cast<TStrings*>(std::get<fw::TObject*>(p->get(*component)));
            if (!lines)
                continue;
            for (int i = 0; i < lines->Count(); ++i)
                property.lines.push_back(Remember(FindItem(owner, component, i, p->name, lines->Get(i), FileName)));
        } else {
            continue;
        }
        cache.push_back(std::move(property));
    }
}

void TMultiLanguage::TranslateCached(const TLanguage* lang)
{
    fw::TComponent* owner = Owner();
    if (!owner || !lang)
        return;
    for (size_t i = 0; i < listComponents_.size() && i < cache_.size(); ++i) {
        fw::TComponent* component = owner->FindComponent(listComponents_[i]);
        if (component && FindRegisteredClass(*component) >= 0)
            TranslateCachedComponent(component, cache_[i], lang);
    }
}

void TMultiLanguage::TranslateCachedComponent(fw::TComponent* component, const ComponentCache& cache,
                                              const TLanguage* lang)
{
    for (const CachedProperty& property : cache)
        TranslateCachedProperties(component, property, lang);
}

void TMultiLanguage::TranslateCachedProperties(fw::TComponent* component, const CachedProperty& property,
                                               const TLanguage* lang)
{
    const fw::TPropInfo* p = component->ClassType().FindProperty(property.name);
    if (!p || !p->IsReadable() || !p->IsWritable())
        return;
    std::string word;
    if (p->kind == fw::TypeKind::String) {
        if (!property.lines.empty() && GetCachedWord(Recall(property.lines[0]), lang, word) != TStatusTranslate::stNo)
            p->set(*component, word);
        return;
    }
    auto* lines = p->kind == fw::TypeKind::Class ? dynamic_cast<TStrings*>(std::get<fw::TObject*>(p->get(*component)))
                                                 : nullptr;
    if (!lines)
        return;
    for (size_t i = 0; i < property.lines.size() && static_cast<int>(i) < lines->Count(); ++i) {
        if (GetCachedWord(Recall(property.lines[i]), lang, word) == TStatusTranslate::stNo)
            continue;
        try {
            lines->Put(static_cast<int>(i), word);
        } catch (...) {
            return; // a list that refuses a line keeps the rest as it was
        }
    }
}

TStatusTranslate TMultiLanguage::GetCachedWord(const TLanguageItem* item, const TLanguage* lang, std::string& word)
{
    word.clear();
    if (!item || !lang || !item->Owner())
        return TStatusTranslate::stNo;
    // lang may be a copy: find its column in the item's own dictionary.
    const TLanguage* column = item->Owner()->GetLanguages().FindLanguage(lang->Name);
    if (!column || item->GetWordIndex(column) < 0)
        return TStatusTranslate::stNo;
    word = item->GetWord(column);
    return TStatusTranslate::stOk;
}

void TMultiLanguage::CountStatistics(TLanguageItem* item)
{
    if (Statistics && statisticsColumn_ >= 0 && item && item->Owner())
        item->Owner()->IncStatistics(item);
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

void TMultiLanguage::SetFileName(const std::string& value)
{
    // An empty name leaves the component without a dictionary; it does not
    // stand for the program's folder.
    const std::string resolved = value.empty() ? value : PathBesideProgram(value);
    if (resolved == FileName)
        return;
    FileName = resolved;
    // A form designer only records the name.
    if (!FileName.empty() && !HasState(fw::csDesigning))
        LoadDictionary();
}

void TMultiLanguage::LoadDictionary()
{
    if (LangSession().OpenSession(FileName) >= 0)
        LangSession().Find(FileName)->LoadFromFile(FileName);
    const TItemSession* dictionary = LangSession().Find(FileName);
    statisticsColumn_ = dictionary ? dictionary->GetLanguages().IndexOf("STATISTICS") : -1;
    if (statisticsColumn_ >= 0 && Statistics) {
        // Counting needs every column, so that saving the counts keeps them all.
        LangSession().CloseSession(FileName);
        LangSession().OpenSession(FileName);
        LangSession().Find(FileName)->LoadFromFileFull(FileName);
        dictionary = LangSession().Find(FileName);
        statisticsColumn_ = dictionary->GetLanguages().IndexOf("STATISTICS");
    }
    if (!dictionary)
        throw ELangException("No languages in dictionary.");
    TakeLanguagesFrom(*dictionary);
}

void TMultiLanguage::SetLangMainName(const std::string& value)
{
    if (value == LangMainName)
        return;
    LangMainName = value;
    if (!value.empty())
        LangMainNumber = -1;
}

void TMultiLanguage::SetLangMainNumber(int value)
{
    if (value == LangMainNumber)
        return;
    LangMainNumber = value;
    if (value != -1)
        LangMainName.clear();
}

void TMultiLanguage::SetPreviousLanguage(const TLanguage& lang)
{
    previous_.Assign(lang);
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
    const std::optional<TTraceSource> traceParent = TraceSourceOf(parent);
    const std::optional<TTraceSource> traceComponent = TraceSourceOf(component);

    if (!AllFind) {
        if (!IsBlank(FileName))
            if (TItemSession* dictionary = LangSession().Find(FileName)) {
                dictionary->TranslateWord(OrNull(traceParent), OrNull(traceComponent), w, status, source, target, t);
                if (Statistics && statisticsColumn_ >= 0)
                    if (const TLanguage* column = dictionary->GetLanguages().FindLanguage(source->Name))
                        CountStatistics(dictionary->FindItem(w, column));
            }
    } else {
        for (int i = 0; i < LangSession().Count(); ++i) {
            TItemSession* dictionary = LangSession().GetSession(i);
            const TLanguage* s = dictionary->GetLanguages().FindLanguage(source->Name);
            const TLanguage* d = dictionary->GetLanguages().FindLanguage(target->Name);
            if (!s || !d)
                continue;
            dictionary->TranslateWord(OrNull(traceParent), OrNull(traceComponent), w, status, s, d, t);
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
