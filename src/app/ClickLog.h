#pragma once
#include <string>

namespace tessivane {

// Appends one time-stamped line to the click log ("tessivane-click.log" in the log
// folder). Opening a member writes every step here, and the vossel popover's rows note the
// row that was chosen. Always on; a write that fails is dropped.
void tessivaneClickLog(const std::string& message);

}  // namespace tessivane
