#pragma once

#include <string>

#include "core/log_folder.h"
#include "platform/platform.h"

namespace tolvane {

// Journals live beside the reports, so this is the reports' folder, made when missing.
inline std::string JournalFolder(Platform platform) { return ChooseLogFolder(platform); }

}  // namespace tolvane
