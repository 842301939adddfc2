#include "core/folder_listing.h"

namespace tolvane {

namespace {

// The births are asked where a check may take the listing (a watch vouches for it) and where
// identities last. The asking thread has a descriptor of its own, of the folder being read;
// where the path no longer opens that folder, the commit asks the births itself.
std::shared_ptr<ListedIdentities> BirthsAsker(FileSystem& files, const std::string& folderPath, OpenedFolder& read,
                                              const FileIdentity& readIdentity) {
  if (!read.KeepsIdentities()) return nullptr;
  try {
    std::unique_ptr<OpenedFolder> asked = files.OpenFolder(folderPath);
    if (asked->Identity() != readIdentity) return nullptr;
    return std::make_shared<ListedIdentities>(std::move(asked));
  } catch (const Error&) {
    return nullptr;
  }
}

}  // namespace

FolderListing::FolderListing(FileSystem& files, const std::string& folderPath) {
  const std::unique_ptr<OpenedFolder> folder = files.OpenFolder(folderPath);
  // Begun before the read, so that a change the read may have missed is heard.
  watch_ = folder->Watch();
  identity_ = folder->Identity();
  if (watch_) identities_ = BirthsAsker(files, folderPath, *folder, identity_);
  if (!identities_) {
    items_ = std::make_shared<const std::vector<FolderItem>>(folder->ReadItems());
    identities_ = std::make_shared<ListedIdentities>(*items_);
    return;
  }
  // The births of a large folder's first files are asked while the rest is read.
  items_ = std::make_shared<const std::vector<FolderItem>>(
      folder->ReadItemsInRuns([this](std::span<const FolderItem> run, std::size_t) { identities_->Told(run); }));
  identities_->ReadEnded(items_);
}

bool FolderListing::StillLists(OpenedFolder& folder) {
  return watch_ && watch_->Unchanged() && folder.Identity() == identity_;
}

}  // namespace tolvane
