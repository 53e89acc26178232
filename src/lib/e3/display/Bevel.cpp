#include "e3/display/Bevel.h"

#include "framework/StandardProps.h"

#include <QPainter>

namespace e3 {

const fw::TEnumType BevelStyleType {"TBevelStyle", {"bsLowered", "bsRaised"}};
const fw::TEnumType BevelShapeType {
    "TBevelShape", {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"}};

namespace {

// A line from (x0, y0) towards (x1, y1) without its end point, the way the
// platform's line drawing has always left it out.
void Segment(QPainter& painter, int x0, int y0, int x1, int y1)
{
    const int dx = (x1 > x0) - (x1 < x0);
    const int dy = (y1 > y0) - (y1 < y0);
    if (dx == 0 && dy == 0)
        return;
    painter.drawLine(x0, y0, x1 - dx, y1 - dy);
}

// The outline of the rectangle (left, top) .. (right, bottom), right and
// bottom exclusive.
void Outline(QPainter& painter, int left, int top, int right, int bottom)
{
    if (right - left < 1 || bottom - top < 1)
        return;
    painter.drawRect(left, top, right - left - 1, bottom - top - 1);
}

} // namespace

std::pair<fw::TColor, fw::TColor> BevelEdgeColors(TBevelStyle style)
{
    if (style == bsLowered)
        return {fw::clBtnShadow, fw::clBtnHighlight};
    return {fw::clBtnHighlight, fw::clBtnShadow};
}

const fw::TClassInfo& Te3CustomBevel::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomBevel", &TGraphicControl::StaticClass(), {}};
    return info;
}

Te3CustomBevel::Te3CustomBevel(fw::TComponent* owner)
    : Te3Control(owner, {kHintWords, &Te3Bevel::StaticClass}, EnabledRule::plain)
{
    SetBounds(0, 0, 50, 50);
}

void Te3CustomBevel::SetStyle(TBevelStyle value)
{
    if (value == style_)
        return;
    style_ = value;
    Invalidate();
}

void Te3CustomBevel::SetShape(TBevelShape value)
{
    if (value == shape_)
        return;
    shape_ = value;
    Invalidate();
}

void Te3CustomBevel::SetCtl3D(bool value)
{
    if (value == ctl3D_)
        return;
    ctl3D_ = value;
    Invalidate();
}

void Te3CustomBevel::SetFrame2DColor(fw::TColor value)
{
    if (value == frame2DColor_)
        return;
    frame2DColor_ = value;
    Invalidate();
}

void Te3CustomBevel::Paint(QPainter& painter)
{
    painter.setBrush(Qt::NoBrush);
    if (Designing() && shape_ == bsSpacer) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        Outline(painter, 0, 0, GetWidth(), GetHeight());
        return;
    }
    if (ctl3D_)
        Paint3D(painter);
    else
        Paint2D(painter);
}

void Te3CustomBevel::Paint2D(QPainter& painter) const
{
    const int w = GetWidth(), h = GetHeight();
    painter.setPen(QPen(fw::ToQColor(frame2DColor_), 1));
    switch (shape_) {
    case bsBox:
    case bsFrame: Outline(painter, 0, 0, w, h); break;
    case bsTopLine: Segment(painter, 0, 0, w, 0); break;
    case bsBottomLine: Segment(painter, 0, h - 1, w - 1, h - 1); break;
    case bsLeftLine: Segment(painter, 0, 0, 0, h); break;
    case bsRightLine: Segment(painter, w - 1, 0, w - 1, h - 1); break;
    case bsSpacer: break;
    }
}

// The etched look: a box has one edge pair, a frame and the lines two, the
// second one pixel inside the first.
void Te3CustomBevel::Paint3D(QPainter& painter) const
{
    const int w = GetWidth(), h = GetHeight();
    const auto [first, second] = BevelEdgeColors(style_);
    const QColor c1 = fw::ToQColor(first), c2 = fw::ToQColor(second);
    auto edges = [&](int left, int top, int right, int bottom, const QColor& topLeft, const QColor& bottomRight) {
        painter.setPen(topLeft);
        Segment(painter, left, bottom - 1, left, top);
        Segment(painter, left, top, right, top);
        painter.setPen(bottomRight);
        Segment(painter, right - 1, top, right - 1, bottom);
        Segment(painter, left, bottom - 1, right - 1, bottom - 1);
    };
    switch (shape_) {
    case bsBox: edges(0, 0, w, h, c1, c2); break;
    case bsFrame:
        painter.setPen(c1);
        Outline(painter, 0, 0, w - 1, h - 1);
        painter.setPen(c2);
        Outline(painter, 1, 1, w, h);
        break;
    case bsTopLine:
        painter.setPen(c1);
        Segment(painter, 0, 0, w, 0);
        painter.setPen(c2);
        Segment(painter, 0, 1, w, 1);
        break;
    case bsBottomLine:
        painter.setPen(c1);
        Segment(painter, 0, h - 2, w, h - 2);
        painter.setPen(c2);
        Segment(painter, 0, h - 1, w, h - 1);
        break;
    case bsLeftLine:
        painter.setPen(c1);
        Segment(painter, 0, 0, 0, h);
        painter.setPen(c2);
        Segment(painter, 1, 0, 1, h);
        break;
    case bsRightLine:
        painter.setPen(c1);
        Segment(painter, w - 2, 0, w - 2, h);
        painter.setPen(c2);
        Segment(painter, w - 1, 0, w - 1, h);
        break;
    case bsSpacer: break;
    }
}

const fw::TClassInfo& Te3Bevel::StaticClass()
{
    using C = Te3Bevel;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3Bevel",
        &Te3CustomBevel::StaticClass(),
        fw::TRows<Te3Bevel> {
            fw::prop::Boolean("Ctl3D", &C::GetCtl3D, &C::SetCtl3D),
            fw::prop::Integer("Frame2DColor", &C::GetFrame2DColor, &C::SetFrame2DColor),
            fw::prop::Enum("Shape", BevelShapeType, &C::GetShape, &C::SetShape),
            fw::prop::Enum("Style", BevelStyleType, &C::GetStyle, &C::SetStyle),
            sp::Visible(),
        },
    };
    return info;
}

const fw::TClassInfo& Te3_Bevel::StaticClass()
{
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_Bevel",
        &Te3Bevel::StaticClass(),
        fw::TRows<Te3_Bevel> {
            sp::Align(),
            sp::Anchors(),
            sp::Constraints(),
            sp::Enabled(),
            sp::Parent(),
            sp::ParentShowHint(),
            sp::ShowHint(),
            sp::PopupMenu(),
        },
        fw::MakeFactory<Te3_Bevel>(),
    };
    return info;
}

} // namespace e3
