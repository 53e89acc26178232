#pragma once
// The one object the engine addresses as "Client": the engine link of the
// current pass, the forms, frames and components the engine made, the current
// form (the root of every name lookup), the client variables, the picture cache,
// the cache of message texts and the temporary folders. Its published "_"
// properties are the engine's commands.
#include "engineapi/GUIEngine.h"
#include "client/NameValueList.h"
#include "client/VariableList.h"
#include "framework/Component.h"
#include "platform/GUICOMClient.h"

#include <QImage>

#include "u3/ProcUtils.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace u3 {
class PrivateFolder;
}
namespace e3 {
class IDialogHost;
class TOpenDialog;
}

namespace client {

class Te3_ClientForm;
class Te3_ClientFrame;

// Who uses this client: four texts, of which the second is the login name and
// the third the DNS domain; the first and the fourth stay empty.
class TClientUserInfo : public fw::TPersistent {
    FW_CLASS()
public:
    std::string Field1;
    std::string UserName;
    std::string UserDomain;
    std::string Field4;
};

class TClient : public fw::TComponent {
    FW_CLASS()
public:
    explicit TClient(const std::string& engineName);
    ~TClient() override;

    IClientGUIEngine* Engine() const { return engine_; }
    void SetEngine(IClientGUIEngine* engine) { engine_ = engine; }
    const std::string& EngineName() const { return engineName_; }

    Te3_ClientForm* CurrentForm() const;
    void SetCurrentForm(Te3_ClientForm* form);
    fw::TComponent* CreationOwner() const;
    void SetOwnerComponent(fw::TComponent* component);

    const TNamedObjectList<Te3_ClientForm>& Forms() const { return forms_; }
    const TNamedObjectList<Te3_ClientFrame>& Frames() const { return frames_; }
    const TNamedObjectList<fw::TComponent>& CreatedComponents() const { return created_; }
    // Lists a component; it leaves the list when it is freed.
    void AddForm(const std::string& alias, Te3_ClientForm* form);
    void AddFrame(const std::string& alias, Te3_ClientFrame* frame);
    void AddCreatedComponent(const std::string& name, fw::TComponent* component);
    TNameValueList PlainEventMap;
    TNameValueList PlainEventParams;
    TVariableList& Variables() { return variables_; }
    void SetVariable(const std::string& name, const std::string& value1, const std::string& value2);

    Te3_ClientForm* CreateEngineForm(const std::string& formName, const std::string& alias);
    Te3_ClientFrame* CreateEngineFrame(const std::string& frameName, const std::string& alias);
    fw::TComponent* CreateEngineComponent(const std::string& className, const std::string& parentName,
                                          const std::string& name);
    // A picture the engine delivers as Base64 of a PNG; null when there is none.
    QImage GetImage(const std::string& name);
    // The translated message text, cached by its default text.
    std::string GetLangText(const std::string& key, const std::string& defaultText);
    void ClearLangTextLists();

    // Takes the component off the lists of forms, frames and created
    // components; the current form or creation owner it was stops being one.
    void Forget(fw::TComponent* component);

    // The client's temporary folder (private to the user) and its "Server"
    // subfolder.
    const std::string& TempFolder() const { return tempFolder_; }
    std::string GetTempDirForServer() const { return tempDirForServer_; }
    void SetTempDirForServer(const std::string& v) { tempDirForServer_ = v; }

    std::string GetLanguage() const { return language_; }
    // Stores the code, then sets the language up again: the local dictionary
    // is read anew and the connection-lost text translated again. Not written
    // to the INI file.
    void SetLanguage(const std::string& code);
    std::string GetFontSubstitution() const { return fontSubstitution_; }
    void SetFontSubstitution(const std::string& v) { fontSubstitution_ = v; }
    int32_t GetLangCharSet() const { return langCharSet_; }
    void SetLangCharSet(int32_t v) { langCharSet_ = v; }
    TClientUserInfo* GetClientUserInfo() const { return userInfo_.get(); }
    // The folder of trusted certificates for the server check of submissions.
    void SetCADir(const std::string& folder);
    // Runs the engine's open dialog again and again until the chosen files
    // pass the attachment checks; false when the user cancelled it.
    bool ValidateOpenDialog(e3::TOpenDialog& dialog);
    // Prepares the SSL layer for submissions: the verification switch from
    // [Common] SSLVerify (a warning when it is off), then the library and its
    // context for the method name ("SSLv3" when empty).
    void InitOpenSSL(const std::string& methodName);

    // The link between clients (none when it could not be created) and the
    // cookie of this client's registration (-1 while none is registered).
    platform::IGUICOMClient* COMClient() const { return comClient_.get(); }
    void SetCOMClient(std::unique_ptr<platform::IGUICOMClient> link);
    int32_t Cookie() const { return cookie_; }
    void SetCookie(int32_t cookie);
    // Broadcasts through the link when there is one; failures are only logged.
    void BroadcastMessage(const std::string& nameEngine, const std::string& uid, int32_t localID,
                          const std::string& mid, const std::string& mString, const std::string& mType);
    void _Message(const std::string& value);

    // Starts a program for the engine (its command line is built from Params
    // and Extra) and remembers it; KillPlugins ends those still running.
    void StartPlugin(const std::string& params, const std::string& extra);
    void KillPlugins();
    // Command line -> the process started for it.
    const std::vector<std::pair<std::string, u3::StartedProcess>>& Plugins() const { return plugins_; }

    // File transfer with the engine: 1 on success, -1 otherwise.
    int32_t SendFileToServer(const std::string& localPath, const std::string& serverPath);
    int32_t ReceiveFileFromServer(const std::string& localPath, const std::string& serverPath);
    int32_t ReceiveWholeFile(const std::string& localPath, const std::string& serverPath);

    // Commands.
    void _SetVariable(const std::string& value);
    void _Title(const std::string& value);
    void _Callback(const std::string& value);
    void _ProcessMessages(const std::string& value);
    void _RestoreApplication(const std::string& value);
    void _Create(const std::string& value);
    void _CreateForm(const std::string& value);
    void _CreateFormModal(const std::string& value);
    void _CreateFrame(const std::string& value);
    void _ClearLangTextLists(const std::string& value);
    void _ForceDirectories(const std::string& value);
    void _EventFunction(const std::string& value);
    void _FileExists(const std::string& value);
    void _GetFileList(const std::string& value);
    void _GetFileListSize(const std::string& value);
    void _GetIniFile(const std::string& value);
    void _SetIniFile(const std::string& value);
    void _GetValues(const std::string& value);
    void _SendFile(const std::string& value);
    void _ReceiveFile(const std::string& value);
    void _CopyFile(const std::string& value);
    void _ShellExecute(const std::string& value);
    void _StartURL(const std::string& value);
    void _RunLiveUpdate(const std::string& value);
    void _StartGUIEngine(const std::string& value);
    void _StopRunningPlugins(const std::string& value);
    void _ShowMessage(const std::string& value);
    void _ShowMessageCheck(const std::string& value);
    void _ShowInfoMessage(const std::string& value);
    void _HideInfoMessage(const std::string& value);
    void _ShowProgressInfo(const std::string& value);
    void _HideProgressInfo(const std::string& value);

    // The information and progress-information windows: made on first use,
    // shown without waiting; hiding only hides (the same form serves again).
    void ShowInfoMessage(const std::string& caption, const std::string& text);
    void HideInfoMessage();
    void ShowProgressInfo(const std::string& caption, const std::string& text, const std::string& progressText);
    void HideProgressInfo();
    // Commands the engine sends that have no effect in this client.
    void IgnoreCommand(const std::string& value);

    // Before a callback is sent: the current form maps the callback name to
    // itself unless it maps it already.
    void PrepareCallback(const std::string& callback);

    // The application title `_Title` set (message boxes take it as caption).
    static std::string ApplicationTitle();

protected:
    void Notification(fw::TComponent* component, fw::TOperation operation) override;

private:
    IClientGUIEngine* engine_ = nullptr;
    std::string engineName_;
    fw::Guard<Te3_ClientForm> currentForm_;
    fw::Guard<fw::TComponent> creationOwner_;
    TNamedObjectList<Te3_ClientForm> forms_;
    TNamedObjectList<Te3_ClientFrame> frames_;
    TNamedObjectList<fw::TComponent> created_;
    TVariableList variables_;
    std::map<std::string, QImage> images_; // upper-cased name
    TNameValueList langTexts_;             // default text -> translation
    std::unique_ptr<u3::PrivateFolder> privateTemp_;
    std::unique_ptr<TClientUserInfo> userInfo_;
    std::unique_ptr<e3::IDialogHost> dialogHost_;
    fw::Guard<fw::TComponent> infoForm_;
    fw::Guard<fw::TComponent> progressInfoForm_;
    std::string tempFolder_;
    std::string tempDirForServer_;
    std::string language_;
    std::string fontSubstitution_;
    int32_t langCharSet_ = 1;
    void UnregisterFromLink();
    std::unique_ptr<platform::IGUICOMClient> comClient_;
    int32_t cookie_ = -1;
    std::vector<std::pair<std::string, u3::StartedProcess>> plugins_;
};

// The engine's answer to "Client.OnDictionaryWord", or defaultText.
std::string GetDictionaryWord(const std::string& key, const std::string& defaultText);

} // namespace client
