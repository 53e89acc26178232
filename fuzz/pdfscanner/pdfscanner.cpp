// Runs arbitrary bytes through the PDF structure reader and every PDF rule.
// Structural faults must come back as our own error, never as a crash, a hang
// or memory out of proportion to the input.
#include "submission/attach/AnnexF.h"
#include "submission/attach/PDFDocument.h"

#include <cstdint>
#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int fd = ::memfd_create("pdf", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    if (size > 0 && ::write(fd, data, size) != static_cast<ssize_t>(size)) {
        ::close(fd);
        return 0;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    try {
        attach::TPDFDocument doc(path, true);
        doc.GetPageCount();
        doc.HasFileSpec();
        std::vector<std::string> fonts;
        doc.GetFonts(fonts);
        doc.FontsEmbedded();
        doc.VersionOK();
    } catch (const attach::PDFError&) {
    }
    std::string message;
    attach::CheckPDFAnnexF(path, message);
    attach::CheckPDFPageSize(path);
    ::close(fd);
    return 0;
}
