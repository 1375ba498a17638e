#pragma once
#include <optional>
#include <string>

namespace platform {

// SMAppService.Status raw values.
enum class LoginItemStatus : int { notRegistered = 0, enabled = 1, requiresApproval = 2, notFound = 3 };

// The main application's registration to open at login (SMAppService.mainApp).
class LoginItems {
public:
    virtual ~LoginItems() = default;
    virtual LoginItemStatus status() const = 0;
    // Absent on success, else the system's error description.
    virtual std::optional<std::string> registerMainApp() = 0;
    virtual std::optional<std::string> unregisterMainApp() = 0;
};

}  // namespace platform
