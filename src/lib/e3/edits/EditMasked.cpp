// The masked-input path of the edit: keys, cut and paste through the mask, and
// the check that every required position is filled when the edit is left.
#include "e3/edits/Edit.h"

#include "e3/common/EditChars.h"
#include "e3/edits/EditEvents.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>

#include <algorithm>

namespace e3 {
namespace {

// The masked edit whose validation box is waiting or showing. Only one box at
// a time: while it is set, no other edit validates, so the focus moves that the
// box and its hand-back of the focus cause cannot start a second box, and two
// invalid edits cannot pull the focus back and forth between them.
fw::Guard<TAlignEdit> warningEdit;

} // namespace

// ---- the masked edit ------------------------------------------------------------

bool TAlignEdit::WantsEscape() const
{
    return EffectiveType() == etMasked && modified_;
}

void TAlignEdit::ApplyMasked(const MaskedText& state, bool byUser)
{
    if (state.shown != GetEditText()) {
        ShowText(state.shown);
        if (byUser)
            modified_ = true;
    }
    ApplyState({state.shown, state.selStart, state.selLength});
}

void TAlignEdit::PutMaskCaretRight()
{
    const std::string shown = GetEditText();
    ApplyMasked(mask_.withCaret(shown, mask_.caretPosition(CurrentState().selStart)), false);
}

void TAlignEdit::MaskedCut()
{
    if (GetReadOnly())
        return;
    const EditState current = CurrentState();
    MaskedText state {current.text, current.selStart, current.selLength};
    const std::string taken = mask_.cut(state);
    if (!taken.empty())
        QApplication::clipboard()->setText(QString::fromStdString(taken));
    ApplyMasked(state, true);
}

void TAlignEdit::MaskedPaste()
{
    if (GetReadOnly())
        return;
    const EditState current = CurrentState();
    MaskedText state {current.text, current.selStart, current.selLength};
    const bool complete = mask_.paste(state, QApplication::clipboard()->text().toStdString());
    ApplyMasked(state, true);
    if (!complete)
        CurrentEditFeedback().Beep();
}

bool TAlignEdit::MaskedKey(QKeyEvent* e)
{
    const bool readOnly = GetReadOnly();
    const auto mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const EditState current = CurrentState();
    MaskedText state {current.text, current.selStart, current.selLength};
    const std::size_t length = mask_.length();

    switch (e->key()) {
    case Qt::Key_Escape:
        if (!WantsEscape()) {
            e->ignore();
            return true;
        }
        ApplyMasked(mask_.withCaret(mask_.normalize(enteredText_), mask_.firstFreePosition(enteredText_)), false);
        modified_ = false;
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ValidateMask();
        e->ignore();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down: return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End: {
        const bool right = e->key() == Qt::Key_Right;
        if (!shift) {
            std::size_t pos = state.selStart;
            if (e->key() == Qt::Key_Left)
                pos = mask_.previousPosition(pos);
            else if (right)
                pos = mask_.nextPosition(state.selLength > 1 ? state.selStart + state.selLength - 1 : pos);
            else if (e->key() == Qt::Key_Home)
                pos = mask_.firstInputPosition();
            else
                pos = mask_.endPosition();
            ApplyMasked(mask_.withCaret(state.shown, pos), false);
            return true;
        }
        std::size_t start = state.selStart, end = state.selStart + state.selLength;
        if (right)
            end = std::min(length, end + 1);
        else if (e->key() == Qt::Key_Left)
            (end - start > 1) ? --end : (start = start > 0 ? start - 1 : 0);
        else if (e->key() == Qt::Key_Home)
            start = 0;
        else
            end = length;
        ApplyState({state.shown, start, end - start});
        return true;
    }
    case Qt::Key_Backspace:
        if (!readOnly) {
            mask_.backspace(state);
            ApplyMasked(state, true);
        }
        return true;
    case Qt::Key_Delete:
        if (shift)
            MaskedCut();
        else if (!readOnly) {
            mask_.deleteChars(state);
            ApplyMasked(state, true);
        }
        return true;
    case Qt::Key_Insert:
        if (shift && !ctrl)
            MaskedPaste();
        return !ctrl; // Ctrl+Insert copies
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return false;
    default: break;
    }
    const char32_t key = EditKeyCharCode(e);
    if (key == keys::CtrlC)
        return false;
    if (key == keys::CtrlV) {
        MaskedPaste();
        return true;
    }
    if (key == keys::CtrlX) {
        MaskedCut();
        return true;
    }
    if (key < 32) {
        // Other shortcuts would edit past the mask; selecting all is harmless.
        return !(ctrl && e->key() == Qt::Key_A);
    }
    if (!readOnly) {
        if (mask_.typeChar(state, key))
            ApplyMasked(state, true);
        else
            CurrentEditFeedback().Beep();
    }
    return true;
}

void TAlignEdit::ValidateMask()
{
    if (EffectiveType() != etMasked || !modified_ || warningEdit)
        return;
    const std::string shown = GetEditText();
    const std::optional<std::size_t> missing = mask_.firstMissingRequired(shown);
    if (!missing)
        return;
    ApplyMasked(mask_.withCaret(shown, *missing), false);
    reentering_ = true;
    fw::Guard<TAlignEdit> self(this);
    warningEdit = self;
    QMetaObject::invokeMethod(
        LineEdit(),
        [self] {
            if (TAlignEdit* edit = self.get())
                RunForEvent([edit] { edit->ShowMaskWarning(); });
        },
        Qt::QueuedConnection);
}

void TAlignEdit::ShowMaskWarning()
{
    struct Done {
        ~Done() { warningEdit = {}; }
    } done;
    fw::Guard<TAlignEdit> self(this);
    EditFeedback& feedback = CurrentEditFeedback();
    feedback.Beep();
    feedback.ShowWarning("Warning", InvalidMaskInputText);
    if (!self)
        return;
    if (!LineEdit()->hasFocus() && LineEdit()->isEnabled() && LineEdit()->isVisible())
        LineEdit()->setFocus(Qt::OtherFocusReason);
    reentering_ = false;
}

} // namespace e3
