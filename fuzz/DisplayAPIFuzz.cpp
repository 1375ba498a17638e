// A request to the display's JSON API as any bytes: the first byte picks the command, the
// rest is its body. Decoding never crashes and answers every request with a status and a
// JSON object; the same bytes as a request's headers get a verdict from the access rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>

#include "BenchPlatform.h"
#include "desktop/Desktop.h"
#include "desktop/Scene.h"
#include "desktop/display/DisplayAPI.h"
#include "desktop/display/DisplayAccess.h"

namespace {

constexpr const char* kPaths[] = {"/pointer", "/key", "/act", "/window", "/dialogs/accessibility",
                                  "/settings/accessibility", "/dialogs/open-panel", "/dialogs/alert",
                                  "/clock/advance", "/state", "/files", "/nowhere"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    bench::preparePlatform();
    static desktop::Desktop* desk = [] {
        auto* d = new desktop::Desktop(desktop::Scene::minimal());
        d->install();
        return d;
    }();
    static desktop::DisplayAPI api(*desk);
    if (size == 0) return 0;
    const std::string body(reinterpret_cast<const char*>(bytes) + 1, size - 1);
    const char* path = kPaths[bytes[0] % std::size(kPaths)];
    const desktop::DisplayResponse r = api.handle(bytes[0] & 0x80 ? "GET" : "POST", path, body, body);
    if (r.status < 200 || r.status > 599 || !r.body.is_object()) std::abort();
    if (r.status >= 400 && !r.body.contains("error")) std::abort();

    // Every header the access rules read, cut from the same bytes.
    const std::string_view text(body);
    const size_t third = text.size() / 3;
    const desktop::DisplayAccess access("0123456789abcdef0123456789abcdef0123456789abcdef", "::1", 8765);
    const auto verdict = access.check({"POST", text.substr(0, third), text.substr(third, third), text.substr(0, third),
                                       text.substr(2 * third), text.substr(third), text, (bytes[0] & 1) != 0, text});
    if (verdict.kind == desktop::DisplayAccess::Verdict::Kind::refuse && verdict.reason.empty()) std::abort();
    return 0;
}
