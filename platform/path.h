#pragma once

#include <string>
#include <string_view>

namespace tolvane {

inline constexpr char kPathSeparator = '/';

// Folder, separator, name: joined as they stand, nothing looked for or trimmed.
inline std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder).push_back(kPathSeparator);
  path.append(name);
  return path;
}

}  // namespace tolvane
