// Commits on real temporary folders through LinuxFileSystem, with a fixed clock and a window
// that answers OK; renames can be made to fail through FaultyFileSystem.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <filesystem>
#include <map>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/batch_journal.h"
#include "core/batch_record.h"
#include "core/batch_undo.h"
#include "core/numbered_name.h"
#include "core/preview.h"
#include "core/rename_order.h"
#include "platform/linux_file_system.h"
#include "tests/support/fake_platform.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/loop_volume.h"
#include "tests/support/scripted_calls.h"
#include "tests/support/temp_folder.h"
#include "tests/core/folder_check.h"

namespace tolvane {
namespace {

using testing::FakeSystem;
using testing::FakeWindow;
using testing::FaultyFileSystem;
using testing::ScriptedCalls;
using testing::TempFolder;
using testing::Contents;
using testing::kJournal;
using testing::kReportHeader;
using testing::kReportName;

constexpr PreviewFlags kAfterPreview{.simulate = false, .rename = true, .undo = true};

const std::string kConfirmation = "This process is irreversible, are you sure to rename the file according to list?";

NamingFields Numbered(const std::string& start, const std::string& before = "") {
  return NamingFields{.PrefixBefore = before, .PrefixAfter = "", .SequenceStart = start, .SequencePattern = "00"};
}

// The shared scene on the system's temporary folder, with the ways these tests fill it.
struct CommitScene : testing::CommitScene {
  explicit CommitScene(const no_replace_rename::SystemCalls& calls = no_replace_rename::KernelCalls())
      : testing::CommitScene(TempFolder::Storage::Default, calls) {}

  // Writes each file with its own name as content and lists the given names in this order.
  void Load(const std::vector<std::string>& fileNames, const std::vector<std::string>& listed) {
    for (const std::string& name : fileNames) folder.WriteFile(name, "content of " + name);
    for (const std::string& name : listed) list.Add(name);
  }

  // Previews the entries, as (old name, new name): a real preview, so that the flags are
  // those it leaves, then the new names put in by hand.
  void PreviewAs(const std::vector<std::pair<std::string, std::string>>& entries) {
    for (const auto& [tag, text] : entries) {
      list.Add(tag);
      if (!folder.Exists(tag)) folder.WriteFile(tag, "content of " + tag);
    }
    preview.Simulate(Numbered("1"));
    for (std::size_t entry = 0; entry < entries.size(); ++entry) {
      list.Item(static_cast<RenameList::Position>(entry + 1)).Text = entries[entry].second;
    }
  }

  // Commits a.txt as 01.txt and gives the description of the error that the commit raises.
  std::string CommitOneFileFailing() {
    Load({"a.txt"}, {"a.txt"});
    preview.Simulate(Numbered("1"));
    try {
      Rename();
    } catch (const Error& error) {
      return error.Description();
    }
    ADD_FAILURE() << "no error";
    return {};
  }

  std::vector<std::string> Prompts() const {
    std::vector<std::string> prompts;
    for (const auto& message : window.messages) prompts.push_back(message.prompt);
    return prompts;
  }
};

class CommitFolderTest : public ::testing::Test, protected CommitScene {};

TEST_F(CommitFolderTest, WorkedExampleRenamesAndWritesTheReport) {
  Load({"a.txt", "b.jpg"}, {"a.txt", "b.jpg"});
  preview.Simulate(Numbered("1", "Trip"));
  Rename();
  EXPECT_EQ(folder.Contents(), (Contents{{"Trip01.txt", "content of a.txt"}, {"Trip02.jpg", "content of b.jpg"}}));
  EXPECT_EQ(Prompts(), (std::vector<std::string>{kConfirmation, "File rename completed"}));
  EXPECT_EQ(Report(), kReportHeader +
                          "a.txt -> Trip01.txt\r\n"
                          "b.jpg -> Trip02.jpg\r\n"
                          "Process Completed, Thank you\r\n");
  EXPECT_EQ(system.launches,
            (std::vector<std::vector<std::string>>{{"xdg-open", executable.path() + "/log/" + kReportName}}));
  EXPECT_EQ(preview.Flags(), (PreviewFlags{.simulate = true, .rename = true, .undo = false}));
}

TEST_F(CommitFolderTest, TwoCommitsInOneSecondShareOneReportFile) {
  Load({"a.txt"}, {"a.txt"});
  preview.Simulate(Numbered("1"));
  Rename();
  preview.Simulate(Numbered("5"));
  Rename();
  EXPECT_EQ(folder.Contents(), (Contents{{"05.txt", "content of a.txt"}}));
  EXPECT_EQ(Report(), kReportHeader + "a.txt -> 01.txt\r\nProcess Completed, Thank you\r\n" + kReportHeader +
                          "01.txt -> 05.txt\r\nProcess Completed, Thank you\r\n");
}

TEST_F(CommitFolderTest, EmptyListGivesAThreeLineReport) {
  preview.Simulate(Numbered("1"));
  Rename();
  EXPECT_EQ(Report(), kReportHeader + "Process Completed, Thank you\r\n");
  EXPECT_TRUE(folder.Contents().empty());
}

struct Reorder {
  const char* what;
  std::vector<std::string> listed;  // list order of the files 01.jpg, 02.jpg, 03.jpg
  std::string start;
  Contents expected;
  std::string reportLines;
};

TEST_F(CommitFolderTest, ChainsSwapsAndCyclesFollowTheList) {
  const std::vector<Reorder> cases{
      {"chain", {"01.jpg", "02.jpg"}, "2",
       {{"02.jpg", "content of 01.jpg"}, {"03.jpg", "content of 02.jpg"}},
       "01.jpg -> 02.jpg\r\n02.jpg -> 03.jpg\r\n"},
      {"swap", {"02.jpg", "01.jpg"}, "1",
       {{"01.jpg", "content of 02.jpg"}, {"02.jpg", "content of 01.jpg"}},
       "02.jpg -> 01.jpg\r\n01.jpg -> 02.jpg\r\n"},
      {"three-file cycle", {"02.jpg", "03.jpg", "01.jpg"}, "1",
       {{"01.jpg", "content of 02.jpg"}, {"02.jpg", "content of 03.jpg"}, {"03.jpg", "content of 01.jpg"}},
       "02.jpg -> 01.jpg\r\n03.jpg -> 02.jpg\r\n01.jpg -> 03.jpg\r\n"},
  };
  for (const Reorder& c : cases) {
    SCOPED_TRACE(c.what);
    CommitScene t;
    t.Load(c.listed, c.listed);
    t.preview.Simulate(Numbered(c.start));
    t.Rename();
    EXPECT_EQ(t.folder.Contents(), c.expected);
    EXPECT_EQ(t.Report(), kReportHeader + c.reportLines + "Process Completed, Thank you\r\n");
    EXPECT_EQ(t.window.messages.back().prompt, "File rename completed");
  }
}

TEST_F(CommitFolderTest, TenThousandFilesShiftedByOne) {
  constexpr int kFiles = 10000;
  std::vector<std::string> names;
  for (int i = 1; i <= kFiles; ++i) names.push_back(std::to_string(100000 + i).substr(1) + ".dat");
  Load(names, names);
  const auto started = std::chrono::steady_clock::now();
  preview.Simulate(NamingFields{.PrefixBefore = "", .PrefixAfter = "", .SequenceStart = "2", .SequencePattern = "00000"});
  Rename();
  const auto took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::cout << "preview and commit of " << kFiles << " files as one chain: " << took << " s\n";
  const Contents contents = folder.Contents();
  ASSERT_EQ(contents.size(), static_cast<std::size_t>(kFiles));
  for (int i = 1; i <= kFiles; ++i) {
    ASSERT_EQ(contents.at(std::to_string(100000 + i + 1).substr(1) + ".dat"), "content of " + names[i - 1]);
  }
  EXPECT_EQ(window.progress.back(), (std::pair<std::size_t, std::size_t>{kFiles, kFiles}));
  const std::string report = Report();
  EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), kFiles + 3);
}

struct Refusal {
  const char* what;
  std::vector<std::pair<std::string, std::string>> entries;  // old name, new name; old files are made
  std::vector<std::string> extraFiles;
  std::vector<std::string> folders;
  std::vector<std::string> missing;           // old names whose file is removed before the commit
  std::vector<std::string> replacedByFolder;  // old names whose file becomes a folder
  std::string expectedLine;
};

TEST_F(CommitFolderTest, ProblemsFoundBeforeTheFirstRenameStopEverything) {
  const std::string long256(256, 'L');
  const std::vector<Refusal> cases{
      {"missing file", {{"a", "x"}, {"b", "y"}}, {}, {}, {"b"}, {}, "1 file is no longer in the folder: \"b\"."},
      {"folder in place of the file", {{"a", "x"}}, {}, {}, {}, {"a"},
       "1 name now belongs to a folder or another item that is not a file: \"a\"."},
      {"empty new name", {{"a", ""}}, {}, {}, {}, {}, "1 new name cannot be given (the new name is empty): \"\"."},
      {"dot", {{"a", "."}}, {}, {}, {}, {}, "1 new name cannot be given (\".\" and \"..\" cannot be file names): \".\"."},
      {"dot dot", {{"a", ".."}}, {}, {}, {}, {}, "1 new name cannot be given (\".\" and \"..\" cannot be file names): \"..\"."},
      {"slash", {{"a", "d/b"}}, {}, {"d"}, {}, {}, "1 new name cannot be given (the new name holds a \"/\"): \"d/b\"."},
      {"256 bytes", {{"a", long256}}, {}, {}, {}, {}, "1 new name cannot be given (the new name is longer than 255 bytes): \"" + long256 + "\"."},
      {"duplicates", {{"a", "x"}, {"b", "x"}}, {}, {}, {}, {}, "2 new names are given to more than one file: \"x\", \"x\"."},
      {"name held outside the batch", {{"a", "keep"}}, {"keep"}, {}, {}, {},
       "1 new name is held by an item of the folder that is not renamed: \"keep\"."},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.what);
    CommitScene t;
    for (const std::string& name : c.folders) ASSERT_EQ(mkdir(t.folder.Path(name).c_str(), 0755), 0);
    for (const std::string& name : c.extraFiles) t.folder.WriteFile(name, "other");
    t.PreviewAs(c.entries);
    for (const std::string& name : c.replacedByFolder) {
      std::remove(t.folder.Path(name).c_str());
      ASSERT_EQ(mkdir(t.folder.Path(name).c_str(), 0755), 0);
    }
    for (const std::string& name : c.missing) std::remove(t.folder.Path(name).c_str());
    const Contents before = t.folder.Contents();
    t.Rename();
    EXPECT_EQ(t.folder.Contents(), before);
    EXPECT_EQ(t.files.renamesAsked, 0u);
    EXPECT_FALSE(t.ReportWritten());
    EXPECT_TRUE(t.system.launches.empty());
    EXPECT_EQ(t.preview.Flags(), kAfterPreview);
    ASSERT_EQ(t.window.messages.size(), 2u);
    const std::string& message = t.window.messages[1].prompt;
    EXPECT_TRUE(message.starts_with("Nothing was renamed, because of these problems:\n")) << message;
    EXPECT_NE(message.find(c.expectedLine), std::string::npos) << message;
    EXPECT_EQ(t.window.messages[1].title, std::nullopt);
  }
}

// The batches the fault tests break: old name -> new name, in list order.
struct Batch {
  const char* what;
  std::vector<std::pair<std::string, std::string>> entries;
};

const std::vector<Batch>& FaultBatches() {
  static const std::vector<Batch> batches{
      {"independent", {{"a", "x"}, {"b", "y"}, {"c", "z"}}},
      {"chain", {{"1", "2"}, {"2", "3"}, {"3", "4"}}},
      {"three-file cycle", {{"p", "q"}, {"q", "r"}, {"r", "p"}}},
      {"swap beside a chain", {{"s", "t"}, {"t", "s"}, {"1", "2"}, {"2", "3"}}},
  };
  return batches;
}

// After a failed commit: every file's content once, under its old or its new name, no
// other name in the folder, and message and report telling what was renamed.
void ExpectTruthfulStop(const CommitScene& t, const Batch& batch, const std::string& failedOldPath, int errnum) {
  const Contents contents = t.folder.Contents();
  ASSERT_EQ(contents.size(), batch.entries.size());
  std::size_t renamed = 0;
  std::string renamedLines;
  for (const auto& [oldName, newName] : batch.entries) {
    const std::string content = "content of " + oldName;
    const bool asNew = contents.contains(newName) && contents.at(newName) == content;
    const bool asOld = contents.contains(oldName) && contents.at(oldName) == content;
    EXPECT_NE(asNew, asOld) << oldName;
    if (asNew) {
      ++renamed;
      renamedLines += oldName + " -> " + newName + "\r\n";
    }
  }
  std::string failedName = failedOldPath.substr(failedOldPath.rfind('/') + 1);
  const std::string temporaryPrefix = std::string(kTemporaryPrefix) + "~";
  if (failedName.starts_with(temporaryPrefix)) failedName.erase(0, temporaryPrefix.size());
  const Error error = Error::FromErrno(errnum, failedOldPath);
  ASSERT_EQ(t.window.messages.size(), 2u);
  const std::string& message = t.window.messages[1].prompt;
  EXPECT_TRUE(message.starts_with("Renaming stopped at \"" + failedName + "\" -> ")) << message;
  EXPECT_NE(message.find(":\n" + error.Description() + "\n"), std::string::npos) << message;
  EXPECT_TRUE(message.ends_with(std::to_string(renamed) + " of " + std::to_string(batch.entries.size()) +
                                " files were renamed; the others keep their old names."))
      << message;
  EXPECT_EQ(t.window.messages[1].title, std::nullopt);
  EXPECT_EQ(t.Report(), kReportHeader + renamedLines + "Process stopped: " + error.Description() + "\r\n");
  EXPECT_EQ(t.preview.Flags(), kAfterPreview);
}

TEST_F(CommitFolderTest, FailureAtAnyRenameLeavesEveryFileUnderItsOldOrNewName) {
  for (const Batch& batch : FaultBatches()) {
    for (const int errnum : {ENOENT, EACCES, ENOSPC}) {
      // Count the renames of an undisturbed commit, then fail each of them in turn.
      std::size_t renames = 0;
      {
        CommitScene t;
        t.PreviewAs(batch.entries);
        t.Rename();
        renames = t.files.renamesAsked - 1;  // the last keeps the journal as the batch's record
      }
      for (std::size_t position = 1; position <= renames; ++position) {
        SCOPED_TRACE(std::string(batch.what) + ", " + std::strerror(errnum) + ", rename " + std::to_string(position));
        CommitScene t;
        t.PreviewAs(batch.entries);
        t.files.FailRename(position, errnum);
        t.Rename();
        ASSERT_FALSE(t.files.failedPaths.empty());
        ExpectTruthfulStop(t, batch, t.files.failedPaths.front(), errnum);
      }
    }
  }
}

TEST_F(CommitFolderTest, FileThatCannotGoBackIsNamedInTheMessage) {
  // Every rename from the second on fails: the cycle's waiting file cannot come back.
  PreviewAs({{"p", "q"}, {"q", "r"}, {"r", "p"}});
  files.FailRename(2, EACCES, {}, true);
  Rename();
  EXPECT_EQ(folder.Contents(), (Contents{{"q", "content of q"}, {"r", "content of r"},
                                         {"tolvane-moving~p", "content of p"}}));
  EXPECT_TRUE(window.messages.at(1).prompt.ends_with(
      "0 of 3 files were renamed; the others keep their old names.\n"
      "The file \"p\" could not be moved back and is now named \"tolvane-moving~p\"."))
      << window.messages.at(1).prompt;
}

// Where the link fallback could neither take the old name away nor the new one again, one
// file is left under two names; where the rename took the old name away and failed, as
// fusefat does, the file is under neither. The message and the report say which.
TEST(CommitTwoNamesTest, WhereAFailedRenameLeftTheFileIsToldInTheMessageAndTheReport) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> entries;
    std::function<void(ScriptedCalls&)> script;
    std::array<std::string, 3> failed;  // the entry whose rename fails, and the names that rename goes from and to
    Contents after;
    std::string renamedLines;
    std::string left;  // after the rename's reason; <from> and <to> stand for the paths of its names
    std::string told;  // after the error's description
  };
  // The first file's name goes; neither of the second file's names can.
  const auto bothNamesStay = [](ScriptedCalls& calls) {
    calls.renameat2.after = EINVAL;
    calls.unlinkat = {{0}, EPERM};
  };
  // No RENAME_NOREPLACE, no hard links; the `at`-th rename fails after doing `what`.
  using enum ScriptedCalls::FailedRenameat;
  const auto failingAt = [](std::size_t at, ScriptedCalls::FailedRenameat what) {
    return [at, what](ScriptedCalls& calls) {
      calls.renameat2.after = EINVAL;
      calls.linkat.after = EPERM;
      calls.renameat.next.assign(at - 1, 0);
      calls.renameat.next.push_back(EPERM);
      calls.failedRenameat = what;
    };
  };
  const std::string underBoth = "; the file <from> now also has the name <to>, which could not be removed again "
                                "(Operation not permitted)";
  const std::vector<Case> cases{
      {"swap", {{"m1", "t"}, {"t", "m1"}}, bothNamesStay, {"t", "t", "m1"},
       {{"m1", "content of t"}, {"t", "content of t"}, {"tolvane-moving~m1", "content of m1"}}, "", underBoth,
       "0 of 2 files were renamed; the file \"t\" now also has the name \"m1\" (one file under two names); the "
       "others keep their old names.\nThe file \"m1\" could not be moved back and is now named "
       "\"tolvane-moving~m1\"."},
      {"independent", {{"m1", "x1"}, {"t", "x2"}}, bothNamesStay, {"t", "t", "x2"},
       {{"x1", "content of m1"}, {"t", "content of t"}, {"x2", "content of t"}}, "m1 -> x1\r\n", underBoth,
       "1 of 2 files were renamed; the file \"t\" now also has the name \"x2\" (one file under two names); the "
       "others keep their old names."},
      {"old name taken away", {{"m1", "x1"}, {"t", "x2"}}, failingAt(2, TakesOldName), {"t", "t", "x2"},
       {{"x1", "content of m1"}}, "m1 -> x1\r\n",
       "; the file is under neither its old name \"t\" nor its new name \"x2\"",
       "1 of 2 files were renamed; the others keep their old names."},
      {"renamed though it failed", {{"m1", "x1"}, {"t", "x2"}}, failingAt(2, Renames), {"t", "t", "x2"},
       {{"x1", "content of m1"}, {"x2", "content of t"}}, "m1 -> x1\r\n",
       "; the old name \"t\" no longer holds the file, and the new name \"x2\" holds an item",
       "1 of 2 files were renamed; the others keep their old names."},
      // The swap's third rename brings m1's file from its temporary name: that file is lost, the
      // other gets its old name back.
      {"temporary name taken away", {{"m1", "t"}, {"t", "m1"}}, failingAt(3, TakesOldName),
       {"m1", "tolvane-moving~m1", "t"},
       {{"t", "content of t"}}, "",
       "; the file is under neither its old name \"tolvane-moving~m1\" nor its new name \"t\"",
       "0 of 2 files were renamed; the others keep their old names."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedCalls calls;
    c.script(calls);
    CommitScene t(ScriptedCalls::Table());
    t.PreviewAs(c.entries);
    t.Rename();
    EXPECT_EQ(t.folder.Contents(), c.after);
    const auto& [entry, from, to] = c.failed;
    std::string description =
        "Permission denied: <from> (Operation not permitted) while renaming <from> to <to>" + c.left;
    for (const auto& [mark, name] : {std::pair<std::string, std::string>{"<from>", from}, {"<to>", to}}) {
      for (std::size_t at; (at = description.find(mark)) != std::string::npos;) {
        description.replace(at, mark.size(), t.folder.Path(name));
      }
    }
    EXPECT_EQ(t.LastPrompt(),
              "Renaming stopped at \"" + entry + "\" -> \"" + to + "\":\n" + description + "\n" + c.told);
    EXPECT_EQ(t.Report(), kReportHeader + c.renamedLines + "Process stopped: " + description + "\r\n");
  }
}

// The renames happened, so the preview is over whatever becomes of the report; the reason is
// said in plain words. Something other than a plain file holds the report's name, while the
// log folder itself takes the journal.
TEST(CommitReportFailureTest, AReportThatCannotBeWrittenIsAnErrorAndTheFilesStayRenamed) {
  struct Case {
    const char* what;
    std::function<void(const std::string&)> block;  // puts something at the report's path
    const char* kind;
  };
  const std::vector<Case> cases{
      {"a folder", [](const std::string& path) { ASSERT_EQ(mkdir(path.c_str(), 0755), 0); }, "a folder"},
      {"a named pipe", [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0644), 0); }, "a named pipe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CommitScene t;
    const std::string report = t.executable.Path("log/" + kReportName);
    c.block(report);
    EXPECT_EQ(t.CommitOneFileFailing(), "The report could not be written to " + report +
                                            ": Path/File access error: " + report + " is " + c.kind + ", not a file.");
    EXPECT_EQ(t.folder.Contents(), (Contents{{"01.txt", "content of a.txt"}}));
    EXPECT_EQ(t.window.messages.back().prompt, "File rename completed");
    EXPECT_EQ(t.preview.Flags(), (PreviewFlags{.simulate = true, .rename = true, .undo = false}));
  }
}

// The check reads the folder held open, not its path: here the path comes to name another
// folder between the open and the check, which must find "y" taken in the folder renamed in.
TEST_F(CommitFolderTest, TheCheckReadsTheFolderTheCommitRenamesIn) {
  for (const char* name : {"held", "other"}) ASSERT_EQ(mkdir(folder.Path(name).c_str(), 0755), 0);
  for (const char* name : {"held/a", "held/b", "held/y", "other/a", "other/b"}) folder.WriteFile(name, name);
  list.Add("x").Tag = "a";
  list.Add("y").Tag = "b";
  struct PathTakenOver final : FileSystem {
    explicit PathTakenOver(TempFolder& parent) : root(parent) {}
    std::vector<FolderItem> ReadFolder(const std::string& path) override { return disk.ReadFolder(path); }
    std::unique_ptr<OpenedFolder> OpenFolder(const std::string& path) override {
      auto opened = disk.OpenFolder(path);
      EXPECT_EQ(rename(path.c_str(), root.Path("held away").c_str()), 0);
      EXPECT_EQ(rename(root.Path("other").c_str(), path.c_str()), 0);
      return opened;
    }
    std::unique_ptr<LineWriter> OpenForAppend(const std::string& path) override { return disk.OpenForAppend(path); }
    bool IsWritableFolder(const std::string& path) override { return disk.IsWritableFolder(path); }
    void CreatePrivateFolder(const std::string& path) override { disk.CreatePrivateFolder(path); }
    void KeepPrivate(const std::string& path) override { disk.KeepPrivate(path); }
    std::unique_ptr<DurableFile> CreateDurableFile(const std::string& path) override {
      return disk.CreateDurableFile(path);
    }
    std::unique_ptr<LockedFile> TryLockFile(const std::string& path) override { return disk.TryLockFile(path); }
    void RemoveFile(const std::string& path) override { disk.RemoveFile(path); }
    TempFolder& root;
    LinuxFileSystem disk;
  } takenOver(folder);
  preview.Rename(Platform{takenOver, system, window}, folder.Path("held"));
  EXPECT_EQ(LastPrompt(), "Nothing was renamed, because of these problems:\n"
                          "1 new name is held by an item of the folder that is not renamed: \"y\".");
  EXPECT_EQ(folder.ReadFile("held away/a"), "held/a");
  EXPECT_EQ(folder.ReadFile("held away/y"), "held/y");
  EXPECT_FALSE(folder.Exists("held away/x"));
  EXPECT_FALSE(folder.Exists("held/x"));
}

TEST_F(CommitFolderTest, WithoutALogFolderBesideTheProgramTheReportGoesToTheUsersStateFolder) {
  ASSERT_EQ(rmdir(executable.Path("log").c_str()), 0);
  system.environment = {{"HOME", executable.Path("home")}};
  Load({"a.txt"}, {"a.txt"});
  preview.Simulate(Numbered("1"));
  Rename();
  const std::string stateFolder = "home/.local/state/tolvane/log";
  EXPECT_EQ(executable.ReadFile(stateFolder + "/" + kReportName),
            kReportHeader + "a.txt -> 01.txt\r\nProcess Completed, Thank you\r\n");
  struct stat info {};
  ASSERT_EQ(stat(executable.Path(stateFolder).c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0700u);
  EXPECT_FALSE(executable.Exists("log"));
  EXPECT_EQ(system.launches, (std::vector<std::vector<std::string>>{{"xdg-open", executable.Path(stateFolder + "/" + kReportName)}}));
}

// Without its journal a commit cut short could lose the old names, so it does not begin.
TEST_F(CommitFolderTest, JournalThatCannotBeWrittenStopsTheCommitBeforeAnyRename) {
  const struct {
    int errnum;  // made to fail the journal; 0: no folder can take it
    std::string reason;
  } cases[] = {
      {0, ""},
      {ENOSPC, "the disk is full"},
      {EACCES, "Tolvane is not allowed to write there"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    CommitScene scene;
    std::string told = "Nothing was renamed, because the journal of the batch could not be written to " +
                       scene.executable.Path(kJournal) + ": " + c.reason + ".";
    if (c.errnum == 0) {
      scene.executable.WriteFile("home", "a file where the home folder should be");
      scene.system.environment = {{"HOME", scene.executable.Path("home")}};
      told = "Nothing was renamed, because the journal of the batch has no folder to go in. The folder " +
             scene.executable.Path("home") + "/.local/state/tolvane cannot keep Tolvane's journals: " +
             scene.executable.Path("home") + " is a file, not a folder";
    }
    scene.files.durableFileFailure = c.errnum;
    EXPECT_EQ(scene.CommitOneFileFailing(), told);
    EXPECT_EQ(scene.folder.Contents(), (Contents{{"a.txt", "content of a.txt"}}));
    EXPECT_EQ(scene.files.renamesAsked, 0u);
    EXPECT_FALSE(scene.ReportWritten());
  }
}

TEST_F(CommitFolderTest, EditorThatCannotStartIsAWarningAndTheReportStays) {
  system.launchFailure = Error::FromErrno(ENOENT, "xdg-open");
  Load({"a.txt"}, {"a.txt"});
  preview.Simulate(Numbered("1"));
  Rename();
  ASSERT_EQ(window.choiceBoxes.size(), 1u);
  EXPECT_EQ(window.choiceBoxes.front().prompt,
            "The report was written to " + executable.path() + "/log/" + kReportName +
                ", but it could not be opened in a text editor: xdg-open is not installed. Open it from that folder "
                "yourself.");
  EXPECT_EQ(Report(), kReportHeader + "a.txt -> 01.txt\r\nProcess Completed, Thank you\r\n");
  EXPECT_FALSE(executable.Exists(kJournal)) << "the journal goes once the report is written";
}

}  // namespace
}  // namespace tolvane

namespace tolvane {
namespace {

// The state folder holds records alone once a batch has ended.
std::ptrdiff_t RecordsIn(const testing::CommitScene& scene) {
  return std::distance(std::filesystem::directory_iterator(scene.executable.Path("state/tolvane")), {});
}

// The undo of a folder's last batch is a commit of the batch reversed, checked whole first:
// files that came later and stand in no name's way are left alone, and anything else done to
// the batch's files, to its old names, to its folder or to its record since stops it before the
// first rename. A damaged record is set aside. The fifty newest records are kept.
TEST(UndoLastBatchTest, TakesTheLastBatchBackOrRefusesBeforeAnyRename) {
  using testing::CommitScene;
  testing::Batch batch;
  testing::AddShifted(batch, "", 1, 4, 1);  // 1 -> 2 ... 4 -> 5: the old name 1 is left free
  testing::AddCycle(batch, "c", 3);
  const std::string record = "state/tolvane/Batch-1-20261206-140509.record";
  const std::string gone = "1 file is no longer under the name the rename gave it (renamed or deleted since): ";
  const std::string tooLong(256, 'L');
  const struct {
    std::string label;
    std::function<void(CommitScene&)> meddle;
    std::string told;  // the end of the refusal; empty for an undo that goes through
  } cases[] = {
      {"a later file out of the way", [](CommitScene& scene) { scene.folder.WriteFile("later", "later"); }, ""},
      {"a record of the folder named by a clock running ahead",
       [](CommitScene& s) {
         std::string text;
         EncodeRecord(s.folder.path(), *s.disk.OpenFolder(s.folder.path()), {{"x", "y"}}, {},
                      [&](std::string_view bytes) { text += bytes; });
         s.executable.WriteFile("state/tolvane/Batch-20990101-000000.record", text);
       },
       ""},
      {"renamed", [](CommitScene& s) { std::filesystem::rename(s.folder.Path("5"), s.folder.Path("x")); },
       gone + "\"5\"."},
      {"deleted", [](CommitScene& s) { std::filesystem::remove(s.folder.Path("c1")); }, gone + "\"c1\"."},
      {"replaced",
       [](CommitScene& s) {
         s.folder.WriteFile("new", "another");
         std::filesystem::rename(s.folder.Path("new"), s.folder.Path("3"));
       },
       "1 file under the name the rename gave it is another file (replaced since): \"3\"."},
      {"an old name taken", [](CommitScene& s) { s.folder.WriteFile("1", "later"); },
       "1 name it would get back is held by another file: \"1\"."},
      // Told as the name the volume will not take, not as a file changed since.
      {"an old name the volume will not take",
       [&](CommitScene& s) {
         const std::unique_ptr<OpenedFolder> folder = s.disk.OpenFolder(s.folder.path());
         std::vector<NameMove> moves;
         std::vector<FileIdentity> files;
         for (const testing::BatchFile& file : batch) {
           moves.push_back({file.oldName, file.newName});
           files.push_back(folder->Identify(file.newName).value_or(FileIdentity{}));
         }
         moves[0].from = tooLong;
         std::string text;
         EncodeRecord(s.folder.path(), *folder, moves, files, [&](std::string_view bytes) { text += bytes; });
         s.executable.WriteFile(record, text);
       },
       "1 name it would get back cannot be given (the new name is longer than 255 bytes): \"" + tooLong + "\"."},
      {"the folder replaced while asked",
       [](CommitScene& s) {
         s.window.onMessage = [&s](const FakeWindow::Message& message) {
           if (message.title != "Confirmation") return;
           // Moved into a temporary folder of the scene's, which goes with it.
           std::filesystem::rename(s.folder.path(), s.executable.Path("moved"));
           std::filesystem::copy(s.executable.Path("moved"), s.folder.path());
         };
       },
       "the folder is not the one it was made in; it was moved or replaced."},
      {"a damaged record",
       [&](CommitScene& s) {
         std::string text = s.executable.ReadFile(record);
         text[text.find("c0")] = 'd';
         s.executable.WriteFile(record, text);
       },
       "cannot be used: the journal is damaged (checksum wrong)."},
      {"a hostile record",
       [&](CommitScene& s) {
         std::vector<NameMove> moves(batch.size(), {"2", "3"});
         moves[0].from = "..";
         std::string text;
         EncodeRecord(s.folder.path(), *s.disk.OpenFolder(s.folder.path()), moves,
                      std::vector<FileIdentity>(moves.size()), [&](std::string_view bytes) { text += bytes; });
         s.executable.WriteFile(record, text);
       },
       "cannot be used: the journal is damaged (a name that is not a file's name in its folder)."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    CommitScene scene(TempFolder::Storage::Default);
    std::filesystem::create_directories(scene.executable.Path("state/tolvane"));
    for (std::size_t old = 1; old <= kRecordsKept; ++old) {
      scene.executable.WriteFile("state/tolvane/" + NumberedName("Batch-20200101-000000", old) + ".record", "old");
    }
    scene.Load(batch);
    scene.Rename();
    EXPECT_EQ(RecordsIn(scene), std::ptrdiff_t{kRecordsKept}) << "the oldest went";
    c.meddle(scene);
    const Contents before = scene.folder.Contents();
    const std::string reportBefore = scene.Report();
    scene.window.messages.clear();
    EXPECT_TRUE(UndoLastBatch(Platform{scene.files, scene.system, scene.window}, scene.folder.path()));

    ASSERT_EQ(scene.window.messages.size(), 2u) << scene.LastPrompt();
    EXPECT_EQ(scene.window.messages[0].prompt, "Undo the rename of 7 files in " + scene.folder.path() +
                                                   " made on 06-Dec-2026 14:05:09? Every file gets back the name it "
                                                   "had before.");
    EXPECT_EQ(scene.window.messages[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(scene.window.messages[0].title, "Confirmation");
    EXPECT_FALSE(scene.executable.Exists(kJournal));
    const bool setAside = c.told.starts_with("cannot be used");
    EXPECT_EQ(scene.executable.Exists(record + ".kept"), setAside);
    if (!c.told.empty()) {
      EXPECT_TRUE(scene.window.messages[1].prompt.ends_with(
          c.told + "\nNothing was renamed." +
          (setAside ? " The record is kept as " + scene.executable.Path(record) + ".kept." : "")))
          << scene.window.messages[1].prompt;
      EXPECT_EQ(scene.folder.Contents(), before);
      EXPECT_EQ(scene.Report(), reportBefore);
      continue;
    }
    const bool later = scene.folder.Exists("later");
    Contents expected = testing::AllUnder(batch, false);
    if (later) expected["later"] = "later";
    EXPECT_EQ(scene.window.messages[1].prompt, "File rename completed");
    EXPECT_EQ(scene.folder.Contents(), expected);
    std::string lines;
    for (const testing::BatchFile& file : batch) lines += file.newName + " -> " + file.oldName + "\r\n";
    const std::string undone = "Undo of the rename of 06-Dec-2026 14:05:09 in " + scene.folder.path() + "\r\n";
    EXPECT_EQ(scene.Report(), reportBefore + "Tolvane Report Date & Time : 06-Dec-2026 14:05:09\r\n" + undone +
                                  "Old File Name -> New File Name \r\n" + lines + "Process Completed, Thank you\r\n");
    EXPECT_EQ(scene.system.launches.size(), 2u);
    EXPECT_EQ(RecordsIn(scene), std::ptrdiff_t{kRecordsKept});

    // The undo is a batch of its own: undoing it renames forward again, and says so; undoing
    // that is an undo again.
    const Platform platform{scene.files, scene.system, scene.window};
    for (const bool redo : {true, false}) {
      ASSERT_EQ(LastUndoableBatch(platform, scene.folder.path()).value().redoes.has_value(), redo);
      EXPECT_TRUE(UndoLastBatch(platform, scene.folder.path()));
      expected = testing::AllUnder(batch, redo);
      if (later) expected["later"] = "later";
      EXPECT_EQ(scene.folder.Contents(), expected);
    }
    EXPECT_EQ(scene.window.messages[2].prompt, "Rename the 7 files in " + scene.folder.path() +
                                                   " again as the rename of 06-Dec-2026 14:05:09 named them?");
  }
}

// On a fresh ext4 volume a freed inode number comes straight back: a file made again under the
// batch's new name, or the folder made again at its path, is told from the batch's own by its
// birth. The undo refuses the file, and the new folder has no batch to undo.
TEST(UndoLastBatchTest, FileOrFolderMadeAgainOnAFreedInodeIsNotTheBatchs) {
  testing::LoopVolume volume(testing::LoopVolume::Kind::Ext4);
  if (!volume.Mounted()) GTEST_SKIP() << "ext4 volume not mounted: " << volume.WhyNotMounted();
  const std::string here = volume.Root() + "/photos";
  const auto inodeOf = [](const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
  };
  for (const std::string& remade : {here + "/b.jpg", here}) {
    SCOPED_TRACE(remade);
    testing::CommitScene scene;
    const Platform platform{scene.files, scene.system, scene.window};
    std::filesystem::create_directories(here);
    std::ofstream(here + "/a.jpg") << "A";
    RenameList list;
    list.Add("b.jpg").Tag = "a.jpg";
    Preview(list).Rename(platform, here);
    const ino_t inode = inodeOf(remade);
    // The kernel stamps a birth with its clock's tick: the new one is born a tick later.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::filesystem::remove_all(remade);
    std::filesystem::create_directories(here);
    std::ofstream(here + "/b.jpg") << "B";
    if (inodeOf(remade) != inode) GTEST_SKIP() << "no new item took the freed inode";

    EXPECT_EQ(UndoLastBatch(platform, here), remade != here);
    EXPECT_EQ(std::filesystem::directory_iterator(here)->path().filename(), "b.jpg") << "nothing renamed";
    std::filesystem::remove_all(here);
  }
}

}  // namespace
}  // namespace tolvane
