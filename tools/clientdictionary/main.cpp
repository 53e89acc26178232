// Makes the client's local dictionary at build time from its text source:
//   clientdictionary SOURCE OUTPUT
// SOURCE is UTF-8 text, one line per row and the cells separated by tabs. Its
// first line names the columns with their dictionary captions and must begin
// with the keys and the default texts ("Unilang:", "Unitext:"), then the
// languages ("English:" at least). Every further line is one text: its key,
// its default text and its translations; an empty cell leaves that language
// without the text. Empty lines and lines that begin with "#" are skipped.
// OUTPUT is written as a dictionary file, replaced only once it is complete.
#include "e3/dictionary/DictCodePage.h"
#include "e3/dictionary/ItemSession.h"
#include "u3/AtomicFile.h"
#include "u3/StrLib.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

int Fail(const std::string& text)
{
    std::fprintf(stderr, "clientdictionary: %s\n", text.c_str());
    return 1;
}

std::vector<std::string> Cells(std::string_view line)
{
    std::vector<std::string> cells;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        cells.emplace_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos)
            return cells;
        start = tab + 1;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return Fail("usage: clientdictionary SOURCE OUTPUT");
    const std::string sourceName = argv[1];
    std::ifstream in(sourceName, std::ios::binary);
    if (!in)
        return Fail("cannot read " + sourceName);
    const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!u3::IsValidUtf8(source))
        return Fail(sourceName + " is not UTF-8");

    e3::TItemSession dictionary;
    std::vector<std::string> columns;
    std::set<std::string> keys;
    int lineNumber = 0;
    size_t start = 0;
    while (start < source.size()) {
        size_t end = source.find('\n', start);
        if (end == std::string::npos)
            end = source.size();
        std::string_view line(source.data() + start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        const std::string where = sourceName + ":" + std::to_string(lineNumber) + ": ";
        std::vector<std::string> cells = Cells(line);
        if (columns.empty()) {
            if (cells.size() < 3 || cells[0] != "Unilang:" || cells[1] != "Unitext:")
                return Fail(where + "the columns must begin with Unilang:, Unitext: and a language");
            for (const std::string& caption : cells) {
                auto lang = std::make_unique<e3::TLanguage>();
                lang->Name = caption;
                lang->Caption = caption;
                lang->Prefix = "-" + caption;
                if (caption.empty() || !dictionary.AddLanguage(lang))
                    return Fail(where + "a column is empty or named twice");
            }
            columns = cells;
            continue;
        }
        if (cells.size() > columns.size())
            return Fail(where + "more cells than columns");
        cells.resize(columns.size());
        if (cells[0].empty() || cells[1].empty())
            return Fail(where + "a text needs its key and its default text");
        if (!keys.insert(cells[0]).second)
            return Fail(where + "the key " + cells[0] + " appears twice");
        // Dictionary words are bytes of its code page.
        e3::TLanguageWord row;
        for (const std::string& cell : cells)
            row.Words.push_back(e3::Utf8ToCodePage(cell));
        dictionary.AddItem(row);
    }
    if (keys.empty())
        return Fail(sourceName + " holds no texts");

    std::string bytes;
    dictionary.SaveToStream(bytes);
    if (!u3::WriteFileAtomically(argv[2], bytes))
        return Fail(std::string("cannot write ") + argv[2]);
    return 0;
}
