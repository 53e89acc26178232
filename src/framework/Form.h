#pragma once
// Top-level forms: shown modeless or modal. A modal form disables only the
// windows that exist when it opens, so that a progress form opened later stays
// usable; Qt's window modality would block those too.
#include "framework/Control.h"

#include <QEventLoop>
#include <QPointer>

namespace fw {

enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
                 poMainFormCenter, poOwnerFormCenter };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = uint32_t; // bit (1 << TBorderIcon)
constexpr TBorderIcons DefaultBorderIcons = (1u << biSystemMenu) | (1u << biMinimize) | (1u << biMaximize);
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
extern const TEnumType BorderStyleType;
extern const TEnumType PositionType;
extern const TEnumType FormStyleType;
extern const TEnumType BorderIconType;
extern const TEnumType WindowStateType;

// The help command that asks for a help topic by its context number.
constexpr uint16_t HelpContextCommand = 1;

using TModalResult = int32_t;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
                       mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10;

class TCustomForm : public TWinControl {
    FW_CLASS()
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;

    std::string GetCaption() const { return GetText(); }
    void SetCaption(const std::string& caption) { SetText(caption); }
    void SetText(const std::string& text) override;

    // Width and Height are the outer size, as the engine lays forms out;
    // ClientWidth and ClientHeight the inner one.
    int32_t ClientWidth() const override;
    int32_t ClientHeight() const override;
    void SetClientWidth(int32_t v);
    void SetClientHeight(int32_t v);
    int32_t GetClientWidth() const { return ClientWidth(); }
    int32_t GetClientHeight() const { return ClientHeight(); }

    // A window menu bar sits above the client area: the children are laid out
    // below it, and the client height leaves it out, as on a window with a
    // menu. nullptr takes it away.
    void SetMenuBar(QWidget* bar);
    QWidget* MenuBar() const { return menuBar_; }
    // The menu bar's height changed (its items take more or fewer lines):
    // the client area gives or takes the difference.
    void MenuBarResized();
    QWidget* ClientWidget() const override;

    TBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    // The title-bar buttons the window offers.
    TBorderIcons GetBorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons icons);
    // A form that stays on top keeps above the other windows; the
    // window-in-window styles lay the form out as a normal one.
    TFormStyle GetFormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle style);
    // A band of this many pixels inside the frame that the client area leaves out.
    int32_t GetBorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int32_t width);
    // Normal, minimised or maximised; taken by the window when it shows.
    TWindowState GetWindowState() const;
    void SetWindowState(TWindowState state);
    // The control that has (or gets, when the form shows) the focus.
    TWinControl* GetActiveControl() const;
    void SetActiveControl(TWinControl* control);
    // F1 while control has the focus: the help context of the control or of
    // its nearest parent that has one goes to OnHelp; false when none has one.
    bool ContextHelp(TControl* control);
    TPosition GetPosition() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    bool GetKeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool value) { keyPreview_ = value; }
    bool GetScaled() const { return scaled_; }
    void SetScaled(bool value) { scaled_ = value; }

    void SetVisible(bool visible) override;
    void Show();
    void Hide();
    // Runs a modal loop until ModalResult is set; returns it.
    virtual TModalResult ShowModal();
    bool IsModal() const { return modalLoop_ != nullptr; }
    // How many modal loops run at this moment, nested.
    static int ModalDepth();
    TModalResult GetModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result);
    // Asks OnCloseQuery, then OnClose; hides or frees as the action says.
    void Close();
    virtual bool CloseQuery();

    // Every form that exists, in creation order (the screen's list).
    static const std::vector<TCustomForm*>& AllForms();
    // The application's main form: the first engine form created.
    static TCustomForm* MainForm();
    static void SetMainForm(TCustomForm* form);

    TNotifyEvent OnShow, OnHide, OnCreate, OnDestroy, OnActivate, OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    // After the client area was painted (once for a run of paints).
    TNotifyEvent OnPaint;
    THelpEvent OnHelp;

protected:
    virtual void DoClose(TCloseAction& action);
    void ApplyVisible();
    void ApplyGeometry() override;
    void Detach() override;
    // Places area below the menu bar as the client area; the children move to
    // content (area itself, or a widget inside it, say a scroll area's).
    void SetClientArea(QWidget* area, QWidget* content);

private:
    class WindowBridge;
    class PaintWatch;
    int32_t FrameWidth() const;
    int32_t FrameHeight() const;
    int32_t MenuBarHeight() const;
    void EnsureClientArea();
    void ApplyWindowFlags();
    void PaintDone();

    TBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_ = DefaultBorderIcons;
    TFormStyle formStyle_ = fsNormal;
    int32_t borderWidth_ = 0;
    TWindowState windowState_ = wsNormal;
    Guard<TWinControl> activeControl_;
    PaintWatch* paintWatch_ = nullptr;
    bool paintPending_ = false;
    TPosition position_ = poDesigned;
    bool keyPreview_ = false;
    bool scaled_ = true;
    TModalResult modalResult_ = mrNone;
    bool closeAsked_ = false;
    TCloseAction askedAction_ = caHide;
    QEventLoop* modalLoop_ = nullptr;
    WindowBridge* bridge_ = nullptr;
    QPointer<QWidget> menuBar_;
    // The bar height the window was last laid out with.
    int32_t laidOutBarHeight_ = 0;
    QPointer<QWidget> clientArea_;
    QPointer<QWidget> clientContent_;
};

} // namespace fw
