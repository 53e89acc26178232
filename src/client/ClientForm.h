#pragma once
// The forms and frames the engine creates. Each is an engine container: it holds
// the event map (client-side event path -> engine event name) and the event
// parameters (engine event name -> paths sent with it) of its controls.
#include "client/NameValueList.h"
#include "framework/Form.h"

namespace client {

class Te3MenuForm : public fw::TCustomForm {
    FW_CLASS()
public:
    explicit Te3MenuForm(fw::TComponent* owner) : fw::TCustomForm(owner) {}
    // Whether a property's text is translated.
    virtual bool IsTranslatable(const std::string& propName) const;
};

class Te3ClientForm : public Te3MenuForm {
    FW_CLASS()
public:
    explicit Te3ClientForm(fw::TComponent* owner);

    // Renaming rewrites the event-map keys that begin with the old name and ".".
    void SetName(const std::string& name) override;

    TNameValueList EventMap;
    TNameValueList EventParams;

    std::string GetKeyFilter() const { return keyFilter_; }
    void SetKeyFilter(const std::string& filter) { keyFilter_ = filter; }
    int32_t GetDockWidth() const { return dockWidth_; }
    void SetDockWidth(int32_t v) { dockWidth_ = v; }
    bool GetResizeDock() const { return resizeDock_; }
    void SetResizeDock(bool v) { resizeDock_ = v; }
    // The alias and description name the client object created it under.
    std::string Alias;
    std::string FormName;

private:
    std::string keyFilter_;
    int32_t dockWidth_ = 0;
    bool resizeDock_ = false;
};

class Te3_ClientForm : public Te3ClientForm {
    FW_CLASS()
public:
    explicit Te3_ClientForm(fw::TComponent* owner) : Te3ClientForm(owner) {}
};

class Te3ClientFrame : public fw::TWinControl {
    FW_CLASS()
public:
    explicit Te3ClientFrame(fw::TComponent* owner);

    void SetName(const std::string& name) override;
    virtual bool IsTranslatable(const std::string& propName) const;

    // Passes the lock on to every direct child that publishes LockedEdit.
    bool GetLockedEdit() const { return lockedEdit_; }
    void SetLockedEdit(bool value);
    bool GetEnabling() const { return enabling_; }

    TNameValueList EventMap;
    TNameValueList EventParams;
    fw::TNotifyEvent OnActivate, OnDeActivate;

private:
    bool lockedEdit_ = false;
    bool enabling_ = false;
};

class Te3_ClientFrame : public Te3ClientFrame {
    FW_CLASS()
public:
    explicit Te3_ClientFrame(fw::TComponent* owner) : Te3ClientFrame(owner) {}
};

// Rewrites the keys of map that begin with oldName + "." (without regard to
// case) to begin with newName, keeping their positions.
void RenameEventMapKeys(TNameValueList& map, const std::string& oldName, const std::string& newName);

} // namespace client
