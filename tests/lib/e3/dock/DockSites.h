#pragma once
// Docked forms and dock sites for the dock manager's tests.
#include "e3/dock/DockTree.h"
#include "framework/Form.h"

#include <QWidget>

#include <memory>
#include <string>

namespace e3test {

// A form that keeps a width in its row when DockWidth is above 0.
class TDockForm : public fw::TCustomForm, public fw::IDockClient {
public:
    TDockForm(fw::TComponent* owner, const std::string& name, int32_t dockWidth = 0)
        : fw::TCustomForm(owner), width(dockWidth)
    {
        SetName(name);
        SetText(name);
        SetBounds(0, 0, 300, 200);
    }
    int32_t DockWidth() const override { return width; }
    bool ResizeDock() const override { return false; }
    int32_t width;
};

// A dock site that docks through its own manager, as the engine's panels do.
class TDockPanel : public fw::TWinControl, public fw::IDockSite {
public:
    explicit TDockPanel(fw::TComponent* owner) : fw::TWinControl(owner)
    {
        SetWidget(new QWidget);
        SetDockSite(true);
    }
    ~TDockPanel() override { manager.reset(); }
    void DockDrop(fw::TControl& source, int32_t, int32_t, fw::TAlign insertAt, fw::TControl* drop) override
    {
        source.SetParent(this);
        manager->InsertControl(&source, insertAt, drop);
    }
    bool DoUnDock(fw::TWinControl* newTarget, fw::TControl& client) override
    {
        manager->RemoveControl(&client);
        client.SetParent(newTarget);
        return true;
    }
    void DockedVisibleChanging(fw::TControl&, bool) override {}
    fw::IDockManager* DockManager() override { return manager.get(); }

    std::unique_ptr<e3::Tg3DockTree> manager;
};

// A 300 x 300 dock site at x on window, with the client's dock manager.
inline TDockPanel* NewDockPanel(fw::TCustomForm& window, int32_t x)
{
    auto* site = new TDockPanel(&window);
    site->SetParent(&window);
    site->SetBounds(x, 0, 300, 300);
    site->manager = std::make_unique<e3::Tg3DockTree>(*site);
    return site;
}

// A shown form docked at the right in site that is dragged by its caption to dock.
inline TDockForm* DockDraggable(fw::TCustomForm& window, TDockPanel& site, const std::string& name)
{
    auto* form = new TDockForm(&window, name);
    form->SetDragKind(fw::dkDock);
    form->SetDragMode(fw::dmAutomatic);
    site.DockDrop(*form, 0, 0, fw::alRight, nullptr);
    form->SetVisible(true);
    return form;
}

} // namespace e3test
