#include "e3/common/ScrollingClient.h"

#include "framework/ApplicationException.h"
#include "framework/InputBridge.h"
#include "framework/Rtti.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QResizeEvent>
#include <QScrollBar>
#include <QMouseEvent>

namespace e3 {

const fw::TEnumType ScrollStyleType {"TScrollStyle", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}};

class ScrollingContent : public QWidget {
public:
    ScrollingContent() { setAutoFillBackground(true); }

    // Extents are kept from then on.
    void Own(ScrollingClient* client) { client_ = client; }
    void Disown() { client_ = nullptr; }

protected:
    bool event(QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::ChildAdded: {
            // A child comes hidden (Qt hides a widget it gives a new parent)
            // and counts from its Show on; a form being read adds thousands.
            QObject* child = static_cast<QChildEvent*>(e)->child();
            auto* widget = qobject_cast<QWidget*>(child);
            if (widget)
                widget->installEventFilter(this);
            if (!widget || !widget->isHidden())
                Changed();
            break;
        }
        case QEvent::ChildRemoved: Changed(); break;
        case QEvent::Show:
            // The children have shown by now: one pass for all of them.
            shown_ = true;
            Changed();
            break;
        case QEvent::Hide: shown_ = false; break;
        default: break;
        }
        return QWidget::event(e);
    }

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            // While the content itself is showing, its children show one by
            // one before it hears of its own Show, which takes them all in.
            if (shown_ || watched->parent() != this)
                Changed();
            break;
        default: break;
        }
        return QWidget::eventFilter(watched, e);
    }

    // Presses on the empty area are the container's own; they go no further.
    void mousePressEvent(QMouseEvent* e) override { e->accept(); }
    void mouseReleaseEvent(QMouseEvent* e) override { e->accept(); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { e->accept(); }

private:
    void Changed()
    {
        if (client_)
            fw::RunFromEventLoop([this] {
                if (client_)
                    client_->UpdateExtent();
            });
    }

    ScrollingClient* client_ = nullptr;
    bool shown_ = false;
};

ScrollingClient::ScrollingClient(fw::TWinControl* control, std::function<QSize()> visibleSize)
    : area_(new QScrollArea)
    , content_(new ScrollingContent)
    , visibleSize_(std::move(visibleSize))
{
    area_->setWidgetResizable(false);
    area_->setWidget(content_);
    // A smaller view must not leave the content at the old size (and so
    // scroll bars that nothing needs).
    area_->installEventFilter(content_);
    fw::InstallInputBridge(control, content_);
    // Only now: the container is still being built while this runs, and the
    // bridge above is already a child the content hears of.
    content_->Own(this);
}

ScrollingClient::~ScrollingClient()
{
    content_->Disown();
}

QWidget* ScrollingClient::Content() const
{
    return content_;
}

void ScrollingClient::SetAutoScroll(bool value)
{
    autoScroll_ = value;
    UpdateExtent();
}

QSize ScrollingClient::ChildExtent() const
{
    int right = 0, bottom = 0;
    for (const QObject* o : content_->children()) {
        const auto* w = qobject_cast<const QWidget*>(o);
        if (!w || w->isHidden())
            continue;
        right = std::max(right, w->geometry().right() + 1);
        bottom = std::max(bottom, w->geometry().bottom() + 1);
    }
    return QSize(right, bottom);
}

void ScrollingClient::UpdateExtent()
{
    // A hidden area gets its resize only when it shows; its view and scroll
    // bars are laid out for the new size now, so that places read right.
    if (area_->testAttribute(Qt::WA_PendingResizeEvent)) {
        area_->setAttribute(Qt::WA_PendingResizeEvent, false);
        QResizeEvent resize(area_->size(), area_->size());
        QCoreApplication::sendEvent(area_, &resize);
    }
    QSize size = visibleSize_();
    if (autoScroll_)
        size = size.expandedTo(ChildExtent());
    size = size.expandedTo(QSize(horzRange_, vertRange_));
    if (content_->size() != size)
        content_->resize(size);
}

int ScrollingClient::Range(Qt::Orientation orientation) const
{
    if (autoScroll_) {
        // Worked out from the children, as the scroll bar shows it.
        const QSize extent = ChildExtent().expandedTo(QSize(horzRange_, vertRange_));
        return orientation == Qt::Horizontal ? extent.width() : extent.height();
    }
    return orientation == Qt::Horizontal ? horzRange_ : vertRange_;
}

void ScrollingClient::SetRange(Qt::Orientation orientation, int range)
{
    (orientation == Qt::Horizontal ? horzRange_ : vertRange_) = std::max(0, range);
    autoScroll_ = false;
    UpdateExtent();
}

const fw::TClassInfo& TControlScrollBar::StaticClass()
{
    using C = TControlScrollBar;
    static const fw::TClassInfo info {
        "TControlScrollBar",
        &fw::TPersistent::StaticClass(),
        fw::TRows<TControlScrollBar> {
            fw::prop::Integer("Increment", &C::GetIncrement, &C::SetIncrement),
            fw::prop::Integer("Position", &C::GetPosition, &C::SetPosition),
            fw::prop::Integer("Range", &C::GetRange, &C::SetRange),
            fw::prop::Boolean("Tracking", &C::GetTracking, &C::SetTracking),
            fw::prop::Boolean("Visible", &C::GetVisible, &C::SetVisible),
        },
    };
    return info;
}

TControlScrollBar::TControlScrollBar(ScrollingClient* client, Qt::Orientation orientation)
    : client_(client)
    , orientation_(orientation)
{
    Bar()->setSingleStep(8);
    Bar()->setTracking(false);
}

QScrollBar* TControlScrollBar::Bar() const
{
    QScrollArea* area = client_->Area();
    return orientation_ == Qt::Horizontal ? area->horizontalScrollBar() : area->verticalScrollBar();
}

int32_t TControlScrollBar::GetIncrement() const
{
    return Bar()->singleStep();
}

void TControlScrollBar::SetIncrement(int32_t value)
{
    Bar()->setSingleStep(std::max(1, value));
}

int32_t TControlScrollBar::GetPosition() const
{
    return Bar()->value();
}

void TControlScrollBar::SetPosition(int32_t value)
{
    // The range may have grown just now; the scroll bar learns it from the
    // content's new size first.
    client_->UpdateExtent();
    Bar()->setValue(value);
}

int32_t TControlScrollBar::GetRange() const
{
    return client_->Range(orientation_);
}

void TControlScrollBar::SetRange(int32_t value)
{
    client_->SetRange(orientation_, value);
}

void TControlScrollBar::SetVisible(bool value)
{
    visible_ = value;
    const Qt::ScrollBarPolicy policy = value ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    if (orientation_ == Qt::Horizontal)
        client_->Area()->setHorizontalScrollBarPolicy(policy);
    else
        client_->Area()->setVerticalScrollBarPolicy(policy);
}

bool TControlScrollBar::GetTracking() const
{
    return Bar()->hasTracking();
}

void TControlScrollBar::SetTracking(bool value)
{
    Bar()->setTracking(value);
}

} // namespace e3
