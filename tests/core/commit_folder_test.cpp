// Commits on real temporary folders through LinuxFileSystem, with a fixed clock and a window
// that answers OK; renames can be made to fail through FaultyFileSystem.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/preview.h"
#include "core/rename_order.h"
#include "platform/linux_file_system.h"
#include "tests/support/fake_platform.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/temp_folder.h"
#include "tests/core/folder_check.h"

namespace tolvane {
namespace {

using testing::FakeSystem;
using testing::FakeWindow;
using testing::FaultyFileSystem;
using testing::TempFolder;
using testing::Contents;
using testing::kReportHeader;
using testing::kReportName;

const std::string kConfirmation = "This process is irreversible, are you sure to rename the file according to list?";

NamingFields Numbered(const std::string& start, const std::string& before = "") {
  return NamingFields{.PrefixBefore = before, .PrefixAfter = "", .SequenceStart = start, .SequencePattern = "00"};
}

// The shared scene on the system's temporary folder, with the ways these tests fill it.
struct CommitScene : testing::CommitScene {
  CommitScene() : testing::CommitScene(TempFolder::Storage::Default) {}

  // Writes each file with its own name as content and lists the given names in this order.
  void Load(const std::vector<std::string>& fileNames, const std::vector<std::string>& listed) {
    for (const std::string& name : fileNames) folder.WriteFile(name, "content of " + name);
    for (const std::string& name : listed) list.Add(name);
  }

  // Previews the entries by hand, as (old name, new name).
  void PreviewAs(const std::vector<std::pair<std::string, std::string>>& entries) {
    for (const auto& [tag, text] : entries) {
      list.Add(text).Tag = tag;
      if (!folder.Exists(tag)) folder.WriteFile(tag, "content of " + tag);
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
};

TEST_F(CommitFolderTest, ChainsSwapsAndCyclesFollowTheList) {
  const std::vector<Reorder> cases{
      {"chain", {"01.jpg", "02.jpg"}, "2",
       {{"02.jpg", "content of 01.jpg"}, {"03.jpg", "content of 02.jpg"}}},
      {"swap", {"02.jpg", "01.jpg"}, "1",
       {{"01.jpg", "content of 02.jpg"}, {"02.jpg", "content of 01.jpg"}}},
      {"three-file cycle", {"02.jpg", "03.jpg", "01.jpg"}, "1",
       {{"01.jpg", "content of 02.jpg"}, {"02.jpg", "content of 03.jpg"}, {"03.jpg", "content of 01.jpg"}}},
  };
  for (const Reorder& c : cases) {
    SCOPED_TRACE(c.what);
    CommitScene t;
    t.Load(c.listed, c.listed);
    t.preview.Simulate(Numbered(c.start));
    t.Rename();
    EXPECT_EQ(t.folder.Contents(), c.expected);
    std::string lines;
    for (RenameList::Position i = 1; i <= t.list.Count(); ++i) {
      lines += t.list.Item(i).Tag + " -> " + t.list.Item(i).Text + "\r\n";
    }
    EXPECT_EQ(t.Report(), kReportHeader + lines + "Process Completed, Thank you\r\n");
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
      {"missing file", {{"a", "x"}, {"b", "y"}}, {}, {}, {"b"}, {}, "\"b\" -> \"y\": the file is no longer in the folder"},
      {"folder in place of the file", {{"a", "x"}}, {}, {}, {}, {"a"},
       "\"a\" -> \"x\": the name now belongs to a folder or another item that is not a file"},
      {"empty new name", {{"a", ""}}, {}, {}, {}, {}, "\"a\" -> \"\": the new name is empty"},
      {"dot", {{"a", "."}}, {}, {}, {}, {}, "\"a\" -> \".\": \".\" and \"..\" cannot be file names"},
      {"dot dot", {{"a", ".."}}, {}, {}, {}, {}, "\"a\" -> \"..\": \".\" and \"..\" cannot be file names"},
      {"slash", {{"a", "d/b"}}, {}, {"d"}, {}, {}, "\"a\" -> \"d/b\": the new name holds a \"/\""},
      {"256 bytes", {{"a", long256}}, {}, {}, {}, {}, "\"a\" -> \"" + long256 + "\": the new name is longer than 255 bytes"},
      {"duplicates", {{"a", "x"}, {"b", "x"}}, {}, {}, {}, {}, "\"b\" -> \"x\": another file of the batch gets the same new name"},
      {"name held outside the batch", {{"a", "keep"}}, {"keep"}, {}, {}, {},
       "\"a\" -> \"keep\": an item of the folder that is not renamed already has the new name"},
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
    const PreviewFlags flags = t.preview.Flags();
    t.Rename();
    EXPECT_EQ(t.folder.Contents(), before);
    EXPECT_EQ(t.files.renamesAsked, 0u);
    EXPECT_FALSE(t.ReportWritten());
    EXPECT_TRUE(t.system.launches.empty());
    EXPECT_EQ(t.preview.Flags(), flags);
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
  EXPECT_EQ(t.preview.Flags(), PreviewFlags{});
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
        renames = t.files.renamesAsked;
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

// Without its journal a commit cut short could lose the old names, so it does not begin.
TEST_F(CommitFolderTest, JournalThatCannotBeWrittenStopsTheCommitBeforeAnyRename) {
  const struct {
    int errnum;  // made to fail the journal; 0: the log folder is missing
    std::string reason;
  } cases[] = {
      {0, "the folder LOG does not exist"},
      {ENOSPC, "the disk is full"},
      {EACCES, "Tolvane is not allowed to write there"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    CommitScene scene;
    std::string reason = c.reason;
    if (const auto log = reason.find("LOG"); log != std::string::npos) reason.replace(log, 3, scene.executable.Path("log"));
    if (c.errnum == 0) {
      ASSERT_EQ(rmdir(scene.executable.Path("log").c_str()), 0);
    }
    scene.files.durableFileFailure = c.errnum;
    EXPECT_EQ(scene.CommitOneFileFailing(), "Nothing was renamed, because the journal of the batch could not be "
                                            "written to " + scene.executable.path() + "/log/Batch.journal: " +
                                                reason + ".");
    EXPECT_EQ(scene.folder.Contents(), (Contents{{"a.txt", "content of a.txt"}}));
    EXPECT_EQ(scene.files.renamesAsked, 0u);
    EXPECT_FALSE(scene.ReportWritten());
  }
}

TEST_F(CommitFolderTest, EditorThatCannotStartIsAnErrorAndTheReportStays) {
  system.launchFailure = Error::FromErrno(ENOENT, "xdg-open");
  EXPECT_TRUE(CommitOneFileFailing().starts_with("The report was written at " + executable.path() + "/log/" +
                                                 kReportName + ", but the text editor could not be started"));
  EXPECT_EQ(Report(), kReportHeader + "a.txt -> 01.txt\r\nProcess Completed, Thank you\r\n");
  EXPECT_FALSE(executable.Exists("log/Batch.journal")) << "the journal goes once the report is written";
}

}  // namespace
}  // namespace tolvane
