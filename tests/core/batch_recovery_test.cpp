// Batches cut short after every possible step, on real temporary folders, then finished or
// undone at the next start; and the journals that recovery must leave alone or keep.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <iostream>
#include <fstream>
#include <set>
#include <unordered_map>

#include "core/batch_commit.h"
#include "core/batch_journal.h"
#include "core/batch_names.h"
#include "core/batch_record.h"
#include "core/batch_recovery.h"
#include "core/batch_undo.h"
#include "core/rename_order.h"
#include "tests/core/folder_check.h"
#include "tests/support/loop_volume.h"
#include "tests/support/fake_platform.h"
#include "core/rename_list.h"

namespace tolvane::testing {
namespace {

// A commit of `batch` that wrote its journal and was killed after `stepsDone` renames: the
// journal is on disk and nobody holds it. The batch is in the scene's folder, or in `elsewhere`
// (a folder on a volume of the test's own).
struct CutShortBatch {
  CutShortBatch(CommitScene& scene, const Batch& batch, std::size_t stepsDone, const std::string& elsewhere = {}) {
    const std::string path = elsewhere.empty() ? scene.folder.path() : elsewhere;
    if (elsewhere.empty()) scene.Load(batch);
    for (const BatchFile& file : elsewhere.empty() ? Batch{} : batch) {
      std::ofstream(path + "/" + file.oldName) << ContentOf(file.oldName);
      scene.list.Add(file.newName).Tag = file.oldName;
    }
    const Platform platform{scene.files, scene.system, scene.window};
    const std::unique_ptr<OpenedFolder> folder = scene.files.OpenFolder(path);
    const BatchNames names(scene.list, scene.files.ReadFolder(path));
    const BatchMoves moves = CollectMoves(scene.list);
    const RenameOrder order = OrderRenames(moves.moves, names);
    steps = order.steps.size();
    WriteJournal(platform, path, *folder, moves.moves, order);
    for (std::size_t step = 0; step < std::min(stepsDone, steps); ++step) {
      const auto [from, to] = order.NamesOf(order.steps[step], moves.moves);
      folder->RenameFile(from, to);
    }
  }
  std::size_t steps = 0;
};

// Every name of a folder with its file's content.
Contents ContentsOf(const std::string& folder) {
  Contents found;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path());
    found[entry.path().filename()] = std::string(std::istreambuf_iterator<char>(in), {});
  }
  return found;
}

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

void Recover(CommitScene& scene) { RecoverUnfinishedBatches(Platform{scene.files, scene.system, scene.window}); }

// The buttons of the recovery's question.
constexpr std::size_t kFinish = 0;
constexpr std::size_t kUndo = 1;
constexpr std::size_t kLater = 2;

std::string FirstMoves(const Batch& batch) {
  std::string text;
  for (std::size_t file = 0; file < std::min<std::size_t>(3, batch.size()); ++file) {
    text += (file ? ", " : "") + batch[file].oldName + " -> " + batch[file].newName;
  }
  return batch.size() > 3 ? text + ", ..." : text;
}

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
      for (const std::size_t answer : {kFinish, kUndo}) {
        const bool finish = answer == kFinish;
        SCOPED_TRACE(label + " cut after " + std::to_string(done) + " steps, " + (finish ? "Finish" : "Undo"));
        CommitScene scene;
        CutShortBatch(scene, batch, done);
        const auto before = NamesFound(scene.folder.Contents(), batch);
        std::size_t renamed = 0;
        std::size_t givenBack = 0;
        std::string lines;
        for (const BatchFile& file : batch) {
          const std::string& had = before.at(file.oldName);
          renamed += had == file.newName;
          givenBack += had != file.oldName;
          if (finish) lines += file.oldName + " -> " + file.newName + "\r\n";
          if (!finish && had != file.oldName) lines += had + " -> " + file.oldName + "\r\n";
        }
        scene.window.choices = {answer};
        Recover(scene);

        ASSERT_EQ(scene.window.choiceBoxes.size(), 1u) << scene.LastPrompt();
        const ChoiceBox& box = scene.window.choiceBoxes[0];
        const std::string later = "Later leaves everything as it is and asks again at the next start.";
        EXPECT_EQ(box.prompt,
                  done == steps ? "A rename in " + scene.folder.path() + " was finished, but its report was not "
                                      "written: all " + std::to_string(batch.size()) + " files have their new names (" +
                                      FirstMoves(batch) + ").\nFinish writes the report; Undo gives the files their "
                                      "old names back; " + later
                                : "A rename in " + scene.folder.path() + " was cut short: " + std::to_string(renamed) +
                                      " of " + std::to_string(batch.size()) + " files have their new names (" +
                                      FirstMoves(batch) + ").\nFinish renames the others; Undo gives the renamed "
                                      "files their old names back; " + later);
        EXPECT_EQ(box.buttons, (std::vector<std::string>{"&Finish", "&Undo", "&Later"}));
        EXPECT_EQ(box.defaultButton, kFinish);
        EXPECT_EQ(box.escapeButton, kLater);
        EXPECT_EQ(box.title, "Tolvane");
        // Once the batch is whole, a box says what was done.
        ASSERT_EQ(scene.window.messages.size(), 2u) << scene.LastPrompt();
        EXPECT_EQ(scene.LastPrompt(),
                  "The rename in " + scene.folder.path() +
                      (finish ? " is finished: " + std::to_string(batch.size()) + " files have their new names"
                              : " is undone: " + std::to_string(givenBack) + " files have their old names back") +
                      "; the report is " + scene.ReportPath() + ".");
        EXPECT_EQ(scene.folder.Contents(), AllUnder(batch, finish));
        EXPECT_EQ(scene.Report(), kReportHeader + lines + "Process Completed, Thank you\r\n");
        EXPECT_FALSE(scene.executable.Exists(kJournal));
        EXPECT_EQ(scene.system.launches.size(), 1u);

        // The recovered batch leaves its record: its undo takes back what the batch did, or
        // renames forward again the files the rollback gave their old names, unless a file
        // that had not moved (one waiting on its temporary name) holds a name they would get.
        Contents undone;
        std::set<std::string> unmoved;
        for (const BatchFile& file : batch) {
          const bool hadNew = before.at(file.oldName) == file.newName;
          undone[!finish && hadNew ? file.newName : file.oldName] = ContentOf(file.oldName);
          if (!hadNew) unmoved.insert(file.oldName);
        }
        const bool blocked = !finish && std::any_of(batch.begin(), batch.end(), [&](const BatchFile& file) {
          return !unmoved.contains(file.oldName) && unmoved.contains(file.newName);
        });
        EXPECT_EQ(UndoLastBatch(Platform{scene.files, scene.system, scene.window}, scene.folder.path()),
                  finish || unmoved.size() < batch.size());
        EXPECT_EQ(scene.folder.Contents(), blocked ? AllUnder(batch, false) : undone);
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
    std::size_t answer;
    long renamed;  // files under their new names at the end
    std::string told;
    std::string lines;
  } cases[] = {
      {kFinish, 0,
       "Renaming stopped at \"c1\" -> \"c2\":\nREASON\n0 of 4 files were renamed; the others keep their old names."
       "\nThe journal of the batch is kept, so that the rest is offered again at the next start.",
       ""},
      {kUndo, 4,
       "Giving the old names back stopped at \"c3\" -> \"c2\":\nREASON\n"
       "0 of 3 files have their old names back; the others keep the names they had."
       "\nThe journal of the batch is kept, so that the rest is offered again at the next start.",
       "tolvane-moving~c0 -> c1\r\nc1 -> c2\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer == kFinish ? "Finish" : "Undo");
    CommitScene scene;
    CutShortBatch(scene, batch, 3);  // c0 waits; c3 and c2 have their new names
    scene.window.choices = {c.answer};
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
    ASSERT_TRUE(scene.executable.Exists(kJournal)) << "a recovery that stopped keeps its journal";

    // The next start takes the batch up from where the recovery stopped.
    scene.window.choices = {c.answer};
    Recover(scene);
    EXPECT_EQ(scene.folder.Contents(), AllUnder(batch, c.answer == kFinish));
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
       "are not where the batch left them: \"1\" (to be \"2\")"},
      {"file renamed", [](CommitScene& scene) { std::filesystem::rename(scene.folder.Path("1"), scene.folder.Path("x")); },
       "are not where the batch left them: \"1\" (to be \"2\")"},
      // By names alone this looks like a batch that got one step further.
      {"file renamed into the free name",
       [](CommitScene& scene) { std::filesystem::rename(scene.folder.Path("1"), scene.folder.Path("3")); },
       "are not where the batch left them: \"1\" (to be \"2\")"},
      {"free name taken", [](CommitScene& scene) { scene.folder.WriteFile("3", "someone else's"); },
       "other files in "},
      {"journal damaged", [](CommitScene& scene) { scene.executable.WriteFile(kJournal, "Tolvane batch journal 1\n"); },
       "cannot be read: the journal is damaged"},
      // Only the last step done can have been cut between its link and its unlink.
      {"a file under both names of a step before the last done",
       [](CommitScene& scene) {
         std::filesystem::rename(scene.folder.Path("2"), scene.folder.Path("3"));
         std::filesystem::create_hard_link(scene.folder.Path("1"), scene.folder.Path("2"));
         std::filesystem::rename(scene.folder.Path("c0"), scene.folder.Path("t"));
         std::filesystem::rename(scene.folder.Path("c1"), scene.folder.Path("c0"));
         std::filesystem::rename(scene.folder.Path("t"), scene.folder.Path("c1"));
       },
       "are under neither their old nor their new names"},
      {"journal a link to a file",
       [](CommitScene& scene) {
         std::filesystem::rename(scene.executable.Path(kJournal), scene.executable.Path("elsewhere"));
         std::filesystem::create_symlink(scene.executable.Path("elsewhere"), scene.executable.Path(kJournal));
       },
       "cannot be read: Path/File access error"},
      {"journal of 8 GiB",
       [](CommitScene& scene) { std::filesystem::resize_file(scene.executable.Path(kJournal), std::uintmax_t{8} << 30); },
       "bytes, more than the 1073741824 it may"},
      {"name reaching out of the folder",
       [](CommitScene& scene) {
         RenameOrder order;
         order.steps = {{0, RenameStep::Part::Whole}};
         std::string text;
         LinuxFileSystem disk;
         EncodeJournal(scene.folder.path(), *disk.OpenFolder(scene.folder.path()), {{"..", "y"}}, order,
                       [&](std::string_view bytes) { text += bytes; });
         scene.executable.WriteFile(kJournal, text);
       },
       "a name that is not a file's name in its folder"},
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

// Several journals at one start: more than three are asked about in one box, whose answer
// holds for all; a journal another user planted is left alone; a second journal set aside
// takes the next free name.
TEST(BatchRecoveryTest, JournalsAtOneStartAreEachTheUsersOwn) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can plant a journal owned by another user";
  Batch batch;
  AddShifted(batch, "", 1, 2, 1);
  for (const std::size_t batches : {2u, 5u}) {  // the first is set aside
    SCOPED_TRACE(std::to_string(batches) + " batches");
    std::vector<std::unique_ptr<CommitScene>> scenes;
    for (std::size_t one = 0; one < batches; ++one) {
      scenes.push_back(std::make_unique<CommitScene>());
      if (one > 0) scenes.back()->system.environment = scenes[0]->system.environment;
      CutShortBatch(*scenes.back(), batch, 1);
    }
    CommitScene& first = *scenes[0];
    // Planted: a valid journal for a folder of the user's, written by someone else.
    CommitScene planted;
    planted.system.environment = first.system.environment;
    CutShortBatch(planted, batch, 1);
    const std::string plantedJournal = first.executable.Path("state/tolvane/Batch-" + std::to_string(batches + 1) + ".journal");
    ASSERT_EQ(chown(plantedJournal.c_str(), 4242, 4242), 0) << plantedJournal;
    first.executable.WriteFile(kJournal + ".kept", "set aside before");
    std::filesystem::rename(first.folder.Path("1"), first.folder.Path("x"));  // the first no longer fits
    first.window.choices = {kUndo};
    Recover(first);

    ASSERT_EQ(first.window.choiceBoxes.size(), 1u) << first.LastPrompt();
    EXPECT_EQ(first.window.choiceBoxes[0].prompt.starts_with("Renames in 4 folders were cut short:\n" +
                                                             scenes[1]->folder.path() + ": 1 of 2 files have their new names\n"),
              batches == 5)
        << first.window.choiceBoxes[0].prompt;
    EXPECT_TRUE(first.executable.Exists(kJournal + ".kept-2"));
    EXPECT_TRUE(std::filesystem::exists(plantedJournal)) << "another user's journal is left alone";
    EXPECT_EQ(planted.folder.Contents().count("3"), 1u) << "and nothing of it is done";
    for (std::size_t one = 1; one < batches; ++one) {
      EXPECT_EQ(scenes[one]->folder.Contents(), AllUnder(batch, false)) << one;
    }
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
  other.system.environment = scene.system.environment;
  other.window.choices = {kLater};
  Recover(other);
  ASSERT_EQ(other.window.messages.size(), 1u);
  EXPECT_EQ(other.files.renamesAsked, 0u) << "Later touches nothing";
  const Platform platform{other.files, other.system, other.window};
  EXPECT_TRUE(HasCutShortBatch(platform, scene.folder.path())) << "the batch waits";
  EXPECT_FALSE(HasCutShortBatch(platform, scene.executable.path())) << "in its own folder only";
  EXPECT_FALSE(RecoverCutShortBatches(platform, scene.executable.path())) << "another folder's menu finishes none";
  EXPECT_EQ(other.window.messages.size(), 1u);
  other.window.choices = {kFinish};
  Recover(other);
  ASSERT_EQ(other.window.messages.size(), 3u) << "asked again at the next start, and told what was done";
  EXPECT_EQ(scene.folder.Contents(), AllUnder(batch, true));
  EXPECT_FALSE(HasCutShortBatch(platform, scene.folder.path()));
}

// A journal cut short while it was written left no rename behind: it goes without a word,
// unless it is another user's.
TEST(BatchRecoveryTest, PartialJournalIsRemovedUnlessItsWriterHoldsIt) {
  CommitScene scene;
  scene.Load({{"a", "b"}});
  std::filesystem::create_directories(scene.executable.Path("state/tolvane"));
  const std::unique_ptr<DurableFile> writing = scene.disk.CreateDurableFile(scene.executable.Path(kJournal));
  writing->Write("Tolvane batch journal 1\nfolder ");
  Recover(scene);
  EXPECT_TRUE(scene.executable.Exists(kJournal + ".part")) << "its writer is still at it";

  scene.executable.WriteFile("state/tolvane/Batch-2.journal.part", "Tolvane batch journal 1\nfolder 4:/tmp");
  Recover(scene);
  EXPECT_FALSE(scene.executable.Exists("state/tolvane/Batch-2.journal.part"));
  EXPECT_TRUE(scene.window.messages.empty());
  EXPECT_EQ(scene.folder.Contents(), (Contents{{"a", "content of a"}}));

  const std::string others = "state/tolvane/Batch-3.journal.part";
  scene.executable.WriteFile(others, "Tolvane batch journal 1\nfolder 4:/tmp");
  if (chown(scene.executable.Path(others).c_str(), 4242, 4242) != 0) {
    GTEST_SKIP() << "only root can give a journal to another user; the rest ran";
  }
  Recover(scene);
  EXPECT_TRUE(scene.executable.Exists(others)) << "another user's is theirs to remove";
}

// A change of case alone on a volume that folds case goes through a temporary name; cut at
// any moment, it is finished or undone to exactly the asked bytes, whether the volume keeps
// its files' identities or only their names tell.
TEST(BatchRecoveryTest, ChangeOfCaseAloneIsFinishedOrUndoneFromAnyMoment) {
  for (const bool identities : {true, false}) {
    for (std::size_t done = 0; done <= 2; ++done) {
      for (const std::size_t answer : {kFinish, kUndo}) {
        SCOPED_TRACE(std::string(identities ? "identities" : "names") + ", cut after " + std::to_string(done) +
                     (answer == kFinish ? ", Finish" : ", Undo"));
        FakePlatform fake;
        fake.files.AddFolder("/card");
        fake.files.SetVolumeRules("/card", VolumeRules{true, NameRules::Unicode});
        if (!identities) fake.files.fleetingIdentities.insert("/card");
        fake.files.AddFile("/card/IMG.JPG", "photo");
        RenameList list;
        list.Add("img.jpg").Tag = "IMG.JPG";
        const std::unique_ptr<OpenedFolder> folder = fake.files.OpenFolder("/card");
        const BatchNames names(list, fake.files.ReadFolder("/card"), VolumeRules{true, NameRules::Unicode});
        const BatchMoves moves = CollectMoves(list);
        const RenameOrder order = OrderRenames(moves.moves, names);
        ASSERT_EQ(order.steps.size(), 2u);
        WriteJournal(fake.platform(), "/card", *folder, moves.moves, order);
        for (std::size_t step = 0; step < done; ++step) {
          const auto [from, to] = order.NamesOf(order.steps[step], moves.moves);
          folder->RenameFile(from, to);
        }
        fake.window.choices = {answer};
        RecoverUnfinishedBatches(fake.platform());
        ASSERT_EQ(fake.window.choiceBoxes.size(), 1u) << (fake.window.messages.empty() ? "" : fake.window.messages[0].prompt);
        EXPECT_EQ(fake.files.FilesIn("/card"),
                  (std::map<std::string, std::string>{{answer == kFinish ? "img.jpg" : "IMG.JPG", "photo"}}));
      }
    }
  }
}

// Where the rename refuses RENAME_NOREPLACE (ntfs-3g) a file is renamed by a link and an unlink;
// cut between the two, it is under both names. It counts as under its new name: finishing
// drops the old name, undoing the new one. On tmpfs identities tell it, on ntfs-3g names.
TEST(BatchRecoveryTest, FileLeftUnderBothNamesOfItsStepIsFinishedOrUndone) {
  Batch batch;
  AddShifted(batch, "", 1, 4, 1);  // 4 -> 5, 3 -> 4, 2 -> 3, 1 -> 2
  for (const bool ntfs : {false, true}) {
    std::optional<LoopVolume> volume;
    if (ntfs) volume.emplace(LoopVolume::Kind::Ntfs3g);
    if (volume && !volume->Mounted()) {
      std::cout << "ntfs-3g row skipped: " << volume->WhyNotMounted() << "\n";
      continue;
    }
    for (const std::size_t answer : {kFinish, kUndo}) {
      SCOPED_TRACE(std::string(ntfs ? "ntfs-3g" : "tmpfs") + (answer == kFinish ? ", Finish" : ", Undo"));
      CommitScene scene;
      const std::string here = (volume ? volume->Root() : scene.folder.path()) + "/x";
      std::filesystem::remove_all(here);
      std::filesystem::create_directory(here);
      CutShortBatch(scene, batch, 1, here);  // 4 -> 5
      ASSERT_EQ(link((here + "/3").c_str(), (here + "/4").c_str()), 0);  // 3 -> 4 cut after its link
      scene.window.choices = {answer};
      Recover(scene);

      ASSERT_EQ(scene.window.choiceBoxes.size(), 1u) << scene.LastPrompt();
      EXPECT_NE(scene.window.choiceBoxes[0].prompt.find("2 of 4 files have their new names"), std::string::npos)
          << scene.window.choiceBoxes[0].prompt;
      EXPECT_EQ(ContentsOf(here), AllUnder(batch, answer == kFinish));
      EXPECT_FALSE(scene.executable.Exists(kJournal));
    }
  }
}

// fusefat takes a file's old name away before it refuses a name beyond ASCII: the recovery
// refuses such a name, to give back or to give, before it renames anything, and says why.
TEST(BatchRecoveryTest, NameTheVolumeRefusesIsRefusedBeforeAnyRename) {
  LoopVolume card(LoopVolume::Kind::FuseFat);
  if (!card.Mounted()) GTEST_SKIP() << "FAT volume not mounted: " << card.WhyNotMounted();
  // A batch of one file, cut after its rename (to be undone) or before it (to be finished).
  const struct {
    std::size_t answer;
    NameMove move;
  } cases[] = {{kUndo, {"\xc3\x89t\xc3\xa9_1.jpg", "X01.jpg"}}, {kFinish, {"X01.jpg", "\xc3\x89t\xc3\xa9_1.jpg"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer == kUndo ? "Undo" : "Finish");
    CommitScene scene;
    const std::string here = card.Root() + "/DCIM";
    std::filesystem::remove_all(here);
    std::filesystem::create_directory(here);
    std::ofstream(here + "/X01.jpg") << "photo";
    RenameOrder order;
    order.steps = {{0, RenameStep::Part::Whole}};
    WriteJournal(Platform{scene.files, scene.system, scene.window}, here, *scene.disk.OpenFolder(here), {c.move}, order);
    scene.window.choices = {c.answer};
    Recover(scene);

    EXPECT_EQ(ContentsOf(here), (Contents{{"X01.jpg", "photo"}}));
    EXPECT_EQ(scene.LastPrompt(), "Nothing was renamed in " + here + ": the name \"\xc3\x89t\xc3\xa9_1.jpg\" cannot be "
                                  "given, since the volume of this folder takes only ASCII characters in a name.\nThe "
                                  "journal of the batch is kept, so that the rest is offered again at the next start.");
    EXPECT_TRUE(scene.executable.Exists(kJournal));
  }
}

// A memory card pulled out in the middle of a batch: while it is away, or another card is in its
// place, the question waits for it (Retry, Later), and plugged in again its folders have new
// identities but the same volume.
TEST(BatchRecoveryTest, CardPulledOutIsWaitedForAndKnownAgainWhenPluggedIn) {
  LoopVolume card(LoopVolume::Kind::ExfatFuse);
  if (!card.Mounted()) GTEST_SKIP() << "exFAT volume not mounted: " << card.WhyNotMounted();
  Batch batch;
  AddShifted(batch, "", 1, 3, 1);
  CommitScene scene;
  const std::string here = card.Root() + "/DCIM";
  std::filesystem::create_directory(here);
  std::filesystem::create_directory(card.Root() + "/MISC");
  const FileIdentity folderBefore = scene.disk.OpenFolder(here)->Identity();
  CutShortBatch(scene, batch, 1, here);  // 3 -> 4
  WriteRecord(Platform{scene.files, scene.system, scene.window}, here, *scene.disk.OpenFolder(here), {{"0", "1"}}, {});
  ASSERT_TRUE(card.Eject());
  {
    // Another card in its place, with a folder of the same path and names (below the root, which
    // keeps its identity across mounts), is not the batch's.
    LoopVolume other(LoopVolume::Kind::ExfatFuse, card.Root(), 40);
    ASSERT_TRUE(other.Mounted()) << other.WhyNotMounted();
    std::filesystem::create_directory(here);
    for (const BatchFile& file : batch) std::ofstream(here + "/" + file.oldName) << ContentOf(file.oldName);
    scene.window.choices = {1};  // Later
    Recover(scene);
    EXPECT_EQ(ContentsOf(here), AllUnder(batch, false));
    EXPECT_FALSE(LastUndoableBatch(Platform{scene.files, scene.system, scene.window}, here));
  }
  ASSERT_EQ(scene.window.choiceBoxes.size(), 1u) << scene.LastPrompt();
  EXPECT_EQ(scene.window.choiceBoxes[0].buttons, (std::vector<std::string>{"&Retry", "&Later"}));
  EXPECT_NE(scene.window.choiceBoxes[0].prompt.find("the volume it was on is not there now"), std::string::npos);
  EXPECT_TRUE(scene.executable.Exists(kJournal)) << "kept for the card's return";

  // Retry once the card is back.
  scene.window.onMessage = [&](const FakeWindow::Message& box) {
    if (box.prompt.find("not there now") != std::string::npos) {
      ASSERT_TRUE(card.PlugInAgain());
      // The file manager looks at the card first: the driver numbers its folders as it meets them.
      ASSERT_TRUE(std::filesystem::is_directory(card.Root() + "/MISC"));
    }
  };
  scene.window.choices = {0, kFinish};
  Recover(scene);
  ASSERT_EQ(scene.window.choiceBoxes.size(), 3u) << scene.LastPrompt();
  EXPECT_NE(scene.disk.OpenFolder(here)->Identity(), folderBefore) << "the driver gave the folder a new identity";
  EXPECT_NE(scene.window.choiceBoxes[2].prompt.find("1 of 3 files have their new names"), std::string::npos);
  EXPECT_EQ(ContentsOf(here), AllUnder(batch, true));
  EXPECT_FALSE(scene.executable.Exists(kJournal));
}

// The menu's undo cut short with three of five files back, and undone in its turn at the next
// start: the folder is as the batch left it, and that whole batch stays the one to undo.
TEST(BatchRecoveryTest, UndoCutShortAndUndoneLeavesTheWholeBatchToUndo) {
  Batch batch;
  AddShifted(batch, "", 1, 5, 10);  // 1 -> 11 ... 5 -> 15
  CommitScene scene;
  const Platform platform{scene.files, scene.system, scene.window};
  scene.Load(batch);
  scene.Rename();
  struct Killed {};
  const std::size_t renamed = scene.files.renamesAsked;
  scene.window.onYield = [&] {
    if (scene.files.renamesAsked == renamed + 3) throw Killed{};
  };
  EXPECT_THROW(UndoLastBatch(platform, scene.folder.path()), Killed);
  scene.window.onYield = nullptr;
  scene.window.choices = {kUndo};
  Recover(scene);
  EXPECT_EQ(scene.folder.Contents(), AllUnder(batch, true));
  EXPECT_EQ(LastUndoableBatch(platform, scene.folder.path()).value_or(UndoableBatch{}).files, batch.size());
}

}  // namespace
}  // namespace tolvane::testing
