#pragma once

#include <map>
#include <string>

namespace tolvane::testing {

// A folder of its own under the system's temporary folder, removed with all it holds.
class TempFolder {
 public:
  // Memory: under /dev/shm where the machine has it, for tests that make thousands of files.
  enum class Storage { Default, Memory };

  explicit TempFolder(Storage storage = Storage::Default);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string Path(const std::string& name) const { return path_ + "/" + name; }

  // Writes a file of the folder (or of a path below it) with the given content.
  void WriteFile(const std::string& name, const std::string& content = {}) const;
  std::string ReadFile(const std::string& name) const;
  bool Exists(const std::string& name) const;
  // The folder's own names (hidden ones included) with their file contents; folders map to "<dir>".
  std::map<std::string, std::string> Contents() const;

 private:
  std::string path_;
};

}  // namespace tolvane::testing
