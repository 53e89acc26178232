#include "e3/display/UnicodeLabel.h"

#include "e3/common/UnicodeText.h"
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
        fw::TRows<Te3UnicodeLabel> {
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

Te3UnicodeLabel::Te3UnicodeLabel(fw::TComponent* owner)
    : Te3Control(owner, {{" UNICODECAPTION HINT ", true}, &Te3UnicodeLabel::StaticClass}, EnabledRule::plain)
{
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
    // The engine class publishes what the plain label's engine class does.
    static const fw::TClassInfo info {"Te3_UnicodeLabel", &Te3UnicodeLabel::StaticClass(), LabelEngineProperties(),
                                      fw::MakeFactory<Te3_UnicodeLabel>()};
    return info;
}

} // namespace e3
