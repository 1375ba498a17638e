// A user-defaults property-list file with any bytes in it: reading the domain never crashes;
// whatever the domain then holds is written back and read again unchanged, so a value once
// read can never make the domain's file unreadable; and bytes that do not read are kept aside,
// exactly as they were, before the domain's next write.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "BenchPlatform.h"
#include "platform/BinaryPropertyList.h"
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
    if (!contents) {
        defaults.set("Tessivane.FuzzMarker", true);
        std::vector<std::filesystem::path> aside;
        for (const auto& entry : std::filesystem::directory_iterator(domain->file().parent_path())) {
            if (entry.path() != domain->file()) aside.push_back(entry.path());
        }
        if (text.empty() ? !aside.empty() : aside.size() != 1) std::abort();
        for (const auto& file : aside) {
            std::ifstream in(file, std::ios::binary);
            if (std::string(std::istreambuf_iterator<char>(in), {}) != text) std::abort();
            std::filesystem::remove(file);
        }
        const auto written = platform::PropertyList::readDictionary(domain->file());
        if (!written || written->size() != 1) std::abort();
        return 0;
    }

    // Writing any value makes the domain write its file; it must read back as it was.
    defaults.set("Tessivane.FuzzMarker", true);
    auto expected = *contents;
    expected.insert_or_assign("Tessivane.FuzzMarker", platform::PropertyValue(true));
    const auto reread = platform::PropertyList::readDictionary(domain->file());
    if (!reread) std::abort();
    // Compared as written, bit for bit: a NaN read back is the same NaN.
    if (platform::BinaryPropertyList::write(*reread) != platform::BinaryPropertyList::write(expected)) std::abort();
    return 0;
}
