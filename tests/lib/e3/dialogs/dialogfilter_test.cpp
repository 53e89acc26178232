#include "e3/dialogs/DialogFilter.h"

#include <gtest/gtest.h>

namespace {

using e3::TChooseMode;
using e3::OpenOption;

std::string Describe(const std::vector<e3::TFilterEntry>& entries)
{
    std::string out;
    for (const auto& e : entries) {
        out += "[" + e.description + ":";
        for (size_t i = 0; i < e.masks.size(); ++i)
            out += (i ? "," : "") + e.masks[i];
        out += "]";
    }
    return out;
}

TEST(DialogFilter, EntriesAlternateDescriptionsAndMaskLists)
{
    struct Case {
        const char* filter;
        const char* entries;
    };
    const Case cases[] = {
        {"", ""},
        {"PDF files (*.pdf)|*.pdf", "[PDF files (*.pdf):*.pdf]"},
        {"Documents|*.pdf; *.doc ;*.txt|All files|*.*", "[Documents:*.pdf,*.doc,*.txt][All files:*.*]"},
        // Empty masks between separators are dropped; a trailing description
        // without masks is still an entry.
        {"Text|;*.txt;;|Other", "[Text:*.txt][Other:]"},
        {"Text|*.txt|", "[Text:*.txt]"},
        {"|*.a", "[:*.a]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Describe(e3::ParseFilter(c.filter)), c.entries) << c.filter;
}

TEST(DialogFilter, MasksMatchEitherLetterCaseAndKeepBracketsPlain)
{
    struct Case {
        const char* mask;
        const char* qt;
    };
    const Case cases[] = {
        {"*.pdf", "*.[pP][dD][fF]"},
        {"*.*", "*"},
        {"*", "*"},
        {"a?_1.TXT", "[aA]?_1.[tT][xX][tT]"},
        {"x[1].bin", "[xX][[]1[]].[bB][iI][nN]"},
        // What Qt cannot hold in a name filter matches any one character.
        {"my file.*", "[mM][yY]?[fF][iI][lL][eE].*"},
        {"a(1).txt", "[aA]?1?.[tT][xX][tT]"},
        {"\xC3\xA9t\xC3\xA9.doc", "?[tT]?.[dD][oO][cC]"},
        {"\xF0\x9F\x98\x80.png", "??.[pP][nN][gG]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(e3::QtMask(c.mask), c.qt) << c.mask;

    EXPECT_EQ(e3::QtNameFilter({"PDF (*.pdf)", {"*.pdf", "*.*"}}), "PDF (*.pdf) (*.[pP][dD][fF] *)");
}

TEST(DialogFilter, OptionsMapOntoTheDialogRun)
{
    using e3::TOpenOption;
    const e3::TOpenOptions mustExist = OpenOption(e3::ofFileMustExist);
    const e3::TOpenOptions multi = OpenOption(e3::ofAllowMultiSelect) | mustExist;

    EXPECT_EQ(e3::MapOptions(0, false).mode, TChooseMode::AnyFile);
    EXPECT_EQ(e3::MapOptions(mustExist, false).mode, TChooseMode::ExistingFile);
    EXPECT_EQ(e3::MapOptions(multi, false).mode, TChooseMode::ExistingFiles);
    EXPECT_FALSE(e3::MapOptions(multi, false).save);

    // Saving takes any name, whatever the options say about existing files.
    for (e3::TOpenOptions options : {e3::TOpenOptions(0), mustExist, multi}) {
        const e3::TDialogSetup save = e3::MapOptions(options, true);
        EXPECT_TRUE(save.save);
        EXPECT_EQ(save.mode, TChooseMode::AnyFile) << options;
        EXPECT_FALSE(save.confirmOverwrite);
    }
    EXPECT_TRUE(e3::MapOptions(OpenOption(e3::ofOverwritePrompt), true).confirmOverwrite);

    EXPECT_TRUE(e3::MapOptions(0, false).resolveSymlinks);
    EXPECT_FALSE(e3::MapOptions(OpenOption(e3::ofNoDereferenceLinks), false).resolveSymlinks);
    EXPECT_TRUE(e3::MapOptions(OpenOption(e3::ofForceShowHidden), false).showHidden);
}

TEST(DialogFilter, ExtensionDiffersFromTheDefault)
{
    struct Case {
        const char* file;
        const char* ext;
        bool differs;
    };
    const Case cases[] = {
        {"/tmp/a.pdf", "pdf", false},  {"/tmp/a.PDF", ".pdf", false}, {"/tmp/a.pdf.txt", "pdf", true},
        {"/tmp/a", "pdf", true},       {"/tmp/x.d/a", "d", true},     {"/tmp/a.", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(e3::ExtensionDiffers(c.file, c.ext), c.differs) << c.file << " " << c.ext;
}

} // namespace
