// The language guide's CAMERAPOS and LIGHTPOS examples show what the guide
// says they show: each is read from docs/language.md and rendered with
// cubalorn-batch --png, as the window would draw it.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "pictures.h"
#include "session.h"

namespace cubalorn::window_testing {
namespace {

// The example column of the guide's table row for `command`.
std::string guideExample(const std::string& command) {
    std::ifstream guide(std::string(CUBALORN_SOURCE_DIR) + "/docs/language.md");
    std::string line;
    const std::regex row("^\\| `" + command + "` \\|.*\\| `([^`]*)` \\|$");
    std::smatch match;
    while (std::getline(guide, line))
        if (std::regex_match(line, match, row)) return match[1];
    return "";
}

// Renders a program in the session's folder (the shipped configuration,
// default volume) and loads the picture.
Image render(Session& session, const std::string& program) {
    session.writeFile("scene.logo", program);
    const std::string folder = session.folder();
    if (!runCommand("cd '" + folder + "' && " + CUBALORN_BATCH +
                    " scene.logo --png scene.png --size 400x300 >/dev/null 2>batch.log"))
        return {};
    std::string ppm;
    if (!runCommand("convert '" + folder + "/scene.png' -depth 8 ppm:-", &ppm)) return {};
    std::istringstream header(ppm);
    std::string magic;
    int width = 0, height = 0, maximum = 0;
    header >> magic >> width >> height >> maximum;
    const size_t start = static_cast<size_t>(header.tellg()) + 1;
    if (magic != "P6" || ppm.size() < start + size_t(width) * height * 3) return {};
    return Image(width, height, std::vector<unsigned char>(ppm.begin() + start, ppm.end()));
}

double brightness(const Image& image, int x0, int y0, int x1, int y1) {
    double sum = 0;
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const Rgb p = image.at(x, y);
            sum += p.r + p.g + p.b;
            ++n;
        }
    return n > 0 ? sum / n : 0;
}

class GuideExamples : public ::testing::Test {
protected:
    void SetUp() override {
        runCommand("cp '" + std::string(CUBALORN_SOURCE_DIR) + "/configwindows.xml.txt' '" +
                   session_.folder() + "/'");
    }
    Session session_{"guide"};
};

TEST_F(GuideExamples, CameraposLooksAtTheMiddleOfTheVolumeFromTheFront) {
    const std::string camerapos = guideExample("CAMERAPOS");
    ASSERT_FALSE(camerapos.empty()) << "no CAMERAPOS example in the guide";
    // A red ball in the volume's middle (50, 30, 50), a green one at its
    // front left (10, 30, 10): seen from the front, green is to the left.
    const Image picture =
        render(session_, "INITVOLUMESIZE 100 60 100\n" + camerapos +
                             "\npencolor 9 sphere 6\n"
                             "penup goto 10 30 10 pendown pencolor 24 sphere 4\n");
    ASSERT_FALSE(picture.empty()) << session_.standardError();
    const Box red = boxOf(picture, 9), green = boxOf(picture, 24);
    ASSERT_GT(red.x1, red.x0) << camerapos << ": the middle is not in sight";
    EXPECT_NEAR((red.x0 + red.x1) / 2.0, picture.width() / 2.0, picture.width() * 0.1) << camerapos;
    EXPECT_NEAR((red.y0 + red.y1) / 2.0, picture.height() / 2.0, picture.height() * 0.1)
        << camerapos;
    ASSERT_GT(green.x1, green.x0) << camerapos << ": the front corner is not in sight";
    EXPECT_LT(green.x1, red.x0) << camerapos << ": x grows to the right";
}

TEST_F(GuideExamples, LightposLightsTheFloorFromAboveTheOriginCorner) {
    const std::string lightpos = guideExample("LIGHTPOS");
    ASSERT_FALSE(lightpos.empty()) << "no LIGHTPOS example in the guide";
    // A white floor with a red pillar in its middle, seen from above the
    // front: the pillar's shadow falls away from the light, to the right
    // and back, and the floor on the light's side stays lit.
    const Image picture =
        render(session_, "INITVOLUMESIZE 100 60 100\n" + lightpos +
                             "\ncamerapos -50 90 30 -50 0 -50\n"
                             "penup goto 20 0 20 pendown pencolor 2 cube 60 1 60\n"
                             "penup goto 46 1 46 pendown pencolor 9 cube 8 24 8\n");
    ASSERT_FALSE(picture.empty()) << session_.standardError();
    session_.keep(picture, "lightpos");
    const Box pillar = boxOf(picture, 9);
    ASSERT_GT(pillar.x1, pillar.x0) << "the pillar is not in sight";
    const int w = pillar.x1 - pillar.x0;
    // Floor patches beside the pillar's foot: right of it (away from the
    // light) and left of it (towards the light).
    const int y0 = pillar.y1, y1 = pillar.y1 + w;
    const double away = brightness(picture, pillar.x1 + w, y0, pillar.x1 + 3 * w, y1);
    const double towards = brightness(picture, pillar.x0 - 3 * w, y0, pillar.x0 - w, y1);
    EXPECT_GT(towards, away * 1.2) << lightpos << ": the shadow falls away from the light";
}

}  // namespace
}  // namespace cubalorn::window_testing
