#pragma once
// Small PDFs written by hand for the checks: a list of object bodies, laid out
// with a correct cross-reference table and trailer.
#include <cstdio>
#include <string>
#include <vector>

namespace attachtest {

struct HandPdf {
    std::string version = "1.4";
    // Body of object i+1 (without "n 0 obj" and "endobj").
    std::vector<std::string> objects;
    std::string trailerExtra;
    std::string lineEnd = "\n";

    std::string Build() const
    {
        std::string out = "%PDF-" + version + lineEnd + "%\xE2\xE3\xCF\xD3" + lineEnd;
        std::vector<size_t> offsets;
        for (size_t i = 0; i < objects.size(); ++i) {
            offsets.push_back(out.size());
            out += std::to_string(i + 1) + " 0 obj" + lineEnd + objects[i] + lineEnd + "endobj" + lineEnd;
        }
        const size_t xref = out.size();
        out += "xref" + lineEnd + "0 " + std::to_string(objects.size() + 1) + lineEnd;
        out += "0000000000 65535 f \n";
        char entry[32];
        for (const size_t off : offsets) {
            std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", off);
            out += entry;
        }
        out += "trailer" + lineEnd + "<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R" + trailerExtra +
               " >>" + lineEnd + "startxref" + lineEnd + std::to_string(xref) + lineEnd + "%%EOF" + lineEnd;
        return out;
    }
};

// Catalog (1), pages (2), one page (3) with the box and the font resource
// (4), a content stream (5) and further objects from 6 on.
inline HandPdf OnePage(const std::string& mediaBox, const std::string& font, std::vector<std::string> more = {})
{
    HandPdf pdf;
    pdf.objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox " + mediaBox + " /Resources << /Font << /F1 4 0 R >> >> /Contents 5 0 R >>",
        font,
        "<< /Length 44 >>\nstream\nBT /F1 24 Tf 72 720 Td (Hello, world) Tj ET\nendstream",
    };
    for (auto& m : more)
        pdf.objects.push_back(std::move(m));
    return pdf;
}

inline const char* const kHelvetica = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
inline const char* const kA4 = "[0 0 595 842]";

} // namespace attachtest
