#pragma once
// The files of a turntable: its numbered frames beside the picture and an
// animated GIF of them, made by ImageMagick's convert when it is installed.

#include <string>
#include <vector>

namespace cubalorn::batch {

// "out/house.png", 3 -> "out/house-turn-00003.png".
std::string turntableFramePath(const std::string& picture, long long frame);
// "out/house.png" -> "out/house.gif"; a name without an extension gets ".gif".
std::string animationPath(const std::string& picture);

enum class AnimationResult { Written, ToolMissing, Failed };

// Runs convert (found on PATH, never through a shell) to loop `frames` with
// `delayCentiseconds` between them into `gif`. Failed sets `error`.
AnimationResult writeAnimatedGif(const std::vector<std::string>& frames, const std::string& gif,
                                 int delayCentiseconds, std::string& error);

}  // namespace cubalorn::batch
