#include "core/batch_undo.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

#include "core/batch_journal.h"
#include "core/batch_record.h"
#include "core/checked_commit.h"
#include "core/name_escape.h"
#include "core/problem_groups.h"
#include "platform/count_text.h"
#include "platform/date_format.h"

namespace tolvane {

namespace {

void Say(Platform platform, const std::string& message) {
  platform.window.ShowMessage(message, MessageButtons::Ok, std::nullopt);
}

std::string DateOf(Platform platform, const DateTime& made) {
  return FormatDateTime(made, "DD-MMM-YYYY hh:mm:ss", platform.system.MonthAbbreviations());
}

bool Confirmed(Platform platform, const UndoableBatch& batch, const std::string& folderPath) {
  const std::string files = CountText(batch.files);
  const std::string question =
      batch.redoes ? "Rename the " + files + " files in " + folderPath + " again as the rename of " +
                         DateOf(platform, *batch.redoes) + " named them?"
                   : "Undo the rename of " + files + " files in " + folderPath + " made on " +
                         DateOf(platform, batch.made) + "? Every file gets back the name it had before.";
  return platform.window.ShowMessage(question, MessageButtons::OkCancel, "Confirmation") != MessageAnswer::Cancel;
}

// The report's second line: which rename the undo takes back.
std::string ReportSubject(Platform platform, const UndoableBatch& batch, const std::string& folderPath) {
  if (batch.redoes) {
    return "Redo of the rename of " + DateOf(platform, *batch.redoes) + " in " + folderPath + ", undone on " +
           DateOf(platform, batch.made);
  }
  return "Undo of the rename of " + DateOf(platform, batch.made) + " in " + folderPath;
}

// The batch reversed, as a preview leaves a list: each file under its new name, previewed with
// its old one, in the batch's order.
RenameList ReversedList(const JournalPlan& plan) {
  RenameList list;
  for (const NameMove& move : plan.moves) list.Add(std::string(move.from)).Tag = move.to;
  return list;
}

const ProblemKindText kGone{"file is no longer under the name the rename gave it (renamed or deleted since)",
                            "files are no longer under the names the rename gave them (renamed or deleted since)", ""};
const ProblemKindText kReplaced{"file under the name the rename gave it is another file (replaced since)",
                                "files under the names the rename gave them are other files (replaced since)", ""};
const ProblemKindText kNameHeld{"name it would get back is held by another file",
                                "names they would get back are held by other files", ""};

// Each problem told by the name that shows it: the name a file of the batch should be under,
// or the old name it would get back. A name the volume will not take is told with the volume's
// own reason, each reason a kind of its own.
void AddProblem(ProblemGroups& groups, const RenameList& list, const BatchProblem& problem) {
  const RenameEntry& entry = list.Item(problem.position);
  switch (problem.kind) {
    case ProblemKind::FileMissing:
    case ProblemKind::NotAFile: return groups.Add(kGone, entry.Tag);
    case ProblemKind::NameTaken:
    case ProblemKind::HeldOnVolume: return groups.Add(kNameHeld, entry.Text);
    default: break;
  }
  const std::string why = " (" + WhyProblem(list, problem) + ")";
  groups.Add({"name it would get back cannot be given" + why, "names they would get back cannot be given" + why, ""},
             entry.Text);
}

// The problems that stop the undo, kind by kind, in list order.
ProblemGroups Misfits(const RenameList& list, const JournalPlan& plan, CheckedBatch& checked) {
  std::vector<bool> checkFound(list.Count() + 1, false);
  ProblemGroups groups;
  for (const BatchProblem& problem : checked.Problems()) {
    checkFound[problem.position] = true;
    AddProblem(groups, list, problem);
  }
  // Where the volume keeps identities, a file under its new name must be the file the batch
  // renamed, not one put there since.
  for (std::size_t move = 0; move < plan.files.size(); ++move) {
    const RenameList::Position position = move + 1;
    if (checkFound[position]) continue;
    const std::string& name = list.Item(position).Tag;
    const std::optional<FileIdentity> file = checked.Folder().Identify(name);
    if (file != plan.files[move]) {
      groups.Add(kReplaced, name);
    } else {
      // Its birth is the one the undo's own journal needs.
      checked.KnowIdentity(position, *file);
    }
  }
  return groups;
}

std::string DescribeMisfits(const ProblemGroups& misfits, const std::string& folderPath, std::size_t files) {
  return "The rename of " + CountText(files) + " files in " + folderPath + " cannot be undone:\n" +
         misfits.Describe() + "\nNothing was renamed.";
}

// The records read whole; a record that cannot be read is no undo of anything.
std::optional<JournalPlan> ReadWhole(Platform platform, const std::string& path) {
  try {
    const std::unique_ptr<LockedFile> record = platform.files.TryLockFile(path);
    if (!record || !record->OwnedByUser()) return std::nullopt;
    return ReadJournal(record->ReadAll(kLargestJournal));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// How many of the newest records, each after the first, the record before them reverses: one
// for an undo, two for an undo of an undo, and so on. Records of batches of another size are
// never read whole.
std::size_t ReversalsOnTop(Platform platform, const std::vector<FoundRecord>& records, KnownReversals& known) {
  std::size_t reversals = 0;
  platform.window.RunLongWork([&] {
    std::optional<JournalPlan> later;
    for (std::size_t i = 0; i + 1 < records.size(); ++i) {
      if (records[i].head.moveCount != records[i + 1].head.moveCount) return;
      const auto pair = std::pair(records[i].path, records[i + 1].path);
      auto found = known.find(pair);
      std::optional<JournalPlan> earlier;
      if (found == known.end()) {
        if (!later) later = ReadWhole(platform, records[i].path);
        earlier = ReadWhole(platform, records[i + 1].path);
        found = known.emplace(pair, later && earlier && Reverses(later->moves, earlier->moves)).first;
      }
      if (!found->second) return;
      ++reversals;
      later = std::move(earlier);
    }
  });
  return reversals;
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
  ProblemGroups misfits;
  platform.window.RunLongWork([&] {
    list = ReversedList(*plan);
    checked = std::make_unique<CheckedBatch>(list, std::move(folder), folderPath);
    misfits = Misfits(list, *plan, *checked);
  });
  if (!misfits.Empty()) return Say(platform, DescribeMisfits(misfits, folderPath, plan->moves.size()));
  CommitChecked(platform, folderPath, *checked, [] {}, ReportSubject(platform, batch, folderPath));
}

}  // namespace

std::optional<UndoableBatch> LastUndoableBatch(Platform platform, const std::string& folderPath,
                                               KnownReversals* known) {
  KnownReversals foundNow;
  try {
    const std::unique_ptr<OpenedFolder> folder = platform.files.OpenFolder(folderPath);
    const std::vector<FoundRecord> records = LastRecordsOf(platform, *folder, folderPath, kRecordsKept);
    if (records.empty()) return std::nullopt;
    UndoableBatch batch{records[0].path, records[0].head.moveCount, records[0].made, std::nullopt};
    // An undo of an undo renames forward again: only an odd run of reversals ends in an undo.
    const std::size_t reversals = ReversalsOnTop(platform, records, known ? *known : foundNow);
    if (reversals % 2 == 1) batch.redoes = records[reversals].made;
    return batch;
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
