// What clients that do not play by the rules can do to the display's server: send bodies and
// headers without end, hold connections open, close the page's streams. The page must stay
// answered, and memory bounded, whatever they send.
#include <gtest/gtest.h>
#include <httplib.h>

#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "DisplayServerTestSupport.h"
#include "RawClient.h"
#include "desktop/Desktop.h"
#include "desktop/display/DisplayAPI.h"
#include "desktop/display/DisplayServer.h"
#include "desktop/display/DisplayServerConnections.h"
#include "support/DesktopOnHome.h"

namespace {

using displaytest::client;
using displaytest::host;
using displaytest::kToken;
using displaytest::options;
using displaytest::RawClient;

class DisplayServerLimitsTest : public testsupport::DesktopOnHome {
protected:
    // Starts a server on a small desktop, runs `visit` on a client thread while the main
    // thread serves, and stops the server when it returns.
    void serve(const std::function<void(int port)>& visit) {
        desktop::Desktop& d = load(desktop::Scene::minimal());
        desktop::DisplayAPI api(d);
        desktop::DisplayServer server(api, options());
        std::string error;
        ASSERT_TRUE(server.start(error)) << error;
        std::thread visitor([&] {
            visit(server.port());
            server.stop();
        });
        server.run();
        visitor.join();
    }
};

// The body limit (1 MB) holds however the body comes: a chunked one is refused once past
// it, while the client is still sending (and one that may carry none, from its head); a
// declared length past it is refused from the head alone. The number and length of header lines are bounded too.
TEST_F(DisplayServerLimitsTest, BodiesAndHeadersAreRefusedOncePastTheirBoundsBeforeTheyAreKept) {
    const size_t whole = 5 << 20;
    struct Sent {
        std::string what;
        int status;
        bool stoppedEarly;  // the answer came before the client sent everything
    };
    std::vector<Sent> seen;
    int smallChunked = 0, afterIt = 0;
    serve([&](int port) {
        auto flood = [&](const std::string& what, const std::string& head, const std::string& piece) {
            RawClient c(port);
            size_t sent = 0;
            if (c.write(head)) {
                while (sent < whole && !c.answered() && c.write(piece)) sent += piece.size();
            }
            seen.push_back({what, c.read().status, sent < whole});
        };
        const std::string chunk = "10000\r\n" + std::string(0x10000, ' ') + "\r\n";
        const std::string chunked = "Content-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\n";
        flood("chunked, with the token",
              "POST /api/clock/advance HTTP/1.1\r\n" + host(port) + "X-Tessivane-Token: " + kToken + "\r\n" + chunked, chunk);
        flood("chunked, to a page", "POST / HTTP/1.1\r\n" + host(port) + chunked, chunk);
        flood("a declared length", "POST /api/clock/advance HTTP/1.1\r\n" + host(port) + "X-Tessivane-Token: " + kToken +
                                       "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(whole) + "\r\n\r\n",
              std::string(0x10000, ' '));
        flood("1 KB header lines", "GET /api/state HTTP/1.1\r\n" + host(port), "X-Flood: " + std::string(1013, 'a') + "\r\n");
        flood("one endless header line", "GET /api/state HTTP/1.1\r\n" + host(port) + "X-Flood: ", std::string(1024, 'a'));

        // A chunked body within the bound is taken as any other, and the request that came
        // along with it answered on the same connection.
        RawClient c(port);
        const std::string body = R"({"seconds": 1})";
        c.write("POST /api/clock/advance HTTP/1.1\r\n" + host(port) + "X-Tessivane-Token: " + kToken + "\r\n" + chunked +
                "3\r\n" + body.substr(0, 3) + "\r\n" + "b\r\n" + body.substr(3) + "\r\n0\r\n\r\n" +
                "GET /api/state HTTP/1.1\r\n" + host(port) + "X-Tessivane-Token: " + kToken + "\r\n\r\n");
        smallChunked = c.read().status;
        afterIt = c.read().status;
    });
    const std::vector<std::pair<std::string, int>> expected{{"chunked, with the token", 413},
                                                            {"chunked, to a page", 405},
                                                            {"a declared length", 413},
                                                            {"1 KB header lines", 431},
                                                            {"one endless header line", 431}};
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(seen[i].what, expected[i].first);
        EXPECT_EQ(seen[i].status, expected[i].second) << seen[i].what;
        EXPECT_TRUE(seen[i].stoppedEarly) << seen[i].what << ": the server read all of it";
    }
    EXPECT_EQ(smallChunked, 200);
    EXPECT_EQ(afterIt, 200);
}

// A page on another port of this host can set as many cookies as a browser keeps (150 of 4 KB),
// which the browser then sends here with every request: seventeen take every head past its
// bound. A request with the token (the printed address, the page's own cookie, the header) is
// served without them, and its answer expires them, for every path they may have been set
// for, naming none that could break the answer; one without is refused as before, and so is
// every other head past a bound, the token notwithstanding, and a Cookie line past a megabyte.
TEST_F(DisplayServerLimitsTest, ACookieFloodNeverLocksThePersonOut) {
    struct Case {
        std::string what, head;
        int status;
        std::set<std::string> expired;  // "NAME PATH", " Secure" after it for such a one
    };
    struct Seen {
        int status = 0;
        std::set<std::string> expired;
        bool ownCookie = false;  // set, as the printed address does
        bool plain = false;      // every CR of the answer's head ends a line
    };
    std::vector<std::pair<Case, Seen>> seen;
    int tenMegabytes = 0;
    bool stoppedEarly = false;
    serve([&](int port) {
        std::string flood;
        std::vector<std::string> names;
        for (int i = 0; i < 17; ++i) {
            names.push_back("flood" + std::to_string(i));
            flood += names.back() + "=" + std::string(4000 - names.back().size() - 1, 'x') + "; ";
        }
        auto expiring = [&](std::set<std::string> more, std::initializer_list<const char*> paths) {
            for (const auto& name : names) {
                for (const char* p : paths) more.insert(name + " " + p);
            }
            return more;
        };
        const std::string own = "tessivane-token-" + std::to_string(port) + "=" + kToken;
        const std::string address = "GET /?token=" + std::string(kToken) + " HTTP/1.1\r\n" + host(port);
        const std::string page = "GET / HTTP/1.1\r\n" + host(port), api = "GET /api/state HTTP/1.1\r\n" + host(port);
        const auto cookies = [](const std::string& c) { return "Cookie: " + c + "\r\n"; };
        std::string lines;
        for (int i = 0; i < 99; ++i) lines += "X-" + std::to_string(i) + ": 1\r\n";
        const std::vector<Case> cases{
            {"the printed address", address + cookies(flood), 303, expiring({}, {"/"})},
            {"the page it leads to, the cookies still there", page + cookies(flood + own), 200, expiring({}, {"/"})},
            {"the page's API", api + cookies(flood + own), 200, expiring({}, {"/", "/api", "/api/", "/api/state"})},
            {"a client's, with the token's header", api + "X-Tessivane-Token: " + kToken + "\r\n" + cookies(flood), 200,
             expiring({}, {"/", "/api", "/api/", "/api/state"})},
            {"names that could break the answer", address + cookies("a\rb=1; c\x01=1; s p=1; __Host-h=1; " + std::string(257, 'n') + "=1; " + flood),
             303, expiring({"s p /", "__Host-h / Secure"}, {"/"})},
            {"a page without the token", page + cookies(flood), 431, {}},
            {"the API without it", api + cookies(flood), 431, {}},
            {"another token in the address", "GET /?token=" + std::string(48, 'f') + " HTTP/1.1\r\n" + host(port) + cookies(flood), 431, {}},
            {"the address with a 9 KB User-Agent", address + cookies(flood) + "User-Agent: " + std::string(9000, 'a') + "\r\n", 431, {}},
            {"the address with 101 header lines", address + cookies(flood) + lines, 431, {}},
            {"a page beside four 4 KB cookies", page + cookies(flood.substr(0, 4 * 4002)), 200, {}},
        };
        for (const auto& c : cases) {
            RawClient client(port);
            client.write(c.head + "\r\n");
            const auto answer = client.read();
            Seen s{answer.status, {}, false, true};
            for (size_t at = answer.head.find('\r'); at != std::string::npos; at = answer.head.find('\r', at + 1)) {
                s.plain = s.plain && answer.head[at + 1] == '\n';
            }
            for (size_t at = answer.head.find("\r\nSet-Cookie: "); at != std::string::npos;
                 at = answer.head.find("\r\nSet-Cookie: ", at + 1)) {
                const std::string value = answer.head.substr(at + 14, answer.head.find("\r\n", at + 2) - at - 14);
                if (value.rfind(own + ";", 0) == 0) s.ownCookie = true;
                const auto path = value.find("; Path="), end = value.find("; Max-Age=0");
                if (path == std::string::npos || end == std::string::npos) continue;
                s.expired.insert(value.substr(0, value.find("=; Path=")) + " " + value.substr(path + 7, end - path - 7) +
                                 (value.find("; Secure") != std::string::npos ? " Secure" : ""));
            }
            seen.emplace_back(c, s);
        }
        // Not a byte of a Cookie line is kept past its bound: ten megabytes are refused long
        // before they were all sent.
        RawClient client(port);
        size_t sent = 0;
        const std::string piece = "c=" + std::string(0x10000, 'x') + "; ";
        if (client.write(address + "Cookie: ")) {
            while (sent < (10u << 20) && !client.answered() && client.write(piece)) sent += piece.size();
        }
        tenMegabytes = client.read().status;
        stoppedEarly = sent < (10u << 20);
    });
    for (const auto& [c, s] : seen) {
        EXPECT_EQ(s.status, c.status) << c.what;
        EXPECT_EQ(s.expired, c.expired) << c.what;
        EXPECT_EQ(s.ownCookie, c.status == 303) << c.what;
        EXPECT_TRUE(s.plain) << c.what;
    }
    EXPECT_EQ(tenMegabytes, 431);
    EXPECT_TRUE(stoppedEarly);
}

// A request is judged from its head, before a byte of its body is read: one that may not
// carry a body (every page and GET, `/` included), or that the rules refuse, is answered at
// once though its declared megabyte never comes; only the API's POSTs, with the token and
// as JSON, have their body read.
TEST_F(DisplayServerLimitsTest, RequestsAreJudgedFromTheirHeadsBeforeTheirBodies) {
    struct Case {
        std::string what, head;
        int status;
    };
    std::vector<std::pair<std::string, int>> seen;
    int continued = 0, served = 0;
    serve([&](int port) {
        const std::string token = std::string("X-Tessivane-Token: ") + kToken + "\r\n";
        const std::string json = "Content-Type: application/json\r\n", megabyte = "Content-Length: 1000000\r\n";
        const std::vector<Case> cases{
            {"POST to /", "POST / HTTP/1.1\r\n" + host(port) + json + megabyte, 405},
            {"POST to a page, with the token", "POST /index.html?token=" + std::string(kToken) + " HTTP/1.1\r\n" + host(port) + megabyte, 405},
            {"GET / with a body", "GET / HTTP/1.1\r\n" + host(port) + megabyte, 400},
            {"GET of the API with a body", "GET /api/state HTTP/1.1\r\n" + host(port) + token + megabyte, 400},
            {"a chunked GET", "GET / HTTP/1.1\r\n" + host(port) + "Transfer-Encoding: chunked\r\n", 400},
            {"the API without the token", "POST /api/key HTTP/1.1\r\n" + host(port) + json + megabyte, 403},
            {"another host", "POST /api/key HTTP/1.1\r\nHost: evil.example\r\n" + token + json + megabyte, 403},
            {"text, with the token", "POST /api/key HTTP/1.1\r\n" + host(port) + token + "Content-Type: text/plain\r\n" + megabyte, 415},
            {"the path spelled otherwise", "POST /%61pi/key HTTP/1.1\r\n" + host(port) + json + megabyte, 403},
        };
        for (const auto& c : cases) {
            RawClient client(port);
            client.write(c.head + "\r\n");
            seen.emplace_back(c.what, client.read().status);
        }
        // The other side: admitted, its body is waited for (asked for, when the client asks).
        RawClient client(port);
        const std::string body = R"({"seconds": 1})";
        client.write("POST /api/clock/advance HTTP/1.1\r\n" + host(port) + token + json + "Expect: 100-continue\r\nContent-Length: " +
                     std::to_string(body.size()) + "\r\n\r\n");
        continued = client.read().status;
        client.write(body);
        served = client.read().status;
    });
    std::vector<std::pair<std::string, int>> expected{
        {"POST to /", 405}, {"POST to a page, with the token", 405}, {"GET / with a body", 400},
        {"GET of the API with a body", 400}, {"a chunked GET", 400}, {"the API without the token", 403},
        {"another host", 403}, {"text, with the token", 415}, {"the path spelled otherwise", 403}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(continued, 100);
    EXPECT_EQ(served, 200);
}

// Every answer carries the headers that keep other pages from framing this one: the
// library's, the access rules' and the ones the server writes itself for what it refuses
// before the library sees it.
TEST_F(DisplayServerLimitsTest, EveryAnswerCarriesTheFrameHeaders) {
    struct Seen {
        std::string what;
        int status;
        bool framed;  // the frame headers are there
    };
    std::vector<Seen> seen;
    serve([&](int port) {
        const std::vector<std::pair<std::string, std::string>> requests{
            {"a page", "GET / HTTP/1.1\r\n" + host(port) + "\r\n"},
            {"no such file", "GET /nope HTTP/1.1\r\n" + host(port) + "\r\n"},
            {"the token in the address", "GET /?token=" + std::string(kToken) + " HTTP/1.1\r\n" + host(port) + "\r\n"},
            {"the API without the token", "GET /api/state HTTP/1.1\r\n" + host(port) + "\r\n"},
            {"another method", "PUT / HTTP/1.1\r\n" + host(port) + "\r\n"},
            {"a bare LF", "GET / HTTP/1.1\n\n"},
            {"a declared length past the bound", "POST /api/key HTTP/1.1\r\n" + host(port) + "Content-Length: 2000000\r\n\r\n"},
            {"a long request line", "GET /" + std::string(9000, 'a') + " HTTP/1.1\r\n\r\n"},
            {"a long header line", "GET / HTTP/1.1\r\nX-Long: " + std::string(9000, 'a') + "\r\n\r\n"},
            {"another coding", "POST /api/key HTTP/1.1\r\n" + host(port) + "Transfer-Encoding: gzip\r\n\r\n"},
        };
        for (const auto& [what, request] : requests) {
            RawClient c(port);
            c.write(request);
            const auto answer = c.read();
            seen.push_back({what, answer.status,
                            answer.head.find("\r\nX-Frame-Options: DENY\r\n") != std::string::npos &&
                                answer.head.find("\r\nContent-Security-Policy: frame-ancestors 'none'\r\n") != std::string::npos});
        }
    });
    const std::vector<std::pair<std::string, int>> expected{
        {"a page", 200}, {"no such file", 404}, {"the token in the address", 303}, {"the API without the token", 403},
        {"another method", 405}, {"a bare LF", 400}, {"a declared length past the bound", 413},
        {"a long request line", 414}, {"a long header line", 431}, {"another coding", 501}};
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(seen[i].status, expected[i].second) << seen[i].what;
        EXPECT_TRUE(seen[i].framed) << seen[i].what;
    }
}

// 200 connections that are slow to send their heads or sit idle between requests hold no
// worker: the page's request is answered at once. A refused request's connection is closed
// at once: nothing sent after the refusal is answered.
TEST_F(DisplayServerLimitsTest, SlowIdleAndRefusedClientsHoldNothingThePageNeeds) {
    int idleAnswers = 0, state = 0;
    double stateSeconds = -1;
    int refused = 0;
    bool refusalClosed = false;
    serve([&](int port) {
        std::vector<std::unique_ptr<RawClient>> clients;
        for (int i = 0; i < 100; ++i) {
            // Kept alive after an answer, and never used again.
            auto c = std::make_unique<RawClient>(port);
            if (c->write("GET / HTTP/1.1\r\n" + host(port) + "\r\n") && c->read().status == 200) ++idleAnswers;
            clients.push_back(std::move(c));
        }
        for (int i = 0; i < 100; ++i) {
            // The first bytes of a head whose rest does not come.
            auto c = std::make_unique<RawClient>(port);
            c->write("GET /api/state HTTP/1.1\r\nHo");
            clients.push_back(std::move(c));
        }
        const auto start = std::chrono::steady_clock::now();
        if (auto r = client(port)->Get("/api/state")) state = r->status;
        stateSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        RawClient c(port);
        c.write("GET /api/state HTTP/1.1\r\n" + host(port) + "\r\n");  // without the token
        refused = c.read().status;
        c.write("GET / HTTP/1.1\r\n" + host(port) + "\r\n");
        refusalClosed = c.closedWithoutMore();
    });
    EXPECT_EQ(idleAnswers, 100);
    EXPECT_EQ(state, 200);
    EXPECT_LT(stateSeconds, 1.0);
    EXPECT_EQ(refused, 403);
    EXPECT_TRUE(refusalClosed);
}

// The page's time for one /api/state, each on a connection of its own, in seconds, sorted.
// A request waits at most three times the bound on the slowest: a held worker is not waited
// out for every one.
std::vector<double> stateTimes(int port, int count, int& answered) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        auto page = client(port);
        page->set_read_timeout(3, 0);
        const auto start = std::chrono::steady_clock::now();
        if (auto r = page->Get("/api/state"); r && r->status == 200) ++answered;
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times;
}

// 500 connections of another user that would each have held a worker: bodies that come a
// byte at a time (declared or chunked; with the token, so that they are read at all) and
// clients that ask for the icon font again and again and read none of it. Whatever the
// server closes is opened again. The page's requests stay as fast as without them: the
// median under 50 ms plus four times the median without the load (so that a busy machine's
// slowness is not taken for theirs), the slowest under a second, where a held worker costs
// five.
TEST_F(DisplayServerLimitsTest, SlowBodiesAndClientsThatDoNotReadLeaveThePageFast) {
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = std::max<rlim_t>(files.rlim_cur, std::min<rlim_t>(files.rlim_max, 4096));
    ::setrlimit(RLIMIT_NOFILE, &files);
    if (files.rlim_cur < 1200) GTEST_SKIP() << "both ends of 500 connections need more open files than allowed";

    constexpr int kHeld = 500, kSamples = 15;
    std::vector<double> quiet, loaded;
    int answered = 0, reopened = 0;
    serve([&](int port) {
        quiet = stateTimes(port, kSamples, answered);
        const std::string token = std::string("X-Tessivane-Token: ") + kToken + "\r\nContent-Type: application/json\r\n";
        const std::string font = "GET /fonts/MaterialIcons-Regular.ttf HTTP/1.1\r\n" + host(port) + "\r\n";
        std::string fonts;
        for (int i = 0; i < 20; ++i) fonts += font;
        const std::vector<std::string> starts{
            "POST /api/clock/advance HTTP/1.1\r\n" + host(port) + token + "Content-Length: 1000000\r\n\r\n{",
            "POST /api/clock/advance HTTP/1.1\r\n" + host(port) + token + "Transfer-Encoding: chunked\r\n\r\n10\r\n{",
            fonts,
        };
        auto open = [&](size_t kind) {
            auto c = std::make_unique<RawClient>(port);
            int small = 4096;  // takes little of an answer before it stops reading
            ::setsockopt(c->socket(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
            c->write(starts[kind]);
            return c;
        };
        std::vector<std::unique_ptr<RawClient>> held;
        for (int i = 0; i < kHeld; ++i) held.push_back(open(static_cast<size_t>(i) % starts.size()));

        std::atomic<bool> measuring{true};
        std::thread keeper([&] {
            // Opens again what the server closed: an answer or an end on a body's connection,
            // an end on a reader's that reads nothing.
            std::vector<pollfd> fds(held.size());
            while (measuring) {
                for (size_t i = 0; i < held.size(); ++i) {
                    const bool reads = i % starts.size() == 2;
                    fds[i] = {held[i]->socket(), static_cast<short>(POLLRDHUP | (reads ? 0 : POLLIN)), 0};
                }
                if (::poll(fds.data(), fds.size(), 20) <= 0) continue;
                for (size_t i = 0; i < held.size() && measuring; ++i) {
                    if (fds[i].revents == 0) continue;
                    held[i] = open(i % starts.size());
                    ++reopened;
                }
            }
        });
        // Once the answers their first requests asked for are made: what is measured is the
        // cost of holding them.
        client(port)->Get("/api/state");
        loaded = stateTimes(port, kSamples, answered);
        measuring = false;
        keeper.join();
    });
    ASSERT_EQ(answered, 2 * kSamples);
    const double quietMedian = quiet[kSamples / 2], loadedMedian = loaded[kSamples / 2];
    EXPECT_LT(loadedMedian, 0.050 + 4 * quietMedian) << "without the load: " << quietMedian << " s";
    EXPECT_LT(loaded.back(), 1.0);
    RecordProperty("quietMedianMs", static_cast<int>(quietMedian * 1000));
    RecordProperty("loadedMedianMs", static_cast<int>(loadedMedian * 1000));
    RecordProperty("reopened", reopened);
}

// A body must keep coming: it gets a fixed time and a second more for every `minimumRate`
// bytes that came, so one that stalls is cut then, neither before (however much came) nor
// long after; one that comes whole is answered.
TEST(DisplayServerConnections, ABodyIsReadAtAMinimumRate) {
    desktop::DisplayServerConnections::Options o;
    o.bodyTime = std::chrono::milliseconds(300);
    o.minimumRate = 64 << 10;
    desktop::DisplayServerConnections http(o);
    http.Post("/", [](const httplib::Request& req, httplib::Response& res) { res.set_content(std::to_string(req.body.size()), "text/plain"); });
    const int port = http.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread listener([&] { http.listen_after_bind(); });
    while (!http.is_running()) std::this_thread::yield();

    struct Case {
        size_t sent;      // of a declared megabyte, before the client stalls
        double earliest;  // seconds after the head
    };
    std::vector<std::pair<double, bool>> cut;  // seconds, and whether nothing was answered
    for (const Case c : {Case{0, 0.3}, Case{64 << 10, 1.3}}) {
        RawClient client(port);
        const auto start = std::chrono::steady_clock::now();
        client.write("POST / HTTP/1.1\r\nContent-Length: 1000000\r\n\r\n" + std::string(c.sent, 'x'));
        const bool closed = client.closedWithoutMore();
        cut.emplace_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() - c.earliest, closed);
    }
    RawClient whole(port);
    whole.write("POST / HTTP/1.1\r\nContent-Length: 100000\r\n\r\n" + std::string(100000, 'x'));
    const auto answer = whole.read();
    http.stop();
    listener.join();

    for (const auto& [late, closed] : cut) {
        EXPECT_TRUE(closed);
        EXPECT_GE(late, 0.0);
        EXPECT_LT(late, 10.0);
    }
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.body, "100000");
}

// A Cookie line read and dropped as it comes is still the head's: it gets the head's time,
// however much of it came, and then the connection is closed unanswered.
TEST(DisplayServerConnections, ACookieLineHasNoMoreTimeThanTheHead) {
    desktop::DisplayServerConnections::Options o;
    o.headTime = std::chrono::milliseconds(300);
    desktop::DisplayServerConnections http(o);
    http.setKeptCookie("k");
    http.Get("/", [](const httplib::Request&, httplib::Response& res) { res.set_content("page", "text/plain"); });
    const int port = http.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread listener([&] { http.listen_after_bind(); });
    while (!http.is_running()) std::this_thread::yield();
    RawClient slow(port), whole(port);
    slow.write("GET / HTTP/1.1\r\nCookie: k=1; a=" + std::string(100 << 10, 'x'));
    whole.write("GET / HTTP/1.1\r\nCookie: k=1; a=" + std::string(100 << 10, 'x') + "\r\n\r\n");
    const bool closed = slow.closedWithoutMore();
    const auto answer = whole.read();
    http.stop();
    listener.join();
    EXPECT_TRUE(closed);
    EXPECT_EQ(answer.body, "page");  // without rules of its own, the server serves it
}

// A page that closes (or reloads) frees its event stream's slot at once, though an idle
// stream learns that only when it next writes: after the pages holding every slot closed,
// as many new ones are served, and one more than that is refused.
TEST_F(DisplayServerLimitsTest, AClosedEventStreamFreesItsSlotAtOnce) {
    const int slots = desktop::DisplayServer::kMaxStreams;
    std::vector<int> first, second;
    int oneMore = 0;
    serve([&](int port) {
        auto open = [&](std::vector<int>& statuses) {
            std::vector<std::unique_ptr<RawClient>> pages;
            for (int i = 0; i < slots; ++i) {
                auto c = std::make_unique<RawClient>(port);
                c->write("GET /api/events HTTP/1.1\r\n" + host(port) + "X-Tessivane-Token: " + kToken + "\r\n\r\n");
                const int status = c->read().status;
                statuses.push_back(status == 200 && c->readUntil("data: ") ? 200 : status);
                pages.push_back(std::move(c));
            }
            return pages;
        };
        open(first).clear();  // every page closes
        auto pages = open(second);
        RawClient extra(port);
        extra.write("GET /api/events HTTP/1.1\r\n" + host(port) + "X-Tessivane-Token: " + kToken + "\r\n\r\n");
        oneMore = extra.read().status;
    });
    EXPECT_EQ(first, std::vector<int>(slots, 200));
    EXPECT_EQ(second, std::vector<int>(slots, 200));
    EXPECT_EQ(oneMore, 503);
}

// The server's end of a connection from `client`, found among this process's sockets.
int serverEndOf(const RawClient& client, int port) {
    sockaddr_in own{};
    socklen_t length = sizeof own;
    ::getsockname(client.socket(), reinterpret_cast<sockaddr*>(&own), &length);
    DIR* fds = ::opendir("/proc/self/fd");
    int found = -1;
    while (dirent* entry = fds ? ::readdir(fds) : nullptr) {
        const int fd = std::atoi(entry->d_name);
        sockaddr_in local{}, peer{};
        socklen_t a = sizeof local, b = sizeof peer;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &a) == 0 && local.sin_family == AF_INET &&
            ntohs(local.sin_port) == port && ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &b) == 0 &&
            peer.sin_port == own.sin_port) {
            found = fd;
        }
    }
    if (fds) ::closedir(fds);
    return found;
}

// Every small answer goes out at once rather than waiting for the client's delayed
// acknowledgement of the one before (about 40 ms a request).
TEST_F(DisplayServerLimitsTest, AnswersAreNotHeldBackForAcknowledgements) {
    int noDelay = -1;
    serve([&](int port) {
        RawClient c(port);
        c.write("GET / HTTP/1.1\r\n" + host(port) + "\r\n");
        if (c.read().status != 200) return;
        const int end = serverEndOf(c, port);
        socklen_t length = sizeof noDelay;
        if (end >= 0) ::getsockopt(end, IPPROTO_TCP, TCP_NODELAY, &noDelay, &length);
    });
    EXPECT_EQ(noDelay, 1);
}

}  // namespace
