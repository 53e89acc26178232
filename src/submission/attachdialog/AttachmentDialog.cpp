#include "submission/attachdialog/AttachmentDialog.h"

#include "e3/dialogs/FileDialogs.h"
#include "submission/attach/AttachmentCheck.h"

namespace attach {

std::string FormatVerdictText(const std::string& text, const std::string& path)
{
    std::string out;
    out.reserve(text.size() + path.size());
    size_t start = 0;
    for (size_t at = text.find("%s"); at != std::string::npos; at = text.find("%s", start)) {
        out.append(text, start, at - start);
        out += path;
        start = at + 2;
    }
    out.append(text, start, std::string::npos);
    return out;
}

bool ExecuteAttachmentDialog(e3::TOpenDialog& dialog, bool& valid, const LangText& lang, const ShowVerdict& show)
{
    valid = false;
    const std::string filter = AttachmentFilter(dialog.GetFilter());
    if (filter != dialog.GetFilter())
        dialog.SetFilter(filter);
    if (!dialog.Execute())
        return false;
    auto text = [&lang](int number) {
        const std::string key = AttachmentMessageKey(number), fallback = AttachmentMessageDefault(number);
        return lang ? lang(key, fallback) : fallback;
    };
    valid = true;
    // A copy: showing a verdict runs a modal loop.
    const std::vector<std::string> files = dialog.Files();
    for (const std::string& path : files) {
        const AttachmentVerdict verdict = CheckAttachmentFile(path, filter, lang);
        if (verdict.passed)
            continue;
        valid = false;
        const std::string message = verdict.pdfMessage.empty() ? text(verdict.messageNumber) : verdict.pdfMessage;
        if (show)
            show(text(verdict.titleNumber), FormatVerdictText(message, path));
    }
    return true;
}

} // namespace attach
