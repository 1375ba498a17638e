#include "model/GenericHostMemo.h"

#include "model/MenuBarIdentity.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "platform/Workspace.h"

namespace tessivane {

namespace {
thread_local GenericHostMemo* scopeMemo = nullptr;
}  // namespace

GenericHostMemo::Scope::Scope() {
    if (scopeMemo) return;  // the outermost scope's memory serves until it ends
    memo_ = std::make_unique<GenericHostMemo>();
    scopeMemo = memo_.get();
}

GenericHostMemo::Scope::~Scope() {
    if (memo_) scopeMemo = nullptr;
}

bool GenericHostMemo::isGenericHost(const std::optional<std::string>& bundle, std::string_view owner) {
    if (bundle && *bundle == MenuBarIdentity::controlCenterBundleIdentifier) return true;
    return ownerIsGenericHost(owner);
}

bool GenericHostMemo::ownerIsGenericHost(std::string_view owner) {
    if (scopeMemo && scopeMemo != this) return scopeMemo->ownerIsGenericHost(owner);
    if (auto it = owners_.find(owner); it != owners_.end()) return it->second;
    const std::string trimmed = platform::Text::trimmed(owner);
    bool generic = MenuBarIdentity::isGenericHostOwnerName(trimmed);
    if (!generic) {
        if (!controlCenterName_) {
            std::optional<std::string> name;
            if (platform::services().workspace) {
                auto hosts = platform::workspace().runningApplications(
                    std::string(MenuBarIdentity::controlCenterBundleIdentifier));
                if (!hosts.empty()) name = std::move(hosts.front().localizedName);
            }
            controlCenterName_ = std::move(name);
        }
        generic = *controlCenterName_ && platform::Text::caseInsensitiveEquals(trimmed, **controlCenterName_);
    }
    owners_.emplace(std::string(owner), generic);
    return generic;
}

}  // namespace tessivane
