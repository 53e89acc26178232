#include "framework/StandardProps.h"

#include "framework/Actions.h"

namespace fw::std_props {

TPropInfo Align() { return prop::Enum("Align", AlignType, &TControl::GetAlign, &TControl::SetAlign); }
TPropInfo Anchors() { return prop::Set("Anchors", AnchorKindType, &TControl::GetAnchors, &TControl::SetAnchors); }
TPropInfo AutoSize() { return prop::Boolean("AutoSize", &TControl::GetAutoSize, &TControl::SetAutoSize); }
TPropInfo Caption()
{
    TPropInfo p = prop::String("Caption", &TControl::GetText, &TControl::SetText);
    return p;
}
TPropInfo Color() { return prop::Integer("Color", &TControl::GetColor, &TControl::SetColor); }
TPropInfo Constraints()
{
    return prop::Object("Constraints", TSizeConstraints::StaticClass(), &TControl::GetConstraints,
                        &TControl::SetConstraints);
}
TPropInfo Enabled() { return prop::Boolean("Enabled", &TControl::GetEnabled, &TControl::SetEnabled); }
TPropInfo Font() { return prop::Object("Font", TFont::StaticClass(), &TControl::GetFont, &TControl::SetFont); }
TPropInfo ParentColor() { return prop::Boolean("ParentColor", &TControl::GetParentColor, &TControl::SetParentColor); }
TPropInfo ParentFont() { return prop::Boolean("ParentFont", &TControl::GetParentFont, &TControl::SetParentFont); }
TPropInfo ParentShowHint()
{
    return prop::Boolean("ParentShowHint", &TControl::GetParentShowHint, &TControl::SetParentShowHint);
}
TPropInfo ShowHint() { return prop::Boolean("ShowHint", &TControl::GetShowHint, &TControl::SetShowHint); }
TPropInfo TabOrder() { return prop::Integer("TabOrder", &TWinControl::GetTabOrder, &TWinControl::SetTabOrder); }
TPropInfo TabStop() { return prop::Boolean("TabStop", &TWinControl::GetTabStop, &TWinControl::SetTabStop); }
TPropInfo Text() { return prop::String("Text", &TControl::GetText, &TControl::SetText); }
TPropInfo Visible() { return prop::Boolean("Visible", &TControl::GetVisible, &TControl::SetVisible); }
TPropInfo Parent()
{
    return prop::Object("Parent", TWinControl::StaticClass(), &TControl::GetParent, &TControl::SetParent);
}
TPropInfo Action()
{
    return prop::Object("Action", TBasicAction::StaticClass(), &TControl::GetAction, &TControl::SetAction);
}
TPropInfo PopupMenu()
{
    return prop::Object("PopupMenu", TComponent::StaticClass(), &TControl::GetPopupMenu, &TControl::SetPopupMenu);
}
TPropInfo BiDiMode() { return prop::Enum("BiDiMode", BiDiModeType, &TControl::GetBiDiMode, &TControl::SetBiDiMode); }
TPropInfo ParentBiDiMode()
{
    return prop::Boolean("ParentBiDiMode", &TControl::GetParentBiDiMode, &TControl::SetParentBiDiMode);
}
TPropInfo DragCursor() { return prop::Integer("DragCursor", &TControl::GetDragCursor, &TControl::SetDragCursor); }
TPropInfo DragKind() { return prop::Enum("DragKind", DragKindType, &TControl::GetDragKind, &TControl::SetDragKind); }
TPropInfo DragMode() { return prop::Enum("DragMode", DragModeType, &TControl::GetDragMode, &TControl::SetDragMode); }
TPropInfo Ctl3D() { return prop::Boolean("Ctl3D", &TWinControl::GetCtl3D, &TWinControl::SetCtl3D); }
TPropInfo ParentCtl3D()
{
    return prop::Boolean("ParentCtl3D", &TWinControl::GetParentCtl3D, &TWinControl::SetParentCtl3D);
}
TPropInfo ImeMode() { return prop::Enum("ImeMode", ImeModeType, &TWinControl::GetImeMode, &TWinControl::SetImeMode); }
TPropInfo ImeName() { return prop::String("ImeName", &TWinControl::GetImeName, &TWinControl::SetImeName); }
TPropInfo DockSite() { return prop::Boolean("DockSite", &TWinControl::GetDockSite, &TWinControl::SetDockSite); }
TPropInfo HelpContext()
{
    return prop::Integer("HelpContext", &TControl::GetHelpContext, &TControl::SetHelpContext);
}

TPropInfo UseDockManager()
{
    return prop::Boolean("UseDockManager", &TWinControl::GetUseDockManager, &TWinControl::SetUseDockManager);
}

TPropInfo OnClick() { return prop::Event("OnClick", NotifyEventType, &TControl::OnClick); }
TPropInfo OnDblClick() { return prop::Event("OnDblClick", NotifyEventType, &TControl::OnDblClick); }
TPropInfo OnResize() { return prop::Event("OnResize", NotifyEventType, &TControl::OnResize); }
TPropInfo OnMouseDown() { return prop::Event("OnMouseDown", MouseEventType, &TControl::OnMouseDown); }
TPropInfo OnMouseMove() { return prop::Event("OnMouseMove", MouseMoveEventType, &TControl::OnMouseMove); }
TPropInfo OnMouseUp() { return prop::Event("OnMouseUp", MouseEventType, &TControl::OnMouseUp); }
TPropInfo OnEnter() { return prop::Event("OnEnter", NotifyEventType, &TWinControl::OnEnter); }
TPropInfo OnExit() { return prop::Event("OnExit", NotifyEventType, &TWinControl::OnExit); }
TPropInfo OnKeyDown() { return prop::Event("OnKeyDown", KeyEventType, &TWinControl::OnKeyDown); }
TPropInfo OnKeyPress() { return prop::Event("OnKeyPress", KeyPressEventType, &TWinControl::OnKeyPress); }
TPropInfo OnKeyUp() { return prop::Event("OnKeyUp", KeyEventType, &TWinControl::OnKeyUp); }
TPropInfo OnContextPopup() { return prop::Event("OnContextPopup", ContextPopupEventType, &TControl::OnContextPopup); }
TPropInfo OnDragDrop() { return prop::Event("OnDragDrop", DragDropEventType, &TControl::OnDragDrop); }
TPropInfo OnDragOver() { return prop::Event("OnDragOver", DragOverEventType, &TControl::OnDragOver); }
TPropInfo OnStartDrag() { return prop::Event("OnStartDrag", StartDragEventType, &TControl::OnStartDrag); }
TPropInfo OnEndDrag() { return prop::Event("OnEndDrag", EndDragEventType, &TControl::OnEndDrag); }
TPropInfo OnStartDock() { return prop::Event("OnStartDock", StartDockEventType, &TControl::OnStartDock); }
TPropInfo OnEndDock() { return prop::Event("OnEndDock", EndDragEventType, &TControl::OnEndDock); }
TPropInfo OnCanResize() { return prop::Event("OnCanResize", CanResizeEventType, &TControl::OnCanResize); }
TPropInfo OnConstrainedResize()
{
    return prop::Event("OnConstrainedResize", ConstrainedResizeEventType, &TControl::OnConstrainedResize);
}
TPropInfo OnDockDrop() { return prop::Event("OnDockDrop", DragDropEventType, &TWinControl::OnDockDrop); }
TPropInfo OnDockOver() { return prop::Event("OnDockOver", DragOverEventType, &TWinControl::OnDockOver); }
TPropInfo OnUnDock() { return prop::Event("OnUnDock", UnDockEventType, &TWinControl::OnUnDock); }
TPropInfo OnGetSiteInfo()
{
    return prop::Event("OnGetSiteInfo", GetSiteInfoEventType, &TWinControl::OnGetSiteInfo);
}
TPropInfo OnMouseWheel() { return prop::Event("OnMouseWheel", MouseWheelEventType, &TWinControl::OnMouseWheel); }
TPropInfo OnMouseWheelDown()
{
    return prop::Event("OnMouseWheelDown", MouseWheelUpDownEventType, &TWinControl::OnMouseWheelDown);
}
TPropInfo OnMouseWheelUp()
{
    return prop::Event("OnMouseWheelUp", MouseWheelUpDownEventType, &TWinControl::OnMouseWheelUp);
}
TPropInfo OEMConvert()
{
    return prop::Boolean("OEMConvert", &TWinControl::GetOEMConvert, &TWinControl::SetOEMConvert);
}
TPropInfo BevelEdges()
{
    return prop::Set("BevelEdges", BevelEdgeType, &TWinControl::GetBevelEdges, &TWinControl::SetBevelEdges);
}
TPropInfo BevelInner()
{
    return prop::Enum("BevelInner", BevelCutType, &TWinControl::GetBevelInner, &TWinControl::SetBevelInner);
}
TPropInfo BevelOuter()
{
    return prop::Enum("BevelOuter", BevelCutType, &TWinControl::GetBevelOuter, &TWinControl::SetBevelOuter);
}
TPropInfo BevelKind()
{
    return prop::Enum("BevelKind", BevelKindType, &TWinControl::GetBevelKind, &TWinControl::SetBevelKind);
}
TPropInfo BevelWidth()
{
    return prop::Integer("BevelWidth", &TWinControl::GetBevelWidth, &TWinControl::SetBevelWidth);
}

std::vector<TPropInfo> Join(std::initializer_list<TPropInfo> own, const std::vector<TPropInfo>& shared)
{
    std::vector<TPropInfo> all(own);
    all.insert(all.end(), shared.begin(), shared.end());
    return all;
}

std::vector<TPropInfo> BevelMembers()
{
    return {BevelEdges(), BevelInner(), BevelOuter(), BevelKind(), BevelWidth()};
}

std::vector<TPropInfo> ScrollingContainerEvents()
{
    return {OnCanResize(), OnConstrainedResize(), OnDockDrop(),       OnDockOver(),    OnGetSiteInfo(),
            OnUnDock(),    OnMouseWheel(),        OnMouseWheelDown(), OnMouseWheelUp()};
}

TPropInfo ParentBackground()
{
    return prop::Boolean("ParentBackground", &TWinControl::GetParentBackground, &TWinControl::SetParentBackground);
}

} // namespace fw::std_props
