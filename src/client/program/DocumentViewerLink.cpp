#include "DocumentViewerLink.h"

#include "submission/viewer/FormPDFView.h"

namespace program {

bool TDocumentViewerLink::ViewFile(const std::string& localPath, int left, int top, int width, int height)
{
    return viewer::ViewFile(localPath, left, top, width, height);
}

int TDocumentViewerLink::ViewFileList(const std::string& listText, int left, int top, int width, int height,
                                      FetchFile fetch)
{
    return viewer::ViewFileList(listText, left, top, width, height, std::move(fetch));
}

int TDocumentViewerLink::ViewFileListExt(const std::string& text, int left, int top, int width, int height,
                                         FetchFile fetch)
{
    return viewer::ViewFileListExt(text, left, top, width, height, std::move(fetch));
}

void TDocumentViewerLink::CloseViewer()
{
    viewer::ClosePDFView();
}

} // namespace program
