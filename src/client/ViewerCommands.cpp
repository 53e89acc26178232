// The engine's commands that show documents in the viewer and print PDF
// files, and the viewer's downloads.
#include "client/Client.h"

#include "client/ClientForm.h"
#include "client/DocumentViewer.h"
#include "client/EventList.h"
#include "client/PrintPDF.h"
#include "framework/MessagePump.h"
#include "platform/Printing.h"
#include "u3/Exceptions.h"
#include "u3/Files.h"
#include "u3/StrLib.h"

#include <sys/stat.h>

namespace client {

namespace {

const char* const kSep = "<|>";

// The extension of a server path ("\" or "/" delimited), with its dot.
std::string ExtensionOf(const std::string& serverPath)
{
    const std::string name = u3::ExtractFileNameAny(serverPath);
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

bool IsTrueFlag(const std::string& text)
{
    return text == "1" || u3::SameText(text, "true");
}

} // namespace

std::string TClient::NextPDFFolderName(const std::string& extension)
{
    if (tempFolder_.empty())
        return {};
    const std::string pdfFolder = tempFolder_ + "/PDF";
    ::mkdir(pdfFolder.c_str(), 0700);
    return u3::NextNumberedFileName(pdfFolder + "/0" + extension);
}

bool TClient::FetchViewerFile(const std::string& serverPath, std::string& localPath)
{
    const std::string extension = ExtensionOf(serverPath);
    localPath = NextPDFFolderName(extension);
    if (localPath.empty())
        return false;
    const int32_t result = u3::SameText(extension, ".xml") ? ReceiveWholeFile(localPath, serverPath)
                                                          : ReceiveFileFromServer(localPath, serverPath);
    return result == 1;
}

void TClient::_ViewPDF(const std::string& value)
{
    if (!documentViewer_)
        return;
    const std::string local = NextPDFFolderName(ExtensionOf(value));
    if (local.empty() || ReceiveFileFromServer(local, value) != 1)
        return;
    if (Te3_ClientForm* form = CurrentForm())
        documentViewer_->ViewFile(local, form->GetLeft(), form->GetTop(), form->GetWidth(), form->GetHeight());
    else
        documentViewer_->ViewFile(local, -1, 0, 0, 0);
}

int TClient::ViewFileListCommand(const std::string& value, bool ext)
{
    // The files run up to the first separator; everything after it names the callback.
    const auto sep = value.find(kSep);
    const std::string files = sep == std::string::npos ? value : value.substr(0, sep);
    const std::string callback = sep == std::string::npos ? std::string() : value.substr(sep + 3);
    // The viewer is placed over the current form, which it needs.
    fw::Guard<Te3_ClientForm> form(CurrentForm());
    if (!documentViewer_ || !form)
        return 0;
    auto fetch = [this](const std::string& serverPath, std::string& localPath) {
        return FetchViewerFile(serverPath, localPath);
    };
    const int left = form->GetLeft(), top = form->GetTop(), width = form->GetWidth(), height = form->GetHeight();
    const int result = ext ? documentViewer_->ViewFileListExt(files, left, top, width, height, fetch)
                           : documentViewer_->ViewFileList(files, left, top, width, height, fetch);
    fw::DrainMessageQueue();
    SetCurrentForm(form.get());
    if (!callback.empty()) {
        PrepareCallback(callback);
        TEventList::SendModalResult(callback, result);
    }
    return result;
}

void TClient::_ViewPDFList(const std::string& value)
{
    ViewFileListCommand(value, false);
}

void TClient::_ViewPDFExt(const std::string& value)
{
    ViewFileListCommand(value, true);
}

void TClient::_PrintPDF(const std::string& value)
{
    std::string printer;
    if (IsTrueFlag(u3::TokenAt(value, 1, kSep)) && !platform::ChoosePrinter(printer))
        return;
    std::vector<std::string> files;
    for (const std::string& serverPath : u3::SplitTextLines(u3::TokenAt(value, 0, kSep))) {
        if (u3::Trim(serverPath).empty())
            continue;
        const std::string local = NextPDFFolderName(".pdf");
        if (local.empty())
            return;
        // A file that did not arrive ends the command before anything is printed.
        if (ReceiveFileFromServer(local, serverPath) != 1)
            throw u3::Exception("Cannot open file " + serverPath);
        files.push_back(local);
    }
    if (!files.empty())
        PrintPDFFiles(files, printer);
}

} // namespace client
