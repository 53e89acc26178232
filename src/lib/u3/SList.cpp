#include "u3/SList.h"

#include <algorithm>
#include <string>

namespace u3 {

void TSList::CheckIndex(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(index);
}

void TSList::Delete(int index)
{
    CheckIndex(index);
    items_.erase(items_.begin() + index);
}

std::intptr_t TSList::GetItem(int index) const
{
    CheckIndex(index);
    return items_[static_cast<size_t>(index)];
}

int TSList::Add(std::intptr_t value)
{
    items_.push_back(value);
    return Count() - 1;
}

void TSList::Insert(int index, std::intptr_t value)
{
    if (index < 0 || index > Count())
        throw EListError(index);
    items_.insert(items_.begin() + index, value);
}

void TSList::SetItem(int index, std::intptr_t value)
{
    CheckIndex(index);
    items_[static_cast<size_t>(index)] = value;
}

bool TSList::Contains(std::intptr_t value) const
{
    return std::find(items_.begin(), items_.end(), value) != items_.end();
}

void TSList::Remove(std::intptr_t value)
{
    items_.erase(std::remove(items_.begin(), items_.end(), value), items_.end());
}

} // namespace u3
