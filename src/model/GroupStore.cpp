#include "model/GroupStore.h"

#include <algorithm>

#include "model/CustomGroupIconStore.h"
#include "model/GenericHostMemo.h"
#include "model/MemberNames.h"
#include "model/MenuBarIdentity.h"
#include "model/UITestLaunch.h"
#include "platform/Text.h"

namespace tessivane {

using platform::UUID;

namespace {

std::vector<EnvironmentProfile> freshEnvironments(std::vector<IconGroup> workGroups) {
    return {EnvironmentProfile{UUID::random(), "Work", std::move(workGroups)},
            EnvironmentProfile{UUID::random(), "Home", {}}};
}

IconGroup* firstGroup(std::vector<IconGroup>& groups, UUID id) {
    auto it = std::find_if(groups.begin(), groups.end(), [&](const IconGroup& g) { return g.id == id; });
    return it == groups.end() ? nullptr : &*it;
}

}  // namespace

// --- loading and saving

void GroupStore::load() {
    const auto defaults = UITestLaunch::defaults();

    if (const auto stored = defaults->object(environmentsKey)) {
        const platform::Data* data = stored->asData();
        auto decoded = data ? EnvironmentProfile::decodeList(*data) : std::nullopt;
        if (decoded && !decoded->empty()) {
            std::optional<UUID> active;
            if (const auto text = defaults->stringForKey(activeEnvironmentKey)) active = UUID::parse(*text);
            // An id that names none of the environments (only an outside edit makes one)
            // would leave nothing active; the first environment is the sensible choice.
            const bool known = active && std::any_of(decoded->begin(), decoded->end(),
                                                     [&](const EnvironmentProfile& e) { return e.id == *active; });
            if (!known) active = decoded->front().id;
            environments = std::move(*decoded);
            activeEnvironmentID = active;
            save();
            return;
        }
        // Every path below ends in a save over this entry; keep what could not be read.
        if (!decoded) preserveUnreadable(*stored);
    }

    if (const auto legacy = defaults->object(legacyGroupsKey)) {
        const platform::Data* data = legacy->asData();
        if (auto groups = data ? IconGroup::decodeList(*data) : std::nullopt) {
            environments = freshEnvironments(std::move(*groups));
            activeEnvironmentID = environments->front().id;
            // Only once the migrated vossels are stored is the old entry let go.
            if (save()) defaults->removeObject(legacyGroupsKey);
            return;
        }
    }

    environments = freshEnvironments({});
    activeEnvironmentID = environments->front().id;
    save();
}

bool GroupStore::save() {
    auto data = EnvironmentProfile::encodeList(environments.get());
    if (!data) return false;
    const auto defaults = UITestLaunch::defaults();
    defaults->set(environmentsKey, std::move(*data));
    if (const auto& active = activeEnvironmentID.get()) defaults->set(activeEnvironmentKey, active->uuidString());
    return true;
}

void GroupStore::preserveUnreadable(const platform::PropertyValue& stored) {
    const auto defaults = UITestLaunch::defaults();
    if (const auto kept = defaults->object(unreadableEnvironmentsKey); kept && *kept == stored) return;
    defaults->set(unreadableEnvironmentsKey, stored);
}

// --- reading

std::optional<size_t> GroupStore::activeIndex() const {
    const auto& active = activeEnvironmentID.get();
    if (!active) return std::nullopt;
    const auto& list = environments.get();
    auto it = std::find_if(list.begin(), list.end(), [&](const EnvironmentProfile& e) { return e.id == *active; });
    if (it == list.end()) return std::nullopt;
    return static_cast<size_t>(it - list.begin());
}

const EnvironmentProfile* GroupStore::activeEnvironment() const {
    const auto index = activeIndex();
    return index ? &environments.get()[*index] : nullptr;
}

GroupStore::Snapshot GroupStore::snapshot() const {
    if (!snapshot_) snapshot_ = std::make_shared<const std::vector<EnvironmentProfile>>(environments.get());
    return Snapshot{snapshot_};
}

const std::vector<IconGroup>& GroupStore::groups() const {
    static const std::vector<IconGroup> none;
    const EnvironmentProfile* environment = activeEnvironment();
    return environment ? environment->groups : none;
}

std::vector<const IconGroup*> GroupStore::groupsContaining(const std::vector<const MenuBarItemID*>& itemIDs) const {
    std::vector<const IconGroup*> holders(itemIDs.size(), nullptr);
    GenericHostMemo hosts;
    std::vector<MenuBarIdentity::Names> itemNames;
    itemNames.reserve(itemIDs.size());
    for (const MenuBarItemID* id : itemIDs) itemNames.push_back(MemberNames::stored(*id, hosts));
    size_t open = itemIDs.size();
    // Vossels and members in their order, so that each icon gets the first that holds it.
    for (const auto& group : groups()) {
        for (const auto& member : group.memberIDs) {
            if (open == 0) return holders;
            const MenuBarIdentity::Names memberNames = MemberNames::stored(member, hosts);
            for (size_t i = 0; i < itemIDs.size(); ++i) {
                if (holders[i] || !member.isSameMember(*itemIDs[i], memberNames, itemNames[i], hosts)) continue;
                holders[i] = &group;
                --open;
            }
        }
    }
    return holders;
}

// --- vossels

void GroupStore::mutateActiveGroups(const std::function<void(std::vector<IconGroup>&)>& change) {
    const auto index = activeIndex();
    if (!index) return;
    environments.modify([&](std::vector<EnvironmentProfile>& list) { change(list[*index].groups); });
    save();
}

void GroupStore::createGroup(const std::string& name, const std::string& symbolName,
                             const std::optional<std::string>& symbolColorHex,
                             const std::optional<std::string>& customIconFilename, UUID id) {
    std::string trimmed = platform::Text::trimmed(name);
    if (trimmed.empty()) return;
    mutateActiveGroups([&](std::vector<IconGroup>& groups) {
        groups.push_back(IconGroup{id, std::move(trimmed), symbolName, symbolColorHex.value_or(""),
                                   customIconFilename, {}, true});
    });
}

void GroupStore::updateGroup(UUID id, const std::string& name, const std::string& symbolName,
                             const std::string& symbolColorHex,
                             const std::optional<std::string>& customIconFilename) {
    std::string trimmed = platform::Text::trimmed(name);
    if (trimmed.empty()) return;
    mutateActiveGroups([&](std::vector<IconGroup>& groups) {
        IconGroup* group = firstGroup(groups, id);
        if (!group) return;
        const std::optional<std::string> previousFile = group->customIconFilename;
        group->name = std::move(trimmed);
        group->symbolName = symbolName;
        group->symbolColorHex = symbolColorHex;
        group->customIconFilename = customIconFilename;
        if (previousFile && previousFile != customIconFilename) CustomGroupIconStore::shared().deleteFile(previousFile);
    });
}

void GroupStore::toggleMember(MenuBarItemID item, UUID groupID) {
    mutateActiveGroups([&](std::vector<IconGroup>& groups) {
        IconGroup* target = firstGroup(groups, groupID);
        if (!target) return;
        auto& members = target->memberIDs;
        auto existing = std::find_if(members.begin(), members.end(),
                                     [&](const MenuBarItemID& m) { return m.isSameMember(item); });
        if (existing != members.end()) {
            members.erase(existing);
            return;
        }
        // An icon belongs to at most one vossel: adding it takes it out of the others.
        for (auto& group : groups) {
            std::erase_if(group.memberIDs, [&](const MenuBarItemID& m) { return m.isSameMember(item); });
        }
        target->memberIDs.push_back(item);
    });
}

void GroupStore::setGroupVisible(UUID id, bool visible) {
    mutateActiveGroups([&](std::vector<IconGroup>& groups) {
        if (IconGroup* group = firstGroup(groups, id)) group->isVisibleInMenuBar = visible;
    });
}

void GroupStore::deleteGroup(UUID id) {
    const auto& current = groups();
    auto it = std::find_if(current.begin(), current.end(), [&](const IconGroup& g) { return g.id == id; });
    if (it == current.end()) return;
    if (it->customIconFilename) CustomGroupIconStore::shared().deleteFile(it->customIconFilename);
    mutateActiveGroups([&](std::vector<IconGroup>& groups) {
        std::erase_if(groups, [&](const IconGroup& g) { return g.id == id; });
    });
}

void GroupStore::captureLiveWindows(const std::vector<DiscoveredMenuBarItem>& items) {
    if (!activeIndex()) return;

    // What each live icon contributes is the same for every member: work it out once.
    // The host rule asks the workspace at most once per owner name for the whole pass.
    GenericHostMemo hosts;
    struct Live {
        const DiscoveredMenuBarItem* item;
        MenuBarIdentity::Names names;
        bool isOwn;
        bool isGenericHost;
    };
    std::vector<Live> live;
    live.reserve(items.size());
    for (const auto& item : items) {
        live.push_back(Live{&item, MemberNames::live(item.title, item.ownerName, hosts),
                            MenuBarIdentity::isSelf(item.bundleIdentifier, item.ownerName),
                            hosts.isGenericHost(item.bundleIdentifier, item.ownerName)});
    }

    // Worked out on a copy: every discovery cycle refreshes, and mostly nothing moved. Only a
    // real change is announced (views redraw) and stored.
    std::vector<IconGroup> refreshed = groups();
    for (auto& group : refreshed) {
        for (auto& member : group.memberIDs) {
            const MenuBarIdentity::Names memberNames = MemberNames::stored(member, hosts);
            auto match = std::find_if(live.begin(), live.end(), [&](const Live& l) {
                if (l.isOwn) return false;
                const auto& bundle = l.item->bundleIdentifier;
                if (member.bundleIdentifier && bundle && *member.bundleIdentifier == *bundle && !l.isGenericHost) {
                    return true;
                }
                return MenuBarIdentity::namesOverlap(memberNames, l.names);
            });
            if (match == live.end()) continue;
            const DiscoveredMenuBarItem& item = *match->item;
            if (item.windowID != 0) member.windowID = item.windowID;
            if (item.bundleIdentifier && !match->isGenericHost) member.bundleIdentifier = item.bundleIdentifier;
            member.frameMinX = item.frame.minX();
        }
    }
    if (refreshed == groups()) return;
    mutateActiveGroups([&](std::vector<IconGroup>& groups) { groups = std::move(refreshed); });
}

// --- environments

void GroupStore::switchEnvironment(UUID id) {
    const auto& list = environments.get();
    if (std::none_of(list.begin(), list.end(), [&](const EnvironmentProfile& e) { return e.id == id; })) return;
    activeEnvironmentID = id;
    save();
}

void GroupStore::createEnvironment(const std::string& name) {
    std::string trimmed = platform::Text::trimmed(name);
    if (trimmed.empty()) return;
    const UUID id = UUID::random();
    environments.modify([&](std::vector<EnvironmentProfile>& list) {
        list.push_back(EnvironmentProfile{id, std::move(trimmed), {}});
    });
    activeEnvironmentID = id;
    save();
}

void GroupStore::renameEnvironment(UUID id, const std::string& name) {
    std::string trimmed = platform::Text::trimmed(name);
    if (trimmed.empty()) return;
    const auto& list = environments.get();
    auto it = std::find_if(list.begin(), list.end(), [&](const EnvironmentProfile& e) { return e.id == id; });
    if (it == list.end()) return;
    const size_t index = static_cast<size_t>(it - list.begin());
    environments.modify([&](std::vector<EnvironmentProfile>& all) { all[index].name = std::move(trimmed); });
    save();
}

void GroupStore::deleteEnvironment(UUID id) {
    const auto& list = environments.get();
    if (list.size() < 2) return;
    auto it = std::find_if(list.begin(), list.end(), [&](const EnvironmentProfile& e) { return e.id == id; });
    if (it != list.end()) {
        for (const auto& group : it->groups) {
            if (group.customIconFilename) CustomGroupIconStore::shared().deleteFile(group.customIconFilename);
        }
    }
    environments.modify([&](std::vector<EnvironmentProfile>& all) {
        std::erase_if(all, [&](const EnvironmentProfile& e) { return e.id == id; });
    });
    if (activeEnvironmentID.get() == id) {
        const auto& remaining = environments.get();
        activeEnvironmentID = remaining.empty() ? std::nullopt : std::optional<UUID>(remaining.front().id);
    }
    save();
}

}  // namespace tessivane
