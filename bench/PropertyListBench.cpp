// Reading and writing a preferences file of the size the application keeps: a data value of
// the environments (the argument, in kilobytes) beside a few hundred small values. Every
// change of a value writes the whole file; every launch reads it.
#include <benchmark/benchmark.h>

#include <plist/plist.h>

#include <cstdlib>
#include <string>

#include "BenchPlatform.h"
#include "platform/FileLocations.h"
#include "platform/PropertyList.h"

namespace {

platform::PropertyDictionary preferences(int64_t kilobytes) {
    platform::PropertyDictionary values;
    values["Environments"] = platform::Data(static_cast<size_t>(kilobytes) * 1024, '{');
    for (int i = 0; i < 300; ++i) {
        values["NSStatusItem Preferred Position Vossel-" + std::to_string(i)] = 100.0 + i;
        values["Flag " + std::to_string(i)] = i % 2 == 0;
    }
    values["LastSent"] = platform::Date::sinceReference(786543210.123456);
    return values;
}

std::filesystem::path benchFile(const char* name) {
    bench::preparePlatform();
    return platform::FileLocations::preferences() / name;
}

void BM_WritePreferences(benchmark::State& state) {
    const auto file = benchFile("com.example.write.plist");
    const auto values = preferences(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(platform::PropertyList::writeDictionary(file, values));
}
BENCHMARK(BM_WritePreferences)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_ReadPreferences(benchmark::State& state) {
    const auto file = benchFile("com.example.read.plist");
    platform::PropertyList::writeDictionary(file, preferences(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(platform::PropertyList::readDictionary(file));
}
BENCHMARK(BM_ReadPreferences)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

// A file stored as XML by an earlier version (made here with libplist), read by the XML reader.
void BM_ReadXMLPreferences(benchmark::State& state) {
    const auto file = benchFile("com.example.xml.plist");
    platform::PropertyList::writeDictionary(file, preferences(state.range(0)));
    std::string bytes;
    {
        std::FILE* in = std::fopen(file.c_str(), "rb");
        char buffer[65536];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) bytes.append(buffer, n);
        std::fclose(in);
    }
    plist_t root = nullptr;
    plist_from_bin(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    const std::string text(xml, length);
    plist_to_xml_free(xml);
    plist_free(root);
    for (auto _ : state) benchmark::DoNotOptimize(platform::PropertyList::parseDictionary(text));
}
BENCHMARK(BM_ReadXMLPreferences)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
