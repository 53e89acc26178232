#include "e3/display/Image.h"

#include "framework/StandardProps.h"

#include <QPainter>

namespace e3 {

const fw::TClassInfo& TPicture::StaticClass()
{
    static const fw::TClassInfo info {"TPicture", &fw::TPersistent::StaticClass(), {}};
    return info;
}

void TPicture::SetImage(const QImage& image)
{
    image_ = image;
    if (OnChange)
        OnChange();
}

QRect PictureDestRect(int pictureWidth, int pictureHeight, int clientWidth, int clientHeight, bool stretch,
                      bool proportional, bool center)
{
    int w = pictureWidth, h = pictureHeight;
    if (stretch || (proportional && (w > clientWidth || h > clientHeight))) {
        if (proportional && w > 0 && h > 0) {
            const double aspect = static_cast<double>(w) / h;
            if (w > h) {
                w = clientWidth;
                h = static_cast<int>(clientWidth / aspect);
                if (h > clientHeight) {
                    h = clientHeight;
                    w = static_cast<int>(clientHeight * aspect);
                }
            } else {
                h = clientHeight;
                w = static_cast<int>(clientHeight * aspect);
                if (w > clientWidth) {
                    w = clientWidth;
                    h = static_cast<int>(clientWidth / aspect);
                }
            }
        } else {
            w = clientWidth;
            h = clientHeight;
        }
    }
    int x = 0, y = 0;
    if (center) {
        x = (clientWidth - w) / 2;
        y = (clientHeight - h) / 2;
    }
    return QRect(x, y, w, h);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CustomImage::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomImage", &TGraphicControl::StaticClass(), {}};
    return info;
}

Te3CustomImage::Te3CustomImage(fw::TComponent* owner)
    : Te3Control(owner, {kHintWords, &Te3Image::StaticClass}, EnabledRule::plain)
    , picture_(std::make_unique<TPicture>())
{
    picture_->OnChange = [this] { PictureChanged(); };
    SetBounds(0, 0, 105, 105);
}

Te3CustomImage::~Te3CustomImage()
{
    picture_->OnChange = nullptr;
}

void Te3CustomImage::SetPicture(TPicture* value)
{
    if (value)
        picture_->Assign(*value);
    else
        picture_->SetImage(QImage());
}

void Te3CustomImage::SetCenter(bool value)
{
    center_ = value;
    Invalidate();
}

void Te3CustomImage::SetStretch(bool value)
{
    stretch_ = value;
    Invalidate();
}

void Te3CustomImage::SetProportional(bool value)
{
    proportional_ = value;
    Invalidate();
}

void Te3CustomImage::SetTransparent(bool value)
{
    if (value == transparent_)
        return;
    transparent_ = value;
    PrepareShown();
    Invalidate();
}

void Te3CustomImage::PictureChanged()
{
    PrepareShown();
    if (GetAutoSize() && !picture_->Empty() && !HasState(fw::csLoading))
        AdjustAutoSize();
    Invalidate();
}

// A transparent bitmap leaves out every pixel of the colour of its bottom-left
// corner; pictures with an alpha channel keep their own.
void Te3CustomImage::PrepareShown()
{
    const QImage& image = picture_->Image();
    if (!transparent_ || image.isNull() || image.hasAlphaChannel()) {
        shown_ = image;
        return;
    }
    shown_ = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = shown_.pixel(0, shown_.height() - 1);
    for (int y = 0; y < shown_.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(shown_.scanLine(y));
        for (int x = 0; x < shown_.width(); ++x)
            if (line[x] == key)
                line[x] = 0;
    }
}

QRect Te3CustomImage::DestRect() const
{
    return PictureDestRect(picture_->Width(), picture_->Height(), ClientWidth(), ClientHeight(), stretch_,
                           proportional_, center_);
}

void Te3CustomImage::Paint(QPainter& painter)
{
    if (Designing()) {
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(0, 0, GetWidth() - 1, GetHeight() - 1);
    }
    if (shown_.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, stretch_ || proportional_);
    painter.drawImage(DestRect(), shown_);
}

void Te3CustomImage::AdjustAutoSize()
{
    if (!picture_->Empty())
        SetBounds(GetLeft(), GetTop(), picture_->Width(), picture_->Height());
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3Image::StaticClass()
{
    using C = Te3Image;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3Image",
        &Te3CustomImage::StaticClass(),
        fw::TRows<Te3Image> {
            fw::prop::Boolean("Center", &C::GetCenter, &C::SetCenter),
            sp::Enabled(),
            fw::prop::Boolean("IncrementalDisplay", &C::GetIncrementalDisplay, &C::SetIncrementalDisplay),
            fw::prop::Object("Picture", TPicture::StaticClass(), &C::GetPicture, &C::SetPicture),
            fw::prop::Boolean("Proportional", &C::GetProportional, &C::SetProportional),
            fw::prop::Boolean("Stretch", &C::GetStretch, &C::SetStretch),
            fw::prop::Boolean("Transparent", &C::GetTransparent, &C::SetTransparent),
            sp::Visible(),
        },
    };
    return info;
}

const fw::TClassInfo& Te3_Image::StaticClass()
{
    using C = Te3_Image;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_Image",
        &Te3Image::StaticClass(),
        fw::TRows<Te3_Image> {
            sp::Align(),
            sp::Anchors(),
            sp::AutoSize(),
            sp::Constraints(),
            sp::Parent(),
            sp::ParentShowHint(),
            sp::ShowHint(),
            sp::DragCursor(),
            sp::DragKind(),
            sp::DragMode(),
            sp::PopupMenu(),
            sp::OnClick(),
            fw::prop::Event("OnContextPopup", fw::ContextPopupEventType, &C::OnContextPopup),
            sp::OnDblClick(),
            sp::MouseEvents(),
            fw::prop::Event("OnProgress", fw::ProgressEventType, &C::OnProgress),
            sp::DragEvents(),
            sp::DockEvents(),
        },
        fw::MakeFactory<Te3_Image>(),
    };
    return info;
}

} // namespace e3
