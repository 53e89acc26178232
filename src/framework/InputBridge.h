#pragma once
// Turns the input Qt delivers to a control's widget into the control's events
// with the original framework's rules: click on a left release inside after a
// press, key codes of the original platform, var keys that swallow or replace a
// key, the form's key preview, and OnEnter/OnExit along the parent chain for
// focus moves the user makes (not for window activation or pop-ups).
class QWidget;

namespace fw {

class TControl;

// Installs the bridge on widget for control; TControl::SetWidget installs it on
// the control's own widget, and a family installs it on an inner widget that
// takes input itself (a scroll area's viewport, say). Lives as long as widget.
void InstallInputBridge(TControl* control, QWidget* widget);

} // namespace fw
