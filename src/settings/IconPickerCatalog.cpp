#include "settings/IconPickerCatalog.h"

#include "platform/Text.h"

namespace tessivane {

const std::vector<IconPickerCatalog::Category>& IconPickerCatalog::categories() {
    static const std::vector<Category> table = {
        {"security", "Security & VPN",
         {"lock.shield.fill", "lock.fill", "key.fill", "shield.fill", "shield.lefthalf.filled", "checkmark.shield.fill",
          "hand.raised.fill", "eye.slash.fill"}},
        {"dev", "Development",
         {"hammer.fill", "terminal.fill", "chevron.left.forwardslash.chevron.right", "curlybraces", "cpu.fill",
          "memorychip.fill", "server.rack", "wrench.and.screwdriver.fill"}},
        {"cloud", "Cloud & Storage",
         {"cloud.fill", "icloud.fill", "externaldrive.fill", "internaldrive.fill", "tray.full.fill", "archivebox.fill",
          "doc.fill", "folder.fill"}},
        {"network", "Network",
         {"network", "wifi", "antenna.radiowaves.left.and.right", "globe", "link", "personalhotspot",
          "dot.radiowaves.left.and.right", "arrow.triangle.2.circlepath"}},
        {"media", "Media",
         {"headphones", "speaker.wave.2.fill", "music.note", "play.circle.fill", "mic.fill", "video.fill",
          "camera.fill", "photo.fill"}},
        {"productivity", "Productivity",
         {"calendar", "clock.fill", "checkmark.circle.fill", "list.bullet", "note.text", "bookmark.fill", "tag.fill",
          "paperclip"}},
        {"communication", "Communication",
         {"message.fill", "envelope.fill", "phone.fill", "video.bubble.fill", "person.2.fill", "bell.fill",
          "megaphone.fill", "at"}},
        {"general", "General",
         {"star.fill", "heart.fill", "bolt.fill", "flame.fill", "sparkles", "gearshape.fill", "slider.horizontal.3",
          "square.grid.2x2.fill"}},
    };
    return table;
}

std::vector<IconPickerCatalog::Category> IconPickerCatalog::filteredCategories(std::string_view query) {
    const std::string trimmed = platform::Text::trimmed(query);
    if (trimmed.empty()) return categories();
    const std::string q = platform::Text::lowercased(trimmed);
    std::vector<Category> result;
    for (const Category& category : categories()) {
        if (platform::Text::lowercased(category.title).find(q) != std::string::npos) {
            result.push_back(category);
            continue;
        }
        Category kept{category.id, category.title, {}};
        for (const std::string& symbol : category.symbols) {
            if (platform::Text::lowercased(symbol).find(q) != std::string::npos) kept.symbols.push_back(symbol);
        }
        if (!kept.symbols.empty()) result.push_back(std::move(kept));
    }
    return result;
}

}  // namespace tessivane
