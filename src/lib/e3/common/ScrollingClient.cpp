#include "e3/common/ScrollingClient.h"

#include "framework/ApplicationException.h"
#include "framework/InputBridge.h"

#include <QChildEvent>
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
        if (e->type() == QEvent::ChildAdded) {
            if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(e)->child()))
                child->installEventFilter(this);
            Changed();
        } else if (e->type() == QEvent::ChildRemoved) {
            Changed();
        }
        return QWidget::event(e);
    }

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide: Changed(); break;
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
};

ScrollingClient::ScrollingClient(fw::TWinControl* control, std::function<QSize()> visibleSize)
    : area_(new QScrollArea)
    , content_(new ScrollingContent)
    , visibleSize_(std::move(visibleSize))
{
    area_->setWidgetResizable(false);
    area_->setWidget(content_);
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
    QSize size = visibleSize_();
    if (autoScroll_)
        size = size.expandedTo(ChildExtent());
    if (content_->size() != size)
        content_->resize(size);
}

} // namespace e3
