#include "e3/common/GraphicControl.h"

#include "e3/common/OwnedWidget.h"
#include "framework/ApplicationException.h"

#include <QPainter>

namespace e3 {

class TGraphicControl::Surface : public OwnedWidget<QWidget, TGraphicControl> {
public:
    explicit Surface(TGraphicControl* owner)
        : OwnedWidget(owner)
    {
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_Hover);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!owner_)
            return;
        QPainter painter(this);
        fw::RunFromEventLoop([&] { owner_->Paint(painter); });
    }

    void enterEvent(QEnterEvent* e) override
    {
        QWidget::enterEvent(e);
        if (owner_ && owner_->OnMouseEnter)
            fw::RunFromEventLoop([&] { owner_->OnMouseEnter(owner_); });
    }

    void leaveEvent(QEvent* e) override
    {
        QWidget::leaveEvent(e);
        if (owner_ && owner_->OnMouseLeave)
            fw::RunFromEventLoop([&] { owner_->OnMouseLeave(owner_); });
    }
};

const fw::TClassInfo& TGraphicControl::StaticClass()
{
    static const fw::TClassInfo info {"TGraphicControl", &fw::TControl::StaticClass(), {}};
    return info;
}

TGraphicControl::TGraphicControl(fw::TComponent* owner)
    : fw::TControl(owner)
    , surface_(new Surface(this))
{
    SetWidget(surface_);
}

TGraphicControl::~TGraphicControl()
{
    // The widget goes with the framework's part of the object, after ours.
    surface_->Disown();
}

void TGraphicControl::Invalidate()
{
    surface_->update();
}

void TGraphicControl::ApplyFont()
{
    fw::TControl::ApplyFont();
    Invalidate();
}

void TGraphicControl::ApplyEnabled()
{
    fw::TControl::ApplyEnabled();
    Invalidate();
}

QColor InverseColor(const QColor& colour)
{
    return QColor(255 - colour.red(), 255 - colour.green(), 255 - colour.blue());
}

} // namespace e3
