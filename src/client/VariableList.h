#pragma once
// Values the engine leaves on the client with _SetVariable; a reply value line
// "@" + name stands for the second value of that variable.
#include "client/NameValueList.h"

#include <string>

namespace client {

class TVariableList {
public:
    // Appends a variable, or overwrites both values of the existing one.
    void SetVariable(const std::string& name, const std::string& value1, const std::string& value2);
    // Value2 of the variable; empty when there is none.
    std::string GetVariable(const std::string& name) const;
    bool IsDefined(const std::string& name) const { return value2_.Contains(name); }
    std::string GetValue1(const std::string& name) const { return value1_.Value(name); }
    int Count() const { return value2_.Count(); }
    void Clear();

private:
    TNameValueList value1_;
    TNameValueList value2_;
};

} // namespace client
