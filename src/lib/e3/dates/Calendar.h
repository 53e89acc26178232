#pragma once
// The calendar of the date edit: a month grid whose day names and month titles
// come from the date edit's language tables, a borderless variant in a drop-down
// window with four navigation buttons, and a modal "Select a Date" dialog.
#include "e3/dates/DateTexts.h"
#include "framework/Form.h"
#include "u3/DateTime.h"

#include <QPoint>
#include <QRect>

#include <array>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QToolButton;
class QPushButton;

namespace e3 {

enum TDayOfWeekName { Sun, Mon, Tue, Wed, Thu, Fri, Sat };
// A set of TDayOfWeekName: bit n for day n.
using TDaysOfWeek = uint32_t;
inline constexpr TDaysOfWeek DaySet(TDayOfWeekName day) { return 1u << day; }
extern const fw::TEnumType DayOfWeekNameType;

class CalendarGrid;

// The month grid: seven columns, a header row with the day names and six day
// rows. The date changes only through the setters, which fire OnChange.
class TRxCalendar : public fw::TWinControl {
    FW_CLASS()
public:
    explicit TRxCalendar(fw::TComponent* owner);

    u3::TDateTime GetCalendarDate() const;
    // A value that is no date of years 1 to 9999 is ignored.
    void SetCalendarDate(u3::TDateTime value);
    int32_t GetDay() const { return day_; }
    int32_t GetMonth() const { return month_; }
    int32_t GetYear() const { return year_; }
    // Below 1, a month above 12 or a day beyond the month: ignored. A new
    // month keeps the day, cut to the month's length.
    void SetDay(int32_t value);
    void SetMonth(int32_t value);
    void SetYear(int32_t value);
    bool GetReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }
    TDayOfWeekName GetStartOfWeek() const { return startOfWeek_; }
    void SetStartOfWeek(TDayOfWeekName value);
    bool GetUseCurrentDate() const { return useCurrentDate_; }
    void SetUseCurrentDate(bool value);
    fw::TColor GetWeekendColor() const { return weekendColor_; }
    void SetWeekendColor(fw::TColor value);
    TDaysOfWeek GetWeekends() const { return weekends_; }
    void SetWeekends(TDaysOfWeek value);
    std::string GetLang() const { return lang_; }
    void SetLang(const std::string& value);

    void PrevDay();
    void NextDay();
    // The day is kept, cut to the length of the month reached.
    void PrevMonth();
    void NextMonth();
    // 29 February becomes the 28th first.
    void PrevYear();
    void NextYear();
    void GoToToday();
    // The grid's keys: Left or keypad minus the day before, Right or keypad
    // plus the day after, T today. False for any other key.
    bool GridKey(int key, Qt::KeyboardModifiers modifiers);

    // Row 0 holds the day names, rows 1 to 6 the days; columns 0 to 6.
    std::string CellText(int col, int row) const;
    // The day in a day cell; 0 for an empty one or the header.
    int CellDay(int col, int row) const;
    QPoint SelectedCell() const;
    // Whether the column's weekday is a weekend day.
    bool IsWeekendColumn(int col) const;
    QRect CellRect(int col, int row) const;
    // A click on a cell: selects its day unless it is empty or the calendar
    // is read-only. False when nothing was selected.
    bool SelectCell(int col, int row);

    // The popup's grid: it never takes the focus, has no border, draws only
    // the line under the header and frames today's cell.
    bool IsPopupGrid() const { return popupGrid_; }

    fw::TNotifyEvent OnChange;
    // For the popup and the dialog: the left button released over a day cell,
    // and a double click on the grid.
    std::function<void(int col, int row)> OnCellReleased;
    std::function<void()> OnGridDoubleClick;

protected:
    void MakePopupGrid();

private:
    friend class CalendarGrid;
    void SetDate(int year, int month, int day);
    void Changed();

    CalendarGrid* grid_;
    int32_t year_ = 1900;
    int32_t month_ = 1;
    int32_t day_ = 1;
    bool readOnly_ = false;
    TDayOfWeekName startOfWeek_ = Mon;
    bool useCurrentDate_ = true;
    fw::TColor weekendColor_ = fw::clRed;
    TDaysOfWeek weekends_ = DaySet(Sun);
    std::string lang_;
    bool popupGrid_ = false;
};

class TLocCalendar : public TRxCalendar {
    FW_CLASS()
public:
    explicit TLocCalendar(fw::TComponent* owner);
};

// "März, 2024": the title month name of the language and the year.
std::string CalendarTitle(int month, int year, const std::string& languageCode);

// The title panel of the popup and the dialog: previous year, previous month,
// the month title, next month, next year.
class CalendarTitlePanel;

// The drop-down window of the date edit.
class TPopupCalendar : public fw::TWinControl {
    FW_CLASS()
public:
    explicit TPopupCalendar(fw::TComponent* owner);

    TLocCalendar* Calendar() const { return calendar_; }
    std::string Title() const;
    // The hint of a navigation button: 0 previous year .. 3 next year.
    std::string ButtonHint(int index) const;
    QToolButton* Button(int index) const;
    // Start of week, weekends and their colour, the language code and, for
    // every non-empty one of the first four hints, the hint of its button.
    void Setup(TDayOfWeekName startOfWeek, fw::TColor weekendColor, TDaysOfWeek weekends,
               const std::string& languageCode, const std::vector<std::string>& hints);
    std::string LanguageCode() const { return lang_; }

    // Shows the window below a screen point on date (today for 0).
    void Popup(QPoint screenAt, u3::TDateTime date);
    void ClosePopup();
    bool IsOpen() const;

    // Page Up and Page Down move by a month, with Ctrl by a year; true when
    // the key was one of them.
    bool NavigationKey(int key, Qt::KeyboardModifiers modifiers);

    // A day chosen with the mouse; the window has closed.
    std::function<void(u3::TDateTime)> OnDateChosen;

private:
    class Frame;
    void UpdateTitle();

    CalendarTitlePanel* title_;
    TLocCalendar* calendar_;
    std::string lang_;
};

// The modal date dialog.
class TSelectDateDlg : public fw::TCustomForm {
    FW_CLASS()
public:
    explicit TSelectDateDlg(fw::TComponent* owner);

    TRxCalendar* Calendar() const { return calendar_; }
    std::string Title() const;
    QToolButton* Button(int index) const;
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }
    void SetLanguageCode(const std::string& code);
    void SetHints(const std::vector<std::string>& hints);

    // The dialog's keys: Tab and Shift+Tab change the month, Page Up and
    // Page Down as in the popup, Enter confirms and Escape cancels. True when
    // the key was one of them.
    bool DialogKey(int key, Qt::KeyboardModifiers modifiers);

private:
    class KeyFilter;
    void UpdateTitle();

    CalendarTitlePanel* title_;
    TRxCalendar* calendar_;
    QPushButton* ok_;
    QPushButton* cancel_;
    KeyFilter* keys_;
    std::string lang_;
};

// Runs the dialog on date (today when 0) and, when it is confirmed, puts the
// chosen date there and answers true. The caption is title, or "Select a Date"
// when that is empty.
bool SelectDate(u3::TDateTime& date, const std::string& title, TDayOfWeekName startOfWeek,
                const std::string& languageCode, const std::vector<std::string>& hints, fw::TColor weekendColor,
                TDaysOfWeek weekends);

} // namespace e3
