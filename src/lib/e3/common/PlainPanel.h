#pragma once
// A framework container on a plain Qt widget: the inner parts of a control
// (a scrolled area, a separator) that carry other controls and that the
// engine never names.
#include "framework/Control.h"

#include <QWidget>

namespace e3 {

class TPlainPanel : public fw::TWinControl {
public:
    explicit TPlainPanel(fw::TComponent* owner)
        : fw::TWinControl(owner)
    {
        SetWidget(new QWidget);
    }
};

} // namespace e3
