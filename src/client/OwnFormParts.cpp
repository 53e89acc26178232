#include "client/OwnFormParts.h"

#include "client/Client.h"
#include "client/EventList.h"
#include "client/Globals.h"

namespace client {

void SendOwnFormEvent(fw::TCustomForm* form, const char* eventName)
{
    auto* list = dynamic_cast<TEventList*>(EventListObject());
    if (!list || !Client() || !Client()->Engine())
        return;
    if (fw::TNotifyEvent handler = list->HandlerOf<fw::TNotifyEvent>(eventName))
        handler(form);
}

std::string OwnFormText(const std::string& key, const std::string& defaultText)
{
    TClient* c = Client();
    return c ? c->GetLangText(key, defaultText) : defaultText;
}

} // namespace client
