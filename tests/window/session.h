#pragma once
// Drives the real cubalorn binary for window tests: a scratch working folder
// with its own configuration, the process with its standard input and
// output, its window found, focused and captured through the X tools
// (xdotool, ImageMagick's import). Needs DISPLAY (CTest runs under xvfb-run).

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace cubalorn::window_testing {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct Rgb {
    int r = 0, g = 0, b = 0;
};

// A capture of the window, top row first.
class Image {
public:
    Image() = default;
    Image(int width, int height, std::vector<unsigned char> rgb)
        : width_(width), height_(height), rgb_(std::move(rgb)) {}
    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return rgb_.empty(); }
    Rgb at(int x, int y) const;
    // Pixels in [x0, x1) x [y0, y1) (clipped to the image) that satisfy `test`.
    int count(const std::function<bool(Rgb)>& test, int x0 = 0, int y0 = 0, int x1 = 1 << 30,
              int y1 = 1 << 30) const;
    // Share of pixels whose channels differ by more than `tolerance` somewhere.
    double differenceFrom(const Image& other, int tolerance = 24) const;
    void writePpm(const std::string& path) const;

private:
    int width_ = 0, height_ = 0;
    std::vector<unsigned char> rgb_;
};

// A pixel shows `colour` when it points the same way in colour space (the
// lighting scales a surface's colour) and is not too dark to tell.
bool sameHue(Rgb pixel, Rgb colour, double minimumCosine = 0.97, int minimumBrightness = 60);

// Runs a shell command; its standard output, or nothing on failure.
bool runCommand(const std::string& command, std::string* output = nullptr);

class Session {
public:
    struct Settings {
        int width = 320;
        int height = 240;
        bool useEffects = true;
        bool showCameraPosition = false;
    };

    // A scratch folder with media/, shaders/ and examples/ of the source tree
    // and a configuration made from `settings`; the configuration text is
    // available for tests that check what was read.
    explicit Session(const std::string& name, Settings settings);
    Session(const std::string& name) : Session(name, Settings{}) {}
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const std::string& folder() const { return folder_; }
    // Writes a file into the scratch folder.
    void writeFile(const std::string& name, const std::string& text) const;

    // Starts cubalorn in the scratch folder with these arguments.
    void start(const std::vector<std::string>& arguments = {});
    // Whether the program still runs (once it ended, waitForExit gives its status at once).
    bool running();
    pid_t pid() const { return pid_; }
    // Every wait below is a limit for a condition, reached only when the test
    // fails: generous, so that a slow machine (sanitizers, a software
    // renderer, a loaded CI box) gets the same verdict as a fast one.
    // Exit status once the process has ended, or -1 when it is still running
    // after `timeout` (it is then killed) or ended by a signal.
    int waitForExit(milliseconds timeout = milliseconds(60000));

    void send(const std::string& line);  // a newline is appended
    void closeInput();
    // Everything the program printed on standard output so far.
    const std::string& output();
    // Waits until `text` appears at or after `from`; returns its position or
    // std::string::npos after the timeout.
    size_t waitForOutput(const std::string& text, size_t from = 0,
                         milliseconds timeout = milliseconds(60000));
    // Waits until the output holds `count` prompts in all.
    bool waitForPrompts(size_t count, milliseconds timeout = milliseconds(60000));
    size_t promptCount();
    // Sends one console line and waits for the prompt that follows it.
    bool sendAndWaitForPrompt(const std::string& line);
    std::string standardError() const;

    // The window's X id (waits for it to appear), empty if none appeared.
    std::string window(milliseconds timeout = milliseconds(60000));
    bool focus();
    Image capture();
    // Captures until `test` holds or the timeout passes; the last capture.
    Image captureUntil(const std::function<bool(const Image&)>& test,
                       milliseconds timeout = milliseconds(60000));
    // Saves a capture as <test name>.ppm in the capture folder, if one is set.
    void keep(const Image& image, const std::string& name) const;

    static void keyDown(const std::string& key);
    static void keyUp(const std::string& key);
    // Presses and releases a key (xdotool's name for it).
    static void tap(const std::string& key);

    // Sends a signal to the program (SIGINT is Ctrl+C at its console).
    void signal(int number);
    // Drags with a mouse button (1 left, 2 middle, 3 right) from one pixel of
    // the window to another.
    void drag(int button, int x0, int y0, int x1, int y1);
    // Covers the window with another one; uncover() closes it again. The
    // window keeps nothing of its picture meanwhile.
    bool cover();
    void uncover();
    // Asks the window to close, as a window manager does when its close
    // button is clicked.
    bool askToClose();

private:
    void readAvailable(int waitMs);

    std::string folder_;
    std::string name_;
    pid_t pid_ = -1;
    int input_ = -1;
    int outputFd_ = -1;
    std::string output_;
    std::string window_;
    pid_t coverPid_ = -1;
    int exitStatus_ = -1;
};

}  // namespace cubalorn::window_testing
