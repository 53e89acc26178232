#pragma once
// The document viewer sits above the client (it uses the client's texts and
// dialogs), so the client reaches it through this interface, which the
// program hands in at start-up. Without one the viewer commands show nothing.
#include <functional>
#include <string>

namespace client {

class IDocumentViewer {
public:
    // Fetches a list entry's file from the engine: true and the local copy's path.
    using FetchFile = std::function<bool(const std::string& serverPath, std::string& localPath)>;

    virtual ~IDocumentViewer() = default;

    // One local file, shown without waiting. Left = -1 maximises the viewer.
    virtual bool ViewFile(const std::string& localPath, int left, int top, int width, int height) = 0;
    // The list modes, shown modally; the result is the viewer's modal result.
    virtual int ViewFileList(const std::string& listText, int left, int top, int width, int height,
                             FetchFile fetch) = 0;
    virtual int ViewFileListExt(const std::string& text, int left, int top, int width, int height,
                                FetchFile fetch) = 0;
    // Closes and frees an open viewer.
    virtual void CloseViewer() = 0;

};

} // namespace client
