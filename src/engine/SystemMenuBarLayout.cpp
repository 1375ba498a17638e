#include "engine/SystemMenuBarLayout.h"

#include "engine/MenuBarGeometry.h"
#include "platform/Platform.h"
#include "platform/ProcessInfo.h"
#include "platform/Text.h"
#include "platform/UserDefaults.h"

namespace tessivane::SystemMenuBarLayout {

namespace {

// Frames this close to either screen edge say nothing about the side of the clock.
constexpr double kEdgeMargin = 40;
// A mean icon centre within this distance of an edge places the clock at that edge.
constexpr double kClockSideReach = 500;

bool languageIsRightToLeft() {
    const std::vector<std::string> languages = systemLanguages();
    return !languages.empty() && platform::Text::isRightToLeftLanguage(languages.front());
}

}  // namespace

std::optional<bool> processOverride() {
    if (platform::ProcessInfo::hasArgument(std::string(forceRightToLeftArgument))) return true;
    if (platform::ProcessInfo::hasArgument(std::string(forceLeftToRightArgument))) return false;
    return std::nullopt;
}

std::vector<std::string> systemLanguages() {
    const auto stored = platform::Preferences::copyAppValue("AppleLanguages", platform::Preferences::kAnyApplication);
    if (stored) {
        if (const platform::PropertyArray* array = stored->asArray(); array && !array->empty()) {
            std::vector<std::string> languages;
            languages.reserve(array->size());
            for (const platform::PropertyValue& value : *array) {
                const std::string* language = value.asString();
                if (!language) {
                    languages.clear();
                    break;
                }
                languages.push_back(*language);
            }
            if (!languages.empty()) return languages;
        }
    }
    return {platform::Text::currentLocale()};
}

bool isRightToLeft() {
    if (auto forced = processOverride()) return *forced;
    return languageIsRightToLeft();
}

bool isRightToLeft(std::span<const platform::Rect> clockSideFrames) {
    if (auto forced = processOverride()) return *forced;
    const platform::Rect screen = MenuBarGeometry::mainScreenFrameOrDefault();
    double sum = 0;
    size_t count = 0;
    for (const platform::Rect& frame : clockSideFrames) {
        if (frame.width() > 1 && frame.height() > 1 && frame.minX() > kEdgeMargin &&
            frame.maxX() < screen.maxX() - kEdgeMargin) {
            sum += frame.midX();
            ++count;
        }
    }
    if (count == 0) return languageIsRightToLeft();
    const double meanMidX = sum / static_cast<double>(count);
    if (meanMidX > screen.maxX() - kClockSideReach) return false;
    if (meanMidX < screen.minX() + kClockSideReach) return true;
    return languageIsRightToLeft();
}

}  // namespace tessivane::SystemMenuBarLayout
