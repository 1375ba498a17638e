#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class UUID {
public:
    UUID() = default;  // the nil UUID
    static UUID random();
    // Accepts the canonical 36-character form in either case.
    static std::optional<UUID> parse(std::string_view text);
    // Canonical upper-case form, as Foundation writes it.
    std::string uuidString() const;

    const std::array<uint8_t, 16>& bytes() const { return bytes_; }
    auto operator<=>(const UUID&) const = default;

private:
    std::array<uint8_t, 16> bytes_{};
};

}  // namespace platform

template <>
struct std::hash<platform::UUID> {
    size_t operator()(const platform::UUID& u) const noexcept;
};
