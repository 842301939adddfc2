#include "core/checked_commit.h"

#include <optional>

#include "core/batch_journal.h"
#include "core/batch_record.h"
#include "core/rename_report.h"

namespace tolvane {

namespace {

StoppedCommit Stopped(const BatchMoves& batch, const CommitResult& result) {
  StoppedCommit stopped{{}, result.failure->error};
  for (std::size_t move = 0; move < batch.moves.size(); ++move) {
    if (result.renamed[move]) stopped.renamed.push_back(batch.positions[move]);
  }
  return stopped;
}

}  // namespace

void CommitChecked(Platform platform, const std::string& folderPath, CheckedBatch& checked,
                   const std::function<void()>& renamed, const std::string& reportSubject) {
  // A million files take seconds to order and journal; the window goes on painting meanwhile.
  CommitPlan plan;
  std::optional<HeldJournal> journal;
  platform.window.RunLongWork([&] {
    plan = checked.Plan();
    // The journal is on disk before the first rename, so that a commit cut short can be
    // finished or undone at the next start.
    journal = WriteJournal(platform, folderPath, checked.Folder(), plan.batch.moves, plan.order, plan.files);
  });
  OpenedFolder& folder = checked.Folder();
  const CommitResult result = CommitMoves(folder, platform.window, plan.batch.moves, plan.order);
  // The renames survive a crash of the machine before the commit says it is done; until the
  // report is written, the journal keeps the old names.
  folder.Sync();
  if (result.failure) {
    platform.window.ShowMessage(DescribeFailure(plan.batch.moves, plan.order, result), MessageButtons::Ok,
                                std::nullopt);
    WriteReport(checked.Files(), platform, Stopped(plan.batch, result), [&] { journal->Remove(platform.files); },
                reportSubject);
    return;
  }
  renamed();
  platform.window.ShowMessage("File rename completed", MessageButtons::Ok, std::nullopt);
  // A batch that renamed nothing leaves nothing to undo.
  WriteReport(checked.Files(), platform, [&] {
    if (plan.batch.moves.empty()) return journal->Remove(platform.files);
    KeepAsRecord(platform, *journal);
  }, reportSubject);
}

}  // namespace tolvane
