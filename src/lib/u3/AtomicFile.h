#pragma once
// A file written under a hidden temporary name beside its target and renamed
// over the target only once it is complete, so readers see the old file or the
// new one, never part of one. Only a regular file (or nothing) is ever
// replaced: renaming over a device node, FIFO, socket or folder would swap a
// system object for a plain file.
#include <string>
#include <string_view>
#include <sys/types.h>

namespace u3 {

// Whether a write-then-rename may take the place of path: nothing is there,
// or a regular file (a symbolic link is judged by what it points to). When
// not, errno says why (EISDIR for a folder, EEXIST for anything else).
bool IsReplaceableTarget(const std::string& path);

class AtomicFile {
public:
    // Creates the temporary file (private to the user until SetMode); IsOpen
    // tells whether that worked and Error why not.
    explicit AtomicFile(std::string target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Handle() const { return fd_; }
    const std::string& Target() const { return target_; }
    const std::string& TempPath() const { return temp_; }
    // The errno of the last failure.
    int Error() const { return error_; }

    bool Write(std::string_view data);
    bool SetMode(mode_t mode);
    // The permission bits of the file it replaces, or fallback when there is none.
    bool KeepModeOr(mode_t fallback);
    // Flushes, closes and renames over the target; on failure the temporary
    // file is gone and the target untouched.
    bool Commit();
    // Flushes and closes the handle without renaming (for writers that tell
    // write errors from rename errors, or that reopen TempPath by name).
    bool Finish();

private:
    bool Fail(int error);

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    int error_ = 0;
};

// The whole of bytes as the new content of path; a new file gets modeForNew,
// a replaced one keeps its permission bits. On failure errno says why.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t modeForNew = 0644);

} // namespace u3
