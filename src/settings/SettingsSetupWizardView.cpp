#include "settings/SettingsSetupWizardView.h"

#include <algorithm>

#include "app/AppState.h"
#include "platform/Text.h"
#include "settings/AnonymousDeviceInfoOptIn.h"
#include "settings/HideHowItWorksIllustration.h"
#include "settings/IconPickerButton.h"
#include "settings/IconPickerScreen.h"
#include "settings/SettingsEditorView.h"
#include "settings/SettingsGearButton.h"
#include "settings/SettingsTheme.h"
#include "settings/VosselIconWell.h"
#include "settings/VosselMemberList.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

namespace {

constexpr const char* tabTitles[] = {"Vossel", "Apps", "Hide"};

ui::Node stepHeader(const std::string& title, const std::string& subtitle) {
    using namespace ui;
    return VStack({.spacing = 4},
                  Text(title).font(Font::system(22, Weight::semibold)),
                  Text(subtitle)
                      .font(Font::callout())
                      .foreground(Color::secondary())
                      .multilineTextAlignment(TextAlignment::center));
}

}  // namespace

const IconGroup* SettingsSetupWizardView::currentGroup(const std::vector<IconGroup>& groups,
                                                       const std::optional<platform::UUID>& selectedID) {
    if (!selectedID) return groups.empty() ? nullptr : &groups.front();
    auto it = std::find_if(groups.begin(), groups.end(), [&](const IconGroup& g) { return g.id == *selectedID; });
    return it == groups.end() ? nullptr : &*it;
}

const IconGroup* SettingsSetupWizardView::currentGroup() const {
    return currentGroup(appState_->groupStore.groups(), selectedGroupID_.get());
}

platform::UUID SettingsSetupWizardView::importGroupID() const {
    // A selection that names no vossel here (one of another environment) must not lend its
    // id: the import would overwrite that vossel's own image file.
    const IconGroup* group = currentGroup();
    return group ? group->id : draftID_.get();
}

void SettingsSetupWizardView::syncFromSelectedGroup() {
    const IconGroup* group = currentGroup();
    if (!group) return;
    draftName_ = group->name;
    draftSymbol_ = group->symbolName;
    draftColorHex_ = group->symbolColorHex;
    draftCustomIconFilename_ = group->customIconFilename;
    draftID_ = group->id;
}

void SettingsSetupWizardView::ensureGroupExists() {
    const std::string name = platform::Text::trimmed(draftName_.get());
    if (name.empty()) return;
    if (const IconGroup* group = currentGroup()) {
        const platform::UUID id = group->id;
        persistIfNeeded();
        selectedGroupID_.set(id);
        return;
    }
    // A custom icon imported before now was stored under the draft id, which the vossel takes.
    const platform::UUID id = draftID_.get();
    appState_->groupStore.createGroup(name, draftSymbol_.get(), draftColorHex_.get(), draftCustomIconFilename_.get(),
                                      id);
    appState_->syncGroupStatusItems();
    appState_->applyHiding();
    selectedGroupID_.set(id);
}

void SettingsSetupWizardView::persistIfNeeded() {
    const IconGroup* group = currentGroup();
    const std::string name = platform::Text::trimmed(draftName_.get());
    if (!group || name.empty()) return;
    appState_->groupStore.updateGroup(group->id, name, draftSymbol_.get(), draftColorHex_.get(),
                                      draftCustomIconFilename_.get());
    appState_->syncGroupStatusItems();
}

void SettingsSetupWizardView::advance() {
    switch (step_.get()) {
        case 1:
            ensureGroupExists();
            step_.set(2);
            break;
        case 2: step_.set(3); break;
        default:
            if (onFinished_) onFinished_();
    }
}

void SettingsSetupWizardView::selectTab(int t) {
    if (t != 1 && !selectedGroupID_.get() && appState_->groupStore.groups().empty()) return;
    if (t == 2 || t == 3) ensureGroupExists();
    step_.set(t);
}

ui::Node SettingsSetupWizardView::tab(int t) {
    using namespace ui;
    const bool current = step_.get() == t;
    const platform::Color& accent = SettingsTheme::accent();
    auto label = HStack(Text(std::to_string(t))
                            .font(Font::system(11, Weight::bold))
                            .foreground(current ? Color::white() : Color::secondary())
                            .frame(18, 18)
                            .background(Circle().fill(current ? accent : Color::primary().opacity(0.08))),
                        Text(tabTitles[t - 1]).font(Font::system(12, Weight::medium)))
                     .padding(Edges::horizontal, 12)
                     .padding(Edges::vertical, 6)
                     .background(RoundedRectangle(8).fill(current ? Color::windowBackground() : Color::clear()))
                     .overlay(RoundedRectangle(8).strokeBorder(current ? Color::primary().opacity(0.12) : Color::clear(), 1));
    return pointingHandCursor(Button([this, t] { selectTab(t); }, std::move(label)).buttonStyle(ButtonStyle::plain));
}

ui::Node SettingsSetupWizardView::stepTabs() {
    using namespace ui;
    return HStack({.spacing = 4}, tab(1), tab(2), tab(3)).padding(Edges::top, 14);
}

ui::Node SettingsSetupWizardView::vosselStep() {
    using namespace ui;
    auto showPicker = showIconPicker_.binding();
    auto openPicker = [showPicker] { showPicker.set(true); };
    auto iconColumn =
        VStack({.spacing = 10},
               pointingHandCursor(Button(openPicker, view<VosselIconWell>(draftSymbol_.get(), draftColorHex_.get(),
                                                                          draftCustomIconFilename_.get(), 88))
                                      .buttonStyle(ButtonStyle::plain)
                                      .help("Choose an icon")),
               view<IconPickerButton>(draftSymbol_.binding(), draftColorHex_.binding(),
                                      draftCustomIconFilename_.binding(), importGroupID(), "Choose icon\u2026",
                                      openPicker));
    auto nameColumn = VStack({.alignment = HorizontalAlignment::leading, .spacing = 10},
                             Text("VOSSEL NAME").font(Font::caption().withWeight(Weight::semibold)).foreground(Color::secondary()),
                             TextField(initialName, draftName_.binding())
                                 .textFieldStyle(TextFieldStyle::roundedBorder)
                                 .font(Font::system(15, Weight::medium))
                                 .accessibilityIdentifier("ui.newGroupName"));
    auto persist = [this] { persistIfNeeded(); };
    return VStack({.spacing = 16},
                  stepHeader("Name this vossel",
                             "This is the icon that stays in your menu bar. Click it later to open the apps inside."),
                  settingsSurface(HStack({.spacing = 22}, std::move(iconColumn), std::move(nameColumn))
                                      .padding(22)
                                      .frame({.maxWidth = infinity}),
                                  12, Color::windowBackground(), Color::primary().opacity(0.08), 1, 0),
                  Text("Add another vossel later from here. Switch environments from the menu in the bar above.")
                      .font(Font::caption())
                      .foreground(Color::tertiary()),
                  Spacer())
        .onChange(draftName_.get(), persist)
        .onChange(draftSymbol_.get(), persist)
        .onChange(draftColorHex_.get(), persist)
        .onChange(draftCustomIconFilename_.get(), persist);
}

ui::Node SettingsSetupWizardView::appsStep() {
    using namespace ui;
    const IconGroup* group = currentGroup();
    if (!group) return Empty();
    return VStack({.spacing = 12},
                  stepHeader("Pick what goes in " + group->name,
                             "These are the icons already in your menu bar. Turn one on to put it in this vossel."),
                  settingsSurface(view<VosselMemberList>(*group), 12, Color::windowBackground(),
                                  Color::primary().opacity(0.14), 1, 1),
                  Text(SettingsEditorView::countsLine(group->memberIDs.size(), appState_->discovery.items->size()))
                      .font(Font::caption())
                      .foreground(Color::secondary()));
}

ui::Node SettingsSetupWizardView::hideStep() {
    using namespace ui;
    return VStack({.spacing = 16},
                  stepHeader("Hide them behind the line",
                             "Apps you hide sit to the far side of the | line, away from the clock. The vossel stays to "
                             "the clock side of the arrow, so you can open one app without expanding everything."),
                  view<HideHowItWorksIllustration>(),
                  view<AnonymousDeviceInfoOptIn>(),
                  Spacer());
}

ui::Node SettingsSetupWizardView::bottomBar() {
    using namespace ui;
    const int step = step_.get();
    const bool blankName = step == 1 && platform::Text::trimmed(draftName_.get()).empty();
    auto stepBinding = step_;
    return HStack(view<SettingsGearButton>(onOpenSettings_),
                  Spacer(),
                  pointingHandCursor(Button("Back", [stepBinding] { stepBinding.set(std::max(stepBinding.get() - 1, 1)); })
                                         .disabled(step == 1)),
                  pointingHandCursor(Button(step == 3 ? "Done" : "Continue", [this] { advance(); })
                                         .buttonStyle(ButtonStyle::borderedProminent)
                                         .tint(SettingsTheme::accent())
                                         .keyboardShortcut(KeyboardShortcut::defaultAction())
                                         .disabled(blankName))
                      .accessibilityIdentifier(step == 1 ? "ui.addGroup" : "ui.wizard.continue"))
        .padding(Edges::horizontal, 22)
        .padding(Edges::bottom, 16)
        .padding(Edges::top, 10);
}

ui::Node SettingsSetupWizardView::body() {
    using namespace ui;
    appState_ = &environmentObject<AppState>();
    const int step = step_.get();
    const bool pickerShown = showIconPicker_.get();

    auto content = Group(step == 1 ? vosselStep() : step == 2 ? appsStep() : hideStep())
                       .frame({.maxWidth = infinity, .maxHeight = infinity})
                       .padding(Edges::horizontal, 28)
                       .padding(Edges::top, 18)
                       .padding(Edges::bottom, 8);
    auto showPicker = showIconPicker_.binding();
    // While the picker covers the wizard, its Back and Return keys must not answer.
    return ZStack(VStack({.spacing = 0}, stepTabs(), std::move(content), bottomBar()).disabled(pickerShown),
                  When(pickerShown, [&] {
                      return view<IconPickerScreen>(draftSymbol_.binding(), draftColorHex_.binding(),
                                                    draftCustomIconFilename_.binding(), importGroupID(),
                                                    [showPicker] { showPicker.set(false); });
                  }))
        .onAppear([this] { syncFromSelectedGroup(); });
}

}  // namespace tessivane
