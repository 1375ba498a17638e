#pragma once
#include <cstddef>
#include <string>

#include "platform/Geometry.h"

namespace desktop {

// An alert or a system dialog as the system lays it out: a fixed width, the icon on top,
// then the message and the informative text wrapped to the width, and the buttons stacked
// at the bottom, the first on top. The height grows with the text, as an alert grows for its
// informative text, so nothing overflows the box. Buttons take clicks across the full width,
// one `buttonPitch` band each, above `bottomMargin`.
struct DialogLayout {
    static constexpr double width = 260;

    platform::Size size;
    size_t buttonCount = 0;
    double buttonPitch = 30;
    double bottomMargin = 10;

    static DialogLayout forText(const std::string& messageText, const std::string& informativeText, size_t buttonCount,
                                double buttonPitch = 30, double bottomMargin = 10);
    // No taller than `maxHeight` (the visible frame's height), as an alert never reaches under
    // the Dock: the text gives way (it scrolls), the buttons keep their bands.
    void limitHeight(double maxHeight);
    // The band of the index-th button (the first on top), for a dialog at `frame`.
    platform::Rect buttonFrame(const platform::Rect& frame, size_t index) const;
    // The index of the button under the point, or -1.
    int buttonAt(const platform::Rect& frame, platform::Point p) const;
};

}  // namespace desktop
