// Checking image PDFs of 1, 10 and 100 MB (made at run time in a private
// scratch folder) with our rules against poppler's pdfinfo on the same files
// in the same run. pdfinfo reads only the tables and the page tree; the page
// box rule makes us read every byte once (any "/MediaBox" in the file counts),
// while our structure read alone passes over stream data. The figures show
// the time per MB stays flat and the peak memory stays small however large
// the file; "tables ms" is the structure read without the page box pass.
#include "BenchTiming.h"

#include "submission/attach/AnnexF.h"
#include "submission/attach/PDFDocument.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

// One A4 page per image of about a megabyte of opaque data.
std::string WriteImagePdf(const std::string& path, int megabytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::exit(1);
    std::vector<long> offsets;
    long pos = 0;
    auto put = [&](const std::string& s) {
        std::fwrite(s.data(), 1, s.size(), f);
        pos += static_cast<long>(s.size());
    };
    auto object = [&](const std::string& body) {
        offsets.push_back(pos);
        put(std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n");
    };
    put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    std::string kids;
    for (int i = 0; i < megabytes; ++i)
        kids += std::to_string(3 + 3 * i) + " 0 R ";
    object("<< /Type /Catalog /Pages 2 0 R >>");
    object("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(megabytes) + " >>");
    std::mt19937 random(1);
    std::string data(1 << 20, '\0');
    for (int i = 0; i < megabytes; ++i) {
        const int page = 3 + 3 * i;
        object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /XObject << /Im0 " +
               std::to_string(page + 2) + " 0 R >> >> /Contents " + std::to_string(page + 1) + " 0 R >>");
        const std::string content = "q 595 0 0 842 0 0 cm /Im0 Do Q";
        object("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
        for (char& c : data)
            c = static_cast<char>(random());
        offsets.push_back(pos);
        put(std::to_string(offsets.size()) + " 0 obj\n<< /Type /XObject /Subtype /Image /Width 2480 /Height 3508 "
            "/ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /DCTDecode /Length " +
            std::to_string(data.size()) + " >>\nstream\n");
        put(data);
        put("\nendstream\nendobj\n");
    }
    const long xref = pos;
    put("xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n");
    char entry[32];
    for (const long off : offsets) {
        std::snprintf(entry, sizeof entry, "%010ld 00000 n \n", off);
        put(entry);
    }
    put("trailer\n<< /Size " + std::to_string(offsets.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
        std::to_string(xref) + "\n%%EOF\n");
    std::fclose(f);
    return path;
}

void RunPdfinfo(const std::string& path)
{
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {"pdfinfo", path.c_str(), nullptr};
    if (posix_spawnp(&pid, "pdfinfo", &actions, nullptr, const_cast<char**>(argv), environ) != 0) {
        std::fprintf(stderr, "pdfinfo cannot be started\n");
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(pid, &status, 0);
}

} // namespace

int main()
{
    char templ[] = "/tmp/bench_attach.XXXXXX";
    if (!mkdtemp(templ))
        return 1;
    const std::string dir = templ;
    std::printf("%-8s %14s %14s %12s %10s %14s %12s\n", "size", "ours ms", "pdfinfo ms", "ours ms/MB", "ratio",
                "ours peak KB", "tables ms");
    bool ok = true;
    for (const int mb : {1, 10, 100}) {
        const std::string path = WriteImagePdf(dir + "/image" + std::to_string(mb) + ".pdf", mb);
        std::string message;
        if (!attach::CheckPDFAnnexF(path, message)) {
            std::printf("unexpected verdict on %s: %s\n", path.c_str(), message.c_str());
            ok = false;
        }
        const int runs = mb >= 100 ? 5 : 10;
        const double ours = benchtiming::BestSeconds(runs, [&] { attach::CheckPDFAnnexF(path, message); });
        const double peer = benchtiming::BestSeconds(runs, [&] { RunPdfinfo(path); });
        const double peak = benchtiming::PeakGrowthBytes([&] { attach::CheckPDFAnnexF(path, message); });
        const double tables = benchtiming::BestSeconds(runs, [&] { attach::TPDFDocument doc(path, true); });
        std::printf("%-8s %14.2f %14.2f %12.3f %10.2f %14.0f %12.2f\n", (std::to_string(mb) + " MB").c_str(),
                    ours * 1e3, peer * 1e3, ours * 1e3 / mb, peer / ours, peak / 1024, tables * 1e3);
        std::filesystem::remove(path);
    }
    std::printf("ratio = pdfinfo time / our time (above 1: we are faster)\n");
    std::filesystem::remove_all(dir);
    return ok ? 0 : 1;
}
