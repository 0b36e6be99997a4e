#pragma once
// LOADCSV's layer files: a header "columns,layers,rows", then `layers` blocks
// (the first block is the top layer) of `rows` rows of `columns` cells, each
// cell "#RRGGBBAA" (a colour name from the palette's list and an opacity).
// Cells with an opacity above 0 are drawn with the turtle's pen around the
// turtle, turned by 0, 90, 180 or 270 degrees.

#include <cstdint>
#include <string>

namespace cubalorn {

class Turtle;

struct CsvResult {
    bool opened = false;
    // Drawn cells whose colour name is not in the palette's list: they are
    // skipped (no voxel, no move, no pen colour change).
    int64_t unknownColourCells = 0;
    std::string firstUnknownColour;
};

// Is `rotation` one of 0, 90, 180, 270? Any other value places cells as 0.
bool isCsvRotation(int32_t rotation);

// Reads the file with formatted reads exactly as the format is defined: a
// cell that does not match repeats the previous cell, and only the comma and
// whitespace reads move past text that is not a cell. The turtle ends on the
// last drawn cell with the pen colour of its material. A file that cannot be
// opened changes nothing.
CsvResult loadCsv(const std::string& path, int32_t rotation, Turtle& turtle);

}  // namespace cubalorn
