#include "e3/grids/InplaceEdit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace e3 {

namespace {

constexpr uint16_t vkReturn = 0x0D, vkTab = 0x09, vkUp = 0x26, vkDown = 0x28, vkPrior = 0x21, vkNext = 0x22;
constexpr int PickListRows = 8;
constexpr int PickListItemHeight = 11;

fw::TShiftState ShiftOf(Qt::KeyboardModifiers mods)
{
    fw::TShiftState s = 0;
    if (mods & Qt::ShiftModifier)
        s |= 1u << fw::ssShift;
    if (mods & Qt::ControlModifier)
        s |= 1u << fw::ssCtrl;
    if (mods & Qt::AltModifier)
        s |= 1u << fw::ssAlt;
    return s;
}

int64_t SteadyMs()
{
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer.elapsed();
}

Qt::Alignment ToQt(TAlignment alignment)
{
    switch (alignment) {
    case taRightJustify: return Qt::AlignRight | Qt::AlignVCenter;
    case taCenter: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

} // namespace

// --- typed prefix -------------------------------------------------------------------

std::optional<int> TPickListSearch::Key(char32_t key, int64_t nowMs, const QStringList& items)
{
    if (key < 32 || key > 255)
        return std::nullopt;
    if (last_ && nowMs - *last_ > RestartMs)
        text_.clear();
    last_ = nowMs;
    if (text_.size() < MaxLength)
        text_ += QChar(static_cast<char16_t>(key));
    for (int i = 0; i < items.size(); ++i)
        if (items[i].startsWith(text_, Qt::CaseInsensitive))
            return i;
    return -1;
}

// --- pick list ----------------------------------------------------------------------

TPopupListbox::TPopupListbox(std::function<void(bool)> close)
    : QListWidget(nullptr)
    , close_(std::move(close))
    , clock_(&SteadyMs)
{
    // A pop-up: the click elsewhere that closes it does not reach the window
    // below.
    setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void TPopupListbox::Drop()
{
    finishing_ = true;
    hide();
    finishing_ = false;
}

void TPopupListbox::Finish(bool accept)
{
    if (finishing_)
        return;
    finishing_ = true;
    hide();
    finishing_ = false;
    if (close_)
        close_(accept);
}

void TPopupListbox::keyPressEvent(QKeyEvent* event)
{
    const bool alt = event->modifiers() & Qt::AltModifier;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: Finish(true); return;
    case Qt::Key_Escape: Finish(false); return;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (alt) {
            Finish(true);
            return;
        }
        break;
    case Qt::Key_Backspace: break;
    default: {
        const QString text = event->text();
        if (text.size() == 1 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            QStringList items;
            items.reserve(count());
            for (int i = 0; i < count(); ++i)
                items.push_back(item(i)->text());
            if (const std::optional<int> found = search_.Key(text.at(0).unicode(), clock_(), items)) {
                if (*found >= 0)
                    setCurrentRow(*found);
                return;
            }
        }
        break;
    }
    }
    QListWidget::keyPressEvent(event);
}

void TPopupListbox::mouseReleaseEvent(QMouseEvent* event)
{
    QListWidget::mouseReleaseEvent(event);
    QListWidgetItem* under = itemAt(event->position().toPoint());
    const bool inside = rect().contains(event->position().toPoint()) && under;
    if (inside)
        setCurrentItem(under);
    Finish(inside);
}

void TPopupListbox::hideEvent(QHideEvent* event)
{
    QListWidget::hideEvent(event);
    // Closed by the system (a click elsewhere, the application going
    // inactive): nothing taken.
    Finish(false);
}

// --- editor -------------------------------------------------------------------------

TRxInplaceEdit::TRxInplaceEdit(Te3DrawGrid* grid)
    : QWidget(grid->Viewport())
    , grid_(grid)
    , line_(new QLineEdit(this))
{
    setAutoFillBackground(true);
    setFocusProxy(line_);
    line_->setFrame(false);
    line_->installEventFilter(this);
    QObject::connect(line_, &QLineEdit::textEdited, this, [this] {
        if (grid_)
            grid_->EditChanged();
    });
    hide();
}

TRxInplaceEdit::~TRxInplaceEdit()
{
    grid_ = nullptr;
    if (list_) {
        list_->Drop();
        delete list_;
    }
}

void TRxInplaceEdit::Take(TEditStyle style, TAlignment alignment, int32_t maxLength, const std::string& text)
{
    CloseUp(false);
    style_ = style;
    alignment_ = alignment;
    line_->setAlignment(ToQt(alignment));
    line_->setMaxLength(maxLength > 0 ? maxLength : 32767);
    line_->setText(QString::fromStdString(text));
    line_->selectAll();
    Layout();
    update();
}

void TRxInplaceEdit::Place(const QRect& cell)
{
    setGeometry(cell);
    // A window not on screen yet hears of its size only when shown.
    Layout();
}

std::string TRxInplaceEdit::Text() const
{
    return line_->text().toStdString();
}

void TRxInplaceEdit::SetText(const std::string& text)
{
    line_->setText(QString::fromStdString(text));
}

int32_t TRxInplaceEdit::ButtonWidth() const
{
    if (style_ == esSimple)
        return 0;
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

QRect TRxInplaceEdit::ButtonRect() const
{
    const int32_t w = ButtonWidth();
    return w > 0 ? QRect(width() - w, 0, w, height()) : QRect();
}

int32_t TRxInplaceEdit::DotGap() const
{
    return std::clamp((ButtonWidth() - 12) / 2, 1, 3);
}

void TRxInplaceEdit::Layout()
{
    // The text sits 2 pixels in from the left and the top, clear of the button.
    line_->setGeometry(2, 2, std::max(0, width() - 2 - ButtonWidth()), std::max(0, height() - 2));
}

void TRxInplaceEdit::resizeEvent(QResizeEvent*)
{
    Layout();
}

void TRxInplaceEdit::paintEvent(QPaintEvent*)
{
    if (style_ == esSimple)
        return;
    QPainter painter(this);
    const QRect r = ButtonRect();
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = r;
    option.state |= pressed_ ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, this);
    const int shift = pressed_ ? 1 : 0;
    if (style_ == esEllipsis) {
        // Three 2x2 dots, centred.
        const int gap = DotGap();
        const int span = 3 * 2 + 2 * gap;
        const int x = r.left() + (r.width() - span) / 2 + shift;
        const int y = r.top() + r.height() / 2 - 1 + shift;
        for (int i = 0; i < 3; ++i)
            painter.fillRect(QRect(x + i * (2 + gap), y, 2, 2), Qt::black);
    } else {
        QStyleOption arrow;
        arrow.initFrom(this);
        arrow.rect = r.adjusted(3 + shift, 3 + shift, -3 + shift, -3 + shift);
        style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &painter, this);
    }
}

void TRxInplaceEdit::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && ButtonRect().contains(event->position().toPoint())) {
        if (style_ == esPickList) {
            if (ListVisible())
                CloseUp(false);
            else
                DropDown();
            return;
        }
        pressed_ = true;
        update();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TRxInplaceEdit::mouseMoveEvent(QMouseEvent* event)
{
    const bool over = ButtonRect().contains(event->position().toPoint());
    if (over != overButton_) {
        overButton_ = over;
        // The arrow over the button, the edit's own cursor elsewhere.
        if (over)
            setCursor(Qt::ArrowCursor);
        else
            unsetCursor();
    }
    QWidget::mouseMoveEvent(event);
}

void TRxInplaceEdit::mouseReleaseEvent(QMouseEvent* event)
{
    if (pressed_) {
        pressed_ = false;
        update();
        if (ButtonRect().contains(event->position().toPoint()))
            ButtonClick();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void TRxInplaceEdit::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A double click on the button is two clicks, not one more.
    if (ButtonRect().contains(event->position().toPoint()))
        return;
    QWidget::mouseDoubleClickEvent(event);
}

void TRxInplaceEdit::ButtonClick()
{
    if (grid_)
        grid_->EditButtonClick();
}

void TRxInplaceEdit::DropDown()
{
    if (style_ != esPickList || ListVisible() || !grid_)
        return;
    if (!list_)
        list_ = new TPopupListbox([this](bool accept) { CloseUp(accept); });
    std::vector<std::string> items;
    grid_->PickListItems(items);
    if (!grid_)
        return;
    list_->clear();
    list_->ResetSearch();
    const int itemHeight = std::max(PickListItemHeight, list_->fontMetrics().height());
    int widest = 0;
    for (const std::string& text : items) {
        auto* item = new QListWidgetItem(QString::fromStdString(text), list_);
        item->setSizeHint(QSize(0, itemHeight));
        widest = std::max(widest, list_->fontMetrics().horizontalAdvance(item->text()) + 8);
    }
    const int count = static_cast<int>(items.size());
    const int rows = std::clamp(count, 1, PickListRows);
    const bool scrolls = count > PickListRows;
    list_->setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    if (scrolls)
        widest += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int w = std::max(width(), widest);
    const int h = rows * itemHeight + 4;
    // The item equal to the text is selected.
    const QList<QListWidgetItem*> same = list_->findItems(line_->text(), Qt::MatchExactly);
    list_->setCurrentItem(same.isEmpty() ? nullptr : same.front());
    QPoint at = mapToGlobal(QPoint(0, height()));
    const QScreen* screen = this->screen();
    if (screen && at.y() + h > screen->availableGeometry().bottom())
        at = mapToGlobal(QPoint(0, -h));
    list_->setGeometry(at.x(), at.y(), w, h);
    list_->show();
}

void TRxInplaceEdit::CloseUp(bool accept)
{
    if (!list_)
        return;
    list_->Drop();
    if (accept && list_->currentItem())
        line_->setText(list_->currentItem()->text());
    if (accept && grid_)
        grid_->EditChanged();
}

bool TRxInplaceEdit::ListVisible() const
{
    return list_ && !list_->isHidden();
}

bool TRxInplaceEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == line_ && event->type() == QEvent::KeyPress)
        return EditKey(static_cast<QKeyEvent*>(event));
    return QWidget::eventFilter(watched, event);
}

bool TRxInplaceEdit::EditKey(QKeyEvent* event)
{
    if (!grid_)
        return false;
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool alt = mods & Qt::AltModifier;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (alt && style_ == esPickList) {
            DropDown();
            return true;
        }
        grid_->EditorKey(event->key() == Qt::Key_Up ? vkUp : vkDown, ShiftOf(mods));
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        grid_->EditorKey(event->key() == Qt::Key_PageUp ? vkPrior : vkNext, ShiftOf(mods));
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        grid_->EditorKey(vkTab, ShiftOf(mods));
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (ctrl && style_ == esEllipsis) {
            ButtonClick();
            return true;
        }
        grid_->EditorKey(vkReturn, ShiftOf(mods));
        return true;
    case Qt::Key_Escape:
        if (ctrl)
            return false;
        grid_->CancelEdit();
        return true;
    default: break;
    }
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).isPrint() && !ctrl && !alt) {
        char32_t key = text.at(0).unicode();
        if (!grid_->AcceptEditKey(key))
            return true;
        if (key != static_cast<char32_t>(text.at(0).unicode())) {
            line_->insert(QString(QChar(static_cast<char16_t>(key))));
            return true;
        }
    }
    return false;
}

} // namespace e3
