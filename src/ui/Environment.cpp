#include "ui/Environment.h"

namespace ui {

bool Environment::operator==(const Environment& other) const {
    const Frame* a = top_.get();
    const Frame* b = other.top_.get();
    for (; a && b; a = a->parent.get(), b = b->parent.get()) {
        if (a == b) return true;  // the rest is shared
        // The same key holds values of one type, so either frame's comparison serves.
        if (a->key != b->key || a->isObject != b->isObject || a->observable != b->observable || !a->equals ||
            !a->equals(a->value, b->value)) {
            return false;
        }
    }
    return a == b;
}

}  // namespace ui
