#include "e3/grids/DBGrid.h"

#include "framework/InputBridge.h"
#include "framework/StandardProps.h"

#include <QHeaderView>

namespace e3 {

class Te3CustomDBGrid::View : public OwnedWidget<QTableView, Te3CustomDBGrid> {
public:
    using OwnedWidget::OwnedWidget;
};

const fw::TClassInfo& Te3CustomDBGrid::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomDBGrid", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomDBGrid::Te3CustomDBGrid(fw::TComponent* owner)
    : Te3Control(owner, {kHintWords, &Te3DBGrid::StaticClass}, EnabledRule::plain)
    , table_(OwnWidget(new View(this)))
{
    // A flat single border one pixel wide.
    table_->setFrameShape(QFrame::Box);
    table_->setLineWidth(1);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Presses land on the viewport.
    fw::InstallInputBridge(this, table_->viewport());
    SetBounds(0, 0, 320, 120);
}

QTableView* Te3CustomDBGrid::Table() const
{
    return table_;
}

void Te3CustomDBGrid::DoMouseDown(fw::TMouseButton button, fw::TShiftState shift, int32_t x, int32_t y)
{
    if (OnBeforeMouseDown)
        OnBeforeMouseDown(this);
    fw::TWinControl::DoMouseDown(button, shift, x, y);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3DBGrid::StaticClass()
{
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3DBGrid",
        &Te3CustomDBGrid::StaticClass(),
        fw::TRows<Te3DBGrid> {
            sp::Color(),
            sp::Enabled(),
            sp::Font(),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
        },
        fw::MakeFactory<Te3DBGrid>(),
    };
    return info;
}

const fw::TClassInfo& Te3_DBGrid::StaticClass()
{
    using C = Te3_DBGrid;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_DBGrid",
        &Te3DBGrid::StaticClass(),
        fw::TRows<Te3_DBGrid> {
            sp::Align(),
            sp::Anchors(),
            sp::BiDiMode(),
            sp::Constraints(),
            sp::Ctl3D(),
            sp::DragCursor(),
            sp::DragKind(),
            sp::DragMode(),
            sp::Parent(),
            sp::ParentBiDiMode(),
            sp::ParentColor(),
            sp::ParentCtl3D(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::PopupMenu(),
            sp::ShowHint(),
            fw::prop::Boolean("ScaleCol", &C::GetScaleCol, &C::SetScaleCol),
            fw::prop::Event("OnBeforeMouseDown", fw::NotifyEventType, &C::OnBeforeMouseDown),
            sp::OnClick(),
            sp::OnContextPopup(),
            sp::OnDblClick(),
            sp::DragEvents(),
            sp::DockEvents(),
            sp::FocusEvents(),
            sp::KeyEvents(),
            sp::MouseEvents(),
        },
        fw::MakeFactory<Te3_DBGrid>(),
    };
    return info;
}

} // namespace e3
