// LOADCSV: voxel layers imported from a CSV file onto the World's volume.
// Not built yet: until then the command says so in the interpreter's error form.

#include "interp/commands.h"
#include "interp/interpreter.h"
#include "voxel/world.h"

namespace cubalorn {

void handleLoadcsv(Interpreter& in) {
    in.expectToken(kLoadcsv);
    in.reportError("LOADCSV: not available yet");
}

}  // namespace cubalorn
