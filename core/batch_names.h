#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/batch_name_key.h"
#include "core/name_table.h"
#include "core/rename_list.h"
#include "platform/platform.h"

namespace tolvane {

// An entry belongs to the batch once a preview has stored its old name.
inline bool IsPreviewed(const RenameEntry& entry) { return !entry.Tag.empty(); }

// An entry of the batch whose file the commit renames.
inline bool ChangesName(const RenameEntry& entry) { return IsPreviewed(entry) && entry.Tag != entry.Text; }

// How many previewed entries use a name in one role, as far as anyone asks: none, one, or
// more than one. Counting no further keeps a million names' facts small.
class UseCount {
 public:
  void Add() {
    if (count_ < 2) ++count_;
  }
  bool None() const { return count_ == 0; }
  bool MoreThanOne() const { return count_ > 1; }

 private:
  unsigned char count_ = 0;
};

// What the folder and the batch say about one name.
struct NameFacts {
  bool inFolder = false;      // the folder has an item of this name
  bool fileInFolder = false;  // ... and it is a file
  UseCount asNewName;         // previewed entries that get this name
  UseCount asOldName;         // previewed entries that rename the file of this name
  bool movedAway = false;     // the file of this name gets another name
  bool heldOnVolume = false;  // the volume finds an item under this name that the batch's comparison does not
};

// For every entry that changes its name, in list order, as the commit's moves come: what ties
// it to the others by name.
struct MoveLinks {
  static constexpr std::uint32_t kNone = static_cast<std::uint32_t>(-1);
  std::vector<std::uint32_t> waitingBehind;  // the move whose new name is this one's old name, or kNone
  std::vector<bool> newNameFree;             // no move leaves this one's new name
};

// The names of a previewed batch, each looked up once, with what the folder and the batch say
// about it. The check and the order of a commit both read it, so that a million files cost
// one table and a few look-ups each. It views the list's names, so the list must stay as it
// is while it lives; the folder's items are looked up while it is made and not kept, except
// those a temporary name could meet.
// On a volume that folds case, names are compared as it compares them: two names that differ
// only in case are one name. The batch's own comparison folds case by the volume's case table
// (exFAT's, or Unicode's for the others); `folder`, when given, is asked for the new names no
// item holds by that comparison, since only the volume knows every name it answers to (FAT's
// short names, a case table of its own).
class BatchNames {
 public:
  BatchNames(const RenameList& list, const std::vector<FolderItem>& folderItems, const VolumeRules& rules = {},
             OpenedFolder* folder = nullptr);
  // Its table knows its names through a pointer to its folded forms.
  BatchNames(const BatchNames&) = delete;
  BatchNames& operator=(const BatchNames&) = delete;

  const RenameList& List() const { return *list_; }
  const VolumeRules& Rules() const { return rules_; }
  // The facts of a previewed entry's old and new name: one object when both are one name.
  const NameFacts& OldNameFacts(RenameList::Position position) const { return FactsOf(oldNames_[position - 1]); }
  const NameFacts& NewNameFacts(RenameList::Position position) const { return FactsOf(newNames_[position - 1]); }

  // Where the folder's items listed the file of a previewed entry's old name: its place among
  // them, or kNotListed.
  static constexpr std::uint32_t kNotListed = static_cast<std::uint32_t>(-1);
  std::uint32_t OldNameItem(RenameList::Position position) const { return oldItems_[position - 1]; }

  MoveLinks LinkMoves() const;
  // Whether an item of the folder or a new name of the batch holds `name`. Of names outside
  // the batch, only those beginning with kTemporaryPrefix are known, and those the volume
  // answers to.
  bool Taken(std::string_view name) const;

 private:
  struct NameOfKey {
    const RenameList* list;
    const std::vector<std::string>* folded;  // by key, on a volume that folds case
    std::string_view operator()(BatchNameKey key) const;
    std::string_view operator()(std::uint32_t index) const { return (*this)(BatchNameKey::AtIndex(index)); }
  };

  using Table = NameTable<NameOfKey>;
  // How many names ahead of its look-up a name is prepared (VisitPrepared).
  static constexpr std::size_t kLookAhead = 16;
  // A folder of fewer items is marked in less time than a thread takes to start and end.
  static constexpr std::size_t kItemsWorthASecondThread = 1 << 16;

  NameFacts& FactsOf(BatchNameKey key) { return facts_[key.Index()]; }
  const NameFacts& FactsOf(BatchNameKey key) const { return facts_[key.Index()]; }
  // Adds the old or the new name of every previewed entry; `firstKeys` gets the key each was
  // first added under.
  void AddNames(NameRole role, std::vector<BatchNameKey>& firstKeys);
  // The key `name` was first added under; a name new to the table is added under `key`.
  BatchNameKey Add(const Table::Prepared& name, BatchNameKey key) {
    return BatchNameKey::AtIndex(table_.Add(name, key.Index()));
  }
  std::optional<BatchNameKey> Find(std::string_view name) const { return Find(table_.Prepare(name)); }
  std::optional<BatchNameKey> Find(const Table::Prepared& name) const {
    const auto index = table_.Find(name);
    return index ? std::optional(BatchNameKey::AtIndex(*index)) : std::nullopt;
  }
  void NoteUse(NameFacts& facts, BatchNameKey use) const;
  void MarkFolderItems(const std::vector<FolderItem>& folderItems);
  // Marks the items from `first` up to `end`; temporary names none of the batch holds go to
  // `temporaryLookalikes`.
  void MarkItems(const std::vector<FolderItem>& folderItems, std::size_t first, std::size_t end,
                 std::unordered_set<std::string>& temporaryLookalikes);
  // Calls visit(i, name) for i from `first` up to `end` with nameAt(i) prepared in the table
  // some names before, so that the table's memory is on its way while earlier names are looked up.
  template <typename NameAt, typename Visit>
  void VisitPrepared(std::size_t first, std::size_t end, const NameAt& nameAt, const Visit& visit) const;
  void FoldNames();
  void AskVolumeForNewNames();
  // The form a name is looked up by: as it is, or folded where the volume folds case.
  std::string_view LookupForm(std::string_view name, std::string& folded) const;

  const RenameList* list_;
  VolumeRules rules_;
  OpenedFolder* folder_;
  std::vector<std::string> foldedNames_;  // by key; empty unless the volume folds case
  Table table_;
  // By list position less one: the key each previewed entry's name was first added under.
  std::vector<BatchNameKey> oldNames_;
  std::vector<BatchNameKey> newNames_;
  std::vector<std::uint32_t> oldItems_;  // by list position less one
  std::vector<NameFacts, LargeTableAllocator<NameFacts>> facts_;  // by key
  std::unordered_set<std::string> temporaryLookalikes_;
};

}  // namespace tolvane
