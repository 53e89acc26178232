#include "e3/UnicodeLabel.h"

#include "e3/UnicodeText.h"
#include "framework/StandardProps.h"

namespace e3 {

const fw::TClassInfo& Te3CustomUnicodeLabel::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomUnicodeLabel", &Te3CustomLabel::StaticClass(), {}};
    return info;
}

void Te3CustomUnicodeLabel::SetWideCaption(const std::string& text)
{
    fw::TControl::SetText(text);
    TextChanged();
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3UnicodeLabel::StaticClass()
{
    using C = Te3UnicodeLabel;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3UnicodeLabel",
        &Te3CustomUnicodeLabel::StaticClass(),
        {
            fw::prop::String("UnicodeCaption", &C::GetUnicodeCaption, &C::SetUnicodeCaption),
            sp::Color(),
            sp::Font(),
            fw::prop::Boolean("Transparent", &C::GetTransparent, &C::SetTransparent),
            sp::Visible(),
            fw::prop::Boolean("WordWrap", &C::GetWordWrap, &C::SetWordWrap),
        },
    };
    return info;
}

bool Te3UnicodeLabel::IsTranslatable(const std::string& propName) const
{
    return WordListHasWord(" UNICODECAPTION HINT ", propName);
}

const fw::TClassInfo& Te3UnicodeLabel::GetLanguageClass() const
{
    return Te3UnicodeLabel::StaticClass();
}

std::string Te3UnicodeLabel::GetUnicodeCaption() const
{
    return TextToUnicodeCaption(GetWideCaption());
}

void Te3UnicodeLabel::SetUnicodeCaption(const std::string& value)
{
    SetWideCaption(UnicodeCaptionToText(value));
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3_UnicodeLabel::StaticClass()
{
    using C = Te3_UnicodeLabel;
    namespace sp = fw::std_props;
    static const fw::TClassInfo info {
        "Te3_UnicodeLabel",
        &Te3UnicodeLabel::StaticClass(),
        {
            sp::Align(),
            fw::prop::Enum("Alignment", AlignmentType, &C::GetAlignment, &C::SetAlignment),
            sp::Anchors(),
            sp::AutoSize(),
            sp::Constraints(),
            sp::Enabled(),
            sp::Parent(),
            sp::ParentColor(),
            sp::ParentFont(),
            sp::ParentShowHint(),
            fw::prop::Boolean("ShowAccelChar", &C::GetShowAccelChar, &C::SetShowAccelChar),
            sp::ShowHint(),
            fw::prop::Enum("Layout", TextLayoutType, &C::GetLayout, &C::SetLayout),
            fw::prop::Enum("LabelLayout", TextLayoutType, &C::GetLayout, &C::SetLayout),
            sp::OnClick(),
            fw::prop::Event("OnContextPopup", fw::ContextPopupEventType, &C::OnContextPopup),
            sp::OnDblClick(),
            sp::OnMouseDown(),
            sp::OnMouseMove(),
            sp::OnMouseUp(),
            fw::prop::Event("OnMouseEnter", fw::NotifyEventType, &C::OnMouseEnter),
            fw::prop::Event("OnMouseLeave", fw::NotifyEventType, &C::OnMouseLeave),
        },
        fw::MakeFactory<Te3_UnicodeLabel>(),
    };
    return info;
}

} // namespace e3
