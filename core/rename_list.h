#pragma once

#include <cstddef>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "core/list_revision.h"
#include "core/set_members.h"
#include "core/text_list.h"
#include "platform/huge_page_allocator.h"
#include "platform/platform.h"

namespace tolvane {

class RenameList;

// A new order of a list's entries: the k-th entry (from 0) of the new order is the entry now
// at index order[k]. Every index appears once.
using ListOrder = std::vector<std::size_t>;

// The order that leaves `count` entries where they are.
inline ListOrder UnchangedOrder(std::size_t count) {
  ListOrder order(count);
  std::iota(order.begin(), order.end(), std::size_t{0});
  return order;
}

// One file of the batch. `Tag` is the name before the preview; unset and empty are the same.
// An entry may stand for a set of files (a photo and its companions): it is then the set's
// main file, and `Members` are the others, each renamed beside it.
class RenameEntry {
 public:
  explicit RenameEntry(std::string text) : Text(std::move(text)) {}

  std::string Text;
  std::string Tag;
  TextList SubItems;
  SetMembers Members;
  // A sidecar whose photo the folder does not hold: an entry of its own, numbered as any.
  bool LoneSidecar = false;

  bool Selected() const { return selected_; }

 private:
  friend class RenameList;

  bool selected_ = false;
};

// The ordered, 1-based list of files to rename; list order decides the numbers.
// The current entry follows its entry, not its position, when others come or go.
class RenameList {
 public:
  using Position = std::size_t;

  Position Count() const { return entries_.size(); }
  // An entry to change: the list counts it as changed.
  RenameEntry& Item(Position position);
  const RenameEntry& Item(Position position) const;

  RenameEntry& Add(std::string text);
  RenameEntry& Add(RenameEntry entry);
  RenameEntry& Add(Position position, std::string text);
  void Remove(Position position);
  void Clear();

  // The position of the current entry, if there is one.
  std::optional<Position> SelectedItem() const { return current_; }
  // Selecting an entry makes it the current one.
  void SetSelected(Position position, bool selected);
  // Makes an entry current without touching any selection (a pick in the window).
  void SetCurrent(std::optional<Position> position);

  void LoadFolder(FileSystem& files, const std::string& folderPath);
  // Loads as LoadFolder does from what a read of the folder has just given, which stays as it
  // is for the checks of the batch (FolderListing).
  void LoadFolderItems(const std::vector<FolderItem>& folderItems);
  void RemoveSelected();
  void MoveSelectedUp();
  void MoveSelectedDown();

  // Puts the entries in a new order. Each entry keeps its names and its selection, and the
  // current entry stays the same entry. Nothing is renumbered until the next preview.
  void Arrange(const ListOrder& order);
  // The list in a new order as a list of its own, made without changing this one, so that a
  // long list is arranged beside the window that paints from it.
  RenameList Arranged(const ListOrder& order) const;
  // Every selected entry one place up or down; a run of them pressed against the end of the
  // list stays, and the others go on moving.
  void MoveSelectedRowsUp();
  void MoveSelectedRowsDown();
  // The selected entries, in their order, to just before the entry at `position` (Count + 1
  // for the end); a selected entry there gives way to the first entry after it that is not.
  void MoveSelectedRowsTo(Position position);

  // Changes whenever an entry may have come, gone, moved or changed its names; the selection
  // is not counted.
  std::uint64_t Revision() const { return revision_.Stamp(); }

 private:
  std::size_t IndexOf(Position position) const;
  // Raises unless `order` names every entry once.
  void CheckOrder(const ListOrder& order) const;
  // Where the current entry stands once the list is in `order`.
  std::optional<Position> CurrentAfter(const ListOrder& order) const;
  // Inserts a copy of the current entry at `position` and removes the current entry.
  void MoveCurrentTo(Position copyPosition);

  std::vector<RenameEntry, HugePageAllocator<RenameEntry>> entries_;
  std::optional<Position> current_;
  ListRevision revision_;
};

}  // namespace tolvane
