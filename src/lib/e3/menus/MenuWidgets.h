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

// The menu showing an item's sub-items (or a popup menu's items).
class ItemMenu : public StyledItems<QMenu> {
public:
    explicit ItemMenu(Te3MenuItem* list);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    fw::Guard<Te3MenuItem> list_;
};

class ItemBar : public StyledItems<QMenuBar> {
public:
    ItemBar();
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
