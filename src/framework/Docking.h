#pragma once
// Docking: a dock site arranges the controls docked into it through its dock
// manager. The site, the manager and the docked controls know one another only
// through these interfaces; the start-up names the manager class every dock
// site makes.
#include "framework/Control.h"
#include "framework/Events.h"

#include <QPainter>

#include <functional>
#include <memory>
#include <string>

namespace fw {

// What a dock manager's HitTest reports for a point of the site.
enum TDockHitTest : int32_t { htNowhere = 0, htClient = 1, htCaption = 2, htBorder = 18, htClose = 20 };

class IDockManager {
public:
    virtual ~IDockManager() = default;
    // Bulk changes: zones are placed once, when the outermost bracket closes.
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
    // The control must already have the site as its parent. InsertAt says on
    // which side of dropControl (or of the site's content) it goes.
    virtual void InsertControl(TControl* control, TAlign insertAt, TControl* dropControl) = 0;
    // Nothing for a control that is not docked here.
    virtual void RemoveControl(TControl* control) = 0;
    // Places the docked controls again (the site changed size, a docked
    // control came or went); force places them even when nothing changed.
    virtual void ResetBounds(bool force) = 0;
    // Draws what the manager adds to the site (caption bars) in site client
    // coordinates.
    virtual void PaintSite(QPainter& painter) = 0;
    // The outline shown while client is dragged over the site, in screen
    // coordinates.
    virtual void PositionDockRect(TControl* client, TControl* dropControl, TAlign dropAlign, TRect& dockRect) = 0;
    // The docked control at a point of the site (client coordinates) and what
    // part of its zone the point lies on.
    virtual TControl* HitTest(TPoint mousePos, int32_t& htFlag) = 0;
    virtual void SaveToStream(std::string& stream) = 0;
    virtual void LoadFromStream(const std::string& stream) = 0;
};

// A control that takes docked controls.
class IDockSite {
public:
    virtual ~IDockSite() = default;
    // Docks source here: insertAt and dropOnControl tell the dock manager
    // where it goes; a site without a manager aligns source by insertAt.
    virtual void DockDrop(TControl& source, int32_t x, int32_t y, TAlign insertAt, TControl* dropOnControl) = 0;
    // Takes client out towards newTarget (none: it floats); false when the
    // site's OnUnDock refused.
    virtual bool DoUnDock(TWinControl* newTarget, TControl& client) = 0;
    // A docked control is about to be shown or hidden.
    virtual void DockedVisibleChanging(TControl& client, bool visible) = 0;
    // Null while the site arranges its docked controls without one.
    virtual IDockManager* DockManager() = 0;
    // Whether client, dragged over the site, is offered it as a place to dock.
    virtual bool OffersDockTo(const TControl& client) const
    {
        (void)client;
        return true;
    }
};

// What a dock manager and a dock site ask of a docked control beyond TControl.
class IDockClient {
public:
    virtual ~IDockClient() = default;
    // The width (or height) the control keeps in its row; 0 or less: a share.
    virtual int32_t DockWidth() const = 0;
    // Whether the form that holds a dock site grows and shrinks with it.
    virtual bool ResizeDock() const = 0;
};

using TDockManagerClass = std::function<std::unique_ptr<IDockManager>(TWinControl& site)>;
// The manager every dock site makes; none by default.
void SetDefaultDockManagerClass(TDockManagerClass dockManagerClass);
std::unique_ptr<IDockManager> CreateDefaultDockManager(TWinControl& site);

// Takes control out of its dock site (or plain parent) and makes it a window
// of its own at the screen rectangle; false when the site refused to let it go.
bool FloatControl(TControl& control, const TRect& screenRect);

// Asks site's OnUnDock whether client may leave towards newTarget; false when
// it refused or a handler freed the site or the client.
bool UnDockAllowed(TWinControl& site, TWinControl* newTarget, TControl& client);

// The deepest visible dock site under a screen point, on the first shown form
// there, that offers itself to dragged; dragged and what it holds are no site
// for it. Null: none.
TWinControl* DockSiteAt(QPoint global, const TControl& dragged);

// Docks control into site at a point of its client area: out of the dock site
// it is in first, unless that is site itself. False when that site refused to
// let it go or a handler freed the control.
bool DockInto(TControl& control, TWinControl& site, int32_t x, int32_t y, TAlign insertAt,
              TControl* dropOnControl);

} // namespace fw
