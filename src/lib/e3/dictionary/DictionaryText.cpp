// The text form of a dictionary: one block per item, one "prefix>word" line
// per language, blocks separated by empty lines. It is also the form of the
// trace file of untranslated words, so that those can be translated and read
// back.
#include "e3/dictionary/DictCodePage.h"
#include "e3/dictionary/DictionaryFiles.h"
#include "e3/dictionary/ItemSession.h"
#include "u3/Files.h"
#include "u3/UserMessages.h"

#include <exception>

namespace e3 {
namespace {

bool IsBlankLine(std::string_view line)
{
    for (char c : line)
        if (static_cast<unsigned char>(c) > ' ')
            return false;
    return true;
}

void AppendLine(std::string& out, std::string_view a, std::string_view b = {}, std::string_view c = {})
{
    out.append(a);
    out.append(b);
    out.append(c);
    out.append("\r\n");
}

// Lines end at CR LF, LF or CR.
std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

} // namespace

void TItemSession::WriteTextExport(const std::string& fileName, const std::string& bytes)
{
    const std::string error = ReplaceFileKeepingBackup(PathBesideProgram(fileName), bytes);
    if (!error.empty())
        throw ELangException(error);
}

void TItemSession::ExportToText(const std::string& fileName)
{
    try {
        std::vector<std::string> prefixes;
        for (int i = 0; i < languages_.Count(); ++i)
            prefixes.push_back(Utf8ToCodePage(languages_[i]->Prefix));
        std::string out;
        for (const auto& item : items_) {
            for (size_t column = 0; column < item->Indexes.size() && column < wordLists_.size(); ++column) {
                const int position = item->Indexes[column];
                if (position < 0)
                    continue;
                AppendLine(out, prefixes[column], ">", wordLists_[column]->GetWord(position));
            }
            AppendLine(out, {});
        }
        WriteTextExport(fileName, out);
    } catch (const std::exception& e) {
        u3::CurrentUserMessages().ShowError(e.what());
    }
}

void TItemSession::ExportLanguageToText(const std::string& fileName, const TLanguage* lang)
{
    try {
        const auto& list = *wordLists_[static_cast<size_t>(RequireColumn(lang, true))];
        std::vector<std::string> prefixes;
        for (int i = 0; i < languages_.Count(); ++i)
            prefixes.push_back(Utf8ToCodePage(languages_[i]->Prefix));
        std::string out;
        for (int i = 0; i < list.Count(); ++i) {
            const TLanguageItem* item = list.GetObject(i);
            if (!item)
                continue;
            for (size_t column = 0; column < prefixes.size(); ++column) {
                const int position = column < item->Indexes.size() ? item->Indexes[column] : -1;
                const auto& words = *wordLists_[column];
                AppendLine(out, prefixes[column], ">",
                           position >= 0 && position < words.Count() ? std::string_view(words.GetWord(position))
                                                                     : std::string_view());
            }
            AppendLine(out, {});
        }
        WriteTextExport(fileName, out);
    } catch (const std::exception& e) {
        u3::CurrentUserMessages().ShowError(e.what());
    }
}

void TItemSession::ImportFromText(const std::string& fileName)
{
    try {
        const std::optional<std::string> data = ReadWholeFile(u3::ToLocalPath(fileName));
        if (!data)
            throw ELangException("Cannot open file \"" + fileName + "\".");
        ImportTextLines(*data);
    } catch (const std::exception& e) {
        u3::CurrentUserMessages().ShowError(e.what());
    }
}

void TItemSession::ImportTextLines(const std::string& bytes)
{
    const std::string text = CodePageToUtf8(bytes);
    TLanguageWord row;
    bool inBlock = false;
    for (std::string_view line : SplitLines(text)) {
        if (IsBlankLine(line)) {
            if (inBlock)
                AddItem(row);
            inBlock = false;
            continue;
        }
        if (!inBlock) {
            row.Init(languages_.Count());
            inBlock = true;
        }
        for (;;) {
            int matched = -1;
            size_t wordStart = 0;
            for (int i = 0; i < languages_.Count() && matched < 0; ++i) {
                const std::string& prefix = languages_[i]->Prefix;
                if (prefix.empty())
                    continue;
                const size_t at = line.find(prefix + ">");
                if (at != std::string_view::npos) {
                    matched = i;
                    wordStart = at + prefix.size() + 1;
                }
            }
            if (matched >= 0) {
                const std::string_view word = line.substr(wordStart);
                if (!word.empty())
                    row.Words[static_cast<size_t>(matched)] = std::string(word);
                break;
            }
            const size_t gt = line.find('>');
            // "-German:>Haus": prefix "-German:", name "German". A line whose
            // name would be empty, or names a column that exists under another
            // prefix, is skipped: reading it again would find no column either.
            if (gt == std::string_view::npos || gt < 3)
                break;
            auto lang = std::make_unique<TLanguage>();
            lang->Prefix = std::string(line.substr(0, gt));
            lang->Name = std::string(line.substr(1, gt - 2));
            lang->Caption = lang->Name;
            lang->Visible = true;
            lang->IsRemark = false;
            if (!AddLanguage(lang))
                break;
            row.Words.emplace_back();
        }
    }
    if (inBlock)
        AddItem(row);
}

void TItemSession::ExportToFile(const std::string& fileName, int format)
{
    if (format == 2)
        ExportToExcel(fileName);
    else if (format == 3)
        SaveToFileWide(fileName);
    else
        ExportToText(fileName);
}

void TItemSession::ImportFromFile(const std::string& fileName, int format)
{
    if (format == 1 || format == 2)
        ImportFromText(fileName);
    else if (format == 3)
        ImportFromExcel(fileName);
}

} // namespace e3
