// The stored environments as any bytes: decoding never crashes, whatever decodes encodes and
// decodes again to the same environments, and loading the store from such a value always
// leaves an active environment and never drops the stored bytes it could not read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "BenchPlatform.h"
#include "model/EnvironmentProfile.h"
#include "model/GroupStore.h"
#include "model/IconGroup.h"
#include "model/UITestLaunch.h"
#include "platform/UserDefaults.h"

using tessivane::EnvironmentProfile;
using tessivane::GroupStore;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    bench::preparePlatform();
    const platform::Data data(bytes, bytes + size);

    const auto decoded = EnvironmentProfile::decodeList(data);
    if (decoded) {
        const auto encoded = EnvironmentProfile::encodeList(*decoded);
        if (!encoded) std::abort();  // read from JSON, so JSON can hold it
        const auto again = EnvironmentProfile::decodeList(*encoded);
        if (!again || *again != *decoded) std::abort();
    }
    // The older single list of vossels is read by the same rules.
    (void)tessivane::IconGroup::decodeList(data);

    // The same bytes as the stored value of a launch, in turn as the environments and as
    // the legacy list of groups.
    const auto defaults = tessivane::UITestLaunch::defaults();
    for (const std::string& key : {GroupStore::environmentsKey, GroupStore::legacyGroupsKey}) {
        defaults->setPersistentDomain({{key, platform::PropertyValue(data)}}, defaults->domainName());
        GroupStore store;
        store.load();
        if (store.environments->empty() || !store.activeEnvironment()) std::abort();
        if (key == GroupStore::environmentsKey && !decoded) {
            const auto kept = defaults->dataForKey(GroupStore::unreadableEnvironmentsKey);
            if (!kept || *kept != data) std::abort();
        }
    }
    return 0;
}
