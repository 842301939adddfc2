#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "platform/error.h"
#include "platform/platform.h"

namespace tolvane {

// The identity of every item of one read of a folder, by the item's place in that read: the
// inode the read listed, and the birth, which a read does not give. Births are asked file by
// file, which at a million files takes longer than everything else a commit does before its
// first rename; so a listing kept for a batch asks them on a thread of its own from the read
// on, run by run as the read tells its items, and the commit finds them asked, or asks the
// rest beside that thread.
class ListedIdentities {
 public:
  // Not asked yet, or asked of a file that was no longer the one listed: the commit asks again.
  static constexpr std::uint64_t kBirthUnknown = std::numeric_limits<std::uint64_t>::max();

  // One item's identity: the inode the read listed and the file's birth.
  struct ListedFile {
    std::uint64_t inode;
    std::uint64_t birth;
  };

  // The inodes of `items`, with every birth unknown and none to be asked.
  explicit ListedIdentities(const std::vector<FolderItem>& items);
  // Begins a thread that asks `folder`, the folder being read, the birth of each listed file
  // the read tells of through Told.
  explicit ListedIdentities(std::unique_ptr<OpenedFolder> folder);
  ~ListedIdentities() { StopAsking(); }
  ListedIdentities(const ListedIdentities&) = delete;
  ListedIdentities& operator=(const ListedIdentities&) = delete;

  // The read's next items, as the read goes.
  void Told(std::span<const FolderItem> run);
  // The read is over: `items` are every item it told of, which the asking holds until it is
  // done.
  void ReadEnded(std::shared_ptr<const std::vector<FolderItem>> items);

  // Stops asking and waits for the thread to end: the births not asked stay unknown.
  void StopAsking();
  // Asks through `folder`, the listed one opened anew, the births the thread has not come to,
  // until every birth is asked; once the read has ended.
  void FinishBirths(OpenedFolder& folder);

  // A birth asked by another, of the file of the item's inode; while no thread asks births.
  void KnowBirth(std::size_t item, std::uint64_t birth) {
    if (!asking_.joinable()) files_[item].birth = birth;
  }

  // The item's inode, 0 where the read gave none; once the read has ended.
  std::uint64_t Inode(std::size_t item) const { return files_[item].inode; }
  // The item's birth as the volume tells it (0 where it tells none), or kBirthUnknown. Read
  // once the births are finished or stopped.
  std::uint64_t Birth(std::size_t item) const { return files_[item].birth; }

 private:
  // Items a taker asks in one go: enough that taking them costs nothing beside the asking, and
  // few enough that the thread, which runs only when the machine is idle, soon ends its run
  // when a busy machine leaves it little time (the commit waits for it, or a new load stops it).
  static constexpr std::size_t kRunItems = 256;
  // A read outruns the askers several times over, and they cannot read a name where the read
  // puts it until the read ends: it copies the names of a run for them only while fewer runs
  // than this wait with names, so that few names are ever held twice. The other runs are
  // asked by the read's own names once it has ended.
  static constexpr std::size_t kMostNamedRunsWaiting = 4;
  static constexpr std::uint32_t kNotAsked = std::numeric_limits<std::uint32_t>::max();

  // What the askers need of a run's items while the read goes on, copied from the read; kept
  // for the next run with names once asked, so that a read copies names into a few buffers.
  struct CopiedItems {
    std::vector<std::uint64_t> inodes;
    std::string names;                      // each asked file's name, NUL-terminated
    std::vector<std::uint32_t> nameStarts;  // by item: where its name begins, or kNotAsked
  };
  // Consecutive items of the read whose files' names were copied while it went on, with the
  // births their asking found, until these are gathered into the items' identities.
  struct NamedRun {
    explicit NamedRun(std::size_t firstItem) : first(firstItem) {}

    std::size_t first;  // the place of its first item in the read
    std::vector<std::uint64_t> births;
    CopiedItems copied;
  };
  // A run taken by an asker: one with names, or the place of the first item of one without.
  struct TakenRun {
    NamedRun* named;
    std::size_t first;
  };

  void Add(const FolderItem& item);
  // A run begins: its names are copied while few runs with names wait.
  void BeginRun();
  void EndRun();
  // Takes runs that no other asker has taken and asks their births, until none is left and
  // the read has ended, or `stop` is requested: runs with names first, the others once the
  // read has ended.
  void Ask(OpenedFolder& folder, const std::stop_token& stop);
  std::optional<TakenRun> TakeRun(const std::stop_token& stop);
  void AskNamed(NamedRun& run, OpenedFolder& folder);
  void AskListed(std::size_t first, OpenedFolder& folder);
  // Once the askers are done: the births asked by copied names go where the others are.
  void GatherNamedRuns();

  std::vector<ListedFile> files_;  // by item, from the read's end
  std::size_t told_ = 0;           // items the read has told of
  std::size_t runStart_ = 0;       // the place of the first item of the run being told
  std::optional<NamedRun> filling_;  // the run being told, when its names are copied
  std::mutex mutex_;                   // guards what is below
  std::condition_variable_any toldMore_;
  // Added at the end only, which leaves those already there where they are, so that an asker
  // works on a run it took without the lock while more are added.
  std::deque<NamedRun> namedRuns_;
  std::size_t namedTaken_ = 0;               // named runs taken by an asker
  std::deque<std::size_t> unnamedRuns_;      // the first item of each run not taken without names
  std::vector<CopiedItems> spareCopies_;     // asked, for the next runs with names
  bool readEnded_ = true;
  std::shared_ptr<const std::vector<FolderItem>> items_;  // from the read's end while births are asked
  std::unique_ptr<OpenedFolder> folder_;                  // the thread's
  std::jthread asking_;
};

}  // namespace tolvane
