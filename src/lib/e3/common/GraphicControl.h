#pragma once
// Window-less controls: they take no focus and draw themselves on their
// parent. Each one paints through Paint(); the widget that carries it only
// hands paint and hover events to the control.
#include "framework/Control.h"

#include <QWidget>

class QPainter;

namespace e3 {

class TGraphicControl : public fw::TControl {
    FW_CLASS()
public:
    explicit TGraphicControl(fw::TComponent* owner);
    ~TGraphicControl() override;

    // Schedules a repaint.
    void Invalidate();

    fw::TNotifyEvent OnMouseEnter, OnMouseLeave;

protected:
    // Paints the whole client area; the painter is the widget's own.
    virtual void Paint(QPainter& painter) = 0;
    bool Designing() const { return HasState(fw::csDesigning); }

    void ApplyColor() override { Invalidate(); }
    void ApplyFont() override;
    void ApplyEnabled() override;

private:
    class Surface;
    friend class Surface;
    Surface* surface_;
};

// The colour a 24-bit colour value has when every channel is taken from white
// ("white minus the colour").
QColor InverseColor(const QColor& colour);

} // namespace e3
