#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tessivane {

// `MenuBarIdentity::isGenericHost` for the length of one scan. Apart from the Control Center
// bundle test the rule depends on the owner name and on the running Control Center's
// localized name alone, neither of which changes while a synchronous scan runs; so that
// name is asked of the workspace once, and each owner's answer is remembered.
class GenericHostMemo {
public:
    bool isGenericHost(const std::optional<std::string>& bundle, std::string_view owner);
    // The test with no bundle: the owner name alone.
    bool ownerIsGenericHost(std::string_view owner);

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, bool, Hash, std::equal_to<>> owners_;
    std::optional<std::optional<std::string>> controlCenterName_;
};

}  // namespace tessivane
