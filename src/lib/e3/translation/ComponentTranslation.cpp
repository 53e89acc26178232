#include "e3/translation/ComponentTranslation.h"

#include "e3/dictionary/DictCodePage.h"
#include "e3/translation/MultiLanguage.h"

#include <algorithm>

namespace e3 {
namespace {

using Registry = std::vector<std::pair<std::string, TRegObj>>;

void Register(Registry& registry, const std::vector<std::string>& classChain, const std::vector<std::string>& names)
{
    TRegObj entry {classChain, names};
    for (const std::string& name : classChain) {
        const std::string key = fw::UpperCase(name);
        auto it = std::find_if(registry.begin(), registry.end(), [&](const auto& e) { return e.first == key; });
        if (it == registry.end())
            continue;
        if (&name == &classChain.front())
            it->second = std::move(entry);
        else
            registry.insert(it, {fw::UpperCase(classChain.front()), std::move(entry)});
        return;
    }
    registry.emplace_back(fw::UpperCase(classChain.front()), std::move(entry));
}

Registry MakeDefaultRegistry()
{
    // The usual framework classes, with the ancestors that decide their order.
    const std::pair<std::vector<std::string>, std::vector<std::string>> defaults[] = {
        {{"TForm"}, {"Caption", "Hint"}},
        {{"TMenuItem"}, {"Caption", "Hint"}},
        {{"TLabel"}, {"Caption", "Hint"}},
        {{"TMemo"}, {"Hint", "Lines"}},
        {{"TButton"}, {"Caption", "Hint"}},
        {{"TCheckBox"}, {"Caption", "Hint"}},
        {{"TRadioButton"}, {"Caption", "Hint"}},
        {{"TListBox"}, {"Items", "Hint"}},
        {{"TComboBox"}, {"Caption", "Hint", "Items"}},
        {{"TGroupBox"}, {"Caption", "Hint"}},
        {{"TRadioGroup"}, {"Caption", "Hint", "Items"}},
        {{"TPanel"}, {"Caption", "Hint"}},
        {{"TBitBtn", "TButton"}, {"Caption", "Hint"}},
        {{"TSpeedButton"}, {"Caption", "Hint"}},
        {{"TStringGrid", "TDrawGrid"}, {"Hint"}},
        {{"TDrawGrid"}, {"Hint"}},
        {{"TImage"}, {"Hint"}},
        {{"TScrollBox"}, {"Hint"}},
        {{"TSaveDialog", "TOpenDialog"}, {"Hint", "Title", "Filter"}},
        {{"TOpenDialog"}, {"Hint", "Title", "Filter"}},
        {{"TControl"}, {"Caption", "Hint"}},
    };
    Registry registry;
    for (const auto& [chain, names] : defaults)
        Register(registry, chain, names);
    return registry;
}

Registry& MutableRegistry()
{
    static Registry registry = MakeDefaultRegistry();
    return registry;
}

std::vector<std::string> ChainOf(const fw::TClassInfo& classInfo)
{
    std::vector<std::string> chain;
    for (const fw::TClassInfo* c = &classInfo; c; c = c->Parent())
        chain.push_back(c->Name());
    return chain;
}

bool ListsName(const std::vector<std::string>& names, const std::string& name)
{
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return fw::SameText(n, name); });
}

class CurrentPropertyScope {
public:
    explicit CurrentPropertyScope(const std::string& name) { CurrentPropertyName = name; }
    ~CurrentPropertyScope() { CurrentPropertyName.clear(); }
    CurrentPropertyScope(const CurrentPropertyScope&) = delete;
    CurrentPropertyScope& operator=(const CurrentPropertyScope&) = delete;
};

std::string ComponentNameOr(const fw::TComponent* c, const char* none)
{
    return c ? Utf8ToCodePage(c->GetName()) : std::string(none);
}

} // namespace

const std::vector<std::pair<std::string, TRegObj>>& RegisteredClasses()
{
    return MutableRegistry();
}

void RegisterTranslatableProperties(const fw::TClassInfo& classInfo, const std::vector<std::string>& names)
{
    Register(MutableRegistry(), ChainOf(classInfo), names);
}

void RegisterTranslatableProperties(const std::vector<std::string>& classChain, const std::vector<std::string>& names)
{
    if (!classChain.empty())
        Register(MutableRegistry(), classChain, names);
}

int FindRegisteredClass(const fw::TComponent& component)
{
    const std::vector<std::string> chain = ChainOf(component.ClassType());
    const Registry& registry = RegisteredClasses();
    for (size_t i = 0; i < registry.size(); ++i)
        for (const std::string& name : chain)
            if (fw::UpperCase(name) == registry[i].first)
                return static_cast<int>(i);
    return -1;
}

// ---- TMultiLanguage: component texts ------------------------------------------------------------

void TMultiLanguage::ChangeComponentLanguage(fw::TComponent* component, const std::string& fromName,
                                             const std::string& toName)
{
    const TItemSession* dictionary = LangSession().Find(FileName);
    if (!dictionary)
        return;
    const TLanguageList& langs = dictionary->GetLanguages();
    for (const std::string& name : {fromName, toName})
        if (!langs.Exists(name))
            throw ELangException("Language \"" + name + "\" is not registered.");
    const TLanguage* from = langs.FindLanguage(fromName);
    const TLanguage* to = langs.FindLanguage(toName);

    bool canChange = true;
    if (OnLangChangeBefore)
        OnLangChangeBefore(this, &previous_, to, canChange);
    if (!canChange || !to)
        return;
    if (TranslateForm && component) {
        TranslateComponent(component, from, to);
        for (fw::TComponent* owned : std::vector<fw::TComponent*>(component->OwnedComponents()))
            TranslateComponent(owned, from, to);
    }
    if (designerML_)
        designerML_->LanguageChanged(to->Index);
    if (OnLangChangeAfter)
        OnLangChangeAfter(this, &previous_, to);
}

void TMultiLanguage::TranslateComponent(fw::TComponent* component, const TLanguage* from, const TLanguage* to)
{
    if (!component)
        return;
    const int index = FindRegisteredClass(*component);
    if (index >= 0)
        TranslateProperties(component, RegisteredClasses()[static_cast<size_t>(index)].second, from, to);
}

void TMultiLanguage::TranslateProperties(fw::TComponent* component, const TRegObj& entry, const TLanguage* from,
                                         const TLanguage* to)
{
    for (const fw::TPropInfo* p : component->ClassType().AllProperties()) {
        if (!ListsName(entry.properties, p->name) || !p->IsReadable() || !p->IsWritable())
            continue;
        CurrentPropertyScope scope(p->name);
        if (p->kind == fw::TypeKind::String) {
            std::string text = std::get<std::string>(p->get(*component));
            TranslateString(component->Owner(), component, text, p->name, from, to);
            p->set(*component, text);
        } else if (p->kind == fw::TypeKind::Class) {
            auto* lines = dynamic_cast<TStrings*>(std::get<fw::TObject*>(p->get(*component)));
            if (!lines)
                throw ELangException("Property is not TStrings: " + p->name + ".");
            TranslateStrings(component, *lines, from, to);
        }
    }
}

void TMultiLanguage::TranslateString(const fw::TObject* parent, const fw::TObject* component, std::string& text,
                                     const std::string& defaultText, const TLanguage* from, const TLanguage* to)
{
    TStatusTranslate status = TStatusTranslate::stNo;
    std::string result;
    TranslateWord(parent, component, text, defaultText, status, from, to, result);
    text = result;
}

void TMultiLanguage::TranslateStrings(const fw::TComponent* parent, TStrings& lines, const TLanguage* from,
                                      const TLanguage* to)
{
    for (int i = 0; i < lines.Count(); ++i) {
        std::string line = lines.Get(i);
        TranslateString(parent, nullptr, line, std::string(), from, to);
        try {
            lines.Put(i, line);
        } catch (...) {
            return; // a list that refuses a line keeps the rest as it was
        }
    }
}

TLanguageItem* TMultiLanguage::FindItem(const fw::TComponent* parent, const fw::TComponent* component,
                                        int lineNumber, const std::string& propName, const std::string& word,
                                        const std::string& fileName)
{
    if (word.empty())
        return nullptr;
    TItemSession* home = LangSession().Find(fileName);
    TLanguageItem* item = nullptr;
    if (home)
        if (const TLanguage* main = home->GetLanguages().FindLanguage(main_.Name))
            item = home->FindItem(word, main);
    if (!item && AllFind)
        for (int i = 0; i < LangSession().Count() && !item; ++i) {
            TItemSession* dictionary = LangSession().GetSession(i);
            if (const TLanguage* main = dictionary->GetLanguages().FindLanguage(main_.Name))
                item = dictionary->FindItem(word, main);
        }
    CountStatistics(item);
    if (!DebugMode && !DebugDialog)
        return item;

    if (!item) {
        if (!home)
            return nullptr;
        return DebugWord(parent, component, home->GetLanguages(), nullptr, lineNumber, propName, word);
    }
    const TLanguageList& langs = item->Owner()->GetLanguages();
    for (int i = 0; i < langs.Count(); ++i) {
        if (fw::SameText(langs[i]->Name, "STATISTICS") || item->GetWordIndex(langs[i]) >= 0)
            continue;
        if (TLanguageItem* asked = DebugWord(parent, component, langs, item, lineNumber, propName, word))
            item = asked;
        break;
    }
    return item;
}

namespace {

// The block the trace file gets for one word: a line per language, then
// where the word was met.
std::string DebugBlock(const std::vector<std::string>& wordLines, const fw::TComponent* parent,
                       const fw::TComponent* component, const std::string& propName, int lineNumber, bool record)
{
    std::vector<std::string> block = wordLines;
    block.push_back("-ParentObject:>" + ComponentNameOr(parent, "Unknown"));
    block.push_back("-ClassObject:>" + (component ? Utf8ToCodePage(component->ClassName()) : std::string("Nil")));
    block.push_back("-PropertyName:>" + Utf8ToCodePage(propName));
    block.push_back("-ObjectName:>" + ComponentNameOr(component, "Nil"));
    block.push_back("-Items:>" + (lineNumber == -1 ? std::string("Unknown") : std::to_string(lineNumber)));
    block.push_back(std::string());
    std::string text;
    for (const std::string& line : block) {
        text += line;
        text += "\r\n";
        if (record)
            AddDebugLine(line);
    }
    return text;
}

} // namespace

TLanguageItem* TMultiLanguage::DebugWord(const fw::TComponent* parent, const fw::TComponent* component,
                                         const TLanguageList& languages, const TLanguageItem* item, int lineNumber,
                                         const std::string& propName, const std::string& word)
{
    const std::string mainPrefix = Utf8ToCodePage(main_.Prefix);
    const std::string bytes = Utf8ToCodePage(word);
    auto entry = [&](const TLanguage* lang) {
        if (!item || item->GetWordIndex(lang) < 0)
            return std::string();
        return item->GetWord(lang);
    };
    if (DebugMode && !word.empty() && !DebugLinesHold(mainPrefix + ">" + bytes)) {
        std::vector<std::string> lines;
        for (int i = 0; i < languages.Count(); ++i) {
            const std::string e = entry(languages[i]);
            lines.push_back(Utf8ToCodePage(languages[i]->Prefix) + ">" + (e.empty() ? bytes : Utf8ToCodePage(e)));
        }
        AppendDebugLog(DebugBlock(lines, parent, component, propName, lineNumber, true));
    }
    if (DebugDialog && !word.empty() && !DebugLinesHold(mainPrefix + bytes)) {
        TLanguageWord row;
        row.Init(languages.Count());
        for (int i = 0; i < languages.Count(); ++i)
            row.Words[static_cast<size_t>(i)] = item ? entry(languages[i]) : word;
        return ShowDebugDialog(parent, component, languages, lineNumber, propName, row);
    }
    return nullptr;
}

void AppendDebugRow(const TLanguageList& languages, const TLanguageWord& row, const fw::TComponent* parent,
                    const fw::TComponent* component, const std::string& propName, int lineNumber)
{
    std::vector<std::string> lines;
    for (int i = 0; i < languages.Count() && i < row.Count(); ++i)
        lines.push_back(Utf8ToCodePage(languages[i]->Prefix) + ">" +
                        Utf8ToCodePage(row.Words[static_cast<size_t>(i)]));
    AppendDebugLog(DebugBlock(lines, parent, component, propName, lineNumber, false));
}

} // namespace e3
