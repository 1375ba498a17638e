#pragma once
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

namespace displaytest {

// A client that writes HTTP itself, to send what no browser would. Every wait is bounded.
class RawClient {
public:
    explicit RawClient(int port) {
        socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~RawClient() { close(); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    int socket() const { return socket_; }
    void close() {
        if (socket_ >= 0) ::close(socket_);
        socket_ = -1;
    }

    // All of `data`, unless the server closed first or took nothing for 30 s.
    bool write(std::string_view data) {
        while (!data.empty()) {
            pollfd p{socket_, POLLOUT, 0};
            if (::poll(&p, 1, 30'000) <= 0) return false;
            const ssize_t n = ::send(socket_, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (n <= 0) return false;
            data.remove_prefix(static_cast<size_t>(n));
        }
        return true;
    }
    // Something came back: an answer, or the end.
    bool answered() {
        pollfd p{socket_, POLLIN, 0};
        return !buffer_.empty() || ::poll(&p, 1, 0) > 0;
    }

    struct Answer {
        int status = 0;  // 0: none came
        std::string head, body;
    };
    // The next answer (its head only, for a stream).
    Answer read() {
        Answer answer;
        size_t end = 0;
        while ((end = buffer_.find("\r\n\r\n")) == std::string::npos) {
            if (!fill()) return answer;
        }
        answer.head = buffer_.substr(0, end + 4);
        buffer_.erase(0, end + 4);
        std::sscanf(answer.head.c_str(), "HTTP/1.1 %d", &answer.status);
        std::string lower = answer.head;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        const auto length = lower.find("\r\ncontent-length:");
        if (length != std::string::npos) {
            const size_t n = std::stoul(lower.substr(length + 17));
            while (buffer_.size() < n) {
                if (!fill()) return answer;
            }
            answer.body = buffer_.substr(0, n);
            buffer_.erase(0, n);
        }
        return answer;
    }
    // Reads until `text` came.
    bool readUntil(std::string_view text) {
        while (buffer_.find(text) == std::string::npos) {
            if (!fill()) return false;
        }
        return true;
    }
    // The server closed the connection without sending anything more.
    bool closedWithoutMore() {
        while (buffer_.empty()) {
            if (!fill()) return buffer_.empty() && ended_;
        }
        return false;
    }

private:
    bool fill() {
        pollfd p{socket_, POLLIN, 0};
        if (::poll(&p, 1, 30'000) <= 0) return false;
        char chunk[16 << 10];
        const ssize_t n = ::recv(socket_, chunk, sizeof chunk, 0);
        if (n <= 0) {
            ended_ = true;
            return false;
        }
        buffer_.append(chunk, static_cast<size_t>(n));
        return true;
    }

    int socket_ = -1;
    bool ended_ = false;
    std::string buffer_;
};

inline std::string host(int port) { return "Host: 127.0.0.1:" + std::to_string(port) + "\r\n"; }

}  // namespace displaytest
