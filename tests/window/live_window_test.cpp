// The live window: it is redrawn without a console line (orbit, keys, a
// window shown again, also while READLIST waits), CAMERAPOS aims on the first call, the console's text
// is what it always was, and Ctrl+C, Escape or closing the window stop a
// line that would run for minutes.

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "pictures.h"
#include "session.h"

namespace cubalorn::window_testing {
namespace {

const char* const kStopped = "ERROR - interrupted, line stopped, token ";
const char* const kLastHelpLine = "QUIT > Quit program\n";
// Runs for minutes unless stopped (79 characters at most, as every console line). It writes a file
// first, so the test knows it runs (what it prints shows only when the line ends).
const char* const kLongLine =
    "openfile \"run \"w writelinefile \"go closefile repeat 99999999 [ \"i = :i + 1 ]";

bool waitUntilRunning(Session& session) {
    const auto end = Clock::now() + milliseconds(60000);
    while (Clock::now() < end) {
        std::ifstream file(session.folder() + "/run");
        std::string word;
        if (file >> word && word == "go") return true;
        std::this_thread::sleep_for(milliseconds(20));
    }
    return false;
}

std::string readFile(const std::string& name) {
    std::ifstream file(std::string(CUBALORN_WINDOW_DATA) + "/" + name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void startInteractive(Session& session) {
    session.start();
    ASSERT_TRUE(session.waitForPrompts(1)) << session.output() << session.standardError();
    ASSERT_FALSE(session.window().empty()) << "no window appeared";
    ASSERT_TRUE(session.focus());
}

// The middle of a palette colour's pixels, as a share of the picture (0.5, 0.5 is its middle).
struct Spot {
    double x = -1, y = -1;
    bool touchesEdge = true;
};
Spot spotOf(const Image& image, int paletteIndex) {
    const Rgb colour = paletteColour(paletteIndex);
    int x0 = image.width(), y0 = image.height(), x1 = -1, y1 = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (sameHue(image.at(x, y), colour)) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
    if (x1 < 0) return {};
    return {(x0 + x1) / 2.0 / image.width(), (y0 + y1) / 2.0 / image.height(),
            x0 == 0 || y0 == 0 || x1 == image.width() - 1 || y1 == image.height() - 1};
}
bool centred(const Spot& s) {
    return std::abs(s.x - 0.5) < 0.08 && std::abs(s.y - 0.5) < 0.08 && !s.touchesEdge;
}

TEST(LiveWindow, ScriptedSessionPrintsWhatItAlwaysPrinted) {
    // Captured from the program before the window went live: the only
    // change is the window's keys after the four help lines.
    Session session("golden");
    session.start();
    std::string input = readFile("scripted_session.in");
    ASSERT_FALSE(input.empty());
    input.pop_back();  // send() ends the text with its own newline
    session.send(input);
    EXPECT_EQ(session.waitForExit(), 1);
    std::string printed = session.output();
    std::string keyLines;
    int helps = 0;
    for (size_t at = printed.find(kLastHelpLine); at != std::string::npos;
         at = printed.find(kLastHelpLine, at)) {
        at += std::string(kLastHelpLine).size();
        size_t end = at;
        while (end < printed.size() && printed.compare(end, 2, "> ") != 0) {
            const size_t newline = printed.find('\n', end);
            end = newline == std::string::npos ? printed.size() : newline + 1;
        }
        const std::string lines = printed.substr(at, end - at);
        if (helps++ == 0) keyLines = lines;
        EXPECT_EQ(lines, keyLines) << "every help lists the same keys";
        printed.erase(at, end - at);
    }
    EXPECT_EQ(helps, 3);
    EXPECT_NE(keyLines.find("Escape"), std::string::npos) << keyLines;
    EXPECT_EQ(printed, readFile("scripted_session.stdout"));
}

TEST(LiveWindow, OrbitFrameAndFreeCameraMoveTheViewWithoutAConsoleLine) {
    Session::Settings settings;
    settings.useEffects = false;
    Session session("orbit", settings);
    startInteractive(session);
    // A green ball near the volume's far corner, away from the view's middle.
    ASSERT_TRUE(session.sendAndWaitForPrompt("penup goto 34 6 6 pendown pencolor 24 sphere 3"));
    Session::tap("t");  // only the ball's colour matters here
    const size_t prompts = session.promptCount();
    const Image before = session.captureUntil([](const Image& i) { return pixelsOf(i, 24) > 0; });
    session.keep(before, "before");
    ASSERT_GT(pixelsOf(before, 24), 0) << "the ball is in sight";
    EXPECT_FALSE(centred(spotOf(before, 24))) << "and not in the middle yet";

    // F: the ball fills the middle of the picture.
    Session::tap("f");
    const Image framed =
        session.captureUntil([](const Image& i) { return centred(spotOf(i, 24)); });
    session.keep(framed, "framed");
    EXPECT_TRUE(centred(spotOf(framed, 24))) << spotOf(framed, 24).x << " " << spotOf(framed, 24).y;
    EXPECT_GT(pixelsOf(framed, 24), 4 * pixelsOf(before, 24)) << "from nearer";

    // A left drag turns the view about the ball, which stays in sight.
    session.drag(1, 100, 120, 220, 150);
    const Image turned =
        session.captureUntil([&](const Image& i) { return i.differenceFrom(framed) > 0.02; });
    session.keep(turned, "turned");
    EXPECT_GT(turned.differenceFrom(framed), 0.02);
    EXPECT_GT(pixelsOf(turned, 24), pixelsOf(framed, 24) / 2);
    // The wheel brings it nearer.
    runCommand("xdotool mousemove --window " + session.window() + " 160 120 click 4 click 4");
    const Image nearer = session.captureUntil(
        [&](const Image& i) { return pixelsOf(i, 24) > pixelsOf(turned, 24) * 5 / 4; });
    EXPECT_GT(pixelsOf(nearer, 24), pixelsOf(turned, 24) * 5 / 4);
    EXPECT_EQ(session.promptCount(), prompts) << "no console line was needed";
    // At the prompt the mouse alone turns nothing.
    runCommand("xdotool mousemove --window " + session.window() + " 20 30");
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_LT(session.capture().differenceFrom(nearer), 0.01);

    // FREECAM: the mouse turns the free camera; Enter gives the console
    // back with the view kept.
    session.send("freecam");
    Image flying;
    for (int i = 0; i < 50 && !(flying.differenceFrom(nearer) > 0.02); ++i) {
        runCommand("xdotool mousemove --window " + session.window() + " " +
                   std::to_string(120 + (i % 2) * 80) + " 100");
        std::this_thread::sleep_for(milliseconds(100));
        flying = session.capture();
    }
    EXPECT_GT(flying.differenceFrom(nearer), 0.02) << "the mouse looks around";
    EXPECT_EQ(session.promptCount(), prompts) << "no prompt while flying";
    flying = session.capture();
    Session::tap("Return");
    ASSERT_TRUE(session.waitForPrompts(prompts + 1)) << "the prompt comes back";
    const Image back = session.capture();
    EXPECT_LT(back.differenceFrom(flying), 0.01) << "the view is kept";
    ASSERT_TRUE(session.sendAndWaitForPrompt("print 5"));
    EXPECT_NE(session.output().find("5\n"), std::string::npos);
    session.send("quit");
    EXPECT_EQ(session.waitForExit(), 1);
}

TEST(LiveWindow, TurtleShowsAndHidesAndACoveredWindowIsDrawnAgain) {
    Session session("turtle");  // with the effects: the arrow is lit like the sculpture
    startInteractive(session);
    // The volume is empty: all that stands out from the background is the
    // turtle's arrow in its middle.
    auto arrow = [](const Image& i) {
        const Rgb background = i.at(0, 0);
        return i.count([&](Rgb p) { return !near(p, background, 30); });
    };
    const Image shown = session.captureUntil([&](const Image& i) { return arrow(i) > 60; });
    session.keep(shown, "shown");
    EXPECT_GT(arrow(shown), 60);
    EXPECT_GT(shown.count([](Rgb p) {
        return sameHue(p, {255, 150, 0}, 0.95, 200);
    }),
              0)
        << "its head is orange";
    Session::tap("t");
    const Image hidden = session.captureUntil([&](const Image& i) { return arrow(i) == 0; });
    EXPECT_EQ(arrow(hidden), 0);
    Session::tap("t");
    EXPECT_GT(arrow(session.captureUntil([&](const Image& i) { return arrow(i) > 60; })), 60);

    ASSERT_TRUE(session.sendAndWaitForPrompt("pencolor 9 sphere 6"));
    const Image drawn = session.captureUntil([](const Image& i) { return pixelsOf(i, 9) > 1000; });
    ASSERT_GT(pixelsOf(drawn, 9), 1000);
    const size_t prompts = session.promptCount();
    ASSERT_TRUE(session.cover());
    const Image covered = session.captureUntil([](const Image& i) { return pixelsOf(i, 9) == 0; });
    session.keep(covered, "covered");
    ASSERT_EQ(pixelsOf(covered, 9), 0) << "the cover hides the sculpture";
    session.uncover();
    const Image again =
        session.captureUntil([&](const Image& i) { return i.differenceFrom(drawn) < 0.01; });
    session.keep(again, "again");
    EXPECT_LT(again.differenceFrom(drawn), 0.01) << "shown again without a console line";
    EXPECT_EQ(session.promptCount(), prompts);

    // While READLIST waits for its line, the window shows what the line drew
    // before it, and is drawn again when shown again.
    session.send("make \"r 0 pencolor 24 penup goto 25 30 50 pendown sphere 5 calc \"r = readlist");
    const Image asking = session.captureUntil([](const Image& i) { return pixelsOf(i, 24) > 300; });
    session.keep(asking, "asking");
    ASSERT_GT(pixelsOf(asking, 24), 300) << "the sphere drawn before READLIST shows";
    ASSERT_TRUE(session.cover());
    ASSERT_EQ(pixelsOf(session.captureUntil([](const Image& i) { return pixelsOf(i, 24) == 0; }), 24),
              0);
    session.uncover();
    EXPECT_GT(pixelsOf(session.captureUntil([](const Image& i) { return pixelsOf(i, 24) > 300; }), 24),
              300)
        << "shown again while READLIST waits";
    EXPECT_EQ(session.promptCount(), prompts);
    ASSERT_TRUE(session.sendAndWaitForPrompt("an answer"));

    session.send("quit");
    EXPECT_EQ(session.waitForExit(), 1);
}

TEST(LiveWindow, AHeldKeyTogglesOnce) {
    Session::Settings settings;
    settings.useEffects = false;  // bloom would fill the gaps between the wires
    Session session("held", settings);
    startInteractive(session);
    ASSERT_TRUE(session.sendAndWaitForPrompt("pencolor 9 sphere 8"));
    const Image solid = session.captureUntil([](const Image& i) { return pixelsOf(i, 9) > 1500; });
    const Box box = boxOf(solid, 9);
    const Rgb background = solid.at(0, 0);
    const int area = (box.x1 - box.x0) * (box.y1 - box.y0);
    auto wireframe = [&](const Image& i) {
        return i.count([&](Rgb p) { return near(p, background); }, box.x0, box.y0, box.x1, box.y1) >
               area / 10;
    };
    ASSERT_FALSE(wireframe(solid));
    Session::keyDown("o");
    const Image first = session.captureUntil(wireframe);
    EXPECT_TRUE(wireframe(first));
    // Held past the keyboard's repeat delay: the repeats change nothing.
    for (int i = 0; i < 4; ++i) {
        std::this_thread::sleep_for(milliseconds(300));
        const Image held = session.capture();
        EXPECT_TRUE(wireframe(held)) << "capture " << i << " while O is held";
        if (i == 3) session.keep(held, "held");
    }
    Session::keyUp("o");
    std::this_thread::sleep_for(milliseconds(200));
    EXPECT_TRUE(wireframe(session.capture())) << "after the release";
    session.send("quit");
    EXPECT_EQ(session.waitForExit(), 1);
}

TEST(LiveWindow, CameraposTypedAtTheConsoleShowsItsTargetAtOnce) {
    Session session("camerapos");
    startInteractive(session);
    // A red ball in the middle of the volume, which the window shows at
    // (-20, 15, -20); each camera is put far from the one before.
    ASSERT_TRUE(session.sendAndWaitForPrompt("pencolor 9 sphere 4"));
    for (const char* line : {"camerapos -70 45 -70 -20 15 -20", "camerapos 25 50 25 -20 15 -20",
                             "camerapos -20 90 30 -20 15 -20"}) {
        ASSERT_TRUE(session.sendAndWaitForPrompt(line));
        const Image seen =
            session.captureUntil([](const Image& i) { return centred(spotOf(i, 9)); });
        session.keep(seen, line + 10);
        EXPECT_TRUE(centred(spotOf(seen, 9))) << line;
    }
    session.send("quit");
    EXPECT_EQ(session.waitForExit(), 1);
}

TEST(LiveWindow, CtrlCStopsTheRunningLineThenEndsTheProgramAtThePrompt) {
    Session session("ctrl-c");
    startInteractive(session);
    ASSERT_TRUE(session.sendAndWaitForPrompt("make \"i 0 pencolor 9 sphere 5"));
    const size_t prompts = session.promptCount();
    session.send(kLongLine);
    ASSERT_TRUE(waitUntilRunning(session));
    session.signal(SIGINT);
    ASSERT_NE(session.waitForOutput(kStopped), std::string::npos) << session.output();
    ASSERT_TRUE(session.waitForPrompts(prompts + 1)) << "the prompt comes back";
    EXPECT_TRUE(session.running());
    // The line stopped part way; the volume keeps what was drawn.
    const size_t mark = session.output().size();
    ASSERT_TRUE(session.sendAndWaitForPrompt("print :i"));
    const long long counted = std::stoll(session.output().substr(mark));
    EXPECT_GT(counted, 0);
    EXPECT_LT(counted, 99999999);
    EXPECT_GT(
        pixelsOf(session.captureUntil([](const Image& i) { return pixelsOf(i, 9) > 200; }), 9),
        200);
    // At the prompt Ctrl+C ends the program as QUIT does.
    const std::string printed = session.output();
    session.signal(SIGINT);
    EXPECT_EQ(session.waitForExit(), 1);
    EXPECT_EQ(session.output(), printed) << "nothing more is printed";
}

TEST(LiveWindow, CtrlCOverAndOverEndsAProgramStuckInOneStep) {
    Session session("stuck");
    startInteractive(session);
    // Opening a named pipe nobody writes to waits for ever inside one step,
    // where no stop is looked for.
    ASSERT_TRUE(runCommand("mkfifo '" + session.folder() + "/pipe'"));
    ASSERT_TRUE(session.sendAndWaitForPrompt("make \"i 0"));
    session.send("openfile \"pipe \"r print \"opened");
    // Stuck: one of its threads waits in the kernel for the pipe's writer.
    auto waitsForAWriter = [&] {
        std::string waits;
        runCommand("cat /proc/" + std::to_string(session.pid()) + "/task/*/wchan", &waits);
        return waits.find("wait_for_partner") != std::string::npos;
    };
    for (int i = 0; i < 600 && !waitsForAWriter(); ++i)
        std::this_thread::sleep_for(milliseconds(100));
    ASSERT_TRUE(waitsForAWriter());
    // Presses a fifth of a second apart: two of them fall within a second
    // while the first is still unanswered.
    for (int i = 0; i < 300 && session.running(); ++i) {
        session.signal(SIGINT);
        std::this_thread::sleep_for(milliseconds(200));
    }
    EXPECT_EQ(session.waitForExit(), 1);
    EXPECT_EQ(session.output().find("opened"), std::string::npos);
}

// Two Ctrl+C within a second during a line that looks for them are left to
// the unit tests: signals sent back to back may arrive as one.
TEST(LiveWindow, EscapeOrClosingTheWindowEndTheProgramDuringALongLine) {
    const struct {
        const char* name;
        bool escape;  // else the close button
    } cases[] = {{"escape", true}, {"close", false}};
    for (const auto& c : cases) {
        Session session(c.name);
        startInteractive(session);
        ASSERT_TRUE(session.sendAndWaitForPrompt("make \"i 0"));
        session.send(kLongLine);
        ASSERT_TRUE(waitUntilRunning(session)) << c.name;
        if (c.escape)
            Session::tap("Escape");
        else
            ASSERT_TRUE(session.askToClose()) << c.name;
        EXPECT_EQ(session.waitForExit(), 1) << c.name;
        EXPECT_NE(session.output().find(kStopped), std::string::npos) << c.name;
    }
}

}  // namespace
}  // namespace cubalorn::window_testing
