#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

// The ways a file is renamed within an open folder without ever replacing another, from the
// one the file system may refuse to the last resort. The Linux folder tries them in this order.
namespace tolvane::no_replace_rename {

// The system calls the renames go through, so that a test can put in their place calls that
// fail as a file system without RENAME_NOREPLACE, hard links or the right to unlink would.
struct SystemCalls {
  int (*renameat2)(int oldFolder, const char* oldName, int newFolder, const char* newName, unsigned int flags);
  int (*linkat)(int oldFolder, const char* oldName, int newFolder, const char* newName, int flags);
  int (*unlinkat)(int folder, const char* name, int flags);
  int (*fstatat)(int folder, const char* name, struct stat* info, int flags);
  int (*renameat)(int oldFolder, const char* oldName, int newFolder, const char* newName);
  uid_t (*geteuid)();
  // Not renames, but what makes them durable and what keeps two windows off one journal.
  int (*fsync)(int fd);
  int (*flock)(int fd, int operation);
};

// The kernel's own calls.
const SystemCalls& KernelCalls();

// Two names of one folder, given by a descriptor of the folder; errors name them by the
// folder's path.
struct NamesInFolder {
  int folder;
  const std::string& folderPath;
  const char* oldName;
  const char* newName;
  const SystemCalls& calls = KernelCalls();
};

// renameat2 with RENAME_NOREPLACE; falls back to ByLink where the file system refuses it.
void Rename(const NamesInFolder& names);
// A hard link under the new name, then the old name removed; falls back to AfterCheck where
// the file system has no hard links. A folder's sticky bit that would forbid removing the old
// name refuses the rename before any link is made. When the old name cannot be removed, the
// new one is removed again; when that fails too, the file is left under both names and the
// error says so.
void ByLink(const NamesInFolder& names);
// Looks for the new name right before renameat(2): the one way left that can race.
void AfterCheck(const NamesInFolder& names);

}  // namespace tolvane::no_replace_rename
