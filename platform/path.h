#pragma once

#include <string>
#include <string_view>
#include <utility>

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

// The folder and the name of a path: the parts around its last separator ("." for a bare name).
inline std::pair<std::string, std::string> SplitPath(const std::string& path) {
  const std::size_t slash = path.rfind(kPathSeparator);
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace tolvane
