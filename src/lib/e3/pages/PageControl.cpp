#include "e3/pages/PageControl.h"

#include "framework/ApplicationException.h"
#include "framework/StandardProps.h"
#include "framework/Collection.h"
#include "framework/Drag.h"
#include "framework/Form.h"

#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyleOptionTab>

#include <algorithm>

namespace e3 {

const fw::TEnumType TabPositionType {"TTabPosition", {"tpTop", "tpBottom", "tpLeft", "tpRight"}};
const fw::TEnumType TabStyleType {"TTabStyle", {"tsTabs", "tsButtons", "tsFlatButtons"}};
const fw::TEventType TabGetImageEventType {"TTabGetImageEvent", typeid(TTabGetImageEvent)};
const fw::TEventType DrawTabEventType {"TDrawTabEvent", typeid(TDrawTabEvent)};

namespace {

bool HoldsFocus(const fw::TControl* control)
{
    QWidget* focus = QApplication::focusWidget();
    QWidget* widget = control ? control->Widget() : nullptr;
    return focus && widget && (focus == widget || widget->isAncestorOf(focus));
}

// The first control of a container that can take the focus, in tab order.
QWidget* FirstFocusable(const fw::TWinControl& container)
{
    for (fw::TWinControl* child : container.TabList()) {
        if (!child->GetVisible() || !child->GetEnabled())
            continue;
        if (child->GetTabStop() && child->Widget() && child->Widget()->focusPolicy() != Qt::NoFocus)
            return child->Widget();
        if (QWidget* inner = FirstFocusable(*child))
            return inner;
    }
    return nullptr;
}

// The first line of a caption: the tab of a docked control shows no more.
std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find_first_of("\r\n"));
}

} // namespace

// Hears a docked control's caption change (its window title).
class Te3CustomPageControl::DockWatch : public QObject {
public:
    DockWatch(Te3CustomPageControl* owner, fw::TControl* client, QObject* parent)
        : QObject(parent)
        , owner_(owner)
        , client_(client)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WindowTitleChange)
            if (Te3CustomPageControl* owner = owner_.get(); owner && client_)
                owner->DockCaptionChanged(*client_.get());
        return QObject::eventFilter(watched, event);
    }

private:
    fw::Guard<Te3CustomPageControl> owner_;
    fw::Guard<fw::TControl> client_;
};

// ---------------------------------------------------------------------------
// The tab row. Highlighted tabs get a wash of the selection colour over what
// the style drew.

// The control's window: the tab row and the page area sit on it.
class Te3CustomPageControl::Frame : public OwnedWidget<QWidget, Te3CustomPageControl> {
public:
    using OwnedWidget::OwnedWidget;
    Te3CustomPageControl* Owner() const { return owner_; }
};

class Te3CustomPageControl::TabBarWidget : public QTabBar {
public:
    explicit TabBarWidget(Frame* frame)
        : QTabBar(frame)
        , frame_(frame)
    {
        setDrawBase(false);
        setExpanding(false);
        setUsesScrollButtons(true);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        fw::Guard<Te3CustomPageControl> owner(frame_->Owner());
        if (!owner || !owner->GetOwnerDraw()) {
            QTabBar::paintEvent(event);
        } else {
            QPainter painter(this);
            owner->PaintOwnerDrawn(*this, painter);
        }
        if (!owner)
            return;
        QPainter painter(this);
        QColor wash = palette().color(QPalette::Highlight);
        wash.setAlpha(90);
        for (int i = 0; i < count(); ++i)
            if (owner->TabHighlighted(i))
                painter.fillRect(tabRect(i).adjusted(2, 2, -2, -1), wash);
    }

    // A press on a docked control's tab (with the tab style) picks the
    // control up; moved far enough it is dragged to dock elsewhere.
    void mousePressEvent(QMouseEvent* event) override
    {
        drag_ = {};
        fw::Guard<Te3CustomPageControl> owner(frame_->Owner());
        const int tab = tabAt(event->position().toPoint());
        QTabBar::mousePressEvent(event);
        if (!owner || event->button() != Qt::LeftButton || owner->GetStyle() != tsTabs)
            return;
        if (fw::TControl* client = owner->DockClientOfTab(tab)) {
            const QPoint global = event->globalPosition().toPoint();
            const QWidget* w = client->Widget();
            drag_ = {fw::Guard<fw::TControl>(client), global, global - (w ? w->mapToGlobal(QPoint(0, 0)) : global),
                     false};
        }
    }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        fw::TControl* client = drag_.client.get();
        if (!client || !(event->buttons() & Qt::LeftButton)) {
            drag_ = {};
            QTabBar::mouseMoveEvent(event);
            return;
        }
        const QPoint global = event->globalPosition().toPoint();
        if (!drag_.active && (global - drag_.pressedAt).manhattanLength() >= fw::DragThreshold) {
            drag_.active = true;
            setCursor(Qt::DragMoveCursor);
            if (client->OnStartDock) {
                fw::TObject* dragObject = nullptr;
                client->OnStartDock(client, dragObject);
            }
        }
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        const TabDrag drag = drag_;
        drag_ = {};
        unsetCursor();
        fw::Guard<Te3CustomPageControl> owner(frame_->Owner());
        if (drag.active && owner && drag.client && event->button() == Qt::LeftButton) {
            owner->EndTabDrag(*drag.client.get(), event->globalPosition().toPoint(), drag.grab);
            return;
        }
        QTabBar::mouseReleaseEvent(event);
    }

    // Escape ends a tab drag with the control where it was.
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape && drag_.active) {
            fw::Guard<fw::TControl> client = drag_.client;
            drag_ = {};
            unsetCursor();
            if (fw::TControl* c = client.get(); c && c->OnEndDock)
                c->OnEndDock(c, nullptr, 0, 0);
            return;
        }
        QTabBar::keyPressEvent(event);
    }

    // A double click on a docked control's tab floats the control.
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        Te3CustomPageControl* owner = frame_->Owner();
        const int tab = tabAt(event->position().toPoint());
        if (owner && event->button() == Qt::LeftButton && owner->DockClientOfTab(tab)) {
            owner->FloatTab(tab);
            return;
        }
        QTabBar::mouseDoubleClickEvent(event);
    }

public:
    QStyleOptionTab TabOption(int index) const
    {
        QStyleOptionTab option;
        initStyleOption(&option, index);
        return option;
    }

private:
    struct TabDrag {
        fw::Guard<fw::TControl> client;
        QPoint pressedAt; // screen coordinates
        QPoint grab;      // the press from the control's top left
        bool active = false;
    };
    Frame* frame_;
    TabDrag drag_;
};

// Ctrl+Tab and Ctrl+Shift+Tab that the focused control inside the page
// control leaves unused reach the frame on their way up.
class Te3CustomPageControl::PageKeys : public QObject {
public:
    PageKeys(Te3CustomPageControl* owner, QObject* parent)
        : QObject(parent)
        , owner_(owner)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers();
        if (!(mods & Qt::ControlModifier) || (mods & Qt::AltModifier)
            || (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab))
            return false;
        if (Te3CustomPageControl* owner = owner_.get())
            owner->SelectNextPage(key->key() == Qt::Key_Tab && !(mods & Qt::ShiftModifier));
        return true;
    }

private:
    fw::Guard<Te3CustomPageControl> owner_;
};

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3TabSheet::StaticClass()
{
    static const fw::TClassInfo info {"Te3TabSheet", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3TabSheet::Te3TabSheet(fw::TComponent* owner)
    : Te3Control(owner, {kCaptionHintWords, &Te3TabSheet::StaticClass}, EnabledRule::plain)
{
    auto* widget = new QWidget;
    widget->setAutoFillBackground(true);
    SetWidget(widget);
    SetBounds(0, 0, 185, 41);
    SetAlign(fw::alClient);
    SetVisible(false);
}

void Te3TabSheet::SetEnabled(bool value)
{
    cascade_.SetEnabled(*this, value, [this](bool v) { fw::TWinControl::SetEnabled(v); });
}

void Te3TabSheet::SetLockedEdit(bool value)
{
    cascade_.SetLockedEdit(*this, value);
}

void Te3TabSheet::SetText(const std::string& text)
{
    fw::TWinControl::SetText(text);
    if (Te3CustomPageControl* control = PageControl())
        control->SheetChanged();
}

Te3CustomPageControl* Te3TabSheet::PageControl() const
{
    return dynamic_cast<Te3CustomPageControl*>(Parent());
}

void Te3TabSheet::SetPageControl(Te3CustomPageControl* value)
{
    SetParent(value);
}

int32_t Te3TabSheet::GetPageIndex() const
{
    const Te3CustomPageControl* control = PageControl();
    return control ? control->IndexOfPage(this) : -1;
}

void Te3TabSheet::SetPageIndex(int32_t value)
{
    Te3CustomPageControl* control = PageControl();
    if (!control)
        return;
    const int32_t last = control->PageCount() - 1;
    if (value < 0 || value > last)
        throw fw::EListError(std::to_string(value) + " is an invalid PageIndex value.  PageIndex must be between 0 and "
                             + std::to_string(last));
    control->MovePage(this, value);
}

int32_t Te3TabSheet::TabIndex() const
{
    const Te3CustomPageControl* control = PageControl();
    if (!control || !tabVisible_)
        return -1;
    int32_t index = 0;
    for (int32_t i = 0; i < control->PageCount(); ++i) {
        const Te3TabSheet* page = control->Page(i);
        if (page == this)
            return index;
        if (page->tabVisible_)
            ++index;
    }
    return -1;
}

void Te3TabSheet::SetTabVisible(bool value)
{
    if (value == tabVisible_)
        return;
    Te3CustomPageControl* control = PageControl();
    const int32_t oldTab = TabIndex();
    tabVisible_ = value;
    if (!control)
        return;
    if (!value && control->GetActivePage() == this) {
        // The tab at the same place, or the last one, takes over.
        int32_t shown = 0;
        for (int32_t i = 0; i < control->PageCount(); ++i)
            if (control->Page(i)->tabVisible_)
                ++shown;
        Te3TabSheet* next = shown == 0 ? nullptr : control->PageForTab(std::min(oldTab, shown - 1));
        control->SetActivePage(next);
    }
    control->SheetChanged();
}

void Te3TabSheet::SetHighlighted(bool value)
{
    highlighted_ = value;
    if (Te3CustomPageControl* control = PageControl())
        control->TabBar()->update();
}

void Te3TabSheet::SetImageIndex(int32_t value)
{
    imageIndex_ = value;
    if (Te3CustomPageControl* control = PageControl())
        control->SheetChanged();
}

void Te3TabSheet::ChildRemoved(fw::TControl* control)
{
    Te3Control::ChildRemoved(control);
    if (Te3CustomPageControl* pages = PageControl())
        pages->SheetLostChild(*this, *control);
}

void Te3TabSheet::DockDrop(fw::TControl& source, int32_t x, int32_t y, fw::TAlign insertAt,
                           fw::TControl* dropOnControl)
{
    if (Te3CustomPageControl* pages = PageControl()) {
        pages->DockDrop(source, x, y, insertAt, dropOnControl);
        return;
    }
    source.SetParent(this);
    source.SetAlign(fw::alClient);
}

bool Te3TabSheet::DoUnDock(fw::TWinControl* newTarget, fw::TControl& client)
{
    if (Te3CustomPageControl* pages = PageControl(); pages && pages->DockClientOf(this) == &client)
        return pages->DoUnDock(newTarget, client);
    client.SetAlign(fw::alNone);
    client.SetParent(newTarget);
    return true;
}

void Te3TabSheet::DockedVisibleChanging(fw::TControl& client, bool visible)
{
    if (Te3CustomPageControl* pages = PageControl())
        pages->DockedVisibleChanging(client, visible);
}

void Te3TabSheet::FocusSheet(const std::string&)
{
    if (QWidget* widget = Widget())
        widget->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CustomPageControl::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomPageControl", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomPageControl::Te3CustomPageControl(fw::TComponent* owner)
    : Te3Control(owner, {kHintWords, &Te3PageControl::StaticClass}, EnabledRule::plain)
    , frame_(new Frame(this))
    , tabBar_(new TabBarWidget(frame_))
    , pageArea_(new QWidget(frame_))
{
    frame_->setAutoFillBackground(true);
    QObject::connect(tabBar_, &QTabBar::currentChanged, frame_, [frame = frame_](int index) {
        if (Te3CustomPageControl* control = frame->Owner())
            control->TabBarChanged(index);
    });
    frame_->installEventFilter(new PageKeys(this, frame_));
    OwnWidget(frame_);
    SetTabStop(true);
    SetBounds(0, 0, 289, 193);
}

// The page control publishes no Enabling: what it passes to its sheets is
// recorded as their own wish, so enabling it again enables every sheet.
void Te3CustomPageControl::SetEnabled(bool value)
{
    cascade_.SetEnabled(*this, value, [this](bool v) { fw::TWinControl::SetEnabled(v); });
}

void Te3CustomPageControl::SetLockedEdit(bool value)
{
    cascade_.SetLockedEdit(*this, value);
}

QTabBar* Te3CustomPageControl::TabBar() const
{
    return tabBar_;
}

QWidget* Te3CustomPageControl::ClientWidget() const
{
    return pageArea_;
}

int32_t Te3CustomPageControl::BarThickness() const
{
    if (tabHeight_ > 0)
        return tabHeight_;
    const QSize hint = tabBar_->sizeHint();
    const int fallback = tabBar_->fontMetrics().height() + 8;
    return BarIsVertical() ? std::max(hint.width(), fallback * 3) : std::max(hint.height(), fallback);
}

int32_t Te3CustomPageControl::ClientWidth() const
{
    return std::max(0, GetWidth() - (BarIsVertical() ? BarThickness() : 0));
}

int32_t Te3CustomPageControl::ClientHeight() const
{
    return std::max(0, GetHeight() - (BarIsVertical() ? 0 : BarThickness()));
}

void Te3CustomPageControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    fw::TWinControl::SetBounds(left, top, width, height);
    PlaceBar();
}

void Te3CustomPageControl::PlaceBar()
{
    const int bar = BarThickness();
    const int w = GetWidth();
    const int h = GetHeight();
    switch (tabPosition_) {
    case tpTop:
        tabBar_->setGeometry(0, 0, w, bar);
        pageArea_->setGeometry(0, bar, ClientWidth(), ClientHeight());
        break;
    case tpBottom:
        tabBar_->setGeometry(0, std::max(0, h - bar), w, bar);
        pageArea_->setGeometry(0, 0, ClientWidth(), ClientHeight());
        break;
    case tpLeft:
        tabBar_->setGeometry(0, 0, bar, h);
        pageArea_->setGeometry(bar, 0, ClientWidth(), ClientHeight());
        break;
    case tpRight:
        tabBar_->setGeometry(std::max(0, w - bar), 0, bar, h);
        pageArea_->setGeometry(0, 0, ClientWidth(), ClientHeight());
        break;
    }
}

void Te3CustomPageControl::SetMultiLine(bool value)
{
    multiLine_ = value;
    tabBar_->setUsesScrollButtons(!value);
}

void Te3CustomPageControl::SetStyle(TTabStyle value)
{
    style_ = value;
    tabBar_->setDocumentMode(value != tsTabs);
}

void Te3CustomPageControl::SetTabHeight(int32_t value)
{
    tabHeight_ = std::max(0, value);
    PlaceBar();
    AlignControls();
}

void Te3CustomPageControl::SetTabWidth(int32_t value)
{
    tabWidth_ = std::max(0, value);
    tabBar_->setStyleSheet(tabWidth_ > 0 ? QStringLiteral("QTabBar::tab { min-width: %1px; max-width: %1px; }")
                                               .arg(tabWidth_)
                                         : QString());
    PlaceBar();
}

void Te3CustomPageControl::SetTabPosition(TTabPosition value)
{
    tabPosition_ = value;
    static constexpr QTabBar::Shape shapes[] {QTabBar::RoundedNorth, QTabBar::RoundedSouth, QTabBar::RoundedWest,
                                              QTabBar::RoundedEast};
    tabBar_->setShape(shapes[value]);
    PlaceBar();
    AlignControls();
}

Te3TabSheet* Te3CustomPageControl::Page(int32_t index) const
{
    if (index < 0 || index >= PageCount())
        return nullptr;
    return pages_[static_cast<size_t>(index)].sheet;
}

int32_t Te3CustomPageControl::IndexOfPage(const Te3TabSheet* page) const
{
    for (size_t i = 0; i < pages_.size(); ++i)
        if (pages_[i].sheet == page)
            return static_cast<int32_t>(i);
    return -1;
}

void Te3CustomPageControl::MovePage(Te3TabSheet* page, int32_t index)
{
    const int32_t from = IndexOfPage(page);
    if (from < 0 || index < 0 || index >= PageCount() || from == index)
        return;
    const PageEntry entry = pages_[static_cast<size_t>(from)];
    pages_.erase(pages_.begin() + from);
    pages_.insert(pages_.begin() + index, entry);
    SyncTabs();
}

Te3TabSheet* Te3CustomPageControl::PageForTab(int32_t tabIndex) const
{
    if (tabIndex < 0)
        return nullptr;
    int32_t shown = 0;
    for (const PageEntry& entry : pages_) {
        if (!entry.sheet->GetTabVisible())
            continue;
        if (shown == tabIndex)
            return entry.sheet;
        ++shown;
    }
    return nullptr;
}

bool Te3CustomPageControl::TabHighlighted(int32_t tabIndex) const
{
    const Te3TabSheet* page = PageForTab(tabIndex);
    return page && page->GetHighlighted();
}

void Te3CustomPageControl::ShowOnly(Te3TabSheet* page)
{
    for (const PageEntry& entry : pages_)
        if (entry.sheet != page)
            entry.sheet->SetVisible(false);
    if (page) {
        page->SetVisible(true);
        if (QWidget* widget = page->Widget())
            widget->raise();
    }
}

void Te3CustomPageControl::SetActivePage(Te3TabSheet* page)
{
    if (page && page->PageControl() != this)
        return;
    Te3TabSheet* old = activePage_.get();
    if (page == old) {
        SyncTabs();
        return;
    }
    fw::Guard<Te3CustomPageControl> self(this);
    fw::Guard<Te3TabSheet> oldGuard(old);
    fw::Guard<Te3TabSheet> pageGuard(page);
    const bool focusInOld = old && HoldsFocus(old);
    settingActive_ = true;
    activePage_ = page;
    ShowOnly(page);
    SyncTabs();
    settingActive_ = false;
    if (page && page->OnShow) {
        page->OnShow(page);
        if (!self)
            return;
    }
    if (oldGuard && oldGuard->OnHide) {
        oldGuard->OnHide(oldGuard.get());
        if (!self)
            return;
    }
    if (focusInOld) {
        QWidget* target = pageGuard ? FirstFocusable(*pageGuard.get()) : nullptr;
        if (target)
            target->setFocus(Qt::OtherFocusReason);
        else
            tabBar_->setFocus(Qt::OtherFocusReason);
    }
}

int32_t Te3CustomPageControl::GetActivePageIndex() const
{
    return IndexOfPage(activePage_.get());
}

void Te3CustomPageControl::SetActivePageIndex(int32_t value)
{
    SetActivePage(Page(value));
}

int32_t Te3CustomPageControl::GetTabIndex() const
{
    const Te3TabSheet* page = activePage_.get();
    return page ? page->TabIndex() : -1;
}

void Te3CustomPageControl::SetTabIndex(int32_t value)
{
    if (settingActive_)
        return;
    if (Te3TabSheet* page = PageForTab(value))
        SetActivePage(page);
}

bool Te3CustomPageControl::SelectTabByUser(int32_t tabIndex)
{
    Te3TabSheet* page = PageForTab(tabIndex);
    if (!page || page == activePage_.get()) {
        SyncTabs();
        return false;
    }
    fw::Guard<Te3CustomPageControl> self(this);
    bool allow = true;
    if (OnChanging) {
        OnChanging(this, allow);
        if (!self)
            return false;
    }
    if (!allow) {
        SyncTabs();
        return false;
    }
    // The handler may have removed or moved the page.
    if (page != PageForTab(tabIndex) && IndexOfPage(page) < 0) {
        SyncTabs();
        return false;
    }
    SetActivePage(page);
    if (!self)
        return true;
    if (OnChange)
        OnChange(this);
    return true;
}

bool Te3CustomPageControl::SelectNextPage(bool forward)
{
    const int32_t count = PageCount();
    if (count == 0)
        return false;
    const int32_t from = GetActivePageIndex();
    const int32_t step = forward ? 1 : count - 1;
    // Without an active page the search starts before the first page
    // (or after the last one going back).
    int32_t at = from >= 0 ? from : (forward ? count - 1 : 0);
    for (int32_t n = 0; n < count; ++n) {
        at = (at + step) % count;
        Te3TabSheet* page = Page(at);
        if (page->GetTabVisible())
            return SelectTabByUser(page->TabIndex());
    }
    return false;
}

void Te3CustomPageControl::SetImages(fw::TCustomImageList* value)
{
    images_ = value;
    SyncTabs();
}

int32_t Te3CustomPageControl::TabImageIndex(int32_t tabIndex)
{
    const Te3TabSheet* page = PageForTab(tabIndex);
    int32_t index = page ? page->GetImageIndex() : 0;
    if (OnGetImageIndex)
        OnGetImageIndex(this, tabIndex, index);
    return index;
}

void Te3CustomPageControl::SyncTabImages()
{
    fw::TCustomImageList* images = images_.get();
    if (images)
        tabBar_->setIconSize(QSize(images->GetWidth(), images->GetHeight()));
    for (int tab = 0; tab < tabBar_->count(); ++tab) {
        QIcon icon;
        if (images) {
            const QImage image = images->GetImage(TabImageIndex(tab));
            if (!image.isNull())
                icon = QIcon(QPixmap::fromImage(image));
        }
        tabBar_->setTabIcon(tab, icon);
    }
}

void Te3CustomPageControl::SetOwnerDraw(bool value)
{
    ownerDraw_ = value;
    tabBar_->update();
}

void Te3CustomPageControl::PaintOwnerDrawn(QTabBar& bar, QPainter& painter)
{
    fw::Guard<Te3CustomPageControl> self(this);
    const QColor face = frame_->palette().color(QPalette::Window);
    for (int tab = 0; self && tab < bar.count(); ++tab) {
        QStyleOptionTab option = tabBar_->TabOption(tab);
        bar.style()->drawControl(QStyle::CE_TabBarTabShape, &option, &painter, &bar);
        // The face inside the outline the style drew.
        const QRect r = option.rect.adjusted(2, 2, -2, -2);
        painter.save();
        painter.setClipRect(r);
        painter.setFont(bar.font());
        painter.setPen(bar.palette().color(QPalette::WindowText));
        painter.setBrush(face);
        if (!OnDrawTab) {
            painter.fillRect(r, face);
        } else {
            const fw::TRect rect {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
            const bool active = tab == bar.currentIndex();
            canvas_ = &painter;
            fw::RunFromEventLoop([&] {
                if (OnDrawTab)
                    OnDrawTab(this, tab, rect, active);
            });
            if (self)
                canvas_ = nullptr;
        }
        painter.restore();
    }
}

void Te3CustomPageControl::TabBarChanged(int index)
{
    if (syncing_)
        return;
    SelectTabByUser(index);
}

void Te3CustomPageControl::SyncTabs()
{
    if (HasState(fw::csDestroying))
        return;
    syncing_ = true;
    int shown = 0;
    for (const PageEntry& entry : pages_) {
        if (!entry.sheet->GetTabVisible())
            continue;
        const QString caption = QString::fromStdString(entry.sheet->GetText());
        if (shown < tabBar_->count()) {
            if (tabBar_->tabText(shown) != caption)
                tabBar_->setTabText(shown, caption);
        } else {
            tabBar_->addTab(caption);
        }
        ++shown;
    }
    while (tabBar_->count() > shown)
        tabBar_->removeTab(tabBar_->count() - 1);
    SyncTabImages();
    const int current = GetTabIndex();
    if (current >= 0)
        tabBar_->setCurrentIndex(current);
    syncing_ = false;
    tabBar_->update();
    if (tabHeight_ <= 0)
        PlaceBar();
}

void Te3CustomPageControl::SheetChanged()
{
    SyncTabs();
}

void Te3CustomPageControl::ChildAdded(fw::TControl* control)
{
    auto* sheet = dynamic_cast<Te3TabSheet*>(control);
    if (!sheet)
        return;
    pages_.push_back({sheet, control});
    sheet->SetVisible(false);
    if (!activePage_ && sheet->GetTabVisible())
        SetActivePage(sheet);
    else
        SyncTabs();
}

void Te3CustomPageControl::ChildRemoved(fw::TControl* control)
{
    const auto it = std::find_if(pages_.begin(), pages_.end(),
                                 [control](const PageEntry& e) { return e.asControl == control; });
    if (it == pages_.end())
        return;
    const size_t at = static_cast<size_t>(it - pages_.begin());
    const bool wasActive = activePage_.get() == it->sheet || !activePage_;
    pages_.erase(it);
    if (!wasActive) {
        SyncTabs();
        return;
    }
    // The next page with a shown tab takes over, or else the one before.
    activePage_ = nullptr;
    Te3TabSheet* next = nullptr;
    for (size_t i = at; i < pages_.size() && !next; ++i)
        if (pages_[i].sheet->GetTabVisible())
            next = pages_[i].sheet;
    for (size_t i = at; i > 0 && !next; --i)
        if (pages_[i - 1].sheet->GetTabVisible())
            next = pages_[i - 1].sheet;
    if (next)
        SetActivePage(next);
    else
        SyncTabs();
}

// --- docking ------------------------------------------------------------------

fw::TControl* Te3CustomPageControl::DockClientOf(const Te3TabSheet* sheet) const
{
    for (const DockedPage& d : docked_)
        if (sheet && d.sheet.get() == sheet)
            return d.alive.get();
    return nullptr;
}

fw::TControl* Te3CustomPageControl::DockClientOfTab(int32_t tabIndex) const
{
    return DockClientOf(PageForTab(tabIndex));
}

void Te3CustomPageControl::DockDrop(fw::TControl& source, int32_t x, int32_t y, fw::TAlign, fw::TControl*)
{
    fw::Guard<Te3CustomPageControl> self(this);
    fw::Guard<fw::TControl> client(&source);
    const auto known = std::find_if(docked_.begin(), docked_.end(),
                                    [&](const DockedPage& d) { return d.client == &source && d.sheet; });
    if (known != docked_.end() && source.Parent() == known->sheet.get()) {
        if (source.GetVisible())
            SetActivePage(known->sheet.get());
    } else {
        auto* sheet = new Te3_TabSheet(this);
        if (auto* form = dynamic_cast<fw::TCustomForm*>(&source))
            sheet->SetText(FirstLine(form->GetText()));
        sheet->SetPageControl(this);
        source.SetAlign(fw::alNone);
        source.SetParent(sheet);
        auto* watch = new DockWatch(this, &source, frame_);
        if (QWidget* w = source.Widget())
            w->installEventFilter(watch);
        docked_.push_back({&source, fw::Guard<fw::TControl>(&source), fw::Guard<Te3TabSheet>(sheet), watch});
        const bool shown = source.GetVisible();
        sheet->SetTabVisible(shown);
        if (shown)
            SetActivePage(sheet);
        source.SetAlign(fw::alClient);
        if (QWidget* w = source.Widget())
            w->setVisible(shown);
    }
    if (self && client && OnDockDrop)
        OnDockDrop(this, &source, x, y);
}

bool Te3CustomPageControl::DoUnDock(fw::TWinControl* newTarget, fw::TControl& client)
{
    if (!fw::UnDockAllowed(*this, newTarget, client))
        return false;
    // Leaving its sheet frees the sheet (SheetLostChild).
    client.SetAlign(fw::alNone);
    client.SetParent(newTarget);
    return true;
}

void Te3CustomPageControl::SheetLostChild(Te3TabSheet& sheet, const fw::TControl& control)
{
    const auto it = std::find_if(docked_.begin(), docked_.end(),
                                 [&](const DockedPage& d) { return d.client == &control; });
    if (it == docked_.end() || it->sheet.get() != &sheet)
        return;
    delete it->watch;
    docked_.erase(it);
    // The sheet is in the middle of letting the control go: it goes once
    // that is done, out of the pages now (the next page takes over).
    sheet.Release();
}

void Te3CustomPageControl::DockedVisibleChanging(fw::TControl& client, bool visible)
{
    for (const DockedPage& d : docked_)
        if (d.client == &client && d.sheet)
            d.sheet->SetTabVisible(visible);
}

void Te3CustomPageControl::DockCaptionChanged(const fw::TControl& client)
{
    for (const DockedPage& d : docked_)
        if (d.client == &client && d.sheet)
            d.sheet->SetText(FirstLine(client.GetText()));
}

bool Te3CustomPageControl::FloatTab(int32_t tabIndex)
{
    Te3TabSheet* sheet = PageForTab(tabIndex);
    fw::TControl* client = DockClientOf(sheet);
    if (!client)
        return false;
    QPoint origin;
    if (QWidget* w = sheet->Widget())
        origin = w->mapToGlobal(QPoint(0, 0));
    return fw::FloatControl(*client, {origin.x(), origin.y(), origin.x() + sheet->GetWidth(),
                                      origin.y() + sheet->GetHeight()});
}

bool Te3CustomPageControl::OffersDockTo(const fw::TControl& client) const
{
    return std::none_of(docked_.begin(), docked_.end(),
                        [&](const DockedPage& d) { return d.client == &client && d.sheet; });
}

void Te3CustomPageControl::EndTabDrag(fw::TControl& client, QPoint global, QPoint grab)
{
    fw::Guard<fw::TControl> alive(&client);
    fw::TWinControl* site = fw::DockSiteAt(global, client);
    QPoint at;
    if (site) {
        at = site->ClientWidget() ? site->ClientWidget()->mapFromGlobal(global) : QPoint();
        bool accept = true;
        if (site->OnDockOver)
            site->OnDockOver(site, &client, at.x(), at.y(), fw::dsDragMove, accept);
        if (!alive)
            return;
        if (!accept)
            site = nullptr;
    }
    fw::Guard<fw::TWinControl> target(site);
    if (site) {
        if (!fw::DockInto(client, *site, at.x(), at.y(), fw::alClient, nullptr))
            return;
    } else {
        const QPoint topLeft = global - grab;
        if (!fw::FloatControl(client, {topLeft.x(), topLeft.y(), topLeft.x() + client.GetWidth(),
                                       topLeft.y() + client.GetHeight()})
            || !alive)
            return;
        at = {};
    }
    if (client.OnEndDock)
        client.OnEndDock(&client, target.get(), at.x(), at.y());
}

void Te3CustomPageControl::Loaded()
{
    fw::TWinControl::Loaded();
    SyncTabs();
}

void Te3CustomPageControl::FocusControl(const std::string&)
{
    tabBar_->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3_TabSheet::StaticClass()
{
    using C = Te3_TabSheet;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_TabSheet",
        &Te3TabSheet::StaticClass(),
        {
            sp::Caption(),
            sp::Color(),
            sp::Enabled(),
            sp::Font(),
            sp::Visible(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::ShowHint(),
            sp::PopupMenu(),
            sp::Parent(),
            fw::prop::Object("PageControl", Te3CustomPageControl::StaticClass(), &C::PageControl,
                             &C::SetPageControl),
            fw::prop::Integer("PageIndex", &C::GetPageIndex, &C::SetPageIndex),
            fw::prop::Boolean("TabVisible", &C::GetTabVisible, &C::SetTabVisible),
            fw::prop::Boolean("Highlighted", &C::GetHighlighted, &C::SetHighlighted),
            fw::prop::Integer("ImageIndex", &C::GetImageIndex, &C::SetImageIndex),
            fw::prop::Integer("BorderWidth", &C::GetBorderWidth, &C::SetBorderWidth),
            fw::prop::Boolean("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
            fw::prop::Boolean("Enabling", &C::GetEnabling, nullptr),
            fw::prop::StringAction("_SetFocus", &C::FocusSheet),
            fw::prop::Event("OnShow", fw::NotifyEventType, &C::OnShow),
            fw::prop::Event("OnHide", fw::NotifyEventType, &C::OnHide),
            sp::OnEnter(),
            sp::OnExit(),
            sp::OnMouseDown(),
            sp::OnMouseMove(),
            sp::OnMouseUp(),
            sp::OnResize(),
            sp::OnContextPopup(),
            sp::OnDragDrop(),
            sp::OnDragOver(),
            sp::OnEndDrag(),
            sp::OnStartDrag(),
        },
        fw::MakeFactory<Te3_TabSheet>(),
    };
    return info;
}

const fw::TClassInfo& Te3PageControl::StaticClass()
{
    using C = Te3PageControl;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3PageControl",
        &Te3CustomPageControl::StaticClass(),
        {
            fw::prop::Object("ActivePage", Te3TabSheet::StaticClass(), &C::GetActivePage, &C::SetActivePage),
            fw::prop::Integer("ActivePageIndex", &C::GetActivePageIndex, &C::SetActivePageIndex),
            fw::prop::Integer("PageCount", &C::GetPageCount, nullptr),
            fw::prop::Boolean("HotTrack", &C::GetHotTrack, &C::SetHotTrack),
            fw::prop::Object("Images", fw::TCustomImageList::StaticClass(), &C::GetImages, &C::SetImages),
            fw::prop::Boolean("MultiLine", &C::GetMultiLine, &C::SetMultiLine),
            fw::prop::Boolean("RaggedRight", &C::GetRaggedRight, &C::SetRaggedRight),
            fw::prop::Boolean("ScrollOpposite", &C::GetScrollOpposite, &C::SetScrollOpposite),
            fw::prop::Enum("Style", TabStyleType, &C::GetStyle, &C::SetStyle),
            fw::prop::Integer("TabHeight", &C::GetTabHeight, &C::SetTabHeight),
            fw::prop::Integer("TabIndex", &C::GetTabIndex, &C::SetTabIndex),
            fw::prop::Enum("TabPosition", TabPositionType, &C::GetTabPosition, &C::SetTabPosition),
            fw::prop::Integer("TabWidth", &C::GetTabWidth, &C::SetTabWidth),
            sp::Color(),
            sp::Enabled(),
            sp::Font(),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
        },
        fw::MakeFactory<Te3PageControl>(),
    };
    return info;
}

const fw::TClassInfo& Te3_PageControl::StaticClass()
{
    using C = Te3_PageControl;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_PageControl",
        &Te3PageControl::StaticClass(),
        {
            fw::prop::Boolean("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
            fw::prop::StringAction("_SetFocus", &C::FocusControl),
            sp::DockSite(),
            fw::prop::Boolean("OwnerDraw", &C::GetOwnerDraw, &C::SetOwnerDraw),
            fw::prop::Event("OnChange", fw::NotifyEventType, &C::OnChange),
            fw::prop::Event("OnChanging", fw::ChangingEventType, &C::OnChanging),
            fw::prop::Event("OnGetImageIndex", TabGetImageEventType, &C::OnGetImageIndex),
            fw::prop::Event("OnDrawTab", DrawTabEventType, &C::OnDrawTab),
            sp::Align(),
            sp::Anchors(),
            sp::BiDiMode(),
            sp::Constraints(),
            sp::DragCursor(),
            sp::DragKind(),
            sp::DragMode(),
            sp::Parent(),
            sp::ParentBiDiMode(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::PopupMenu(),
            sp::ShowHint(),
            sp::OnContextPopup(),
            sp::OnDockDrop(),
            sp::OnDockOver(),
            sp::OnEndDock(),
            sp::OnStartDock(),
            sp::OnUnDock(),
            sp::OnGetSiteInfo(),
            sp::OnDragDrop(),
            sp::OnDragOver(),
            sp::OnEndDrag(),
            sp::OnStartDrag(),
            sp::OnEnter(),
            sp::OnExit(),
            sp::OnMouseDown(),
            sp::OnMouseMove(),
            sp::OnMouseUp(),
            sp::OnResize(),
        },
        fw::MakeFactory<Te3_PageControl>(),
    };
    return info;
}

} // namespace e3
