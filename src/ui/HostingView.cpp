#include "ui/HostingView.h"

#include "platform/Window.h"

namespace ui {

HostingView::HostingView(std::shared_ptr<ui::View> root, Environment environment)
    : host_(std::make_unique<Host>(std::move(root), std::move(environment))) {
    // Content outside any window (a test's) renders as ever; a closed window's waits.
    host_->setShown([this] { return !window() || window()->isVisible(); });
}

HostingView::~HostingView() { host_->tearDown(); }

platform::Size HostingView::fittingSize() const { return host_->fittingSize(); }

void HostingView::setFrame(platform::Rect frame) {
    platform::View::setFrame(frame);
    if (frame.size.width > 0 && frame.size.height > 0) {
        host_->setProposedSize(frame.size);
    } else {
        host_->setProposedSize(std::nullopt);
    }
}

bool HostingView::keyDown(const platform::Event& event) {
    host_->tree();  // a render held back while the window was closed comes first
    if (event.keyCode == platform::KeyCode::returnKey || event.characters == "\r") return host_->pressReturn();
    if (event.keyCode == platform::KeyCode::escape || event.characters == "\x1b") return host_->pressEscape();
    platform::ModifierFlags modifiers = event.modifierFlags & platform::Modifier::deviceIndependentMask &
                                        ~platform::Modifier::capsLock;
    // Command keys reach a field only as the Edit menu's commands (tryToPerform); here they
    // are the key equivalents of the content's buttons.
    if (modifiers & (platform::Modifier::command | platform::Modifier::control)) {
        return !event.characters.empty() && host_->pressKey(event.characters, modifiers);
    }
    if (event.keyCode == platform::KeyCode::deleteKey) return host_->deleteBackward();
    if (event.keyCode == platform::KeyCode::tab) return false;
    if (!event.characters.empty() && static_cast<unsigned char>(event.characters[0]) >= 0x20) {
        return host_->insertText(event.characters);
    }
    return false;
}

bool HostingView::tryToPerform(platform::ResponderAction action) { return host_->perform(action); }

bool HostingView::validateAction(platform::ResponderAction action) const { return host_->canPerform(action); }

// Shown (in a window) for the first time: render now, so that the first frame has content.
void HostingView::viewDidMoveToWindow() {
    if (window()) host_->tree();
}

}  // namespace ui

