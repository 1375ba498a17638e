#include "TourFixture.h"

#include "app/AccessibilityReapprovalGuide.h"
#include "platform/UserDefaults.h"
#include "ui/Color.h"

namespace onboardingtest {

namespace {
void countCapsules(const ui::RenderedNode& node, std::pair<int, int>& counts) {
    const ui::NodeData& d = node.data();
    if (d.kind == ui::NodeKind::shape && d.shape.kind == ui::Shape::Kind::capsule && d.fill) {
        ++counts.second;
        if (*d.fill == ui::Color::accent()) ++counts.first;
    }
    for (const auto& child : node.children) countCapsules(*child, counts);
}
}  // namespace

std::pair<int, int> TourOnDesktop::progress() {
    std::pair<int, int> counts{0, 0};
    countCapsules(tour().tree(), counts);
    return counts;
}

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
