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
