#include "core/preview.h"

#include <optional>

#include "core/batch_check.h"
#include "core/batch_commit.h"
#include "core/batch_journal.h"
#include "core/rename_order.h"
#include "core/rename_report.h"

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
    throw Error(static_cast<ErrorNumber>(error.Number()),
                "Nothing was renamed, because the folder cannot be read: " + error.Description());
  }
}

// What the commit will do, kept without the names it was worked out from, or what stops it.
struct CommitPlan {
  std::vector<BatchProblem> problems;
  BatchMoves batch;
  RenameOrder order;
};

// The batch checked against the folder as the commit finds it, and put in order when the
// check passes. The folder's items go once their names are looked up, and the names before
// the first rename, for a large batch's memory peaks while they live.
CommitPlan PlanCommit(const RenameList& list, OpenedFolder& folder) {
  std::optional<BatchNames> names;
  {
    const std::vector<FolderItem> items = BeforeAnyRename([&] { return folder.ReadItems(); });
    names.emplace(list, items, BeforeAnyRename([&] { return folder.Rules(items); }), &folder);
  }
  CommitPlan plan{CheckBatch(*names), {}, {}};
  if (!plan.problems.empty()) return plan;
  plan.batch = CollectMoves(list);
  plan.order = OrderRenames(plan.batch.moves, *names);
  return plan;
}

StoppedCommit Stopped(const BatchMoves& batch, const CommitResult& result) {
  StoppedCommit stopped{{}, result.failure->error};
  for (std::size_t move = 0; move < batch.moves.size(); ++move) {
    if (result.renamed[move]) stopped.renamed.push_back(batch.positions[move]);
  }
  return stopped;
}

}  // namespace

void Preview::Simulate(const NamingFields& fields) {
  std::int32_t number = SequenceStartNumber(fields);
  const NameComposer composer(fields);
  const RenameList::Position count = list_.Count();
  for (RenameList::Position position = 1; position <= count; ++position) {
    RenameEntry& entry = list_.Item(position);
    entry.Tag = entry.Text;
    std::string newName = composer.Compose(number, entry.Tag);
    number = NextSequenceNumber(number);
    entry.Text = std::move(newName);
  }
  flags_ = PreviewFlags{.simulate = false, .rename = true, .undo = true};
}

void Preview::Undo() {
  const RenameList::Position count = list_.Count();
  for (RenameList::Position position = 1; position <= count; ++position) {
    RenameEntry& entry = list_.Item(position);
    if (IsPreviewed(entry)) entry.Text = entry.Tag;
  }
  flags_.undo = false;
  flags_.simulate = true;
}

void Preview::Rename(Platform platform, const std::string& folderPath) {
  if (!Confirmed(platform.window)) return;
  // Held open, so that every rename lands in the folder that was checked even if its path
  // comes to mean another folder meanwhile.
  const std::unique_ptr<OpenedFolder> folder = BeforeAnyRename([&] { return platform.files.OpenFolder(folderPath); });
  // A million files take seconds to check, order and journal; the window goes on painting
  // meanwhile.
  CommitPlan plan;
  std::optional<HeldJournal> journal;
  platform.window.RunLongWork([&] {
    plan = PlanCommit(list_, *folder);
    // The journal is on disk before the first rename, so that a commit cut short can be
    // finished or undone at the next start.
    if (plan.problems.empty()) journal = WriteJournal(platform, folderPath, *folder, plan.batch.moves, plan.order);
  });
  if (!plan.problems.empty()) {
    // Nothing has been renamed.
    platform.window.ShowMessage(DescribeProblems(list_, plan.problems), MessageButtons::Ok, std::nullopt);
    return;
  }

  const CommitResult result = CommitMoves(*folder, platform.window, plan.batch.moves, plan.order);
  // The renames survive a crash of the machine before the commit says it is done; until the
  // report is written, the journal keeps the old names.
  folder->Sync();
  if (result.failure) {
    platform.window.ShowMessage(DescribeFailure(plan.batch.moves, plan.order, result), MessageButtons::Ok,
                                std::nullopt);
    WriteReport(list_, platform, Stopped(plan.batch, result), [&] { journal->Remove(platform.files); });
    return;
  }
  // The files have their new names now, whatever becomes of the report: the preview is over.
  flags_.undo = false;
  flags_.simulate = true;
  platform.window.ShowMessage("File rename completed", MessageButtons::Ok, std::nullopt);
  WriteReport(list_, platform, [&] { journal->Remove(platform.files); });
}

}  // namespace tolvane
