#include "settings/SettingsEditorView.h"

#include "app/AppState.h"
#include "settings/EditVosselScreen.h"
#include "settings/EnvironmentMenuButton.h"
#include "settings/SettingsGearButton.h"
#include "settings/SettingsTheme.h"
#include "settings/VosselChip.h"
#include "settings/VosselIconWell.h"
#include "settings/VosselMemberList.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

namespace {

// The card look of the identity row and the member list.
ui::Node card(ui::Node content, double contentInset) {
    return settingsSurface(std::move(content), 12, ui::Color::windowBackground(), ui::Color::primary().opacity(0.14), 1,
                           contentInset);
}

// Asks to delete the vossel as stored when the button is pressed: a copy in every chip's
// menu would copy every vossel at every render.
std::function<void()> deleteRequest(AppState* state, const platform::UUID& id,
                                    const std::function<void(IconGroup)>& onDelete) {
    return [state, id, onDelete] {
        if (!onDelete) return;
        for (const IconGroup& group : state->groupStore.groups()) {
            if (group.id == id) return onDelete(group);
        }
    };
}

std::optional<platform::UUID> firstGroupID(const std::vector<IconGroup>& groups) {
    if (groups.empty()) return std::nullopt;
    return groups.front().id;
}

}  // namespace

const IconGroup* SettingsEditorView::selectedGroup(const std::vector<IconGroup>& groups,
                                                   const std::optional<platform::UUID>& selectedID) {
    if (selectedID) {
        for (const IconGroup& group : groups) {
            if (group.id == *selectedID) return &group;
        }
    }
    return groups.empty() ? nullptr : &groups.front();
}

std::string SettingsEditorView::countsLine(size_t members, size_t found) {
    return std::to_string(members) + " in vossel \u00B7 " + std::to_string(found) + " found";
}

void SettingsEditorView::refreshIcons(AppState& appState) {
    AppState* state = &appState;
    // The discovery belongs to the coordinator, so the completion never outlives it.
    appState.discovery.refreshAnimated([state] { state->objectWillChange.send(); });
}

ui::Node SettingsEditorView::accessibilityHelpBanner(AppState& appState) {
    using namespace ui;
    AppState* state = &appState;
    const bool refreshing = appState.discovery.isRefreshing.get();
    return VStack({.alignment = HorizontalAlignment::leading, .spacing = 8},
                  Text(bannerTitle).font(Font::headline()),
                  Text(bannerText).font(Font::callout()),
                  HStack(pointingHandCursor(Button("Enable Accessibility", [state] {
                             state->permissionManager.enableAccessibility();
                         })),
                         pointingHandCursor(Button(refreshing ? "Scanning\u2026" : "Refresh icons", [state] {
                                                refreshIcons(*state);
                                            }).disabled(refreshing))))
        .padding(12)
        .frame({.maxWidth = infinity, .alignment = Alignment::leading})
        .background(Color::orange().opacity(0.16));
}

ui::Node SettingsEditorView::addVosselButton() {
    using namespace ui;
    return pointingHandCursor(Button(callbacks_.onAddVossel,
                                     Image::system("plus")
                                         .font(Font::system(13, Weight::semibold))
                                         .foreground(Color::primary().opacity(0.85))
                                         .frame(28, 28)
                                         .background(RoundedRectangle(8).fill(Color::primary().opacity(0.08))))
                                  .buttonStyle(ButtonStyle::plain)
                                  .help("New vossel"))
        .accessibilityIdentifier("ui.addVossel");
}

ui::Node SettingsEditorView::vosselChip(AppState& appState, const IconGroup& vossel, bool isSelected) {
    AppState* state = &appState;
    const platform::UUID id = vossel.id;
    const bool visible = vossel.isVisibleInMenuBar;
    auto selection = selectedGroupID_;
    return ui::view<VosselChip>(vossel, isSelected,
                                VosselChip::Actions{.select = [selection, id] { selection.set(id); },
                                                    .toggleVisible =
                                                        [state, id, visible] {
                                                            state->groupStore.setGroupVisible(id, !visible);
                                                            state->syncGroupStatusItems();
                                                        },
                                                    .requestDelete = deleteRequest(state, id, callbacks_.onDeleteRequested)});
}

ui::Node SettingsEditorView::rail(AppState& appState, const std::vector<IconGroup>& groups, const IconGroup* selected) {
    using namespace ui;
    const std::optional<platform::UUID> selectedID = selected ? std::optional(selected->id) : std::nullopt;
    // One list of chips serves both candidates: a chip keeps no state of its own, so the same
    // chip may stand in the row that is measured and in the scroll view that is shown.
    const Node chips = ForEach(
        groups, [](const IconGroup& g) { return g.id.uuidString(); },
        [&](const IconGroup& g) { return vosselChip(appState, g, selectedID == g.id); });
    // The add button stays outside the scroll view, so it stays in sight when the chips scroll.
    auto fitting = HStack({.spacing = 4}, chips, addVosselButton());
    auto scrolling = HStack({.spacing = 4},
                            ScrollView(Axes::horizontal, HStack({.spacing = 4}, chips).padding(Edges::vertical, 2))
                                .scrollIndicators(Visibility::hidden),
                            addVosselButton());

    AppState* state = &appState;
    auto selection = selectedGroupID_;
    return HStack({.spacing = 8},
                  ViewThatFits(Axis::horizontal, {std::move(fitting), std::move(scrolling)})
                      .frame({.maxWidth = infinity, .alignment = Alignment::leading}),
                  view<EnvironmentMenuButton>([state, selection] { selection.set(firstGroupID(state->groupStore.groups())); },
                                              callbacks_.onAddEnvironment, callbacks_.onRenameEnvironment,
                                              callbacks_.onDeleteEnvironment))
        .padding(Edges::horizontal, 20)
        .padding(Edges::top, 12);
}

ui::Node SettingsEditorView::identity(AppState& appState, const IconGroup& vossel) {
    using namespace ui;
    AppState* state = &appState;
    const platform::UUID id = vossel.id;
    auto showEdit = showEditVossel_.binding();
    auto openEdit = [showEdit] { showEdit.set(true); };
    Binding<bool> inMenuBar([visible = vossel.isVisibleInMenuBar] { return visible; },
                            [state, id](bool visible) {
                                state->groupStore.setGroupVisible(id, visible);
                                state->syncGroupStatusItems();
                            });
    auto row = HStack({.spacing = 12},
                      pointingHandCursor(Button(openEdit,
                                                HStack({.spacing = 10},
                                                       view<VosselIconWell>(vossel.symbolName, vossel.symbolColorHex,
                                                                            vossel.customIconFilename, 32),
                                                       Text(vossel.name)
                                                           .font(Font::system(16, Weight::semibold))
                                                           .foreground(Color::primary())
                                                           .lineLimit(1)))
                                             .buttonStyle(ButtonStyle::plain)
                                             .help("Edit name and icon")),
                      Spacer(),
                      pointingHandCursor(Toggle("In menu bar", inMenuBar)
                                             .toggleStyle(ToggleStyle::switchStyle)
                                             .controlSize(ControlSize::small)),
                      pointingHandCursor(Button("Edit", openEdit).controlSize(ControlSize::small))
                          .accessibilityIdentifier("ui.editVossel"),
                      pointingHandCursor(Button("Delete", deleteRequest(state, id, callbacks_.onDeleteRequested))
                                             .role(ButtonRole::destructive)
                                             .tint(Color::red())
                                             .controlSize(ControlSize::small))
                          .accessibilityIdentifier("ui.deleteGroup"))
                   .padding(Edges::horizontal, 14)
                   .padding(Edges::vertical, 10);
    return card(std::move(row), 0).padding(Edges::horizontal, 20).padding(Edges::top, 12);
}

ui::Node SettingsEditorView::apps(AppState& appState, const IconGroup& vossel) {
    using namespace ui;
    AppState* state = &appState;
    const bool refreshing = appState.discovery.isRefreshing.get();
    auto header = HStack(Text("Turn one on to put it in " + vossel.name).foreground(Color::secondary()),
                         Spacer(),
                         Text(countsLine(vossel.memberIDs.size(), appState.discovery.items->size()))
                             .foreground(Color::secondary()),
                         pointingHandCursor(Button([state] { refreshIcons(*state); },
                                                   refreshing ? ProgressView().controlSize(ControlSize::small)
                                                              : Image::system("arrow.clockwise"))
                                                .buttonStyle(ButtonStyle::borderless)
                                                .help("Refresh the menu bar icon list")
                                                .disabled(refreshing)))
                      .font(Font::caption())
                      .padding(Edges::horizontal, 4);
    return VStack({.alignment = HorizontalAlignment::leading, .spacing = 8},
                  std::move(header),
                  card(view<VosselMemberList>(vossel), 1))
        .padding(Edges::horizontal, 20)
        .padding(Edges::top, 10)
        .padding(Edges::bottom, 10)
        .frame({.maxWidth = infinity, .maxHeight = infinity});
}

ui::Node SettingsEditorView::footer() {
    using namespace ui;
    return HStack(view<SettingsGearButton>(callbacks_.onOpenSettings),
                  Spacer(),
                  pointingHandCursor(Button("How hiding works", callbacks_.onShowHideHelp)
                                         .buttonStyle(ButtonStyle::plain)
                                         .foreground(Color::secondary())
                                         .font(Font::system(12))))
        .padding(Edges::horizontal, 22)
        .padding(Edges::vertical, 12);
}

ui::Node SettingsEditorView::editVosselScreen(AppState& appState, const IconGroup& vossel) {
    AppState* state = &appState;
    auto showEdit = showEditVossel_.binding();
    const platform::UUID id = vossel.id;
    // Keyed by the vossel, so that the page of another vossel starts from that one's values.
    return ui::view<EditVosselScreen>(
               vossel, [showEdit] { showEdit.set(false); },
               [state, showEdit, id](const std::string& name, const std::string& symbol, const std::string& colorHex,
                                     const std::optional<std::string>& customIconFilename) {
                   if (name.empty()) return;
                   state->groupStore.updateGroup(id, name, symbol, colorHex, customIconFilename);
                   state->syncGroupStatusItems();
                   showEdit.set(false);
               })
        .id(id.uuidString());
}

ui::Node SettingsEditorView::body() {
    using namespace ui;
    AppState& appState = environmentObject<AppState>();
    const std::vector<IconGroup>& groups = appState.groupStore.groups();
    const IconGroup* selected = selectedGroup(groups, selectedGroupID_.get());
    const bool editing = showEditVossel_.get() && selected;

    auto screen = VStack({.spacing = 0},
                         When(!appState.permissionManager.isTCCTrusted.get(),
                              [&] { return accessibilityHelpBanner(appState); }),
                         rail(appState, groups, selected),
                         selected ? Group(identity(appState, *selected), apps(appState, *selected))
                                  : ContentUnavailable("No vossels yet", "folder.fill",
                                                       "Create a vossel to start grouping menu bar icons.")
                                        .frame({.maxWidth = infinity, .maxHeight = infinity}),
                         footer());

    AppState* state = &appState;
    auto selection = selectedGroupID_;
    auto showEdit = showEditVossel_.binding();
    // While the edit page covers the editor, the keys and clicks are the page's alone.
    return ZStack(std::move(screen).disabled(editing),
                  When(editing, [&] { return editVosselScreen(appState, *selected); }))
        .background(Fill(Color::controlBackground()).ignoresSafeArea())
        .onChange(selectedGroupID_.get(), [showEdit] { showEdit.set(false); })
        .onChange(appState.groupStore.snapshot(), [state, selection, showEdit] {
            const auto& now = state->groupStore.groups();
            if (!selection.get() || !selectedGroup(now, selection.get())) selection.set(firstGroupID(now));
            showEdit.set(false);
        });
}

}  // namespace tessivane
