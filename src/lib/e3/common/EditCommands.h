#pragma once
// The commands of a form's Edit menu, as every control that edits text in a
// window of its own offers them (one-line edits, memos, the Unicode edit). The
// menu asks the focused control for this interface; it knows no edit class.
#include <QString>

class QLineEdit;
class QPlainTextEdit;

namespace e3 {

// What the Edit menu needs to know of an edit.
struct EditCommandState {
    bool canUndo = false;
    bool modified = false;
    bool hasSelection = false;
    bool readOnly = false;
    bool wholeTextSelected = false;
};

class IEditCommands {
public:
    virtual ~IEditCommands() = default;
    // Whether there is a text to edit now; a control that edits text only at
    // times (a tree view editing a node) says no in between.
    virtual bool HasEditText() const { return true; }
    // Whether a pop-up menu of the control's own takes the commands instead.
    virtual bool EditYieldsToPopupMenu() const { return true; }
    virtual EditCommandState GetEditState() const = 0;
    // The edit's undo is a single step that the next undo takes back;
    // forwards takes the redo direction first.
    virtual void EditUndo(bool forwards) = 0;
    virtual void SetEditModified(bool value) = 0;
    virtual void EditCut() = 0;
    virtual void EditCopy() = 0;
    virtual void EditPaste() = 0;
    // Deletes the selection.
    virtual void EditClear() = 0;
    virtual void EditSelectAll() = 0;
};

// The state and the undo step of the two Qt editors the edits are built on;
// modified and read-only are the control's own.
EditCommandState LineEditState(const QLineEdit& edit, bool modified, bool readOnly);
void LineEditUndo(QLineEdit& edit, bool forwards);
EditCommandState TextEditState(const QPlainTextEdit& edit, bool modified, bool readOnly);
void TextEditUndo(QPlainTextEdit& edit, bool forwards);

} // namespace e3
