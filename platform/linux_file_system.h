#pragma once

#include "platform/platform.h"

namespace tolvane {

class LinuxFileSystem final : public FileSystem {
 public:
  std::vector<FolderItem> ReadFolder(const std::string& folderPath) override;
  std::unique_ptr<OpenedFolder> OpenFolder(const std::string& folderPath) override;
  std::unique_ptr<LineWriter> OpenForAppend(const std::string& path) override;
  bool IsWritableFolder(const std::string& folderPath) override;
  void CreatePrivateFolder(const std::string& folderPath) override;
};

}  // namespace tolvane
