#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace tolvane {

// The files the folder list offers for renaming, for the pattern "folder path" + "/":
// regular files and links to them, never hidden ones, in natural order.
std::vector<std::string> EnumerateFiles(FileSystem& files, const std::string& pattern);

}  // namespace tolvane
