#include "e3/common/EngineImages.h"

namespace e3 {

namespace {
EngineImageSource& Source()
{
    static EngineImageSource source;
    return source;
}
} // namespace

const fw::TClassInfo& TBitmap::StaticClass()
{
    static const fw::TClassInfo info {"TBitmap", &fw::TPersistent::StaticClass(), {}};
    return info;
}

void TBitmap::Assign(const QImage& image)
{
    image_ = image;
    fixedKey_ = false;
    Changed();
}

void TBitmap::SetTransparent(bool value)
{
    if (value == transparent_)
        return;
    transparent_ = value;
    Changed();
}

void TBitmap::SetTransparentColor(QRgb color)
{
    fixedKey_ = true;
    key_ = color | 0xFF000000u;
    Changed();
}

QImage TBitmap::DrawnImage() const
{
    if (!transparent_ || image_.isNull() || image_.hasAlphaChannel())
        return image_;
    QImage out = image_.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = fixedKey_ ? key_ : out.pixel(0, out.height() - 1) | 0xFF000000u;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] | 0xFF000000u) == key)
                line[x] = 0;
    }
    return out;
}

void TBitmap::Changed()
{
    if (OnChange)
        OnChange();
}

void SetEngineImageSource(EngineImageSource source)
{
    Source() = std::move(source);
}

QImage EngineImage(const std::string& name)
{
    return Source() ? Source()(name) : QImage();
}

} // namespace e3
