#include "submission/efipclient/EFIPRegistration.h"

#include "submission/efip/EFIPEnvironment.h"
#include "submission/efip/EFIPProtocol.h"
#include "submission/efiphttps/EFIPHttpsConnection.h"

#include "client/ClassRegistry.h"
#include "client/Client.h"
#include "client/FormReader.h"
#include "client/Globals.h"

#include <filesystem>

namespace efip {

void RegisterEFIPClasses()
{
    client::RegisterClass(Te3EFIPProtocol::StaticClass());
    client::RegisterClass(Te3_EFIPProtocol::StaticClass());
    UseHttpsConnections();
    SetLangTextSource([](const std::string& key, const std::string& defaultText) {
        client::TClient* c = client::Client();
        return c ? c->GetLangText(key, defaultText) : defaultText;
    });
    SetTempFolderSource([]() -> std::string {
        client::TClient* c = client::Client();
        if (!c || c->TempFolder().empty())
            return {};
        std::error_code ec;
        std::filesystem::create_directories(c->TempFolder(), ec);
        return c->TempFolder();
    });
    SetFreeHandler([](fw::TComponent* component) { client::FreeEngineComponent(component); });
}

} // namespace efip
