#pragma once

#include <string>

#include "platform/platform.h"

namespace tolvane {

// Journals live beside the reports, so this is the reports' folder: the "log" folder beside
// the executable.
inline std::string JournalFolder(Platform platform) { return platform.system.ExecutableFolder() + "/log"; }

}  // namespace tolvane
