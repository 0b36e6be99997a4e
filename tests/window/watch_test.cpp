// cubalorn --watch FILE in a real window: each save, atomic or in place,
// runs the program again and the window shows the new sculpture, without
// the focus (the editor has it) and with the user's camera kept; a deleted
// file keeps the last sculpture.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>

#include "session.h"
#include "voxel/palette.h"

namespace cubalorn::window_testing {
namespace {

int pixelsOf(const Image& image, int paletteIndex) {
    const PaletteEntry& e = kInitialPalette[paletteIndex];
    return image.count([&](Rgb p) { return sameHue(p, Rgb{e.red, e.green, e.blue}); });
}

constexpr int kRed = 9;
constexpr int kOrange = 12;

// Waits until standard error holds `text` `count` times.
bool waitForError(Session& session, const std::string& text, int count = 1) {
    const auto end = Clock::now() + milliseconds(60000);
    while (Clock::now() < end) {
        const std::string err = session.standardError();
        int found = 0;
        for (size_t at = err.find(text); at != std::string::npos; at = err.find(text, at + 1))
            ++found;
        if (found >= count) return true;
        std::this_thread::sleep_for(milliseconds(50));
    }
    return false;
}

TEST(Watch, EachSaveRunsTheProgramAgain) {
    Session session("watch");
    session.writeFile("prog.logo", "pencolor 9 sphere 8\n");
    runCommand("xdotool mousemove 1000 700");  // keep the pointer, and the focus, off the window
    session.start({"--watch", "prog.logo"});
    ASSERT_FALSE(session.window().empty()) << session.standardError();
    const auto only = [](int shown, int gone) {
        return [=](const Image& i) { return pixelsOf(i, shown) > 400 && pixelsOf(i, gone) == 0; };
    };
    Image image = session.captureUntil(only(kRed, kOrange));
    session.keep(image, "watch-first");
    ASSERT_GT(pixelsOf(image, kRed), 400) << "the first run shows without the focus";

    // An editor's atomic save: a new file renamed over the old one. Its
    // CAMERAPOS would look away from the volume; the user's camera stays.
    session.writeFile("prog.tmp", "camerapos 500 500 500 900 900 900\npencolor 12 cube 12 12 12\n");
    ASSERT_EQ(std::rename((session.folder() + "/prog.tmp").c_str(),
                          (session.folder() + "/prog.logo").c_str()),
              0);
    image = session.captureUntil(only(kOrange, kRed));
    session.keep(image, "watch-atomic");
    EXPECT_GT(pixelsOf(image, kOrange), 400) << "the renamed file's cube, seen by the same camera";
    EXPECT_EQ(pixelsOf(image, kRed), 0) << "the volume was cleared";

    // A save in place, with a mistake: its errors print as usual.
    session.writeFile("prog.logo", "pencolor 9 sphere 6\nfowrard 3\n");
    image = session.captureUntil(only(kRed, kOrange));
    session.keep(image, "watch-in-place");
    EXPECT_GT(pixelsOf(image, kRed), 200);
    EXPECT_EQ(pixelsOf(image, kOrange), 0);
    EXPECT_NE(session.waitForOutput("ERROR - syntax error - token not found , token 3\n"),
              std::string::npos);
    ASSERT_TRUE(waitForError(session, "hint: did you mean FORWARD?"));
    EXPECT_TRUE(waitForError(session, "prog.logo was saved; running it again", 2));

    // Deleted: one line, and the sculpture stays.
    ASSERT_EQ(std::remove((session.folder() + "/prog.logo").c_str()), 0);
    ASSERT_TRUE(waitForError(session, "prog.logo was deleted"));
    image = session.capture();
    EXPECT_GT(pixelsOf(image, kRed), 200) << "the last sculpture stays";

    // Saved again: it comes back.
    session.writeFile("prog.logo", "pencolor 12 sphere 5\n");
    image = session.captureUntil(only(kOrange, kRed));
    EXPECT_GT(pixelsOf(image, kOrange), 100);
    const std::string err = session.standardError();
    EXPECT_EQ(err.find("was deleted"), err.rfind("was deleted")) << "told once";

    ASSERT_TRUE(session.focus());
    Session::keyDown("Escape");
    const int status = session.waitForExit();
    Session::keyUp("Escape");
    EXPECT_EQ(status, 1);
}

}  // namespace
}  // namespace cubalorn::window_testing
