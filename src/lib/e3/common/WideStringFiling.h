#pragma once
// Wide string properties in form streams. Beside each published wide string
// property P a stream may hold "PW" (UTF-8, read only) and "P_UTF7" (UTF-7,
// read and written), so that a stream read by a single-byte reader still keeps
// the text intact.
#include "framework/Component.h"

#include <string>
#include <vector>

namespace e3 {

struct FiledProperty {
    std::string name;
    std::string value;
};

// The "P_UTF7" entries to write for the named properties of instance: one for
// every P whose text is not empty, holds more than ASCII and differs from the
// ancestor's (when there is an ancestor).
std::vector<FiledProperty> WideStringPropertiesToWrite(fw::TObject& instance, const std::vector<std::string>& names,
                                                       fw::TObject* ancestor = nullptr);

// One entry read from a stream: true when name is "PW" or "P_UTF7" of one of
// the named properties, false when the entry is not one of these. The value is
// applied only while instance is being designed; at run time it is skipped.
// Throws EUtf7Error for a "P_UTF7" value that does not decode.
bool ReadWideStringProperty(fw::TComponent& instance, const std::vector<std::string>& names, const std::string& name,
                            const std::string& value);

} // namespace e3
