#pragma once
// Table rows for the properties that many classes publish, so that each class's
// table lists names instead of repeating accessors.
#include "framework/Form.h"

#include <vector>

namespace fw::std_props {

TRow<TControl> Align();
TRow<TControl> Anchors();
TRow<TControl> AutoSize();
TRow<TControl> Caption();
TRow<TControl> Color();
TRow<TControl> Constraints();
TRow<TControl> Enabled();
TRow<TControl> Font();
TRow<TControl> ParentColor();
TRow<TControl> ParentFont();
TRow<TControl> ParentShowHint();
TRow<TControl> ShowHint();
TRow<TWinControl> TabOrder();
TRow<TWinControl> TabStop();
TRow<TControl> Text();
TRow<TControl> Visible();
// A parent given by name; the form reader resolves the component.
TRow<TControl> Parent();
// A popup menu given by name; cleared when the menu is freed.
TRow<TControl> PopupMenu();
// An action given by name; cleared when the action is freed.
TRow<TControl> Action();
TRow<TControl> BiDiMode();
TRow<TControl> ParentBiDiMode();
TRow<TControl> DragCursor();
TRow<TControl> DragKind();
TRow<TControl> DragMode();
// Windowed controls only.
TRow<TWinControl> Ctl3D();
TRow<TWinControl> ParentCtl3D();
TRow<TWinControl> ImeMode();
TRow<TWinControl> ImeName();
TRow<TWinControl> DockSite();
TRow<TControl> HelpContext();
TRow<TControl> Cursor();
TRow<TWinControl> UseDockManager();

TRow<TControl> OnClick();
TRow<TControl> OnDblClick();
TRow<TControl> OnResize();
TRow<TControl> OnMouseDown();
TRow<TControl> OnMouseMove();
TRow<TControl> OnMouseUp();
TRow<TWinControl> OnEnter();
TRow<TWinControl> OnExit();
TRow<TWinControl> OnKeyDown();
TRow<TWinControl> OnKeyPress();
TRow<TWinControl> OnKeyUp();
TRow<TControl> OnContextPopup();
TRow<TControl> OnDragDrop();
TRow<TControl> OnDragOver();
TRow<TControl> OnStartDrag();
TRow<TControl> OnEndDrag();
TRow<TControl> OnStartDock();
TRow<TControl> OnEndDock();
TRow<TControl> OnCanResize();
TRow<TControl> OnConstrainedResize();
// Windowed controls only.
TRow<TWinControl> OnDockDrop();
TRow<TWinControl> OnDockOver();
TRow<TWinControl> OnUnDock();
TRow<TWinControl> OnGetSiteInfo();
TRow<TWinControl> OnMouseWheel();
TRow<TWinControl> OnMouseWheelDown();
TRow<TWinControl> OnMouseWheelUp();
TRow<TWinControl> ParentBackground();
TRow<TWinControl> OEMConvert();
TRow<TWinControl> BevelEdges();
TRow<TWinControl> BevelInner();
TRow<TWinControl> BevelOuter();
TRow<TWinControl> BevelKind();
TRow<TWinControl> BevelWidth();

// Named runs of rows that tables list as one entry, each exactly as the
// families publish it together.
// OnDragDrop, OnDragOver, OnEndDrag, OnStartDrag.
TRows<TControl> DragEvents();
// OnEndDock, OnStartDock: the control's own docking.
TRows<TControl> DockEvents();
// OnDockDrop, OnDockOver, OnGetSiteInfo, OnUnDock: a dock site's events.
TRows<TWinControl> DockSiteEvents();
// OnEnter, OnExit.
TRows<TWinControl> FocusEvents();
// OnMouseDown, OnMouseMove, OnMouseUp.
TRows<TControl> MouseEvents();
// OnKeyDown, OnKeyPress, OnKeyUp.
TRows<TWinControl> KeyEvents();
// OnMouseWheel, OnMouseWheelDown, OnMouseWheelUp.
TRows<TWinControl> WheelEvents();
// OnCanResize, OnConstrainedResize.
TRows<TControl> ResizeQuestions();
// BevelEdges, BevelInner, BevelOuter, BevelKind, BevelWidth.
TRows<TWinControl> BevelMembers();

} // namespace fw::std_props
