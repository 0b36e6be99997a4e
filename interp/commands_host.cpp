// Commands that reach the window through the host: background, cameras,
// light, fonts, textures, screen texts, keys and mouse.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "interp/commands.h"
#include "interp/interpreter.h"

namespace cubalorn {

void handleBackground(Interpreter& in) {
    in.expectToken(kBackground);
    const int r = in.integerArgument();
    const int g = in.integerArgument();
    const int b = in.integerArgument();
    in.host().setBackground(r, g, b);
}

void handleCamerapos(Interpreter& in) {
    in.expectToken(kCamerapos);
    float v[6];
    for (float& value : v) value = in.numberorvalue();
    in.out().print("camerapos \n");
    in.host().setCamera(v[0], v[1], v[2], v[3], v[4], v[5]);
}

void handleLightpos(Interpreter& in) {
    in.expectToken(kLightpos);
    int v[6];
    for (int& value : v) value = in.integerArgument();
    in.host().setLight(v[0], v[1], v[2], v[3], v[4], v[5]);
}

void handleChangecamera(Interpreter& in) {
    in.expectToken(kChangecamera);
    in.host().changeCamera(in.integerArgument() == 0);
}

void handleGetfont(Interpreter& in) {
    in.expectToken(kGetfont);
    in.expectToken(kQuoted);
    const std::string path = in.tokenText();
    if (in.host().hasFont(path)) return;
    std::string resolved;
    if (!in.pathForFile("GETFONT", path, FileAccess::Read, resolved)) return;
    // Programs name the font without its ".bmp".
    const std::string name = path.substr(0, path.find(".bmp"));
    in.out().print("getfont %s\n", name.c_str());
    in.host().addFont(name, resolved);
}

void handleGettexture(Interpreter& in) {
    in.expectToken(kGettexture);
    in.expectToken(kQuoted);
    const std::string name = in.tokenText();
    int v[4];
    for (int& value : v) value = in.integerArgument();
    if (in.host().hasTexture(name)) return;
    std::string resolved;
    if (!in.pathForFile("GETTEXTURE", name, FileAccess::Read, resolved)) return;
    in.host().addTexture(name, resolved, v[0], v[1], v[2], v[3]);
}

namespace {

bool startsScreenItem(TokenCode code) {
    return code == kNumber || code == kItem || code == kVariable || code == kQuoted;
}

void appendNumber(std::string& text, float value) {
    char buffer[64];  // the widest float, 39 digits with sign and decimals, fits
    const int length =
        std::snprintf(buffer, sizeof buffer, value == std::floor(value) ? "%.0f" : "%.3f",
                      static_cast<double>(value));
    if (length > 0) text.append(buffer, std::min(static_cast<size_t>(length), sizeof buffer - 1));
}

}  // namespace

void handlePrintscreen(Interpreter& in) {
    in.expectToken(kPrintscreen);
    in.expectToken(kQuoted);
    const std::string fontName = in.tokenText();
    const int x = in.integerArgument();
    const int y = in.integerArgument();
    int colour = in.integerArgument();
    if (colour < 0 || colour > 255) colour = 0;  // no palette entry: the first colour

    std::string text;
    for (TokenCode code = in.peekToken(); startsScreenItem(code) || code == kComma;
         code = in.peekToken()) {
        if (code == kComma) {
            in.nextToken();
            code = in.peekToken();
            if (!startsScreenItem(code)) {
                in.reportSyntaxError("PRINT: wrong parameter", ErrorDetail::at(Culprit::NextToken));
                break;
            }
        }
        if (code == kNumber || code == kItem) {
            appendNumber(text, in.numberorvalue());
        } else if (code == kVariable) {
            in.nextToken();
            std::string value = in.vec_getvarstring(in.tokenText());
            const size_t cut = value.find(".000000");
            if (cut != std::string::npos) value.erase(cut);
            text += value;
        } else {
            in.nextToken();
            text += in.tokenText();
        }
        text += ' ';
    }

    // A statement run again before the next frame (in a loop) queues nothing more.
    std::vector<ScreenText>& queue = in.host().screenTexts();
    for (const ScreenText& queued : queue)
        if (queued.position == in.position()) return;
    queue.push_back({text, x, y, colour, static_cast<unsigned>(in.position()), fontName});
}

void reportIskeydown(Interpreter& in, const std::string& target) {
    in.nextToken();  // ISKEYDOWN
    const int key = in.integerArgument();
    const bool down = key >= 0 && key <= 254 && in.host().isKeyDown(key);
    in.vec_setvarstring(target, down ? "true" : "false");
}

void reportMouseleftbuttondown(Interpreter& in, const std::string& target) {
    in.nextToken();  // MOUSELEFTBUTTONDOWN
    in.vec_setvarstring(target, in.host().isLeftButtonDown() ? "true" : "false");
}

}  // namespace cubalorn
