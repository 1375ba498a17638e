#include "engine/UnansweringApplications.h"

#include "platform/RunLoop.h"

namespace tessivane {

bool UnansweringApplications::isQuiet(int32_t pid) {
    if (unansweredAt_.empty()) return false;
    const auto it = unansweredAt_.find(pid);
    if (it == unansweredAt_.end()) return false;
    const double age = platform::RunLoop::main().now() - it->second;
    if (age >= 0 && age < quietPeriod) return true;
    unansweredAt_.erase(it);
    return false;
}

void UnansweringApplications::noteUnanswered(int32_t pid) {
    unansweredAt_.insert_or_assign(pid, platform::RunLoop::main().now());
}

}  // namespace tessivane
