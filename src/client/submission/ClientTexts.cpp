#include "client/submission/ClientTexts.h"

#include "client/Client.h"
#include "client/Globals.h"

namespace client {

std::string ClientLangText(const std::string& key, const std::string& defaultText)
{
    TClient* c = Client();
    return c ? c->GetLangText(key, defaultText) : defaultText;
}

} // namespace client
