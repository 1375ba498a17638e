#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "desktop/Desktop.h"
#include "platform/Accessibility.h"

namespace desktop {

// The Accessibility API over the simulated processes. Element identifiers encode what they
// stand for, so a reference to an element that has gone away reads as invalid.
class DesktopAccessibility final : public platform::Accessibility {
public:
    enum class Kind : uint8_t {
        none = 0,
        application = 1,
        extrasMenuBar = 2,
        statusItem = 3,
        statusItemChild = 4,
        menuBar = 5,
        menuBarItem = 6,
        systemWide = 7,
        window = 8,
    };

    explicit DesktopAccessibility(Desktop& desktop) : desktop_(desktop) {}

    bool isProcessTrusted() const override;
    bool isProcessTrustedWithOptions(bool prompt) override;
    platform::AXUIElementRef createApplication(int32_t pid) override;
    platform::AXUIElementRef createSystemWide() override;
    std::pair<platform::AXError, platform::AXValue> copyAttributeValue(const platform::AXUIElementRef& element,
                                                                       const std::string& attribute) override;
    std::pair<platform::AXError, std::vector<std::string>> copyAttributeNames(
        const platform::AXUIElementRef& element) override;
    std::pair<platform::AXError, std::vector<std::string>> copyActionNames(
        const platform::AXUIElementRef& element) override;
    platform::AXError performAction(const platform::AXUIElementRef& element, const std::string& action) override;
    std::pair<platform::AXError, platform::AXUIElementRef> copyElementAtPosition(
        const platform::AXUIElementRef& element, float x, float y) override;
    platform::AXError setMessagingTimeout(const platform::AXUIElementRef& element, float seconds) override;
    std::pair<platform::AXError, int32_t> getPid(const platform::AXUIElementRef& element) override;

    static uint64_t encode(Kind kind, uint64_t value) { return (static_cast<uint64_t>(kind) << 56) | value; }
    static Kind kindOf(uint64_t id) { return static_cast<Kind>(id >> 56); }
    static uint64_t valueOf(uint64_t id) { return id & ((uint64_t{1} << 56) - 1); }
    // Calls that reached an application (answered or not), for tests of the cost of a scan.
    int messagesSent() const { return messages_; }
    platform::AXUIElementRef elementForItem(const BarItem& item) const;

private:
    struct Target;
    // Finds what an element stands for and makes sure its process answers (the time-out
    // elapses otherwise). Returns success or the error to report.
    platform::AXError reach(const platform::AXUIElementRef& element, Target& target);
    platform::AXUIElementRef make(int32_t pid, Kind kind, uint64_t value) const;

    Desktop& desktop_;
    float globalTimeout_ = platform::Accessibility::kDefaultMessagingTimeout;
    int messages_ = 0;
};

}  // namespace desktop
