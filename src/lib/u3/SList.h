#pragma once
// Small lists of pointer-sized items (TSList) and 32-bit integers (TLList).
#include "u3/Exceptions.h"

#include <cstdint>
#include <vector>

namespace u3 {

class TSList {
public:
    virtual ~TSList() = default;

    int Count() const { return static_cast<int>(items_.size()); }
    void Clear() { items_.clear(); }
    void Delete(int index);

    // Every accessor throws EListError for an index outside 0 to Count - 1
    // (Insert also takes Count, to append).
    std::intptr_t GetItem(int index) const;
    int Add(std::intptr_t value);
    void Insert(int index, std::intptr_t value);
    void SetItem(int index, std::intptr_t value);
    bool Contains(std::intptr_t value) const;
    // Deletes every item equal to value; the others keep their order.
    void Remove(std::intptr_t value);

protected:
    void CheckIndex(int index) const;

    std::vector<std::intptr_t> items_;
};

class TLList : public TSList {
public:
    int32_t GetItem(int index) const { return static_cast<int32_t>(TSList::GetItem(index)); }
    int Add(int32_t value) { return TSList::Add(value); }
    void Insert(int index, int32_t value) { TSList::Insert(index, value); }
    void SetItem(int index, int32_t value) { TSList::SetItem(index, value); }
    bool Contains(int32_t value) const { return TSList::Contains(value); }
    void Remove(int32_t value) { TSList::Remove(value); }
};

} // namespace u3
