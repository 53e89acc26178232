#pragma once
// The date edit of engine forms: a one-line edit with a display language. In
// the two fixed formats "DD.MM.YYYY" and "YYYY-MM-DD" it takes the date
// digit by digit into a mask while it has the focus, refusing days and months
// that cannot be, and shows a friendly form with the month name (or the
// completed ISO date) when it is left; an impossible date either brings up
// ErrMsg and keeps the user in the edit, or is dropped.
#include "e3/common/DateCheck.h"
#include "e3/common/EngineImages.h"
#include "e3/dates/Calendar.h"
#include "e3/dates/DateTexts.h"
#include "e3/edits/Edit.h"
#include "framework/Strings.h"
#include "u3/DateTime.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QToolButton;

namespace e3 {

extern const fw::TEnumType DateLanguagesType;

// How the calendar button shows the calendar: dropped down under the edit, or
// in the modal date dialog.
enum TCalendarStyle { csPopup, csDialog };
extern const fw::TEnumType CalendarStyleType;

// Where the drop-down calendar opens: from the edit's left edge to the right,
// or ending at its right edge.
enum TPopupAlign { epaRight, epaLeft };
extern const fw::TEnumType PopupAlignType;

// How many digits of the year the system's date format shows: as the system
// says, always four, or two.
enum TYearDigits { dyDefault, dyFour, dyTwo };
extern const fw::TEnumType YearDigitsType;

// The calendar button's picture: the Glyph, a small calendar, the drop-down
// arrow or an ellipsis.
enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };
extern const fw::TEnumType GlyphKindType;

// Today as the date edits see it; tests install a fixed day. An empty
// function restores the system clock.
void SetDateEditClock(std::function<u3::TDateTime()> clock);
u3::TDateTime DateEditToday();

// Asked when the date dialog was confirmed with a date: the handler may
// change the date, or clear accept to keep the edit's date as it was.
using TExecDateDialog = std::function<void(fw::TObject* sender, u3::TDateTime& date, bool& accept)>;
extern const fw::TEventType ExecDateDialogEventType;

class TCustomLangDateEdit : public Te3CustomEdit {
    FW_CLASS()
public:
    explicit TCustomLangDateEdit(fw::TComponent* owner);

    const fw::TClassInfo& GetLanguageClass() const override;

    // The edit's date format: "DD.MM.YYYY", "YYYY-MM-DD" or another one chosen
    // from DefaultFormat (then the system's short format is used).
    const std::string& DateFormat() const { return dateFormat_; }

protected:
    std::string dateFormat_;
};

class TLangDateEdit : public TCustomLangDateEdit, public IDateCheck, public IGlyphHolder {
    FW_CLASS()
public:
    explicit TLangDateEdit(fw::TComponent* owner);

    TDateLanguages GetLanguage() const { return language_; }
    void SetLanguage(TDateLanguages value);
    const std::string& GetDefaultFormat() const { return defaultFormat_; }
    void SetDefaultFormat(const std::string& value);
    std::string GetDefaultFormatText() const { return defaultFormat_; }
    bool GetLastDay() const { return lastDay_; }
    void SetLastDay(bool value) { lastDay_ = value; }
    std::string GetErrMsg() const { return errMsg_; }
    void SetErrMsg(const std::string& value) { errMsg_ = value; }
    bool GetDefaultToday() const { return defaultToday_; }
    void SetDefaultToday(bool value) { defaultToday_ = value; }

    // 0 is the empty date.
    u3::TDateTime GetDate() const;
    void SetDate(u3::TDateTime value);
    // "dd.mm.yyyy" of the date; written, the dotted fields.
    std::string GetDateString() const;
    void SetDateString(const std::string& value);

    // False when the text is no date and ErrMsg is set: the user stays in the
    // edit (and sees ErrMsg when showMessage). Without ErrMsg an impossible
    // date is dropped and the answer is true.
    bool CheckDate(bool showMessage) override;

    // The navigation hints of the calendar: previous year, previous month,
    // next month, next year. A named language writes its own four; the list
    // may be changed after that, and an empty entry keeps the button's
    // default hint.
    const std::vector<std::string>& CalendarHints() const { return calendarHints_->Lines(); }
    fw::TStrings* GetCalendarHints() const { return calendarHints_.get(); }

    virtual void ApplyFormat();
    virtual void ApplyLanguage();

    // The calendar button: OnButtonClick, then the popup under the edit, or
    // the date dialog; a date chosen in either that OnAcceptDate lets pass
    // becomes the edit's date.
    void ButtonClick();
    // The drop-down calendar; made on first use.
    TPopupCalendar* PopupCalendar();
    TCalendarStyle GetCalendarStyle() const { return calendarStyle_; }
    void SetCalendarStyle(TCalendarStyle value) { calendarStyle_ = value; }
    std::string GetDialogTitle() const { return dialogTitle_; }
    void SetDialogTitle(const std::string& value) { dialogTitle_ = value; }
    TDayOfWeekName GetStartOfWeek() const { return startOfWeek_; }
    void SetStartOfWeek(TDayOfWeekName value);
    TDaysOfWeek GetWeekends() const { return weekends_; }
    void SetWeekends(TDaysOfWeek value);
    fw::TColor GetWeekendColor() const { return weekendColor_; }
    void SetWeekendColor(fw::TColor value);
    void SetPopupFontSize(int32_t value);
    TPopupAlign GetPopupAlign() const { return popupAlign_; }
    void SetPopupAlign(TPopupAlign value) { popupAlign_ = value; }
    // The drop-down calendar's background.
    fw::TColor GetPopupColor() const { return popupColor_; }
    void SetPopupColor(fw::TColor value);
    // The calendar button's hint.
    std::string GetButtonHint() const { return buttonHint_; }
    void SetButtonHint(const std::string& value);
    // The key (a shortcut code: key, Shift 0x2000, Ctrl 0x4000, Alt 0x8000)
    // that works the calendar button from the keyboard; 0 for none.
    int32_t GetClickKey() const { return clickKey_; }
    void SetClickKey(int32_t value) { clickKey_ = value; }
    // The calendar button's picture: the first of NumGlyphs (1 to 4) equal
    // images side by side in Glyph, which makes GlyphKind gkCustom; while
    // Glyph is empty, the picture of GlyphKind (a custom kind without a
    // Glyph shows the small calendar).
    TBitmap* GetGlyph() const { return glyph_.get(); }
    void SetGlyph(TBitmap* value);
    void AssignGlyph(const QImage& image) override;
    int32_t GetNumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int32_t value);
    // The calendar button's width in pixels; the text ends before it.
    int32_t GetButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int32_t value);
    // Choosing a picture other than gkCustom drops the Glyph.
    TGlyphKind GetGlyphKind() const { return glyphKind_; }
    void SetGlyphKind(TGlyphKind value);
    // False: the date cannot be typed, pasted or deleted in the edit; it comes
    // only from the calendar button (or from the program).
    bool GetDirectInput() const { return directInput_; }
    void SetDirectInput(bool value) { directInput_ = value; }
    // With the system's format: a text that is no date, left behind when the
    // focus goes, brings up an error and takes the focus back.
    bool GetCheckOnExit() const { return checkOnExit_; }
    void SetCheckOnExit(bool value) { checkOnExit_ = value; }
    // With the system's format: the year in two or four digits; the date
    // shown stays.
    TYearDigits GetYearDigits() const { return yearDigits_; }
    void SetYearDigits(TYearDigits value);

    // The Edit menu treats an edit without direct input as read-only.
    EditCommandState GetEditState() const override;
    void EditUndo(bool forwards) override;
    void EditCut() override;
    void EditPaste() override;
    void EditClear() override;

    void Loaded() override;

    fw::TNotifyEvent OnButtonClick;
    TExecDateDialog OnAcceptDate;

protected:
    bool KeyPress(QKeyEvent* event) override;
    void FocusIn(Qt::FocusReason reason) override;
    void FocusOut(Qt::FocusReason reason) override;
    void TextChanged() override;
    void MouseReleased() override;

private:
    enum class Format { Dotted, Iso, Other };
    Format CurrentFormat() const;
    std::string ShownText() const { return GetEditText(); }
    void Show(const std::string& text);
    void FormatForDisplay(bool check);
    void ShowDisplayForm(u3::TDateTime date);
    u3::TDateTime EmptyOrToday() const;
    bool MaskedKey(QKeyEvent* event);
    bool KeyWithoutDirectInput(QKeyEvent* event);
    QString SystemDateFormat() const;
    bool CheckValidSystemDate();
    void SetupPopup();
    void PlaceButton();
    void AcceptChosenDate(u3::TDateTime date);
    void ShowGlyph();
    void BlankMasked(int from, int to);

    TDateLanguages language_ = sys;
    bool lastDay_ = false;
    std::string defaultFormat_ = "dd.mm.aaaa";
    std::string errMsg_;
    int updateCount_ = 0;
    bool entered_ = false;
    bool defaultToday_ = false;
    std::unique_ptr<fw::TStrings> calendarHints_ = std::make_unique<fw::TStrings>();
    TCalendarStyle calendarStyle_ = csPopup;
    std::string dialogTitle_;
    TDayOfWeekName startOfWeek_ = Mon;
    TDaysOfWeek weekends_ = DaySet(Sun);
    fw::TColor weekendColor_ = fw::clRed;
    int32_t popupFontSize_ = 0;
    TPopupAlign popupAlign_ = epaRight;
    fw::TColor popupColor_ = fw::clBtnFace;
    std::string buttonHint_;
    int32_t clickKey_ = 0x8000 | 0x28; // Alt+Down
    QAction* calendarButton_ = nullptr;
    QToolButton* buttonWidget_ = nullptr;
    int32_t buttonWidth_ = 21;
    std::unique_ptr<TBitmap> glyph_ = std::make_unique<TBitmap>();
    int32_t numGlyphs_ = 1;
    TGlyphKind glyphKind_ = gkDefault;
    bool directInput_ = true;
    bool checkOnExit_ = false;
    TYearDigits yearDigits_ = dyDefault;
    std::unique_ptr<QObject> windowFilter_;
    fw::Guard<TPopupCalendar> popup_;
};

class Te3CustomDateEdit : public TLangDateEdit {
    FW_CLASS()
public:
    using TLangDateEdit::TLangDateEdit;
};

class Te3DateEdit : public Te3CustomDateEdit {
    FW_CLASS()
public:
    using Te3CustomDateEdit::Te3CustomDateEdit;
};

class Te3_DateEdit : public Te3DateEdit {
    FW_CLASS()
public:
    using Te3DateEdit::Te3DateEdit;
};

} // namespace e3
