#include "client/Client.h"
#include "client/FrmIP.h"
#include "client/MessageDialog.h"
#include "submission/crypto/Crypto.h"
#include "submission/ssl/SSLContext.h"
#include "u3/IniFile.h"
#include "u3/UserMessages.h"

namespace client {

void TClient::SetCADir(const std::string& folder)
{
    e3ssl::SetSSLCADir(folder);
}

void TClient::InitOpenSSL(const std::string& methodName)
{
    // From here on the signing routines report their failures to their
    // callers instead of raising them and writing "Crypto.log".
    submission::CryptoReporting& reporting = submission::CryptoSettings();
    reporting.logToFile = false;
    reporting.raise = false;

    const bool verify = u3::IniFile(ProgramIniFileName()).ReadInteger("Common", "SSLVerify", 1) != 0;
    e3ssl::SetSSLVerify(verify);
    if (!verify) {
        MessageDialog(GetLangText("g3Client.pas.Message.5", "Warning"), GetLangText("g3Client.pas.Message.6", "SSLVerify"),
                      {GetLangText("g3Client.pas.Message.4", "&OK")});
    }
    if (!e3ssl::InitSSLContext(methodName.empty() ? std::string("SSLv3") : methodName))
        u3::CurrentUserMessages().ShowMessage("OpenSSL library initialisation failed.");
}

} // namespace client
