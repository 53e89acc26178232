#pragma once
#include "e3/common/EngineImages.h"
// A picture on the parent: the framework's image control. Pictures arrive
// whole (decoded bitmaps), so OnProgress is never raised for them.
#include "e3/common/ControlBase.h"
#include "e3/common/GraphicControl.h"

#include <QImage>

#include <memory>

namespace e3 {

// The picture object an image owns; what it holds is a bitmap or nothing.
class TPicture : public fw::TPersistent {
    FW_CLASS()
public:
    const QImage& Image() const { return image_; }
    void SetImage(const QImage& image);
    void Assign(const TPicture& other) { SetImage(other.image_); }
    bool Empty() const { return image_.isNull(); }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }

    std::function<void()> OnChange;

private:
    QImage image_;
};

// Where a picture of pictureWidth x pictureHeight is drawn in a client area of
// clientWidth x clientHeight.
QRect PictureDestRect(int pictureWidth, int pictureHeight, int clientWidth, int clientHeight, bool stretch,
                      bool proportional, bool center);

class Te3CustomImage : public Te3Control<TGraphicControl>, public IPictureHolder {
    FW_CLASS()
public:
    explicit Te3CustomImage(fw::TComponent* owner);
    ~Te3CustomImage() override;

    TPicture* GetPicture() const { return picture_.get(); }
    // Copies the picture; the giver keeps its own.
    void SetPicture(TPicture* value);
    // Shows a bitmap (the engine names pictures; the client fetches them).
    void AssignImage(const QImage& image) { picture_->SetImage(image); }
    // A PICTURE value from the engine: the picture it names.
    void AssignPicture(const QImage& image) override { AssignImage(image); }

    bool GetCenter() const { return center_; }
    void SetCenter(bool value);
    bool GetStretch() const { return stretch_; }
    void SetStretch(bool value);
    bool GetProportional() const { return proportional_; }
    void SetProportional(bool value);
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool GetIncrementalDisplay() const { return incrementalDisplay_; }
    void SetIncrementalDisplay(bool value) { incrementalDisplay_ = value; }

    // Where the picture is drawn now.
    QRect DestRect() const;

    fw::TProgressEvent OnProgress;

protected:
    void Paint(QPainter& painter) override;
    void AdjustAutoSize() override;

private:
    void PictureChanged();
    void PrepareShown();

    std::unique_ptr<TPicture> picture_;
    // The picture as drawn: with Transparent, its transparent colour cleared.
    QImage shown_;
    bool center_ = false;
    bool stretch_ = false;
    bool proportional_ = false;
    bool transparent_ = false;
    bool incrementalDisplay_ = false;
};

class Te3Image : public Te3CustomImage {
    FW_CLASS()
public:
    using Te3CustomImage::Te3CustomImage;
};

class Te3_Image : public Te3Image {
    FW_CLASS()
public:
    using Te3Image::Te3Image;
};

} // namespace e3
