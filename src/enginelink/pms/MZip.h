#pragma once
// Unpacking of zip archives on minizip, for the archives the PMS gateway
// returns. Entries are written under a temporary name and only renamed into
// place once their CRC has been checked, so a damaged entry never leaves a
// file that looks complete. Entry names never reach outside the destination
// folder: "..", "." and empty components and a leading "/" are dropped.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace enginelink {

class TMiniZip;

enum class PrgsType { ptZip, ptUnzip, ptZipStart, ptZipping };

// Sender, kind, byte count, file name.
using TPrgsEvent = std::function<void(TMiniZip& sender, PrgsType kind, int64_t bytes, const std::string& fileName)>;
// Sender, the entry's last-write time, uncompressed size, compressed size,
// destination file name, whether an existing file may be replaced.
using TUnzipFileEvent = std::function<void(TMiniZip& sender, std::time_t lastWrite, uint64_t size,
                                           uint64_t compressedSize, const std::string& destFileName,
                                           bool& canOverwrite)>;

class TMiniZip {
public:
    TMiniZip();
    ~TMiniZip();
    TMiniZip(const TMiniZip&) = delete;
    TMiniZip& operator=(const TMiniZip&) = delete;

    bool UzWithoutPath = false;
    bool UzOverwrite = true;
    TPrgsEvent OnProgress;
    TUnzipFileEvent OnUnzipFile;

    // A different name closes an archive that is open.
    void SetZipFileName(const std::string& name);
    const std::string& ZipFileName() const { return zipFileName_; }
    // Opens the archive unless it is open; false when it cannot be read as one.
    bool OpenArchive();
    void CloseArchive();

    // The entry whose name equals name without regard to case.
    bool UnzipFile(const std::string& name, const std::string& destDir);
    bool UnzipAll(const std::string& destDir);
    // 0 on success, otherwise minizip's failing result, or 1 for an existing
    // file that may not be replaced. destDir ends with "/".
    int ExtractCurrentFile(const std::string& destDir);

    // The current entry's name as text: UTF-8 when the archive flags it so,
    // otherwise read as code page 437.
    std::string CurrentEntryName();

private:
    std::string zipFileName_;
    void* handle_ = nullptr; // unzFile
    std::vector<char> buffer_;
};

// Unpacks the entry oneFile, or the whole archive when oneFile is empty, into
// destDir without the entries' folder paths.
bool UnzipArchive(const std::string& zipFile, const std::string& destDir, const std::string& oneFile);

// Folder helpers. Paths use "/" as the delimiter.
std::string AddBackslash(const std::string& folder);    // a non-empty folder gets a trailing "/"
std::string RemoveBackslash(const std::string& folder); // trailing "/" removed (the root stays "/")
bool DirExists(const std::string& name);
// The text up to its last "/", without it; empty when there is none.
std::string ParentDir(const std::string& folder);
// Makes the folder with its parents; true when it exists afterwards.
bool ForceDirs(const std::string& folder);

// An entry name made safe to join to a destination folder: empty, "." and ".."
// components and leading "/" dropped;
// without path only the last component is kept. A name ending in a delimiter
// (a folder entry) keeps that trailing "/" when it keeps any component.
std::string SafeEntryPath(const std::string& entryName, bool withoutPath);

// Code page 437 bytes as UTF-8.
std::string CP437ToUtf8(const std::string& bytes);

} // namespace enginelink
