#include "desktop/display/DisplayAccess.h"
#include "desktop/display/DisplayServerFraming.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace desktop {

namespace {

constexpr size_t kTokenBytes = 24;  // 192 bits, 48 hex digits
constexpr std::string_view kTokenFile = "display-token";
// Of an answer's Set-Cookie lines that expire cookies: browsers take answers whose head is
// far larger (Chromium's 256 KiB), and what one answer leaves, the next expires.
constexpr size_t kMaxExpiringBytes = 32 << 10;
constexpr size_t kMaxCookiePath = 256;

constexpr auto equalsIgnoringCase = &DisplayServerFraming::equalsIgnoringCase;
constexpr auto trimmed = &DisplayServerFraming::trimmed;

bool isIPLiteral(std::string_view name) {
    const std::string text(name);
    unsigned char buffer[sizeof(struct in6_addr)];
    return inet_pton(AF_INET, text.c_str(), buffer) == 1 || inet_pton(AF_INET6, text.c_str(), buffer) == 1;
}

bool isWildcard(std::string_view host) { return host == "0.0.0.0" || host == "::" || host.empty(); }

bool isValidToken(const std::string& token) {
    return token.size() == 2 * kTokenBytes &&
           std::all_of(token.begin(), token.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

std::string randomToken(std::string& error) {
    unsigned char bytes[kTokenBytes];
    size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = std::string("no random numbers for the token: ") + std::strerror(errno);
            return {};
        }
        got += static_cast<size_t>(n);
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    for (unsigned char b : bytes) {
        token += kHex[b >> 4];
        token += kHex[b & 15];
    }
    return token;
}

// Another user may have made the folder first (under /tmp anyone can): the way out is a
// folder of one's own.
constexpr std::string_view kWayOut = "; set TESSIVANE_RUNTIME_DIR to a folder of your own to keep the token there";

// A folder only we can reach: made 0700 when missing, otherwise ours, not a link and closed
// to group and others.
bool privateFolder(const std::filesystem::path& folder, std::string& error) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot make " + folder.string() + ": " + std::strerror(errno) + std::string(kWayOut);
        return false;
    }
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & 077) != 0) {
        error = folder.string() + " is not a private folder of this user (it must be a folder, ours, mode 0700)" +
                std::string(kWayOut);
        return false;
    }
    return true;
}

std::string readToken(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {};
    struct stat st {};
    std::string token;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0) {
        char buffer[2 * kTokenBytes + 2];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) token.assign(buffer, static_cast<size_t>(n));
        while (!token.empty() && (token.back() == '\n' || token.back() == '\r')) token.pop_back();
    }
    ::close(fd);
    return isValidToken(token) ? token : std::string();
}

bool writeToken(const std::filesystem::path& file, const std::string& token) {
    // A file that is not a good token (damaged, or not ours) is replaced, never written through.
    ::unlink(file.c_str());
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const std::string line = token + "\n";
    const bool written = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    return ::close(fd) == 0 && written;
}

// The paths a cookie sent with a request for `path` may have been set for: "/", each folder on
// the way with and without its closing slash, and the path itself; only "/" for a path that a
// header cannot carry as it is.
std::vector<std::string_view> cookiePaths(std::string_view path) {
    std::vector<std::string_view> paths{"/"};
    if (path.empty() || path.size() > kMaxCookiePath || path.front() != '/' ||
        !std::all_of(path.begin(), path.end(), [](char c) { return c > 0x20 && c < 0x7f && c != ';'; })) {
        return paths;
    }
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/') continue;
        for (const std::string_view p : {path.substr(0, i), path.substr(0, i + 1)}) {
            if (p != paths.back()) paths.push_back(p);
        }
    }
    return paths;
}

}  // namespace

DisplayAccess::DisplayAccess(std::string token, std::string listenHost, int port)
    : token_(std::move(token)), listenHost_(std::move(listenHost)), port_(port) {}

bool DisplayAccess::isLoopback(std::string_view host) {
    if (equalsIgnoringCase(host, "localhost")) return true;
    const std::string text(host);
    struct in_addr v4 {};
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    struct in6_addr v6 {};
    return inet_pton(AF_INET6, text.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

bool DisplayAccess::hostAllowed(std::string_view host) const {
    std::string_view name, port;
    if (!host.empty() && host.front() == '[') {
        const auto close = host.find(']');
        if (close == std::string_view::npos) return false;
        name = host.substr(1, close - 1);
        const auto rest = host.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return false;
            port = rest.substr(1);
        }
        if (!isIPLiteral(name) || name.find(':') == std::string_view::npos) return false;
    } else {
        const auto colon = host.rfind(':');
        name = host.substr(0, colon);
        if (colon != std::string_view::npos) port = host.substr(colon + 1);
        if (name.find(':') != std::string_view::npos) return false;
    }
    if (port.empty() ? port_ != 80 : port != std::to_string(port_)) return false;
    if (name.empty()) return false;
    return isLoopback(name) || equalsIgnoringCase(name, listenHost_) || (isWildcard(listenHost_) && isIPLiteral(name));
}

bool DisplayAccess::tokenMatches(std::string_view candidate) const {
    if (token_.empty() || candidate.size() != token_.size()) return false;
    unsigned char difference = 0;  // the same time whichever character differs
    for (size_t i = 0; i < token_.size(); ++i) difference |= static_cast<unsigned char>(token_[i] ^ candidate[i]);
    return difference == 0;
}

std::string DisplayAccess::cookieName() const { return "tessivane-token-" + std::to_string(port_); }

std::string DisplayAccess::setCookieHeader() const {
    return cookieName() + "=" + token_ + "; Path=/; HttpOnly; SameSite=Strict";
}

std::vector<std::string> DisplayAccess::expiringCookies(const std::vector<DisplayServerHeadReader::Cookie>& cookies,
                                                       std::string_view path) const {
    std::vector<const DisplayServerHeadReader::Cookie*> largest;
    for (const auto& cookie : cookies) largest.push_back(&cookie);
    std::stable_sort(largest.begin(), largest.end(), [](const auto* a, const auto* b) { return a->bytes > b->bytes; });
    const auto paths = cookiePaths(path);
    std::vector<std::string> out;
    size_t bytes = 0;
    for (const auto* cookie : largest) {
        const std::string_view name = cookie->name;
        // Browsers take a cookie of these prefixes only as Secure, its expiry too.
        const bool secure = equalsIgnoringCase(name.substr(0, 9), "__Secure-") || equalsIgnoringCase(name.substr(0, 7), "__Host-");
        for (const std::string_view p : paths) {
            std::string expiry = cookie->name + "=; Path=" + std::string(p) + "; Max-Age=0" + (secure ? "; Secure" : "");
            bytes += expiry.size() + 14;  // "Set-Cookie: " and CRLF
            if (bytes > kMaxExpiringBytes) return out;
            out.push_back(std::move(expiry));
        }
    }
    return out;
}

std::string DisplayAccess::redirectTarget(std::string_view path) {
    const bool plain = std::none_of(path.begin(), path.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == '\\';
    });
    if (!plain || path.empty() || path.front() != '/' || path.substr(0, 2) == "//") return "/";
    return std::string(path);
}

bool DisplayAccess::cookieHoldsToken(std::string_view header) const {
    // Any page on any port of this host can set a cookie of the same name (cookies do not
    // tell ports apart), and one with a longer path is sent first: a wrong one beside the
    // right one is no refusal.
    const std::string name = cookieName();
    while (!header.empty()) {
        const auto semicolon = header.find(';');
        const std::string_view pair = trimmed(header.substr(0, semicolon));
        const auto equals = pair.find('=');
        if (equals != std::string_view::npos && pair.substr(0, equals) == name && tokenMatches(pair.substr(equals + 1))) {
            return true;
        }
        if (semicolon == std::string_view::npos) break;
        header.remove_prefix(semicolon + 1);
    }
    return false;
}

bool DisplayAccess::carriesToken(const Request& r) const {
    return (r.hasQueryToken && tokenMatches(r.queryToken)) || cookieHoldsToken(r.cookie) || tokenMatches(r.tokenHeader);
}

DisplayAccess::Verdict DisplayAccess::check(const Request& r) const {
    using Kind = Verdict::Kind;
    // Any page on any port of this host can set cookies enough to take every head past its
    // bound. A request with the token (the printed address, the page's cookie, the header) is
    // served without them, so that none can lock the person out; any other is refused as every
    // head past its bound is.
    if (r.cookiesDropped && !carriesToken(r)) {
        return {Kind::refuse, 431, "the request's cookies are too long together: open the address tessivane printed, "
                                   "with its ?token="};
    }
    if (!hostAllowed(r.host)) {
        return {Kind::refuse, 403, "the Host header must name this server (" + std::string(r.host.substr(0, 100)) +
                                       " does not)"};
    }
    if (!r.origin.empty() && !(r.origin.substr(0, 7) == "http://" && equalsIgnoringCase(r.origin.substr(7), r.host))) {
        return {Kind::refuse, 403, "requests from other origins are refused"};
    }
    if (r.method != "GET" && r.method != "HEAD" && r.method != "POST") {
        return {Kind::refuse, 405, "only GET, HEAD and POST", "GET, HEAD, POST"};
    }
    const bool api = r.path == "/api" || r.path.substr(0, 5) == "/api/";
    if (!api && r.method == "POST") return {Kind::refuse, 405, "the page's files take GET and HEAD", "GET, HEAD"};
    if (r.method != "POST" && r.hasBody) return {Kind::refuse, 400, "a GET or HEAD takes no body"};
    if (!api) {
        if (!r.hasQueryToken) return {};
        if (!tokenMatches(r.queryToken)) return {Kind::refuse, 403, "this is not the token tessivane printed"};
        return {Kind::setCookieAndRedirect, 303, {}};
    }
    if (!cookieHoldsToken(r.cookie) && !tokenMatches(r.tokenHeader)) {
        return {Kind::refuse, 403, "the API needs the token: open the address tessivane printed, with its ?token="};
    }
    if (r.method == "POST") {
        const std::string_view type = trimmed(r.contentType.substr(0, r.contentType.find(';')));
        if (!equalsIgnoringCase(type, "application/json")) return {Kind::refuse, 415, "POST bodies must be application/json"};
    }
    return {};
}

std::filesystem::path DisplayAccess::runtimeFolder() {
    if (const char* own = std::getenv("TESSIVANE_RUNTIME_DIR"); own && *own) return own;
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg) return std::filesystem::path(xdg) / "tessivane";
    return "/tmp/tessivane-" + std::to_string(::geteuid());
}

std::string DisplayAccess::loadOrCreateToken(const std::filesystem::path& folder, std::string& error) {
    if (!privateFolder(folder, error)) return {};
    const auto file = folder / kTokenFile;
    std::string token = readToken(file);
    if (!token.empty()) return token;
    token = randomToken(error);
    if (token.empty()) return {};
    if (!writeToken(file, token)) {
        error = "cannot store the token in " + file.string() + ": " + std::strerror(errno);
        return {};
    }
    return token;
}

}  // namespace desktop
