#include "desktop/DesktopWindow.h"

#include <algorithm>

#include "desktop/DesktopApplication.h"

namespace desktop {

using platform::Point;
using platform::Rect;

DesktopWindow::DesktopWindow(DesktopRef desktop, std::shared_ptr<ServerWindow> server, platform::WindowStyleMask style)
    : desktop_(std::move(desktop)), server_(std::move(server)), style_(style) {
    server_->platformWindow = this;
}

DesktopWindow::~DesktopWindow() {
    server_->platformWindow = nullptr;
    if (contentView_) contentView_->setHostWindow(nullptr);
    if (Desktop* d = desktop_.get()) {
        d->application().resignKey(this);
        d->windowsModel().remove(server_->number);
    }
}

void DesktopWindow::noteChange() const {
    if (Desktop* d = desktop_.get()) d->noteChange();
}

void DesktopWindow::setTitle(std::string title) {
    title_ = std::move(title);
    noteChange();
}

void DesktopWindow::setIdentifier(std::string identifier) {
    identifier_ = std::move(identifier);
    noteChange();
}

void DesktopWindow::setLevel(int level) {
    server_->level = level;
    noteChange();
}

void DesktopWindow::setAlphaValue(double alpha) {
    server_->alpha = alpha;
    noteChange();
}

void DesktopWindow::setStyleMask(platform::WindowStyleMask mask) {
    Rect content = contentRect();
    style_ = mask;
    setContentSize(content.size);
}

static double titleBar(platform::WindowStyleMask style) {
    bool titled = (style & platform::WindowStyle::titled) != 0;
    bool full = (style & platform::WindowStyle::fullSizeContentView) != 0;
    return titled && !full ? DesktopWindow::kTitleBarHeight : 0;
}

void DesktopWindow::setFrame(Rect frame) {
    frame.size.width = std::max(frame.size.width, 0.0);
    frame.size.height = std::max(frame.size.height, 0.0);
    server_->frame = frame;
    noteChange();
    syncContentFrame();
}

const ServerWindow& DesktopWindow::laidOut() const {
    if (Desktop* d = desktop_.get()) d->layoutIfNeeded();
    return *server_;
}

static Rect contentIn(const Rect& frame, platform::WindowStyleMask style) {
    return Rect{frame.origin.x, frame.origin.y, frame.width(), std::max(0.0, frame.height() - titleBar(style))};
}

Rect DesktopWindow::contentRect() const { return contentIn(laidOut().frame, style_); }

void DesktopWindow::setContentSize(platform::Size size) {
    // The top edge stays where it is, as AppKit keeps it.
    Rect f = laidOut().frame;
    double height = size.height + titleBar(style_);
    double top = f.maxY();
    setFrame(Rect{f.origin.x, top - height, size.width, height});
}

std::optional<platform::Screen> DesktopWindow::screen() const {
    Desktop* d = desktop_.get();
    if (!d) return std::nullopt;
    std::optional<platform::Screen> best;
    double bestArea = 0;
    for (const auto& s : d->screens()) {
        Rect i = s.frame.intersection(laidOut().frame);
        double area = i.width() * i.height();
        if (area > bestArea) {
            bestArea = area;
            best = s;
        }
    }
    return best ? best : d->mainScreen();
}

void DesktopWindow::center() {
    Desktop* d = desktop_.get();
    if (!d) return;
    auto s = d->mainScreen();
    if (!s) return;
    Rect v = s->visibleFrame;
    Rect f = laidOut().frame;
    // Horizontally centred, a little above the middle.
    double x = std::round(v.midX() - f.width() / 2);
    double y = std::round(v.minY() + (v.height() - f.height()) * 2.0 / 3.0);
    setFrame(Rect{x, std::max(v.minY(), y), f.width(), f.height()});
}

void DesktopWindow::makeKeyAndOrderFront() {
    orderFrontRegardless();
    if (Desktop* d = desktop_.get()) d->application().makeKey(this);
}

void DesktopWindow::orderFrontRegardless() {
    closed_ = false;
    Desktop* d = desktop_.get();
    // Every click in a window orders it front: the one in front already moves nothing, and the
    // display has nothing to build again for it.
    if (d && server_->ordered && d->windows().isLastOrdered(*server_)) return;
    server_->ordered = true;
    if (d) d->windows().orderFront(*server_);
}

void DesktopWindow::orderOut() {
    server_->ordered = false;
    noteChange();
    if (Desktop* d = desktop_.get()) d->application().resignKey(this);
}

void DesktopWindow::close() {
    if (closed_ && !server_->ordered) return;
    if (auto del = delegate_.lock()) del->windowWillClose(*this);
    willClose.send();
    closed_ = true;
    orderOut();
    if (Desktop* d = desktop_.get(); d && (style_ & platform::WindowStyle::titled)) d->application().noteWindowClosed();
}

void DesktopWindow::performClose() {
    if (!(style_ & platform::WindowStyle::closable)) {
        if (Desktop* d = desktop_.get()) d->noteBeep();
        return;
    }
    if (auto del = delegate_.lock()) {
        if (!del->windowShouldClose(*this)) return;
    }
    close();
}

bool DesktopWindow::isKeyWindow() const {
    Desktop* d = desktop_.get();
    return d && d->application().keyDesktopWindow() == this;
}

void DesktopWindow::noteKeyChange(bool isKey) {
    auto del = delegate_.lock();
    if (isKey) {
        if (del) del->windowDidBecomeKey(*this);
        didBecomeKey.send();
    } else {
        if (del) del->windowDidResignKey(*this);
        didResignKey.send();
    }
}

void DesktopWindow::setContentView(std::shared_ptr<platform::View> view) {
    if (contentView_ == view) return;
    if (contentView_) contentView_->setHostWindow(nullptr);
    contentView_ = std::move(view);
    noteChange();
    if (contentView_) {
        syncContentFrame();
        contentView_->setHostWindow(this);
    }
}

void DesktopWindow::syncContentFrame() {
    if (!contentView_) return;
    // The server's frame as it is: this runs inside a layout and right after a change of
    // size, and must not ask for another layout.
    const Rect c = contentIn(server_->frame, style_);
    contentView_->setFrame(Rect{0, 0, c.width(), c.height()});
}

Point DesktopWindow::convertPointFromScreen(Point p) const {
    const Rect& f = laidOut().frame;
    return Point{p.x - f.origin.x, p.y - f.origin.y};
}

Point DesktopWindow::convertPointToScreen(Point p) const {
    const Rect& f = laidOut().frame;
    return Point{p.x + f.origin.x, p.y + f.origin.y};
}

}  // namespace desktop
