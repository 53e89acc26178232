#pragma once

namespace client {

// Gives the document viewer the client's texts and question box, and lets it
// tell the other clients when it takes the PDF reader.
void ConnectDocumentViewer();

} // namespace client
