#pragma once
#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>

namespace tessivane {

// The appearance the user chose for the application's own windows, stored under its raw
// string ("system", "light", "dark").
class AppAppearancePreference {
public:
    enum Value { system, light, dark };

    constexpr AppAppearancePreference(Value value) : value_(value) {}
    constexpr operator Value() const { return value_; }

    // In picker order.
    static constexpr std::array<Value, 3> allCases() { return {system, light, dark}; }
    // Exactly "system", "light" or "dark" (case matters); anything else gives no value.
    static std::optional<AppAppearancePreference> fromRawValue(std::string_view raw);
    std::string_view rawValue() const;

    // Sets the application-wide appearance: `system` clears it so that the application
    // follows the system's light or dark mode.
    void apply() const;

private:
    Value value_;
};

}  // namespace tessivane

template <>
struct std::hash<tessivane::AppAppearancePreference> {
    size_t operator()(tessivane::AppAppearancePreference p) const noexcept {
        return static_cast<size_t>(static_cast<tessivane::AppAppearancePreference::Value>(p));
    }
};
