// The one text file a program may have open: OPENFILE, CLOSEFILE,
// WRITELINEFILE and the READCHARFILE reporter.

#include <cstdio>
#include <string>

#include "interp/commands.h"
#include "interp/interpreter.h"

namespace cubalorn {

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
    in.file = std::fopen(path.c_str(), openMode);
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
