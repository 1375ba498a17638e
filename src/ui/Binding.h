#pragma once
#include <functional>
#include <memory>
#include <utility>

namespace ui {

// A two-way connection to a value that lives elsewhere: a pair of get and set functions.
// Controls (toggles, fields, pickers) read through `get` each time they are drawn and
// write through `set` when the user changes them. Copies share the pair: a binding is copied
// into every node that shows it, at every render.
template <class T>
class Binding {
public:
    Binding() = default;
    Binding(std::function<T()> get, std::function<void(T)> set)
        : pair_(std::make_shared<const Pair>(Pair{std::move(get), std::move(set)})) {}

    // A binding that always reads `value` and ignores writes.
    static Binding constant(T value) {
        return Binding([value] { return value; }, [](T) {});
    }
    // A binding to a variable the caller keeps alive (a member of a long-lived object).
    static Binding to(T& variable) {
        return Binding([&variable] { return variable; }, [&variable](T v) { variable = std::move(v); });
    }

    T get() const { return pair_ && pair_->get ? pair_->get() : T{}; }
    void set(T value) const {
        if (pair_ && pair_->set) pair_->set(std::move(value));
    }
    explicit operator bool() const { return pair_ && pair_->get; }

    // A binding that converts on the way in and out (a Boolean view of an optional, say).
    template <class U>
    Binding<U> map(std::function<U(const T&)> to, std::function<T(U)> from) const {
        auto self = *this;
        return Binding<U>([self, to] { return to(self.get()); }, [self, from](U v) { self.set(from(std::move(v))); });
    }
    // Runs `after` with the new value after each write.
    Binding onSet(std::function<void(const T&)> after) const {
        auto self = *this;
        return Binding(pair_ ? pair_->get : std::function<T()>(), [self, after](T v) {
            self.set(v);
            after(v);
        });
    }

private:
    struct Pair {
        std::function<T()> get;
        std::function<void(T)> set;
    };
    std::shared_ptr<const Pair> pair_;
};

}  // namespace ui
