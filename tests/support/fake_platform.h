#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tolvane::testing {

// An in-memory file system: folders and the files in them, each file with its content.
// Paths are normalised (repeated "/" folded, a closing "/" dropped) before they are looked up.
class FakeFileSystem final : public FileSystem {
 public:
  void AddFolder(const std::string& path);
  void AddFile(const std::string& path, std::string content = {}, FolderItemKind kind = FolderItemKind::File);
  void Remove(const std::string& path);
  bool Exists(const std::string& path) const;
  const std::string& Content(const std::string& path) const;
  // The folder's volume follows `rules` from now on; when it folds case, names that differ
  // only in the case of ASCII letters name one file there.
  void SetVolumeRules(const std::string& folder, VolumeRules rules);
  // The folder's names with their contents, in name order.
  std::map<std::string, std::string> FilesIn(const std::string& folder) const;

  std::vector<FolderItem> ReadFolder(const std::string& folderPath) override;
  // A missing folder cannot be opened; renames and reads in an opened folder go by its path.
  std::unique_ptr<OpenedFolder> OpenFolder(const std::string& folderPath) override;
  std::unique_ptr<LineWriter> OpenForAppend(const std::string& path) override;
  // A folder is writable unless it is one of `readOnlyFolders`, in which nothing can be made.
  bool IsWritableFolder(const std::string& folderPath) override;
  void CreatePrivateFolder(const std::string& folderPath) override;
  // Raises for a folder of `othersFiles`.
  void KeepPrivate(const std::string& folderPath) override;

  // Every rename asked for, in order, as (old path, new path).
  std::vector<std::pair<std::string, std::string>> renames;
  std::set<std::string> readOnlyFolders;
  // The folders CreatePrivateFolder made, in order.
  std::vector<std::string> createdFolders;
  // Files of the fake are stored at once; its locks are held per file object, as flock's.
  std::unique_ptr<DurableFile> CreateDurableFile(const std::string& path) override;
  std::unique_ptr<LockedFile> TryLockFile(const std::string& path) override;
  void RemoveFile(const std::string& path) override;

  // Files and folders that belong to another user.
  std::set<std::string> othersFiles;
  // Folders whose files' identities last one mount, as on FUSE volumes; and the names their
  // volumes tell.
  std::set<std::string> fleetingIdentities;
  std::map<std::string, std::string> volumeNames;

  // What reached the disk, in order: "rename OLD NEW", "durable PATH", "sync FOLDER", "remove PATH".
  std::vector<std::string> diskLog;

 private:
  class Folder;
  class Locked;
  class Durable;
  void Rename(const std::string& oldPath, const std::string& newPath);
  // The path of the item that answers to `path` as the volume compares names, if any.
  std::optional<std::string> Holder(const std::string& path) const;
  VolumeRules RulesOf(const std::string& folder) const;
  FileIdentity IdentityOf(const std::string& path) const;

  struct Node {
    FolderItemKind kind;
    std::string content;
    std::uint64_t inode = 0;
  };
  std::map<std::string, Node> nodes_;
  std::set<std::string> folders_;
  std::map<std::string, VolumeRules> volumeRules_;
  std::set<std::string> locked_;
  std::uint64_t lastInode_ = 1;
};

// A fixed clock, executable folder, current folder and environment; launches are recorded,
// not run.
class FakeSystem final : public SystemServices {
 public:
  DateTime CurrentDateTime() override;
  MonthNames MonthAbbreviations() override;
  std::string ExecutableFolder() override { return executableFolder; }
  std::optional<std::string> CurrentFolder() override { return currentFolder; }
  void LaunchProgram(const std::vector<std::string>& arguments) override;
  std::optional<std::string> EnvironmentVariable(const std::string& name) override;

  // Each reading of the clock takes the next time from `times`; the last one repeats.
  std::deque<DateTime> times{DateTime{2026, 12, 6, 14, 5, 9}};
  std::string executableFolder = "/opt/tolvane";
  // None unless a test names one, as for a current folder that has been removed.
  std::optional<std::string> currentFolder;
  std::vector<std::vector<std::string>> launches;
  std::optional<Error> launchFailure;  // raised by the next launch alone, which starts nothing
  // Empty unless a test fills it: beside the real disk, a home of the machine's own must
  // never take a test's report.
  std::map<std::string, std::string> environment;
};

// Message boxes answered from a script; everything shown is recorded.
class FakeWindow final : public WindowServices {
 public:
  struct Message {
    std::string prompt;
    MessageButtons buttons;
    std::optional<std::string> title;
  };

  MessageAnswer ShowMessage(const std::string& prompt, MessageButtons buttons,
                            const std::optional<std::string>& title) override;
  // Answered from `choices`; once they are used up, by the default button. Each box is
  // recorded in `choiceBoxes`, and in `messages` as an OK/Cancel box of its prompt and title.
  std::size_t AskChoice(const ChoiceBox& box) override;
  void YieldToEvents() override;
  void ShowProgress(std::size_t done, std::size_t total) override;
  void ReportUnhandledError(const Error& error) override;
  void EndProgram() override { ended = true; }

  // Answers for the next message boxes, in order; once used up every box is answered OK.
  std::deque<MessageAnswer> answers;
  std::vector<Message> messages;
  std::deque<std::size_t> choices;
  std::vector<ChoiceBox> choiceBoxes;
  std::vector<Error> unhandledErrors;
  // Runs while a box is open, before it is answered: the world may change meanwhile.
  std::function<void(const Message&)> onMessage;
  std::function<void()> onYield;
  int yields = 0;
  std::vector<std::pair<std::size_t, std::size_t>> progress;
  bool ended = false;
};

// The machine's drives as the test sets them; a test may mount and unmount them at any time.
class FakeDrives final : public Drives {
 public:
  explicit FakeDrives(std::vector<Drive> mounted) : drives(std::move(mounted)) {}
  std::vector<Drive> MountedDrives() override { return drives; }

  std::vector<Drive> drives;
};

// The three fakes together, lent to the core as one Platform.
struct FakePlatform {
  // The state folder of an in-memory home, where commits keep their journals.
  FakePlatform() { system.environment["XDG_STATE_HOME"] = kFakeStateHome; }
  static constexpr const char* kFakeStateHome = "/home/user/.local/state";

  FakeFileSystem files;
  FakeSystem system;
  FakeWindow window;
  Platform platform() { return Platform{files, system, window}; }
};

}  // namespace tolvane::testing
