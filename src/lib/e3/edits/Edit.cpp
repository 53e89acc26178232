#include "e3/edits/Edit.h"

#include "e3/common/EditChars.h"
#include "e3/common/OwnedWidget.h"
#include "e3/edits/EditEvents.h"
#include "framework/StandardProps.h"
#include "u3/FormatSettings.h"
#include "u3/StrLib.h"
#include "u3/UserMessages.h"

#include <QAction>
#include <QKeySequence>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QSignalBlocker>
#include <limits>

namespace e3 {

const fw::TEnumType EditTypesType {
    "TEditTypes", {"etString", "etInteger", "etFloat", "etMasked", "etXMLName", "etEnumeration", "etAlphaNumeric"}};
const fw::TEnumType AlignmentType {"TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}};
const fw::TEnumType EditBorderStyleType {"TBorderStyle", {"bsNone", "bsSingle"}};

namespace {

class QtEditFeedback final : public EditFeedback {
public:
    void Beep() override { QApplication::beep(); }
    void ShowWarning(const std::string& title, const std::string& text) override
    {
        QMessageBox box(QMessageBox::Warning, QString::fromStdString(title), QString::fromStdString(text),
                        QMessageBox::Ok);
        box.exec();
    }
};

EditFeedback* installedFeedback = nullptr;

// Positions of the edit state count characters; QLineEdit counts UTF-16 units.
std::size_t ToCharPos(const QString& text, int pos)
{
    return static_cast<std::size_t>(QStringView(text).left(pos).toUcs4().size());
}

int ToQtPos(const QString& text, std::size_t pos)
{
    int i = 0;
    for (std::size_t n = 0; n < pos && i < text.size(); ++n)
        i += text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    return i;
}

std::size_t CharCount(const std::string& text)
{
    return DecodeUtf8(text).size();
}

char32_t FirstChar(const std::string& text, char32_t fallback)
{
    const std::u32string chars = DecodeUtf8(text);
    return chars.empty() ? fallback : chars.front();
}

bool IsWordOrLineDeletion(const QKeyEvent* e)
{
    return e->matches(QKeySequence::DeleteEndOfWord) || e->matches(QKeySequence::DeleteStartOfWord)
        || e->matches(QKeySequence::DeleteEndOfLine) || e->matches(QKeySequence::DeleteCompleteLine);
}

} // namespace

// The character code a key stands for, as the key filter knows them; 0 for a
// key that types nothing (caret moves, function keys, other shortcuts).
char32_t EditKeyCharCode(const QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Backspace: return keys::Backspace;
    case Qt::Key_Return:
    case Qt::Key_Enter: return keys::Enter;
    case Qt::Key_Escape: return keys::Escape;
    default: break;
    }
    const auto mods = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (mods == Qt::ControlModifier) {
        switch (e->key()) {
        case Qt::Key_C: return keys::CtrlC;
        case Qt::Key_V: return keys::CtrlV;
        case Qt::Key_X: return keys::CtrlX;
        case Qt::Key_Z: return keys::CtrlZ;
        default: return keys::Dropped;
        }
    }
    if (mods)
        return keys::Dropped;
    const QList<uint> chars = e->text().toUcs4();
    if (chars.isEmpty())
        return keys::Dropped;
    const char32_t c = chars.front();
    return c >= 32 && c != 127 ? c : keys::Dropped;
}

EditFeedback& CurrentEditFeedback()
{
    static QtEditFeedback qtFeedback;
    return installedFeedback ? *installedFeedback : qtFeedback;
}

void SetEditFeedback(EditFeedback* feedback)
{
    installedFeedback = feedback;
}

// The window of the edit: hands keys, focus and the clipboard actions to the
// control before Qt's own handling, so that the typed input decides.
class EditWidget : public OwnedWidget<QLineEdit, TAlignEdit> {
public:
    explicit EditWidget(TAlignEdit* owner)
        : OwnedWidget(owner)
    {
        // A plain edit window takes no dropped text; a drop would pass by the
        // input rules.
        setAcceptDrops(false);
        connect(this, &QLineEdit::textChanged, this, [this] {
            if (owner_)
                RunForEvent([this] { owner_->TextChanged(); });
        });
        connect(this, &QLineEdit::textEdited, this, [this] {
            if (owner_)
                owner_->modified_ = true;
        });
    }

    // Qt would cut every text at 32767 characters, also one set by the
    // engine; MaxLength is the control's own check on typing and pasting.
    // Lifting the cut lays the text out anew, which a form of thousands of
    // edits would pay for each: it goes when a longer text is about to come,
    // or when the edit first takes the focus (before the user's first edit),
    // keeping the caret and the selection.
    void MakeRoom(qsizetype length)
    {
        if (length > maxLength())
            Uncap();
    }

    void Uncap()
    {
        if (maxLength() == std::numeric_limits<int>::max())
            return;
        const QSignalBlocker quiet(this);
        const int start = selectionStart();
        const int length = selectionLength();
        const int caret = cursorPosition();
        setMaxLength(std::numeric_limits<int>::max());
        if (start < 0)
            setCursorPosition(caret);
        else if (caret == start)
            setSelection(start + length, -length);
        else
            setSelection(start, length);
    }

protected:
    bool event(QEvent* e) override
    {
        if (owner_ && e->type() == QEvent::ShortcutOverride) {
            auto* key = static_cast<QKeyEvent*>(e);
            if (key->key() == Qt::Key_Escape && owner_->WantsEscape()) {
                e->accept();
                return true;
            }
        }
        return QLineEdit::event(e);
    }

    void keyPressEvent(QKeyEvent* e) override
    {
        if (!owner_) {
            QLineEdit::keyPressEvent(e);
            return;
        }
        bool handled = true;
        RunForEvent([&] { handled = owner_->KeyPress(e); });
        if (!handled) {
            MakeRoom(text().size() + e->text().size());
            QLineEdit::keyPressEvent(e);
        }
    }

    void focusInEvent(QFocusEvent* e) override
    {
        Uncap();
        QLineEdit::focusInEvent(e);
        if (owner_)
            RunForEvent([&] { owner_->FocusIn(e->reason()); });
    }

    void focusOutEvent(QFocusEvent* e) override
    {
        QLineEdit::focusOutEvent(e);
        if (owner_)
            RunForEvent([&] { owner_->FocusOut(e->reason()); });
    }

    void mouseReleaseEvent(QMouseEvent* e) override
    {
        QLineEdit::mouseReleaseEvent(e);
        if (owner_)
            RunForEvent([this] { owner_->MouseReleased(); });
    }

    // The usual edit menu, its clipboard entries going through the same checks
    // as the keys.
    void contextMenuEvent(QContextMenuEvent* e) override
    {
        if (!owner_) {
            QLineEdit::contextMenuEvent(e);
            return;
        }
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        const bool readOnly = isReadOnly();
        const bool selected = hasSelectedText();
        const bool plain = echoMode() == QLineEdit::Normal;
        const auto add = [&](const char* text, QKeySequence::StandardKey key, bool enabled, auto step) {
            QString label = QLineEdit::tr(text);
            if (key != QKeySequence::UnknownKey)
                label += QLatin1Char('\t') + QKeySequence(key).toString(QKeySequence::NativeText);
            QAction* action = menu->addAction(label);
            action->setEnabled(enabled);
            connect(action, &QAction::triggered, this, [this, step] {
                if (owner_)
                    RunForEvent([&] { step(*owner_); });
            });
        };
        add("&Undo", QKeySequence::Undo, !readOnly && isUndoAvailable(), [](TAlignEdit& o) { o.edit_->undo(); });
        add("&Redo", QKeySequence::Redo, !readOnly && isRedoAvailable(), [](TAlignEdit& o) { o.edit_->redo(); });
        menu->addSeparator();
        add("Cu&t", QKeySequence::Cut, !readOnly && selected && plain, [](TAlignEdit& o) { o.CheckedCut(); });
        add("&Copy", QKeySequence::Copy, selected && plain, [](TAlignEdit& o) { o.edit_->copy(); });
        add("&Paste", QKeySequence::Paste, !readOnly && !QApplication::clipboard()->text().isEmpty(),
            [](TAlignEdit& o) { o.CheckedPaste(); });
        add("Delete", QKeySequence::UnknownKey, !readOnly && selected, [](TAlignEdit& o) { o.CheckedClear(); });
        menu->addSeparator();
        add("Select All", QKeySequence::SelectAll, !text().isEmpty() && selectedText() != text(),
            [](TAlignEdit& o) { o.edit_->selectAll(); });
        menu->popup(e->globalPos());
    }
};

// ---------------------------------------------------------------------------

const fw::TClassInfo& TAlignEdit::StaticClass()
{
    static const fw::TClassInfo info {"TAlignEdit", &fw::TWinControl::StaticClass(), {}};
    return info;
}

TAlignEdit::TAlignEdit(fw::TComponent* owner)
    : Te3Control(owner, {kHintWords, &Te3Edit::StaticClass}, EnabledRule::plain)
    , edit_(new EditWidget(this))
{
    // The colour first, so that the window gets its palette once.
    SetColor(fw::clWindow);
    OwnWidget(edit_);
    SetTabStop(true);
    SetBounds(0, 0, 121, 21);
}

QLineEdit* TAlignEdit::LineEdit() const
{
    return edit_;
}

TEditTypes TAlignEdit::EffectiveType() const
{
    return EffectiveEditType(editType_, mask_.empty());
}

EditInputRules TAlignEdit::Rules() const
{
    const u3::FormatSettings settings = u3::GetFormatSettings();
    EditInputRules rules;
    rules.editType = EffectiveType();
    rules.integerPlaces = integerPlaces_;
    rules.decimalPlaces = decimalPlaces_;
    rules.minValue = minValue_;
    rules.maxValue = maxValue_;
    rules.enumerationChar = enumerationChar_;
    rules.maxLength = maxLength_;
    rules.decimalSeparator = FirstChar(settings.DecimalSeparator, U'.');
    rules.thousandsSeparator = FirstChar(settings.ThousandSeparator, 0);
    return rules;
}

EditState TAlignEdit::CurrentState() const
{
    const QString text = edit_->text();
    EditState state;
    state.text = text.toStdString();
    if (edit_->hasSelectedText()) {
        const int start = edit_->selectionStart();
        state.selStart = ToCharPos(text, start);
        state.selLength = ToCharPos(text, start + static_cast<int>(edit_->selectedText().size())) - state.selStart;
    } else {
        state.selStart = ToCharPos(text, edit_->cursorPosition());
    }
    return state;
}

void TAlignEdit::ShowText(const std::string& text)
{
    const QString shown = QString::fromStdString(text);
    if (shown == edit_->text())
        return;
    {
        // Raised here rather than from Qt's signal, so that a failing handler
        // reaches the code that set the text.
        const QSignalBlocker quiet(edit_);
        edit_->MakeRoom(shown.size());
        edit_->setText(shown);
    }
    TextChanged();
}

void TAlignEdit::ApplyState(const EditState& state)
{
    ShowText(state.text);
    const QString text = edit_->text();
    const int start = ToQtPos(text, state.selStart);
    if (state.selLength > 0)
        edit_->setSelection(start, ToQtPos(text, state.selStart + state.selLength) - start);
    else
        edit_->setCursorPosition(start);
}

std::string TAlignEdit::GetEditText() const
{
    return edit_->text().toStdString();
}

void TAlignEdit::SetEditText(const std::string& value)
{
    ShowText(EffectiveType() == etMasked ? mask_.normalize(value) : value);
    modified_ = false;
}

std::string TAlignEdit::GetText() const
{
    if (EffectiveType() == etMasked)
        return mask_.extract(GetEditText());
    return GetEditText();
}

void TAlignEdit::SetText(const std::string& text)
{
    lastTextWritten_ = text;
    ShowText(EffectiveType() == etMasked ? mask_.format(text) : text);
    modified_ = false;
}

void TAlignEdit::ApplyForcedMaxLength()
{
    if (const std::optional<int> forced = ForcedMaxLength(EffectiveType(), integerPlaces_, decimalPlaces_,
                                                          mask_.inputPositions()))
        maxLength_ = *forced;
}

void TAlignEdit::ReformatDecimal()
{
    if (EffectiveType() == etFloat)
        ShowText(TextOnLeaving(Rules(), GetEditText()));
}

void TAlignEdit::SetEditType(TEditTypes value)
{
    // Writing the type it already has keeps the text: form descriptions and
    // replies repeat properties, and clearing then would lose the user's input.
    if (value == editType_)
        return;
    editType_ = value;
    ApplyForcedMaxLength();
    SetText(std::string());
}

void TAlignEdit::SetAlignment(TAlignment value)
{
    alignment_ = value;
    const Qt::Alignment horizontal = value == taRightJustify ? Qt::AlignRight
        : value == taCenter                                  ? Qt::AlignHCenter
                                                             : Qt::AlignLeft;
    edit_->setAlignment(horizontal | Qt::AlignVCenter);
}

void TAlignEdit::SetIntegerPlaces(int32_t value)
{
    integerPlaces_ = value;
    ApplyForcedMaxLength();
    ReformatDecimal();
}

void TAlignEdit::SetDecimalPlaces(int32_t value)
{
    decimalPlaces_ = value;
    ApplyForcedMaxLength();
    ReformatDecimal();
}

void TAlignEdit::SetMinValue(double value)
{
    if (value == minValue_)
        return;
    minValue_ = value;
    ReformatDecimal();
}

void TAlignEdit::SetMaxValue(double value)
{
    if (value == maxValue_)
        return;
    maxValue_ = value;
    ReformatDecimal();
}

void TAlignEdit::SetMaxLength(int32_t value)
{
    maxLength_ = EffectiveType() == etMasked ? static_cast<int32_t>(mask_.inputPositions()) : value;
}

void TAlignEdit::SetEditMask(const std::string& value)
{
    EditMask newMask(value);
    const std::string shown = GetEditText();
    const bool focused = edit_->hasFocus();
    const std::size_t caret = CurrentState().selStart;
    const EditMaskChange change = ChangeEditMask(mask_, newMask, shown, lastTextWritten_, saveText_);
    mask_ = std::move(newMask);
    editType_ = mask_.empty() ? etString : etMasked;
    maxLength_ = mask_.empty() ? 0 : static_cast<int32_t>(mask_.inputPositions());
    edit_->setAttribute(Qt::WA_InputMethodEnabled, mask_.empty());
    ShowText(change.shown);
    if (focused) {
        if (mask_.empty())
            ApplyState({GetEditText(), std::min(caret, CharCount(GetEditText())), 0});
        else
            ApplyMasked(mask_.withCaret(GetEditText(), mask_.caretPosition(caret)), false);
    }
    if (change.raiseExit && OnExit)
        OnExit(this);
}

bool TAlignEdit::GetReadOnly() const
{
    return edit_->isReadOnly();
}

void TAlignEdit::ReadOnlyMessage(bool value)
{
    MarkReadOnly(value);
}

void TAlignEdit::MarkReadOnly(bool value)
{
    edit_->setReadOnly(value);
}

int32_t TAlignEdit::GetSelStart() const
{
    return static_cast<int32_t>(CurrentState().selStart);
}

void TAlignEdit::SetSelStart(int32_t value)
{
    const std::size_t length = CharCount(GetEditText());
    ApplyState({GetEditText(), std::min(static_cast<std::size_t>(std::max(value, 0)), length), 0});
}

int32_t TAlignEdit::GetSelLength() const
{
    return static_cast<int32_t>(CurrentState().selLength);
}

void TAlignEdit::SetSelLength(int32_t value)
{
    EditState state = CurrentState();
    const std::size_t length = CharCount(state.text);
    state.selLength = std::min(static_cast<std::size_t>(std::max(value, 0)), length - state.selStart);
    ApplyState(state);
}

std::string TAlignEdit::GetSelText() const
{
    return edit_->selectedText().toStdString();
}

void TAlignEdit::SetSelText(const std::string& value)
{
    const QString inserted = QString::fromStdString(value);
    edit_->MakeRoom(edit_->text().size() + inserted.size());
    edit_->insert(inserted);
}

void TAlignEdit::SetBorderStyle(TEditBorderStyle value)
{
    borderStyle_ = value;
    edit_->setFrame(value == bsSingle);
}

double TAlignEdit::CurrentNumber() const
{
    return e3::CurrentNumber(Rules(), GetEditText());
}

std::string TAlignEdit::GetStrFloat() const
{
    return u3::FloatToDotText(CurrentNumber());
}

void TAlignEdit::SetStrFloat(const std::string& value)
{
    std::string text = u3::FloatToDotText(u3::TextToFloat(value));
    const std::string separator = u3::GetFormatSettings().DecimalSeparator;
    if (const auto dot = text.find('.'); dot != std::string::npos && !separator.empty())
        text.replace(dot, 1, separator);
    SetText(text);
}

void TAlignEdit::SelectAll()
{
    edit_->selectAll();
}

void TAlignEdit::SetFocus()
{
    edit_->setFocus(Qt::OtherFocusReason);
}

// ---- keys ---------------------------------------------------------------------

bool TAlignEdit::KeyPress(QKeyEvent* e)
{
    if (EffectiveType() == etMasked)
        return MaskedKey(e);
    const bool readOnly = GetReadOnly();
    const auto mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (e->key() == Qt::Key_Insert && mods == Qt::ShiftModifier) {
        CheckedPaste();
        return true;
    }
    if (e->key() == Qt::Key_Delete && mods == Qt::ShiftModifier) {
        CheckedCut();
        return true;
    }
    if (e->key() == Qt::Key_Delete && mods == Qt::NoModifier) {
        if (!readOnly && !IsValidText(Rules(), ResultingTextForDelete(CurrentState())))
            return true;
        return false;
    }
    if (EffectiveType() != etString && IsWordOrLineDeletion(e))
        return true;
    char32_t key = EditKeyCharCode(e);
    if (key == keys::Dropped)
        return false;
    // The form hears Enter and Escape as well (default and cancel buttons).
    const bool formKey = key == keys::Enter || key == keys::Escape;
    if (!readOnly) {
        const EditState before = CurrentState();
        const KeyFilterResult filtered = FilterKey(Rules(), before, key);
        if (filtered.state.text != before.text || filtered.state.selStart != before.selStart
            || filtered.state.selLength != before.selLength)
            ApplyState(filtered.state);
        key = filtered.key;
    }
    if (key == keys::Enter || key == keys::LineFeed)
        key = keys::Dropped;
    fw::Guard<TAlignEdit> self(this);
    if (key != keys::Dropped && OnKeyPress)
        OnKeyPress(this, key);
    if (self && key != keys::Dropped)
        DeliverKey(key);
    if (formKey)
        e->ignore();
    else
        e->accept();
    return true;
}

void TAlignEdit::DeliverKey(char32_t key)
{
    const bool readOnly = GetReadOnly();
    switch (key) {
    case keys::Rejected: return;
    case keys::CtrlC: edit_->copy(); return;
    case keys::CtrlV: CheckedPaste(); return;
    case keys::CtrlX: CheckedCut(); return;
    case keys::Backspace:
        if (!readOnly)
            edit_->backspace();
        return;
    case keys::CtrlZ:
        if (!readOnly)
            edit_->undo();
        return;
    default: break;
    }
    if (key < 32 || readOnly)
        return;
    const EditState state = CurrentState();
    if (maxLength_ > 0 && CharCount(state.text) - state.selLength + 1 > static_cast<std::size_t>(maxLength_))
        return;
    const QString typed = QString::fromUcs4(&key, 1);
    edit_->MakeRoom(edit_->text().size() + typed.size());
    edit_->insert(typed);
    modified_ = true;
}

void TAlignEdit::CheckedCut()
{
    if (EffectiveType() == etMasked) {
        MaskedCut();
        return;
    }
    if (GetReadOnly() || !edit_->hasSelectedText())
        return;
    if (!IsValidText(Rules(), TextWithoutSelection(CurrentState())))
        return;
    edit_->cut();
    modified_ = true;
}

void TAlignEdit::CheckedClear()
{
    if (GetReadOnly())
        return;
    if (EffectiveType() == etMasked) {
        MaskedText state {GetEditText(), CurrentState().selStart, CurrentState().selLength};
        mask_.deleteChars(state);
        ApplyMasked(state, true);
        return;
    }
    if (!edit_->hasSelectedText() || !IsValidText(Rules(), TextWithoutSelection(CurrentState())))
        return;
    edit_->del();
    modified_ = true;
}

void TAlignEdit::CheckedPaste()
{
    if (EffectiveType() == etMasked) {
        MaskedPaste();
        return;
    }
    if (GetReadOnly())
        return;
    const std::string clip = QApplication::clipboard()->text().toStdString();
    const EditState state = CurrentState();
    if (!IsValidText(Rules(), TextAfterPaste(state, clip, maxLength_)))
        return;
    std::u32string chars = DecodeUtf8(clip);
    if (maxLength_ > 0) {
        const std::size_t kept = CharCount(state.text) - state.selLength;
        const std::size_t room = kept < static_cast<std::size_t>(maxLength_) ? maxLength_ - kept : 0;
        if (chars.size() > room)
            chars.resize(room);
    }
    if (chars.empty() && state.selLength == 0)
        return;
    const QString pasted = QString::fromStdString(EncodeUtf8(chars));
    edit_->MakeRoom(edit_->text().size() + pasted.size());
    edit_->insert(pasted);
    modified_ = true;
}

// ---- focus and change -------------------------------------------------------------

void TAlignEdit::FocusIn(Qt::FocusReason reason)
{
    // Window activation and popups are no entering of the edit.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return;
    if (EffectiveType() == etMasked) {
        const std::string shown = GetEditText();
        if (!reentering_)
            enteredText_ = shown;
        ApplyMasked(mask_.withCaret(shown, mask_.firstFreePosition(shown)), false);
    } else if (autoSelect_ && reason != Qt::MouseFocusReason) {
        edit_->selectAll();
    } else if (!autoSelect_ && edit_->hasSelectedText()) {
        edit_->deselect();
    }
    if (reentering_) {
        reentering_ = false;
        return;
    }
    if (OnEnter)
        OnEnter(this);
}

void TAlignEdit::FocusOut(Qt::FocusReason reason)
{
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return;
    if (EffectiveType() == etMasked) {
        ValidateMask();
        PutMaskCaretRight();
    } else if (EffectiveType() == etFloat) {
        ShowText(TextOnLeaving(Rules(), GetEditText()));
    }
    if (OnExit)
        OnExit(this);
}

void TAlignEdit::MouseReleased()
{
    if (EffectiveType() == etMasked && !edit_->hasSelectedText())
        PutMaskCaretRight();
}

void TAlignEdit::TextChanged()
{
    fw::Guard<TAlignEdit> self(this);
    if (OnChange)
        OnChange(this);
    if (self && allEvents_ && OnExit)
        OnExit(this);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CustomEdit::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomEdit", &TAlignEdit::StaticClass(), {}};
    return info;
}

Te3CustomEdit::Te3CustomEdit(fw::TComponent* owner)
    : TAlignEdit(owner)
    // An edit with a 3-D border and the framework's bevel width of 1.
    , marker_(LineEdit(), 1, EditMarkerPlacement(true))
{
    colors_.normalColor = GetColor();
    UpdateMarker();
}

void Te3CustomEdit::UpdateMarker()
{
    marker_.SetControlState(HasParent(), GetEnabled());
}

void Te3CustomEdit::Ctl3DChanged()
{
    TAlignEdit::Ctl3DChanged();
    marker_.SetPlacement(EditMarkerPlacement(GetCtl3D()));
}

void Te3CustomEdit::ApplyEnabled()
{
    TAlignEdit::ApplyEnabled();
    UpdateMarker();
}

void Te3CustomEdit::SetParent(fw::TWinControl* parent)
{
    TAlignEdit::SetParent(parent);
    UpdateMarker();
}

void Te3CustomEdit::Loaded()
{
    TAlignEdit::Loaded();
    ShowLoadedColor(*this, colors_);
}

void Te3CustomEdit::SetEnabled(bool value)
{
    if (!Parent()) {
        TAlignEdit::SetEnabled(value);
        return;
    }
    struct Flag {
        bool& f;
        explicit Flag(bool& flag) : f(flag) { f = true; }
        ~Flag() { f = false; }
    } inSetEnabled(colors_.inSetEnabled);
    const bool applied = DecideEnabled(value);
    ShowEnabledColor(*this, colors_, value, applied, GetReadOnly());
    if (applied)
        TAlignEdit::SetEnabled(value);
}

void Te3CustomEdit::SetColor(fw::TColor color)
{
    if (!colors_.inSetEnabled && GetEnabled() && !GetReadOnly() && !Designing())
        colors_.normalColor = color;
    TAlignEdit::SetColor(color);
}

void Te3CustomEdit::SetDisabledColor(fw::TColor value)
{
    ChangeDisabledColor(*this, colors_, value, GetReadOnly());
}

void Te3CustomEdit::ReadOnlyMessage(bool value)
{
    readOnlyLock_.SetReadOnly(value, [this](bool readOnly) { SwitchReadOnly(readOnly); });
}

void Te3CustomEdit::SwitchReadOnly(bool value)
{
    if (value == GetReadOnly())
        return;
    MarkReadOnly(value);
    ShowReadOnlyColor(*this, colors_, value, readOnlyLock_.Locked());
}

void Te3CustomEdit::SetLockedEdit(bool value)
{
    readOnlyLock_.SetLocked(value, [this](bool readOnly) { SwitchReadOnly(readOnly); });
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3Edit::StaticClass()
{
    using C = Te3Edit;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3Edit",
        &Te3CustomEdit::StaticClass(),
        fw::TRows<Te3Edit> {
            sp::Color(),
            sp::Font(),
            sp::Enabled(),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
            sp::Text(),
            fw::prop::Boolean("AutoSelect", &C::GetAutoSelect, &C::SetAutoSelect),
            fw::prop::Boolean("ReadOnly", &C::GetReadOnly, &C::SetReadOnly),
            fw::prop::Integer("MaxLength", &C::GetMaxLength, &C::SetMaxLength),
            fw::prop::Enum("EditType", EditTypesType, &C::GetEditType, &C::SetEditType),
            fw::prop::Enum("Alignment", AlignmentType, &C::GetAlignment, &C::SetAlignment),
            fw::prop::Integer("IntegerPlaces", &C::GetIntegerPlaces, &C::SetIntegerPlaces),
            fw::prop::Integer("DecimalPlaces", &C::GetDecimalPlaces, &C::SetDecimalPlaces),
            fw::prop::Float("MinValue", &C::GetMinValue, &C::SetMinValue),
            fw::prop::Float("MaxValue", &C::GetMaxValue, &C::SetMaxValue),
            fw::prop::String("EditMask", &C::GetEditMask, &C::SetEditMask),
            fw::prop::String("EditText", &C::GetEditText, &C::SetEditText),
            fw::prop::String("EnumerationChar", &C::GetEnumerationChar, &C::SetEnumerationChar),
            fw::prop::Boolean("SaveText", &C::GetSaveText, &C::SetSaveText),
            fw::prop::Integer("DisabledColor", &C::GetDisabledColor, &C::SetDisabledColor),
            fw::prop::Boolean("MnShow", &C::GetMnShow, &C::SetMnShow),
            fw::prop::Integer("MnWidth", &C::GetMnWidth, &C::SetMnWidth),
            fw::prop::Integer("MnHeight", &C::GetMnHeight, &C::SetMnHeight),
            fw::prop::Integer("MnColor", &C::GetMnColor, &C::SetMnColor),
        },
    };
    return info;
}

const fw::TClassInfo& Te3_Edit::StaticClass()
{
    using C = Te3_Edit;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_Edit",
        &Te3Edit::StaticClass(),
        fw::TRows<Te3_Edit> {
            sp::Align(),
            sp::Anchors(),
            sp::Constraints(),
            sp::Parent(),
            sp::ParentColor(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            sp::ShowHint(),
            sp::BiDiMode(),
            sp::Ctl3D(),
            sp::DragCursor(),
            sp::OEMConvert(),
            sp::DragKind(),
            sp::DragMode(),
            sp::ImeMode(),
            sp::ImeName(),
            sp::ParentBiDiMode(),
            sp::ParentCtl3D(),
            sp::PopupMenu(),
            fw::prop::Enum("BorderStyle", EditBorderStyleType, &C::GetBorderStyle, &C::SetBorderStyle),
            fw::prop::Boolean("Modified", &C::GetModified, &C::SetModified),
            fw::prop::Integer("SelStart", &C::GetSelStart, &C::SetSelStart),
            fw::prop::Integer("SelLength", &C::GetSelLength, &C::SetSelLength),
            fw::prop::String("SelText", &C::GetSelText, &C::SetSelText),
            fw::prop::BoolAction("_SetFocus", &C::SetFocus),
            fw::prop::BoolAction("_SelectAll", &C::SelectAll),
            fw::prop::Boolean("AllEvents", &C::GetAllEvents, &C::SetAllEvents),
            fw::prop::Boolean("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
            fw::prop::String("StrFloat", &C::GetStrFloat, &C::SetStrFloat),
            fw::prop::Event("OnChange", fw::NotifyEventType, &C::OnChange),
            sp::OnClick(),
            sp::OnDblClick(),
            sp::FocusEvents(),
            sp::KeyEvents(),
            sp::MouseEvents(),
            sp::OnContextPopup(),
            sp::DragEvents(),
            sp::DockEvents(),
            sp::BevelMembers(),
        },
        fw::MakeFactory<Te3_Edit>(),
    };
    return info;
}

EditCommandState TAlignEdit::GetEditState() const
{
    return LineEditState(*edit_, GetModified(), GetReadOnly());
}

void TAlignEdit::EditUndo(bool forwards)
{
    LineEditUndo(*edit_, forwards);
}

void TAlignEdit::SetEditModified(bool value)
{
    SetModified(value);
}

void TAlignEdit::EditCut()
{
    CutToClipboard();
}

void TAlignEdit::EditCopy()
{
    edit_->copy();
}

void TAlignEdit::EditPaste()
{
    PasteFromClipboard();
}

void TAlignEdit::EditClear()
{
    ClearSelection();
}

void TAlignEdit::EditSelectAll()
{
    SelectAll();
}

} // namespace e3
