#include "onboarding/OnboardingView.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "app/AccessibilityReapprovalGuide.h"
#include "app/AppState.h"
#include "model/UITestLaunch.h"
#include "onboarding/AccessibilityReapprovalInstructions.h"
#include "onboarding/DismissOnboarding.h"
#include "platform/Text.h"
#include "platform/UserDefaults.h"
#include "settings/AnonymousDeviceInfoOptIn.h"
#include "settings/IconPickerButton.h"
#include "settings/IconPickerScreen.h"
#include "settings/VosselMemberList.h"
#include "statusitems/AppIconView.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

namespace {

std::string trimmedName(const std::string& name) { return platform::Text::trimmed(name); }

}  // namespace

OnboardingView::OnboardingView() : onboardingGroupID_(platform::UUID::random()) {}

ui::Node OnboardingView::body() {
    using namespace ui;
    AppState& appState = environmentObject<AppState>();
    const bool pickerShown = showIconPicker_;
    return ZStack(VStack({.spacing = 0},
                         progressBar(),
                         Divider(),
                         currentStep(appState).frame({.maxWidth = infinity, .maxHeight = infinity}).padding(32),
                         Divider(),
                         footer(appState))
                      .disabled(pickerShown),
                  pickerShown ? iconPickerScreen() : Empty())
        .frame(width, height)
        .layoutDirection(LayoutDirection::leftToRight);
}

ui::Node OnboardingView::progressBar() const {
    using namespace ui;
    const int current = step_;
    return HStack({.spacing = 6},
                  ForEach(totalSteps,
                          [current](int index) {
                              return Capsule()
                                  .fill(index <= current ? Color::accent() : Color::primary().opacity(0.15))
                                  .frame({.height = 4, .maxWidth = infinity});
                          }))
        .padding(Edges::horizontal, 24)
        .padding(Edges::vertical, 14);
}

ui::Node OnboardingView::currentStep(AppState& appState) {
    // Each step has an identity of its own, so coming on screen is an appearance even
    // though every step sits at the same place.
    switch (step_.get()) {
        case 0: return welcomeStep().id("welcome");
        case 1: return accessibilityStep(appState).id("accessibility");
        case 2: return createGroupStep().id("createGroup");
        case 3: return assignAppsStep(appState).id("assignApps");
        default: return chevronStep().id("chevron");
    }
}

ui::Node OnboardingView::welcomeStep() const {
    using namespace ui;
    return VStack({.spacing = 16},
                  Image::asset("AppLogo").resizable().aspectRatio(ContentMode::fit).frame(80, 80),
                  Text("Welcome to Tessivane").font(Font::title()).bold(),
                  Text("Group your menu bar icons into vossels — VPN, Dev, Cloud, or anything you choose.")
                      .multilineTextAlignment(TextAlignment::center)
                      .foreground(Color::secondary())
                      .frame({.maxWidth = 380}));
}

ui::Node OnboardingView::accessibilityStep(AppState& appState) {
    using namespace ui;
    PermissionManager* permissions = &appState.permissionManager;
    AppState* app = &appState;
    const bool trusted = permissions->isAccessibilityTrusted;
    Node icon = Image::system(trusted ? "checkmark.circle.fill" : "lock.shield.fill")
                    .font(Font::system(48))
                    .foreground(trusted ? Color::green() : Color::orange());
    Node content;
    if (AccessibilityReapprovalGuide::shouldShow(trusted)) {
        content = view<AccessibilityReapprovalInstructions>([permissions] { permissions->enableAccessibility(); },
                                                            [app] { app->restartApp(); })
                      .frame({.maxWidth = 420});
    } else {
        content = Group(
            Text("Enable Accessibility").font(Font::title2()).bold(),
            Text("Tessivane uses Accessibility to find icons in the menu bar and open them from a vossel. Nothing "
                 "leaves your Mac.")
                .multilineTextAlignment(TextAlignment::center)
                .foreground(Color::secondary())
                .frame({.maxWidth = 380}),
            trusted ? Label("Accessibility enabled", "checkmark").foreground(Color::green())
                    : Button("Enable Accessibility…", [permissions] { permissions->enableAccessibility(); })
                          .buttonStyle(ButtonStyle::borderedProminent));
    }
    return VStack({.spacing = 16}, std::move(icon), std::move(content)).onAppear([permissions] {
        permissions->refresh();
    });
}

ui::Node OnboardingView::createGroupStep() {
    using namespace ui;
    return VStack({.spacing = 16},
                  Text("Create your first group").font(Font::title2()).bold(),
                  Text("Pick a name and icon. You can add more groups later in Settings.")
                      .multilineTextAlignment(TextAlignment::center)
                      .foreground(Color::secondary())
                      .frame({.maxWidth = 380}),
                  HStack({.spacing = 8},
                         TextField("Group name", groupName_.binding()).textFieldStyle(TextFieldStyle::roundedBorder),
                         iconPickerButton())
                      .frame({.maxWidth = 320}));
}

ui::Node OnboardingView::iconPickerButton() {
    return ui::view<IconPickerButton>(groupSymbol_.binding(), groupColorHex_.binding(),
                                      groupCustomIconFilename_.binding(), onboardingGroupID_, "",
                                      [this] { showIconPicker_ = true; });
}

ui::Node OnboardingView::iconPickerScreen() {
    return ui::view<IconPickerScreen>(groupSymbol_.binding(), groupColorHex_.binding(),
                                      groupCustomIconFilename_.binding(), onboardingGroupID_,
                                      [this] { showIconPicker_ = false; });
}

ui::Node OnboardingView::assignAppsStep(AppState& appState) {
    using namespace ui;
    AppState* app = &appState;
    const std::optional<IconGroup> group = firstGroup(appState);
    const std::string title = "Put apps in “" + (group ? group->name : groupName_.get()) + "”";

    Node content;
    if (!appState.permissionManager.isAccessibilityTrusted) {
        content = Text("Enable Accessibility on the previous step to see apps here.")
                      .foreground(Color::secondary())
                      .frame({.maxWidth = infinity});
    } else if (appState.discovery.items->empty()) {
        content = HStack(Text("No icons found yet.").foreground(Color::secondary()),
                         Button("Refresh", [app] { rescan(*app); }))
                      .frame({.maxWidth = infinity});
    } else if (group) {
        const auto& items = appState.discovery.items.get();
        std::vector<Node> rows;
        rows.reserve(items.size());
        for (const DiscoveredMenuBarItem& item : items) rows.push_back(memberRow(appState, *group, item).id(VosselMemberList::rowKey(item)));
        content = List(std::move(rows));
    }

    return VStack({.alignment = HorizontalAlignment::leading, .spacing = 12},
                  Text(title).font(Font::title2()).bold(),
                  Text("This list is your current menu bar — not the Applications folder. Turn on the icons for this "
                       "vossel. Next you’ll ⌘-drag them past the | line, away from the clock, so they can hide.")
                      .foreground(Color::secondary())
                      .fixedSize(false, true),
                  std::move(content))
        .onAppear([this, app] {
            rescan(*app);
            ensureFirstGroup(*app);
        });
}

ui::Node OnboardingView::memberRow(AppState& appState, const IconGroup& group, const DiscoveredMenuBarItem& item) const {
    using namespace ui;
    AppState* app = &appState;
    const std::string name = item.displayName();
    const bool isOn = VosselMemberList::showsAsMember(group, item);
    const platform::UUID groupID = group.id;
    // Whatever the new value, a change flips the membership: the store removes a matching
    // member or moves the icon into this vossel.
    Binding<bool> membership([isOn] { return isOn; },
                             [app, item, groupID](bool) { VosselMemberList::flipMembership(*app, item, groupID); });
    return Toggle(std::move(membership), HStack(view<AppIconView>(item.bundleIdentifier, item.ownerName, name), Text(name)));
}

ui::Node OnboardingView::chevronStep() const {
    using namespace ui;
    const Font symbolFont = Font::system(28, Weight::semibold);
    return VStack({.spacing = 18},
                  HStack({.spacing = 10},
                         Image::system("arrow.left.to.line").font(symbolFont).foreground(Color::accent()),
                         Image::system("chevron.right").font(symbolFont).foreground(Color::accent())),
                  Text("Hide, then open from a vossel")
                      .font(Font::title2())
                      .bold()
                      .multilineTextAlignment(TextAlignment::center),
                  VStack({.alignment = HorizontalAlignment::leading, .spacing = 12},
                         onboardingTip("1", "⌘-drag once",
                                       "Hold ⌘ and drag each icon past the | line — the empty side, away from the "
                                       "clock. That’s a macOS step, and every menu bar icon hider asks for it too."),
                         onboardingTip("2", "Click > to hide",
                                       "Everything on the far side of the line tucks away. The vossel stays on the "
                                       "clock side of the arrow. Click the arrow again if you want to see it all."),
                         onboardingTip("3", "Use the vossel",
                                       "Click a vossel to open one app. Hidden icons stay tucked away when you’re "
                                       "done."))
                      .frame({.maxWidth = 420}),
                  view<AnonymousDeviceInfoOptIn>().frame({.maxWidth = 420}));
}

ui::Node OnboardingView::onboardingTip(const std::string& number, const std::string& title, const std::string& detail) {
    using namespace ui;
    return HStack({.alignment = VerticalAlignment::top, .spacing = 10},
                  Text(number)
                      .font(Font::caption().bold())
                      .foreground(Color::white())
                      .frame(22, 22)
                      .background(Circle().fill(Color::accent())),
                  VStack({.alignment = HorizontalAlignment::leading, .spacing = 2},
                         Text(title).font(Font::headline()),
                         Text(detail).font(Font::callout()).foreground(Color::secondary()).fixedSize(false, true)));
}

ui::Node OnboardingView::footer(AppState& appState) {
    using namespace ui;
    AppState* app = &appState;
    const int current = step_;
    Node forward;
    if (current < totalSteps - 1) {
        forward = Group(Button("Skip", [this] { finish(); }).foreground(Color::secondary()),
                        Button("Next", [this, app] { advance(*app); })
                            .keyboardShortcut(KeyboardShortcut::defaultAction())
                            .disabled(nextDisabled()));
    } else {
        forward = Button("Get Started", [this] { finish(); })
                      .buttonStyle(ButtonStyle::borderedProminent)
                      .keyboardShortcut(KeyboardShortcut::defaultAction());
    }
    return HStack(current >= 1 ? Button("Back", [this] { step_ = std::max(0, step_ - 1); }) : Empty(),
                  Spacer(),
                  std::move(forward))
        .padding(16);
}

std::optional<IconGroup> OnboardingView::firstGroup(const AppState& appState) {
    const auto& groups = appState.groupStore.groups();
    if (groups.empty()) return std::nullopt;
    return groups.front();
}

bool OnboardingView::nextDisabled() const { return step_ == 2 && trimmedName(groupName_).empty(); }

void OnboardingView::ensureFirstGroup(AppState& appState) const {
    const std::string name = trimmedName(groupName_);
    if (name.empty() || !appState.groupStore.groups().empty()) return;
    appState.groupStore.createGroup(name, groupSymbol_, groupColorHex_.get(), groupCustomIconFilename_.get(),
                                    onboardingGroupID_);
    appState.syncGroupStatusItems();
    appState.applyHiding();
}

void OnboardingView::rescan(AppState& appState) {
    appState.discovery.items = appState.discovery.discoverItems(false);
    appState.objectWillChange.send();
}

void OnboardingView::advance(AppState& appState) {
    if (step_ == 2) ensureFirstGroup(appState);
    step_ = std::min(totalSteps - 1, step_ + 1);
}

void OnboardingView::finish() {
    UITestLaunch::defaults()->set(std::string(AccessibilityReapprovalGuide::hasCompletedOnboardingKey), true);
    environment<DismissOnboardingKey>()();
}

}  // namespace tessivane
