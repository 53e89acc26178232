#include "e3/display/Label.h"

#include "e3/common/EditChars.h"
#include "framework/StandardProps.h"

#include <QFontMetrics>
#include <QPainter>

#include <vector>

namespace e3 {

const fw::TEnumType TextLayoutType {"TTextLayout", {"tlTop", "tlCenter", "tlBottom"}};

namespace {

constexpr int ShortenMargin = 4;
const char* const Ellipsis = "...";

// Where the removed characters begin after k removals (they are always one
// run): index k holds the start of the run for k characters removed.
std::vector<size_t> RemovedRunStarts(size_t length, TAlignment deleteAlign)
{
    std::vector<size_t> starts(length + 1, 0);
    size_t start = 0;
    for (size_t k = 1; k <= length; ++k) {
        const size_t current = length - (k - 1);
        size_t at = 0;
        switch (deleteAlign) {
        case taLeftJustify: at = 0; break;
        case taRightJustify: at = current - 1; break;
        case taCenter: at = current / 2; break;
        }
        // In the current text the run sits between index start-1 and start;
        // a removal just before it moves its start, one just after it does not.
        if (k == 1 || at < start)
            start = at;
        starts[k] = start;
    }
    return starts;
}

} // namespace

std::string ShortenText(const std::string& text, int width, TAlignment deleteAlign,
                        const std::function<int(const std::string&)>& textWidth)
{
    if (text.empty() || textWidth(text) <= width - ShortenMargin)
        return text;
    const std::u32string chars = DecodeUtf8(text);
    const size_t n = chars.size();
    const std::vector<size_t> starts = RemovedRunStarts(n, deleteAlign);
    auto remaining = [&](size_t k) {
        std::u32string rest = chars.substr(0, starts[k]);
        rest += chars.substr(starts[k] + k);
        return EncodeUtf8(rest);
    };
    const int limit = width - (textWidth(Ellipsis) + ShortenMargin);
    // The fewest removals after which the rest fits; narrower with every
    // removal, so a binary search finds what removing one by one would.
    size_t low = 1, high = n;
    while (low < high) {
        const size_t mid = low + (high - low) / 2;
        if (textWidth(remaining(mid)) <= limit)
            high = mid;
        else
            low = mid + 1;
    }
    const size_t k = low;
    if (k >= n)
        return std::string();
    std::u32string shown = chars.substr(0, starts[k]);
    shown += DecodeUtf8(Ellipsis);
    shown += chars.substr(starts[k] + k);
    return EncodeUtf8(shown);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CustomLabel::StaticClass()
{
    using C = Te3CustomLabel;
    static const fw::TClassInfo info {
        "Te3CustomLabel",
        &TGraphicControl::StaticClass(),
        fw::TRows<Te3CustomLabel> {
            fw::prop::Enum("DeleteAlign", AlignmentType, &C::GetDeleteAlign, &C::SetDeleteAlign),
            fw::prop::Boolean("Scale", &C::GetScale, &C::SetScale),
        },
    };
    return info;
}

Te3CustomLabel::Te3CustomLabel(fw::TComponent* owner)
    : TGraphicControl(owner)
{
    SetBounds(0, 0, 120, 16);
}

void Te3CustomLabel::SetDeleteAlign(TAlignment value)
{
    deleteAlign_ = value;
    Invalidate();
}

void Te3CustomLabel::SetScale(bool value)
{
    scale_ = value;
    Invalidate();
}

void Te3CustomLabel::SetAlignment(TAlignment value)
{
    alignment_ = value;
    Invalidate();
}

void Te3CustomLabel::SetLayout(TTextLayout value)
{
    layout_ = value;
    Invalidate();
}

void Te3CustomLabel::SetWordWrap(bool value)
{
    if (value == wordWrap_)
        return;
    wordWrap_ = value;
    TextChanged();
}

void Te3CustomLabel::SetTransparent(bool value)
{
    transparent_ = value;
    Invalidate();
}

void Te3CustomLabel::SetShowAccelChar(bool value)
{
    if (value == showAccelChar_)
        return;
    showAccelChar_ = value;
    TextChanged();
}

std::string Te3CustomLabel::ShownText() const
{
    const std::string text = GetText();
    if (!scale_ || wordWrap_ || GetAutoSize() || GetWidth() <= 0)
        return text;
    const QFontMetrics metrics(GetFont()->ToQFont());
    return ShortenText(text, GetWidth(), deleteAlign_, [&metrics](const std::string& t) {
        return metrics.horizontalAdvance(QString::fromStdString(t));
    });
}

int Te3CustomLabel::DrawFlags() const
{
    int flags = 0;
    switch (alignment_) {
    case taLeftJustify: flags |= Qt::AlignLeft; break;
    case taRightJustify: flags |= Qt::AlignRight; break;
    case taCenter: flags |= Qt::AlignHCenter; break;
    }
    switch (layout_) {
    case tlTop: flags |= Qt::AlignTop; break;
    case tlCenter: flags |= Qt::AlignVCenter; break;
    case tlBottom: flags |= Qt::AlignBottom; break;
    }
    if (wordWrap_)
        flags |= Qt::TextWordWrap;
    if (showAccelChar_)
        flags |= Qt::TextShowMnemonic;
    return flags;
}

void Te3CustomLabel::Paint(QPainter& painter)
{
    const QRect area(0, 0, GetWidth(), GetHeight());
    if (!transparent_)
        painter.fillRect(area, fw::ToQColor(GetColor()));
    painter.setFont(GetFont()->ToQFont());
    const QString text = QString::fromStdString(ShownText());
    const int flags = DrawFlags();
    if (GetEnabled()) {
        painter.setPen(fw::ToQColor(GetFont()->GetColor()));
        painter.drawText(area, flags, text);
        return;
    }
    // Disabled text is embossed: a light copy one pixel down and right, the
    // shadow colour on top.
    painter.setPen(fw::ToQColor(fw::clBtnHighlight));
    painter.drawText(area.translated(1, 1), flags, text);
    painter.setPen(fw::ToQColor(fw::clBtnShadow));
    painter.drawText(area, flags, text);
}

void Te3CustomLabel::AdjustAutoSize()
{
    const QFontMetrics metrics(GetFont()->ToQFont());
    QString text = QString::fromStdString(GetText());
    // An empty caption, or a lone accelerator mark, is measured with one
    // blank more, so that the label keeps a place that can be seen and clicked.
    if (text.isEmpty() || (showAccelChar_ && text == QStringLiteral("&")))
        text += QLatin1Char(' ');
    int flags = DrawFlags() & ~(Qt::AlignHorizontal_Mask | Qt::AlignVertical_Mask);
    QRect bounds;
    if (wordWrap_)
        bounds = metrics.boundingRect(QRect(0, 0, GetWidth(), 1 << 20), flags | Qt::AlignLeft | Qt::AlignTop, text);
    else
        bounds = metrics.boundingRect(QRect(0, 0, 1 << 20, 1 << 20), flags | Qt::AlignLeft | Qt::AlignTop, text);
    const int width = wordWrap_ ? GetWidth() : bounds.width();
    SetBounds(GetLeft(), GetTop(), width, bounds.height());
}

void Te3CustomLabel::TextChanged()
{
    if (GetAutoSize() && !HasState(fw::csLoading))
        AdjustAutoSize();
    UpdateAccelerator();
    Invalidate();
}

void Te3CustomLabel::SetFocusControl(fw::TComponent* control)
{
    focusControl_ = fw::Guard<fw::TComponent>(dynamic_cast<fw::TWinControl*>(control));
    UpdateAccelerator();
}

// The accelerator lives on the label's own window, so it is active while the
// label shows in the active form and goes with the label.
void Te3CustomLabel::UpdateAccelerator()
{
    QWidget* const widget = Widget();
    const QKeySequence key = showAccelChar_ && focusControl_ && widget
                                 ? QKeySequence::mnemonic(QString::fromStdString(GetText()))
                                 : QKeySequence();
    if (key.isEmpty()) {
        delete accelerator_.data();
        return;
    }
    if (!accelerator_) {
        accelerator_ = new QShortcut(widget);
        fw::Guard<Te3CustomLabel> self(this);
        QObject::connect(accelerator_.data(), &QShortcut::activated, [self] {
            if (self)
                self->FocusTarget();
        });
    }
    accelerator_->setKey(key);
}

void Te3CustomLabel::FocusTarget()
{
    auto* target = dynamic_cast<fw::TWinControl*>(focusControl_.get());
    QWidget* const widget = target ? target->Widget() : nullptr;
    if (!GetEnabled() || !widget || !widget->isVisible() || !widget->isEnabled())
        return;
    widget->setFocus(Qt::ShortcutFocusReason);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3Label::StaticClass()
{
    using C = Te3Label;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3Label",
        &Te3CustomLabel::StaticClass(),
        fw::TRows<Te3Label> {
            sp::Caption(),
            sp::Color(),
            sp::Font(),
            fw::prop::Boolean("Transparent", &C::GetTransparent, &C::SetTransparent),
            sp::Visible(),
            fw::prop::Boolean("WordWrap", &C::GetWordWrap, &C::SetWordWrap),
        },
    };
    return info;
}

Te3Label::Te3Label(fw::TComponent* owner)
    : Te3Control(owner, {kCaptionHintWords, &Te3Label::StaticClass})
{
}

void Te3Label::SetText(const std::string& text)
{
    if (text == text_)
        return;
    text_ = text;
    TextChanged();
}

// ---------------------------------------------------------------------------

fw::TRows<Te3CustomLabel> LabelEngineProperties()
{
    using C = Te3CustomLabel;
    namespace sp = fw::std_props;
    return fw::TRows<Te3CustomLabel> {
        sp::Align(),
        fw::prop::Enum("Alignment", AlignmentType, &C::GetAlignment, &C::SetAlignment),
        sp::Anchors(),
        sp::AutoSize(),
        sp::Constraints(),
        sp::Enabled(),
        sp::Parent(),
        sp::ParentColor(),
        sp::ParentFont(),
        sp::ParentShowHint(),
        fw::prop::Boolean("ShowAccelChar", &C::GetShowAccelChar, &C::SetShowAccelChar),
        fw::prop::Object("FocusControl", fw::TWinControl::StaticClass(), &C::GetFocusControl, &C::SetFocusControl),
        sp::ShowHint(),
        sp::BiDiMode(),
        sp::DragCursor(),
        sp::DragKind(),
        sp::DragMode(),
        sp::ParentBiDiMode(),
        sp::PopupMenu(),
        fw::prop::Enum("Layout", TextLayoutType, &C::GetLayout, &C::SetLayout),
        fw::prop::Enum("LabelLayout", TextLayoutType, &C::GetLayout, &C::SetLayout),
        sp::OnClick(),
        sp::OnDblClick(),
        sp::MouseEvents(),
        fw::prop::Event("OnMouseEnter", fw::NotifyEventType, &C::OnMouseEnter),
        fw::prop::Event("OnMouseLeave", fw::NotifyEventType, &C::OnMouseLeave),
        sp::OnContextPopup(),
        sp::DragEvents(),
        sp::DockEvents(),
    };
}

const fw::TClassInfo& Te3_Label::StaticClass()
{
    static const fw::TClassInfo info {"Te3_Label", &Te3Label::StaticClass(), LabelEngineProperties(),
                                      fw::MakeFactory<Te3_Label>()};
    return info;
}

} // namespace e3
