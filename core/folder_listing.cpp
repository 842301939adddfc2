#include "core/folder_listing.h"

namespace tolvane {

FolderListing::FolderListing(FileSystem& files, const std::string& folderPath)
    : folder_(files.OpenFolder(folderPath)),
      // Begun before the read, so that a change the read may have missed is heard.
      watch_(folder_->Watch()),
      items_(std::make_shared<const std::vector<FolderItem>>(folder_->ReadItems())),
      identities_(std::make_shared<ListedIdentities>(*items_)) {
  identity_ = folder_->Identity();
}

bool FolderListing::StillLists(OpenedFolder& folder) {
  return watch_ && watch_->Unchanged() && folder.Identity() == identity_;
}

void FolderListing::AskBirths() {
  // Without a watch no check takes this listing, and where identities do not last none is kept.
  if (!folder_ || !watch_ || !folder_->KeepsIdentities()) return;
  identities_->AskBirths(items_, std::move(folder_));
}

}  // namespace tolvane
