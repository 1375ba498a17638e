#pragma once
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/display/DisplayServerHeadReader.h"

namespace desktop {

// Who may use the display's server. It listens on a loopback address, but every web page
// the person visits can send requests there, and so can every other user of the machine.
// So, as careful local development tools do: the Host header must name the listening
// address (or a loopback name), which defeats DNS rebinding; an Origin must be the page's
// own; the API needs a random token, printed with the address, that the page keeps in a
// cookie (or a client sends in a header); POST bodies are JSON only, which a plain form
// or a cross-origin "simple" request cannot send. Only the API's POSTs take a body: every
// other request that declares one is refused from its head, before the body is read. A page
// of another port can set cookies enough to take every head past its bound: a request with
// the token is served without them, and its answer expires them.
class DisplayAccess {
public:
    // What the server saw of one request, before reading its body.
    struct Request {
        std::string_view method;
        std::string_view path;
        std::string_view host;          // the Host header
        std::string_view origin;        // the Origin header, empty when absent
        std::string_view cookie;        // the Cookie header
        std::string_view tokenHeader;   // the X-Tessivane-Token header
        std::string_view contentType;   // of a POST
        bool hasQueryToken = false;     // a page URL with ?token=
        std::string_view queryToken;
        bool hasBody = false;           // its head declares one
        // Its Cookie lines took the head past its bound and were dropped (`cookie` is what
        // was kept of them, the page's own cookie).
        bool cookiesDropped = false;
    };

    struct Verdict {
        enum class Kind { serve, refuse, setCookieAndRedirect };
        Kind kind = Kind::serve;
        int status = 200;
        std::string reason;  // for a refusal
        std::string allow;   // for a 405: the methods the path takes
    };

    // `listenHost` as given to --listen (an IPv6 address without brackets).
    DisplayAccess(std::string token, std::string listenHost, int port);

    Verdict check(const Request& request) const;
    // The cookie that carries the token, named after the port so that two servers on one
    // machine (which browsers treat as one cookie host) do not overwrite each other's.
    std::string cookieName() const;
    std::string setCookieHeader() const;
    // The Set-Cookie values that expire the cookies of a request for `path` whose Cookie lines
    // were dropped, the largest first: for every path such a cookie may have been set for,
    // within a bound on their bytes that leaves the answer far below what browsers take.
    std::vector<std::string> expiringCookies(const std::vector<DisplayServerHeadReader::Cookie>& cookies,
                                             std::string_view path) const;
    // Where the address with the token redirects to: the same path, or "/" for a path that
    // would lead elsewhere ("//host/...") or break the header.
    static std::string redirectTarget(std::string_view path);
    const std::string& token() const { return token_; }

    // Loopback addresses and names: 127.0.0.0/8, ::1, localhost.
    static bool isLoopback(std::string_view host);

    // The token kept for this user in `folder`, made when there is none yet, so that an open
    // page keeps working across restarts. The folder is created private (0700) and must be
    // ours, a real folder and not reachable by others; the file is read without following
    // a link. Empty with `error` set when the folder cannot be trusted.
    static std::string loadOrCreateToken(const std::filesystem::path& folder, std::string& error);
    // $TESSIVANE_RUNTIME_DIR, else $XDG_RUNTIME_DIR/tessivane, else /tmp/tessivane-UID.
    static std::filesystem::path runtimeFolder();

private:
    bool hostAllowed(std::string_view host) const;
    bool tokenMatches(std::string_view candidate) const;
    bool cookieHoldsToken(std::string_view cookieHeader) const;
    bool carriesToken(const Request& request) const;

    std::string token_;
    std::string listenHost_;
    int port_;
};

}  // namespace desktop
