#include "framework/ControlBevel.h"

#include "framework/Graphics.h"
#include "framework/Rtti.h"

#include <QEvent>
#include <QPainter>

namespace fw {

const TEnumType BevelCutType {"TBevelCut", {"bvNone", "bvLowered", "bvRaised", "bvSpace"}};
const TEnumType BevelKindType {"TBevelKind", {"bkNone", "bkTile", "bkSoft", "bkFlat"}};
const TEnumType BevelEdgeType {"TBevelEdge", {"beLeft", "beTop", "beRight", "beBottom"}};

void DrawEdgeLines(QPainter& painter, const QRect& r, const QColor& topLeft, const QColor& bottomRight,
                   TBevelEdges edges)
{
    const auto on = [edges](TBevelEdge e) { return (edges & (1u << e)) != 0; };
    painter.setPen(topLeft);
    if (on(beTop))
        painter.drawLine(r.topLeft(), r.topRight());
    if (on(beLeft))
        painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(bottomRight);
    if (on(beBottom))
        painter.drawLine(r.bottomLeft(), r.bottomRight());
    if (on(beRight))
        painter.drawLine(r.topRight(), r.bottomRight());
}

BevelOverlay::BevelOverlay(QWidget* host)
    : QWidget(host)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(host->rect());
    host->installEventFilter(this);
    raise();
    show();
}

void BevelOverlay::SetSettings(const BevelSettings& settings)
{
    settings_ = settings;
    update();
}

bool BevelOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    else if (watched == parent() && event->type() == QEvent::ChildAdded)
        raise(); // stays above scroll bars and viewports made later
    return false;
}

void BevelOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QRect r = rect();
    const TBevelEdges edges = settings_.edges;
    const auto on = [edges](TBevelEdge e) { return (edges & (1u << e)) != 0; };
    // One cut: its outermost line in the cut's colours, then the band.
    const auto cut = [&](TBevelCut kind, bool outer) {
        if (kind == bvNone)
            return;
        if (kind != bvSpace) {
            TColor topLeft, bottomRight;
            if (settings_.kind == bkFlat) {
                topLeft = bottomRight = outer ? clBtnShadow : clBtnFace;
            } else if (outer) {
                topLeft = kind == bvLowered ? clBtnShadow : (settings_.kind == bkSoft ? clBtnHighlight : cl3DLight);
                bottomRight = kind == bvLowered ? clBtnHighlight : cl3DDkShadow;
            } else {
                topLeft = kind == bvLowered ? cl3DDkShadow : clBtnHighlight;
                bottomRight = kind == bvLowered ? (settings_.kind == bkSoft ? clBtnHighlight : cl3DLight)
                                                : clBtnShadow;
            }
            DrawEdgeLines(painter, r, ToQColor(topLeft), ToQColor(bottomRight), edges);
        }
        const int w = settings_.width;
        r.adjust(on(beLeft) ? w : 0, on(beTop) ? w : 0, on(beRight) ? -w : 0, on(beBottom) ? -w : 0);
    };
    cut(settings_.outer, true);
    cut(settings_.inner, false);
}

} // namespace fw
