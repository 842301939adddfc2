#include "platform/linux_disk_links.h"

#include <filesystem>

#include "platform/mounted_drives.h"

namespace tolvane {

std::string CanonicalOrSame(const std::string& path) {
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::canonical(path, error);
  return error ? path : canonical.string();
}

std::map<std::string, std::string> ReadDiskLinks(const std::string& folder) {
  std::map<std::string, std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    names[CanonicalOrSame(entry.path().string())] = DecodeLabelName(entry.path().filename().string());
  }
  return names;
}

}  // namespace tolvane
