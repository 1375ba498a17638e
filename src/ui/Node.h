#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/Color.h"
#include "platform/Image.h"
#include "ui/Binding.h"
#include "ui/Boxed.h"
#include "ui/Callback.h"
#include "ui/Environment.h"
#include "ui/Font.h"
#include "ui/Geometry.h"
#include "ui/Styles.h"

namespace ui {

class View;
struct NodeData;

enum class NodeKind {
    empty,
    group,
    vstack,
    hstack,
    zstack,
    text,
    image,
    button,
    toggle,
    textField,
    picker,
    menu,
    scrollView,
    lazyVGrid,
    spacer,
    divider,
    shape,
    color,
    progress,
    contentUnavailable,
    label,
    link,
    form,
    section,
    list,
    viewThatFits,
    view,
    alert,
    popover,
};
const char* name(NodeKind kind);

// Declares a modifier twice: on an lvalue it returns a modified copy; on a temporary (the
// usual chain `Text(x).font(f).padding()`) it edits in place without copying.
#define UI_MODIFIER(...)        \
    Node __VA_ARGS__ const&;    \
    Node __VA_ARGS__&&;

// One node of a declarative view tree: a value that describes what to draw (a stack, a
// text, a button...) with its modifiers in the order they were applied. Nodes are cheap to
// copy (they share their description until one copy is modified). A view's `body()`
// returns one; the host expands the child views inside it and keeps the rendered result.
class Node {
public:
    Node();  // nothing (Empty)
    explicit Node(NodeKind kind);
    // A child view; its state survives re-renders (see View).
    Node(std::shared_ptr<View> view);
    template <class V, class = std::enable_if_t<std::is_base_of_v<View, V> && !std::is_same_v<V, View>>>
    Node(std::shared_ptr<V> view) : Node(std::shared_ptr<View>(std::move(view))) {}

    NodeKind kind() const;
    const NodeData& data() const { return *data_; }
    NodeData& mut();

    // --- layout and drawing (applied in order: padding then background differs from the reverse)
    UI_MODIFIER(padding(double amount = 16))
    UI_MODIFIER(padding(Edges edges, double amount = 16))
    UI_MODIFIER(padding(EdgeInsets insets))
    UI_MODIFIER(frame(Frame frame))
    UI_MODIFIER(frame(double width, double height, Alignment alignment = Alignment::center))
    UI_MODIFIER(background(platform::Color color))
    UI_MODIFIER(background(platform::Color color, Shape in))
    UI_MODIFIER(background(Node content, Alignment alignment = Alignment::center))
    UI_MODIFIER(overlay(Node content, Alignment alignment = Alignment::center))
    UI_MODIFIER(border(platform::Color color, double width = 1))
    UI_MODIFIER(cornerRadius(double radius))
    UI_MODIFIER(clipShape(Shape shape))
    UI_MODIFIER(contentShape(Shape shape))
    UI_MODIFIER(shadow(Shadow shadow))
    UI_MODIFIER(opacity(double value))
    UI_MODIFIER(offset(double x, double y))
    UI_MODIFIER(fixedSize(bool horizontal = true, bool vertical = true))
    UI_MODIFIER(layoutPriority(double priority))
    UI_MODIFIER(zIndex(double z))
    UI_MODIFIER(ignoresSafeArea())

    // --- inherited by the subtree (the innermost setting wins, as in the environment)
    UI_MODIFIER(font(Font font))
    UI_MODIFIER(foreground(platform::Color color))
    UI_MODIFIER(tint(platform::Color color))
    UI_MODIFIER(controlSize(ControlSize size))
    UI_MODIFIER(buttonStyle(ButtonStyle style))
    UI_MODIFIER(toggleStyle(ToggleStyle style))
    UI_MODIFIER(pickerStyle(PickerStyle style))
    UI_MODIFIER(textFieldStyle(TextFieldStyle style))
    UI_MODIFIER(menuStyle(MenuStyle style))
    UI_MODIFIER(progressViewStyle(ProgressStyle style))
    UI_MODIFIER(menuIndicator(Visibility visibility))
    UI_MODIFIER(scrollIndicators(Visibility visibility))
    UI_MODIFIER(labelsHidden())
    UI_MODIFIER(layoutDirection(LayoutDirection direction))
    UI_MODIFIER(lineLimit(std::optional<int> lines))
    UI_MODIFIER(multilineTextAlignment(TextAlignment alignment))
    UI_MODIFIER(disabled(bool isDisabled = true))

    // --- text
    UI_MODIFIER(bold(bool on = true))
    UI_MODIFIER(italic(bool on = true))
    UI_MODIFIER(strikethrough(bool on = true))
    UI_MODIFIER(monospacedDigit())
    UI_MODIFIER(textSelection(bool enabled = true))

    // --- images
    UI_MODIFIER(resizable())
    UI_MODIFIER(aspectRatio(ContentMode mode))
    UI_MODIFIER(renderingMode(ImageRendering mode))
    UI_MODIFIER(symbolRenderingMode(SymbolRendering mode))
    UI_MODIFIER(interpolation(Interpolation quality))

    // --- accessibility and help
    UI_MODIFIER(help(std::string text))
    UI_MODIFIER(accessibilityIdentifier(std::string identifier))
    UI_MODIFIER(accessibilityLabel(std::string label))
    UI_MODIFIER(accessibilityHidden(bool hidden = true))
    // The subtree reads as one element whose children are combined.
    UI_MODIFIER(accessibilityCombine())

    // --- interaction
    UI_MODIFIER(role(ButtonRole role))
    UI_MODIFIER(keyboardShortcut(KeyboardShortcut shortcut))
    UI_MODIFIER(pointerCursor(Cursor cursor = Cursor::pointingHand))
    UI_MODIFIER(allowsHitTesting(bool enabled))
    UI_MODIFIER(onHover(std::function<void(bool inside)> action))
    UI_MODIFIER(onTapGesture(std::function<void()> action))
    // A right click, or a click with Control held.
    UI_MODIFIER(onSecondaryClick(std::function<void()> action))
    UI_MODIFIER(contextMenu(std::vector<Node> items))
    UI_MODIFIER(onSubmit(std::function<void()> action))
    // A text field's focus, as a focus state: true gives it the focus, false takes it away, and
    // the binding reads false once the focus went to another field.
    UI_MODIFIER(focused(Binding<bool> isFocused))
    // Runs after the node first appears in its host's tree, and after it leaves it.
    UI_MODIFIER(onAppear(std::function<void()> action))
    UI_MODIFIER(onDisappear(std::function<void()> action))
    // Work to start when the node appears (the view's task); same timing as onAppear.
    UI_MODIFIER(task(std::function<void()> action))
    // Presents a system-style alert while `isPresented` reads true; choosing one of its
    // buttons runs the button and sets `isPresented` to false.
    UI_MODIFIER(alert(std::string title, Binding<bool> isPresented, std::vector<Node> actions, std::string message = {}))
    // Presents `content` in a popover anchored to this node while `isPresented` reads true.
    UI_MODIFIER(popover(Binding<bool> isPresented, Node content))
    // The identity of the node among its siblings; a new id is a new node (state resets).
    UI_MODIFIER(id(std::string identity))

    // Runs `action` after a render in which `value` differs from the previous render's (not
    // on the first appearance). The action takes (old, new), (new) or nothing.
    template <class T, class F>
    Node onChange(const T& value, F&& action) const&;
    template <class T, class F>
    Node onChange(const T& value, F&& action) &&;

    // Applies a reusable modifier of the application's own: `.apply(settingsSurface(...))`.
    Node apply(const std::function<Node(Node)>& transform) const& { return transform(*this); }
    Node apply(const std::function<Node(Node)>& transform) && { return transform(std::move(*this)); }

    // Environment values and objects for the subtree.
    template <class Key>
    Node environment(typename Key::Value value) const&;
    template <class Key>
    Node environment(typename Key::Value value) &&;
    template <class T>
    Node environmentObject(T& object) const&;
    template <class T>
    Node environmentObject(T& object) &&;

private:
    template <class F>
    Node edit(F&& f) const& {
        Node n(*this);
        f(n.mut());
        return n;
    }
    template <class F>
    Node edit(F&& f) && {
        f(mut());
        return std::move(*this);
    }
    std::shared_ptr<NodeData> data_;
};

#undef UI_MODIFIER

// A layout or drawing modifier, kept in the order applied.
struct Modifier {
    enum class Kind {
        padding,
        frame,
        background,
        overlay,
        border,
        clipShape,
        contentShape,
        shadow,
        opacity,
        offset,
        fixedSize,
        layoutPriority,
        zIndex,
        ignoresSafeArea,
    };
    Kind kind = Kind::padding;
    EdgeInsets insets;
    Boxed<Frame> frame;  // Kind::frame: most modifiers are paddings, and a tree holds thousands
    std::optional<platform::Color> color;
    std::optional<Shape> shape;
    std::optional<Node> content;  // background or overlay node
    Alignment alignment = Alignment::center;
    double amount = 0;
    Boxed<Shadow> shadowValue;  // Kind::shadow
    Point offsetValue;
    bool horizontal = true;
    bool vertical = true;
};
const char* name(Modifier::Kind kind);

// Remembers a watched value and tells whether a later one differs.
struct ChangeWatch {
    std::shared_ptr<const void> value;
    std::function<bool(const void* previous)> equalsPrevious;
    std::function<void(const void* previous)> action;
};

struct ImageContent {
    enum class Source { symbol, asset, image };
    Source source = Source::symbol;
    std::string name;  // symbol or asset name
    std::optional<platform::Image> image;
    bool resizable = false;
    std::optional<ContentMode> contentMode;
    std::optional<ImageRendering> rendering;
    std::optional<SymbolRendering> symbolRendering;
    std::optional<Interpolation> interpolation;
};

struct AlertSpec {
    std::string title;
    std::string message;
    Binding<bool> isPresented;
    std::vector<Node> actions;
};

struct PopoverSpec {
    Binding<bool> isPresented;
    Node content;
};

// The description of one node. Fields a kind does not use stay at their defaults.
struct NodeData {
    NodeKind kind = NodeKind::empty;
    ButtonRole buttonRole = ButtonRole::none;  // beside the kind, where it takes no room of its own

    // content
    std::string text;    // text, title of button/toggle/link/label/section/menu, prompt of a field
    std::string detail;  // description (content unavailable), url (link), footer (section)
    std::string symbol;  // symbol of a label or placeholder
    Boxed<ImageContent> image;
    std::vector<Node> children;  // stack content; the label of button, toggle, menu, link
    std::vector<Node> items;     // menu items
    std::shared_ptr<View> view;  // NodeKind::view
    std::optional<double> spacing;
    HorizontalAlignment hAlignment = HorizontalAlignment::center;
    VerticalAlignment vAlignment = VerticalAlignment::center;
    Alignment alignment = Alignment::center;
    Axes axes = Axes::vertical;
    std::vector<GridItem> columns;
    std::optional<double> minLength;  // spacer
    Shape shape;
    Boxed<platform::Color> fill;
    Boxed<platform::Color> strokeColor;
    StrokeStyle stroke;
    Boxed<platform::Color> color;  // NodeKind::color
    std::optional<double> value;           // progress (absent: indeterminate)
    double total = 1;

    // controls
    Callback<void()> action;
    Binding<bool> isOn;
    Binding<std::string> textValue;
    std::vector<std::string> options;  // picker titles
    Callback<int()> selectedIndex;
    Callback<void(int)> selectIndex;

    // ordered layout and drawing modifiers
    std::vector<Modifier> modifiers;

    // inherited attributes (set on this node; they apply to the subtree)
    Boxed<Font> font;
    Boxed<platform::Color> foreground;
    Boxed<platform::Color> tint;
    std::optional<ControlSize> controlSize;
    std::optional<ButtonStyle> buttonStyle;
    std::optional<ToggleStyle> toggleStyle;
    std::optional<PickerStyle> pickerStyle;
    std::optional<TextFieldStyle> textFieldStyle;
    std::optional<MenuStyle> menuStyle;
    std::optional<ProgressStyle> progressStyle;
    std::optional<Visibility> menuIndicator;
    std::optional<Visibility> scrollIndicators;
    bool labelsHidden = false;
    bool strokeInside = false;  // a shape's stroke; kept with the flags, for room
    std::optional<LayoutDirection> layoutDirection;
    std::optional<std::optional<int>> lineLimit;
    std::optional<TextAlignment> multilineAlignment;
    bool disabled = false;
    bool bold = false, italic = false, strikethrough = false, monospacedDigit = false, textSelection = false;

    // accessibility
    std::string help;
    std::string identifier;
    std::string accessibilityLabel;
    bool accessibilityHidden = false;
    bool accessibilityCombine = false;

    // interaction
    Boxed<KeyboardShortcut> shortcut;
    std::optional<Cursor> cursor;
    bool hitTesting = true;
    Callback<void(bool)> onHover;
    Callback<void()> onTap;
    Callback<void()> onSecondaryClick;
    std::vector<Node> contextMenu;
    Callback<void()> onSubmit;
    Binding<bool> focus;
    std::vector<std::function<void()>> onAppear;
    std::vector<std::function<void()>> onDisappear;
    std::vector<ChangeWatch> changes;
    std::vector<AlertSpec> alerts;
    Boxed<PopoverSpec> popover;
    Boxed<std::string> explicitID;
    std::vector<std::function<Environment(const Environment&)>> environmentEdits;
};

template <class T>
ChangeWatch makeChangeWatch(const T& value, std::function<void(const T&, const T&)> action) {
    auto stored = std::make_shared<const T>(value);
    ChangeWatch w;
    w.value = stored;
    w.equalsPrevious = [stored](const void* previous) { return *static_cast<const T*>(previous) == *stored; };
    w.action = [stored, action = std::move(action)](const void* previous) {
        action(*static_cast<const T*>(previous), *stored);
    };
    return w;
}

template <class T, class F>
std::function<void(const T&, const T&)> changeAction(F&& f) {
    if constexpr (std::is_invocable_v<F, const T&, const T&>) {
        return std::forward<F>(f);
    } else if constexpr (std::is_invocable_v<F, const T&>) {
        return [f = std::forward<F>(f)](const T&, const T& now) { f(now); };
    } else {
        return [f = std::forward<F>(f)](const T&, const T&) { f(); };
    }
}

template <class T, class F>
Node Node::onChange(const T& value, F&& action) const& {
    return edit([&](NodeData& d) { d.changes.push_back(makeChangeWatch<T>(value, changeAction<T>(std::forward<F>(action)))); });
}
template <class T, class F>
Node Node::onChange(const T& value, F&& action) && {
    return std::move(*this).edit(
        [&](NodeData& d) { d.changes.push_back(makeChangeWatch<T>(value, changeAction<T>(std::forward<F>(action)))); });
}

template <class Key>
Node Node::environment(typename Key::Value value) const& {
    return edit([&](NodeData& d) {
        d.environmentEdits.push_back([value](const Environment& e) { return e.template with<Key>(value); });
    });
}
template <class Key>
Node Node::environment(typename Key::Value value) && {
    return std::move(*this).edit([&](NodeData& d) {
        d.environmentEdits.push_back([value](const Environment& e) { return e.template with<Key>(value); });
    });
}
template <class T>
Node Node::environmentObject(T& object) const& {
    return edit([&](NodeData& d) {
        d.environmentEdits.push_back([o = &object](const Environment& e) { return e.withObject(*o); });
    });
}
template <class T>
Node Node::environmentObject(T& object) && {
    return std::move(*this).edit([&](NodeData& d) {
        d.environmentEdits.push_back([o = &object](const Environment& e) { return e.withObject(*o); });
    });
}

}  // namespace ui
