#include "e3/menus/MenuWidgets.h"

#include "framework/ApplicationException.h"

#include <QEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>

#include <algorithm>

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
    QMenu::mouseReleaseEvent(event);
}

ItemBar::ItemBar()
{
    auto* style = new MenuStyle;
    style->setParent(this);
    setStyle(style);
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
