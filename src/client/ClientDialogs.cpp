#include "client/ClientDialogs.h"

#include "client/Client.h"
#include "client/ClientForm.h"
#include "client/EventList.h"
#include "client/Globals.h"
#include "client/MessageDialog.h"
#include "submission/attachdialog/AttachmentDialog.h"

namespace client {
namespace {

class ClientDialogHost final : public e3::IDialogHost {
public:
    explicit ClientDialogHost(TClient& client) : client_(client) {}

    void MapCallbackEvent(const std::string& eventName) override
    {
        if (Te3_ClientForm* form = client_.CurrentForm())
            if (!form->EventMap.Contains(eventName))
                form->EventMap.Add(eventName, eventName);
    }

    void SendFileDialogResult(const std::string& callback, bool modalResult, const std::string& files,
                              int32_t filterIndex, int64_t fileSize) override
    {
        TEventList::SendFileDialogResult(callback, modalResult, files, filterIndex, fileSize);
    }

    void SendDirectoryResult(const std::string& callback, bool modalResult, const std::string& directory) override
    {
        TEventList::SendDirectoryResult(callback, modalResult, directory);
    }

    bool ValidateOpenDialog(e3::TOpenDialog& dialog) override { return client_.ValidateOpenDialog(dialog); }

    std::any EventListHandler(const std::string& eventName) override
    {
        fw::TComponent* list = EventListObject();
        const fw::TPropInfo* p = list ? list->ClassType().FindProperty(eventName) : nullptr;
        if (!p || p->kind != fw::TypeKind::Method || !p->IsReadable())
            return {};
        const fw::PropValue value = p->get(*list);
        const std::any* handler = std::get_if<std::any>(&value);
        return handler ? *handler : std::any();
    }

private:
    TClient& client_;
};

} // namespace

std::unique_ptr<e3::IDialogHost> MakeDialogHost(TClient& client)
{
    return std::make_unique<ClientDialogHost>(client);
}

bool TClient::ValidateOpenDialog(e3::TOpenDialog& dialog)
{
    const attach::LangText lang = [this](const std::string& key, const std::string& text) {
        return GetLangText(key, text);
    };
    const attach::ShowVerdict show = [](const std::string& title, const std::string& text) {
        MessageDialog(title, text, {"OK"});
    };
    fw::Guard<e3::TOpenDialog> guard(&dialog);
    bool valid = false;
    bool chosen = false;
    do {
        chosen = attach::ExecuteAttachmentDialog(dialog, valid, lang, show);
    } while (chosen && !valid && guard);
    return chosen && guard;
}

} // namespace client
