#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Alert.h"

namespace platform {

// Uniform type identifiers used with open panels.
namespace ContentType {
inline constexpr const char* png = "public.png";
inline constexpr const char* jpeg = "public.jpeg";
inline constexpr const char* heic = "public.heic";
inline constexpr const char* pdf = "com.adobe.pdf";
inline constexpr const char* icns = "com.apple.icns";
inline constexpr const char* image = "public.image";
}  // namespace ContentType

// A modal panel for choosing files. The chosen files are in `urls` after `runModal`
// returns Modal::ok.
class OpenPanel {
public:
    std::string title;
    std::string message;
    std::string prompt = "Open";
    std::vector<std::string> allowedContentTypes;
    bool allowsMultipleSelection = false;
    bool canChooseDirectories = false;
    bool canChooseFiles = true;
    std::vector<std::filesystem::path> urls;

    ModalResponse runModal();
};

}  // namespace platform
