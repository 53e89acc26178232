#pragma once
// A label whose caption the engine sends as Base64 of UTF-8 (UnicodeCaption),
// so that it reaches the form intact whatever code page the link uses. It is
// drawn whole: Scale does not shorten it, and it keeps out of the Enabled
// cascade.
#include "e3/display/Label.h"

#include <string>

namespace e3 {

class Te3CustomUnicodeLabel : public Te3CustomLabel {
    FW_CLASS()
public:
    using Te3CustomLabel::Te3CustomLabel;

    std::string GetWideCaption() const { return GetText(); }
    // Stores the caption, re-measures (AutoSize) and repaints.
    void SetWideCaption(const std::string& text);

    std::string ShownText() const override { return GetText(); }
};

class Te3UnicodeLabel : public Te3Control<Te3CustomUnicodeLabel> {
    FW_CLASS()
public:
    explicit Te3UnicodeLabel(fw::TComponent* owner);

    // Base64 of the caption's UTF-8 bytes.
    std::string GetUnicodeCaption() const;
    // Text that is not Base64 of UTF-8 empties the caption.
    void SetUnicodeCaption(const std::string& value);
};

class Te3_UnicodeLabel : public Te3UnicodeLabel {
    FW_CLASS()
public:
    using Te3UnicodeLabel::Te3UnicodeLabel;
};

} // namespace e3
