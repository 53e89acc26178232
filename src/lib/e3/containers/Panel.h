#pragma once
// The panel the engine's form descriptions use most: a container that passes
// Enabled and LockedEdit on to its children, draws the mandatory marker, can
// show a size grip and serves as a dock site that grows with a docked form and
// shrinks back when the last one goes.
#include "e3/common/ControlBase.h"
#include "framework/Docking.h"

#include <QSize>

#include <memory>

namespace e3 {

using fw::bvLowered;
using fw::bvNone;
using fw::bvRaised;
using fw::bvSpace;
using fw::TBevelCut;
enum TPanelAlignment { palLeftJustify, palRightJustify, palCenter };
enum TPanelBorderStyle { pbsNone, pbsSingle };

using fw::BevelCutType;
extern const fw::TEnumType PanelAlignmentType;
extern const fw::TEnumType PanelBorderStyleType;

class PanelWidget;
class Te3_Panel;

class Te3CustomPanel : public Te3Control<fw::TWinControl>, public fw::IDockSite {
    FW_CLASS()
public:
    explicit Te3CustomPanel(fw::TComponent* owner);

    void SetEnabled(bool value) override;
    void SetParent(fw::TWinControl* parent) override;
    bool GetLockedEdit() const { return cascade_.LockedEdit(); }
    virtual void SetLockedEdit(bool value);
    bool GetEnabling() const { return cascade_.Enabling(); }
    bool EnabledWishValue() const { return cascade_.Wish(); }

    TPanelAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TPanelAlignment value);
    TBevelCut GetBevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    TBevelCut GetBevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    int32_t GetBevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int32_t value);
    int32_t GetBorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int32_t value);
    TPanelBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TPanelBorderStyle value);
    bool GetFullRepaint() const { return fullRepaint_; }
    void SetFullRepaint(bool value) { fullRepaint_ = value; }
    bool GetLocked() const { return locked_; }
    void SetLocked(bool value) { locked_ = value; }
    void SetText(const std::string& text) override;

    bool GetMnShow() const { return mnShow_; }
    void SetMnShow(bool value);
    int32_t GetMnWidth() const { return mnWidth_; }
    void SetMnWidth(int32_t value);
    int32_t GetMnHeight() const { return mnHeight_; }
    void SetMnHeight(int32_t value);
    fw::TColor GetMnColor() const { return mnColor_; }
    void SetMnColor(fw::TColor value);
    // The overlay that draws the marker, made now if there is none yet.
    const MandatoryMarker& Marker() const { return MarkerWidget(); }

    // Actions. _Change fires OnChange whatever text it is given.
    void Change(const std::string& ignored = {});
    void SetFocus();
    void SetSizeGrip(bool value);
    bool HasSizeGrip() const { return sizeGrip_; }
    Te3_Panel* SizeGripPanel() const { return gripPanel_.get(); }
    void BringToFront();

    // Docking. The undocked height is the height the control had before it
    // was docked; the panel grows to it and gives the growth back when the
    // last docked control leaves. With DockSite and UseDockManager on (the
    // latter is by default) the dock manager arranges the docked controls.
    void DockDrop(fw::TControl& source, int32_t x, int32_t y);
    void DockDrop(fw::TControl& source, int32_t x, int32_t y, fw::TAlign insertAt,
                  fw::TControl* dropOnControl) override;
    // False when the OnUnDock handler refused.
    bool DoUnDock(fw::TWinControl* newTarget, fw::TControl& client) override;
    // A docked form about to be shown grows the panel, one about to be hidden
    // gives the height back.
    void DockedVisibleChanging(fw::TControl& client, bool visible) override;
    // Made on first use from the default dock manager class.
    fw::IDockManager* DockManager() override;
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
    int32_t HeightBeforeDocking() const { return heightBeforeDocking_; }
    // The height the control had before it was docked here; a control that
    // did not come in through DockDrop counts with its current height. A
    // docked form that is shown again grows the panel back to it.
    int32_t UndockedHeight(const fw::TControl& control) const { return UndockedSize(control).height(); }
    // The same for the whole size, which the dock tree floats the control at.
    QSize UndockedSize(const fw::TControl& control) const;

    fw::TNotifyEvent OnChange;

protected:
    void ApplyEnabled() override;
    void ChildRemoved(fw::TControl* child) override;

private:
    friend class PanelWidget;
    friend void RestorePanelHeight(Te3CustomPanel& panel, fw::TControl& control);
    void UpdateMarker();
    MandatoryMarker& MarkerWidget() const;
    void Repaint();

    ContainerCascade cascade_;
    PanelWidget* panel_;
    // The overlay widget exists only once a marker is drawn or asked for: most
    // panels never show one, and a second widget per panel doubles what an
    // Enabled change of a container has to pass through.
    mutable QPointer<MandatoryMarker> marker_;
    bool mnShow_ = false;
    int32_t mnWidth_ = 5;
    int32_t mnHeight_ = 5;
    fw::TColor mnColor_ = fw::clRed;
    TPanelAlignment alignment_ = palCenter;
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    int32_t bevelWidth_ = 1;
    int32_t borderWidth_ = 0;
    TPanelBorderStyle borderStyle_ = pbsNone;
    bool fullRepaint_ = true;
    bool locked_ = false;
    bool sizeGrip_ = false;
    fw::Guard<Te3_Panel> gripPanel_;
    int32_t heightBeforeDocking_ = -1;
    struct DockedControl {
        fw::Guard<fw::TControl> control;
        QSize undockedSize;
    };
    // A few at most: the controls docked here and not undocked since.
    std::vector<DockedControl> docked_;
    std::unique_ptr<fw::IDockManager> dockManager_;
};

class Te3Panel : public Te3CustomPanel {
    FW_CLASS()
public:
    using Te3CustomPanel::Te3CustomPanel;
};

class Te3_Panel : public Te3Panel {
    FW_CLASS()
public:
    using Te3Panel::Te3Panel;
};

// Grows the panel to the docked control's undocked height when it is lower;
// a holding client form with ResizeDock grows by as much.
void GrowPanelForDock(Te3CustomPanel& panel, fw::TControl& control);
// Once no other child of the panel is visible, gives the panel back its height
// from before docking (and the holding client form with ResizeDock the
// difference). A panel that never had a control docked keeps its height.
void RestorePanelHeight(Te3CustomPanel& panel, fw::TControl& control);

} // namespace e3
