#include "core/checked_batch.h"

#include "core/set_files.h"

namespace tolvane {

CheckedBatch::CheckedBatch(const RenameList& list, std::unique_ptr<OpenedFolder> folder, std::string folderPath,
                           FolderListing* listing)
    : list_(&list),
      files_(HoldsSets(list) ? std::make_unique<RenameList>(FilesOf(list)) : nullptr),
      folder_(std::move(folder)),
      folderPath_(std::move(folderPath)),
      // Begun before the read, so that a change the read may have missed is seen.
      watch_(folder_->Watch()),
      checkedRevision_(list.Revision()) {
  // Asked after this check's own watch began, so that the two watches leave no moment unheard.
  if (listing && listing->StillLists(*folder_)) {
    LookUp(listing->Items());
  } else {
    // The folder's items go once their names are looked up.
    LookUp(folder_->ReadItems());
  }
  problems_ = CheckBatch(*names_);
}

void CheckedBatch::LookUp(const std::vector<FolderItem>& items) {
  names_ = std::make_unique<BatchNames>(Files(), items, folder_->Rules(items), folder_.get());
}

bool CheckedBatch::StillHolds(const RenameList& list, const std::string& folderPath) {
  return names_ && list_ == &list && list.Revision() == checkedRevision_ && folderPath == folderPath_ &&
         watch_ && watch_->Unchanged();
}

CommitPlan CheckedBatch::Plan() {
  watch_.reset();
  CommitPlan plan;
  plan.batch = CollectMoves(names_->List());
  plan.order = OrderRenames(plan.batch.moves, *names_);
  if (folder_->KeepsIdentities()) {
    const std::uint64_t device = folder_->Identity().device;
    plan.files.reserve(plan.batch.positions.size());
    for (std::size_t move = 0; move < plan.batch.moves.size(); ++move) {
      // Looked up for its birth, which the listing does not give; a file gone since keeps the
      // inode the folder listed, and its rename fails anyway.
      const std::optional<FileIdentity> file = folder_->Identify(plan.batch.moves[move].from);
      plan.files.push_back(file.value_or(FileIdentity{device, names_->OldNameInode(plan.batch.positions[move])}));
    }
  }
  names_.reset();
  return plan;
}

}  // namespace tolvane
