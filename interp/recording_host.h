#pragma once
// A host without a window: it records what programs ask of the shell so that
// the headless runner can report it and tests can check it. Keys and mouse
// read as not pressed unless a test sets them; READLIST reads queued lines.

#include <array>
#include <deque>
#include <string>
#include <vector>

#include "interp/host.h"

namespace cubalorn {

class RecordingHost : public Host {
public:
    struct Font {
        std::string name;
        std::string path;
    };
    struct Texture {
        std::string name;
        int a, b, c, d;
        std::string path;
    };

    void setBackground(int r, int g, int b) override { background = {r, g, b}; }
    void setCamera(float px, float py, float pz, float tx, float ty, float tz) override {
        cameraPosition = {px, py, pz};
        cameraTarget = {tx, ty, tz};
    }
    void setLight(int px, int py, int pz, int tx, int ty, int tz) override {
        lightPosition = {px, py, pz};
        lightTarget = {tx, ty, tz};
    }
    void changeCamera(bool fixed) override { fixedCameraActive = fixed; }

    bool hasFont(const std::string& name) const override {
        for (const Font& f : fonts)
            if (f.name == name) return true;
        return false;
    }
    void addFont(const std::string& storedName, const std::string& path) override {
        fonts.push_back({storedName, path});
    }
    bool hasTexture(const std::string& name) const override {
        for (const Texture& t : textures)
            if (t.name == name) return true;
        return false;
    }
    void addTexture(const std::string& name, const std::string& path, int a, int b, int c,
                    int d) override {
        textures.push_back({name, a, b, c, d, path});
    }

    std::vector<ScreenText>& screenTexts() override { return queuedTexts; }

    bool isKeyDown(int keyCode) const override {
        return keyCode >= 0 && keyCode < static_cast<int>(keys.size()) && keys[keyCode];
    }
    bool isLeftButtonDown() const override { return leftButton; }
    int mouseX() const override { return mouse[0]; }
    int mouseY() const override { return mouse[1]; }

    void setCubicMode(bool cubic) override { cubicMode = cubic; }

    bool readConsoleLine(std::string& line) override {
        line.clear();
        if (consoleLines.empty()) return false;
        line = consoleLines.front().substr(0, 79);
        consoleLines.pop_front();
        return true;
    }

    std::array<int, 3> background{0, 0, 0};
    std::array<float, 3> cameraPosition{0, 0, 0};
    std::array<float, 3> cameraTarget{0, 0, 0};
    std::array<int, 3> lightPosition{0, 0, 0};
    std::array<int, 3> lightTarget{0, 0, 0};
    bool fixedCameraActive = false;
    bool cubicMode = true;
    std::vector<Font> fonts;
    std::vector<Texture> textures;
    std::vector<ScreenText> queuedTexts;
    std::array<bool, 255> keys{};
    bool leftButton = false;
    std::array<int, 2> mouse{0, 0};
    std::deque<std::string> consoleLines;
};

}  // namespace cubalorn
