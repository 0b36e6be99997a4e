// The one text file a program may have open: OPENFILE, CLOSEFILE,
// WRITELINEFILE and the READCHARFILE reporter.

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "interp/commands.h"
#include "interp/interpreter.h"

namespace cubalorn {

bool Interpreter::pathForFile(const char* command, const std::string& name, FileAccess access,
                              std::string& path) {
    if (pathPolicy_ == nullptr) {
        path = name;
        return true;
    }
    const PathDecision decision = pathPolicy_->decide(name, access);
    if (decision.allowed) {
        path = decision.path;
        return true;
    }
    out_.print("ERROR - could not open file %s\n", name.c_str());
    out_.note("%s: %s was not opened: %s (--allow-any-path lets a program open any file)\n",
              command, printableName(name).c_str(), decision.reason.c_str());
    return false;
}

namespace {

// The resolved path is opened without following a link in its last part, so
// a link put there after the check cannot lead elsewhere.
std::FILE* openResolved(const std::string& path, bool writing) {
    const int flags = writing ? O_WRONLY | O_CREAT | O_TRUNC : O_RDONLY;
    const int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, writing ? "w" : "r");
    if (file == nullptr) ::close(fd);
    return file;
}

}  // namespace

void handleOpenfile(Interpreter& in) {
    in.expectToken(kOpenfile);
    in.expectToken(kQuoted);
    const std::string path = in.tokenText();
    in.expectToken(kQuoted);
    const std::string& mode = in.tokenText();
    const char* openMode = nullptr;
    if (mode == "r" || mode == "R") openMode = "r";
    if (mode == "w" || mode == "W") openMode = "w";
    if (!openMode) return;  // any other mode opens nothing
    if (in.file) std::fclose(in.file);  // one file at a time: the old one is done
    in.file = nullptr;
    const bool writing = openMode[0] == 'w';
    std::string resolved;
    if (!in.pathForFile("OPENFILE", path, writing ? FileAccess::Write : FileAccess::Read, resolved))
        return;
    const bool confined = in.pathPolicy() != nullptr && in.pathPolicy()->confined();
    in.file = confined ? openResolved(resolved, writing) : std::fopen(path.c_str(), openMode);
}

void handleClosefile(Interpreter& in) {
    in.expectToken(kClosefile);
    if (!in.file) {
        in.reportError("CLOSEFILE: no file is open");
        return;
    }
    std::fclose(in.file);
    in.file = nullptr;
}

void handleWritelinefile(Interpreter& in) {
    in.expectToken(kWritelinefile);
    const std::string line = in.getstrorvalue();
    if (!in.file) {
        in.reportError("WRITELINEFILE: no file is open");
        return;
    }
    std::fwrite(line.data(), 1, line.size(), in.file);
    std::fputc('\n', in.file);
}

void reportReadcharfile(Interpreter& in, const std::string& target) {
    if (!in.file) {
        in.reportError("READCHARFILE: no file is open");
        return;
    }
    // The end of the file reads as the character with code 255.
    const int c = std::fgetc(in.file);
    in.vec_setvarstring(target, std::string(1, static_cast<char>(c)));
}

}  // namespace cubalorn
