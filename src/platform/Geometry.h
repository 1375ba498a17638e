#pragma once
#include <algorithm>
#include <cmath>

namespace platform {

// Points and rectangles in points. Which way y runs depends on the coordinate space the
// caller works in: AppKit space (origin bottom left of the zero screen, y up) or window
// server space (origin top left of that screen, y down). The types do not know.
struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    Point origin;
    Size size;

    Rect() = default;
    Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}
    Rect(Point o, Size s) : origin(o), size(s) {}

    double minX() const { return origin.x; }
    double minY() const { return origin.y; }
    double maxX() const { return origin.x + size.width; }
    double maxY() const { return origin.y + size.height; }
    double midX() const { return origin.x + size.width / 2; }
    double midY() const { return origin.y + size.height / 2; }
    double width() const { return size.width; }
    double height() const { return size.height; }
    bool isEmpty() const { return size.width <= 0 || size.height <= 0; }
    bool contains(Point p) const {
        return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
    }
    bool intersects(const Rect& o) const {
        return minX() < o.maxX() && o.minX() < maxX() && minY() < o.maxY() && o.minY() < maxY();
    }
    Rect intersection(const Rect& o) const {
        double x0 = std::max(minX(), o.minX()), y0 = std::max(minY(), o.minY());
        double x1 = std::min(maxX(), o.maxX()), y1 = std::min(maxY(), o.maxY());
        if (x1 <= x0 || y1 <= y0) return Rect{};
        return Rect{x0, y0, x1 - x0, y1 - y0};
    }
    Rect insetBy(double dx, double dy) const {
        return Rect{origin.x + dx, origin.y + dy, size.width - 2 * dx, size.height - 2 * dy};
    }
    bool operator==(const Rect&) const = default;
};

}  // namespace platform
