#pragma once
// What every engine-driven control shares: the translation interface, the
// Enabled and LockedEdit cascades between containers and their children, the
// disabled colour and the mandatory-field marker.
//
// The cascades talk to neighbours only through published names ("Enabling",
// "LockedEdit"), because a container cannot know which of its children are
// ours and a child cannot know which kind of container holds it.
#include "framework/Control.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <vector>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace e3 {

// Asked by the translation layer which properties carry text to translate.
class ITranslatableControl {
public:
    virtual ~ITranslatableControl() = default;
    virtual bool IsTranslatable(const std::string& propName) const = 0;
    // The family's design class.
    virtual const fw::TClassInfo& GetLanguageClass() const = 0;
};

// The upper-cased name occurs anywhere in the word list ("ITEMS" is found in
// "CAPTION HINT ITEMSSTRING"). An empty name names no property and is never
// translatable, whatever the list.
bool WordListContains(std::string_view wordList, const std::string& propName);
// The upper-cased name, padded with one blank on each side, occurs in the word
// list; the list is written with blanks around every word (" TEXT HINT ").
bool WordListHasWord(std::string_view wordList, const std::string& propName);

// A published Boolean read by name; nothing when the object does not publish a
// readable property of that name.
std::optional<bool> ReadPublishedBool(fw::TObject& object, const std::string& name);
// Writes a published Boolean by name; false when there is no writable one.
bool WritePublishedBool(fw::TObject& object, const std::string& name, bool value);

// A published Boolean of one fixed name, looked up once per class. A cascade
// asks every child, or every child's parent, the same question; class tables
// never change and live as long as the program, so the answer for a class can
// be kept. Reads and writes behave as ReadPublishedBool and WritePublishedBool.
class PublishedBool {
public:
    explicit PublishedBool(std::string name) : name_(std::move(name)) {}
    std::optional<bool> Read(fw::TObject& object) const;
    bool Write(fw::TObject& object, bool value) const;

private:
    const fw::TPropInfo* Find(const fw::TClassInfo& cls) const;

    std::string name_;
    mutable const fw::TClassInfo* lastClass_ = nullptr;
    mutable const fw::TPropInfo* lastProperty_ = nullptr;
    mutable std::unordered_map<const fw::TClassInfo*, const fw::TPropInfo*> byClass_;
};

// Whether a class is or derives from the class of one fixed name, kept per
// class for the same reason.
class InheritsFromNamed {
public:
    explicit InheritsFromNamed(std::string name) : name_(std::move(name)) {}
    bool operator()(const fw::TClassInfo& cls) const;

private:
    std::string name_;
    mutable const fw::TClassInfo* lastClass_ = nullptr;
    mutable bool lastAnswer_ = false;
    mutable std::unordered_map<const fw::TClassInfo*, bool> byClass_;
};

// The child side of the Enabled cascade. A change is the control's own wish
// unless its parent is passing a change down (the parent's "Enabling" reads
// True); the wish is kept so that enabling the container again restores only
// the children that want it.
class EnabledWish {
public:
    bool Wish() const { return wish_; }

    // Records the wish and tells whether the change is to be applied. A change
    // to False always is; a change to True only when the parent does not take
    // part in the cascade, or is enabled while the wish is True. refuseEnable
    // is for families that stay disabled while locked.
    bool Decide(const fw::TControl& control, bool value, bool refuseEnable = false);
    // Whether a change to `value` comes from the control's own side.
    static bool IsOwnChange(const fw::TControl& control);

private:
    bool wish_ = true;
};

// The container side of both cascades, for panels, scroll boxes, group boxes
// and the like. The container publishes Enabling (read-only) and LockedEdit,
// and calls these from its own SetEnabled and LockedEdit setter.
class ContainerCascade {
public:
    bool Enabling() const { return enabling_; }
    bool LockedEdit() const { return lockedEdit_; }
    bool Wish() const { return wish_.Wish(); }

    // setOwnEnabled is the framework's setter of the container itself.
    // Children for which skipChild answers true are left to whoever passes
    // the change on to them (the edit part of a combo box, say).
    template <class SetOwn, class Skip = bool (*)(const fw::TControl&)>
    void SetEnabled(fw::TWinControl& self, bool value, SetOwn setOwnEnabled, Skip skipChild = &SkipNone);
    // Sets LockedEdit by name on every child that publishes it.
    void SetLockedEdit(fw::TWinControl& self, bool value,
                       const std::function<bool(const fw::TControl&)>& skipChild = nullptr);

    // True while the pass of widget's parent container runs and that pass
    // changed the container's own Qt state: Qt has then already changed the
    // state of the widget along with it, and asked it to repaint.
    static bool QtPassedOnTo(const QWidget& widget)
    {
        return qtPassing_ && widget.parentWidget() == qtPassing_;
    }

private:
    static inline thread_local const QWidget* qtPassing_ = nullptr;

    static bool SkipNone(const fw::TControl&) { return false; }

    class EnablingScope {
    public:
        explicit EnablingScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
        ~EnablingScope() { flag_ = old_; }
        EnablingScope(const EnablingScope&) = delete;
        EnablingScope& operator=(const EnablingScope&) = delete;

    private:
        bool& flag_;
        bool old_;
    };

    EnabledWish wish_;
    bool enabling_ = false;
    bool lockedEdit_ = false;
};

template <class SetOwn, class Skip>
void ContainerCascade::SetEnabled(fw::TWinControl& self, bool value, SetOwn setOwnEnabled, Skip skipChild)
{
    if (!self.Parent()) {
        setOwnEnabled(value);
        return;
    }
    EnablingScope scope(enabling_);
    if (!wish_.Decide(self, value))
        return;
    const QWidget* widget = self.Widget();
    const bool shownEnabled = widget && widget->isEnabled();
    setOwnEnabled(value);
    const QWidget* outerPassing = qtPassing_;
    qtPassing_ = widget && widget->isEnabled() != shownEnabled ? widget : nullptr;
    struct Restore {
        const QWidget* old;
        ~Restore() { qtPassing_ = old; }
    } restore {outerPassing};
    for (fw::TControl* child : std::vector<fw::TControl*>(self.ChildControls()))
        if (!skipChild(*child))
            child->SetEnabled(value);
}

// The colours of a control that shows itself differently while disabled or
// read-only: DisabledColor (clBtnFace by default) and the normal colour that
// comes back when the control is enabled and editable again.
struct ColorContract {
    fw::TColor disabledColor = fw::clBtnFace;
    fw::TColor normalColor = fw::clWindow;
    // Set while the control's own SetEnabled runs, so that the colour it sets
    // there is not taken for a new normal colour.
    bool inSetEnabled = false;
};

// The colour SetEnabled leaves on a control with a parent: DisabledColor when
// it is disabled (not while it is loaded or designed), the normal colour when
// the enabling took effect and the control is editable.
void ShowEnabledColor(fw::TControl& control, const ColorContract& colors, bool value, bool applied, bool readOnly);
// Once its description is read, a disabled control shows DisabledColor: while
// it was loading, SetEnabled left its colour alone.
void ShowLoadedColor(fw::TControl& control, const ColorContract& colors);

// A new DisabledColor shows at once on a disabled or read-only control.
void ChangeDisabledColor(fw::TControl& control, ColorContract& colors, fw::TColor value, bool readOnly);

// The colour after ReadOnly switched (not while designed): DisabledColor while
// read-only, keeping the colour it had as the normal one, and the normal colour
// back once editable. A disabled or locked control already shows DisabledColor.
void ShowReadOnlyColor(fw::TControl& control, ColorContract& colors, bool readOnly, bool locked);

// ReadOnly of an edit control under LockedEdit: the lock holds the control
// read-only and keeps the ReadOnly the engine asks for meanwhile, which comes
// back at the unlock. `switchReadOnly` changes the control's own read-only
// state; it runs before the lock is noted and after it is lifted, so that it
// sees the control unlocked.
class ReadOnlyLock {
public:
    bool Locked() const { return locked_; }

    template <class Switch>
    void SetReadOnly(bool value, Switch switchReadOnly)
    {
        wish_ = value;
        if (!value && locked_)
            return;
        switchReadOnly(value);
    }

    template <class Switch>
    void SetLocked(bool value, Switch switchReadOnly)
    {
        if (value == locked_)
            return;
        if (value) {
            switchReadOnly(true);
            locked_ = true;
        } else {
            locked_ = false;
            switchReadOnly(wish_);
        }
    }

private:
    bool locked_ = false;
    bool wish_ = false;
};

// The three corners of the marker triangle in the top-right corner. The
// families differ only in how far the triangle stands in from the right edge
// and how far it is moved down from the bevel.
struct MarkerPlacement {
    int rightInset = 4;
    int topOffset = -1;
};
// Where the edit and the memo put it: further in under a sunken 3D border
// than under a flat one.
inline MarkerPlacement EditMarkerPlacement(bool ctl3D, int extraInset = 0)
{
    return ctl3D ? MarkerPlacement {4 + extraInset, -1} : MarkerPlacement {1 + extraInset, 0};
}
std::array<QPoint, 3> MarkerCorners(int controlWidth, int bevelWidth, int markerWidth, int markerHeight,
                                    MarkerPlacement placement);

inline constexpr fw::TColor MarkerDisabledColor = 8421504; // grey

// The mandatory-field marker, drawn over the control after it painted itself:
// a child widget covering the control that lets the mouse through.
class MandatoryMarker : public QWidget {
public:
    explicit MandatoryMarker(QWidget* control);

    bool GetShow() const { return show_; }
    void SetShow(bool value);
    int32_t GetWidth() const { return width_; }
    void SetWidth(int32_t value);
    int32_t GetHeight() const { return height_; }
    void SetHeight(int32_t value);
    fw::TColor GetColor() const { return color_; }
    void SetColor(fw::TColor value);

    // The control's state as far as the marker cares.
    void SetControlState(bool hasParent, bool enabled);
    void SetPlacement(int bevelWidth, MarkerPlacement placement);

    // What is drawn now: nothing when hidden, else the triangle in its colour.
    bool IsDrawn() const { return show_ && hasParent_; }
    fw::TColor DrawnColor() const { return enabled_ ? color_ : MarkerDisabledColor; }
    std::array<QPoint, 3> Corners() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Refresh();

    bool show_ = false;
    int32_t width_ = 5;
    int32_t height_ = 5;
    fw::TColor color_ = fw::clRed;
    bool hasParent_ = false;
    bool enabled_ = true;
    int bevelWidth_ = 1;
    MarkerPlacement placement_;
};

// The marker's settings, with the overlay widget made only once there is a
// triangle to draw or someone asks for the widget: most controls never show a
// marker, and one more widget per control is a large share of building a form.
class LazyMandatoryMarker {
public:
    LazyMandatoryMarker(QWidget* control, int bevelWidth, MarkerPlacement placement);

    bool GetShow() const { return show_; }
    void SetShow(bool value);
    int32_t GetWidth() const { return width_; }
    void SetWidth(int32_t value);
    int32_t GetHeight() const { return height_; }
    void SetHeight(int32_t value);
    fw::TColor GetColor() const { return color_; }
    void SetColor(fw::TColor value);
    void SetControlState(bool hasParent, bool enabled);
    void SetPlacement(MarkerPlacement placement);

    // The overlay, made now if there is none yet.
    MandatoryMarker& Widget() const;

private:
    void MakeWhenDrawn();

    QPointer<QWidget> control_;
    mutable QPointer<MandatoryMarker> widget_;
    bool show_ = false;
    int32_t width_ = 5;
    int32_t height_ = 5;
    fw::TColor color_ = fw::clRed;
    bool hasParent_ = false;
    bool enabled_ = true;
    int bevelWidth_;
    MarkerPlacement placement_;
};

} // namespace e3
