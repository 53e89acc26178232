#include "e3/grids/HeaderControl.h"

#include "framework/StandardProps.h"

#include <QStandardItemModel>

namespace e3 {

namespace {

constexpr int32_t EngineSectionMinWidth = 150;

} // namespace

const fw::TClassInfo& Te3CustomHeaderControl::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomHeaderControl", &fw::TWinControl::StaticClass(), {}};
    return info;
}

// The heading row; once the control is gone it forwards nothing.
class Te3CustomHeaderControl::View : public QHeaderView, public DisownableWidget {
public:
    explicit View(Te3CustomHeaderControl* owner)
        : QHeaderView(Qt::Horizontal)
        , owner_(owner)
    {
        connect(this, &QHeaderView::sectionClicked, this, [this](int logical) {
            if (owner_)
                owner_->SectionClicked(logical);
        });
        connect(this, &QHeaderView::sectionResized, this, [this](int logical, int, int newSize) {
            if (owner_)
                owner_->SectionResized(logical, newSize);
        });
    }

    void Disown() final { owner_ = nullptr; }

private:
    Te3CustomHeaderControl* owner_;
};

Te3CustomHeaderControl::Te3CustomHeaderControl(fw::TComponent* owner)
    : Te3Control(owner, {kHintWords, &Te3HeaderControl::StaticClass}, EnabledRule::plain)
    , header_(OwnWidget(new View(this)))
    , model_(new QStandardItemModel(0, 0, header_))
{
    header_->setModel(model_);
    header_->setSectionsClickable(true);
    header_->setStretchLastSection(false);
    header_->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header_->setMinimumSectionSize(0);
    SetBounds(0, 0, 185, 17);
}

QHeaderView* Te3CustomHeaderControl::Header() const
{
    return header_;
}

void Te3CustomHeaderControl::SectionClicked(int32_t index)
{
    if (OnSectionClick)
        OnSectionClick(this, index);
}

void Te3CustomHeaderControl::SectionResized(int32_t index, int32_t newSize)
{
    // A section is never narrower than its minimum, however it is dragged.
    if (enforcing_ || index < 0 || index >= static_cast<int32_t>(minWidths_.size()))
        return;
    if (newSize < minWidths_[index]) {
        enforcing_ = true;
        header_->resizeSection(index, minWidths_[index]);
        enforcing_ = false;
    }
    if (OnSectionResize)
        OnSectionResize(this);
}

int32_t Te3CustomHeaderControl::SectionCount() const
{
    return model_->columnCount();
}

std::string Te3CustomHeaderControl::SectionText(int32_t index) const
{
    if (index < 0 || index >= SectionCount())
        return {};
    return model_->headerData(index, Qt::Horizontal).toString().toStdString();
}

int32_t Te3CustomHeaderControl::SectionWidth(int32_t index) const
{
    if (index < 0 || index >= SectionCount())
        return 0;
    return header_->sectionSize(index);
}

int32_t Te3CustomHeaderControl::SectionMinWidth(int32_t index) const
{
    if (index < 0 || index >= static_cast<int32_t>(minWidths_.size()))
        return 0;
    return minWidths_[index];
}

void Te3CustomHeaderControl::AddSection(const std::string& text, int32_t minWidth)
{
    const int column = model_->columnCount();
    minWidths_.push_back(std::max(0, minWidth));
    model_->insertColumn(column);
    model_->setHeaderData(column, Qt::Horizontal, QString::fromStdString(text));
    header_->resizeSection(column, std::max(header_->defaultSectionSize(), minWidths_.back()));
}

void Te3CustomHeaderControl::ClearSections()
{
    model_->setColumnCount(0);
    minWidths_.clear();
}

bool Te3CustomHeaderControl::GetFullDrag() const
{
    return fullDrag_;
}

void Te3CustomHeaderControl::SetFullDrag(bool value)
{
    // Qt's header always resizes live; the flag is kept for the engine.
    fullDrag_ = value;
}

bool Te3CustomHeaderControl::GetHotTrack() const
{
    return header_->highlightSections();
}

void Te3CustomHeaderControl::SetHotTrack(bool value)
{
    header_->setHighlightSections(value);
}

bool Te3CustomHeaderControl::GetDragReorder() const
{
    return header_->sectionsMovable();
}

void Te3CustomHeaderControl::SetDragReorder(bool value)
{
    header_->setSectionsMovable(value);
}

void Te3CustomHeaderControl::ActSectionsAdd(const std::string& value)
{
    // Fields after the first are ignored.
    const std::string::size_type end = value.find("<|>");
    AddSection(end == std::string::npos ? value : value.substr(0, end), EngineSectionMinWidth);
}

void Te3CustomHeaderControl::ActSectionsClear()
{
    ClearSections();
}

void Te3CustomHeaderControl::ActSetFocus()
{
    header_->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3HeaderControl::StaticClass()
{
    using C = Te3HeaderControl;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3HeaderControl",
        &Te3CustomHeaderControl::StaticClass(),
        fw::TRows<Te3HeaderControl> {
            sp::Enabled(),
            sp::Font(),
            fw::prop::Boolean("FullDrag", &C::GetFullDrag, &C::SetFullDrag),
            fw::prop::Boolean("HotTrack", &C::GetHotTrack, &C::SetHotTrack),
            sp::TabOrder(),
            sp::Visible(),
        },
        fw::MakeFactory<Te3HeaderControl>(),
    };
    return info;
}

const fw::TClassInfo& Te3_HeaderControl::StaticClass()
{
    using C = Te3_HeaderControl;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_HeaderControl",
        &Te3HeaderControl::StaticClass(),
        fw::TRows<Te3_HeaderControl> {
            sp::Align(),
            sp::Anchors(),
            sp::BiDiMode(),
            sp::Constraints(),
            sp::Ctl3D(),
            sp::DragCursor(),
            sp::DragKind(),
            sp::DragMode(),
            fw::prop::Boolean("DragReorder", &C::GetDragReorder, &C::SetDragReorder),
            sp::Parent(),
            sp::ParentBiDiMode(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::PopupMenu(),
            sp::ShowHint(),
            fw::prop::StringAction("_SectionsAdd", &C::ActSectionsAdd),
            fw::prop::BoolAction("_SectionsClear", &C::ActSectionsClear),
            fw::prop::BoolAction("_SetFocus", &C::ActSetFocus),
            fw::prop::Event("OnSectionClick", fw::SectionClickEventType, &C::OnSectionClick),
            fw::prop::Event("OnSectionResize", fw::NotifyEventType, &C::OnSectionResize),
            sp::OnContextPopup(),
            sp::DragEvents(),
            sp::DockEvents(),
            sp::MouseEvents(),
        },
        fw::MakeFactory<Te3_HeaderControl>(),
    };
    return info;
}

} // namespace e3
