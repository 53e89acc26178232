#pragma once
// Actions and image lists. An action holds a command's caption, state and
// handler in one place; controls and menu items linked to it through their
// Action property follow its changes and run it when clicked. An image list
// keeps pictures of one size that actions and menus name by index.
#include "framework/Component.h"
#include "framework/Events.h"
#include "framework/Graphics.h"

#include <QImage>

#include <functional>
#include <memory>
#include <vector>

namespace fw {

class TCustomImageList : public TComponent {
    FW_CLASS()
public:
    explicit TCustomImageList(TComponent* owner);

    int32_t GetWidth() const { return width_; }
    int32_t GetHeight() const { return height_; }
    // A new size empties the list: its pictures were cut to the old one.
    void SetWidth(int32_t value);
    void SetHeight(int32_t value);
    int32_t GetCount() const { return static_cast<int32_t>(images_.size()); }

    // Appends the picture, cut or extended at the right and bottom to the
    // list's size (never scaled); returns its index.
    int32_t Add(const QImage& image);
    // As Add; pixels of the colour transparent become see-through.
    int32_t AddMasked(const QImage& image, TColor transparent);
    // A null image for an index outside the list.
    QImage GetImage(int32_t index) const;
    void Delete(int32_t index);
    void Clear();

    TNotifyEvent OnChange;

private:
    QImage Fitted(const QImage& image) const;
    void Changed();

    int32_t width_ = 16;
    int32_t height_ = 16;
    std::vector<QImage> images_;
};

class TImageList : public TCustomImageList {
    FW_CLASS()
public:
    using TCustomImageList::TCustomImageList;
};

class TBasicAction;

// The tie of one client (a control or a menu item) to its action. The client
// owns the link; the action tells every link of each change and forgets them
// when it is freed.
class TActionLink {
public:
    // changed(action, checkDefaults) brings the client up to the action's
    // state; with checkDefaults only what the client still has at its default
    // changes.
    using Changed = std::function<void(TBasicAction* action, bool checkDefaults)>;
    explicit TActionLink(Changed changed);
    ~TActionLink();
    TActionLink(const TActionLink&) = delete;
    TActionLink& operator=(const TActionLink&) = delete;

    // Null once the action is freed (or released to be freed).
    TBasicAction* Action() const;
    void SetAction(TBasicAction* action);
    // Runs the action for target; false when there is none or it did nothing.
    bool Execute(TComponent* target);

    // A client's link: made on the first action, dropped with nullptr.
    static void Link(std::unique_ptr<TActionLink>& link, TBasicAction* action, Changed changed);
    static TBasicAction* Linked(const std::unique_ptr<TActionLink>& link) { return link ? link->Action() : nullptr; }

private:
    friend class TBasicAction;
    void Notify(bool checkDefaults);

    TBasicAction* action_ = nullptr;
    Changed changed_;
};

class TBasicAction : public TComponent {
    FW_CLASS()
public:
    explicit TBasicAction(TComponent* owner);
    ~TBasicAction() override;

    // Runs OnExecute; false when there is no handler.
    virtual bool Execute();
    // Runs OnUpdate; false when there is no handler.
    bool Update();
    // The component that ran the action last (the clicked control).
    TComponent* ActionComponent() const { return actionComponent_.get(); }
    void SetActionComponent(TComponent* c) { actionComponent_ = c; }

    TNotifyEvent OnExecute, OnUpdate;

    // Tells every linked client of a change.
    void Change();

private:
    friend class TActionLink;
    std::vector<TActionLink*> links_;
    Guard<TComponent> actionComponent_;
};

class TActionList;

class TCustomAction : public TBasicAction {
    FW_CLASS()
public:
    explicit TCustomAction(TComponent* owner);
    ~TCustomAction() override;

    std::string GetCaption() const { return caption_; }
    void SetCaption(const std::string& value) { Update(caption_, value); }
    bool GetChecked() const { return checked_; }
    // Checking an action of a group (GroupIndex above 0) unchecks the other
    // actions of its list in that group.
    void SetChecked(bool value);
    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool value) { Update(enabled_, value); }
    bool GetVisible() const { return visible_; }
    void SetVisible(bool value) { Update(visible_, value); }
    std::string GetHint() const { return hint_; }
    void SetHint(const std::string& value) { Update(hint_, value); }
    int32_t GetImageIndex() const { return imageIndex_; }
    void SetImageIndex(int32_t value) { Update(imageIndex_, value); }
    int32_t GetShortCut() const { return shortCut_; }
    void SetShortCut(int32_t value) { Update(shortCut_, value); }
    int32_t GetGroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int32_t value);
    bool GetAutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool value) { autoCheck_ = value; }
    int32_t GetHelpContext() const { return helpContext_; }
    void SetHelpContext(int32_t value) { helpContext_ = value; }

    TActionList* GetActionList() const { return actionList_; }
    void SetActionList(TActionList* list);

    // A disabled action does nothing; AutoCheck toggles Checked first.
    bool Execute() override;

private:
    friend class TActionList;
    void UncheckGroup();
    // Stores a changed value and tells the clients.
    template <class T>
    void Update(T& field, const T& value)
    {
        if (field == value)
            return;
        field = value;
        Change();
    }

    std::string caption_;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    std::string hint_;
    int32_t imageIndex_ = -1;
    int32_t shortCut_ = 0;
    int32_t groupIndex_ = 0;
    bool autoCheck_ = false;
    int32_t helpContext_ = 0;
    TActionList* actionList_ = nullptr;
};

class TAction : public TCustomAction {
    FW_CLASS()
public:
    using TCustomAction::TCustomAction;
};

class TActionList : public TComponent {
    FW_CLASS()
public:
    explicit TActionList(TComponent* owner);
    ~TActionList() override;

    int32_t ActionCount() const { return static_cast<int32_t>(actions_.size()); }
    TCustomAction* Actions(int32_t index) const { return actions_.at(static_cast<size_t>(index)); }

    // Cleared when the image list is freed.
    TCustomImageList* GetImages() const { return images_.get(); }
    void SetImages(TCustomImageList* value);

private:
    friend class TCustomAction;
    std::vector<TCustomAction*> actions_;
    Guard<TCustomImageList> images_;
};

// The picture an action shows: its image from its list's images; null when
// it has none.
QImage ActionImage(const TBasicAction* action);

} // namespace fw
