// The PDF rules on files made by qpdf and Ghostscript, held against what
// poppler's pdfinfo, pdfdetach and pdffonts read from the same files.
#include "PdfFixture.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include "submission/attach/AnnexF.h"
#include "submission/attach/PDFDocument.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

using namespace attachtest;

namespace {

std::string RunTool(const std::vector<std::string>& args)
{
    e3test::ChildProcess child(args);
    EXPECT_GT(child.Pid(), 0) << args[0];
    std::string out = child.ReadToEnd();
    EXPECT_EQ(child.Wait(), 0) << args[0];
    return out;
}

// The value of a "Key: value" line of pdfinfo.
std::string InfoField(const std::string& info, const std::string& key)
{
    std::istringstream in(info);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key + ":", 0) == 0) {
            const size_t v = line.find_first_not_of(' ', key.size() + 1);
            return v == std::string::npos ? std::string() : line.substr(v);
        }
    return {};
}

// Whether every font pdffonts lists is embedded or one of the standard
// families that need no embedding.
bool PopplerFontsEmbedded(const std::string& listing)
{
    std::istringstream in(listing);
    std::string line;
    int row = 0;
    while (std::getline(in, line)) {
        if (++row <= 2 || line.empty())
            continue;
        std::istringstream fields(line);
        std::string name;
        fields >> name;
        const bool standard = name.rfind("Helvetica", 0) == 0 || name.rfind("Times", 0) == 0 ||
                              name.rfind("Courier", 0) == 0 || name.rfind("Symbol", 0) == 0 ||
                              name.rfind("ZapfDingbats", 0) == 0;
        if (!standard && line.find(" yes ") == std::string::npos)
            return false;
    }
    return true;
}

std::string Ghostscript(const e3test::TempDir& dir, const std::string& name, const std::string& postscript,
                        const std::string& level = "1.7")
{
    const std::string out = dir.str() + "/" + name;
    RunTool({"gs", "-q", "-dSAFER", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-dCompatibilityLevel=" + level,
         "-sOutputFile=" + out, "-c", postscript});
    return out;
}

std::string Qpdf(const e3test::TempDir& dir, const std::string& name, const std::string& input,
                 std::vector<std::string> options)
{
    const std::string out = dir.str() + "/" + name;
    std::vector<std::string> args{"qpdf"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(input);
    args.push_back(out);
    RunTool(args);
    return out;
}

const char* const kTwoPagesA4 = "<</PageSize [595 842]>> setpagedevice /Helvetica findfont 24 scalefont setfont "
                                "72 720 moveto (One) show showpage 72 720 moveto (Two) show showpage";
const char* const kLegal = "<</PageSize [612 1008]>> setpagedevice /Times-Roman findfont 12 scalefont setfont "
                           "72 720 moveto (Legal) show showpage";

struct ToolCase {
    const char* name;
    std::function<std::string(const e3test::TempDir&)> make;
    bool passes;
    const char* message;
    // Where our reading deliberately differs from poppler's, and why.
    bool pageCountDiffers = false;
};

TEST(CheckPDFAnnexF, AgreesWithPopplerOnToolMadeFiles)
{
    e3test::TempDir dir;
    const std::string hand = dir.write("hand.pdf", OnePage(kA4, kHelvetica).Build());
    dir.write("note.txt", "an attached note\n");

    const std::vector<ToolCase> cases = {
        {"Ghostscript, two A4 pages", [](auto& d) { return Ghostscript(d, "gs_a4.pdf", kTwoPagesA4); }, true, ""},
        {"Ghostscript, PDF 1.3", [](auto& d) { return Ghostscript(d, "gs_13.pdf", kTwoPagesA4, "1.3"); }, true, ""},
        {"Ghostscript, US legal", [](auto& d) { return Ghostscript(d, "gs_legal.pdf", kLegal); }, false,
         "g3Dialog.pas.Message.05"},
        {"qpdf rewrite", [&](auto& d) { return Qpdf(d, "q.pdf", hand, {"--object-streams=disable"}); }, true, ""},
        {"qpdf linearized", [&](auto& d) { return Qpdf(d, "lin.pdf", hand, {"--linearize"}); }, true, ""},
        {"qpdf with an attached file",
         [&](auto& d) { return Qpdf(d, "att.pdf", hand, {"--add-attachment", d.str() + "/note.txt", "--"}); }, false,
         "g3Dialog.pas.Message.03"},
        // Cross-reference streams are not read: the page count stays unknown
        // where poppler finds it, and the file is rejected.
        {"qpdf with object streams",
         [&](auto& d) { return Qpdf(d, "objstm.pdf", hand, {"--object-streams=generate"}); }, false,
         "g3Dialog.pas.Message.00", true},
        {"hand-made TrueType without font file",
         [](auto& d) {
             return d.write("tt.pdf", OnePage(kA4, "<< /Type /Font /Subtype /TrueType /BaseFont /Arial "
                                                   "/FontDescriptor 6 0 R >>",
                                              {"<< /Type /FontDescriptor /FontName /Arial /Flags 32 >>"})
                                          .Build());
         },
         false, "g3Dialog.pas.Message.04"},
    };

    for (const ToolCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.make(dir);
        std::string message;
        EXPECT_EQ(attach::CheckPDFAnnexF(path, message, [](const std::string& k, const std::string&) { return k; }),
                  c.passes);
        EXPECT_EQ(message, c.message);

        const std::string info = RunTool({"pdfinfo", path});
        const attach::TPDFDocument doc(path, true);
        EXPECT_EQ(doc.File().Version(), InfoField(info, "PDF version"));
        if (c.pageCountDiffers)
            EXPECT_EQ(doc.GetPageCount(), -1);
        else
            EXPECT_EQ(std::to_string(doc.GetPageCount()), InfoField(info, "Pages"));

        // pdfinfo names the page size "W x H pts"; our verdict on it must match.
        double w = 0, h = 0;
        ASSERT_EQ(std::sscanf(InfoField(info, "Page size").c_str(), "%lf x %lf", &w, &h), 2);
        const bool fits = std::min(attach::PointsToTenthMillimetres(w), attach::PointsToTenthMillimetres(h)) <= 2270 &&
                          std::max(attach::PointsToTenthMillimetres(w), attach::PointsToTenthMillimetres(h)) <= 3120;
        EXPECT_EQ(attach::CheckPDFPageSize(path), fits);

        const std::string detach = RunTool({"pdfdetach", "-list", path});
        EXPECT_EQ(doc.HasFileSpec(), detach.rfind("0 embedded files", 0) != 0) << detach;
        if (!c.pageCountDiffers) {
            EXPECT_EQ(doc.FontsEmbedded(), PopplerFontsEmbedded(RunTool({"pdffonts", path})));
        }
    }
}

} // namespace
