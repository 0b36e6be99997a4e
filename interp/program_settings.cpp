#include "interp/program_settings.h"

#include "interp/interpreter.h"

namespace cubalorn {

ProgramSettings prescanSettings(Interpreter& in) {
    ProgramSettings settings;
    in.setPosition(0);
    while (in.peekToken() != kEndOfText) {
        bool found = false;
        if (in.peekToken() == kInitvolumesize) {
            in.nextToken();
            settings.volumeMax.x = in.integerArgument();
            settings.volumeMax.y = in.integerArgument();
            settings.volumeMax.z = in.integerArgument();
            settings.volumeFound = found = true;
        }
        if (in.peekToken() == kBackground) {
            in.nextToken();
            for (int& c : settings.background) c = in.integerArgument();
            settings.backgroundFound = found = true;
        }
        if (in.peekToken() == kCamerapos) {
            in.nextToken();
            for (float& c : settings.cameraPosition) c = in.numberorvalue();
            for (float& c : settings.cameraTarget) c = in.numberorvalue();
            settings.cameraFound = found = true;
        }
        if (!found) in.nextToken();
    }
    in.setPosition(0);
    return settings;
}

}  // namespace cubalorn
