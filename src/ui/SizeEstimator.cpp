#include "ui/SizeEstimator.h"

#include <algorithm>
#include <cmath>

#include "ui/Assets.h"

namespace ui::SizeEstimator {

namespace {

constexpr double kDefaultSpacing = 8;

// What a node inherits from its ancestors and that changes its size.
struct Context {
    Font font = Font::body();
    ControlSize controlSize = ControlSize::regular;
    ButtonStyle buttonStyle = ButtonStyle::automatic;
    ToggleStyle toggleStyle = ToggleStyle::automatic;
    PickerStyle pickerStyle = PickerStyle::automatic;
    bool labelsHidden = false;
    bool menuIndicatorHidden = false;
    std::optional<int> lineLimit;

    Context inside(const NodeData& d) const {
        Context c = *this;
        if (d.font) c.font = *d.font;
        if (d.controlSize) c.controlSize = *d.controlSize;
        if (d.buttonStyle) c.buttonStyle = *d.buttonStyle;
        if (d.toggleStyle) c.toggleStyle = *d.toggleStyle;
        if (d.pickerStyle) c.pickerStyle = *d.pickerStyle;
        if (d.labelsHidden) c.labelsHidden = true;
        if (d.menuIndicator) c.menuIndicatorHidden = *d.menuIndicator == Visibility::hidden;
        if (d.lineLimit) c.lineLimit = *d.lineLimit;
        return c;
    }
};

size_t codePoints(const std::string& s) {
    size_t n = 0;
    for (unsigned char ch : s)
        if ((ch & 0xC0) != 0x80) ++n;
    return n;
}

double lineHeight(const Font& font) { return std::ceil(font.size * 1.25); }

double controlHeight(ControlSize size) {
    switch (size) {
        case ControlSize::mini: return 16;
        case ControlSize::small: return 19;
        case ControlSize::regular: return 22;
        case ControlSize::large: return 28;
    }
    return 22;
}

Size measure(const RenderedNode& n, const Context& outer, std::optional<double> proposal);

// The content children of a container with groups opened up and empty nodes left out, as a
// stack lays them out.
void flatten(const RenderedNode& n, std::vector<const RenderedNode*>& out) {
    for (auto& c : n.children) {
        if (c->slot != RenderedNode::Slot::content) continue;
        NodeKind k = c->kind();
        if (k == NodeKind::empty) continue;
        if (k == NodeKind::group && c->data().modifiers.empty()) {
            flatten(*c, out);
            continue;
        }
        out.push_back(c.get());
    }
}

const RenderedNode* firstContent(const RenderedNode& n) {
    for (auto& c : n.children)
        if (c->slot == RenderedNode::Slot::content) return c.get();
    return nullptr;
}

Size textSize(const std::string& text, const Context& c, std::optional<double> proposal) {
    double w = 0;
    int lines = 0;
    size_t start = 0;
    while (true) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        double lw = textWidth(line, c.font);
        int wrapped = 1;
        if (proposal && *proposal > 0 && lw > *proposal && c.lineLimit.value_or(0) != 1) {
            wrapped = static_cast<int>(std::ceil(lw / *proposal));
            lw = *proposal;
        }
        w = std::max(w, lw);
        lines += wrapped;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    if (c.lineLimit && *c.lineLimit > 0) lines = std::min(lines, *c.lineLimit);
    return {std::ceil(w), lines * lineHeight(c.font)};
}

double symbolSide(const Font& font) { return std::ceil(font.size * 1.2); }

Size stackSize(const RenderedNode& n, const Context& c, std::optional<double> proposal, bool vertical) {
    std::vector<const RenderedNode*> kids;
    flatten(n, kids);
    double spacing = n.data().spacing.value_or(kDefaultSpacing);
    if (kids.empty()) return {};
    std::vector<Size> sizes;
    sizes.reserve(kids.size());
    for (auto* k : kids) {
        NodeKind kind = k->kind();
        if (kind == NodeKind::spacer) {
            double len = k->data().minLength.value_or(kDefaultSpacing);
            sizes.push_back(vertical ? Size{0, len} : Size{len, 0});
        } else if (kind == NodeKind::divider) {
            sizes.push_back(vertical ? Size{0, 1} : Size{1, 0});
        } else {
            sizes.push_back(measure(*k, c, vertical ? proposal : std::nullopt));
        }
    }
    double gaps = spacing * static_cast<double>(kids.size() - 1);
    if (vertical) {
        Size s{0, gaps};
        for (auto& z : sizes) {
            s.width = std::max(s.width, z.width);
            s.height += z.height;
        }
        return s;
    }
    // A row wider than offered: its widest child (a long text, usually) wraps to what is left.
    double total = gaps;
    for (auto& z : sizes) total += z.width;
    if (proposal && total > *proposal) {
        size_t widest = 0;
        for (size_t i = 1; i < sizes.size(); ++i)
            if (sizes[i].width > sizes[widest].width) widest = i;
        double rest = total - sizes[widest].width;
        sizes[widest] = measure(*kids[widest], c, std::max(0.0, *proposal - rest));
    }
    Size s{gaps, 0};
    for (auto& z : sizes) {
        s.width += z.width;
        s.height = std::max(s.height, z.height);
    }
    return s;
}

Size gridSize(const RenderedNode& n, const Context& c, std::optional<double> proposal) {
    std::vector<const RenderedNode*> kids;
    flatten(n, kids);
    if (kids.empty()) return {};
    const auto& columns = n.data().columns;
    double rowSpacing = n.data().spacing.value_or(kDefaultSpacing);
    std::vector<Size> sizes;
    double cell = 0;
    for (auto* k : kids) {
        sizes.push_back(measure(*k, c, std::nullopt));
        cell = std::max(cell, sizes.back().width);
    }
    size_t count = std::max<size_t>(1, columns.size());
    double columnSpacing = kDefaultSpacing;
    if (!columns.empty() && columns[0].spacing) columnSpacing = *columns[0].spacing;
    if (columns.size() == 1 && columns[0].kind == GridItem::Kind::adaptive) {
        double minimum = std::max(1.0, columns[0].minimum);
        cell = std::max(cell, minimum);
        count = proposal ? static_cast<size_t>(std::max(1.0, std::floor((*proposal + columnSpacing) / (minimum + columnSpacing))))
                         : 4;
    }
    double width = 0;
    if (!columns.empty() && columns[0].kind == GridItem::Kind::fixed) {
        for (auto& col : columns) width += col.minimum;
    } else {
        width = cell * static_cast<double>(count);
    }
    width += columnSpacing * static_cast<double>(count - 1);
    double height = 0;
    size_t rows = (kids.size() + count - 1) / count;
    for (size_t r = 0; r < rows; ++r) {
        double h = 0;
        for (size_t i = r * count; i < std::min(kids.size(), (r + 1) * count); ++i) h = std::max(h, sizes[i].height);
        height += h;
    }
    height += rowSpacing * static_cast<double>(rows - 1);
    return {width, height};
}

double imageSideOf(const ImageContent& image, const Context& c, Size& out) {
    switch (image.source) {
        case ImageContent::Source::symbol: {
            double s = symbolSide(c.font);
            out = {s, s};
            return s;
        }
        case ImageContent::Source::asset: {
            auto a = assetImage(image.name);
            out = a ? a->size() : Size{};
            return out.width;
        }
        case ImageContent::Source::image:
            out = image.image ? image.image->size() : Size{};
            return out.width;
    }
    return 0;
}

Size baseSize(const RenderedNode& n, const Context& c, std::optional<double> proposal) {
    const NodeData& d = n.data();
    switch (d.kind) {
        case NodeKind::empty:
        case NodeKind::shape:
        case NodeKind::color:
        case NodeKind::spacer:
        case NodeKind::alert:
        case NodeKind::popover: return {};
        case NodeKind::divider: return {0, 1};
        case NodeKind::text: return textSize(d.text, c, proposal);
        case NodeKind::image: {
            Size s;
            if (d.image) imageSideOf(*d.image, c, s);
            return s;
        }
        case NodeKind::label: {
            Size t = textSize(d.text, c, proposal);
            double side = symbolSide(c.font);
            return {side + 6 + t.width, std::max(side, t.height)};
        }
        case NodeKind::view:
        case NodeKind::link:
        case NodeKind::scrollView: {
            const RenderedNode* child = firstContent(n);
            return child ? measure(*child, c, proposal) : Size{};
        }
        case NodeKind::button: {
            const RenderedNode* label = firstContent(n);
            Size s = label ? measure(*label, c, proposal) : Size{};
            switch (c.buttonStyle) {
                case ButtonStyle::plain:
                case ButtonStyle::borderless:
                case ButtonStyle::link: return s;
                default: return {s.width + 16, std::max(s.height, controlHeight(c.controlSize))};
            }
        }
        case NodeKind::toggle: {
            Size knob = c.toggleStyle == ToggleStyle::switchStyle
                            ? (c.controlSize == ControlSize::small || c.controlSize == ControlSize::mini ? Size{26, 15} : Size{32, 18})
                            : Size{14, 14};
            if (c.labelsHidden) return knob;
            const RenderedNode* label = firstContent(n);
            Size l = label ? measure(*label, c, std::nullopt) : Size{};
            return {knob.width + (l.width > 0 ? 6 + l.width : 0), std::max(knob.height, l.height)};
        }
        case NodeKind::textField:
            return {proposal.value_or(std::max(120.0, textWidth(d.text, c.font) + 12)), lineHeight(c.font) + 6};
        case NodeKind::picker: {
            double w = 0;
            if (c.pickerStyle == PickerStyle::segmented) {
                for (auto& o : d.options) w += textWidth(o, c.font) + 16;
            } else {
                for (auto& o : d.options) w = std::max(w, textWidth(o, c.font));
                w += 36;
            }
            if (!c.labelsHidden && !d.text.empty()) w += textWidth(d.text, c.font) + 8;
            return {w, controlHeight(c.controlSize)};
        }
        case NodeKind::menu: {
            const RenderedNode* label = firstContent(n);
            Size s = label ? measure(*label, c, proposal) : Size{};
            if (!c.menuIndicatorHidden) s.width += 14;
            return s;
        }
        case NodeKind::progress: {
            if (d.value) return {proposal.value_or(160), 6};
            double side = c.controlSize == ControlSize::small ? 16 : c.controlSize == ControlSize::mini ? 10 : 32;
            return {side, side};
        }
        case NodeKind::contentUnavailable: {
            Font title = Font::system(17, Weight::bold);
            double w = std::max(textWidth(d.text, title), textWidth(d.detail, c.font));
            if (proposal) w = std::min(w, *proposal);
            Context dc = c;
            Size desc = d.detail.empty() ? Size{} : textSize(d.detail, dc, w > 0 ? std::optional<double>(w) : std::nullopt);
            return {w + 40, 40 + 40 + 8 + lineHeight(title) + 4 + desc.height};
        }
        case NodeKind::vstack:
        case NodeKind::group:
        case NodeKind::list: return stackSize(n, c, proposal, true);
        case NodeKind::hstack: return stackSize(n, c, proposal, false);
        case NodeKind::zstack: {
            Size s;
            for (auto& k : n.children) {
                if (k->slot != RenderedNode::Slot::content) continue;
                Size z = measure(*k, c, proposal);
                s = {std::max(s.width, z.width), std::max(s.height, z.height)};
            }
            return s;
        }
        case NodeKind::lazyVGrid: return gridSize(n, c, proposal);
        case NodeKind::section: {
            Size body = stackSize(n, c, proposal, true);
            double header = d.text.empty() ? 0 : lineHeight(c.font) + 6;
            double footer = d.detail.empty() ? 0 : textSize(d.detail, c, proposal).height + 6;
            return {body.width + 20, body.height + header + footer + 12};
        }
        case NodeKind::form: {
            std::vector<const RenderedNode*> kids;
            flatten(n, kids);
            Size s;
            for (auto* k : kids) {
                Size z = measure(*k, c, proposal);
                s.width = std::max(s.width, z.width);
                s.height += z.height + 12;
            }
            return s;
        }
        case NodeKind::viewThatFits: {
            const RenderedNode* chosen = chosenCandidateNode(n);
            return chosen ? measure(*chosen, c, proposal) : Size{};
        }
    }
    return {};
}

// The width offered to the content once the modifiers outside it have taken their share.
std::optional<double> innerProposal(const NodeData& d, std::optional<double> proposal) {
    for (auto it = d.modifiers.rbegin(); it != d.modifiers.rend(); ++it) {
        const Modifier& m = *it;
        if (m.kind == Modifier::Kind::padding) {
            if (proposal) proposal = std::max(0.0, *proposal - m.insets.horizontal());
        } else if (m.kind == Modifier::Kind::frame) {
            const Frame& f = *m.frame;
            if (f.width) {
                proposal = *f.width;
            } else {
                if (f.maxWidth && std::isfinite(*f.maxWidth)) proposal = proposal ? std::min(*proposal, *f.maxWidth) : *f.maxWidth;
                if (f.minWidth && proposal) proposal = std::max(*proposal, *f.minWidth);
            }
        } else if (m.kind == Modifier::Kind::fixedSize && m.horizontal) {
            proposal.reset();
        }
    }
    return proposal;
}

Size measure(const RenderedNode& n, const Context& outer, std::optional<double> proposal) {
    const NodeData& d = n.data();
    Context c = outer.inside(d);
    std::optional<double> inner = innerProposal(d, proposal);
    Size s = baseSize(n, c, inner);
    // Modifiers apply from the innermost outwards; each sees the proposal left outside it.
    std::vector<std::optional<double>> offered(d.modifiers.size());
    {
        std::optional<double> p = proposal;
        for (size_t i = d.modifiers.size(); i-- > 0;) {
            offered[i] = p;
            const Modifier& m = d.modifiers[i];
            if (m.kind == Modifier::Kind::padding && p) p = std::max(0.0, *p - m.insets.horizontal());
            if (m.kind == Modifier::Kind::frame && m.frame->width) p = *m.frame->width;
        }
    }
    for (size_t i = 0; i < d.modifiers.size(); ++i) {
        const Modifier& m = d.modifiers[i];
        if (m.kind == Modifier::Kind::padding) {
            s.width += m.insets.horizontal();
            s.height += m.insets.vertical();
        } else if (m.kind == Modifier::Kind::frame) {
            const Frame& f = *m.frame;
            if (f.width) {
                s.width = *f.width;
            } else {
                if (f.idealWidth && !offered[i]) s.width = *f.idealWidth;
                if (f.maxWidth && offered[i]) s.width = std::max(s.width, std::min(*f.maxWidth, *offered[i]));
                if (f.maxWidth) s.width = std::min(s.width, *f.maxWidth);
                if (f.minWidth) s.width = std::max(s.width, *f.minWidth);
            }
            if (f.height) {
                s.height = *f.height;
            } else {
                if (f.idealHeight) s.height = *f.idealHeight;
                if (f.maxHeight) s.height = std::min(s.height, *f.maxHeight);
                if (f.minHeight) s.height = std::max(s.height, *f.minHeight);
            }
        }
    }
    return s;
}

}  // namespace

double textWidth(const std::string& text, const Font& font) {
    double perCharacter = 7.0 * font.size / 13.0;
    if (font.design == Design::monospaced) perCharacter *= 1.1;
    if (font.weight >= Weight::semibold) perCharacter *= 1.05;
    return std::ceil(static_cast<double>(codePoints(text)) * perCharacter);
}

Size fittingSize(const RenderedNode& node, std::optional<double> proposedWidth) {
    Size s = measure(node, Context{}, proposedWidth);
    return {std::ceil(s.width), std::ceil(s.height)};
}

namespace {

// The width a node's parent leaves it: the parent's own share after its paddings and
// frames, less what the other children of a row take.
std::optional<double> offeredWidth(const RenderedNode& n, std::optional<double> rootWidth) {
    if (!n.parent) return rootWidth;
    std::optional<double> width = innerProposal(n.parent->data(), offeredWidth(*n.parent, rootWidth));
    if (!width || n.slot != RenderedNode::Slot::content || n.parent->kind() != NodeKind::hstack) return width;
    std::vector<const RenderedNode*> kids;
    flatten(*n.parent, kids);
    double others = n.parent->data().spacing.value_or(kDefaultSpacing) * static_cast<double>(kids.size() - 1);
    for (auto* k : kids) {
        if (k == &n) continue;
        others += k->kind() == NodeKind::spacer ? k->data().minLength.value_or(kDefaultSpacing)
                                                : measure(*k, Context{}, std::nullopt).width;
    }
    return std::max(0.0, *width - others);
}

}  // namespace

std::optional<double> candidateWidthLimit(const RenderedNode& node, std::optional<Size> offered) {
    if (!offered || node.data().axes != Axes::horizontal) return std::nullopt;
    return innerProposal(node.data(), offeredWidth(node, offered->width));
}

double candidateWidth(const RenderedNode& candidate) { return measure(candidate, Context{}, std::nullopt).width; }

int chooseCandidate(const RenderedNode& node, std::optional<Size> offered) {
    std::vector<const RenderedNode*> kids;
    flatten(node, kids);
    if (kids.empty() || !offered) return 0;
    const bool horizontal = node.data().axes == Axes::horizontal;
    const std::optional<double> width = candidateWidthLimit(node, offered);
    for (size_t i = 0; i + 1 < kids.size(); ++i) {
        bool fits = horizontal ? (!width || candidateWidth(*kids[i]) <= *width)
                               : measure(*kids[i], Context{}, std::nullopt).height <= offered->height;
        if (fits) return static_cast<int>(i);
    }
    return static_cast<int>(kids.size() - 1);
}

const RenderedNode* chosenCandidateNode(const RenderedNode& node) {
    std::vector<const RenderedNode*> kids;
    flatten(node, kids);
    if (kids.empty()) return nullptr;
    return kids[std::min<size_t>(static_cast<size_t>(std::max(0, node.chosenCandidate)), kids.size() - 1)];
}

}  // namespace ui::SizeEstimator
