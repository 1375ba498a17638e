#pragma once
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#include "desktop/display/DisplayServerFraming.h"

namespace desktop {

// cpp-httplib's server with its connections kept so that no client can hold what the page
// needs. The library gives each connection a worker for as long as it is open, reads a
// request's head a byte at a time with a timeout per byte, and keeps an idle connection's
// worker waiting for the next request: a few dozen slow or idle clients took every worker.
// Here one thread watches every connection that is waiting (for its next request, or for
// the rest of a head) and reads heads as they come, within DisplayServerFraming's bounds and
// a time limit for the whole head; only a request whose head is complete is handed to a
// worker, which gives the connection back to the watcher when the answer is sent.
class DisplayServerConnections : public httplib::Server {
public:
    using Clock = std::chrono::steady_clock;

    struct Options {
        size_t workers = 8;
        DisplayServerFraming::Limits limits;
        size_t maxConnections = 512;  // past it, the waiting connection nearest its end goes
        Clock::duration idleTime = std::chrono::seconds(5);  // waiting for a request's first byte
        Clock::duration headTime = std::chrono::seconds(3);  // from its first byte to its blank line
        Clock::duration bodyTime = std::chrono::seconds(5);  // from the head to the body's end
        Clock::duration writeTime = std::chrono::seconds(5);  // for the client to take some of an answer
    };

    explicit DisplayServerConnections(Options options);
    ~DisplayServerConnections() override;

    // Once bound: lets a burst of connections wait to be taken rather than be dropped.
    void widenBacklog();
    // The socket of the request the calling worker is answering (-1 on other threads).
    static int currentSocket();
    // The client at the other end of `socket` closed it (or its side of it).
    static bool clientLeft(int socket);

protected:
    bool process_and_close_socket(socket_t sock) override;

private:
    struct Connection;
    class Stream;
    class Queue;
    friend class Queue;

    void startWatching();
    void stopWatching();
    void watch();
    // The watcher's share: reading what arrived on a waiting connection.
    void readable(const std::shared_ptr<Connection>& connection);
    void examine(const std::shared_ptr<Connection>& connection);
    void serve(const std::shared_ptr<Connection>& connection);
    // Decodes a chunked body into the request as if it had a length: 0, or the status to refuse it with.
    int readChunkedBody(Connection& connection, Clock::time_point deadline);
    // Takes a connection to wait for its next request (`draining`: to be closed once what
    // the client still sends was read and dropped, so that it sees the answer before the end).
    void wait(const std::shared_ptr<Connection>& connection, bool draining);
    void refuse(const std::shared_ptr<Connection>& connection, int status, const std::string& reason,
                Clock::duration writeTime);
    void forget(const std::shared_ptr<Connection>& connection);  // mutex_ held
    void close(std::shared_ptr<Connection> connection);  // mutex_ held
    void setDeadline(Connection& connection, Clock::time_point deadline);  // mutex_ held

    Options options_;
    std::mutex mutex_;
    std::map<int, std::shared_ptr<Connection>> connections_;  // every open one, by socket
    std::set<std::pair<Clock::time_point, int>> deadlines_;   // of the waiting ones
    bool stopping_ = false;
    int epoll_ = -1;
    int wake_ = -1;  // an eventfd that wakes the watcher
    std::thread watcher_;
    std::unique_ptr<httplib::ThreadPool> workers_;
};

}  // namespace desktop
