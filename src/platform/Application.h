#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Alert.h"
#include "platform/Event.h"
#include "platform/Geometry.h"
#include "platform/OpenPanel.h"
#include "platform/ResponderAction.h"
#include "platform/Signal.h"
#include "platform/Workspace.h"

namespace platform {

class Menu;
class MenuItem;
class Popover;
class View;
class Window;

inline constexpr const char* kAppearanceAqua = "NSAppearanceNameAqua";
inline constexpr const char* kAppearanceDarkAqua = "NSAppearanceNameDarkAqua";

// The application delegate. The application holds it for the whole run.
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    virtual void applicationDidFinishLaunching() {}
    virtual void applicationDidBecomeActive() {}
    virtual void applicationWillTerminate() {}
    virtual bool applicationShouldTerminateAfterLastWindowClosed() { return false; }
};

// This process's application object (NSApp).
class Application {
public:
    virtual ~Application() = default;

    virtual ActivationPolicy activationPolicy() const = 0;
    virtual bool setActivationPolicy(ActivationPolicy policy) = 0;
    virtual void activate(bool ignoringOtherApps) = 0;
    virtual bool isActive() const = 0;

    // nullopt follows the system; otherwise kAppearanceAqua or kAppearanceDarkAqua.
    virtual std::optional<std::string> appearance() const = 0;
    virtual void setAppearance(std::optional<std::string> name) = 0;
    virtual bool effectiveAppearanceIsDark() const = 0;

    // Sends will-terminate (delegate and signal) and ends the application. Final: inside a
    // run of the loop it does not return, nor does any modal session it ends
    // (platform/ApplicationExit.h).
    virtual void terminate() = 0;
    virtual bool isTerminated() const = 0;

    virtual std::shared_ptr<ApplicationDelegate> delegate() const = 0;
    virtual void setDelegate(std::shared_ptr<ApplicationDelegate> delegate) = 0;

    // Every window of the application, visible or not, in creation order (status item and
    // popover windows included; they are not titled).
    virtual std::vector<std::shared_ptr<Window>> windows() const = 0;
    virtual std::shared_ptr<Window> keyWindow() const = 0;
    virtual std::shared_ptr<Menu> mainMenu() const = 0;
    virtual void setMainMenu(std::shared_ptr<Menu> menu) = 0;
    virtual void requestUserAttention() = 0;
    // The event being dispatched now (a status item button's action sees its mouse up).
    virtual std::optional<Event> currentEvent() const = 0;
    // NSSound.beep.
    virtual void beep() = 0;
    // Sends a responder action to the first responder of the key window; false when no
    // responder took it.
    virtual bool sendAction(ResponderAction action) = 0;
    // Whether a responder would take the action now (the menu item that sends it is enabled).
    virtual bool validateAction(ResponderAction action) const = 0;

    // Makers and modal sessions of the window system; product code reaches them through
    // Window::make, Popover::make, Menu::popUp, Alert::runModal and OpenPanel::runModal.
    virtual std::shared_ptr<Window> makeWindow(Rect contentRect, uint64_t styleMask) = 0;
    virtual std::shared_ptr<Popover> makePopover() = 0;
    virtual bool popUpMenu(const std::shared_ptr<Menu>& menu, const std::shared_ptr<MenuItem>& positioningItem,
                           Point location, View* view) = 0;
    virtual void cancelMenuTracking(const Menu& menu) = 0;
    virtual ModalResponse runModalAlert(Alert& alert) = 0;
    virtual ModalResponse runModalOpenPanel(OpenPanel& panel) = 0;
    // Whether a modal session (an alert or an open panel) is running: it takes the
    // application's input, and every other window refuses clicks and actions meanwhile.
    virtual bool isRunningModal() const = 0;

    // Notifications of the application (the notification centre's observers).
    Signal<> didFinishLaunching;
    Signal<> didBecomeActive;
    Signal<> didResignActive;
    Signal<> willTerminate;
};

// How the product makes its application delegate. The product registers it once; the
// backend launches the application with it (launch arguments go to ProcessInfo first).
using ApplicationDelegateFactory = std::function<std::shared_ptr<ApplicationDelegate>()>;
void registerApplicationDelegateFactory(ApplicationDelegateFactory factory);
const ApplicationDelegateFactory& applicationDelegateFactory();

}  // namespace platform
