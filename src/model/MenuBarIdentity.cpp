#include "model/MenuBarIdentity.h"

#include <algorithm>
#include <array>

#include "model/MenuBarItemID.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "platform/Workspace.h"

namespace tessivane::MenuBarIdentity {

namespace {

constexpr std::array<std::string_view, 18> kStopWords = {
    "menu", "item", "extra", "button", "group", "status", "the", "and", "for",
    "app", "icon", "bar", "mobile", "disconnected", "connected", "control", "center", "centre"};

constexpr std::array<std::string_view, 4> kGenericHostOwners = {
    "control center", "control centre", "systemuiserver", "controlcenter"};

bool someTokenContained(const std::vector<std::string>& tokens, std::string_view haystack) {
    return std::any_of(tokens.begin(), tokens.end(), [haystack](const std::string& token) {
        return platform::Text::localizedCaseInsensitiveContains(haystack, token);
    });
}

}  // namespace

bool isSelf(const std::optional<std::string>& bundle, std::string_view owner) {
    if (bundle && *bundle == ownBundleIdentifier) return true;
    return platform::Text::localizedCaseInsensitiveContains(owner, "tessivane");
}

bool isGenericHostOwnerName(std::string_view owner) {
    const std::string lowered = platform::Text::lowercased(platform::Text::trimmed(owner));
    return std::find(kGenericHostOwners.begin(), kGenericHostOwners.end(), lowered) != kGenericHostOwners.end();
}

bool isGenericHost(const std::optional<std::string>& bundle, std::string_view owner) {
    if (bundle && *bundle == controlCenterBundleIdentifier) return true;
    if (isGenericHostOwnerName(owner)) return true;
    const std::string trimmedOwner = platform::Text::trimmed(owner);
    // Control Center's localized name ("Kontrollzentrum") names it too.
    if (!platform::services().workspace) return false;
    const auto hosts = platform::workspace().runningApplications(std::string(controlCenterBundleIdentifier));
    if (hosts.empty() || !hosts.front().localizedName) return false;
    return platform::Text::caseInsensitiveEquals(trimmedOwner, *hosts.front().localizedName);
}

std::vector<std::string> meaningfulTokens(std::string_view text) {
    std::vector<std::string> pieces = platform::Text::splitOnNonAlphanumerics(platform::Text::lowercased(text));
    std::erase_if(pieces, [](const std::string& piece) {
        return platform::Text::characterCount(piece) < 4 ||
               std::find(kStopWords.begin(), kStopWords.end(), piece) != kStopWords.end();
    });
    return pieces;
}

Names::Names(const MenuBarItemID& id)
    : Names(id.title ? std::string_view(*id.title) : std::string_view{},
            id.ownerName ? std::string_view(*id.ownerName) : std::string_view{}) {}

const std::vector<std::string>& Names::tokens(size_t i) const {
    const Name& name = names_[i];
    if (!name.tokens) name.tokens = meaningfulTokens(name.text);
    return *name.tokens;
}

bool namesOverlap(const MenuBarItemID& id, std::string_view title, std::string_view owner) {
    // An absent stored name and an empty one both take part in no pair.
    if (!id.title && !id.ownerName) return false;
    return namesOverlap(Names(id), Names(title, owner));
}

bool namesOverlap(const Names& stored, const Names& live) {
    for (size_t s = 0; s < 2; ++s) {
        const std::string_view storedName = stored.text(s);
        if (storedName.empty()) continue;
        for (size_t g = 0; g < 2; ++g) {
            const std::string_view liveName = live.text(g);
            if (liveName.empty()) continue;
            if (platform::Text::caseInsensitiveEquals(storedName, liveName)) return true;
            if (someTokenContained(stored.tokens(s), liveName)) return true;
            if (someTokenContained(live.tokens(g), storedName)) return true;
        }
    }
    return false;
}

double xOverlap(const platform::Rect& a, const platform::Rect& b) {
    const double overlap = std::min(a.maxX(), b.maxX()) - std::max(a.minX(), b.minX());
    const double span = std::max(a.maxX(), b.maxX()) - std::min(a.minX(), b.minX());
    return span > 0 ? std::max(overlap, 0.0) / span : 0;
}

}  // namespace tessivane::MenuBarIdentity
