#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace tolvane {

// One line of the folder list: a folder on the way down to the current one (shown open), the
// current one itself (the last open row), or one of its subfolders (shown closed).
struct FolderRow {
  std::string path;  // full path, exactly the bytes of the disk's names
  std::string name;  // what the row shows: the top's full path, else the folder's own name
  int depth = 0;     // how many steps the row is indented
  bool open = false;
  friend bool operator==(const FolderRow&, const FolderRow&) = default;
};

// The rows for `path` on the drive whose top folder is `top`, with the subfolders that `items`
// (the folder's own items) hold: no hidden ones, in natural order.
std::vector<FolderRow> FolderRows(const std::string& top, const std::string& path, const std::vector<FolderItem>& items);

}  // namespace tolvane
