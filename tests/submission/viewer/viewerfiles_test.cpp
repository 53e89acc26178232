// What the viewer makes of file names, list texts and file contents.
#include "submission/viewer/ViewerFiles.h"

#include <gtest/gtest.h>

namespace {

TEST(GetViewerFileType, ByExtensionWithoutCase)
{
    const std::pair<const char*, int> cases[] = {
        {"a.pdf", viewer::kViewPdf},   {"B.TIF", viewer::kViewTiff}, {"c.tiff", viewer::kViewTiff},
        {"d.JPE", viewer::kViewJpeg},  {"e.jpeg", viewer::kViewJpeg}, {"f.app", viewer::kViewText},
        {"g.Txt", viewer::kViewText},  {"h.xml", viewer::kViewXml},   {"i.doc", viewer::kViewNone},
        {"dir.pdf/noext", viewer::kViewNone}, {"C:\\docs\\scan.tif", viewer::kViewTiff},
    };
    for (const auto& [name, kind] : cases)
        EXPECT_EQ(viewer::GetViewerFileType(name), kind) << name;
}

TEST(ParseViewFileList, SeparatorsBecomeEntries)
{
    const viewer::ViewerList list = viewer::ParseViewFileList("C:\\in\\claims.pdf>|</srv/abstract.tif");
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_EQ(list.entries[0].file, "C:\\in\\claims.pdf");
    EXPECT_EQ(list.entries[0].caption, "claims");
    EXPECT_EQ(list.entries[1].caption, "abstract");
    EXPECT_FALSE(list.twoLine);
}

TEST(ParseViewFileListExt, FieldCountsChooseTheEntryKind)
{
    const viewer::ViewerList list = viewer::ParseViewFileListExt(
        "/srv/plain.pdf\r\n"
        "Claims>|</srv/claims.pdf>|<3\r\n"
        "FirstPreview>|<claims.pdf\r\n"
        "Drawings>|</srv/draw.pdf>|</srv/draw_orig.tif>|<x\r\n");
    EXPECT_TRUE(list.twoLine);
    EXPECT_EQ(list.firstPreview, "claims.pdf");
    ASSERT_EQ(list.entries.size(), 3u);
    EXPECT_EQ(list.entries[0].caption, "plain");
    EXPECT_EQ(list.entries[0].startPage, "1");
    EXPECT_EQ(list.entries[1].caption, "Claims");
    EXPECT_EQ(list.entries[1].file, "/srv/claims.pdf");
    EXPECT_EQ(list.entries[1].secondLine, "/srv/claims.pdf");
    EXPECT_EQ(list.entries[1].startPage, "3");
    EXPECT_EQ(list.entries[2].secondLine, "/srv/draw_orig.tif");
    EXPECT_EQ(list.entries[2].startPage, "x");
}

TEST(DecodeTextForDisplay, Utf16Utf8AndWindows1252)
{
    EXPECT_EQ(viewer::DecodeTextForDisplay(std::string("\xFF\xFE" "A\0\xE9\0", 6)), "A\xC3\xA9");
    EXPECT_EQ(viewer::DecodeTextForDisplay(std::string("\xFE\xFF\0A\0\xE9", 6)), "A\xC3\xA9");
    EXPECT_EQ(viewer::DecodeTextForDisplay("\xEF\xBB\xBFgr\xC3\xBC\xC3\x9F"), "gr\xC3\xBC\xC3\x9F");
    EXPECT_EQ(viewer::DecodeTextForDisplay("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(FormatXmlForDisplay, CollapsesAndIndents)
{
    const std::string text = viewer::FormatXmlForDisplay(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>\n\t<b x=\"1\">text</b>   <c/>\n</a>\n");
    EXPECT_NE(text.find("<a>\n  <b x=\"1\">text</b>\n  <c/>\n</a>"), std::string::npos) << text;
    // Not XML: shown as normalised text.
    EXPECT_EQ(viewer::FormatXmlForDisplay("<a>\n\n<b>"), "<a><b>");
}

} // namespace
