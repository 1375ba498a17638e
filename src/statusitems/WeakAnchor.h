#pragma once
#include <memory>

namespace tessivane {

// Lets deferred work (timers, main-queue blocks, monitors, menu actions) hold an object
// weakly even though its owner holds it uniquely: the anchor dies with the object, and a
// block that finds it gone does nothing. Usable from the object's constructor.
template <class T>
class WeakAnchor {
public:
    explicit WeakAnchor(T* object) : ref_(std::make_shared<T*>(object)) {}
    WeakAnchor(const WeakAnchor&) = delete;
    WeakAnchor& operator=(const WeakAnchor&) = delete;

    class Weak {
    public:
        Weak() = default;
        explicit Weak(std::weak_ptr<T*> ref) : ref_(std::move(ref)) {}
        // The object, or null once it is gone.
        T* get() const {
            auto p = ref_.lock();
            return p ? *p : nullptr;
        }

    private:
        std::weak_ptr<T*> ref_;
    };

    Weak weak() const { return Weak(ref_); }
    // From now on every weak handle finds the object gone (called first when it goes away).
    void release() { ref_.reset(); }

private:
    std::shared_ptr<T*> ref_;
};

}  // namespace tessivane
