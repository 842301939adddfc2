#pragma once

#include <memory>
#include <string>

#include "core/checked_batch.h"
#include "core/date_fields.h"
#include "core/folder_listing.h"
#include "core/name_composer.h"
#include "core/rename_list.h"
#include "platform/platform.h"

namespace tolvane {

// Which of the three preview buttons may be used.
struct PreviewFlags {
  bool simulate = true;
  bool rename = false;
  bool undo = false;
  friend bool operator==(const PreviewFlags&, const PreviewFlags&) = default;
};

// The preview, its undo and the commit of a RenameList, with the state of their buttons.
class Preview {
 public:
  explicit Preview(RenameList& list) : list_(list) {}

  const PreviewFlags& Flags() const { return flags_; }
  // Whether the list shows new names that Undo can take back.
  bool Shown() const { return flags_.undo; }

  // Keeps what the load of the list read of its folder, for the checks of its previews to take
  // while it still lists the folder; a new load hands in its own, or none.
  void KeepListing(std::unique_ptr<FolderListing> listing) { listing_ = std::move(listing); }
  FolderListing* Listing() { return listing_.get(); }

  // `dates`: each entry's dates in list order, which naming fields with date fields need.
  void Simulate(const NamingFields& fields, const EntryDates* dates = nullptr);
  void Undo();
  // Keeps a check of the preview against its folder for the commit, which takes it for its
  // own while it still holds; a new preview or its undo lets it go.
  void KeepCheck(std::unique_ptr<CheckedBatch> checked) { checked_ = std::move(checked); }
  // The check kept, when it still holds for the list in `folderPath`; a commit that its own
  // check stopped keeps that check too.
  CheckedBatch* HeldCheck(const std::string& folderPath) {
    return checked_ && checked_->StillHolds(list_, folderPath) ? checked_.get() : nullptr;
  }
  // Asks, checks the whole batch, renames the files of `folderPath` and writes the report.
  // False when the user answered Cancel, which leaves everything as it was.
  bool Rename(Platform platform, const std::string& folderPath);

 private:
  RenameList& list_;
  PreviewFlags flags_;
  std::unique_ptr<FolderListing> listing_;
  std::unique_ptr<CheckedBatch> checked_;
};

}  // namespace tolvane
