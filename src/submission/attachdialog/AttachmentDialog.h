#pragma once
// Runs an open dialog once and tests every chosen file as an attachment,
// telling the user about each file that fails.
#include "submission/attach/AnnexF.h"

#include <functional>
#include <string>

namespace e3 {
class TOpenDialog;
}

namespace attach {

// Shows one verdict to the user: a title and a text, with an OK button.
using ShowVerdict = std::function<void(const std::string& title, const std::string& text)>;

// The dialog's filter loses its ".spdf" masks (they become ".pdf"); then the
// dialog runs. The result is whether the user chose files; valid is true only
// when every chosen file passed. A failed file shows its verdict ("%s" in the
// text stands for the file's path) and the next file is still tested.
bool ExecuteAttachmentDialog(e3::TOpenDialog& dialog, bool& valid, const LangText& lang, const ShowVerdict& show);

// text with every "%s" replaced by path.
std::string FormatVerdictText(const std::string& text, const std::string& path);

} // namespace attach
