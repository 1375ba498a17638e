#include "ui/Node.h"

#include "ui/View.h"

namespace ui {

namespace {
const std::shared_ptr<NodeData>& emptyData() {
    static const auto empty = std::make_shared<NodeData>();
    return empty;
}
}  // namespace

Node::Node() : data_(emptyData()) {}

Node::Node(NodeKind kind) : data_(std::make_shared<NodeData>()) { data_->kind = kind; }

Node::Node(std::shared_ptr<View> view) : Node(view ? NodeKind::view : NodeKind::empty) {
    if (view) data_->view = std::move(view);
}

NodeKind Node::kind() const { return data_->kind; }

// Copy on write: a description shared with another node is copied before it changes.
NodeData& Node::mut() {
    if (data_.use_count() > 1) data_ = std::make_shared<NodeData>(*data_);
    return *data_;
}

#define UI_EXPAND(...) __VA_ARGS__
#define UI_DEFINE(SIGNATURE, ...)                                                                          \
    Node Node::UI_EXPAND SIGNATURE const& { return edit([&](NodeData & d) __VA_ARGS__); }                  \
    Node Node::UI_EXPAND SIGNATURE&& { return std::move(*this).edit([&](NodeData & d) __VA_ARGS__); }

namespace {
Modifier modifier(Modifier::Kind kind) {
    Modifier m;
    m.kind = kind;
    return m;
}
template <class F>
void add(NodeData& d, Modifier::Kind kind, F&& set) {
    Modifier m = modifier(kind);
    set(m);
    d.modifiers.push_back(std::move(m));
}
Modifier paddingOf(EdgeInsets insets) {
    Modifier m = modifier(Modifier::Kind::padding);
    m.insets = insets;
    return m;
}
}  // namespace

UI_DEFINE((padding(double amount)), { d.modifiers.push_back(paddingOf(EdgeInsets::of(Edges::all, amount))); })
UI_DEFINE((padding(Edges edges, double amount)), { d.modifiers.push_back(paddingOf(EdgeInsets::of(edges, amount))); })
UI_DEFINE((padding(EdgeInsets insets)), { d.modifiers.push_back(paddingOf(insets)); })
UI_DEFINE((frame(Frame frame)), {
    add(d, Modifier::Kind::frame, [&](Modifier& m) { m.frame = frame; m.alignment = frame.alignment; });
})
UI_DEFINE((frame(double width, double height, Alignment alignment)), {
    add(d, Modifier::Kind::frame, [&](Modifier& m) { m.frame = Frame{.width = width, .height = height, .alignment = alignment}; m.alignment = alignment; });
})
UI_DEFINE((background(platform::Color color)), {
    add(d, Modifier::Kind::background, [&](Modifier& m) { m.color = color; });
})
UI_DEFINE((background(platform::Color color, Shape in)), {
    add(d, Modifier::Kind::background, [&](Modifier& m) { m.color = color; m.shape = in; });
})
UI_DEFINE((background(Node content, Alignment alignment)), {
    add(d, Modifier::Kind::background, [&](Modifier& m) { m.content = std::move(content); m.alignment = alignment; });
})
UI_DEFINE((overlay(Node content, Alignment alignment)), {
    add(d, Modifier::Kind::overlay, [&](Modifier& m) { m.content = std::move(content); m.alignment = alignment; });
})
UI_DEFINE((border(platform::Color color, double width)), {
    add(d, Modifier::Kind::border, [&](Modifier& m) { m.color = color; m.amount = width; });
})
UI_DEFINE((cornerRadius(double radius)), {
    add(d, Modifier::Kind::clipShape, [&](Modifier& m) { m.shape = Shape{Shape::Kind::roundedRectangle, radius, false}; });
})
UI_DEFINE((clipShape(Shape shape)), {
    add(d, Modifier::Kind::clipShape, [&](Modifier& m) { m.shape = shape; });
})
UI_DEFINE((contentShape(Shape shape)), {
    add(d, Modifier::Kind::contentShape, [&](Modifier& m) { m.shape = shape; });
})
UI_DEFINE((shadow(Shadow shadow)), {
    add(d, Modifier::Kind::shadow, [&](Modifier& m) { m.shadowValue = shadow; });
})
UI_DEFINE((opacity(double value)), {
    add(d, Modifier::Kind::opacity, [&](Modifier& m) { m.amount = value; });
})
UI_DEFINE((offset(double x, double y)), {
    add(d, Modifier::Kind::offset, [&](Modifier& m) { m.offsetValue = Point{x, y}; });
})
UI_DEFINE((fixedSize(bool horizontal, bool vertical)), {
    add(d, Modifier::Kind::fixedSize, [&](Modifier& m) { m.horizontal = horizontal; m.vertical = vertical; });
})
UI_DEFINE((layoutPriority(double priority)), {
    add(d, Modifier::Kind::layoutPriority, [&](Modifier& m) { m.amount = priority; });
})
UI_DEFINE((zIndex(double z)), {
    add(d, Modifier::Kind::zIndex, [&](Modifier& m) { m.amount = z; });
})
UI_DEFINE((ignoresSafeArea()), { d.modifiers.push_back(modifier(Modifier::Kind::ignoresSafeArea)); })

// Inherited attributes: the first (innermost) setting wins, as a nearer environment value does.
#define UI_INHERITED(NAME, TYPE, FIELD) \
    UI_DEFINE((NAME(TYPE value)), {     \
        if (!d.FIELD) d.FIELD = value;  \
    })
UI_INHERITED(font, Font, font)
UI_INHERITED(foreground, platform::Color, foreground)
UI_INHERITED(tint, platform::Color, tint)
UI_INHERITED(controlSize, ControlSize, controlSize)
UI_INHERITED(buttonStyle, ButtonStyle, buttonStyle)
UI_INHERITED(toggleStyle, ToggleStyle, toggleStyle)
UI_INHERITED(pickerStyle, PickerStyle, pickerStyle)
UI_INHERITED(textFieldStyle, TextFieldStyle, textFieldStyle)
UI_INHERITED(menuStyle, MenuStyle, menuStyle)
UI_INHERITED(progressViewStyle, ProgressStyle, progressStyle)
UI_INHERITED(menuIndicator, Visibility, menuIndicator)
UI_INHERITED(scrollIndicators, Visibility, scrollIndicators)
UI_INHERITED(layoutDirection, LayoutDirection, layoutDirection)
UI_INHERITED(multilineTextAlignment, TextAlignment, multilineAlignment)
#undef UI_INHERITED
UI_DEFINE((lineLimit(std::optional<int> lines)), {
    if (!d.lineLimit) d.lineLimit = lines;
})
UI_DEFINE((labelsHidden()), { d.labelsHidden = true; })
UI_DEFINE((disabled(bool isDisabled)), { d.disabled = d.disabled || isDisabled; })

UI_DEFINE((bold(bool on)), { d.bold = on; })
UI_DEFINE((italic(bool on)), { d.italic = on; })
UI_DEFINE((strikethrough(bool on)), { d.strikethrough = on; })
UI_DEFINE((monospacedDigit()), { d.monospacedDigit = true; })
UI_DEFINE((textSelection(bool enabled)), { d.textSelection = enabled; })

#define UI_IMAGE_ATTRIBUTE(SIGNATURE, ...) \
    UI_DEFINE(SIGNATURE, {                 \
        if (d.image) {                     \
            __VA_ARGS__;                   \
        }                                  \
    })
UI_IMAGE_ATTRIBUTE((resizable()), d.image->resizable = true)
UI_IMAGE_ATTRIBUTE((aspectRatio(ContentMode mode)), d.image->contentMode = mode)
UI_IMAGE_ATTRIBUTE((renderingMode(ImageRendering mode)), d.image->rendering = mode)
UI_IMAGE_ATTRIBUTE((symbolRenderingMode(SymbolRendering mode)), d.image->symbolRendering = mode)
UI_IMAGE_ATTRIBUTE((interpolation(Interpolation quality)), d.image->interpolation = quality)
#undef UI_IMAGE_ATTRIBUTE

UI_DEFINE((help(std::string text)), {
    if (d.help.empty()) d.help = std::move(text);
})
UI_DEFINE((accessibilityIdentifier(std::string identifier)), { d.identifier = std::move(identifier); })
UI_DEFINE((accessibilityLabel(std::string label)), { d.accessibilityLabel = std::move(label); })
UI_DEFINE((accessibilityHidden(bool hidden)), { d.accessibilityHidden = hidden; })
UI_DEFINE((accessibilityCombine()), { d.accessibilityCombine = true; })

UI_DEFINE((role(ButtonRole role)), { d.buttonRole = role; })
UI_DEFINE((keyboardShortcut(KeyboardShortcut shortcut)), { d.shortcut = std::move(shortcut); })
UI_DEFINE((pointerCursor(Cursor cursor)), {
    if (!d.cursor) d.cursor = cursor;
})
UI_DEFINE((allowsHitTesting(bool enabled)), { d.hitTesting = d.hitTesting && enabled; })
// Several hover handlers on one node all run, innermost first.
UI_DEFINE((onHover(std::function<void(bool)> action)), {
    if (d.onHover) {
        d.onHover = [first = std::move(d.onHover), second = std::move(action)](bool inside) {
            first(inside);
            second(inside);
        };
    } else {
        d.onHover = std::move(action);
    }
})
UI_DEFINE((onTapGesture(std::function<void()> action)), { d.onTap = std::move(action); })
UI_DEFINE((onSecondaryClick(std::function<void()> action)), { d.onSecondaryClick = std::move(action); })
UI_DEFINE((contextMenu(std::vector<Node> items)), { d.contextMenu = std::move(items); })
UI_DEFINE((onSubmit(std::function<void()> action)), { d.onSubmit = std::move(action); })
UI_DEFINE((focused(Binding<bool> isFocused)), { d.focus = std::move(isFocused); })
UI_DEFINE((onAppear(std::function<void()> action)), { d.onAppear.push_back(std::move(action)); })
UI_DEFINE((onDisappear(std::function<void()> action)), { d.onDisappear.push_back(std::move(action)); })
UI_DEFINE((task(std::function<void()> action)), { d.onAppear.push_back(std::move(action)); })
UI_DEFINE((alert(std::string title, Binding<bool> isPresented, std::vector<Node> actions, std::string message)), {
    d.alerts.push_back(AlertSpec{std::move(title), std::move(message), std::move(isPresented), std::move(actions)});
})
UI_DEFINE((popover(Binding<bool> isPresented, Node content)), {
    d.popover = PopoverSpec{std::move(isPresented), std::move(content)};
})
UI_DEFINE((id(std::string identity)), { d.explicitID = std::move(identity); })

#undef UI_DEFINE
#undef UI_EXPAND

const char* name(NodeKind kind) {
    switch (kind) {
        case NodeKind::empty: return "empty";
        case NodeKind::group: return "group";
        case NodeKind::vstack: return "vstack";
        case NodeKind::hstack: return "hstack";
        case NodeKind::zstack: return "zstack";
        case NodeKind::text: return "text";
        case NodeKind::image: return "image";
        case NodeKind::button: return "button";
        case NodeKind::toggle: return "toggle";
        case NodeKind::textField: return "textField";
        case NodeKind::picker: return "picker";
        case NodeKind::menu: return "menu";
        case NodeKind::scrollView: return "scrollView";
        case NodeKind::lazyVGrid: return "lazyVGrid";
        case NodeKind::spacer: return "spacer";
        case NodeKind::divider: return "divider";
        case NodeKind::shape: return "shape";
        case NodeKind::color: return "color";
        case NodeKind::progress: return "progress";
        case NodeKind::contentUnavailable: return "contentUnavailable";
        case NodeKind::label: return "label";
        case NodeKind::link: return "link";
        case NodeKind::form: return "form";
        case NodeKind::section: return "section";
        case NodeKind::list: return "list";
        case NodeKind::viewThatFits: return "viewThatFits";
        case NodeKind::view: return "view";
        case NodeKind::alert: return "alert";
        case NodeKind::popover: return "popover";
    }
    return "empty";
}

const char* name(Modifier::Kind kind) {
    switch (kind) {
        case Modifier::Kind::padding: return "padding";
        case Modifier::Kind::frame: return "frame";
        case Modifier::Kind::background: return "background";
        case Modifier::Kind::overlay: return "overlay";
        case Modifier::Kind::border: return "border";
        case Modifier::Kind::clipShape: return "clipShape";
        case Modifier::Kind::contentShape: return "contentShape";
        case Modifier::Kind::shadow: return "shadow";
        case Modifier::Kind::opacity: return "opacity";
        case Modifier::Kind::offset: return "offset";
        case Modifier::Kind::fixedSize: return "fixedSize";
        case Modifier::Kind::layoutPriority: return "layoutPriority";
        case Modifier::Kind::zIndex: return "zIndex";
        case Modifier::Kind::ignoresSafeArea: return "ignoresSafeArea";
    }
    return "padding";
}

}  // namespace ui
