#pragma once
#include <cstdint>
#include <limits>
#include <optional>

#include "platform/Geometry.h"

namespace ui {

using platform::Point;
using platform::Rect;
using platform::Size;

// "As large as offered" in frames (maxWidth = infinity).
inline constexpr double infinity = std::numeric_limits<double>::infinity();

enum class HorizontalAlignment { leading, center, trailing };
enum class VerticalAlignment { top, center, bottom, firstTextBaseline };
enum class Alignment { topLeading, top, topTrailing, leading, center, trailing, bottomLeading, bottom, bottomTrailing };
enum class TextAlignment { leading, center, trailing };
enum class LayoutDirection { leftToRight, rightToLeft };
enum class Axis { horizontal, vertical };
enum class Axes { horizontal = 1, vertical = 2, both = 3 };

// Edges of a rectangle, combinable: Edges::horizontal | Edges::top.
enum class Edges : uint8_t {
    none = 0,
    top = 1,
    leading = 2,
    bottom = 4,
    trailing = 8,
    horizontal = 2 | 8,
    vertical = 1 | 4,
    all = 15,
};
constexpr Edges operator|(Edges a, Edges b) { return static_cast<Edges>(static_cast<uint8_t>(a) | static_cast<uint8_t>(b)); }
constexpr bool contains(Edges set, Edges e) { return (static_cast<uint8_t>(set) & static_cast<uint8_t>(e)) == static_cast<uint8_t>(e); }

struct EdgeInsets {
    double top = 0, leading = 0, bottom = 0, trailing = 0;
    static EdgeInsets of(Edges edges, double amount);
    double horizontal() const { return leading + trailing; }
    double vertical() const { return top + bottom; }
    bool operator==(const EdgeInsets&) const = default;
};

// The arguments of `frame`: fixed sizes, or flexible bounds (maxWidth = infinity fills the
// width offered), and how the content sits inside. Designated initialisers must follow
// this order: {.width, .height, .minWidth, .idealWidth, .maxWidth, .minHeight, .idealHeight,
// .maxHeight, .alignment}.
struct Frame {
    std::optional<double> width;
    std::optional<double> height;
    std::optional<double> minWidth;
    std::optional<double> idealWidth;
    std::optional<double> maxWidth;
    std::optional<double> minHeight;
    std::optional<double> idealHeight;
    std::optional<double> maxHeight;
    Alignment alignment = Alignment::center;
    bool operator==(const Frame&) const = default;
};

// A column of a lazy grid.
struct GridItem {
    enum class Kind { fixed, flexible, adaptive };
    Kind kind = Kind::flexible;
    double minimum = 10;
    double maximum = infinity;
    std::optional<double> spacing;
    static GridItem fixed(double width) { return {Kind::fixed, width, width, std::nullopt}; }
    static GridItem flexible(double minimum = 10, double maximum = infinity) { return {Kind::flexible, minimum, maximum, std::nullopt}; }
    static GridItem adaptive(double minimum, double maximum = infinity) { return {Kind::adaptive, minimum, maximum, std::nullopt}; }
    GridItem spaced(double s) const { GridItem g = *this; g.spacing = s; return g; }
};

const char* name(HorizontalAlignment a);
const char* name(VerticalAlignment a);
const char* name(Alignment a);
const char* name(TextAlignment a);
const char* name(LayoutDirection d);

}  // namespace ui
