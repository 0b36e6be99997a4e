#pragma once
// Program tests: Logo in, exact console text out, through the interpreter
// core with a recording host, as the shell would run it.

#include <memory>
#include <string>
#include <vector>

#include "interp/interpreter.h"
#include "interp/output.h"
#include "interp/recording_host.h"
#include "voxel/volume.h"
#include "voxel/world.h"

namespace cubalorn::testing {

class ProgramRun {
public:
    explicit ProgramRun(Vec3i volumeMax = {100, 60, 100});

    // Runs each line as one console line; returns what they printed.
    std::string console(const std::vector<std::string>& lines);
    // Runs a program file: pre-scan, first run, then a resume per REFRESHALL
    // up to `maxResumes`; returns what it printed.
    std::string programFile(const std::string& text, int maxResumes = 1000);

    // The text of the newest variable of that name, or "<none>".
    std::string variable(const std::string& name);
    size_t stackSize() { return interpreter.variables().size(); }

    StringOutput out;
    RecordingHost host;
    VoxelVolume volume;
    World world;
    Interpreter interpreter;
    int resumes = 0;  // REFRESHALL resumes of the last programFile
    std::string fileName = "program.logo";  // what error places call a program file
};

// Shorthands for one-off runs.
std::string runConsole(const std::vector<std::string>& lines);
std::string runProgramFile(const std::string& text);

}  // namespace cubalorn::testing
