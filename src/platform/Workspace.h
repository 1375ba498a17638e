#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Image.h"

namespace platform {

enum class ActivationPolicy { regular, accessory, prohibited };

// A running application as the workspace reports it.
struct RunningApplication {
    int32_t processIdentifier = 0;
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> localizedName;
    std::optional<std::filesystem::path> bundleURL;
    ActivationPolicy activationPolicy = ActivationPolicy::regular;
    std::optional<Image> icon;
};

// The workspace: running applications, applications known by bundle identifier, opening
// addresses and applications. The simulated desktop provides the real one; the small
// in-memory one below serves code that only needs the queries.
class Workspace {
public:
    virtual ~Workspace() = default;
    virtual std::vector<RunningApplication> runningApplications() const = 0;
    // Lookups by one key, in launch order. The defaults go through the whole list; a
    // workspace that keeps its applications itself answers them without copying the others.
    virtual std::vector<RunningApplication> runningApplications(const std::string& bundleIdentifier) const;
    virtual std::optional<RunningApplication> runningApplication(int32_t pid) const;
    virtual std::vector<RunningApplication> runningApplicationsAt(const std::filesystem::path& bundleURL) const;
    virtual std::vector<RunningApplication> runningApplicationsNamed(const std::string& localizedName) const;
    // The bundle path of the application known for a bundle identifier.
    virtual std::optional<std::filesystem::path> urlForApplication(const std::string& bundleIdentifier) const = 0;
    // The file manager's display name of a path ("Foo.app" shows as "Foo").
    virtual std::string displayName(const std::filesystem::path& path) const;
    // Opens an address (https:, mailto:, x-apple.systempreferences:) in its handler.
    virtual bool open(const std::string& url) = 0;
    // Opens (launches) the application at a path; the completion runs on another queue.
    virtual void openApplication(const std::filesystem::path& path, std::function<void(bool ok)> completion) = 0;
};

class InMemoryWorkspace : public Workspace {
public:
    std::vector<RunningApplication> apps;
    std::vector<std::pair<std::string, std::filesystem::path>> knownApplications;
    std::vector<std::string> openedURLs;
    std::vector<std::filesystem::path> openedApplications;

    using Workspace::runningApplications;  // keeps the by-identifier query visible
    std::vector<RunningApplication> runningApplications() const override { return apps; }
    std::optional<std::filesystem::path> urlForApplication(const std::string& bundleIdentifier) const override;
    bool open(const std::string& url) override;
    void openApplication(const std::filesystem::path& path, std::function<void(bool ok)> completion) override;
};

}  // namespace platform
