#include "platform/View.h"

#include <algorithm>

#include "platform/Platform.h"
#include "platform/Window.h"

namespace platform {

View::~View() {
    for (auto& child : subviews_) child->superview_ = nullptr;
}

void View::setFrame(Rect frame) { frame_ = frame; }

Window* View::window() const {
    const View* v = this;
    while (v) {
        if (v->hostWindow_) return v->hostWindow_;
        v = v->superview_;
    }
    return nullptr;
}

void View::setHostWindow(Window* window) {
    if (hostWindow_ == window) return;
    hostWindow_ = window;
    viewDidMoveToWindow();
}

void View::addSubview(std::shared_ptr<View> view) {
    if (!view || view.get() == this) return;
    view->removeFromSuperview();
    view->superview_ = this;
    subviews_.push_back(std::move(view));
    subviews_.back()->viewDidMoveToWindow();
}

void View::removeFromSuperview() {
    View* parent = superview_;
    if (!parent) return;
    superview_ = nullptr;
    auto& list = parent->subviews_;
    auto it = std::find_if(list.begin(), list.end(), [this](const auto& v) { return v.get() == this; });
    if (it != list.end()) {
        auto keep = *it;  // this view may be owned only by its superview
        list.erase(it);
        keep->viewDidMoveToWindow();
    }
}

void View::addTrackingArea(std::shared_ptr<TrackingArea> area) {
    if (!area) return;
    trackingAreas_.push_back(area);
    if (Events* events = services().events) events->trackingAreaAdded(*this, area);
}

void View::removeTrackingArea(const std::shared_ptr<TrackingArea>& area) {
    const auto removed = std::remove(trackingAreas_.begin(), trackingAreas_.end(), area);
    if (removed == trackingAreas_.end()) return;
    trackingAreas_.erase(removed, trackingAreas_.end());
    if (Events* events = services().events) events->trackingAreaRemoved(area);
}

// Each level maps the point from its own coordinates to its superview's; the content view's
// superview space is the window's.
Point View::convertToWindow(Point p) const {
    const View* v = this;
    while (v) {
        double y = v->isFlipped() ? v->frame_.size.height - p.y : p.y;
        p = Point{p.x + v->frame_.origin.x, y + v->frame_.origin.y};
        v = v->superview_;
    }
    return p;
}

Point View::convertFromWindow(Point p) const {
    std::vector<const View*> chain;
    for (const View* v = this; v; v = v->superview_) chain.push_back(v);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const View* v = *it;
        p = Point{p.x - v->frame_.origin.x, p.y - v->frame_.origin.y};
        if (v->isFlipped()) p.y = v->frame_.size.height - p.y;
    }
    return p;
}

Rect View::convertRectToWindow(Rect r) const {
    Point a = convertToWindow(r.origin);
    Point b = convertToWindow(Point{r.maxX(), r.maxY()});
    return Rect{std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y)};
}

Rect View::frameInScreen() const {
    Rect inWindow = convertRectToWindow(bounds());
    if (Window* w = window()) return w->convertRectToScreen(inWindow);
    return inWindow;
}

View* View::hitTest(Point pointInSuperview) {
    if (hidden_ || !frame_.contains(pointInSuperview)) return nullptr;
    Point local{pointInSuperview.x - frame_.origin.x, pointInSuperview.y - frame_.origin.y};
    if (isFlipped()) local.y = frame_.size.height - local.y;
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
        if (View* hit = (*it)->hitTest(local)) return hit;
    }
    return this;
}

}  // namespace platform
