#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Workspace.h"

namespace desktop {

// A running process of the simulated desktop: this application or another one.
struct SimulatedApp {
    int32_t pid = 0;
    std::optional<std::string> name;
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> bundlePath;
    platform::ActivationPolicy activationPolicy = platform::ActivationPolicy::accessory;
    bool answersAccessibility = true;
    bool isSelf = false;
    std::vector<std::string> menus;  // application menus while frontmost

    // The name the window server reports as the owner.
    std::string ownerName() const { return name.value_or(bundleIdentifier.value_or("")); }
    // Where its status items' preferred positions live.
    std::string defaultsDomain() const { return bundleIdentifier.value_or(name.value_or("pid." + std::to_string(pid))); }
    platform::RunningApplication running() const {
        platform::RunningApplication r;
        r.processIdentifier = pid;
        r.bundleIdentifier = bundleIdentifier;
        r.localizedName = name;
        if (bundlePath) r.bundleURL = std::filesystem::path(*bundlePath);
        r.activationPolicy = activationPolicy;
        return r;
    }
};

}  // namespace desktop
