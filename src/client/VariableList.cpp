#include "client/VariableList.h"

namespace client {

void TVariableList::SetVariable(const std::string& name, const std::string& value1, const std::string& value2)
{
    value1_.SetValue(name, value1);
    value2_.SetValue(name, value2);
}

std::string TVariableList::GetVariable(const std::string& name) const
{
    return value2_.Value(name);
}

void TVariableList::Clear()
{
    value1_.Clear();
    value2_.Clear();
}

} // namespace client
