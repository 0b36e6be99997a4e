// The window program's main loop. One pass: answer Ctrl+C, apply the keys
// and the mouse, do one piece of work (a console line, or the next pass of a
// program file), draw when a frame is due, then sleep until something
// happens. A still scene at the prompt costs nothing but the wait.

#include <algorithm>
#include <cmath>

#include "app/application.h"
#include "app/frame.h"
#include "app/interrupts.h"
#include "app/orbit_camera.h"
#include "app/program_watch.h"
#include "app/scene_setup.h"
#include "app/window_events.h"
#include "interp/interpreter.h"
#include "voxel/undo_history.h"
#include "voxel/world.h"

namespace cubalorn {

namespace {

// Frames that nothing asks for at once (camera motion, animation) come at
// most sixty times a second.
constexpr std::chrono::milliseconds kFrameInterval(16);
// Without anything to do, the loop still wakes now and then.
constexpr std::chrono::milliseconds kIdleWait(500);
// While a line runs, the engine's events are looked at this often.
constexpr std::chrono::milliseconds kEventPumpInterval(10);

constexpr float kOrbitDegreesPerPixel = 0.4f;
constexpr float kZoomPerPixel = 0.01f;  // a right-drag of 100 pixels: e times nearer or farther
constexpr float kZoomPerWheelTurn = 0.85f;

}  // namespace

bool Application::windowActive() const {
    return context_.device->isWindowActive();
}

bool Application::ended() const {
    return windowClosed_ || context_.receiver.escapePressed || dialogue_.state() == kQuit ||
           (interrupts_ && interrupts_->quitRequested());
}

void Application::mainLoop() {
    irr::IrrlichtDevice& device = *context_.device;
    if (!device.run()) return;
    redraw_ = drawAtOnce_ = true;
    while (!ended()) {
        answerInterrupt();
        if (ended()) break;
        handleWindowInput();
        runWork();
        drawIfDue();
        waitForWork();
        if (!device.run()) break;
    }
}

bool Application::stopRequested() {
    if (interrupts_ && interrupts_->takePress()) return true;
    if (context_.device == nullptr) return false;
    const Clock::time_point now = Clock::now();
    if (now - lastEventPump_ >= kEventPumpInterval) {
        lastEventPump_ = now;
        // A key, a click or the close button all come as events.
        if ((!windowEvents_ || windowEvents_->engineEventsWaiting()) && !context_.device->run())
            windowClosed_ = true;
    }
    return windowClosed_ || context_.receiver.escapePressed;
}

void Application::reportInterruption() {
    interpreter_->reportError("interrupted, line stopped");
}

void Application::answerInterrupt() {
    if (!interrupts_ || !interrupts_->takePress()) return;
    // No line runs now. A program file that goes on after each frame is
    // the running line: it stops; anything else is a press at the prompt.
    if (mode_ == RunMode::ProgramFile && interpreter_->resumePending && program_) {
        reportInterruption();
        interpreter_->resumePending = false;
        out_.flush();
        return;
    }
    dialogue_.quit();
}

void Application::handleWindowInput() {
    MyEventReceiver& receiver = context_.receiver;
    if (handleWindowKeys(context_, config_)) redraw_ = true;
    if (receiver.takePress(irr::KEY_KEY_T) && guides_.turtle != nullptr) {
        guides_.turtle->setVisible(!guides_.turtle->isVisible());
        redraw_ = true;
    }
    if (receiver.takePress(irr::KEY_KEY_G) && guides_.grid != nullptr) {
        guides_.grid->setVisible(!guides_.grid->isVisible());
        redraw_ = true;
    }
    if (receiver.takePress(irr::KEY_KEY_F)) frameSculpture();
    if (receiver.takePress(irr::KEY_RETURN) && dialogue_.state() == kFreeCamera) returnToConsole();
    if (context_.cameraMoved) {
        context_.cameraMoved = false;
        redraw_ = true;
    }

    // The mouse moves the camera only while it belongs to the orbit.
    const MyEventReceiver::Drag orbit = receiver.takeDrag(MyEventReceiver::kLeft);
    const MyEventReceiver::Drag zoom = receiver.takeDrag(MyEventReceiver::kRight);
    const MyEventReceiver::Drag pan = receiver.takeDrag(MyEventReceiver::kMiddle);
    const float wheel = receiver.takeWheel();
    if (context_.freeCameraFlies) return;
    irr::scene::ICameraSceneNode* camera = context_.sceneManager->getActiveCamera();
    if (camera == nullptr) return;
    CameraPose pose{camera->getPosition(), camera->getTarget()};
    const CameraPose before = pose;
    if (orbit.started) pose = anchorPose(pose, sculptureBounds().getCenter(), 1.0f);
    if (orbit.dx != 0 || orbit.dy != 0)
        pose = orbitPose(pose, -orbit.dx * kOrbitDegreesPerPixel, orbit.dy * kOrbitDegreesPerPixel);
    if (zoom.dy != 0) pose = zoomPose(pose, std::exp(zoom.dy * kZoomPerPixel));
    if (wheel != 0.0f) pose = zoomPose(pose, std::pow(kZoomPerWheelTurn, wheel));
    if (pan.dx != 0 || pan.dy != 0) {
        const float height = float(context_.driver->getScreenSize().Height);
        pose = panPose(pose, float(pan.dx), float(pan.dy), camera->getFOV(), height);
    }
    if (pose.position != before.position || pose.target != before.target) {
        aimCamera(*camera, pose.position, pose.target);
        redraw_ = true;
    }
}

void Application::runWork() {
    switch (mode_) {
        case RunMode::Interactive: {
            const bool handled = dialogue_.step();
            // After the first program line, every line the dialogue takes
            // is answered by a frame before the next prompt, which shows
            // the screen texts that line queued (or none).
            if (handled && dialogue_.state() != kNoLineRun && dialogue_.state() != kQuit)
                drawAtOnce_ = textsFresh_ = true;
            break;
        }
        case RunMode::ProgramFile:
            // With --watch, a save runs the program again, shown at once.
            if (runAgainOnSave()) afterProgramRan();
            // One pass of the program per frame, and only with the focus.
            if (windowActive() && Clock::now() - lastFrame_ >= kFrameInterval) resumeProgram();
            break;
        case RunMode::Neither:
            break;
    }
}

void Application::resumeProgram() {
    if (!interpreter_->resumePending || !program_) return;
    interpreter_->lineFinished = false;
    interpreter_->runLine();
    afterProgramRan();
    out_.flush();
}

void Application::runProgramLine(const std::string& line) {
    if (history_) history_->beginLine();
    interpreter_->assignProgram(line);
    interpreter_->lineFinished = false;
    interpreter_->runLine();
    if (history_) {
        const std::string note = history_->noteAfter(history_->endLine());
        if (!note.empty()) out_.diagnostic(note);
    }
    // A Ctrl+C that came after the last look belongs to the line just ended.
    if (interrupts_) interrupts_->takePress();
    afterProgramRan();
}

void Application::undoLine() {
    if (history_ && !history_->undo()) out_.note("UNDO: nothing to undo\n");
    afterProgramRan();
}

void Application::redoLine() {
    if (history_ && !history_->redo()) out_.note("REDO: nothing to redo\n");
    afterProgramRan();
}

void Application::afterProgramRan() {
    context_.meshUpToDate = false;
    textsFresh_ = true;
    drawAtOnce_ = true;
    if (guides_.turtle != nullptr) placeTurtleMarker(*guides_.turtle, world_->turtle);
}

bool Application::continuousFrames() const {
    // The flying camera and program files move on every frame by themselves.
    return windowActive() && (mode_ == RunMode::ProgramFile || context_.freeCameraFlies);
}

void Application::drawIfDue() {
    if (windowEvents_ && windowEvents_->takeExposed()) redraw_ = true;
    const bool wanted = drawAtOnce_ || redraw_ || continuousFrames();
    if (!wanted) return;
    if (!drawAtOnce_ && Clock::now() - lastFrame_ < kFrameInterval) return;
    drawNow();
}

void Application::drawNow() {
    // A line's screen texts stay on screen until the next line.
    if (textsFresh_) {
        heldTexts_ = context_.screenTextList;
        textsFresh_ = false;
    } else {
        context_.screenTextList = heldTexts_;
    }
    drawFrame(context_, config_, world_->palette, world_->random);
    ++framesDrawn_;
    lastFrame_ = Clock::now();
    redraw_ = drawAtOnce_ = false;
}

void Application::waitForWork() {
    if (ended() || !windowEvents_) return;
    std::chrono::milliseconds timeout = kIdleWait;
    // The dialogue prompts on the next pass, or its line has come.
    const bool consoleWork = mode_ == RunMode::Interactive && dialogue_.state() != kFreeCamera &&
                             (!dialogue_.awaitingLine() || console_.waitUntilReady({}));
    if (drawAtOnce_ || consoleWork) return;
    if (redraw_ || continuousFrames()) {
        const auto sinceFrame =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastFrame_);
        timeout = std::max(std::chrono::milliseconds(0), kFrameInterval - sinceFrame);
    }
    if (watch_) timeout = std::min(timeout, watch_->quietFor());
    windowEvents_->wait(timeout,
                        {console_.readyDescriptor(), interrupts_ ? interrupts_->descriptor() : -1,
                         watch_ ? watch_->descriptor() : -1});
}

void Application::enterFreeCamera() {
    irr::scene::ISceneManager& scene = *context_.sceneManager;
    // Fly on from the view on the screen.
    irr::scene::ICameraSceneNode* active = scene.getActiveCamera();
    if (active != nullptr && active != context_.cameras.freeCamera &&
        context_.cameras.freeCamera != nullptr)
        aimCamera(*context_.cameras.freeCamera, active->getPosition(), active->getTarget());
    context_.fixedCameraActive = false;
    activateCamera(scene, context_.cameras, false);
    context_.freeCameraFlies = true;
    setFreeCameraFlying(*context_.device, context_.cameras, true);
}

void Application::returnToConsole() {
    context_.freeCameraFlies = false;
    setFreeCameraFlying(*context_.device, context_.cameras, false);
    // Keep the view; the orbit turns about the sculpture from here.
    if (irr::scene::ICameraSceneNode* camera = context_.sceneManager->getActiveCamera()) {
        const CameraPose pose = anchorPose({camera->getPosition(), camera->getTarget()},
                                           sculptureBounds().getCenter(), 1.0f);
        aimCamera(*camera, pose.position, pose.target);
    }
    dialogue_.returnFromFreeCamera();
    redraw_ = true;
}

irr::core::aabbox3df Application::sculptureBounds() const {
    irr::core::aabbox3df box;
    bool found = false;
    if (context_.mesh != nullptr) {
        for (irr::u32 i = 0; i < context_.mesh->getMeshBufferCount(); ++i) {
            const irr::scene::IMeshBuffer* buffer = context_.mesh->getMeshBuffer(i);
            if (buffer->getVertexCount() == 0) continue;
            if (found)
                box.addInternalBox(buffer->getBoundingBox());
            else
                box = buffer->getBoundingBox();
            found = true;
        }
    }
    if (!found) {
        // Nothing drawn yet: the whole volume.
        const auto& m = config_.volumeMax;
        box = {-0.5f, -0.5f, -0.5f, m[0] + 0.5f, m[1] + 0.5f, m[2] + 0.5f};
    }
    if (context_.meshNode != nullptr) {
        context_.meshNode->updateAbsolutePosition();
        context_.meshNode->getAbsoluteTransformation().transformBoxEx(box);
    }
    return box;
}

void Application::frameSculpture() {
    irr::scene::ICameraSceneNode* camera = context_.sceneManager->getActiveCamera();
    if (camera == nullptr) return;
    const CameraPose pose =
        framePose({camera->getPosition(), camera->getTarget()}, sculptureBounds(), camera->getFOV(),
                  camera->getAspectRatio());
    aimCamera(*camera, pose.position, pose.target);
    redraw_ = true;
}

}  // namespace cubalorn
