#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/Geometry.h"
#include "platform/PropertyValue.h"
#include "platform/Workspace.h"

namespace desktop {

// A description of a simulated Mac: what `Desktop` is built from. docs/scenes.md documents
// every field of its JSON form.

struct SceneScreen {
    std::string name = "Display";
    platform::Rect frame{0, 0, 1512, 982};
    double scale = 2;
    // The camera housing in the middle of the top edge; absent on screens without one.
    std::optional<platform::Size> cameraHousing;
    bool isMain = false;
};

// One element below a status item in the Accessibility tree (for titles found deeper down).
struct SceneAXNode {
    std::string role = "AXGroup";
    std::string title, description, help, identifier;
    std::vector<SceneAXNode> children;
};

struct SceneStatusItem {
    std::string autosaveName;  // "Item-0" when empty
    double width = 24;
    std::optional<double> position;  // preferred position written to the owner's defaults
    bool visible = true;
    // Accessibility attributes of the item's element.
    std::string title, description, help, identifier;
    std::vector<std::string> actions{"AXPress", "AXShowMenu"};
    std::vector<SceneAXNode> children;
    // The window: drawn by Control Center instead of the owner, and its name in the window list.
    bool drawnByControlCenter = false;
    std::optional<std::string> windowName;
    // What opens on a click (menu) and on a secondary click or "AXShowMenu" (context menu).
    std::vector<std::string> menu;
    std::vector<std::string> contextMenu;
};

struct SceneWindow {
    std::string name;
    platform::Rect frame;  // AppKit coordinates
    int layer = 0;
};

struct SceneApplication {
    int32_t pid = 0;
    std::optional<std::string> name;
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> bundlePath;
    platform::ActivationPolicy activationPolicy = platform::ActivationPolicy::accessory;
    bool answersAccessibility = true;
    std::vector<std::string> menus;  // application menus shown while it is frontmost
    std::vector<SceneStatusItem> statusItems;
    std::vector<SceneWindow> windows;
};

struct SceneKnownApplication {
    std::string bundleIdentifier;
    std::string path;
};

struct Scene {
    std::string name = "Untitled";
    std::vector<SceneScreen> screens;
    std::optional<double> menuBarThickness;
    bool darkAppearance = false;
    std::string timeZone = "UTC";
    std::optional<std::string> frontmost;  // bundle identifier or name of the frontmost application
    // This process: the application the desktop launches.
    int32_t selfPID = 501;
    std::string selfName = "Tessivane";
    std::string selfBundlePath = "/Applications/Tessivane.app";
    // Permissions and system services.
    bool accessibilityTrusted = false;
    bool grantAccessibilityOnPrompt = false;
    bool postEventAccess = false;
    bool loginItemsAllowed = true;
    bool loginItemsRequireApproval = false;
    // The private window-server functions each framework has; absent: all of them.
    std::optional<std::vector<std::string>> skyLightFunctions;
    std::optional<std::vector<std::string>> coreGraphicsFunctions;
    // Values written into preference domains when the scene loads (domain -> key -> value).
    std::vector<std::pair<std::string, platform::PropertyDictionary>> preferences;
    std::vector<SceneApplication> applications;
    std::vector<SceneKnownApplication> knownApplications;

    // Parses the JSON form; on failure `error` says what is wrong and where.
    static std::optional<Scene> parse(const std::string& json, std::string& error);
    static std::optional<Scene> load(const std::filesystem::path& file, std::string& error);
    // A bare desktop: one 1512 x 982 screen with a camera housing and no other applications.
    static Scene minimal();
};

}  // namespace desktop
