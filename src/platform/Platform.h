#pragma once

namespace platform {

class Workspace;

// The backend of the macOS-only services, installed once at start by `main`, a test or a
// benchmark (the simulated desktop, here). Product code reaches the services through the
// accessors below, the way AppKit code reaches its shared objects.
struct Services {
    Workspace* workspace = nullptr;
};

void install(const Services& services);
const Services& services();

Workspace& workspace();

}  // namespace platform
