#include "platform/Platform.h"

#include "platform/Pasteboard.h"
#include "platform/Workspace.h"

namespace platform {
namespace {

Services& installed() {
    static Services s;
    return s;
}

}  // namespace

void install(const Services& services) { installed() = services; }

const Services& services() { return installed(); }

Workspace& workspace() {
    if (auto* w = installed().workspace) return *w;
    // Before a backend is installed, an empty workspace that knows no applications.
    static InMemoryWorkspace empty;
    return empty;
}

Pasteboard& pasteboard() {
    if (auto* p = installed().pasteboard) return *p;
    static InMemoryPasteboard own;
    return own;
}

}  // namespace platform
