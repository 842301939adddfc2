#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/batch_check.h"
#include "core/batch_commit.h"
#include "core/batch_names.h"
#include "core/folder_listing.h"
#include "core/rename_list.h"
#include "core/rename_order.h"
#include "platform/platform.h"

namespace tolvane {

// What a commit does: the files it renames and the order it renames them in.
struct CommitPlan {
  BatchMoves batch;
  RenameOrder order;
  // By move: which file it is, with its birth where the volume tells it, where the volume
  // keeps identities; empty elsewhere.
  std::vector<FileIdentity> files;
};

// A previewed batch checked against the items of its folder, which it holds open. The check
// of a preview is kept for its commit: while a watch on the folder vouches that no item came,
// went or changed its name since the folder was read, and the list is as it was checked, the
// commit goes on from here instead of reading and checking a folder of a million files again.
class CheckedBatch {
 public:
  // Begins to watch the folder, then checks every previewed entry of `list` against its items:
  // those of `listing` while it still lists the folder, else those of a read now. The list
  // must outlive the check.
  CheckedBatch(const RenameList& list, std::unique_ptr<OpenedFolder> folder, std::string folderPath,
               FolderListing* listing = nullptr);

  // The batch file by file, which the problems' positions count: the list itself, or where
  // its entries stand for sets, a list of one entry per file.
  const RenameList& Files() const { return files_ ? *files_ : *list_; }
  const std::vector<BatchProblem>& Problems() const { return problems_; }
  OpenedFolder& Folder() { return *folder_; }

  // Whether a commit of `list` in `folderPath` may take this check for its own: the same list,
  // unchanged, the same path, and a folder that a watch vouches for.
  bool StillHolds(const RenameList& list, const std::string& folderPath);

  // The file of a previewed entry's old name as it was just asked, so that the commit need not
  // ask its birth again; ignored unless the check listed that very file.
  void KnowIdentity(RenameList::Position position, const FileIdentity& file);

  // For a batch without problems: what the commit does. The batch's names and the watch go
  // once the order is made, before the first rename, so that a large batch's memory peaks
  // without them and the renames raise no events. Only once.
  CommitPlan Plan();

 private:
  // Looks the batch's names up among the folder's items, whose identities are `identities`.
  void LookUp(const std::vector<FolderItem>& items, std::shared_ptr<ListedIdentities> identities);
  // Which file each move renames, births included, in the order of the moves.
  std::vector<FileIdentity> IdentifyMoves();

  const RenameList* list_;
  std::unique_ptr<RenameList> files_;  // null where every entry is one file
  std::unique_ptr<OpenedFolder> folder_;
  std::string folderPath_;
  std::unique_ptr<FolderWatch> watch_;  // null where the folder cannot be watched
  std::uint64_t checkedRevision_;
  std::unique_ptr<BatchNames> names_;  // views the list; null once planned
  std::shared_ptr<ListedIdentities> identities_;  // of the items looked up; null once planned
  std::vector<BatchProblem> problems_;
};

}  // namespace tolvane
