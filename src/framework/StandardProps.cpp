#include "framework/StandardProps.h"

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

} // namespace fw::std_props
