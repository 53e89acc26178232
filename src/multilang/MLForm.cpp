#include "multilang/MLForm.h"

#include "u3/LanguageTable.h"
#include "e3/menus/Menus.h"
#include "framework/StandardProps.h"
#include "multilang/ClientTranslation.h"

#include <algorithm>

namespace multilang {
namespace {

bool IsMenuItem(const fw::TComponent& component)
{
    return fw::ClassInheritsFromName(&component.ClassType(), "TMenuItem");
}

// Forms and frames start key paths of their own.
bool StartsOwnPath(const fw::TComponent& component)
{
    return dynamic_cast<const fw::TCustomForm*>(&component) ||
           fw::ClassInheritsFromName(&component.ClassType(), "Te3ClientFrame");
}

std::string QuotedElement(const std::string& name)
{
    const bool needsQuotes = std::any_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == '.';
    });
    if (!needsQuotes)
        return name;
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    quoted += '"';
    return quoted;
}

// The published text properties in the order of their names.
std::vector<const fw::TPropInfo*> TextProperties(const fw::TComponent& component)
{
    std::vector<const fw::TPropInfo*> result;
    for (const fw::TPropInfo* p : component.ClassType().AllProperties())
        if (p->kind == fw::TypeKind::String && p->IsReadable() && p->IsWritable())
            result.push_back(p);
    std::stable_sort(result.begin(), result.end(), [](const fw::TPropInfo* a, const fw::TPropInfo* b) {
        return fw::UpperCase(a->name) < fw::UpperCase(b->name);
    });
    return result;
}

} // namespace

bool IsTranslatable(const fw::TComponent& component, const std::string& propName)
{
    if (auto* translatable = dynamic_cast<const e3::ITranslatableControl*>(&component))
        return translatable->IsTranslatable(propName);
    if (IsMenuItem(component))
        return e3::WordListContains("CAPTION HINT", propName);
    return false;
}

std::string JoinKeyPath(const std::vector<std::string>& path)
{
    if (path.size() == 1 && path.front().empty())
        return "\"\"";
    std::string key;
    for (size_t i = 0; i < path.size(); ++i) {
        if (i > 0)
            key += '.';
        key += QuotedElement(path[i]);
    }
    return key;
}

const fw::TClassInfo& TMLForm::StaticClass()
{
    static const fw::TClassInfo info {"TMLForm", &fw::TCustomForm::StaticClass(), fw::TRows<TMLForm> {fw::std_props::Caption()}};
    return info;
}

bool TMLForm::IsTranslatable(const std::string& propName) const
{
    return e3::WordListContains("CAPTION HINT", propName);
}

const fw::TClassInfo& TMLForm::GetLanguageClass() const
{
    return StaticClass();
}

void TMLForm::TranslateComponent(fw::TComponent* component, std::vector<std::string>* path)
{
    if (!MultiLanguage() || !component)
        return;
    std::vector<std::string> ownPath;
    std::vector<std::string>& names = path ? *path : ownPath;
    names.push_back(component->GetName());
    struct PopLast {
        std::vector<std::string>& names;
        ~PopLast() { names.pop_back(); }
    } popLast {names};

    if (dynamic_cast<e3::ITranslatableControl*>(component) || IsMenuItem(*component)) {
        for (const fw::TPropInfo* p : TextProperties(*component)) {
            if (!multilang::IsTranslatable(*component, p->name))
                continue;
            const std::string value = std::get<std::string>(p->get(*component));
            const std::string key = JoinKeyPath(names) + "." + p->name;
            p->set(*component, TranslateKeyBetween(key, value, MainLanguage, CurrentLanguage));
        }
    }

    if (auto* container = dynamic_cast<fw::TWinControl*>(component)) {
        // A translation may change a child's text only, never the list, but a
        // copy keeps the walk safe whatever a setter does.
        const std::vector<fw::TControl*> children = container->ChildControls();
        for (fw::TControl* child : children) {
            if (StartsOwnPath(*child))
                TranslateComponent(child, nullptr);
            else
                TranslateComponent(child, &names);
        }
        if (StartsOwnPath(*component)) {
            const std::vector<fw::TComponent*> owned = component->OwnedComponents();
            for (fw::TComponent* c : owned)
                if (dynamic_cast<e3::TMenuBase*>(c))
                    TranslateComponent(c, &names);
        }
    } else if (auto* menu = dynamic_cast<e3::TMenuBase*>(component)) {
        for (int i = 0; i < menu->Items()->GetCount(); ++i)
            TranslateComponent(menu->Items()->Items(i), &names);
    } else if (auto* item = dynamic_cast<e3::Te3MenuItem*>(component)) {
        for (int i = 0; i < item->GetCount(); ++i)
            TranslateComponent(item->Items(i), &names);
    }
}

} // namespace multilang
