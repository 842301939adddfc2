#pragma once

#include <map>
#include <string>

namespace tolvane {

// A device's path as its links resolve, or the path itself when it resolves to nothing.
std::string CanonicalOrSame(const std::string& path);

// The names udev gives devices in a folder of links such as /dev/disk/by-label or
// /dev/disk/by-uuid, by the device each link resolves to, with udev's "\x20"-style escapes
// undone. Empty where the folder is missing, as in a machine without udev.
std::map<std::string, std::string> ReadDiskLinks(const std::string& folder);

}  // namespace tolvane
