// The pointer: hit testing, tracking areas, and the one path every mouse event takes
// (the pointer, the display and synthesized events).
#include "desktop/Desktop.h"

#include <algorithm>
#include <type_traits>
#include <utility>

#include "desktop/DesktopApplication.h"
#include "desktop/DesktopPopover.h"
#include "desktop/DesktopServices.h"
#include "desktop/DesktopWindow.h"
#include "platform/RunLoop.h"

namespace desktop {

using platform::Point;
using platform::Rect;

platform::Event Desktop::makeEvent(platform::EventType type, Point p, int button, platform::ModifierFlags flags,
                                   int clickCount, uint32_t windowNumber) const {
    platform::Event e;
    e.type = type;
    e.locationInScreen = p;
    e.locationInWindow = p;
    e.modifierFlags = flags;
    e.buttonNumber = button;
    e.clickCount = clickCount;
    e.windowNumber = windowNumber;
    e.timestamp = platform::RunLoop::main().now();
    layoutIfNeeded();
    if (ServerWindow* w = windows_.find(windowNumber)) {
        e.locationInWindow = Point{p.x - w->frame.origin.x, p.y - w->frame.origin.y};
    }
    return e;
}

// The front-most window that takes the pointer at p, found in one pass over the windows
// without putting them all in order: it runs for every pointer event and tracking area.
ServerWindow* Desktop::windowAt(Point p) const {
    layoutIfNeeded();
    ServerWindow* front = nullptr;
    for (const auto& holder : windows_.all()) {
        ServerWindow* w = holder.get();
        if (front && (w->level < front->level || (w->level == front->level && w->order < front->order))) continue;
        if (!w->ordered || w->desktopElement || w->alpha <= 0 || !w->frame.contains(p)) continue;
        if (w->kind == WindowKind::statusItem) {
            const BarItem* item = bar_.find(w->barItem);
            if (!item || !item->shown) continue;
        }
        front = w;
    }
    return front;
}

static bool isDown(platform::EventType t) {
    using platform::EventType;
    return t == EventType::leftMouseDown || t == EventType::rightMouseDown || t == EventType::otherMouseDown;
}

static bool isUp(platform::EventType t) {
    using platform::EventType;
    return t == EventType::leftMouseUp || t == EventType::rightMouseUp || t == EventType::otherMouseUp;
}

static platform::EventType typeFor(MouseButton button, bool down) {
    using platform::EventType;
    switch (button) {
        case MouseButton::left: return down ? EventType::leftMouseDown : EventType::leftMouseUp;
        case MouseButton::right: return down ? EventType::rightMouseDown : EventType::rightMouseUp;
        default: return down ? EventType::otherMouseDown : EventType::otherMouseUp;
    }
}

static int numberOf(MouseButton button) {
    return button == MouseButton::left ? 0 : button == MouseButton::right ? 1 : 2;
}

void Desktop::moveMouse(Point p, platform::ModifierFlags flags) {
    dispatchMouse(platform::EventType::mouseMoved, p, 0, flags, 0);
}

void Desktop::mouseDown(Point p, MouseButton button, platform::ModifierFlags flags) {
    dispatchMouse(typeFor(button, true), p, numberOf(button), flags, 1);
}

void Desktop::mouseUp(Point p, MouseButton button, platform::ModifierFlags flags) {
    dispatchMouse(typeFor(button, false), p, numberOf(button), flags, 1);
}

void Desktop::click(Point p, MouseButton button, platform::ModifierFlags flags) {
    if (!(pointer_ == p)) moveMouse(p, flags);
    mouseDown(p, button, flags);
    mouseUp(p, button, flags);
}

void Desktop::drag(Point from, Point to, platform::ModifierFlags flags) {
    moveMouse(from, flags);
    mouseDown(from, MouseButton::left, flags);
    dispatchMouse(platform::EventType::leftMouseDragged, to, 0, flags, 1);
    mouseUp(to, MouseButton::left, flags);
}

namespace {

// The area in screen coordinates; with inVisibleRect it follows the view's bounds.
Rect trackingRectInScreen(const platform::View& view, const platform::TrackingArea& area, const platform::Window& window) {
    const Rect local = (area.options & platform::TrackingArea::inVisibleRect) ? view.bounds() : area.rect;
    return window.convertRectToScreen(view.convertRectToWindow(local));
}

template <class Pointer>
bool listed(const std::vector<Pointer>& list, const platform::TrackingArea* area) {
    return std::any_of(list.begin(), list.end(), [&](const Pointer& p) {
        if constexpr (std::is_same_v<Pointer, std::shared_ptr<platform::TrackingArea>>) {
            return p.get() == area;
        } else {
            return p.lock().get() == area;
        }
    });
}

}  // namespace

void Desktop::noteTrackingAreaAdded(const platform::View& view, const std::shared_ptr<platform::TrackingArea>& area) {
    if (!(area->options & platform::TrackingArea::assumeInside) && needsLayout_) {
        // Whether the pointer is inside depends on where the view will stand: decided after
        // the pending layout, once for all the areas a turn adds.
        pendingAreas_.emplace_back(view.weak_from_this(), area);
        return;
    }
    noteTrackingAreaPlaced(view, area);
}

void Desktop::noteTrackingAreaPlaced(const platform::View& view, const std::shared_ptr<platform::TrackingArea>& area) {
    bool inside = (area->options & platform::TrackingArea::assumeInside) != 0;
    if (!inside) {
        // The area's own rectangle first: the pointer is outside most areas, and finding the
        // window under it for each of thousands of status items made launching grow as a square.
        const platform::Window* window = view.window();
        inside = window && !view.isHidden() && trackingRectInScreen(view, *area, *window).contains(pointer_);
        if (inside) {
            const ServerWindow* top = windowAt(pointer_);
            inside = top && top->platformWindow == window;
        }
    }
    if (inside && !listed(insideAreas_, area.get())) insideAreas_.push_back(area);
}

void Desktop::placePendingTrackingAreas() {
    for (const auto& [weakView, weakArea] : std::exchange(pendingAreas_, {})) {
        auto view = weakView.lock();
        auto area = weakArea.lock();
        // An area taken off its view since is no longer tracked.
        if (!view || !area || !listed(view->trackingAreas(), area.get())) continue;
        noteTrackingAreaPlaced(*view, area);
    }
}

void Desktop::noteTrackingAreaRemoved(const std::shared_ptr<platform::TrackingArea>& area) {
    std::erase_if(insideAreas_, [&](const auto& weak) {
        auto a = weak.lock();
        return !a || a == area;
    });
}

void Desktop::updateTracking(const platform::Event& event) {
    std::vector<std::shared_ptr<platform::TrackingArea>> inside;
    ServerWindow* top = windowAt(pointer_);
    if (top && top->ordered && top->platformWindow) {
        if (auto content = top->platformWindow->contentView()) {
            std::vector<platform::View*> stack{content.get()};
            while (!stack.empty()) {
                platform::View* v = stack.back();
                stack.pop_back();
                if (v->isHidden()) continue;
                for (const auto& s : v->subviews()) stack.push_back(s.get());
                for (const auto& area : v->trackingAreas()) {
                    if (trackingRectInScreen(*v, *area, *top->platformWindow).contains(pointer_)) inside.push_back(area);
                }
            }
        }
    }
    std::vector<std::shared_ptr<platform::TrackingArea>> exited, entered;
    for (const auto& weak : insideAreas_) {
        auto a = weak.lock();
        if (a && std::find(inside.begin(), inside.end(), a) == inside.end()) exited.push_back(a);
    }
    for (const auto& a : inside) {
        if (!listed(insideAreas_, a.get())) entered.push_back(a);
    }
    insideAreas_.assign(inside.begin(), inside.end());
    for (const auto& a : exited) {
        if (!a->onMouseExited) continue;
        platform::Event e = event;
        e.type = platform::EventType::mouseExited;
        auto handler = a->onMouseExited;
        handler(e);
    }
    for (const auto& a : entered) {
        if (!a->onMouseEntered) continue;
        platform::Event e = event;
        e.type = platform::EventType::mouseEntered;
        auto handler = a->onMouseEntered;
        handler(e);
    }
}

void Desktop::deliverToOwn(ServerWindow& window, const platform::Event& event) {
    const platform::CGWindowID number = window.number;
    auto passed = events_->deliverLocal(event);
    if (!passed) return;
    // A monitor may have closed the window.
    ServerWindow* w = windows_.find(number);
    if (!w || !w->platformWindow) return;
    DesktopApplication::CurrentEventScope scope(*application_, *passed);
    std::shared_ptr<platform::View> view;
    if (isDown(passed->type)) {
        if (auto content = w->platformWindow->contentView()) {
            if (platform::View* hit = content->hitTest(w->platformWindow->convertPointFromScreen(passed->locationInScreen))) {
                view = hit->shared_from_this();
            }
        }
        mouseDownView_ = view;
    } else {
        view = mouseDownView_.lock();
        mouseDownView_.reset();
    }
    if (!view) return;
    using platform::EventType;
    switch (passed->type) {
        case EventType::leftMouseDown: view->mouseDown(*passed); break;
        case EventType::leftMouseUp: view->mouseUp(*passed); break;
        case EventType::rightMouseDown: view->rightMouseDown(*passed); break;
        case EventType::rightMouseUp: view->rightMouseUp(*passed); break;
        case EventType::otherMouseDown: view->otherMouseDown(*passed); break;
        case EventType::otherMouseUp: view->otherMouseUp(*passed); break;
        default: break;
    }
}

void Desktop::closeTransientPopovers(ServerWindow* target) {
    std::vector<std::shared_ptr<DesktopPopover>> toClose;
    for (const auto& weak : popovers_) {
        auto p = weak.lock();
        if (!p || !p->isShown() || p->behavior() == platform::PopoverBehavior::applicationDefined) continue;
        auto* pw = p->window();
        if (target && pw && target->number == pw->windowNumber()) continue;
        toClose.push_back(p);
    }
    for (auto& p : toClose) p->performClose();
}

void Desktop::notePopoverShown(const std::shared_ptr<DesktopPopover>& popover) {
    popovers_.erase(std::remove_if(popovers_.begin(), popovers_.end(),
                                   [&](const auto& w) { return w.expired() || w.lock() == popover; }),
                    popovers_.end());
    popovers_.push_back(popover);
}

std::vector<std::shared_ptr<DesktopPopover>> Desktop::shownPopovers() const {
    std::vector<std::shared_ptr<DesktopPopover>> out;
    for (const auto& weak : popovers_) {
        if (auto p = weak.lock(); p && p->isShown()) out.push_back(p);
    }
    return out;
}

void Desktop::dispatchMouse(platform::EventType type, Point p, int button, platform::ModifierFlags flags,
                            int clickCount) {
    using platform::EventType;
    pointer_ = p;
    modifiers_ = flags;
    if (isDown(type)) pressedButtons_ |= 1u << button;
    if (isUp(type)) pressedButtons_ &= ~(1u << button);
    events_->setState(modifiers_, pressedButtons_);

    ServerWindow* target = windowAt(p);
    platform::Event event = makeEvent(type, p, button, flags, clickCount, target ? target->number : 0);

    if (!isDown(type) && !isUp(type)) {
        if (draggingItem_) return;  // the system moves the item; applications see nothing
        updateTracking(event);
        if (target && target->ownerPID == selfPID_) {
            (void)events_->deliverLocal(event);
        } else {
            events_->deliverGlobal(event);
        }
        return;
    }

    if (isDown(type)) {
        const bool commandDrag = type == EventType::leftMouseDown && (flags & platform::Modifier::command) &&
                                 target && target->kind == WindowKind::statusItem;
        if (commandDrag) {
            draggingItem_ = target->barItem;
            return;
        }
        if (promptWindow_ && target == promptWindow_.get()) return;  // answered on mouse up
        if (ownMenu_ && target != ownMenuWindow_.get()) {
            cancelOwnMenu(*ownMenu_);  // a click outside dismisses the menu and goes no further
            return;
        }
        if (openedMenu_ && target != openedMenu_->window.get()) {
            const bool sameItem = target && target->kind == WindowKind::statusItem && target->barItem == openedMenu_->barItem;
            closeOpenedMenu();
            if (sameItem) return;  // a second click on the item closes its menu
        }
        if (application_->isRunningModal() && target && target->ownerPID == selfPID_ && target->kind != WindowKind::alert) {
            noteBeep();  // the modal session refuses clicks in other windows, and nothing else moves
            return;
        }
        const platform::CGWindowID targetNumber = target ? target->number : 0;
        closeTransientPopovers(target);
        // A popover's delegate may have taken windows away with it.
        target = windows_.find(targetNumber);
        mouseDownWindow_ = target ? target->number : 0;
        if (target && target->ownerPID == selfPID_ && target->platformWindow) {
            if (target->kind == WindowKind::ownWindow) {
                application_->activate(true);
                if (ServerWindow* w = windows_.find(targetNumber); w && w->platformWindow) {
                    w->platformWindow->makeKeyAndOrderFront();
                }
            }
            if (ServerWindow* w = windows_.find(targetNumber)) deliverToOwn(*w, event);
            return;
        }
        if (target && target->kind == WindowKind::statusItem) {
            const uint64_t id = target->barItem;
            const BarItem* item = bar_.find(id);
            if (!item || item->own) return;
            events_->deliverGlobal(event);
            // A monitor may have changed the bar; the item must still be there.
            if (BarItem* still = bar_.find(id)) {
                bool context = type == EventType::rightMouseDown || (flags & platform::Modifier::control);
                openMenuOf(*still, context);
            }
            return;
        }
        if (target && (target->kind == WindowKind::menu || target->kind == WindowKind::alert)) return;
        if (target && target->kind == WindowKind::menuBar && frontmost_ == selfPID_ && openOwnMenuBarMenu(p)) return;
        events_->deliverGlobal(event);
        // A click in another application's window, or on the desktop (Finder's), brings
        // that application to the front.
        int32_t other = 0;
        if (target && target->kind == WindowKind::appWindow) other = target->ownerPID;
        if (!target) {
            if (const SimulatedApp* finder = appNamed("com.apple.finder")) other = finder->pid;
        }
        if (other) {
            application_->deactivate();
            setFrontmostApp(other);
        }
        return;
    }

    // Mouse up.
    if (draggingItem_) {
        finishCommandDrag(p);
        return;
    }
    if (promptWindow_ && target == promptWindow_.get()) {
        const int button = promptLayout_.buttonAt(promptWindow_->frame, p);
        if (button >= 0) answerAccessibilityPrompt(button == 0);
        return;
    }
    if (handleMenuMouseUp(target, p)) return;
    if (!alertStack_.empty() && target == alertStack_.back()->window.get()) {
        AlertSession& s = *alertStack_.back();
        const int index = s.layout.buttonAt(s.window->frame, p);
        if (index >= 0) answerAlert(s.alert->buttons[static_cast<size_t>(index)]);
        return;
    }
    ServerWindow* downWindow = windows_.find(mouseDownWindow_);
    mouseDownWindow_ = 0;
    if (downWindow && downWindow->ownerPID == selfPID_ && downWindow->platformWindow) {
        deliverToOwn(*downWindow, event);
        return;
    }
    events_->deliverGlobal(event);
}

}  // namespace desktop
