#include "e3/dates/Calendar.h"

#include "e3/dates/DateEdit.h"
#include "framework/StandardProps.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace e3 {

const fw::TEnumType DayOfWeekNameType {"TDayOfWeekName", {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"}};

namespace {

constexpr int GridLineWidth = 1;

// The short hint of a hint text: what stands before "|".
QString ShortHint(const std::string& hint)
{
    return QString::fromStdString(hint.substr(0, hint.find('|')));
}

const std::array<std::string, 4> DefaultHints {"Previous Year|", "Previous Month|", "Next Month|", "Next Year|"};
const std::array<const char*, 4> ButtonGlyphs {"\u00ab", "\u2039", "\u203a", "\u00bb"};

} // namespace

std::string CalendarTitle(int month, int year, const std::string& languageCode)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%.4d", year);
    return LongMonthName(month, languageCode) + ", " + digits;
}

// ---------------------------------------------------------------------------

class CalendarGrid : public QWidget {
public:
    explicit CalendarGrid(TRxCalendar* owner)
        : owner_(owner)
    {
        setFocusPolicy(Qt::StrongFocus);
        setAutoFillBackground(true);
    }

    QPoint CellAt(const QPoint& pos) const
    {
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 7; ++col)
                if (owner_->CellRect(col, row).contains(pos))
                    return {col, row};
        return {-1, -1};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QPalette& pal = palette();
        const bool popup = owner_->IsPopupGrid();
        painter.fillRect(rect(), popup ? pal.color(QPalette::Window) : pal.color(QPalette::Base));
        const QPoint selected = owner_->SelectedCell();
        int ty = 0, tm = 0, td = 0;
        u3::DecodeDate(DateEditToday(), ty, tm, td);
        for (int row = 0; row < 7; ++row) {
            for (int col = 0; col < 7; ++col) {
                const QRect cell = owner_->CellRect(col, row);
                const bool isSelected = row > 0 && QPoint(col, row) == selected;
                if (row == 0 && !popup)
                    painter.fillRect(cell, pal.color(QPalette::Button));
                QColor ink = pal.color(QPalette::Text);
                if (isSelected) {
                    painter.fillRect(cell, pal.color(QPalette::Highlight));
                    ink = pal.color(QPalette::HighlightedText);
                } else if (owner_->IsWeekendColumn(col)) {
                    ink = fw::ToQColor(owner_->GetWeekendColor());
                }
                painter.setPen(ink);
                painter.drawText(cell, Qt::AlignCenter, QString::fromStdString(owner_->CellText(col, row)));
                const int day = owner_->CellDay(col, row);
                if (popup && day != 0 && day == td && owner_->GetMonth() == tm && owner_->GetYear() == ty) {
                    const QRect frame = cell.adjusted(0, 0, -1, -1);
                    painter.setPen(pal.color(QPalette::Dark));
                    painter.drawLine(frame.topLeft(), frame.topRight());
                    painter.drawLine(frame.topLeft(), frame.bottomLeft());
                    painter.setPen(pal.color(QPalette::Light));
                    painter.drawLine(frame.bottomLeft(), frame.bottomRight());
                    painter.drawLine(frame.topRight(), frame.bottomRight());
                }
            }
        }
        painter.setPen(pal.color(QPalette::Mid));
        const QRect header = owner_->CellRect(0, 0);
        painter.drawLine(0, header.bottom() + 1, width(), header.bottom() + 1);
        if (!popup) {
            for (int col = 1; col < 7; ++col) {
                const int x = owner_->CellRect(col, 0).left() - 1;
                painter.drawLine(x, 0, x, height());
            }
            for (int row = 2; row < 7; ++row) {
                const int y = owner_->CellRect(0, row).top() - 1;
                painter.drawLine(0, y, width(), y);
            }
        }
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton)
            return;
        const QPoint cell = CellAt(event->position().toPoint());
        if (cell.y() > 0)
            owner_->SelectCell(cell.x(), cell.y());
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton || !owner_->OnCellReleased)
            return;
        const QPoint cell = CellAt(event->position().toPoint());
        if (cell.y() > 0)
            owner_->OnCellReleased(cell.x(), cell.y());
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && owner_->OnGridDoubleClick)
            owner_->OnGridDoubleClick();
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        if (!owner_->GridKey(event->key(), event->modifiers()))
            QWidget::keyPressEvent(event);
    }

private:
    TRxCalendar* owner_;
};

// ---------------------------------------------------------------------------

const fw::TClassInfo& TRxCalendar::StaticClass()
{
    using C = TRxCalendar;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "TRxCalendar",
        &fw::TWinControl::StaticClass(),
        fw::TRows<TRxCalendar> {
            fw::prop::Float("CalendarDate", &C::GetCalendarDate, &C::SetCalendarDate),
            fw::prop::Integer("Day", &C::GetDay, &C::SetDay),
            fw::prop::Integer("Month", &C::GetMonth, &C::SetMonth),
            fw::prop::Integer("Year", &C::GetYear, &C::SetYear),
            fw::prop::Boolean("ReadOnly", &C::GetReadOnly, &C::SetReadOnly),
            fw::prop::Enum("StartOfWeek", DayOfWeekNameType, &C::GetStartOfWeek, &C::SetStartOfWeek),
            fw::prop::Boolean("UseCurrentDate", &C::GetUseCurrentDate, &C::SetUseCurrentDate),
            fw::prop::Integer("WeekendColor", &C::GetWeekendColor, &C::SetWeekendColor),
            fw::prop::Set("Weekends", DayOfWeekNameType, &C::GetWeekends, &C::SetWeekends),
            fw::prop::String("Lang", &C::GetLang, &C::SetLang),
            fw::prop::Event("OnChange", fw::NotifyEventType, &C::OnChange),
        },
    };
    return info;
}

TRxCalendar::TRxCalendar(fw::TComponent* owner)
    : fw::TWinControl(owner)
    , grid_(new CalendarGrid(this))
{
    SetWidget(grid_);
    SetTabStop(true);
    SetBounds(0, 0, 192, 115);
    u3::DecodeDate(DateEditToday(), year_, month_, day_);
}

void TRxCalendar::MakePopupGrid()
{
    popupGrid_ = true;
    grid_->setFocusPolicy(Qt::NoFocus);
    SetTabStop(false);
    SetParentColor(true);
}

u3::TDateTime TRxCalendar::GetCalendarDate() const
{
    return u3::EncodeDate(year_, month_, day_);
}

void TRxCalendar::SetCalendarDate(u3::TDateTime value)
{
    if (!std::isfinite(value) || value < -693593 || value >= 2958466)
        return;
    int y = 0, m = 0, d = 0;
    u3::DecodeDate(std::floor(value), y, m, d);
    SetDate(y, m, d);
}

void TRxCalendar::SetDate(int year, int month, int day)
{
    useCurrentDate_ = false;
    if (year == year_ && month == month_ && day == day_) {
        grid_->update();
        return;
    }
    year_ = year;
    month_ = month;
    day_ = day;
    Changed();
}

void TRxCalendar::Changed()
{
    grid_->update();
    if (OnChange)
        OnChange(this);
}

void TRxCalendar::SetDay(int32_t value)
{
    if (value < 1 || value > DaysInMonth(year_, month_))
        return;
    SetDate(year_, month_, value);
}

void TRxCalendar::SetMonth(int32_t value)
{
    // A month outside 1..12 has no length: the day stays as it is.
    if (value < 1 || value > 12)
        return;
    SetDate(year_, value, std::min(day_, DaysInMonth(year_, value)));
}

void TRxCalendar::SetYear(int32_t value)
{
    if (value < 1 || value > 9999)
        return;
    SetDate(value, month_, std::min(day_, DaysInMonth(value, month_)));
}

void TRxCalendar::SetStartOfWeek(TDayOfWeekName value)
{
    if (value < Sun || value > Sat)
        return;
    startOfWeek_ = value;
    grid_->update();
}

void TRxCalendar::SetUseCurrentDate(bool value)
{
    if (value) {
        int y = 0, m = 0, d = 0;
        u3::DecodeDate(DateEditToday(), y, m, d);
        SetDate(y, m, d);
    }
    useCurrentDate_ = value;
}

void TRxCalendar::SetWeekendColor(fw::TColor value)
{
    weekendColor_ = value;
    grid_->update();
}

void TRxCalendar::SetWeekends(TDaysOfWeek value)
{
    weekends_ = value & 0x7F;
    grid_->update();
}

void TRxCalendar::SetLang(const std::string& value)
{
    lang_ = value;
    grid_->update();
}

void TRxCalendar::PrevDay()
{
    SetCalendarDate(GetCalendarDate() - 1);
}

void TRxCalendar::NextDay()
{
    SetCalendarDate(GetCalendarDate() + 1);
}

void TRxCalendar::PrevMonth()
{
    const int year = month_ == 1 ? year_ - 1 : year_;
    const int month = month_ == 1 ? 12 : month_ - 1;
    if (year >= 1)
        SetDate(year, month, std::min(day_, DaysInMonth(year, month)));
}

void TRxCalendar::NextMonth()
{
    const int year = month_ == 12 ? year_ + 1 : year_;
    const int month = month_ == 12 ? 1 : month_ + 1;
    if (year <= 9999)
        SetDate(year, month, std::min(day_, DaysInMonth(year, month)));
}

void TRxCalendar::PrevYear()
{
    if (year_ > 1)
        SetDate(year_ - 1, month_, month_ == 2 && day_ == 29 ? 28 : day_);
}

void TRxCalendar::NextYear()
{
    if (year_ < 9999)
        SetDate(year_ + 1, month_, month_ == 2 && day_ == 29 ? 28 : day_);
}

void TRxCalendar::GoToToday()
{
    SetCalendarDate(DateEditToday());
}

bool TRxCalendar::GridKey(int key, Qt::KeyboardModifiers modifiers)
{
    const bool keypad = modifiers & Qt::KeypadModifier;
    switch (key) {
    case Qt::Key_Left: PrevDay(); return true;
    case Qt::Key_Right: NextDay(); return true;
    case Qt::Key_Minus:
        if (!keypad)
            return false;
        PrevDay();
        return true;
    case Qt::Key_Plus:
        if (!keypad)
            return false;
        NextDay();
        return true;
    case Qt::Key_T: GoToToday(); return true;
    default: return false;
    }
}

std::string TRxCalendar::CellText(int col, int row) const
{
    if (col < 0 || col > 6 || row < 0 || row > 6)
        return {};
    if (row == 0)
        return DayName((col + startOfWeek_) % 7 + 1, lang_);
    const int day = CellDay(col, row);
    return day ? std::to_string(day) : std::string();
}

int TRxCalendar::CellDay(int col, int row) const
{
    if (col < 0 || col > 6 || row < 1 || row > 6)
        return 0;
    return CalendarCellDay(year_, month_, startOfWeek_, col, row);
}

QPoint TRxCalendar::SelectedCell() const
{
    const int shifted = day_ - CalendarOffset(year_, month_, startOfWeek_);
    return {shifted % 7, shifted / 7 + 1};
}

bool TRxCalendar::IsWeekendColumn(int col) const
{
    return (weekends_ >> ((col + startOfWeek_) % 7)) & 1u;
}

QRect TRxCalendar::CellRect(int col, int row) const
{
    const int cellWidth = std::max(0, (ClientWidth() - 6 * GridLineWidth) / 7);
    const int cellHeight = std::max(0, (ClientHeight() - 6 * GridLineWidth) / 7);
    return {col * (cellWidth + GridLineWidth), row * (cellHeight + GridLineWidth), cellWidth, cellHeight};
}

bool TRxCalendar::SelectCell(int col, int row)
{
    const int day = CellDay(col, row);
    if (readOnly_ || day == 0)
        return false;
    SetDate(year_, month_, day);
    return true;
}

const fw::TClassInfo& TLocCalendar::StaticClass()
{
    static const fw::TClassInfo info {"TLocCalendar", &TRxCalendar::StaticClass(), {}};
    return info;
}

TLocCalendar::TLocCalendar(fw::TComponent* owner)
    : TRxCalendar(owner)
{
    MakePopupGrid();
}

// ---------------------------------------------------------------------------

class CalendarTitlePanel : public QWidget {
public:
    CalendarTitlePanel(QWidget* parent, int buttonSize)
        : QWidget(parent)
        , buttonSize_(buttonSize)
        , label_(new TitleLabel(this))
    {
        for (size_t i = 0; i < buttons_.size(); ++i) {
            auto* button = new QToolButton(this);
            button->setText(QString::fromUtf8(ButtonGlyphs[i]));
            button->setAutoRepeat(true);
            button->setFocusPolicy(Qt::NoFocus);
            button->setAutoRaise(true);
            buttons_[i] = button;
            SetHint(static_cast<int>(i), DefaultHints[i]);
        }
        label_->setAlignment(Qt::AlignCenter);
    }

    QToolButton* Button(int index) const
    {
        return index >= 0 && index < 4 ? buttons_[static_cast<size_t>(index)] : nullptr;
    }
    std::string Hint(int index) const { return index >= 0 && index < 4 ? hints_[static_cast<size_t>(index)] : ""; }
    void SetHint(int index, const std::string& hint)
    {
        hints_[static_cast<size_t>(index)] = hint;
        buttons_[static_cast<size_t>(index)]->setToolTip(ShortHint(hint));
    }
    QLabel* Label() const { return label_; }
    // Buttons at the given x positions, the title between the inner two.
    void Place(const std::array<int, 4>& xs)
    {
        const int top = std::max(0, (height() - buttonSize_) / 2);
        for (size_t i = 0; i < buttons_.size(); ++i)
            buttons_[i]->setGeometry(xs[i], top, buttonSize_, buttonSize_);
        const int left = xs[1] + buttonSize_;
        label_->setGeometry(left, 0, std::max(0, xs[2] - left), height());
    }

    std::function<void()> OnTitleDoubleClick;

private:
    class TitleLabel : public QLabel {
    public:
        explicit TitleLabel(CalendarTitlePanel* panel)
            : QLabel(panel)
            , panel_(panel)
        {
        }

    protected:
        void mouseDoubleClickEvent(QMouseEvent* event) override
        {
            if (event->button() == Qt::LeftButton && panel_->OnTitleDoubleClick)
                panel_->OnTitleDoubleClick();
        }

    private:
        CalendarTitlePanel* panel_;
    };

    int buttonSize_;
    QLabel* label_;
    std::array<QToolButton*, 4> buttons_ {};
    std::array<std::string, 4> hints_;
};

namespace {

void ConnectNavigation(CalendarTitlePanel* title, TRxCalendar* calendar)
{
    QObject::connect(title->Button(0), &QToolButton::clicked, title, [calendar] { calendar->PrevYear(); });
    QObject::connect(title->Button(1), &QToolButton::clicked, title, [calendar] { calendar->PrevMonth(); });
    QObject::connect(title->Button(2), &QToolButton::clicked, title, [calendar] { calendar->NextMonth(); });
    QObject::connect(title->Button(3), &QToolButton::clicked, title, [calendar] { calendar->NextYear(); });
    title->OnTitleDoubleClick = [calendar] { calendar->GoToToday(); };
}

void ApplyHints(CalendarTitlePanel* title, const std::vector<std::string>& hints)
{
    for (size_t i = 0; i < hints.size() && i < 4; ++i)
        if (!hints[i].empty())
            title->SetHint(static_cast<int>(i), hints[i]);
}

bool PageKey(TRxCalendar* calendar, int key, Qt::KeyboardModifiers modifiers)
{
    const bool ctrl = modifiers & Qt::ControlModifier;
    if (key == Qt::Key_PageUp) {
        ctrl ? calendar->PrevYear() : calendar->PrevMonth();
        return true;
    }
    if (key == Qt::Key_PageDown) {
        ctrl ? calendar->NextYear() : calendar->NextMonth();
        return true;
    }
    return false;
}

} // namespace

// ---------------------------------------------------------------------------

class TPopupCalendar::Frame : public QFrame {
public:
    explicit Frame(TPopupCalendar* owner)
        : QFrame(nullptr, Qt::Popup)
        , owner_(owner)
    {
        setFrameStyle(QFrame::Panel | QFrame::Raised);
        setAutoFillBackground(true);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (owner_->NavigationKey(event->key(), event->modifiers()))
            return;
        if (event->key() == Qt::Key_Escape) {
            owner_->ClosePopup();
            return;
        }
        // Other keys go to the grid, which never has the focus itself.
        if (!owner_->Calendar()->GridKey(event->key(), event->modifiers()))
            QFrame::keyPressEvent(event);
    }

private:
    TPopupCalendar* owner_;
};

const fw::TClassInfo& TPopupCalendar::StaticClass()
{
    static const fw::TClassInfo info {"TPopupCalendar", &fw::TWinControl::StaticClass(), {}};
    return info;
}

TPopupCalendar::TPopupCalendar(fw::TComponent* owner)
    : fw::TWinControl(owner)
{
    auto* frame = new Frame(this);
    SetWidget(frame);
    SetColor(fw::clBtnFace);
    title_ = new CalendarTitlePanel(frame, 14);
    calendar_ = new TLocCalendar(this);
    calendar_->SetParent(this);
    ConnectNavigation(title_, calendar_);
    calendar_->OnChange = [this](fw::TObject*) { UpdateTitle(); };
    calendar_->OnCellReleased = [this](int col, int row) {
        if (calendar_->CellDay(col, row) == 0)
            return;
        calendar_->SelectCell(col, row);
        const u3::TDateTime chosen = calendar_->GetCalendarDate();
        fw::Guard<TPopupCalendar> self(this);
        ClosePopup();
        if (self && OnDateChosen)
            OnDateChosen(chosen);
    };
    const int width = 180, height = 120, titleHeight = 18;
    SetBounds(0, 0, width, height);
    title_->setGeometry(0, 0, width, titleHeight);
    title_->Place({2, 16, width - 30, width - 16});
    calendar_->SetBounds(0, titleHeight, width, height - titleHeight);
    UpdateTitle();
}

std::string TPopupCalendar::Title() const
{
    return title_->Label()->text().toStdString();
}

std::string TPopupCalendar::ButtonHint(int index) const
{
    return title_->Hint(index);
}

QToolButton* TPopupCalendar::Button(int index) const
{
    return title_->Button(index);
}

void TPopupCalendar::Setup(TDayOfWeekName startOfWeek, fw::TColor weekendColor, TDaysOfWeek weekends,
                           const std::string& languageCode, const std::vector<std::string>& hints)
{
    calendar_->SetStartOfWeek(startOfWeek);
    calendar_->SetWeekendColor(weekendColor);
    calendar_->SetWeekends(weekends);
    lang_ = languageCode;
    calendar_->SetLang(languageCode);
    ApplyHints(title_, hints);
    UpdateTitle();
}

void TPopupCalendar::UpdateTitle()
{
    title_->Label()->setText(
        QString::fromStdString(CalendarTitle(calendar_->GetMonth(), calendar_->GetYear(), lang_)));
}

void TPopupCalendar::Popup(QPoint screenAt, u3::TDateTime date)
{
    calendar_->SetCalendarDate(date != 0 ? date : DateEditToday());
    UpdateTitle();
    Widget()->move(screenAt);
    Widget()->show();
}

void TPopupCalendar::ClosePopup()
{
    Widget()->hide();
}

bool TPopupCalendar::IsOpen() const
{
    return Widget()->isVisible();
}

bool TPopupCalendar::NavigationKey(int key, Qt::KeyboardModifiers modifiers)
{
    return PageKey(calendar_, key, modifiers);
}

// ---------------------------------------------------------------------------

class TSelectDateDlg::KeyFilter : public QObject {
public:
    explicit KeyFilter(TSelectDateDlg* owner)
        : owner_(owner)
    {
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        return owner_->DialogKey(key->key(), key->modifiers());
    }

private:
    TSelectDateDlg* owner_;
};

const fw::TClassInfo& TSelectDateDlg::StaticClass()
{
    static const fw::TClassInfo info {"TSelectDateDlg", &fw::TCustomForm::StaticClass(), {}};
    return info;
}

TSelectDateDlg::TSelectDateDlg(fw::TComponent* owner)
    : fw::TCustomForm(owner)
{
    SetBorderStyle(fw::bsDialog);
    SetPosition(fw::poScreenCenter);
    SetText("Select a Date");
    SetClientWidth(222);
    SetClientHeight(154);
    QWidget* client = ClientWidget();
    const int titleHeight = 22, buttonPanel = 21;
    title_ = new CalendarTitlePanel(client, 16);
    title_->setGeometry(0, 0, 222, titleHeight);
    title_->Place({3, 18, 188, 203});
    QFont bold = title_->Label()->font();
    bold.setBold(true);
    title_->Label()->setFont(bold);
    QPalette blue = title_->Label()->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    title_->Label()->setPalette(blue);

    calendar_ = new TRxCalendar(this);
    calendar_->SetParent(this);
    calendar_->SetBounds(0, titleHeight, 222, 154 - titleHeight - buttonPanel);
    ConnectNavigation(title_, calendar_);
    calendar_->OnChange = [this](fw::TObject*) { UpdateTitle(); };
    calendar_->OnGridDoubleClick = [this] { SetModalResult(fw::mrOk); };

    ok_ = new QPushButton(QStringLiteral("OK"), client);
    ok_->setGeometry(0, 154 - buttonPanel, 112, buttonPanel);
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), client);
    cancel_->setGeometry(112, 154 - buttonPanel, 110, buttonPanel);
    QObject::connect(ok_, &QPushButton::clicked, client, [this] { SetModalResult(fw::mrOk); });
    QObject::connect(cancel_, &QPushButton::clicked, client, [this] { SetModalResult(fw::mrCancel); });

    keys_ = new KeyFilter(this);
    keys_->setParent(client);
    for (QWidget* w : {calendar_->Widget(), static_cast<QWidget*>(ok_), static_cast<QWidget*>(cancel_), Widget()})
        w->installEventFilter(keys_);
    UpdateTitle();
}

std::string TSelectDateDlg::Title() const
{
    return title_->Label()->text().toStdString();
}

QToolButton* TSelectDateDlg::Button(int index) const
{
    return title_->Button(index);
}

void TSelectDateDlg::SetLanguageCode(const std::string& code)
{
    lang_ = code;
    calendar_->SetLang(code);
    UpdateTitle();
}

void TSelectDateDlg::SetHints(const std::vector<std::string>& hints)
{
    ApplyHints(title_, hints);
}

void TSelectDateDlg::UpdateTitle()
{
    title_->Label()->setText(
        QString::fromStdString(CalendarTitle(calendar_->GetMonth(), calendar_->GetYear(), lang_)));
}

bool TSelectDateDlg::DialogKey(int key, Qt::KeyboardModifiers modifiers)
{
    switch (key) {
    case Qt::Key_Tab:
        (modifiers & Qt::ShiftModifier) ? calendar_->PrevMonth() : calendar_->NextMonth();
        return true;
    case Qt::Key_Backtab: calendar_->PrevMonth(); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: SetModalResult(fw::mrOk); return true;
    case Qt::Key_Escape: SetModalResult(fw::mrCancel); return true;
    default: return PageKey(calendar_, key, modifiers);
    }
}

bool SelectDate(u3::TDateTime& date, const std::string& title, TDayOfWeekName startOfWeek,
                const std::string& languageCode, const std::vector<std::string>& hints, fw::TColor weekendColor,
                TDaysOfWeek weekends)
{
    auto dialog = std::make_unique<TSelectDateDlg>(nullptr);
    if (!title.empty())
        dialog->SetText(title);
    dialog->Calendar()->SetCalendarDate(date != 0 ? date : DateEditToday());
    dialog->Calendar()->SetStartOfWeek(startOfWeek);
    dialog->Calendar()->SetWeekends(weekends);
    dialog->Calendar()->SetWeekendColor(weekendColor);
    dialog->SetLanguageCode(languageCode);
    dialog->SetHints(hints);
    if (dialog->ShowModal() != fw::mrOk)
        return false;
    date = dialog->Calendar()->GetCalendarDate();
    return true;
}

} // namespace e3
