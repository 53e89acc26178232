#include "framework/Docking.h"

#include "framework/Form.h"

namespace fw {

namespace {

TDockManagerClass& DefaultClass()
{
    static TDockManagerClass cls;
    return cls;
}

TWinControl* DockSiteUnder(TWinControl& container, QPoint global, const TControl& dragged)
{
    TWinControl* found = nullptr;
    for (TControl* child : container.ChildControls()) {
        auto* win = dynamic_cast<TWinControl*>(child);
        QWidget* w = win ? win->Widget() : nullptr;
        if (!w || win == &dragged || !w->isVisible() || !w->rect().contains(w->mapFromGlobal(global)))
            continue;
        if (TWinControl* deeper = DockSiteUnder(*win, global, dragged))
            found = deeper;
        else if (auto* site = dynamic_cast<IDockSite*>(win); site && win->GetDockSite() && site->OffersDockTo(dragged))
            found = win;
    }
    return found;
}

} // namespace

bool UnDockAllowed(TWinControl& site, TWinControl* newTarget, TControl& client)
{
    Guard<TWinControl> self(&site);
    Guard<TControl> leaving(&client);
    bool allow = true;
    if (site.OnUnDock)
        site.OnUnDock(&site, &client, newTarget, allow);
    return allow && self && leaving;
}

TWinControl* DockSiteAt(QPoint global, const TControl& dragged)
{
    for (TCustomForm* form : TCustomForm::AllForms()) {
        QWidget* w = form->Widget();
        if (form == &dragged || !w || !w->isVisible() || !w->rect().contains(w->mapFromGlobal(global)))
            continue;
        if (TWinControl* site = DockSiteUnder(*form, global, dragged))
            return site;
    }
    return nullptr;
}

bool DockInto(TControl& control, TWinControl& site, int32_t x, int32_t y, TAlign insertAt, TControl* dropOnControl)
{
    auto* dockSite = dynamic_cast<IDockSite*>(&site);
    if (!dockSite)
        return false;
    Guard<TControl> alive(&control);
    Guard<TWinControl> target(&site);
    if (auto* host = dynamic_cast<IDockSite*>(control.Parent()); host && control.Parent() != &site)
        if (!host->DoUnDock(&site, control) || !alive || !target)
            return false;
    dockSite->DockDrop(control, x, y, insertAt, dropOnControl);
    if (!alive)
        return false;
    if (QWidget* w = control.Widget())
        w->setVisible(control.GetVisible());
    return true;
}

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
