#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tolvane::testing {

// Wraps any file system and makes chosen renames fail as the operating system would: with
// the Error that Error::FromErrno gives for an errno, and without touching the disk.
// Everything else goes to the wrapped file system unchanged.
class FaultyFileSystem final : public FileSystem {
 public:
  // Renames are told by their paths: the opened folder's path joined with each name.
  using RenameFilter = std::function<bool(const std::string& oldPath, const std::string& newPath)>;

  explicit FaultyFileSystem(FileSystem& inner) : inner_(inner) {}

  // From now on, the `position`-th rename that `filter` accepts (every rename when it is
  // empty), counting from 1, fails with `errnum`; when `persistent`, so does every one after it.
  // Renames in every folder opened through this file system count, whenever it was opened.
  void FailRename(std::size_t position, int errnum, RenameFilter filter = {}, bool persistent = false);

  std::vector<FolderItem> ReadFolder(const std::string& folderPath) override { return inner_.ReadFolder(folderPath); }
  std::unique_ptr<OpenedFolder> OpenFolder(const std::string& folderPath) override;
  std::unique_ptr<LineWriter> OpenForAppend(const std::string& path) override { return inner_.OpenForAppend(path); }
  bool IsWritableFolder(const std::string& folderPath) override { return inner_.IsWritableFolder(folderPath); }
  void CreatePrivateFolder(const std::string& folderPath) override { inner_.CreatePrivateFolder(folderPath); }
  void KeepPrivate(const std::string& folderPath) override { inner_.KeepPrivate(folderPath); }
  // Fails with `durableFileFailure` when that is set.
  std::unique_ptr<DurableFile> CreateDurableFile(const std::string& path) override;
  std::unique_ptr<LockedFile> TryLockFile(const std::string& path) override { return inner_.TryLockFile(path); }
  void RemoveFile(const std::string& path) override { inner_.RemoveFile(path); }

  int durableFileFailure = 0;  // an errno, or 0
  // From this opening of a folder on, counting from 1, the folder is not found; 0: never.
  std::size_t folderNotFoundFromOpening = 0;
  // From this opening of a folder on, counting from 1, the path opens another folder, as on
  // another volume: its files have the names and inodes of the wrapped ones and other births.
  // 0: never.
  std::size_t anotherFolderFromOpening = 0;
  std::size_t foldersOpened = 0;

  std::size_t renamesAsked = 0;   // every rename in a folder it opened
  std::vector<std::string> failedPaths;  // the old paths of those made to fail, in order

 private:
  class Folder;
  // Raises the armed fault when the rename is the one to fail.
  void CountRename(const std::string& oldPath, const std::string& newPath);

  FileSystem& inner_;
  std::size_t failAt_ = 0;  // 0: no fault armed
  int errnum_ = 0;
  RenameFilter filter_;
  bool persistent_ = false;
  std::size_t matched_ = 0;
};

}  // namespace tolvane::testing
