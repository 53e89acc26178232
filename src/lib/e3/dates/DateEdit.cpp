#include "e3/dates/DateEdit.h"

#include "e3/common/EditCommands.h"
#include "e3/edits/EditEvents.h"
#include "framework/KeyCodes.h"
#include "framework/StandardProps.h"
#include "u3/StrLib.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QIcon>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPointer>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace e3 {

const fw::TEnumType DateLanguagesType {"TDateLanguages", {"en", "fr", "de", "es", "pt", "ru", "sys"}};
const fw::TEnumType CalendarStyleType {"TCalendarStyle", {"csPopup", "csDialog"}};
const fw::TEnumType PopupAlignType {"TPopupAlign", {"epaRight", "epaLeft"}};
const fw::TEnumType GlyphKindType {"TGlyphKind", {"gkCustom", "gkDefault", "gkDropDown", "gkEllipsis"}};
const fw::TEnumType YearDigitsType {"TYearDigits", {"dyDefault", "dyFour", "dyTwo"}};
const fw::TEventType ExecDateDialogEventType {"TExecDateDialog", typeid(TExecDateDialog)};

namespace {

std::function<u3::TDateTime()> installedClock;

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c); });
    return text;
}

int CurrentYear()
{
    int y = 0, m = 0, d = 0;
    u3::DecodeDate(DateEditToday(), y, m, d);
    return y;
}

u3::TDateTime Encode(const DateParts& d)
{
    u3::TDateTime result = 0;
    return u3::TryEncodeDate(d.year, d.month, d.day, result) ? result : 0;
}

// Dates this edit can show: years 1 to 9999, whole days.
bool IsValidDate(u3::TDateTime value)
{
    return std::isfinite(value) && value >= -693593 && value < 2958466;
}

DateParts Decode(u3::TDateTime value)
{
    DateParts d;
    u3::DecodeDate(value, d.year, d.month, d.day);
    return d;
}

std::string Formatted(const DateParts& d, bool iso)
{
    char text[40];
    if (iso)
        std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d", d.year, d.month, d.day);
    else
        std::snprintf(text, sizeof text, "%.2d.%.2d.%.4d", d.day, d.month, d.year);
    return text;
}

QDate ToQDate(u3::TDateTime value)
{
    const DateParts d = Decode(value);
    return QDate(d.year, d.month, d.day);
}

// The system's short date format stands in for every other DefaultFormat.
QString SystemFormat()
{
    return QLocale::system().dateFormat(QLocale::ShortFormat);
}

bool IsInputPlace(std::string_view format, int at)
{
    if (at < 0 || at >= static_cast<int>(format.size()))
        return false;
    const char c = format[static_cast<std::size_t>(at)];
    return c == 'D' || c == 'M' || c == 'Y';
}

// Holds the update counter up while the edit rewrites its own text.
// Watches the edit window: keeps its own context menu, with its clipboard
// entries, shut while the edit takes no direct input, and places the
// calendar button when the window's size changes.
class EditWindowFilter final : public QObject {
public:
    EditWindowFilter(const bool& directInput, std::function<void()> resized)
        : directInput_(directInput), resized_(std::move(resized))
    {
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Resize)
            resized_();
        return e->type() == QEvent::ContextMenu && !directInput_;
    }

private:
    const bool& directInput_;
    std::function<void()> resized_;
};

struct Updating {
    int& count;
    explicit Updating(int& c) : count(c) { ++count; }
    ~Updating() { --count; }
};

} // namespace

void SetDateEditClock(std::function<u3::TDateTime()> clock)
{
    installedClock = std::move(clock);
}

u3::TDateTime DateEditToday()
{
    return std::trunc(installedClock ? installedClock() : u3::Now());
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& TCustomLangDateEdit::StaticClass()
{
    static const fw::TClassInfo info {"TCustomLangDateEdit", &Te3CustomEdit::StaticClass(), {}};
    return info;
}

TCustomLangDateEdit::TCustomLangDateEdit(fw::TComponent* owner)
    : Te3CustomEdit(owner)
{
}

const fw::TClassInfo& TCustomLangDateEdit::GetLanguageClass() const
{
    return Te3DateEdit::StaticClass();
}

const fw::TClassInfo& TLangDateEdit::StaticClass()
{
    static const fw::TClassInfo info {"TLangDateEdit", &TCustomLangDateEdit::StaticClass(), {}};
    return info;
}

namespace {

// The pictures of the calendar button's kinds. The style draws its standard
// icons anew on every call, which a form of many date edits would pay for
// each of them: each picture is drawn once (the arrow once per style) and
// kept until the application goes.
QPixmap DrawnKindPicture(TGlyphKind kind)
{
    QPixmap picture(12, 12);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    const QColor ink = QApplication::palette().color(QPalette::ButtonText);
    if (kind == gkEllipsis) {
        for (int x : {1, 5, 9})
            painter.fillRect(x, 8, 2, 2, ink);
        return picture;
    }
    // A leaf of a calendar: a frame with a filled head and a grid of days.
    painter.setPen(ink);
    painter.drawRect(0, 1, 11, 10);
    painter.fillRect(0, 1, 12, 3, ink);
    for (int y : {5, 7, 9})
        for (int x : {2, 4, 6, 8})
            painter.drawPoint(x, y);
    return picture;
}

QIcon CalendarButtonIcon(TGlyphKind kind, QStyle* style)
{
    static QPointer<QStyle> drawnBy;
    static QIcon* icons = nullptr;
    if (!icons) {
        icons = new QIcon[4];
        QObject::connect(qApp, &QObject::destroyed, [] {
            delete[] icons;
            icons = nullptr;
        });
    }
    if (kind == gkCustom)
        kind = gkDefault;
    QIcon& icon = icons[kind];
    if (kind == gkDropDown && drawnBy != style) {
        icon = style->standardIcon(QStyle::SP_ArrowDown);
        drawnBy = style;
    } else if (icon.isNull() && kind != gkDropDown) {
        icon = QIcon(DrawnKindPicture(kind));
    }
    return icon;
}

} // namespace

TLangDateEdit::TLangDateEdit(fw::TComponent* owner)
    : TCustomLangDateEdit(owner)
{
    dateFormat_ = SystemDateFormat().toStdString();
    ApplyFormat();
    QLineEdit* edit = LineEdit();
    calendarButton_ = new QAction(CalendarButtonIcon(glyphKind_, edit->style()), QString(), edit);
    calendarButton_->setObjectName(QStringLiteral("calendarButton"));
    edit->QWidget::addAction(calendarButton_);
    buttonWidget_ = new QToolButton(edit);
    buttonWidget_->setDefaultAction(calendarButton_);
    buttonWidget_->setAutoRaise(true);
    buttonWidget_->setFocusPolicy(Qt::NoFocus);
    buttonWidget_->setCursor(Qt::ArrowCursor);
    QObject::connect(calendarButton_, &QAction::triggered, edit, [this] { ButtonClick(); });
    glyph_->OnChange = [this] {
        if (!glyph_->Empty())
            glyphKind_ = gkCustom;
        ShowGlyph();
    };
    calendarHints_->OnChange = [this] { SetupPopup(); };
    windowFilter_ = std::make_unique<EditWindowFilter>(directInput_, [this] { PlaceButton(); });
    edit->installEventFilter(windowFilter_.get());
    PlaceButton();
}

TLangDateEdit::Format TLangDateEdit::CurrentFormat() const
{
    if (dateFormat_ == DottedFormat)
        return Format::Dotted;
    if (dateFormat_ == IsoFormat)
        return Format::Iso;
    return Format::Other;
}

void TLangDateEdit::Show(const std::string& text)
{
    SetEditText(text);
}

u3::TDateTime TLangDateEdit::EmptyOrToday() const
{
    return defaultToday_ ? DateEditToday() : 0;
}

// ---- format and language ------------------------------------------------------------------

void TLangDateEdit::SetDefaultFormat(const std::string& value)
{
    defaultFormat_ = value;
    if (!HasState(fw::csLoading))
        ApplyFormat();
}

void TLangDateEdit::Loaded()
{
    TCustomLangDateEdit::Loaded();
    ApplyFormat();
}

void TLangDateEdit::SetLanguage(TDateLanguages value)
{
    if (value < en || value > sys)
        return;
    // The shown text may be the display form, whose month name belongs to the
    // old language: the date is read before the language changes, and shown
    // again in the new one.
    const u3::TDateTime kept = GetDate();
    const bool showsDisplayForm = !entered_ && GetTag() != 1 && CurrentFormat() == Format::Dotted;
    language_ = value;
    if (showsDisplayForm) {
        const Updating updating(updateCount_);
        ShowDisplayForm(kept);
    } else {
        ApplyFormat();
    }
    ApplyLanguage();
}

void TLangDateEdit::ApplyFormat()
{
    const std::string upper = Upper(defaultFormat_);
    const bool fixed = !upper.empty() && std::string_view("DD.MM.YYYY YYYY-MM-DD").find(upper) != std::string::npos;
    const u3::TDateTime date = GetDate();
    dateFormat_ = fixed ? upper : SystemDateFormat().toStdString();
    switch (CurrentFormat()) {
    case Format::Dotted:
    case Format::Iso:
        if (GetTag() == 1) {
            const Updating updating(updateCount_);
            const bool iso = CurrentFormat() == Format::Iso;
            Show(date != 0 ? Formatted(Decode(date), iso) : std::string(iso ? IsoEmpty : DottedEmpty));
        } else {
            FormatForDisplay(false);
        }
        break;
    case Format::Other:
        break;
    }
}

// The system's short format, its year widened or narrowed as YearDigits says.
QString TLangDateEdit::SystemDateFormat() const
{
    QString format = SystemFormat();
    if (yearDigits_ == dyDefault)
        return format;
    const qsizetype start = format.indexOf(QLatin1Char('y'));
    if (start < 0)
        return format;
    qsizetype end = start;
    while (end < format.size() && format[end] == QLatin1Char('y'))
        ++end;
    return format.replace(start, end - start, yearDigits_ == dyFour ? QStringLiteral("yyyy") : QStringLiteral("yy"));
}

void TLangDateEdit::SetYearDigits(TYearDigits value)
{
    if (value < dyDefault || value > dyTwo || value == yearDigits_)
        return;
    const u3::TDateTime kept = GetDate();
    yearDigits_ = value;
    ApplyFormat();
    if (CurrentFormat() == Format::Other) {
        const Updating updating(updateCount_);
        const bool modified = GetModified();
        SetDate(kept);
        SetModified(modified);
    }
}

void TLangDateEdit::ApplyLanguage()
{
    if (language_ != sys) {
        std::vector<std::string> hints;
        for (int i = 1; i <= 4; ++i)
            hints.push_back(CalendarHint(i, language_));
        calendarHints_->Load(std::move(hints));
    }
    SetupPopup();
}

void TLangDateEdit::SetupPopup()
{
    if (TPopupCalendar* popup = popup_.get())
        popup->Setup(startOfWeek_, weekendColor_, weekends_, LanguageCode(language_), calendarHints_->Lines());
}

TPopupCalendar* TLangDateEdit::PopupCalendar()
{
    if (!popup_) {
        auto* popup = new TPopupCalendar(this);
        popup_ = popup;
        if (popupFontSize_ > 0)
            popup->GetFont()->SetSize(popupFontSize_);
        popup->SetColor(popupColor_);
        popup->OnDateChosen = [this](u3::TDateTime date) { AcceptChosenDate(date); };
        ApplyLanguage();
    }
    return popup_.get();
}

void TLangDateEdit::SetStartOfWeek(TDayOfWeekName value)
{
    startOfWeek_ = value;
    ApplyLanguage();
}

void TLangDateEdit::SetWeekends(TDaysOfWeek value)
{
    weekends_ = value;
    ApplyLanguage();
}

void TLangDateEdit::SetWeekendColor(fw::TColor value)
{
    weekendColor_ = value;
    ApplyLanguage();
}

void TLangDateEdit::SetPopupFontSize(int32_t value)
{
    popupFontSize_ = value;
    if (TPopupCalendar* popup = popup_.get(); popup && value > 0)
        popup->GetFont()->SetSize(value);
}

void TLangDateEdit::AcceptChosenDate(u3::TDateTime date)
{
    fw::Guard<TLangDateEdit> self(this);
    bool accept = true;
    if (OnAcceptDate) {
        OnAcceptDate(this, date, accept);
        if (!self)
            return;
    }
    if (!accept)
        return;
    SetDate(date);
    if (self && LineEdit()->hasFocus())
        LineEdit()->selectAll();
}

void TLangDateEdit::SetPopupColor(fw::TColor value)
{
    popupColor_ = value;
    if (TPopupCalendar* popup = popup_.get())
        popup->SetColor(value);
}

void TLangDateEdit::SetGlyph(TBitmap* value)
{
    glyph_->SetTransparent(value && value->GetTransparent());
    glyph_->Assign(value ? value->Image() : QImage());
}

void TLangDateEdit::AssignGlyph(const QImage& image)
{
    glyph_->Assign(image);
}

void TLangDateEdit::SetNumGlyphs(int32_t value)
{
    numGlyphs_ = std::clamp(value, 1, 4);
    ShowGlyph();
}

void TLangDateEdit::SetButtonWidth(int32_t value)
{
    if (value < 0 || value == buttonWidth_)
        return;
    buttonWidth_ = value;
    PlaceButton();
}

// The button stands at the right end inside the frame; the text keeps clear
// of it.
void TLangDateEdit::PlaceButton()
{
    QLineEdit* edit = LineEdit();
    const int frame = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit) : 0;
    const int width = std::min(buttonWidth_, std::max(0, edit->width() - 2 * frame));
    buttonWidget_->setGeometry(edit->width() - frame - width, frame, width, std::max(0, edit->height() - 2 * frame));
    buttonWidget_->setVisible(width > 0);
    edit->setTextMargins(0, 0, width, 0);
}

void TLangDateEdit::SetGlyphKind(TGlyphKind value)
{
    if (value < gkCustom || value > gkEllipsis)
        return;
    glyphKind_ = value;
    if (value != gkCustom && !glyph_->Empty())
        glyph_->Assign(QImage());
    ShowGlyph();
}

void TLangDateEdit::ShowGlyph()
{
    QLineEdit* edit = LineEdit();
    if (glyph_->Empty()) {
        calendarButton_->setIcon(CalendarButtonIcon(glyphKind_, edit->style()));
        return;
    }
    const QImage image = glyph_->DrawnImage();
    const int width = std::max(1, image.width() / numGlyphs_);
    calendarButton_->setIcon(QIcon(QPixmap::fromImage(image.copy(0, 0, width, image.height()))));
}

void TLangDateEdit::SetButtonHint(const std::string& value)
{
    buttonHint_ = value;
    calendarButton_->setToolTip(QString::fromStdString(value));
}

void TLangDateEdit::ButtonClick()
{
    if (GetReadOnly() || !GetEnabled())
        return;
    fw::Guard<TLangDateEdit> self(this);
    if (OnButtonClick) {
        OnButtonClick(this);
        if (!self)
            return;
    }
    // A text that is no date opens the calendar on today.
    const u3::TDateTime shown = GetDate();
    if (calendarStyle_ == csDialog) {
        u3::TDateTime date = shown;
        const bool chosen = SelectDate(date, dialogTitle_, startOfWeek_, LanguageCode(language_), calendarHints_->Lines(),
                                 weekendColor_, weekends_);
        if (!self)
            return;
        QLineEdit* edit = LineEdit();
        if (edit->isVisible() && edit->isEnabled())
            edit->setFocus(Qt::OtherFocusReason);
        if (chosen)
            AcceptChosenDate(date);
        return;
    }
    QLineEdit* edit = LineEdit();
    TPopupCalendar* popup = PopupCalendar();
    const int left = popupAlign_ == epaLeft ? edit->width() - popup->GetWidth() : 0;
    popup->Popup(edit->mapToGlobal(QPoint(left, edit->height())), shown);
}

// ---- the date --------------------------------------------------------------------------

u3::TDateTime TLangDateEdit::GetDate() const
{
    const u3::TDateTime fallback = EmptyOrToday();
    const std::string text = ShownText();
    switch (CurrentFormat()) {
    case Format::Dotted:
        if (text == Placeholder(language_))
            return fallback;
        if (const auto d = CompleteDate(text, DottedFormat, CurrentYear()))
            return Encode(*d);
        if (const auto d = ParseDisplayForm(text, language_))
            return Encode(*d);
        return fallback;
    case Format::Iso:
        if (Upper(text) == IsoFormat)
            return fallback;
        if (const auto d = CompleteDate(text, IsoFormat, CurrentYear()))
            return Encode(*d);
        return 0;
    case Format::Other: {
        const QString format = QString::fromStdString(dateFormat_);
        const QDate d = QLocale::system().toDate(QString::fromStdString(text), format);
        if (!d.isValid())
            return fallback;
        // Qt reads a two-digit year into the 1900s; the century window decides.
        const bool twoDigits = !format.contains(QStringLiteral("yyy"));
        return Encode({twoDigits ? ExpandYear(d.year() % 100, CurrentYear()) : d.year(), d.month(), d.day()});
    }
    }
    return fallback;
}

void TLangDateEdit::SetDate(u3::TDateTime value)
{
    if (!IsValidDate(value) || value == 0)
        value = EmptyOrToday();
    value = std::trunc(value);
    std::string text;
    switch (CurrentFormat()) {
    case Format::Dotted:
        text = value != 0 ? Formatted(Decode(value), false) : Placeholder(language_);
        break;
    case Format::Iso:
        text = value != 0 ? Formatted(Decode(value), true) : defaultFormat_;
        break;
    case Format::Other:
        text = value != 0 ? QLocale::system().toString(ToQDate(value), QString::fromStdString(dateFormat_)).toStdString()
                          : defaultFormat_;
        break;
    }
    const bool changed = value != GetDate();
    Show(text);
    SetModified(changed);
    if (!entered_)
        FormatForDisplay(false);
}

std::string TLangDateEdit::GetDateString() const
{
    return u3::DateToDottedText(GetDate());
}

void TLangDateEdit::SetDateString(const std::string& value)
{
    SetDate(u3::DottedTextToDate(value));
}

void TLangDateEdit::ShowDisplayForm(u3::TDateTime date)
{
    Show(date != 0 ? DisplayForm(Decode(date), language_) : Placeholder(language_));
}

void TLangDateEdit::FormatForDisplay(bool check)
{
    fw::Guard<TLangDateEdit> self(this);
    const Updating updating(updateCount_);
    const std::string text = ShownText();
    switch (CurrentFormat()) {
    case Format::Dotted: {
        const std::string placeholder = Placeholder(language_);
        if ((text == DottedEmpty || text == placeholder) && !defaultToday_) {
            Show(placeholder);
            SetTag(0);
            return;
        }
        if (check && !CheckDate(true))
            return;
        if (!self)
            return;
        const u3::TDateTime date = GetDate();
        if (date == 0 && ShownText() == placeholder)
            return;
        if (GetTag() != 0)
            Show(defaultFormat_);
        else
            ShowDisplayForm(date);
        return;
    }
    case Format::Iso: {
        if ((Upper(text) == IsoFormat || text == IsoEmpty) && !defaultToday_) {
            Show(defaultFormat_);
            SetTag(0);
            return;
        }
        if (!CompleteDate(text, IsoFormat, CurrentYear())) {
            if (const auto completed = CompleteIsoText(text))
                Show(*completed);
        }
        if (check && !CheckDate(true)) {
            if (self)
                Show(defaultFormat_);
            return;
        }
        if (!self)
            return;
        const u3::TDateTime date = GetDate();
        if (date == 0) {
            if (Upper(ShownText()) != IsoFormat)
                Show(defaultFormat_);
            return;
        }
        DateParts d = Decode(date);
        if (lastDay_)
            d.day = DaysInMonth(d.year, d.month);
        Show(Formatted(d, true));
        return;
    }
    case Format::Other:
        return;
    }
}

bool TLangDateEdit::CheckDate(bool showMessage)
{
    const std::string text = ShownText();
    bool wrong = false;
    switch (CurrentFormat()) {
    case Format::Dotted:
        wrong = text != DottedEmpty && text != Placeholder(language_)
            && !CompleteDate(text, DottedFormat, CurrentYear());
        break;
    case Format::Iso:
        wrong = Upper(text) != IsoFormat && text != IsoEmpty && !CompleteDate(text, IsoFormat, CurrentYear());
        break;
    case Format::Other:
        break;
    }
    if (!wrong)
        return true;
    if (errMsg_.empty()) {
        SetDate(EmptyOrToday());
        return true;
    }
    fw::Guard<TLangDateEdit> self(this);
    if (showMessage)
        CurrentEditFeedback().ShowWarning("Error", errMsg_);
    if (!self)
        return false;
    SetTag(1);
    QLineEdit* edit = LineEdit();
    if (edit->isVisible() && edit->isEnabled())
        edit->setFocus(Qt::OtherFocusReason);
    else
        SetTag(0);
    edit->selectAll();
    return false;
}

// ---- focus, keys and changes ------------------------------------------------------------

void TLangDateEdit::FocusIn(Qt::FocusReason reason)
{
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) {
        TCustomLangDateEdit::FocusIn(reason);
        return;
    }
    {
        const Updating updating(updateCount_);
        const std::string text = ShownText();
        switch (CurrentFormat()) {
        case Format::Dotted:
            if (GetTag() != 1) {
                if (text != Placeholder(language_) || defaultToday_) {
                    const u3::TDateTime date = GetDate();
                    Show(date != 0 ? Formatted(Decode(date), false) : std::string(DottedEmpty));
                } else {
                    Show(std::string(DottedEmpty));
                }
            }
            SetTag(0);
            break;
        case Format::Iso:
            if (GetTag() != 1 && !(Upper(text) != IsoFormat || defaultToday_))
                Show(std::string(IsoEmpty));
            SetTag(0);
            break;
        case Format::Other:
            break;
        }
    }
    fw::Guard<TLangDateEdit> self(this);
    TCustomLangDateEdit::FocusIn(reason);
    if (self)
        entered_ = true;
}

void TLangDateEdit::FocusOut(Qt::FocusReason reason)
{
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) {
        TCustomLangDateEdit::FocusOut(reason);
        return;
    }
    fw::Guard<TLangDateEdit> self(this);
    TCustomLangDateEdit::FocusOut(reason);
    if (!self)
        return;
    if (CurrentFormat() != Format::Other)
        FormatForDisplay(true);
    else if (checkOnExit_)
        CheckValidSystemDate();
    // A failed date check has taken the focus back, and entering again has
    // already happened: the edit stays entered.
    if (self && !LineEdit()->hasFocus())
        entered_ = false;
}

// A text left in the system's format must be a date (or nothing): a date is
// shown again in the format, anything else brings up the error and the
// focus comes back.
bool TLangDateEdit::CheckValidSystemDate()
{
    const std::string text = ShownText();
    if (QString::fromStdString(text).trimmed().isEmpty() || text == defaultFormat_)
        return true;
    const QDate d = QLocale::system().toDate(QString::fromStdString(text), QString::fromStdString(dateFormat_));
    if (d.isValid()) {
        const Updating updating(updateCount_);
        const bool modified = GetModified();
        SetDate(GetDate());
        SetModified(modified);
        return true;
    }
    fw::Guard<TLangDateEdit> self(this);
    CurrentEditFeedback().ShowWarning("Error", "'" + text + "' is not a valid date");
    if (!self)
        return false;
    QLineEdit* edit = LineEdit();
    if (edit->isVisible() && edit->isEnabled())
        edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    return false;
}

void TLangDateEdit::TextChanged()
{
    if (updateCount_ > 0)
        return;
    TCustomLangDateEdit::TextChanged();
}

void TLangDateEdit::MouseReleased()
{
    TCustomLangDateEdit::MouseReleased();
    if (!entered_ || CurrentFormat() == Format::Other)
        return;
    if (LineEdit()->selectedText().size() <= 1)
        LineEdit()->setCursorPosition(0);
}

void TLangDateEdit::BlankMasked(int from, int to)
{
    std::string text = ShownText();
    for (int i = std::max(from, 0); i < to && i < static_cast<int>(text.size()); ++i) {
        if (IsInputPlace(dateFormat_, i))
            text[static_cast<std::size_t>(i)] = '_';
    }
    LineEdit()->setText(QString::fromStdString(text));
}

bool TLangDateEdit::MaskedKey(QKeyEvent* e)
{
    QLineEdit* edit = LineEdit();
    const std::string text = ShownText();
    const int caret = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    const int selLength = static_cast<int>(edit->selectedText().size());
    const auto mods = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (e->key() == Qt::Key_Delete && !mods) {
        BlankMasked(caret, caret + std::max(selLength, 1));
        edit->setCursorPosition(caret);
        return true;
    }
    if (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut)
        || (e->key() == Qt::Key_Insert && (e->modifiers() & Qt::ShiftModifier)))
        return true;
    const char32_t key = EditKeyCharCode(e);
    switch (key) {
    case keys::Dropped: return false;
    case keys::Enter:
    case keys::Escape: e->ignore(); return true;
    case keys::CtrlC: edit->copy(); return true;
    case keys::Backspace: {
        if (selLength > 0) {
            BlankMasked(caret, caret + selLength);
            edit->setCursorPosition(caret);
            return true;
        }
        int at = caret - 1;
        while (at >= 0 && !IsInputPlace(dateFormat_, at))
            --at;
        if (at >= 0) {
            BlankMasked(at, at + 1);
            edit->setCursorPosition(at);
        }
        return true;
    }
    default: break;
    }
    if (key < U'0' || key > U'9' || static_cast<int>(text.size()) != static_cast<int>(dateFormat_.size()))
        return true;
    const TypedDigit typed = TypeDateDigit(dateFormat_, text, caret, static_cast<char>(key));
    if (!typed.accepted)
        return true;
    if (OnKeyPress) {
        fw::Guard<TLangDateEdit> self(this);
        char32_t k = key;
        OnKeyPress(this, k);
        if (!self || k == keys::Dropped)
            return true;
    }
    edit->setText(QString::fromStdString(typed.text));
    edit->setCursorPosition(typed.caret);
    SetModified(true);
    return true;
}

// Without direct input every key that would change the text is swallowed;
// moving, selecting, copying and the keys the form hears pass on.
bool TLangDateEdit::KeyWithoutDirectInput(QKeyEvent* e)
{
    static constexpr QKeySequence::StandardKey changes[] = {
        QKeySequence::Paste,          QKeySequence::Cut,           QKeySequence::Undo,
        QKeySequence::Redo,           QKeySequence::Delete,        QKeySequence::Backspace,
        QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord, QKeySequence::DeleteEndOfLine,
        QKeySequence::DeleteCompleteLine,
    };
    for (QKeySequence::StandardKey change : changes)
        if (e->matches(change))
            return true;
    const Qt::KeyboardModifiers mods = e->modifiers();
    if ((e->key() == Qt::Key_Insert && (mods & Qt::ShiftModifier)) || e->key() == Qt::Key_Delete
        || e->key() == Qt::Key_Backspace)
        return true;
    const char32_t key = EditKeyCharCode(e);
    if (key >= 32 && key != 127 && !(mods & (Qt::ControlModifier | Qt::MetaModifier)))
        return true;
    return false;
}

bool TLangDateEdit::KeyPress(QKeyEvent* e)
{
    if (clickKey_ != 0 && fw::ShortCutFromQt(e->key(), e->modifiers()) == clickKey_) {
        ButtonClick();
        return true;
    }
    if (!directInput_)
        return KeyWithoutDirectInput(e);
    if (CurrentFormat() == Format::Other || GetReadOnly() || !entered_)
        return TCustomLangDateEdit::KeyPress(e);
    return MaskedKey(e);
}

EditCommandState TLangDateEdit::GetEditState() const
{
    return directInput_ ? TCustomLangDateEdit::GetEditState() : LineEditState(*LineEdit(), GetModified(), true);
}

void TLangDateEdit::EditUndo(bool forwards)
{
    if (directInput_)
        TCustomLangDateEdit::EditUndo(forwards);
}

void TLangDateEdit::EditCut()
{
    if (directInput_)
        TCustomLangDateEdit::EditCut();
}

void TLangDateEdit::EditPaste()
{
    if (directInput_)
        TCustomLangDateEdit::EditPaste();
}

void TLangDateEdit::EditClear()
{
    if (directInput_)
        TCustomLangDateEdit::EditClear();
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CustomDateEdit::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomDateEdit", &TLangDateEdit::StaticClass(), {}};
    return info;
}

const fw::TClassInfo& Te3DateEdit::StaticClass()
{
    using C = Te3DateEdit;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3DateEdit",
        &Te3CustomDateEdit::StaticClass(),
        fw::TRows<Te3DateEdit> {
            fw::prop::Float("Date", &C::GetDate, &C::SetDate),
            fw::prop::Integer("DisabledColor", &C::GetDisabledColor, &C::SetDisabledColor),
            sp::Color(),
            sp::Enabled(),
            sp::Font(),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
            sp::Text(),
            fw::prop::Boolean("AutoSelect", &C::GetAutoSelect, &C::SetAutoSelect),
            fw::prop::Object("CalendarHints", fw::TStrings::StaticClass(), &C::GetCalendarHints, nullptr),
            fw::prop::Boolean("CheckOnExit", &C::GetCheckOnExit, &C::SetCheckOnExit),
            sp::AutoSize(),
            fw::prop::Integer("ButtonWidth", &C::GetButtonWidth, &C::SetButtonWidth),
            fw::prop::Integer("ClickKey", &C::GetClickKey, &C::SetClickKey),
            fw::prop::String("EditMask", &C::GetEditMask, &C::SetEditMask),
            fw::prop::Object("Glyph", TBitmap::StaticClass(), &C::GetGlyph, &C::SetGlyph),
            fw::prop::Enum("GlyphKind", GlyphKindType, &C::GetGlyphKind, &C::SetGlyphKind),
            fw::prop::Integer("MaxLength", &C::GetMaxLength, &C::SetMaxLength),
            fw::prop::Integer("NumGlyphs", &C::GetNumGlyphs, &C::SetNumGlyphs),
            fw::prop::Enum("PopupAlign", PopupAlignType, &C::GetPopupAlign, &C::SetPopupAlign),
            fw::prop::Integer("PopupColor", &C::GetPopupColor, &C::SetPopupColor),
            sp::PopupMenu(),
            fw::prop::Boolean("DefaultToday", &C::GetDefaultToday, &C::SetDefaultToday),
            fw::prop::Boolean("DirectInput", &C::GetDirectInput, &C::SetDirectInput),
            fw::prop::String("EditText", &C::GetEditText, &C::SetEditText),
            fw::prop::Boolean("ReadOnly", &C::GetReadOnly, &C::SetReadOnly),
            fw::prop::Enum("CalendarStyle", CalendarStyleType, &C::GetCalendarStyle, &C::SetCalendarStyle),
            fw::prop::String("DialogTitle", &C::GetDialogTitle, &C::SetDialogTitle),
            fw::prop::Enum("StartOfWeek", DayOfWeekNameType, &C::GetStartOfWeek, &C::SetStartOfWeek),
            fw::prop::Set("Weekends", DayOfWeekNameType, &C::GetWeekends, &C::SetWeekends),
            fw::prop::Integer("WeekendColor", &C::GetWeekendColor, &C::SetWeekendColor),
            fw::prop::Enum("YearDigits", YearDigitsType, &C::GetYearDigits, &C::SetYearDigits),
        },
    };
    return info;
}

const fw::TClassInfo& Te3_DateEdit::StaticClass()
{
    using C = Te3_DateEdit;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_DateEdit",
        &Te3DateEdit::StaticClass(),
        fw::TRows<Te3_DateEdit> {
            fw::prop::Enum("Language", DateLanguagesType, &C::GetLanguage, &C::SetLanguage),
            fw::prop::String("DefaultFormat", &C::GetDefaultFormatText, &C::SetDefaultFormat),
            fw::prop::String("ErrMsg", &C::GetErrMsg, &C::SetErrMsg),
            fw::prop::Boolean("LastDay", &C::GetLastDay, &C::SetLastDay),
            fw::prop::String("_Date", &C::GetDateString, &C::SetDateString),
            fw::prop::String("DateString", &C::GetDateString, &C::SetDateString),
            fw::prop::BoolAction("_SetFocus", &C::SetFocus),
            fw::prop::BoolAction("_SelectAll", &C::SelectAll),
            fw::prop::Integer<C>("_PopupFontSize", nullptr, &C::SetPopupFontSize),
            fw::prop::Boolean("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
            fw::prop::Boolean("MnShow", &C::GetMnShow, &C::SetMnShow),
            fw::prop::Integer("MnWidth", &C::GetMnWidth, &C::SetMnWidth),
            fw::prop::Integer("MnHeight", &C::GetMnHeight, &C::SetMnHeight),
            fw::prop::Integer("MnColor", &C::GetMnColor, &C::SetMnColor),
            fw::prop::Enum("BorderStyle", EditBorderStyleType, &C::GetBorderStyle, &C::SetBorderStyle),
            fw::prop::String("ButtonHint", &C::GetButtonHint, &C::SetButtonHint),
            fw::prop::Event("OnAcceptDate", ExecDateDialogEventType, &C::OnAcceptDate),
            fw::prop::Event("OnButtonClick", fw::NotifyEventType, &C::OnButtonClick),
            fw::prop::Event("OnChange", fw::NotifyEventType, &C::OnChange),
            sp::OnClick(),
            sp::OnDblClick(),
            sp::FocusEvents(),
            sp::KeyEvents(),
            sp::MouseEvents(),
            sp::DragEvents(),
            sp::Align(),
            sp::Ctl3D(),
            sp::DragCursor(),
            sp::DragMode(),
            sp::ImeMode(),
            sp::ImeName(),
            sp::Parent(),
            sp::ParentColor(),
            sp::ParentCtl3D(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::ShowHint(),
            fw::prop::Boolean("Modified", &C::GetModified, &C::SetModified),
            fw::prop::Integer("SelStart", &C::GetSelStart, &C::SetSelStart),
            fw::prop::Integer("SelLength", &C::GetSelLength, &C::SetSelLength),
            fw::prop::String("SelText", &C::GetSelText, &C::SetSelText),
        },
        fw::MakeFactory<Te3_DateEdit>(),
    };
    return info;
}

} // namespace e3
