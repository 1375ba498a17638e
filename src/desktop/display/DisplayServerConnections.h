#pragma once
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "desktop/display/DisplayServerFraming.h"
#include "desktop/display/DisplayServerHeadReader.h"

namespace desktop {

// cpp-httplib's server with its connections kept so that no client can hold what the page
// needs. The library gives each connection a worker for as long as it is open, reads a
// request's head a byte at a time with a timeout per byte, reads its body before anything
// could refuse it, and writes an answer for as long as the client takes to read it: a few
// dozen slow, idle or non-reading clients took every worker.
//
// Here one thread watches every connection and does all the waiting on clients: it reads
// heads as they come, within DisplayServerFraming's bounds and a time limit for the whole
// head; judges each request from its head alone (the admission rules and whether it may
// carry a body), answering a refused one itself before a byte of its body is read; reads an
// admitted body at a minimum rate; and sends what a client did not take of an answer at once.
// Only a request that arrived whole takes a worker, which never waits on the client (an
// event stream excepted) and gives the connection back when its answer is written.
class DisplayServerConnections : public httplib::Server {
public:
    using Clock = std::chrono::steady_clock;

    // An answer the watcher gives from the head: with `error`, a refusal in the JSON of the
    // library's refusals, closing the connection; without, an empty answer (a redirect). With
    // status 0, none: the request is served, and the library's answer carries `headers`.
    struct Answer {
        int status = 0;
        std::string error;
        httplib::Headers headers;
    };
    // A request as its head tells it, before any of its body was read.
    struct Request {
        const DisplayServerFraming::Head& head;
        std::string path;        // decoded, as the library routes it
        httplib::Params params;  // of the query
        // Its Cookie lines, as sent, took the head past its bound: of them the head keeps only
        // the cookie set by `setKeptCookie`, and these are the others (up to the reader's
        // bounds). The rules decide whether such a request is served.
        const std::vector<DisplayServerHeadReader::Cookie>* droppedCookies = nullptr;
    };
    // Nothing to go on (and have the body read and the request answered by a worker), or the
    // answer to give instead.
    using Admit = std::function<std::optional<Answer>(const Request&)>;

    struct Options {
        size_t workers = 8;
        DisplayServerFraming::Limits limits;
        size_t maxConnections = 512;  // past it, the waiting connection nearest its end goes
        Clock::duration idleTime = std::chrono::seconds(5);  // waiting for a request's first byte
        Clock::duration headTime = std::chrono::seconds(3);  // from its first byte to its blank line
        // A body and the part of an answer a client did not take at once get these, and a
        // second more for every `minimumRate` bytes that came or went: a client slower than
        // that loses its connection.
        Clock::duration bodyTime = std::chrono::seconds(5);
        Clock::duration writeTime = std::chrono::seconds(5);
        size_t minimumRate = 64 << 10;
        httplib::Headers headers;  // on every answer, the watcher's own included
    };

    explicit DisplayServerConnections(Options options);
    ~DisplayServerConnections() override;

    // Before listening: the rules a request's head is judged by (without, every head within
    // the bounds is served).
    void setAdmit(Admit admit) { admit_ = std::move(admit); }
    // Before listening: the cookie those rules look for, kept of Cookie lines however long.
    void setKeptCookie(std::string name) { keptCookie_ = std::move(name); }
    // Once bound: lets a burst of connections wait to be taken rather than be dropped.
    void widenBacklog();
    // The socket of the request the calling worker is answering (-1 on other threads).
    static int currentSocket();
    // The client at the other end of `socket` closed it (or its side of it).
    static bool clientLeft(int socket);
    // The calling worker's answer is a stream that it goes on writing: the worker waits for
    // the client to take each part (at most `writeTime`) instead of leaving it to the watcher.
    static void streamAnswer();

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
    // The watcher's share, mutex_ held: reading what arrived, judging heads, taking bodies,
    // sending what is left of answers.
    void readable(const std::shared_ptr<Connection>& connection);
    void writable(const std::shared_ptr<Connection>& connection);
    void examine(const std::shared_ptr<Connection>& connection);
    void takeBody(const std::shared_ptr<Connection>& connection, std::string_view bytes);
    void dispatch(const std::shared_ptr<Connection>& connection, size_t bodyLength);
    void answer(const std::shared_ptr<Connection>& connection, const Answer& answer, bool closing);
    // Sends `connection->output` (`closing`: then closes the connection once what the client
    // still sends was read and dropped, so that it sees the answer before the end).
    void write(const std::shared_ptr<Connection>& connection, bool closing);
    void written(const std::shared_ptr<Connection>& connection);
    void rest(const std::shared_ptr<Connection>& connection);  // waits for the next request
    void drain(const std::shared_ptr<Connection>& connection);
    void serve(const std::shared_ptr<Connection>& connection);  // a worker's share
    void watchFor(Connection& connection, uint32_t events);
    void forget(const std::shared_ptr<Connection>& connection);
    void close(std::shared_ptr<Connection> connection);
    void setDeadline(Connection& connection, Clock::time_point deadline);
    // The bytes of an answer the watcher gives, with the headers every answer carries.
    std::string answerText(int status, const std::string& error, const httplib::Headers& headers) const;

    Options options_;
    Admit admit_;
    std::string keptCookie_;
    std::mutex mutex_;
    std::map<int, std::shared_ptr<Connection>> connections_;  // every open one, by socket
    std::set<std::pair<Clock::time_point, int>> deadlines_;   // of the ones not being answered
    bool stopping_ = false;
    int epoll_ = -1;
    int wake_ = -1;  // an eventfd that wakes the watcher
    std::thread watcher_;
    std::unique_ptr<httplib::ThreadPool> workers_;
};

}  // namespace desktop
