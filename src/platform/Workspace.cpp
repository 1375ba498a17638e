#include "platform/Workspace.h"

#include "platform/RunLoop.h"

namespace platform {

std::vector<RunningApplication> Workspace::runningApplications(const std::string& bundleIdentifier) const {
    std::vector<RunningApplication> matching;
    for (auto& app : runningApplications()) {
        if (app.bundleIdentifier == bundleIdentifier) matching.push_back(std::move(app));
    }
    return matching;
}

std::optional<RunningApplication> Workspace::runningApplication(int32_t pid) const {
    for (auto& app : runningApplications()) {
        if (app.processIdentifier == pid) return std::move(app);
    }
    return std::nullopt;
}

std::vector<RunningApplication> Workspace::runningApplicationsAt(const std::filesystem::path& bundleURL) const {
    std::vector<RunningApplication> matching;
    for (auto& app : runningApplications()) {
        if (app.bundleURL == bundleURL) matching.push_back(std::move(app));
    }
    return matching;
}

std::vector<RunningApplication> Workspace::runningApplicationsNamed(const std::string& localizedName) const {
    std::vector<RunningApplication> matching;
    for (auto& app : runningApplications()) {
        if (app.localizedName == localizedName) matching.push_back(std::move(app));
    }
    return matching;
}

std::string Workspace::displayName(const std::filesystem::path& path) const {
    std::filesystem::path p = path;
    if (!p.has_filename() && p.has_parent_path()) p = p.parent_path();  // "Foo.app/"
    std::string name = p.filename().string();
    constexpr std::string_view kAppExtension = ".app";
    if (name.size() > kAppExtension.size() && name.ends_with(kAppExtension)) {
        name.resize(name.size() - kAppExtension.size());
    }
    return name;
}

std::optional<std::filesystem::path> InMemoryWorkspace::urlForApplication(const std::string& bundleIdentifier) const {
    for (const auto& [identifier, path] : knownApplications) {
        if (identifier == bundleIdentifier) return path;
    }
    for (const auto& app : apps) {
        if (app.bundleIdentifier == bundleIdentifier && app.bundleURL) return app.bundleURL;
    }
    return std::nullopt;
}

bool InMemoryWorkspace::open(const std::string& url) {
    openedURLs.push_back(url);
    return true;
}

void InMemoryWorkspace::openApplication(const std::filesystem::path& path, std::function<void(bool ok)> completion) {
    openedApplications.push_back(path);
    // Never before the caller has returned, as with the real workspace.
    if (completion) RunLoop::main().async([completion = std::move(completion)] { completion(true); });
}

}  // namespace platform
