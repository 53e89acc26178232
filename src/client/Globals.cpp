#include "client/Globals.h"

namespace client {
namespace {
TClient* theClient = nullptr;
fw::TComponent* theEventList = nullptr;
} // namespace

TClient* Client()
{
    return theClient;
}

void SetClient(TClient* client)
{
    theClient = client;
}

fw::TComponent* EventListObject()
{
    return theEventList;
}

void SetEventListObject(fw::TComponent* eventList)
{
    theEventList = eventList;
}

} // namespace client
