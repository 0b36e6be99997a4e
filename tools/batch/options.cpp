#include "options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "export/mesh_formats.h"

namespace cubalorn::batch {

namespace {

struct OptionRow {
    const char* name;
    const char* valueName;  // null: a switch without a value
    std::string help;
    // Applies the option; returns false with `error` set when the value is bad.
    bool (*apply)(Options& options, const std::string& value, std::string& error);
    const char* shortName = nullptr;  // "-h"
};

bool parseCount(const std::string& text, long long& count) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < 0) return false;
    count = value;
    return true;
}

bool parseSeconds(const std::string& text, double& seconds) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value) || value <= 0.0) return false;
    seconds = value;
    return true;
}

bool parseScale(const std::string& text, float& scale) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const float value = std::strtof(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value) || value <= 0) return false;
    scale = value;
    return true;
}

// "WxH" with both sides in 16..kMaxPictureSide.
bool parseSize(const std::string& text, int& width, int& height) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    long long w = 0, h = 0;
    if (!parseCount(text.substr(0, x), w) || !parseCount(text.substr(x + 1), h)) return false;
    if (w < 16 || h < 16 || w > kMaxPictureSide || h > kMaxPictureSide) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool setPath(std::string& path, const char* option, const std::string& value, std::string& error) {
    if (value.empty()) {
        error = std::string(option) + " needs a file name";
        return false;
    }
    path = value;
    return true;
}

bool setResumeCap(Options& o, const char* option, const std::string& value, std::string& error) {
    o.resumeLimitGiven = true;
    if (value == "none") {
        o.maxResumes = -1;
        return true;
    }
    if (parseCount(value, o.maxResumes)) return true;
    error =
        std::string(option) + " needs a whole number of 0 or more, or none, not '" + value + "'";
    return false;
}

const OptionRow kOptions[] = {
    {"--frames", "N",
     "stop a program file after N REFRESHALL resumes (default " +
         std::to_string(kDefaultResumeLimit) + "; none: no limit)",
     [](Options& o, const std::string& value, std::string& error) {
         return setResumeCap(o, "--frames", value, error);
     }},
    {"--max-resumes", "N", "the same as --frames",
     [](Options& o, const std::string& value, std::string& error) {
         return setResumeCap(o, "--max-resumes", value, error);
     }},
    {"--mesh-report", nullptr,
     "print the vertex and index counts of the cubic and the smooth mesh of the final volume, "
     "and the volume's memory",
     [](Options& o, const std::string&, std::string&) {
         o.meshReport = true;
         return true;
     }},
    {"--obj", "PATH", "write the final mesh as OBJ (y up), with its colours in a .mtl beside it",
     [](Options& o, const std::string& value, std::string& error) {
         return setPath(o.objPath, "--obj", value, error);
     }},
    {"--ply", "PATH", "write the final mesh as binary PLY (y up) with per-vertex colours",
     [](Options& o, const std::string& value, std::string& error) {
         return setPath(o.plyPath, "--ply", value, error);
     }},
    {"--stl", "PATH", "write the final mesh as binary STL (z up)",
     [](Options& o, const std::string& value, std::string& error) {
         return setPath(o.stlPath, "--stl", value, error);
     }},
    {"--3mf", "PATH", "write the final mesh as a 3MF package with its colours (z up, millimetres)",
     [](Options& o, const std::string& value, std::string& error) {
         return setPath(o.threeMfPath, "--3mf", value, error);
     }},
    {"--glb", "PATH", "write the final mesh as binary glTF 2.0 with one material per colour (y up)",
     [](Options& o, const std::string& value, std::string& error) {
         return setPath(o.glbPath, "--glb", value, error);
     }},
    {"--smooth", nullptr, "mesh exports use the smooth surface instead of cubes",
     [](Options& o, const std::string&, std::string&) {
         o.smooth = true;
         return true;
     }},
    {"--scale", "MM", "size of one voxel in mesh exports (default 1)",
     [](Options& o, const std::string& value, std::string& error) {
         if (parseScale(value, o.scale)) return true;
         error = "--scale needs a number greater than 0, not '" + value + "'";
         return false;
     }},
    {"--origin", "PLACE",
     "plate (default): mesh files stand on the plate, centred; volume: keep voxel coordinates",
     [](Options& o, const std::string& value, std::string& error) {
         if (value == "plate" || value == "volume") {
             o.keepVolumeOrigin = value == "volume";
             return true;
         }
         error = "--origin needs plate or volume, not '" + value + "'";
         return false;
     }},
    {"--max-steps", "N", "stop the program after N statements and loop passes (exit status 3)",
     [](Options& o, const std::string& value, std::string& error) {
         if (parseCount(value, o.maxSteps) && o.maxSteps > 0) return true;
         error = "--max-steps needs a whole number of 1 or more, not '" + value + "'";
         return false;
     }},
    {"--max-seconds", "S", "stop the program after S seconds of running (exit status 3)",
     [](Options& o, const std::string& value, std::string& error) {
         if (parseSeconds(value, o.maxSeconds)) return true;
         error = "--max-seconds needs a number of seconds above 0, not '" + value + "'";
         return false;
     }},
    {"--png", "PATH", "render the final scene as the window shows it into a PNG file",
     [](Options& o, const std::string& value, std::string& error) {
         return setPath(o.pngPath, "--png", value, error);
     }},
    {"--size", "WxH", "size of the rendered picture (default: the configured window size)",
     [](Options& o, const std::string& value, std::string& error) {
         if (parseSize(value, o.width, o.height)) return true;
         error = "--size needs WIDTHxHEIGHT, each from 16 to " + std::to_string(kMaxPictureSide) +
                 ", not '" + value + "'";
         return false;
     }},
    {"--png-every", "K",
     "with --png, also write PATH-NNNNN.png after every K-th pass of an animation",
     [](Options& o, const std::string& value, std::string& error) {
         if (parseCount(value, o.pngEvery) && o.pngEvery > 0) return true;
         error = "--png-every needs a whole number of 1 or more, not '" + value + "'";
         return false;
     }},
    {"--view", "VIEW",
     "with --png, the camera: fit (the sculpture framed from the front left, above), program "
     "(the program's CAMERAPOS), front, top or side (default: program if it sets a camera, "
     "else fit)",
     [](Options& o, const std::string& value, std::string& error) {
         for (const char* view : {"fit", "program", "front", "top", "side"})
             if (value == view) {
                 o.view = value;
                 return true;
             }
         error = "--view needs fit, program, front, top or side, not '" + value + "'";
         return false;
     }},
    {"--turntable", "N",
     "with --png, also write N frames orbiting the sculpture, PATH-turn-NNNNN.png, and an "
     "animated PATH.gif when ImageMagick is installed",
     [](Options& o, const std::string& value, std::string& error) {
         if (parseCount(value, o.turntable) && o.turntable > 0 &&
             o.turntable <= kMaxTurntableFrames)
             return true;
         error = "--turntable needs a whole number from 1 to " +
                 std::to_string(kMaxTurntableFrames) + ", not '" + value + "'";
         return false;
     }},
    {"--ambient-occlusion", "on|off",
     "with --png, darken the cubic mesh's closed-in corners (default: on)",
     [](Options& o, const std::string& value, std::string& error) {
         if (value == "on" || value == "off") {
             o.ambientOcclusion = value == "on";
             o.ambientOcclusionGiven = true;
             return true;
         }
         error = "--ambient-occlusion needs on or off, not '" + value + "'";
         return false;
     }},
    {"--vox", "PATH", "write the final volume as a MagicaVoxel .vox file (z up)",
     [](Options& o, const std::string& value, std::string& error) {
         return setPath(o.voxPath, "--vox", value, error);
     }},
    {"--allow-any-path", nullptr,
     "let the program's file commands open any file, not only those in the working folder",
     [](Options& o, const std::string&, std::string&) {
         o.allowAnyPath = true;
         return true;
     }},
    {"--progress", nullptr,
     "show the progress line from the start, even when standard error is not a terminal",
     [](Options& o, const std::string&, std::string&) {
         o.progressAlways = true;
         return true;
     }},
    {"--version", nullptr, "print the version and exit",
     [](Options& o, const std::string&, std::string&) {
         o.showVersion = true;
         return true;
     }},
    {"--strict", nullptr, "exit with status 4 when the program printed any ERROR line",
     [](Options& o, const std::string&, std::string&) {
         o.strict = true;
         return true;
     }},
    {"--no-hints", nullptr, "no error places or hints on standard error",
     [](Options& o, const std::string&, std::string&) {
         o.hints = false;
         return true;
     }},
    {"--help", nullptr, "show this help and exit",
     [](Options& o, const std::string&, std::string&) {
         o.showHelp = true;
         return true;
     },
     "-h"},
};

const OptionRow* findOption(const std::string& name) {
    for (const OptionRow& row : kOptions)
        if (name == row.name || (row.shortName != nullptr && name == row.shortName)) return &row;
    return nullptr;
}

// "--name", "--name=value" and "-h" are options until "--"; "-" alone is a
// file name, as is everything after "--".
bool looksLikeOption(const std::string& argument) {
    return argument.size() > 1 && argument[0] == '-';
}

}  // namespace

bool parseOptions(const std::vector<std::string>& arguments, Options& options, std::string& error) {
    bool programSeen = false;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && looksLikeOption(argument)) {
            std::string name = argument;
            std::string value;
            bool valueGiven = false;
            if (const size_t equals = argument.find('='); equals != std::string::npos) {
                name = argument.substr(0, equals);
                value = argument.substr(equals + 1);
                valueGiven = true;
            }
            const OptionRow* row = findOption(name);
            if (!row) {
                error = "unknown option " + name;
                return false;
            }
            if (row->valueName && !valueGiven) {
                if (i + 1 >= arguments.size()) {
                    error = name + " needs a value";
                    return false;
                }
                value = arguments[++i];
            } else if (!row->valueName && valueGiven) {
                error = name + " takes no value";
                return false;
            }
            if (!row->apply(options, value, error)) return false;
            continue;
        }
        if (programSeen) {
            error = "only one program file can be run, got '" + options.programFile + "' and '" +
                    argument + "'";
            return false;
        }
        options.programFile = argument;
        programSeen = true;
    }
    if (!options.wantsRender()) {
        const char* picture = options.pngEvery > 0           ? "--png-every"
                              : options.width > 0            ? "--size"
                              : !options.view.empty()        ? "--view"
                              : options.turntable > 0        ? "--turntable"
                              : options.ambientOcclusionGiven ? "--ambient-occlusion"
                                                             : nullptr;
        if (picture != nullptr) {
            error = std::string(picture) + " goes with --png, which names the picture";
            return false;
        }
    }
    return true;
}

std::vector<std::pair<std::string, std::string>> Options::exportFiles() const {
    std::vector<std::pair<std::string, std::string>> files;
    if (!objPath.empty()) {
        // The material library first, so the OBJ never names a missing file.
        files.push_back({"--obj (material library)", exporter::mtlPathFor(objPath)});
        files.push_back({"--obj", objPath});
    }
    const std::pair<const char*, const std::string*> rest[] = {{"--ply", &plyPath},
                                                               {"--stl", &stlPath},
                                                               {"--3mf", &threeMfPath},
                                                               {"--glb", &glbPath},
                                                               {"--vox", &voxPath}};
    for (const auto& [option, path] : rest)
        if (!path->empty()) files.push_back({option, *path});
    return files;
}

std::string usageText() {
    std::string text =
        "usage: cubalorn-batch [options] [--] [FILE]\n"
        "Runs the Logo program FILE, or else each line of standard input as one console line,\n"
        "without a window, and prints what the interpreter prints.\n"
        "options:\n";
    for (const OptionRow& row : kOptions) {
        std::string left = "  ";
        if (row.shortName) left += std::string(row.shortName) + ", ";
        left += row.name;
        if (row.valueName) left += std::string(" ") + row.valueName;
        // A name too long for the column gets a line of its own.
        if (left.size() >= 24) left += "\n";
        left.resize(left.back() == '\n' ? left.size() + 24 : 24, ' ');
        text += left + row.help + "\n";
    }
    text +=
        "  --                    end of the options: a FILE that starts with - comes after it\n"
        "Exit status: 0 done, 1 a file could not be read or written, 2 a mistake in the options,\n"
        "3 the program was stopped (--max-steps, --max-seconds or Ctrl+C); the outputs are\n"
        "written from the volume as it stands all the same. The program's file commands reach\n"
        "only the working folder and below (and read the installed media/, shaders/ and\n"
        "examples/) unless --allow-any-path is given. On a terminal, a run that takes over two\n"
        "seconds shows its progress on standard error.\n";
    return text;
}

std::string versionText() {
    return std::string("cubalorn-batch ") + CUBALORN_VERSION + "\n";
}

}  // namespace cubalorn::batch
