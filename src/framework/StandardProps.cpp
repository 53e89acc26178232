#include "framework/StandardProps.h"

#include "framework/Actions.h"

namespace fw::std_props {

TRow<TControl> Align() { return prop::Enum("Align", AlignType, &TControl::GetAlign, &TControl::SetAlign); }
TRow<TControl> Anchors() { return prop::Set("Anchors", AnchorKindType, &TControl::GetAnchors, &TControl::SetAnchors); }
TRow<TControl> AutoSize() { return prop::Boolean("AutoSize", &TControl::GetAutoSize, &TControl::SetAutoSize); }
TRow<TControl> Caption() { return prop::String("Caption", &TControl::GetText, &TControl::SetText); }
TRow<TControl> Color() { return prop::Integer("Color", &TControl::GetColor, &TControl::SetColor); }
TRow<TControl> Constraints()
{
    return prop::Object("Constraints", TSizeConstraints::StaticClass(), &TControl::GetConstraints,
                        &TControl::SetConstraints);
}
TRow<TControl> Enabled() { return prop::Boolean("Enabled", &TControl::GetEnabled, &TControl::SetEnabled); }
TRow<TControl> Font() { return prop::Object("Font", TFont::StaticClass(), &TControl::GetFont, &TControl::SetFont); }
TRow<TControl> ParentColor() { return prop::Boolean("ParentColor", &TControl::GetParentColor, &TControl::SetParentColor); }
TRow<TControl> ParentFont() { return prop::Boolean("ParentFont", &TControl::GetParentFont, &TControl::SetParentFont); }
TRow<TControl> ParentShowHint()
{
    return prop::Boolean("ParentShowHint", &TControl::GetParentShowHint, &TControl::SetParentShowHint);
}
TRow<TControl> ShowHint() { return prop::Boolean("ShowHint", &TControl::GetShowHint, &TControl::SetShowHint); }
TRow<TWinControl> TabOrder() { return prop::Integer("TabOrder", &TWinControl::GetTabOrder, &TWinControl::SetTabOrder); }
TRow<TWinControl> TabStop() { return prop::Boolean("TabStop", &TWinControl::GetTabStop, &TWinControl::SetTabStop); }
TRow<TControl> Text() { return prop::String("Text", &TControl::GetText, &TControl::SetText); }
TRow<TControl> Visible() { return prop::Boolean("Visible", &TControl::GetVisible, &TControl::SetVisible); }
TRow<TControl> Parent()
{
    return prop::Object("Parent", TWinControl::StaticClass(), &TControl::GetParent, &TControl::SetParent);
}
TRow<TControl> Action()
{
    return prop::Object("Action", TBasicAction::StaticClass(), &TControl::GetAction, &TControl::SetAction);
}
TRow<TControl> PopupMenu()
{
    return prop::Object("PopupMenu", TComponent::StaticClass(), &TControl::GetPopupMenu, &TControl::SetPopupMenu);
}
TRow<TControl> BiDiMode() { return prop::Enum("BiDiMode", BiDiModeType, &TControl::GetBiDiMode, &TControl::SetBiDiMode); }
TRow<TControl> ParentBiDiMode()
{
    return prop::Boolean("ParentBiDiMode", &TControl::GetParentBiDiMode, &TControl::SetParentBiDiMode);
}
TRow<TControl> DragCursor() { return prop::Integer("DragCursor", &TControl::GetDragCursor, &TControl::SetDragCursor); }
TRow<TControl> DragKind() { return prop::Enum("DragKind", DragKindType, &TControl::GetDragKind, &TControl::SetDragKind); }
TRow<TControl> DragMode() { return prop::Enum("DragMode", DragModeType, &TControl::GetDragMode, &TControl::SetDragMode); }
TRow<TWinControl> Ctl3D() { return prop::Boolean("Ctl3D", &TWinControl::GetCtl3D, &TWinControl::SetCtl3D); }
TRow<TWinControl> ParentCtl3D()
{
    return prop::Boolean("ParentCtl3D", &TWinControl::GetParentCtl3D, &TWinControl::SetParentCtl3D);
}
TRow<TWinControl> ImeMode() { return prop::Enum("ImeMode", ImeModeType, &TWinControl::GetImeMode, &TWinControl::SetImeMode); }
TRow<TWinControl> ImeName() { return prop::String("ImeName", &TWinControl::GetImeName, &TWinControl::SetImeName); }
TRow<TWinControl> DockSite() { return prop::Boolean("DockSite", &TWinControl::GetDockSite, &TWinControl::SetDockSite); }
TRow<TControl> HelpContext()
{
    return prop::Integer("HelpContext", &TControl::GetHelpContext, &TControl::SetHelpContext);
}
TRow<TControl> Cursor() { return prop::Integer("Cursor", &TControl::GetCursor, &TControl::SetCursor); }

TRow<TWinControl> UseDockManager()
{
    return prop::Boolean("UseDockManager", &TWinControl::GetUseDockManager, &TWinControl::SetUseDockManager);
}

TRow<TControl> OnClick() { return prop::Event("OnClick", NotifyEventType, &TControl::OnClick); }
TRow<TControl> OnDblClick() { return prop::Event("OnDblClick", NotifyEventType, &TControl::OnDblClick); }
TRow<TControl> OnResize() { return prop::Event("OnResize", NotifyEventType, &TControl::OnResize); }
TRow<TControl> OnMouseDown() { return prop::Event("OnMouseDown", MouseEventType, &TControl::OnMouseDown); }
TRow<TControl> OnMouseMove() { return prop::Event("OnMouseMove", MouseMoveEventType, &TControl::OnMouseMove); }
TRow<TControl> OnMouseUp() { return prop::Event("OnMouseUp", MouseEventType, &TControl::OnMouseUp); }
TRow<TWinControl> OnEnter() { return prop::Event("OnEnter", NotifyEventType, &TWinControl::OnEnter); }
TRow<TWinControl> OnExit() { return prop::Event("OnExit", NotifyEventType, &TWinControl::OnExit); }
TRow<TWinControl> OnKeyDown() { return prop::Event("OnKeyDown", KeyEventType, &TWinControl::OnKeyDown); }
TRow<TWinControl> OnKeyPress() { return prop::Event("OnKeyPress", KeyPressEventType, &TWinControl::OnKeyPress); }
TRow<TWinControl> OnKeyUp() { return prop::Event("OnKeyUp", KeyEventType, &TWinControl::OnKeyUp); }
TRow<TControl> OnContextPopup() { return prop::Event("OnContextPopup", ContextPopupEventType, &TControl::OnContextPopup); }
TRow<TControl> OnDragDrop() { return prop::Event("OnDragDrop", DragDropEventType, &TControl::OnDragDrop); }
TRow<TControl> OnDragOver() { return prop::Event("OnDragOver", DragOverEventType, &TControl::OnDragOver); }
TRow<TControl> OnStartDrag() { return prop::Event("OnStartDrag", StartDragEventType, &TControl::OnStartDrag); }
TRow<TControl> OnEndDrag() { return prop::Event("OnEndDrag", EndDragEventType, &TControl::OnEndDrag); }
TRow<TControl> OnStartDock() { return prop::Event("OnStartDock", StartDockEventType, &TControl::OnStartDock); }
TRow<TControl> OnEndDock() { return prop::Event("OnEndDock", EndDragEventType, &TControl::OnEndDock); }
TRow<TControl> OnCanResize() { return prop::Event("OnCanResize", CanResizeEventType, &TControl::OnCanResize); }
TRow<TControl> OnConstrainedResize()
{
    return prop::Event("OnConstrainedResize", ConstrainedResizeEventType, &TControl::OnConstrainedResize);
}
TRow<TWinControl> OnDockDrop() { return prop::Event("OnDockDrop", DragDropEventType, &TWinControl::OnDockDrop); }
TRow<TWinControl> OnDockOver() { return prop::Event("OnDockOver", DragOverEventType, &TWinControl::OnDockOver); }
TRow<TWinControl> OnUnDock() { return prop::Event("OnUnDock", UnDockEventType, &TWinControl::OnUnDock); }
TRow<TWinControl> OnGetSiteInfo()
{
    return prop::Event("OnGetSiteInfo", GetSiteInfoEventType, &TWinControl::OnGetSiteInfo);
}
TRow<TWinControl> OnMouseWheel() { return prop::Event("OnMouseWheel", MouseWheelEventType, &TWinControl::OnMouseWheel); }
TRow<TWinControl> OnMouseWheelDown()
{
    return prop::Event("OnMouseWheelDown", MouseWheelUpDownEventType, &TWinControl::OnMouseWheelDown);
}
TRow<TWinControl> OnMouseWheelUp()
{
    return prop::Event("OnMouseWheelUp", MouseWheelUpDownEventType, &TWinControl::OnMouseWheelUp);
}
TRow<TWinControl> OEMConvert()
{
    return prop::Boolean("OEMConvert", &TWinControl::GetOEMConvert, &TWinControl::SetOEMConvert);
}
TRow<TWinControl> BevelEdges()
{
    return prop::Set("BevelEdges", BevelEdgeType, &TWinControl::GetBevelEdges, &TWinControl::SetBevelEdges);
}
TRow<TWinControl> BevelInner()
{
    return prop::Enum("BevelInner", BevelCutType, &TWinControl::GetBevelInner, &TWinControl::SetBevelInner);
}
TRow<TWinControl> BevelOuter()
{
    return prop::Enum("BevelOuter", BevelCutType, &TWinControl::GetBevelOuter, &TWinControl::SetBevelOuter);
}
TRow<TWinControl> BevelKind()
{
    return prop::Enum("BevelKind", BevelKindType, &TWinControl::GetBevelKind, &TWinControl::SetBevelKind);
}
TRow<TWinControl> BevelWidth()
{
    return prop::Integer("BevelWidth", &TWinControl::GetBevelWidth, &TWinControl::SetBevelWidth);
}

TRows<TControl> DragEvents() { return {OnDragDrop(), OnDragOver(), OnEndDrag(), OnStartDrag()}; }
TRows<TControl> DockEvents() { return {OnEndDock(), OnStartDock()}; }
TRows<TWinControl> DockSiteEvents() { return {OnDockDrop(), OnDockOver(), OnGetSiteInfo(), OnUnDock()}; }
TRows<TWinControl> FocusEvents() { return {OnEnter(), OnExit()}; }
TRows<TControl> MouseEvents() { return {OnMouseDown(), OnMouseMove(), OnMouseUp()}; }
TRows<TWinControl> KeyEvents() { return {OnKeyDown(), OnKeyPress(), OnKeyUp()}; }
TRows<TWinControl> WheelEvents() { return {OnMouseWheel(), OnMouseWheelDown(), OnMouseWheelUp()}; }
TRows<TControl> ResizeQuestions() { return {OnCanResize(), OnConstrainedResize()}; }
TRows<TWinControl> BevelMembers() { return {BevelEdges(), BevelInner(), BevelOuter(), BevelKind(), BevelWidth()}; }

TRow<TWinControl> ParentBackground()
{
    return prop::Boolean("ParentBackground", &TWinControl::GetParentBackground, &TWinControl::SetParentBackground);
}

} // namespace fw::std_props
