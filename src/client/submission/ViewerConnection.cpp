#include "client/submission/ViewerConnection.h"

#include "client/Client.h"
#include "client/Globals.h"
#include "client/MessageDialog.h"
#include "client/submission/ClientTexts.h"
#include "submission/viewer/FormPDFView.h"

namespace client {

void ConnectDocumentViewer()
{
    viewer::ViewerHooks hooks;
    hooks.langText = ClientLangText;
    hooks.ask = MessageDialog;
    hooks.tookPdfReader = [] {
        if (TClient* c = Client())
            c->BroadcastMessage("", "", c->Cookie(), "", "Close_PDF_Preview", "0");
    };
    viewer::SetViewerHooks(std::move(hooks));
}

} // namespace client
