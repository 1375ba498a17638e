#include "desktop/display/DisplayServerConnections.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <nlohmann/json.hpp>

namespace desktop {

namespace {

using Clock = DisplayServerConnections::Clock;

// After a refusal the connection is closed once the client stopped sending, so that its
// side does not reset the connection, losing the answer, because of unread bytes. What it
// still sends is dropped, up to these bounds: closing while a client still sends resets it,
// so a refused upload of a few megabytes must fit, while nothing of it is kept.
constexpr auto kDrainTime = std::chrono::seconds(1);
constexpr size_t kMaxDrainBytes = 8 << 20;
constexpr size_t kReadChunk = 16 << 10;

thread_local int currentSocket_ = -1;
thread_local bool closeAsked_ = false;  // the answer being sent says "Connection: close"

int millisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60'000));
}

// Waits until `socket` is ready for `events` or the deadline passes; a socket in error or
// hung up counts as ready, so that the read or write that follows says so.
bool ready(int socket, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{socket, events, 0};
        const int n = ::poll(&p, 1, millisecondsUntil(deadline));
        if (n > 0) return true;
        if (n == 0) return false;
        if (errno != EINTR) return false;
    }
}

bool sendAll(int socket, std::string_view data, Clock::duration writeTime) {
    while (!data.empty()) {
        const ssize_t n = ::send(socket, data.data(), data.size(), MSG_NOSIGNAL);
        if (n > 0) {
            data.remove_prefix(static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && writeTime > Clock::duration::zero() &&
                   ready(socket, POLLOUT, Clock::now() + writeTime)) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

const char* reasonPhrase(int status) {
    switch (status) {
    case 400: return "Bad Request";
    case 408: return "Request Timeout";
    case 413: return "Content Too Large";
    case 414: return "URI Too Long";
    case 431: return "Request Header Fields Too Large";
    case 501: return "Not Implemented";
    default: return "Error";
    }
}

// An answer written before the library saw the request: the same JSON as its refusals.
std::string refusal(int status, const std::string& reason) {
    const std::string body = nlohmann::json{{"ok", false}, {"error", reason}}.dump();
    return "HTTP/1.1 " + std::to_string(status) + " " + reasonPhrase(status) +
           "\r\nContent-Type: application/json\r\nCache-Control: no-store\r\nConnection: close\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

void addressOf(int socket, bool peer, std::string& ip, int& port) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    auto* any = reinterpret_cast<sockaddr*>(&address);
    if ((peer ? ::getpeername(socket, any, &length) : ::getsockname(socket, any, &length)) != 0) return;
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
        ::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        port = ntohs(v4->sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
        ::inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        port = ntohs(v6->sin6_port);
    }
    ip = text;
}

}  // namespace

struct DisplayServerConnections::Connection {
    enum class State { waiting, busy, draining };
    int socket = -1;
    State state = State::waiting;
    std::string buffer;  // arrived and not yet taken
    DisplayServerFraming::Head head;  // of the request at the start of `buffer`, once complete
    bool started = false;  // a byte of the next request arrived
    bool hasDeadline = false;
    Clock::time_point deadline{};
    size_t drained = 0;
    size_t requests = 0;
};

// The connection as the library reads and writes it for one request: first what the watcher
// read, then the socket, until the deadline for the whole request.
class DisplayServerConnections::Stream : public httplib::Stream {
public:
    Stream(Connection& connection, Clock::time_point readDeadline, Clock::duration writeTime)
        : connection_(connection), readDeadline_(readDeadline), writeTime_(writeTime) {}

    bool is_readable() const override {
        return at_ < connection_.buffer.size() || ready(connection_.socket, POLLIN, readDeadline_);
    }
    bool is_writable() const override { return ready(connection_.socket, POLLOUT, Clock::now() + writeTime_); }

    ssize_t read(char* ptr, size_t size) override {
        std::string& buffer = connection_.buffer;
        if (at_ == buffer.size()) {
            // What was taken goes, so that a body is not kept twice while the library reads it.
            taken_ += at_;
            buffer.clear();
            at_ = 0;
            char chunk[kReadChunk];
            for (;;) {
                if (!ready(connection_.socket, POLLIN, readDeadline_)) return -1;
                const ssize_t n = ::recv(connection_.socket, chunk, sizeof chunk, 0);
                if (n > 0) {
                    buffer.assign(chunk, static_cast<size_t>(n));
                    break;
                }
                if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
                return n;
            }
        }
        const size_t n = std::min(size, buffer.size() - at_);
        std::memcpy(ptr, buffer.data() + at_, n);
        at_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        return sendAll(connection_.socket, {ptr, size}, writeTime_) ? static_cast<ssize_t>(size) : -1;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        addressOf(connection_.socket, true, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        addressOf(connection_.socket, false, ip, port);
    }
    socket_t socket() const override { return connection_.socket; }

    // Every byte the library read of this request.
    size_t taken() const { return taken_ + at_; }
    // Leaves in the connection's buffer only what follows (a request sent along with this one).
    void dropTaken() {
        connection_.buffer.erase(0, at_);
        taken_ += at_;
        at_ = 0;
    }

private:
    Connection& connection_;
    Clock::time_point readDeadline_;
    Clock::duration writeTime_;
    size_t at_ = 0;     // in the buffer
    size_t taken_ = 0;  // before the buffer's start
};

// What the library's listener hands its connections to. Its only task is handing a new
// connection over, which is done at once on the listener's thread; when the listener ends,
// so does everything else.
class DisplayServerConnections::Queue : public httplib::TaskQueue {
public:
    explicit Queue(DisplayServerConnections& owner) : owner_(owner) {}
    void enqueue(std::function<void()> task) override { task(); }
    void shutdown() override { owner_.stopWatching(); }

private:
    DisplayServerConnections& owner_;
};

DisplayServerConnections::DisplayServerConnections(Options options) : options_(std::move(options)) {
    new_task_queue = [this] {
        startWatching();
        return new Queue(*this);
    };
    set_tcp_nodelay(true);
    set_keep_alive_max_count(100);
    set_keep_alive_timeout(std::chrono::duration_cast<std::chrono::seconds>(options_.idleTime).count());
    set_logger([](const httplib::Request&, const httplib::Response& response) {
        if (response.get_header_value("Connection") == "close") closeAsked_ = true;
    });
}

DisplayServerConnections::~DisplayServerConnections() { stopWatching(); }

void DisplayServerConnections::widenBacklog() {
    // The library listens with a backlog of five: a burst of connections past it waits a
    // second or more for the client to try again (a page loads its files over six).
    ::listen(svr_sock_.load(), SOMAXCONN);
}

int DisplayServerConnections::currentSocket() { return currentSocket_; }

bool DisplayServerConnections::clientLeft(int socket) {
    pollfd p{socket, POLLRDHUP, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void DisplayServerConnections::startWatching() {
    std::lock_guard lock(mutex_);
    stopping_ = false;
    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = wake_;
    ::epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &event);
    workers_ = std::make_unique<httplib::ThreadPool>(options_.workers);
    watcher_ = std::thread([this] { watch(); });
}

void DisplayServerConnections::stopWatching() {
    {
        std::lock_guard lock(mutex_);
        if (!watcher_.joinable()) return;
        stopping_ = true;
    }
    ::eventfd_write(wake_, 1);
    watcher_.join();
    workers_->shutdown();  // a worker that is done closes its connection, as stopping_ says
    std::lock_guard lock(mutex_);
    while (!connections_.empty()) close(connections_.begin()->second);
    ::close(epoll_);
    ::close(wake_);
    epoll_ = wake_ = -1;
}

bool DisplayServerConnections::process_and_close_socket(socket_t sock) {
    ::fcntl(sock, F_SETFL, ::fcntl(sock, F_GETFL) | O_NONBLOCK);
    // Every small answer would otherwise wait for the client's delayed acknowledgement.
    int yes = 1;
    ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    auto connection = std::make_shared<Connection>();
    connection->socket = sock;
    std::lock_guard lock(mutex_);
    if (stopping_) {
        ::close(sock);
        return true;
    }
    if (connections_.size() >= options_.maxConnections) {
        if (deadlines_.empty()) {  // every one is being answered
            ::close(sock);
            return true;
        }
        close(connections_.at(deadlines_.begin()->second));
    }
    connections_[sock] = connection;
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP;
    event.data.fd = sock;
    ::epoll_ctl(epoll_, EPOLL_CTL_ADD, sock, &event);
    setDeadline(*connection, Clock::now() + options_.idleTime);
    return true;
}

void DisplayServerConnections::setDeadline(Connection& connection, Clock::time_point deadline) {
    if (connection.hasDeadline) deadlines_.erase({connection.deadline, connection.socket});
    const bool first = deadlines_.empty() || deadline < deadlines_.begin()->first;
    deadlines_.insert({deadline, connection.socket});
    connection.deadline = deadline;
    connection.hasDeadline = true;
    // The watcher sleeps until the deadline that was first.
    if (first && std::this_thread::get_id() != watcher_.get_id()) ::eventfd_write(wake_, 1);
}

void DisplayServerConnections::forget(const std::shared_ptr<Connection>& connection) {
    if (connection->hasDeadline) deadlines_.erase({connection->deadline, connection->socket});
    connection->hasDeadline = false;
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, connection->socket, nullptr);
}

void DisplayServerConnections::close(std::shared_ptr<Connection> connection) {
    forget(connection);
    connections_.erase(connection->socket);
    ::close(connection->socket);
}

void DisplayServerConnections::watch() {
    std::array<epoll_event, 64> events{};
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const int timeout = deadlines_.empty() ? -1 : millisecondsUntil(deadlines_.begin()->first);
        lock.unlock();
        const int n = ::epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), timeout);
        lock.lock();
        for (int i = 0; i < n && !stopping_; ++i) {
            const int socket = events[static_cast<size_t>(i)].data.fd;
            if (socket == wake_) {
                eventfd_t ignored = 0;
                ::eventfd_read(wake_, &ignored);
                continue;
            }
            const auto found = connections_.find(socket);
            if (found == connections_.end()) continue;
            const auto connection = found->second;  // reading may close it
            if (connection->state != Connection::State::busy) readable(connection);
        }
        // A client that did not finish its head in time, or kept an idle connection too long.
        const auto now = Clock::now();
        while (!deadlines_.empty() && deadlines_.begin()->first <= now) close(connections_.at(deadlines_.begin()->second));
    }
}

void DisplayServerConnections::readable(const std::shared_ptr<Connection>& connection) {
    char chunk[kReadChunk];
    for (;;) {
        const ssize_t n = ::recv(connection->socket, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (n <= 0) {
            close(connection);
            return;
        }
        if (connection->state == Connection::State::draining) {
            connection->drained += static_cast<size_t>(n);
            if (connection->drained > kMaxDrainBytes) {
                close(connection);
                return;
            }
            continue;
        }
        // At most a head's bound and one chunk are kept: past the bound the head is refused.
        connection->buffer.append(chunk, static_cast<size_t>(n));
        examine(connection);
        if (connection->state != Connection::State::waiting) return;
    }
}

void DisplayServerConnections::examine(const std::shared_ptr<Connection>& connection) {
    if (connection->buffer.empty()) return;
    if (!connection->started) {
        connection->started = true;
        setDeadline(*connection, Clock::now() + options_.headTime);
    }
    connection->head = DisplayServerFraming::readHead(connection->buffer, options_.limits);
    using Status = DisplayServerFraming::Head::Status;
    if (connection->head.status == Status::incomplete) return;
    if (connection->head.status == Status::refused) {
        sendAll(connection->socket, refusal(connection->head.refusal, connection->head.reason), Clock::duration::zero());
        connection->buffer.clear();
        connection->state = Connection::State::draining;
        connection->drained = 0;
        ::shutdown(connection->socket, SHUT_WR);
        setDeadline(*connection, Clock::now() + kDrainTime);
        return;
    }
    forget(connection);
    connection->state = Connection::State::busy;
    workers_->enqueue([this, connection] { serve(connection); });
}

void DisplayServerConnections::wait(const std::shared_ptr<Connection>& connection, bool draining) {
    std::lock_guard lock(mutex_);
    if (stopping_) {
        close(connection);
        return;
    }
    connection->started = false;
    connection->state = draining ? Connection::State::draining : Connection::State::waiting;
    if (draining) {
        connection->buffer.clear();
        connection->drained = 0;
        ::shutdown(connection->socket, SHUT_WR);
    }
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP;
    event.data.fd = connection->socket;
    ::epoll_ctl(epoll_, EPOLL_CTL_ADD, connection->socket, &event);
    setDeadline(*connection, Clock::now() + (draining ? Clock::duration(kDrainTime) : options_.idleTime));
    if (!draining) examine(connection);  // a request that came along with the last one
}

void DisplayServerConnections::refuse(const std::shared_ptr<Connection>& connection, int status,
                                      const std::string& reason, Clock::duration writeTime) {
    sendAll(connection->socket, refusal(status, reason), writeTime);
    wait(connection, true);
}

int DisplayServerConnections::readChunkedBody(Connection& connection, Clock::time_point deadline) {
    if (connection.head.expectsContinue) sendAll(connection.socket, "HTTP/1.1 100 Continue\r\n\r\n", options_.writeTime);
    DisplayServerFraming::ChunkedBody body(options_.limits);
    std::string rest = connection.buffer.substr(connection.head.length);
    char chunk[kReadChunk];
    for (;;) {
        size_t used = 0;
        const auto status = body.feed(rest, used);
        rest.erase(0, used);
        using Status = DisplayServerFraming::ChunkedBody::Status;
        if (status == Status::done) break;
        if (status == Status::tooLarge) return 413;
        if (status == Status::bad) return 400;
        ssize_t n = -1;
        while (ready(connection.socket, POLLIN, deadline)) {
            n = ::recv(connection.socket, chunk, sizeof chunk, 0);
            if (!(n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))) break;
        }
        if (n <= 0) return 408;
        rest.assign(chunk, static_cast<size_t>(n));
    }
    const std::string head = DisplayServerFraming::unchunkedHead(std::string_view(connection.buffer).substr(0, connection.head.length),
                                                                body.body().size());
    connection.head.length = head.size();
    connection.head.contentLength = body.body().size();
    connection.head.chunked = false;
    connection.buffer = head + body.body() + rest;
    return 0;
}

void DisplayServerConnections::serve(const std::shared_ptr<Connection>& connection) {
    const auto deadline = Clock::now() + options_.bodyTime;
    if (connection->head.chunked) {
        if (const int status = readChunkedBody(*connection, deadline)) {
            refuse(connection, status,
                   status == 413   ? "the body is too large"
                   : status == 408 ? "the body did not arrive in time"
                                   : "the chunked body is malformed",
                   options_.writeTime);
            return;
        }
    }
    Stream stream(*connection, deadline, options_.writeTime);
    currentSocket_ = connection->socket;
    closeAsked_ = false;
    const bool last = ++connection->requests >= keep_alive_max_count_;
    bool clientCloses = false;
    const bool answered = process_request(stream, last, clientCloses, nullptr);
    currentSocket_ = -1;
    // A body the library left unread (a refusal's, or one a GET carried) would be taken for
    // the next request.
    const bool whole = stream.taken() == connection->head.length + connection->head.contentLength;
    stream.dropTaken();
    wait(connection, !answered || clientCloses || last || closeAsked_ || !whole);
}

}  // namespace desktop
