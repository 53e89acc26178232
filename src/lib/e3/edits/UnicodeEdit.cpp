#include "e3/edits/UnicodeEdit.h"

#include "e3/common/EditChars.h"
#include "e3/common/OwnedWidget.h"
#include "framework/ApplicationException.h"
#include "framework/StandardProps.h"

#include <QApplication>
#include <QFocusEvent>
#include <QProxyStyle>
#include <QValidator>

#include <algorithm>
#include <limits>

namespace e3 {

// Answers the widget's question for its mask character with ours.
class PasswordCharStyle : public QProxyStyle {
public:
    char16_t maskChar = u'*';

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == QStyle::SH_LineEdit_PasswordCharacter)
            return maskChar;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

namespace {

QString InCase(const QString& text, TEditCharCase charCase)
{
    switch (charCase) {
    case ecUpperCase: return text.toUpper();
    case ecLowerCase: return text.toLower();
    default: return text;
    }
}

} // namespace

// Typed and pasted text in the edit's letter case; text the program sets is
// converted where CharCase is set.
class CaseValidator : public QValidator {
public:
    CaseValidator(TEditCharCase charCase, QObject* parent) : QValidator(parent), charCase_(charCase) {}
    State validate(QString& input, int&) const override
    {
        input = InCase(input, charCase_);
        return Acceptable;
    }

private:
    TEditCharCase charCase_;
};

class UnicodeEditWidget : public OwnedWidget<QLineEdit, Te3CustomUnicodeEdit> {
public:
    explicit UnicodeEditWidget(Te3CustomUnicodeEdit* owner)
        : OwnedWidget(owner)
    {
        connect(this, &QLineEdit::textChanged, this, [this] {
            if (owner_)
                fw::RunFromEventLoop([this] { owner_->TextChanged(); });
        });
    }

protected:
    void focusInEvent(QFocusEvent* e) override
    {
        if (!owner_) {
            QLineEdit::focusInEvent(e);
            return;
        }
        // Qt selects everything on keyboard focus by itself; AutoSelect decides
        // here, and a click keeps the caret where it lands.
        QFocusEvent plain(QEvent::FocusIn, Qt::OtherFocusReason);
        QLineEdit::focusInEvent(&plain);
        const Qt::FocusReason reason = e->reason();
        fw::RunFromEventLoop([this, reason] { owner_->FocusIn(reason); });
    }
};

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3CustomUnicodeEdit::StaticClass()
{
    // Hint is published by every control and is Unicode already.
    static const fw::TClassInfo info {"Te3CustomUnicodeEdit", &fw::TWinControl::StaticClass(), {}};
    return info;
}

Te3CustomUnicodeEdit::Te3CustomUnicodeEdit(fw::TComponent* owner, ControlLanguage language)
    : Te3Control(owner, language, EnabledRule::plain)
    , edit_(new UnicodeEditWidget(this))
{
    OwnWidget(edit_.data());
    SetTabStop(true);
    SetColor(fw::clWindow);
    SetBounds(0, 0, 121, 21);
    // A fixed-pitch font, so that codes typed into it line up.
    GetFont()->SetName("Courier New");
    ApplyHideSelection();
    SetMaxLength(0);
}

const fw::TEnumType EditCharCaseType {"TEditCharCase", {"ecNormal", "ecUpperCase", "ecLowerCase"}};

void Te3CustomUnicodeEdit::SetCharCase(TEditCharCase value)
{
    charCase_ = value;
    ApplyCharCase();
}

void Te3CustomUnicodeEdit::ApplyCharCase()
{
    if (!edit_)
        return;
    delete edit_->validator();
    if (charCase_ == ecNormal) {
        edit_->setValidator(nullptr);
        return;
    }
    edit_->setValidator(new CaseValidator(charCase_, edit_));
    const QString text = edit_->text();
    const QString converted = InCase(text, charCase_);
    if (converted != text)
        edit_->setText(converted);
}

void Te3CustomUnicodeEdit::SetHideSelection(bool value)
{
    hideSelection_ = value;
    ApplyHideSelection();
}

// Without the focus the selection is drawn in the colours of the text around
// it, or kept in the selection colours when it is not to hide.
void Te3CustomUnicodeEdit::ApplyHideSelection()
{
    if (!edit_)
        return;
    QPalette palette = edit_->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     hideSelection_ ? palette.color(QPalette::Inactive, QPalette::Base)
                                    : palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     hideSelection_ ? palette.color(QPalette::Inactive, QPalette::Text)
                                    : palette.color(QPalette::Active, QPalette::HighlightedText));
    edit_->setPalette(palette);
}

void Te3CustomUnicodeEdit::ApplyColor()
{
    fw::TWinControl::ApplyColor();
    ApplyHideSelection();
}

void Te3CustomUnicodeEdit::ApplyFont()
{
    fw::TWinControl::ApplyFont();
    if (GetAutoSize() && !HasState(fw::csLoading))
        AdjustAutoSize();
}

void Te3CustomUnicodeEdit::AdjustAutoSize()
{
    if (edit_)
        SetBounds(GetLeft(), GetTop(), GetWidth(), edit_->sizeHint().height());
}

Te3CustomUnicodeEdit::~Te3CustomUnicodeEdit()
{
    // The window lets go of the mask style before the style goes. It is cut
    // off first: the change of style reaches it while the control is going.
    if (edit_ && passwordStyle_) {
        edit_->Disown();
        edit_->setStyle(nullptr);
    }
}

QLineEdit* Te3CustomUnicodeEdit::LineEdit() const
{
    return edit_;
}

std::string Te3CustomUnicodeEdit::GetText() const
{
    return edit_->text().toStdString();
}

void Te3CustomUnicodeEdit::SetText(const std::string& text)
{
    const QString value = QString::fromStdString(text);
    if (value != edit_->text())
        edit_->setText(value);
}

void Te3CustomUnicodeEdit::TextChanged()
{
    if (OnChange)
        OnChange(this);
}

void Te3CustomUnicodeEdit::FocusIn(Qt::FocusReason reason)
{
    if (autoSelect_ && reason != Qt::MouseFocusReason)
        edit_->selectAll();
}

std::string Te3CustomUnicodeEdit::GetPasswordChar() const
{
    if (passwordChar_ == 0)
        return std::string();
    return QString(QChar(passwordChar_)).toStdString();
}

void Te3CustomUnicodeEdit::SetPasswordChar(const std::string& value)
{
    char16_t first = 0;
    if (!value.empty()) {
        const char32_t c = DecodeUtf8(value).front();
        // The mask is one UTF-16 unit; half of a surrogate pair would show as
        // garbage and read back as invalid text.
        first = c > 0xFFFF ? u'*' : static_cast<char16_t>(c);
    }
    if (first == passwordChar_)
        return;
    passwordChar_ = first;
    if (first == 0) {
        edit_->setEchoMode(QLineEdit::Normal);
        return;
    }
    if (!passwordStyle_) {
        passwordStyle_ = std::make_unique<PasswordCharStyle>();
        passwordStyle_->maskChar = first;
        edit_->setStyle(passwordStyle_.get());
    } else {
        passwordStyle_->maskChar = first;
        // The widget reads the mask character again on a style change.
        QEvent change(QEvent::StyleChange);
        QApplication::sendEvent(edit_, &change);
    }
    edit_->setEchoMode(QLineEdit::Password);
    edit_->update();
}

int32_t Te3CustomUnicodeEdit::GetSelStart() const
{
    return edit_->hasSelectedText() ? edit_->selectionStart() : edit_->cursorPosition();
}

void Te3CustomUnicodeEdit::SetSelStart(int32_t value)
{
    edit_->setCursorPosition(std::clamp<int32_t>(value, 0, static_cast<int32_t>(edit_->text().size())));
}

int32_t Te3CustomUnicodeEdit::GetSelLength() const
{
    return edit_->selectionLength();
}

void Te3CustomUnicodeEdit::SetSelLength(int32_t value)
{
    const int32_t start = GetSelStart();
    const int32_t room = static_cast<int32_t>(edit_->text().size()) - start;
    edit_->setSelection(start, std::clamp<int32_t>(value, 0, room));
}

std::string Te3CustomUnicodeEdit::GetSelText() const
{
    return edit_->text().mid(GetSelStart(), GetSelLength()).toStdString();
}

bool Te3CustomUnicodeEdit::GetReadOnly() const
{
    return edit_->isReadOnly();
}

void Te3CustomUnicodeEdit::SetReadOnly(bool value)
{
    edit_->setReadOnly(value);
}

void Te3CustomUnicodeEdit::SetMaxLength(int32_t value)
{
    maxLength_ = std::max<int32_t>(value, 0);
    // Qt's default limit of 32767 would cut longer texts set by the engine.
    edit_->setMaxLength(maxLength_ > 0 ? maxLength_ : std::numeric_limits<int>::max());
}

TEditBorderStyle Te3CustomUnicodeEdit::GetBorderStyle() const
{
    return edit_->hasFrame() ? bsSingle : bsNone;
}

void Te3CustomUnicodeEdit::SetBorderStyle(TEditBorderStyle value)
{
    edit_->setFrame(value == bsSingle);
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3UnicodeEdit::StaticClass()
{
    static const fw::TClassInfo info {"Te3UnicodeEdit", &Te3CustomUnicodeEdit::StaticClass(), {}};
    return info;
}

Te3UnicodeEdit::Te3UnicodeEdit(fw::TComponent* owner)
    : Te3CustomUnicodeEdit(owner, {{" TEXT HINT ", true}, &Te3UnicodeEdit::StaticClass})
{
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3_UnicodeEdit::StaticClass()
{
    using C = Te3_UnicodeEdit;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_UnicodeEdit",
        &Te3UnicodeEdit::StaticClass(),
        fw::TRows<Te3_UnicodeEdit> {
            fw::prop::String("PasswordChar", &C::GetPasswordChar, &C::SetPasswordChar),
            sp::Text(),
            sp::Anchors(),
            fw::prop::Boolean("AutoSelect", &C::GetAutoSelect, &C::SetAutoSelect),
            sp::AutoSize(),
            fw::prop::Enum("CharCase", EditCharCaseType, &C::GetCharCase, &C::SetCharCase),
            fw::prop::Boolean("HideSelection", &C::GetHideSelection, &C::SetHideSelection),
            sp::OEMConvert(),
            fw::prop::Enum("BorderStyle", EditBorderStyleType, &C::GetBorderStyle, &C::SetBorderStyle),
            sp::Color(),
            sp::Constraints(),
            sp::Enabled(),
            sp::Font(),
            fw::prop::Integer("MaxLength", &C::GetMaxLength, &C::SetMaxLength),
            sp::ParentColor(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            fw::prop::Boolean("ReadOnly", &C::GetReadOnly, &C::SetReadOnly),
            sp::ShowHint(),
            sp::BiDiMode(),
            sp::Ctl3D(),
            sp::DragCursor(),
            sp::BevelEdges(),
            sp::BevelInner(),
            sp::BevelOuter(),
            sp::BevelKind(),
            sp::DragKind(),
            sp::DragMode(),
            sp::ImeMode(),
            sp::ImeName(),
            sp::ParentBiDiMode(),
            sp::ParentCtl3D(),
            sp::PopupMenu(),
            sp::TabOrder(),
            sp::TabStop(),
            sp::Visible(),
            fw::prop::Event("OnChange", fw::NotifyEventType, &C::OnChange),
            sp::OnClick(),
            sp::OnDblClick(),
            sp::FocusEvents(),
            sp::KeyEvents(),
            sp::MouseEvents(),
            sp::OnContextPopup(),
            sp::DragEvents(),
            sp::DockEvents(),
        },
        fw::MakeFactory<Te3_UnicodeEdit>(),
    };
    return info;
}

EditCommandState Te3CustomUnicodeEdit::GetEditState() const
{
    // The window's own modified flag: set by typing, cleared by the menu's undo.
    return LineEditState(*edit_, edit_->isModified(), GetReadOnly());
}

void Te3CustomUnicodeEdit::EditUndo(bool forwards)
{
    LineEditUndo(*edit_, forwards);
}

void Te3CustomUnicodeEdit::SetEditModified(bool value)
{
    edit_->setModified(value);
}

void Te3CustomUnicodeEdit::EditCut()
{
    if (!GetReadOnly())
        edit_->cut();
}

void Te3CustomUnicodeEdit::EditCopy()
{
    edit_->copy();
}

void Te3CustomUnicodeEdit::EditPaste()
{
    if (!GetReadOnly())
        edit_->paste();
}

void Te3CustomUnicodeEdit::EditClear()
{
    if (!GetReadOnly() && edit_->hasSelectedText())
        edit_->del();
}

void Te3CustomUnicodeEdit::EditSelectAll()
{
    edit_->selectAll();
}

} // namespace e3
