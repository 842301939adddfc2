#pragma once

#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace tolvane {

inline constexpr char kPathSeparator = '/';

// Folder, separator, name; a folder that already ends in a separator (the root) gets no
// second one. Nothing else is looked for or trimmed.
inline std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder);
  if (!folder.ends_with(kPathSeparator)) path.push_back(kPathSeparator);
  path.append(name);
  return path;
}

// Whether `path` is `folder` itself or lies below it, by the text of both: "/media/usb"
// holds "/media/usb/photos" but not "/media/usbstick", and "/" holds every absolute path.
inline bool PathIsWithin(std::string_view path, std::string_view folder) {
  if (!path.starts_with(folder)) return false;
  if (path.size() == folder.size() || folder.ends_with(kPathSeparator)) return true;
  return path[folder.size()] == kPathSeparator;
}

// Whether `name` stays within its folder and reaches the kernel whole: a separator would reach
// out of the folder, and a NUL would cut the name short. Two scans of the whole name, which a
// million renames take in a blink, where a search for either byte at once tests each byte
// against both in turn.
inline bool HasNoSeparatorOrNul(std::string_view name) {
  return std::memchr(name.data(), kPathSeparator, name.size()) == nullptr &&
         std::memchr(name.data(), '\0', name.size()) == nullptr;
}

// The folder and the name of a path: the parts around its last separator ("." for a bare name).
inline std::pair<std::string, std::string> SplitPath(const std::string& path) {
  const std::size_t slash = path.rfind(kPathSeparator);
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace tolvane
