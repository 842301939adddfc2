// A commit of thousands of files killed with SIGKILL at random moments. After each kill every
// file is in the folder exactly once, under its old or its new name, or (one file at most)
// under a temporary name that says whose file it is; and the next start finishes the batch or
// gives every file its old name back, as asked, even when that recovery is killed too. An undo
// of a recorded batch is killed the same way and recovered as any commit.
// TOLVANE_CRASH_FILES and TOLVANE_CRASH_KILLS ask for a longer run than the default.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <thread>
#include <unordered_map>

#include "core/batch_journal.h"
#include "core/batch_recovery.h"
#include "tests/core/crash_child/crash_batch.h"
#include "tests/core/folder_check.h"

extern char** environ;

namespace tolvane::testing {
namespace {

using Clock = std::chrono::steady_clock;

int FromEnvironment(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value ? std::atoi(value) : fallback;
}

// The commit program, started on a scene's folders to commit or to recover, with a pipe on
// which it says that the commit has begun or the recovery's question was answered.
class CommitChild {
 public:
  CommitChild(const CommitScene& scene, int files)
      : CommitChild({"commit", scene.folder.path(), scene.executable.path(), std::to_string(files)}) {}
  // The undo of the batch recorded for the scene's folder.
  explicit CommitChild(const CommitScene& scene)
      : CommitChild({"undo", scene.folder.path(), scene.executable.path()}) {}
  CommitChild(const CommitScene& scene, MessageAnswer answer)
      : CommitChild({"recover", scene.executable.path(), answer == MessageAnswer::Ok ? "ok" : "cancel"}) {}

  explicit CommitChild(const std::vector<std::string>& arguments) {
    int ends[2];
    if (pipe(ends) != 0) throw std::runtime_error("no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, ends[0]);
    std::vector<const char*> argv = {TOLVANE_COMMIT_CRASH_CHILD};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    const int failure = posix_spawn(&pid_, argv[0], &actions, nullptr, const_cast<char**>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    signal_ = ends[0];
    if (failure != 0) throw std::runtime_error("cannot start " + std::string(argv[0]));
  }
  ~CommitChild() {
    close(signal_);
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Wait();
    }
  }
  CommitChild(const CommitChild&) = delete;
  CommitChild& operator=(const CommitChild&) = delete;

  // False when the program ended before it began the commit.
  bool AwaitCommit() {
    char byte = 0;
    return read(signal_, &byte, 1) == 1;
  }

  // The wait status of the program.
  int Wait() {
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
  }

  void Kill() { kill(pid_, SIGKILL); }

 private:
  pid_t pid_ = -1;
  int signal_ = -1;
};

struct KillCount {
  int midway = 0;     // some files renamed, some not
  int temporary = 0;  // one file under its temporary name
  int unjournaled = 0;   // killed before its journal was whole: nothing renamed
  int recoveryKilled = 0;  // the recovery killed too, before it had ended
  int undos = 0;           // kills of an undo rather than of a commit
  int undosMidway = 0;     // of them, some files renamed, some not
};

// The files of `batch` under their old names, and the record of a batch that gave them those
// names: its undo renames as a commit of `batch` does.
void WriteRecordedBatch(CommitScene& scene, const Batch& batch) {
  WriteBatch(scene.folder, batch);
  std::filesystem::create_directories(scene.executable.Path("state/tolvane"));
  std::vector<NameMove> recorded;
  std::vector<FileIdentity> files;
  const std::unique_ptr<OpenedFolder> folder = scene.disk.OpenFolder(scene.folder.path());
  for (const BatchFile& file : batch) {
    recorded.push_back({file.newName, file.oldName});
    files.push_back(folder->Identify(file.oldName).value());
  }
  std::string record;
  EncodeRecord(scene.folder.path(), *folder, recorded, files, [&](std::string_view bytes) { record += bytes; });
  scene.executable.WriteFile("state/tolvane/Batch-20261206-140508.record", record);
}

// The report a recovery writes: every file old -> new when finishing, and each file not under
// its old name, from the name it has to its old one, when giving names back.
std::string RecoveryReport(const Contents& folder, const Batch& batch, bool finish) {
  std::unordered_map<std::string, std::string> nameOfContent;
  for (const auto& [name, content] : folder) nameOfContent[content] = name;
  std::string lines;
  for (const BatchFile& file : batch) {
    const std::string& had = nameOfContent.at(ContentOf(file.oldName));
    if (finish) lines += file.oldName + " -> " + file.newName + "\r\n";
    if (!finish && had != file.oldName) lines += had + " -> " + file.oldName + "\r\n";
  }
  return kReportHeader + lines + "Process Completed, Thank you\r\n";
}

// The next start, after a kill: the batch left by the commit (or by a recovery killed in turn)
// is finished or undone as `answer` says, exactly, and the report tells each file's rename.
::testing::AssertionResult RecoveredExactly(CommitScene& scene, const Batch& batch, MessageAnswer answer,
                                            KillCount& count) {
  const Contents before = scene.folder.Contents();
  const bool journaled = scene.executable.Exists(kJournal);
  const std::string reportBefore = scene.ReportWritten() ? scene.Report() : "";
  scene.window.choices = {answer == MessageAnswer::Ok ? 0u : 1u};  // Finish or Undo
  RecoverUnfinishedBatches(Platform{scene.disk, scene.system, scene.window});
  const Contents after = scene.folder.Contents();
  if (scene.executable.Exists(kJournal) || scene.executable.Exists(kJournal + ".part")) {
    return ::testing::AssertionFailure() << "a journal is left";
  }
  if (!journaled) {
    // Killed before its journal was whole, or after the commit or the recovery had ended.
    count.unjournaled += after == AllUnder(batch, false);
    if (!scene.window.messages.empty() || after != before ||
        (after != AllUnder(batch, false) && after != AllUnder(batch, true))) {
      return ::testing::AssertionFailure() << "without a journal the folder is not whole and untouched";
    }
    return ::testing::AssertionSuccess();
  }
  const bool finish = answer == MessageAnswer::Ok;
  // The question, and what was done.
  if (scene.window.messages.size() != 2 ||
      scene.LastPrompt().find(finish ? " is finished: " : " is undone: ") == std::string::npos) {
    return ::testing::AssertionFailure() << "asked " << scene.LastPrompt();
  }
  if (after != AllUnder(batch, finish)) {
    BatchWhereabouts where;
    return ::testing::AssertionFailure() << "not every file under its " << (finish ? "new" : "old") << " name: "
                                         << EveryFileOnce(after, batch, where).message();
  }
  const std::string expected = reportBefore + RecoveryReport(before, batch, finish);
  if (scene.Report() != expected) {
    return ::testing::AssertionFailure() << "the report\n" << scene.Report().substr(0, 2000) << "\ninstead of\n"
                                         << expected.substr(0, 2000);
  }
  return ::testing::AssertionSuccess();
}

TEST(CrashTest, KilledCommitLeavesEveryFileOnceAndIsFinishedOrUndoneAtTheNextStart) {
  const int files = FromEnvironment("TOLVANE_CRASH_FILES", 10000);
  const int kills = FromEnvironment("TOLVANE_CRASH_KILLS", 20);
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  const Batch batch = CrashBatch(files);

  // An uncut commit first, and an uncut undo of the same renames: each must complete, and its
  // length spreads the kills (an undo reads and checks its record before its first rename).
  const auto uncutLength = [&](bool undo) {
    CommitScene scene;
    undo ? WriteRecordedBatch(scene, batch) : WriteBatch(scene.folder, batch);
    CommitChild child = undo ? CommitChild(scene) : CommitChild(scene, files);
    EXPECT_TRUE(child.AwaitCommit());
    const auto begun = Clock::now();
    const int status = child.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ(scene.folder.Contents(), AllUnder(batch, true));
    return Clock::now() - begun;
  };
  const Clock::duration commitLength = uncutLength(false);
  const Clock::duration undoLength = uncutLength(true);
  if (::testing::Test::HasFailure()) return;

  std::mt19937 random(seed);
  std::uniform_int_distribution<Clock::rep> undoDelays(undoLength.count() / 4, undoLength.count());
  std::uniform_int_distribution<Clock::rep> delays(0, commitLength.count());
  // The first kills come while the batch is checked and its journal written.
  std::uniform_int_distribution<Clock::rep> earlyDelays(0, commitLength.count() / 20);
  // A recovery says it is answered once it has read its folder, and then only renames: killed
  // within a tenth of a commit's time, it is killed in its renames, before it has ended.
  std::uniform_int_distribution<Clock::rep> recoveryDelays(0, commitLength.count() / 10);
  KillCount count;
  // Every third kill is of an undo: of a batch that gave the files the names the crash batch
  // takes from them, so that the undo renames as the crash batch does.
  // Kills go on past `kills` (up to three times as many) until one came in the middle of the
  // renames and one recovery was killed, so that a run never passes without either.
  const auto covered = [&] { return count.midway > 0 && count.recoveryKilled > 0; };
  int kill = 1;
  for (; kill <= kills || (!covered() && kill <= 3 * kills); ++kill) {
    const bool undo = kill % 3 == 0;
    const Clock::duration delay(undo ? undoDelays(random) : kill <= kills / 5 ? earlyDelays(random) : delays(random));
    const MessageAnswer answer = kill % 2 == 0 ? MessageAnswer::Ok : MessageAnswer::Cancel;
    SCOPED_TRACE("kill " + std::to_string(kill) + (undo ? " of an undo" : "") + " after " +
                 std::to_string(std::chrono::duration<double>(delay).count()) + " s");
    CommitScene scene;
    if (undo) {
      WriteRecordedBatch(scene, batch);
      ++count.undos;
    } else {
      WriteBatch(scene.folder, batch);
    }
    {
      CommitChild child = undo ? CommitChild(scene) : CommitChild(scene, files);
      ASSERT_TRUE(child.AwaitCommit());
      std::this_thread::sleep_for(delay);
      child.Kill();
      child.Wait();
    }
    BatchWhereabouts where;
    ASSERT_TRUE(EveryFileOnce(scene.folder.Contents(), batch, where, {}, 1));
    const auto renamed = std::count(where.renamed.begin(), where.renamed.end(), true);
    count.midway += renamed > 0 && renamed < files;
    count.undosMidway += undo && renamed > 0 && renamed < files;
    count.temporary += where.temporary > 0;
    if ((kill % 4 == 0 || count.recoveryKilled == 0) && scene.executable.Exists(kJournal)) {
      // The recovery is killed too, somewhere in its own renames: soon after its answer, so
      // that every run kills one before it has ended.
      CommitChild recovery(scene, answer);
      ASSERT_TRUE(recovery.AwaitCommit());
      std::this_thread::sleep_for(Clock::duration(recoveryDelays(random)));
      recovery.Kill();
      count.recoveryKilled += WIFSIGNALED(recovery.Wait());
      ASSERT_TRUE(EveryFileOnce(scene.folder.Contents(), batch, where, {}, 1));
    }
    EXPECT_TRUE(RecoveredExactly(scene, batch, answer, count)) << (answer == MessageAnswer::Ok ? "OK" : "Cancel");
  }
  std::cout << kill - 1 << " kills of a commit of " << files << " files lasting "
            << std::chrono::duration<double>(commitLength).count() << " s: " << count.midway << " midway, "
            << count.temporary << " with a file under its temporary name, " << count.unjournaled
            << " before the journal was whole, " << count.recoveryKilled << " recoveries killed, " << count.undos
            << " of them undos, " << count.undosMidway
            << " of those midway\n";
  EXPECT_GT(count.midway, 0) << "no kill came in the middle of the renames";
  EXPECT_GT(count.recoveryKilled, 0) << "no recovery was killed before it had ended";
}

}  // namespace
}  // namespace tolvane::testing
