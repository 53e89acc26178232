#include "client/Client.h"

#include "client/ClassRegistry.h"
#include "client/ClientDialogs.h"
#include "client/ClientForm.h"
#include "client/ClientSender.h"
#include "client/DocumentViewer.h"
#include "client/FormReader.h"
#include "client/Globals.h"
#include "client/StartUp.h"
#include "e3/common/EngineImages.h"
#include "e3/datalist/DataListEvents.h"
#include "e3/dialogs/FileDialogs.h"
#include "framework/ApplicationTitle.h"
#include "u3/Base64.h"
#include "u3/Files.h"
#include "u3/PrivateFolder.h"
#include "u3/StrLib.h"
#include "u3/SystemInfo.h"


#include <sys/stat.h>

namespace client {

using fw::TComponent;

namespace {

void EnsureFolder(const std::string& path)
{
    ::mkdir(path.c_str(), 0700);
}

} // namespace

std::string TClient::ApplicationTitle()
{
    return fw::ApplicationTitle();
}

std::string GetDictionaryWord(const std::string& key, const std::string& defaultText)
{
    TClientSender sender = TClientSender::CreateForClient("Client.OnDictionaryWord");
    sender.WriteRequest();
    sender.WriteEntry("Unilang", key);
    sender.WriteEntry("Unitext", defaultText);
    sender.Execute();
    return sender.HasResult("LangText") ? u3::Trim(sender.Result("LangText")) : defaultText;
}

const fw::TClassInfo& TClientUserInfo::StaticClass()
{
    static const fw::TClassInfo info {"TClientUserInfo", &fw::TPersistent::StaticClass(), {}};
    return info;
}

const fw::TClassInfo& TClient::StaticClass()
{
    static const fw::TClassInfo info {
        "TClient",
        &TComponent::StaticClass(),
        fw::TRows<TClient> {
            fw::prop::String("Language", &TClient::GetLanguage, &TClient::SetLanguage),
            fw::prop::String("TempDirForServer", &TClient::GetTempDirForServer, &TClient::SetTempDirForServer),
            fw::prop::String("FontSubstitution", &TClient::GetFontSubstitution, &TClient::SetFontSubstitution),
            fw::prop::Integer("LangCharSet", &TClient::GetLangCharSet, &TClient::SetLangCharSet),
            fw::prop::String<TClient>("CADir", nullptr, &TClient::SetCADir),
            fw::prop::Object("ClientUserInfo", TClientUserInfo::StaticClass(), &TClient::GetClientUserInfo, nullptr),
            fw::prop::StringAction("_Callback", &TClient::_Callback),
            fw::prop::StringAction("_Title", &TClient::_Title),
            fw::prop::StringAction("_ProcessMessages", &TClient::_ProcessMessages),
            fw::prop::StringAction("_RestoreApplication", &TClient::_RestoreApplication),
            fw::prop::StringAction("_Create", &TClient::_Create),
            fw::prop::StringAction("_CreateForm", &TClient::_CreateForm),
            fw::prop::StringAction("_CreateFormModal", &TClient::_CreateFormModal),
            fw::prop::StringAction("_CreateFrame", &TClient::_CreateFrame),
            fw::prop::StringAction("_ClearLangTextLists", &TClient::_ClearLangTextLists),
            fw::prop::StringAction("_ForceDirectories", &TClient::_ForceDirectories),
            fw::prop::StringAction("_EventFunction", &TClient::_EventFunction),
            fw::prop::StringAction("_FileExists", &TClient::_FileExists),
            fw::prop::StringAction("_GetFileList", &TClient::_GetFileList),
            fw::prop::StringAction("_GetFileListSize", &TClient::_GetFileListSize),
            fw::prop::StringAction("_GetIniFile", &TClient::_GetIniFile),
            fw::prop::StringAction("_SetIniFile", &TClient::_SetIniFile),
            fw::prop::StringAction("_GetValues", &TClient::_GetValues),
            fw::prop::StringAction("_SetVariable", &TClient::_SetVariable),
            fw::prop::StringAction("_SendFile", &TClient::_SendFile),
            fw::prop::StringAction("_ReceiveFile", &TClient::_ReceiveFile),
            fw::prop::StringAction("_CopyFile", &TClient::_CopyFile),
            fw::prop::StringAction("_ShellExecute", &TClient::_ShellExecute),
            fw::prop::StringAction("_StartURL", &TClient::_StartURL),
            fw::prop::StringAction("_RunLiveUpdate", &TClient::_RunLiveUpdate),
            fw::prop::StringAction("_StartGUIEngine", &TClient::_StartGUIEngine),
            fw::prop::StringAction("_StopRunningPlugins", &TClient::_StopRunningPlugins),
            fw::prop::StringAction("_ShowMessage", &TClient::_ShowMessage),
            fw::prop::StringAction("_ShowMessageCheck", &TClient::_ShowMessageCheck),
            fw::prop::StringAction("_ShowInfoMessage", &TClient::_ShowInfoMessage),
            fw::prop::StringAction("_HideInfoMessage", &TClient::_HideInfoMessage),
            fw::prop::StringAction("_ShowProgressInfo", &TClient::_ShowProgressInfo),
            fw::prop::StringAction("_HideProgressInfo", &TClient::_HideProgressInfo),
            fw::prop::StringAction("_ViewPDF", &TClient::_ViewPDF),
            fw::prop::StringAction("_ViewPDFList", &TClient::_ViewPDFList),
            fw::prop::StringAction("_ViewPDFExt", &TClient::_ViewPDFExt),
            fw::prop::StringAction("_PrintPDF", &TClient::_PrintPDF),
            fw::prop::StringAction("_Message", &TClient::_Message),
            fw::prop::StringAction("_AbstractCountWords", &TClient::IgnoreCommand),
            fw::prop::StringAction("_CurrentForm", &TClient::IgnoreCommand),
            fw::prop::StringAction("_DirectoryExists", &TClient::IgnoreCommand),
            fw::prop::StringAction("_EditAbstract", &TClient::IgnoreCommand),
            fw::prop::StringAction("_GetGUIEngine", &TClient::IgnoreCommand),
            fw::prop::StringAction("_InitOpenSSL", &TClient::InitOpenSSL),
            fw::prop::StringAction("_InitPKCS11", &TClient::IgnoreCommand),
            fw::prop::StringAction("_PreviewAbstract", &TClient::IgnoreCommand),
            fw::prop::StringAction("_PrintAbstract", &TClient::IgnoreCommand),
            fw::prop::StringAction("_PrintRTF", &TClient::IgnoreCommand),
            fw::prop::StringAction("_SetAbstractParams", &TClient::IgnoreCommand),
            fw::prop::StringAction("_ShowMessageImage", &TClient::IgnoreCommand),
            fw::prop::StringAction("_ViewRTFList", &TClient::IgnoreCommand),
        },
    };
    return info;
}

TClient::TClient(const std::string& engineName)
    : TComponent(nullptr)
    , engineName_(engineName)
{
    userInfo_ = std::make_unique<TClientUserInfo>();
    userInfo_->UserName = u3::LoginName();
    userInfo_->UserDomain = u3::DnsDomain();
    // One folder per user, private to it; the folders that instances share
    // are emptied only by an instance that is alone.
    privateTemp_ = std::make_unique<u3::PrivateFolder>(u3::PrivateFolder::TempBase(), "GUIEngine");
    tempFolder_ = privateTemp_->path();
    if (!tempFolder_.empty())
        tempDirForServer_ = tempFolder_ + "/Server";
    if (engineName_ == "GUIEngine" && !tempFolder_.empty()) {
        const std::string pdf = tempFolder_ + "/PDF";
        EnsureFolder(pdf);
        EnsureFolder(tempDirForServer_);
        if (privateTemp_->IsSoleUser()) {
            u3::DeleteDirectoryTree(pdf, false);
            u3::DeleteDirectoryTree(tempDirForServer_, false);
        }
        EnsureFolder(tempDirForServer_ + "/Certs");
    }
    privateTemp_->Share();
    // Controls that show engine pictures by name take them from this client.
    e3::SetEngineImageSource([this](const std::string& name) { return GetImage(name); });
    dialogHost_ = MakeDialogHost(*this);
    e3::SetDialogHost(dialogHost_.get());
}

TClient::~TClient()
{
    UnregisterFromLink();
    if (documentViewer_)
        documentViewer_->CloseViewer();
    delete infoForm_.get();
    delete progressInfoForm_.get();
    // The forms and frames the engine made and nobody owns end with the client.
    std::vector<fw::Guard<TComponent>> orphans;
    for (const auto& item : forms_.Items())
        if (item.object && !item.object->Owner())
            orphans.emplace_back(item.object);
    for (const auto& item : frames_.Items())
        if (item.object && !item.object->Owner())
            orphans.emplace_back(item.object);
    e3::SetEngineImageSource({});
    if (e3::DialogHost() == dialogHost_.get())
        e3::SetDialogHost(nullptr);
    forms_.Clear();
    frames_.Clear();
    created_.Clear();
    for (auto& g : orphans)
        if (TComponent* c = g.get())
            delete c;
    if (Client() == this)
        SetClient(nullptr);
}

Te3_ClientForm* TClient::CurrentForm() const
{
    return currentForm_.get();
}

void TClient::SetCurrentForm(Te3_ClientForm* form)
{
    currentForm_ = form;
}

TComponent* TClient::CreationOwner() const
{
    return creationOwner_.get();
}

void TClient::SetOwnerComponent(TComponent* component)
{
    creationOwner_ = component;
}

void TClient::SetVariable(const std::string& name, const std::string& value1, const std::string& value2)
{
    variables_.SetVariable(name, value1, value2);
}

void TClient::_SetVariable(const std::string& value)
{
    SetVariable(u3::TokenAt(value, 0, "<|>"), u3::TokenAt(value, 1, "<|>"), u3::TokenAt(value, 2, "<|>"));
}

void TClient::_Title(const std::string& value)
{
    fw::SetApplicationTitle(value);
}

void TClient::AddForm(const std::string& alias, fw::TCustomForm* form)
{
    forms_.Add(alias, form);
    FreeNotification(form);
}

void TClient::AddFrame(const std::string& alias, Te3_ClientFrame* frame)
{
    frames_.Add(alias, frame);
    FreeNotification(frame);
}

void TClient::AddCreatedComponent(const std::string& name, TComponent* component)
{
    created_.Add(name, component);
    FreeNotification(component);
}

void TClient::Forget(TComponent* component)
{
    // Compared by address only: a component that is being destroyed no longer
    // has its full type.
    const void* address = component;
    forms_.RemoveObject(address);
    frames_.RemoveObject(address);
    created_.RemoveObject(address);
    if (static_cast<const void*>(currentForm_.get()) == address)
        currentForm_ = nullptr;
    if (static_cast<const void*>(creationOwner_.get()) == address)
        creationOwner_ = nullptr;
}

void TClient::Notification(TComponent* component, fw::TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == fw::TOperation::opRemove)
        Forget(component);
}

Te3_ClientForm* TClient::CreateEngineForm(const std::string& formName, const std::string& alias)
{
    std::string text;
    for (int attempt = 0; attempt < 3 && text.empty(); ++attempt)
        text = engine_ ? engine_->GetFile(formName, "Form", "") : std::string();
    if (u3::Trim(text) == "snil" || text.empty())
        return nullptr;
    TMemoryTextStream stream(text);
    auto* form = dynamic_cast<Te3_ClientForm*>(LoadFormDescription(stream));
    if (!form)
        return nullptr;
    const std::string key = alias.empty() ? formName : alias;
    AddForm(key, form);
    form->Alias = key;
    form->FormName = formName;
    form->SetName(key);
    fw::Guard<Te3_ClientForm> previous(CurrentForm());
    SetCurrentForm(form);
    fw::Guard<Te3_ClientForm> guard(form);
    try {
        if (form->OnCreate)
            form->OnCreate(form);
    } catch (...) {
        SetCurrentForm(previous.get());
        throw;
    }
    SetCurrentForm(previous.get());
    return guard.get();
}

Te3_ClientFrame* TClient::CreateEngineFrame(const std::string& frameName, const std::string& alias)
{
    const std::string text = engine_ ? engine_->GetFile(frameName, "Form", "") : std::string();
    if (u3::Trim(text) == "snil" || text.empty())
        return nullptr;
    TMemoryTextStream stream(text);
    auto* frame = dynamic_cast<Te3_ClientFrame*>(LoadFormDescription(stream));
    if (!frame)
        return nullptr;
    AddFrame(alias.empty() ? frameName : alias, frame);
    return frame;
}

TComponent* TClient::CreateEngineComponent(const std::string& className, const std::string& parentName,
                                           const std::string& name)
{
    TComponent* parent = nullptr;
    if (!parentName.empty() && !fw::SameText(parentName, "NIL"))
        parent = FindComponentByName(CurrentForm(), parentName, true);
    if (!parent && created_.Find(name))
        return nullptr;
    TComponent* component = CreateComponentByClassName(className, parent);
    try {
        component->SetName(name);
    } catch (...) {
        delete component;
        throw;
    }
    // A data list's events go to the engine under the name it was created with.
    if (auto* dataList = dynamic_cast<e3::IDataListEvents*>(component))
        dataList->SetDataListEngineName(name);
    AddMenuItemToParent(parent, component);
    if (!parent) {
        AddCreatedComponent(name, component);
    }
    return component;
}

QImage TClient::GetImage(const std::string& name)
{
    if (name.empty())
        return {};
    const std::string key = fw::UpperCase(name);
    if (auto it = images_.find(key); it != images_.end())
        return it->second;
    if (!engine_)
        return {};
    try {
        const std::string answer = engine_->GetFile(name, "Image", "");
        if (answer == "snil")
            return {};
        const std::string bytes = u3::Base64ToString(answer);
        QImage image;
        if (!image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), "PNG"))
            return {};
        images_[key] = image;
        return image;
    } catch (const std::exception&) {
        return {};
    }
}

std::string TClient::GetLangText(const std::string& key, const std::string& defaultText)
{
    const int i = langTexts_.IndexOfName(defaultText);
    if (i >= 0)
        return langTexts_.At(i).value;
    const std::string answer = GetDictionaryWord(key, defaultText);
    langTexts_.Add(defaultText, answer);
    return answer;
}

void TClient::ClearLangTextLists()
{
    langTexts_.Clear();
}

} // namespace client

namespace client {

void TClient::SetLanguage(const std::string& code)
{
    language_ = code;
    try {
        SetUpLanguage(code);
    } catch (...) {
        // A language that cannot be set up leaves the texts as they come.
    }
}

} // namespace client
