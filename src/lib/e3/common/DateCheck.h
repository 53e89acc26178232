#pragma once
// A control whose text must be a real date before its form carries out a
// command or closes.

namespace e3 {

class IDateCheck {
public:
    virtual ~IDateCheck() = default;
    // False when the text is no date the control can keep; with showMessage
    // the user is told why, and the control keeps the focus.
    virtual bool CheckDate(bool showMessage) = 0;
};

} // namespace e3
