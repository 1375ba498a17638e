#pragma once
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

namespace desktop {

class DisplayAPI;

// Serves the page (resources/display/, the icon font) and the JSON API on a loopback
// address. The HTTP server runs its own threads; every API request is handed to the main
// thread (platform::RunLoop::main().performOnMain) and answered when the main thread is
// done with it, so the desktop and the application are only ever touched there.
//
// A request whose handling opens a nested run-loop session (a modal alert, an open panel,
// a tracked menu) is answered as soon as the session starts, so the page can send the
// input that ends it. With the manual clock the server keeps serving inside such sessions
// until they are answered.
class DisplayServer {
public:
    struct Options {
        std::string host = "127.0.0.1";
        int port = 8765;  // 0: any free port
        std::filesystem::path pages;     // index.html, display.css, display.js
        std::filesystem::path iconFont;  // MaterialIcons-Regular.ttf
        std::string token;               // the API's key (DisplayAccess)
    };

    // Open event streams at once; more are answered 503, so that tabs left open cannot take
    // every worker from the requests.
    static constexpr int kMaxStreams = 16;
    // Request bodies above this are answered 413 without being kept.
    static constexpr size_t kMaxBodyBytes = 1 << 20;

    DisplayServer(DisplayAPI& api, Options options);
    ~DisplayServer();
    DisplayServer(const DisplayServer&) = delete;
    DisplayServer& operator=(const DisplayServer&) = delete;

    // Binds and starts listening; false with `error` set when the address cannot be used
    // (another program, another tessivane say, listening there already).
    bool start(std::string& error);
    int port() const;
    // The address to open, with the token: http://HOST:PORT/?token=TOKEN
    std::string address() const;
    // Main thread: serves until the application terminates (or `stop` is called); the
    // application's last state goes out to the open pages before it returns.
    void run();
    // Any thread (a signal watcher): quits the application as its Quit command does, which
    // ends `run`; a clock advance in progress is cut short.
    void quit();
    // Any thread: stops serving at once.
    void stop();

    struct Core;

private:
    std::shared_ptr<Core> core_;
    std::thread listener_;
};

}  // namespace desktop
