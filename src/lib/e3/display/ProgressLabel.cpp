#include "e3/display/ProgressLabel.h"

#include "framework/ApplicationException.h"
#include "framework/StandardProps.h"

#include <QTimer>

namespace e3 {

const fw::TClassInfo& Te3ProgressLabel::StaticClass()
{
    using C = Te3ProgressLabel;
    static const fw::TClassInfo info {
        "Te3ProgressLabel",
        &Te3_Label::StaticClass(),
        fw::TRows<Te3ProgressLabel> {
            fw::std_props::Caption(),
            fw::prop::Integer("MaxDotCount", &C::GetMaxDotCount, &C::SetMaxDotCount),
            fw::prop::Integer("Interval", &C::GetInterval, &C::SetInterval),
            fw::prop::Boolean("ShowProgress", &C::GetShowProgress, &C::SetShowProgress),
        },
    };
    return info;
}

Te3ProgressLabel::Te3ProgressLabel(fw::TComponent* owner)
    : Te3_Label(owner)
    , timer_(std::make_unique<QTimer>())
{
    timer_->setInterval(interval_);
    // A QTimer fires in the thread it lives in: the GUI thread that made us.
    QObject::connect(timer_.get(), &QTimer::timeout, [this] {
        if (!Designing())
            fw::RunFromEventLoop([this] { Tick(); });
    });
}

Te3ProgressLabel::~Te3ProgressLabel() = default;

void Te3ProgressLabel::SetText(const std::string& text)
{
    baseCaption_ = text;
    Te3_Label::SetText(text);
}

void Te3ProgressLabel::SetInterval(int32_t value)
{
    interval_ = value;
    UpdateTimer();
}

void Te3ProgressLabel::SetShowProgress(bool value)
{
    if (value == showProgress_)
        return;
    showProgress_ = value;
    UpdateTimer();
    if (!value)
        Te3_Label::SetText(baseCaption_);
}

// A timer with no positive interval never fires.
void Te3ProgressLabel::UpdateTimer()
{
    if (showProgress_ && interval_ > 0) {
        timer_->setInterval(interval_);
        if (!timer_->isActive())
            timer_->start();
    } else {
        timer_->stop();
    }
}

void Te3ProgressLabel::Tick()
{
    if (dotCount_ < maxDotCount_) {
        Te3_Label::SetText(GetText() + ".");
        ++dotCount_;
    } else {
        Te3_Label::SetText(baseCaption_);
        dotCount_ = 0;
    }
    Invalidate();
}

const fw::TClassInfo& Te3_ProgressLabel::StaticClass()
{
    using C = Te3_ProgressLabel;
    static const fw::TClassInfo info {
        "Te3_ProgressLabel",
        &Te3ProgressLabel::StaticClass(),
        fw::TRows<Te3_ProgressLabel> {
            fw::std_props::Caption(),
            fw::prop::Integer("MaxDotCount", &C::GetMaxDotCount, &C::SetMaxDotCount),
            fw::prop::Integer("Interval", &C::GetInterval, &C::SetInterval),
            fw::prop::Boolean("ShowProgress", &C::GetShowProgress, &C::SetShowProgress),
        },
        fw::MakeFactory<Te3_ProgressLabel>(),
    };
    return info;
}

} // namespace e3
