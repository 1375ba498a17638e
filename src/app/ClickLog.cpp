#include "app/ClickLog.h"

#include "platform/FileLocations.h"
#include "platform/LogFile.h"

namespace tessivane {

void tessivaneClickLog(const std::string& message) {
    platform::appendLogLine(platform::FileLocations::logFolder() / "tessivane-click.log", message);
}

}  // namespace tessivane
