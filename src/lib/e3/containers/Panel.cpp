#include "e3/containers/Panel.h"

#include "e3/common/OwnedWidget.h"
#include "e3/dock/DockTree.h"
#include "framework/ApplicationException.h"
#include "framework/Form.h"
#include "framework/StandardProps.h"

#include <QEvent>
#include <QPainter>
#include <QStatusBar>

namespace e3 {

const fw::TEnumType PanelAlignmentType {"TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}};
const fw::TEnumType PanelBorderStyleType {"TBorderStyle", {"bsNone", "bsSingle"}};

// The panel's own surface: border, bevels and caption.
class PanelWidget : public OwnedWidget<QWidget, Te3CustomPanel> {
public:
    explicit PanelWidget(Te3CustomPanel* owner) : OwnedWidget(owner) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!owner_)
            return;
        QPainter painter(this);
        QRect r = rect();
        if (owner_->borderStyle_ == pbsSingle) {
            painter.setPen(fw::ToQColor(fw::clWindowFrame));
            painter.drawRect(r.adjusted(0, 0, -1, -1));
            r.adjust(1, 1, -1, -1);
        }
        auto bevel = [&](TBevelCut cut) {
            if (cut == bvNone)
                return;
            if (cut != bvSpace) {
                const QColor light = fw::ToQColor(fw::clBtnHighlight);
                const QColor dark = fw::ToQColor(fw::clBtnShadow);
                const QColor topLeft = cut == bvRaised ? light : dark;
                const QColor bottomRight = cut == bvRaised ? dark : light;
                for (int i = 0; i < owner_->bevelWidth_; ++i)
                    fw::DrawEdgeLines(painter, r.adjusted(i, i, -i - 1, -i - 1), topLeft, bottomRight);
            }
            r.adjust(owner_->bevelWidth_, owner_->bevelWidth_, -owner_->bevelWidth_, -owner_->bevelWidth_);
        };
        bevel(owner_->bevelOuter_);
        r.adjust(owner_->borderWidth_, owner_->borderWidth_, -owner_->borderWidth_, -owner_->borderWidth_);
        bevel(owner_->bevelInner_);
        const std::string caption = owner_->GetText();
        if (caption.empty())
            return;
        Qt::Alignment align = Qt::AlignVCenter;
        align |= owner_->alignment_ == palLeftJustify    ? Qt::AlignLeft
                 : owner_->alignment_ == palRightJustify ? Qt::AlignRight
                                                        : Qt::AlignHCenter;
        painter.setPen(fw::ToQColor(owner_->GetEnabled() ? owner_->GetFont()->GetColor() : fw::clGrayText));
        painter.drawText(r, static_cast<int>(align), QString::fromStdString(caption));
    }
};

namespace {

// The panel draws its marker with a thin black outline around the fill.
class PanelMarker : public MandatoryMarker {
public:
    using MandatoryMarker::MandatoryMarker;

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!IsDrawn())
            return;
        const std::array<QPoint, 3> c = Corners();
        QPainter painter(this);
        painter.setPen(Qt::black);
        painter.setBrush(fw::ToQColor(DrawnColor()));
        painter.drawPolygon(QPolygon({c[0], c[1], c[2]}));
    }
};

// Keeps the status bar that draws the grip a little larger than its panel on
// every side, as if anchored to all four.
class GripFollower : public QObject {
public:
    GripFollower(QWidget* panel, QStatusBar* bar) : QObject(panel), bar_(bar)
    {
        panel->installEventFilter(this);
        Place(panel);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            fw::RunFromEventLoop([&] { Place(static_cast<QWidget*>(watched)); });
        return false;
    }

private:
    void Place(QWidget* panel) { bar_->setGeometry(-1, -3, panel->width() + 2, panel->height() + 4); }
    QStatusBar* bar_;
};

// The edit part of a code and text combo box: the combo box passes Enabled
// and LockedEdit on to it itself.
bool IsComboEditPart(const fw::TControl& child)
{
    static thread_local const InheritsFromNamed isEdit {"Te3_Edit"};
    static thread_local const InheritsFromNamed isCodeCombo {"Te3_CComboBox"};
    // The owner first: children mostly share it, so its answer is at hand.
    return child.Owner() && isCodeCombo(child.Owner()->ClassType()) && isEdit(child.ClassType());
}

// The form or frame that holds a control.
fw::TComponent* HoldingFormOrFrame(fw::TControl* control)
{
    if (!control)
        return nullptr;
    auto isFormOrFrame = [](fw::TComponent* c) {
        return c && (dynamic_cast<fw::TCustomForm*>(c) || c->ClassType().InheritsFromName("Te3ClientFrame"));
    };
    if (isFormOrFrame(control))
        return control;
    if (isFormOrFrame(control->Owner()))
        return control->Owner();
    for (fw::TWinControl* p = control->Parent(); p; p = p->Parent())
        if (isFormOrFrame(p))
            return p;
    return control->Owner();
}

// The client form that follows its dock panel's height, if the panel has one.
fw::TControl* ResizingClientForm(Te3CustomPanel& panel)
{
    auto* form = dynamic_cast<fw::TControl*>(HoldingFormOrFrame(panel.Parent()));
    auto* client = dynamic_cast<fw::IDockClient*>(form);
    return client && client->ResizeDock() ? form : nullptr;
}

} // namespace

const fw::TClassInfo& Te3CustomPanel::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomPanel", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomPanel::Te3CustomPanel(fw::TComponent* owner)
    : Te3Control(owner, {kCaptionHintWords, &Te3Panel::StaticClass}, EnabledRule::plain)
    , panel_(new PanelWidget(this))
{
    OwnWidget(panel_);
    SetBounds(0, 0, 185, 41);
    SetUseDockManager(true);
}

MandatoryMarker& Te3CustomPanel::MarkerWidget() const
{
    if (!marker_) {
        auto* marker = new PanelMarker(panel_);
        // It draws from the state it is given, never from Qt's: kept disabled
        // for Qt, the panel's Enabled changes pass it by.
        marker->setEnabled(false);
        marker->SetPlacement(0, MarkerPlacement {5, 1});
        marker->SetWidth(mnWidth_);
        marker->SetHeight(mnHeight_);
        marker->SetColor(mnColor_);
        marker->SetControlState(HasParent(), GetEnabled());
        marker->SetShow(mnShow_);
        marker_ = marker;
    }
    return *marker_;
}

void Te3CustomPanel::UpdateMarker()
{
    if (marker_)
        marker_->SetControlState(HasParent(), GetEnabled());
    else if (mnShow_ && HasParent())
        MarkerWidget();
}

void Te3CustomPanel::SetMnShow(bool value)
{
    mnShow_ = value;
    if (marker_)
        marker_->SetShow(value);
    else
        UpdateMarker();
}

void Te3CustomPanel::SetMnWidth(int32_t value)
{
    mnWidth_ = value;
    if (marker_)
        marker_->SetWidth(value);
}

void Te3CustomPanel::SetMnHeight(int32_t value)
{
    mnHeight_ = value;
    if (marker_)
        marker_->SetHeight(value);
}

void Te3CustomPanel::SetMnColor(fw::TColor value)
{
    mnColor_ = value;
    if (marker_)
        marker_->SetColor(value);
}

void Te3CustomPanel::Repaint()
{
    panel_->update();
}

void Te3CustomPanel::ApplyEnabled()
{
    const bool shownEnabled = panel_->isEnabled();
    fw::TWinControl::ApplyEnabled();
    UpdateMarker();
    // Qt repaints a widget whose enabled state it changed itself; the caption
    // follows our own state, which also changes inside a disabled parent. In
    // the pass of a parent that Qt has just disabled, Qt has already asked this
    // widget to repaint, and the paint comes after our state is set.
    if (panel_->isEnabled() == shownEnabled && !ContainerCascade::QtPassedOnTo(*panel_))
        Repaint();
}

void Te3CustomPanel::SetParent(fw::TWinControl* parent)
{
    fw::TWinControl::SetParent(parent);
    UpdateMarker();
}

void Te3CustomPanel::SetEnabled(bool value)
{
    cascade_.SetEnabled(*this, value, [this](bool v) { fw::TWinControl::SetEnabled(v); }, &IsComboEditPart);
}

void Te3CustomPanel::SetLockedEdit(bool value)
{
    cascade_.SetLockedEdit(*this, value, &IsComboEditPart);
}

void Te3CustomPanel::SetText(const std::string& text)
{
    fw::TWinControl::SetText(text);
    Repaint();
}

void Te3CustomPanel::SetAlignment(TPanelAlignment value)
{
    alignment_ = value;
    Repaint();
}

void Te3CustomPanel::SetBevelInner(TBevelCut value)
{
    bevelInner_ = value;
    Repaint();
}

void Te3CustomPanel::SetBevelOuter(TBevelCut value)
{
    bevelOuter_ = value;
    Repaint();
}

void Te3CustomPanel::SetBevelWidth(int32_t value)
{
    bevelWidth_ = value;
    Repaint();
}

void Te3CustomPanel::SetBorderWidth(int32_t value)
{
    borderWidth_ = value;
    Repaint();
}

void Te3CustomPanel::SetBorderStyle(TPanelBorderStyle value)
{
    borderStyle_ = value;
    Repaint();
}

void Te3CustomPanel::Change(const std::string&)
{
    if (OnChange)
        OnChange(this);
}

void Te3CustomPanel::SetFocus()
{
    panel_->setFocusPolicy(Qt::StrongFocus);
    panel_->setFocus(Qt::OtherFocusReason);
}

void Te3CustomPanel::SetSizeGrip(bool value)
{
    if (value == sizeGrip_)
        return;
    sizeGrip_ = value;
    if (value) {
        auto* grip = new Te3_Panel(this);
        grip->SetBevelOuter(bvNone);
        grip->SetWidth(20);
        grip->SetAlign(fw::alRight);
        grip->SetParent(this);
        auto* bar = new QStatusBar(grip->Widget());
        bar->setSizeGripEnabled(true);
        new GripFollower(grip->Widget(), bar);
        bar->show();
        gripPanel_ = grip;
    } else {
        delete gripPanel_.get();
        gripPanel_ = nullptr;
    }
}

void Te3CustomPanel::BringToFront()
{
    panel_->raise();
}

void Te3CustomPanel::DockDrop(fw::TControl& source, int32_t x, int32_t y)
{
    DockDrop(source, x, y, fw::alClient, nullptr);
}

void Te3CustomPanel::DockDrop(fw::TControl& source, int32_t x, int32_t y, fw::TAlign insertAt,
                              fw::TControl* dropOnControl)
{
    // A control that is docked here already (docked again, or handed over by
    // the panel it came from) keeps the size it had before it was first
    // docked: its current size lacks the caption bar the dock manager took
    // and has only its share of the width.
    const QSize undockedSize =
        source.Parent() == this ? UndockedSize(source) : QSize(source.GetWidth(), source.GetHeight());
    fw::Guard<Te3CustomPanel> self(this);
    fw::Guard<fw::TControl> docked(&source);
    if (fw::IDockManager* manager = DockManager()) {
        source.SetAlign(fw::alNone);
        source.SetParent(this);
        manager->InsertControl(&source, insertAt, dropOnControl);
        // The dock tree floats the control at that size too; one handed over
        // by another panel comes to it already shaped by that panel.
        if (auto* tree = dynamic_cast<Tg3CustomDockTree*>(manager); tree && docked && tree->FindControlZone(&source))
            tree->KeepUndockedSize(source, undockedSize);
    } else {
        source.SetParent(this);
        source.SetAlign(insertAt >= fw::alNone && insertAt <= fw::alCustom ? insertAt : fw::alClient);
    }
    if (OnDockDrop)
        OnDockDrop(this, &source, x, y);
    if (!self || !docked)
        return;
    if (heightBeforeDocking_ == -1)
        heightBeforeDocking_ = GetHeight();
    std::erase_if(docked_, [&](const DockedControl& d) { return !d.control || d.control.get() == &source; });
    docked_.push_back({fw::Guard<fw::TControl>(&source), undockedSize});
    GrowPanelForDock(*this, source);
}

QSize Te3CustomPanel::UndockedSize(const fw::TControl& control) const
{
    for (const DockedControl& d : docked_)
        if (d.control.get() == &control)
            return d.undockedSize;
    return {control.GetWidth(), control.GetHeight()};
}

bool Te3CustomPanel::DoUnDock(fw::TWinControl* newTarget, fw::TControl& client)
{
    fw::Guard<Te3CustomPanel> self(this);
    fw::Guard<fw::TControl> undocked(&client);
    bool allow = true;
    if (OnUnDock)
        OnUnDock(this, &client, newTarget, allow);
    if (!allow || !self || !undocked)
        return false;
    const QSize undockedSize = UndockedSize(client);
    fw::Guard<Te3CustomPanel> target(dynamic_cast<Te3CustomPanel*>(newTarget));
    if (dockManager_)
        dockManager_->RemoveControl(&client);
    client.SetAlign(fw::alNone);
    client.SetParent(newTarget);
    RestorePanelHeight(*this, client);
    if (self)
        std::erase_if(docked_, [&](const DockedControl& d) { return !d.control || d.control.get() == &client; });
    // On its way into another panel the control takes its undocked size
    // along, so that moving it from panel to panel loses nothing.
    if (Te3CustomPanel* next = target.get(); next && next != this && undocked && client.Parent() == next) {
        std::erase_if(next->docked_,
                      [&](const DockedControl& d) { return !d.control || d.control.get() == &client; });
        next->docked_.push_back({fw::Guard<fw::TControl>(&client), undockedSize});
    }
    return true;
}

void Te3CustomPanel::DockedVisibleChanging(fw::TControl& client, bool visible)
{
    if (visible)
        GrowPanelForDock(*this, client);
    else
        RestorePanelHeight(*this, client);
}

fw::IDockManager* Te3CustomPanel::DockManager()
{
    if (!dockManager_ && GetDockSite() && GetUseDockManager())
        dockManager_ = fw::CreateDefaultDockManager(*this);
    return dockManager_.get();
}

void Te3CustomPanel::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    fw::TWinControl::SetBounds(left, top, width, height);
    if (dockManager_)
        dockManager_->ResetBounds(false);
}

void Te3CustomPanel::ChildRemoved(fw::TControl* child)
{
    fw::TWinControl::ChildRemoved(child);
    if (dockManager_)
        dockManager_->RemoveControl(child);
}

void GrowPanelForDock(Te3CustomPanel& panel, fw::TControl& control)
{
    const int32_t undockedHeight = panel.UndockedHeight(control);
    if (panel.GetHeight() >= undockedHeight)
        return;
    const int32_t growth = undockedHeight - panel.GetHeight();
    panel.SetHeight(undockedHeight);
    if (fw::TControl* form = ResizingClientForm(panel))
        form->SetHeight(form->GetHeight() + growth);
}

void RestorePanelHeight(Te3CustomPanel& panel, fw::TControl& control)
{
    for (fw::TControl* child : panel.ChildControls())
        if (child != &control && child->GetVisible())
            return;
    // Nothing was ever docked: there is no height to go back to.
    if (panel.heightBeforeDocking_ < 0)
        return;
    if (fw::TControl* form = ResizingClientForm(panel))
        form->SetHeight(form->GetHeight() + panel.heightBeforeDocking_ - panel.GetHeight());
    panel.SetHeight(panel.heightBeforeDocking_);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3Panel::StaticClass()
{
    using C = Te3Panel;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3Panel",
        &Te3CustomPanel::StaticClass(),
        fw::TRows<Te3Panel> {
            fw::prop::Enum("Alignment", PanelAlignmentType, &C::GetAlignment, &C::SetAlignment),
            sp::Caption(),
            sp::Color(),
            fw::prop::Enum("BevelInner", BevelCutType, &C::GetBevelInner, &C::SetBevelInner),
            fw::prop::Enum("BevelOuter", BevelCutType, &C::GetBevelOuter, &C::SetBevelOuter),
            sp::Enabled(),
            fw::prop::Boolean("FullRepaint", &C::GetFullRepaint, &C::SetFullRepaint),
            sp::Font(),
            fw::prop::Boolean("Locked", &C::GetLocked, &C::SetLocked),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
            fw::prop::Boolean("MnShow", &C::GetMnShow, &C::SetMnShow),
            fw::prop::Integer("MnWidth", &C::GetMnWidth, &C::SetMnWidth),
            fw::prop::Integer("MnHeight", &C::GetMnHeight, &C::SetMnHeight),
            fw::prop::Integer("MnColor", &C::GetMnColor, &C::SetMnColor),
        },
        fw::MakeFactory<Te3Panel>(),
    };
    return info;
}

namespace {
// Runs with the value written; like every action it reads False.
fw::TRow<Te3_Panel> SizeGripAction()
{
    fw::TRow<Te3_Panel> row = fw::prop::Boolean<Te3_Panel>("_SizeGrip", nullptr, &Te3_Panel::SetSizeGrip);
    row.info.get = [](fw::TObject&) -> fw::PropValue { return int64_t {0}; };
    return row;
}
} // namespace

const fw::TClassInfo& Te3_Panel::StaticClass()
{
    using C = Te3_Panel;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_Panel",
        &Te3Panel::StaticClass(),
        fw::TRows<Te3_Panel> {
            sp::Align(),
            sp::Anchors(),
            sp::AutoSize(),
            fw::prop::Integer("BevelWidth", &C::GetBevelWidth, &C::SetBevelWidth),
            fw::prop::Integer("BorderWidth", &C::GetBorderWidth, &C::SetBorderWidth),
            fw::prop::Enum("BorderStyle", PanelBorderStyleType, &C::GetBorderStyle, &C::SetBorderStyle),
            sp::Constraints(),
            sp::Parent(),
            fw::prop::Boolean("Enabling", &C::GetEnabling, nullptr),
            sp::ParentColor(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::ShowHint(),
            sp::BiDiMode(),
            sp::Ctl3D(),
            sp::DragCursor(),
            sp::DragKind(),
            sp::DragMode(),
            sp::ImeMode(),
            sp::ParentBiDiMode(),
            sp::ParentCtl3D(),
            sp::ParentBackground(),
            sp::DockSite(),
            sp::UseDockManager(),
            sp::PopupMenu(),
            fw::prop::Boolean("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
            fw::prop::StringAction("_Change", &C::Change),
            fw::prop::BoolAction("_SetFocus", &C::SetFocus),
            SizeGripAction(),
            fw::prop::BoolAction("_BringToFront", &C::BringToFront),
            fw::prop::Event("OnChange", fw::NotifyEventType, &C::OnChange),
            sp::OnClick(),
            sp::OnDblClick(),
            sp::DockSiteEvents(),
            sp::FocusEvents(),
            sp::MouseEvents(),
            sp::OnResize(),
            sp::ResizeQuestions(),
            sp::OnContextPopup(),
            sp::DragEvents(),
            sp::DockEvents(),
        },
        fw::MakeFactory<Te3_Panel>(),
    };
    return info;
}

} // namespace e3
