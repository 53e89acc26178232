#pragma once
// The dock manager of the client's dock sites: a tree of zones, each leaf
// holding one docked control under an 18-pixel caption bar, neighbours parted
// by 4-pixel splitters the user can drag. A docked form keeps its DockWidth in
// its row; the others share what is left. Double-clicking a caption bar (or
// pressing its restore button) floats the control, its close button closes it.
#include "framework/Docking.h"

#include <QColor>
#include <QPoint>
#include <QPointer>
#include <QSize>

class QObject;
class QRubberBand;

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace e3 {

enum TDockOrientation { doNoOrient, doHorizontal, doVertical };

class Tg3CustomDockTree;
class DockLayer;

// One node of the zone tree. Horizontal zones stack their children from top
// to bottom, vertical ones set them side by side. ZoneLimit is the absolute
// coordinate, along the parent's orientation, at which the zone ends.
class Tg3DockZone {
public:
    explicit Tg3DockZone(Tg3CustomDockTree& tree) : tree_(tree) {}

    fw::TControl* ChildControl() const { return control_.get(); }
    TDockOrientation Orientation = doNoOrient;
    int32_t ZoneLimit = 0;
    Tg3DockZone* ParentZone = nullptr;
    Tg3DockZone* ChildZones = nullptr;
    Tg3DockZone* NextSibling = nullptr;
    Tg3DockZone* PrevSibling = nullptr;
    Tg3CustomDockTree& Tree() const { return tree_; }

    int ChildCount() const;
    // A leaf is visible with its control, an inner zone with any child.
    bool Visible() const;
    Tg3DockZone* NextVisible() const;
    Tg3DockZone* PrevVisible() const;
    // The zone's area in site client coordinates, and the part of it its
    // content takes (without the splitter at its end).
    fw::TRect ZoneRect() const;
    fw::TRect ContentRect() const;
    // The first coordinate along the parent's orientation.
    int32_t LimitBegin() const;
    // Shares the zone's extent among its visible children.
    void ResetChildren();

private:
    friend class Tg3CustomDockTree;
    Tg3CustomDockTree& tree_;
    fw::Guard<fw::TControl> control_;
    // Placed by the tree's layout pass.
    fw::TRect rect_;
    fw::TRect content_;
};

// The zone tree with the standard behaviour: insertion beside a drop control,
// removal, splitters, resizing with the site, caption bars with a close
// button, and a stream format.
class Tg3CustomDockTree : public fw::IDockManager {
public:
    static constexpr int32_t kBorderWidth = 4;
    static constexpr int32_t kGrabberSize = 18;
    static constexpr int32_t kStreamVersion = 0x00040000;

    explicit Tg3CustomDockTree(fw::TWinControl& site);
    ~Tg3CustomDockTree() override;

    void BeginUpdate() override;
    void EndUpdate() override;
    void InsertControl(fw::TControl* control, fw::TAlign insertAt, fw::TControl* dropControl) override;
    void RemoveControl(fw::TControl* control) override;
    void ResetBounds(bool force) override;
    void PaintSite(QPainter& painter) override;
    void PositionDockRect(fw::TControl* client, fw::TControl* dropControl, fw::TAlign dropAlign,
                          fw::TRect& dockRect) override;
    fw::TControl* HitTest(fw::TPoint mousePos, int32_t& htFlag) override;
    void SaveToStream(std::string& stream) override;
    void LoadFromStream(const std::string& stream) override;

    fw::TWinControl& DockSite() const { return site_; }
    Tg3DockZone* TopZone() const { return top_; }
    Tg3DockZone* FindControlZone(const fw::TControl* control) const;
    // The size a docked control had before it was docked here (its caption
    // bar and its share of the site change it while it is docked); the
    // current size for a control that is not docked here.
    QSize UndockedSize(const fw::TControl& control) const;
    // Records that size for a control docked here; a site that hands a
    // control on from another site knows it, this tree does not.
    void KeepUndockedSize(fw::TControl& control, QSize size);
    // The site's client area (the top zone's rectangle).
    fw::TRect SiteRect() const;
    // Where a docked control goes inside its zone's rectangle.
    virtual void AdjustDockRect(fw::TControl& control, fw::TRect& rect) const;
    // The caption bar and the rest of one docked control's zone.
    virtual void PaintDockFrame(QPainter& painter, fw::TControl& control, const fw::TRect& rect);
    // The widget that draws the caption bars and takes the mouse over them.
    QWidget* Layer() const;

    // The user's input on the caption bars and splitters, in site client
    // coordinates (the layer widget calls these).
    bool MouseDown(fw::TPoint p, bool doubleClick);
    void MouseMove(fw::TPoint p);
    void MouseUp(fw::TPoint p);
    bool Sizing() const { return sizingZone_ != nullptr; }
    // A docked control's widget was shown or hidden.
    void VisibilityChanged(QObject* widget);
    // A docked control whose drag kind is docking and drag mode automatic is
    // dragged by its caption bar: over a dock site an outline shows where it
    // would go, released there it docks, released elsewhere it floats there.
    bool DockDragging() const { return dockDrag_.active; }
    // The outline of the running drag in screen coordinates (empty: none).
    fw::TRect DockDragOutline() const { return dockDrag_.outline; }
    // Escape: the control stays where it is.
    void CancelDockDrag();
    bool GrabbersOnTop() const { return grabbersOnTop_; }

protected:
    Tg3CustomDockTree(fw::TWinControl& site, bool grabbersAlwaysOnTop);
    // Places every zone in the site's client area.
    void Layout();
    // Drops the zones of controls that were freed.
    void PruneDead();
    int VisibleDockedCount() const;
    // A press on a caption bar that the look takes itself (true: taken).
    virtual bool WindowProcHook(fw::TControl& control, fw::TPoint p, int32_t htFlag);
    // Inserts without the look's rules on the alignment.
    void InsertStandard(fw::TControl* control, fw::TAlign insertAt, fw::TControl* dropControl);
    // The rectangle a docked control's caption bar and body take.
    fw::TRect FrameRect(const Tg3DockZone& zone) const;
    // Floats or closes a docked control from its caption bar.
    virtual void FloatDocked(fw::TControl& control);
    virtual void CloseDocked(fw::TControl& control);

private:
    friend class Tg3DockZone;
    Tg3DockZone* NewZone();
    void FreeZone(Tg3DockZone* zone);
    void Unlink(Tg3DockZone* zone);
    void RemoveZone(Tg3DockZone* zone);
    void UpdateAll();
    void UpdateZone(Tg3DockZone* zone);
    void Watch(fw::TControl* control);
    void LayoutZone(Tg3DockZone* zone, const fw::TRect& rect);
    void ShowSizingLine();
    Tg3DockZone* ZoneAt(fw::TPoint p, int32_t& htFlag) const;
    // Where a dock drag would put its control with the mouse at global.
    struct DropPlace {
        fw::TWinControl* site = nullptr; // none: the control floats
        fw::TControl* dropControl = nullptr;
        fw::TAlign align = fw::alNone;
        QPoint at; // in the site's client area
        fw::TRect outline;
    };
    DropPlace DropPlaceAt(QPoint global) const;
    void MoveDockDrag(QPoint global);
    void EndDockDrag();
    // Ends the drag without a word to anyone.
    void StopDockDrag();
    void ForgetUndockedSize(const fw::TControl* control);

    fw::TWinControl& site_;
    std::vector<std::unique_ptr<Tg3DockZone>> zones_;
    Tg3DockZone* top_ = nullptr;
    int updateCount_ = 0;
    QPointer<DockLayer> layer_;
    // The splitter being dragged and where the drag line is.
    Tg3DockZone* sizingZone_ = nullptr;
    int32_t sizePos_ = 0;
    fw::Guard<fw::TControl> closePressed_;
    bool grabbersOnTop_ = true;
    struct DockDrag {
        fw::Guard<fw::TControl> control; // pressed on its caption bar
        bool active = false;             // moved far enough: dragging
        QPoint pressedAt;                // screen coordinates
        QPoint grab;                     // the press from the control's top left
        QPoint last;                     // the mouse at the last move
        fw::TRect outline;
    };
    DockDrag dockDrag_;
    std::unique_ptr<QRubberBand> outline_;
    struct UndockedSizeOf {
        fw::Guard<fw::TControl> control;
        QSize size;
    };
    std::vector<UndockedSizeOf> undockedSizes_;
};

// The client's look: caption bars always on top, a gradient caption with the
// form's title, restore and close buttons, docking only side by side.
class Tg3DockTree : public Tg3CustomDockTree {
public:
    explicit Tg3DockTree(fw::TWinControl& site);

    void InsertControl(fw::TControl* control, fw::TAlign insertAt, fw::TControl* dropControl) override;
    void PositionDockRect(fw::TControl* client, fw::TControl* dropControl, fw::TAlign dropAlign,
                          fw::TRect& dockRect) override;
    void AdjustDockRect(fw::TControl& control, fw::TRect& rect) const override;
    void PaintDockFrame(QPainter& painter, fw::TControl& control, const fw::TRect& rect) override;

protected:
    bool WindowProcHook(fw::TControl& control, fw::TPoint p, int32_t htFlag) override;
};

// Fills rect with bands running from one colour to the other: directions 0
// and 1 make horizontal bands from top to bottom, 2 and 3 vertical bands from
// left to right; 1 and 3 run from toColor to fromColor. The last band has the
// final colour exactly; what the bands leave at the end takes it too.
void FillGradient(QPainter& painter, const fw::TRect& rect, QColor fromColor, QColor toColor, int direction,
                  int steps);

} // namespace e3
