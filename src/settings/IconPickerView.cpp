#include "settings/IconPickerView.h"

#include "model/CustomGroupIconStore.h"
#include "platform/Application.h"
#include "platform/OpenPanel.h"
#include "platform/Platform.h"
#include "settings/IconColorPickerRow.h"
#include "settings/IconPickerCatalog.h"
#include "settings/IconPickerCell.h"
#include "settings/SettingsTheme.h"
#include "ui/Color.h"
#include "ui/Nodes.h"

namespace tessivane {

void IconPickerView::importFromMac(const ui::Binding<std::optional<std::string>>& customIconFilename,
                                   const platform::UUID& importGroupID, const ui::Binding<ImportTicket>& ticket) {
    platform::OpenPanel panel;
    panel.title = openPanelTitle;
    panel.message = openPanelMessage;
    panel.allowedContentTypes = {platform::ContentType::png,  platform::ContentType::jpeg,
                                 platform::ContentType::heic, platform::ContentType::pdf,
                                 platform::ContentType::icns, platform::ContentType::image};
    panel.allowsMultipleSelection = false;
    panel.canChooseDirectories = false;
    if (panel.runModal() != platform::Modal::ok || panel.urls.empty()) return;

    auto mine = std::make_shared<const bool>(true);
    ticket.set(mine);
    CustomGroupIconStore::shared().importImageInBackground(
        panel.urls.front(), importGroupID, mine,
        [customIconFilename](std::optional<std::string> stored, std::error_code) {
            if (!stored) {
                platform::application().beep();
                return;
            }
            // The same name means the import has already replaced the old file.
            const std::optional<std::string> old = customIconFilename.get();
            if (old && *old != *stored) CustomGroupIconStore::shared().deleteFile(old);
            customIconFilename.set(stored);
        });
}

void IconPickerView::removeCustomImage(const ui::Binding<std::optional<std::string>>& customIconFilename,
                                       const ui::Binding<ImportTicket>& ticket) {
    ticket.set(nullptr);
    if (auto current = customIconFilename.get()) CustomGroupIconStore::shared().deleteFile(current);
    customIconFilename.set(std::nullopt);
}

ui::Node IconPickerView::symbolGrid() {
    using namespace ui;
    const std::vector<IconPickerCatalog::Category> categories = IconPickerCatalog::filteredCategories(searchText_.get());
    if (categories.empty()) {
        return ContentUnavailable("No icons found", "magnifyingglass", "Try a different search term.")
            .frame({.maxWidth = infinity, .minHeight = 160});
    }
    const std::string colorHex = accentColorHex_.get();
    const bool hasCustomIcon = customIconFilename_.get().has_value();
    const std::string selected = selection_.get();
    auto custom = customIconFilename_;
    auto selection = selection_;
    auto ticket = importTicket_.binding();
    return VStack({.alignment = HorizontalAlignment::leading, .spacing = 18},
                  ForEach(categories, [](const IconPickerCatalog::Category& c) { return c.id; },
                          [&](const IconPickerCatalog::Category& category) {
                              return VStack(
                                  {.alignment = HorizontalAlignment::leading, .spacing = 10},
                                  Text(category.title)
                                      .font(Font::subheadline().withWeight(Weight::semibold))
                                      .foreground(Color::secondary()),
                                  LazyVGrid({.columns = {GridItem::adaptive(IconPickerCell::side).spaced(12)},
                                             .alignment = HorizontalAlignment::center,
                                             .spacing = 10},
                                            ForEach(category.symbols, [](const std::string& s) { return s; },
                                                    [&](const std::string& symbol) {
                                                        return view<IconPickerCell>(
                                                            symbol, colorHex, !hasCustomIcon && selected == symbol,
                                                            [custom, selection, symbol, ticket] {
                                                                removeCustomImage(custom, ticket);
                                                                selection.set(symbol);
                                                            });
                                                    })));
                          }))
        .padding(Edges::bottom, 12);
}

ui::Node IconPickerView::body() {
    using namespace ui;
    auto custom = customIconFilename_;
    const platform::UUID groupID = importGroupID_;
    auto ticket = importTicket_.binding();
    return VStack({.alignment = HorizontalAlignment::leading, .spacing = 14},
                  view<IconColorPickerRow>(accentColorHex_),
                  HStack({.spacing = 8},
                         pointingHandCursor(Button([custom, groupID, ticket] { importFromMac(custom, groupID, ticket); },
                                                   Label("From Mac\u2026", "photo.on.rectangle.angled"))
                                                .buttonStyle(ButtonStyle::bordered)),
                         When(custom.get().has_value(),
                              [&] {
                                  return pointingHandCursor(Button("Use symbol", [custom, ticket] { removeCustomImage(custom, ticket); })
                                                                .buttonStyle(ButtonStyle::borderless)
                                                                .foreground(Color::secondary()));
                              }),
                         Spacer()),
                  TextField("Search icons\u2026", searchText_.binding()).textFieldStyle(TextFieldStyle::roundedBorder),
                  ScrollView(symbolGrid()).scrollIndicators(Visibility::visible))
        .padding(20)
        .frame({.maxWidth = infinity, .maxHeight = infinity, .alignment = Alignment::topLeading});
}

}  // namespace tessivane
