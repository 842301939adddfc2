#include "core/batch_undo.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

#include "core/batch_journal.h"
#include "core/batch_record.h"
#include "core/checked_commit.h"
#include "core/name_escape.h"
#include "platform/date_format.h"

namespace tolvane {

namespace {

// Files named in the message of an undo that its check refused.
constexpr std::size_t kMisfitsNamed = 5;

void Say(Platform platform, const std::string& message) {
  platform.window.ShowMessage(message, MessageButtons::Ok, std::nullopt);
}

bool Confirmed(Platform platform, const UndoableBatch& batch, const std::string& folderPath) {
  const std::string madeOn =
      FormatDateTime(batch.made, "DD-MMM-YYYY hh:mm:ss", platform.system.MonthAbbreviations());
  const std::string question = "Undo the rename of " + std::to_string(batch.files) + " files in " + folderPath +
                               " made on " + madeOn + "? Every file gets back the name it had before.";
  return platform.window.ShowMessage(question, MessageButtons::OkCancel, "Confirmation") != MessageAnswer::Cancel;
}

// The batch reversed, as a preview leaves a list: each file under its new name, previewed with
// its old one, in the batch's order.
RenameList ReversedList(const JournalPlan& plan) {
  RenameList list;
  for (const NameMove& move : plan.moves) list.Add(std::string(move.from)).Tag = move.to;
  return list;
}

// The entries that stop the undo, in list order, each with the name that tells it: the name a
// file of the batch should be under, or the old name that another file holds.
std::vector<std::string_view> Misfits(const RenameList& list, const JournalPlan& plan, CheckedBatch& checked) {
  std::vector<bool> misfit(list.Count() + 1, false);
  std::vector<bool> nameTaken(list.Count() + 1, false);
  for (const BatchProblem& problem : checked.Problems()) {
    misfit[problem.position] = true;
    nameTaken[problem.position] = problem.kind == ProblemKind::NameTaken || problem.kind == ProblemKind::HeldOnVolume;
  }
  // Where the volume keeps identities, a file under its new name must be the file the batch
  // renamed, not one put there since.
  for (std::size_t move = 0; move < plan.files.size(); ++move) {
    const RenameList::Position position = move + 1;
    if (misfit[position]) continue;
    misfit[position] = checked.Folder().Identify(list.Item(position).Tag) != plan.files[move];
  }
  std::vector<std::string_view> names;
  for (RenameList::Position position = 1; position <= list.Count(); ++position) {
    if (!misfit[position]) continue;
    const RenameEntry& entry = list.Item(position);
    names.push_back(nameTaken[position] ? entry.Text : entry.Tag);
  }
  return names;
}

std::string DescribeMisfits(const std::vector<std::string_view>& misfits, const std::string& folderPath,
                            std::size_t files) {
  std::string message = "The rename of " + std::to_string(files) + " files in " + folderPath +
                        " cannot be undone: " + std::to_string(misfits.size()) +
                        " files are not as it left them (renamed, deleted or replaced since, or another file "
                        "holds the name they would get back): ";
  for (std::size_t named = 0; named < std::min(kMisfitsNamed, misfits.size()); ++named) {
    if (named > 0) message += ", ";
    AppendQuotedName(message, misfits[named]);
  }
  if (misfits.size() > kMisfitsNamed) message += ", ...";
  return message + ".\nNothing was renamed.";
}

// The record read whole and checked as strictly as a journal; nothing, said why, when it cannot
// be used. A damaged one is set aside so that it is offered no more.
std::optional<JournalPlan> ReadRecord(Platform platform, const UndoableBatch& batch, const std::string& folderPath) {
  const std::string& path = batch.recordPath;
  const std::string cannot = "The last rename in " + folderPath + " cannot be undone";
  std::unique_ptr<LockedFile> record = platform.files.TryLockFile(path);
  if (!record) {
    Say(platform, cannot + " now: its record " + path + " is gone or in use by another Tolvane.\nNothing was renamed.");
    return std::nullopt;
  }
  std::optional<JournalPlan> plan;
  std::string why;
  // A record of a million files is some 100 MB: read while the window goes on painting.
  platform.window.RunLongWork([&] {
    try {
      if (!record->OwnedByUser()) throw Error(ErrorNumber::PathFileAccessError, "it is not yours");
      plan = ReadJournal(record->ReadAll(kLargestJournal));
    } catch (const std::exception& error) {
      const auto* known = dynamic_cast<const Error*>(&error);
      why = known ? known->Description() : std::string(error.what());
    }
  });
  if (plan) return plan;
  const std::string kept = SetJournalAside(platform, path);
  Say(platform, cannot + ": its record " + path + " cannot be used: " + why +
                    ".\nNothing was renamed. The record is kept as " + kept + ".");
  return std::nullopt;
}

void UndoBatch(Platform platform, const UndoableBatch& batch, const std::string& folderPath) {
  const std::optional<JournalPlan> plan = ReadRecord(platform, batch, folderPath);
  if (!plan) return;
  std::unique_ptr<OpenedFolder> folder = platform.files.OpenFolder(folderPath);
  if (!IsJournalFolder(*plan, *folder, folderPath)) {
    Say(platform, "The last rename in " + folderPath + " cannot be undone: the folder is not the one it was made in; "
                  "it was moved or replaced.\nNothing was renamed.");
    return;
  }
  RenameList list;
  std::unique_ptr<CheckedBatch> checked;
  std::vector<std::string_view> misfits;
  platform.window.RunLongWork([&] {
    list = ReversedList(*plan);
    checked = std::make_unique<CheckedBatch>(list, std::move(folder), folderPath);
    misfits = Misfits(list, *plan, *checked);
  });
  if (!misfits.empty()) return Say(platform, DescribeMisfits(misfits, folderPath, plan->moves.size()));
  CommitChecked(platform, folderPath, *checked, [] {});
}

}  // namespace

std::optional<UndoableBatch> LastUndoableBatch(Platform platform, const std::string& folderPath) {
  try {
    const std::unique_ptr<OpenedFolder> folder = platform.files.OpenFolder(folderPath);
    const std::optional<FoundRecord> record = LastRecordOf(platform, *folder, folderPath);
    if (!record) return std::nullopt;
    return UndoableBatch{record->path, record->head.moveCount, record->made};
  } catch (const Error&) {
    return std::nullopt;  // a folder that cannot be opened, or no state folder to read
  }
}

bool UndoLastBatch(Platform platform, const std::string& folderPath) {
  const std::optional<UndoableBatch> batch = LastUndoableBatch(platform, folderPath);
  if (!batch) {
    Say(platform, "There is no rename in " + folderPath + " to undo.");
    return false;
  }
  if (!Confirmed(platform, *batch, folderPath)) return false;
  UndoBatch(platform, *batch, folderPath);
  return true;
}

}  // namespace tolvane
