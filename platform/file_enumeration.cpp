#include "platform/file_enumeration.h"

#include <algorithm>

#include "platform/natural_order.h"

namespace tolvane {

std::vector<std::string> EnumerateFiles(FileSystem& files, const std::string& pattern) {
  std::vector<FolderItem> items = files.ReadFolder(pattern);
  std::vector<std::string> names;
  names.reserve(items.size());
  for (FolderItem& item : items) {
    if (item.kind == FolderItemKind::File && !item.name.starts_with('.')) names.push_back(std::move(item.name));
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
  return names;
}

}  // namespace tolvane
