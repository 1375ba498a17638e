#pragma once
#include "platform/Color.h"

namespace ui {

// The colours views use: platform colours plus the semantic and system colours that
// resolve when drawn (so one view serves light and dark mode).
struct Color : platform::Color {
    using Role = platform::Color::Role;
    static platform::Color tertiary() { return ofRole(Role::tertiary); }
    static platform::Color accent() { return ofRole(Role::accent); }
    static platform::Color windowBackground() { return ofRole(Role::windowBackground); }
    static platform::Color controlBackground() { return ofRole(Role::controlBackground); }
    static platform::Color separator() { return ofRole(Role::separator); }
    // The label colour is the primary text colour.
    static platform::Color label() { return primary(); }
    // System colours, in their light-mode values.
    static platform::Color red() { return rgb255(255, 59, 48); }
    static platform::Color orange() { return rgb255(255, 149, 0); }
    static platform::Color yellow() { return rgb255(255, 204, 0); }
    static platform::Color green() { return rgb255(52, 199, 89); }
    static platform::Color blue() { return rgb255(0, 122, 255); }
    static platform::Color gray() { return rgb255(142, 142, 147); }
};

}  // namespace ui
