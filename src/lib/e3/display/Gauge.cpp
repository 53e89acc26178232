#include "e3/display/Gauge.h"

#include "framework/StandardProps.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <limits>

namespace e3 {

namespace {

// The frame line and the gap inside it, left and right of the boxes; the
// height adds the same at the top and bottom.
constexpr int FrameWidth = 3;
constexpr int FrameHeight = 4;
constexpr int InnerLeft = 1;
constexpr int InnerTop = 1;

int32_t WidthForBoxes(int32_t boxWidth, int32_t boxCount)
{
    const int64_t width = int64_t {boxWidth} * boxCount + FrameWidth;
    return static_cast<int32_t>(std::min<int64_t>(width, std::numeric_limits<int32_t>::max()));
}

} // namespace

GaugeFill ComputeGaugeFill(int32_t progress, int32_t minValue, int32_t maxValue, int32_t boxCount)
{
    GaugeFill fill;
    int64_t done = int64_t {progress} - minValue;
    int64_t range = int64_t {maxValue} - minValue;
    if (range < 0) {
        done = -done;
        range = -range;
    }
    // Whole numbers throughout, so that 29 of 100 shows 29 % and not 28 %.
    if (range != 0) {
        done = std::clamp<int64_t>(done, 0, range);
        fill.percent = static_cast<double>(done) * 100.0 / static_cast<double>(range);
        fill.filledBoxes = static_cast<int>(std::max<int64_t>(0, done * std::max(boxCount, 0) / range));
        fill.text = std::to_string(done * 100 / range) + "%";
    } else {
        fill.text = "0%";
    }
    return fill;
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CustomGauge::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomGauge", &TGraphicControl::StaticClass(), {}};
    return info;
}

Te3CustomGauge::Te3CustomGauge(fw::TComponent* owner)
    : Te3Control(owner, {kHintWords, &Te3Gauge::StaticClass}, EnabledRule::plain)
    , textFont_(std::make_unique<fw::TFont>())
{
    textFont_->OnChange = [this] { Invalidate(); };
    SetBounds(0, 0, WidthForBoxes(boxWidth_, boxCount_), 24);
}

Te3CustomGauge::~Te3CustomGauge()
{
    textFont_->OnChange = nullptr;
}

void Te3CustomGauge::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    if (!HasState(fw::csLoading)) {
        int32_t inner = std::max(width - FrameWidth, boxWidth_);
        boxCount_ = inner / boxWidth_;
        if (GetAlign() == fw::alNone)
            inner = boxCount_ * boxWidth_;
        width = inner + FrameWidth;
        height = std::max(height - FrameHeight, 1) + FrameHeight;
    }
    TGraphicControl::SetBounds(left, top, width, height);
}

// The engine sets the progress while it works without returning to the event
// loop, so the new state is painted now, not when the loop next runs.
void Te3CustomGauge::Repaint()
{
    QWidget* w = Widget();
    if (w && w->isVisible())
        w->repaint();
    else
        Invalidate();
}

void Te3CustomGauge::SetMinValue(int32_t value)
{
    minValue_ = value;
    Repaint();
}

void Te3CustomGauge::SetMaxValue(int32_t value)
{
    maxValue_ = value;
    Repaint();
}

void Te3CustomGauge::SetProgress(int32_t value)
{
    if (value == progress_ || value < minValue_ || value > maxValue_)
        return;
    progress_ = value;
    Repaint();
}

void Te3CustomGauge::SetBevelStyle(TBevelStyle value)
{
    bevelStyle_ = value;
    SetBounds(GetLeft(), GetTop(), GetWidth(), GetHeight());
    Invalidate();
}

void Te3CustomGauge::SetBoxColor(fw::TColor value)
{
    boxColor_ = value;
    Invalidate();
}

void Te3CustomGauge::SetBoxCount(int32_t value)
{
    // Writing the count it already has changes nothing: descriptions and
    // replies repeat values.
    if (smooth_ || value == boxCount_)
        return;
    boxCount_ = std::max(value, 1);
    SetBounds(GetLeft(), GetTop(), WidthForBoxes(boxWidth_, boxCount_), GetHeight());
}

void Te3CustomGauge::SetBoxWidth(int32_t value)
{
    if (smooth_) {
        boxWidth_ = 1;
        boxCount_ = GetWidth();
        Invalidate();
        return;
    }
    if (value == boxWidth_)
        return;
    boxWidth_ = std::max(value, 1);
    SetBounds(GetLeft(), GetTop(), WidthForBoxes(boxWidth_, boxCount_), GetHeight());
}

void Te3CustomGauge::SetSmooth(bool value)
{
    smooth_ = value;
    if (value)
        SetBoxWidth(1);
    Invalidate();
}

void Te3CustomGauge::SetShowText(bool value)
{
    showText_ = value;
    Invalidate();
}

void Te3CustomGauge::SetTextFont(fw::TFont* value)
{
    if (value)
        textFont_->Assign(*value);
}

// Drawn off screen first and shown in one piece, so the boxes do not flicker
// while the engine drives the progress.
void Te3CustomGauge::Paint(QPainter& painter)
{
    const int w = GetWidth(), h = GetHeight();
    if (w <= 0 || h <= 0)
        return;
    QImage buffer(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&buffer);
    const QRect inside(InnerLeft, InnerTop, w - 2 * InnerLeft, h - 2 * InnerTop);
    p.fillRect(buffer.rect(), fw::ToQColor(GetColor()));

    const auto [topLeft, bottomRight] = BevelEdgeColors(bevelStyle_);
    p.setPen(fw::ToQColor(topLeft));
    p.drawLine(0, 0, w - 1, 0);
    p.drawLine(0, 0, 0, h - 1);
    p.setPen(fw::ToQColor(bottomRight));
    p.drawLine(0, h - 1, w - 1, h - 1);
    p.drawLine(w - 1, 0, w - 1, h - 1);

    const GaugeFill fill = Fill();
    const QColor boxColour = fw::ToQColor(GetEnabled() ? boxColor_ : fw::clInactiveCaption);
    const int boxWide = smooth_ ? 1 : boxWidth_ - 1;
    const int boxHigh = smooth_ ? h - 3 : h - FrameHeight;
    // Boxes past the right edge would not show; a huge count costs nothing.
    const int64_t visible = std::min<int64_t>(fill.filledBoxes, w / std::max(boxWidth_, 1) + 1);
    p.setClipRect(inside);
    for (int64_t i = 0; i < visible; ++i)
        p.fillRect(static_cast<int>(InnerLeft + 1 + i * boxWidth_), InnerTop + 1, boxWide, boxHigh, boxColour);

    if (showText_) {
        // The percentage reads in the font's colour over the empty part and in
        // the opposite colour over the filled boxes.
        const QFont font = textFont_->ToQFont();
        const QFontMetrics metrics(font);
        const QString text = QString::fromStdString(fill.text);
        const int tw = metrics.horizontalAdvance(text), th = metrics.height();
        const QRect textRect((w - tw + 1) / 2, (h - th + 1) / 2, tw, th);
        const int filledRight =
            static_cast<int>(std::min<int64_t>(InnerLeft + 1 + int64_t {fill.filledBoxes} * boxWidth_, w));
        const QColor textColour = fw::ToQColor(textFont_->GetColor());
        p.setFont(font);
        p.setClipRect(inside.intersected(QRect(filledRight, 0, w, h)));
        p.setPen(textColour);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignTop, text);
        p.setClipRect(inside.intersected(QRect(0, 0, filledRight, h)));
        p.setPen(InverseColor(textColour));
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignTop, text);
    }
    p.end();
    painter.drawImage(0, 0, buffer);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3Gauge::StaticClass()
{
    using C = Te3Gauge;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3Gauge",
        &Te3CustomGauge::StaticClass(),
        fw::TRows<Te3Gauge> {
            fw::prop::Integer("BoxColor", &C::GetBoxColor, &C::SetBoxColor),
            sp::Color(),
            fw::prop::Integer("MinValue", &C::GetMinValue, &C::SetMinValue),
            fw::prop::Integer("MaxValue", &C::GetMaxValue, &C::SetMaxValue),
            fw::prop::Integer("Progress", &C::GetProgress, &C::SetProgress),
            sp::Visible(),
            fw::prop::Boolean("Smooth", &C::GetSmooth, &C::SetSmooth),
            fw::prop::Object("TextFont", fw::TFont::StaticClass(), &C::GetTextFont, &C::SetTextFont),
            fw::prop::Boolean("ShowText", &C::GetShowText, &C::SetShowText),
        },
    };
    return info;
}

const fw::TClassInfo& Te3_Gauge::StaticClass()
{
    using C = Te3_Gauge;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_Gauge",
        &Te3Gauge::StaticClass(),
        fw::TRows<Te3_Gauge> {
            sp::Align(),
            fw::prop::Enum("BevelStyle", BevelStyleType, &C::GetBevelStyle, &C::SetBevelStyle),
            fw::prop::Integer("BoxCount", &C::GetBoxCount, &C::SetBoxCount),
            fw::prop::Integer("BoxWidth", &C::GetBoxWidth, &C::SetBoxWidth),
            sp::Enabled(),
            sp::Parent(),
            sp::ParentColor(),
            sp::ParentShowHint(),
            sp::ShowHint(),
            sp::PopupMenu(),
        },
        fw::MakeFactory<Te3_Gauge>(),
    };
    return info;
}

} // namespace e3
