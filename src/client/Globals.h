#pragma once
// The program-wide objects: the client object and the event list. The start-up
// creates and frees them; tests set them up in their fixtures.
namespace fw {
class TComponent;
}

namespace client {

class TClient;

TClient* Client();
void SetClient(TClient* client);

// The event list, as a component whose published events are the handlers the
// engine binds.
fw::TComponent* EventListObject();
void SetEventListObject(fw::TComponent* eventList);

} // namespace client
