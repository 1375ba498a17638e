#include "ui/Assets.h"

#include <array>
#include <fstream>

#include "platform/Bundle.h"

namespace ui {

namespace {

// Width and height in pixels from a PNG's header chunk.
std::optional<platform::Size> pngPixelSize(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::array<unsigned char, 24> header{};
    if (!in.read(reinterpret_cast<char*>(header.data()), header.size())) return std::nullopt;
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    for (int i = 0; i < 8; ++i)
        if (header[i] != signature[i]) return std::nullopt;
    auto word = [&](int at) {
        return (uint32_t(header[at]) << 24) | (uint32_t(header[at + 1]) << 16) | (uint32_t(header[at + 2]) << 8) | header[at + 3];
    };
    return platform::Size{static_cast<double>(word(16)), static_cast<double>(word(20))};
}

}  // namespace

std::optional<platform::Image> assetImage(const std::string& name) {
    auto png = platform::Bundle::main().pathForResource(name, "png");
    if (!png) return std::nullopt;
    auto pixels = pngPixelSize(*png);
    if (!pixels || pixels->width <= 0 || pixels->height <= 0) return std::nullopt;
    return platform::Image::asset(name, platform::Size{pixels->width / 2, pixels->height / 2});
}

std::optional<std::filesystem::path> assetFile(const std::string& name) {
    auto& bundle = platform::Bundle::main();
    if (auto svg = bundle.pathForResource(name, "svg")) return svg;
    return bundle.pathForResource(name, "png");
}

}  // namespace ui
