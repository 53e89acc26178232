#include "framework/Docking.h"

#include "framework/Form.h"

namespace fw {

namespace {

TDockManagerClass& DefaultClass()
{
    static TDockManagerClass cls;
    return cls;
}

} // namespace

void SetDefaultDockManagerClass(TDockManagerClass dockManagerClass)
{
    DefaultClass() = std::move(dockManagerClass);
}

std::unique_ptr<IDockManager> CreateDefaultDockManager(TWinControl& site)
{
    return DefaultClass() ? DefaultClass()(site) : nullptr;
}

bool FloatControl(TControl& control, const TRect& screenRect)
{
    const bool shown = control.GetVisible();
    Guard<TControl> self(&control);
    if (TWinControl* parent = control.Parent()) {
        if (auto* site = dynamic_cast<IDockSite*>(parent)) {
            if (!site->DoUnDock(nullptr, control) || !self)
                return false;
        } else {
            control.SetAlign(alNone);
            control.SetParent(nullptr);
        }
        if (QWidget* w = control.Widget())
            w->setWindowFlags(w->windowFlags() | Qt::Window);
    }
    control.SetBounds(screenRect.left, screenRect.top, screenRect.right - screenRect.left,
                      screenRect.bottom - screenRect.top);
    if (shown) {
        if (auto* form = dynamic_cast<TCustomForm*>(&control))
            form->Show();
        else
            control.SetVisible(true);
    }
    return true;
}

} // namespace fw
