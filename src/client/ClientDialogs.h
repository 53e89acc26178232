#pragma once
// What the engine's file and folder dialogs need of the client: the callback
// events, the current form's event map and the attachment check.
#include "e3/dialogs/FileDialogs.h"

#include <memory>

namespace client {

class TClient;

std::unique_ptr<e3::IDialogHost> MakeDialogHost(TClient& client);

} // namespace client
