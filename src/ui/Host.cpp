#include "ui/Host.h"

#include <algorithm>
#include <iterator>
#include <typeinfo>
#include <utility>

#include "platform/RunLoop.h"
#include "ui/Automation.h"
#include "ui/SizeEstimator.h"
#include "ui/TreeSerializer.h"

namespace ui {

void HostCore::markDirty() {
    dirty = true;
    if (scheduled || !host) return;
    scheduled = true;
    std::weak_ptr<HostCore> weak = host->core_;
    platform::RunLoop::main().async([weak] {
        auto core = weak.lock();
        if (!core) return;
        core->scheduled = false;
        if (core->host) core->host->renderIfDirty();
    });
}

void HostCore::noteObserved(platform::ObservableObject& object) {
    addOnce(observedThisRender, &object);
}

namespace {

// Keys become part of node ids; the separators of ids are escaped so that ids stay unique.
std::string escapeKey(const std::string& key) {
    std::string out;
    out.reserve(key.size());
    for (char c : key) {
        switch (c) {
            case '%': out += "%25"; break;
            case '.': out += "%2E"; break;
            case '/': out += "%2F"; break;
            case '@': out += "%40"; break;
            default: out += c;
        }
    }
    return out;
}

// The walks pass by the places of subtrees the next render took over (see keepPrevious).
template <class Tree, class F>
void preorder(Tree& n, const F& visit) {
    visit(n);
    for (auto& c : n.children)
        if (c) preorder(*c, visit);
}

// The same over the nodes with hooks only (see RenderedNode::hooks), in the same order.
template <class Tree, class F>
void preorderHooks(Tree& n, const F& visit) {
    if (!n.hooks) return;
    visit(n);
    for (auto& c : n.children)
        if (c) preorderHooks(*c, visit);
}

bool hasOwnHooks(const NodeData& d) {
    return !d.onAppear.empty() || !d.onDisappear.empty() || !d.changes.empty() ||
           (d.kind == NodeKind::textField && d.focus);
}

bool isOwnLive(const NodeData& d) {
    switch (d.kind) {
        case NodeKind::toggle:
        case NodeKind::textField:
        case NodeKind::picker:
        case NodeKind::viewThatFits: return true;
        default: return !d.alerts.empty() || d.popover;
    }
}

}  // namespace

// Expands a node tree: child views are matched to the previous render's views at the same
// id and their bodies are called with the environment in force at their place.
class Renderer {
public:
    // What was announced before this render is taken from the host: what changes while it
    // runs is for the next one.
    explicit Renderer(Host& host)
        : host_(host), changed_(std::exchange(host.core_->changedObjects, {})),
          renderAll_(std::exchange(host.core_->renderAll, false)) {}

    std::unique_ptr<RenderedNode> expand(const Node& node, std::string id, RenderedNode* parent, RenderedNode::Slot slot,
                                         int slotIndex, const Environment& inherited) {
        auto r = std::make_unique<RenderedNode>();
        fill(*r, node, std::move(id), parent, slot, slotIndex, inherited);
        return r;
    }

    // Expands `node` into `r`. A child is attached to its parent before its own children are
    // expanded (see expandChild), so that a candidate measured halfway (see overBudget) is
    // measured with all that is expanded of it so far, however deep.
    void fill(RenderedNode& r, const Node& node, std::string id, RenderedNode* parent, RenderedNode::Slot slot,
              int slotIndex, const Environment& inherited) {
        r.id = std::move(id);
        r.node = node;
        r.parent = parent;
        r.slot = slot;
        r.slotIndex = slotIndex;
        const NodeData& d = node.data();
        if (budget_ && !budget_->candidate) budget_->candidate = &r;
        if (overBudget()) {
            r.hooks = hasOwnHooks(d);
            r.live = true;
            return;
        }

        Environment env = inherited;
        // Edits were recorded innermost first; the innermost must end on top.
        for (auto it = d.environmentEdits.rbegin(); it != d.environmentEdits.rend(); ++it) env = (*it)(env);
        if (d.layoutDirection) env = env.with<LayoutDirectionKey>(*d.layoutDirection);
        r.environment = env;
        r.idHash = NodeIndex::hash(r.id);
        index.insert(r);

        r.children.reserve(childCount(d));
        for (size_t i = 0; i < d.modifiers.size() && !overBudget(); ++i) {
            if (d.modifiers[i].content) {
                expandChild(r, *d.modifiers[i].content, r.id + "/m" + std::to_string(i),
                            RenderedNode::Slot::modifierContent, static_cast<int>(i), env);
            }
        }

        if (d.kind == NodeKind::view && d.view) {
            if (!overBudget()) expandView(r, d.view, env);
        } else if (d.kind == NodeKind::viewThatFits) {
            // What fits depends on the rest of the tree: the candidates wait until it stands.
            pendingFits_.push_back({&r, env, r.children.size()});
        } else {
            expandList(r, d.children, ".", RenderedNode::Slot::content, env);
        }
        expandList(r, d.items, "/i", RenderedNode::Slot::menuItem, env);
        expandList(r, d.contextMenu, "/c", RenderedNode::Slot::contextMenuItem, env);

        for (size_t i = 0; i < d.alerts.size(); ++i) {
            const AlertSpec& a = d.alerts[i];
            if (!a.isPresented.get()) continue;
            Node alertNode(NodeKind::alert);
            auto& ad = alertNode.mut();
            ad.text = a.title;
            ad.detail = a.message;
            ad.isOn = a.isPresented;
            ad.children = a.actions;
            std::string alertID = r.id + "/a" + std::to_string(i);
            alerts.push_back(alertID);
            expandChild(r, alertNode, alertID, RenderedNode::Slot::alert, static_cast<int>(i), env);
        }
        if (d.popover && d.popover->isPresented.get()) {
            Node popoverNode(NodeKind::popover);
            popoverNode.mut().isOn = d.popover->isPresented;
            popoverNode.mut().children.push_back(d.popover->content);
            expandChild(r, popoverNode, r.id + "/p", RenderedNode::Slot::popover, 0, env);
        }
        r.hooks = hasOwnHooks(d) || std::any_of(r.children.begin(), r.children.end(), [](const auto& c) { return c->hooks; });
        // Cut short by a candidate's budget, the node is not all it would be.
        r.live = isOwnLive(d) || (budget_ && budget_->exceeded) ||
                 std::any_of(r.children.begin(), r.children.end(), [](const auto& c) { return c->live; });
    }

    // Expands the candidates of the ViewThatFits nodes met so far, and of those they hold, and
    // chooses among them. A candidate is expanded only as far as it takes to tell that it does
    // not fit, and the ones after the first that fits are not expanded at all: the rail of a
    // thousand chips measures a dozen of them to learn that it scrolls.
    void fitCandidates(std::optional<Size> offered) {
        for (size_t p = 0; p < pendingFits_.size(); ++p) {  // grows as candidates hold more
            const PendingFit fit = pendingFits_[p];
            RenderedNode& r = *fit.node;
            const std::vector<Node>& candidates = r.data().children;
            const std::optional<double> limit = SizeEstimator::candidateWidthLimit(r, offered);
            // A choice by height, or a candidate that is no one child of its own (an empty one, a
            // group opened up), is made as before: every candidate whole.
            const bool oneChildEach = std::none_of(candidates.begin(), candidates.end(), [](const Node& c) {
                return c.kind() == NodeKind::empty || (c.kind() == NodeKind::group && c.data().modifiers.empty());
            });
            const bool lazily = oneChildEach && (!offered || r.data().axes == Axes::horizontal);
            std::vector<std::unique_ptr<RenderedNode>> expanded;
            std::unordered_set<std::string> usedKeys;
            for (size_t i = 0; i < candidates.size(); ++i) {
                const bool last = i + 1 == candidates.size();  // taken when none before fits: not measured
                if (lazily && limit && !last) budget_ = Budget{*limit};
                expanded.push_back(expand(candidates[i], childID(r, ".", candidates[i], i, usedKeys), &r,
                                          RenderedNode::Slot::content, static_cast<int>(i), fit.environment));
                const bool whole = !budget_ || !budget_->exceeded;
                budget_.reset();
                if (last) break;
                if (lazily && whole && (!limit || SizeEstimator::candidateWidth(*expanded.back()) <= *limit)) break;
            }
            const bool hooks = std::any_of(expanded.begin(), expanded.end(), [](const auto& c) { return c->hooks; });
            r.children.insert(r.children.begin() + static_cast<std::ptrdiff_t>(fit.at),
                              std::make_move_iterator(expanded.begin()), std::make_move_iterator(expanded.end()));
            for (RenderedNode* n = &r; hooks && n && !n->hooks; n = n->parent) n->hooks = true;
            r.chosenCandidate = SizeEstimator::chooseCandidate(r, offered);
        }
        pendingFits_.clear();
    }

    NodeIndex index;
    std::unordered_map<std::string_view, std::shared_ptr<View>> views;
    std::vector<std::string> alerts;

private:
    void expandChild(RenderedNode& parent, const Node& node, std::string id, RenderedNode::Slot slot, int slotIndex,
                     const Environment& env) {
        parent.children.push_back(std::make_unique<RenderedNode>());
        fill(*parent.children.back(), node, std::move(id), &parent, slot, slotIndex, env);
    }

    static size_t childCount(const NodeData& d) {
        size_t n = d.children.size() + d.items.size() + d.contextMenu.size() + (d.popover ? 1 : 0);
        for (const Modifier& m : d.modifiers) n += m.content ? 1 : 0;
        return n;
    }

    static std::string childID(const RenderedNode& r, const char* separator, const Node& child, size_t i,
                               std::unordered_set<std::string>& usedKeys) {
        const NodeData& cd = child.data();
        std::string id = r.id + separator;
        if (cd.explicitID) {
            std::string key = "@" + escapeKey(*cd.explicitID);
            // A repeated key would make two nodes one; the repeat is told apart by position.
            if (!usedKeys.insert(key).second) key += "#" + std::to_string(i);
            id += key;
        } else {
            id += std::to_string(i);
        }
        return id;
    }

    void expandList(RenderedNode& r, const std::vector<Node>& list, const char* separator, RenderedNode::Slot slot,
                    const Environment& env) {
        if (list.empty()) return;
        std::unordered_set<std::string> usedKeys;
        for (size_t i = 0; i < list.size() && !overBudget(); ++i) {
            expandChild(r, list[i], childID(r, separator, list[i], i, usedKeys), slot, static_cast<int>(i), env);
        }
    }

    // While a candidate is measured against the width it may take: whether the part expanded
    // so far is already wider. Asked at every node, measured at doubling counts of nodes, so
    // that the measuring stays in proportion to what is expanded.
    bool overBudget() {
        if (!budget_ || !budget_->candidate) return false;
        if (budget_->exceeded) return true;
        if (++budget_->nodes < budget_->nextMeasure) return false;
        budget_->nextMeasure *= 2;
        budget_->exceeded = SizeEstimator::candidateWidth(*budget_->candidate) > budget_->width;
        return budget_->exceeded;
    }

    void expandView(RenderedNode& r, const std::shared_ptr<View>& view, const Environment& env) {
        auto previous = host_.views_.find(r.id);
        if (previous != host_.views_.end() && previous->second != view) {
            View& old = *previous->second;
            const View& replacement = *view;
            if (typeid(old) == typeid(replacement)) {
                if (keepPrevious(r, previous->second, replacement, env)) return;
                view->adoptStateFrom(old);
            }
        }
        view->host_ = host_.core_;
        view->environment_ = env;
        view->observed_.clear();
        view->invalidated_ = false;
        views[r.id] = view;
        r.view = view;
        Node body = view->body();
        // A body whose root carries an id is a new node when the id changes (a switch over steps).
        std::string bodyID = r.id + (body.data().explicitID ? ".@" + escapeKey(*body.data().explicitID) : ".0");
        expandChild(r, body, std::move(bodyID), RenderedNode::Slot::content, 0, env);
    }

    // Takes over what the view before drew at this place, its body's whole subtree, when the new
    // one has the same inputs and the same environment, and nothing below it asked to be drawn
    // again or observes what changed. The old view stays, with its state and observations.
    bool keepPrevious(RenderedNode& r, const std::shared_ptr<View>& old, const View& replacement,
                      const Environment& env) {
        if (renderAll_ || !replacement.sameInputs(*old)) return false;
        RenderedNode* at = host_.index_.find(r.id);
        if (!at || at->view != old || !(at->environment == env)) return false;
        auto& children = at->children;
        auto body = std::find_if(children.begin(), children.end(),
                                 [](const auto& c) { return c && c->slot == RenderedNode::Slot::content; });
        if (body == children.end() || (*body)->live || !unchanged(*old)) return false;
        kept_.clear();
        if (!gatherUnchanged(**body)) return false;
        std::unique_ptr<RenderedNode> kept = std::move(*body);
        kept->parent = &r;
        views[r.id] = old;
        r.view = old;
        for (auto* object : old->observed_) host_.core_->noteObserved(*object);
        // It goes into the new render's indexes as if it had been expanded.
        for (RenderedNode* n : kept_) {
            index.insert(*n);
            if (!n->view) continue;
            views[n->id] = n->view;
            for (auto* object : n->view->observed_) host_.core_->noteObserved(*object);
        }
        r.children.push_back(std::move(kept));
        return true;
    }

    bool unchanged(const View& v) const {
        return !v.invalidated_ && std::none_of(v.observed_.begin(), v.observed_.end(), [this](auto* o) {
                   return std::find(changed_.begin(), changed_.end(), o) != changed_.end();
               });
    }
    // Gathers the subtree into kept_ while none of its views changed. One that lent a part of
    // itself to this render already is not whole.
    bool gatherUnchanged(RenderedNode& n) {
        if (n.view && !unchanged(*n.view)) return false;
        kept_.push_back(&n);
        return std::all_of(n.children.begin(), n.children.end(),
                           [this](const auto& c) { return c && gatherUnchanged(*c); });
    }

    Host& host_;
    const std::vector<platform::ObservableObject*> changed_;
    const bool renderAll_;
    std::vector<RenderedNode*> kept_;  // see keepPrevious; its room serves every kept subtree
    struct PendingFit {
        RenderedNode* node;
        Environment environment;
        size_t at;  // where its candidates go among its children
    };
    std::vector<PendingFit> pendingFits_;
    struct Budget {
        double width;
        const RenderedNode* candidate = nullptr;
        size_t nodes = 0;
        size_t nextMeasure = 16;
        bool exceeded = false;
    };
    std::optional<Budget> budget_;
};

Host::Host(std::shared_ptr<View> root, Environment environment)
    : root_(std::move(root)), environment_(std::move(environment)), core_(std::make_shared<HostCore>()) {
    core_->host = this;
}

Host::~Host() {
    core_->host = nullptr;
    subscriptions_.clear();
}

const RenderedNode& Host::tree() {
    if (!rootNode_ || (heldBack_ && core_->dirty && !tornDown_)) render();
    return *rootNode_;
}

void Host::invalidate() {
    core_->renderAll = true;
    core_->markDirty();
}

void Host::renderIfDirty() {
    if (!core_->dirty || tornDown_) return;
    if (shown_ && !shown_()) {
        heldBack_ = true;
        // Run from the loop, so no handler of the render before is running.
        previousRoot_.reset();
        freshText_ = std::string();
        return;
    }
    render();
}

void Host::render() {
    core_->dirty = false;
    heldBack_ = false;
    core_->observedThisRender.clear();
    // The tree two renders old goes before the new one is built, not after: at no time are
    // three trees alive, and the new one is built in the memory the old one leaves.
    previousRoot_.reset();
    Renderer renderer(*this);
    // A tree is mostly the one before: its indexes are as large, and need not grow step by step.
    renderer.index.reserve(index_.size());
    renderer.views.reserve(views_.size());
    auto newRoot = renderer.expand(Node(root_), "0", nullptr, RenderedNode::Slot::content, 0, environment_);
    // Candidates are chosen once the whole tree stands: what fits depends on the siblings.
    renderer.fitCandidates(proposedSize_);

    previousRoot_ = std::move(rootNode_);
    rootNode_ = std::move(newRoot);
    auto previousIndex = std::move(index_);
    index_ = std::move(renderer.index);
    views_ = std::move(renderer.views);
    const auto previousAlerts = std::exchange(presentedAlerts_, std::move(renderer.alerts));
    ++renderCount_;

    // Interaction state that points at vanished nodes is dropped.
    std::erase_if(hovered_, [this](const std::string& id) { return !index_.contains(id); });
    if (focused_ && !index_.contains(*focused_)) focused_.reset();
    if (pointer_ && !index_.contains(*pointer_)) pointer_.reset();
    if (openMenu_ && !index_.contains(*openMenu_)) openMenu_.reset();

    // A field whose focus binding reads true takes the focus; one whose binding reads false gives it up.
    std::optional<std::string> wantsFocus;
    preorderHooks(*rootNode_, [&](RenderedNode& n) {
        if (!wantsFocus && n.kind() == NodeKind::textField && n.data().focus && n.data().focus.get()) wantsFocus = n.id;
    });
    if (wantsFocus) {
        moveFocus(wantsFocus);
    } else if (focused_) {
        const NodeData& field = index_.find(*focused_)->data();
        if (field.focus && !field.focus.get()) focused_.reset();
    }
    if (selectedAll_ != focused_) selectedAll_.reset();
    // An alert that has just come up with a text field gives the field the focus, as macOS does.
    if (!presentedAlerts_.empty() && std::find(previousAlerts.begin(), previousAlerts.end(), presentedAlerts_.back()) ==
                                         previousAlerts.end()) {
        std::optional<std::string> field;
        preorder(*index_.find(presentedAlerts_.back()), [&](const RenderedNode& n) {
            if (!field && n.kind() == NodeKind::textField) field = n.id;
        });
        if (field) moveFocus(field);
    }

    std::string serialized;
    serialized.reserve(lastSerialized_.size());  // a tree that changed little is as long as before
    TreeSerializer::Reuse reuse = textReuse();
    reuse.generation = renderCount_;
    reuse.record = true;
    TreeSerializer::write(serialized, *rootNode_, this, &reuse);
    bool changed = serialized != lastSerialized_;
    lastSerialized_ = std::move(serialized);
    serializedGeneration_ = renderCount_;
    serializedFocus_ = focused_;
    serializedOpenMenu_ = openMenu_;
    freshText_ = std::string();

    subscribeObserved();
    auto core = core_;  // a handler may close the window that owns this host
    runLifecycle(previousIndex);
    if (!core->host) return;
    if (changed) {
        ++changeCount_;
        didChange.send();
    }
}

void Host::subscribeObserved() {
    std::vector<std::pair<platform::ObservableObject*, platform::Subscription>> next;
    for (auto* object : core_->observedThisRender) {
        auto existing = std::find_if(subscriptions_.begin(), subscriptions_.end(),
                                     [object](const auto& s) { return s.first == object; });
        if (existing != subscriptions_.end()) {
            next.push_back(std::move(*existing));
            subscriptions_.erase(existing);
            continue;
        }
        std::weak_ptr<HostCore> weak = core_;
        next.emplace_back(object, object->objectWillChange.connect([weak, object] {
            auto core = weak.lock();
            if (!core) return;
            addOnce(core->changedObjects, object);
            core->markDirty();
        }));
    }
    subscriptions_ = std::move(next);
}

namespace {
// The same node across two renders: same place, same kind, and for views the same type
// (`cond ? Text(...) : Empty()` shows and hides a node at one place).
bool sameIdentity(const RenderedNode& a, const RenderedNode& b) {
    if (a.kind() != b.kind()) return false;
    if (a.view && b.view) {
        const View& first = *a.view;
        const View& second = *b.view;
        return typeid(first) == typeid(second);
    }
    return true;
}

}  // namespace

// Handlers run after the new tree is in place, so that what they change lands in the next
// render; they are gathered first because a handler may render the host again.
void Host::runLifecycle(const NodeIndex& previous) {
    std::vector<std::function<void()>> pending;
    if (previousRoot_) {
        preorderHooks(*previousRoot_, [&](const RenderedNode& n) {
            if (n.data().onDisappear.empty()) return;
            const RenderedNode* now = index_.find(n.id);
            if (!now || !sameIdentity(*now, n)) {
                for (auto& f : n.data().onDisappear) pending.push_back(f);
            }
        });
    }
    preorderHooks(*rootNode_, [&](const RenderedNode& n) {
        const NodeData& d = n.data();
        if (d.onAppear.empty() && d.changes.empty()) return;  // nothing to run: no need to look it up
        const RenderedNode* old = previous.find(n.id);
        if (!old || !sameIdentity(*old, n)) {
            for (auto& f : d.onAppear) pending.push_back(f);
            return;
        }
        const NodeData& od = old->data();
        for (size_t i = 0; i < d.changes.size() && i < od.changes.size(); ++i) {
            const void* before = od.changes[i].value.get();
            if (!d.changes[i].equalsPrevious(before)) {
                auto action = d.changes[i].action;
                auto keep = od.changes[i].value;
                pending.push_back([action, keep] { action(keep.get()); });
            }
        }
    });
    for (auto& f : pending) f();
}

void Host::tearDown() {
    if (tornDown_) return;
    tornDown_ = true;
    subscriptions_.clear();
    if (!rootNode_) return;
    std::vector<std::function<void()>> pending;
    preorder(*rootNode_, [&](const RenderedNode& n) {
        for (auto& f : n.data().onDisappear) pending.push_back(f);
    });
    for (auto& f : pending) f();
}

Size Host::fittingSize() {
    const RenderedNode& t = tree();
    std::optional<double> width;
    if (proposedSize_) width = proposedSize_->width;
    return SizeEstimator::fittingSize(t, width);
}

nlohmann::json Host::serialize() { return TreeSerializer::serialize(tree(), this); }

const std::string& Host::serializedText(bool fresh) {
    const RenderedNode& t = tree();
    if (!fresh && !core_->dirty && serializedFocus_ == focused_ && serializedOpenMenu_ == openMenu_) return lastSerialized_;
    freshText_.clear();
    freshText_.reserve(lastSerialized_.size());
    TreeSerializer::Reuse reuse = textReuse();
    TreeSerializer::write(freshText_, t, this, &reuse);
    return freshText_;
}

// The text of the last render may stand for the nodes it wrote while the focus and the open
// menu it shows are still the ones there.
TreeSerializer::Reuse Host::textReuse() const {
    TreeSerializer::Reuse reuse;
    if (serializedFocus_ == focused_ && serializedOpenMenu_ == openMenu_) reuse.previous = lastSerialized_;
    reuse.previousGeneration = serializedGeneration_;
    return reuse;
}

const RenderedNode* Host::findNode(const std::string& nodeId) const {
    return index_.find(nodeId);
}

}  // namespace ui
