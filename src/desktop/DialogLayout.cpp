#include "desktop/DialogLayout.h"

#include <algorithm>
#include <cmath>

#include "ui/Font.h"
#include "ui/SizeEstimator.h"

namespace desktop {

namespace {

constexpr double kSideInset = 16;
constexpr double kTopInset = 18;
constexpr double kIconHeight = 56 + 8;
constexpr double kMessageLineHeight = 16;
constexpr double kMessageGap = 6;
constexpr double kInformativeLineHeight = 15;  // 11 points at 1.35
constexpr double kGapAboveButtons = 12;

// Lines of the text wrapped at word boundaries to `available`, each paragraph on its own.
int wrappedLines(const std::string& text, const ui::Font& font, double available) {
    if (text.empty()) return 0;
    const double space = ui::SizeEstimator::textWidth(" ", font);
    int lines = 0;
    size_t start = 0;
    while (true) {
        const size_t end = text.find('\n', start);
        const std::string paragraph = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        int paragraphLines = 1;
        double used = 0;
        size_t word = 0;
        while (word < paragraph.size()) {
            size_t next = paragraph.find(' ', word);
            if (next == std::string::npos) next = paragraph.size();
            const double w = ui::SizeEstimator::textWidth(paragraph.substr(word, next - word), font);
            if (used > 0 && used + space + w > available) {
                ++paragraphLines;
                used = 0;
            }
            // A word wider than the line breaks inside itself.
            const double wide = std::floor(w / available);
            paragraphLines += static_cast<int>(wide);
            used = (used > 0 ? used + space : 0) + (w - wide * available);
            word = next + 1;
        }
        lines += paragraphLines;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

}  // namespace

DialogLayout DialogLayout::forText(const std::string& messageText, const std::string& informativeText,
                                   size_t buttonCount, double buttonPitch, double bottomMargin) {
    const double available = width - 2 * kSideInset;
    const int messageLines = wrappedLines(messageText, ui::Font::system(13, ui::Weight::bold), available);
    const int informativeLines = wrappedLines(informativeText, ui::Font::system(11), available);
    double height = kTopInset + kIconHeight + messageLines * kMessageLineHeight + kMessageGap +
                    informativeLines * kInformativeLineHeight + kGapAboveButtons;
    height += static_cast<double>(buttonCount) * buttonPitch + bottomMargin;
    DialogLayout layout;
    layout.size = platform::Size{width, std::ceil(height)};
    layout.buttonCount = buttonCount;
    layout.buttonPitch = buttonPitch;
    layout.bottomMargin = bottomMargin;
    return layout;
}

void DialogLayout::limitHeight(double maxHeight) {
    const double buttons = bottomMargin + static_cast<double>(buttonCount) * buttonPitch;
    size.height = std::max(std::min(size.height, std::floor(maxHeight)), buttons);
}

platform::Rect DialogLayout::buttonFrame(const platform::Rect& frame, size_t index) const {
    const double fromBottom = bottomMargin + static_cast<double>(buttonCount - 1 - index) * buttonPitch;
    return platform::Rect{frame.minX(), frame.minY() + fromBottom, frame.width(), buttonPitch};
}

int DialogLayout::buttonAt(const platform::Rect& frame, platform::Point p) const {
    for (size_t i = 0; i < buttonCount; ++i) {
        if (buttonFrame(frame, i).contains(p)) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace desktop
