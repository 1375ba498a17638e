#pragma once
#include <functional>

#include "ui/Node.h"

namespace ui {

// Content redrawn on a schedule while it is shown: `content(now)` every `interval` seconds
// from its appearance (a clock in a picture). `now` is the main run loop's time.
Node TimelineView(double interval, std::function<Node(double now)> content);

}  // namespace ui
