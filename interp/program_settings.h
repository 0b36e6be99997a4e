#pragma once
// Settings a program file fixes for itself before the window and the volume
// exist: INITVOLUMESIZE, BACKGROUND and CAMERAPOS, found wherever they stand.

#include <array>

#include "voxel/region.h"

namespace cubalorn {

class Interpreter;

struct ProgramSettings {
    bool volumeFound = false;
    Vec3i volumeMax;  // upper corner of the volume
    bool backgroundFound = false;
    std::array<int, 3> background{0, 0, 0};
    bool cameraFound = false;
    std::array<float, 3> cameraPosition{0, 0, 0};
    std::array<float, 3> cameraTarget{0, 0, 0};
};

// Walks the interpreter's whole text token by token and returns the last
// value of each setting; runs nothing else and leaves the position at 0.
ProgramSettings prescanSettings(Interpreter& interpreter);

}  // namespace cubalorn
