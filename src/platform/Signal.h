#pragma once
#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/RunLoop.h"

namespace platform {

// Keeps one subscription alive; destroying or cancelling it disconnects the handler.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    Subscription(Subscription&& o) noexcept : cancel_(std::exchange(o.cancel_, nullptr)) {}
    Subscription& operator=(Subscription&& o) noexcept {
        if (this != &o) {
            cancel();
            cancel_ = std::exchange(o.cancel_, nullptr);
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { cancel(); }
    void cancel() {
        if (auto c = std::exchange(cancel_, nullptr)) c();
    }

private:
    std::function<void()> cancel_;
};

// A synchronous signal. Handlers connected while it is being sent take effect from the next
// send; a handler cancelled while it is being sent is not called again, not even later in
// that same send. A handler may cancel any subscription, its own included.
template <class... Args>
class Signal {
public:
    Signal() : slots_(std::make_shared<Slots>()) {}
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;

    [[nodiscard]] Subscription connect(std::function<void(Args...)> handler) {
        auto slot = std::make_shared<Slot>(Slot{std::move(handler), true});
        slots_->push_back(slot);
        std::weak_ptr<Slots> weakSlots = slots_;
        std::weak_ptr<Slot> weakSlot = slot;
        return Subscription([weakSlots, weakSlot] {
            auto s = weakSlot.lock();
            if (!s) return;
            s->live = false;
            if (auto all = weakSlots.lock()) {
                all->erase(std::remove(all->begin(), all->end(), s), all->end());
            }
        });
    }

    void send(Args... args) const {
        if (slots_->empty()) return;
        auto snapshot = *slots_;
        for (auto& slot : snapshot) {
            if (slot->live) slot->handler(args...);
        }
    }

    size_t subscriberCount() const { return slots_->size(); }

private:
    struct Slot {
        std::function<void(Args...)> handler;
        bool live;
    };
    using Slots = std::vector<std::shared_ptr<Slot>>;
    std::shared_ptr<Slots> slots_;
};

// An object whose views and owners redraw when it announces a change.
class ObservableObject {
public:
    virtual ~ObservableObject() = default;
    Signal<> objectWillChange;
};

// A published property: every assignment first sends the owner's `objectWillChange`,
// then stores the value and sends it to the property's own subscribers.
template <class T>
class Published {
public:
    Published(ObservableObject& owner, T initial) : owner_(&owner), value_(std::move(initial)) {}
    Published(const Published&) = delete;
    Published& operator=(const Published&) = delete;

    const T& get() const { return value_; }
    operator const T&() const { return value_; }
    const T* operator->() const { return &value_; }

    void set(T value) {
        owner_->objectWillChange.send();
        value_ = std::move(value);
        changes.send(value_);
    }
    Published& operator=(T value) {
        set(std::move(value));
        return *this;
    }
    // Changes the value in place; still announces like an assignment.
    template <class F>
    void modify(F&& f) {
        owner_->objectWillChange.send();
        f(value_);
        changes.send(value_);
    }

    Signal<const T&> changes;

private:
    ObservableObject* owner_;
    T value_;
};

// Delivers each value on a later turn of the main run loop, as a subscription that
// receives on the main run loop does.
template <class T>
[[nodiscard]] Subscription sinkOnMain(Signal<const T&>& signal, std::function<void(const T&)> handler) {
    auto alive = std::make_shared<bool>(true);
    auto sub = signal.connect([alive, handler](const T& value) {
        RunLoop::main().async([alive, handler, value] {
            if (*alive) handler(value);
        });
    });
    return Subscription([alive, s = std::make_shared<Subscription>(std::move(sub))]() mutable {
        *alive = false;
        s->cancel();
    });
}

[[nodiscard]] inline Subscription sinkOnMain(Signal<>& signal, std::function<void()> handler) {
    auto alive = std::make_shared<bool>(true);
    auto sub = signal.connect([alive, handler] {
        RunLoop::main().async([alive, handler] {
            if (*alive) handler();
        });
    });
    return Subscription([alive, s = std::make_shared<Subscription>(std::move(sub))]() mutable {
        *alive = false;
        s->cancel();
    });
}

}  // namespace platform
