#include "ui/TreeSerializer.h"

#include <cxxabi.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <typeindex>
#include <typeinfo>
#include <unordered_map>

#include "ui/Host.h"
#include "ui/ImageReferences.h"
#include "ui/JsonWriter.h"
#include "ui/SizeEstimator.h"
#include "ui/SymbolCatalogue.h"
#include "ui/View.h"

namespace ui::TreeSerializer {

namespace {

using nlohmann::json;

void number(JsonWriter& w, double v) {
    if (std::isinf(v)) {
        w.value("infinity");
    } else {
        w.value(v);
    }
}

// The view's type without its namespaces, demangled once per type.
const std::string& typeName(const View& v) {
    thread_local std::unordered_map<std::type_index, std::string> names;
    const std::type_index type(typeid(v));
    auto found = names.find(type);
    if (found != names.end()) return found->second;
    const char* mangled = typeid(v).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : mangled;
    std::free(demangled);
    auto colon = name.rfind("::");
    if (colon != std::string::npos) name = name.substr(colon + 2);
    return names.emplace(type, std::move(name)).first->second;
}

void symbolFields(JsonWriter& w, const std::string& symbol) {
    w.field("symbol", symbol);
    w.key("glyph");
    if (auto glyph = SymbolCatalogue::glyphName(symbol)) {
        w.value(*glyph);
    } else {
        w.null();  // no such symbol: nothing is drawn
    }
}

void shapeFields(JsonWriter& w, const Shape& s) {
    w.field("shape", name(s.kind));
    if (s.kind == Shape::Kind::roundedRectangle) {
        w.field("cornerRadius", s.cornerRadius);
        w.field("continuous", s.continuous);
    }
}

void writeFont(JsonWriter& w, const Font& f) {
    w.beginObject().field("size", f.size).field("weight", name(f.weight));
    if (f.design != Design::standard) w.field("design", name(f.design));
    if (f.style != TextStyle::none) w.field("style", name(f.style));
    w.endObject();
}

void writeShortcut(JsonWriter& w, const KeyboardShortcut& s) {
    switch (s.kind) {
        case KeyboardShortcut::Kind::defaultAction: w.value("defaultAction"); return;
        case KeyboardShortcut::Kind::cancelAction: w.value("cancelAction"); return;
        case KeyboardShortcut::Kind::key: break;
    }
    w.beginObject().field("key", s.key).field("modifiers", s.modifiers).endObject();
}

void writeColor(JsonWriter& w, const platform::Color& c) {
    w.beginObject();
    if (c.role != platform::Color::Role::none) {
        static const char* roles[] = {"none", "primary", "secondary", "tertiary", "accent", "controlBackground", "windowBackground", "separator"};
        w.field("role", roles[static_cast<int>(c.role)]);
    } else {
        w.field("hex", c.hex());
    }
    w.field("alpha", std::round(c.alpha * 1000) / 1000);
    w.endObject();
}

}  // namespace

void writeImage(JsonWriter& w, const platform::Image& img) {
    w.beginObject().field("width", img.size().width).field("height", img.size().height).field("template", img.isTemplate());
    if (img.tint()) writeColor(w.key("tint"), *img.tint());
    if (img.isSymbol()) {
        symbolFields(w, img.symbolName());
        w.field("pointSize", img.symbolPointSize());
    } else if (img.isAsset()) {
        w.field("asset", img.assetName());
    } else if (img.isBitmap()) {
        w.field("bitmap", ImageReferences::shared().reference(img.bitmap()));
    }
    w.endObject();
}

namespace {

// The modifier's fields, inside its object.
void modifierFields(JsonWriter& w, const Modifier& m) {
    w.field("kind", name(m.kind));
    switch (m.kind) {
        case Modifier::Kind::padding:
            w.field("top", m.insets.top).field("leading", m.insets.leading);
            w.field("bottom", m.insets.bottom).field("trailing", m.insets.trailing);
            break;
        case Modifier::Kind::frame: {
            const Frame& f = *m.frame;
            auto put = [&](const char* key, const std::optional<double>& v) {
                if (v) number(w.key(key), *v);
            };
            put("width", f.width);
            put("height", f.height);
            put("minWidth", f.minWidth);
            put("idealWidth", f.idealWidth);
            put("maxWidth", f.maxWidth);
            put("minHeight", f.minHeight);
            put("idealHeight", f.idealHeight);
            put("maxHeight", f.maxHeight);
            w.field("alignment", name(f.alignment));
            break;
        }
        case Modifier::Kind::background:
        case Modifier::Kind::overlay:
            if (m.color) writeColor(w.key("color"), *m.color);
            if (m.shape) shapeFields(w, *m.shape);
            w.field("alignment", name(m.alignment));
            break;
        case Modifier::Kind::border:
            if (m.color) writeColor(w.key("color"), *m.color);
            w.field("width", m.amount);
            break;
        case Modifier::Kind::clipShape:
        case Modifier::Kind::contentShape:
            if (m.shape) shapeFields(w, *m.shape);
            break;
        case Modifier::Kind::shadow:
            writeColor(w.key("color"), m.shadowValue->color);
            w.field("radius", m.shadowValue->radius).field("x", m.shadowValue->x).field("y", m.shadowValue->y);
            break;
        case Modifier::Kind::opacity: w.field("value", m.amount); break;
        case Modifier::Kind::offset: w.field("x", m.offsetValue.x).field("y", m.offsetValue.y); break;
        case Modifier::Kind::fixedSize: w.field("horizontal", m.horizontal).field("vertical", m.vertical); break;
        case Modifier::Kind::layoutPriority:
        case Modifier::Kind::zIndex: w.field("value", m.amount); break;
        case Modifier::Kind::ignoresSafeArea: break;
    }
}

// The node's props, inside their object.
void propsFields(JsonWriter& w, const RenderedNode& n) {
    const NodeData& d = n.data();
    switch (d.kind) {
        case NodeKind::vstack:
            w.field("alignment", name(d.hAlignment));
            if (d.spacing) w.field("spacing", *d.spacing);
            break;
        case NodeKind::hstack:
            w.field("alignment", name(d.vAlignment));
            if (d.spacing) w.field("spacing", *d.spacing);
            break;
        case NodeKind::zstack: w.field("alignment", name(d.alignment)); break;
        case NodeKind::text: w.field("text", d.text); break;
        case NodeKind::image:
            if (d.image) {
                const ImageContent& im = *d.image;
                switch (im.source) {
                    case ImageContent::Source::symbol: symbolFields(w, im.name); break;
                    case ImageContent::Source::asset: w.field("asset", im.name); break;
                    case ImageContent::Source::image:
                        if (im.image) writeImage(w.key("image"), *im.image);
                        break;
                }
                if (im.resizable) w.field("resizable", true);
                if (im.contentMode) w.field("contentMode", *im.contentMode == ContentMode::fit ? "fit" : "fill");
                if (im.rendering) {
                    w.field("renderingMode", *im.rendering == ImageRendering::templateImage ? "template" : "original");
                }
                if (im.symbolRendering) {
                    static const char* modes[] = {"monochrome", "hierarchical", "palette", "multicolor"};
                    w.field("symbolRenderingMode", modes[static_cast<int>(*im.symbolRendering)]);
                }
                if (im.interpolation) w.field("interpolation", static_cast<int>(*im.interpolation));
            }
            break;
        case NodeKind::button:
            if (d.buttonRole != ButtonRole::none) w.field("role", name(d.buttonRole));
            break;
        case NodeKind::toggle:
            w.field("isOn", d.isOn.get());
            if (!d.text.empty()) w.field("title", d.text);
            break;
        case NodeKind::textField:
            w.field("prompt", d.text);
            w.field("value", d.textValue.get());
            break;
        case NodeKind::picker: {
            w.field("title", d.text);
            w.key("options").beginArray();
            for (const auto& option : d.options) w.value(option);
            w.endArray();
            w.field("selected", d.selectedIndex ? d.selectedIndex() : -1);
            break;
        }
        case NodeKind::menu:
            if (!d.text.empty()) w.field("title", d.text);
            break;
        case NodeKind::scrollView:
            w.field("axes", d.axes == Axes::both ? "both" : d.axes == Axes::horizontal ? "horizontal" : "vertical");
            break;
        case NodeKind::lazyVGrid: {
            w.key("columns").beginArray();
            for (auto& c : d.columns) {
                static const char* kinds[] = {"fixed", "flexible", "adaptive"};
                w.beginObject().field("kind", kinds[static_cast<int>(c.kind)]);
                number(w.key("minimum"), c.minimum);
                number(w.key("maximum"), c.maximum);
                if (c.spacing) w.field("spacing", *c.spacing);
                w.endObject();
            }
            w.endArray();
            w.field("alignment", name(d.hAlignment));
            if (d.spacing) w.field("spacing", *d.spacing);
            break;
        }
        case NodeKind::spacer:
            if (d.minLength) w.field("minLength", *d.minLength);
            break;
        case NodeKind::shape:
            shapeFields(w, d.shape);
            if (d.fill) writeColor(w.key("fill"), *d.fill);
            if (d.strokeColor) {
                writeColor(w.key("stroke"), *d.strokeColor);
                w.field("lineWidth", d.stroke.lineWidth);
                if (!d.stroke.dash.empty()) {
                    w.key("dash").beginArray();
                    for (double dash : d.stroke.dash) w.value(dash);
                    w.endArray();
                }
                w.field("strokeInside", d.strokeInside);
            }
            break;
        case NodeKind::color:
            if (d.color) writeColor(w.key("color"), *d.color);
            break;
        case NodeKind::progress:
            if (d.value) w.field("value", *d.value).field("total", d.total);
            break;
        case NodeKind::contentUnavailable:
            w.field("title", d.text);
            symbolFields(w, d.symbol);
            w.field("description", d.detail);
            break;
        case NodeKind::label:
            w.field("title", d.text);
            symbolFields(w, d.symbol);
            break;
        case NodeKind::link: w.field("title", d.text).field("url", d.detail); break;
        case NodeKind::section:
            if (!d.text.empty()) w.field("header", d.text);
            if (!d.detail.empty()) w.field("footer", d.detail);
            break;
        case NodeKind::viewThatFits:
            w.field("axis", d.axes == Axes::horizontal ? "horizontal" : "vertical");
            w.field("chosen", n.chosenCandidate);
            break;
        case NodeKind::view:
            if (n.view) w.field("type", typeName(*n.view));
            break;
        case NodeKind::alert: w.field("title", d.text).field("message", d.detail); break;
        case NodeKind::empty:
        case NodeKind::group:
        case NodeKind::divider:
        case NodeKind::form:
        case NodeKind::list:
        case NodeKind::popover: break;
    }

    // attributes
    if (d.font) writeFont(w.key("font"), *d.font);
    if (d.foreground) writeColor(w.key("foreground"), *d.foreground);
    if (d.tint) writeColor(w.key("tint"), *d.tint);
    if (d.controlSize) w.field("controlSize", name(*d.controlSize));
    if (d.buttonStyle) w.field("buttonStyle", name(*d.buttonStyle));
    if (d.toggleStyle) w.field("toggleStyle", name(*d.toggleStyle));
    if (d.pickerStyle) w.field("pickerStyle", name(*d.pickerStyle));
    if (d.textFieldStyle) w.field("textFieldStyle", name(*d.textFieldStyle));
    if (d.menuStyle) w.field("menuStyle", name(*d.menuStyle));
    if (d.progressStyle) w.field("progressViewStyle", name(*d.progressStyle));
    if (d.menuIndicator) w.field("menuIndicator", name(*d.menuIndicator));
    if (d.scrollIndicators) w.field("scrollIndicators", name(*d.scrollIndicators));
    if (d.labelsHidden) w.field("labelsHidden", true);
    if (d.layoutDirection) w.field("layoutDirection", name(*d.layoutDirection));
    if (d.lineLimit) {
        w.key("lineLimit");
        if (*d.lineLimit) {
            w.value(**d.lineLimit);
        } else {
            w.null();
        }
    }
    if (d.multilineAlignment) w.field("multilineTextAlignment", name(*d.multilineAlignment));
    if (d.disabled) w.field("disabled", true);
    if (d.bold) w.field("bold", true);
    if (d.italic) w.field("italic", true);
    if (d.strikethrough) w.field("strikethrough", true);
    if (d.monospacedDigit) w.field("monospacedDigit", true);
    if (d.textSelection) w.field("textSelection", true);
    if (!d.help.empty()) w.field("help", d.help);
    if (!d.identifier.empty()) w.field("identifier", d.identifier);
    if (!d.accessibilityLabel.empty()) w.field("accessibilityLabel", d.accessibilityLabel);
    if (d.accessibilityHidden) w.field("accessibilityHidden", true);
    if (d.accessibilityCombine) w.field("accessibilityCombine", true);
    if (d.shortcut) writeShortcut(w.key("keyboardShortcut"), *d.shortcut);
    if (d.cursor) w.field("cursor", name(*d.cursor));
    if (!d.hitTesting) w.field("allowsHitTesting", false);
    if (d.onHover) w.field("tracksHover", true);
    if (d.onTap) w.field("tappable", true);
    if (d.onSecondaryClick) w.field("secondaryClickable", true);
}

// What a walk writes with: the host whose interaction state it shows, and the text to copy from.
struct Context {
    const Host* host;
    Reuse* reuse;
};

void writeNode(JsonWriter& w, const RenderedNode& n, const Context& cx);

// The children in one slot, as the array of `key`; none leaves the key out unless `always`.
void writeSlot(JsonWriter& w, const RenderedNode& n, RenderedNode::Slot slot, const char* key, bool always,
               const Context& cx) {
    const auto shown = [slot](const std::unique_ptr<RenderedNode>& c) {
        return c->slot == slot && c->kind() != NodeKind::empty;
    };
    if (!always && std::none_of(n.children.begin(), n.children.end(), shown)) return;
    w.key(key).beginArray();
    if (slot == RenderedNode::Slot::content && n.kind() == NodeKind::viewThatFits) {
        // Only the candidate shown: the others are laid out by no one, and the chips of a
        // long rail would go to the page twice.
        if (const RenderedNode* chosen = SizeEstimator::chosenCandidateNode(n)) writeNode(w, *chosen, cx);
    } else {
        for (auto& c : n.children) {
            if (shown(c)) writeNode(w, *c, cx);
        }
    }
    w.endArray();
}

// The text of `n` as written before, when it may stand for it now (see Reuse).
std::optional<std::string_view> previousText(const RenderedNode& n, const Reuse* reuse) {
    if (!reuse || n.live || !n.textLength || n.textGeneration != reuse->previousGeneration) return std::nullopt;
    if (n.textBegin > reuse->previous.size() || n.textLength > reuse->previous.size() - n.textBegin) return std::nullopt;
    return reuse->previous.substr(n.textBegin, n.textLength);
}

void noteWritten(const RenderedNode& n, size_t begin, size_t end, const Reuse* reuse) {
    if (!reuse || !reuse->record || end > UINT32_MAX) return;  // past what a note holds: written anew next time
    n.textGeneration = reuse->generation;
    n.textBegin = static_cast<uint32_t>(begin);
    n.textLength = static_cast<uint32_t>(end - begin);
}

void writeNode(JsonWriter& w, const RenderedNode& n, const Context& cx) {
    if (const auto text = previousText(n, cx.reuse)) {
        w.raw(*text);
        noteWritten(n, w.size() - text->size(), w.size(), cx.reuse);
        return;
    }
    const Host* host = cx.host;
    w.beginObject();
    const size_t begin = w.size() - 1;
    w.field("id", n.id).field("kind", name(n.kind()));
    w.key("props").beginObject();
    propsFields(w, n);
    if (host) {
        const bool focused = host->focusedNodeId() == n.id, menuOpen = host->openMenuNodeId() == n.id;
        if ((focused || menuOpen) && host->findNode(n.id) == &n) {  // a node of the host's current tree
            if (focused) w.field("focused", true);
            if (menuOpen) w.field("menuOpen", true);
        }
    }
    w.endObject();

    const NodeData& d = n.data();
    w.key("modifiers").beginArray();
    for (size_t i = 0; i < d.modifiers.size(); ++i) {
        w.beginObject();
        modifierFields(w, d.modifiers[i]);
        for (auto& c : n.children) {
            if (c->slot == RenderedNode::Slot::modifierContent && c->slotIndex == static_cast<int>(i)) {
                writeNode(w.key("content"), *c, cx);
                break;
            }
        }
        w.endObject();
    }
    w.endArray();

    writeSlot(w, n, RenderedNode::Slot::content, "children", true, cx);
    writeSlot(w, n, RenderedNode::Slot::menuItem, "items", false, cx);
    writeSlot(w, n, RenderedNode::Slot::contextMenuItem, "contextMenu", false, cx);
    writeSlot(w, n, RenderedNode::Slot::alert, "alerts", false, cx);
    for (auto& c : n.children) {
        if (c->slot == RenderedNode::Slot::popover && c->kind() != NodeKind::empty) {
            writeNode(w.key("popover"), *c, cx);
            break;
        }
    }
    w.endObject();
    noteWritten(n, begin, w.size(), cx.reuse);
}

template <class F>
json parsed(const F& write) {
    std::string out;
    JsonWriter w(out);
    write(w);
    return json::parse(out);
}

}  // namespace

void write(std::string& out, const RenderedNode& node, const Host* host, Reuse* reuse) {
    JsonWriter w(out);
    writeNode(w, node, Context{host, reuse});
}

std::string text(const RenderedNode& node, const Host* host) {
    std::string out;
    write(out, node, host);
    return out;
}

json serialize(const RenderedNode& node, const Host* host) { return json::parse(text(node, host)); }

json color(const platform::Color& c) {
    return parsed([&](JsonWriter& w) { writeColor(w, c); });
}

json image(const platform::Image& img) {
    return parsed([&](JsonWriter& w) { writeImage(w, img); });
}

}  // namespace ui::TreeSerializer
