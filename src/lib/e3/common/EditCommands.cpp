#include "e3/common/EditCommands.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>

namespace e3 {

EditCommandState LineEditState(const QLineEdit& edit, bool modified, bool readOnly)
{
    EditCommandState s;
    s.canUndo = edit.isUndoAvailable() || edit.isRedoAvailable();
    s.modified = modified;
    s.hasSelection = edit.hasSelectedText();
    s.readOnly = readOnly;
    s.wholeTextSelected = edit.selectedText().size() == edit.text().size();
    return s;
}

void LineEditUndo(QLineEdit& edit, bool forwards)
{
    if (forwards ? edit.isRedoAvailable() : !edit.isUndoAvailable())
        edit.redo();
    else
        edit.undo();
}

EditCommandState TextEditState(const QPlainTextEdit& edit, bool modified, bool readOnly)
{
    const QTextDocument* doc = edit.document();
    const QTextCursor cursor = edit.textCursor();
    EditCommandState s;
    s.canUndo = doc->isUndoAvailable() || doc->isRedoAvailable();
    s.modified = modified;
    s.hasSelection = cursor.hasSelection();
    s.readOnly = readOnly;
    // The document counts a closing paragraph mark that no selection holds.
    s.wholeTextSelected = cursor.selectionEnd() - cursor.selectionStart() == doc->characterCount() - 1;
    return s;
}

void TextEditUndo(QPlainTextEdit& edit, bool forwards)
{
    if (forwards ? edit.document()->isRedoAvailable() : !edit.document()->isUndoAvailable())
        edit.redo();
    else
        edit.undo();
}

} // namespace e3
