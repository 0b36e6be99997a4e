#include "app/command_line.h"

namespace cubalorn {

namespace {

struct OptionRow {
    const char* name;
    const char* shortName;  // null: none
    const char* valueName;  // null: a switch
    const char* help;
    void (*apply)(CommandLine& commandLine, const std::string& value);
};

const OptionRow kOptions[] = {
    {"--help", "-h", nullptr, "show this help and exit",
     [](CommandLine& c, const std::string&) { c.help = true; }},
    {"--version", nullptr, nullptr, "print the version and exit",
     [](CommandLine& c, const std::string&) { c.version = true; }},
    {"--allow-any-path", nullptr, nullptr,
     "let the program's file commands open any file; by default\n"
     "OPENFILE, LOADCSV, GETFONT and GETTEXTURE reach the working\n"
     "folder and below, and read the installed media/, shaders/\n"
     "and examples/",
     [](CommandLine& c, const std::string&) { c.allowAnyPath = true; }},
    {"--watch", nullptr, "FILE",
     "run the program file FILE, and again from the start each\n"
     "time it is saved (volume, turtle, palette, variables and\n"
     "procedures start afresh; the camera stays)",
     [](CommandLine& c, const std::string& file) {
         c.watch = true;
         c.arguments.push_back(file);
     }},
};

const OptionRow* findOption(const std::string& name) {
    for (const OptionRow& row : kOptions)
        if (name == row.name || (row.shortName != nullptr && name == row.shortName)) return &row;
    return nullptr;
}

// A help text of several lines, each after the first lined up at `column`.
std::string indented(const char* help, size_t column) {
    std::string text;
    for (const char* c = help; *c != '\0'; ++c) {
        text += *c;
        if (*c == '\n') text.append(column, ' ');
    }
    return text;
}

}  // namespace

bool parseCommandLine(const std::vector<std::string>& argv, CommandLine& commandLine,
                      std::string& error) {
    bool optionsEnded = false;
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string& argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            commandLine.arguments.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = argument;
        std::string value;
        bool valueGiven = false;
        if (const size_t equals = argument.find('=');
            equals != std::string::npos && argument.compare(0, 2, "--") == 0) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
            valueGiven = true;
        }
        const OptionRow* row = findOption(name);
        if (row == nullptr) {
            error = "unknown option " + name +
                    " (a program file whose name starts with - goes after --)";
            return false;
        }
        if (row->valueName != nullptr && !valueGiven) {
            if (i + 1 >= argv.size()) {
                error = name + " needs a value";
                return false;
            }
            value = argv[++i];
        } else if (row->valueName == nullptr && valueGiven) {
            error = name + " takes no value";
            return false;
        }
        row->apply(commandLine, value);
    }
    return true;
}

std::string usageText(const std::vector<std::string>& places) {
    std::string text =
        "usage: cubalorn [options] [--] [PROGRAM]\n"
        "Sculpt in voxels with a Logo turtle; the volume is shown in a 3-D window.\n"
        "\n"
        "Modes, by the number of arguments:\n"
        "  (none)          interactive: type Logo lines at the \"> \" prompt; the window\n"
        "                  shows the volume after each line\n"
        "  PROGRAM         run the Logo program file; a program that pauses at\n"
        "                  REFRESHALL goes on after every frame while the window has\n"
        "                  the focus\n"
        "  two or more     no program and no console: the window shows the empty volume\n"
        "\n"
        "Options:\n";
    for (const OptionRow& row : kOptions) {
        std::string left = "  ";
        if (row.shortName != nullptr) left += std::string(row.shortName) + ", ";
        left += row.name;
        if (row.valueName != nullptr) left += std::string(" ") + row.valueName;
        // A long name gets its help on the next line.
        left = left.size() < 18 ? left + std::string(18 - left.size(), ' ')
                                : left + "\n" + std::string(18, ' ');
        text += left + indented(row.help, 18) + "\n";
    }
    text +=
        "  --              end of the options: a PROGRAM whose name starts with - comes\n"
        "                  after it\n"
        "\n"
        "Console words (a whole line, any letter case):\n"
        "  HELP            print the help lines\n"
        "  FREECAM         stop reading the console and fly the free camera until Escape\n"
        "  QUIT            end the program (as does the end of standard input)\n"
        "  anything else   runs as one Logo line, e.g. repeat 4 [ forward 20 left 90]\n"
        "\n"
        "Window keys and mouse:\n"
        "  left-drag       orbit about the sculpture (at the prompt)\n"
        "  right-drag, wheel  come nearer or go farther\n"
        "  middle-drag     pan\n"
        "  F               frame the whole sculpture\n"
        "  T, G            show or hide the turtle, the floor grid and outline\n"
        "  O               wireframe on or off\n"
        "  M               cubic blocks or smooth surface\n"
        "  W S A D Space   with the mouse: fly the free camera (after FREECAM, and in\n"
        "                  program-file mode); Enter goes back to the console\n"
        "  Escape          end the program (a running line is stopped first)\n"
        "  Ctrl+C          at the console: stop a running line; at the prompt, or twice\n"
        "                  within a second, end the program\n"
        "\n"
        "Files read:\n"
        "  configwindows.xml.txt  window, effects, volume and camera settings\n"
        "  media/                 the voxel texture and the bitmap font\n"
        "  shaders/               the post-processing passes (bloom)\n"
        "each looked for in these places, in this order:\n";
    for (const std::string& place : places) text += "  " + place + "\n";
    text +=
        "\n"
        "The process ends with exit status 1 (0 after --help and --version, 2 after a\n"
        "mistake in the options). The language: docs/language.md beside the README.\n";
    return text;
}

std::string versionText() {
    return std::string("cubalorn ") + CUBALORN_VERSION + "\n";
}

}  // namespace cubalorn
