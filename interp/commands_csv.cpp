// LOADCSV: voxel layers imported from a CSV file around the turtle, drawn
// with its pen.

#include <string>

#include "interp/commands.h"
#include "interp/interpreter.h"
#include "voxel/csv.h"
#include "voxel/world.h"

namespace cubalorn {

void handleLoadcsv(Interpreter& in) {
    in.expectToken(kLoadcsv);
    const std::string path = in.getstrorvalue();
    const int rotation = in.integerArgument();
    if (!isCsvRotation(rotation))
        in.reportError("LOADCSV: the rotationdegree should be 0, 90, 180 or 270!");
    std::string resolved;
    if (!in.pathForFile("LOADCSV", path, FileAccess::Read, resolved)) return;
    // A file that cannot be opened is passed over in silence.
    const CsvResult result = loadCsv(resolved, rotation, in.world().turtle);
    if (result.unknownColourCells > 0) {
        // One line per file, however many cells: such cells are not drawn.
        in.reportError("LOADCSV: " + std::to_string(result.unknownColourCells) +
                       " cells with a colour outside the palette's names skipped, the first is " +
                       result.firstUnknownColour);
    }
}

}  // namespace cubalorn
