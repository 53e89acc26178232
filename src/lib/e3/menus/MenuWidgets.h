#pragma once
// The Qt widgets behind the menus: the action of an item, the menus and the
// bar that show items, and the style that hands owner-drawn items to their
// handlers. Only the menu classes use them.
#include "e3/menus/Menus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStyleOptionMenuItem>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace e3 {

// The action of a menu item, leading back to the item while it lives.
class ItemAction : public QAction {
public:
    explicit ItemAction(Te3MenuItem* item) : item_(item) {}
    Te3MenuItem* Item() const { return item_.get(); }

private:
    fw::Guard<Te3MenuItem> item_;
};

// A menu widget that remembers which action it filled a style option for
// last: Qt fills the option of one action and at once sizes or draws it.
template <class Base>
class StyledItems : public Base {
public:
    const QAction* StyledAction() const { return styled_; }

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override
    {
        Base::initStyleOption(option, action);
        styled_ = const_cast<QAction*>(action);
    }

private:
    mutable QPointer<QAction> styled_;
};

class ItemBar;

// Where an item shows in a menu laid out in columns or a bar on several
// lines; group is the column or the line.
struct ItemCell {
    QAction* action;
    QRect rect;
    int group;
};
// The cell's place of action; an empty rectangle for none.
QRect CellRect(const std::vector<ItemCell>& cells, const QAction* action);
// The action whose cell holds pos; nullptr for none.
QAction* CellAt(const std::vector<ItemCell>& cells, const QPoint& pos);

// A layout kept until the items or the look change. Working it out may run
// handlers that change the items again: such a layout is used once, not kept.
template <class Layout>
class KeptLayout {
public:
    template <class LayOut>
    Layout Get(LayOut&& layOut) const
    {
        if (kept_)
            return *kept_;
        const uint64_t generation = generation_;
        Layout layout = layOut();
        if (generation == generation_)
            kept_ = layout;
        return layout;
    }
    void Drop()
    {
        ++generation_;
        kept_.reset();
    }

private:
    mutable std::optional<Layout> kept_;
    uint64_t generation_ = 0;
};

// The menu showing an item's sub-items (or a popup menu's items).
//
// An item whose Break is set starts a new column (mbBarBreak with a vertical
// bar before it). Qt menus know no such columns, so while one is shown the
// menu lays out, paints and hit-tests its items itself, and steers Qt's own
// notion of the current item: Left and Right move between columns, Up and
// Down follow the order of the items.
class ItemMenu : public StyledItems<QMenu> {
public:
    explicit ItemMenu(Te3MenuItem* list);

    // Room between two columns; a bar break draws its bar in the middle.
    static constexpr int kBreakGap = 4;
    static constexpr int kBarBreakGap = 10;

    struct ColumnLayout {
        std::vector<ItemCell> cells; // the shown items, in their order
        std::vector<int> bars;   // x of each bar
        int columns = 0;
        QSize size;
    };
    // The items' places, in the reading direction of the menu; worked out
    // again after a change of the items or of the menu's look.
    ColumnLayout Columns() const;
    void ItemsChanged();
    // True while a shown item other than the first starts a column.
    bool HasColumns() const { return Columns().columns > 1; }
    // Where the action shows; an empty rectangle for none.
    QRect ItemRect(const QAction* action) const;
    // The shown item at a point of the menu; nullptr for none.
    QAction* ItemAt(const QPoint& pos) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void actionEvent(QActionEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    ColumnLayout LayOutColumns() const;
    struct Measured {
        QAction* action;
        QSize size;
        int shortcutWidth;
    };
    // The items that take room, with their sizes.
    std::vector<Measured> MeasureItems() const;
    // Makes target the current item the way the keyboard does, so that no
    // sub-menu opens.
    void StepTo(const QAction* target);
    // The item of the next column to the left (-1) or right (+1) nearest in
    // height to the current one; nullptr for none.
    QAction* Across(const ColumnLayout& layout, int direction) const;
    // A sub-menu of an item in columns opens beside that item, and the
    // drop-down of a bar on several lines below its item.
    void PlaceBesideOpeningItem();
    void PlaceBelow(QWidget* bar, const QRect& at);

    fw::Guard<Te3MenuItem> list_;
    // A button went down in the menu: its release chooses.
    bool armed_ = false;
    KeptLayout<ColumnLayout> columns_;
};

// The menu bar of a main menu. An item whose Break is set starts a new line
// of the bar; while it has more than one line the bar lays out, paints and
// hit-tests its items itself.
class ItemBar : public StyledItems<QMenuBar> {
public:
    ItemBar();

    struct LineLayout {
        std::vector<ItemCell> cells; // the shown items, in their order
        int lines = 0;
        int lineHeight = 0;
    };
    // Worked out again after a change of the items, the bar's look or width.
    LineLayout Lines() const;
    void ItemsChanged();
    bool HasLines() const { return Lines().lines > 1; }
    // Where the action shows; an empty rectangle for none.
    QRect ItemRect(const QAction* action) const;
    // The shown item at a point of the bar; nullptr for none.
    QAction* ItemAt(const QPoint& pos) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    int heightForWidth(int width) const override;

    // Called once the bar needs another height.
    std::function<void()> OnHeightChange;
    // Looks whether the number of lines changed.
    void CheckLines();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void actionEvent(QActionEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    LineLayout LayOutLines() const;
    // Qt's button for items that do not fit one line has no place here.
    void HideOverflowButton();
    QAction* OpenAction() const;

    KeptLayout<LineLayout> keptLines_;
    int lines_ = 1;
    QPointer<QAction> hover_;
    QPointer<QAction> pressed_;
};

// Keeps the menu bar as wide as the form's window.
class BarWidthKeeper : public QObject {
public:
    BarWidthKeeper(QWidget* window, QMenuBar* bar);
    void Fit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
    QMenuBar* bar_;
};

} // namespace e3
