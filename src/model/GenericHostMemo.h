#pragma once
#include <memory>
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
    // While one lives on this thread, every memo answers from the scope's memory: work that
    // makes a memo per comparison (a list of rows, each compared with every stored member) asks
    // the workspace once in all, not once per comparison.
    class Scope {
    public:
        Scope();
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        std::unique_ptr<GenericHostMemo> memo_;  // none in a scope inside another
    };

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
