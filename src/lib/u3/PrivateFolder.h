#pragma once
// A temporary folder private to the user: made atomically with mode 0700, or,
// when it exists, accepted only as a real folder (no link) of ours that nobody
// else may write. Instances of the same user share it; a lock tells whether
// another instance uses it.
#include <string>

namespace u3 {

class PrivateFolder {
public:
    // base/<name>-<uid>; empty path() when no safe folder could be had.
    PrivateFolder(const std::string& base, const std::string& name);
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    const std::string& path() const { return path_; }
    // True when this instance is the only one of the user holding the folder
    // (it may then empty what it shares).
    bool IsSoleUser() const { return sole_; }
    // Lets other instances in after the sole user has cleaned up.
    void Share();

    // The user's temporary folder: $TMPDIR when it is absolute, else /tmp.
    static std::string TempBase();
    // Creates path (0700) or accepts an existing one under the rules above.
    static bool EnsurePrivateDirectory(const std::string& path);

private:
    std::string path_;
    int lockFd_ = -1;
    bool sole_ = false;
};

} // namespace u3
