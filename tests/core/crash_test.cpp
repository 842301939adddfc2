// A commit of thousands of files killed with SIGKILL at random moments. After each kill every
// file is in the folder exactly once, under its old or its new name, or (one file at most)
// under a temporary name that says whose file it is.
// TOLVANE_CRASH_FILES and TOLVANE_CRASH_KILLS ask for a longer run than the default.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>
#include <thread>

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

// The commit program, started on a scene's folders, with a pipe on which it says that the
// commit has begun.
class CommitChild {
 public:
  CommitChild(const CommitScene& scene, int files) {
    int ends[2];
    if (pipe(ends) != 0) throw std::runtime_error("no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, ends[0]);
    const std::string count = std::to_string(files);
    const char* argv[] = {TOLVANE_COMMIT_CRASH_CHILD, scene.folder.path().c_str(), scene.executable.path().c_str(),
                          count.c_str(), nullptr};
    const int failure = posix_spawn(&pid_, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
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
};

TEST(CrashTest, KilledCommitLeavesEveryFileOnceAndNamesTheWaitingOne) {
  const int files = FromEnvironment("TOLVANE_CRASH_FILES", 10000);
  const int kills = FromEnvironment("TOLVANE_CRASH_KILLS", 20);
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  const Batch batch = CrashBatch(files);

  // An uncut commit first: it must complete, and its length spreads the kills.
  Clock::duration commitLength{};
  {
    CommitScene scene;
    WriteBatch(scene.folder, batch);
    CommitChild child(scene, files);
    ASSERT_TRUE(child.AwaitCommit());
    const auto begun = Clock::now();
    const int status = child.Wait();
    commitLength = Clock::now() - begun;
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    BatchWhereabouts where;
    ASSERT_TRUE(EveryFileOnce(scene.folder.Contents(), batch, where));
    ASSERT_EQ(std::count(where.renamed.begin(), where.renamed.end(), true), files);
  }

  std::mt19937 random(seed);
  std::uniform_int_distribution<Clock::rep> delays(0, commitLength.count());
  KillCount count;
  for (int kill = 1; kill <= kills; ++kill) {
    const Clock::duration delay(delays(random));
    SCOPED_TRACE("kill " + std::to_string(kill) + " after " +
                 std::to_string(std::chrono::duration<double>(delay).count()) + " s");
    CommitScene scene;
    WriteBatch(scene.folder, batch);
    {
      CommitChild child(scene, files);
      ASSERT_TRUE(child.AwaitCommit());
      std::this_thread::sleep_for(delay);
      child.Kill();
      child.Wait();
    }
    BatchWhereabouts where;
    ASSERT_TRUE(EveryFileOnce(scene.folder.Contents(), batch, where, {}, 1));
    const auto renamed = std::count(where.renamed.begin(), where.renamed.end(), true);
    count.midway += renamed > 0 && renamed < files;
    count.temporary += where.temporary > 0;
  }
  std::cout << kills << " kills of a commit of " << files << " files lasting "
            << std::chrono::duration<double>(commitLength).count() << " s: " << count.midway << " midway, "
            << count.temporary << " with a file under its temporary name\n";
  EXPECT_GT(count.midway, 0) << "no kill came in the middle of the renames";
}

}  // namespace
}  // namespace tolvane::testing
