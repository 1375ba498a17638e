// A scene file with any text in it: parsing never crashes, and a scene that parses builds a
// desktop that lays out its menu bar and describes itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include "BenchPlatform.h"
#include "desktop/Desktop.h"
#include "desktop/Scene.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    bench::preparePlatform();
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    std::string error;
    const auto scene = desktop::Scene::parse(text, error);
    if (!scene) return 0;
    desktop::Desktop desktop(*scene);
    desktop.install();
    desktop.advance(0);
    (void)desktop.dump();
    return 0;
}
