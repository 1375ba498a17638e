#include "ui/Environment.h"

namespace ui {

Environment Environment::overlaid(const Environment& other) const {
    std::vector<const Frame*> frames;
    for (const Frame* f = other.top_.get(); f; f = f->parent.get()) frames.push_back(f);
    Environment e = *this;
    for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
        e = e.push((*it)->key, (*it)->value, (*it)->observable, (*it)->isObject);
    }
    return e;
}

}  // namespace ui
