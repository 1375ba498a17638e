#include "desktop/display/DisplayServer.h"

#include <httplib.h>

#include <malloc.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <sstream>
#include <vector>

#include "desktop/Desktop.h"
#include "desktop/DesktopApplication.h"
#include "desktop/display/DisplayAPI.h"
#include "desktop/display/DisplayAccess.h"
#include "desktop/display/DisplayServerConnections.h"
#include "desktop/display/DisplayServerStreams.h"
#include "platform/ApplicationExit.h"
#include "platform/RunLoop.h"
#include "ui/Assets.h"
#include "ui/ImageReferences.h"

namespace desktop {

using nlohmann::json;

namespace {

// How long a request waits for the main thread before it gives up.
constexpr auto kRequestTimeout = std::chrono::seconds(60);
// A comment line keeps an idle event stream open through proxies and tells a closed one.
constexpr double kKeepAliveSeconds = 15;
// Workers answer requests whose head arrived (connections waiting for one hold none): the
// event streams' share and as many again for requests.
constexpr size_t kWorkers = 2 * DisplayServer::kMaxStreams + 16;
// An answer this large is worth giving the memory of its making back for.
constexpr size_t kLargeAnswer = 1 << 20;
// How long the last state may take to reach the open pages when the application quits.
constexpr auto kFinalStateTimeout = std::chrono::seconds(2);
// The real clock's bursts of work are published at most this often: the transparency tick
// alone runs the loop 30 times a second while member windows are hidden, and a state takes
// about a millisecond to build. Requests still publish at once.
constexpr auto kBurstPublishInterval = std::chrono::milliseconds(100);

std::string contentType(const std::filesystem::path& file) {
    const std::string ext = file.extension().string();
    if (ext == ".svg") return "image/svg+xml";
    if (ext == ".png") return "image/png";
    if (ext == ".ttf") return "font/ttf";
    if (ext == ".woff2") return "font/woff2";
    return "application/octet-stream";
}

DisplayServerConnections::Options connectionOptions() {
    DisplayServerConnections::Options o;
    o.workers = kWorkers;
    o.limits.bodyBytes = DisplayServer::kMaxBodyBytes;
    // No page of another origin may frame this one: framed invisibly, a click on its bait
    // would land on the desktop's switches. On every answer, the refusals included.
    o.headers = {{"X-Frame-Options", "DENY"}, {"Content-Security-Policy", "frame-ancestors 'none'"}};
    return o;
}

bool readFile(const std::filesystem::path& file, std::string& out) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    out = buffer.str();
    return true;
}

}  // namespace

struct DisplayServer::Core : std::enable_shared_from_this<DisplayServer::Core> {
    // One request waiting for the main thread's answer.
    struct Slot {
        std::mutex mutex;
        std::condition_variable answered;
        bool done = false;
        DisplayResponse response;

        void fulfill(DisplayResponse r) {
            std::lock_guard lock(mutex);
            if (done) return;
            response = std::move(r);
            done = true;
            answered.notify_all();
        }
        bool wait(std::chrono::seconds timeout) {
            std::unique_lock lock(mutex);
            return answered.wait_for(lock, timeout, [&] { return done; });
        }
    };

    DisplayAPI* api = nullptr;  // main thread; null once the server stopped
    Options options;
    DisplayServerConnections http{connectionOptions()};
    int port = 0;
    std::unique_ptr<DisplayAccess> access;
    std::atomic<bool> stopping{false};
    std::atomic<bool> quitRequested{false};
    DisplayServerStreams streams{kMaxStreams};
    std::atomic<int> answering{0};  // API requests being answered
    // Main thread: a request ran since the loop last published a burst of its own work, so
    // the next burst (the redraw the request caused) is published whatever the pace.
    bool requestSinceBurst = false;

    // Requests handed to the main thread; the manual clock's loop sleeps until one comes.
    std::mutex wakeMutex;
    std::condition_variable wake;
    uint64_t posted = 0;

    std::vector<std::shared_ptr<Slot>> inFlight;  // main thread: requests being handled now
    std::mutex outstandingMutex;
    std::vector<std::weak_ptr<Slot>> outstanding;  // every request not yet answered

    DisplayResponse call(const std::string& method, const std::string& path, const std::string& body,
                         const std::string& query);
    void handleOnMain(const std::shared_ptr<Slot>& slot, const std::string& method, const std::string& path,
                      const std::string& body, const std::string& query);
    // Answers the requests whose handling opened a nested session: the page can go on.
    void releaseInFlight();
    // Manual clock: runs the main run loop as requests come in, while `keepServing` holds.
    void serveWhile(const std::function<bool()>& keepServing);
    void installModalHandlers();
    void notifyPosted();
    void routes();
    // The access rules, from a request's head.
    std::optional<DisplayServerConnections::Answer> admit(const DisplayServerConnections::Request& request) const;
    // Publishes only for open pages: with none, nothing is serialized.
    void publishForStreams();
    // The application quit: the open pages get its last state, then their streams end.
    void sendFinalState();
    // Main thread: quits the application, in whatever state it is: inside a clock advance
    // or a modal session, termination unwinds them (nothing of the application runs on).
    void quitOnMain();
};

DisplayResponse DisplayServer::Core::call(const std::string& method, const std::string& path, const std::string& body,
                                          const std::string& query) {
    if (stopping) return {503, {{"ok", false}, {"error", "the desktop is shutting down"}}};
    auto slot = std::make_shared<Slot>();
    {
        std::lock_guard lock(outstandingMutex);
        outstanding.erase(std::remove_if(outstanding.begin(), outstanding.end(), [](const auto& w) { return w.expired(); }),
                          outstanding.end());
        outstanding.push_back(slot);
    }
    std::weak_ptr<Core> weak = shared_from_this();
    platform::RunLoop::main().performOnMain([weak, slot, method, path, body, query] {
        auto core = weak.lock();
        if (!core || !core->api) {
            slot->fulfill({503, {{"ok", false}, {"error", "the desktop is shutting down"}}});
            return;
        }
        core->handleOnMain(slot, method, path, body, query);
    });
    notifyPosted();
    if (!slot->wait(kRequestTimeout)) return {504, {{"ok", false}, {"error", "the desktop did not answer in time"}}};
    std::lock_guard lock(slot->mutex);
    // Moved, not copied: a copy of a large state's JSON on this thread would leave its memory
    // in this worker's heap.
    return std::move(slot->response);
}

void DisplayServer::Core::handleOnMain(const std::shared_ptr<Slot>& slot, const std::string& method,
                                       const std::string& path, const std::string& body, const std::string& query) {
    inFlight.push_back(slot);
    DisplayResponse response;
    try {
        response = api->handle(method, path, body, query);
    } catch (const std::exception& e) {
        response = {500, {{"ok", false}, {"error", e.what()}}};
    } catch (...) {
        // The application ended (or restarts) inside the request and unwinds to the loop's entry.
        inFlight.erase(std::remove(inFlight.begin(), inFlight.end(), slot), inFlight.end());
        if (api->desktop().application().isTerminated()) {
            slot->fulfill({503, {{"ok", false}, {"error", "the desktop is shutting down"}}});
        } else {
            slot->fulfill({200, {{"ok", true}}});
        }
        throw;
    }
    inFlight.erase(std::remove(inFlight.begin(), inFlight.end(), slot), inFlight.end());
    if (quitRequested) {
        // Quitting unwinds from here to the loop's entry: the request is answered first, or
        // its client would wait for an answer until the server gave up on the main thread.
        slot->fulfill(std::move(response));
        quitOnMain();
        return;
    }
    if (!api) {  // stopped while the request ran
        slot->fulfill({503, {{"ok", false}, {"error", "the desktop is shutting down"}}});
        return;
    }
    const uint64_t version = api->publish();
    requestSinceBurst = true;
    if (response.body.is_object() && !response.body.contains("version")) response.body["version"] = version;
    slot->fulfill(std::move(response));
}

void DisplayServer::Core::releaseInFlight() {
    if (inFlight.empty()) return;
    const uint64_t version = api ? api->publish() : 0;
    for (auto& slot : inFlight) slot->fulfill({200, {{"ok", true}, {"pending", true}, {"version", version}}});
}

void DisplayServer::Core::notifyPosted() {
    {
        std::lock_guard lock(wakeMutex);
        ++posted;
    }
    wake.notify_all();
}

void DisplayServer::Core::serveWhile(const std::function<bool()>& keepServing) {
    uint64_t seen = 0;
    {
        std::lock_guard lock(wakeMutex);
        seen = posted;
    }
    while (!stopping && keepServing()) {
        // Everything due now, requests included, until the turn that ends what is being
        // served: a request after the answer to an alert finds the alert gone.
        auto& loop = platform::RunLoop::main();
        loop.runInMode(loop.currentMode(), keepServing);
        publishForStreams();
        if (stopping || !keepServing()) break;
        std::unique_lock lock(wakeMutex);
        wake.wait_for(lock, std::chrono::milliseconds(250), [&] { return stopping || posted != seen; });
        seen = posted;
    }
}

void DisplayServer::Core::installModalHandlers() {
    Desktop& desktop = api->desktop();
    std::weak_ptr<Core> weak = shared_from_this();
    // Inside a modal session: answer the request that opened it, show it, and with the
    // manual clock keep serving until the page answers it (the real clock's session
    // serves requests by itself).
    desktop.setAlertHandler([weak](Desktop& d, const platform::Alert&) {
        auto core = weak.lock();
        if (!core || !core->api) return;
        core->releaseInFlight();
        core->publishForStreams();
        if (platform::RunLoop::main().clock().isManual()) {
            core->serveWhile([&d] { return !d.isCurrentAlertAnswered() && !d.application().isTerminated(); });
        }
    });
    desktop.setOpenPanelHandler([weak](Desktop& d, const platform::OpenPanel&) {
        auto core = weak.lock();
        if (!core || !core->api) return;
        core->releaseInFlight();
        core->publishForStreams();
        if (platform::RunLoop::main().clock().isManual()) {
            core->serveWhile([&d] { return !d.isOpenPanelAnswered() && !d.application().isTerminated(); });
        }
    });
}

void DisplayServer::Core::quitOnMain() {
    if (!api) return;
    auto& app = api->desktop().application();
    if (!app.isTerminated()) app.terminate();
}

void DisplayServer::Core::publishForStreams() {
    if (api && streams.count() > 0) api->publish();
}

void DisplayServer::Core::sendFinalState() {
    if (!api || api->feed().closed()) return;
    api->publish();
    api->feed().close();
    streams.waitUntilNone(kFinalStateTimeout);
}

std::optional<DisplayServerConnections::Answer> DisplayServer::Core::admit(
    const DisplayServerConnections::Request& request) const {
    const auto& head = request.head;
    const std::string cookies = head.joined("Cookie", "; ");
    const auto token = request.params.equal_range("token").first;
    const bool hasToken = token != request.params.end() && token->first == "token";
    const auto* dropped = request.droppedCookies;
    const auto verdict = access->check({head.method, request.path, head.field("Host"), head.field("Origin"), cookies,
                                        head.field("X-Tessivane-Token"), head.field("Content-Type"), hasToken,
                                        hasToken ? std::string_view(token->second) : std::string_view(), head.hasBody(),
                                        dropped != nullptr});
    using Kind = DisplayAccess::Verdict::Kind;
    httplib::Headers headers;
    // The cookies that took the head past its bound go, so that the page's next requests (and
    // other pages' of this host) are within it again.
    if (dropped && verdict.kind != Kind::refuse) {
        for (auto& expiry : access->expiringCookies(*dropped, request.path)) headers.emplace("Set-Cookie", std::move(expiry));
    }
    switch (verdict.kind) {
    case Kind::serve:
        if (headers.empty()) return std::nullopt;
        return DisplayServerConnections::Answer{0, {}, std::move(headers)};
    case Kind::setCookieAndRedirect:
        // The token leaves the address bar (and the history) for a cookie scripts cannot read.
        headers.emplace("Set-Cookie", access->setCookieHeader());
        headers.emplace("Location", DisplayAccess::redirectTarget(request.path));
        return DisplayServerConnections::Answer{verdict.status, {}, std::move(headers)};
    case Kind::refuse: break;
    }
    if (!verdict.allow.empty()) headers.emplace("Allow", verdict.allow);
    return DisplayServerConnections::Answer{verdict.status, verdict.reason, std::move(headers)};
}

void DisplayServer::Core::routes() {
    std::weak_ptr<Core> weak = shared_from_this();
    auto handler = [weak](const httplib::Request& req, httplib::Response& res) {
        auto core = weak.lock();
        if (!core) return;
        std::string path = req.path.substr(4);  // after "/api"
        ++core->answering;
        try {
            DisplayResponse r = core->call(req.method, path, req.body, req.has_param("path") ? req.get_param_value("path") : "");
            res.status = r.status;
            res.set_header("Cache-Control", "no-store");
            // Into the answer, not copied there: a state of thousands of icons is megabytes.
            res.body = r.text.empty() ? r.bodyText() : std::move(r.text);
            res.set_header("Content-Type", "application/json");
        } catch (...) {
            --core->answering;
            throw;
        }
        // What the making of a large answer left in the heaps (the pieces of its JSON) goes
        // back once no other is being made: the burst of a few open pages is over.
        if (--core->answering == 0 && res.body.size() > kLargeAnswer) ::malloc_trim(0);
    };
    http.setAdmit([weak](const DisplayServerConnections::Request& request) -> std::optional<DisplayServerConnections::Answer> {
        auto core = weak.lock();
        if (!core) return DisplayServerConnections::Answer{503, "the desktop is shutting down", {}};
        return core->admit(request);
    });
    http.Get("/api/events", [weak](const httplib::Request&, httplib::Response& res) {
        auto core = weak.lock();
        if (!core) return;
        res.set_header("Cache-Control", "no-store");
        bool reclaimed = false;
        auto slot = core->streams.open(DisplayServerConnections::currentSocket(), reclaimed);
        if (reclaimed && core->api) core->api->feed().wake();  // the streams of pages that left end now
        if (!slot) {
            res.status = 503;
            res.set_content(json{{"ok", false}, {"error", "too many open event streams"}}.dump(), "application/json");
            return;
        }
        // A new page wants the state now, even if nothing changed since the last (unsent) one.
        platform::RunLoop::main().performOnMain([weak] {
            if (auto c = weak.lock(); c && c->api) c->api->publish();
        });
        core->notifyPosted();
        DisplayServerConnections::streamAnswer();
        res.set_chunked_content_provider(
            "text/event-stream",
            [weak, slot, known = uint64_t(0)](size_t, httplib::DataSink& sink) mutable {
                auto core = weak.lock();
                if (!core || !core->api) {
                    sink.done();
                    return true;
                }
                uint64_t version = 0;
                bool closed = false;
                const std::string state = core->api->feed().waitNewer(known, kKeepAliveSeconds, version, closed);
                if (slot->abandoned) return false;
                std::string message = ": still here\n\n";
                if (version != known && !state.empty()) {
                    known = version;
                    message = "data: " + state + "\n\n";
                }
                if (!sink.write(message.data(), message.size())) return false;
                if (closed) sink.done();
                return true;
            },
            [weak, slot](bool) {
                if (auto core = weak.lock()) core->streams.close(slot);
            });
    });
    // Pictures of the state, by the name it gives them. Read here, not on the main thread: a
    // name stands for the same bytes for good, and the page need not wait behind requests.
    http.Get(R"(/api/image/([0-9a-f]{64}))", [](const httplib::Request& req, httplib::Response& res) {
        const auto png = ui::ImageReferences::shared().png(req.matches[1].str());
        if (!png) {
            res.status = 404;
            res.set_header("Cache-Control", "no-store");
            res.set_content(json{{"ok", false}, {"error", "no such image"}}.dump(), "application/json");
            return;
        }
        res.set_header("Cache-Control", "private, max-age=31536000, immutable");
        res.set_content(*png, "image/png");
    });
    http.Get(R"(/api/.*)", handler);
    http.Post(R"(/api/.*)", handler);
    http.Get("/fonts/MaterialIcons-Regular.ttf", [weak](const httplib::Request&, httplib::Response& res) {
        auto core = weak.lock();
        std::string data;
        if (!core || !readFile(core->options.iconFont, data)) {
            res.status = 404;
            return;
        }
        res.set_header("Cache-Control", "max-age=86400");
        res.set_content(std::move(data), "font/ttf");
    });
    http.Get(R"(/assets/([A-Za-z0-9_.-]+))", [weak](const httplib::Request& req, httplib::Response& res) {
        auto core = weak.lock();
        if (!core) return;
        // The bundle is the main thread's; ask it there where the asset's file is.
        DisplayResponse where = core->call("GET", "/asset-file", "", req.matches[1]);
        std::string data;
        const std::string file = where.body.value("file", std::string());
        if (where.status != 200 || file.empty() || !readFile(file, data)) {
            res.status = 404;
            return;
        }
        res.set_content(std::move(data), contentType(file));
    });
    http.set_mount_point("/", options.pages.string());
    http.set_file_extension_and_mimetype_mapping("js", "text/javascript");
}

DisplayServer::DisplayServer(DisplayAPI& api, Options options) : core_(std::make_shared<Core>()) {
    core_->api = &api;
    core_->options = std::move(options);
}

DisplayServer::~DisplayServer() {
    stop();
    if (listener_.joinable()) listener_.join();
    core_->api = nullptr;
}

bool DisplayServer::start(std::string& error) {
    auto& http = core_->http;
    // Answers of megabytes (a state of thousands of icons, and its copies on the way out) are
    // made on whichever of the 48 workers takes the request. With the allocator's own rules,
    // the first one freed raises the size it maps for itself, and every later one stays in
    // the heap of the worker that made it when it is freed: a burst of requests left a
    // gigabyte behind. Mapped at a fixed size from 256 KiB up, each goes back when it is done,
    // and a handful of heaps serve the workers, which spend their time waiting.
    ::mallopt(M_MMAP_THRESHOLD, 256 << 10);
    ::mallopt(M_ARENA_MAX, 4);
    http.set_payload_max_length(kMaxBodyBytes);
    // Reusing the address lets a restart follow at once; reusing the port (the library's
    // default) would let a second program share this one's requests without a word.
    http.set_socket_options([](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    core_->routes();
    if (core_->options.port == 0) {
        core_->port = core_->http.bind_to_any_port(core_->options.host);
        if (core_->port <= 0) {
            error = "cannot listen on " + core_->options.host;
            return false;
        }
    } else {
        errno = 0;
        if (!core_->http.bind_to_port(core_->options.host, core_->options.port)) {
            error = "cannot listen on " + core_->options.host + ":" + std::to_string(core_->options.port);
            if (errno == EADDRINUSE) error += ": the port is in use (is tessivane running there already?)";
            else if (errno != 0) error += std::string(": ") + std::strerror(errno);
            return false;
        }
        core_->port = core_->options.port;
    }
    http.widenBacklog();
    core_->access = std::make_unique<DisplayAccess>(core_->options.token, core_->options.host, core_->port);
    http.setKeptCookie(core_->access->cookieName());
    auto core = core_;
    listener_ = std::thread([core] { core->http.listen_after_bind(); });
    // A stop before the listener runs would not reach it, and joining it would never end.
    while (!core_->http.is_running()) std::this_thread::yield();
    return true;
}

int DisplayServer::port() const { return core_->port; }

std::string DisplayServer::address() const {
    const std::string& host = core_->options.host;
    const std::string shown = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return "http://" + shown + ":" + std::to_string(core_->port) + "/?token=" + core_->options.token;
}

void DisplayServer::run() {
    auto& loop = platform::RunLoop::main();
    Desktop& desktop = core_->api->desktop();
    core_->installModalHandlers();
    if (loop.clock().isManual()) {
        // Serving is the manual clock's run of the loop: the application's end unwinds to here.
        const auto serving = [&desktop] { return !desktop.application().isTerminated(); };
        while (!platform::ApplicationEntry::run([&] { core_->serveWhile(serving); })) {
        }
    } else {
        std::weak_ptr<Core> weak = core_;
        // Whatever ran may have changed what the page shows: publish when the loop is done
        // with a burst of work, for the pages that are open.
        loop.setBeforeWaiting([weak, last = std::chrono::steady_clock::time_point{}]() mutable {
            auto core = weak.lock();
            if (!core || !core->api) return;
            core->releaseInFlight();  // the work was a request that opened a nested session
            // Too soon after the last one, and no request waits for its redraw: the next
            // burst, at the latest the clock's second, publishes what this one changed.
            const auto now = std::chrono::steady_clock::now();
            if (!core->requestSinceBurst && now - last < kBurstPublishInterval) return;
            core->requestSinceBurst = false;
            last = now;
            core->publishForStreams();
        });
        // The state shows the clock's second; the timer's firing is the change that publishes it.
        auto second = loop.scheduledTimer(1, true, [](platform::Timer&) {}, platform::TimerModes::common);
        while (!core_->stopping && !desktop.application().isTerminated()) loop.run();
        second->invalidate();
        loop.setBeforeWaiting(nullptr);
    }
    core_->sendFinalState();
    desktop.setAlertHandler(nullptr);
    desktop.setOpenPanelHandler(nullptr);
}

void DisplayServer::quit() {
    core_->quitRequested = true;
    if (core_->api) core_->api->interrupt();
    std::weak_ptr<Core> weak = core_;
    platform::RunLoop::main().performOnMain([weak] {
        if (auto core = weak.lock()) core->quitOnMain();
    });
    core_->notifyPosted();
}

void DisplayServer::stop() {
    if (core_->stopping.exchange(true)) return;
    if (core_->api) core_->api->feed().close();
    {
        std::lock_guard lock(core_->outstandingMutex);
        for (auto& weak : core_->outstanding) {
            if (auto slot = weak.lock()) slot->fulfill({503, {{"ok", false}, {"error", "the desktop is shutting down"}}});
        }
    }
    core_->http.stop();
    core_->wake.notify_all();
    quit();  // which also ends a modal session the real clock is running
    platform::RunLoop::main().stop();
}

}  // namespace desktop
