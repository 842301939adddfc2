#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/natural_order.h"
#include "platform/platform.h"

namespace tolvane {

// The files a folder offers for renaming, out of what a read of the folder gave: regular
// files and links to them, never hidden ones, in natural order. The names are read where the
// folder read put them, which must outlive this, so that a million of them are not moved
// about before they are copied into the list.
class FileEnumeration {
 public:
  explicit FileEnumeration(const std::vector<FolderItem>& folderItems);
  explicit FileEnumeration(std::vector<FolderItem>&&) = delete;

  std::size_t Count() const { return order_.size(); }
  // The name that comes `i`-th in natural order. Taken in order, the names lie scattered over
  // the folder read, so the one a few places on is fetched into the cache ahead of its turn
  // (it halves the time to take a million).
  const std::string& Name(std::size_t i) const {
    if (i + kFetchAhead < order_.size()) __builtin_prefetch(&items_[files_[order_[i + kFetchAhead]]]);
    return items_[files_[order_[i]]].name;
  }

 private:
  static constexpr std::size_t kFetchAhead = 16;

  const std::vector<FolderItem>& items_;
  std::vector<std::uint32_t> files_;  // where the files lie among the items
  NaturalOrder order_;
};

}  // namespace tolvane
