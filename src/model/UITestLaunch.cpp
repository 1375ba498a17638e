#include "model/UITestLaunch.h"

#include <string>

#include "platform/ProcessInfo.h"

namespace tessivane::UITestLaunch {

namespace {

std::shared_ptr<platform::UserDefaults> isolatedSuite() {
    return platform::UserDefaults::suite(std::string(suiteName));
}

}  // namespace

bool isEnabled() {
    return platform::ProcessInfo::hasArgument(std::string(argument));
}

std::shared_ptr<platform::UserDefaults> defaults() {
    if (isEnabled()) {
        if (auto suite = isolatedSuite()) return suite;
    }
    // The standard store lives for the whole process; hand it out without ownership.
    return std::shared_ptr<platform::UserDefaults>(std::shared_ptr<void>{}, &platform::UserDefaults::standard());
}

void prepareIsolatedStore() {
    if (!isEnabled()) return;
    auto suite = isolatedSuite();
    if (!suite) return;
    suite->removePersistentDomain(std::string(suiteName));
    suite->synchronize();
}

}  // namespace tessivane::UITestLaunch
