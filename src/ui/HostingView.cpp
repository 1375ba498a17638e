#include "ui/HostingView.h"

namespace ui {

HostingView::HostingView(std::shared_ptr<ui::View> root, Environment environment)
    : host_(std::make_unique<Host>(std::move(root), std::move(environment))) {}

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
    if (event.keyCode == platform::KeyCode::returnKey || event.characters == "\r") return host_->pressReturn();
    if (event.keyCode == platform::KeyCode::escape || event.characters == "\x1b") return host_->pressEscape();
    platform::ModifierFlags modifiers = event.modifierFlags & platform::Modifier::deviceIndependentMask &
                                        ~platform::Modifier::capsLock;
    if (modifiers != 0 && !event.characters.empty()) return host_->pressKey(event.characters, modifiers);
    return false;
}

// Shown (in a window) for the first time: render now, so that the first frame has content.
void HostingView::viewDidMoveToWindow() {
    if (window()) host_->tree();
}

}  // namespace ui

