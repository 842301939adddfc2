#include "platform/file_enumeration.h"

namespace tolvane {

namespace {

std::vector<FolderItem> VisibleFiles(std::vector<FolderItem> items) {
  std::erase_if(items, [](const FolderItem& item) { return item.kind != FolderItemKind::File || item.IsHidden(); });
  return items;
}

}  // namespace

FileEnumeration::FileEnumeration(std::vector<FolderItem> folderItems)
    : items_(VisibleFiles(std::move(folderItems))),
      order_(items_.size(), [this](std::size_t i) -> std::string_view { return items_[i].name; }) {}

}  // namespace tolvane
