#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/display/DisplayServerFraming.h"

namespace desktop {

// Reads the head of the request at the front of a connection's buffer as its bytes arrive,
// again only once a line ended or a bound was passed: a head sent a byte at a time costs what
// one sent at once does.
//
// Cookie lines are taken out of the buffer as they arrive. A browser sends every cookie of
// the host in one line, whoever set it, and a page on any other port of the host can set as
// many as the browser keeps (150 of 4 KB): megabytes that no rule reads. Of them only the
// cookie the rules look for is kept in the head, and the names of the others, so that an
// answer can expire them; what they weighed as sent still counts for the head's bound.
class DisplayServerHeadReader {
public:
    using Head = DisplayServerFraming::Head;
    // A cookie of the head's Cookie lines other than the kept one, by a name an answer may
    // carry back: without control characters (a line break above all), at most
    // `kMaxNameBytes`; at most `kMaxCookies` of them, cookies of one name counted once.
    struct Cookie {
        std::string name;
        size_t bytes = 0;  // its names and values as sent
    };
    static constexpr size_t kMaxNameBytes = 256;
    static constexpr size_t kMaxCookies = 200;

    // `keptCookie`: the name of the cookie the rules look for (none kept when empty).
    DisplayServerHeadReader(const DisplayServerFraming::Limits& limits, std::string keptCookie);

    // `buffer` holds the head at its front, as far as it arrived (what came since the last
    // call at its end), and perhaps what follows it. The head read is refused once the
    // Cookie lines pass `Limits::cookieBytes` as sent.
    const Head& read(std::string& buffer);
    // The next head starts at the front of the buffer.
    void reset();

    const Head& head() const { return head_; }
    // A complete head that its Cookie lines, as sent, took past `Limits::headBytes`.
    bool cookiesPastBound() const;
    const std::vector<Cookie>& cookies() const { return cookies_; }

private:
    // Takes what arrived of the Cookie line at `lineStart_` out of the buffer; true once it
    // ended, leaving in its place the kept cookie.
    bool takeCookieLine(std::string& buffer);
    void takeCookieBytes(std::string_view bytes);
    void endCookie();

    DisplayServerFraming::Limits limits_;
    std::string keptName_;
    Head head_;
    size_t scanned_ = 0;    // of the buffer, when the head was last read
    size_t lineStart_ = 0;  // of the line being received
    bool ended_ = false;    // its blank line arrived
    bool inCookie_ = false;  // the line being received is a Cookie line
    size_t cookieBytes_ = 0;  // of the Cookie lines as sent, after "Cookie:"
    size_t cookieWritten_ = 0;  // of what was left of them in the buffer, after "Cookie:"
    std::vector<Cookie> cookies_;
    // The cookie being read.
    std::string name_, value_;
    bool inValue_ = false;
    bool kept_ = false;  // it has the kept name
    size_t cookieSize_ = 0;
    char last_ = 0;  // the byte last taken of the line
    std::string keptLine_;  // what the line being taken keeps, as "NAME=VALUE; NAME=VALUE"
    size_t keptCount_ = 0;
};

}  // namespace desktop
