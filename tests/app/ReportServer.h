#pragma once
#include <httplib.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace apptest {

// A loopback report endpoint that records what reaches it and answers with a chosen status.
class ReportServer {
public:
    struct Received {
        std::string path;
        std::string body;
        std::string contentType;
        size_t contentTypeCount = 0;
        std::string userAgent;
    };

    ReportServer() {
        server_.Post(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard lock(mutex_);
            received_.push_back(Received{request.path, request.body, request.get_header_value("Content-Type"),
                                         request.get_header_value_count("Content-Type"),
                                         request.get_header_value("User-Agent")});
            response.status = status_;
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] {
            server_.listen_after_bind();
            finished_ = true;
        });
    }
    ~ReportServer() {
        // The listening socket exists since the bind; stop only works once the loop runs.
        while (!server_.is_running() && !finished_) std::this_thread::yield();
        server_.stop();
        thread_.join();
    }

    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    void answer(int status) {
        std::lock_guard lock(mutex_);
        status_ = status;
    }
    std::vector<Received> received() const {
        std::lock_guard lock(mutex_);
        return received_;
    }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> finished_{false};
    mutable std::mutex mutex_;
    std::vector<Received> received_;
    int status_ = 200;
};

}  // namespace apptest
