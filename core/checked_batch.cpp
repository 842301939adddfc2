#include "core/checked_batch.h"

namespace tolvane {

CheckedBatch::CheckedBatch(const RenameList& list, std::unique_ptr<OpenedFolder> folder, std::string folderPath,
                           FolderListing* listing)
    : folder_(std::move(folder)),
      folderPath_(std::move(folderPath)),
      // Begun before the read, so that a change the read may have missed is seen.
      watch_(folder_->Watch()),
      checkedRevision_(list.Revision()) {
  // Asked after this check's own watch began, so that the two watches leave no moment unheard.
  if (listing && listing->StillLists(*folder_)) {
    LookUp(list, listing->Items());
  } else {
    // The folder's items go once their names are looked up.
    LookUp(list, folder_->ReadItems());
  }
  problems_ = CheckBatch(*names_);
}

void CheckedBatch::LookUp(const RenameList& list, const std::vector<FolderItem>& items) {
  names_ = std::make_unique<BatchNames>(list, items, folder_->Rules(items), folder_.get());
}

bool CheckedBatch::StillHolds(const RenameList& list, const std::string& folderPath) {
  return names_ && &names_->List() == &list && list.Revision() == checkedRevision_ && folderPath == folderPath_ &&
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
    for (const RenameList::Position position : plan.batch.positions) {
      plan.files.push_back({device, names_->OldNameInode(position)});
    }
  }
  names_.reset();
  return plan;
}

}  // namespace tolvane
