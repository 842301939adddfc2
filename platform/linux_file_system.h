#pragma once

#include "platform/platform.h"

namespace tolvane {

class LinuxFileSystem final : public FileSystem {
 public:
  std::vector<FolderItem> ReadFolder(const std::string& folderPath) override;
  std::unique_ptr<OpenedFolder> OpenFolder(const std::string& folderPath) override;
  std::unique_ptr<LineWriter> OpenForAppend(const std::string& path) override;
  std::unique_ptr<DurableFile> CreateDurableFile(const std::string& path) override;
  std::unique_ptr<LockedFile> TryLockFile(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
};

}  // namespace tolvane
