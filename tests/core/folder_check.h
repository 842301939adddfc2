#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/preview.h"
#include "platform/linux_file_system.h"
#include "tests/core/batch_files.h"
#include "tests/support/fake_platform.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/temp_folder.h"

// Checks of Tolvane's promise after a commit, whole or broken: no file lost, doubled or left
// under a name nobody chose, and a message and a report that tell what was done.
namespace tolvane::testing {

using Contents = std::map<std::string, std::string>;

inline const std::string kReportName = "Report_06122026140509.txt";
inline const std::string kReportHeader =
    "Tolvane Report Date & Time : 06-Dec-2026 14:05:09\r\n"
    "Old File Name -> New File Name \r\n";

// A commit's journal, under the executable folder of a CommitScene, whose state folder it is.
inline const std::string kJournal = "state/tolvane/Batch.journal";

// The batch's files, each under its old name or under its new one.
inline Contents AllUnder(const Batch& batch, bool newNames) {
  Contents contents;
  for (const BatchFile& file : batch) contents[newNames ? file.newName : file.oldName] = ContentOf(file.oldName);
  return contents;
}

// Where the files of a batch were found.
struct BatchWhereabouts {
  std::vector<bool> renamed;  // by file: under its new name
  std::size_t temporary = 0;  // files under a temporary name
};

// What someone else did to the folder while Tolvane worked in it.
struct OutsideChanges {
  Contents added;                 // items that came, with their contents ("<dir>" for a folder)
  std::set<std::string> removed;  // old names of the batch's files that were taken away
};

// Passes when every file of the batch is in the folder exactly once (none of those `outside`
// removed), under its old name, its new name, or (at most `temporaryAllowed` of them) a
// temporary name that holds its old name, and every other item is one `outside` added.
::testing::AssertionResult EveryFileOnce(const Contents& folder, const Batch& batch, BatchWhereabouts& where,
                                         const OutsideChanges& outside = {}, std::size_t temporaryAllowed = 0);

// A folder, an executable folder with its "log" folder (and its "state" folder, the
// environment's XDG_STATE_HOME), and the core over them, with a fixed
// clock and a window that answers OK. Renames can be made to fail through `files`.
struct CommitScene {
  // Renames go through `calls`, the kernel's unless a test scripts them.
  explicit CommitScene(TempFolder::Storage storage = TempFolder::Storage::Memory,
                       const no_replace_rename::SystemCalls& calls = no_replace_rename::KernelCalls());

  // Makes the batch's files and lists them as a preview leaves them, flags included.
  void Load(const Batch& batch);
  void Rename();
  // Keeps a check of the batch for the commit, as the window's preview does; false when the
  // commit could not take it for its own even now (a folder that cannot be watched).
  bool KeepPreviewCheck();
  // Keeps a read of the folder for the check, as the window's load does; false as above.
  bool KeepLoadsRead();

  std::string ReportPath() const { return executable.Path("log/" + kReportName); }
  bool ReportWritten() const { return executable.Exists("log/" + kReportName); }
  std::string Report() const { return executable.ReadFile("log/" + kReportName); }
  std::string LastPrompt() const { return window.messages.empty() ? std::string() : window.messages.back().prompt; }

  TempFolder folder;
  TempFolder executable;
  LinuxFileSystem disk;
  FaultyFileSystem files{disk};
  FakeSystem system;
  FakeWindow window;
  RenameList list;
  Preview preview{list};
};

// The error's description as the message of a stopped commit gives it (its second line).
std::string StopReason(const CommitScene& scene);

// Passes when the commit stopped at `failed` and its message and report say so: the failed
// file, `reason`, how many of how many files were renamed, and a report that lists exactly
// the renamed files in list order and ends with "Process stopped: " and `reason`. Nothing
// else was asked or shown.
::testing::AssertionResult ToldTheStop(const CommitScene& scene, const Batch& batch, const BatchWhereabouts& where,
                                       const BatchFile& failed, const std::string& reason);

// Passes when the batch was refused before any rename, with `line` among the problems listed,
// and nothing was written or launched.
::testing::AssertionResult RefusedWith(const CommitScene& scene, const std::string& line);

}  // namespace tolvane::testing
