#include "ui/View.h"

#include "ui/Host.h"

namespace ui {

void View::observe(platform::ObservableObject& object) {
    addOnce(observed_, &object);
    if (auto core = host_.lock()) core->noteObserved(object);
}

void View::invalidate() {
    invalidated_ = true;
    if (auto core = host_.lock()) core->markDirty();
}

// Both views are of the same class, so their states were registered in the same order
// with the same types; the type check only guards against a class that registers states
// conditionally.
void View::adoptStateFrom(View& previous) {
    if (states_.size() != previous.states_.size()) return;
    for (size_t i = 0; i < states_.size(); ++i) {
        const auto& mine = *states_[i];
        const auto& theirs = *previous.states_[i];
        if (typeid(mine) != typeid(theirs)) return;
    }
    for (size_t i = 0; i < states_.size(); ++i) states_[i]->adopt(*previous.states_[i]);
}

}  // namespace ui
