#pragma once
// What an engine form asks of a collection panel around its focused control
// before that control gets a key; the form knows no collection class.
#include "framework/Control.h"
#include "framework/Events.h"

#include <cstdint>

namespace e3 {

class ICollectionKeys {
public:
    virtual ~ICollectionKeys() = default;
    // True when the collection takes the key, so that the focused control
    // does not get it: a shortcut of an entry of its "New" menu (run at once),
    // or Insert, numeric-pad plus, or Delete while its records grid has the
    // focus (pressing their button once the current input is over).
    virtual bool TakeChildKey(fw::TWinControl* focused, uint16_t key, fw::TShiftState shift) = 0;
};

} // namespace e3
