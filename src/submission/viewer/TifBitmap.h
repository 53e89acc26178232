#pragma once
// The pages of a TIFF file as images for the viewer, read through libtiff's
// RGBA interface whatever the page's own format.
#include <QImage>

#include <cstdint>
#include <string>

typedef struct tiff TIFF;

namespace viewer {

class TTifBitmap {
public:
    TTifBitmap();
    ~TTifBitmap();
    TTifBitmap(const TTifBitmap&) = delete;
    TTifBitmap& operator=(const TTifBitmap&) = delete;

    // Opens the file and counts its pages; false (after telling the user
    // "Cannot open file " and the name) when it cannot be read.
    bool LoadFromFile(const std::string& fileName);
    // Page n (from 0) as a 32-bit image; a null image when it cannot be read.
    QImage LoadPage(int page);

    int PageCount() const { return pageCount_; }
    float XResolution() const { return xres_; }
    float YResolution() const { return yres_; }
    uint16_t ResolutionUnit() const { return unit_; }
    bool HasXResolution() const { return writeXres_; }
    bool HasYResolution() const { return writeYres_; }
    bool HasResolutionUnit() const { return writeUnit_; }
    int BitsPerPixel() const { return bitsPerPixel_; }

    // A page whose raster would need more bytes than this is refused.
    static constexpr uint64_t kMaxRasterBytes = 512ull * 1024 * 1024;

private:
    void Close();

    TIFF* tif_ = nullptr;
    int pageCount_ = 0;
    float xres_ = 0;
    float yres_ = 0;
    uint16_t unit_ = 2;
    bool writeXres_ = true;
    bool writeYres_ = true;
    bool writeUnit_ = true;
    int bitsPerPixel_ = 32;
};

} // namespace viewer
