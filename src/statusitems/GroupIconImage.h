#pragma once
#include <optional>

#include "model/IconGroup.h"
#include "platform/Image.h"

namespace tessivane {

namespace GroupIconImage {

// The image of a vossel's status item: its custom image scaled for the menu bar when the
// file still loads, else its symbol (see GroupAccentPalette::menuBarImage).
std::optional<platform::Image> menuBarImage(const IconGroup& group);

}  // namespace GroupIconImage

}  // namespace tessivane
