// A user-defaults property-list file with any bytes in it: reading the domain never crashes;
// whatever the domain then holds is written back and read again unchanged, so a value once
// read can never make the domain's file unreadable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "BenchPlatform.h"
#include "platform/FileLocations.h"
#include "platform/PreferenceDomain.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

namespace {

constexpr const char* kDomain = "com.example.fuzzed";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    bench::preparePlatform();
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    (void)platform::PropertyList::parseDictionary(text);

    platform::resetPreferenceDomainsForTesting();
    const auto domain = platform::PreferenceDomain::named(kDomain);
    {
        std::ofstream out(domain->file(), std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    platform::UserDefaults defaults(kDomain);
    (void)defaults.boolForKey("Flag");
    (void)defaults.integerForKey("Count");
    (void)defaults.doubleForKey("Ratio");
    (void)defaults.stringForKey("Name");
    (void)defaults.arrayForKey("List");
    (void)defaults.dictionaryForKey("Table");
    const auto contents = domain->contents();
    if (!contents) return 0;

    // Writing any value makes the domain write its file; it must read back as it was.
    defaults.set("Tessivane.FuzzMarker", true);
    auto expected = *contents;
    expected.insert_or_assign("Tessivane.FuzzMarker", platform::PropertyValue(true));
    const auto reread = platform::PropertyList::readDictionary(domain->file());
    if (!reread) std::abort();
    if (platform::PropertyList::xml(*reread) != platform::PropertyList::xml(expected)) std::abort();
    return 0;
}
