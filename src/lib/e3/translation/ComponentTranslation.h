#pragma once
// Translation of component texts: a registry of classes with the names of
// their translatable properties, most derived classes first, and the list
// interface that multi-line properties offer.
#include "framework/Component.h"

#include <string>
#include <vector>

namespace e3 {

// What a list-valued property's object offers so that its lines can be
// translated one by one.
class TStrings {
public:
    virtual ~TStrings() = default;
    virtual int Count() const = 0;
    virtual std::string Get(int index) const = 0;
    virtual void Put(int index, const std::string& line) = 0;
};

struct TRegObj {
    // The class's name and its ancestors' names, the class first.
    std::vector<std::string> classChain;
    std::vector<std::string> properties;
};

// Upper-cased class name to entry; filled with the default classes on first use.
const std::vector<std::pair<std::string, TRegObj>>& RegisteredClasses();

// Adds the class or replaces its entry; a class goes right before its nearest
// registered ancestor, so the first match for a component is the most derived.
void RegisterTranslatableProperties(const fw::TClassInfo& classInfo, const std::vector<std::string>& names);
// The same for a class known by its name chain only (the class first).
void RegisterTranslatableProperties(const std::vector<std::string>& classChain, const std::vector<std::string>& names);
// Position of the first entry whose class the component belongs to, -1 when none.
int FindRegisteredClass(const fw::TComponent& component);

class TLanguageList;
class TLanguageWord;
// Appends a row of the debug dialog to the trace file, a line per language.
void AppendDebugRow(const TLanguageList& languages, const TLanguageWord& row, const fw::TComponent* parent,
                    const fw::TComponent* component, const std::string& propName, int lineNumber);

} // namespace e3
