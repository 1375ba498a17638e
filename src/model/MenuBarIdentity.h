#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Geometry.h"

namespace tessivane {

struct MenuBarItemID;

// Stateless name and host rules shared by everything that relates a stored member to a
// live menu bar icon. Nothing here caches; `isGenericHost` may ask the workspace.
namespace MenuBarIdentity {

inline constexpr std::string_view ownBundleIdentifier = "com.tessivane.Tessivane";
inline constexpr std::string_view controlCenterBundleIdentifier = "com.apple.controlcenter";

// One of this application's own icons.
bool isSelf(const std::optional<std::string>& bundle, std::string_view owner);
// A system process that hosts icons of many kinds (Control Center, the system UI server),
// so that its bundle identifier says nothing about which icon is meant.
bool isGenericHost(const std::optional<std::string>& bundle, std::string_view owner);
// The owner-name half of isGenericHost that needs no workspace: one of the host processes'
// own names ("Control Center", "SystemUIServer"...), ignoring case and surrounding blanks.
bool isGenericHostOwnerName(std::string_view owner);
// Lower-cased words of at least four characters that are not stop-words, in order,
// repeats kept.
std::vector<std::string> meaningfulTokens(std::string_view text);
// Whether a stored identity's title or owner name and a live icon's title or owner name
// are equal (ignoring case) or share a meaningful word.
bool namesOverlap(const MenuBarItemID& id, std::string_view title, std::string_view owner);

// The two names of one side (title, then owner name; absent ones empty), each tokenized at
// most once however many comparisons it takes part in. Callers that compare one icon with
// many keep one per icon. Holds views: the strings must outlive it.
class Names {
public:
    Names(std::string_view title, std::string_view owner) : names_{Name{title, {}}, Name{owner, {}}} {}
    explicit Names(const MenuBarItemID& id);

    std::string_view text(size_t i) const { return names_[i].text; }
    const std::vector<std::string>& tokens(size_t i) const;

private:
    struct Name {
        std::string_view text;
        mutable std::optional<std::vector<std::string>> tokens;
    };
    std::array<Name, 2> names_;
};

// namesOverlap with the stored identity's names and the live icon's names given.
bool namesOverlap(const Names& stored, const Names& live);
// Horizontal overlap of two frames relative to their joint horizontal extent, 0 to 1.
double xOverlap(const platform::Rect& a, const platform::Rect& b);

}  // namespace MenuBarIdentity

}  // namespace tessivane
