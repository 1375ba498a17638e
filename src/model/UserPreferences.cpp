#include "model/UserPreferences.h"

#include <cstdint>
#include <optional>
#include <string>

#include "model/UITestLaunch.h"
#include "platform/UserDefaults.h"

namespace tessivane::UserPreferences {

AppAppearancePreference appearance() {
    const auto value = UITestLaunch::defaults()->object(std::string(appearanceKey));
    const std::string* raw = value ? value->asString() : nullptr;
    if (raw && *raw == "light") return AppAppearancePreference::light;
    if (raw && *raw == "dark") return AppAppearancePreference::dark;
    return AppAppearancePreference::system;
}

bool hoverToOpenEnabled() {
    const auto defaults = UITestLaunch::defaults();
    // Every vossel's item asks at each of its updates, and the look-up searches a domain that
    // holds a position for every item, then the global one: the answer is kept until a stored
    // value changes.
    struct Answer {
        uint64_t changeCount;
        std::string domain;
        bool enabled;
    };
    thread_local std::optional<Answer> last;
    const uint64_t changeCount = platform::UserDefaults::changeCount();
    if (last && last->changeCount == changeCount && last->domain == defaults->domainName()) return last->enabled;
    const std::string key(hoverToOpenKey);
    const bool enabled = !defaults->object(key) || defaults->boolForKey(key);
    last = Answer{changeCount, defaults->domainName(), enabled};
    return enabled;
}

}  // namespace tessivane::UserPreferences
