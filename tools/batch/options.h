#pragma once
// Command line of cubalorn-batch. Each option is one row of a table (name,
// whether it takes a value, help text, how it applies), so a new option is
// one more row and one more field here.

#include <string>
#include <utility>
#include <vector>

namespace cubalorn::batch {

// REFRESHALL resumes of a program file when no --frames is given: ten
// seconds of the window's animation at 60 frames a second. A program that
// loops over REFRESHALL for ever then ends and its outputs are written.
constexpr long long kDefaultResumeLimit = 600;

struct Options {
    std::string programFile;  // empty: read console lines from standard input
    long long maxResumes = kDefaultResumeLimit;  // REFRESHALL resumes; -1 = no cap
    bool resumeLimitGiven = false;               // --frames or --max-resumes
    long long maxSteps = 0;                      // statements and loop passes; 0 = no cap
    double maxSeconds = 0.0;                     // running time; 0 = no cap
    bool showHelp = false;
    bool showVersion = false;
    bool allowAnyPath = false;   // the program's file commands may open any file
    bool progressAlways = false;  // the progress line from the start, terminal or not
    bool strict = false;  // exit status 4 when the program printed an ERROR line
    bool hints = true;    // error places and hints on standard error

    // What to report or write from the final volume; empty paths write nothing.
    bool meshReport = false;
    std::string objPath;
    std::string plyPath;
    std::string stlPath;
    std::string voxPath;
    std::string threeMfPath;
    std::string glbPath;
    bool smooth = false;  // mesh exports from the smooth extractor instead of the cubic one
    float scale = 1.0f;   // millimetres (or any unit) per voxel in mesh exports
    bool keepVolumeOrigin = false;  // --origin volume: no placing on the plate

    // A picture of the final scene as the window draws it.
    std::string pngPath;
    int width = 0;  // --size; 0: the configured window size
    int height = 0;
    long long pngEvery = 0;  // also a numbered picture every this many passes; 0: none
    // --view: fit, program, front, top or side; empty: the program's camera
    // when it places one, else fit.
    std::string view;
    long long turntable = 0;       // frames orbiting the sculpture after the run; 0: none
    bool ambientOcclusion = true;  // --ambient-occlusion on|off
    bool ambientOcclusionGiven = false;

    bool wantsRender() const { return !pngPath.empty(); }
    bool wantsMeshExport() const {
        return !objPath.empty() || !plyPath.empty() || !stlPath.empty() || !threeMfPath.empty() ||
               !glbPath.empty();
    }
    // The files written from the final volume, each with the option that
    // names it, in the order they are written (the .mtl before its OBJ).
    std::vector<std::pair<std::string, std::string>> exportFiles() const;
};

// Largest picture side --size accepts.
constexpr int kMaxPictureSide = 8192;
// Most frames --turntable accepts.
constexpr long long kMaxTurntableFrames = 3600;

// Parses argv[1..]; on a mistake returns false with a one-line `error`.
bool parseOptions(const std::vector<std::string>& arguments, Options& options, std::string& error);

// The usage text, one line per option.
std::string usageText();

// "cubalorn-batch 0.2.0".
std::string versionText();

}  // namespace cubalorn::batch
