#pragma once
// The interpreter's only road to the window. The shell (app/) implements it
// over Irrlicht; the headless runner and the tests implement it without a
// display (interp/recording_host.h).
//
// The interpreter applies the language's rules itself (name cuts, duplicate
// checks, the once-per-frame rule of screen texts); a host only stores values
// and does the engine work.

#include <string>
#include <vector>

namespace cubalorn {

// One text queued by PRINTSCREEN for the next frame.
struct ScreenText {
    std::string text;
    int x = 0;
    int y = 0;
    int colourIndex = 0;
    unsigned position = 0;  // interpreter position after the statement: identifies it
    std::string fontName;
};

class Host {
public:
    virtual ~Host() = default;

    // BACKGROUND: stored in the start-up settings; visible only before the window exists.
    virtual void setBackground(int r, int g, int b) = 0;
    // CAMERAPOS: store position and target and move both cameras at once.
    virtual void setCamera(float px, float py, float pz, float tx, float ty, float tz) = 0;
    // LIGHTPOS: stored in the start-up settings.
    virtual void setLight(int px, int py, int pz, int tx, int ty, int tz) = 0;
    // CHANGECAMERA: true chooses the fixed camera (and shows the cursor).
    virtual void changeCamera(bool fixedCamera) = 0;

    // GETFONT: is there an entry whose stored name equals `name`?
    virtual bool hasFont(const std::string& name) const = 0;
    // GETFONT: load the font file `path` and keep it under `storedName`
    // (kept even when loading fails, without a font).
    virtual void addFont(const std::string& storedName, const std::string& path) = 0;
    // GETTEXTURE: is a texture of that name kept already?
    virtual bool hasTexture(const std::string& name) const = 0;
    // GETTEXTURE: load the image file `path` and keep it under `name`.
    virtual void addTexture(const std::string& name, const std::string& path, int a, int b, int c,
                            int d) = 0;

    // PRINTSCREEN: the queue drawn (and emptied) by the next frame.
    virtual std::vector<ScreenText>& screenTexts() = 0;

    // Key and mouse state at the last frame. Codes outside 0..254 are not held.
    virtual bool isKeyDown(int keyCode) const = 0;
    virtual bool isLeftButtonDown() const = 0;
    virtual int mouseX() const = 0;
    virtual int mouseY() const = 0;

    // SETVOXELCUBIC: the shell owns the cubic/smooth switch.
    virtual void setCubicMode(bool cubic) = 0;

    // READLIST: one console line without its newline, at most 79 characters.
    // Returns false when standard input is closed (the line is then empty).
    virtual bool readConsoleLine(std::string& line) = 0;
};

}  // namespace cubalorn
