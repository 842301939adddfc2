#include "platform/file_enumeration.h"

namespace tolvane {

namespace {

std::vector<std::uint32_t> VisibleFiles(const std::vector<FolderItem>& items) {
  std::vector<std::uint32_t> files;
  files.reserve(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].kind == FolderItemKind::File && !items[i].IsHidden()) files.push_back(static_cast<std::uint32_t>(i));
  }
  return files;
}

}  // namespace

FileEnumeration::FileEnumeration(const std::vector<FolderItem>& folderItems)
    : items_(folderItems),
      files_(VisibleFiles(folderItems)),
      order_(files_.size(), [this](std::size_t i) -> std::string_view { return items_[files_[i]].name; }) {}

}  // namespace tolvane
