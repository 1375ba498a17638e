#pragma once
#include <cstdint>
#include <unordered_map>
#include <utility>

#include "platform/Accessibility.h"

namespace tessivane {

// Applications that just did not answer an Accessibility request. For `quietPeriod` after that
// they are not asked again: a read for one fails at once with the error its time-out gave, so
// the opening's retries and the scans that follow a silent application cost its time-out once,
// not at every read. A time-out is what `cannotComplete` means on a Mac; a busy or vanishing
// process gives it too, and is no likelier to answer a moment later. Discovery owns the one
// memo and the opening paths share it. Times come from the main run loop's clock.
class UnansweringApplications {
public:
    static constexpr double quietPeriod = 1.0;

    // The reads of one application, made through `ask`: the memo is looked up once, when they
    // begin, and fed at the first time-out, after which the rest fail at once as well.
    class Reads {
    public:
        Reads(UnansweringApplications& memo, int32_t pid) : memo_(&memo), pid_(pid), quiet_(memo.isQuiet(pid)) {}

        // Whether the application is not asked.
        bool quiet() const { return quiet_; }
        // `read()`, a pair of error and value, unless the application is quiet: then the
        // time-out's error and no value.
        template <class Read>
        auto ask(Read&& read) -> decltype(read()) {
            using Result = decltype(read());
            if (quiet_) return Result{platform::AXError::cannotComplete, {}};
            Result result = std::forward<Read>(read)();
            if (result.first == platform::AXError::cannotComplete) {
                quiet_ = true;
                memo_->noteUnanswered(pid_);
            }
            return result;
        }

    private:
        UnansweringApplications* memo_;
        int32_t pid_;
        bool quiet_;
    };

    // Whether the application did not answer less than `quietPeriod` ago. A clock set back
    // ends the while.
    bool isQuiet(int32_t pid);
    // Whether no application is held: nothing need be looked up.
    bool empty() const { return unansweredAt_.empty(); }
    void noteUnanswered(int32_t pid);

private:
    std::unordered_map<int32_t, double> unansweredAt_;
};

}  // namespace tessivane
