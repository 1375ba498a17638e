#pragma once
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/Image.h"
#include "ui/Color.h"
#include "ui/Node.h"
#include "ui/View.h"

// The building blocks of view bodies. A body reads top to bottom like the layout it draws:
//
//     return VStack({.alignment = HorizontalAlignment::leading, .spacing = 0},
//                Text("Tessivane").font(Font::system(13, Weight::semibold)),
//                Divider(),
//                Button("Quit", [this] { onQuit_(); }))
//         .frame({.width = 260});
namespace ui {

namespace detail {
inline void append(std::vector<Node>& out, Node n) { out.push_back(std::move(n)); }
inline void append(std::vector<Node>& out, std::vector<Node> list) {
    for (auto& n : list) out.push_back(std::move(n));
}
template <class V, class = std::enable_if_t<std::is_base_of_v<View, V>>>
void append(std::vector<Node>& out, std::shared_ptr<V> v) {
    out.push_back(Node(std::shared_ptr<View>(std::move(v))));
}
template <class... C>
std::vector<Node> collect(C&&... children) {
    std::vector<Node> out;
    out.reserve(sizeof...(children));
    (append(out, std::forward<C>(children)), ...);
    return out;
}
Node container(NodeKind kind, std::vector<Node> children);
}  // namespace detail

// --- stacks. Options come first; designated initialisers follow the field order.
struct VStackOptions {
    HorizontalAlignment alignment = HorizontalAlignment::center;
    std::optional<double> spacing;
};
struct HStackOptions {
    VerticalAlignment alignment = VerticalAlignment::center;
    std::optional<double> spacing;
};
struct ZStackOptions {
    Alignment alignment = Alignment::center;
};

Node VStack(VStackOptions options, std::vector<Node> children);
Node HStack(HStackOptions options, std::vector<Node> children);
Node ZStack(ZStackOptions options, std::vector<Node> children);
template <class... C>
Node VStack(VStackOptions options, C&&... children) {
    return VStack(options, detail::collect(std::forward<C>(children)...));
}
template <class... C>
Node HStack(HStackOptions options, C&&... children) {
    return HStack(options, detail::collect(std::forward<C>(children)...));
}
template <class... C>
Node ZStack(ZStackOptions options, C&&... children) {
    return ZStack(options, detail::collect(std::forward<C>(children)...));
}
template <class... C>
Node VStack(C&&... children) {
    return VStack(VStackOptions{}, detail::collect(std::forward<C>(children)...));
}
template <class... C>
Node HStack(C&&... children) {
    return HStack(HStackOptions{}, detail::collect(std::forward<C>(children)...));
}
template <class... C>
Node ZStack(C&&... children) {
    return ZStack(ZStackOptions{}, detail::collect(std::forward<C>(children)...));
}

// Children that belong to the enclosing stack as if written there.
template <class... C>
Node Group(C&&... children) {
    return detail::container(NodeKind::group, detail::collect(std::forward<C>(children)...));
}
inline Node Empty() { return Node(); }
// Content only when `condition` holds; the builder runs only then.
inline Node When(bool condition, const std::function<Node()>& build) { return condition ? build() : Empty(); }

// One node per element, identified by `key(element)` so that rows keep their identity (and
// their views' state) when the list changes.
template <class Collection, class KeyFn, class BuildFn>
Node ForEach(const Collection& items, KeyFn key, BuildFn build) {
    std::vector<Node> out;
    for (const auto& item : items) out.push_back(Node(build(item)).id(std::string(key(item))));
    return detail::container(NodeKind::group, std::move(out));
}
// One node per index 0..<count, identified by position.
template <class BuildFn>
Node ForEach(int count, BuildFn build) {
    std::vector<Node> out;
    for (int i = 0; i < count; ++i) out.push_back(Node(build(i)));
    return detail::container(NodeKind::group, std::move(out));
}

// --- content
Node Text(std::string text);
// Images: a system symbol (by name), an asset of the bundle, or a platform image.
struct Image {
    static Node system(std::string symbolName);
    static Node asset(std::string assetName);
    static Node of(platform::Image image);
    // Reads an image file; Empty when it is not a readable image.
    static Node file(const std::filesystem::path& path);
};
// A title with a symbol before it, or with an icon of its own (a tinted symbol, say).
Node Label(std::string title, std::string symbolName);
Node Label(std::string title, Node icon);
Node Spacer(std::optional<double> minLength = std::nullopt);
Node Divider();
// A rectangle of colour that takes the space offered.
Node Fill(platform::Color color);
Node ProgressView();                              // indeterminate
Node ProgressView(double value, double total = 1);  // determinate
// The "content unavailable" placeholder: a large symbol, a title and a description.
Node ContentUnavailable(std::string title, std::string symbolName, std::string description = {});

// --- shapes: `RoundedRectangle(8).fill(c)`, `Circle().strokeBorder(c, 2)`, `.clipShape(Capsule())`.
struct ShapeView : Shape {
    Node fill(platform::Color color) const;
    Node stroke(platform::Color color, double lineWidth = 1, std::vector<double> dash = {}) const;
    // A stroke that lies inside the shape's edge.
    Node strokeBorder(platform::Color color, double lineWidth = 1, std::vector<double> dash = {}) const;
    // The shape filled with the foreground colour.
    operator Node() const;
};
ShapeView Rectangle();
ShapeView RoundedRectangle(double cornerRadius, bool continuous = true);
ShapeView Circle();
ShapeView Capsule();
ShapeView Ellipse();

// --- controls
Node Button(std::string title, std::function<void()> action);
Node Button(std::function<void()> action, Node label);
Node Toggle(std::string title, Binding<bool> isOn);
Node Toggle(Binding<bool> isOn, Node label);
Node TextField(std::string prompt, Binding<std::string> text);
Node Link(std::string title, std::string url);

template <class T>
struct Option {
    std::string title;
    T value;
};
// A choice among options; the selection is found by equality of the values.
template <class T>
Node Picker(std::string title, Binding<T> selection, std::vector<Option<T>> options);
// A pull-down menu: a label, and items (buttons, dividers, Section(...)s, nested Menus).
Node Menu(Node label, std::vector<Node> items);
Node Menu(std::string title, std::vector<Node> items);

// --- containers
Node ScrollView(Axes axes, Node content);
inline Node ScrollView(Node content) { return ScrollView(Axes::vertical, std::move(content)); }
struct GridOptions {
    std::vector<GridItem> columns;
    HorizontalAlignment alignment = HorizontalAlignment::center;
    std::optional<double> spacing;  // between rows
};
Node LazyVGrid(GridOptions options, std::vector<Node> children);
template <class... C>
Node LazyVGrid(GridOptions options, C&&... children) {
    return LazyVGrid(std::move(options), detail::collect(std::forward<C>(children)...));
}
// A titled group of rows in a form, or of items in a menu.
Node Section(std::string header, std::vector<Node> content, std::string footer = {});
Node Form(std::vector<Node> sections);
Node List(std::vector<Node> rows);
// The first candidate that fits the space offered along `axis`, else the last.
Node ViewThatFits(Axis axis, std::vector<Node> candidates);

template <class T>
Node Picker(std::string title, Binding<T> selection, std::vector<Option<T>> options) {
    Node n(NodeKind::picker);
    auto& d = n.mut();
    d.text = std::move(title);
    auto values = std::make_shared<std::vector<T>>();
    for (auto& o : options) {
        d.options.push_back(o.title);
        values->push_back(o.value);
    }
    d.selectedIndex = [selection, values]() {
        T current = selection.get();
        for (size_t i = 0; i < values->size(); ++i) {
            if ((*values)[i] == current) return static_cast<int>(i);
        }
        return -1;
    };
    d.selectIndex = [selection, values](int i) {
        if (i >= 0 && i < static_cast<int>(values->size())) selection.set((*values)[i]);
    };
    return n;
}

}  // namespace ui
