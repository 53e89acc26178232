// The PDF rules and the structure reader behind them, on files written by hand.
#include "PdfFixture.h"
#include "support/TempDir.h"

#include "submission/attach/AnnexF.h"
#include "submission/attach/PDFDocument.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace attachtest;

namespace {

// Answers every text with its key, so that a test sees which rule failed.
std::string KeyOnly(const std::string& key, const std::string&)
{
    return key;
}

struct PdfCase {
    const char* name;
    std::string bytes;
    bool passes;
    const char* message; // the key of the failed rule; "" for none
};

HandPdf WithVersion(const char* v)
{
    HandPdf pdf = OnePage(kA4, kHelvetica);
    pdf.version = v;
    return pdf;
}

std::vector<PdfCase> Cases()
{
    const std::string trueTypeBare =
        "<< /Type /Font /Subtype /TrueType /BaseFont /Arial /FontDescriptor 6 0 R >>";
    const std::string descriptorBare = "<< /Type /FontDescriptor /FontName /Arial /Flags 32 >>";
    const std::string descriptorFile = "<< /Type /FontDescriptor /FontName /Arial /Flags 32 /FontFile2 7 0 R >>";
    const std::string fontProgram = "<< /Length 4 >>\nstream\nabcd\nendstream";
    const std::string type0 = "<< /Type /Font /Subtype /Type0 /BaseFont /ABCDEF+Arial /Encoding /Identity-H "
                              "/DescendantFonts [6 0 R] >>";
    const std::string cidFont = "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /ABCDEF+Arial /FontDescriptor 7 0 R >>";

    HandPdf noRoot = OnePage(kA4, kHelvetica);
    noRoot.objects[0] = "<< /Type /Catalog >>";
    HandPdf crlf = OnePage(kA4, kHelvetica);
    crlf.lineEnd = "\r\n";
    HandPdf times = OnePage(kA4, "<< /Type /Font /Subtype /TrueType /BaseFont /TimesNewRoman >>");

    std::string badXref = OnePage(kA4, kHelvetica).Build();
    badXref.replace(badXref.find("xref\n0 6"), 8, "xref\n0 x6");

    return {
        {"A4 with a standard font", OnePage(kA4, kHelvetica).Build(), true, ""},
        {"CR LF line ends", crlf.Build(), true, ""},
        {"version 1.0", WithVersion("1.0").Build(), false, "g3Dialog.pas.Message.01"},
        {"version 1.3", WithVersion("1.3").Build(), true, ""},
        {"version 2.0", WithVersion("2.0").Build(), false, "g3Dialog.pas.Message.01"},
        {"no page count", noRoot.Build(), false, "g3Dialog.pas.Message.00"},
        {"US legal", OnePage("[0 0 612 1008]", kHelvetica).Build(), false, "g3Dialog.pas.Message.05"},
        {"US legal with blanks inside the brackets", OnePage("[ 0  0 612\n1008 ]", kHelvetica).Build(), false,
         "g3Dialog.pas.Message.05"},
        {"A4 landscape", OnePage("[0 0 842 595]", kHelvetica).Build(), true, ""},
        {"largest page that passes", OnePage("[0 0 643.5 884.4]", kHelvetica).Build(), true, ""},
        {"decimal comma", OnePage("[0 0 643,5 884,4]", kHelvetica).Build(), true, ""},
        {"a little too wide", OnePage("[0 0 644 842]", kHelvetica).Build(), false, "g3Dialog.pas.Message.05"},
        {"embedded file", OnePage(kA4, kHelvetica, {"<< /Type /Filespec /F (a.doc) /EF << /F 7 0 R >> >>"}).Build(),
         false, "g3Dialog.pas.Message.03"},
        {"TrueType without font file", OnePage(kA4, trueTypeBare, {descriptorBare}).Build(), false,
         "g3Dialog.pas.Message.04"},
        {"TrueType with font file", OnePage(kA4, trueTypeBare, {descriptorFile, fontProgram}).Build(), true, ""},
        {"composite font, descendant embedded", OnePage(kA4, type0, {cidFont, descriptorFile, fontProgram}).Build(),
         true, ""},
        {"composite font, descendant bare", OnePage(kA4, type0, {cidFont, descriptorBare}).Build(), false,
         "g3Dialog.pas.Message.04"},
        // The rule lets every font whose name begins with a standard family
        // name pass unembedded (pdffonts would say "emb no").
        {"Times-like name passes unembedded", times.Build(), true, ""},
        {"not a PDF", "GIF89a", false, ""},
        {"cross-reference line that is no number", badXref, false, ""},
    };
}

TEST(CheckPDFAnnexF, VerdictsOnHandMadeFiles)
{
    e3test::TempDir dir;
    for (const PdfCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.write("case.pdf", c.bytes);
        std::string message = "stale";
        EXPECT_EQ(attach::CheckPDFAnnexF(path, message, KeyOnly), c.passes);
        EXPECT_EQ(message, c.message);
    }
}

TEST(CheckPDFAnnexF, DefaultTextsWithoutTranslation)
{
    e3test::TempDir dir;
    const std::string path = dir.write("v.pdf", WithVersion("1.0").Build());
    std::string message;
    EXPECT_FALSE(attach::CheckPDFAnnexF(path, message));
    EXPECT_EQ(message, "The PDF file you tried to attach does not comply with Annex F standard. "
                       "It must be Adobe PDF version 1.1 or higher.");
    EXPECT_FALSE(attach::CheckPDFAnnexF(dir.str() + "/missing.pdf", message));
    EXPECT_EQ(message, "");
}

TEST(PointsToTenthMillimetres, KnownPageSides)
{
    const std::pair<double, double> cases[] = {
        {612, 2159}, {1008, 3556}, {595, 2099}, {842, 2970}, {643.5, 2270}, {884.4, 3120}, {0, 0},
    };
    for (const auto& [points, tenths] : cases)
        EXPECT_EQ(attach::PointsToTenthMillimetres(points), tenths) << points;
}

TEST(CheckPDFPageSize, EveryBoxCountsWhereverTheReadsSplitIt)
{
    // Boxes placed so that the key, the numbers and the "]" each fall on a
    // 4096-byte boundary in one of the files.
    e3test::TempDir dir;
    for (const bool legal : {false, true}) {
        for (size_t pad = 4070; pad < 4100; ++pad) {
            SCOPED_TRACE(pad);
            std::string text = "%PDF-1.4\n" + std::string(pad, 'x') + "/MediaBox [0 0 595 842]\n";
            text += legal ? "/MediaBox [0 0 612 1008]" : "/MediaBox [0 0 596 842]";
            text += std::string(5000, 'y');
            EXPECT_EQ(attach::CheckPDFPageSize(dir.write("p.pdf", text)), !legal);
        }
    }
    EXPECT_FALSE(attach::CheckPDFPageSize(dir.write("open.pdf", "%PDF-1.4 /MediaBox [0 0 10 10")));
    EXPECT_TRUE(attach::CheckPDFPageSize(dir.write("none.pdf", "%PDF-1.4 nothing")));
    EXPECT_TRUE(attach::CheckPDFPageSize(dir.write("words.pdf", "/MediaBox [0 0 wide high]")));
    EXPECT_FALSE(attach::CheckPDFPageSize(dir.str() + "/missing.pdf"));
}

TEST(PageSizeScanner, SameVerdictWhereverThePiecesSplit)
{
    const std::string texts[] = {
        "xx/MediaBox [0 0 595 842] yy /MediaBox [0 0 612 1008] zz",
        "/MediaBox [0 0 842 595]/MediaBox[0 0 643.5 884.4]",
        "/MediaBox 7 0 R ] /MediaBox [0 0 700 842]",
        "/Media/MediaBox [0 0 1 1] /MediaBo",
    };
    for (const std::string& text : texts) {
        attach::PageSizeScanner whole;
        whole.Feed(text);
        whole.Finish();
        for (size_t i = 0; i <= text.size(); ++i) {
            for (size_t j = i; j <= text.size(); ++j) {
                attach::PageSizeScanner split;
                split.Feed(std::string_view(text).substr(0, i));
                split.Feed(std::string_view(text).substr(i, j - i));
                split.Feed(std::string_view(text).substr(j));
                split.Finish();
                ASSERT_EQ(split.TooLarge(), whole.TooLarge()) << text << " split at " << i << ", " << j;
            }
        }
    }
}

TEST(TPDFDocument, StartxrefAcrossReadPieces)
{
    // The reader takes the file in pieces of 256 KiB; place the keyword on
    // and around that boundary.
    const size_t boundary = 256 * 1024;
    e3test::TempDir dir;
    for (size_t shift = 0; shift < 14; ++shift) {
        SCOPED_TRACE(shift);
        auto build = [](size_t length) {
            HandPdf pdf = OnePage(kA4, kHelvetica);
            pdf.objects.push_back("<< /Length " + std::to_string(length) + " >>\nstream\n" + std::string(length, 'x') +
                                  "\nendstream");
            return pdf.Build();
        };
        std::string bytes = build(boundary);
        const size_t at = bytes.rfind("startxref");
        const size_t length = boundary - (at - boundary) - shift;
        bytes = build(length);
        // The digits of the length may shift it by a byte: accept either.
        attach::TPDFDocument doc(dir.write("s.pdf", bytes), true);
        const size_t xref = bytes.rfind("\nxref\n") + 1;
        EXPECT_EQ(doc.LastXrefOffset(), static_cast<int64_t>(xref));
        EXPECT_EQ(doc.GetPageCount(), 1);
    }
}

TEST(TPDFDocument, LastStartxrefStandingAloneCounts)
{
    // The keyword is looked for from the end of the file in pieces of
    // 256 KiB: bytes after "%%EOF" move it onto and around a piece's start.
    const std::string pdf = OnePage(kA4, kHelvetica).Build();
    const int64_t xref = static_cast<int64_t>(pdf.rfind("\nxref\n") + 1);
    const size_t keywordEnd = pdf.rfind("startxref") + 9;
    const size_t piece = 256 * 1024;
    struct Case {
        std::string after; // appended to the file
        int64_t table;     // the offset after the keyword that counts; -1 for none
    };
    std::vector<Case> cases = {
        {"", xref},
        {"xstartxref\n", xref},
        {"\nstartxref \n", xref},
        {"\nstartxrefstartxref\n", xref},
        {"\nstartxref\r0\n", 0}, // the last one wins, even when it points at no table
        {"\r\nstartxref", -1},    // the last one, at the very end of the file, has no offset
    };
    for (size_t shift = 0; shift < 12; ++shift)
        cases.push_back({std::string(piece - (pdf.size() - keywordEnd) + shift - 6, '-'), xref});
    e3test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.after.size() < 40 ? c.after : std::to_string(c.after.size()) + " bytes");
        attach::TPDFDocument doc(dir.write("x.pdf", pdf + c.after), true);
        EXPECT_EQ(doc.LastXrefOffset(), c.table);
        EXPECT_EQ(doc.GetPageCount(), c.table == xref ? 1 : -1);
    }
}

TEST(PDFValues, GetValueAndHasValue)
{
    struct {
        const char* text;
        const char* name;
        const char* value;
    } const cases[] = {
        {"/Type /Pages /Count 3", "Count", "3"},
        {"/Type/Pages/Count 3", "Type", "Pages"},
        {"/Root 1 0 R /Info 2 0 R", "Root", "1 0 R"},
        {"/Count", "Count", ""},
        // An empty first value gives way to the next occurrence.
        {"/N> /N 7", "N", "7"},
        {"/Kids [4 0 R] /Count 12>>", "Count", "12"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(attach::GetValue(c.text, c.name), c.value) << c.text;
    EXPECT_TRUE(attach::HasValue("/Type /Font /Subtype /Type1", "Type", "Font"));
    EXPECT_TRUE(attach::HasValue("/Type/Font", "Type", "Font"));
    EXPECT_FALSE(attach::HasValue("/Type /FontDescriptor", "Type", "Font"));
    EXPECT_FALSE(attach::HasValue("/Subtype /Type1", "Type", "Font"));
}

TEST(TPDFDocument, ReadsObjectsTablesAndFonts)
{
    e3test::TempDir dir;
    const std::string path = dir.write(
        "f.pdf", OnePage(kA4, "<< /Type /Font /Subtype /TrueType /BaseFont /Arial /FontDescriptor 6 0 R >>",
                         {"<< /Type /FontDescriptor /FontFile2 7 0 R >>", "<< /Length 1 >>\nstream\nx\nendstream"})
                     .Build());
    attach::TPDFDocument doc(path, true);
    EXPECT_TRUE(doc.File().Header());
    EXPECT_EQ(doc.File().Version(), "1.4");
    EXPECT_EQ(doc.Root(), "1 0 R");
    EXPECT_EQ(doc.Xref().size(), 8u);
    ASSERT_EQ(doc.File().Objects().size(), 7u);
    EXPECT_EQ(doc.File().Objects()[1].Key, "2 0");
    EXPECT_EQ(doc.File().Objects()[1].Number, 2);
    EXPECT_EQ(doc.File().Objects()[1].Dictionary, " /Type /Pages /Kids [3 0 R] /Count 1 ");
    EXPECT_EQ(doc.GetPageCount(), 1);
    std::vector<std::string> fonts;
    EXPECT_EQ(doc.GetFonts(fonts), 1);
    EXPECT_EQ(fonts, std::vector<std::string>{"Embeded; Arial; TrueType"});
}

TEST(TPDFDocument, ObjectsAcrossReadPiecesAndAfterLargeStreams)
{
    // Binary streams big enough to span several read pieces, with object
    // headers landing on every kind of boundary after them.
    std::mt19937 random(7);
    HandPdf pdf = OnePage(kA4, kHelvetica);
    for (int i = 0; i < 6; ++i) {
        std::string data(300000 + i * 37, '\0');
        for (char& c : data) {
            c = static_cast<char>(random());
            if (c == ' ')
                c = '_'; // keeps " obj" out of the data
        }
        pdf.objects.push_back("<< /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream");
    }
    e3test::TempDir dir;
    const std::string bytes = pdf.Build();
    attach::TPDFDocument doc(dir.write("big.pdf", bytes), true);
    ASSERT_EQ(doc.File().Objects().size(), pdf.objects.size());
    for (size_t i = 0; i < pdf.objects.size(); ++i) {
        const auto& o = doc.File().Objects()[i];
        EXPECT_EQ(o.Number, static_cast<int64_t>(i + 1));
        EXPECT_EQ(bytes.compare(static_cast<size_t>(o.Offset), o.Key.size() + 4, o.Key + " obj"), 0);
    }
    EXPECT_EQ(doc.GetPageCount(), 1);
}

// The objects a scan of every byte finds at the offsets the table lists:
// what the document must keep however it passes over stream data.
std::vector<attach::TPDFObject> KeptByFullScan(const std::string& path, const attach::TPDFDocument& doc)
{
    attach::TPDFFile file(path, true);
    file.ScanObjects();
    std::set<int64_t> listed;
    for (const auto& [number, entry] : doc.Xref())
        listed.insert(std::stoll(entry.substr(0, 10)));
    std::vector<attach::TPDFObject> kept;
    for (const auto& o : file.Objects())
        if (doc.Xref().empty() || listed.count(o.Offset))
            kept.push_back(o);
    return kept;
}

void ExpectSameObjects(const std::vector<attach::TPDFObject>& got, const std::vector<attach::TPDFObject>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].Offset, want[i].Offset) << i;
        EXPECT_EQ(got[i].Key, want[i].Key) << i;
        EXPECT_EQ(got[i].Number, want[i].Number) << i;
        EXPECT_EQ(got[i].Dictionary, want[i].Dictionary) << i;
    }
}

TEST(TPDFDocument, PassingOverStreamDataKeepsWhatAFullScanKeeps)
{
    // Stream data that holds an object's text: found by a search of every
    // byte, never kept unless the table lists its offset.
    const std::string fake = "\n9 0 obj\n<< /Type /Filespec /F (a.exe) >>\nendobj\n";
    auto stream = [](const std::string& length, const std::string& data, const std::string& end = "\nendstream") {
        return "<< /Length " + length + " >>\nstream\n" + data + end;
    };
    std::string big(700000, 'z'); // spans several read pieces
    big.replace(400000, fake.size(), fake);
    const std::string inner = "abc\nendstream" + fake + "tail";
    struct Case {
        const char* name;
        std::string object; // appended as object 6
        bool listInside;    // the table lists object 7 at the fake text in the data
        bool fileSpec;      // the verdict a full scan gives
        bool noEndobj = false; // object 6 loses its "endobj" too
        size_t kept = 7;
    } const cases[] = {
        {"length right", stream(std::to_string(fake.size()), fake), false, false},
        {"length right, large", stream(std::to_string(big.size()), big), false, false},
        {"length too short", stream(std::to_string(fake.size() - 7), fake), false, false},
        {"length too long", stream(std::to_string(fake.size() + 40), fake), false, false},
        {"length past the end of the file", stream("99999999", fake), false, false},
        {"indirect length", stream("8 0 R", fake), false, false},
        {"negative length", stream("-4", fake), false, false},
        {"endstream missing", stream(std::to_string(fake.size()), fake, "\n"), false, false},
        // A header left open in the data runs on to the next "endobj" and
        // swallows object 7: the length must not be trusted without "endstream".
        {"endstream and endobj missing", stream("10", "xx 5 0 obj", "\n" + std::string(30, '-')), false, false, true, 6},
        {"endstream straight after the data", stream(std::to_string(fake.size()), fake, "endstream"), false, false},
        {"CR LF after both keywords",
         "<< /Length " + std::to_string(fake.size()) + " >>\nstream\r\n" + fake + "\r\nendstream", false, false},
        {"CR alone after the keyword",
         "<< /Length " + std::to_string(fake.size()) + " >>\nstream\r" + fake + "\nendstream", false, false},
        {"length ends at an endstream inside the data", stream("3", inner), false, false},
        {"table lists an offset inside the data", stream(std::to_string(fake.size()), fake), true, true},
        {"table lists an offset inside large data", stream(std::to_string(big.size()), big), true, true},
    };
    e3test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HandPdf pdf = OnePage(kA4, kHelvetica, {c.object, "<< /Type /Catalog >>"});
        std::string bytes = pdf.Build();
        if (c.noEndobj)
            bytes.replace(bytes.find("\nendobj", bytes.find("xx 5 0 obj")) + 1, 6, "endOBJ");
        if (c.listInside) {
            const size_t entries = bytes.find("0000000000 65535 f \n") + 20;
            char entry[11];
            std::snprintf(entry, sizeof entry, "%010zu", bytes.find("9 0 obj"));
            bytes.replace(entries + 6 * 20, 10, entry);
        }
        const std::string path = dir.write("p.pdf", bytes);
        std::string seen;
        const attach::TPDFDocument withSink(path, true, [&](std::string_view piece) { seen += piece; });
        const attach::TPDFDocument doc(path, true);
        EXPECT_EQ(seen, bytes); // the sink sees every byte even where the search passes over
        const auto want = KeptByFullScan(path, doc);
        EXPECT_EQ(want.size(), c.kept);
        ExpectSameObjects(doc.File().Objects(), want);
        ExpectSameObjects(withSink.File().Objects(), want);
        EXPECT_EQ(doc.HasFileSpec(), c.fileSpec);
        EXPECT_EQ(doc.GetPageCount(), 1);
    }
}

TEST(TPDFDocument, LoopingPreviousSectionsEndTheRead)
{
    HandPdf pdf = OnePage(kA4, kHelvetica);
    std::string bytes = pdf.Build();
    const size_t xref = bytes.find("xref\n0 6");
    // The trailer points back at its own table.
    pdf.trailerExtra = " /Prev " + std::to_string(xref);
    bytes = pdf.Build();
    e3test::TempDir dir;
    attach::TPDFDocument doc(dir.write("loop.pdf", bytes), true);
    EXPECT_EQ(doc.GetPageCount(), 1);
}

TEST(TPDFDocument, LinearizedCountWithoutTable)
{
    const std::string bytes = "%PDF-1.5\n1 0 obj\n<< /Linearized 1 /L 400 /N 3 /T 300 >>\nendobj\n"
                              "2 0 obj\n<< /Type /Catalog >>\nendobj\n";
    e3test::TempDir dir;
    attach::TPDFDocument doc(dir.write("lin.pdf", bytes), true);
    EXPECT_TRUE(doc.Xref().empty());
    EXPECT_EQ(doc.GetPageCount(), 3);
}

} // namespace
