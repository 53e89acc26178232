#pragma once
// The collection panel: a left part with a bar of flat command buttons ("New",
// "Delete" and any the engine adds) over a one-column data-list grid of
// records; the rest of the panel holds the controls that show the selected
// record. Every button click and every entry of a button's drop-down menu
// reaches the engine as OnCollButtonClick.
#include "e3/buttons/SpeedButton.h"
#include "e3/common/CollectionKeys.h"
#include "e3/containers/Panel.h"
#include "framework/Actions.h"
#include "framework/Events.h"

#include <memory>
#include <string>
#include <vector>

namespace e3 {

class Te3_Bevel;
class Te3_DLDrawGrid;
class Te3BaseCollection;

enum TCollStyle { csONL, csTable };
extern const fw::TEnumType CollStyleType;
using e3DropDownMenuPos = TRxDropDownMenuPos;

// The message the client form posts to a collection for Insert, numeric-pad
// plus and Delete; its parameter is the virtual-key code.
constexpr uint32_t CollectionKeyMessage = 0x0400 + 100;

// The command button of a collection. Its click always goes to the
// collection, and the collection names it (collection name + function name).
class Te3_CollSpeedButton : public Te3_SpeedButton {
    FW_CLASS()
public:
    explicit Te3_CollSpeedButton(fw::TComponent* owner);
    ~Te3_CollSpeedButton() override;

    std::string GetFunctionName() const { return functionName_; }
    void SetFunctionName(const std::string& value);
    std::string GetGlyphName() const { return glyphName_; }
    void SetGlyphName(const std::string& value);
    bool GetClickHidden() const { return false; }

    // The collection gives the name; a name from outside is ignored.
    void SetName(const std::string& name) override;
    void SetParent(fw::TWinControl* parent) override;
    // A move or a change of visibility puts hidden buttons behind the visible ones.
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
    void SetVisible(bool value) override;

    Te3BaseCollection* Collection() const { return collection_.get(); }

private:
    friend class Te3BaseCollection;
    void Rename();

    std::string functionName_;
    std::string glyphName_;
    fw::Guard<Te3BaseCollection> collection_;
};

class Te3BaseCollection : public Te3CustomPanel {
    FW_CLASS()
public:
    explicit Te3BaseCollection(fw::TComponent* owner);
    ~Te3BaseCollection() override;

    bool IsTranslatable(const std::string& propName) const override;
    const fw::TClassInfo& GetLanguageClass() const override;

    void SetLockedEdit(bool value) override;
    void SetName(const std::string& name) override;

    int32_t GetGridWidth() const;
    void SetGridWidth(int32_t value);
    fw::TAlign GetGridAlign() const;
    void SetGridAlign(fw::TAlign value);
    int32_t GetLeftPanelTabOrder() const;
    void SetLeftPanelTabOrder(int32_t value);
    bool GetLeftPanelTabStop() const;
    void SetLeftPanelTabStop(bool value);
    int32_t GetGridDefaultRowHeight() const;
    void SetGridDefaultRowHeight(int32_t value);
    int32_t GetGridColor() const;
    void SetGridColor(int32_t value);
    int32_t GetColorTwo() const;
    void SetColorTwo(int32_t value);
    bool GetTwoColors() const;
    void SetTwoColors(bool value);
    // Reads False; writing it has no effect.
    bool GetButtonCaptions() const { return false; }
    void SetButtonCaptions(bool) {}
    e3DropDownMenuPos GetMenuPosition() const { return menuPosition_; }
    void SetMenuPosition(e3DropDownMenuPos value);
    TCollStyle GetStyle() const { return style_; }
    void SetStyle(TCollStyle value);

    Te3_DLDrawGrid* GetDrawGrid() const { return grid_; }
    Te3_Panel* LeftPanel() const { return leftPanel_; }
    Te3_Panel* ButtonBar() const { return buttonBar_; }
    Te3_Bevel* Separator() const { return separator_; }
    fw::TCustomImageList* Images() const { return images_.get(); }
    const std::vector<std::string>& ImageNames() const { return imageNames_; }

    int32_t ButtonCount() const { return static_cast<int32_t>(buttons_.size()); }
    Te3_CollSpeedButton* Button(int32_t index) const { return buttons_.at(static_cast<size_t>(index)); }
    int32_t IndexOfButton(const fw::TObject* button) const;
    // The first button whose function name equals name, case ignored.
    Te3_CollSpeedButton* FindButton(const std::string& functionName) const;
    // A new button in the bar, after the others.
    Te3_CollSpeedButton* AddButton(const std::string& functionName, const std::string& glyphName);

    // What every button, menu entry and drop-down menu of the bar runs.
    void DispatchClick(fw::TObject* sender);
    virtual void ButtonClick(fw::TObject* button, int32_t menuItemIndex);

    // Engine actions.
    void ActNewButtonMenuAddItem(const std::string& value);
    void ActNewButtonMenuClear(const std::string& ignored);

    fw::TCollButtonClickEvent OnCollButtonClick;

private:
    friend class Te3_CollSpeedButton;
    void Join(Te3_CollSpeedButton* button);
    void Leave(Te3_CollSpeedButton* button);
    // Hidden buttons go behind the visible ones in the bar, each group keeping
    // its order, so that a left-aligned bar shows no gap and a hidden button
    // does not come back in front of buttons that took its place.
    void KeepHiddenButtonsBehind();
    int32_t ImageIndexFor(const std::string& imageName);

    Te3_Panel* leftPanel_;
    Te3_Bevel* separator_;
    Te3_Panel* buttonBar_;
    Te3_DLDrawGrid* grid_;
    std::vector<Te3_CollSpeedButton*> buttons_;
    std::unique_ptr<fw::TCustomImageList> images_;
    std::vector<std::string> imageNames_;
    e3DropDownMenuPos menuPosition_ = dmpBottom;
    TCollStyle style_ = csONL;
    bool arranging_ = false;
};

class Te3CustomCollection : public Te3BaseCollection, public ICollectionKeys {
    FW_CLASS()
public:
    explicit Te3CustomCollection(fw::TComponent* owner);

    bool TakeChildKey(fw::TWinControl* focused, uint16_t key, fw::TShiftState shift) override;

    // Insert and numeric-pad plus press "New", Delete presses "Delete"; a
    // pressed button with a drop-down menu opens it below its left edge.
    virtual void KeyCommand(uint16_t key);
};

class Te3Collection : public Te3CustomCollection {
    FW_CLASS()
public:
    using Te3CustomCollection::Te3CustomCollection;
};

class Te3_Collection : public Te3Collection {
    FW_CLASS()
public:
    using Te3Collection::Te3Collection;
};

// The picture the program keeps under a resource name ("NEW", "DELETE"); a
// null image for any other name.
QImage CollectionGlyph(const std::string& name);

} // namespace e3
