#pragma once
// The tests a file chosen as an attachment must pass, in order: an allowed
// extension, a sound name, a name of at most 64 characters, a real ZIP file,
// and the format rules of its kind. Free of widgets: the dialog that shows the
// verdicts lives in the GUI.
#include "submission/attach/AnnexF.h"

#include <string>

namespace attach {

struct AttachmentVerdict {
    bool passed = true;
    // The message numbers under "g3Dialog.pas.Message." of the title and the
    // text; 0 when the file passed.
    int titleNumber = 0;
    int messageNumber = 0;
    // The failed PDF rule's text (already from lang); used instead of the
    // message number when not empty.
    std::string pdfMessage;
};

// Every ".spdf" of a filter that names one becomes ".pdf".
std::string AttachmentFilter(const std::string& filter);

// Tests one chosen file (a full path) against the dialog's filter.
AttachmentVerdict CheckAttachmentFile(const std::string& path, const std::string& filter, const LangText& lang = {});

// "g3Dialog.pas.Message." and the number, and the number's default text
// ("%s" stands for the file's path).
std::string AttachmentMessageKey(int number);
std::string AttachmentMessageDefault(int number);

} // namespace attach
