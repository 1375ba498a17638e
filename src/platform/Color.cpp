#include "platform/Color.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace platform {

std::string Color::hex() const {
    auto byte = [](double c) {
        if (!(c == c)) c = 0;  // NaN draws as black rather than as garbage
        return static_cast<int>(std::lround(std::clamp(c, 0.0, 1.0) * 255.0));
    };
    char text[7];
    std::snprintf(text, sizeof text, "%02X%02X%02X", byte(red), byte(green), byte(blue));
    return text;
}

}  // namespace platform
