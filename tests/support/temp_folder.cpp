#include "tests/support/temp_folder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tolvane::testing {

namespace {

std::filesystem::path ParentFor(TempFolder::Storage storage) {
  const std::filesystem::path memory = "/dev/shm";
  std::error_code ignored;
  if (storage == TempFolder::Storage::Memory && std::filesystem::is_directory(memory, ignored)) return memory;
  return std::filesystem::temp_directory_path();
}

}  // namespace

TempFolder::TempFolder(Storage storage) {
  std::string pattern = (ParentFor(storage) / "tolvane-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  // Read-only folders made by a test must not keep their contents alive.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored)) chmod(it->path().c_str(), 0700);
  }
  chmod(path_.c_str(), 0700);
  std::filesystem::remove_all(path_, ignored);
}

void TempFolder::WriteFile(const std::string& name, const std::string& content) const {
  std::ofstream out(Path(name), std::ios::binary);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + Path(name));
}

std::string TempFolder::ReadFile(const std::string& name) const {
  std::ifstream in(Path(name), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + Path(name));
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool TempFolder::Exists(const std::string& name) const {
  struct stat info {};
  return lstat(Path(name).c_str(), &info) == 0;
}

std::map<std::string, std::string> TempFolder::Contents() const {
  std::map<std::string, std::string> contents;
  DIR* dir = opendir(path_.c_str());
  if (!dir) throw std::runtime_error("cannot list " + path_);
  while (const dirent* item = readdir(dir)) {
    const std::string name = item->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    if (stat(Path(name).c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      contents[name] = "<dir>";
    } else {
      contents[name] = ReadFile(name);
    }
  }
  closedir(dir);
  return contents;
}

}  // namespace tolvane::testing
