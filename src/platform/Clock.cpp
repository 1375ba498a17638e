#include "platform/Clock.h"

#include <chrono>

namespace platform {

double RealClock::now() const {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

}  // namespace platform
