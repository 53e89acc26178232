// Runs arbitrary bytes through the PDF structure reader and every PDF rule.
// Structural faults must come back as our own error, never as a crash, a hang
// or memory out of proportion to the input. The document, which passes over
// stream data, must keep exactly the objects a search of every byte finds at
// the offsets its table lists.
#include "submission/attach/AnnexF.h"
#include "submission/attach/PDFDocument.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <set>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// A table entry's offset as the document reads it (it refuses the file
// when one is no number): the first ten bytes without control characters
// and blanks around them.
int64_t EntryOffset(const std::string& entry)
{
    std::string_view s = std::string_view(entry).substr(0, 10);
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.remove_suffix(1);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    int64_t value = 0;
    std::from_chars(s.data(), s.data() + s.size(), value);
    return value;
}

bool SameObject(const attach::TPDFObject& a, const attach::TPDFObject& b)
{
    return a.Offset == b.Offset && a.Number == b.Number && a.Key == b.Key && a.Dictionary == b.Dictionary;
}

void CheckAgainstFullScan(const std::string& path, const attach::TPDFDocument& doc)
{
    attach::TPDFFile file(path, true);
    file.ScanObjects();
    std::set<int64_t> listed;
    for (const auto& [number, entry] : doc.Xref())
        listed.insert(EntryOffset(entry));
    std::vector<attach::TPDFObject> kept;
    for (const auto& o : file.Objects())
        if (doc.Xref().empty() || listed.count(o.Offset))
            kept.push_back(o);
    const auto& got = doc.File().Objects();
    if (got.size() != kept.size() || !std::equal(got.begin(), got.end(), kept.begin(), SameObject))
        __builtin_trap();
}

} // namespace

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
        CheckAgainstFullScan(path, doc);
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
