#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace desktop {

// What the display's server takes of a request before cpp-httplib sees it. The library
// reads header lines without bound and keeps a chunked body whole however long it is, so
// the server reads each request's head itself, within bounds, and decodes a chunked body
// up to the body limit, refusing the request the moment a bound is passed.
class DisplayServerFraming {
public:
    struct Limits {
        // One line, the request line included, with its CRLF; a Cookie line is bounded by the
        // head alone, as browsers send every cookie of the host in one, however many other
        // pages (on other ports) set.
        size_t lineBytes = 8 << 10;
        size_t headerLines = 100;      // header lines (and trailer lines of a chunked body)
        size_t headBytes = 64 << 10;   // the request line and every header line together
        size_t bodyBytes = 1 << 20;    // a body however it is sent
        // The Cookie lines together, when they are read as they arrive, not kept
        // (DisplayServerHeadReader): more than any browser sends, 180 cookies of 4 KB.
        size_t cookieBytes = 1 << 20;
    };

    // The head of a request (its line and header lines) as far as it arrived.
    struct Head {
        enum class Status { incomplete, complete, refused };
        Status status = Status::incomplete;
        int refusal = 0;  // when refused: 400, 413, 414, 431 or 501
        std::string reason;
        size_t length = 0;  // the head's bytes, its blank line included
        // Of a complete head: "METHOD TARGET HTTP/1.x", and each header field (name, value).
        std::string method, target;
        std::vector<std::pair<std::string, std::string>> fields;
        bool post = false;
        bool chunked = false;
        size_t contentLength = 0;
        bool expectsContinue = false;  // "Expect: 100-continue"

        bool hasBody() const { return chunked || contentLength > 0; }
        // The value of the first field of that name (any case), empty when there is none.
        std::string_view field(std::string_view name) const;
        // Every field of that name, joined as one (as a list of cookies is).
        std::string joined(std::string_view name, std::string_view separator) const;
    };

    // HTTP's own text rules, ASCII only: a Unicode case folding would take other letters for
    // the ones of a field name.
    static bool equalsIgnoringCase(std::string_view a, std::string_view b);
    // Without the spaces and tabs around it.
    static std::string_view trimmed(std::string_view s);

    // Reads the head at the start of `bytes`, which may hold more (the body) or less (the
    // rest has not arrived yet). A bound is refused as soon as it is passed, before the line
    // that passes it ends.
    static Head readHead(std::string_view bytes, const Limits& limits);
    // A complete head as the library is given it once the server read the body (of
    // `bodyLength` bytes) itself: the framing it had (and the 100-continue it asked for,
    // already answered) replaced by the body's length, and without its cookies, which were
    // judged from the head and which the library would refuse past its own 8 KiB a line.
    static std::string forwardedHead(std::string_view head, size_t bodyLength);

    // Decodes a chunked body as it arrives, keeping at most `Limits::bodyBytes` of data: a
    // chunk that would pass the limit is refused when its size line arrives.
    class ChunkedBody {
    public:
        enum class Status { more, done, tooLarge, bad };
        explicit ChunkedBody(const Limits& limits) : limits_(limits) {}
        // Takes what it needs from the front of `bytes`: all of it unless the body ends
        // there (`used` says how much; the rest belongs to the next request).
        Status feed(std::string_view bytes, size_t& used);
        std::string& body() { return body_; }

    private:
        enum class Part { size, data, dataEnd, trailer };
        Status takeLine(std::string_view& bytes, size_t& used, std::string& into);

        Limits limits_;
        Part part_ = Part::size;
        std::string line_;
        size_t remaining_ = 0;  // of the chunk being read
        size_t trailerLines_ = 0;
        std::string body_;
    };
};

}  // namespace desktop
