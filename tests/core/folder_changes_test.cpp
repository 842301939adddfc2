// The folder changing under Tolvane, between the preview and the commit (while the
// confirmation is open) and during the commit (while it yields): each change gives a clear
// message, and no file is lost, doubled or left under a name nobody chose.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>

#include "tests/core/folder_check.h"

namespace tolvane::testing {
namespace {

const std::string kNewcomer = "made by someone else";

// "1" and "2" shift by one (renamed "2" first, then "1"); "b" is renamed last.
Batch ChainAndOne() { return {{"1", "2"}, {"2", "3"}, {"b", "y"}}; }

// Renamed as "p" to its temporary name, "r" -> "p", "q" -> "r", and the temporary to "q".
Batch ThreeCycle() {
  Batch batch;
  AddCycle(batch, "c", 3);
  return batch;
}

// Makes a folder refuse every change of its names: by its mode, and for root, whom modes do
// not stop, by the immutable attribute. Where neither holds (root without the right to set
// it), the commit's renames are made to fail from now on as on a read-only file system.
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(CommitScene& scene) : path_(scene.folder.path()) {
    chmod(path_.c_str(), 0555);
    if (geteuid() == 0) SetImmutable(true);
    if (Refuses()) return;
    std::cout << "the folder cannot be made read-only here: renames fail as on a read-only file system\n";
    scene.files.FailRename(1, EROFS, {}, true);
  }
  ~ReadOnlyFolder() {
    SetImmutable(false);
    chmod(path_.c_str(), 0700);
  }
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

 private:
  void SetImmutable(bool immutable) const {
    const int fd = open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    int flags = 0;
    if (ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags = immutable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
      ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    close(fd);
  }

  bool Refuses() const {
    const std::string probe = path_ + "/probe";
    const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return true;
    close(fd);
    unlink(probe.c_str());
    return false;
  }

  std::string path_;
};

void MakeFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0755) != 0) throw std::runtime_error("cannot make " + path);
}

void MoveAside(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0) throw std::runtime_error("cannot move " + from);
}

// A change someone makes to the scene's folder; it says what it did.
using Change = std::function<OutsideChanges(CommitScene&)>;

OutsideChanges DeleteFile(CommitScene& scene, const std::string& name) {
  std::filesystem::remove(scene.folder.Path(name));
  return {{}, {name}};
}

OutsideChanges CreateFile(CommitScene& scene, const std::string& name) {
  scene.folder.WriteFile(name, kNewcomer);
  return {{{name, kNewcomer}}, {}};
}

struct Refusal {
  const char* what;
  Change change;
  std::string line;  // the problem listed
};

TEST(FolderChangesTest, ChangeBeforeTheCommitIsFoundByTheCheckAndNothingIsRenamed) {
  const std::vector<Refusal> cases{
      {"a file deleted", [](CommitScene& s) { return DeleteFile(s, "b"); },
       "1 file is no longer in the folder: \"b\"."},
      {"a file renamed",
       [](CommitScene& s) {
         MoveAside(s.folder.Path("b"), s.folder.Path("b2"));
         return OutsideChanges{{{"b2", ContentOf("b")}}, {"b"}};
       },
       "1 file is no longer in the folder: \"b\"."},
      {"a file created under a new name", [](CommitScene& s) { return CreateFile(s, "y"); },
       "1 new name is held by an item of the folder that is not renamed: \"y\"."},
      {"a folder created under a new name",
       [](CommitScene& s) {
         MakeFolder(s.folder.Path("3"));
         return OutsideChanges{{{"3", "<dir>"}}, {}};
       },
       "1 new name is held by an item of the folder that is not renamed: \"3\"."},
      {"a file replaced by a folder",
       [](CommitScene& s) {
         DeleteFile(s, "1");
         MakeFolder(s.folder.Path("1"));
         return OutsideChanges{{{"1", "<dir>"}}, {"1"}};
       },
       "1 name now belongs to a folder or another item that is not a file: \"1\"."},
  };
  // The commit checks the folder itself, or takes the load's read of it or the preview's check
  // while a watch on the folder vouches for them.
  enum Kept { Nothing, LoadsRead, PreviewCheck };
  for (const Kept kept : {Nothing, LoadsRead, PreviewCheck}) {
    for (const Refusal& c : cases) {
      const std::array<const char*, 3> after{"", ", after the load's read", ", after the preview's check"};
      SCOPED_TRACE(std::string(c.what) + after[kept]);
      CommitScene scene(kept == Nothing ? TempFolder::Storage::Default : TempFolder::Storage::Memory);
      scene.Load(ChainAndOne());
      const bool watched = kept == LoadsRead ? scene.KeepLoadsRead() : kept == Nothing || scene.KeepPreviewCheck();
      if (!watched) GTEST_SKIP() << "the temporary folder cannot be watched here";
      OutsideChanges outside;
      scene.window.onMessage = [&](const FakeWindow::Message& message) {
        if (message.title == "Confirmation") outside = c.change(scene);
      };
      scene.Rename();
      BatchWhereabouts where;
      EXPECT_TRUE(EveryFileOnce(scene.folder.Contents(), ChainAndOne(), where, outside));
      EXPECT_EQ(std::count(where.renamed.begin(), where.renamed.end(), true), 0);
      EXPECT_TRUE(RefusedWith(scene, c.line));
    }
  }
}

// The folder gone or moved away while the confirmation is open: an error that names the
// folder and says that nothing was renamed.
TEST(FolderChangesTest, FolderGoneBeforeTheCommitStopsItBeforeAnyRename) {
  for (const int gone : {0, 1, 2, 3}) {
    const bool moved = gone % 2 == 1;
    const bool previewChecked = gone >= 2;
    SCOPED_TRACE(std::string(moved ? "moved away" : "deleted") + (previewChecked ? ", after the preview's check" : ""));
    CommitScene scene(previewChecked ? TempFolder::Storage::Memory : TempFolder::Storage::Default);
    scene.Load(ChainAndOne());
    if (previewChecked && !scene.KeepPreviewCheck()) GTEST_SKIP() << "the temporary folder cannot be watched here";
    const std::string path = scene.folder.path();
    const std::string away = path + "-away";
    scene.window.onMessage = [&](const FakeWindow::Message&) {
      if (moved) {
        MoveAside(path, away);
      } else {
        std::filesystem::remove_all(path);
      }
    };
    try {
      scene.Rename();
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_EQ(error.Description(), "Nothing was renamed, because the folder cannot be read: File not found: " + path +
                                         " (No such file or directory)");
    }
    EXPECT_EQ(scene.files.renamesAsked, 0u);
    EXPECT_FALSE(scene.ReportWritten());
    if (!moved) continue;
    MoveAside(away, path);
    BatchWhereabouts where;
    EXPECT_TRUE(EveryFileOnce(scene.folder.Contents(), ChainAndOne(), where));
    EXPECT_EQ(std::count(where.renamed.begin(), where.renamed.end(), true), 0);
  }
}

struct Interruption {
  const char* what;
  Batch batch;
  int afterYield;  // 0: while the confirmation is open
  Change change;
  BatchFile failed;
  std::string reasonStart;
  std::size_t temporaryLeft = 0;
};

TEST(FolderChangesTest, ChangeDuringTheCommitStopsItTruthfully) {
  std::optional<ReadOnlyFolder> readOnly;
  const Change makeReadOnly = [&](CommitScene& s) {
    readOnly.emplace(s);
    return OutsideChanges{};
  };
  const std::vector<Interruption> cases{
      {"a later file deleted",
       ChainAndOne(),
       1,
       [](CommitScene& s) { return DeleteFile(s, "b"); },
       {"b", "y"},
       "File not found: "},
      {"a new name taken",
       ChainAndOne(),
       1,
       [](CommitScene& s) { return CreateFile(s, "y"); },
       {"b", "y"},
       "File already exists: "},
      {"the folder made read-only before", ChainAndOne(), 0, makeReadOnly, {"2", "3"}, "Permission denied: "},
      {"the folder made read-only", ChainAndOne(), 1, makeReadOnly, {"1", "2"}, "Permission denied: "},
      {"the folder made read-only in a cycle", ThreeCycle(), 1, makeReadOnly, {"c1", "c2"}, "Permission denied: ", 1},
      {"a file of a cycle deleted",
       ThreeCycle(),
       1,
       [](CommitScene& s) { return DeleteFile(s, "c1"); },
       {"c1", "c2"},
       "File not found: "},
      {"the waiting file's new name taken",
       ThreeCycle(),
       2,
       [](CommitScene& s) { return CreateFile(s, "c1"); },
       {"c0", "c1"},
       "File already exists: ",
       1},
  };
  for (const Interruption& c : cases) {
    SCOPED_TRACE(c.what);
    CommitScene scene;
    scene.Load(c.batch);
    OutsideChanges outside;
    scene.window.onMessage = [&](const FakeWindow::Message& message) {
      if (c.afterYield == 0 && message.title == "Confirmation") outside = c.change(scene);
    };
    scene.window.onYield = [&] {
      if (scene.window.yields == c.afterYield) outside = c.change(scene);
    };
    scene.Rename();
    readOnly.reset();
    BatchWhereabouts where;
    EXPECT_TRUE(EveryFileOnce(scene.folder.Contents(), c.batch, where, outside, c.temporaryLeft));
    EXPECT_EQ(where.temporary, c.temporaryLeft);
    const std::string reason = StopReason(scene);
    EXPECT_TRUE(reason.starts_with(c.reasonStart)) << reason;
    EXPECT_TRUE(ToldTheStop(scene, c.batch, where, c.failed, reason));
  }
}

// Another folder put in the folder's place in the middle of the commit: the renames go on in
// the folder that was checked, and the newcomer and its files are left alone.
TEST(FolderChangesTest, FolderSwappedDuringTheCommitKeepsItsRenamesInTheFolderChecked) {
  CommitScene scene;
  scene.Load(ThreeCycle());
  const std::string path = scene.folder.path();
  const std::string away = path + "-away";
  Contents newcomers;
  scene.window.onYield = [&] {
    if (scene.window.yields != 1) return;
    MoveAside(path, away);
    MakeFolder(path);
    for (const BatchFile& file : ThreeCycle()) {
      scene.folder.WriteFile(file.oldName, kNewcomer);
      newcomers[file.oldName] = kNewcomer;
    }
  };
  scene.Rename();
  EXPECT_EQ(scene.LastPrompt(), "File rename completed");
  EXPECT_EQ(scene.folder.Contents(), newcomers);
  std::filesystem::remove_all(path);
  MoveAside(away, path);
  BatchWhereabouts where;
  EXPECT_TRUE(EveryFileOnce(scene.folder.Contents(), ThreeCycle(), where));
  EXPECT_EQ(std::count(where.renamed.begin(), where.renamed.end(), true), 3);
}

}  // namespace
}  // namespace tolvane::testing
