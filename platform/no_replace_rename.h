#pragma once

#include <string>

// The ways a file is renamed within an open folder without ever replacing another, from the
// one the file system may refuse to the last resort. The Linux folder tries them in this order.
namespace tolvane::no_replace_rename {

// Two names of one folder, given by a descriptor of the folder; errors name them by the
// folder's path.
struct NamesInFolder {
  int folder;
  const std::string& folderPath;
  const char* oldName;
  const char* newName;
};

// renameat2 with RENAME_NOREPLACE; falls back to ByLink where the file system refuses it.
void Rename(const NamesInFolder& names);
// A hard link under the new name, then the old name removed; falls back to AfterCheck where
// the file system has no hard links.
void ByLink(const NamesInFolder& names);
// Looks for the new name right before renameat(2): the one way left that can race.
void AfterCheck(const NamesInFolder& names);

}  // namespace tolvane::no_replace_rename
