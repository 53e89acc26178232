#include "e3/numbers/RegNoEdit.h"

#include "e3/edits/EditEvents.h"
#include "framework/StandardProps.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QObject>

#include <algorithm>
#include <string>

namespace e3 {

using namespace u3;

const fw::TEnumType RegNoModeType {
    "TRegNoMode",
    {"rnmNone", "rnmCDS", "rnmESAN", "rnmESAC", "rnmESDNI", "rnmESPBC", "rnmUKAN", "rnmSEAN", "rnmBRCPF",
     "rnmBRCNPJ", "rnmBRVeskPI", "rnmBRVeskBR", "rnmBRVeskGRU", "rnmEMAIL", "rnmOther"}};

namespace {

constexpr int InvalidRegNo = 2;

// Digits only, small enough for a 64-bit integer.
bool IsPlainNumber(const QString& text)
{
    if (text.isEmpty() || text.size() > 19)
        return false;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return text.size() < 19 || text <= QLatin1String("9223372036854775807");
}

bool IsCheckLetter(QChar c)
{
    return DniLetterIndex(c.unicode()) >= 0;
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

// Tab and Shift+Tab never reach a line edit's key handler: the window moves
// the focus first. Seeing them here lets the edit keep them while the caret
// still has a part to move to.
class RegNoKeyFilter final : public QObject {
public:
    explicit RegNoKeyFilter(TRegNoEdit* edit, QObject* parent) : QObject(parent), edit_(edit) {}
    void Release() { edit_ = nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (edit_ && event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const auto mods = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
            if (!mods && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
                bool kept = false;
                RunForEvent([&] { kept = edit_->TabBetweenParts(key->key() == Qt::Key_Backtab); });
                if (kept)
                    return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TRegNoEdit* edit_;
};

const fw::TClassInfo& TRegNoEdit::StaticClass()
{
    static const fw::TClassInfo info {"TRegNoEdit", &Te3CustomEdit::StaticClass(), {}};
    return info;
}

TRegNoEdit::TRegNoEdit(fw::TComponent* owner)
    : Te3CustomEdit(owner)
{
    keyFilter_ = new RegNoKeyFilter(this, LineEdit());
    LineEdit()->installEventFilter(keyFilter_);
    SetAlignment(taRightJustify);
    SetDecimalPlaces(1);
    SetRegNoLength(5);
    SetText(RegNoZeroText(inputMode_));
}

TRegNoEdit::~TRegNoEdit()
{
    keyFilter_->Release();
}

const fw::TClassInfo& TRegNoEdit::GetLanguageClass() const
{
    return Te3RegNoEdit::StaticClass();
}

// ---- the parts of the text ------------------------------------------------------

QChar TRegNoEdit::Separator() const
{
    const char32_t s = RegNoSeparator(inputMode_);
    return s == 0 ? QChar() : QChar(static_cast<char16_t>(s));
}

int TRegNoEdit::NumberPartEnd(const QString& text) const
{
    const QChar s = Separator();
    const int at = s.isNull() ? -1 : static_cast<int>(text.indexOf(s));
    return at < 0 ? static_cast<int>(text.size()) : at;
}

int TRegNoEdit::Caret() const
{
    const QLineEdit* e = LineEdit();
    return e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
}

bool TRegNoEdit::CaretInCheckPart() const
{
    return Caret() > NumberPartEnd(LineEdit()->text());
}

bool TRegNoEdit::HasFocus() const
{
    return LineEdit()->hasFocus();
}

bool TRegNoEdit::SyntaxOk(const QString& text) const
{
    const QChar s = Separator();
    const bool hasSeparator = !s.isNull() && text.contains(s);
    if (visibleCheckDigit_) {
        // Without its separator the text only passes while the caret stands
        // where a deleted separator can be put back: at either end.
        if (!hasSeparator) {
            const int caret = Caret();
            if (caret != 0 && caret != text.size())
                return false;
        }
    } else if (hasSeparator) {
        return false;
    }
    const int end = NumberPartEnd(text);
    const QString number = text.left(end);
    const int regNoLength = GetRegNoLength();
    if (regNoLength != 0 && regNoLength < number.size())
        return false;
    if (!number.isEmpty() && !IsPlainNumber(number))
        return false;
    const QString check = hasSeparator ? text.mid(end + 1) : QString();
    if (check.isEmpty())
        return true;
    switch (inputMode_) {
    case rnmESAN:
    case rnmESAC: return IsPlainNumber(check) || check == QLatin1String("X");
    case rnmESDNI: return check.size() == 1 && IsCheckLetter(check[0]);
    default: return IsPlainNumber(check);
    }
}

int TRegNoEdit::Validate(const std::string& text) const
{
    return CheckRegNo(text, inputMode_) ? 0 : InvalidRegNo;
}

void TRegNoEdit::SelectNumberPart()
{
    if (!HasWindow())
        return;
    LineEdit()->setSelection(0, NumberPartEnd(LineEdit()->text()));
}

void TRegNoEdit::SelectCheckPart()
{
    if (!HasWindow())
        return;
    const QString text = LineEdit()->text();
    const int start = std::min(NumberPartEnd(text) + 1, static_cast<int>(text.size()));
    LineEdit()->setSelection(start, static_cast<int>(text.size()) - start);
}

// Internal repairs change the window's text without a change notice.
void TRegNoEdit::ShowRepaired(const QString& text)
{
    const bool was = updating_;
    updating_ = true;
    LineEdit()->setText(text);
    updating_ = was;
}

void TRegNoEdit::ReplaceCheckPart(const QString& newText)
{
    const QString text = LineEdit()->text();
    const QChar s = Separator();
    // A text without its separator has no check part to replace; appending
    // there would change the number itself.
    if (s.isNull() || !text.contains(s))
        return;
    const int caret = Caret();
    const int start = NumberPartEnd(text) + 1;
    const int count = std::min(static_cast<int>(Q(RegNoDefaultCheckDigit(inputMode_)).size()),
                               static_cast<int>(text.size()) - start);
    ShowRepaired(text.left(start) + newText + text.mid(start + count));
    LineEdit()->setCursorPosition(std::min(caret, static_cast<int>(LineEdit()->text().size())));
}

void TRegNoEdit::SetTextKeepingCaret(const QString& text)
{
    const int caret = Caret();
    SetText(text.toStdString());
    LineEdit()->setCursorPosition(std::min(caret, static_cast<int>(LineEdit()->text().size())));
}

void TRegNoEdit::UpdateMaxLength()
{
    const int regNoLength = GetRegNoLength();
    const int decimals = GetDecimalPlaces();
    SetMaxLength(regNoLength > 0 && decimals > 0 && visibleCheckDigit_ ? regNoLength + decimals + 1 : regNoLength);
}

// ---- properties -------------------------------------------------------------------

void TRegNoEdit::SetRegNoLength(int32_t value)
{
    SetIntegerPlaces(value);
    UpdateMaxLength();
}

void TRegNoEdit::SetInputMode(TRegNoMode value)
{
    if (value == inputMode_ || value < rnmNone || value > rnmOther)
        return;
    inputMode_ = value;
    struct Shape {
        int decimals;     // -1: unchanged
        int visible;      // -1: unchanged
        int regNoLength;  // -1: unchanged
    };
    static constexpr Shape shapes[RegNoModeCount] = {
        {1, 1, -1},  // rnmNone
        {1, -1, -1}, // rnmCDS
        {1, 1, 9},   // rnmESAN
        {1, 1, 4},   // rnmESAC
        {1, 1, 8},   // rnmESDNI
        {-1, 0, 11}, // rnmESPBC
        {1, 1, 8},   // rnmUKAN
        {1, 1, 7},   // rnmSEAN
        {-1, 0, 11}, // rnmBRCPF
        {-1, 0, 14}, // rnmBRCNPJ
        {-1, 0, 8},  // rnmBRVeskPI
        {-1, 0, 13}, // rnmBRVeskBR
        {-1, 0, 17}, // rnmBRVeskGRU: up to 17 digits
        {-1, 0, -1}, // rnmEMAIL
        {-1, 0, -1}, // rnmOther
    };
    const Shape& shape = shapes[value];
    if (shape.decimals >= 0) {
        SetDecimalPlaces(shape.decimals);
        UpdateMaxLength();
    }
    if (shape.visible >= 0)
        SetVisibleCheckDigit(shape.visible == 1);
    if (shape.regNoLength >= 0)
        SetRegNoLength(shape.regNoLength);
    SetText(RegNoZeroText(value));
}

void TRegNoEdit::SetVerify(bool value)
{
    verify_ = value;
    const std::string text = GetEditText();
    if (Validate(previousValue_) != 0 && Validate(text) == 0)
        previousValue_ = text;
}

void TRegNoEdit::SetVisibleCheckDigit(bool value)
{
    if (value == visibleCheckDigit_)
        return;
    visibleCheckDigit_ = value;
    const QString text = LineEdit()->text();
    const QChar s = Separator();
    const QString check = Q(RegNoDefaultCheckDigit(inputMode_));
    if (value) {
        SetText((s.isNull() ? text + check : text + s + check).toStdString());
        return;
    }
    const int at = s.isNull() ? -1 : static_cast<int>(text.indexOf(s));
    if (at < 0)
        return;
    QString shorter = text;
    shorter.remove(at, 1 + static_cast<int>(check.size()));
    SetText(shorter.toStdString());
}

void TRegNoEdit::SetMaxLengthInc(int32_t value)
{
    if (value == maxLengthInc_)
        return;
    if (inputMode_ == rnmCDS && !visibleCheckDigit_) {
        SetRegNoLength(GetRegNoLength() + value - maxLengthInc_);
        const QString text = LineEdit()->text();
        if (text.size() > GetRegNoLength())
            SetText(text.left(std::max(GetRegNoLength(), 0)).toStdString());
    }
    maxLengthInc_ = value;
}

void TRegNoEdit::SetText(const std::string& value)
{
    if (value == GetEditText())
        return;
    if (Validate(value) == 0)
        previousValue_ = value;
    if (visibleCheckDigit_ && inputMode_ != rnmEMAIL && !SyntaxOk(Q(value))) {
        if (value.empty())
            Te3CustomEdit::SetText(RegNoZeroText(inputMode_));
        return;
    }
    Te3CustomEdit::SetText(value);
}

// ---- typing -----------------------------------------------------------------------

bool TRegNoEdit::KeyPress(QKeyEvent* e)
{
    if (GetReadOnly())
        return Te3CustomEdit::KeyPress(e);
    QLineEdit* edit = LineEdit();
    const auto mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const QString text = edit->text();
    const int selStart = Caret();
    const int selLength = static_cast<int>(edit->selectedText().size());
    const int maxLength = GetMaxLength();
    const bool filter = verify_ || (inputMode_ != rnmEMAIL && inputMode_ != rnmOther);

    // The text a step would leave, or the text unchanged when it does not fit.
    const auto replaced = [&](const QString& insert) {
        if (maxLength > 0 && text.size() - selLength + insert.size() > maxLength)
            return text;
        return QString(text).replace(selStart, selLength, insert);
    };
    const auto deleted = [&](bool backwards) {
        QString t = text;
        if (selLength > 0)
            t.remove(selStart, selLength);
        else if (backwards && selStart > 0)
            t.remove(selStart - 1, 1);
        else if (!backwards && selStart < t.size())
            t.remove(selStart, 1);
        return t;
    };

    if (e->key() == Qt::Key_Delete && mods == Qt::NoModifier)
        return !SyntaxOk(deleted(false));
    if ((e->key() == Qt::Key_Insert && mods == Qt::ShiftModifier) || e->matches(QKeySequence::Paste)) {
        if (!filter || SyntaxOk(replaced(QApplication::clipboard()->text())))
            PasteFromClipboard();
        return true;
    }
    if ((e->key() == Qt::Key_Delete && mods == Qt::ShiftModifier) || e->matches(QKeySequence::Cut)) {
        if (!filter || SyntaxOk(deleted(false)))
            CutToClipboard();
        return true;
    }
    if (e->matches(QKeySequence::DeleteEndOfWord) || e->matches(QKeySequence::DeleteStartOfWord)
        || e->matches(QKeySequence::DeleteEndOfLine) || e->matches(QKeySequence::DeleteCompleteLine))
        return true;

    char32_t key = EditKeyCharCode(e);
    switch (key) {
    case keys::Dropped: return false; // caret moves and the like
    case keys::Enter:
    case keys::Escape:
        // The form hears them (default and cancel buttons).
        e->ignore();
        return true;
    case keys::CtrlC: edit->copy(); return true;
    case keys::CtrlZ: edit->undo(); return true;
    case keys::Backspace:
        if (!filter || SyntaxOk(deleted(true)))
            edit->backspace();
        return true;
    default: break;
    }
    if (key < 32 || key > 0xFFFF)
        return true;

    const QChar s = Separator();
    if (!s.isNull() && key == s.unicode()) {
        SelectCheckPart();
        return true;
    }
    const bool digit = key >= U'0' && key <= U'9';
    const bool letter = (key >= U'a' && key <= U'z') || (key >= U'A' && key <= U'Z');
    if (digit || letter) {
        if (inputMode_ == rnmCDS && visibleCheckDigit_ && maxLength > 0 && text.size() == maxLength
            && Caret() == NumberPartEnd(text)) {
            // A number without check digit may be longer by MaxLengthInc.
            SetVisibleCheckDigit(false);
            SetRegNoLength(GetRegNoLength() + maxLengthInc_);
            edit->setCursorPosition(NumberPartEnd(edit->text()));
        }
        if (CaretInCheckPart())
            SelectCheckPart();
    }
    // The check letters are capitals ("X", the DNI letters), so the kinds that
    // have them raise what is typed; the others keep the lower case they
    // always had.
    QChar typed(static_cast<char16_t>(key));
    const bool capitals = inputMode_ == rnmESAN || inputMode_ == rnmESAC || inputMode_ == rnmESDNI;
    typed = capitals ? typed.toUpper() : typed.toLower();

    const QString now = edit->text();
    const int nowStart = Caret();
    const int nowLength = static_cast<int>(edit->selectedText().size());
    const int nowMax = GetMaxLength();
    const bool fits = nowMax <= 0 || now.size() - nowLength + 1 <= nowMax;
    if (filter) {
        const QString resulting = fits ? QString(now).replace(nowStart, nowLength, typed) : now;
        if (!SyntaxOk(resulting))
            return true;
    }
    if (!fits)
        return true;
    edit->insert(QString(typed));
    SetModified(true);
    return true;
}

bool TRegNoEdit::TabBetweenParts(bool backwards)
{
    if (!visibleCheckDigit_ || !HasFocus())
        return false;
    const QLineEdit* e = LineEdit();
    if (e->hasSelectedText() && e->selectedText() == e->text())
        return false;
    const bool inCheckPart = CaretInCheckPart();
    if (!backwards && !inCheckPart) {
        SelectCheckPart();
        return true;
    }
    if (backwards && inCheckPart) {
        SelectNumberPart();
        return true;
    }
    return false;
}

// ---- repairs after each change --------------------------------------------------------

void TRegNoEdit::TextChanged()
{
    if (updating_)
        return;
    fw::Guard<TRegNoEdit> self(this);
    Change();
    if (self)
        Te3CustomEdit::TextChanged();
}

void TRegNoEdit::Change()
{
    fw::Guard<TRegNoEdit> self(this);
    const QString text = LineEdit()->text();
    const int numberEnd = NumberPartEnd(text);
    const QChar s = Separator();
    const QString check = Q(RegNoDefaultCheckDigit(inputMode_));

    if (numberEnd == 0) {
        if (inputMode_ != rnmEMAIL)
            SetTextKeepingCaret(QLatin1Char('0') + text);
        if (!self)
            return;
        SelectNumberPart();
    } else if (visibleCheckDigit_) {
        if (inputMode_ == rnmCDS && numberEnd > GetRegNoLength()) {
            SetRegNoLength(GetRegNoLength() + maxLengthInc_);
            SetVisibleCheckDigit(false);
        } else if (IsPlainNumber(text)) {
            // The separator was deleted: it comes back with the default check.
            SetTextKeepingCaret(s.isNull() ? text + check : text + s + check);
        } else if (!s.isNull() && text.endsWith(s)) {
            SetTextKeepingCaret(text + check);
        } else if (HasWindow()) {
            if (text.size() == GetMaxLength() && Caret() == numberEnd && inputMode_ != rnmCDS)
                SelectCheckPart();
            else if (Validate(text.toStdString()) != 0)
                ReplaceCheckPart(check);
        }
    } else {
        switch (inputMode_) {
        case rnmCDS:
            if (text.size() <= GetRegNoLength() - maxLengthInc_ && (s.isNull() || !text.contains(s))) {
                SetRegNoLength(GetRegNoLength() - maxLengthInc_);
                SetVisibleCheckDigit(true);
                if (self)
                    LineEdit()->setCursorPosition(NumberPartEnd(LineEdit()->text()));
            } else {
                previousValue_ = text.toStdString();
            }
            break;
        case rnmESPBC:
        case rnmOther:
        case rnmBRCPF:
        case rnmBRCNPJ:
        case rnmBRVeskPI:
        case rnmBRVeskGRU:
        case rnmEMAIL:
            if (text.size() == GetRegNoLength() && Validate(text.toStdString()) != 0) {
                SetText(RegNoDefaultCheckDigit(inputMode_));
                if (self && HasFocus())
                    LineEdit()->setSelection(0, 1);
            }
            break;
        default: break;
        }
    }
    if (self && inputMode_ != rnmCDS && HasFocus() && CaretInCheckPart())
        SelectCheckPart();
}

// ---- focus and mouse --------------------------------------------------------------------

void TRegNoEdit::FocusIn(Qt::FocusReason reason)
{
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) {
        Te3CustomEdit::FocusIn(reason);
        return;
    }
    const std::string text = GetEditText();
    if (Validate(text) == 0)
        previousValue_ = text;
    fw::Guard<TRegNoEdit> self(this);
    Te3CustomEdit::FocusIn(reason);
    if (!self)
        return;
    if (reason == Qt::TabFocusReason)
        SelectNumberPart();
    else if (reason == Qt::BacktabFocusReason)
        SelectCheckPart();
    else
        mouseEntry_ = true;
}

void TRegNoEdit::FocusOut(Qt::FocusReason reason)
{
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
        fw::Guard<TRegNoEdit> self(this);
        if (Validate(GetEditText()) != 0)
            CheckOnExit();
        if (!self)
            return;
    }
    Te3CustomEdit::FocusOut(reason);
}

void TRegNoEdit::MouseReleased()
{
    Te3CustomEdit::MouseReleased();
    if (!mouseEntry_)
        return;
    mouseEntry_ = false;
    if (LineEdit()->hasSelectedText())
        return;
    if (CaretInCheckPart())
        SelectCheckPart();
    else
        SelectNumberPart();
}

void TRegNoEdit::DoInvalidRegNo(int error, bool& previosValue)
{
    if (OnInvalidRegNo)
        OnInvalidRegNo(this, previosValue, std::to_string(error));
}

void TRegNoEdit::CheckOnExit()
{
    if (inputMode_ == rnmNone && !visibleCheckDigit_)
        return;
    const int error = Validate(GetEditText());
    if (error == 0)
        return;
    bool previosValue = true;
    fw::Guard<TRegNoEdit> self(this);
    DoInvalidRegNo(error, previosValue);
    if (!self)
        return;
    const bool hiddenCDS = inputMode_ == rnmCDS && !visibleCheckDigit_;
    ReplaceCheckPart(hiddenCDS ? QString() : Q(RegNoDefaultCheckDigit(inputMode_)));
    if (!previosValue || !visibleCheckDigit_)
        return;
    const bool was = updating_;
    updating_ = true;
    SetText(previousValue_.empty() ? RegNoZeroText(inputMode_) : previousValue_);
    updating_ = was;
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CustomRegNoEdit::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomRegNoEdit", &TRegNoEdit::StaticClass(), {}};
    return info;
}

const fw::TClassInfo& Te3RegNoEdit::StaticClass()
{
    using C = Te3RegNoEdit;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3RegNoEdit",
        &Te3CustomRegNoEdit::StaticClass(),
        fw::TRows<Te3RegNoEdit> {
            fw::prop::Boolean("Verify", &C::GetVerify, &C::SetVerify),
            fw::prop::Integer("RegNoLength", &C::GetRegNoLength, &C::SetRegNoLength),
            sp::Text(),
            sp::Color(),
            sp::Enabled(),
            sp::Font(),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
            fw::prop::Boolean("MnShow", &C::GetMnShow, &C::SetMnShow),
            fw::prop::Integer("MnWidth", &C::GetMnWidth, &C::SetMnWidth),
            fw::prop::Integer("MnHeight", &C::GetMnHeight, &C::SetMnHeight),
            fw::prop::Integer("MnColor", &C::GetMnColor, &C::SetMnColor),
            fw::prop::Boolean("SaveText", &C::GetSaveText, &C::SetSaveText),
        },
    };
    return info;
}

const fw::TClassInfo& Te3_RegNoEdit::StaticClass()
{
    using C = Te3_RegNoEdit;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_RegNoEdit",
        &Te3RegNoEdit::StaticClass(),
        fw::TRows<Te3_RegNoEdit> {
            fw::prop::Enum("InputMode", RegNoModeType, &C::GetInputMode, &C::SetInputMode),
            fw::prop::Boolean("VisibleCheckDigit", &C::GetVisibleCheckDigit, &C::SetVisibleCheckDigit),
            fw::prop::Integer("MaxLengthInc", &C::GetMaxLengthInc, &C::SetMaxLengthInc),
            fw::prop::Event("OnInvalidRegNo", fw::InvalidRegNoEventType, &C::OnInvalidRegNo),
            fw::prop::Boolean("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
            fw::prop::BoolAction("_SetFocus", &C::SetFocus),
            fw::prop::BoolAction("_SelectAll", &C::SelectAll),
            sp::Align(),
            sp::Cursor(),
            sp::Ctl3D(),
            sp::DragCursor(),
            sp::DragMode(),
            sp::HelpContext(),
            sp::ImeMode(),
            sp::Parent(),
            sp::ParentColor(),
            sp::ParentShowHint(),
            sp::PopupMenu(),
            sp::ShowHint(),
            sp::FocusEvents(),
            sp::MouseEvents(),
        },
        fw::MakeFactory<Te3_RegNoEdit>(),
    };
    return info;
}

} // namespace e3
