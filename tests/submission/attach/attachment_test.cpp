// The verdict on one chosen file: extension against the filter, name, length,
// ZIP signature, then the rules of the file's kind.
#include "PdfFixture.h"
#include "support/TempDir.h"

#include "submission/attach/AttachmentCheck.h"

#include <gtest/gtest.h>

namespace {

struct Verdict {
    bool passed;
    int title;
    int message;
};

TEST(CheckAttachmentFile, TestsInOrder)
{
    e3test::TempDir dir;
    const std::string good = attachtest::OnePage(attachtest::kA4, attachtest::kHelvetica).Build();
    attachtest::HandPdf old = attachtest::OnePage(attachtest::kA4, attachtest::kHelvetica);
    old.version = "1.0";
    dir.write("a.pdf", good);
    dir.write("UPPER.PDF", good);
    dir.write("old.pdf", old.Build());
    dir.write("notpdf.pdf", "plain text");
    dir.write("scan.tif", "II*\0 not really");
    dir.write("photo.jpeg", "no jpeg");
    dir.write("noext", "x");
    dir.write(".hidden.pdf", good);
    dir.write("real.zip", "PK\3\4 rest");
    dir.write("fake.zip", "not a zip");
    dir.write("letter.doc", "anything");
    dir.write(std::string(60, 'n') + ".pdf", good);
    dir.write(std::string(61, 'n') + ".pdf", good);
    // 64 characters in 65 bytes: the length counts characters.
    dir.write(std::string(29, 'n') + std::string(30, ' ') + "é.pdf", good);

    struct Case {
        std::string file;
        const char* filter;
        Verdict expected;
    } const cases[] = {
        {"a.pdf", "PDF files|*.pdf", {true, 0, 0}},
        {"UPPER.PDF", "PDF files|*.pdf", {true, 0, 0}},
        {"scan.tif", "PDF files|*.pdf", {false, 1, 2}},
        {"noext", "PDF files|*.pdf", {false, 1, 2}},
        {"noext", "All files|*.*", {true, 0, 0}},
        {".hidden.pdf", "*.pdf", {false, 3, 4}},
        {"missing.pdf", "*.pdf", {false, 3, 4}},
        {std::string(60, 'n') + ".pdf", "*.pdf", {true, 0, 0}},
        {std::string(61, 'n') + ".pdf", "*.pdf", {false, 5, 6}},
        {std::string(29, 'n') + std::string(30, ' ') + "é.pdf", "*.pdf", {true, 0, 0}},
        {"real.zip", "Archives|*.zip", {true, 0, 0}},
        {"fake.zip", "Archives|*.zip", {false, 7, 8}},
        {"old.pdf", "*.pdf", {false, 90, 0}},
        {"notpdf.pdf", "*.pdf", {false, 11, 12}},
        {"scan.tif", "*.tif", {false, 11, 12}},
        {"photo.jpeg", "*.jpeg", {false, 11, 12}},
        {"letter.doc", "*.doc", {true, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + " with " + c.filter);
        const attach::AttachmentVerdict v = attach::CheckAttachmentFile(dir.str() + "/" + c.file, c.filter);
        EXPECT_EQ(v.passed, c.expected.passed);
        EXPECT_EQ(v.titleNumber, c.expected.title);
        EXPECT_EQ(v.messageNumber, c.expected.message);
        EXPECT_EQ(v.pdfMessage.empty(), c.expected.title != 90);
    }
}

TEST(AttachmentFilter, SignedPdfBecomesPdf)
{
    EXPECT_EQ(attach::AttachmentFilter("Signed|*.spdf;*.spdf"), "Signed|*.pdf;*.pdf");
    EXPECT_EQ(attach::AttachmentFilter("Signed|*.SPDF"), "Signed|*.SPDF");
    EXPECT_EQ(attach::AttachmentMessageKey(12), "g3Dialog.pas.Message.12");
    EXPECT_EQ(attach::AttachmentMessageDefault(8), "Chosen %s file is not ZIP file. Please choose another file.");
}

} // namespace
