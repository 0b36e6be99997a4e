// The real cubalorn binary in a real window (Xvfb): console dialogue, keys,
// what the window shows, program files and the host commands that reach
// the window.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>

#include "pictures.h"
#include "session.h"

namespace cubalorn::window_testing {
namespace {

const char* const kHelp =
    "HELP > Show this help\n"
    "programline > Start a programline, example> repeat 4 [ forward 20 left 90]\n"
    "FREECAM > Quit interpreter to fly with freecam\n"
    "QUIT > Quit program\n";

const char* const kBanner =
    "------------------------------------------------\n"
    "Cubalorn - powered by Irrlicht.\n";

// An interactive session whose window is up and focused.
class Interactive : public ::testing::Test {
protected:
    void startInteractive(Session& session) {
        session.start();
        ASSERT_TRUE(session.waitForPrompts(1)) << session.output() << session.standardError();
        ASSERT_FALSE(session.window().empty()) << "no window appeared";
        ASSERT_TRUE(session.focus());
    }
};

TEST_F(Interactive, StartUpTextsHelpAndEmptyLinesBeforeTheFirstProgramLine) {
    Session session("startup");
    startInteractive(session);
    // Before any program line, an empty line and HELP prompt again at once.
    session.send("");
    session.send("hElP");
    ASSERT_TRUE(session.waitForPrompts(3));
    session.closeInput();  // the end of the console input ends the program like QUIT
    EXPECT_EQ(session.waitForExit(), 1);
    // The help: the four command lines, then the window's keys.
    const std::string head = std::string("main Argument (none) \n"
                                         "maxx 40 \nmaxy 30 \nmaxz 40 \n"
                                         "Voxel core 0.2\n"
                                         "vert 0 \nind  0 \n") +
                             kBanner;
    const std::string& printed = session.output();
    const size_t helpEnd = printed.find("\n> ", head.size());
    ASSERT_NE(helpEnd, std::string::npos) << printed;
    const std::string help = printed.substr(head.size(), helpEnd + 1 - head.size());
    EXPECT_EQ(help.rfind(kHelp, 0), 0u) << help;
    EXPECT_EQ(printed, head + help + "> > " + help + "> ");
    EXPECT_FALSE(session.running());
}

TEST_F(Interactive, ProgramLineDrawsInPaletteColourAndKeysOAndMSwitchTheSurface) {
    // Without the effects: bloom would fill the gaps between the wires.
    Session::Settings settings;
    settings.useEffects = false;
    Session session("surface", settings);
    startInteractive(session);
    const Image empty = session.capture();
    session.keep(empty, "empty");
    ASSERT_FALSE(empty.empty());
    EXPECT_EQ(pixelsOf(empty, 9), 0) << "red before anything was drawn";

    ASSERT_TRUE(session.sendAndWaitForPrompt("pencolor 9 sphere 8"));
    const Image cubic = session.captureUntil([](const Image& i) { return pixelsOf(i, 9) > 1500; });
    session.keep(cubic, "cubic");
    const int solidRed = pixelsOf(cubic, 9);
    EXPECT_GT(solidRed, 1500) << "the sphere's voxels should show in palette red";

    // O held over one pass: wireframe shows far less of the surface.
    Session::keyDown("o");
    std::this_thread::sleep_for(milliseconds(100));
    ASSERT_TRUE(session.sendAndWaitForPrompt(""));
    Session::keyUp("o");
    // Inside the middle of the sphere's outline the background now shows
    // between the wires.
    const Box box = boxOf(cubic, 9);
    const Rgb background = empty.at(0, 0);
    auto backgroundInside = [&](const Image& i) {
        return i.count([&](Rgb p) { return near(p, background); }, box.x0, box.y0, box.x1, box.y1);
    };
    const int area = (box.x1 - box.x0) * (box.y1 - box.y0);
    EXPECT_LT(backgroundInside(cubic), area / 50) << "the solid surface covers its outline";
    const Image wire =
        session.captureUntil([&](const Image& i) { return backgroundInside(i) > area / 10; });
    session.keep(wire, "wireframe");
    EXPECT_GT(backgroundInside(wire), area / 10);
    EXPECT_GT(pixelsOf(wire, 9), solidRed / 10) << "the wires keep the colour";

    // O again restores the solid surface.
    Session::keyDown("o");
    std::this_thread::sleep_for(milliseconds(100));
    ASSERT_TRUE(session.sendAndWaitForPrompt(""));
    Session::keyUp("o");
    const Image solidAgain =
        session.captureUntil([&](const Image& i) { return i.differenceFrom(cubic) < 0.01; });
    EXPECT_LT(solidAgain.differenceFrom(cubic), 0.01);

    // M: the smooth surface replaces the cubes, and M again brings them back.
    Session::keyDown("m");
    std::this_thread::sleep_for(milliseconds(100));
    ASSERT_TRUE(session.sendAndWaitForPrompt(""));
    Session::keyUp("m");
    const Image smooth =
        session.captureUntil([&](const Image& i) { return i.differenceFrom(cubic) > 0.02; });
    session.keep(smooth, "smooth");
    EXPECT_GT(smooth.differenceFrom(cubic), 0.02);
    EXPECT_GT(pixelsOf(smooth, 9), solidRed / 2) << "the smooth sphere keeps its colour";

    Session::keyDown("m");
    std::this_thread::sleep_for(milliseconds(100));
    ASSERT_TRUE(session.sendAndWaitForPrompt(""));
    Session::keyUp("m");
    const Image cubicAgain =
        session.captureUntil([&](const Image& i) { return i.differenceFrom(cubic) < 0.01; });
    EXPECT_LT(cubicAgain.differenceFrom(cubic), 0.01);

    session.send("quit");
    EXPECT_EQ(session.waitForExit(), 1);
}

TEST_F(Interactive, HostCommandsReachTheWindow) {
    Session session("host");
    startInteractive(session);
    ASSERT_TRUE(session.sendAndWaitForPrompt("pencolor 24 sphere 5"));
    const Image seen = session.captureUntil([](const Image& i) { return pixelsOf(i, 24) > 800; });
    ASSERT_GT(pixelsOf(seen, 24), 800);

    // PRINTSCREEN: the text shows at its place in its palette colour for one frame.
    const size_t mark = session.output().size();
    ASSERT_TRUE(session.sendAndWaitForPrompt("getfont \"media/sans.bmp"));
    EXPECT_NE(session.output().find("getfont media/sans\n", mark), std::string::npos);
    ASSERT_TRUE(session.sendAndWaitForPrompt("printscreen \"media/sans 40 150 16 \"HELLO 42"));
    const Rgb yellow = paletteColour(16);
    auto exactYellow = [&](Rgb p) { return p.r == yellow.r && p.g == yellow.g && p.b == yellow.b; };
    const Image text =
        session.captureUntil([&](const Image& i) { return i.count(exactYellow) > 80; });
    session.keep(text, "printscreen");
    EXPECT_GT(text.count(exactYellow, 40, 150, 240, 200), 80) << "the text inside its rectangle";
    EXPECT_EQ(text.count(exactYellow, 0, 0, 320, 148), 0) << "nothing above it";
    EXPECT_EQ(text.count(exactYellow, 0, 0, 38, 240), 0) << "nothing left of it";
    ASSERT_TRUE(session.sendAndWaitForPrompt(""));
    const Image gone =
        session.captureUntil([&](const Image& i) { return i.count(exactYellow) == 0; });
    EXPECT_EQ(gone.count(exactYellow), 0) << "a screen text lasts one frame";

    // CAMERAPOS moves the view: looking away, the sphere leaves the window.
    ASSERT_TRUE(session.sendAndWaitForPrompt("camerapos -2 28 -2 40 28 40"));
    EXPECT_NE(session.output().find("camerapos \n", mark), std::string::npos);
    const Image away = session.captureUntil([](const Image& i) { return pixelsOf(i, 24) == 0; });
    EXPECT_EQ(pixelsOf(away, 24), 0);
    ASSERT_TRUE(session.sendAndWaitForPrompt("camerapos -2 28 -2 -20 15 -20"));
    const Image back = session.captureUntil([](const Image& i) { return pixelsOf(i, 24) > 800; });
    EXPECT_GT(pixelsOf(back, 24), 800);

    // ISKEYDOWN sees a key held in the window from the next pass on.
    ASSERT_TRUE(session.sendAndWaitForPrompt("make \"k \"unset"));
    const std::string ask = "\"k = iskeydown 65 print \"key :k";
    size_t at = session.output().size();
    ASSERT_TRUE(session.sendAndWaitForPrompt(ask));
    EXPECT_NE(session.output().find("keyfalse\n", at), std::string::npos);
    Session::keyDown("a");
    bool seenDown = false;
    for (int attempt = 0; attempt < 20 && !seenDown; ++attempt) {
        at = session.output().size();
        ASSERT_TRUE(session.sendAndWaitForPrompt(ask));
        seenDown = session.output().find("keytrue\n", at) != std::string::npos;
    }
    Session::keyUp("a");
    EXPECT_TRUE(seenDown) << session.output().substr(mark);
    ASSERT_TRUE(session.sendAndWaitForPrompt(""));
    at = session.output().size();
    ASSERT_TRUE(session.sendAndWaitForPrompt(ask));
    EXPECT_NE(session.output().find("keyfalse\n", at), std::string::npos) << "released again";

    session.send("QUIT");
    EXPECT_EQ(session.waitForExit(), 1);
}

TEST_F(Interactive, DeepRecursionStopsTheLineAndEscapeEndsTheFreeCameraMode) {
    Session session("escape");
    startInteractive(session);
    // Endless recursion stops at the nesting guard and the program goes on.
    ASSERT_TRUE(session.sendAndWaitForPrompt("to \"r go \"r end go \"r"));
    EXPECT_NE(session.output().find("nesting deeper than"), std::string::npos) << session.output();
    ASSERT_TRUE(session.sendAndWaitForPrompt("sphere 4"));
    const size_t prompts = session.promptCount();
    session.send("freecam");
    // Frames now follow each other without a prompt; Escape ends the program.
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_TRUE(session.running());
    Session::keyDown("Escape");
    const int status = session.waitForExit();
    Session::keyUp("Escape");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(session.promptCount(), prompts) << "no prompt after FREECAM";
}

TEST(ProgramFile, AnimatesThroughRefreshallOnlyWhileFocused) {
    Session session("program");
    // One pass per frame; the bar grows only while A (key code 65) is held,
    // so what the pictures show does not depend on how fast frames come.
    session.writeFile("grow.logo",
                      "make \"n 0\n"
                      "make \"k 0\n"
                      "pencolor 9 setvoxel\n"
                      "#again\n"
                      "\"n = :n + 1\n"
                      "\"k = iskeydown 65\n"
                      "print \"pass :n\n"
                      "if :k = \"true forward 1 print \"grew endif\n"
                      "refreshall\n"
                      "jump \"again\n");
    runCommand("xdotool mousemove 1000 700");  // keep the pointer off the window
    session.start({"grow.logo"});
    ASSERT_NE(session.waitForOutput("pass1\n"), std::string::npos) << session.standardError();
    ASSERT_NE(session.waitForOutput(kBanner), std::string::npos);
    EXPECT_EQ(session.output().find(kHelp), std::string::npos) << "no help in program-file mode";
    ASSERT_FALSE(session.window().empty());
    std::this_thread::sleep_for(milliseconds(500));
    EXPECT_EQ(session.output().find("pass2\n"), std::string::npos)
        << "without the focus the program waits";

    ASSERT_TRUE(session.focus());
    ASSERT_NE(session.waitForOutput("pass3\n"), std::string::npos);
    const Image early = session.captureUntil([](const Image& i) { return pixelsOf(i, 9) > 0; });
    session.keep(early, "early");
    const int earlyRed = pixelsOf(early, 9);
    EXPECT_GT(earlyRed, 0);

    // Ten passes with A held: the bar is at least ten voxels longer.
    Session::keyDown("a");
    size_t grew = 0;
    for (int i = 0; i < 10 && grew != std::string::npos; ++i)
        grew = session.waitForOutput("grew\n", grew == 0 ? 0 : grew + 1);
    Session::keyUp("a");
    ASSERT_NE(grew, std::string::npos) << "passes go on while the window has the focus";
    const Image later =
        session.captureUntil([&](const Image& i) { return pixelsOf(i, 9) > earlyRed + 20; });
    session.keep(later, "later");
    EXPECT_GT(pixelsOf(later, 9), earlyRed + 20) << "the bar grows from frame to frame";

    Session::keyDown("Escape");
    const int status = session.waitForExit();
    Session::keyUp("Escape");
    EXPECT_EQ(status, 1);
}

}  // namespace
}  // namespace cubalorn::window_testing
