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
constexpr int kSendBuffer = 64 << 10;

thread_local int currentSocket_ = -1;
thread_local bool closeAsked_ = false;  // the answer being sent says "Connection: close"
thread_local bool streaming_ = false;   // the answer being sent is a stream (streamAnswer)

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
    case 303: return "See Other";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 413: return "Content Too Large";
    case 414: return "URI Too Long";
    case 415: return "Unsupported Media Type";
    case 431: return "Request Header Fields Too Large";
    case 501: return "Not Implemented";
    default: return "Error";
    }
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

// The time a client has for what it sends or takes: `allowance`, and a second more for every
// `rate` bytes that went across since `since`.
Clock::time_point rateDeadline(Clock::time_point since, Clock::duration allowance, size_t moved, size_t rate) {
    return since + allowance + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                                   static_cast<double>(moved) / static_cast<double>(std::max<size_t>(rate, 1))));
}

// The request the calling worker answers, as its head was judged.
thread_local const std::string* judgedMethod_ = nullptr;
thread_local const std::string* judgedPath_ = nullptr;
thread_local const httplib::Headers* addedHeaders_ = nullptr;  // that the admission rules added

}  // namespace

struct DisplayServerConnections::Connection {
    enum class State { waiting, body, busy, writing, draining };
    Connection(int socket, DisplayServerHeadReader reader) : socket(socket), reader(std::move(reader)) {}
    int socket = -1;
    State state = State::waiting;
    bool registered = false;  // with the watcher's epoll
    std::string buffer;  // arrived and not yet taken
    DisplayServerHeadReader reader;  // of the request at the start of `buffer`
    bool started = false;  // a byte of the next request arrived
    bool hasDeadline = false;
    Clock::time_point deadline{};
    Clock::time_point since{};  // when the body or the answer's rest began to move
    size_t moved = 0;           // of it, since then
    std::unique_ptr<DisplayServerFraming::ChunkedBody> chunked;  // a chunked body being read
    std::string method, path;  // as judged from the head
    httplib::Headers added;    // for the library's answer, by the admission rules
    size_t forwarded = 0;      // the request's bytes as the library reads it: head and body
    std::string output;        // of the answer, not yet taken by the client
    size_t outputAt = 0;
    bool closing = false;      // once the answer is out
    size_t drained = 0;
    size_t requests = 0;
};

// The connection as the library reads and writes it for one request: the request (read
// whole by the watcher) from the buffer, and the answer to the socket as far as the client
// takes it at once, the rest to `output` for the watcher.
class DisplayServerConnections::Stream : public httplib::Stream {
public:
    Stream(Connection& connection, Clock::duration writeTime) : connection_(connection), writeTime_(writeTime) {}

    bool is_readable() const override { return at_ < connection_.buffer.size(); }
    bool is_writable() const override {
        return !streaming_ || ready(connection_.socket, POLLOUT, Clock::now() + writeTime_);
    }

    ssize_t read(char* ptr, size_t size) override {
        // The whole request is in the buffer: the library reading past it is a framing the
        // watcher did not see, never a reason to wait for the client.
        if (at_ == connection_.buffer.size()) return -1;
        const size_t n = std::min(size, connection_.buffer.size() - at_);
        std::memcpy(ptr, connection_.buffer.data() + at_, n);
        at_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        std::string& output = connection_.output;
        std::string_view data(ptr, size);
        if (streaming_) {
            if (!sendAll(connection_.socket, std::string_view(output).substr(connection_.outputAt), writeTime_) ||
                !sendAll(connection_.socket, data, writeTime_)) {
                return -1;
            }
            output.clear();
            connection_.outputAt = 0;
            return static_cast<ssize_t>(size);
        }
        while (output.empty() && !data.empty()) {
            const ssize_t n = ::send(connection_.socket, data.data(), data.size(), MSG_NOSIGNAL);
            if (n > 0) data.remove_prefix(static_cast<size_t>(n));
            else if (n < 0 && errno == EINTR) continue;
            else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
            else return -1;
        }
        output.append(data);
        return static_cast<ssize_t>(size);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        addressOf(connection_.socket, true, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        addressOf(connection_.socket, false, ip, port);
    }
    socket_t socket() const override { return connection_.socket; }

    // Every byte the library read of this request.
    size_t taken() const { return at_; }
    // Leaves in the connection's buffer only what follows (a request sent along with this one).
    void dropTaken() {
        connection_.buffer.erase(0, at_);
        at_ = 0;
    }

private:
    Connection& connection_;
    Clock::duration writeTime_;
    size_t at_ = 0;
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
    set_default_headers(options_.headers);
    set_post_routing_handler([](const httplib::Request&, httplib::Response& res) {
        if (addedHeaders_) res.headers.insert(addedHeaders_->begin(), addedHeaders_->end());
    });
    set_logger([](const httplib::Request&, const httplib::Response& response) {
        if (response.get_header_value("Connection") == "close") closeAsked_ = true;
    });
    set_pre_routing_handler([](const httplib::Request& req, httplib::Response& res) {
        // The library compresses every text answer a client offers to take compressed, with
        // brotli at its slowest setting: loading the page cost 0.3 s of CPU, more than a
        // minute of serving it. Over loopback it buys nothing, so the offer is withdrawn (the
        // library's own request object, which it hands over as const but owns as mutable).
        const_cast<httplib::Request&>(req).headers.erase("Accept-Encoding");
        // The request was admitted as the watcher read its head: the library must route the
        // same one, or the rules were judged on another.
        if (judgedMethod_ && (req.method != *judgedMethod_ || req.path != *judgedPath_)) {
            res.status = 400;
            res.set_header("Cache-Control", "no-store");
            res.set_header("Connection", "close");
            res.set_content(nlohmann::json{{"ok", false}, {"error", "the request line is ambiguous"}}.dump(),
                            "application/json");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
}

DisplayServerConnections::~DisplayServerConnections() { stopWatching(); }

void DisplayServerConnections::widenBacklog() {
    // The library listens with a backlog of five: a burst of connections past it waits a
    // second or more for the client to try again (a page loads its files over six).
    ::listen(svr_sock_.load(), SOMAXCONN);
}

int DisplayServerConnections::currentSocket() { return currentSocket_; }

void DisplayServerConnections::streamAnswer() { streaming_ = true; }

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
    // What a client does not read waits in the watcher's hands, one answer at a time, not in
    // megabytes of the kernel's: a client that asks again and again and reads nothing gets
    // one answer made, not dozens.
    int sendBuffer = kSendBuffer;
    ::setsockopt(sock, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    auto connection = std::make_shared<Connection>(sock, DisplayServerHeadReader(options_.limits, keptCookie_));
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
    watchFor(*connection, EPOLLIN | EPOLLRDHUP);
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

void DisplayServerConnections::watchFor(Connection& connection, uint32_t events) {
    epoll_event event{};
    event.events = events;
    event.data.fd = connection.socket;
    ::epoll_ctl(epoll_, connection.registered ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, connection.socket, &event);
    connection.registered = true;
}

void DisplayServerConnections::forget(const std::shared_ptr<Connection>& connection) {
    if (connection->hasDeadline) deadlines_.erase({connection->deadline, connection->socket});
    connection->hasDeadline = false;
    if (connection->registered) ::epoll_ctl(epoll_, EPOLL_CTL_DEL, connection->socket, nullptr);
    connection->registered = false;
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
            switch (connection->state) {
            case Connection::State::busy: break;
            case Connection::State::writing:
                writable(connection);
                examine(connection);  // a request that came along with the one answered
                break;
            default: readable(connection); break;
            }
        }
        // A client that did not send or take in time, or kept an idle connection too long.
        const auto now = Clock::now();
        while (!deadlines_.empty() && deadlines_.begin()->first <= now) {
            const auto connection = connections_.at(deadlines_.begin()->second);
            if (connection->state == Connection::State::writing) {
                // Reset: closed as usual, the kernel would keep what the client never takes,
                // and the connection, for minutes.
                const linger abort{1, 0};
                ::setsockopt(connection->socket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            }
            close(connection);
        }
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
        const std::string_view bytes(chunk, static_cast<size_t>(n));
        switch (connection->state) {
        case Connection::State::draining:
            connection->drained += bytes.size();
            if (connection->drained > kMaxDrainBytes) {
                close(connection);
                return;
            }
            break;
        case Connection::State::waiting:
            // At most a head's bound and one chunk are kept: past the bound the head is refused,
            // and Cookie lines are taken out as they come.
            connection->buffer.append(bytes);
            examine(connection);
            break;
        case Connection::State::body: takeBody(connection, bytes); break;
        default: return;
        }
        if (connection->state != Connection::State::waiting && connection->state != Connection::State::body &&
            connection->state != Connection::State::draining) {
            return;
        }
    }
}

void DisplayServerConnections::examine(const std::shared_ptr<Connection>& connection) {
    using Status = DisplayServerFraming::Head::Status;
    const auto& limits = options_.limits;
    // Requests sent along with one another are taken in turn while the watcher answers them.
    while (connection->state == Connection::State::waiting && !connection->buffer.empty()) {
        std::string& buffer = connection->buffer;
        if (!connection->started) {
            connection->started = true;
            setDeadline(*connection, Clock::now() + options_.headTime);
        }
        const auto& head = connection->reader.read(buffer);
        if (head.status == Status::incomplete) return;
        if (head.status == Status::refused) {
            answer(connection, {head.refusal, head.reason, {}}, true);
            return;
        }
        const std::string_view target = head.target;
        const auto query = target.find('?');
        Request request{head, httplib::detail::decode_url(std::string(target.substr(0, query)), false), {},
                        connection->reader.cookiesPastBound() ? &connection->reader.cookies() : nullptr};
        if (query != std::string_view::npos) httplib::detail::parse_query_text(std::string(target.substr(query + 1)), request.params);
        connection->method = head.method;
        connection->path = request.path;
        auto given = admit_ ? admit_(request) : std::nullopt;
        connection->added = given && given->status == 0 ? std::move(given->headers) : httplib::Headers();
        if (given && given->status != 0) {
            // A refusal closes the connection, its body unread; a redirect keeps it.
            const bool closing = !given->error.empty() || head.hasBody();
            if (!closing) {
                buffer.erase(0, head.length);
                connection->reader.reset();
                connection->started = false;
            }
            answer(connection, *given, closing);
            continue;
        }
        if (!head.hasBody()) {
            dispatch(connection, 0);
            return;
        }
        if (head.expectsContinue) sendAll(connection->socket, "HTTP/1.1 100 Continue\r\n\r\n", Clock::duration::zero());
        connection->state = Connection::State::body;
        connection->since = Clock::now();
        connection->moved = 0;
        const std::string arrived = buffer.substr(head.length);
        buffer.resize(head.length);
        if (head.chunked) connection->chunked = std::make_unique<DisplayServerFraming::ChunkedBody>(limits);
        takeBody(connection, arrived);
        return;
    }
}

void DisplayServerConnections::takeBody(const std::shared_ptr<Connection>& connection, std::string_view bytes) {
    Connection& c = *connection;
    c.moved += bytes.size();
    if (c.chunked) {
        size_t used = 0;
        using Status = DisplayServerFraming::ChunkedBody::Status;
        switch (c.chunked->feed(bytes, used)) {
        case Status::tooLarge: answer(connection, {413, "the body is too large", {}}, true); return;
        case Status::bad: answer(connection, {400, "the chunked body is malformed", {}}, true); return;
        case Status::more: break;
        case Status::done: {
            const size_t length = c.chunked->body().size();
            c.buffer += c.chunked->body();
            c.buffer.append(bytes.substr(used));
            c.chunked.reset();
            dispatch(connection, length);
            return;
        }
        }
    } else {
        c.buffer.append(bytes);
        const auto& head = c.reader.head();
        if (c.buffer.size() >= head.length + head.contentLength) {
            dispatch(connection, head.contentLength);
            return;
        }
    }
    setDeadline(c, rateDeadline(c.since, options_.bodyTime, c.moved, options_.minimumRate));
}

void DisplayServerConnections::dispatch(const std::shared_ptr<Connection>& connection, size_t bodyLength) {
    Connection& c = *connection;
    const size_t length = c.reader.head().length;
    const std::string head = DisplayServerFraming::forwardedHead(std::string_view(c.buffer).substr(0, length), bodyLength);
    c.buffer.replace(0, length, head);
    c.forwarded = head.size() + bodyLength;
    forget(connection);
    c.state = Connection::State::busy;
    workers_->enqueue([this, connection] { serve(connection); });
}

std::string DisplayServerConnections::answerText(int status, const std::string& error, const httplib::Headers& headers) const {
    std::string out = "HTTP/1.1 " + std::to_string(status) + " " + reasonPhrase(status) + "\r\n";
    for (const auto& [name, value] : options_.headers) out += name + ": " + value + "\r\n";
    for (const auto& [name, value] : headers) out += name + ": " + value + "\r\n";
    out += "Cache-Control: no-store\r\n";
    if (error.empty()) return out + "Content-Length: 0\r\n\r\n";
    const std::string body = nlohmann::json{{"ok", false}, {"error", error}}.dump();
    return out + "Content-Type: application/json\r\nConnection: close\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

void DisplayServerConnections::answer(const std::shared_ptr<Connection>& connection, const Answer& given, bool closing) {
    connection->output = answerText(given.status, given.error, given.headers);
    connection->outputAt = 0;
    write(connection, closing);
}

void DisplayServerConnections::write(const std::shared_ptr<Connection>& connection, bool closing) {
    connection->state = Connection::State::writing;
    connection->closing = closing;
    connection->since = Clock::now();
    connection->moved = 0;
    writable(connection);
}

void DisplayServerConnections::writable(const std::shared_ptr<Connection>& connection) {
    Connection& c = *connection;
    while (c.outputAt < c.output.size()) {
        const ssize_t n = ::send(c.socket, c.output.data() + c.outputAt, c.output.size() - c.outputAt, MSG_NOSIGNAL);
        if (n > 0) {
            c.outputAt += static_cast<size_t>(n);
            c.moved += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Only whether the client takes more matters now: what it sends waits.
            watchFor(c, EPOLLOUT);
            setDeadline(c, rateDeadline(c.since, options_.writeTime, c.moved, options_.minimumRate));
            return;
        } else {
            close(connection);
            return;
        }
    }
    written(connection);
}

void DisplayServerConnections::written(const std::shared_ptr<Connection>& connection) {
    std::string().swap(connection->output);  // an answer of megabytes is not kept for the next
    connection->outputAt = 0;
    if (connection->closing) drain(connection);
    else rest(connection);
}

void DisplayServerConnections::rest(const std::shared_ptr<Connection>& connection) {
    Connection& c = *connection;
    c.state = Connection::State::waiting;
    c.started = false;
    c.reader.reset();
    if (c.buffer.capacity() > 2 * kReadChunk + options_.limits.headBytes) c.buffer.shrink_to_fit();
    watchFor(c, EPOLLIN | EPOLLRDHUP);
    setDeadline(c, Clock::now() + options_.idleTime);
}

void DisplayServerConnections::drain(const std::shared_ptr<Connection>& connection) {
    Connection& c = *connection;
    c.state = Connection::State::draining;
    std::string().swap(c.buffer);
    c.chunked.reset();
    c.drained = 0;
    ::shutdown(c.socket, SHUT_WR);
    watchFor(c, EPOLLIN | EPOLLRDHUP);
    setDeadline(c, Clock::now() + kDrainTime);
}

void DisplayServerConnections::serve(const std::shared_ptr<Connection>& connection) {
    Stream stream(*connection, options_.writeTime);
    currentSocket_ = connection->socket;
    judgedMethod_ = &connection->method;
    judgedPath_ = &connection->path;
    addedHeaders_ = &connection->added;
    closeAsked_ = streaming_ = false;
    const bool last = ++connection->requests >= keep_alive_max_count_;
    bool clientCloses = false;
    const bool answered = process_request(stream, last, clientCloses, nullptr);
    currentSocket_ = -1;
    judgedMethod_ = judgedPath_ = nullptr;
    addedHeaders_ = nullptr;
    streaming_ = false;
    // A body the library left unread (a refusal's) would be taken for the next request.
    const bool whole = stream.taken() == connection->forwarded;
    stream.dropTaken();
    std::lock_guard lock(mutex_);
    if (stopping_) {
        close(connection);
        return;
    }
    write(connection, !answered || clientCloses || last || closeAsked_ || !whole);
    examine(connection);  // a request that came along with this one
}

}  // namespace desktop
