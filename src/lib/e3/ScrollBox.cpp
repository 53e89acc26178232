#include "e3/ScrollBox.h"

#include "e3/OwnedWidget.h"
#include "framework/ApplicationException.h"
#include "framework/InputBridge.h"
#include "framework/StandardProps.h"

#include <QChildEvent>
#include <QMouseEvent>

namespace e3 {

const fw::TEnumType ScrollStyleType {"TScrollStyle", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}};

class ScrollBoxContent : public OwnedWidget<QWidget, Te3CustomScrollBox> {
public:
    explicit ScrollBoxContent(Te3CustomScrollBox* owner)
        : OwnedWidget(owner)
    {
        setAutoFillBackground(true);
    }

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

    // Presses on the empty area are the box's own; they go no further.
    void mousePressEvent(QMouseEvent* e) override { e->accept(); }
    void mouseReleaseEvent(QMouseEvent* e) override { e->accept(); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { e->accept(); }

private:
    void Changed()
    {
        if (owner_)
            fw::RunFromEventLoop([this] { owner_->UpdateExtent(); });
    }
};

const fw::TClassInfo& Te3CustomScrollBox::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomScrollBox", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomScrollBox::Te3CustomScrollBox(fw::TComponent* owner)
    : fw::TWinControl(owner)
    , area_(new QScrollArea)
    , content_(new ScrollBoxContent(this))
{
    area_->setWidgetResizable(false);
    area_->setWidget(content_);
    SetWidget(area_);
    fw::InstallInputBridge(this, content_);
    ApplyBorder();
    SetBounds(0, 0, 185, 41);
}

Te3CustomScrollBox::~Te3CustomScrollBox()
{
    content_->Disown();
}

bool Te3CustomScrollBox::IsTranslatable(const std::string& propName) const
{
    return WordListContains("HINT", propName);
}

const fw::TClassInfo& Te3CustomScrollBox::GetLanguageClass() const
{
    return Te3ScrollBox::StaticClass();
}

void Te3CustomScrollBox::SetEnabled(bool value)
{
    cascade_.SetEnabled(*this, value, [this](bool v) { fw::TWinControl::SetEnabled(v); });
}

void Te3CustomScrollBox::SetLockedEdit(bool value)
{
    cascade_.SetLockedEdit(*this, value);
}

QWidget* Te3CustomScrollBox::ClientWidget() const
{
    return content_;
}

int Te3CustomScrollBox::FrameWidth() const
{
    if (borderStyle_ != bsSingle)
        return 0;
    return GetCtl3D() ? 2 : 1;
}

int32_t Te3CustomScrollBox::ClientWidth() const
{
    return std::max(0, GetWidth() - 2 * FrameWidth());
}

int32_t Te3CustomScrollBox::ClientHeight() const
{
    return std::max(0, GetHeight() - 2 * FrameWidth());
}

void Te3CustomScrollBox::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    fw::TWinControl::SetBounds(left, top, width, height);
    UpdateExtent();
}

QSize Te3CustomScrollBox::ChildExtent() const
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

void Te3CustomScrollBox::UpdateExtent()
{
    QSize size(ClientWidth(), ClientHeight());
    if (autoScroll_)
        size = size.expandedTo(ChildExtent());
    if (content_->size() != size)
        content_->resize(size);
}

void Te3CustomScrollBox::AdjustAutoSize()
{
    const QSize extent = ChildExtent();
    SetBounds(GetLeft(), GetTop(), extent.width() + 2 * FrameWidth(), extent.height() + 2 * FrameWidth());
}

void Te3CustomScrollBox::ApplyBorder()
{
    if (borderStyle_ != bsSingle) {
        area_->setFrameStyle(QFrame::NoFrame);
    } else if (GetCtl3D()) {
        area_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        area_->setLineWidth(2);
    } else {
        area_->setFrameStyle(QFrame::Box | QFrame::Plain);
        area_->setLineWidth(1);
    }
    UpdateExtent();
}

void Te3CustomScrollBox::SetAutoScroll(bool value)
{
    autoScroll_ = value;
    UpdateExtent();
}

void Te3CustomScrollBox::SetBorderStyle(TEditBorderStyle value)
{
    borderStyle_ = value;
    ApplyBorder();
}

void Te3CustomScrollBox::SetScrollBars(TScrollStyle value)
{
    // Both bars start automatic; only a different value takes them out of it.
    if (value == scrollBars_)
        return;
    scrollBars_ = value;
    const auto policy = [](bool shown) { return shown ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff; };
    area_->setHorizontalScrollBarPolicy(policy(value == ssHorizontal || value == ssBoth));
    area_->setVerticalScrollBarPolicy(policy(value == ssVertical || value == ssBoth));
}

void Te3CustomScrollBox::SetFocus()
{
    area_->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3ScrollBox::StaticClass()
{
    using C = Te3ScrollBox;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3ScrollBox",
        &Te3CustomScrollBox::StaticClass(),
        {
            fw::prop::Boolean("AutoScroll", &C::GetAutoScroll, &C::SetAutoScroll),
            sp::Color(),
            sp::Enabled(),
            fw::prop::Boolean("Ctl3D", &C::GetCtl3D, &C::SetCtl3D),
            sp::Font(),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
        },
        fw::MakeFactory<Te3ScrollBox>(),
    };
    return info;
}

const fw::TClassInfo& Te3_ScrollBox::StaticClass()
{
    using C = Te3_ScrollBox;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_ScrollBox",
        &Te3ScrollBox::StaticClass(),
        sp::Join({
            sp::Align(),
            sp::Anchors(),
            sp::Constraints(),
            sp::Parent(),
            sp::ParentColor(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::ShowHint(),
            sp::BiDiMode(),
            sp::DragCursor(),
            sp::BevelEdges(),
            sp::BevelInner(),
            sp::BevelOuter(),
            sp::BevelKind(),
            sp::BevelWidth(),
            sp::DragKind(),
            sp::DragMode(),
            sp::ParentBiDiMode(),
            sp::ParentCtl3D(),
            sp::PopupMenu(),
            sp::DockSite(),
            sp::UseDockManager(),
            sp::AutoSize(),
            fw::prop::Enum("BorderStyle", EditBorderStyleType, &C::GetBorderStyle, &C::SetBorderStyle),
            fw::prop::Enum("ScrollBars", ScrollStyleType, &C::GetScrollBars, &C::SetScrollBars),
            fw::prop::Boolean("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
            fw::prop::BoolAction("_SetFocus", &C::SetFocus),
            fw::prop::Boolean("Enabling", &C::GetEnabling, nullptr),
            sp::OnClick(),
            sp::OnDblClick(),
            sp::OnEnter(),
            sp::OnExit(),
            sp::OnMouseDown(),
            sp::OnMouseMove(),
            sp::OnMouseUp(),
            sp::OnResize(),
            sp::OnContextPopup(),
            sp::OnDragDrop(),
            sp::OnDragOver(),
            sp::OnEndDock(),
            sp::OnEndDrag(),
            sp::OnStartDock(),
            sp::OnStartDrag(),
        }, sp::ScrollingContainerEvents()),
        fw::MakeFactory<Te3_ScrollBox>(),
    };
    return info;
}

} // namespace e3
