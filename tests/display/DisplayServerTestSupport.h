#pragma once
#include <httplib.h>

#include <filesystem>
#include <memory>

#include "desktop/display/DisplayServer.h"
#include "ui/SymbolCatalogue.h"

namespace displaytest {

inline constexpr const char* kToken = "0123456789abcdef0123456789abcdef0123456789abcdef";

inline desktop::DisplayServer::Options options() {
    desktop::DisplayServer::Options o;
    o.port = 0;
    o.pages = std::filesystem::path(TESSIVANE_RESOURCES_DIR) / "display";
    o.iconFont = ui::SymbolCatalogue::fontFile;
    o.token = kToken;
    return o;
}

// A client as the page is: it has the token.
inline std::unique_ptr<httplib::Client> client(int port) {
    auto c = std::make_unique<httplib::Client>("127.0.0.1", port);
    c->set_read_timeout(30, 0);
    c->set_default_headers({{"X-Tessivane-Token", kToken}});
    return c;
}

}  // namespace displaytest
