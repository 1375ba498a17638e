// Text fields: which one has the focus, and editing it: typing, Delete, and the Edit menu's
// commands. The field holds no caret of its own: text goes in at the end, or over the whole
// text once Select All chose it.
#include <utility>

#include "platform/Pasteboard.h"
#include "platform/Platform.h"
#include "ui/Host.h"

namespace ui {

namespace {
// Undo goes back this many edits of a field; older ones are dropped.
constexpr size_t kUndoLimit = 100;
}  // namespace

void Host::moveFocus(const std::optional<std::string>& field) {
    if (focused_ == field) return;
    const RenderedNode* leaving = focused_ ? findNode(*focused_) : nullptr;
    focused_ = field;
    if (leaving && leaving->data().focus) leaving->data().focus.set(false);
    const RenderedNode* taking = field ? findNode(*field) : nullptr;
    if (taking && taking->data().focus) taking->data().focus.set(true);
}

void Host::recordEdit(const RenderedNode& field, bool typing) {
    if (history_.field != field.id) history_ = FieldHistory{field.id, {}, {}, false};
    history_.redo.clear();
    const bool continuesTyping = typing && history_.typing && !history_.undo.empty();
    history_.typing = typing;
    if (continuesTyping) return;
    if (history_.undo.size() == kUndoLimit) history_.undo.erase(history_.undo.begin());
    history_.undo.push_back(field.data().textValue.get());
}

void Host::replaceSelection(const RenderedNode& field, const std::string& text) {
    const bool replacing = std::exchange(selectedAll_, std::nullopt) == field.id;
    field.data().textValue.set(replacing ? text : field.data().textValue.get() + text);
}

bool Host::insertText(const std::string& characters) {
    const RenderedNode* field = editableField();
    if (!field) return false;
    recordEdit(*field, true);
    replaceSelection(*field, characters);
    return true;
}

bool Host::deleteBackward() {
    const RenderedNode* field = editableField();
    if (!field) return false;
    std::string text = field->data().textValue.get();
    if (std::exchange(selectedAll_, std::nullopt) == field->id) {
        text.clear();
    } else if (!text.empty()) {
        size_t cut = text.size() - 1;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // a whole UTF-8 character
        text.erase(cut);
    } else {
        return true;
    }
    recordEdit(*field, true);
    field->data().textValue.set(std::move(text));
    return true;
}

bool Host::selectAll() { return perform(platform::ResponderAction::selectAll); }

bool Host::canPerform(platform::ResponderAction action) const {
    using platform::ResponderAction;
    const RenderedNode* field = editableField();
    if (!field) return false;
    const bool ownHistory = history_.field == field->id;
    switch (action) {
        case ResponderAction::selectAll: return true;
        case ResponderAction::cut:
        case ResponderAction::copy: return selectedAll_ == field->id && !field->data().textValue.get().empty();
        case ResponderAction::paste: return platform::pasteboard().string().has_value();
        case ResponderAction::undo: return ownHistory && !history_.undo.empty();
        case ResponderAction::redo: return ownHistory && !history_.redo.empty();
    }
    return false;
}

bool Host::perform(platform::ResponderAction action) {
    using platform::ResponderAction;
    if (!canPerform(action)) return false;
    const RenderedNode& field = *editableField();
    auto& text = field.data().textValue;
    switch (action) {
        case ResponderAction::selectAll: selectedAll_ = field.id; break;
        case ResponderAction::copy:
        case ResponderAction::cut:
            platform::pasteboard().clearContents();
            platform::pasteboard().setString(text.get());
            if (action == ResponderAction::cut) {
                recordEdit(field, false);
                selectedAll_.reset();
                text.set(std::string());
            }
            break;
        case ResponderAction::paste:
            recordEdit(field, false);
            replaceSelection(field, *platform::pasteboard().string());
            break;
        case ResponderAction::undo:
        case ResponderAction::redo: {
            auto& from = action == ResponderAction::undo ? history_.undo : history_.redo;
            auto& to = action == ResponderAction::undo ? history_.redo : history_.undo;
            to.push_back(text.get());
            std::string previous = std::move(from.back());
            from.pop_back();
            history_.typing = false;
            selectedAll_.reset();
            text.set(std::move(previous));
            break;
        }
    }
    return true;
}

}  // namespace ui
