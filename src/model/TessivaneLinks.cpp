#include "model/TessivaneLinks.h"

namespace tessivane::TessivaneLinks {

namespace {
constexpr const char* kWebsiteHost = "https://tessivane.app";
}

const std::string& website() {
    static const std::string address = kWebsiteHost;
    return address;
}

const std::string& privacy() {
    static const std::string address = std::string(kWebsiteHost) + "/privacy.html";
    return address;
}

const std::string& terms() {
    static const std::string address = std::string(kWebsiteHost) + "/terms.html";
    return address;
}

const std::string& supportMailbox() {
    static const std::string address = "mailto:support@tessivane.app";
    return address;
}

const std::optional<std::string>& tip() {
    static const std::optional<std::string> address = std::string("https://ko-fi.com/tessivane");
    return address;
}

}  // namespace tessivane::TessivaneLinks
