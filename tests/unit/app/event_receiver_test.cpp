#include "app/event_receiver.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace cubalorn {
namespace {

irr::SEvent keyEvent(int key, bool down) {
    irr::SEvent e{};
    e.EventType = irr::EET_KEY_INPUT_EVENT;
    e.KeyInput.Key = static_cast<irr::EKEY_CODE>(key);
    e.KeyInput.PressedDown = down;
    return e;
}

irr::SEvent mouseEvent(irr::EMOUSE_INPUT_EVENT kind, int x = 0, int y = 0) {
    irr::SEvent e{};
    e.EventType = irr::EET_MOUSE_INPUT_EVENT;
    e.MouseInput.Event = kind;
    e.MouseInput.X = x;
    e.MouseInput.Y = y;
    return e;
}

irr::SEvent wheelEvent(float turns) {
    irr::SEvent e = mouseEvent(irr::EMIE_MOUSE_WHEEL);
    e.MouseInput.Wheel = turns;
    return e;
}

struct ReceiverCase {
    const char* name;
    std::vector<irr::SEvent> events;
    int key;  // key to look at afterwards
    bool keyHeld;
    bool leftButton;
    int mouseX, mouseY;
};
void PrintTo(const ReceiverCase& c, std::ostream* os) {
    *os << c.name;
}

class EventReceiverTest : public ::testing::TestWithParam<ReceiverCase> {};

TEST_P(EventReceiverTest, RecordsState) {
    const ReceiverCase& c = GetParam();
    MyEventReceiver receiver;
    for (const irr::SEvent& e : c.events) EXPECT_FALSE(receiver.OnEvent(e)) << "events pass on";
    EXPECT_EQ(receiver.isKeyDown(c.key), c.keyHeld);
    EXPECT_EQ(receiver.leftButtonDown, c.leftButton);
    EXPECT_EQ(receiver.mouseX, c.mouseX);
    EXPECT_EQ(receiver.mouseY, c.mouseY);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EventReceiverTest,
    ::testing::Values(
        ReceiverCase{"KeyPressHolds", {keyEvent(87, true)}, 87, true, false, 0, 0},
        ReceiverCase{"PressAndReleaseBetweenFrames",
                     {keyEvent(87, true), keyEvent(87, false)},
                     87,
                     false,
                     false,
                     0,
                     0},
        ReceiverCase{"OtherKeyUntouched", {keyEvent(65, true)}, 66, false, false, 0, 0},
        ReceiverCase{"LastKeyCode", {keyEvent(254, true)}, 254, true, false, 0, 0},
        ReceiverCase{
            "LeftButton", {mouseEvent(irr::EMIE_LMOUSE_PRESSED_DOWN)}, 0, false, true, 0, 0},
        ReceiverCase{
            "LeftButtonReleased",
            {mouseEvent(irr::EMIE_LMOUSE_PRESSED_DOWN), mouseEvent(irr::EMIE_LMOUSE_LEFT_UP)},
            0,
            false,
            false,
            0,
            0},
        ReceiverCase{"RightButtonIsNotLeft",
                     {mouseEvent(irr::EMIE_RMOUSE_PRESSED_DOWN, 5, 6)},
                     0,
                     false,
                     false,
                     0,
                     0},
        ReceiverCase{
            "MouseMoveStoresPosition",
            {mouseEvent(irr::EMIE_MOUSE_MOVED, 12, 34), mouseEvent(irr::EMIE_MOUSE_MOVED, 56, 78)},
            0,
            false,
            false,
            56,
            78},
        ReceiverCase{"WheelChangesNothing",
                     {mouseEvent(irr::EMIE_MOUSE_WHEEL, 9, 9)},
                     0,
                     false,
                     false,
                     0,
                     0}),
    [](const auto& info) { return std::string(info.param.name); });

// What one pass of the main loop takes after a burst of events.
TEST(EventReceiver, DragsWheelAndPressesAreSummedUntilTaken) {
    using irr::EMIE_MOUSE_MOVED;
    const struct {
        const char* name;
        std::vector<irr::SEvent> events;
        MyEventReceiver::Button button;
        int dx, dy;
        bool started;
        float wheel;
        bool pressedO;
    } cases[] = {
        {"quick drag between two passes",
         {mouseEvent(EMIE_MOUSE_MOVED, 10, 10), mouseEvent(irr::EMIE_LMOUSE_PRESSED_DOWN, 10, 10),
          mouseEvent(EMIE_MOUSE_MOVED, 30, 5), mouseEvent(EMIE_MOUSE_MOVED, 50, 25),
          mouseEvent(irr::EMIE_LMOUSE_LEFT_UP, 50, 25), mouseEvent(EMIE_MOUSE_MOVED, 90, 90)},
         MyEventReceiver::kLeft,
         40,
         15,
         true,
         0,
         false},
        {"moving without a button is no drag",
         {mouseEvent(EMIE_MOUSE_MOVED, 10, 10), mouseEvent(EMIE_MOUSE_MOVED, 70, 80)},
         MyEventReceiver::kLeft,
         0,
         0,
         false,
         0,
         false},
        {"right drag and the wheel",
         {mouseEvent(irr::EMIE_RMOUSE_PRESSED_DOWN), mouseEvent(EMIE_MOUSE_MOVED, 0, -12),
          wheelEvent(1), wheelEvent(1), wheelEvent(-0.5f)},
         MyEventReceiver::kRight,
         0,
         -12,
         true,
         1.5f,
         false},
        {"a held key repeats without a release: one press",
         {keyEvent(79, true), keyEvent(79, true), keyEvent(79, true)},
         MyEventReceiver::kLeft,
         0,
         0,
         false,
         0,
         true},
        {"a press and its release between passes still counts",
         {keyEvent(79, true), keyEvent(79, false)},
         MyEventReceiver::kLeft,
         0,
         0,
         false,
         0,
         true},
    };
    for (const auto& c : cases) {
        MyEventReceiver receiver;
        for (const irr::SEvent& e : c.events) receiver.OnEvent(e);
        const MyEventReceiver::Drag drag = receiver.takeDrag(c.button);
        EXPECT_EQ(drag.dx, c.dx) << c.name;
        EXPECT_EQ(drag.dy, c.dy) << c.name;
        EXPECT_EQ(drag.started, c.started) << c.name;
        EXPECT_FLOAT_EQ(receiver.takeWheel(), c.wheel) << c.name;
        EXPECT_EQ(receiver.takePress(79), c.pressedO) << c.name;
        // Taken once: the next pass starts from nothing.
        const MyEventReceiver::Drag again = receiver.takeDrag(c.button);
        EXPECT_EQ(again.dx, 0) << c.name;
        EXPECT_FALSE(again.started) << c.name;
        EXPECT_EQ(receiver.takeWheel(), 0.0f) << c.name;
        EXPECT_FALSE(receiver.takePress(79)) << c.name;
    }
}

TEST(EventReceiver, EscapeIsRememberedAfterItsRelease) {
    MyEventReceiver receiver;
    receiver.OnEvent(keyEvent(irr::KEY_ESCAPE, true));
    receiver.OnEvent(keyEvent(irr::KEY_ESCAPE, false));
    EXPECT_TRUE(receiver.escapePressed);
    EXPECT_FALSE(receiver.isKeyDown(irr::KEY_ESCAPE));
}

TEST(EventReceiver, CodesOutsideTheTableAreNotHeld) {
    MyEventReceiver receiver;
    for (int key = 0; key < MyEventReceiver::kKeyCount; ++key)
        receiver.OnEvent(keyEvent(key, true));
    // An event with a code past the table must not write past it either.
    receiver.OnEvent(keyEvent(255, true));
    receiver.OnEvent(keyEvent(1000, true));
    for (int key : {-1, 255, 256, 1000, -1000}) EXPECT_FALSE(receiver.isKeyDown(key)) << key;
    EXPECT_TRUE(receiver.isKeyDown(0));
    EXPECT_TRUE(receiver.isKeyDown(254));
}

}  // namespace
}  // namespace cubalorn
