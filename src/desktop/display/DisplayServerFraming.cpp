#include "desktop/display/DisplayServerFraming.h"

#include <algorithm>
#include <cctype>

namespace desktop {

namespace {

using Rules = DisplayServerFraming;

bool isToken(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
    });
}

// The field name of a header line (without its CRLF), empty when the line is not one.
std::string_view fieldName(std::string_view line, std::string_view& value) {
    const auto colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return {};
    const std::string_view name = line.substr(0, colon);
    if (!isToken(name)) return {};
    value = Rules::trimmed(line.substr(colon + 1));
    return name;
}

DisplayServerFraming::Head refused(int status, std::string reason) {
    DisplayServerFraming::Head head;
    head.status = DisplayServerFraming::Head::Status::refused;
    head.refusal = status;
    head.reason = std::move(reason);
    return head;
}

}  // namespace

bool DisplayServerFraming::equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view DisplayServerFraming::trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string_view DisplayServerFraming::Head::field(std::string_view name) const {
    for (const auto& [n, value] : fields) {
        if (equalsIgnoringCase(n, name)) return value;
    }
    return {};
}

std::string DisplayServerFraming::Head::joined(std::string_view name, std::string_view separator) const {
    std::string out;
    for (const auto& [n, value] : fields) {
        if (!equalsIgnoringCase(n, name)) continue;
        if (!out.empty()) out += separator;
        out += value;
    }
    return out;
}

DisplayServerFraming::Head DisplayServerFraming::readHead(std::string_view bytes, const Limits& limits) {
    Head head;
    bool hasLength = false, hasEncoding = false;
    size_t at = 0, lines = 0;
    for (;;) {
        const size_t newline = bytes.find('\n', at);
        const size_t end = newline == std::string_view::npos ? bytes.size() : newline + 1;
        if (end - at > limits.lineBytes) {
            if (lines == 0) return refused(414, "the request line is too long");
            if (!equalsIgnoringCase(bytes.substr(at, 7), "Cookie:")) return refused(431, "a header line is too long");
        }
        if (end > limits.headBytes) return refused(431, "the request's header lines are too long together");
        if (newline == std::string_view::npos) return head;  // the line goes on
        const std::string_view line = bytes.substr(at, end - at);
        at = end;
        if (line.size() < 2 || line[line.size() - 2] != '\r') return refused(400, "lines end with CRLF");
        const std::string_view text = line.substr(0, line.size() - 2);
        if (lines++ == 0) {
            // Strictly METHOD SP TARGET SP VERSION: the request is judged from this reading,
            // and the library must not read another request out of it.
            const auto first = text.find(' '), second = text.find(' ', first + 1);
            if (first == 0 || first == std::string_view::npos || second == std::string_view::npos ||
                second == first + 1 || text.find(' ', second + 1) != std::string_view::npos ||
                !isToken(text.substr(0, first)) ||
                (text.substr(second + 1) != "HTTP/1.1" && text.substr(second + 1) != "HTTP/1.0")) {
                return refused(400, "the request line is not METHOD TARGET HTTP/1.1");
            }
            head.method = text.substr(0, first);
            head.target = text.substr(first + 1, second - first - 1);
            head.post = head.method == "POST";
            continue;
        }
        if (text.empty()) break;  // the blank line: the head is complete
        if (lines - 1 > limits.headerLines) return refused(431, "too many header lines");
        std::string_view value;
        const std::string_view name = fieldName(text, value);
        if (name.empty()) return refused(400, "a header line is not a field");
        head.fields.emplace_back(name, value);
        if (equalsIgnoringCase(name, "Content-Length")) {
            if (value.empty() || value.size() > 18 ||
                !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
                return refused(400, "Content-Length is not a length");
            }
            const size_t length = std::stoull(std::string(value));
            if (hasLength && length != head.contentLength) return refused(400, "two different Content-Lengths");
            hasLength = true;
            head.contentLength = length;
        } else if (equalsIgnoringCase(name, "Transfer-Encoding")) {
            if (hasEncoding || !equalsIgnoringCase(value, "chunked")) {
                return refused(501, "the only transfer coding taken is chunked");
            }
            hasEncoding = head.chunked = true;
        } else if (equalsIgnoringCase(name, "Expect")) {
            head.expectsContinue = equalsIgnoringCase(value, "100-continue");
        }
    }
    // Both framings at once is how requests are smuggled past a proxy: neither is trusted.
    if (hasLength && hasEncoding) return refused(400, "both Content-Length and Transfer-Encoding");
    if (head.contentLength > limits.bodyBytes) return refused(413, "the body is too large");
    head.status = Head::Status::complete;
    head.length = at;
    return head;
}

std::string DisplayServerFraming::forwardedHead(std::string_view head, size_t bodyLength) {
    std::string out;
    size_t at = 0;
    while (at < head.size()) {
        const size_t end = head.find('\n', at) + 1;
        const std::string_view line = head.substr(at, end - at);
        at = end;
        if (line == "\r\n") break;
        std::string_view value;
        const std::string_view name = fieldName(line.substr(0, line.size() - 2), value);
        if (equalsIgnoringCase(name, "Transfer-Encoding") || equalsIgnoringCase(name, "Expect") ||
            equalsIgnoringCase(name, "Content-Length") || equalsIgnoringCase(name, "Cookie")) {
            continue;
        }
        out.append(line);
    }
    if (bodyLength > 0) out += "Content-Length: " + std::to_string(bodyLength) + "\r\n";
    out += "\r\n";
    return out;
}

DisplayServerFraming::ChunkedBody::Status DisplayServerFraming::ChunkedBody::takeLine(std::string_view& bytes,
                                                                                    size_t& used,
                                                                                    std::string& into) {
    const size_t newline = bytes.find('\n');
    const size_t take = newline == std::string_view::npos ? bytes.size() : newline + 1;
    if (into.size() + take > limits_.lineBytes) return Status::bad;
    into.append(bytes.substr(0, take));
    bytes.remove_prefix(take);
    used += take;
    if (newline == std::string_view::npos) return Status::more;
    if (into.size() < 2 || into[into.size() - 2] != '\r') return Status::bad;
    into.resize(into.size() - 2);
    return Status::done;
}

DisplayServerFraming::ChunkedBody::Status DisplayServerFraming::ChunkedBody::feed(std::string_view bytes, size_t& used) {
    used = 0;
    while (!bytes.empty()) {
        switch (part_) {
        case Part::size: {
            const Status line = takeLine(bytes, used, line_);
            if (line != Status::done) return line;
            // Hex digits, then perhaps extensions after a semicolon, which mean nothing here.
            const std::string_view digits = trimmed(std::string_view(line_).substr(0, line_.find(';')));
            if (digits.empty() || digits.size() > 15 ||
                !std::all_of(digits.begin(), digits.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })) {
                return Status::bad;
            }
            remaining_ = std::stoull(std::string(digits), nullptr, 16);
            line_.clear();
            if (remaining_ > limits_.bodyBytes - body_.size()) return Status::tooLarge;
            part_ = remaining_ == 0 ? Part::trailer : Part::data;
            break;
        }
        case Part::data: {
            const size_t take = std::min(remaining_, bytes.size());
            body_.append(bytes.substr(0, take));
            bytes.remove_prefix(take);
            used += take;
            remaining_ -= take;
            if (remaining_ == 0) part_ = Part::dataEnd;
            break;
        }
        case Part::dataEnd: {
            const Status line = takeLine(bytes, used, line_);
            if (line != Status::done) return line;
            if (!line_.empty()) return Status::bad;
            part_ = Part::size;
            break;
        }
        case Part::trailer: {
            const Status line = takeLine(bytes, used, line_);
            if (line != Status::done) return line;
            if (line_.empty()) return Status::done;
            if (++trailerLines_ > limits_.headerLines) return Status::bad;
            line_.clear();
            break;
        }
        }
    }
    return Status::more;
}

}  // namespace desktop
