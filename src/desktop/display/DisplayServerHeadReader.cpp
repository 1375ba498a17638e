#include "desktop/display/DisplayServerHeadReader.h"

#include <algorithm>

namespace desktop {

namespace {

constexpr std::string_view kCookie = "Cookie:";
// Of the kept cookie: a page on another port can set one of its name for every path on the
// way to the request's and for the host's domain too, all sent before the page's own, so
// dozens are kept, and none whose value is longer than any the rules look for.
constexpr size_t kMaxKept = 32;
constexpr size_t kMaxKeptValue = 64;

std::string_view trimmed(std::string_view s) {
    s = DisplayServerFraming::trimmed(s);
    while (!s.empty() && s.back() == '\r') s = DisplayServerFraming::trimmed(s.substr(0, s.size() - 1));
    return s;
}

// Nothing that ends a line or a header, nor any other control character.
bool plain(std::string_view s) {
    return std::none_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// A name that goes back into an answer's header as it came.
bool namesBack(std::string_view name) {
    return !name.empty() && name.size() <= DisplayServerHeadReader::kMaxNameBytes && plain(name);
}

}  // namespace

DisplayServerHeadReader::DisplayServerHeadReader(const DisplayServerFraming::Limits& limits, std::string keptCookie)
    : limits_(limits), keptName_(std::move(keptCookie)) {}

void DisplayServerHeadReader::reset() { *this = DisplayServerHeadReader(limits_, std::move(keptName_)); }

bool DisplayServerHeadReader::cookiesPastBound() const {
    return head_.status == Head::Status::complete && head_.length - cookieWritten_ + cookieBytes_ > limits_.headBytes;
}

const DisplayServerHeadReader::Head& DisplayServerHeadReader::read(std::string& buffer) {
    const size_t before = scanned_, lineBefore = lineStart_;
    bool again = before == 0 || buffer.size() > limits_.headBytes;
    // The lines that ended since the last reading, and the start of the one being received.
    while (!ended_) {
        if (inCookie_) {
            if (!takeCookieLine(buffer)) break;
            again = true;
            continue;
        }
        const size_t newline = buffer.find('\n', std::max(scanned_, lineStart_));
        const size_t end = newline == std::string::npos ? buffer.size() : newline + 1;
        const std::string_view line = std::string_view(buffer).substr(lineStart_, end - lineStart_);
        if (lineStart_ > 0 && DisplayServerFraming::equalsIgnoringCase(line.substr(0, kCookie.size()), kCookie)) {
            inCookie_ = true;
            continue;
        }
        if (newline == std::string::npos) break;
        ended_ = line == "\r\n" || line == "\n";
        lineStart_ = scanned_ = end;
        again = true;
    }
    scanned_ = buffer.size();
    if (cookieBytes_ > limits_.cookieBytes) {
        head_ = {};
        head_.status = Head::Status::refused;
        head_.refusal = 431;
        head_.reason = "the request's cookies are too long together";
        return head_;
    }
    // The line being received just passed the bound of a line.
    if (before - lineBefore <= limits_.lineBytes && buffer.size() - lineStart_ > limits_.lineBytes) again = true;
    if (again) head_ = DisplayServerFraming::readHead(buffer, limits_);
    return head_;
}

bool DisplayServerHeadReader::takeCookieLine(std::string& buffer) {
    const size_t from = lineStart_ + kCookie.size();
    const size_t newline = buffer.find('\n', from);
    const size_t end = newline == std::string::npos ? buffer.size() : newline;
    takeCookieBytes(std::string_view(buffer).substr(from, end - from));
    buffer.erase(from, end - from);
    if (newline == std::string::npos) return false;
    endCookie();
    // A line that did not end with CRLF is still refused for it.
    const std::string left = " " + keptLine_ + (last_ == '\r' ? "\r\n" : "\n");
    buffer.replace(from, 1, left);
    cookieBytes_ += 1;
    cookieWritten_ += left.size();
    keptLine_.clear();
    last_ = 0;
    inCookie_ = false;
    lineStart_ = scanned_ = from + left.size();
    return true;
}

void DisplayServerHeadReader::takeCookieBytes(std::string_view bytes) {
    cookieBytes_ += bytes.size();
    if (!bytes.empty()) last_ = bytes.back();
    while (!bytes.empty()) {
        if (inValue_ && !kept_) {
            // Another cookie's value is only counted: it goes at the pace of memchr.
            const size_t value = std::min(bytes.find(';'), bytes.size());
            cookieSize_ += value;
            bytes.remove_prefix(value);
            if (bytes.empty()) break;
        }
        const char c = bytes.front();
        bytes.remove_prefix(1);
        if (c == ';') {
            endCookie();
            continue;
        }
        ++cookieSize_;
        if (!inValue_) {
            if (c == '=') {
                inValue_ = true;
                kept_ = !keptName_.empty() && trimmed(name_) == keptName_;
            } else if (name_.size() <= kMaxNameBytes && !(name_.empty() && (c == ' ' || c == '\t'))) {
                name_ += c;  // one more than the bound: too long
            }
        } else if (kept_ && value_.size() <= kMaxKeptValue) {
            value_ += c;
        }
    }
}

void DisplayServerHeadReader::endCookie() {
    const std::string_view name = trimmed(name_), value = trimmed(value_);
    // A cookie without a name (its value alone, no "=") cannot be named back.
    if (inValue_ && kept_) {
        if (value.size() <= kMaxKeptValue && plain(value) && keptCount_ < kMaxKept) {
            ++keptCount_;
            keptLine_ += (keptLine_.empty() ? "" : "; ") + std::string(name) + "=" + std::string(value);
        }
    } else if (inValue_ && namesBack(name)) {
        const auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const Cookie& c) { return c.name == name; });
        if (same != cookies_.end()) same->bytes += cookieSize_;
        else if (cookies_.size() < kMaxCookies) cookies_.push_back({std::string(name), cookieSize_});
    }
    name_.clear();
    value_.clear();
    inValue_ = kept_ = false;
    cookieSize_ = 0;
}

}  // namespace desktop
