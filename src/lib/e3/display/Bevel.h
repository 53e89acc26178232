#pragma once
// A frame or line drawn on the parent: the framework's etched look with Ctl3D,
// otherwise a plain one-pixel line in Frame2DColor.
#include "e3/common/ControlBase.h"
#include "e3/common/GraphicControl.h"

namespace e3 {

enum TBevelStyle { bsLowered, bsRaised };
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };

extern const fw::TEnumType BevelStyleType;
extern const fw::TEnumType BevelShapeType;

// The edge colours of a lowered or raised bevel: the first colour top and left,
// the second bottom and right.
std::pair<fw::TColor, fw::TColor> BevelEdgeColors(TBevelStyle style);

class Te3CustomBevel : public Te3Control<TGraphicControl> {
    FW_CLASS()
public:
    explicit Te3CustomBevel(fw::TComponent* owner);

    TBevelStyle GetStyle() const { return style_; }
    void SetStyle(TBevelStyle value);
    TBevelShape GetShape() const { return shape_; }
    void SetShape(TBevelShape value);
    bool GetCtl3D() const { return ctl3D_; }
    void SetCtl3D(bool value);
    fw::TColor GetFrame2DColor() const { return frame2DColor_; }
    void SetFrame2DColor(fw::TColor value);

protected:
    void Paint(QPainter& painter) override;

private:
    void Paint3D(QPainter& painter) const;
    void Paint2D(QPainter& painter) const;

    TBevelStyle style_ = bsLowered;
    TBevelShape shape_ = bsBox;
    bool ctl3D_ = false;
    fw::TColor frame2DColor_ = fw::clBlack;
};

class Te3Bevel : public Te3CustomBevel {
    FW_CLASS()
public:
    using Te3CustomBevel::Te3CustomBevel;
};

class Te3_Bevel : public Te3Bevel {
    FW_CLASS()
public:
    using Te3Bevel::Te3Bevel;
};

} // namespace e3
