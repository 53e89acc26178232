#pragma once
// Which texts of a form the local dictionary translates, and the base form
// that translates itself and everything on it once, when it is created.
#include "e3/common/Contract.h"
#include "framework/Form.h"

#include <string>
#include <utility>
#include <vector>

namespace multilang {

// Whether the property carries translatable text: the control says so itself,
// and menu items translate their caption and hint.
bool IsTranslatable(const fw::TComponent& component, const std::string& propName);

// The names from a form down to a component, joined with "." as delimited
// text: an element with a blank, a control character, a double quote or a
// "." is quoted, and a path of one empty name is written as two quotes.
std::string JoinKeyPath(const std::vector<std::string>& path);

class TMLForm : public fw::TCustomForm, public e3::ITranslatableControl {
    FW_CLASS()
public:
    // A derived form builds its controls in its own constructor; only then can
    // its texts be translated, so forms are made through here.
    template <class Form, class... Args>
    static Form* Create(Args&&... args)
    {
        Form* form = new Form(std::forward<Args>(args)...);
        try {
            form->TranslateComponent(form, nullptr);
        } catch (...) {
            delete form;
            throw;
        }
        return form;
    }

    bool IsTranslatable(const std::string& propName) const override;
    const fw::TClassInfo& GetLanguageClass() const override;

    // Translates component and everything below it in the current language;
    // path holds the names above it, or is null to start a new path.
    void TranslateComponent(fw::TComponent* component, std::vector<std::string>* path);

protected:
    explicit TMLForm(fw::TComponent* owner) : fw::TCustomForm(owner) {}
};

} // namespace multilang
