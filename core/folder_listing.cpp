#include "core/folder_listing.h"

namespace tolvane {

FolderListing::FolderListing(FileSystem& files, const std::string& folderPath) {
  const std::unique_ptr<OpenedFolder> folder = files.OpenFolder(folderPath);
  // Begun before the read, so that a change the read may have missed is heard.
  watch_ = folder->Watch();
  items_ = folder->ReadItems();
  folder_ = folder->Identity();
}

bool FolderListing::StillLists(OpenedFolder& folder) {
  return watch_ && watch_->Unchanged() && folder.Identity() == folder_;
}

}  // namespace tolvane
