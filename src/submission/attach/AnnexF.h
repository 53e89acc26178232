#pragma once
// The format rules for files attached to a filing: PDF version, page count,
// page size, no embedded files and embedded fonts; JPEG that decodes; TIFF in
// CCITT Group 4 at a fixed resolution and no larger than the page.
#include <functional>
#include <string>
#include <string_view>

namespace attach {

// Looks up the user's text for a message key; the default text when there is
// no translation. Without one the default texts are used.
using LangText = std::function<std::string(const std::string& key, const std::string& defaultText)>;

// Fails without a message when the file is not a PDF; otherwise Message holds
// the text of the rule that failed (from lang), empty when the file passed.
bool CheckPDFAnnexF(const std::string& fileName, std::string& message, const LangText& lang = {});
// No page of the file is larger than 227.0 x 312.0 mm (either way round).
bool CheckPDFPageSize(const std::string& fileName);
bool CheckJPEGFile(const std::string& fileName);
bool CheckTIFFAnnexF(const std::string& fileName);

// The same rules on bytes in memory, for callers that hold a file's contents.
bool CheckJPEGData(const unsigned char* data, size_t size);
bool CheckTIFFData(const unsigned char* data, size_t size);

// Follows the page boxes of a PDF fed to it piece by piece: every "/MediaBox"
// is read as [llx lly urx ury] and the page is too large when its smaller side
// exceeds 2270 or its larger side 3120 tenths of a millimetre.
class PageSizeScanner {
public:
    void Feed(std::string_view piece);
    // Throws PDFError for a box whose "]" never came.
    void Finish();
    bool TooLarge() const { return tooLarge_; }

private:
    void Evaluate(std::string_view box);

    // The last bytes of the piece before (a key may begin there), or a box
    // whose "]" has not come yet.
    std::string carry_;
    bool open_ = false;
    bool tooLarge_ = false;
};

// The size in tenths of a millimetre of a length in points, rounded to the
// nearest whole number with halves to even.
double PointsToTenthMillimetres(double points);

} // namespace attach
