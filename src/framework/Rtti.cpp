#include "framework/Rtti.h"

#include "u3/StrLib.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

namespace fw {

std::string UpperCase(const std::string& text)
{
    return u3::UpperCase(text);
}

bool SameText(const std::string& a, const std::string& b)
{
    return u3::SameText(a, b);
}

bool ClassInheritsFromName(const TClassInfo* classInfo, const std::string& className)
{
    return classInfo && classInfo->InheritsFromName(className);
}

int TEnumType::OrdinalOf(const std::string& valueName) const
{
    for (size_t i = 0; i < names.size(); ++i)
        if (SameText(names[i], valueName))
            return static_cast<int>(i);
    return -1;
}

TClassInfo::TClassInfo(std::string name, const TClassInfo* parent, TRowList properties, ComponentFactory factory)
    : name_(std::move(name))
    , parent_(parent)
    , properties_(std::move(properties.rows_))
    , factory_(factory)
{
    // A name listed twice would leave one of the rows unreachable; a class
    // may list again what its base publishes, but not two rows of its own.
    for (size_t i = 0; i < properties_.size(); ++i)
        if (!index_.emplace(UpperCase(properties_[i].name), i).second)
            throw EPropertyError("Property " + properties_[i].name + " listed twice in class " + name_);
}

const TPropInfo* TClassInfo::FindProperty(const std::string& name) const
{
    const std::string key = UpperCase(name);
    for (const TClassInfo* c = this; c; c = c->parent_) {
        auto it = c->index_.find(key);
        if (it != c->index_.end())
            return &c->properties_[it->second];
    }
    return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::AllProperties() const
{
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = this; c; c = c->parent_)
        chain.push_back(c);
    std::vector<const TPropInfo*> out;
    std::unordered_set<std::string> seen;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        for (const auto& p : (*it)->properties_)
            if (seen.insert(UpperCase(p.name)).second)
                out.push_back(FindProperty(p.name));
    return out;
}

bool TClassInfo::InheritsFromName(const std::string& className) const
{
    for (const TClassInfo* c = this; c; c = c->parent_)
        if (c->name_ == className)
            return true;
    return false;
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const
{
    for (const TClassInfo* c = this; c; c = c->parent_)
        if (c == &other)
            return true;
    return false;
}

} // namespace fw
