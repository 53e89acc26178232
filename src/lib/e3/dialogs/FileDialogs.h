#pragma once
// The engine's file and folder dialogs: non-visual components that the engine
// drops on a form, sets up and runs with "_Execute"; the answer goes back to
// the engine as a callback event. They run Qt's own file dialog (never the
// desktop's), modally, over the active window.
#include "e3/dialogs/DialogFilter.h"
#include "e3/dialogs/DialogHost.h"
#include "framework/Component.h"
#include "framework/Events.h"

#include <functional>
#include <string>
#include <vector>

class QFileDialog;

namespace e3 {

extern const fw::TEnumType OpenOptionType;
extern const fw::TEnumType OpenOptionExType;

// Asked for every entry the dialog would list (its full path); clearing
// include hides it. Called only with ofEnableIncludeNotify.
using TIncludeItemEvent = std::function<void(const std::string& path, bool& include)>;
extern const fw::TEventType IncludeItemEventType;


// The framework's file dialog with its published properties.
class TOpenDialog : public fw::TComponent {
    FW_CLASS()
public:
    explicit TOpenDialog(fw::TComponent* owner);
    ~TOpenDialog() override;

    std::string GetDefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const std::string& v) { defaultExt_ = v; }
    std::string GetFileName() const { return fileName_; }
    void SetFileName(const std::string& v) { fileName_ = v; }
    std::string GetFilter() const { return filter_; }
    void SetFilter(const std::string& v) { filter_ = v; }
    int32_t GetFilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int32_t v) { filterIndex_ = v; }
    std::string GetInitialDir() const { return initialDir_; }
    void SetInitialDir(const std::string& v) { initialDir_ = v; }
    TOpenOptions GetOptions() const { return options_; }
    void SetOptions(TOpenOptions v) { options_ = v; }
    TOpenOptionsEx GetOptionsEx() const { return optionsEx_; }
    void SetOptionsEx(TOpenOptionsEx v) { optionsEx_ = v; }
    std::string GetTitle() const { return title_; }
    void SetTitle(const std::string& v) { title_ = v; }

    // The files chosen by the last run (or set by the program), full paths.
    const std::vector<std::string>& Files() const { return files_; }
    void SetFiles(std::vector<std::string> files) { files_ = std::move(files); }

    // Runs the dialog modally; true when the user confirmed a choice, which
    // then is in Files and FileName (its first file).
    virtual bool Execute();

    fw::TCloseQueryEvent OnCanClose;
    fw::TNotifyEvent OnFolderChange;
    fw::TNotifyEvent OnSelectionChange;
    fw::TNotifyEvent OnTypeChange;
    TIncludeItemEvent OnIncludeItem;

    // Called with the dialog widget once it is set up, just before it runs
    // (tests answer it from here).
    static std::function<void(QFileDialog&)>& DialogShownHook();

protected:
    virtual bool IsSaveDialog() const { return false; }

private:
    void SetUp(QFileDialog& dialog, const std::vector<TFilterEntry>& entries) const;

    std::string defaultExt_, fileName_, filter_, initialDir_, title_;
    int32_t filterIndex_ = 1;
    TOpenOptions options_ = OpenOption(ofHideReadOnly) | OpenOption(ofEnableSizing);
    TOpenOptionsEx optionsEx_ = 0;
    std::vector<std::string> files_;
    std::string lastDir_;
};

class Te3CustomOpenDialog : public TOpenDialog {
    FW_CLASS()
public:
    explicit Te3CustomOpenDialog(fw::TComponent* owner);

    // The files one per line (CR LF). Writing sets the list from the lines;
    // a value of at most one line also becomes FileName.
    std::string GetFilesText() const;
    void SetFilesText(const std::string& value);

protected:
    // Runs the dialog (through the attachment check when verify is set) and
    // reports under the callback event when one is named.
    void ExecuteAndReport(const std::string& callback, bool verify);
};

class Te3OpenDialog : public Te3CustomOpenDialog {
    FW_CLASS()
public:
    using Te3CustomOpenDialog::Te3CustomOpenDialog;
};

class Te3_OpenDialog : public Te3OpenDialog {
    FW_CLASS()
public:
    using Te3OpenDialog::Te3OpenDialog;
    void ExecuteAction(const std::string& callback) { ExecuteAndReport(callback, false); }
    void ExecuteVerifyAction(const std::string& callback) { ExecuteAndReport(callback, true); }
};

class Te3_SaveDialog : public Te3CustomOpenDialog {
    FW_CLASS()
public:
    explicit Te3_SaveDialog(fw::TComponent* owner);
    void ExecuteAction(const std::string& callback) { ExecuteAndReport(callback, false); }

protected:
    bool IsSaveDialog() const override { return true; }
};

// The folder browser.
class TBrowseDirectory : public fw::TComponent {
    FW_CLASS()
public:
    using fw::TComponent::TComponent;

    std::string GetDirectory() const { return directory_; }
    void SetDirectory(const std::string& v) { directory_ = v; }
    std::string GetTitle() const { return title_; }
    void SetTitle(const std::string& v) { title_ = v; }

    // Runs the folder browser over the active window, starting at Directory;
    // a chosen folder replaces Directory. False when cancelled.
    bool Execute();

    static std::function<void(QFileDialog&)>& DialogShownHook();

private:
    std::string directory_, title_;
};

class Te3CustomBrowseDirectory : public TBrowseDirectory {
    FW_CLASS()
public:
    using TBrowseDirectory::TBrowseDirectory;
};

class Te3BrowseDirectory : public Te3CustomBrowseDirectory {
    FW_CLASS()
public:
    using Te3CustomBrowseDirectory::Te3CustomBrowseDirectory;
    void ExecuteAction(const std::string& callback);
};

class Te3_BrowseDirectory : public Te3BrowseDirectory {
    FW_CLASS()
public:
    using Te3BrowseDirectory::Te3BrowseDirectory;
};

} // namespace e3
