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

EditCommandState LineEditCommands::GetEditState() const
{
    const QLineEdit* line = CommandLine();
    if (!line) {
        EditCommandState none;
        none.readOnly = true;
        return none;
    }
    return LineEditState(*line, line->isModified(), CommandsLocked() || line->isReadOnly());
}

QLineEdit* LineEditCommands::ChangeableLine() const
{
    QLineEdit* line = CommandLine();
    return line && !CommandsLocked() ? line : nullptr;
}

void LineEditCommands::EditUndo(bool forwards)
{
    if (QLineEdit* line = ChangeableLine())
        LineEditUndo(*line, forwards);
}

void LineEditCommands::SetEditModified(bool value)
{
    if (QLineEdit* line = CommandLine())
        line->setModified(value);
}

void LineEditCommands::EditCut()
{
    if (QLineEdit* line = ChangeableLine())
        line->cut();
}

void LineEditCommands::EditCopy()
{
    if (QLineEdit* line = CommandLine())
        line->copy();
}

void LineEditCommands::EditPaste()
{
    if (QLineEdit* line = ChangeableLine())
        line->paste();
}

void LineEditCommands::EditClear()
{
    if (QLineEdit* line = ChangeableLine(); line && line->hasSelectedText())
        line->del();
}

void LineEditCommands::EditSelectAll()
{
    if (QLineEdit* line = CommandLine())
        line->selectAll();
}

} // namespace e3
