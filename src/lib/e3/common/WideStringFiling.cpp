#include "e3/common/WideStringFiling.h"

#include "e3/common/UnicodeText.h"

namespace e3 {
namespace {

const char* const Utf8Suffix = "W";
const char* const Utf7Suffix = "_UTF7";

std::string ReadText(fw::TObject& object, const std::string& name)
{
    const fw::TPropInfo* p = object.ClassType().FindProperty(name);
    if (!p || !p->IsReadable() || p->kind != fw::TypeKind::String)
        return std::string();
    return std::get<std::string>(p->get(object));
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix, std::string& stem)
{
    if (text.size() <= suffix.size() || !fw::SameText(text.substr(text.size() - suffix.size()), suffix))
        return false;
    stem = text.substr(0, text.size() - suffix.size());
    return true;
}

} // namespace

std::vector<FiledProperty> WideStringPropertiesToWrite(fw::TObject& instance, const std::vector<std::string>& names,
                                                       fw::TObject* ancestor)
{
    std::vector<FiledProperty> entries;
    for (const std::string& name : names) {
        const std::string text = ReadText(instance, name);
        if (text.empty() || !HasNonAscii(text))
            continue;
        if (ancestor && ReadText(*ancestor, name) == text)
            continue;
        entries.push_back({name + Utf7Suffix, EncodeUtf7(text)});
    }
    return entries;
}

bool ReadWideStringProperty(fw::TComponent& instance, const std::vector<std::string>& names, const std::string& name,
                            const std::string& value)
{
    for (const std::string& property : names) {
        std::string stem;
        const bool utf7 = EndsWithNoCase(name, Utf7Suffix, stem) && fw::SameText(stem, property);
        const bool utf8 = !utf7 && EndsWithNoCase(name, Utf8Suffix, stem) && fw::SameText(stem, property);
        if (!utf7 && !utf8)
            continue;
        if (!instance.HasState(fw::csDesigning))
            return true;
        const fw::TPropInfo* p = instance.ClassType().FindProperty(property);
        if (p && p->IsWritable())
            p->set(instance, utf7 ? DecodeUtf7(value) : value);
        return true;
    }
    return false;
}

} // namespace e3
