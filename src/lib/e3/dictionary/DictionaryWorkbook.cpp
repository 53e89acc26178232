// The workbook form of a dictionary: worksheet 1, row 1 naming the languages,
// one row per item. Written with libxlsxwriter, read with our own reader.
#include "e3/dictionary/DictCodePage.h"
#include "e3/dictionary/ItemSession.h"
#include "e3/dictionary/WorkbookReader.h"

#include "u3/AtomicFile.h"
#include "u3/Files.h"
#include "u3/StrLib.h"
#include "u3/UserMessages.h"

#include <xlsxwriter.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace e3 {
namespace {

constexpr const char* KeyColumnName = "UniLang:";

// Characters as a column width counts them (UTF-8 continuation bytes do not).
size_t DisplayLength(std::string_view text)
{
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

bool IsHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Readers take "_xHHHH_" in a cell for an escaped character; a word that
// holds such text itself gets its "_" escaped, so that it reads back as written.
std::string EscapeLiteralEscapes(const std::string& text)
{
    if (text.find("_x") == std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '_' && i + 6 < text.size() && text[i + 1] == 'x' && IsHex(text[i + 2]) && IsHex(text[i + 3]) &&
            IsHex(text[i + 4]) && IsHex(text[i + 5]) && text[i + 6] == '_') {
            out += "_x005F_";
            continue;
        }
        out += text[i];
    }
    return out;
}

void Check(lxw_error error)
{
    if (error != LXW_NO_ERROR)
        throw ELangException(std::string("Cannot write the workbook: ") + lxw_strerror(error) + ".");
}

// Frees a workbook that was never closed.
struct WorkbookGuard {
    lxw_workbook* workbook = nullptr;
    ~WorkbookGuard()
    {
        if (workbook)
            lxw_workbook_free(workbook);
    }
};

} // namespace

void TItemSession::ExportToExcel(const std::string& fileName)
{
    try {
        ExportWorkbook(fileName);
    } catch (const std::exception& e) {
        u3::CurrentUserMessages().ShowError(e.what());
    }
}

void TItemSession::ExportWorkbook(const std::string& fileName)
{
    const std::string path = u3::ToLocalPath(fileName);
    const int columns = languages_.Count();
    if (columns > LXW_COL_MAX)
        throw ELangException("Cannot write the workbook: more languages than a worksheet has columns.");
    if (items_.size() >= LXW_ROW_MAX)
        throw ELangException("Cannot write the workbook: more items than a worksheet has rows.");

    // The workbook is written beside its target and takes the target's name
    // only when complete.
    u3::AtomicFile file(path);
    if (!file.IsOpen() || !file.Finish())
        throw ELangException("Cannot create file \"" + path + "\". " + std::strerror(file.Error()));
    {
        WorkbookGuard guard;
        guard.workbook = workbook_new(file.TempPath().c_str());
        if (!guard.workbook)
            throw ELangException("Cannot create file \"" + path + "\".");
        lxw_worksheet* sheet = workbook_add_worksheet(guard.workbook, nullptr);
        lxw_format* header = workbook_add_format(guard.workbook);
        if (!sheet || !header)
            throw ELangException("Cannot write the workbook: out of memory.");
        format_set_bold(header);
        format_set_italic(header);
        format_set_underline(header, LXW_UNDERLINE_SINGLE);
        format_set_font_color(header, 0x000080);

        std::vector<size_t> widths(static_cast<size_t>(columns), 0);
        for (int i = 0; i < columns; ++i) {
            const std::string& name = languages_[i]->Name;
            Check(worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(i), EscapeLiteralEscapes(name).c_str(),
                                         header));
            widths[static_cast<size_t>(i)] = DisplayLength(name);
        }
        for (size_t r = 0; r < items_.size(); ++r) {
            const TLanguageItem& item = *items_[r];
            for (int i = 0; i < columns; ++i) {
                const std::string word = item.GetWordByIndex(i);
                if (word.empty())
                    continue;
                Check(worksheet_write_string(sheet, static_cast<lxw_row_t>(r + 1), static_cast<lxw_col_t>(i),
                                             EscapeLiteralEscapes(word).c_str(), nullptr));
                widths[static_cast<size_t>(i)] = std::max(widths[static_cast<size_t>(i)], DisplayLength(word));
            }
        }
        // Columns as wide as their longest text, as a spreadsheet's own fit
        // would make them (the format's widest column is 255 characters).
        for (int i = 0; i < columns; ++i) {
            const double width = static_cast<double>(std::min<size_t>(widths[static_cast<size_t>(i)] + 1, 255));
            Check(worksheet_set_column(sheet, static_cast<lxw_col_t>(i), static_cast<lxw_col_t>(i), width,
                                       nullptr));
        }
        lxw_workbook* workbook = guard.workbook;
        guard.workbook = nullptr; // closing frees it, whatever the outcome
        Check(workbook_close(workbook));

    }
    if (!file.KeepModeOr(0644) || !file.Commit())
        throw ELangException("Cannot create file \"" + path + "\". " + std::strerror(file.Error()));
}

void TItemSession::ImportFromExcel(const std::string& fileName)
{
    // A workbook that cannot be read ends the import without a message; the
    // rows added before the failure stay.
    try {
        ImportWorkbook(fileName);
    } catch (const std::exception&) {
    }
}

void TItemSession::ImportWorkbook(const std::string& fileName)
{
    const WorkbookSheet sheet = ReadFirstWorksheetFromFile(u3::ToLocalPath(fileName));

    // Column (from 1) to language position; -1 for a column without a name,
    // whose cells belong to no language.
    std::vector<int> positions(static_cast<size_t>(sheet.ColumnCount) + 1, -1);
    const TLanguage* keyLanguage = nullptr;
    int keyColumn = 0;
    for (int c = 1; c <= sheet.ColumnCount; ++c) {
        const std::string name = sheet.Cell(1, c);
        if (name.empty())
            continue;
        TLanguage* lang = languages_.FindLanguage(name);
        if (!lang) {
            auto created = std::make_unique<TLanguage>();
            created->Name = name;
            created->Caption = name;
            created->Prefix = "-" + name + ":" + ">";
            created->Visible = true;
            created->IsRemark = false;
            lang = AddLanguage(created);
        }
        if (u3::SameText(name, KeyColumnName)) {
            keyLanguage = lang;
            keyColumn = c;
        }
        positions[static_cast<size_t>(c)] = lang->Index;
    }

    enum class Duplicates { Add, Replace, Skip } mode = Duplicates::Add;
    if (keyLanguage && GetItemCount() > 0) {
        switch (u3::CurrentUserMessages().AskYesNoCancel(
            "Question", "Press \"Yes\" if you want to override translations of the existing records with the same "
                        "ones, press \"No\" if you want to add duplicate records or press \"Cancel\" to ignore "
                        "duplicate records.")) {
        case u3::QuestionAnswer::Yes:
            mode = Duplicates::Replace;
            break;
        case u3::QuestionAnswer::No:
            mode = Duplicates::Add;
            break;
        case u3::QuestionAnswer::Cancel:
            mode = Duplicates::Skip;
            break;
        }
    }

    // Rows without cells add nothing, so only the rows present are visited.
    TLanguageWord row;
    for (auto it = sheet.Rows.upper_bound(1); it != sheet.Rows.end(); ++it) {
        const auto& cells = it->second;
        std::string key;
        if (keyColumn > 0)
            if (auto k = cells.find(keyColumn); k != cells.end())
                key = k->second;
        if (mode == Duplicates::Skip && IndexOfWord(key, keyLanguage) >= 0)
            continue;
        row.Init(languages_.Count());
        for (const auto& [column, text] : cells) {
            const int position = positions[static_cast<size_t>(column)];
            if (position >= 0)
                row.Words[static_cast<size_t>(position)] = text;
        }
        if (mode == Duplicates::Replace)
            ReplaceItemsByWord(key, keyLanguage, row);
        else
            AddItem(row);
    }
}

} // namespace e3
