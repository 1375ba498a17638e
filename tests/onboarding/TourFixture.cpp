#include "TourFixture.h"

#include "app/AccessibilityReapprovalGuide.h"
#include "platform/UserDefaults.h"

namespace onboardingtest {

void TourOnDesktop::launchUntrustedAfterUpdate() {
    namespace Guide = tessivane::AccessibilityReapprovalGuide;
    auto& defaults = platform::UserDefaults::standard();
    defaults.set(std::string(Guide::grantedVersionKey), "0.9");
    defaults.set(std::string(Guide::lastLaunchedVersionKey), "0.9");
    completeOnboarding();
    loadDefault();
    desktop().queueAlertAnswer("Later");
    launch();
    desktop().advance(0.6);
}

}  // namespace onboardingtest
