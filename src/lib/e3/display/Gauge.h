#pragma once
// A progress bar of boxes in a bevelled frame, with an optional percentage.
// The engine writes Progress, MinValue and MaxValue and reads them back, so
// they keep what was written; only the drawn share is held to 0..100 %.
#include "e3/display/Bevel.h"
#include "e3/common/ControlBase.h"
#include "e3/common/GraphicControl.h"

#include <memory>

namespace e3 {

// What a gauge shows for a value in a range.
struct GaugeFill {
    double percent = 0;     // 0..100
    int filledBoxes = 0;    // 0..boxCount
    std::string text;       // the percentage without its fraction, then "%"
};
GaugeFill ComputeGaugeFill(int32_t progress, int32_t minValue, int32_t maxValue, int32_t boxCount);

class Te3CustomGauge : public Te3Control<TGraphicControl> {
    FW_CLASS()
public:
    explicit Te3CustomGauge(fw::TComponent* owner);
    ~Te3CustomGauge() override;

    // Fits the size to whole boxes inside the frame (except while loading).
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;

    int32_t GetMinValue() const { return minValue_; }
    void SetMinValue(int32_t value);
    int32_t GetMaxValue() const { return maxValue_; }
    void SetMaxValue(int32_t value);
    int32_t GetProgress() const { return progress_; }
    // Ignored when unchanged or outside MinValue..MaxValue.
    void SetProgress(int32_t value);
    TBevelStyle GetBevelStyle() const { return bevelStyle_; }
    void SetBevelStyle(TBevelStyle value);
    fw::TColor GetBoxColor() const { return boxColor_; }
    void SetBoxColor(fw::TColor value);
    int32_t GetBoxCount() const { return boxCount_; }
    void SetBoxCount(int32_t value);
    int32_t GetBoxWidth() const { return boxWidth_; }
    void SetBoxWidth(int32_t value);
    bool GetSmooth() const { return smooth_; }
    void SetSmooth(bool value);
    bool GetShowText() const { return showText_; }
    void SetShowText(bool value);
    fw::TFont* GetTextFont() const { return textFont_.get(); }
    // Copies the font's attributes; the giver keeps its font.
    void SetTextFont(fw::TFont* value);

    GaugeFill Fill() const { return ComputeGaugeFill(progress_, minValue_, maxValue_, boxCount_); }

protected:
    void Paint(QPainter& painter) override;

private:
    void Repaint();

    int32_t minValue_ = 0;
    int32_t maxValue_ = 100;
    int32_t progress_ = 0;
    TBevelStyle bevelStyle_ = bsLowered;
    fw::TColor boxColor_ = fw::clHighlight;
    int32_t boxCount_ = 20;
    int32_t boxWidth_ = 12;
    bool smooth_ = false;
    bool showText_ = false;
    std::unique_ptr<fw::TFont> textFont_;
};

class Te3Gauge : public Te3CustomGauge {
    FW_CLASS()
public:
    using Te3CustomGauge::Te3CustomGauge;
};

class Te3_Gauge : public Te3Gauge {
    FW_CLASS()
public:
    using Te3Gauge::Te3Gauge;
};

} // namespace e3
