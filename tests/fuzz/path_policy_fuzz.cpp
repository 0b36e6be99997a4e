// Any bytes as a file name given to a confined program's file commands, in a
// working folder with links that lead in, out, nowhere and to themselves:
// whatever the policy lets through must lie in the working folder (or, for
// reading, in an installed resource folder), a plain name there must never
// be refused, and opening what it allows must leave the folder outside as
// it was.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz_support.h"
#include "interp/path_policy.h"
#include "interp/resource_folders.h"

using namespace cubalorn;

namespace {

std::string resolved(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return {};
    std::string text(real);
    std::free(real);
    return text;
}

struct Tree {
    std::string base, work, outside, media;
};

// base/work            the working folder: sub/, in -> sub, out -> ../outside,
//                      secret -> ../outside/secret.txt, nowhere -> ../outside/none,
//                      loop -> loop, up -> ..
// base/outside/secret.txt
// base/share/media/font.bmp   an installed resource
const Tree& tree() {
    static const Tree t = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/cubalorn-paths-XXXXXX";
        if (!::mkdtemp(pattern.data())) fuzz::fail("cannot make the scratch folder", pattern);
        Tree made;
        made.base = resolved(pattern);
        static const std::string removal = "rm -rf '" + made.base + "'";
        std::atexit([] { (void)!std::system(removal.c_str()); });
        made.work = made.base + "/work";
        made.outside = made.base + "/outside";
        made.media = made.base + "/share/media";
        for (const std::string& folder :
             {made.work, made.work + "/sub", made.outside, made.base + "/share", made.media})
            ::mkdir(folder.c_str(), 0755);
        std::ofstream(made.outside + "/secret.txt") << "secret";
        std::ofstream(made.media + "/font.bmp") << "BM";
        const char* const links[][2] = {{"sub", "in"},
                                        {"../outside", "out"},
                                        {"../outside/secret.txt", "secret"},
                                        {"../outside/none", "nowhere"},
                                        {"loop", "loop"},
                                        {"..", "up"}};
        for (const auto& link : links)
            if (::symlink(link[0], (made.work + "/" + link[1]).c_str()) != 0)
                fuzz::fail("cannot make a link", link[1]);
        return made;
    }();
    return t;
}

const PathPolicy& policy() {
    static const PathPolicy p =
        PathPolicy::confinedTo(tree().work, ResourceFolders({tree().work, tree().base + "/share"}));
    return p;
}

bool holdsControlCharacter(const std::string& name) {
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    return false;
}

// A name of one part, new or an ordinary file in the working folder.
bool plainName(const std::string& name) {
    if (name.empty() || name.size() > 255 || name == "." || name == ".." ||
        name.find('/') != std::string::npos || holdsControlCharacter(name))
        return false;
    struct stat info;
    return ::lstat((tree().work + "/" + name).c_str(), &info) != 0 || S_ISREG(info.st_mode) ||
           S_ISDIR(info.st_mode);
}

bool within(const std::string& path, FileAccess access) {
    if (isWithin(path, tree().work)) return true;
    return access == FileAccess::Read && isWithin(path, tree().media);
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

void checkOutsideUnchanged() {
    std::ifstream secret(tree().outside + "/secret.txt", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(secret), {}};
    if (text != "secret") fuzz::fail("the file outside changed", text);
    struct stat info;
    if (::stat((tree().outside + "/none").c_str(), &info) == 0)
        fuzz::fail("a file was made outside through a link");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const FileAccess access = data[0] & 1 ? FileAccess::Write : FileAccess::Read;
    const std::string name(reinterpret_cast<const char*>(data + 1), size - 1);
    const PathDecision d = policy().decide(name, access);

    if (!d.allowed) {
        if (d.reason.empty()) fuzz::fail("a refusal without a reason", name);
        if (plainName(name)) fuzz::fail("a plain name was refused", name + ": " + d.reason);
        return 0;
    }
    // Where the allowed path leads: the file, else the folder it would be made in.
    const std::string path =
        !d.path.empty() && d.path[0] == '/' ? d.path : tree().work + "/" + d.path;
    if (const std::string real = resolved(path); !real.empty()) {
        if (!within(real, access)) fuzz::fail("allowed a file outside", name + " -> " + real);
    } else if (const std::string folder = resolved(folderOf(path)); !folder.empty()) {
        if (!within(folder, access)) fuzz::fail("allowed a folder outside", name + " -> " + folder);
    }

    // Open it as OPENFILE does from the working folder, and take away what
    // that made.
    if (access == FileAccess::Write) {
        static const int workFolder = ::open(tree().work.c_str(), O_RDONLY | O_DIRECTORY);
        struct stat before;
        const bool existed =
            ::fstatat(workFolder, d.path.c_str(), &before, AT_SYMLINK_NOFOLLOW) == 0;
        const int fd =
            ::openat(workFolder, d.path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            if (!existed) ::unlinkat(workFolder, d.path.c_str(), 0);
        }
    }
    checkOutsideUnchanged();
    return 0;
}
