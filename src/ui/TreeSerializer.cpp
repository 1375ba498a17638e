#include "ui/TreeSerializer.h"

#include <cxxabi.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <typeinfo>

#include "ui/Host.h"
#include "ui/ImageReferences.h"
#include "ui/SymbolCatalogue.h"
#include "ui/View.h"

namespace ui::TreeSerializer {

namespace {

using nlohmann::json;

json number(double v) {
    if (std::isinf(v)) return "infinity";
    return v;
}

std::string typeName(const View& v) {
    const char* mangled = typeid(v).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : mangled;
    std::free(demangled);
    auto colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

json symbolJSON(const std::string& symbol) {
    json j = {{"symbol", symbol}};
    if (auto glyph = SymbolCatalogue::glyphName(symbol)) {
        j["glyph"] = std::string(*glyph);
    } else {
        j["glyph"] = nullptr;  // no such symbol: nothing is drawn
    }
    return j;
}

json shapeJSON(const Shape& s) {
    json j = {{"shape", name(s.kind)}};
    if (s.kind == Shape::Kind::roundedRectangle) {
        j["cornerRadius"] = s.cornerRadius;
        j["continuous"] = s.continuous;
    }
    return j;
}

json fontJSON(const Font& f) {
    json j = {{"size", f.size}, {"weight", name(f.weight)}};
    if (f.design != Design::standard) j["design"] = name(f.design);
    if (f.style != TextStyle::none) j["style"] = name(f.style);
    return j;
}

json shortcutJSON(const KeyboardShortcut& s) {
    switch (s.kind) {
        case KeyboardShortcut::Kind::defaultAction: return "defaultAction";
        case KeyboardShortcut::Kind::cancelAction: return "cancelAction";
        case KeyboardShortcut::Kind::key: break;
    }
    return json{{"key", s.key}, {"modifiers", s.modifiers}};
}

json modifierJSON(const Modifier& m) {
    json j = {{"kind", name(m.kind)}};
    switch (m.kind) {
        case Modifier::Kind::padding:
            j["top"] = m.insets.top;
            j["leading"] = m.insets.leading;
            j["bottom"] = m.insets.bottom;
            j["trailing"] = m.insets.trailing;
            break;
        case Modifier::Kind::frame: {
            const Frame& f = m.frame;
            auto put = [&](const char* key, const std::optional<double>& v) {
                if (v) j[key] = number(*v);
            };
            put("width", f.width);
            put("height", f.height);
            put("minWidth", f.minWidth);
            put("idealWidth", f.idealWidth);
            put("maxWidth", f.maxWidth);
            put("minHeight", f.minHeight);
            put("idealHeight", f.idealHeight);
            put("maxHeight", f.maxHeight);
            j["alignment"] = name(f.alignment);
            break;
        }
        case Modifier::Kind::background:
        case Modifier::Kind::overlay:
            if (m.color) j["color"] = color(*m.color);
            if (m.shape) j.update(shapeJSON(*m.shape));
            j["alignment"] = name(m.alignment);
            break;
        case Modifier::Kind::border:
            if (m.color) j["color"] = color(*m.color);
            j["width"] = m.amount;
            break;
        case Modifier::Kind::clipShape:
        case Modifier::Kind::contentShape:
            if (m.shape) j.update(shapeJSON(*m.shape));
            break;
        case Modifier::Kind::shadow:
            j["color"] = color(m.shadowValue.color);
            j["radius"] = m.shadowValue.radius;
            j["x"] = m.shadowValue.x;
            j["y"] = m.shadowValue.y;
            break;
        case Modifier::Kind::opacity: j["value"] = m.amount; break;
        case Modifier::Kind::offset:
            j["x"] = m.offsetValue.x;
            j["y"] = m.offsetValue.y;
            break;
        case Modifier::Kind::fixedSize:
            j["horizontal"] = m.horizontal;
            j["vertical"] = m.vertical;
            break;
        case Modifier::Kind::layoutPriority:
        case Modifier::Kind::zIndex: j["value"] = m.amount; break;
        case Modifier::Kind::ignoresSafeArea: break;
    }
    return j;
}

json propsJSON(const RenderedNode& n) {
    const NodeData& d = n.data();
    json p = json::object();
    switch (d.kind) {
        case NodeKind::vstack:
            p["alignment"] = name(d.hAlignment);
            if (d.spacing) p["spacing"] = *d.spacing;
            break;
        case NodeKind::hstack:
            p["alignment"] = name(d.vAlignment);
            if (d.spacing) p["spacing"] = *d.spacing;
            break;
        case NodeKind::zstack: p["alignment"] = name(d.alignment); break;
        case NodeKind::text: p["text"] = d.text; break;
        case NodeKind::image:
            if (d.image) {
                const ImageContent& im = *d.image;
                switch (im.source) {
                    case ImageContent::Source::symbol: p.update(symbolJSON(im.name)); break;
                    case ImageContent::Source::asset: p["asset"] = im.name; break;
                    case ImageContent::Source::image:
                        if (im.image) p["image"] = image(*im.image);
                        break;
                }
                if (im.resizable) p["resizable"] = true;
                if (im.contentMode) p["contentMode"] = *im.contentMode == ContentMode::fit ? "fit" : "fill";
                if (im.rendering) p["renderingMode"] = *im.rendering == ImageRendering::templateImage ? "template" : "original";
                if (im.symbolRendering) {
                    static const char* modes[] = {"monochrome", "hierarchical", "palette", "multicolor"};
                    p["symbolRenderingMode"] = modes[static_cast<int>(*im.symbolRendering)];
                }
                if (im.interpolation) p["interpolation"] = static_cast<int>(*im.interpolation);
            }
            break;
        case NodeKind::button:
            if (d.buttonRole != ButtonRole::none) p["role"] = name(d.buttonRole);
            break;
        case NodeKind::toggle:
            p["isOn"] = d.isOn.get();
            if (!d.text.empty()) p["title"] = d.text;
            break;
        case NodeKind::textField:
            p["prompt"] = d.text;
            p["value"] = d.textValue.get();
            break;
        case NodeKind::picker: {
            p["title"] = d.text;
            p["options"] = d.options;
            p["selected"] = d.selectedIndex ? d.selectedIndex() : -1;
            break;
        }
        case NodeKind::menu:
            if (!d.text.empty()) p["title"] = d.text;
            break;
        case NodeKind::scrollView:
            p["axes"] = d.axes == Axes::both ? "both" : d.axes == Axes::horizontal ? "horizontal" : "vertical";
            break;
        case NodeKind::lazyVGrid: {
            json cols = json::array();
            for (auto& c : d.columns) {
                static const char* kinds[] = {"fixed", "flexible", "adaptive"};
                json col = {{"kind", kinds[static_cast<int>(c.kind)]}, {"minimum", number(c.minimum)}, {"maximum", number(c.maximum)}};
                if (c.spacing) col["spacing"] = *c.spacing;
                cols.push_back(col);
            }
            p["columns"] = cols;
            p["alignment"] = name(d.hAlignment);
            if (d.spacing) p["spacing"] = *d.spacing;
            break;
        }
        case NodeKind::spacer:
            if (d.minLength) p["minLength"] = *d.minLength;
            break;
        case NodeKind::shape:
            p.update(shapeJSON(d.shape));
            if (d.fill) p["fill"] = color(*d.fill);
            if (d.strokeColor) {
                p["stroke"] = color(*d.strokeColor);
                p["lineWidth"] = d.stroke.lineWidth;
                if (!d.stroke.dash.empty()) p["dash"] = d.stroke.dash;
                p["strokeInside"] = d.strokeInside;
            }
            break;
        case NodeKind::color:
            if (d.color) p["color"] = color(*d.color);
            break;
        case NodeKind::progress:
            if (d.value) {
                p["value"] = *d.value;
                p["total"] = d.total;
            }
            break;
        case NodeKind::contentUnavailable:
            p["title"] = d.text;
            p.update(symbolJSON(d.symbol));
            p["description"] = d.detail;
            break;
        case NodeKind::label:
            p["title"] = d.text;
            p.update(symbolJSON(d.symbol));
            break;
        case NodeKind::link:
            p["title"] = d.text;
            p["url"] = d.detail;
            break;
        case NodeKind::section:
            if (!d.text.empty()) p["header"] = d.text;
            if (!d.detail.empty()) p["footer"] = d.detail;
            break;
        case NodeKind::viewThatFits:
            p["axis"] = d.axes == Axes::horizontal ? "horizontal" : "vertical";
            p["chosen"] = n.chosenCandidate;
            break;
        case NodeKind::view:
            if (n.view) p["type"] = typeName(*n.view);
            break;
        case NodeKind::alert:
            p["title"] = d.text;
            p["message"] = d.detail;
            break;
        case NodeKind::empty:
        case NodeKind::group:
        case NodeKind::divider:
        case NodeKind::form:
        case NodeKind::list:
        case NodeKind::popover: break;
    }

    // attributes
    if (d.font) p["font"] = fontJSON(*d.font);
    if (d.foreground) p["foreground"] = color(*d.foreground);
    if (d.tint) p["tint"] = color(*d.tint);
    if (d.controlSize) p["controlSize"] = name(*d.controlSize);
    if (d.buttonStyle) p["buttonStyle"] = name(*d.buttonStyle);
    if (d.toggleStyle) p["toggleStyle"] = name(*d.toggleStyle);
    if (d.pickerStyle) p["pickerStyle"] = name(*d.pickerStyle);
    if (d.textFieldStyle) p["textFieldStyle"] = name(*d.textFieldStyle);
    if (d.menuStyle) p["menuStyle"] = name(*d.menuStyle);
    if (d.progressStyle) p["progressViewStyle"] = name(*d.progressStyle);
    if (d.menuIndicator) p["menuIndicator"] = name(*d.menuIndicator);
    if (d.scrollIndicators) p["scrollIndicators"] = name(*d.scrollIndicators);
    if (d.labelsHidden) p["labelsHidden"] = true;
    if (d.layoutDirection) p["layoutDirection"] = name(*d.layoutDirection);
    if (d.lineLimit) p["lineLimit"] = *d.lineLimit ? json(**d.lineLimit) : json(nullptr);
    if (d.multilineAlignment) p["multilineTextAlignment"] = name(*d.multilineAlignment);
    if (d.disabled) p["disabled"] = true;
    if (d.bold) p["bold"] = true;
    if (d.italic) p["italic"] = true;
    if (d.strikethrough) p["strikethrough"] = true;
    if (d.monospacedDigit) p["monospacedDigit"] = true;
    if (d.textSelection) p["textSelection"] = true;
    if (!d.help.empty()) p["help"] = d.help;
    if (!d.identifier.empty()) p["identifier"] = d.identifier;
    if (!d.accessibilityLabel.empty()) p["accessibilityLabel"] = d.accessibilityLabel;
    if (d.accessibilityHidden) p["accessibilityHidden"] = true;
    if (d.accessibilityCombine) p["accessibilityCombine"] = true;
    if (d.shortcut) p["keyboardShortcut"] = shortcutJSON(*d.shortcut);
    if (d.cursor) p["cursor"] = name(*d.cursor);
    if (!d.hitTesting) p["allowsHitTesting"] = false;
    if (d.onHover) p["tracksHover"] = true;
    if (d.onTap) p["tappable"] = true;
    if (d.onSecondaryClick) p["secondaryClickable"] = true;
    return p;
}

json serializeNode(const RenderedNode& n, const Host* host) {
    json j = {{"id", n.id}, {"kind", name(n.kind())}};
    json props = propsJSON(n);
    if (host) {
        if (host->findNode(n.id) == &n) {  // a node of the host's current tree
            if (host->focusedNodeId() == n.id) props["focused"] = true;
            if (host->openMenuNodeId() == n.id) props["menuOpen"] = true;
        }
    }
    j["props"] = std::move(props);

    const NodeData& d = n.data();
    json modifiers = json::array();
    for (size_t i = 0; i < d.modifiers.size(); ++i) {
        json m = modifierJSON(d.modifiers[i]);
        for (auto& c : n.children) {
            if (c->slot == RenderedNode::Slot::modifierContent && c->slotIndex == static_cast<int>(i)) {
                m["content"] = serializeNode(*c, host);
            }
        }
        modifiers.push_back(std::move(m));
    }
    j["modifiers"] = std::move(modifiers);

    json children = json::array(), items = json::array(), context = json::array(), alerts = json::array();
    for (auto& c : n.children) {
        if (c->kind() == NodeKind::empty && c->slot != RenderedNode::Slot::modifierContent) continue;
        switch (c->slot) {
            case RenderedNode::Slot::content: children.push_back(serializeNode(*c, host)); break;
            case RenderedNode::Slot::menuItem: items.push_back(serializeNode(*c, host)); break;
            case RenderedNode::Slot::contextMenuItem: context.push_back(serializeNode(*c, host)); break;
            case RenderedNode::Slot::alert: alerts.push_back(serializeNode(*c, host)); break;
            case RenderedNode::Slot::popover: j["popover"] = serializeNode(*c, host); break;
            case RenderedNode::Slot::modifierContent: break;
        }
    }
    j["children"] = std::move(children);
    if (!items.empty()) j["items"] = std::move(items);
    if (!context.empty()) j["contextMenu"] = std::move(context);
    if (!alerts.empty()) j["alerts"] = std::move(alerts);
    return j;
}

}  // namespace

json color(const platform::Color& c) {
    json j = json::object();
    if (c.role != platform::Color::Role::none) {
        static const char* roles[] = {"none", "primary", "secondary", "tertiary", "accent", "controlBackground", "windowBackground", "separator"};
        j["role"] = roles[static_cast<int>(c.role)];
    } else {
        j["hex"] = c.hex();
    }
    j["alpha"] = std::round(c.alpha * 1000) / 1000;
    return j;
}

json image(const platform::Image& img) {
    json j = {{"width", img.size().width}, {"height", img.size().height}, {"template", img.isTemplate()}};
    if (img.tint()) j["tint"] = color(*img.tint());
    if (img.isSymbol()) {
        j.update(symbolJSON(img.symbolName()));
        j["pointSize"] = img.symbolPointSize();
    } else if (img.isAsset()) {
        j["asset"] = img.assetName();
    } else if (img.isBitmap()) {
        j["bitmap"] = ImageReferences::shared().reference(img.bitmap());
    }
    return j;
}

json serialize(const RenderedNode& node, const Host* host) { return serializeNode(node, host); }

}  // namespace ui::TreeSerializer
