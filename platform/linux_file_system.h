#pragma once

#include "platform/platform.h"

namespace tolvane {

class LinuxFileSystem final : public FileSystem {
 public:
  std::vector<FolderItem> ReadFolder(const std::string& folderPath) override;
  void RenameFile(const std::string& oldPath, const std::string& newPath) override;
  std::unique_ptr<LineWriter> OpenForAppend(const std::string& path) override;
};

}  // namespace tolvane
