#pragma once
// The client's own modal message: one button per caption the caller passes,
// an optional check box, Ctrl+C copies the whole message. Laid out at run time
// from the text and the captions; the form is dragged by any point of its
// surface. Running the dialog goes through a seam so that tests answer it.
#include "framework/Form.h"

#include <QRect>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QScrollArea;
class QToolButton;

namespace client {

// The longest prefix of text (whole characters) whose width is at most
// maxWidth; empty when not even one character fits.
QString FitTextToWidth(const QString& text, int maxWidth, const std::function<int(const QString&)>& width);

// What the layout needs to know about fonts and the screen.
struct MessageLayoutInput {
    std::string text;
    std::vector<std::string> captions;
    std::string checkCaption;
    int avgCharWidth = 6;   // width of "A".."Z","a".."z" divided by 52
    int charHeight = 13;
    int screenWidth = 1024;
    int screenHeight = 768;
    int frameWidth = 0;     // outer size minus client size
    int frameHeight = 0;
    int checkBoxHeight = 17;
    int scrollBarWidth = 17;
    std::function<int(const QString&)> textWidth;                 // one line
    std::function<QSize(const QString&, int width)> wrappedSize;  // word-wrapped, tabs expanded
};

struct MessageLayout {
    struct Button {
        QRect rect;
        std::string caption; // as shown, cut with "..." when too wide
        std::string hint;    // the full caption when cut
    };
    int clientWidth = 0;
    int clientHeight = 0;
    QPoint position;     // of the outer frame, centred on the screen
    QRect label;         // in the form, or in the scroll box when it scrolls
    bool scrolls = false;
    QRect scrollBox;
    QRect checkBox;      // empty without a check caption
    std::string checkHint;
    std::vector<Button> buttons;
};

MessageLayout LayoutMessageForm(const MessageLayoutInput& in);

// The framed text Ctrl+C puts on the clipboard.
std::string BuildClipboardText(const std::string& caption, const std::string& message,
                               const std::vector<std::string>& buttonCaptions);

class TMessageForm : public fw::TCustomForm {
    FW_CLASS()
public:
    explicit TMessageForm(fw::TComponent* owner);

    int ResultIndex() const { return result_; }
    bool CheckState() const { return checked_; }

    void ApplyLanguageFont();
    // Ctrl+C copies the message; Escape presses the cancel button.
    void HandleKeyDown(uint16_t& key, fw::TShiftState shift);
    // A button with that tag was pressed: it is the result; the form closes.
    void ButtonClick(int tag);
    void CheckBoxClick();
    std::string BuildClipboardText() const;
    // Raises "Cannot open clipboard" when there is no clipboard.
    void CopyTextToClipboard();

    QLabel* MessageLabel() const { return label_; }
    QCheckBox* CheckBox() const { return checkBox_; }
    QScrollArea* ScrollBox() const { return scrollBox_; }
    const std::vector<QToolButton*>& Buttons() const { return buttons_; }
    QToolButton* CancelButton() const { return cancelButton_; }

private:
    friend TMessageForm* CreateMessageForm(const std::string&, const std::vector<std::string>&, const std::string&);

    QToolButton* cancelButton_ = nullptr;
    int result_ = -1;
    bool checked_ = false;
    QLabel* label_ = nullptr;
    QCheckBox* checkBox_ = nullptr;
    QScrollArea* scrollBox_ = nullptr;
    std::vector<QToolButton*> buttons_;
};

// Builds the dialog (not shown); the caller owns it.
TMessageForm* CreateMessageForm(const std::string& text, const std::vector<std::string>& buttons,
                                const std::string& checkCaption);

// Runs a built dialog and makes the noises it makes: the GUI shows it modally,
// tests install an answerer that presses its buttons.
class MessageDialogSeam {
public:
    virtual ~MessageDialogSeam() = default;
    // Returns when the dialog has closed.
    virtual void Run(TMessageForm& form) = 0;
    virtual void Beep() = 0;
};
MessageDialogSeam& CurrentMessageDialogSeam();
// Installs a seam (not owned); nullptr restores the modal one.
void SetMessageDialogSeam(MessageDialogSeam* seam);

// Shows the dialog centred, stay-on-top, titled caption; the index of the
// pressed button from 0, or -1 when it was closed another way.
int ExecuteMessageForm(const std::string& caption, const std::string& text, const std::vector<std::string>& buttons,
                       const std::string& checkCaption, bool* checked);
int MessageDialog(const std::string& caption, const std::string& text, const std::vector<std::string>& buttons);
// The check box starts unchecked; checked receives its state at the end.
int MessageDialogCheck(const std::string& caption, const std::string& text, const std::string& checkCaption,
                       bool& checked, const std::vector<std::string>& buttons);
// The position arguments have no effect: the dialog is always centred.
int MessageDialogPos(int, int, int, int, int, const std::string& caption, const std::string& text,
                     const std::vector<std::string>& buttons);

// Gives the form and its child controls the default character set, and its
// windowed children the font size of the application's main form.
void ApplyDialogFont(fw::TCustomForm& form);

// Lets the user drag a window by any point that no child widget takes the
// mouse on, as if it were the window's title bar.
void DragBySurface(fw::TCustomForm& form);

} // namespace client
