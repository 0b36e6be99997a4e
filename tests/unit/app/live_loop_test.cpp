// The main loop on the null driver: Ctrl+C pressed without a signal (at the
// prompt, twice, during READLIST's wait); the turtle marker and the keys T
// and G.

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "app/interrupts.h"
#include "app/scene_guides.h"
#include "application_fixture.h"
#include "interp/interpreter.h"
#include "voxel/world.h"

namespace cubalorn {
namespace {

class LiveLoopTest : public ApplicationTest {
protected:
    // Runs one line as the dialogue does and returns what it printed.
    std::string runLine(Application& app, const std::string& line) {
        out_.clear();
        app.interpreter()->assignProgram(line);
        app.interpreter()->lineFinished = false;
        app.interpreter()->runLine();
        return out_.text();
    }
    void press(irr::EKEY_CODE key) {
        irr::SEvent e{};
        e.EventType = irr::EET_KEY_INPUT_EVENT;
        e.KeyInput.Key = key;
        e.KeyInput.PressedDown = true;
        app_->context().receiver.OnEvent(e);
        e.KeyInput.PressedDown = false;
        app_->context().receiver.OnEvent(e);
    }
};

const char* const kStopped = "ERROR - interrupted, line stopped, token ";

// (Ctrl+C, Escape and the close button during a long line: the window tests.)
TEST_F(LiveLoopTest, CtrlCAtThePromptOrTwiceQuicklyEndsTheProgramAsQuitDoes) {
    const struct {
        const char* name;
        int presses;
    } cases[] = {{"one press at the prompt", 1}, {"two presses within a second", 2}};
    for (const auto& c : cases) {
        Application& app = start("print 1\n");
        ASSERT_TRUE(app.startUp({}));
        out_.clear();
        for (int i = 0; i < c.presses; ++i) InterruptWatch::press();
        app.mainLoop();  // returns: the program ends
        EXPECT_EQ(out_.text(), "") << c.name << ": no line runs";
        app_.reset();
        std::fclose(input_);
        input_ = nullptr;
    }
}

TEST_F(LiveLoopTest, CtrlCWhileReadlistWaitsStopsTheLine) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    Application& app = startReading(fdopen(fds[0], "rb"));
    ASSERT_TRUE(app.startUp({}));
    InterruptWatch::press();
    EXPECT_EQ(runLine(app, "make \"r \"x calc \"r = readlist print \"after"),
              std::string(kStopped) + "readlist\n");
    // The line typed afterwards is the next console line, not lost.
    ASSERT_EQ(::write(fds[1], "print 7\n", 8), 8);
    close(fds[1]);
    out_.clear();
    app.mainLoop();
    EXPECT_EQ(out_.text(), "> 7\n> ");
}

TEST_F(LiveLoopTest, TurtleMarkerFollowsTheTurtleAndKeysTAndGToggleTheGuides) {
    Application& app = start("left 90 forward 2\n");
    ASSERT_TRUE(app.startUp({}));
    const SceneGuides& guides = app.guides();
    ASSERT_NE(guides.turtle, nullptr);
    ASSERT_NE(guides.grid, nullptr);
    EXPECT_TRUE(guides.turtle->isVisible());
    EXPECT_FALSE(guides.grid->isVisible());
    EXPECT_EQ(guides.turtle->getParent(), app.context().meshNode);
    press(irr::KEY_KEY_T);
    press(irr::KEY_KEY_G);
    app.mainLoop();
    EXPECT_FALSE(guides.turtle->isVisible());
    EXPECT_TRUE(guides.grid->isVisible());

    // The volume is 4 x 5 x 6: the turtle starts on (2, 2, 3), heads along
    // +z after LEFT 90 and stands on (2, 2, 5), which the mesh node's half
    // turn shows at (-2, 2, -5).
    EXPECT_EQ(guides.turtle->getPosition(), irr::core::vector3df(2, 2, 5));
    app.context().meshNode->updateAbsolutePosition();
    guides.turtle->updateAbsolutePosition();
    const irr::core::vector3df world = guides.turtle->getAbsolutePosition();
    EXPECT_NEAR(world.X, -2.0f, 1e-4f);
    EXPECT_NEAR(world.Y, 2.0f, 1e-4f);
    EXPECT_NEAR(world.Z, -5.0f, 1e-4f);
    irr::core::vector3df arrow(0, 1, 0);
    guides.turtle->getRelativeTransformation().rotateVect(arrow);
    EXPECT_NEAR(arrow.X, 0.0f, 1e-4f);
    EXPECT_NEAR(arrow.Y, 0.0f, 1e-4f);
    EXPECT_NEAR(arrow.Z, 1.0f, 1e-4f) << "the arrow points along the heading";
}

}  // namespace
}  // namespace cubalorn
