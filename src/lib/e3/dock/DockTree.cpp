#include "e3/dock/DockTree.h"

#include "framework/Drag.h"
#include "framework/Form.h"
#include "framework/Graphics.h"
#include "u3/StrLib.h"

#include <QApplication>
#include <QEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QRubberBand>
#include <QToolTip>
#include <QWidget>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace e3 {

using fw::TControl;
using fw::TPoint;
using fw::TRect;

namespace {

bool Contains(const TRect& r, TPoint p)
{
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi)
{
    return std::max(lo, std::min(v, hi));
}

// Coordinates along an orientation: x for side by side, y for stacked.
int32_t Start(const TRect& r, TDockOrientation o)
{
    return o == doHorizontal ? r.top : r.left;
}
int32_t End(const TRect& r, TDockOrientation o)
{
    return o == doHorizontal ? r.bottom : r.right;
}
void SetSpan(TRect& r, TDockOrientation o, int32_t begin, int32_t end)
{
    if (o == doHorizontal) {
        r.top = begin;
        r.bottom = end;
    } else {
        r.left = begin;
        r.right = end;
    }
}

QRect ToQRect(const TRect& r)
{
    return QRect(r.left, r.top, std::max(0, r.right - r.left), std::max(0, r.bottom - r.top));
}

int32_t DockWidthOf(const TControl* control)
{
    const auto* client = dynamic_cast<const fw::IDockClient*>(control);
    return client ? client->DockWidth() : 0;
}

// A line drawn raised: the highlight along its top and left edges, the
// shadow along its bottom and right edges.
void RaisedLine(QPainter& p, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    if (x2 <= x1 || y2 <= y1)
        return;
    p.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), fw::ToQColor(fw::clBtnFace));
    p.setPen(fw::ToQColor(fw::clBtnHighlight));
    p.drawLine(x1, y1, x2 - 1, y1);
    p.drawLine(x1, y1, x1, y2 - 1);
    p.setPen(fw::ToQColor(fw::clBtnShadow));
    p.drawLine(x1, y2 - 1, x2 - 1, y2 - 1);
    p.drawLine(x2 - 1, y1, x2 - 1, y2 - 1);
}

enum class CaptionButton { close, restore };

// A caption button as the desktop draws one: a raised face with its glyph.
void DrawCaptionButton(QPainter& p, const QRect& r, CaptionButton kind)
{
    p.save();
    p.fillRect(r, fw::ToQColor(fw::clBtnFace));
    p.setPen(fw::ToQColor(fw::clBtnHighlight));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(fw::ToQColor(fw::cl3DDkShadow));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    p.setPen(fw::ToQColor(fw::clBtnShadow));
    p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
    p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
    p.setPen(fw::ToQColor(fw::clBtnText));
    const QRect g = r.adjusted(4, 3, -4, -4);
    if (kind == CaptionButton::close) {
        p.drawLine(g.topLeft(), g.bottomRight());
        p.drawLine(g.bottomLeft(), g.topRight());
    } else {
        // Two windows, one behind the other.
        const int s = std::max(2, g.width() - 2);
        p.drawRect(g.left() + 2, g.top(), s - 1, s - 1);
        p.fillRect(g.left(), g.top() + 2, s, s, fw::ToQColor(fw::clBtnFace));
        p.drawRect(g.left(), g.top() + 2, s - 1, s - 1);
    }
    p.restore();
}

} // namespace

// --- the widget over the site --------------------------------------------------

// Lies under the docked controls and over the site's own drawing: it draws the
// caption bars and takes the mouse over them and over the splitters. Points
// elsewhere go on to the site.
class DockLayer final : public QWidget {
public:
    DockLayer(Tg3CustomDockTree& tree, QWidget* parent) : QWidget(parent), tree_(tree)
    {
        setMouseTracking(true);
        setAttribute(Qt::WA_NoSystemBackground);
    }

    // The place of the drag line while a splitter is dragged.
    bool lineShown = false;
    TRect line;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        tree_.PaintSite(painter);
        if (lineShown) {
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter.fillRect(ToQRect(line), QBrush(Qt::white, Qt::Dense4Pattern));
        }
    }
    void mousePressEvent(QMouseEvent* e) override { Press(e, false); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { Press(e, true); }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        tree_.MouseMove(At(e));
        if (!tree_.Sizing() && !(e->buttons() & Qt::LeftButton))
            e->ignore();
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton)
            tree_.MouseUp(At(e));
    }
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(e);
            int32_t ht = 0;
            TControl* control = tree_.HitTest({help->pos().x(), help->pos().y()}, ht);
            if (control && (ht == fw::htCaption || ht == fw::htClose))
                QToolTip::showText(help->globalPos(), QString::fromStdString(control->GetText()), this);
            else
                QToolTip::hideText();
            return true;
        }
        return QWidget::event(e);
    }
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress && tree_.DockDragging()
            && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
            tree_.CancelDockDrag();
            return true;
        }
        switch (e->type()) {
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
            tree_.VisibilityChanged(watched);
            break;
        case QEvent::WindowTitleChange:
            update();
            break;
        default:
            break;
        }
        return false;
    }

private:
    static TPoint At(const QMouseEvent* e)
    {
        const QPoint p = e->position().toPoint();
        return {p.x(), p.y()};
    }
    void Press(QMouseEvent* e, bool doubleClick)
    {
        if (e->button() != Qt::LeftButton || !tree_.MouseDown(At(e), doubleClick))
            e->ignore();
    }

    Tg3CustomDockTree& tree_;
};

// --- zones ---------------------------------------------------------------------

int Tg3DockZone::ChildCount() const
{
    int n = 0;
    for (const Tg3DockZone* c = ChildZones; c; c = c->NextSibling)
        ++n;
    return n;
}

bool Tg3DockZone::Visible() const
{
    if (ChildZones) {
        for (const Tg3DockZone* c = ChildZones; c; c = c->NextSibling)
            if (c->Visible())
                return true;
        return false;
    }
    const TControl* control = control_.get();
    return control && control->GetVisible();
}

Tg3DockZone* Tg3DockZone::NextVisible() const
{
    for (Tg3DockZone* z = NextSibling; z; z = z->NextSibling)
        if (z->Visible())
            return z;
    return nullptr;
}

Tg3DockZone* Tg3DockZone::PrevVisible() const
{
    for (Tg3DockZone* z = PrevSibling; z; z = z->PrevSibling)
        if (z->Visible())
            return z;
    return nullptr;
}

TRect Tg3DockZone::ZoneRect() const
{
    return rect_;
}

TRect Tg3DockZone::ContentRect() const
{
    return content_;
}

int32_t Tg3DockZone::LimitBegin() const
{
    const TDockOrientation o = ParentZone ? ParentZone->Orientation : Orientation;
    return Start(rect_, o);
}

void Tg3DockZone::ResetChildren()
{
    if (Orientation == doNoOrient || !Visible())
        return;
    const int32_t begin = Start(content_, Orientation);
    const int32_t end = std::max(begin, End(content_, Orientation));
    const int32_t extent = end - begin;
    int32_t fixed = 0;
    int others = 0;
    for (Tg3DockZone* c = ChildZones; c; c = c->NextSibling) {
        if (!c->Visible())
            continue;
        const int32_t width = DockWidthOf(c->ChildControl());
        if (width > 0)
            fixed += width;
        else
            ++others;
    }
    // More fixed width than there is room: the shares are empty, not negative,
    // and no zone reaches past the end.
    const int32_t share = others > 0 ? std::max(0, extent - fixed) / others : 0;
    int32_t pos = begin;
    for (Tg3DockZone* c = ChildZones; c; c = c->NextSibling) {
        if (!c->Visible())
            continue;
        const int32_t width = DockWidthOf(c->ChildControl());
        if (!c->NextVisible())
            c->ZoneLimit = end;
        else
            c->ZoneLimit = std::min(end, pos + (width > 0 ? width : share));
        pos = c->ZoneLimit;
    }
}

// --- the tree ------------------------------------------------------------------

Tg3CustomDockTree::Tg3CustomDockTree(fw::TWinControl& site)
    : Tg3CustomDockTree(site, false)
{
}

Tg3CustomDockTree::Tg3CustomDockTree(fw::TWinControl& site, bool grabbersAlwaysOnTop)
    : site_(site)
{
    grabbersOnTop_ = grabbersAlwaysOnTop || (site.GetAlign() != fw::alTop && site.GetAlign() != fw::alBottom);
    top_ = NewZone();
    if (QWidget* parent = site.ClientWidget()) {
        layer_ = new DockLayer(*this, parent);
        layer_->lower();
        layer_->show();
    }
    // The site's existing controls go in at the left, each sharing the space.
    const std::vector<TControl*> existing = site.ChildControls();
    for (TControl* c : existing)
        InsertStandard(c, fw::alLeft, nullptr);
}

Tg3CustomDockTree::~Tg3CustomDockTree()
{
    if (dockDrag_.active && layer_)
        qApp->removeEventFilter(layer_);
    for (const auto& z : zones_)
        if (TControl* c = z->ChildControl(); c && c->Widget() && layer_)
            c->Widget()->removeEventFilter(layer_);
    delete layer_.data();
}

QWidget* Tg3CustomDockTree::Layer() const
{
    return layer_.data();
}

Tg3DockZone* Tg3CustomDockTree::NewZone()
{
    zones_.push_back(std::make_unique<Tg3DockZone>(*this));
    return zones_.back().get();
}

void Tg3CustomDockTree::FreeZone(Tg3DockZone* zone)
{
    if (sizingZone_ == zone)
        sizingZone_ = nullptr;
    std::erase_if(zones_, [zone](const std::unique_ptr<Tg3DockZone>& z) { return z.get() == zone; });
}

void Tg3CustomDockTree::BeginUpdate()
{
    ++updateCount_;
}

void Tg3CustomDockTree::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0 && top_->Visible())
        UpdateAll();
}

int Tg3CustomDockTree::VisibleDockedCount() const
{
    int n = 0;
    for (const auto& z : zones_)
        if (z->ChildControl() && !z->ChildZones && z->Visible())
            ++n;
    return n;
}

Tg3DockZone* Tg3CustomDockTree::FindControlZone(const TControl* control) const
{
    if (!control)
        return nullptr;
    for (const auto& z : zones_)
        if (z->ChildControl() == control)
            return z.get();
    return nullptr;
}

TRect Tg3CustomDockTree::SiteRect() const
{
    return {0, 0, std::max(0, site_.ClientWidth()), std::max(0, site_.ClientHeight())};
}

void Tg3CustomDockTree::AdjustDockRect(TControl&, TRect& rect) const
{
    if (grabbersOnTop_)
        rect.top += kGrabberSize;
    else
        rect.left += kGrabberSize;
}

void Tg3CustomDockTree::Watch(TControl* control)
{
    if (control && control->Widget() && layer_)
        control->Widget()->installEventFilter(layer_);
}

void Tg3CustomDockTree::VisibilityChanged(QObject* widget)
{
    for (const auto& z : zones_) {
        TControl* c = z->ChildControl();
        // A control that has left the site (floated) is no longer laid out here.
        if (!c || c->Widget() != widget || c->Parent() != &site_)
            continue;
        // The neighbours take the space of a control that goes and give it
        // back when it comes again.
        if (updateCount_ == 0) {
            Layout();
            if (z->ParentZone) {
                for (Tg3DockZone* p = z->ParentZone; p; p = p->ParentZone)
                    p->ResetChildren();
            }
            UpdateAll();
        }
        return;
    }
}

void Tg3CustomDockTree::InsertControl(TControl* control, fw::TAlign insertAt, TControl* dropControl)
{
    InsertStandard(control, insertAt, dropControl);
}

void Tg3CustomDockTree::InsertStandard(TControl* control, fw::TAlign insertAt, TControl* dropControl)
{
    if (!control)
        return;
    if (insertAt != fw::alTop && insertAt != fw::alBottom && insertAt != fw::alLeft && insertAt != fw::alRight)
        return;
    // Docked again, it keeps the size it had before it was first docked.
    const QSize undocked = UndockedSize(*control);
    if (FindControlZone(control))
        RemoveControl(control);
    PruneDead();
    KeepUndockedSize(*control, undocked);
    const TDockOrientation orient = insertAt == fw::alLeft || insertAt == fw::alRight ? doVertical : doHorizontal;
    const bool before = insertAt == fw::alLeft || insertAt == fw::alTop;

    Tg3DockZone* zone = NewZone();
    zone->control_ = control;
    Tg3DockZone* drop = dropControl && dropControl != control ? FindControlZone(dropControl) : nullptr;
    Tg3DockZone* receiving = nullptr;

    auto linkChild = [&](Tg3DockZone* parent, Tg3DockZone* child, bool first) {
        child->ParentZone = parent;
        if (!parent->ChildZones) {
            parent->ChildZones = child;
            return;
        }
        if (first) {
            child->NextSibling = parent->ChildZones;
            parent->ChildZones->PrevSibling = child;
            parent->ChildZones = child;
            return;
        }
        Tg3DockZone* last = parent->ChildZones;
        while (last->NextSibling)
            last = last->NextSibling;
        last->NextSibling = child;
        child->PrevSibling = last;
    };
    // The zone's content moves one level down, beside the new zone.
    auto split = [&](Tg3DockZone* target) {
        Tg3DockZone* moved = NewZone();
        moved->control_ = target->control_;
        target->control_ = nullptr;
        moved->Orientation = target->Orientation;
        moved->ChildZones = target->ChildZones;
        for (Tg3DockZone* c = moved->ChildZones; c; c = c->NextSibling)
            c->ParentZone = moved;
        target->ChildZones = nullptr;
        target->Orientation = orient;
        linkChild(target, moved, false);
        linkChild(target, zone, before);
        receiving = target;
    };

    if (!drop) {
        if (!top_->ChildZones && !top_->ChildControl()) {
            top_->Orientation = orient;
            linkChild(top_, zone, before);
            receiving = top_;
        } else if (top_->ChildZones && (top_->Orientation == orient || top_->ChildCount() == 1)) {
            top_->Orientation = orient;
            linkChild(top_, zone, before);
            receiving = top_;
        } else {
            split(top_);
        }
    } else if (Tg3DockZone* parent = drop->ParentZone;
               parent && (parent->Orientation == orient || parent->ChildCount() == 1)) {
        parent->Orientation = orient;
        zone->ParentZone = parent;
        if (before) {
            zone->PrevSibling = drop->PrevSibling;
            zone->NextSibling = drop;
            if (drop->PrevSibling)
                drop->PrevSibling->NextSibling = zone;
            else
                parent->ChildZones = zone;
            drop->PrevSibling = zone;
        } else {
            zone->NextSibling = drop->NextSibling;
            zone->PrevSibling = drop;
            if (drop->NextSibling)
                drop->NextSibling->PrevSibling = zone;
            drop->NextSibling = zone;
        }
        receiving = parent;
    } else {
        split(drop);
    }

    Watch(control);
    if (updateCount_ > 0)
        return;
    Layout();
    receiving->ResetChildren();
    UpdateAll();
}

void Tg3CustomDockTree::Unlink(Tg3DockZone* zone)
{
    if (zone->PrevSibling)
        zone->PrevSibling->NextSibling = zone->NextSibling;
    else if (zone->ParentZone)
        zone->ParentZone->ChildZones = zone->NextSibling;
    if (zone->NextSibling)
        zone->NextSibling->PrevSibling = zone->PrevSibling;
    zone->ParentZone = zone->PrevSibling = zone->NextSibling = nullptr;
}

void Tg3CustomDockTree::RemoveZone(Tg3DockZone* zone)
{
    if (!zone)
        throw std::logic_error("Error removing control from dock tree - Dock zone not found");
    if (zone->ChildZones || (!zone->ChildControl() && zone == top_))
        throw std::logic_error("Error removing control from dock tree - Dock zone has no control");
    if (TControl* c = zone->ChildControl(); c && c->Widget() && layer_)
        c->Widget()->removeEventFilter(layer_);
    Tg3DockZone* parent = zone->ParentZone;
    if (!parent) {
        // The top zone held the one docked control.
        zone->control_ = nullptr;
        zone->Orientation = doNoOrient;
        return;
    }
    // The neighbour before takes the freed space; a last zone's space goes to
    // the one that is last now.
    if (zone->PrevSibling && zone->NextSibling)
        zone->PrevSibling->ZoneLimit = zone->ZoneLimit;
    Unlink(zone);
    FreeZone(zone);
    if (parent->ChildCount() == 1) {
        Tg3DockZone* only = parent->ChildZones;
        parent->ChildZones = nullptr;
        if (only->ChildZones) {
            parent->ChildZones = only->ChildZones;
            parent->Orientation = only->Orientation;
            for (Tg3DockZone* c = parent->ChildZones; c; c = c->NextSibling)
                c->ParentZone = parent;
            only->ChildZones = nullptr;
        } else {
            parent->control_ = only->control_;
            parent->Orientation = doNoOrient;
        }
        FreeZone(only);
    } else if (!parent->ChildZones) {
        parent->Orientation = doNoOrient;
    }
}

void Tg3CustomDockTree::PruneDead()
{
    // Zones whose control was freed or left the site without the tree.
    for (bool again = true; again;) {
        again = false;
        for (const auto& z : zones_) {
            if (TControl* c = z->ChildControl(); c && c->Parent() != &site_) {
                if (c->Widget() && layer_)
                    c->Widget()->removeEventFilter(layer_);
                z->control_ = nullptr;
            }
            if (!z->ChildZones && !z->ChildControl() && z.get() != top_) {
                RemoveZone(z.get());
                again = true;
                break;
            }
        }
    }
}

void Tg3CustomDockTree::RemoveControl(TControl* control)
{
    Tg3DockZone* zone = FindControlZone(control);
    if (!zone)
        return;
    ForgetUndockedSize(control);
    RemoveZone(zone);
    PruneDead();
    if (updateCount_ == 0)
        UpdateAll();
}

QSize Tg3CustomDockTree::UndockedSize(const TControl& control) const
{
    for (const UndockedSizeOf& u : undockedSizes_)
        if (u.control.get() == &control && FindControlZone(&control))
            return u.size;
    return {control.GetWidth(), control.GetHeight()};
}

void Tg3CustomDockTree::KeepUndockedSize(TControl& control, QSize size)
{
    ForgetUndockedSize(&control);
    undockedSizes_.push_back({fw::Guard<TControl>(&control), size});
}

void Tg3CustomDockTree::ForgetUndockedSize(const TControl* control)
{
    std::erase_if(undockedSizes_, [&](const UndockedSizeOf& u) { return !u.control || u.control.get() == control; });
}

void Tg3CustomDockTree::ResetBounds(bool)
{
    if (updateCount_ > 0)
        return;
    PruneDead();
    UpdateAll();
}

void Tg3CustomDockTree::Layout()
{
    LayoutZone(top_, SiteRect());
}

void Tg3CustomDockTree::LayoutZone(Tg3DockZone* zone, const TRect& rect)
{
    zone->rect_ = rect;
    zone->content_ = rect;
    if (zone->ParentZone && zone->NextVisible()) {
        const TDockOrientation o = zone->ParentZone->Orientation;
        SetSpan(zone->content_, o, Start(rect, o), std::max(Start(rect, o), End(rect, o) - kBorderWidth));
    }
    const TRect content = zone->content_;
    const TDockOrientation o = zone->Orientation == doNoOrient ? doVertical : zone->Orientation;
    int32_t pos = Start(content, o);
    const int32_t end = std::max(pos, End(content, o));
    for (Tg3DockZone* c = zone->ChildZones; c; c = c->NextSibling) {
        TRect r = content;
        if (!c->Visible()) {
            SetSpan(r, o, pos, pos);
            LayoutZone(c, r);
            continue;
        }
        const int32_t limit = c->NextVisible() ? Clamp(c->ZoneLimit, pos, end) : end;
        SetSpan(r, o, pos, limit);
        LayoutZone(c, r);
        pos = limit;
    }
}

TRect Tg3CustomDockTree::FrameRect(const Tg3DockZone& zone) const
{
    return zone.content_;
}

void Tg3CustomDockTree::UpdateAll()
{
    Layout();
    if (layer_) {
        const TRect site = SiteRect();
        layer_->setGeometry(ToQRect(site));
        layer_->lower();
    }
    for (const auto& z : zones_)
        UpdateZone(z.get());
    if (layer_)
        layer_->update();
}

void Tg3CustomDockTree::UpdateZone(Tg3DockZone* zone)
{
    TControl* control = zone->ChildControl();
    if (!control || zone->ChildZones || !zone->Visible())
        return;
    TRect r = zone->content_;
    AdjustDockRect(*control, r);
    if (control->GetAlign() != fw::alNone)
        control->SetAlign(fw::alNone);
    control->SetBounds(r.left, r.top, std::max(0, r.right - r.left), std::max(0, r.bottom - r.top));
}

Tg3DockZone* Tg3CustomDockTree::ZoneAt(TPoint p, int32_t& htFlag) const
{
    htFlag = fw::htNowhere;
    // Splitters first: the strip at the end of a zone that has a neighbour after it.
    for (const auto& z : zones_) {
        if (!z->ParentZone || !z->Visible() || !z->NextVisible())
            continue;
        const TDockOrientation o = z->ParentZone->Orientation;
        TRect strip = z->rect_;
        SetSpan(strip, o, End(z->content_, o), End(z->rect_, o));
        if (Contains(strip, p)) {
            htFlag = fw::htBorder;
            return z.get();
        }
    }
    for (const auto& z : zones_) {
        TControl* control = z->ChildControl();
        if (!control || z->ChildZones || !z->Visible())
            continue;
        const TRect frame = z->content_;
        if (!Contains(frame, p))
            continue;
        TRect body = frame;
        AdjustDockRect(*control, body);
        if (Contains(body, p)) {
            htFlag = fw::htClient;
        } else if (grabbersOnTop_) {
            htFlag = p.x >= frame.right - 15 ? fw::htClose : fw::htCaption;
        } else {
            htFlag = p.y < frame.top + 15 ? fw::htClose : fw::htCaption;
        }
        return z.get();
    }
    return nullptr;
}

TControl* Tg3CustomDockTree::HitTest(TPoint mousePos, int32_t& htFlag)
{
    PruneDead();
    Layout();
    Tg3DockZone* zone = ZoneAt(mousePos, htFlag);
    return zone ? zone->ChildControl() : nullptr;
}

void Tg3CustomDockTree::PaintSite(QPainter& painter)
{
    PruneDead();
    Layout();
    for (const auto& z : zones_) {
        TControl* control = z->ChildControl();
        if (control && !z->ChildZones && z->Visible())
            PaintDockFrame(painter, *control, FrameRect(*z));
    }
}

void Tg3CustomDockTree::PaintDockFrame(QPainter& painter, TControl&, const TRect& rect)
{
    constexpr int32_t G = kGrabberSize;
    painter.save();
    if (grabbersOnTop_) {
        DrawCaptionButton(painter, QRect(rect.right - G + 1, rect.top + 1, G - 2, G - 2), CaptionButton::close);
        RaisedLine(painter, rect.left + 2, rect.top + 3, rect.right - G - 2, rect.top + 5);
        RaisedLine(painter, rect.left + 2, rect.top + 6, rect.right - G - 2, rect.top + 8);
    } else {
        DrawCaptionButton(painter, QRect(rect.left + 1, rect.top + 1, G - 2, G - 2), CaptionButton::close);
        RaisedLine(painter, rect.left + 3, rect.top + G + 1, rect.left + 5, rect.bottom - 2);
        RaisedLine(painter, rect.left + 6, rect.top + G + 1, rect.left + 8, rect.bottom - 2);
    }
    painter.restore();
}

void Tg3CustomDockTree::PositionDockRect(TControl*, TControl* dropControl, fw::TAlign dropAlign, TRect& dockRect)
{
    Layout();
    TRect r = SiteRect();
    if (Tg3DockZone* zone = FindControlZone(dropControl)) {
        r = zone->content_;
        const int32_t w = r.right - r.left, h = r.bottom - r.top;
        switch (dropAlign) {
        case fw::alLeft: r.right = r.left + w / 2; break;
        case fw::alRight: r.left += w / 2; break;
        case fw::alTop: r.bottom = r.top + h / 2; break;
        case fw::alBottom: r.top += h / 2; break;
        default: break;
        }
    }
    QPoint origin;
    if (QWidget* w = site_.ClientWidget())
        origin = w->mapToGlobal(QPoint(0, 0));
    dockRect = {r.left + origin.x(), r.top + origin.y(), r.right + origin.x(), r.bottom + origin.y()};
}

bool Tg3CustomDockTree::WindowProcHook(TControl&, TPoint, int32_t)
{
    return false;
}

bool Tg3CustomDockTree::MouseDown(TPoint p, bool doubleClick)
{
    PruneDead();
    Layout();
    int32_t ht = 0;
    Tg3DockZone* zone = ZoneAt(p, ht);
    if (!zone || ht == fw::htClient)
        return false;
    if (ht == fw::htBorder) {
        sizingZone_ = zone;
        sizePos_ = Start(TRect {p.x, p.y, p.x, p.y}, zone->ParentZone->Orientation);
        ShowSizingLine();
        return true;
    }
    TControl* control = zone->ChildControl();
    if (!control)
        return false;
    if (doubleClick) {
        FloatDocked(*control);
        return true;
    }
    if (WindowProcHook(*control, p, ht))
        return true;
    if (ht == fw::htClose) {
        closePressed_ = control;
        return true;
    }
    if (auto* win = dynamic_cast<fw::TWinControl*>(control); win && win->Widget())
        win->Widget()->setFocus(Qt::MouseFocusReason);
    if (ht == fw::htCaption && layer_ && control->Widget() && control->GetDragMode() == fw::dmAutomatic
        && control->GetDragKind() == fw::dkDock) {
        dockDrag_ = {};
        dockDrag_.control = control;
        dockDrag_.pressedAt = layer_->mapToGlobal(QPoint(p.x, p.y));
        dockDrag_.grab = dockDrag_.pressedAt - control->Widget()->mapToGlobal(QPoint(0, 0));
    }
    return true;
}

void Tg3CustomDockTree::ShowSizingLine()
{
    if (!layer_ || !sizingZone_ || !sizingZone_->ParentZone)
        return;
    const TDockOrientation o = sizingZone_->ParentZone->Orientation;
    TRect line = sizingZone_->rect_;
    SetSpan(line, o, sizePos_ - kBorderWidth / 2, sizePos_ - kBorderWidth / 2 + kBorderWidth);
    layer_->line = line;
    layer_->lineShown = true;
    layer_->update();
}

void Tg3CustomDockTree::MouseMove(TPoint p)
{
    if (dockDrag_.control && layer_) {
        const QPoint global = layer_->mapToGlobal(QPoint(p.x, p.y));
        if (!dockDrag_.active && (global - dockDrag_.pressedAt).manhattanLength() < fw::DragThreshold)
            return;
        MoveDockDrag(global);
        return;
    }
    if (sizingZone_) {
        sizePos_ = Start(TRect {p.x, p.y, p.x, p.y}, sizingZone_->ParentZone->Orientation);
        ShowSizingLine();
        return;
    }
    if (!layer_)
        return;
    int32_t ht = 0;
    Layout();
    Tg3DockZone* zone = ZoneAt(p, ht);
    if (zone && ht == fw::htBorder)
        layer_->setCursor(zone->ParentZone->Orientation == doHorizontal ? Qt::SplitVCursor : Qt::SplitHCursor);
    else
        layer_->unsetCursor();
}

void Tg3CustomDockTree::MouseUp(TPoint p)
{
    if (dockDrag_.control || dockDrag_.active) {
        if (!dockDrag_.active || !layer_) {
            dockDrag_ = {};
            return;
        }
        fw::Guard<fw::TWinControl> alive(&site_);
        MoveDockDrag(layer_->mapToGlobal(QPoint(p.x, p.y)));
        if (alive && dockDrag_.active)
            EndDockDrag();
        return;
    }
    if (Tg3DockZone* zone = sizingZone_) {
        sizingZone_ = nullptr;
        if (layer_)
            layer_->lineShown = false;
        sizePos_ = Start(TRect {p.x, p.y, p.x, p.y}, zone->ParentZone->Orientation);
        zone->ZoneLimit = sizePos_ + kBorderWidth / 2;
        UpdateAll();
        return;
    }
    fw::Guard<TControl> pressed = closePressed_;
    closePressed_ = nullptr;
    TControl* control = pressed.get();
    if (!control)
        return;
    int32_t ht = 0;
    Layout();
    Tg3DockZone* zone = ZoneAt(p, ht);
    if (zone && zone->ChildControl() == control && ht == fw::htClose)
        CloseDocked(*control);
}

namespace {

fw::TRect ScreenRect(QWidget* w, const TRect& r)
{
    const QPoint origin = w ? w->mapToGlobal(QPoint(0, 0)) : QPoint();
    return {r.left + origin.x(), r.top + origin.y(), r.right + origin.x(), r.bottom + origin.y()};
}

} // namespace

Tg3CustomDockTree::DropPlace Tg3CustomDockTree::DropPlaceAt(QPoint global) const
{
    DropPlace place;
    TControl* dragged = dockDrag_.control.get();
    if (dragged)
        place.site = fw::DockSiteAt(global, *dragged);
    if (fw::TWinControl* site = place.site) {
        QWidget* client = site->ClientWidget();
        place.at = client ? client->mapFromGlobal(global) : QPoint();
        fw::IDockManager* manager = dynamic_cast<fw::IDockSite*>(site)->DockManager();
        if (manager) {
            int32_t ht = 0;
            place.dropControl = manager->HitTest({place.at.x(), place.at.y()}, ht);
            if (place.dropControl && ht == fw::htBorder)
                place.dropControl = nullptr;
        }
        // Side by side: the half of the drop control (or of the site) the
        // mouse is in.
        const TControl* half = place.dropControl ? place.dropControl : site;
        const int32_t x = place.dropControl ? place.at.x() - half->GetLeft() : place.at.x();
        place.align = x < half->GetWidth() / 2 ? fw::alLeft : fw::alRight;
        if (place.dropControl == dragged) {
            // Over itself: it stays where it is.
            place.outline = ScreenRect(dragged->Widget(), {0, 0, dragged->GetWidth(), dragged->GetHeight()});
        } else if (manager) {
            manager->PositionDockRect(dragged, place.dropControl, place.align, place.outline);
        } else {
            place.outline = ScreenRect(client, {0, 0, client ? client->width() : 0, client ? client->height() : 0});
        }
        bool accept = true;
        if (site->OnDockOver)
            site->OnDockOver(site, dragged, place.at.x(), place.at.y(), fw::dsDragMove, accept);
        if (accept)
            return place;
        place = {};
    }
    // Nowhere to dock: it floats where it is let go, at its size from before
    // it was docked.
    const QPoint topLeft = global - dockDrag_.grab;
    const QSize size = dragged ? UndockedSize(*dragged) : QSize(0, 0);
    place.outline = {topLeft.x(), topLeft.y(), topLeft.x() + size.width(), topLeft.y() + size.height()};
    return place;
}

void Tg3CustomDockTree::MoveDockDrag(QPoint global)
{
    fw::Guard<fw::TWinControl> alive(&site_);
    if (!dockDrag_.active) {
        dockDrag_.active = true;
        if (layer_)
            qApp->installEventFilter(layer_);
        if (TControl* control = dockDrag_.control.get(); control && control->OnStartDock) {
            fw::TObject* dragObject = nullptr;
            control->OnStartDock(control, dragObject);
            if (!alive)
                return;
        }
    }
    if (!dockDrag_.control) {
        CancelDockDrag();
        return;
    }
    dockDrag_.last = global;
    const DropPlace place = DropPlaceAt(global);
    if (!alive || !dockDrag_.active)
        return;
    dockDrag_.outline = place.outline;
    if (!outline_) {
        outline_ = std::make_unique<QRubberBand>(QRubberBand::Rectangle);
        outline_->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    outline_->setGeometry(ToQRect(place.outline));
    outline_->show();
}

void Tg3CustomDockTree::StopDockDrag()
{
    dockDrag_ = {};
    if (outline_)
        outline_->hide();
    if (layer_)
        qApp->removeEventFilter(layer_);
}

void Tg3CustomDockTree::CancelDockDrag()
{
    const bool wasActive = dockDrag_.active;
    fw::Guard<TControl> control = dockDrag_.control;
    StopDockDrag();
    if (TControl* c = control.get(); wasActive && c && c->OnEndDock)
        c->OnEndDock(c, nullptr, 0, 0);
}

void Tg3CustomDockTree::EndDockDrag()
{
    fw::Guard<TControl> control = dockDrag_.control;
    const DropPlace place = control ? DropPlaceAt(dockDrag_.last) : DropPlace {};
    fw::Guard<fw::TWinControl> target(place.site);
    fw::Guard<fw::TWinControl> alive(&site_);
    // The drag is over before the control moves: docking or floating it may
    // free this tree.
    StopDockDrag();
    TControl* c = control.get();
    if (!c)
        return;
    if (place.site && place.dropControl == c) {
        // Let go over itself: it stays.
    } else if (place.site) {
        // The size from before docking goes along to the site it moves to.
        const QSize undocked = UndockedSize(*c);
        if (!fw::DockInto(*c, *place.site, place.at.x(), place.at.y(), place.align, place.dropControl))
            return;
        if (auto* site = dynamic_cast<fw::IDockSite*>(target.get()))
            if (auto* tree = dynamic_cast<Tg3CustomDockTree*>(site->DockManager()); tree && tree->FindControlZone(c))
                tree->KeepUndockedSize(*c, undocked);
    } else {
        if (!fw::FloatControl(*c, place.outline) || !control)
            return;
        if (alive) {
            PruneDead();
            if (updateCount_ == 0)
                UpdateAll();
        }
    }
    if (c->OnEndDock)
        c->OnEndDock(c, target.get(), place.at.x(), place.at.y());
}

void Tg3CustomDockTree::FloatDocked(TControl& control)
{
    QPoint origin(control.GetLeft(), control.GetTop());
    if (QWidget* w = control.Widget())
        origin = w->mapToGlobal(QPoint(0, 0));
    const QSize size = UndockedSize(control);
    fw::FloatControl(control, {origin.x(), origin.y(), origin.x() + size.width(), origin.y() + size.height()});
    PruneDead();
    if (updateCount_ == 0)
        UpdateAll();
}

void Tg3CustomDockTree::CloseDocked(TControl& control)
{
    if (auto* form = dynamic_cast<fw::TCustomForm*>(&control))
        form->Close();
    else
        control.SetVisible(false);
}

// --- stream ----------------------------------------------------------------------

namespace {

void PutInt(std::string& s, int32_t v)
{
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        s.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

void PutText(std::string& s, const std::string& text)
{
    PutInt(s, static_cast<int32_t>(text.size()));
    s += text;
}

class Reader {
public:
    explicit Reader(const std::string& s) : s_(s) {}
    int32_t Int()
    {
        Need(4);
        uint32_t u = 0;
        for (int i = 0; i < 4; ++i)
            u |= static_cast<uint32_t>(static_cast<unsigned char>(s_[pos_ + i])) << (8 * i);
        pos_ += 4;
        return static_cast<int32_t>(u);
    }
    uint8_t Byte()
    {
        Need(1);
        return static_cast<uint8_t>(s_[pos_++]);
    }
    std::string Text()
    {
        const int32_t n = Int();
        if (n < 0)
            throw std::runtime_error("Dock tree stream: bad text length");
        Need(static_cast<size_t>(n));
        std::string t = s_.substr(pos_, static_cast<size_t>(n));
        pos_ += static_cast<size_t>(n);
        return t;
    }

private:
    void Need(size_t n) const
    {
        if (s_.size() - pos_ < n)
            throw std::runtime_error("Dock tree stream ends too early");
    }
    const std::string& s_;
    size_t pos_ = 0;
};

// A control the site can name: one of its children, else a component of the
// site's owner.
TControl* FindNamed(fw::TWinControl& site, const std::string& name)
{
    if (name.empty())
        return nullptr;
    for (TControl* c : site.ChildControls())
        if (u3::SameText(c->GetName(), name))
            return c;
    fw::TComponent* owner = site.Owner();
    auto* control = owner ? dynamic_cast<TControl*>(owner->FindComponent(name)) : nullptr;
    // Never the site or a control that holds it.
    for (const TControl* c = &site; c && control; c = c->Parent())
        if (c == control)
            return nullptr;
    return control;
}

} // namespace

void Tg3CustomDockTree::SaveToStream(std::string& stream)
{
    PruneDead();
    Layout();
    std::vector<const Tg3DockZone*> order;
    std::vector<int32_t> levels;
    // Pre-order: a zone, its children, then its next siblings.
    auto walk = [&](auto&& self, const Tg3DockZone* z, int32_t level) -> void {
        for (; z; z = z->NextSibling) {
            order.push_back(z);
            levels.push_back(level);
            self(self, z->ChildZones, level + 1);
        }
    };
    walk(walk, top_, 0);
    std::vector<std::string> hidden;
    for (const Tg3DockZone* z : order) {
        const TControl* c = z->ChildControl();
        if (c && c->GetName().empty())
            throw std::runtime_error("Docked control must have a name");
        if (c && !c->GetVisible())
            hidden.push_back(c->GetName());
    }
    std::string out;
    PutInt(out, kStreamVersion);
    PutInt(out, static_cast<int32_t>(hidden.size()));
    for (const std::string& name : hidden)
        PutText(out, name);
    const TRect site = SiteRect();
    PutInt(out, top_->Orientation == doHorizontal ? site.right - site.left : site.bottom - site.top);
    for (size_t i = 0; i < order.size(); ++i) {
        PutInt(out, levels[i]);
        out.push_back(static_cast<char>(order[i]->Orientation));
        PutInt(out, order[i]->ZoneLimit);
        PutText(out, order[i]->ChildControl() ? order[i]->ChildControl()->GetName() : std::string());
    }
    PutInt(out, -1);
    stream += out;
}

void Tg3CustomDockTree::LoadFromStream(const std::string& stream)
{
    Reader in(stream);
    BeginUpdate();
    struct EndUpdateAtExit {
        Tg3CustomDockTree& tree;
        ~EndUpdateAtExit() { tree.EndUpdate(); }
    } endUpdate {*this};

    // Read everything first: a broken stream leaves the zones as they are.
    if (in.Int() != kStreamVersion)
        throw std::runtime_error("Dock tree stream: unknown version");
    const int32_t hiddenCount = in.Int();
    if (hiddenCount < 0)
        throw std::runtime_error("Dock tree stream: bad count");
    std::vector<std::string> hidden;
    for (int32_t i = 0; i < hiddenCount; ++i)
        hidden.push_back(in.Text());
    in.Int(); // the top zone's extent across its orientation: the site's size rules
    struct Item {
        int32_t level;
        uint8_t orientation;
        int32_t limit;
        std::string name;
    };
    std::vector<Item> items;
    for (;;) {
        const int32_t level = in.Int();
        if (level == -1)
            break;
        Item item {level, in.Byte(), in.Int(), in.Text()};
        if (item.orientation > doVertical)
            throw std::runtime_error("Dock tree stream: bad orientation");
        const int32_t previous = items.empty() ? -1 : items.back().level;
        if (level < 0 || level > previous + 1 || (items.empty() != (level == 0)) || (!items.empty() && level == 0))
            throw std::runtime_error("Dock tree stream: bad zone level");
        items.push_back(std::move(item));
    }

    for (const auto& z : zones_)
        if (TControl* c = z->ChildControl(); c && c->Widget() && layer_)
            c->Widget()->removeEventFilter(layer_);
    zones_.clear();
    sizingZone_ = nullptr;
    top_ = NewZone();

    for (const std::string& name : hidden)
        if (TControl* c = FindNamed(site_, name)) {
            c->SetVisible(false);
            if (c->Parent() != &site_)
                c->SetParent(&site_);
        }

    // by level: the last zone read at each level
    std::vector<Tg3DockZone*> lastAt;
    for (const Item& item : items) {
        Tg3DockZone* zone = item.level == 0 ? top_ : NewZone();
        zone->Orientation = static_cast<TDockOrientation>(item.orientation);
        zone->ZoneLimit = item.limit;
        if (!item.name.empty()) {
            TControl* c = FindNamed(site_, item.name);
            if (c && !FindControlZone(c)) {
                if (c->Parent() != &site_)
                    c->SetParent(&site_);
                zone->control_ = c;
                Watch(c);
            }
        }
        const auto level = static_cast<size_t>(item.level);
        if (level > 0) {
            Tg3DockZone* parent = lastAt[level - 1];
            // A zone with children holds no control of its own.
            if (TControl* c = parent->ChildControl()) {
                if (c->Widget() && layer_)
                    c->Widget()->removeEventFilter(layer_);
                parent->control_ = nullptr;
            }
            zone->ParentZone = parent;
            if (level < lastAt.size() && lastAt[level] && lastAt[level]->ParentZone == parent) {
                lastAt[level]->NextSibling = zone;
                zone->PrevSibling = lastAt[level];
            } else {
                parent->ChildZones = zone;
            }
        }
        lastAt.resize(level + 1);
        lastAt[level] = zone;
    }
    // Zones whose control could not be found, and inner zones left empty.
    PruneDead();
    if (!top_->ChildZones && !top_->ChildControl())
        top_->Orientation = doNoOrient;
}

// --- the client's look ---------------------------------------------------------------

// The caption bars go on top whatever the site's alignment.
Tg3DockTree::Tg3DockTree(fw::TWinControl& site)
    : Tg3CustomDockTree(site, true)
{
}

void Tg3DockTree::InsertControl(TControl* control, fw::TAlign insertAt, TControl* dropControl)
{
    // Side by side only.
    if (insertAt == fw::alTop)
        insertAt = fw::alLeft;
    else if (insertAt == fw::alBottom)
        insertAt = fw::alRight;
    InsertStandard(control, insertAt, dropControl);
}

void Tg3DockTree::AdjustDockRect(TControl&, TRect& rect) const
{
    rect.top += kGrabberSize;
}

void Tg3DockTree::PositionDockRect(TControl*, TControl* dropControl, fw::TAlign dropAlign, TRect& dockRect)
{
    PruneDead();
    Layout();
    const int visible = VisibleDockedCount();
    TRect r = SiteRect();
    Tg3DockZone* drop = FindControlZone(dropControl);
    if (drop && drop->ParentZone && drop->ParentZone->Orientation != doNoOrient && visible > 1) {
        r = drop->ContentRect();
        const int32_t half = (r.right - r.left) / 2;
        if (dropAlign == fw::alBottom || dropAlign == fw::alRight)
            r.left += half;
        else
            r.right = r.left + half;
    } else if (visible >= 1) {
        const int32_t half = (r.right - r.left) / 2;
        if (dropAlign == fw::alTop || dropAlign == fw::alLeft)
            r.right = r.left + half;
        else
            r.left += half;
    }
    QPoint origin;
    if (QWidget* w = DockSite().ClientWidget())
        origin = w->mapToGlobal(QPoint(0, 0));
    dockRect = {r.left + origin.x(), r.top + origin.y(), r.right + origin.x(), r.bottom + origin.y()};
}

void Tg3DockTree::PaintDockFrame(QPainter& painter, TControl& control, const TRect& rect)
{
    auto* form = dynamic_cast<fw::TCustomForm*>(&control);
    if (!form) {
        Tg3CustomDockTree::PaintDockFrame(painter, control, rect);
        return;
    }
    painter.save();
    // The bands run across the width, so the bar alone shows what filling the
    // whole zone would; a docked form that does not paint its background then
    // shows no caption colour.
    const TRect bar {rect.left, rect.top, rect.right, std::min(rect.bottom, rect.top + kGrabberSize)};
    FillGradient(painter, bar, fw::ToQColor(fw::clActiveCaption), fw::ToQColor(fw::clGradientActiveCaption), 2,
                 255);
    QFont font = DockSite().GetFont() ? DockSite().GetFont()->ToQFont() : painter.font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(fw::ToQColor(fw::clCaptionText));
    painter.setBackgroundMode(Qt::TransparentMode);
    const QRect textRect(rect.left + 3, rect.top + 3, std::max(0, rect.right - rect.left - 3 - 32),
                         kGrabberSize - 3);
    painter.setClipRect(ToQRect(rect));
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QString::fromStdString(control.GetText()));
    DrawCaptionButton(painter, QRect(rect.right - 32, rect.top + 2, 14, 14), CaptionButton::restore);
    DrawCaptionButton(painter, QRect(rect.right - 17, rect.top + 2, 14, 14), CaptionButton::close);
    painter.restore();
}

bool Tg3DockTree::WindowProcHook(TControl& control, TPoint p, int32_t htFlag)
{
    // A press on a docked form's restore button floats it (as a double-click
    // on its caption bar does); the close button closes it on release.
    if (htFlag != fw::htCaption || !dynamic_cast<fw::TCustomForm*>(&control))
        return false;
    Tg3DockZone* zone = FindControlZone(&control);
    if (!zone || p.x < zone->ContentRect().right - 30)
        return false;
    FloatDocked(control);
    return true;
}

// --- gradient ------------------------------------------------------------------------

void FillGradient(QPainter& painter, const TRect& rect, QColor fromColor, QColor toColor, int direction, int steps)
{
    const int32_t width = rect.right - rect.left;
    const int32_t height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return;
    if (steps < 2) {
        painter.fillRect(ToQRect(rect), fromColor);
        return;
    }
    if (direction == 1 || direction == 3)
        std::swap(fromColor, toColor);
    const bool vertical = direction == 2 || direction == 3; // bands side by side
    const int32_t extent = vertical ? width : height;
    const int32_t n = std::max(2, std::min(steps, extent));
    const int32_t band = extent / n;
    auto mix = [&](int from, int to, int32_t i) {
        // to the nearest integer, halves away from zero
        const int64_t num = static_cast<int64_t>(to - from) * i * 2;
        const int64_t den = static_cast<int64_t>(n - 1) * 2;
        const int64_t q = num >= 0 ? (num + (n - 1)) / den : -((-num + (n - 1)) / den);
        return from + static_cast<int>(q);
    };
    for (int32_t i = 0; i < n; ++i) {
        const QColor c(mix(fromColor.red(), toColor.red(), i), mix(fromColor.green(), toColor.green(), i),
                       mix(fromColor.blue(), toColor.blue(), i));
        const int32_t begin = i * band;
        if (vertical)
            painter.fillRect(QRect(rect.left + begin, rect.top, band, height), c);
        else
            painter.fillRect(QRect(rect.left, rect.top + begin, width, band), c);
    }
    const int32_t rest = extent - band * n;
    if (rest > 0) {
        if (vertical)
            painter.fillRect(QRect(rect.left + band * n, rect.top, rest, height), toColor);
        else
            painter.fillRect(QRect(rect.left, rect.top + band * n, width, rest), toColor);
    }
}

} // namespace e3
