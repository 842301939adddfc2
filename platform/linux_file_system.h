#pragma once

#include "platform/no_replace_rename.h"
#include "platform/platform.h"

namespace tolvane {

class LinuxFileSystem final : public FileSystem {
 public:
  // Renames go through `calls`: the kernel's, or a test's stand-ins.
  explicit LinuxFileSystem(const no_replace_rename::SystemCalls& calls = no_replace_rename::KernelCalls())
      : calls_(calls) {}

  std::vector<FolderItem> ReadFolder(const std::string& folderPath) override;
  std::unique_ptr<OpenedFolder> OpenFolder(const std::string& folderPath) override;
  std::unique_ptr<LineWriter> OpenForAppend(const std::string& path) override;
  bool IsWritableFolder(const std::string& folderPath) override;
  void CreatePrivateFolder(const std::string& folderPath) override;
  void KeepPrivate(const std::string& folderPath) override;
  std::unique_ptr<DurableFile> CreateDurableFile(const std::string& path) override;
  std::unique_ptr<LockedFile> TryLockFile(const std::string& path) override;
  void RemoveFile(const std::string& path) override;

 private:
  const no_replace_rename::SystemCalls& calls_;
};

}  // namespace tolvane
