#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/listed_identities.h"
#include "platform/platform.h"

namespace tolvane {

// What the load of a list read of its folder, kept for the checks of the batches previewed
// in it. A watch on the folder begins before the read; while it hears nothing, a check takes
// these items instead of reading a folder of a million files a second time.
class FolderListing {
 public:
  // Opens the folder, begins to watch it, then reads it; raises as a read of the folder does.
  // On a volume whose files keep their identities and whose listing a check may take, the
  // births of the listed files are asked from the read on, for a commit's journal.
  FolderListing(FileSystem& files, const std::string& folderPath);

  // Every item the folder held when it was read, hidden ones included.
  const std::vector<FolderItem>& Items() const { return *items_; }

  // Whether the items are still those of `folder`: the folder that was read, and no item of it
  // made, removed or renamed since before the read. False for good once false; always false on
  // a volume that no watch can vouch for (FUSE, network shares).
  bool StillLists(OpenedFolder& folder);

  // The items' identities, births as far as they are asked; shared with a check that takes
  // this listing, which may outlive it.
  const std::shared_ptr<ListedIdentities>& Identities() const { return identities_; }

 private:
  std::unique_ptr<FolderWatch> watch_;  // null where the folder cannot be watched
  FileIdentity identity_;
  std::shared_ptr<const std::vector<FolderItem>> items_;
  std::shared_ptr<ListedIdentities> identities_;
};

}  // namespace tolvane
