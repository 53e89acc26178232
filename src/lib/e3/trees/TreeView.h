#pragma once
// The tree view the engine builds node by node. Every node carries an integer
// id of the engine's; the engine names nodes only by id, and every node event
// reports the id. Ids need not be unique: an id names the first node that has
// it in pre-order (parents before children, siblings in order).
#include "e3/common/ControlBase.h"
#include "e3/common/EditCommands.h"
#include "e3/trees/TreeEvents.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace e3 {

// While a node is being edited, the node's editor takes the Edit menu's
// commands; otherwise the tree has no text to edit.
class Te3CustomTreeView : public Te3Control<fw::TWinControl>, public IEditCommands {
    FW_CLASS()
public:
    explicit Te3CustomTreeView(fw::TComponent* owner);
    ~Te3CustomTreeView() override;

    QTreeWidget* Tree() const;

    // --- the Edit menu (the node editor's text) ----------------------------
    bool HasEditText() const override { return IsEditing(); }
    bool EditYieldsToPopupMenu() const override { return false; }
    EditCommandState GetEditState() const override;
    void EditUndo(bool forwards) override;
    void SetEditModified(bool value) override;
    void EditCut() override;
    void EditCopy() override;
    void EditPaste() override;
    void EditClear() override;
    void EditSelectAll() override;

    // --- nodes -------------------------------------------------------------
    // The first node in pre-order with that id; nullptr when none has it.
    QTreeWidgetItem* FindNode(int32_t id) const;
    static int32_t NodeId(const QTreeWidgetItem* node);
    // A child appended under parent (at the top level for nullptr).
    QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, int32_t id, const std::string& text, int32_t imageIndex);
    void DeleteNode(QTreeWidgetItem* node);
    // Every node goes; no change event.
    void ClearNodes();
    QTreeWidgetItem* Selected() const;
    // Asks OnChangingNode first; selecting the selected node fires
    // OnChangeNode again. False when the engine refused.
    bool SelectNode(QTreeWidgetItem* node);
    // Ask OnExpanding or OnCollapsing first; false when refused or when the
    // node has nothing to show or hide.
    bool ExpandNode(QTreeWidgetItem* node);
    bool CollapseNode(QTreeWidgetItem* node);
    void FullExpand();
    void FullCollapse();
    // The editor of the node being edited, nullptr when none is.
    QWidget* NodeEditor() const;
    QLineEdit* NodeLineEditor() const;
    bool IsEditing() const { return NodeEditor() != nullptr; }
    void StartEdit(QTreeWidgetItem* node);

    // --- pictures ----------------------------------------------------------
    // The picture index of an image name, fetching and adding the picture on
    // first use; -1 for none.
    int32_t ImageIndexOf(const std::string& name);
    int32_t ImageCount() const { return static_cast<int32_t>(images_.size()); }
    const QPixmap& ImageAt(int32_t index) const { return images_.at(static_cast<size_t>(index)); }
    static int32_t NodeImage(const QTreeWidgetItem* node);
    // The state arrow index of a node: 1 expanded, 2 collapsed, 3 no children;
    // 0 while the arrows are not shown.
    static int32_t NodeState(const QTreeWidgetItem* node);
    int32_t GetImageWidth() const { return imageWidth_; }
    int32_t GetImageHeight() const { return imageHeight_; }
    void SetImageSize(int32_t width, int32_t height);
    bool ShowsStateArrows() const { return showState_; }
    bool ShowsImages() const { return showImages_; }

    // --- drawing -----------------------------------------------------------
    int32_t BoldRoots() const { return boldRoots_; }
    bool IsGrey(int32_t id) const;
    // How a node is drawn: bold, and the text colour when it is not selected.
    struct NodeLook {
        bool bold = false;
        bool ownColor = false; // false: the tree's usual colours
        fw::TColor color = 0;
    };
    NodeLook LookOf(const QTreeWidgetItem* node) const;

    // --- editing -------------------------------------------------------------
    // An edited text as the node takes it: cut to the maximum length, then
    // (with the clean flag) trimmed with runs of blanks made one.
    std::string EditedText(const std::string& text) const;

    // --- design properties -----------------------------------------------------
    bool GetReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool GetRightClickSelect() const { return rightClickSelect_; }
    void SetRightClickSelect(bool value) { rightClickSelect_ = value; }
    bool GetShowButtons() const { return showButtons_; }
    void SetShowButtons(bool value);
    bool GetShowRoot() const;
    void SetShowRoot(bool value);
    int32_t GetIndent() const;
    void SetIndent(int32_t value);
    bool GetMultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value);
    bool GetIsIconClick() const { return iconClick_; }

    // --- the engine's actions ----------------------------------------------------
    void ActAddChild(const std::string& value);
    void ActSelectNode(const std::string& value);
    void ActSelNodeText(const std::string& value);
    void ActSetNodeText(const std::string& value);
    void ActDelete(const std::string& value);
    void ActEditText(const std::string& value);
    void ActClear(const std::string& value);
    void ActFullExpand(const std::string& value);
    void ActFullCollapse(const std::string& value);
    void ActSortFolders(const std::string& value);
    void ActImage(const std::string& value);
    void ActImageWidth(const std::string& value);
    void ActImageHeight(const std::string& value);
    void ActShowImages(const std::string& value);
    void ActBoldRoots(const std::string& value);
    void ActGrayNodes(const std::string& value);
    void ActPreventEmpty(const std::string& value);
    void ActMaxTextLen(const std::string& value);
    void ActCanCollapse(const std::string& value);
    std::string GetDragNodeId() const { return std::to_string(dragNodeId_); }
    void SetDragNodeId(const std::string& value);
    void SetFocus();

    TNodeEvent OnChangeNode;
    TNodeAllowEvent OnChangingNode;
    TNodeEditedEvent OnEditedNode;
    TNodeEvent OnEditingNode;
    TNodeEvent OnCancelEdit;
    TNodeEvent OnCollapsed;
    TNodeAllowEvent OnCollapsing;
    TNodeEvent OnExpanded;
    TNodeAllowEvent OnExpanding;

protected:
    // During a drag the drag node id follows the node under the pointer.
    bool DragOver(fw::TObject* source, int32_t x, int32_t y, fw::TDragState state) override;

private:
    class View;
    class Delegate;
    friend class View;
    friend class Delegate;

    void Index(QTreeWidgetItem* node, int32_t id);
    void Unindex(QTreeWidgetItem* node);
    void UpdateState(QTreeWidgetItem* node);
    void UpdateStates(QTreeWidgetItem* node);
    void SetNodeImage(QTreeWidgetItem* node, int32_t index);
    void SortChildren(QTreeWidgetItem* parent, const std::unordered_map<std::string, int32_t>& rank,
                      int32_t missingRank, bool ranked);
    // A user's or the engine's selection: OnChangingNode may refuse it.
    bool AllowChange(QTreeWidgetItem* node);
    void CurrentChanged(QTreeWidgetItem* node);
    void NodeEdited(QTreeWidgetItem* node, const std::string& text);
    void EditCancelled(QTreeWidgetItem* node);
    void EditStarted(QTreeWidgetItem* node);
    // The node named by an id field (the selected node for an empty field);
    // a field that is no number raises.
    QTreeWidgetItem* NodeOfField(const std::string& field) const;
    void Relayout();

    View* view_;
    // id -> the nodes that carry it, in no particular order.
    std::unordered_multimap<int32_t, QTreeWidgetItem*> byId_;
    std::vector<QPixmap> images_;
    std::vector<QIcon> icons_;
    std::unordered_map<std::string, int32_t> imageNames_; // upper-cased name -> index
    std::vector<std::string> folderOrder_;
    std::unordered_set<std::string> greyIds_;
    QPixmap arrowDown_;
    QPixmap arrowRight_;
    int32_t imageWidth_ = 20;
    int32_t imageHeight_ = 20;
    bool showState_ = false;
    bool showImages_ = false;
    bool canCollapse_ = true;
    int32_t maxTextLen_ = 0;
    int32_t boldRoots_ = 0;
    int32_t dragNodeId_ = -1;
    bool cleanText_ = false;
    bool iconClick_ = false;
    bool readOnly_ = false;
    bool rightClickSelect_ = false;
    bool showButtons_ = true;
    bool multiSelect_ = false;
    // Set while code moves the selection without telling the engine.
    int quiet_ = 0;
};

class Te3TreeView : public Te3CustomTreeView {
    FW_CLASS()
public:
    using Te3CustomTreeView::Te3CustomTreeView;
};

class Te3_TreeView : public Te3TreeView {
    FW_CLASS()
public:
    using Te3TreeView::Te3TreeView;
};

} // namespace e3
