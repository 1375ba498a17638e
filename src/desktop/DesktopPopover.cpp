#include "desktop/DesktopPopover.h"

#include <algorithm>

#include "desktop/DesktopApplication.h"
#include "desktop/DesktopWindow.h"
#include "platform/Window.h"

namespace desktop {

using platform::Rect;
using platform::RectEdge;

DesktopPopover::DesktopPopover(DesktopRef desktop) : desktop_(std::move(desktop)) {}

DesktopPopover::~DesktopPopover() = default;

void DesktopPopover::setContentView(std::shared_ptr<platform::View> view) {
    contentView_ = std::move(view);
    if (window_) {
        if (shown_) place();
        window_->setContentView(contentView_);
    }
}

platform::Size DesktopPopover::contentSize() const {
    if (contentSize_) return *contentSize_;
    if (contentView_) return contentView_->fittingSize();
    return platform::Size{};
}

platform::Window* DesktopPopover::window() const { return shown_ ? window_.get() : nullptr; }

void DesktopPopover::show(Rect relativeTo, platform::View& ofView, RectEdge preferredEdge) {
    Desktop* d = desktop_.get();
    if (!d) return;
    platform::Window* anchorWindow = ofView.window();
    if (!anchorWindow) return;  // AppKit refuses a view that is in no window
    Rect inWindow = ofView.convertRectToWindow(relativeTo);
    anchor_ = anchorWindow->convertRectToScreen(inWindow);
    anchorView_ = ofView.weak_from_this();
    anchorRect_ = relativeTo;
    preferredEdge_ = preferredEdge;
    if (!window_) {
        auto server = d->windows().create(WindowKind::popover, d->selfPID(), platform::WindowLevel::popUpMenu);
        window_ = std::make_shared<DesktopWindow>(desktop_, server, platform::WindowStyle::borderless);
        d->application().registerWindow(window_);
    }
    bool wasShown = shown_;
    auto delegate = delegate_.lock();
    if (!wasShown && delegate) delegate->popoverWillShow(*this);
    // Sized by the content before the window takes it (the window sizes its content view).
    place();
    window_->setContentView(contentView_);
    window_->orderFrontRegardless();
    shown_ = true;
    d->notePopoverShown(shared_from_this());
    if (!wasShown && delegate) delegate->popoverDidShow(*this);
}

void DesktopPopover::place() {
    Desktop* d = desktop_.get();
    if (!d || !window_) return;
    platform::Size size = contentSize();
    const auto screen = d->screenAt(platform::Point{anchor_.midX(), anchor_.midY()});
    // Kept within the visible frame (below the bar, above the Dock); content taller than the
    // room on its side scrolls.
    const Rect visible = screen ? screen->visibleFrame : Rect{0, 0, 1728, 1117};
    // Too tall for its side and with more room on the other: it opens there, as AppKit flips it.
    const double below = anchor_.minY() - kArrowHeight - visible.minY();
    const double above = visible.maxY() - anchor_.maxY() - kArrowHeight;
    edge_ = preferredEdge_;
    if (edge_ == RectEdge::minY && size.height > below && above > below) edge_ = RectEdge::maxY;
    else if (edge_ == RectEdge::maxY && size.height > above && below > above) edge_ = RectEdge::minY;
    double x = 0, y = 0;
    switch (edge_) {
        case RectEdge::minY:  // below (AppKit y grows upward)
            size.height = std::min(size.height, std::max(1.0, below));
            x = anchor_.midX() - size.width / 2;
            y = anchor_.minY() - kArrowHeight - size.height;
            break;
        case RectEdge::maxY:
            size.height = std::min(size.height, std::max(1.0, above));
            x = anchor_.midX() - size.width / 2;
            y = anchor_.maxY() + kArrowHeight;
            break;
        case RectEdge::minX:
        case RectEdge::maxX:
            size.height = std::min(size.height, visible.height());
            x = edge_ == RectEdge::minX ? anchor_.minX() - kArrowHeight - size.width : anchor_.maxX() + kArrowHeight;
            y = std::clamp(anchor_.midY() - size.height / 2, visible.minY(), visible.maxY() - size.height);
            break;
    }
    // Slid along its edge to stay on the screen, as AppKit does.
    x = std::clamp(x, visible.minX(), std::max(visible.minX(), visible.maxX() - size.width));
    window_->setFrame(Rect{x, y, size.width, size.height});
}

void DesktopPopover::reposition() {
    auto view = anchorView_.lock();
    if (!shown_ || !view || !view->window()) return;
    Rect moved = view->window()->convertRectToScreen(view->convertRectToWindow(anchorRect_));
    if (moved == anchor_) return;
    anchor_ = moved;
    place();
    if (window_) window_->syncContentFrame();
}

void DesktopPopover::performClose() {
    if (!shown_) return;
    if (auto delegate = delegate_.lock()) {
        if (!delegate->popoverShouldClose(*this)) return;
    }
    close();
}

void DesktopPopover::close() {
    if (!shown_) return;
    shown_ = false;
    if (window_) window_->orderOut();
    // The delegate may release this popover.
    auto keep = shared_from_this();
    if (auto delegate = delegate_.lock()) delegate->popoverDidClose(*this);
}

}  // namespace desktop
