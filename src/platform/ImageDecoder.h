#pragma once
#include <filesystem>
#include <optional>

#include "platform/Image.h"

namespace platform {

// Decoding an image file in a process of its own (tessivane-image-decoder), within the
// bounds of ImageDecoderProtocol.h: whatever a damaged or hostile file makes the loaders do
// costs that process, which is killed when it takes too long. Blocks the calling thread
// until the answer or the bound, so the main thread leaves it to the BackgroundQueue.
namespace ImageDecoder {

// The image in the regular file open at `fd`, read from its start; absent when it is no
// readable image, declares more pixels than the bound, is cut short or damaged, or passes
// the bounds of time or memory. The size in points is the file's in pixels; a file over
// 1,024 pixels on its longer side is decoded at that size, in proportion.
std::optional<Image> decode(int fd);

// The decoder program: beside the running program, else where the build put it.
const std::filesystem::path& executable();

}  // namespace ImageDecoder

}  // namespace platform
