#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace tolvane {

// The drive that holds `path`: the one whose mount point is the longest that holds it.
// Returns nullptr when none does.
const Drive* DriveHolding(const std::vector<Drive>& drives, std::string_view path);

// What the drive list shows: the mount point, and the label in brackets when there is one.
std::string DriveTitle(const Drive& drive);

}  // namespace tolvane
