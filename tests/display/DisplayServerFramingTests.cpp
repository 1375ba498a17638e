#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/display/DisplayServerFraming.h"
#include "desktop/display/DisplayServerHeadReader.h"

namespace {

using desktop::DisplayServerFraming;
using Status = DisplayServerFraming::Head::Status;

// Small bounds, so that both sides of each are cheap to write: a line of at most 32 bytes
// with its CRLF, three header lines, 80 bytes of head, a body of 10 bytes.
DisplayServerFraming::Limits small() {
    DisplayServerFraming::Limits l;
    l.lineBytes = 32;
    l.headerLines = 3;
    l.headBytes = 80;
    l.bodyBytes = 10;
    return l;
}

TEST(DisplayServerFraming, HeadsAreReadWithinTheirBoundsAndRefusedAsSoonAsOneIsPassed) {
    struct Case {
        const char* what;
        std::string bytes;
        Status status;
        int refusal;
    };
    const std::string line30 = "X-A: " + std::string(23, 'a') + "\r\n";  // 30 bytes with its CRLF
    const std::string line33 = "X-A: " + std::string(26, 'a') + "\r\n";
    const std::vector<Case> cases{
        {"a whole head", "GET / HTTP/1.1\r\nHost: h\r\n\r\n", Status::complete, 0},
        {"the blank line not yet", "GET / HTTP/1.1\r\nHost: h\r\n", Status::incomplete, 0},
        {"half a line", "GET / HT", Status::incomplete, 0},
        {"a line at the bound", "GET / HTTP/1.1\r\n" + line30 + "\r\n", Status::complete, 0},
        {"a line past it", "GET / HTTP/1.1\r\n" + line33 + "\r\n", Status::refused, 431},
        // Refused before the line ends: a client cannot make one line the whole head.
        {"a line past it, unfinished", "GET / HTTP/1.1\r\nX-A: " + std::string(40, 'a'), Status::refused, 431},
        {"a long request line", "GET /" + std::string(40, 'a'), Status::refused, 414},
        {"three header lines", "GET / HTTP/1.1\r\nA: 1\r\nB: 2\r\nC: 3\r\n\r\n", Status::complete, 0},
        {"four", "GET / HTTP/1.1\r\nA: 1\r\nB: 2\r\nC: 3\r\nD: 4\r\n\r\n", Status::refused, 431},
        {"a head past its bytes", "GET / HTTP/1.1\r\n" + line30 + line30 + "X: 1\r\n", Status::refused, 431},
        // Browsers send every cookie of the host in one line, whoever set them: the head bounds it.
        {"a Cookie line past the line bound", "GET / HTTP/1.1\r\nCookie: " + std::string(52, 'a') + "\r\n\r\n", Status::complete, 0},
        {"a Cookie line past the head's", "GET / HTTP/1.1\r\nCookie: " + std::string(60, 'a'), Status::refused, 431},
        {"a bare LF", "GET / HTTP/1.1\nHost: h\n\n", Status::refused, 400},
        // The request is judged from this reading of its line: none other may be made of it.
        {"no version", "GET /\r\n\r\n", Status::refused, 400},
        {"two spaces", "GET  / HTTP/1.1\r\n\r\n", Status::refused, 400},
        {"another version", "GET / HTTP/2.0\r\n\r\n", Status::refused, 400},
        {"a line that is no field", "GET / HTTP/1.1\r\nno colon\r\n\r\n", Status::refused, 400},
        {"a folded line", "GET / HTTP/1.1\r\nA: 1\r\n b\r\n\r\n", Status::refused, 400},
        {"a body within the bound", "POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\n", Status::complete, 0},
        {"a body past it", "POST / HTTP/1.1\r\nContent-Length: 11\r\n\r\n", Status::refused, 413},
        {"a length that is none", "POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n", Status::refused, 400},
        {"two lengths", "POST / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n", Status::refused, 400},
        {"chunked", "POST / HTTP/1.1\r\nTransfer-Encoding: Chunked\r\n\r\n", Status::complete, 0},
        {"another coding", "POST / HTTP/1.1\r\nTransfer-Encoding: gzip\r\n\r\n", Status::refused, 501},
        {"both framings", "POST / HTTP/1.1\r\nContent-Length: 1\r\nTransfer-Encoding: chunked\r\n\r\n", Status::refused, 400},
    };
    for (const auto& c : cases) {
        const auto head = DisplayServerFraming::readHead(c.bytes, small());
        EXPECT_EQ(head.status, c.status) << c.what;
        EXPECT_EQ(head.refusal, c.refusal) << c.what;
    }

    // What follows the head (the body's start) is not the head's.
    const std::string request = "POST /api/key HTTP/1.1\r\ncontent-length: 4\r\nExpect: 100-continue\r\n\r\nbody";
    const auto head = DisplayServerFraming::readHead(request, small());
    ASSERT_EQ(head.status, Status::complete);
    EXPECT_EQ(head.length, request.size() - 4);
    EXPECT_TRUE(head.post);
    EXPECT_EQ(head.method, "POST");
    EXPECT_EQ(head.target, "/api/key");
    EXPECT_EQ(head.field("Content-Length"), "4");
    EXPECT_EQ(head.contentLength, 4u);
    EXPECT_TRUE(head.expectsContinue);
}

TEST(DisplayServerFraming, AChunkedBodyIsDecodedUpToItsBoundWhateverPiecesItArrivesIn) {
    const std::string wire = "4;ext=1\r\nWiki\r\n6\r\npedia!\r\n0\r\nTrailer: x\r\n\r\nGET /next";
    // Byte by byte, and all at once: the same body, and the next request left over.
    for (const size_t piece : {size_t(1), wire.size()}) {
        DisplayServerFraming::ChunkedBody body(small());
        auto status = DisplayServerFraming::ChunkedBody::Status::more;
        size_t at = 0;
        while (status == DisplayServerFraming::ChunkedBody::Status::more && at < wire.size()) {
            size_t used = 0;
            status = body.feed(std::string_view(wire).substr(at, piece), used);
            at += used;
        }
        EXPECT_EQ(status, DisplayServerFraming::ChunkedBody::Status::done) << piece;
        EXPECT_EQ(body.body(), "Wikipedia!") << piece;
        EXPECT_EQ(wire.substr(at), "GET /next") << piece;
    }

    struct Case {
        const char* what;
        std::string wire;
        DisplayServerFraming::ChunkedBody::Status status;
    };
    using S = DisplayServerFraming::ChunkedBody::Status;
    const std::vector<Case> cases{
        {"ten bytes in two chunks", "5\r\n12345\r\n5\r\n67890\r\n0\r\n\r\n", S::done},
        // Refused at the size line, before a byte of the chunk is kept.
        {"eleven", "5\r\n12345\r\n6\r\n", S::tooLarge},
        {"a size no memory holds", "fffffffffffffff\r\n", S::tooLarge},
        {"a size that is none", "x\r\n", S::bad},
        {"data longer than its size", "2\r\nabc\r\n", S::bad},
        {"a size line without end", std::string(40, '0'), S::bad},
        {"too many trailer lines", "0\r\nA: 1\r\nB: 2\r\nC: 3\r\nD: 4\r\n\r\n", S::bad},
        {"not finished", "5\r\n123", S::more},
    };
    for (const auto& c : cases) {
        DisplayServerFraming::ChunkedBody body(small());
        size_t used = 0;
        EXPECT_EQ(body.feed(c.wire, used), c.status) << c.what;
        EXPECT_LE(body.body().size(), small().bodyBytes) << c.what;
    }
}

// The library is given the body's length in place of the framing it came with, and no
// cookies (judged already, and past the library's own bound a line).
TEST(DisplayServerFraming, AForwardedHeadCarriesTheBodysLengthAndNoCookies) {
    const std::string head =
        "POST /api/key HTTP/1.1\r\nHost: h\r\ntransfer-encoding: chunked\r\nExpect: 100-continue\r\nCookie: a=1\r\nX: 1\r\n\r\n";
    EXPECT_EQ(DisplayServerFraming::forwardedHead(head, 12), "POST /api/key HTTP/1.1\r\nHost: h\r\nX: 1\r\nContent-Length: 12\r\n\r\n");
    EXPECT_EQ(DisplayServerFraming::forwardedHead("GET / HTTP/1.1\r\ncookie: a=1\r\nContent-Length: 0\r\n\r\n", 0),
              "GET / HTTP/1.1\r\n\r\n");
}

// Cookie lines are taken out of the buffer as they come, whatever pieces they come in: of
// them the head keeps the rules' own cookie, the reader the names of the others (those an
// answer may carry back) and their weight as sent, and past the cookies' own bound the head is
// refused while what is kept stays small.
TEST(DisplayServerFraming, CookieLinesAreReadAsTheyComeKeepingOnlyTheOwnCookieAndTheOthersNames) {
    using Reader = desktop::DisplayServerHeadReader;
    auto limits = small();
    limits.lineBytes = limits.headBytes = 200;
    limits.headerLines = 10;
    limits.cookieBytes = 1000;
    const std::string rest = "X: 1\r\n\r\nBODY";
    const std::string lines = "GET / HTTP/1.1\r\nHost: h\r\ncookie:  a=1; own=tok;b=" + std::string(40, 'x') +
                              "; \x01c=1; own=" + std::string(65, 't') + ";a=22; nameless; =v; s p=1; " + std::string(257, 'n') +
                              "=1; own=again\r\nCookie: d=4\r\n";
    for (const size_t piece : {size_t(1), size_t(7), lines.size() + rest.size()}) {
        Reader reader(limits, "own");
        std::string buffer;
        size_t most = 0;
        const std::string wire = lines + rest;
        for (size_t at = 0; at < wire.size(); at += piece) {
            buffer += wire.substr(at, piece);
            if (reader.head().status == Reader::Head::Status::incomplete) reader.read(buffer);
            most = std::max(most, buffer.size());
        }
        ASSERT_EQ(reader.head().status, Reader::Head::Status::complete) << piece << reader.head().reason;
        EXPECT_EQ(buffer, "GET / HTTP/1.1\r\nHost: h\r\ncookie: own=tok; own=again\r\nCookie: \r\n" + rest) << piece;
        EXPECT_EQ(reader.head().joined("Cookie", "; "), "own=tok; own=again; ") << piece;
        std::vector<std::pair<std::string, size_t>> names;
        for (const auto& c : reader.cookies()) names.emplace_back(c.name, c.bytes);
        const std::vector<std::pair<std::string, size_t>> expected{{"a", 9}, {"b", 42}, {"s p", 6}, {"d", 5}};
        EXPECT_EQ(names, expected) << piece;
        EXPECT_TRUE(reader.cookiesPastBound()) << piece;  // 425 bytes as sent
        EXPECT_LT(most, 120u) << piece;
    }

    // Within the head's bound; a line that does not end with CRLF is refused for it as before.
    Reader reader(limits, "own");
    std::string within = "GET / HTTP/1.1\r\nCookie: own=1; a=2\r\n\r\n";
    EXPECT_EQ(reader.read(within).status, Reader::Head::Status::complete);
    EXPECT_FALSE(reader.cookiesPastBound());
    reader.reset();
    std::string bare = "GET / HTTP/1.1\r\nCookie: a=2\n\r\n";
    EXPECT_EQ(reader.read(bare).refusal, 400);

    // Ten megabytes of one Cookie line, in the pieces a socket gives: refused once past the
    // cookies' bound, having kept no more than a line of them.
    reader.reset();
    std::string buffer = "GET /?token=t HTTP/1.1\r\nCookie: ";
    size_t sent = 0, most = 0;
    while (sent < (10u << 20) && reader.read(buffer).status == Reader::Head::Status::incomplete) {
        buffer += "a=" + std::string(16 << 10, 'x') + ";";
        sent += 16 << 10;
        most = std::max(most, buffer.size());
    }
    EXPECT_EQ(reader.head().refusal, 431);
    EXPECT_LT(sent, 2 * limits.cookieBytes + (32u << 10));
    EXPECT_LT(most, 40u << 10);
}

}  // namespace
