#include "e3/dialogs/FileDialogs.h"

#include "framework/ApplicationException.h"
#include "framework/Rtti.h"
#include "u3/Files.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>

namespace e3 {

const fw::TEnumType OpenOptionType {
    "TOpenOption",
    {"ofReadOnly", "ofOverwritePrompt", "ofHideReadOnly", "ofNoChangeDir", "ofShowHelp", "ofNoValidate",
     "ofAllowMultiSelect", "ofExtensionDifferent", "ofPathMustExist", "ofFileMustExist", "ofCreatePrompt",
     "ofShareAware", "ofNoReadOnlyReturn", "ofNoTestFileCreate", "ofNoNetworkButton", "ofNoLongNames",
     "ofOldStyleDialog", "ofNoDereferenceLinks", "ofEnableIncludeNotify", "ofEnableSizing", "ofDontAddToRecent",
     "ofForceShowHidden"}};
const fw::TEnumType OpenOptionExType {"TOpenOptionEx", {"ofExNoPlacesBar"}};
const fw::TEventType IncludeItemEventType {"TIncludeItemEvent", typeid(TIncludeItemEvent)};

namespace {

IDialogHost* host = nullptr;

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

// Hides the entries that the include handler refuses.
class IncludeFilter : public QSortFilterProxyModel {
public:
    explicit IncludeFilter(TOpenDialog& dialog) : guard_(&dialog) {}

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        TOpenDialog* dialog = guard_.get();
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (!dialog || !dialog->OnIncludeItem || !files)
            return true;
        const std::string path = files->filePath(files->index(row, 0, parent)).toStdString();
        bool include = true;
        fw::RunFromEventLoop([&] { dialog->OnIncludeItem(path, include); });
        return include;
    }

private:
    fw::Guard<TOpenDialog> guard_;
};

// Asks OnCanClose before it accepts a choice.
class EngineFileDialog : public QFileDialog {
public:
    EngineFileDialog(QWidget* parent, TOpenDialog& owner) : QFileDialog(parent), owner_(&owner) {}

    void accept() override
    {
        TOpenDialog* owner = owner_.get();
        if (owner && owner->OnCanClose) {
            bool canClose = true;
            std::vector<std::string> chosen;
            for (const QString& f : selectedFiles())
                chosen.push_back(f.toStdString());
            fw::RunFromEventLoop([&] {
                owner->SetFiles(chosen);
                if (!chosen.empty())
                    owner->SetFileName(chosen.front());
                owner->OnCanClose(owner, canClose);
            });
            if (!canClose)
                return;
        }
        QFileDialog::accept();
    }

private:
    fw::Guard<TOpenDialog> owner_;
};

void Notify(const fw::Guard<TOpenDialog>& guard, fw::TNotifyEvent TOpenDialog::*event)
{
    TOpenDialog* dialog = guard.get();
    if (dialog && dialog->*event)
        fw::RunFromEventLoop([&] { (dialog->*event)(dialog); });
}

// The entry a name filter stands for: Qt names it in full or, while it hides
// the masks, by the text before them.
int NameFilterIndex(const QString& selected, const QStringList& filters)
{
    for (qsizetype i = 0; i < filters.size(); ++i) {
        const QString& full = filters.at(i);
        if (full == selected)
            return static_cast<int>(i);
        const qsizetype open = full.lastIndexOf(QLatin1String(" ("));
        if (open >= 0 && full.left(open).trimmed() == selected.trimmed())
            return static_cast<int>(i);
    }
    return -1;
}

int NameFilterIndex(const QFileDialog& dialog, const std::vector<TFilterEntry>& entries)
{
    return entries.empty() ? -1 : NameFilterIndex(dialog.selectedNameFilter(), dialog.nameFilters());
}

std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i)
            out += "\r\n";
        out += lines[i];
    }
    return out;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

} // namespace

void SetDialogHost(IDialogHost* newHost)
{
    host = newHost;
}

IDialogHost* DialogHost()
{
    return host;
}

// --- TOpenDialog ---------------------------------------------------------------

const fw::TClassInfo& TOpenDialog::StaticClass()
{
    using C = TOpenDialog;
    namespace p = fw::prop;
    static const fw::TClassInfo info {
        "TOpenDialog",
        &fw::TComponent::StaticClass(),
        fw::TRows<TOpenDialog> {
            p::String("DefaultExt", &C::GetDefaultExt, &C::SetDefaultExt),
            p::String("FileName", &C::GetFileName, &C::SetFileName),
            p::String("Filter", &C::GetFilter, &C::SetFilter),
            p::Integer("FilterIndex", &C::GetFilterIndex, &C::SetFilterIndex),
            p::String("InitialDir", &C::GetInitialDir, &C::SetInitialDir),
            p::Set("Options", OpenOptionType, &C::GetOptions, &C::SetOptions),
            p::Set("OptionsEx", OpenOptionExType, &C::GetOptionsEx, &C::SetOptionsEx),
            p::String("Title", &C::GetTitle, &C::SetTitle),
            p::Event("OnCanClose", fw::CloseQueryEventType, &C::OnCanClose),
            p::Event("OnFolderChange", fw::NotifyEventType, &C::OnFolderChange),
            p::Event("OnSelectionChange", fw::NotifyEventType, &C::OnSelectionChange),
            p::Event("OnTypeChange", fw::NotifyEventType, &C::OnTypeChange),
            p::Event("OnIncludeItem", IncludeItemEventType, &C::OnIncludeItem),
        },
    };
    return info;
}

TOpenDialog::TOpenDialog(fw::TComponent* owner)
    : fw::TComponent(owner)
{
}

TOpenDialog::~TOpenDialog() = default;

std::function<void(QFileDialog&)>& TOpenDialog::DialogShownHook()
{
    static std::function<void(QFileDialog&)> hook;
    return hook;
}

void TOpenDialog::SetUp(QFileDialog& dialog, const std::vector<TFilterEntry>& entries) const
{
    const TDialogSetup setup = MapOptions(options_, IsSaveDialog());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The masks are spelled for Qt's matching; the user sees the descriptions.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(setup.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    switch (setup.mode) {
    case TChooseMode::AnyFile:
        dialog.setFileMode(QFileDialog::AnyFile);
        break;
    case TChooseMode::ExistingFile:
        dialog.setFileMode(QFileDialog::ExistingFile);
        break;
    case TChooseMode::ExistingFiles:
        dialog.setFileMode(QFileDialog::ExistingFiles);
        break;
    }
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !setup.confirmOverwrite);
    dialog.setOption(QFileDialog::DontResolveSymlinks, !setup.resolveSymlinks);
    if (setup.showHidden)
        dialog.setFilter(dialog.filter() | QDir::Hidden);
    if (!title_.empty())
        dialog.setWindowTitle(Q(title_));
    std::string ext = defaultExt_;
    if (!ext.empty() && ext.front() == '.')
        ext.erase(0, 1);
    if (!ext.empty())
        dialog.setDefaultSuffix(Q(ext));

    if (!entries.empty()) {
        QStringList filters;
        for (const TFilterEntry& e : entries)
            filters.append(Q(QtNameFilter(e)));
        dialog.setNameFilters(filters);
        const int index = filterIndex_ >= 1 && filterIndex_ <= filters.size() ? filterIndex_ - 1 : 0;
        dialog.selectNameFilter(filters.at(index));
    }

    const std::string& startDir = !initialDir_.empty() ? initialDir_ : lastDir_;
    if (!startDir.empty())
        dialog.setDirectory(Q(u3::ToLocalPath(startDir)));
    if (!fileName_.empty())
        dialog.selectFile(Q(u3::ToLocalPath(fileName_)));
}

bool TOpenDialog::Execute()
{
    const std::vector<TFilterEntry> entries = ParseFilter(filter_);
    EngineFileDialog dialog(QApplication::activeWindow(), *this);
    SetUp(dialog, entries);
    fw::Guard<TOpenDialog> guard(this);
    QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog,
                     [guard] { Notify(guard, &TOpenDialog::OnFolderChange); });
    QObject::connect(&dialog, &QFileDialog::currentChanged, &dialog,
                     [guard] { Notify(guard, &TOpenDialog::OnSelectionChange); });
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [guard, &dialog](const QString& filter) {
        if (TOpenDialog* self = guard.get()) {
            const int index = NameFilterIndex(filter, dialog.nameFilters());
            if (index >= 0)
                self->filterIndex_ = index + 1;
        }
        Notify(guard, &TOpenDialog::OnTypeChange);
    });
    if (HasOption(options_, ofEnableIncludeNotify) && OnIncludeItem)
        dialog.setProxyModel(new IncludeFilter(*this));

    if (auto& hook = DialogShownHook())
        hook(dialog);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (!guard)
        return false;
    lastDir_ = dialog.directory().absolutePath().toStdString();
    if (!accepted)
        return false;
    std::vector<std::string> chosen;
    for (const QString& f : dialog.selectedFiles())
        chosen.push_back(f.toStdString());
    if (chosen.empty())
        return false;
    files_ = std::move(chosen);
    fileName_ = files_.front();
    const int index = NameFilterIndex(dialog, entries);
    if (index >= 0)
        filterIndex_ = index + 1;
    if (!defaultExt_.empty() && ExtensionDiffers(fileName_, defaultExt_))
        options_ |= OpenOption(ofExtensionDifferent);
    else
        options_ &= ~OpenOption(ofExtensionDifferent);
    return true;
}

// --- Te3CustomOpenDialog -------------------------------------------------------

const fw::TClassInfo& Te3CustomOpenDialog::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomOpenDialog", &TOpenDialog::StaticClass(), {}};
    return info;
}

Te3CustomOpenDialog::Te3CustomOpenDialog(fw::TComponent* owner)
    : TOpenDialog(owner)
{
    SetOptions(GetOptions() | OpenOption(ofFileMustExist));
}

std::string Te3CustomOpenDialog::GetFilesText() const
{
    return JoinLines(Files());
}

void Te3CustomOpenDialog::SetFilesText(const std::string& value)
{
    std::vector<std::string> lines = SplitLines(value);
    if (lines.size() <= 1)
        SetFileName(value);
    SetFiles(std::move(lines));
}

void Te3CustomOpenDialog::ExecuteAndReport(const std::string& callback, bool verify)
{
    fw::Guard<Te3CustomOpenDialog> guard(this);
    IDialogHost* dialogHost = DialogHost();
    const bool ok = verify && dialogHost ? dialogHost->ValidateOpenDialog(*this) : Execute();
    if (!guard || callback.empty() || !(dialogHost = DialogHost()))
        return;
    const std::vector<std::string>& files = Files();
    std::string text;
    int64_t size = 0;
    if (files.size() == 1) {
        text = files.front();
        size = u3::GetFileSize64(u3::ToLocalPath(text));
    } else if (files.size() > 1) {
        text = JoinLines(files);
    }
    dialogHost->MapCallbackEvent(callback);
    dialogHost->SendFileDialogResult(callback, ok, text, GetFilterIndex(), size);
}

const fw::TClassInfo& Te3OpenDialog::StaticClass()
{
    static const fw::TClassInfo info {"Te3OpenDialog", &Te3CustomOpenDialog::StaticClass(), {}};
    return info;
}

const fw::TClassInfo& Te3_OpenDialog::StaticClass()
{
    using C = Te3_OpenDialog;
    static const fw::TClassInfo info {
        "Te3_OpenDialog",
        &Te3OpenDialog::StaticClass(),
        fw::TRows<Te3_OpenDialog> {
            fw::prop::StringAction("_Execute", &C::ExecuteAction),
            fw::prop::StringAction("_ExecuteVerify", &C::ExecuteVerifyAction),
            fw::prop::String("_Files", &C::GetFilesText, &C::SetFilesText),
        },
        fw::MakeFactory<Te3_OpenDialog>(),
    };
    return info;
}

const fw::TClassInfo& Te3_SaveDialog::StaticClass()
{
    using C = Te3_SaveDialog;
    static const fw::TClassInfo info {
        "Te3_SaveDialog",
        &Te3CustomOpenDialog::StaticClass(),
        fw::TRows<Te3_SaveDialog> {
            fw::prop::StringAction("_Execute", &C::ExecuteAction),
            fw::prop::String("_Files", &C::GetFilesText, &C::SetFilesText),
        },
        fw::MakeFactory<Te3_SaveDialog>(),
    };
    return info;
}

Te3_SaveDialog::Te3_SaveDialog(fw::TComponent* owner)
    : Te3CustomOpenDialog(owner)
{
    // A file that must exist leaves no new name to save under.
    SetOptions(GetOptions() & ~OpenOption(ofFileMustExist));
}

// --- folder browser ------------------------------------------------------------

const fw::TClassInfo& TBrowseDirectory::StaticClass()
{
    static const fw::TClassInfo info {"TBrowseDirectory", &fw::TComponent::StaticClass(), {}};
    return info;
}

std::function<void(QFileDialog&)>& TBrowseDirectory::DialogShownHook()
{
    static std::function<void(QFileDialog&)> hook;
    return hook;
}

bool TBrowseDirectory::Execute()
{
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    if (!title_.empty())
        dialog.setWindowTitle(Q(title_));
    if (!directory_.empty())
        dialog.setDirectory(Q(u3::ToLocalPath(directory_)));
    fw::Guard<TBrowseDirectory> guard(this);
    if (auto& hook = DialogShownHook())
        hook(dialog);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (!guard || !accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return false;
    directory_ = chosen.front().toStdString();
    return true;
}

const fw::TClassInfo& Te3CustomBrowseDirectory::StaticClass()
{
    static const fw::TClassInfo info {"Te3CustomBrowseDirectory", &TBrowseDirectory::StaticClass(), {}};
    return info;
}

const fw::TClassInfo& Te3BrowseDirectory::StaticClass()
{
    using C = Te3BrowseDirectory;
    static const fw::TClassInfo info {
        "Te3BrowseDirectory",
        &Te3CustomBrowseDirectory::StaticClass(),
        fw::TRows<Te3BrowseDirectory> {fw::prop::StringAction("_Execute", &C::ExecuteAction)},
    };
    return info;
}

void Te3BrowseDirectory::ExecuteAction(const std::string& callback)
{
    fw::Guard<Te3BrowseDirectory> guard(this);
    const bool ok = Execute();
    IDialogHost* dialogHost = DialogHost();
    if (!guard || callback.empty() || !dialogHost)
        return;
    dialogHost->MapCallbackEvent(callback);
    dialogHost->SendDirectoryResult(callback, ok, GetDirectory());
}

const fw::TClassInfo& Te3_BrowseDirectory::StaticClass()
{
    using C = Te3_BrowseDirectory;
    static const fw::TClassInfo info {
        "Te3_BrowseDirectory",
        &Te3BrowseDirectory::StaticClass(),
        fw::TRows<Te3_BrowseDirectory> {
            fw::prop::String("Directory", &C::GetDirectory, &C::SetDirectory),
            fw::prop::String("Title", &C::GetTitle, &C::SetTitle),
        },
        fw::MakeFactory<Te3_BrowseDirectory>(),
    };
    return info;
}

} // namespace e3
