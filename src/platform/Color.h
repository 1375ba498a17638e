#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// An sRGB colour with alpha, components in 0...1. `Role` colours (the label colours of
// the appearance) resolve when drawn, so the same view works in light and dark mode.
struct Color {
    enum class Role { none, primary, secondary, tertiary, accent, controlBackground, windowBackground, separator };
    double red = 0, green = 0, blue = 0, alpha = 1;
    Role role = Role::none;

    static Color rgb(double r, double g, double b, double a = 1) { return Color{r, g, b, a, Role::none}; }
    static Color rgb255(int r, int g, int b, double a = 1) { return rgb(r / 255.0, g / 255.0, b / 255.0, a); }
    static Color ofRole(Role r, double a = 1) { return Color{0, 0, 0, a, r}; }
    static Color clear() { return rgb(0, 0, 0, 0); }
    static Color white() { return rgb(1, 1, 1); }
    static Color black() { return rgb(0, 0, 0); }
    static Color primary() { return ofRole(Role::primary); }
    static Color secondary() { return ofRole(Role::secondary); }

    Color opacity(double a) const { Color c = *this; c.alpha = alpha * a; return c; }
    // "RRGGBB" upper-case, for fixed colours.
    std::string hex() const;
    bool operator==(const Color&) const = default;
};

}  // namespace platform
