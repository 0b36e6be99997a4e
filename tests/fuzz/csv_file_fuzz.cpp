// Any bytes as a CSV layer file read by LOADCSV: the first bytes choose the
// rotation, the turtle's place and pen, the rest is the file.

#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_support.h"

using namespace cubalorn;

namespace {

constexpr int32_t kRotations[] = {0, 90, 180, 270, 45, -90};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputReader input(data, size);
    const int32_t rotation = kRotations[input.byte() % 6];
    const uint8_t px = input.byte(), py = input.byte(), pz = input.byte(), pen = input.byte();
    const std::string file = input.rest();

    fuzz::InScratchDirectory scratch;
    std::FILE* out = std::fopen("layers.csv", "wb");
    if (!out) fuzz::fail("cannot write the scratch file");
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);

    fuzz::LogoRun run;
    Turtle& turtle = run.world.turtle;
    // Places around and outside the volume (21 x 13 x 21), pen up or down,
    // sizes 1 to 4.
    turtle.x = static_cast<float>(px % 32 - 6);
    turtle.y = static_cast<float>(py % 24 - 6);
    turtle.z = static_cast<float>(pz % 32 - 6);
    turtle.penUp = (pen & 1) != 0;
    turtle.penSize = 1 + (pen >> 1) % 4;
    auto inside = [&] {
        return turtle.x >= 0 && turtle.x < run.volume.width() && turtle.y >= 0 &&
               turtle.y < run.volume.height() && turtle.z >= 0 && turtle.z < run.volume.depth();
    };
    const bool startedInside = inside();
    run.interpreter.assignProgram("loadcsv \"layers.csv " + std::to_string(rotation));
    run.interpreter.lineFinished = false;
    run.interpreter.runLine();
    // Cells are placed clamped onto the volume: a turtle that starts inside stays inside.
    if (startedInside && !inside())
        fuzz::fail("the turtle left the volume", std::to_string(turtle.x) + " " +
                                                     std::to_string(turtle.y) + " " +
                                                     std::to_string(turtle.z));
    return 0;
}
