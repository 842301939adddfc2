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
    LookUp(listing->Items(), listing->Identities());
  } else {
    // The folder's items go once their names are looked up.
    const std::vector<FolderItem> items = folder_->ReadItems();
    LookUp(items, std::make_shared<ListedIdentities>(items));
  }
  problems_ = CheckBatch(*names_);
}

void CheckedBatch::LookUp(const std::vector<FolderItem>& items, std::shared_ptr<ListedIdentities> identities) {
  names_ = std::make_unique<BatchNames>(Files(), items, folder_->Rules(items), folder_.get());
  identities_ = std::move(identities);
}

bool CheckedBatch::StillHolds(const RenameList& list, const std::string& folderPath) {
  return names_ && list_ == &list && list.Revision() == checkedRevision_ && folderPath == folderPath_ &&
         watch_ && watch_->Unchanged();
}

void CheckedBatch::KnowIdentity(RenameList::Position position, const FileIdentity& file) {
  const std::uint32_t item = names_->OldNameItem(position);
  if (item != BatchNames::kNotListed && identities_->Inode(item) == file.inode) identities_->KnowBirth(item, file.birth);
}

CommitPlan CheckedBatch::Plan() {
  watch_.reset();
  // The asking of the births holds the listing's items until it is done: they go before the
  // moves are collected.
  identities_->FinishBirths(*folder_);
  CommitPlan plan;
  if (folder_->KeepsIdentities()) plan.files = IdentifyMoves();
  // The items' identities go before the moves are collected and ordered, where a large batch's
  // memory peaks.
  identities_.reset();
  plan.batch = CollectMoves(names_->List());
  plan.order = OrderRenames(plan.batch.moves, *names_);
  names_.reset();
  return plan;
}

std::vector<FileIdentity> CheckedBatch::IdentifyMoves() {
  const std::uint64_t device = folder_->Identity().device;
  const RenameList& list = names_->List();
  std::vector<FileIdentity> files;
  // Room for every entry, as CollectMoves makes: room that no move takes is never touched.
  files.reserve(list.Count());
  // In the order CollectMoves gives the moves.
  for (RenameList::Position position = 1; position <= list.Count(); ++position) {
    const RenameEntry& entry = list.Item(position);
    if (!ChangesName(entry)) continue;
    const std::uint32_t item = names_->OldNameItem(position);
    const bool listed = item != BatchNames::kNotListed;
    const std::uint64_t birth = listed ? identities_->Birth(item) : ListedIdentities::kBirthUnknown;
    if (birth != ListedIdentities::kBirthUnknown) {
      files.push_back({device, identities_->Inode(item), birth});
      continue;
    }
    // Looked up for its birth, which the listing's asking did not give; a file gone since
    // keeps the inode the folder listed, and its rename fails anyway.
    const std::optional<FileIdentity> file = folder_->Identify(entry.Tag);
    files.push_back(file.value_or(FileIdentity{device, listed ? identities_->Inode(item) : 0}));
  }
  return files;
}

}  // namespace tolvane
