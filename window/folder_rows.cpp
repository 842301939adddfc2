#include "window/folder_rows.h"

#include <algorithm>

#include "platform/natural_order.h"
#include "platform/path.h"

namespace tolvane {

namespace {

std::vector<std::string> NamesBelow(std::string_view top, std::string_view path) {
  std::vector<std::string> names;
  std::string_view rest = path.substr(top.size());
  while (!rest.empty()) {
    const std::size_t slash = std::min(rest.find('/'), rest.size());
    if (slash > 0) names.emplace_back(rest.substr(0, slash));
    rest.remove_prefix(std::min(slash + 1, rest.size()));
  }
  return names;
}

std::vector<std::string> VisibleSubfolders(const std::vector<FolderItem>& items) {
  std::vector<std::string> names;
  for (const FolderItem& item : items) {
    if (item.kind == FolderItemKind::Directory && !item.IsHidden()) names.push_back(item.name);
  }
  std::sort(names.begin(), names.end(), NaturalLess);
  return names;
}

}  // namespace

std::vector<FolderRow> FolderRows(const std::string& top, const std::string& path, const std::vector<FolderItem>& items) {
  const bool onTop = PathIsWithin(path, top);
  std::vector<FolderRow> rows{FolderRow{onTop ? top : path, onTop ? top : path, 0, true}};
  if (onTop) {
    for (std::string& name : NamesBelow(top, path)) {
      rows.push_back(FolderRow{JoinPath(rows.back().path, name), std::move(name), rows.back().depth + 1, true});
    }
  }
  const FolderRow current = rows.back();
  for (std::string& name : VisibleSubfolders(items)) {
    rows.push_back(FolderRow{JoinPath(current.path, name), std::move(name), current.depth + 1, false});
  }
  return rows;
}

}  // namespace tolvane
