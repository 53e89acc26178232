#pragma once
// Table rows for the properties that many classes publish, so that each class's
// table lists names instead of repeating accessors.
#include "framework/Form.h"

#include <vector>

namespace fw::std_props {

TPropInfo Align();
TPropInfo Anchors();
TPropInfo AutoSize();
TPropInfo Caption();
TPropInfo Color();
TPropInfo Constraints();
TPropInfo Enabled();
TPropInfo Font();
TPropInfo ParentColor();
TPropInfo ParentFont();
TPropInfo ParentShowHint();
TPropInfo ShowHint();
TPropInfo TabOrder();
TPropInfo TabStop();
TPropInfo Text();
TPropInfo Visible();
// A parent given by name; the form reader resolves the component.
TPropInfo Parent();
// A popup menu given by name; cleared when the menu is freed.
TPropInfo PopupMenu();
// An action given by name; cleared when the action is freed.
TPropInfo Action();
TPropInfo BiDiMode();
TPropInfo ParentBiDiMode();
TPropInfo DragCursor();
TPropInfo DragKind();
TPropInfo DragMode();
// Windowed controls only.
TPropInfo Ctl3D();
TPropInfo ParentCtl3D();
TPropInfo ImeMode();
TPropInfo ImeName();
TPropInfo DockSite();
TPropInfo HelpContext();
TPropInfo UseDockManager();

TPropInfo OnClick();
TPropInfo OnDblClick();
TPropInfo OnResize();
TPropInfo OnMouseDown();
TPropInfo OnMouseMove();
TPropInfo OnMouseUp();
TPropInfo OnEnter();
TPropInfo OnExit();
TPropInfo OnKeyDown();
TPropInfo OnKeyPress();
TPropInfo OnKeyUp();
TPropInfo OnContextPopup();
TPropInfo OnDragDrop();
TPropInfo OnDragOver();
TPropInfo OnStartDrag();
TPropInfo OnEndDrag();
TPropInfo OnStartDock();
TPropInfo OnEndDock();
TPropInfo OnCanResize();
TPropInfo OnConstrainedResize();
// Windowed controls only.
TPropInfo OnDockDrop();
TPropInfo OnDockOver();
TPropInfo OnUnDock();
TPropInfo OnGetSiteInfo();
TPropInfo OnMouseWheel();
TPropInfo OnMouseWheelDown();
TPropInfo OnMouseWheelUp();
TPropInfo ParentBackground();
TPropInfo OEMConvert();
TPropInfo BevelEdges();
TPropInfo BevelInner();
TPropInfo BevelOuter();
TPropInfo BevelKind();
TPropInfo BevelWidth();

// A class's own members followed by a named run of shared ones.
std::vector<TPropInfo> Join(std::initializer_list<TPropInfo> own, const std::vector<TPropInfo>& shared);
// The five bevel members of a windowed control.
std::vector<TPropInfo> BevelMembers();
// The resize questions, the dock-site events and the wheel events of the
// scrolling containers (scroll box, frame).
std::vector<TPropInfo> ScrollingContainerEvents();

} // namespace fw::std_props
