// Batches cut short after every possible step, on real temporary folders, then finished or
// undone at the next start; and the journals that recovery must leave alone or keep.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <unordered_map>

#include "core/batch_commit.h"
#include "core/batch_journal.h"
#include "core/batch_names.h"
#include "core/batch_recovery.h"
#include "core/rename_order.h"
#include "tests/core/folder_check.h"

namespace tolvane::testing {
namespace {

const std::string kJournal = "log/Batch.journal";

// A commit of `batch` that wrote its journal and was killed after `stepsDone` renames: the
// journal is on disk and nobody holds it.
struct CutShortBatch {
  CutShortBatch(CommitScene& scene, const Batch& batch, std::size_t stepsDone) {
    scene.Load(batch);
    const Platform platform{scene.files, scene.system, scene.window};
    const std::unique_ptr<OpenedFolder> folder = scene.files.OpenFolder(scene.folder.path());
    const BatchNames names(scene.list, scene.files.ReadFolder(scene.folder.path()));
    const BatchMoves moves = CollectMoves(scene.list);
    const RenameOrder order = OrderRenames(moves.moves, names);
    steps = order.steps.size();
    WriteJournal(platform, scene.folder.path(), *folder, moves.moves, order);
    for (std::size_t step = 0; step < std::min(stepsDone, steps); ++step) {
      const auto [from, to] = order.NamesOf(order.steps[step], moves.moves);
      folder->RenameFile(from, to);
    }
  }
  std::size_t steps = 0;
};

// The name each file of the batch is found under, by its old name.
std::unordered_map<std::string, std::string> NamesFound(const Contents& folder, const Batch& batch) {
  std::unordered_map<std::string, std::string> oldNameOfContent;
  for (const BatchFile& file : batch) oldNameOfContent[ContentOf(file.oldName)] = file.oldName;
  std::unordered_map<std::string, std::string> found;
  for (const auto& [name, content] : folder) {
    if (const auto file = oldNameOfContent.find(content); file != oldNameOfContent.end()) found[file->second] = name;
  }
  return found;
}

Contents AllUnder(const Batch& batch, bool newNames) {
  Contents contents;
  for (const BatchFile& file : batch) contents[newNames ? file.newName : file.oldName] = ContentOf(file.oldName);
  return contents;
}

void Recover(CommitScene& scene) { RecoverUnfinishedBatches(Platform{scene.files, scene.system, scene.window}); }

const std::vector<std::pair<std::string, Batch>>& Batches() {
  static const std::vector<std::pair<std::string, Batch>> batches = [] {
    Batch chains;
    AddShifted(chains, "", 1, 5, 2);
    Batch cycle;
    AddCycle(cycle, "c", 3);
    Batch mixed;
    AddCycle(mixed, "s", 2);
    AddShifted(mixed, "", 1, 3, 1);
    AddCycle(mixed, "t", 3);
    AddCycle(mixed, "u", 2);
    return std::vector<std::pair<std::string, Batch>>{{"chains", chains}, {"cycle", cycle}, {"mixed", mixed}};
  }();
  return batches;
}

TEST(BatchRecoveryTest, CutAfterAnyStepFinishesOrGivesTheOldNamesBack) {
  for (const auto& [label, batch] : Batches()) {
    CommitScene probe;
    const std::size_t steps = CutShortBatch(probe, batch, 0).steps;
    for (std::size_t done = 0; done <= steps; ++done) {
      for (const MessageAnswer answer : {MessageAnswer::Ok, MessageAnswer::Cancel}) {
        const bool finish = answer == MessageAnswer::Ok;
        SCOPED_TRACE(label + " cut after " + std::to_string(done) + " steps, " + (finish ? "OK" : "Cancel"));
        CommitScene scene;
        CutShortBatch(scene, batch, done);
        const auto before = NamesFound(scene.folder.Contents(), batch);
        std::size_t renamed = 0;
        std::string lines;
        for (const BatchFile& file : batch) {
          const std::string& had = before.at(file.oldName);
          renamed += had == file.newName;
          if (finish) lines += file.oldName + " -> " + file.newName + "\r\n";
          if (!finish && had != file.oldName) lines += had + " -> " + file.oldName + "\r\n";
        }
        scene.window.answers = {answer};
        Recover(scene);

        ASSERT_EQ(scene.window.messages.size(), 1u) << scene.LastPrompt();
        const FakeWindow::Message& box = scene.window.messages[0];
        EXPECT_EQ(box.prompt, "A rename in " + scene.folder.path() + " was cut short: " + std::to_string(renamed) +
                                  " of " + std::to_string(batch.size()) +
                                  " files were renamed. OK finishes the rename; Cancel gives the renamed files "
                                  "their old names back.");
        EXPECT_EQ(box.buttons, MessageButtons::OkCancel);
        EXPECT_EQ(box.title, "Tolvane");
        EXPECT_EQ(scene.folder.Contents(), AllUnder(batch, finish));
        EXPECT_EQ(scene.Report(), kReportHeader + lines + "Process Completed, Thank you\r\n");
        EXPECT_FALSE(scene.executable.Exists(kJournal));
        EXPECT_EQ(scene.system.launches.size(), 1u);
      }
    }
  }
}

// Recovery renames as a commit does: the first failure stops it, and the cycle whose file
// waits under a temporary name is brought to one end so that no file stays there: undone
// when finishing, completed when giving names back, since its renames can then only go on.
// The message and the report tell what was done.
TEST(BatchRecoveryTest, FailureWhileRecoveringStopsWithTheTruth) {
  Batch batch;
  AddCycle(batch, "c", 4);
  const struct {
    MessageAnswer answer;
    long renamed;  // files under their new names at the end
    std::string told;
    std::string lines;
  } cases[] = {
      {MessageAnswer::Ok, 0,
       "Renaming stopped at \"c1\" -> \"c2\":\nREASON\n0 of 4 files were renamed; the others keep their old names.",
       ""},
      {MessageAnswer::Cancel, 4,
       "Giving the old names back stopped at \"c3\" -> \"c2\":\nREASON\n"
       "0 of 3 files have their old names back; the others keep the names they had.",
       "tolvane-moving~c0 -> c1\r\nc1 -> c2\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer == MessageAnswer::Ok ? "OK" : "Cancel");
    CommitScene scene;
    CutShortBatch(scene, batch, 3);  // c0 waits; c3 and c2 have their new names
    scene.window.answers = {c.answer};
    scene.files.FailRename(1, EACCES);
    Recover(scene);

    BatchWhereabouts where;
    EXPECT_TRUE(EveryFileOnce(scene.folder.Contents(), batch, where));
    EXPECT_EQ(std::count(where.renamed.begin(), where.renamed.end(), true), c.renamed);
    ASSERT_EQ(scene.window.messages.size(), 2u);
    const std::string reason = StopReason(scene);
    std::string told = c.told;
    told.replace(told.find("REASON"), 6, reason);
    EXPECT_EQ(scene.window.messages[1].prompt, told);
    EXPECT_EQ(scene.Report(), kReportHeader + c.lines + "Process stopped: " + reason + "\r\n");
    EXPECT_FALSE(scene.executable.Exists(kJournal));
  }
}

// What a hand did to the folder after the crash, and how the box says so.
struct Meddling {
  std::string label;
  std::function<void(CommitScene&)> act;
  std::string reason;
};

TEST(BatchRecoveryTest, JournalThatNoLongerFitsItsFolderIsKeptAndNothingChanges) {
  Batch batch;
  AddShifted(batch, "", 1, 4, 1);
  AddCycle(batch, "c", 2);
  const std::vector<Meddling> meddlings = {
      {"folder deleted",
       [](CommitScene& scene) { std::filesystem::remove_all(scene.folder.path()); },
       "its folder cannot be opened: File not found"},
      {"folder replaced",
       [](CommitScene& scene) {
         const std::string moved = scene.folder.path() + "-moved";
         std::filesystem::rename(scene.folder.path(), moved);
         std::filesystem::copy(moved, scene.folder.path());
         std::filesystem::remove_all(moved);
       },
       "is not the one it was in; it was moved or replaced"},
      {"file removed", [](CommitScene& scene) { std::filesystem::remove(scene.folder.Path("1")); },
       "are under neither their old nor their new names"},
      {"file renamed", [](CommitScene& scene) { std::filesystem::rename(scene.folder.Path("1"), scene.folder.Path("x")); },
       "are under neither their old nor their new names"},
      {"free name taken", [](CommitScene& scene) { scene.folder.WriteFile("3", "someone else's"); },
       "are under neither their old nor their new names"},
      {"journal damaged", [](CommitScene& scene) { scene.executable.WriteFile(kJournal, "Tolvane batch journal 1\n"); },
       "cannot be read: the journal is damaged"},
  };
  for (const Meddling& meddling : meddlings) {
    SCOPED_TRACE(meddling.label);
    CommitScene scene;
    CutShortBatch(scene, batch, 2);  // 4 -> 5 and 3 -> 4 done: the free name is 3
    meddling.act(scene);
    const bool folderThere = std::filesystem::exists(scene.folder.path());
    const Contents before = folderThere ? scene.folder.Contents() : Contents{};
    const std::size_t renamesBefore = scene.files.renamesAsked;
    Recover(scene);

    ASSERT_EQ(scene.window.messages.size(), 1u);
    const FakeWindow::Message& box = scene.window.messages[0];
    EXPECT_EQ(box.buttons, MessageButtons::Ok);
    EXPECT_EQ(box.title, "Tolvane");
    EXPECT_TRUE(box.prompt.starts_with("A rename that was cut short can be neither finished nor undone: ")) << box.prompt;
    EXPECT_NE(box.prompt.find(meddling.reason), std::string::npos) << box.prompt;
    EXPECT_TRUE(box.prompt.ends_with("Nothing was changed. Its journal, which holds the old and new names of its "
                                     "files, is kept as " + scene.executable.Path(kJournal) + ".kept."))
        << box.prompt;
    EXPECT_EQ(scene.files.renamesAsked - renamesBefore, 1u) << "only the journal's own rename";
    EXPECT_EQ(folderThere ? scene.folder.Contents() : Contents{}, before);
    EXPECT_TRUE(scene.executable.Exists(kJournal + ".kept"));
    EXPECT_FALSE(scene.ReportWritten());

    Recover(scene);
    EXPECT_EQ(scene.window.messages.size(), 1u) << "a kept journal is not offered again";
  }
}

// Two windows at once: one's commit holds its journal, and the other's start leaves it be.
TEST(BatchRecoveryTest, JournalHeldByAnotherCommitIsLeftAloneUntilLetGo) {
  CommitScene scene;
  Batch batch;
  AddShifted(batch, "", 1, 3, 1);
  scene.Load(batch);
  const BatchNames names(scene.list, scene.files.ReadFolder(scene.folder.path()));
  const BatchMoves moves = CollectMoves(scene.list);
  const RenameOrder order = OrderRenames(moves.moves, names);
  const std::unique_ptr<OpenedFolder> folder = scene.files.OpenFolder(scene.folder.path());
  std::optional<HeldJournal> held = WriteJournal(Platform{scene.files, scene.system, scene.window},
                                                 scene.folder.path(), *folder, moves.moves, order);
  folder->RenameFile("3", "4");

  CommitScene other;
  other.system.executableFolder = scene.executable.path();
  Recover(other);
  EXPECT_TRUE(other.window.messages.empty());
  EXPECT_TRUE(scene.executable.Exists(kJournal));
  EXPECT_EQ(other.files.renamesAsked, 0u);

  held.reset();  // the committing window is gone
  other.window.answers = {MessageAnswer::Ok};
  Recover(other);
  ASSERT_EQ(other.window.messages.size(), 1u);
  EXPECT_EQ(scene.folder.Contents(), AllUnder(batch, true));
}

// A journal cut short while it was written left no rename behind: it goes without a word.
TEST(BatchRecoveryTest, PartialJournalIsRemovedUnlessItsWriterHoldsIt) {
  CommitScene scene;
  scene.Load({{"a", "b"}});
  const std::unique_ptr<DurableFile> writing = scene.disk.CreateDurableFile(scene.executable.Path(kJournal));
  writing->Write("Tolvane batch journal 1\nfolder ");
  Recover(scene);
  EXPECT_TRUE(scene.executable.Exists(kJournal + ".part")) << "its writer is still at it";

  scene.executable.WriteFile("log/Batch-2.journal.part", "Tolvane batch journal 1\nfolder 4:/tmp");
  Recover(scene);
  EXPECT_FALSE(scene.executable.Exists("log/Batch-2.journal.part"));
  EXPECT_TRUE(scene.window.messages.empty());
  EXPECT_EQ(scene.folder.Contents(), (Contents{{"a", "content of a"}}));
}

}  // namespace
}  // namespace tolvane::testing
