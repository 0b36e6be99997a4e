#pragma once
// Which files the Logo file commands (OPENFILE, LOADCSV, GETFONT,
// GETTEXTURE) may open. A program someone shared runs with the user's
// rights, so the programs confine it by default: the working folder and the
// folders below it for reading and writing, and the installed resource
// folders (media/, shaders/, examples/) for reading. Names are judged by
// where they lead once every symbolic link is followed, and the caller opens
// the resolved path, not the name.

#include <string>
#include <vector>

namespace cubalorn {

class ResourceFolders;

enum class FileAccess { Read, Write };

// Longer names are refused outright; the system's own limit is 4096 too.
constexpr size_t kLongestFileName = 4096;

struct PathDecision {
    bool allowed = false;
    std::string path;    // what to open when allowed
    std::string reason;  // why not, when refused: "it is outside the working folder /w"
};

class PathPolicy {
public:
    // No confinement: every name is opened as it is (--allow-any-path).
    static PathPolicy anyPath();
    // Confined to `workingFolder` and below; reading also reaches the
    // resource folders of `resources` other than the working folder, and a
    // relative name missing from the working folder is looked for there.
    static PathPolicy confinedTo(const std::string& workingFolder,
                                 const ResourceFolders& resources);
    // The same with explicit places (tests): `readFolders` may be read,
    // `fallbackPlaces` are searched for relative names read.
    static PathPolicy confinedTo(const std::string& workingFolder,
                                 const std::vector<std::string>& readFolders,
                                 const std::vector<std::string>& fallbackPlaces);

    bool confined() const { return confined_; }
    // The working folder with every link resolved.
    const std::string& workingFolder() const { return root_; }
    const std::vector<std::string>& readFolders() const { return readRoots_; }

    PathDecision decide(const std::string& name, FileAccess access) const;

private:
    PathPolicy() = default;
    bool mayRead(const std::string& resolved) const;
    std::string refusalReason(const std::string& name, const std::string& lexical,
                              const std::string& resolved) const;

    bool confined_ = false;
    std::string root_;
    std::vector<std::string> readRoots_;
    std::vector<std::string> fallbackPlaces_;
};

// `path` with "." and ".." taken away by the letters alone, links not
// followed: "/a/./b/../c" is "/a/c". `path` must be absolute.
std::string lexicallyNormal(const std::string& path);

// Is `path` (absolute, normalised) `folder` itself or below it?
bool isWithin(const std::string& path, const std::string& folder);

// `text` with its control characters written as \xNN, for a diagnostic that
// must not move the terminal's cursor or change its colours.
std::string printableName(const std::string& text);

}  // namespace cubalorn
