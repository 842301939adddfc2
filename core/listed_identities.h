#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <stop_token>
#include <thread>
#include <vector>

#include "platform/error.h"
#include "platform/platform.h"

namespace tolvane {

// The identity of every item of one read of a folder, by the item's place in that read: the
// inode the read listed, and the birth, which a read does not give. Births are asked file by
// file, which at a million files takes longer than everything else a commit does before its
// first rename; so a listing kept for a batch asks them on a thread of its own from the load
// on, and the commit finds them asked, or asks the rest beside that thread.
class ListedIdentities {
 public:
  // Not asked yet, or asked of a file that was no longer the one listed: the commit asks again.
  static constexpr std::uint64_t kBirthUnknown = std::numeric_limits<std::uint64_t>::max();

  // The inodes of `items`, with every birth unknown.
  explicit ListedIdentities(const std::vector<FolderItem>& items);
  ~ListedIdentities() { StopAsking(); }
  ListedIdentities(const ListedIdentities&) = delete;
  ListedIdentities& operator=(const ListedIdentities&) = delete;

  // Begins to ask `folder`, on a thread of its own, the birth of each of the listed files.
  // The items are held until every birth is asked, so that the listing may go meanwhile.
  void AskBirths(std::shared_ptr<const std::vector<FolderItem>> items, std::unique_ptr<OpenedFolder> folder);

  // Stops asking and waits for the thread to end: the births not asked stay unknown.
  void StopAsking();
  // Asks through `folder`, the listed one opened anew, the births the thread has not come to,
  // until every birth is asked; then lets go of the items.
  void FinishBirths(OpenedFolder& folder);

  // A birth asked by another, of the file of the item's inode; while no thread asks births.
  void KnowBirth(std::size_t item, std::uint64_t birth) {
    if (!asking_.joinable()) files_[item].birth = birth;
  }

  // The item's inode, 0 where the read gave none.
  std::uint64_t Inode(std::size_t item) const { return files_[item].inode; }
  // The item's birth as the volume tells it (0 where it tells none), or kBirthUnknown. Read
  // once the births are finished or stopped.
  std::uint64_t Birth(std::size_t item) const { return files_[item].birth; }

 private:
  struct ListedFile {
    std::uint64_t inode;
    std::uint64_t birth;
  };

  // Takes runs of items that no other asker has taken and asks their births, until none is
  // left or `stop` is requested.
  void Ask(OpenedFolder& folder, const std::stop_token& stop);
  void AskOne(std::size_t item, OpenedFolder& folder);

  std::vector<ListedFile> files_;
  std::shared_ptr<const std::vector<FolderItem>> items_;  // while births are asked
  std::unique_ptr<OpenedFolder> folder_;                  // the thread's
  std::atomic<std::size_t> nextItem_{0};
  std::jthread asking_;
};

}  // namespace tolvane
