#pragma once
// A collection: an ordered list of items that a property holds as one
// sub-object (grid columns, header sections). Property paths address an item
// by its position, "COLUMNS[2].WIDTH".
#include "framework/Object.h"

#include <functional>
#include <memory>
#include <vector>

namespace fw {

class TCollection;

class TCollectionItem : public TPersistent {
    FW_CLASS()
public:
    TCollection* Collection() const { return collection_; }
    // The item's position in its collection; -1 when it belongs to none.
    int32_t GetIndex() const;

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
};

// Raised for a position outside a list.
class EListError : public u3::Exception {
public:
    using u3::Exception::Exception;
};

class TCollection : public TPersistent {
    FW_CLASS()
public:
    // makeItem builds an empty item of the collection's item class.
    explicit TCollection(std::function<std::unique_ptr<TCollectionItem>()> makeItem);
    ~TCollection() override;

    int32_t GetCount() const { return static_cast<int32_t>(items_.size()); }
    // Raises EListError "List index out of bounds (i)" outside 0..Count-1.
    TCollectionItem* Items(int32_t index) const;
    // The item that a property path "[index]" names: Items by default. A
    // collection that makes its items on demand answers here (and raises for
    // an index it refuses).
    virtual TCollectionItem* ItemAtPath(int32_t index) { return Items(index); }
    TCollectionItem* Add();
    void Delete(int32_t index);
    void Clear();
    int32_t IndexOf(const TCollectionItem* item) const;

    // Called after the list of items changed (not after an item's own change).
    std::function<void()> OnChange;

private:
    std::function<std::unique_ptr<TCollectionItem>()> makeItem_;
    std::vector<std::unique_ptr<TCollectionItem>> items_;
};

} // namespace fw
