#include "ui/Automation.h"

#include <algorithm>
#include <functional>
#include <sstream>
#include <utility>

#include "platform/Application.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"
#include "ui/SizeEstimator.h"
#include "ui/TreeSerializer.h"

namespace ui {

namespace {

using Slot = RenderedNode::Slot;

bool inSubtree(const RenderedNode* n, const RenderedNode* root) {
    for (; n; n = n->parent)
        if (n == root) return true;
    return false;
}

bool effectivelyDisabled(const RenderedNode* n) {
    for (; n; n = n->parent)
        if (n->data().disabled) return true;
    return false;
}

// Whether a node is among the items of a menu or context menu (shown only while open).
const RenderedNode* owningMenu(const RenderedNode* n) {
    for (; n && n->parent; n = n->parent) {
        if (n->slot == Slot::menuItem || n->slot == Slot::contextMenuItem) return n->parent;
    }
    return nullptr;
}

void collectText(const RenderedNode& n, std::vector<std::string>& out) {
    const NodeData& d = n.data();
    switch (d.kind) {
        case NodeKind::text:
            out.push_back(d.text);
            return;
        case NodeKind::label:
        case NodeKind::link:
            out.push_back(d.text);
            return;
        default: break;
    }
    for (auto& c : n.children)
        if (c->slot == Slot::content) collectText(*c, out);
}

std::string joined(const std::vector<std::string>& parts) {
    std::string s;
    for (auto& p : parts) {
        if (p.empty()) continue;
        if (!s.empty()) s += " ";
        s += p;
    }
    return s;
}

// The node's own text, for plain text queries.
std::optional<std::string> ownText(const RenderedNode& n) {
    const NodeData& d = n.data();
    if (d.accessibilityCombine) return title(n);
    switch (d.kind) {
        case NodeKind::text:
        case NodeKind::label:
        case NodeKind::link:
        case NodeKind::alert:
        case NodeKind::contentUnavailable: return d.text;
        case NodeKind::textField: return d.text;  // the placeholder
        case NodeKind::section:
            if (!d.text.empty()) return d.text;
            return std::nullopt;
        default: return std::nullopt;
    }
}

// A control answers to its whole title or to any one text of its label (a row with a
// symbol, a title and a shortcut hint answers to its title alone).
bool titleMatches(const RenderedNode& n, const std::string& text) {
    if (title(n) == text) return true;
    std::vector<std::string> parts;
    for (auto& c : n.children)
        if (c->slot == Slot::content) collectText(*c, parts);
    return std::find(parts.begin(), parts.end(), text) != parts.end();
}

bool matches(const RenderedNode& n, const Query& q) {
    const NodeData& d = n.data();
    if (q.identifier && d.identifier != *q.identifier) return false;
    if (q.role && roleOf(n) != *q.role) return false;
    if (q.text) {
        if (q.role) return titleMatches(n, *q.text);
        auto own = ownText(n);
        if (!own || *own != *q.text) return false;
    }
    return q.identifier || q.text || q.role;
}

// Visits what a person can reach: closed menus' items, unchosen ViewThatFits candidates and
// accessibility-hidden subtrees are left out.
void visitReachable(const RenderedNode& n, const Host& host, const std::function<bool(const RenderedNode&)>& visit,
                    bool& stop) {
    if (stop) return;
    if (n.data().accessibilityHidden) return;
    if (visit(n)) {
        stop = true;
        return;
    }
    if (n.data().accessibilityCombine) return;  // one element: its parts are not found one by one
    // Of a ViewThatFits only the candidate shown, in the place of its content.
    const bool fits = n.kind() == NodeKind::viewThatFits;
    bool candidateVisited = false;
    for (auto& c : n.children) {
        if (c->slot == Slot::menuItem || c->slot == Slot::contextMenuItem) {
            bool open = host.openMenuNodeId() == n.id;
            if (!open) continue;
        }
        if (fits && c->slot == Slot::content) {
            if (std::exchange(candidateVisited, true)) continue;
            const RenderedNode* chosen = SizeEstimator::chosenCandidateNode(n);
            if (chosen) visitReachable(*chosen, host, visit, stop);
            if (stop) return;
            continue;
        }
        visitReachable(*c, host, visit, stop);
        if (stop) return;
    }
}

}  // namespace

std::string title(const RenderedNode& n) {
    const NodeData& d = n.data();
    switch (d.kind) {
        case NodeKind::text:
        case NodeKind::label:
        case NodeKind::alert:
        case NodeKind::contentUnavailable: return d.text;
        case NodeKind::link:
        case NodeKind::picker:
        case NodeKind::textField:
            if (!d.text.empty()) return d.text;
            break;
        default: break;
    }
    if (!d.accessibilityLabel.empty()) return d.accessibilityLabel;
    std::vector<std::string> parts;
    for (auto& c : n.children)
        if (c->slot == Slot::content) collectText(*c, parts);
    return joined(parts);
}

Role roleOf(const RenderedNode& n) {
    switch (n.kind()) {
        case NodeKind::text: return Role::text;
        case NodeKind::image: return Role::image;
        case NodeKind::button: return owningMenu(&n) ? Role::menuItem : Role::button;
        case NodeKind::toggle: return Role::toggle;
        case NodeKind::textField: return Role::textField;
        case NodeKind::picker: return Role::picker;
        case NodeKind::menu: return owningMenu(&n) ? Role::menuItem : Role::menu;
        case NodeKind::link: return Role::link;
        case NodeKind::scrollView: return Role::scrollView;
        case NodeKind::progress: return Role::progress;
        case NodeKind::alert: return Role::alert;
        case NodeKind::vstack:
        case NodeKind::hstack:
        case NodeKind::zstack:
        case NodeKind::group: return Role::group;
        default: return Role::none;
    }
}

// --- Host: queries and keys

Element Host::root() { return Element(this, tree().id); }

Element Host::element(const std::string& nodeId) { return Element(this, nodeId); }

Element Host::find(const Query& query) {
    Element found;
    bool stop = false;
    visitReachable(tree(), *this,
                   [&](const RenderedNode& n) {
                       if (!matches(n, query)) return false;
                       found = Element(this, n.id);
                       return true;
                   },
                   stop);
    return found;
}

std::vector<Element> Host::findAll(const Query& query) {
    std::vector<Element> all;
    bool stop = false;
    visitReachable(tree(), *this,
                   [&](const RenderedNode& n) {
                       if (matches(n, query)) all.emplace_back(this, n.id);
                       return false;
                   },
                   stop);
    return all;
}

namespace {

const RenderedNode* presentedAlert(Host& host, const std::vector<std::string>& alerts) {
    return alerts.empty() ? nullptr : host.findNode(alerts.back());
}

// Closing a presentation is a change of what is shown even when its binding is a plain variable.
void dismiss(Host& host, const RenderedNode& presentation) {
    presentation.data().isOn.set(false);
    host.invalidate();
}

std::vector<const RenderedNode*> buttonsIn(const RenderedNode& n) {
    std::vector<const RenderedNode*> out;
    std::function<void(const RenderedNode&)> walk = [&](const RenderedNode& x) {
        if (x.kind() == NodeKind::button) out.push_back(&x);
        for (auto& c : x.children)
            if (c->slot == Slot::content) walk(*c);
    };
    walk(n);
    return out;
}

// Runs a button of a presented alert: the alert closes, then the button's action runs.
bool runAlertButton(Host& host, const RenderedNode& alert, const RenderedNode& button) {
    auto action = button.data().action;
    dismiss(host, alert);
    if (action) action();
    return true;
}

bool isDefaultAction(const KeyboardShortcut& k) { return k.kind == KeyboardShortcut::Kind::defaultAction; }

// Runs the first reachable, enabled button whose key equivalent matches.
bool runShortcut(Host& host, const std::function<bool(const KeyboardShortcut&)>& matchesKey) {
    for (auto& e : host.findAll(byRole(Role::button))) {
        const RenderedNode* b = e.node();
        const auto& shortcut = b->data().shortcut;
        if (shortcut && matchesKey(*shortcut) && !effectivelyDisabled(b)) {
            if (b->data().action) b->data().action();
            return true;
        }
    }
    return false;
}

}  // namespace

bool Host::pressReturn() {
    tree();
    if (const RenderedNode* alert = presentedAlert(*this, presentedAlerts_)) {
        for (auto* b : buttonsIn(*alert)) {
            if (b->data().buttonRole != ButtonRole::cancel && !effectivelyDisabled(b)) return runAlertButton(*this, *alert, *b);
        }
        return false;
    }
    if (focused_) {
        if (const RenderedNode* field = findNode(*focused_)) {
            if (field->data().onSubmit && !effectivelyDisabled(field)) {
                field->data().onSubmit();
                return true;
            }
        }
    }
    return runShortcut(*this, isDefaultAction);
}

bool Host::pressEscape() {
    tree();
    if (const RenderedNode* alert = presentedAlert(*this, presentedAlerts_)) {
        for (auto* b : buttonsIn(*alert)) {
            if (b->data().buttonRole == ButtonRole::cancel) return runAlertButton(*this, *alert, *b);
        }
        dismiss(*this, *alert);
        return true;
    }
    if (openMenu_) {
        openMenu_.reset();
        interactionChanged();
        return true;
    }
    const RenderedNode* popover = nullptr;
    index_.forEach([&](const RenderedNode& n) {
        if (n.kind() == NodeKind::popover && (!popover || n.id > popover->id)) popover = &n;
    });
    if (popover) {
        dismiss(*this, *popover);
        return true;
    }
    return runShortcut(*this, [](const KeyboardShortcut& k) { return k.kind == KeyboardShortcut::Kind::cancelAction; });
}

bool Host::pressKey(const std::string& key, platform::ModifierFlags modifiers) {
    if (key == "\r" && modifiers == 0) return pressReturn();
    if (key == "\x1b" && modifiers == 0) return pressEscape();
    if (presentedAlert(*this, presentedAlerts_)) return false;
    return runShortcut(*this, [&](const KeyboardShortcut& k) {
        return k.kind == KeyboardShortcut::Kind::key && k.key == key && k.modifiers == modifiers;
    });
}

// The field that takes typing: focused, enabled, and inside the presented alert if there is one.
const RenderedNode* Host::editableField() const {
    const RenderedNode* field = focused_ ? findNode(*focused_) : nullptr;
    if (!field || field->kind() != NodeKind::textField || effectivelyDisabled(field)) return nullptr;
    if (!presentedAlerts_.empty() && !inSubtree(field, findNode(presentedAlerts_.back()))) return nullptr;
    return field;
}

Cursor Host::cursor() const {
    if (!pointer_) return Cursor::arrow;
    for (const RenderedNode* n = findNode(*pointer_); n; n = n->parent)
        if (n->data().cursor) return *n->data().cursor;
    return Cursor::arrow;
}

// --- Element: reading

const RenderedNode* Element::node() const {
    if (!host_) return nullptr;
    host_->tree();
    return host_->findNode(id_);
}

NodeKind Element::kind() const {
    auto n = node();
    return n ? n->kind() : NodeKind::empty;
}

Role Element::role() const {
    auto n = node();
    return n ? roleOf(*n) : Role::none;
}

std::string Element::text() const {
    auto n = node();
    return n ? title(*n) : std::string();
}

std::string Element::value() const {
    auto n = node();
    if (!n) return {};
    const NodeData& d = n->data();
    switch (d.kind) {
        case NodeKind::textField: return d.textValue.get();
        case NodeKind::picker: {
            int i = d.selectedIndex ? d.selectedIndex() : -1;
            return i >= 0 && i < static_cast<int>(d.options.size()) ? d.options[static_cast<size_t>(i)] : std::string();
        }
        case NodeKind::progress: {
            if (!d.value) return {};
            std::ostringstream s;
            s << *d.value;
            return s.str();
        }
        case NodeKind::toggle: return d.isOn.get() ? "1" : "0";
        default: return title(*n);
    }
}

bool Element::isDisabled() const {
    auto n = node();
    return n && effectivelyDisabled(n);
}

std::optional<bool> Element::isOn() const {
    auto n = node();
    if (!n || n->kind() != NodeKind::toggle) return std::nullopt;
    return n->data().isOn.get();
}

std::string Element::help() const {
    for (auto n = node(); n; n = n->parent)
        if (!n->data().help.empty()) return n->data().help;
    return {};
}

std::string Element::identifier() const {
    auto n = node();
    return n ? n->data().identifier : std::string();
}

std::string Element::accessibilityLabel() const {
    auto n = node();
    if (!n) return {};
    return n->data().accessibilityLabel.empty() ? title(*n) : n->data().accessibilityLabel;
}

std::vector<std::string> Element::options() const {
    auto n = node();
    if (!n) return {};
    if (n->kind() == NodeKind::picker) return n->data().options;
    std::vector<std::string> out;
    std::function<void(const RenderedNode&)> walk = [&](const RenderedNode& x) {
        for (auto& c : x.children) {
            bool item = c->slot == Slot::menuItem || c->slot == Slot::contextMenuItem ||
                        (c->slot == Slot::content && (x.kind() == NodeKind::section || x.kind() == NodeKind::group));
            if (!item) continue;
            NodeKind k = c->kind();
            if (k == NodeKind::button || k == NodeKind::menu || k == NodeKind::toggle) {
                out.push_back(title(*c));
            } else if (k == NodeKind::section || k == NodeKind::group) {
                walk(*c);
            }
        }
    };
    walk(*n);
    return out;
}

std::vector<Element> Element::children() const {
    std::vector<Element> out;
    auto n = node();
    if (!n) return out;
    std::function<void(const RenderedNode&)> add = [&](const RenderedNode& x) {
        for (auto& c : x.children) {
            if (c->slot != Slot::content || c->kind() == NodeKind::empty) continue;
            if (c->kind() == NodeKind::group && c->data().modifiers.empty()) {
                add(*c);
            } else {
                out.emplace_back(host_, c->id);
            }
        }
    };
    add(*n);
    return out;
}

Element Element::parent() const {
    auto n = node();
    return n && n->parent ? Element(host_, n->parent->id) : Element();
}

Element Element::find(const Query& query) const {
    Element found;
    auto n = node();
    if (!n) return found;
    bool stop = false;
    visitReachable(*n, *host_,
                   [&](const RenderedNode& x) {
                       if (&x == n || !matches(x, query)) return false;
                       found = Element(host_, x.id);
                       return true;
                   },
                   stop);
    return found;
}

std::vector<Element> Element::findAll(const Query& query) const {
    std::vector<Element> all;
    auto n = node();
    if (!n) return all;
    bool stop = false;
    visitReachable(*n, *host_,
                   [&](const RenderedNode& x) {
                       if (&x != n && matches(x, query)) all.emplace_back(host_, x.id);
                       return false;
                   },
                   stop);
    return all;
}

nlohmann::json Element::properties() const {
    auto n = node();
    return n ? TreeSerializer::serialize(*n, host_) : nlohmann::json();
}

// --- Element: acting

namespace {

bool reachable(Host& host, const RenderedNode* n, const std::vector<std::string>& alerts) {
    if (!n) return false;
    // The system's alert or open panel takes all of the application's input while it is up.
    if (const platform::Application* app = platform::services().application; app && app->isRunningModal()) return false;
    if (!alerts.empty()) {
        const RenderedNode* alert = host.findNode(alerts.back());
        if (!alert || !inSubtree(n, alert)) return false;
    }
    for (const RenderedNode* x = n; x; x = x->parent)
        if (!x->data().hitTesting) return false;
    return true;
}

const RenderedNode* enclosingAlert(const RenderedNode* n) {
    for (; n; n = n->parent)
        if (n->kind() == NodeKind::alert) return n;
    return nullptr;
}

bool actionable(const RenderedNode& n) {
    switch (n.kind()) {
        case NodeKind::button:
        case NodeKind::toggle:
        case NodeKind::link:
        case NodeKind::menu:
        case NodeKind::textField:
        case NodeKind::picker: return true;
        default: return static_cast<bool>(n.data().onTap);
    }
}

}  // namespace

namespace {
const RenderedNode* selfOrDescendant(const RenderedNode* n, NodeKind kind) {
    if (!n) return nullptr;
    if (n->kind() == kind) return n;
    for (auto& c : n->children) {
        if (c->slot != Slot::content && c->slot != Slot::modifierContent) continue;
        if (auto* f = selfOrDescendant(c.get(), kind)) return f;
    }
    return nullptr;
}
const RenderedNode* selfOrAncestor(const RenderedNode* n, NodeKind kind) {
    for (; n; n = n->parent)
        if (n->kind() == kind) return n;
    return nullptr;
}

// What a click on a node lands on first: an overlay drawn over the node or over one of its
// ancestors, when something in it takes such a click. The outermost overlay is on top.
const RenderedNode* firstHandling(const RenderedNode& n, const std::function<bool(const RenderedNode&)>& handles) {
    if (!n.data().hitTesting) return nullptr;
    if (handles(n)) return &n;
    for (auto& c : n.children) {
        if (c->slot != Slot::content && c->slot != Slot::modifierContent) continue;
        if (auto* h = firstHandling(*c, handles)) return h;
    }
    return nullptr;
}

const RenderedNode* overlayTarget(const RenderedNode* n, const std::function<bool(const RenderedNode&)>& handles) {
    const RenderedNode* found = nullptr;
    for (const RenderedNode* x = n; x; x = x->parent) {
        // Overlays lie over the content and over the overlays applied before them.
        int below = -1;
        for (auto& c : x->children) {
            if (c->slot == Slot::modifierContent && inSubtree(n, c.get())) below = c->slotIndex;
        }
        for (auto& c : x->children) {
            if (c->slot != Slot::modifierContent || c->slotIndex <= below) continue;
            if (x->data().modifiers[static_cast<size_t>(c->slotIndex)].kind != Modifier::Kind::overlay) continue;
            if (auto* h = firstHandling(*c, handles)) found = h;
        }
    }
    return found;
}
}  // namespace

bool Element::click() {
    const RenderedNode* n = node();
    if (!reachable(*host_, n, host_->presentedAlerts_)) return false;
    const RenderedNode* target = overlayTarget(n, actionable);
    if (!target) {
        target = n;
        while (target && !actionable(*target)) target = target->parent;
    }
    if (!target || effectivelyDisabled(target)) return false;
    const NodeData& d = target->data();
    host_->pointer_ = n->id;
    const RenderedNode* menu = owningMenu(target);
    switch (d.kind) {
        case NodeKind::button: {
            if (const RenderedNode* alert = enclosingAlert(target)) return runAlertButton(*host_, *alert, *target);
            auto action = d.action;
            if (menu) {
                host_->openMenu_.reset();
                host_->invalidate();
            }
            if (action) action();
            return true;
        }
        case NodeKind::toggle: d.isOn.set(!d.isOn.get()); return true;
        case NodeKind::link: {
            if (auto* workspace = platform::services().workspace) workspace->open(d.detail);
            return true;
        }
        case NodeKind::menu:
        case NodeKind::picker:
            if (d.kind == NodeKind::picker && d.pickerStyle == PickerStyle::segmented) return false;
            if (host_->openMenu_ == target->id) {
                host_->openMenu_.reset();
            } else {
                host_->openMenu_ = target->id;
            }
            host_->interactionChanged();
            return true;
        case NodeKind::textField:
            // The click puts the caret in the field: what Select All chose is chosen no more.
            host_->selectedAll_.reset();
            if (host_->focused_ != target->id) {
                host_->moveFocus(target->id);
                host_->interactionChanged();
            }
            return true;
        default:
            if (d.onTap) d.onTap();
            return true;
    }
}

bool Element::rightClick() {
    const RenderedNode* n = node();
    if (!reachable(*host_, n, host_->presentedAlerts_)) return false;
    auto takesSecondary = [](const RenderedNode& x) { return x.data().onSecondaryClick || !x.data().contextMenu.empty(); };
    const RenderedNode* top = overlayTarget(n, takesSecondary);
    for (const RenderedNode* x = top ? top : n; x; x = x->parent) {
        const NodeData& d = x->data();
        if (!takesSecondary(*x)) continue;
        if (effectivelyDisabled(x)) return false;
        host_->pointer_ = n->id;
        if (d.onSecondaryClick) {
            d.onSecondaryClick();
        } else {
            host_->openMenu_ = x->id;
            host_->interactionChanged();
        }
        return true;
    }
    return false;
}

bool Element::controlClick() { return rightClick(); }

bool Element::hover() {
    const RenderedNode* n = node();
    if (!n) return false;
    std::vector<const RenderedNode*> chain;
    for (const RenderedNode* x = n; x; x = x->parent) chain.push_back(x);
    auto& hovered = host_->hovered_;
    std::vector<std::function<void()>> calls;
    for (auto it = hovered.rbegin(); it != hovered.rend(); ++it) {
        const RenderedNode* h = host_->findNode(*it);
        if (h && std::find(chain.begin(), chain.end(), h) == chain.end() && h->data().onHover) {
            calls.push_back([f = h->data().onHover] { f(false); });
        }
    }
    std::erase_if(hovered, [&](const std::string& id) {
        const RenderedNode* h = host_->findNode(id);
        return !h || std::find(chain.begin(), chain.end(), h) == chain.end();
    });
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const RenderedNode* x = *it;
        if (!x->data().onHover || std::find(hovered.begin(), hovered.end(), x->id) != hovered.end()) continue;
        hovered.push_back(x->id);
        calls.push_back([f = x->data().onHover] { f(true); });
    }
    host_->pointer_ = n->id;
    for (auto& c : calls) c();
    return true;
}

bool Element::unhover() {
    const RenderedNode* n = node();
    if (!n) return false;
    auto& hovered = host_->hovered_;
    // Every hover region that holds the node, or lies inside it, is left.
    auto left = [&](const RenderedNode* h) { return inSubtree(h, n) || inSubtree(n, h); };
    std::vector<std::function<void()>> calls;
    for (auto it = hovered.rbegin(); it != hovered.rend(); ++it) {
        const RenderedNode* h = host_->findNode(*it);
        if (h && left(h) && h->data().onHover) calls.push_back([f = h->data().onHover] { f(false); });
    }
    std::erase_if(hovered, [&](const std::string& id) {
        const RenderedNode* h = host_->findNode(id);
        return !h || left(h);
    });
    host_->pointer_.reset();
    for (auto& c : calls) c();
    return true;
}


bool Element::type(const std::string& text) {
    const RenderedNode* field = selfOrDescendant(node(), NodeKind::textField);
    if (!reachable(*host_, field, host_->presentedAlerts_) || effectivelyDisabled(field)) return false;
    if (host_->focused_ != field->id) {
        host_->moveFocus(field->id);
        host_->interactionChanged();
    }
    host_->selectedAll_.reset();
    host_->recordEdit(*field, true);
    field->data().textValue.set(text);
    return true;
}

bool Element::toggle() {
    const RenderedNode* t = selfOrAncestor(node(), NodeKind::toggle);
    if (!t) t = selfOrDescendant(node(), NodeKind::toggle);
    if (!reachable(*host_, t, host_->presentedAlerts_) || effectivelyDisabled(t)) return false;
    t->data().isOn.set(!t->data().isOn.get());
    return true;
}

bool Element::choose(const std::string& optionTitle) {
    const RenderedNode* n = node();
    if (!reachable(*host_, n, host_->presentedAlerts_) || effectivelyDisabled(n)) return false;
    if (n->kind() != NodeKind::picker && n->kind() != NodeKind::menu && n->data().contextMenu.empty()) {
        // A labelled row that holds the control (a stack with the identifier) chooses through it.
        const RenderedNode* control = selfOrDescendant(n, NodeKind::picker);
        if (!control) control = selfOrDescendant(n, NodeKind::menu);
        if (!control || effectivelyDisabled(control)) return false;
        n = control;
    }
    const NodeData& d = n->data();
    if (d.kind == NodeKind::picker) {
        auto it = std::find(d.options.begin(), d.options.end(), optionTitle);
        if (it == d.options.end()) return false;
        host_->openMenu_.reset();
        d.selectIndex(static_cast<int>(it - d.options.begin()));
        return true;
    }
    // A menu, or a node with a context menu: the item is found among the items (sections,
    // groups and submenus opened up) and chosen as a click on it would.
    const RenderedNode* chosen = nullptr;
    std::function<void(const RenderedNode&, bool)> walk = [&](const RenderedNode& x, bool topLevel) {
        for (auto& c : x.children) {
            if (chosen) return;
            bool item = topLevel ? (c->slot == Slot::menuItem || c->slot == Slot::contextMenuItem)
                                 : (c->slot == Slot::content || c->slot == Slot::menuItem);
            if (!item) continue;
            NodeKind k = c->kind();
            if ((k == NodeKind::button || k == NodeKind::toggle) && title(*c) == optionTitle) {
                chosen = c.get();
            } else if (k == NodeKind::section || k == NodeKind::group || k == NodeKind::menu) {
                walk(*c, false);
            }
        }
    };
    walk(*n, true);
    if (!chosen || effectivelyDisabled(chosen)) return false;
    host_->openMenu_.reset();
    host_->invalidate();
    if (chosen->kind() == NodeKind::toggle) {
        chosen->data().isOn.set(!chosen->data().isOn.get());
    } else if (chosen->data().action) {
        chosen->data().action();
    }
    return true;
}

bool Element::submit() {
    const RenderedNode* field = selfOrDescendant(node(), NodeKind::textField);
    if (!reachable(*host_, field, host_->presentedAlerts_) || effectivelyDisabled(field)) return false;
    if (field->data().onSubmit) {
        field->data().onSubmit();
        return true;
    }
    // A field without its own action hands Return on: in a presented alert (which the field
    // is in, being reachable) to the alert's default button, else to the window's.
    if (!host_->presentedAlerts_.empty()) return host_->pressReturn();
    return runShortcut(*host_, isDefaultAction);
}

}  // namespace ui
