#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Color.h"
#include "platform/Geometry.h"

namespace platform {

// Straight (not premultiplied) RGBA pixels, row by row.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

enum class SymbolWeight { ultraLight, thin, light, regular, medium, semibold, bold, heavy, black };

// An image as AppKit hands it around: a size in points, a template flag (drawn in the
// colour of where it is shown) and its content, which is one of a system symbol, a named
// asset of the bundle, or pixels. The simulated desktop and the display draw it; nothing
// here rasterizes symbols.
class Image {
public:
    static Image symbol(std::string name, Size size, double pointSize = 13,
                        SymbolWeight weight = SymbolWeight::regular);
    static Image asset(std::string name, Size size);
    static Image pixels(std::shared_ptr<const Bitmap> bitmap, Size size);
    // Reads PNG, JPEG, GIF, TIFF, BMP, ICO, ICNS or SVG, as ImageDecoder::decode does: in a
    // process of its own, within bounds of time and memory, waiting for it. Absent when not a
    // readable and complete image, or when its header declares more than 50 million pixels
    // (refused before decoding). The main thread decodes on the BackgroundQueue instead.
    static std::optional<Image> fromFile(const std::filesystem::path& path);

    Size size() const { return size_; }
    void setSize(Size s) { size_ = s; }
    bool isTemplate() const { return isTemplate_; }
    void setTemplate(bool t) { isTemplate_ = t; }
    const std::optional<Color>& tint() const { return tint_; }
    void setTint(std::optional<Color> c) { tint_ = c; }
    const std::string& accessibilityDescription() const { return description_; }
    void setAccessibilityDescription(std::string d) { description_ = std::move(d); }

    const std::string& symbolName() const { return symbolName_; }
    double symbolPointSize() const { return pointSize_; }
    SymbolWeight symbolWeight() const { return weight_; }
    const std::string& assetName() const { return assetName_; }
    const std::shared_ptr<const Bitmap>& bitmap() const { return bitmap_; }
    bool isSymbol() const { return !symbolName_.empty(); }
    bool isAsset() const { return !assetName_.empty(); }
    bool isBitmap() const { return bitmap_ != nullptr; }

    // A new bitmap image of `size` points with the whole bitmap stretched into it
    // (pixels at 2 per point). Symbols and assets keep their content at the new size.
    Image scaled(Size size) const;
    // PNG bytes of a bitmap image (for the display); empty for other kinds.
    std::vector<uint8_t> pngData() const;

    bool operator==(const Image& o) const;

private:
    Size size_;
    bool isTemplate_ = false;
    std::optional<Color> tint_;
    std::string description_;
    std::string symbolName_;
    double pointSize_ = 13;
    SymbolWeight weight_ = SymbolWeight::regular;
    std::string assetName_;
    std::shared_ptr<const Bitmap> bitmap_;
};

}  // namespace platform
