#pragma once
// The window program's command line. Options come first; what is left
// decides the mode as it always did (none: console; one: that program file;
// two or more: neither). Each option is one row of a table in
// command_line.cpp, so a new option is one more row and one more field here.

#include <string>
#include <vector>

namespace cubalorn {

struct CommandLine {
    std::vector<std::string> arguments;  // the mode's arguments, options taken out
    bool help = false;
    bool version = false;
    bool allowAnyPath = false;  // the program's file commands may open any file
    bool watch = false;         // --watch FILE: FILE is the program, run again on each save
};

// Parses argv[1..]. "-" alone and everything after "--" are arguments.
// Returns false with a one-line `error` for an unknown option, a missing
// value or a value given to a switch.
bool parseCommandLine(const std::vector<std::string>& argv, CommandLine& commandLine,
                      std::string& error);

// The usage: modes, options, console words, keys and the files read, which
// are looked for in `places` (the first being the working folder).
std::string usageText(const std::vector<std::string>& places);

// "cubalorn 0.2.0".
std::string versionText();

}  // namespace cubalorn
