#pragma once
// Pictures the engine names by image name. The control library cannot reach
// the client object, so the client installs the function that fetches a named
// picture (its cache, else the engine); controls that show such pictures take
// them through the two small interfaces below, which the form reader uses for
// the GLYPH and PICTURE steps of a property path.
#include "framework/Object.h"

#include <QImage>

#include <functional>
#include <string>

namespace e3 {

// The picture behind a published Glyph or Bitmap property.
class TBitmap : public fw::TPersistent {
    FW_CLASS()
public:
    const QImage& Image() const { return image_; }
    bool Empty() const { return image_.isNull(); }
    void Assign(const QImage& image);
    // A transparent bitmap without an alpha channel of its own shows through
    // wherever it has the colour of its bottom-left pixel.
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool value);
    // A fixed colour to key out instead of the bottom-left pixel's; a new
    // picture forgets it.
    void SetTransparentColor(QRgb color);
    // The picture as drawn: with the transparent colour keyed out.
    QImage DrawnImage() const;

    // Called after every change (the owner repaints).
    std::function<void()> OnChange;

private:
    void Changed();

    QImage image_;
    bool transparent_ = false;
    bool fixedKey_ = false;
    QRgb key_ = 0;
};

// A control whose glyph the engine sets by image name.
class IGlyphHolder {
public:
    virtual ~IGlyphHolder() = default;
    // A null image clears the glyph.
    virtual void AssignGlyph(const QImage& image) = 0;
};

// A control whose picture the engine sets by image name.
class IPictureHolder {
public:
    virtual ~IPictureHolder() = default;
    virtual void AssignPicture(const QImage& image) = 0;
};

using EngineImageSource = std::function<QImage(const std::string& name)>;
// Installs the source (an empty function removes it).
void SetEngineImageSource(EngineImageSource source);
// The named picture; null when there is no source or no such picture.
QImage EngineImage(const std::string& name);

} // namespace e3
