#include "core/preview.h"

#include <optional>

#include "core/checked_commit.h"

namespace tolvane {

namespace {

constexpr const char* kConfirmation = "This process is irreversible, are you sure to rename the file according to list?";

bool Confirmed(WindowServices& window) {
  return window.ShowMessage(kConfirmation, MessageButtons::OkCancel, "Confirmation") != MessageAnswer::Cancel;
}

// A folder gone or unreadable stops the commit before any rename, and says so.
template <typename FolderAccess>
auto BeforeAnyRename(FolderAccess&& access) {
  try {
    return access();
  } catch (const Error& error) {
    throw Error(error.Number(),
                "Nothing was renamed, because the folder cannot be read: " + error.Description());
  }
}

}  // namespace

void Preview::Simulate(const NamingFields& fields, const EntryDates* dates) {
  std::int32_t number = SequenceStartNumber(fields);
  const NameComposer composer(fields);
  const NamingDates naming(fields);
  const RenameList::Position count = list_.Count();
  const bool dated = naming.HasFields();
  if (dated && (dates == nullptr || dates->dates.size() != count)) {
    throw Error(ErrorNumber::SubscriptOutOfRange, "Subscript out of range: the entries' dates were not read");
  }
  for (RenameList::Position position = 1; position <= count; ++position) {
    RenameEntry& entry = list_.Item(position);
    entry.Tag = entry.Text;
    std::string base;
    if (dated) {
      const auto [before, after] = naming.Prefixes(dates->dates[position - 1], dates->months);
      base = composer.Base(number, before, after);
    } else {
      base = composer.Base(number);
    }
    number = NextSequenceNumber(number);
    // Every member of a set takes the set's number and keeps its own ending; the main file's
    // name is made last, from the base itself, so that no name is copied more than it must.
    for (SetMember& member : entry.Members) {
      member.Tag = member.Text;
      member.Text = base + std::string(member.Ending());
    }
    entry.Text = NameComposer::Extended(std::move(base), entry.Tag);
  }
  checked_.reset();
  flags_ = PreviewFlags{.simulate = false, .rename = true, .undo = true};
}

void Preview::Undo() {
  const RenameList::Position count = list_.Count();
  for (RenameList::Position position = 1; position <= count; ++position) {
    RenameEntry& entry = list_.Item(position);
    if (!IsPreviewed(entry)) continue;
    entry.Text = entry.Tag;
    for (SetMember& member : entry.Members) member.Text = member.Tag;
  }
  checked_.reset();
  flags_.undo = false;
  flags_.simulate = true;
}

bool Preview::Rename(Platform platform, const std::string& folderPath) {
  if (!Confirmed(platform.window)) return false;
  // The preview's check stands for the commit's while nothing has changed since; otherwise
  // the folder is read and checked now, once the check that no longer holds has let go of its
  // memory. The folder stays held open, so that every rename lands in the folder that was
  // checked even if its path comes to mean another meanwhile.
  std::unique_ptr<CheckedBatch> checked = HeldCheck(folderPath) ? std::move(checked_) : nullptr;
  checked_.reset();
  // The renames change the folder the load read, and the listing's memory is better spent on
  // the commit's order.
  std::unique_ptr<FolderListing> listing = std::move(listing_);
  // A million files take seconds to check; the window goes on painting meanwhile.
  std::vector<BatchProblem> problems;
  platform.window.RunLongWork([&] {
    if (!checked) {
      checked = BeforeAnyRename([&] {
        return std::make_unique<CheckedBatch>(list_, platform.files.OpenFolder(folderPath), folderPath, listing.get());
      });
    }
    listing.reset();
    problems = checked->Problems();
  });
  if (!problems.empty()) {
    // Nothing has been renamed.
    checked_ = std::move(checked);
    platform.window.ShowMessage(DescribeProblems(checked_->Files(), problems), MessageButtons::Ok, std::nullopt);
    return true;
  }
  // The files have their new names once renamed, whatever becomes of the report: the preview
  // is over.
  CommitChecked(platform, folderPath, *checked, [&] {
    flags_.undo = false;
    flags_.simulate = true;
  });
  return true;
}

}  // namespace tolvane
