#pragma once
#include <concepts>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <typeinfo>
#include <utility>
#include <vector>

#include "platform/Signal.h"
#include "ui/Binding.h"
#include "ui/Environment.h"
#include "ui/Node.h"

namespace ui {

struct HostCore;
class StateBase;

// A view: a C++ class whose `body()` returns the node tree it draws. Local state lives in
// members of the view object; `State<T>` members re-render the host when they change.
//
// A parent may build its child views afresh in every `body()` (`view<MemberRow>(...)`):
// the host matches each child to the one rendered at the same place in the previous tree
// (same position, or same `.id(...)` in lists, and same type) and hands it the previous
// one's `State` values, so state survives re-renders while the arguments are new. A parent
// may also keep a child as a member and `embed(child_)` it; then the object itself persists.
class View {
public:
    View() = default;
    virtual ~View() = default;
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    virtual Node body() = 0;

    // Whether `previous`, the view of the same class drawn at this place in the render before,
    // was given inputs that draw the same. Then, unless its state, its environment or an object
    // it observes changed since, the host keeps what it drew instead of asking this one for a
    // body. No by default. Closures do not compare: a view that takes one may still say yes when
    // equal inputs make its closures act the same (select the vossel this chip shows) and they
    // hold nothing of the parent instance that made them, which is gone by the time they run.
    virtual bool sameInputs(const View& previous) const {
        (void)previous;
        return false;
    }

    // The environment the view was last rendered in.
    template <class Key>
    typename Key::Value environment() const {
        return environment_.get<Key>();
    }
    const Environment& environmentValues() const { return environment_; }
    // A shared object from the environment; the host re-renders when it announces a
    // change. Its absence is a programming error (the window that hosts the view installs it).
    template <class T>
    T& environmentObject() {
        T* object = environmentObjectIfPresent<T>();
        if (!object) {
            std::fprintf(stderr, "ui: missing environment object %s\n", typeid(T).name());
            std::abort();
        }
        return *object;
    }
    template <class T>
    T* environmentObjectIfPresent() {
        T* object = environment_.object<T>();
        if (object) {
            if (auto* observable = environment_.observableFor<T>()) observe(*observable);
        }
        return object;
    }

    // Re-render the host when `object` announces a change (call from `body()`).
    void observe(platform::ObservableObject& object);
    // Re-render the host on its next turn.
    void invalidate();

protected:
    // A binding to a plain member of this view that re-renders the host on every write.
    template <class T>
    Binding<T> bind(T& member) {
        return Binding<T>([&member] { return member; },
                          [this, &member](T value) {
                              member = std::move(value);
                              invalidate();
                          });
    }

private:
    friend class StateBase;
    friend class Host;
    friend class Renderer;
    void adoptStateFrom(View& previous);

    std::vector<StateBase*> states_;
    std::weak_ptr<HostCore> host_;
    Environment environment_;
    // Since its last body: what it observed, and whether it asked to be drawn again.
    std::vector<platform::ObservableObject*> observed_;
    bool invalidated_ = false;
};

class StateBase {
public:
    virtual ~StateBase() = default;
    StateBase(const StateBase&) = delete;
    StateBase& operator=(const StateBase&) = delete;

protected:
    explicit StateBase(View* owner) : owner_(owner) {
        if (owner) owner->states_.push_back(this);
    }
    static void notify(View* owner) {
        if (owner) owner->invalidate();
    }
    View* owner_;

private:
    friend class View;
    virtual void adopt(StateBase& previous) = 0;
};

// A piece of a view's own state: `State<bool> isHovering{this, false};`. Setting a new value
// re-renders the host on its next turn; `binding()` hands it to a control.
template <class T>
class State final : public StateBase {
public:
    explicit State(View* owner, T initial = T{}) : StateBase(owner), box_(std::make_shared<Box>(Box{std::move(initial), owner})) {}
    ~State() override {
        if (box_->owner == owner_) box_->owner = nullptr;
    }

    const T& get() const { return box_->value; }
    operator const T&() const { return box_->value; }
    const T* operator->() const { return &box_->value; }

    void set(T value) { store(*box_, std::move(value)); }
    State& operator=(T value) {
        set(std::move(value));
        return *this;
    }
    // Changes the value in place and re-renders.
    template <class F>
    void modify(F&& f) {
        f(box_->value);
        notify(box_->owner);
    }
    Binding<T> binding() const {
        auto box = box_;
        return Binding<T>([box] { return box->value; }, [box](T value) { store(*box, std::move(value)); });
    }

private:
    struct Box {
        T value;
        View* owner;
    };
    static void store(Box& box, T value) {
        if constexpr (std::equality_comparable<T>) {
            if (box.value == value) return;
        }
        box.value = std::move(value);
        notify(box.owner);
    }
    void adopt(StateBase& previous) override {
        box_ = static_cast<State&>(previous).box_;
        box_->owner = owner_;
    }
    std::shared_ptr<Box> box_;
};

// A child view built in place: `view<MemberRow>(member, onSelect)`.
template <class V, class... Args>
Node view(Args&&... args) {
    return Node(std::shared_ptr<View>(std::make_shared<V>(std::forward<Args>(args)...)));
}

// A child view kept by its parent (a member); the parent must outlive the host's tree.
inline Node embed(View& child) { return Node(std::shared_ptr<View>(&child, [](View*) {})); }

}  // namespace ui
