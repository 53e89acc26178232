// The JPEG and TIFF rules on files made by ImageMagick, jpegtran and libtiff,
// with the verdicts held against jpeginfo -c and the tags against tiffinfo.
#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include "submission/attach/AnnexF.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <functional>

namespace {

struct ToolResult {
    std::string out;
    int status;
};

ToolResult RunTool(const std::vector<std::string>& args)
{
    e3test::ChildProcess child(args);
    EXPECT_GT(child.Pid(), 0) << args[0];
    ToolResult r;
    r.out = child.ReadToEnd();
    r.status = child.Wait();
    return r;
}

void MustRun(const std::vector<std::string>& args)
{
    EXPECT_EQ(RunTool(args).status, 0) << args[0];
}

TEST(CheckJPEGFile, AgreesWithJpeginfo)
{
    e3test::TempDir dir;
    const std::string good = dir.str() + "/good.jpg";
    MustRun({"convert", "-seed", "3", "-size", "200x150", "plasma:", "-quality", "90", good});
    const std::string bytes = e3test::ReadWholeFile(good);
    ASSERT_GT(bytes.size(), 8000u);

    std::string corrupt = bytes;
    for (size_t i = 3000; i < 3040; ++i)
        corrupt[i] ^= 0x55;
    // The frame header of a 12-bit image in place of the 8-bit one.
    std::string twelveBit = bytes;
    const size_t sof = twelveBit.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    twelveBit[sof + 1] = '\xC1';
    twelveBit[sof + 4] = 12;

    struct Case {
        const char* name;
        std::function<std::string()> make;
        bool passes;
    } const cases[] = {
        {"baseline", [&] { return good; }, true},
        {"progressive",
         [&] {
             const std::string p = dir.str() + "/progressive.jpg";
             MustRun({"convert", good, "-interlace", "Plane", p});
             return p;
         },
         true},
        {"arithmetic coded",
         [&] {
             const std::string p = dir.str() + "/arith.jpg";
             MustRun({"jpegtran", "-arithmetic", "-outfile", p, good});
             return p;
         },
         true},
        {"truncated", [&] { return dir.write("cut.jpg", bytes.substr(0, bytes.size() / 3)); }, false},
        {"corrupt data", [&] { return dir.write("corrupt.jpg", corrupt); }, false},
        {"12-bit samples", [&] { return dir.write("twelve.jpg", twelveBit); }, false},
        {"not a JPEG", [&] { return dir.write("text.jpg", "plain text, no image"); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.make();
        const ToolResult peer = RunTool({"jpeginfo", "-c", path});
        const bool peerOk = peer.status == 0 && peer.out.find(" OK") != std::string::npos;
        EXPECT_EQ(peerOk, c.passes) << peer.out;
        EXPECT_EQ(attach::CheckJPEGFile(path), c.passes);
        const std::string data = e3test::ReadWholeFile(path);
        EXPECT_EQ(attach::CheckJPEGData(reinterpret_cast<const unsigned char*>(data.data()), data.size()), c.passes);
    }
    EXPECT_FALSE(attach::CheckJPEGFile(dir.str() + "/missing.jpg"));
}

// A white page written with libtiff; unit or resolution 0 leaves the tag out.
void WriteTiff(const std::string& path, uint32_t width, uint32_t length, uint16_t compression, uint16_t unit,
               float xres, float yres)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, length);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, length);
    if (unit)
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, unit);
    if (xres > 0)
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, xres);
    if (yres > 0)
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, yres);
    std::vector<unsigned char> row((width + 7) / 8, 0);
    for (uint32_t y = 0; y < length; ++y)
        TIFFWriteScanline(tif, row.data(), y, 0);
    TIFFClose(tif);
}

TEST(CheckTIFFAnnexF, ImageMagickFilesAgainstTiffinfo)
{
    e3test::TempDir dir;
    struct Case {
        const char* name;
        const char* size;
        const char* density;
        const char* compression;
        bool passes;
        const char* tiffinfoCompression;
    } const cases[] = {
        {"Group 4, 300 dpi, within the page", "1980x2950", "300", "Group4", true, "CCITT Group 4"},
        {"Group 4, 300 dpi, landscape", "2950x1980", "300", "Group4", true, "CCITT Group 4"},
        {"Group 4, 300 dpi, full A4", "2480x3508", "300", "Group4", false, "CCITT Group 4"},
        {"Group 4, 250 dpi", "1980x2950", "250", "Group4", false, "CCITT Group 4"},
        {"LZW, 300 dpi", "1980x2950", "300", "LZW", false, "LZW"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.str() + "/page.tif";
        MustRun({"convert", "-size", c.size, "xc:white", "-monochrome", "-units", "PixelsPerInch", "-density",
                 c.density, "-compress", c.compression, path});
        const std::string info = RunTool({"tiffinfo", path}).out;
        EXPECT_NE(info.find(std::string("Compression Scheme: ") + c.tiffinfoCompression), std::string::npos) << info;
        EXPECT_NE(info.find(std::string("Resolution: ") + c.density + ", " + c.density + " pixels/inch"),
                  std::string::npos)
            << info;
        EXPECT_EQ(attach::CheckTIFFAnnexF(path), c.passes);
        const std::string data = e3test::ReadWholeFile(path);
        EXPECT_EQ(attach::CheckTIFFData(reinterpret_cast<const unsigned char*>(data.data()), data.size()), c.passes);
    }
}

TEST(CheckTIFFAnnexF, ResolutionUnitsAndMissingTags)
{
    e3test::TempDir dir;
    const uint16_t g4 = COMPRESSION_CCITTFAX4;
    struct Case {
        const char* name;
        uint32_t width, length;
        uint16_t unit;
        float xres, yres;
        bool passes;
    } const cases[] = {
        {"no unit reads as inch", 1980, 2950, 0, 300, 300, true},
        {"inch, 200 and 400 dpi", 1300, 3900, RESUNIT_INCH, 200, 400, true},
        {"inch, no resolution", 1980, 2950, RESUNIT_INCH, 0, 0, false},
        {"unit none", 100, 100, RESUNIT_NONE, 300, 300, false},
        // Per centimetre any resolution is allowed: 1600 px at 100/cm = 160 mm.
        {"centimetre, within the page", 1600, 2500, RESUNIT_CENTIMETER, 100, 100, true},
        {"centimetre, too long", 1600, 2600, RESUNIT_CENTIMETER, 100, 100, false},
        {"centimetre, no resolution", 1600, 2500, RESUNIT_CENTIMETER, 0, 0, false},
        {"centimetre, one resolution", 1600, 2500, RESUNIT_CENTIMETER, 100, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.str() + "/t.tif";
        WriteTiff(path, c.width, c.length, g4, c.unit, c.xres, c.yres);
        EXPECT_EQ(attach::CheckTIFFAnnexF(path), c.passes);
    }
    EXPECT_FALSE(attach::CheckTIFFAnnexF(dir.write("bad.tif", "II*\0garbage")));
    EXPECT_FALSE(attach::CheckTIFFAnnexF(dir.str() + "/missing.tif"));
}

} // namespace
