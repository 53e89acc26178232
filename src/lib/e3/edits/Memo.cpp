#include "e3/edits/Memo.h"

#include "e3/common/OwnedWidget.h"
#include "e3/common/TextLines.h"
#include "framework/ApplicationException.h"
#include "framework/StandardProps.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>

namespace e3 {
namespace {

QString ToDocumentText(const std::string& text)
{
    return QString::fromStdString(JoinLines(SplitLines(text), "\n"));
}

} // namespace

class MemoWidget : public OwnedWidget<QPlainTextEdit, Te3CustomMemo> {
public:
    explicit MemoWidget(Te3CustomMemo* owner)
        : OwnedWidget(owner)
    {
        connect(this, &QPlainTextEdit::textChanged, this, [this] {
            if (owner_)
                fw::RunFromEventLoop([this] { owner_->TextChanged(); });
        });
    }

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        if (owner_) {
            const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
            // Without WantReturns Enter belongs to the form (its default button).
            if (enter && !owner_->wantReturns_ && !(e->modifiers() & Qt::ControlModifier)) {
                e->ignore();
                return;
            }
            const QString typed = enter ? QStringLiteral("\n") : e->text();
            const bool types = !typed.isEmpty() && (enter || typed.at(0).isPrint());
            if (!isReadOnly() && types && Room() < typed.size())
                return;
        }
        QPlainTextEdit::keyPressEvent(e);
    }

    void insertFromMimeData(const QMimeData* source) override
    {
        if (!owner_ || owner_->maxLength_ == 0 || !source->hasText()) {
            QPlainTextEdit::insertFromMimeData(source);
            return;
        }
        QString text = source->text();
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        insertPlainText(text.left(std::max<qsizetype>(0, Room())));
    }

private:
    // Characters that may still be typed; a line break counts two.
    qsizetype Room() const
    {
        if (owner_->maxLength_ == 0)
            return std::numeric_limits<qsizetype>::max();
        const QTextCursor c = textCursor();
        const QString selected = c.selectedText();
        const qsizetype used = owner_->GetText().size() - (selected.size() + selected.count(QChar::ParagraphSeparator));
        return owner_->maxLength_ - used;
    }
};

const fw::TClassInfo& Te3CustomMemo::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomMemo", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomMemo::Te3CustomMemo(fw::TComponent* owner)
    : Te3Control(owner, {kCaptionHintWords, &Te3Memo::StaticClass})
    , memo_(new MemoWidget(this))
    , marker_(new MandatoryMarker(memo_))
    , lines_(std::make_unique<fw::TStrings>())
{
    lines_->OnRefresh = [this] { lines_->Load(SplitLines(memo_->toPlainText().toStdString())); };
    lines_->OnChange = [this] { SetLinesString(JoinLines(lines_->Lines())); };
    OwnWidget(memo_);
    SetTabStop(true);
    SetColor(fw::clWindow);
    SetBounds(0, 0, 185, 89);
    colors_.normalColor = GetColor();
    memo_->setTabChangesFocus(true);
    SetHideSelection(true);
    SetScrollBars(ssNone);
    UpdateMarker();
}

QPlainTextEdit* Te3CustomMemo::TextEdit() const
{
    return memo_;
}

void Te3CustomMemo::UpdateMarker()
{
    marker_->SetControlState(HasParent(), GetEnabled());
}

void Te3CustomMemo::ApplyEnabled()
{
    fw::TWinControl::ApplyEnabled();
    UpdateMarker();
}

void Te3CustomMemo::SetParent(fw::TWinControl* parent)
{
    fw::TWinControl::SetParent(parent);
    UpdateMarker();
}

void Te3CustomMemo::Loaded()
{
    fw::TWinControl::Loaded();
    ShowLoadedColor(*this, colors_);
}

void Te3CustomMemo::SetEnabled(bool value)
{
    if (!Parent()) {
        fw::TWinControl::SetEnabled(value);
        return;
    }
    const bool applied = DecideEnabled(value);
    ShowEnabledColor(*this, colors_, value, applied, GetReadOnly());
    if (applied)
        fw::TWinControl::SetEnabled(value);
}

void Te3CustomMemo::SetDisabledColor(fw::TColor value)
{
    ChangeDisabledColor(*this, colors_, value, GetReadOnly());
}

bool Te3CustomMemo::GetReadOnly() const
{
    return memo_->isReadOnly();
}

void Te3CustomMemo::ReadOnlyMessage(bool value)
{
    readOnlyLock_.SetReadOnly(value, [this](bool readOnly) { SwitchReadOnly(readOnly); });
}

void Te3CustomMemo::SwitchReadOnly(bool value)
{
    if (value == GetReadOnly())
        return;
    memo_->setReadOnly(value);
    ShowReadOnlyColor(*this, colors_, value, readOnlyLock_.Locked());
}

void Te3CustomMemo::SetLockedEdit(bool value)
{
    readOnlyLock_.SetLocked(value, [this](bool readOnly) { SwitchReadOnly(readOnly); });
}

std::string Te3CustomMemo::GetText() const
{
    return JoinLines(SplitLines(memo_->toPlainText().toStdString()));
}

void Te3CustomMemo::ShowText(const QString& text)
{
    if (text == memo_->toPlainText())
        return;
    {
        // Raised here rather than from Qt's signal, so that a failing handler
        // reaches the code that set the text.
        const QSignalBlocker quiet(memo_);
        memo_->setPlainText(text);
    }
    TextChanged();
}

void Te3CustomMemo::SetText(const std::string& text)
{
    fw::TWinControl::SetText(text);
    ShowText(ToDocumentText(text));
}

void Te3CustomMemo::SetLinesString(const std::string& value)
{
    fw::Guard<Te3CustomMemo> self(this);
    ShowText(ToDocumentText(value));
    if (!self)
        return;
    QTextCursor cursor = memo_->textCursor();
    cursor.movePosition(QTextCursor::Start);
    memo_->setTextCursor(cursor);
}

void Te3CustomMemo::TextChanged()
{
    if (OnChange)
        OnChange(this);
}

void Te3CustomMemo::SetAlignment(TAlignment value)
{
    alignment_ = value;
    QTextOption option = memo_->document()->defaultTextOption();
    option.setAlignment(value == taRightJustify ? Qt::AlignRight : value == taCenter ? Qt::AlignHCenter : Qt::AlignLeft);
    memo_->document()->setDefaultTextOption(option);
}

void Te3CustomMemo::SetHideSelection(bool value)
{
    hideSelection_ = value;
    QPalette palette = memo_->palette();
    palette.setBrush(QPalette::Inactive, QPalette::Highlight,
                     value ? QBrush(Qt::transparent) : palette.brush(QPalette::Active, QPalette::Highlight));
    palette.setBrush(QPalette::Inactive, QPalette::HighlightedText,
                     value ? palette.brush(QPalette::Active, QPalette::Text)
                           : palette.brush(QPalette::Active, QPalette::HighlightedText));
    memo_->setPalette(palette);
}

bool Te3CustomMemo::GetModified() const
{
    return memo_->document()->isModified();
}

void Te3CustomMemo::SetModified(bool value)
{
    memo_->document()->setModified(value);
}

void Te3CustomMemo::SetScrollBars(TScrollStyle value)
{
    scrollBars_ = value;
    const auto policy = [](bool shown) { return shown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff; };
    memo_->setHorizontalScrollBarPolicy(policy(value == ssHorizontal || value == ssBoth));
    const bool vertical = value == ssVertical || value == ssBoth;
    memo_->setVerticalScrollBarPolicy(policy(vertical));
    PlaceMarker();
}

void Te3CustomMemo::PlaceMarker()
{
    // The marker stands left of a vertical scroll bar.
    const bool vertical = scrollBars_ == ssVertical || scrollBars_ == ssBoth;
    const int bar = vertical ? memo_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, memo_) + 1 : 0;
    marker_->SetPlacement(1, EditMarkerPlacement(GetCtl3D(), bar));
}

void Te3CustomMemo::Ctl3DChanged()
{
    fw::TWinControl::Ctl3DChanged();
    PlaceMarker();
}

void Te3CustomMemo::SetWantTabs(bool value)
{
    wantTabs_ = value;
    memo_->setTabChangesFocus(!value);
}

void Te3CustomMemo::SetWordWrap(bool value)
{
    wordWrap_ = value;
    memo_->setLineWrapMode(value ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

int Te3CustomMemo::ToDocumentPos(int32_t pos) const
{
    int32_t engine = 0;
    int document = 0;
    for (QTextBlock block = memo_->document()->begin(); block.isValid(); block = block.next()) {
        const int length = block.length() - 1; // without the break
        if (pos <= engine + length)
            return document + (pos - engine);
        engine += length + 2;
        document += length + 1;
        if (pos < engine)
            return document; // inside a CR LF: behind it
    }
    return memo_->document()->characterCount() - 1;
}

int32_t Te3CustomMemo::FromDocumentPos(int pos) const
{
    const QTextBlock block = memo_->document()->findBlock(pos);
    return static_cast<int32_t>(pos + (block.isValid() ? block.blockNumber() : 0));
}

int32_t Te3CustomMemo::GetSelStart() const
{
    return FromDocumentPos(memo_->textCursor().selectionStart());
}

void Te3CustomMemo::SetSelStart(int32_t value)
{
    QTextCursor cursor = memo_->textCursor();
    cursor.setPosition(ToDocumentPos(std::max(0, value)));
    memo_->setTextCursor(cursor);
}

int32_t Te3CustomMemo::GetSelLength() const
{
    const QTextCursor cursor = memo_->textCursor();
    return FromDocumentPos(cursor.selectionEnd()) - FromDocumentPos(cursor.selectionStart());
}

void Te3CustomMemo::SetSelLength(int32_t value)
{
    QTextCursor cursor = memo_->textCursor();
    const int32_t start = FromDocumentPos(cursor.selectionStart());
    cursor.setPosition(cursor.selectionStart());
    cursor.setPosition(ToDocumentPos(start + std::max(0, value)), QTextCursor::KeepAnchor);
    memo_->setTextCursor(cursor);
}

std::string Te3CustomMemo::GetSelText() const
{
    QString text = memo_->textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    return text.toStdString();
}

void Te3CustomMemo::SetSelText(const std::string& value)
{
    memo_->textCursor().insertText(QString::fromStdString(value).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

void Te3CustomMemo::SelectAll()
{
    memo_->selectAll();
}

void Te3CustomMemo::SetFocus()
{
    memo_->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3Memo::StaticClass()
{
    using C = Te3Memo;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3Memo",
        &Te3CustomMemo::StaticClass(),
        fw::TRows<Te3Memo> {
            fw::prop::Enum("Alignment", AlignmentType, &C::GetAlignment, &C::SetAlignment),
            sp::Color(),
            sp::Enabled(),
            sp::Font(),
            fw::prop::Boolean("HideSelection", &C::GetHideSelection, &C::SetHideSelection),
            fw::prop::Object("Lines", fw::TStrings::StaticClass(), &C::GetLines, nullptr),
            fw::prop::Integer("MaxLength", &C::GetMaxLength, &C::SetMaxLength),
            fw::prop::Boolean("Modified", &C::GetModified, &C::SetModified),
            fw::prop::Boolean("ReadOnly", &C::GetReadOnly, &C::SetReadOnly),
            fw::prop::Enum("ScrollBars", ScrollStyleType, &C::GetScrollBars, &C::SetScrollBars),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Text(),
            sp::Visible(),
            fw::prop::Boolean("WantReturns", &C::GetWantReturns, &C::SetWantReturns),
            fw::prop::Boolean("WantTabs", &C::GetWantTabs, &C::SetWantTabs),
            fw::prop::Boolean("WordWrap", &C::GetWordWrap, &C::SetWordWrap),
            fw::prop::Boolean("MnShow", &C::GetMnShow, &C::SetMnShow),
            fw::prop::Integer("MnWidth", &C::GetMnWidth, &C::SetMnWidth),
            fw::prop::Integer("MnHeight", &C::GetMnHeight, &C::SetMnHeight),
            fw::prop::Integer("MnColor", &C::GetMnColor, &C::SetMnColor),
            fw::prop::Integer("DisabledColor", &C::GetDisabledColor, &C::SetDisabledColor),
        },
        fw::MakeFactory<Te3Memo>(),
    };
    return info;
}

const fw::TClassInfo& Te3_Memo::StaticClass()
{
    using C = Te3_Memo;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_Memo",
        &Te3Memo::StaticClass(),
        fw::TRows<Te3_Memo> {
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
            fw::prop::Integer("SelLength", &C::GetSelLength, &C::SetSelLength),
            fw::prop::Integer("SelStart", &C::GetSelStart, &C::SetSelStart),
            fw::prop::String("SelText", &C::GetSelText, &C::SetSelText),
            fw::prop::Boolean("LockedEdit", &C::GetLockedEdit, &C::SetLockedEdit),
            fw::prop::BoolAction("_SetFocus", &C::SetFocus),
            fw::prop::BoolAction("_SelectAll", &C::SelectAll),
            fw::prop::String("_Text", &C::GetLinesString, &C::SetLinesString),
            fw::prop::String("LinesString", &C::GetLinesString, &C::SetLinesString),
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
        fw::MakeFactory<Te3_Memo>(),
    };
    return info;
}

EditCommandState Te3CustomMemo::GetEditState() const
{
    return TextEditState(*memo_, GetModified(), GetReadOnly());
}

void Te3CustomMemo::EditUndo(bool forwards)
{
    TextEditUndo(*memo_, forwards);
}

void Te3CustomMemo::SetEditModified(bool value)
{
    SetModified(value);
}

void Te3CustomMemo::EditCut()
{
    memo_->cut();
}

void Te3CustomMemo::EditCopy()
{
    memo_->copy();
}

void Te3CustomMemo::EditPaste()
{
    memo_->paste();
}

void Te3CustomMemo::EditClear()
{
    if (!memo_->isReadOnly())
        memo_->textCursor().removeSelectedText();
}

void Te3CustomMemo::EditSelectAll()
{
    SelectAll();
}

} // namespace e3
