// cubalorn-batch --png as a user runs it, pictures read back with
// ImageMagick: the sculpture framed by every view, the program's camera kept
// when it places one, closed-in corners darkened by ambient occlusion while
// flat faces are not, and a turntable with its animation.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace cubalorn::testing {
namespace {

struct Result {
    int status = -1;
    std::string out;
};

Result run(const std::string& command) {
    Result r;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, got);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string scratch(const std::string& name) {
    return ::testing::TempDir() + "cubalorn_pictures_" + std::to_string(getpid()) + "_" + name;
}

// Runs cubalorn-batch from the source folder (configuration, shaders, media).
Result batch(const std::string& arguments) {
    return run(std::string("cd '") + CUBALORN_SOURCE_DIR + "' && '" + CUBALORN_BATCH + "' " +
               arguments);
}

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    const unsigned char* at(int x, int y) const { return &rgb[3 * (size_t(y) * width + x)]; }
    double luminance(int x, int y, int radius = 2) const {
        double sum = 0;
        int n = 0;
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx) {
                const unsigned char* p = at(x + dx, y + dy);
                sum += 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
                ++n;
            }
        return sum / n;
    }
};

Picture load(const std::string& png) {
    Picture p;
    const Result size = run("identify -format '%w %h' '" + png + "'");
    std::istringstream(size.out) >> p.width >> p.height;
    const Result pixels = run("convert '" + png + "' -depth 8 rgb:-");
    if (p.width > 0 && pixels.out.size() == size_t(p.width) * p.height * 3)
        p.rgb.assign(pixels.out.begin(), pixels.out.end());
    else
        p.width = p.height = 0;
    return p;
}

// The box around every pixel that differs from the background by more than
// a glow or a filtered edge would.
struct Extent {
    int left, top, right, bottom;
};
Extent subjectExtent(const Picture& p, const unsigned char background[3]) {
    Extent e{p.width, p.height, -1, -1};
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const unsigned char* c = p.at(x, y);
            int difference = 0;
            for (int k = 0; k < 3; ++k) difference = std::max(difference, std::abs(c[k] - background[k]));
            if (difference <= 24) continue;
            e.left = std::min(e.left, x), e.right = std::max(e.right, x);
            e.top = std::min(e.top, y), e.bottom = std::max(e.bottom, y);
        }
    return e;
}

void write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A small sculpture well off the volume's centre: a block with a tower.
const char* const kSculpture =
    "background 40 40 40\n"
    "pencolor 11 penup goto 12 0 70 pendown cube 6 5 9\n"
    "pencolor 30 penup goto 16 5 72 pendown cube 2 7 2\n";

TEST(BatchPictures, EveryViewFramesTheSculpture) {
    const std::string program = scratch("sculpture.logo");
    write(program, kSculpture);
    const unsigned char background[3] = {40, 40, 40};
    struct Case {
        const char* name;
        std::string arguments;
        bool framed;
    };
    const Case cases[] = {
        {"no view given, no camera in the program", "", true},
        {"fit", "--view fit", true},
        {"front", "--view front", true},
        {"top", "--view top", true},
        {"side", "--view side", true},
        // The configured camera looks elsewhere: the sculpture is small or gone.
        {"program", "--view program", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string png = scratch("view.png");
        const Result r = batch("--png '" + png + "' --size 320x240 " + c.arguments + " '" +
                               program + "'");
        ASSERT_EQ(r.status, 0) << r.out;
        const Picture p = load(png);
        ASSERT_EQ(p.width, 320);
        const Extent e = subjectExtent(p, background);
        const double wide = double(e.right - e.left + 1) / p.width;
        const double high = double(e.bottom - e.top + 1) / p.height;
        if (!c.framed) {
            EXPECT_LT(std::max(wide, high), 0.5);
            continue;
        }
        EXPECT_GE(std::max(wide, high), 0.5) << "spans " << wide << " x " << high;
        EXPECT_GT(e.left, 0);
        EXPECT_GT(e.top, 0);
        EXPECT_LT(e.right, p.width - 1);
        EXPECT_LT(e.bottom, p.height - 1);
        EXPECT_NEAR((e.left + e.right) / 2.0, p.width / 2.0, 0.1 * p.width) << "centred";
        EXPECT_NEAR((e.top + e.bottom) / 2.0, p.height / 2.0, 0.1 * p.height) << "centred";
    }
}

TEST(BatchPictures, ACameraInTheProgramIsKeptUnlessAViewIsAsked) {
    const std::string program = scratch("far.logo");
    // The camera far off: the sculpture is a speck in its picture.
    write(program, std::string(kSculpture) + "camerapos 150 200 400 -15 3 -74\n");
    const unsigned char background[3] = {40, 40, 40};
    const struct {
        const char* arguments;
        bool framed;
    } cases[] = {{"", false}, {"--view fit", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const std::string png = scratch("far.png");
        ASSERT_EQ(batch("--png '" + png + "' --size 320x240 " + c.arguments + " '" + program + "'")
                      .status,
                  0);
        const Picture p = load(png);
        ASSERT_EQ(p.width, 320);
        const Extent e = subjectExtent(p, background);
        const double span = std::max(double(e.right - e.left + 1) / p.width,
                                     double(e.bottom - e.top + 1) / p.height);
        if (c.framed)
            EXPECT_GE(span, 0.5);
        else
            EXPECT_LT(span, 0.25);
    }
}

TEST(BatchPictures, OcclusionDarkensAClosedInCornerAndLeavesAnOpenFloorAlone) {
    // The corner of a room: a floor and two walls. The camera aims first at
    // the floor in the corner, then at the open floor; each picture is taken
    // with the occlusion on and off, all else equal.
    const std::string room =
        "background 40 40 40\n"
        "pencolor 3 penup goto 20 0 20 pendown cube 40 1 40\n"
        "penup goto 20 1 59 pendown cube 1 12 40\n"
        "penup goto 59 1 20 pendown cube 40 12 1\n";
    const struct {
        const char* name;
        const char* camera;  // position and target in the window's frame
        double minDarkening, maxDarkening;
    } cases[] = {
        {"corner", "camerapos -50 14 -46 -58.4 0.6 -58.4\n", 0.2, 1.0},
        {"open floor", "camerapos -30 14 -22 -34 0.6 -34\n", -0.01, 0.01},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string program = scratch("room.logo");
        write(program, room + c.camera);
        double centre[2];
        for (int on = 0; on < 2; ++on) {
            const std::string png = scratch(on ? "room_on.png" : "room_off.png");
            const Result r = batch("--png '" + png + "' --size 200x150 --ambient-occlusion " +
                                   (on ? "on" : "off") + " '" + program + "'");
            ASSERT_EQ(r.status, 0) << r.out;
            const Picture p = load(png);
            ASSERT_EQ(p.width, 200);
            centre[on] = p.luminance(100, 75);
        }
        ASSERT_GT(centre[0], 20) << "the floor is seen";
        const double darkening = 1 - centre[1] / centre[0];
        EXPECT_GE(darkening, c.minDarkening) << centre[1] << " with, " << centre[0] << " without";
        EXPECT_LE(darkening, c.maxDarkening) << centre[1] << " with, " << centre[0] << " without";
    }
}

TEST(BatchPictures, TurntableWritesItsFramesAndAnAnimation) {
    const std::string program = scratch("turn.logo");
    write(program, kSculpture);
    const std::string png = scratch("turn.png");
    const Result r = batch("--png '" + png + "' --size 160x120 --turntable 4 '" + program + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    const std::string stem = png.substr(0, png.size() - 4);
    std::vector<Picture> frames;
    for (int i = 0; i < 4; ++i) {
        frames.push_back(load(stem + "-turn-0000" + std::to_string(i) + ".png"));
        EXPECT_EQ(frames.back().width, 160) << "frame " << i;
    }
    for (int i = 1; i < 4; ++i) EXPECT_NE(frames[i].rgb, frames[0].rgb) << "frame " << i;
    const Result gif = run("identify -format '%w %h\\n' '" + stem + ".gif'");
    EXPECT_EQ(gif.out, "160 120\n160 120\n160 120\n160 120\n");
}

TEST(BatchPictures, ViewOptionsAreCheckedBeforeAnythingRuns) {
    const struct {
        const char* arguments;
        const char* message;
    } cases[] = {
        {"--png a.png --view side-on", "--view needs fit, program, front, top or side, not 'side-on'"},
        {"--png a.png --turntable 0", "--turntable needs a whole number from 1 to 3600, not '0'"},
        {"--png a.png --turntable 3601", "--turntable needs a whole number from 1 to 3600, not '3601'"},
        {"--png a.png --ambient-occlusion yes", "--ambient-occlusion needs on or off, not 'yes'"},
        {"--view top", "--view goes with --png, which names the picture"},
        {"--turntable 3", "--turntable goes with --png, which names the picture"},
        {"--ambient-occlusion off", "--ambient-occlusion goes with --png, which names the picture"},
    };
    for (const auto& c : cases) {
        const Result r = batch(std::string(c.arguments) + " /dev/null");
        EXPECT_EQ(r.status, 2) << c.arguments;
        EXPECT_EQ(r.out.substr(0, r.out.find('\n')), std::string("cubalorn-batch: ") + c.message)
            << c.arguments;
    }
}

}  // namespace
}  // namespace cubalorn::testing
