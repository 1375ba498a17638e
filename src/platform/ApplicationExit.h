#pragma once

namespace platform {

// Termination is final. On a Mac the process ends inside `terminate`, once the delegate's
// applicationWillTerminate has run: no caller of terminate, and no caller of a modal session
// that was up, ever sees its call return. Here the process goes on (the simulated desktop,
// the display and the tests live in it), so `Application::terminate` unwinds instead: it
// throws ApplicationExit, and only an entry from outside the application catches it.
//
// An entry is a run of the main run loop (`RunLoop::run`, `advance`, `runOnce`) or another
// road by which the world outside calls into the application. Entries nest; only the
// outermost one catches, so nothing of the application that was on the stack above it runs
// again. Called outside every entry (a test calling terminate itself), terminate returns.
//
// Not a std::exception: nothing of the application may catch it by accident.
struct ApplicationExit {};

class ApplicationEntry {
public:
    ApplicationEntry() { ++depth(); }
    ~ApplicationEntry() { --depth(); }
    ApplicationEntry(const ApplicationEntry&) = delete;
    ApplicationEntry& operator=(const ApplicationEntry&) = delete;

    bool isOutermost() const { return depth() == 1; }
    // Whether terminate has an entry to unwind to.
    static bool isInside() { return depth() > 0; }

    // Runs `body` as an entry. False when the application terminated inside it and this was
    // the outermost entry, which caught the unwinding.
    template <class Body>
    static bool run(Body&& body) {
        ApplicationEntry entry;
        if (!entry.isOutermost()) {
            body();
            return true;
        }
        try {
            body();
        } catch (const ApplicationExit&) {
            return false;
        }
        return true;
    }

private:
    // The main thread's; other threads never enter the application.
    static int& depth() {
        thread_local int value = 0;
        return value;
    }
};

}  // namespace platform
