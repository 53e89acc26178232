#include "e3/splitter/SplitterPanel.h"

#include "framework/StandardProps.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace e3 {

const fw::TEnumType SplitterStyleType {"TSplitterStyle", {"stNone", "stVertical", "stHorizontal"}};

std::array<QRect, 3> SplitterDots(TSplitterStyle style, int width, int height)
{
    const int cx = width / 2;
    const int cy = height / 2;
    const auto rect = [](int l, int t, int r, int b) { return QRect(QPoint(l, t), QPoint(r - 1, b - 1)); };
    switch (style) {
    case TSplitterStyle::stVertical:
        return {rect(cx - 1, cy - 4, cx + 1, cy - 2), rect(cx - 1, cy - 1, cx + 1, cy + 1),
                rect(cx - 1, cy + 2, cx + 1, cy + 4)};
    case TSplitterStyle::stHorizontal:
        return {rect(cx - 4, cy - 1, cx - 2, cy + 1), rect(cx - 1, cy - 1, cx + 1, cy + 1),
                rect(cx + 2, cy - 1, cx + 4, cy + 1)};
    case TSplitterStyle::stNone:
        break;
    }
    return {};
}

// ---------------------------------------------------------------------------

class TDotRxSplitter::BarWidget : public QWidget {
public:
    explicit BarWidget(TDotRxSplitter* owner)
        : owner_(owner)
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Button));
        const TSplitterStyle style = owner_->PanelStyle();
        if (style == TSplitterStyle::stNone)
            return;
        for (const QRect& dot : SplitterDots(style, width(), height()))
            painter.fillRect(dot, palette().color(QPalette::Dark));
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton)
            return;
        dragging_ = true;
        pressAt_ = event->globalPosition().toPoint();
        owner_->BeginDrag();
    }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (!dragging_)
            return;
        const QPoint moved = event->globalPosition().toPoint() - pressAt_;
        owner_->DragBy(owner_->PanelStyle() == TSplitterStyle::stHorizontal ? moved.y() : moved.x());
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            dragging_ = false;
    }

private:
    TDotRxSplitter* owner_;
    bool dragging_ = false;
    QPoint pressAt_;
};

const fw::TClassInfo& TDotRxSplitter::StaticClass()
{
    static const fw::TClassInfo info {"TDotRxSplitter", &fw::TWinControl::StaticClass(), {}};
    return info;
}

TDotRxSplitter::TDotRxSplitter(fw::TComponent* owner)
    : fw::TWinControl(owner)
{
    SetWidget(new BarWidget(this));
    SetCtl3D(false);
}

TSplitterStyle TDotRxSplitter::PanelStyle() const
{
    const auto* panel = dynamic_cast<const Te3CustomSplitterPanel*>(Parent());
    return panel ? panel->GetSplitterStyle() : TSplitterStyle::stNone;
}

void TDotRxSplitter::BeginDrag()
{
    fw::TControl* first = first_.get();
    if (!first)
        return;
    dragStartSize_ = PanelStyle() == TSplitterStyle::stHorizontal ? first->GetHeight() : first->GetWidth();
}

void TDotRxSplitter::DragBy(int delta)
{
    fw::TControl* first = first_.get();
    fw::TWinControl* panel = Parent();
    const TSplitterStyle style = PanelStyle();
    if (!first || !panel || style == TSplitterStyle::stNone)
        return;
    const bool vertical = style == TSplitterStyle::stVertical;
    const int room = vertical ? panel->ClientWidth() : panel->ClientHeight();
    const int bar = vertical ? GetWidth() : GetHeight();
    const int lowest = topLeftLimit_;
    const int highest = std::max(lowest, room - bottomRightLimit_ - bar);
    const int size = std::clamp(dragStartSize_ + delta, lowest, highest);
    if (vertical)
        first->SetWidth(size);
    else
        first->SetHeight(size);
    panel->AlignControls();
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CustomSplitterPanel::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomSplitterPanel", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomSplitterPanel::Te3CustomSplitterPanel(fw::TComponent* owner)
    : Te3Control(owner, {kCaptionHintWords, &Te3SplitterPanel::StaticClass}, EnabledRule::plain)
    , splitter_(new TDotRxSplitter(this))
{
    auto* widget = new QWidget;
    widget->setAutoFillBackground(true);
    SetWidget(widget);
    SetCtl3D(false);
    SetBounds(0, 0, 185, 41);
    splitter_->SetParent(this);
    splitter_->SetVisible(false);
    splitter_->SetAlign(fw::alTop);
}

void Te3CustomSplitterPanel::SetText(const std::string& text)
{
    fw::TWinControl::SetText(text);
}

void Te3CustomSplitterPanel::SetBorderWidth(int32_t value)
{
    borderWidth_ = std::max(0, value);
}

void Te3CustomSplitterPanel::SetSplitterStyle(TSplitterStyle value)
{
    style_ = value;
    ApplyStyle();
}

void Te3CustomSplitterPanel::SetSplitterThickNess(int32_t value)
{
    thickness_ = value;
    ApplyStyle();
}

void Te3CustomSplitterPanel::SetControlFirst(fw::TControl* value)
{
    if (!value) {
        splitter_->SetControlFirst(nullptr);
        return;
    }
    if (value->Parent() == this && value != splitter_)
        splitter_->SetControlFirst(value);
    ApplyStyle();
}

void Te3CustomSplitterPanel::SetControlSecond(fw::TControl* value)
{
    if (!value) {
        splitter_->SetControlSecond(nullptr);
        return;
    }
    if (value->Parent() == this && value != splitter_)
        splitter_->SetControlSecond(value);
    ApplyStyle();
}

void Te3CustomSplitterPanel::ApplyStyle()
{
    splitter_->SetVisible(false);
    fw::TControl* first = splitter_->ControlFirst();
    fw::TControl* second = splitter_->ControlSecond();
    if (style_ == TSplitterStyle::stNone || !first || !second)
        return;
    try {
        // Placed far right and below first, the bar comes after the first
        // control once the alignment puts it on the same side.
        splitter_->SetAlign(fw::alNone);
        splitter_->SetBounds(1000, 1000, splitter_->GetWidth(), splitter_->GetHeight());
        if (style_ == TSplitterStyle::stVertical) {
            first->SetAlign(fw::alLeft);
            splitter_->SetAlign(first->GetAlign());
            second->SetAlign(fw::alClient);
            splitter_->SetVisible(true);
            splitter_->Widget()->setCursor(Qt::SizeHorCursor);
            splitter_->SetWidth(thickness_);
        } else {
            first->SetAlign(fw::alTop);
            splitter_->SetAlign(first->GetAlign());
            splitter_->Widget()->setCursor(Qt::SizeVerCursor);
            second->SetAlign(fw::alClient);
            splitter_->SetVisible(true);
            splitter_->SetHeight(thickness_);
        }
        AlignControls();
    } catch (const std::exception&) {
        // A style that cannot be applied leaves the controls as they are.
    }
}

void Te3CustomSplitterPanel::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    fw::TWinControl::SetBounds(left, top, width, height);
    KeepWithinLimits();
}

void Te3CustomSplitterPanel::KeepWithinLimits()
{
    fw::TControl* first = splitter_->ControlFirst();
    if (!first || !splitter_->ControlSecond())
        return;
    const bool vertical = style_ == TSplitterStyle::stVertical && first->GetAlign() == fw::alLeft;
    const bool horizontal = style_ == TSplitterStyle::stHorizontal && first->GetAlign() == fw::alTop;
    if (!vertical && !horizontal)
        return;
    const int32_t size = vertical ? first->GetWidth() : first->GetHeight();
    const int32_t lo = GetTopLeftLimit() - borderWidth_;
    const int32_t hi = (vertical ? GetWidth() : GetHeight()) - GetBottomRightLimit() - borderWidth_ - thickness_;
    int32_t wanted = size;
    if (size <= lo)
        wanted = lo;
    else if (size > hi)
        wanted = std::max(hi, lo);
    if (wanted == size)
        return;
    if (vertical)
        first->SetWidth(wanted);
    else
        first->SetHeight(wanted);
    AlignControls();
}

void Te3CustomSplitterPanel::FocusPanel()
{
    if (QWidget* widget = Widget())
        widget->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3SplitterPanel::StaticClass()
{
    using C = Te3SplitterPanel;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3SplitterPanel",
        &Te3CustomSplitterPanel::StaticClass(),
        fw::TRows<Te3SplitterPanel> {
            fw::prop::Object("ControlFirst", fw::TControl::StaticClass(), &C::GetControlFirst, &C::SetControlFirst),
            fw::prop::Object("ControlSecond", fw::TControl::StaticClass(), &C::GetControlSecond,
                             &C::SetControlSecond),
            fw::prop::Integer("SplitterThickNess", &C::GetSplitterThickNess, &C::SetSplitterThickNess),
            fw::prop::Enum("SplitterStyle", SplitterStyleType, &C::GetSplitterStyle, &C::SetSplitterStyle),
            fw::prop::Integer("TopLeftLimit", &C::GetTopLeftLimit, &C::SetTopLeftLimit),
            fw::prop::Integer("BottomRightLimit", &C::GetBottomRightLimit, &C::SetBottomRightLimit),
            sp::Caption(),
            sp::Color(),
            sp::Enabled(),
            fw::prop::Boolean("FullRepaint", &C::GetFullRepaint, &C::SetFullRepaint),
            sp::Font(),
            fw::prop::Boolean("Locked", &C::GetLocked, &C::SetLocked),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
        },
        fw::MakeFactory<Te3SplitterPanel>(),
    };
    return info;
}

const fw::TClassInfo& Te3_SplitterPanel::StaticClass()
{
    using C = Te3_SplitterPanel;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_SplitterPanel",
        &Te3SplitterPanel::StaticClass(),
        fw::TRows<Te3_SplitterPanel> {
            fw::prop::BoolAction("_SetFocus", &C::FocusPanel),
            sp::Align(),
            fw::prop::Enum("Alignment", PanelAlignmentType, &C::GetAlignment, &C::SetAlignment),
            sp::Anchors(),
            sp::BevelInner(),
            sp::BevelOuter(),
            sp::BevelWidth(),
            sp::BiDiMode(),
            fw::prop::Integer("BorderWidth", &C::GetBorderWidth, &C::SetBorderWidth),
            fw::prop::Enum("BorderStyle", PanelBorderStyleType, &C::GetBorderStyle, &C::SetBorderStyle),
            sp::Constraints(),
            sp::Ctl3D(),
            sp::UseDockManager(),
            sp::DockSite(),
            sp::DragCursor(),
            sp::DragKind(),
            sp::DragMode(),
            sp::ImeMode(),
            sp::Parent(),
            sp::ParentBiDiMode(),
            sp::ParentBackground(),
            sp::ParentColor(),
            sp::ParentCtl3D(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::PopupMenu(),
            sp::ShowHint(),
            sp::ResizeQuestions(),
            sp::OnClick(),
            sp::OnContextPopup(),
            sp::DockSiteEvents(),
            sp::OnDblClick(),
            sp::DragEvents(),
            sp::DockEvents(),
            sp::FocusEvents(),
            sp::MouseEvents(),
            sp::OnResize(),
        },
        fw::MakeFactory<Te3_SplitterPanel>(),
    };
    return info;
}

} // namespace e3
