#include "client/submission/SignRegistration.h"

#include "client/ClassRegistry.h"
#include "client/FrmIP.h"
#include "client/MessageDialog.h"
#include "client/StartUp.h"
#include "client/submission/ClientTexts.h"
#include "platform/SmartCardChecker.h"
#include "submission/sign/Sign.h"

namespace submission {

void RegisterSignClasses()
{
    client::RegisterClass(Te3Sign::StaticClass());
    client::RegisterClass(Te3_Sign::StaticClass());
    SignHooks hooks;
    hooks.langText = client::ClientLangText;
    hooks.showError = [](const std::string& title, const std::string& text) {
        client::MessageDialog(title, text, {"OK"});
    };
    hooks.iniFileName = client::ProgramIniFileName;
    hooks.getSmartCardCertList = platform::GetSmartCardCertList;
    hooks.signWithSmartCard = platform::SignFileWithSmartCard;
    hooks.restartSmartCardChecker = [] { platform::RestartSmartCardChecker(client::ClientDirectory()); };
    SetSignHooks(std::move(hooks));
}

} // namespace submission
