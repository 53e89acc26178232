#pragma once
// A label that shows work going on: while ShowProgress is on, a dot is added
// to its caption every Interval milliseconds, up to MaxDotCount, then the
// caption starts again without dots.
#include "e3/display/Label.h"

#include <memory>

class QTimer;

namespace e3 {

class Te3ProgressLabel : public Te3_Label {
    FW_CLASS()
public:
    explicit Te3ProgressLabel(fw::TComponent* owner);
    ~Te3ProgressLabel() override;

    // Caption: shown at once and kept as the caption the dots follow.
    void SetText(const std::string& text) override;

    int32_t GetInterval() const { return interval_; }
    void SetInterval(int32_t value);
    int32_t GetMaxDotCount() const { return maxDotCount_; }
    void SetMaxDotCount(int32_t value) { maxDotCount_ = value; }
    bool GetShowProgress() const { return showProgress_; }
    void SetShowProgress(bool value);

    int32_t DotCount() const { return dotCount_; }
    // One step of the animation; the timer calls it in the GUI thread.
    void Tick();

private:
    void UpdateTimer();

    int32_t interval_ = 1000;
    int32_t maxDotCount_ = 20;
    bool showProgress_ = false;
    std::string baseCaption_;
    int32_t dotCount_ = 0;
    std::unique_ptr<QTimer> timer_;
};

class Te3_ProgressLabel : public Te3ProgressLabel {
    FW_CLASS()
public:
    using Te3ProgressLabel::Te3ProgressLabel;
};

} // namespace e3
