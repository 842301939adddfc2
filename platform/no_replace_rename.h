#pragma once

#include <string>

// The ways a file is renamed without ever replacing another, from the one the file system
// may refuse to the last resort. LinuxFileSystem::RenameFile tries them in this order.
namespace tolvane::no_replace_rename {

// renameat2 with RENAME_NOREPLACE; falls back to ByLink where the file system refuses it.
void Rename(const std::string& oldPath, const std::string& newPath);
// A hard link under the new name, then the old name removed; falls back to AfterCheck where
// the file system has no hard links.
void ByLink(const std::string& oldPath, const std::string& newPath);
// Looks for the new name right before rename(2): the one way left that can race.
void AfterCheck(const std::string& oldPath, const std::string& newPath);

}  // namespace tolvane::no_replace_rename
