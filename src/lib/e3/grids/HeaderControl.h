#pragma once
// A row of column headings that the engine fills section by section; a click
// on a section reaches the engine with the section's index.
#include "e3/common/ControlBase.h"
#include "framework/Events.h"

#include <QHeaderView>

class QStandardItemModel;

namespace e3 {

class Te3CustomHeaderControl : public Te3Control<fw::TWinControl> {
    FW_CLASS()
public:
    explicit Te3CustomHeaderControl(fw::TComponent* owner);

    // Sections: text, width and the width a section never goes below.
    int32_t SectionCount() const;
    std::string SectionText(int32_t index) const;
    int32_t SectionWidth(int32_t index) const;
    int32_t SectionMinWidth(int32_t index) const;
    void AddSection(const std::string& text, int32_t minWidth);
    void ClearSections();

    bool GetFullDrag() const;
    void SetFullDrag(bool value);
    bool GetHotTrack() const;
    void SetHotTrack(bool value);
    bool GetDragReorder() const;
    void SetDragReorder(bool value);

    // Engine actions.
    void ActSectionsAdd(const std::string& value);
    void ActSectionsClear();
    void ActSetFocus();

    QHeaderView* Header() const;

    fw::TSectionClickEvent OnSectionClick;
    fw::TNotifyEvent OnSectionResize;

private:
    class View;
    void SectionClicked(int32_t index);
    void SectionResized(int32_t index, int32_t newSize);

    View* header_;
    QStandardItemModel* model_;
    std::vector<int32_t> minWidths_;
    bool fullDrag_ = true;
    bool enforcing_ = false;
};

class Te3HeaderControl : public Te3CustomHeaderControl {
    FW_CLASS()
public:
    using Te3CustomHeaderControl::Te3CustomHeaderControl;
};

class Te3_HeaderControl : public Te3HeaderControl {
    FW_CLASS()
public:
    using Te3HeaderControl::Te3HeaderControl;
};

} // namespace e3
