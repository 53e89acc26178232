#pragma once
// What the property-path walk needs of a control whose items a path reaches by
// "[i]" although they are no collection: the item at an index, raising the
// list-index error for an index it does not have.
#include "framework/Object.h"

#include <cstdint>

namespace e3 {

class IPathItems {
public:
    virtual ~IPathItems() = default;
    virtual fw::TObject* PathItem(int32_t index) = 0;
};

} // namespace e3
