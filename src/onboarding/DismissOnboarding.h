#pragma once
#include <functional>

namespace tessivane {

// How the welcome tour closes its own window: the onboarding window installs a closure here
// for its content; everywhere else the value does nothing.
struct DismissOnboardingKey {
    using Value = std::function<void()>;
    static Value defaultValue() {
        return [] {};
    }
};

}  // namespace tessivane
