#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/DiscoveredMenuBarItem.h"
#include "model/EnvironmentProfile.h"
#include "model/IconGroup.h"
#include "model/MenuBarItemID.h"
#include "platform/Signal.h"
#include "platform/UUID.h"

namespace tessivane {

// The user's environments and vossels for the whole run. Loads them at launch (migrating
// the older single list of groups, or creating "Work" and "Home" on a first run) and saves
// after every change; group operations act on the active environment only and do nothing,
// without saving, while no environment is active. Main thread only.
class GroupStore : public platform::ObservableObject {
public:
    inline static const std::string environmentsKey = "Tessivane.Environments";
    inline static const std::string activeEnvironmentKey = "Tessivane.ActiveEnvironment";
    inline static const std::string legacyGroupsKey = "Tessivane.Groups";
    // Where load() keeps stored environments it could not read before they are replaced.
    inline static const std::string unreadableEnvironmentsKey = "Tessivane.Environments.Unreadable";

    GroupStore() = default;
    GroupStore(const GroupStore&) = delete;
    GroupStore& operator=(const GroupStore&) = delete;

    platform::Published<std::vector<EnvironmentProfile>> environments{*this, {}};
    platform::Published<std::optional<platform::UUID>> activeEnvironmentID{*this, std::nullopt};

    // The environments as they stand, one copy shared until they next change: what a view
    // watches for changes at every render, where a copy of every vossel each time would do.
    struct Snapshot {
        std::shared_ptr<const std::vector<EnvironmentProfile>> environments;
        bool operator==(const Snapshot& other) const {
            return environments == other.environments || *environments == *other.environments;
        }
    };
    Snapshot snapshot() const;

    void load();
    // Whether the environments could be encoded and were written.
    bool save();

    // The active environment's vossels; empty when none is active. The reference is valid
    // until the next change of `environments`.
    const std::vector<IconGroup>& groups() const;
    // The active environment, or null; valid until the next change of `environments`.
    const EnvironmentProfile* activeEnvironment() const;

    // Ids and identities are taken by value: callers often pass one read from the store
    // itself, which the operation then changes.
    void createGroup(const std::string& name, const std::string& symbolName,
                     const std::optional<std::string>& symbolColorHex,
                     const std::optional<std::string>& customIconFilename, platform::UUID id);
    void updateGroup(platform::UUID id, const std::string& name, const std::string& symbolName,
                     const std::string& symbolColorHex, const std::optional<std::string>& customIconFilename);
    // Adds the icon to the vossel (taking it out of every other vossel of the environment),
    // or removes its first matching member when the vossel already holds it.
    void toggleMember(MenuBarItemID item, platform::UUID groupID);
    void setGroupVisible(platform::UUID id, bool visible);
    void deleteGroup(platform::UUID id);
    // For each icon, the first vossel of the active environment with a member that is the same
    // icon, or null; each member's names are made once for all the icons. Valid until the next
    // change of `environments`.
    std::vector<const IconGroup*> groupsContaining(const std::vector<const MenuBarItemID*>& itemIDs) const;
    // Refreshes window number, bundle identifier and left edge of the active environment's
    // members from the live icons, matched from the live icon's side.
    void captureLiveWindows(const std::vector<DiscoveredMenuBarItem>& items);

    void switchEnvironment(platform::UUID id);
    void createEnvironment(const std::string& name);
    void renameEnvironment(platform::UUID id, const std::string& name);
    void deleteEnvironment(platform::UUID id);

private:
    mutable std::shared_ptr<const std::vector<EnvironmentProfile>> snapshot_;
    platform::Subscription snapshotReset_ = environments.changes.connect([this](const auto&) { snapshot_.reset(); });

    // Index of the first environment with the active id.
    std::optional<size_t> activeIndex() const;
    // Applies a change to the active environment's vossels in place and saves; nothing at
    // all when no environment is active.
    void mutateActiveGroups(const std::function<void(std::vector<IconGroup>&)>& change);
    // Keeps a stored value that no longer reads as environments before it is overwritten.
    void preserveUnreadable(const platform::PropertyValue& stored);
};

}  // namespace tessivane
