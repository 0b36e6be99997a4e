#include "interp/path_policy.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "interp/resource_folders.h"

namespace cubalorn {

namespace {

// The path with every link followed, or empty when some part of it is
// missing or cannot be searched.
std::string resolved(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return {};
    std::string text(real);
    std::free(real);
    return text;
}

bool holdsControlCharacter(const std::string& name) {
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return true;
    }
    return false;
}

bool isSymbolicLink(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

PathDecision allow(std::string path) {
    PathDecision d;
    d.allowed = true;
    d.path = std::move(path);
    return d;
}

PathDecision refuse(std::string reason) {
    PathDecision d;
    d.reason = std::move(reason);
    return d;
}

}  // namespace

std::string lexicallyNormal(const std::string& path) {
    std::vector<std::string> parts;
    size_t begin = 0;
    while (begin <= path.size()) {
        size_t end = path.find('/', begin);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(begin, end - begin);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        begin = end + 1;
    }
    std::string normal;
    for (const std::string& part : parts) normal += "/" + part;
    return normal.empty() ? "/" : normal;
}

bool isWithin(const std::string& path, const std::string& folder) {
    if (folder == "/") return !path.empty() && path[0] == '/';
    return path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

std::string printableName(const std::string& text) {
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '\\') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    return shown;
}

PathPolicy PathPolicy::anyPath() {
    return PathPolicy();
}

PathPolicy PathPolicy::confinedTo(const std::string& workingFolder,
                                  const ResourceFolders& resources) {
    std::vector<std::string> readFolders;
    std::vector<std::string> fallbackPlaces;
    const std::vector<std::string>& places = resources.places();
    for (size_t i = 1; i < places.size(); ++i) {
        fallbackPlaces.push_back(places[i]);
        for (const char* folder : kResourceFolderNames)
            readFolders.push_back(places[i] + "/" + folder);
    }
    return confinedTo(workingFolder, readFolders, fallbackPlaces);
}

PathPolicy PathPolicy::confinedTo(const std::string& workingFolder,
                                  const std::vector<std::string>& readFolders,
                                  const std::vector<std::string>& fallbackPlaces) {
    PathPolicy policy;
    policy.confined_ = true;
    policy.root_ = resolved(workingFolder);
    // A working folder that cannot be resolved confines to nothing at all
    // rather than to everything.
    if (policy.root_.empty()) policy.root_ = "/nonexistent/working/folder";
    for (const std::string& folder : readFolders) {
        std::string real = resolved(folder);
        if (!real.empty() && !isWithin(real, policy.root_)) policy.readRoots_.push_back(real);
    }
    policy.fallbackPlaces_ = fallbackPlaces;
    return policy;
}

bool PathPolicy::mayRead(const std::string& path) const {
    for (const std::string& folder : readRoots_)
        if (isWithin(path, folder)) return true;
    return false;
}

std::string PathPolicy::refusalReason(const std::string& name, const std::string& lexical,
                                      const std::string& real) const {
    if (isWithin(lexical, root_))
        return "a symbolic link in it leads out of the working folder " + root_ +
               (real.empty() ? std::string() : ", to " + printableName(real));
    if (!name.empty() && name[0] == '/') return "it is outside the working folder " + root_;
    return "its .. leads out of the working folder " + root_;
}

PathDecision PathPolicy::decide(const std::string& name, FileAccess access) const {
    if (!confined_) return allow(name);
    if (name.size() > kLongestFileName)
        return refuse("its name is longer than " + std::to_string(kLongestFileName) + " bytes");
    if (holdsControlCharacter(name)) return refuse("its name holds control characters");
    if (name.empty()) return allow(name);  // opens nothing, as before

    const bool absolute = name[0] == '/';
    const std::string joined = absolute ? name : root_ + "/" + name;
    const std::string lexical = lexicallyNormal(joined);

    // A file that exists is judged by where its links lead.
    if (const std::string real = resolved(joined); !real.empty()) {
        if (isWithin(real, root_)) return allow(real);
        if (access == FileAccess::Read && mayRead(real)) return allow(real);
        return refuse(refusalReason(name, lexical, real));
    }

    // A resource named relative to the working folder, installed elsewhere.
    if (access == FileAccess::Read && !absolute) {
        for (const std::string& place : fallbackPlaces_) {
            const std::string real = resolved(place + "/" + name);
            if (!real.empty() && mayRead(real)) return allow(real);
        }
    }

    // A file to be made, or one that is missing: judged by its folder.
    const size_t slash = joined.rfind('/');
    const std::string folder = slash == 0 ? "/" : joined.substr(0, slash);
    const std::string base = joined.substr(slash + 1);
    if (const std::string realFolder = resolved(folder); !realFolder.empty()) {
        if (!isWithin(realFolder, root_)) return refuse(refusalReason(name, lexical, realFolder));
        const std::string target = (realFolder == "/" ? "" : realFolder) + "/" + base;
        // Writing through a link whose target is missing would create the
        // target wherever the link points.
        if (access == FileAccess::Write && isSymbolicLink(target))
            return refuse("it is a symbolic link whose target does not exist");
        return allow(target);
    }
    // Its folder is missing too: nothing can be opened there, but a name
    // that points out is refused all the same, so the rule reads the same
    // whether or not the file happens to exist.
    if (!isWithin(lexical, root_)) return refuse(refusalReason(name, lexical, std::string()));
    return allow(name);
}

}  // namespace cubalorn
