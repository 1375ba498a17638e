#pragma once
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/ResponderAction.h"
#include "platform/Signal.h"
#include "ui/Environment.h"
#include "ui/NodeIndex.h"
#include "ui/RenderedNode.h"
#include "ui/TreeSerializer.h"
#include "ui/View.h"

namespace ui {

class Host;
class Element;
struct Query;

// Adds `object` to a short list of objects unless it is there already.
inline void addOnce(std::vector<platform::ObservableObject*>& list, platform::ObservableObject* object) {
    if (std::find(list.begin(), list.end(), object) == list.end()) list.push_back(object);
}

// The part of a host that views and subscriptions reach (weakly) to ask for a re-render.
struct HostCore {
    Host* host = nullptr;
    bool dirty = false;
    bool scheduled = false;
    std::vector<platform::ObservableObject*> observedThisRender;
    // What announced a change since the last render, and whether the host itself was asked to
    // render (its environment, a presentation closed): views that read neither may be kept.
    std::vector<platform::ObservableObject*> changedObjects;
    bool renderAll = false;

    void markDirty();
    void noteObserved(platform::ObservableObject& object);
};

// Keeps a root view and its rendered tree. Renders on first use; after any change it
// observes (a `State` of a view in the tree, `invalidate()`, or an observed object's
// `objectWillChange`) it renders again on the next turn of the main run loop, once for any
// number of changes in one turn. Without a change the previous tree stays as it is.
class Host {
public:
    explicit Host(std::shared_ptr<View> root, Environment environment = {});
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    View& rootView() const { return *root_; }
    // Values and objects for the whole tree (before the first render, or followed by one).
    Environment& environment() { return environment_; }
    template <class T>
    void setEnvironmentObject(T& object) {
        environment_ = environment_.withObject(object);
        invalidate();
    }
    template <class Key>
    void setEnvironment(typename Key::Value value) {
        environment_ = environment_.with<Key>(std::move(value));
        invalidate();
    }

    // The current tree (rendered now if the host never rendered, or held a render back).
    const RenderedNode& tree();
    // While `shown` says false (a closed window's content), a change is not rendered on the
    // next turn but held back until the tree is next read, and the tree of the render before
    // is let go: a window nobody sees costs nothing as the state it shows changes.
    void setShown(std::function<bool()> shown) { shown_ = std::move(shown); }
    // Renders now (the run loop does this on its own after a change).
    void render();
    void invalidate();
    bool needsRender() const { return !rootNode_ || core_->dirty; }
    // Renders done so far, and renders whose output differed from the one before.
    uint64_t renderCount() const { return renderCount_; }
    uint64_t changeCount() const { return changeCount_; }
    // Sent after a render that changed what is shown.
    platform::Signal<> didChange;

    // The size the content wants (popover content sizes) and the size offered to it.
    Size fittingSize();
    void setProposedSize(std::optional<Size> size) { proposedSize_ = size; }
    std::optional<Size> proposedSize() const { return proposedSize_; }
    // The rendered tree as JSON for the display; ids are the nodes' stable ids.
    nlohmann::json serialize();
    // The same as text: the text the last render wrote while it still shows what is there,
    // else written now (the focus or the open menu moved since, or a change waits to render:
    // fields and switches read their bindings as they are now). `fresh` writes it now in any
    // case. Valid until the next call or render.
    const std::string& serializedText(bool fresh = false);

    // Runs onDisappear of every node (the window or popover is going away).
    void tearDown();

    // --- automation (see ui/Automation.h for the element handles)
    Element root();
    Element find(const Query& query);
    std::vector<Element> findAll(const Query& query);
    Element element(const std::string& nodeId);
    // Return runs the focused field's submit action, else the default-action button;
    // Escape dismisses a presented alert or popover, else runs the cancel-action button.
    bool pressReturn();
    bool pressEscape();
    // A key equivalent ("q" with Command) of a button.
    bool pressKey(const std::string& key, platform::ModifierFlags modifiers = platform::Modifier::command);
    // Keys typed while a field has the focus: characters go in at the end, Delete takes the
    // last character out. False when no enabled field has the focus.
    bool insertText(const std::string& characters);
    bool deleteBackward();
    // Select All in a field: its whole text is selected, and what is typed next replaces it
    // (Delete clears it). False when no enabled field has the focus.
    bool selectAll();
    // The Edit menu's commands, which reach the focused field as first responder: Cut and Copy
    // of the selected text, Paste over the selection or at the end, Undo and Redo of the
    // field's edits while it keeps the focus, Select All. `canPerform`: whether one acts now.
    bool canPerform(platform::ResponderAction action) const;
    bool perform(platform::ResponderAction action);
    // Interaction state: the pointer's cursor, the focused field, the open menu.
    Cursor cursor() const;
    std::optional<std::string> focusedNodeId() const { return focused_; }
    std::optional<std::string> openMenuNodeId() const { return openMenu_; }
    const RenderedNode* findNode(const std::string& nodeId) const;

private:
    friend struct HostCore;
    friend class Element;
    friend class Renderer;

    void renderIfDirty();
    // The focus or the open menu moved: the next render writes it, but no view reads it, so
    // none need draw again for it (unlike invalidate()).
    void interactionChanged() { core_->markDirty(); }
    void subscribeObserved();
    void runLifecycle(const NodeIndex& previous);
    const RenderedNode* editableField() const;
    // Gives the focus to the field with that id, or to none: a field that loses it reads false
    // through its focus binding and one that takes it true, as a focus state does.
    void moveFocus(const std::optional<std::string>& field);
    // Keeps the field's text before an edit for Undo; a run of typing is taken back whole.
    void recordEdit(const RenderedNode& field, bool typing);
    void replaceSelection(const RenderedNode& field, const std::string& text);
    TreeSerializer::Reuse textReuse() const;

    std::shared_ptr<View> root_;
    Environment environment_;
    std::shared_ptr<HostCore> core_;
    std::unique_ptr<RenderedNode> rootNode_;
    std::unique_ptr<RenderedNode> previousRoot_;  // kept one render longer: its handlers may be running
    // Keyed by the nodes' own ids: the tree they index outlives them (see previousRoot_).
    NodeIndex index_;
    std::unordered_map<std::string_view, std::shared_ptr<View>> views_;
    std::vector<std::string> presentedAlerts_;
    std::vector<std::pair<platform::ObservableObject*, platform::Subscription>> subscriptions_;
    std::optional<Size> proposedSize_;
    uint64_t renderCount_ = 0;
    uint64_t changeCount_ = 0;
    std::string lastSerialized_;  // the text of the last render
    uint64_t serializedGeneration_ = 0;  // the render that wrote it
    std::optional<std::string> serializedFocus_, serializedOpenMenu_;  // the interaction state it shows
    std::string freshText_;  // written since, see serializedText
    bool tornDown_ = false;
    std::function<bool()> shown_;
    bool heldBack_ = false;  // a render waits for the tree to be read

    // interaction state
    std::vector<std::string> hovered_;   // nodes with hover handlers the pointer is in
    std::optional<std::string> pointer_;  // the node the pointer is on
    std::optional<std::string> focused_;
    std::optional<std::string> selectedAll_;  // the focused field whose whole text is selected
    struct FieldHistory {
        std::string field;  // the field the texts belong to
        std::vector<std::string> undo, redo;
        bool typing = false;  // the last edit was typing
    } history_;
    std::optional<std::string> openMenu_;
};

}  // namespace ui
