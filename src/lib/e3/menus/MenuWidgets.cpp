#include "e3/menus/MenuWidgets.h"

#include "framework/ApplicationException.h"

#include <QEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QActionEvent>
#include <QScreen>
#include <QStyleOptionFrame>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace e3 {
namespace {

// The item an action shows when its menu draws it itself; nullptr otherwise.
Te3MenuItem* OwnerDrawnItem(const QAction* action)
{
    const auto* itemAction = dynamic_cast<const ItemAction*>(action);
    Te3MenuItem* item = itemAction ? itemAction->Item() : nullptr;
    if (!item)
        return nullptr;
    const TMenuBase* menu = item->GetMenu();
    return menu && menu->GetOwnerDraw() ? item : nullptr;
}

const QAction* StyledActionOf(const QWidget* widget);

// Hands owner-drawn items to their handlers: drawing to OnAdvancedDrawItem or
// OnDrawItem, sizing to OnMeasureItem.
class MenuStyle : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const auto* opt = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (opt && (element == CE_MenuItem || element == CE_MenuBarItem)) {
            Te3MenuItem* item = OwnerDrawnItem(StyledActionOf(widget));
            if (item && (item->OnAdvancedDrawItem || item->OnDrawItem)) {
                DrawItem(item, *opt, painter);
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override
    {
        QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
        if (type != CT_MenuItem && type != CT_MenuBarItem)
            return result;
        Te3MenuItem* item = OwnerDrawnItem(StyledActionOf(widget));
        if (!item || !item->OnMeasureItem)
            return result;
        int32_t width = result.width();
        int32_t height = result.height();
        QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
        QPainter canvas(&scratch);
        if (widget)
            canvas.setFont(widget->font());
        fw::Guard<Te3MenuItem> guard(item);
        fw::RunFromEventLoop([&] {
            if (Te3MenuItem* alive = guard.get(); alive && alive->OnMeasureItem)
                alive->OnMeasureItem(alive, &canvas, width, height);
        });
        return {std::max(0, width), std::max(0, height)};
    }

private:
    static void DrawItem(Te3MenuItem* item, const QStyleOptionMenuItem& opt, QPainter* painter)
    {
        const bool selected = (opt.state & State_Selected) != 0;
        TOwnerDrawState state = 0;
        if (selected)
            state |= 1u << odSelected;
        if (!(opt.state & State_Enabled))
            state |= (1u << odDisabled) | (1u << odGrayed);
        if (opt.checked)
            state |= 1u << odChecked;
        if (item->GetDefault())
            state |= 1u << odDefault;
        const QRect& r = opt.rect;
        const fw::TRect rect {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
        fw::Guard<Te3MenuItem> guard(item);
        painter->save();
        fw::RunFromEventLoop([&] {
            Te3MenuItem* alive = guard.get();
            if (!alive)
                return;
            if (alive->OnAdvancedDrawItem)
                alive->OnAdvancedDrawItem(alive, painter, rect, state);
            else if (alive->OnDrawItem)
                alive->OnDrawItem(alive, painter, rect, selected);
        });
        painter->restore();
    }
};

} // namespace

ItemMenu::ItemMenu(Te3MenuItem* list) : list_(list)
{
    auto* style = new MenuStyle;
    style->setParent(this);
    setStyle(style);
}

namespace {

TMenuBreak BreakOf(const QAction* action)
{
    const auto* itemAction = dynamic_cast<const ItemAction*>(action);
    const Te3MenuItem* item = itemAction ? itemAction->Item() : nullptr;
    return item ? item->GetBreak() : mbNone;
}

bool Selectable(const QAction* action, const QWidget* menu)
{
    return action && !action->isSeparator() &&
           (action->isEnabled() || menu->style()->styleHint(QStyle::SH_Menu_AllowActiveAndDisabled, nullptr, menu));
}

} // namespace

std::vector<ItemMenu::Measured> ItemMenu::MeasureItems() const
{
    // Sized as Qt sizes the items of a menu; a collapsing menu leaves out
    // leading, doubled and trailing separators, as Qt does.
    std::vector<Measured> items;
    const QList<QAction*> all = actions();
    const bool collapse = separatorsCollapsible();
    qsizetype last = all.size() - 1;
    while (collapse && last >= 0 && (!all[last]->isVisible() || all[last]->isSeparator()))
        --last;
    const QFontMetrics menuMetrics = fontMetrics();
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    bool previousWasSeparator = true;
    for (qsizetype i = 0; i <= last; ++i) {
        QAction* action = all[i];
        if (!action->isVisible() || (collapse && previousWasSeparator && action->isSeparator()))
            continue;
        previousWasSeparator = action->isSeparator();
        QStyleOptionMenuItem option;
        initStyleOption(&option, action);
        QSize size(2, 2);
        int shortcutWidth = 0;
        if (!action->isSeparator()) {
            QString text = option.text;
            if (const qsizetype tab = text.indexOf(QLatin1Char('\t')); tab >= 0) {
                shortcutWidth = menuMetrics.horizontalAdvance(text.mid(tab + 1));
                text.truncate(tab);
            }
            const QRect bounds =
                option.fontMetrics.boundingRect(QRect(), Qt::TextSingleLine | Qt::TextShowMnemonic, text);
            size = QSize(bounds.width(), std::max(option.fontMetrics.height(), menuMetrics.height()));
            if (!action->icon().isNull())
                size.setHeight(std::max(size.height(), iconSize));
        }
        size = style()->sizeFromContents(QStyle::CT_MenuItem, &option, size, this);
        if (!size.isEmpty())
            items.push_back({action, size, shortcutWidth});
    }
    return items;
}

QRect CellRect(const std::vector<ItemCell>& cells, const QAction* action)
{
    for (const ItemCell& cell : cells)
        if (cell.action == action)
            return cell.rect;
    return {};
}

QAction* CellAt(const std::vector<ItemCell>& cells, const QPoint& pos)
{
    for (const ItemCell& cell : cells)
        if (cell.rect.contains(pos))
            return cell.action;
    return nullptr;
}

namespace {

// Draws one item in its cell, clipped to it.
void DrawCell(QWidget* widget, QPainter& painter, QStyle::ControlElement element, QStyleOptionMenuItem& option,
              const QRect& cell)
{
    option.rect = cell;
    painter.save();
    painter.setClipRect(cell);
    widget->style()->drawControl(element, &option, &painter, widget);
    painter.restore();
}

void DrawFrame(QWidget* widget, QPainter& painter, QStyle::PrimitiveElement element, int width)
{
    QStyleOptionFrame border;
    border.rect = widget->rect();
    border.palette = widget->palette();
    border.state = QStyle::State_None;
    border.lineWidth = width;
    border.midLineWidth = 0;
    widget->style()->drawPrimitive(element, &border, &painter, widget);
}

} // namespace

ItemMenu::ColumnLayout ItemMenu::Columns() const
{
    return columns_.Get([this] { return LayOutColumns(); });
}

void ItemMenu::ItemsChanged()
{
    columns_.Drop();
}

void ItemMenu::actionEvent(QActionEvent* event)
{
    ItemsChanged();
    QMenu::actionEvent(event);
}

void ItemMenu::changeEvent(QEvent* event)
{
    ItemsChanged();
    QMenu::changeEvent(event);
}

ItemMenu::ColumnLayout ItemMenu::LayOutColumns() const
{
    // A column is as wide as its widest item and its widest shortcut.
    ColumnLayout layout;
    const QStyle* s = style();
    const int frame = s->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, this);
    const int hMargin = s->pixelMetric(QStyle::PM_MenuHMargin, nullptr, this);
    const int vMargin = s->pixelMetric(QStyle::PM_MenuVMargin, nullptr, this);
    const QMargins margins = contentsMargins();
    const int top = vMargin + frame + margins.top();
    int x = hMargin + frame + margins.left();
    int y = top;
    int bottom = top;
    int columnWidth = 0;
    int shortcutWidth = 0;
    size_t columnStart = 0;
    const auto closeColumn = [&] {
        columnWidth += shortcutWidth;
        for (size_t i = columnStart; i < layout.cells.size(); ++i)
            layout.cells[i].rect.setWidth(columnWidth);
        x += columnWidth;
    };
    for (const Measured& item : MeasureItems()) {
        if (const TMenuBreak brk = BreakOf(item.action); brk != mbNone && !layout.cells.empty()) {
            closeColumn();
            if (brk == mbBarBreak)
                layout.bars.push_back(x + kBarBreakGap / 2 - 1);
            x += brk == mbBarBreak ? kBarBreakGap : kBreakGap;
            y = top;
            columnWidth = 0;
            shortcutWidth = 0;
            columnStart = layout.cells.size();
            ++layout.columns;
        }
        layout.cells.push_back({item.action, QRect(QPoint(x, y), item.size), layout.columns});
        y += item.size.height();
        bottom = std::max(bottom, y);
        columnWidth = std::max(columnWidth, item.size.width());
        shortcutWidth = std::max(shortcutWidth, item.shortcutWidth);
    }
    closeColumn();
    ++layout.columns;

    QStyleOption option(0);
    option.initFrom(this);
    const QSize inner(x + hMargin + frame + margins.right(), bottom + vMargin + frame + margins.bottom());
    layout.size = s->sizeFromContents(QStyle::CT_Menu, &option, inner, this);
    if (isRightToLeft()) {
        const int width = layout.size.width();
        for (ItemCell& cell : layout.cells)
            cell.rect.moveLeft(width - cell.rect.right() - 1);
        for (int& bar : layout.bars)
            bar = width - bar - 2;
    }
    return layout;
}

QRect ItemMenu::ItemRect(const QAction* action) const
{
    const ColumnLayout layout = Columns();
    return layout.columns > 1 ? CellRect(layout.cells, action) : QMenu::actionGeometry(const_cast<QAction*>(action));
}

QAction* ItemMenu::ItemAt(const QPoint& pos) const
{
    const ColumnLayout layout = Columns();
    return layout.columns > 1 ? CellAt(layout.cells, pos) : actionAt(pos);
}

QSize ItemMenu::sizeHint() const
{
    const ColumnLayout layout = Columns();
    return layout.columns > 1 ? layout.size : QMenu::sizeHint();
}

void ItemMenu::paintEvent(QPaintEvent* event)
{
    const ColumnLayout layout = Columns();
    if (layout.columns <= 1) {
        QMenu::paintEvent(event);
        return;
    }
    // Qt asks for the places of its own layout to be painted again; the
    // whole menu is, so that no item shows a stale highlight.
    if (event->region() != QRegion(rect()))
        update();

    QPainter painter(this);
    QStyleOptionMenuItem panel;
    panel.initFrom(this);
    panel.state = QStyle::State_None;
    panel.checkType = QStyleOptionMenuItem::NotCheckable;
    panel.maxIconWidth = 0;
    panel.reservedShortcutWidth = 0;
    style()->drawPrimitive(QStyle::PE_PanelMenu, &panel, &painter, this);

    QRegion emptyArea(rect());
    for (const ItemCell& cell : layout.cells) {
        QStyleOptionMenuItem option;
        initStyleOption(&option, cell.action);
        emptyArea -= cell.rect;
        DrawCell(this, painter, QStyle::CE_MenuItem, option, cell.rect);
    }

    const int frame = style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, this);
    const int vMargin = style()->pixelMetric(QStyle::PM_MenuVMargin, nullptr, this);
    for (int bar : layout.bars) {
        const int top = frame + vMargin;
        const int bottom = height() - frame - vMargin - 1;
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(bar, top, bar, bottom);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(bar + 1, top, bar + 1, bottom);
    }

    if (frame > 0)
        DrawFrame(this, painter, QStyle::PE_FrameMenu, frame);
}

void ItemMenu::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (!HasColumns() || !rect().contains(pos)) {
        QMenu::mouseMoveEvent(event);
        return;
    }
    if (event->buttons() != Qt::NoButton)
        armed_ = true;
    QAction* action = ItemAt(pos);
    if (action == activeAction())
        return;
    if (!Selectable(action, this)) {
        // Between items an open sub-menu stays open.
        const QAction* current = activeAction();
        if (!(current && current->menu() && current->menu()->isVisible()))
            setActiveAction(nullptr);
    } else {
        setActiveAction(action);
    }
    update();
}

void ItemMenu::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (!HasColumns() || !rect().contains(pos)) {
        QMenu::mousePressEvent(event);
        return;
    }
    armed_ = true;
    if (QAction* action = ItemAt(pos); action != activeAction() && Selectable(action, this))
        setActiveAction(action);
    update();
}

void ItemMenu::mouseReleaseEvent(QMouseEvent* event)
{
    // A popup tracking the left button only lets a right release pass.
    if (event->button() == Qt::RightButton) {
        Te3MenuItem* list = list_.get();
        auto* popup = list ? dynamic_cast<Te3CustomPopupMenu*>(list->GetMenu()) : nullptr;
        if (popup && popup->GetTrackButton() == tbLeftButton) {
            event->accept();
            return;
        }
    }
    const QPoint pos = event->position().toPoint();
    if (!HasColumns() || !rect().contains(pos)) {
        QMenu::mouseReleaseEvent(event);
        return;
    }
    const bool armed = std::exchange(armed_, false);
    QAction* action = ItemAt(pos);
    if (!armed || !action || action != activeAction() || !action->isEnabled() || action->isSeparator() ||
        action->menu())
        return;
    // Chosen as Qt chooses the current item from the keyboard: the menus
    // close and the action runs.
    QKeyEvent choose(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QMenu::keyPressEvent(&choose);
}

void ItemMenu::keyPressEvent(QKeyEvent* event)
{
    const ColumnLayout layout = Columns();
    if (layout.columns <= 1) {
        QMenu::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    if ((key == Qt::Key_Left || key == Qt::Key_Right) && event->modifiers() == Qt::NoModifier) {
        const int direction = key == Qt::Key_Right ? 1 : -1;
        const QAction* current = activeAction();
        // Towards the side a sub-menu opens on, an item with one opens it.
        const int opening = isRightToLeft() ? -1 : 1;
        const bool opensSubMenu = current && current->menu() && direction == opening;
        if (!opensSubMenu)
            if (const QAction* target = Across(layout, direction)) {
                StepTo(target);
                update();
                event->accept();
                return;
            }
    }
    QMenu::keyPressEvent(event);
    update();
}

QAction* ItemMenu::Across(const ColumnLayout& layout, int direction) const
{
    const QAction* current = activeAction();
    const auto here = std::find_if(layout.cells.begin(), layout.cells.end(),
                                   [&](const ItemCell& cell) { return cell.action == current; });
    if (here == layout.cells.end())
        return nullptr;
    // The nearest column on that side.
    int column = -1;
    int columnX = 0;
    for (const ItemCell& cell : layout.cells) {
        const int dx = (cell.rect.left() - here->rect.left()) * direction;
        if (dx > 0 && (column < 0 || dx < (columnX - here->rect.left()) * direction))
            column = cell.group, columnX = cell.rect.left();
    }
    QAction* best = nullptr;
    int bestDistance = 0;
    for (const ItemCell& cell : layout.cells) {
        if (cell.group != column || !Selectable(cell.action, this))
            continue;
        const int distance = std::abs(cell.rect.center().y() - here->rect.center().y());
        if (!best || distance < bestDistance)
            best = cell.action, bestDistance = distance;
    }
    return best;
}

void ItemMenu::StepTo(const QAction* target)
{
    const QList<QAction*> all = actions();
    const qsizetype to = all.indexOf(const_cast<QAction*>(target));
    const qsizetype from = all.indexOf(activeAction());
    if (to < 0)
        return;
    QKeyEvent step(QEvent::KeyPress, from >= 0 && to < from ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
    // Each step reaches the next item Qt lets the keyboard select; every
    // item is passed at most once.
    for (qsizetype i = 0; i <= all.size() && activeAction() != target; ++i)
        QMenu::keyPressEvent(&step);
}

void ItemMenu::showEvent(QShowEvent* event)
{
    QMenu::showEvent(event);
    PlaceBesideOpeningItem();
}

void ItemMenu::PlaceBelow(QWidget* bar, const QRect& at)
{
    if (at.isEmpty())
        return;
    const QSize size = this->size();
    const int x = bar->isRightToLeft() ? at.right() + 1 - size.width() : at.left();
    QPoint pos = bar->mapToGlobal(QPoint(x, at.bottom() + 1));
    if (const QScreen* screen = bar->screen()) {
        const QRect room = screen->availableGeometry();
        if (pos.y() + size.height() > room.bottom() + 1)
            pos.setY(bar->mapToGlobal(at.topLeft()).y() - size.height());
        pos.setX(std::clamp(pos.x(), room.left(), std::max(room.left(), room.right() + 1 - size.width())));
    }
    move(pos);
}

void ItemMenu::PlaceBesideOpeningItem()
{
    Te3MenuItem* list = list_.get();
    QAction* opener = list ? list->Action() : nullptr;
    if (!opener)
        return;
    for (QObject* object : opener->associatedObjects()) {
        if (auto* bar = dynamic_cast<ItemBar*>(object); bar && bar->isVisible() && bar->HasLines()) {
            PlaceBelow(bar, bar->ItemRect(opener));
            return;
        }
        auto* parentMenu = dynamic_cast<ItemMenu*>(object);
        if (!parentMenu || parentMenu == this || !parentMenu->isVisible() || !parentMenu->HasColumns())
            continue;
        const QRect at = parentMenu->ItemRect(opener);
        if (at.isEmpty())
            continue;
        const int overlap = style()->pixelMetric(QStyle::PM_SubMenuOverlap, nullptr, parentMenu);
        const QSize size = this->size();
        const QPoint right = parentMenu->mapToGlobal(QPoint(at.right() + overlap + 1, at.top()));
        const QPoint left = parentMenu->mapToGlobal(QPoint(at.left() - overlap - size.width(), at.top()));
        QPoint pos = parentMenu->isRightToLeft() ? left : right;
        if (const QScreen* screen = parentMenu->screen()) {
            const QRect room = screen->availableGeometry();
            if (pos.x() + size.width() > room.right() + 1)
                pos.setX(left.x());
            if (pos.x() < room.left())
                pos.setX(right.x());
            if (pos.y() + size.height() > room.bottom() + 1)
                pos.setY(std::max(room.top(), room.bottom() + 1 - size.height()));
        }
        move(pos);
        return;
    }
}

ItemBar::ItemBar()
{
    auto* style = new MenuStyle;
    style->setParent(this);
    setStyle(style);
    setMouseTracking(true);
}

ItemBar::LineLayout ItemBar::Lines() const
{
    return keptLines_.Get([this] { return LayOutLines(); });
}

void ItemBar::ItemsChanged()
{
    keptLines_.Drop();
}

void ItemBar::changeEvent(QEvent* event)
{
    ItemsChanged();
    QMenuBar::changeEvent(event);
}

ItemBar::LineLayout ItemBar::LayOutLines() const
{
    // Placed as Qt places the items of one line, each with the size Qt gave it.
    LineLayout layout;
    const QStyle* s = style();
    const int frame = s->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, this);
    const int hMargin = s->pixelMetric(QStyle::PM_MenuBarHMargin, nullptr, this);
    const int vMargin = s->pixelMetric(QStyle::PM_MenuBarVMargin, nullptr, this);
    const int spacing = s->pixelMetric(QStyle::PM_MenuBarItemSpacing, nullptr, this);
    const int left = frame + hMargin + spacing;
    int x = left;
    int y = frame + vMargin;
    const int iconSize = s->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    for (QAction* action : actions()) {
        // Sized as Qt sizes the items of a bar; it shows no separators.
        if (!action->isVisible() || action->isSeparator())
            continue;
        QSize size;
        if (!action->icon().isNull())
            size = QSize(iconSize, iconSize);
        else if (!action->text().isEmpty())
            size = fontMetrics().size(Qt::TextShowMnemonic, action->text());
        QStyleOptionMenuItem option;
        initStyleOption(&option, action);
        size = s->sizeFromContents(QStyle::CT_MenuBarItem, &option, size, this);
        if (size.isEmpty())
            continue;
        layout.lineHeight = std::max(layout.lineHeight, size.height());
        if (BreakOf(action) != mbNone && !layout.cells.empty()) {
            ++layout.lines;
            x = left;
        }
        layout.cells.push_back({action, QRect(x, 0, size.width(), 0), layout.lines});
        x += size.width() + spacing;
    }
    ++layout.lines;
    for (ItemCell& cell : layout.cells) {
        cell.rect.setHeight(layout.lineHeight);
        cell.rect.moveTop(y + cell.group * layout.lineHeight);
        cell.rect = QStyle::visualRect(layoutDirection(), rect(), cell.rect);
    }
    return layout;
}

QRect ItemBar::ItemRect(const QAction* action) const
{
    const LineLayout layout = Lines();
    return layout.lines > 1 ? CellRect(layout.cells, action) : QMenuBar::actionGeometry(const_cast<QAction*>(action));
}

QAction* ItemBar::ItemAt(const QPoint& pos) const
{
    const LineLayout layout = Lines();
    return layout.lines > 1 ? CellAt(layout.cells, pos) : actionAt(pos);
}

QSize ItemBar::sizeHint() const
{
    const LineLayout layout = Lines();
    return QMenuBar::sizeHint() + QSize(0, (layout.lines - 1) * layout.lineHeight);
}

QSize ItemBar::minimumSizeHint() const
{
    const LineLayout layout = Lines();
    return QMenuBar::minimumSizeHint() + QSize(0, (layout.lines - 1) * layout.lineHeight);
}

int ItemBar::heightForWidth(int width) const
{
    const LineLayout layout = Lines();
    return QMenuBar::heightForWidth(width) + (layout.lines - 1) * layout.lineHeight;
}

void ItemBar::CheckLines()
{
    ItemsChanged();
    const int lines = Lines().lines;
    HideOverflowButton();
    if (lines == lines_)
        return;
    lines_ = lines;
    updateGeometry();
    update();
    if (OnHeightChange)
        OnHeightChange();
}

void ItemBar::HideOverflowButton()
{
    if (lines_ <= 1)
        return;
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child->objectName() == QLatin1String("qt_menubar_ext_button"))
            child->hide();
}

QAction* ItemBar::OpenAction() const
{
    QAction* current = activeAction();
    return current && current->menu() && current->menu()->isVisible() ? current : nullptr;
}

void ItemBar::actionEvent(QActionEvent* event)
{
    ItemsChanged();
    QMenuBar::actionEvent(event);
    CheckLines();
}

void ItemBar::resizeEvent(QResizeEvent* event)
{
    ItemsChanged();
    QMenuBar::resizeEvent(event);
    HideOverflowButton();
}

void ItemBar::paintEvent(QPaintEvent* event)
{
    const LineLayout layout = Lines();
    if (layout.lines <= 1) {
        QMenuBar::paintEvent(event);
        return;
    }
    // Qt shows it again whenever its own one-line layout overflows.
    HideOverflowButton();
    if (event->region() != QRegion(rect()))
        update();

    QPainter painter(this);
    QRegion emptyArea(rect());
    const QAction* open = OpenAction();
    for (const ItemCell& cell : layout.cells) {
        QStyleOptionMenuItem option;
        initStyleOption(&option, cell.action);
        // Qt's own hover needs its own layout; the item under the mouse
        // shows raised unless a drop-down is open.
        if (!open && cell.action == hover_.data() && cell.action->isEnabled())
            option.state |= QStyle::State_Selected;
        emptyArea -= cell.rect;
        DrawCell(this, painter, QStyle::CE_MenuBarItem, option, cell.rect);
    }
    if (const int frame = style()->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, this))
        DrawFrame(this, painter, QStyle::PE_PanelMenuBar, frame);
    painter.setClipRegion(emptyArea);
    QStyleOptionMenuItem empty;
    empty.palette = palette();
    empty.state = QStyle::State_None;
    empty.menuItemType = QStyleOptionMenuItem::EmptyArea;
    empty.checkType = QStyleOptionMenuItem::NotCheckable;
    empty.rect = rect();
    empty.menuRect = rect();
    style()->drawControl(QStyle::CE_MenuBarEmptyArea, &empty, &painter, this);
}

void ItemBar::mouseMoveEvent(QMouseEvent* event)
{
    if (!HasLines()) {
        QMenuBar::mouseMoveEvent(event);
        return;
    }
    QAction* action = ItemAt(event->position().toPoint());
    if (action != hover_.data()) {
        hover_ = action;
        update();
    }
    // With a drop-down open, the one of the item under the mouse opens.
    if (action && action->isEnabled() && OpenAction() && action != activeAction())
        setActiveAction(action);
}

void ItemBar::mousePressEvent(QMouseEvent* event)
{
    if (!HasLines()) {
        QMenuBar::mousePressEvent(event);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    QAction* action = ItemAt(event->position().toPoint());
    QAction* open = OpenAction();
    pressed_ = action;
    if (open && (action == open || !action)) {
        open->menu()->hide(); // a second press closes it
        pressed_ = nullptr;
    } else if (action && action->isEnabled()) {
        setActiveAction(action);
    }
    update();
}

void ItemBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (!HasLines()) {
        QMenuBar::mouseReleaseEvent(event);
        return;
    }
    QAction* action = ItemAt(event->position().toPoint());
    QAction* pressed = pressed_.data();
    pressed_ = nullptr;
    if (event->button() == Qt::LeftButton && action && action == pressed && !action->menu() && action->isEnabled())
        action->trigger();
}

void ItemBar::leaveEvent(QEvent* event)
{
    QMenuBar::leaveEvent(event);
    if (hover_) {
        hover_ = nullptr;
        update();
    }
}

namespace {

const QAction* StyledActionOf(const QWidget* widget)
{
    if (const auto* menu = dynamic_cast<const ItemMenu*>(widget))
        return menu->StyledAction();
    if (const auto* bar = dynamic_cast<const ItemBar*>(widget))
        return bar->StyledAction();
    return nullptr;
}

} // namespace

BarWidthKeeper::BarWidthKeeper(QWidget* window, QMenuBar* bar) : QObject(bar), window_(window), bar_(bar)
{
    window->installEventFilter(this);
    Fit();
}

void BarWidthKeeper::Fit()
{
    if (window_ && bar_)
        bar_->setGeometry(0, 0, window_->width(), bar_->sizeHint().height());
}

bool BarWidthKeeper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_ && event->type() == QEvent::Resize)
        Fit();
    return false;
}

} // namespace e3
