#pragma once
// The bevel a windowed control may draw around itself: BevelKind other than
// bkNone draws the outer and the inner cut on the chosen edges, each cut a
// band of BevelWidth pixels whose outermost line carries the cut's colours.
#include <QWidget>

class QPainter;

#include <cstdint>

namespace fw {

struct TEnumType;

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBevelKind { bkNone, bkTile, bkSoft, bkFlat };
enum TBevelEdge { beLeft, beTop, beRight, beBottom };
using TBevelEdges = uint32_t;
constexpr TBevelEdges AllBevelEdges = (1u << beLeft) | (1u << beTop) | (1u << beRight) | (1u << beBottom);

extern const TEnumType BevelCutType;
extern const TEnumType BevelKindType;
extern const TEnumType BevelEdgeType;

struct BevelSettings {
    TBevelEdges edges = AllBevelEdges;
    TBevelCut inner = bvRaised;
    TBevelCut outer = bvLowered;
    TBevelKind kind = bkNone;
    int32_t width = 1;
};

// One line along each chosen edge of r (right() and bottom() being the last
// pixels inside): top and left in topLeft, bottom and right in bottomRight.
void DrawEdgeLines(QPainter& painter, const QRect& r, const QColor& topLeft, const QColor& bottomRight,
                   TBevelEdges edges = AllBevelEdges);

// Drawn above the control's own widget, letting every mouse event through.
class BevelOverlay : public QWidget {
public:
    explicit BevelOverlay(QWidget* host);
    void SetSettings(const BevelSettings& settings);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent*) override;

private:
    BevelSettings settings_;
};

} // namespace fw
