#include "bench/scratch_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>

#include "platform/error.h"
#include "platform/path.h"

namespace tolvane::bench {

ScratchFolder::ScratchFolder(const std::string& parent, const std::string& stem) {
  std::string pattern = JoinPath(parent, stem + "-XXXXXX");
  if (!mkdtemp(pattern.data())) throw Error::FromErrno(errno, pattern);
  path_ = std::move(pattern);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string CameraName(std::size_t number) {
  char name[32];
  std::snprintf(name, sizeof name, "IMG_%07zu.jpg", number);
  return name;
}

void FillFolder(const std::string& folder, std::size_t count, unsigned seed) {
  std::vector<std::size_t> numbers(count);
  std::iota(numbers.begin(), numbers.end(), std::size_t{1});
  std::shuffle(numbers.begin(), numbers.end(), std::mt19937(seed));
  for (const std::size_t number : numbers) {
    const std::string path = JoinPath(folder, CameraName(number));
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) throw Error::FromErrno(errno, path);
    const int failure = ftruncate(fd, static_cast<off_t>(number)) == 0 ? 0 : errno;
    close(fd);
    if (failure != 0) throw Error::FromErrno(failure, path);
  }
}

std::vector<NamedFile> FolderState(const std::string& folder) {
  std::vector<NamedFile> files;
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    files.push_back({item.path().filename().string(), static_cast<off_t>(item.is_regular_file() ? item.file_size() : -1)});
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::string> OnlyFileLines(const std::string& folder) {
  std::vector<std::string> lines;
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    std::ifstream file(item.path(), std::ios::binary);
    for (std::string line; std::getline(file, line);) {
      if (line.ends_with('\r')) line.pop_back();
      lines.push_back(std::move(line));
    }
  }
  return lines;
}

}  // namespace tolvane::bench
