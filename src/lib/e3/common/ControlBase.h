#pragma once
// The base every control family builds on.
//
//   class Te3CustomFoo : public Te3Control<fw::TWinControl> {
//       FW_CLASS()
//   public:
//       explicit Te3CustomFoo(fw::TComponent* owner);
//   };
//
//   Te3CustomFoo::Te3CustomFoo(fw::TComponent* owner)
//       : Te3Control(owner, {kCaptionHintWords, &Te3Foo::StaticClass})
//       , foo_(new FooWidget(this))
//   {
//       OwnWidget(foo_);
//   }
//
// What it does for the family:
// - the translation interface, answered from data: the family's word list
//   (WordList) and its design class (ControlLanguage);
// - the window: OwnWidget makes an OwnedWidget the control's window and the
//   base disowns it when the control goes, before the framework deletes child
//   controls and the window; the family writes no destructor for it;
// - the enabled wish: SetEnabled records the engine's wish and applies the
//   change as EnabledWish decides (EnabledRule::plain: every change applies);
//   a family that stays disabled while locked answers EnableRefused(), a
//   family with more to do on Enabled overrides SetEnabled and asks
//   DecideEnabled(); containers keep theirs in ContainerCascade.
// Controls that are not framework controls (menus) take ControlLanguage alone
// through TranslatableControl.
//
// The class has no class table of its own: a family's table names the
// framework class it builds on as its parent, as before.
#include "e3/common/Contract.h"
#include "e3/common/OwnedWidget.h"

#include <string>
#include <string_view>
#include <type_traits>

namespace e3 {

// The words whose properties carry text to translate. The upper-cased property
// name is looked up in the list: anywhere in it (so "ITEMS" is found in
// "CAPTION HINT ITEMSSTRING"), or, for a whole-word list, padded with one
// blank on each side. An empty name is never translatable.
struct WordList {
    std::string_view words;
    bool wholeWord = false;

    bool Contains(const std::string& propName) const;
};

inline constexpr WordList kNoWords {};
inline constexpr WordList kHintWords {"HINT"};
inline constexpr WordList kCaptionHintWords {"CAPTION HINT"};

// What the translation layer asks of a family.
struct ControlLanguage {
    WordList words;
    // The family's design class.
    const fw::TClassInfo& (*designClass)();
};

class TranslatableControl : public ITranslatableControl {
public:
    explicit TranslatableControl(ControlLanguage language) : language_(language) {}

    bool IsTranslatable(const std::string& propName) const override { return language_.words.Contains(propName); }
    const fw::TClassInfo& GetLanguageClass() const override { return language_.designClass(); }

private:
    ControlLanguage language_;
};

// Whether the control keeps the engine's enabled wish (EnabledWish) or takes
// every change of Enabled as it comes.
enum class EnabledRule { wish, plain };

template <class FwBase>
class Te3Control : public FwBase, public TranslatableControl {
    static_assert(std::is_base_of_v<fw::TControl, FwBase>);

public:
    // The wish is set only by SetEnabled, so that a container's pass can tell
    // it from its own changes.
    bool EnabledWishValue() const { return wish_.Wish(); }

    void SetEnabled(bool value) override
    {
        if (rule_ == EnabledRule::plain || DecideEnabled(value, EnableRefused()))
            FwBase::SetEnabled(value);
    }

protected:
    Te3Control(fw::TComponent* owner, ControlLanguage language, EnabledRule rule = EnabledRule::wish)
        : FwBase(owner)
        , TranslatableControl(language)
        , rule_(rule)
    {
    }

    ~Te3Control() override
    {
        if (owned_)
            owned_->Disown();
    }

    // Makes `widget` the control's window, owned by the control from now on.
    template <class Widget>
    Widget* OwnWidget(Widget* widget)
    {
        static_assert(std::is_base_of_v<DisownableWidget, Widget>);
        owned_ = widget;
        this->SetWidget(widget);
        return widget;
    }

    // Records the wish; whether the change is to be applied.
    bool DecideEnabled(bool value, bool refuseEnable = false) { return wish_.Decide(*this, value, refuseEnable); }
    // True while the control refuses to be enabled (a lock holds it disabled).
    virtual bool EnableRefused() const { return false; }

    EnabledWish wish_;

private:
    EnabledRule rule_;
    DisownableWidget* owned_ = nullptr;
};

} // namespace e3
