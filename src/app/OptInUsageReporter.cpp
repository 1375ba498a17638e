#include "app/OptInUsageReporter.h"

#include <curl/curl.h>

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "app/AccessibilityReapprovalGuide.h"
#include "engine/SystemMenuBarLayout.h"
#include "model/UITestLaunch.h"
#include "model/UserPreferences.h"
#include "platform/Bundle.h"
#include "platform/DateFormatting.h"
#include "platform/Platform.h"
#include "platform/Screen.h"
#include "platform/UserDefaults.h"

namespace tessivane::OptInUsageReporter {

namespace {

struct Request {
    std::string url;
    std::string body;
    std::string userAgent;
};

// Runs the reports' HTTP requests one after another on a thread of its own, so that the
// main thread never waits for the network. The one thing a finished request does is to
// record an accepted report in the user defaults, whose writes are safe from here.
class ReportSender {
public:
    static ReportSender& shared() {
        static ReportSender sender;
        return sender;
    }

    ReportSender(const ReportSender&) = delete;
    ReportSender& operator=(const ReportSender&) = delete;

    ~ReportSender() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            queue_.clear();
        }
        workAvailable_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    void submit(Request request) {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        queue_.push_back(std::move(request));
        if (!thread_.joinable()) {
            // libcurl's global set-up is not thread-safe; it happens here, on the main
            // thread, before the sender's thread exists.
            curl_global_init(CURL_GLOBAL_DEFAULT);
            thread_ = std::thread([this] { run(); });
        }
        workAvailable_.notify_one();
    }

    bool waitUntilIdle(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return idle_.wait_for(lock, timeout, [this] { return queue_.empty() && !busy_; });
    }

private:
    ReportSender() = default;

    void run() {
        for (;;) {
            Request request;
            {
                std::unique_lock lock(mutex_);
                workAvailable_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
                if (stopping_) break;
                request = std::move(queue_.front());
                queue_.pop_front();
                busy_ = true;
            }
            const long status = perform(request);
            if (status >= 200 && status <= 299) {
                UITestLaunch::defaults()->set(std::string(lastSentAtKey), platform::DateFormatting::now());
            }
            {
                std::lock_guard lock(mutex_);
                busy_ = false;
            }
            idle_.notify_all();
        }
        idle_.notify_all();
    }

    static size_t discardBody(char*, size_t size, size_t count, void*) { return size * count; }

    // A non-zero answer makes libcurl give up: the process is going away.
    static int progress(void* sender, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        return static_cast<ReportSender*>(sender)->stopping_.load() ? 1 : 0;
    }

    // The HTTP status of the answer, or 0 when there was none (a transport error).
    long perform(const Request& request) {
        CURL* curl = curl_easy_init();
        if (!curl) return 0;
        curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
        // No "Expect: 100-continue" round trip for a body this small.
        headers = curl_slist_append(headers, "Expect:");

        curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_USERAGENT, request.userAgent.c_str());
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(requestTimeoutSeconds * 1000));
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &ReportSender::discardBody);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &ReportSender::progress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);

        long status = 0;
        if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        curl_slist_free_all(headers);
        curl_easy_cleanup(curl);
        return status;
    }

    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable idle_;
    std::deque<Request> queue_;
    bool busy_ = false;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

std::string& endpointBase() {
    static std::string base(defaultEndpointBase);
    return base;
}

bool hasWidth(const std::optional<platform::Rect>& area) { return area && area->width() > 0; }

int64_t roundedWidth(double width) {
    return std::isfinite(width) ? static_cast<int64_t>(std::llround(width)) : 0;
}

// The room the status area has on the main screen: beside the camera housing when there
// is one, else a typical share of the screen.
int64_t menuBarWidth(const platform::Screen& screen, bool rtl) {
    if (rtl && hasWidth(screen.auxiliaryTopLeftArea)) return roundedWidth(screen.auxiliaryTopLeftArea->width());
    if (hasWidth(screen.auxiliaryTopRightArea)) return roundedWidth(screen.auxiliaryTopRightArea->width());
    return roundedWidth(0.45 * screen.frame.width());
}

// Whether the recorded accepted report is recent enough to skip an unforced one. A time
// in the future (a clock set back, a hand-edited value) does not silence reporting.
bool sentRecently(const platform::UserDefaults& store) {
    auto stored = store.object(std::string(lastSentAtKey));
    auto last = stored ? stored->asDate() : std::nullopt;
    if (!last) return false;
    const double elapsed = platform::DateFormatting::now().secondsSince1970() - last->secondsSince1970();
    return elapsed >= 0 && elapsed < minimumSecondsBetweenReports;
}

}  // namespace

std::string userAgent() { return "Tessivane/" + platform::Bundle::main().shortVersionString() + " Usage/1"; }

Payload snapshot(const AppFacts& facts) {
    Payload p;
    p.rtl = SystemMenuBarLayout::isRightToLeft();
    p.appVersion = platform::Bundle::main().shortVersionString();
    p.firstInstalledVersion =
        UITestLaunch::defaults()->stringForKey(std::string(AccessibilityReapprovalGuide::firstInstalledVersionKey));

    if (auto* screens = platform::services().screens) {
        p.displayCount = static_cast<int64_t>(screens->screens().size());
        if (auto main = screens->mainScreen()) {
            p.hasNotch = hasWidth(main->auxiliaryTopLeftArea) && hasWidth(main->auxiliaryTopRightArea);
            p.menuBarWidth = menuBarWidth(*main, p.rtl);
        }
    }

    p.environmentCount = static_cast<int64_t>(facts.environments.size());
    for (const auto& environment : facts.environments) {
        p.vosselCount += static_cast<int64_t>(environment.groups.size());
        for (const auto& group : environment.groups) p.memberCount += static_cast<int64_t>(group.memberIDs.size());
    }
    p.discoveredCount = facts.discoveredCount;
    p.overflowHiddenCount = facts.overflowHiddenCount;
    p.hoverToOpen = UserPreferences::hoverToOpenEnabled();
    p.launchAtLogin = facts.launchAtLogin;
    p.accessibilityTrusted = facts.accessibilityTrusted;
    return p;
}

std::optional<std::string> encode(const Payload& p) {
    nlohmann::ordered_json json;
    json["appVersion"] = p.appVersion;
    if (p.firstInstalledVersion) json["firstInstalledVersion"] = *p.firstInstalledVersion;
    json["displayCount"] = p.displayCount;
    json["hasNotch"] = p.hasNotch;
    json["menuBarWidth"] = p.menuBarWidth;
    json["rtl"] = p.rtl;
    json["vosselCount"] = p.vosselCount;
    json["environmentCount"] = p.environmentCount;
    json["discoveredCount"] = p.discoveredCount;
    json["memberCount"] = p.memberCount;
    json["overflowHiddenCount"] = p.overflowHiddenCount;
    json["hoverToOpen"] = p.hoverToOpen;
    json["launchAtLogin"] = p.launchAtLogin;
    json["accessibilityTrusted"] = p.accessibilityTrusted;
    try {
        return json.dump();
    } catch (const nlohmann::json::exception&) {
        // A version string that is not valid UTF-8.
        return std::nullopt;
    }
}

void sendIfNeeded(const std::function<AppFacts()>& facts, bool force) {
    if (UITestLaunch::isEnabled()) return;
    auto store = UITestLaunch::defaults();
    if (!store->boolForKey(std::string(shareSystemInfoKey))) return;
    if (!force && sentRecently(*store)) return;

    auto body = encode(snapshot(facts ? facts() : AppFacts{}));
    if (!body) return;
    ReportSender::shared().submit(
        Request{endpointBase() + std::string(endpointPath), std::move(*body), userAgent()});
}

void setEndpointBase(std::string base) { endpointBase() = std::move(base); }

bool waitUntilIdle(std::chrono::milliseconds timeout) { return ReportSender::shared().waitUntilIdle(timeout); }

}  // namespace tessivane::OptInUsageReporter
