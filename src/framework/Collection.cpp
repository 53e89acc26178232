#include "framework/Collection.h"

#include <algorithm>
#include <string>

namespace fw {

const TClassInfo& TCollectionItem::StaticClass()
{
    static const TClassInfo info {"TCollectionItem", &TPersistent::StaticClass(), {}};
    return info;
}

int32_t TCollectionItem::GetIndex() const
{
    return collection_ ? collection_->IndexOf(this) : -1;
}

const TClassInfo& TCollection::StaticClass()
{
    static const TClassInfo info {"TCollection", &TPersistent::StaticClass(), {}};
    return info;
}

TCollection::TCollection(std::function<std::unique_ptr<TCollectionItem>()> makeItem)
    : makeItem_(std::move(makeItem))
{
}

TCollection::~TCollection() = default;

TCollectionItem* TCollection::Items(int32_t index) const
{
    if (index < 0 || index >= GetCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<size_t>(index)].get();
}

TCollectionItem* TCollection::Add()
{
    std::unique_ptr<TCollectionItem> item = makeItem_();
    item->collection_ = this;
    items_.push_back(std::move(item));
    if (OnChange)
        OnChange();
    return items_.back().get();
}

void TCollection::Delete(int32_t index)
{
    Items(index); // raises outside the list
    items_.erase(items_.begin() + index);
    if (OnChange)
        OnChange();
}

void TCollection::Clear()
{
    if (items_.empty())
        return;
    items_.clear();
    if (OnChange)
        OnChange();
}

int32_t TCollection::IndexOf(const TCollectionItem* item) const
{
    const auto it = std::find_if(items_.begin(), items_.end(), [item](const auto& p) { return p.get() == item; });
    return it == items_.end() ? -1 : static_cast<int32_t>(it - items_.begin());
}

} // namespace fw
