#pragma once
#include <optional>
#include <string>

namespace tessivane {

// The fixed addresses that the menus open in the browser or mail client.
namespace TessivaneLinks {

const std::string& website();         // the product's home page
const std::string& privacy();         // the website's "/privacy.html"
const std::string& terms();           // the website's "/terms.html"
const std::string& supportMailbox();  // a "mailto:" address
// A store page where users can leave a tip; when absent, callers open `website()`.
const std::optional<std::string>& tip();

}  // namespace TessivaneLinks

}  // namespace tessivane
