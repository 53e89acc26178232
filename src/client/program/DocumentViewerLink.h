#pragma once
// The client's way to the document viewer; the program hands one to the
// client at start-up.
#include "client/DocumentViewer.h"

namespace program {

class TDocumentViewerLink final : public client::IDocumentViewer {
public:
    bool ViewFile(const std::string& localPath, int left, int top, int width, int height) override;
    int ViewFileList(const std::string& listText, int left, int top, int width, int height, FetchFile fetch) override;
    int ViewFileListExt(const std::string& text, int left, int top, int width, int height, FetchFile fetch) override;
    void CloseViewer() override;
};

} // namespace program
