#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drives.h"
#include "platform/error.h"
#include "platform/volume_rules.h"

// The operating-system services the renaming core uses, behind three small interfaces:
// the file system, the process's surroundings, and the services of the window. The window
// also reads the machine's drives (platform/drives.h).
// Every failure is raised as tolvane::Error.
namespace tolvane {

enum class FolderItemKind {
  File,       // a regular file, or a symbolic link to one
  Directory,  // a folder, or a symbolic link to one
  Other,      // anything else: devices, fifos, sockets, dangling links
};

struct FolderItem {
  std::string name;  // the bare name, exactly the bytes the disk holds
  FolderItemKind kind;
  // The item's inode number as the folder lists it; 0 where it is not known.
  std::uint64_t inode = 0;
  // A name that begins with a dot is hidden on Linux: the lists leave such items out.
  bool IsHidden() const { return name.starts_with('.'); }
};

// Writes lines of a text file that was opened for appending; each line ends in CR LF.
class LineWriter {
 public:
  virtual ~LineWriter() = default;
  virtual void WriteLine(std::string_view text) = 0;
  // Flushes and closes; a failure to store what was written is raised here.
  virtual void Close() = 0;
};

// Which file an item is, whatever its name: its device, its inode number and, where the volume
// tells it, when the file was made, since a volume may give a freed inode number straight to
// the next new file.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  // The file's birth time in nanoseconds since 1970; 0 where the volume does not tell it, or
  // where the identity was kept before births were.
  std::uint64_t birth = 0;
  // One file: the same device and inode, born at the same moment where both identities know it.
  friend bool operator==(const FileIdentity& one, const FileIdentity& other) {
    return one.device == other.device && one.inode == other.inode &&
           (one.birth == 0 || other.birth == 0 || one.birth == other.birth);
  }
};

// Whether a folder's items have stayed as they were since the watch began.
class FolderWatch {
 public:
  virtual ~FolderWatch() = default;
  // True while no item of the folder has been made, removed, renamed or replaced by anyone
  // since the watch began, and the folder itself has not been moved or removed; once false,
  // false for good.
  virtual bool Unchanged() = 0;
};

// A folder held open for renaming its files by their bare names. It stays the folder it was
// when opened, even when its path is moved away or comes to mean another folder.
class OpenedFolder {
 public:
  virtual ~OpenedFolder() = default;
  // Renames within the folder, never replacing: a file that already holds the new name makes
  // it fail. A name holding "/" or NUL is refused. Errors name both files by their paths.
  virtual void RenameFile(std::string_view oldName, std::string_view newName) = 0;
  // Every name in the folder but "." and "..", as FileSystem::ReadFolder gives them, read from
  // the folder held open, so that what is read and what is renamed are one folder.
  virtual std::vector<FolderItem> ReadItems() = 0;
  // The same read, telling `run` of the items read so far a run at a time, before the read
  // ends, each run with the place of its first item; a run is only valid during its call. A
  // folder that cannot tell them sooner tells them all in one run at the end.
  using ItemsRead = std::function<void(std::span<const FolderItem> run, std::size_t first)>;
  virtual std::vector<FolderItem> ReadItemsInRuns(const ItemsRead& run) {
    std::vector<FolderItem> items = ReadItems();
    run(items, 0);
    return items;
  }
  // Whether both names are in the folder and lead to one file, as a rename that made the new
  // name but could not take the old one away leaves them.
  virtual bool SameFile(std::string_view name, std::string_view otherName) = 0;
  // How the folder's volume compares and limits names, as the kernel answers for this folder.
  // `items` are the folder's present items: one of their names, asked for in another case,
  // tells whether the volume folds case.
  virtual VolumeRules Rules(const std::vector<FolderItem>& items) = 0;
  // Whether some item of the folder answers to `name` as the volume compares names; a name
  // that is not bare is held by none.
  virtual bool Holds(std::string_view name) = 0;
  // The folder itself, so that a folder moved or replaced since can be told from it.
  virtual FileIdentity Identity() = 0;
  // The item of the name, a link taken as itself; nullopt when the folder holds no such name.
  virtual std::optional<FileIdentity> Identify(std::string_view name) = 0;
  // Makes the renames done in the folder so far survive a crash of the machine.
  virtual void Sync() = 0;
  // Begins to watch the folder's items. Nullptr where no watch can vouch for every change:
  // on a volume that others change behind this system's back, such as a network share.
  virtual std::unique_ptr<FolderWatch> Watch() = 0;
  // Takes `name` away when it and `keptName` lead to one file, as a rename by link cut short
  // between its link and its unlink leaves them; raises, taking nothing away, when they do not.
  virtual void DropSecondName(std::string_view name, std::string_view keptName) = 0;
  // Whether a file keeps its identity for as long as it lives, across a crash of the program
  // and a new mount of its volume: false on FUSE volumes and network shares, which make
  // identities up as they go, and on FAT and exFAT, whose inode numbers last one mount.
  virtual bool KeepsIdentities() { return false; }
  // What tells the folder's volume from another when its folders' identities do not last:
  // its UUID, or else its label and size, with its file system's type. Empty where nothing
  // tells it.
  virtual std::string VolumeName() { return {}; }
};

// A file that stays locked while this object lives, so that another process of Tolvane
// leaves it alone; the lock goes with the process, however it ends.
class LockedFile {
 public:
  virtual ~LockedFile() = default;
  // The whole file; one that holds more than `mostBytes` raises instead of being read.
  virtual std::string ReadAll(std::uint64_t mostBytes) = 0;
  // The file's first `bytes` bytes, or the whole file when it is shorter.
  virtual std::string ReadStart(std::size_t bytes) = 0;
  // Whether the file belongs to the user this process runs as: a file that another user could
  // write is nothing this process may act on.
  virtual bool OwnedByUser() = 0;
};

// A new file written whole before it appears under its name. Until Finish it is a partial
// file beside it (its name and kPartialFileSuffix), which an unfinished writer removes when
// destroyed.
inline constexpr std::string_view kPartialFileSuffix = ".part";

class DurableFile : public LockedFile {
 public:
  // Buffered; a failure to store may be raised here or by Finish.
  virtual void Write(std::string_view bytes) = 0;
  // Stores the file on disk, gives it its name (never replacing another file) and makes that
  // name survive a crash of the machine. The lock stays held until the object is destroyed.
  virtual void Finish() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Every name in the folder but "." and "..", hidden ones included, in no particular order.
  virtual std::vector<FolderItem> ReadFolder(const std::string& folderPath) = 0;
  // Opens the folder for renames, so that the path is walked once for a whole batch.
  virtual std::unique_ptr<OpenedFolder> OpenFolder(const std::string& folderPath) = 0;
  // Creates the file when absent and appends to it when present; a missing folder is an error,
  // and so is anything at the name but a plain file (a link, a pipe, a device). A file the
  // writer made and could store nothing in is removed again.
  virtual std::unique_ptr<LineWriter> OpenForAppend(const std::string& path) = 0;
  // True when the path is a folder that this process may create files in.
  virtual bool IsWritableFolder(const std::string& folderPath) = 0;
  // Creates the folder and every missing folder above it, each with mode 0700 so that only the
  // user may look in; folders that exist are left as they are. Raises when one cannot be
  // made, or when the path leads through or ends at something that is not a folder.
  virtual void CreatePrivateFolder(const std::string& folderPath) = 0;
  // Makes sure the folder is the user's alone: one of the user's that others may enter is
  // made 0700; one of another user's, a link, or anything that is not a folder raises.
  virtual void KeepPrivate(const std::string& folderPath) = 0;
  // A new file of the path, locked from the start; a name already there, or a link, is an error.
  virtual std::unique_ptr<DurableFile> CreateDurableFile(const std::string& path) = 0;
  // Locks a regular file, never following a link; nullptr when another process holds its
  // lock or the file is gone. Anything but a regular file is an error.
  virtual std::unique_ptr<LockedFile> TryLockFile(const std::string& path) = 0;
  virtual void RemoveFile(const std::string& path) = 0;
};

struct DateTime {
  int year = 0;
  int month = 1;  // 1 to 12
  int day = 1;
  int hour = 0;  // 0 to 23
  int minute = 0;
  int second = 0;
  friend bool operator==(const DateTime&, const DateTime&) = default;
};

using MonthNames = std::array<std::string, 12>;

class SystemServices {
 public:
  virtual ~SystemServices() = default;
  // Local time, to the second.
  virtual DateTime CurrentDateTime() = 0;
  // The abbreviated month names of the user's locale, January first.
  virtual MonthNames MonthAbbreviations() = 0;
  // The folder of the running executable, without a closing "/" except at the root.
  virtual std::string ExecutableFolder() = 0;
  // The process's current folder; nothing when it has been removed or cannot be named.
  virtual std::optional<std::string> CurrentFolder() = 0;
  // Starts a program from an argument vector (never through a shell), detached. A program
  // that cannot be started, or that ends with a failure status within a short while, raises;
  // one still running then is left to run and not awaited.
  virtual void LaunchProgram(const std::vector<std::string>& arguments) = 0;
  // The value of a variable of the process's environment; nothing when it is not set.
  virtual std::optional<std::string> EnvironmentVariable(const std::string& name) = 0;
};

enum class MessageButtons { Ok = 0, OkCancel = 1, OkCancelWarning = 49 };
enum class MessageAnswer { Ok = 1, Cancel = 2 };

// A box whose buttons say what they do: `buttons` are their captions ("&Finish"), Return
// presses `defaultButton`, and Escape or closing the box presses `escapeButton`.
struct ChoiceBox {
  std::string prompt;
  std::string title;
  std::vector<std::string> buttons;
  std::size_t defaultButton = 0;
  std::size_t escapeButton = 0;
  // A warning: something the user should know of went wrong, though the work is done.
  bool warning = false;
};

class WindowServices {
 public:
  virtual ~WindowServices() = default;
  // Modal; without a title the application's title is shown.
  virtual MessageAnswer ShowMessage(const std::string& prompt, MessageButtons buttons,
                                    const std::optional<std::string>& title) = 0;
  // Modal; the index of the button pressed.
  virtual std::size_t AskChoice(const ChoiceBox& box) = 0;
  // Lets waiting window events run before it returns.
  virtual void YieldToEvents() = 0;
  // Runs work that may last seconds and must end before the caller goes on, such as the
  // check of a large batch; raises what the work raised. A window may go on painting
  // meanwhile, so the work may read what the window shows but must change nothing. Without
  // a window to keep alive the work simply runs.
  virtual void RunLongWork(const std::function<void()>& work) { work(); }
  // How far a commit has come: `done` of `total` files renamed.
  virtual void ShowProgress(std::size_t done, std::size_t total) = 0;
  // Shows an error that no operation trapped; the program goes on.
  virtual void ReportUnhandledError(const Error& error) = 0;
  virtual void EndProgram() = 0;
};

// The choices of the user's that the window keeps between runs. Only the choice below is
// kept: everything else starts afresh.
class Settings {
 public:
  virtual ~Settings() = default;
  // Whether the list keeps a photo and its companions together in one entry; off until the
  // user turns it on, and off where the choice cannot be read.
  virtual bool KeepSets() = 0;
  // Raises when the choice cannot be stored.
  virtual void SetKeepSets(bool keep) = 0;
};

// What the core is handed: the window owns the services and lends them for a call.
struct Platform {
  FileSystem& files;
  SystemServices& system;
  WindowServices& window;
};

}  // namespace tolvane
