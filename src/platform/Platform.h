#pragma once

namespace platform {

class Workspace;
class Application;
class StatusBar;
class Screens;
class Events;
class Accessibility;
class WindowServer;
class SyntheticEvents;
class LoginItems;
class UpdaterFramework;
class Pasteboard;

// The backend of the macOS-only services, installed once at start by `main`, a test or a
// benchmark (the simulated desktop, here). Product code reaches the services through the
// accessors below, the way AppKit code reaches its shared objects.
struct Services {
    Workspace* workspace = nullptr;
    Application* application = nullptr;
    StatusBar* statusBar = nullptr;
    Screens* screens = nullptr;
    Events* events = nullptr;
    Accessibility* accessibility = nullptr;
    WindowServer* windowServer = nullptr;
    SyntheticEvents* syntheticEvents = nullptr;
    LoginItems* loginItems = nullptr;
    UpdaterFramework* updaterFramework = nullptr;
    Pasteboard* pasteboard = nullptr;
};

void install(const Services& services);
const Services& services();

// Each accessor requires its service to be installed.
Workspace& workspace();
Application& application();
StatusBar& statusBar();
Screens& screens();
Events& events();
Accessibility& accessibility();
WindowServer& windowServer();
SyntheticEvents& syntheticEvents();
LoginItems& loginItems();
UpdaterFramework& updaterFramework();
// The general pasteboard; before a backend installs one, a pasteboard of this process.
Pasteboard& pasteboard();

}  // namespace platform
