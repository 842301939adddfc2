#include "core/preview.h"

#include "core/batch_check.h"
#include "core/batch_commit.h"
#include "core/rename_order.h"
#include "core/rename_report.h"

namespace tolvane {

namespace {

constexpr const char* kConfirmation = "This process is irreversible, are you sure to rename the file according to list?";

bool Confirmed(WindowServices& window) {
  return window.ShowMessage(kConfirmation, MessageButtons::OkCancel, "Confirmation") != MessageAnswer::Cancel;
}

// The folder as the commit finds it, held open so that every rename lands in the folder that
// was checked even if its path is moved meanwhile; a folder gone or unreadable stops the
// commit before any rename.
struct FolderToCommit {
  std::unique_ptr<OpenedFolder> folder;
  std::vector<FolderItem> items;
};

FolderToCommit OpenFolderToCommit(FileSystem& files, const std::string& folderPath) {
  try {
    FolderToCommit opened{files.OpenFolder(folderPath), {}};
    opened.items = files.ReadFolder(folderPath);
    return opened;
  } catch (const Error& error) {
    throw Error(static_cast<ErrorNumber>(error.Number()),
                "Nothing was renamed, because the folder cannot be read: " + error.Description());
  }
}

// Shows what stops the batch, if anything does; nothing has been renamed then.
bool RefusedByCheck(const RenameList& list, Platform platform, const std::vector<FolderItem>& folderItems) {
  const std::vector<BatchProblem> problems = CheckBatch(list, folderItems);
  if (problems.empty()) return false;
  platform.window.ShowMessage(DescribeProblems(list, problems), MessageButtons::Ok, std::nullopt);
  return true;
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
  const FolderToCommit opened = OpenFolderToCommit(platform.files, folderPath);
  if (RefusedByCheck(list_, platform, opened.items)) return;

  const BatchMoves batch = CollectMoves(list_);
  const RenameOrder order = OrderRenames(batch.moves, opened.items);
  const CommitResult result = CommitMoves(*opened.folder, platform.window, batch.moves, order);
  if (result.failure) {
    platform.window.ShowMessage(DescribeFailure(batch.moves, order, result), MessageButtons::Ok, std::nullopt);
    WriteReport(list_, platform, Stopped(batch, result));
    return;
  }
  platform.window.ShowMessage("File rename completed", MessageButtons::Ok, std::nullopt);
  WriteReport(list_, platform);
  flags_.undo = false;
  flags_.simulate = true;
}

}  // namespace tolvane
