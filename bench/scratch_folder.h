#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace tolvane::bench {

// A folder of its own under `parent`, removed with all it holds when this goes.
class ScratchFolder {
 public:
  ScratchFolder(const std::string& parent, const std::string& stem);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The name of the file numbered `number`, as a camera would write it.
std::string CameraName(std::size_t number);

// Fills `folder` with `count` camera files made in a shuffled order, so that the folder's
// own order is not the list's. Each file is sparse and as long as its number: who a file
// is survives its rename and is read by one stat, with no data pages held in memory.
void FillFolder(const std::string& folder, std::size_t count, unsigned seed);

struct NamedFile {
  std::string name;
  off_t length;
  friend bool operator==(const NamedFile&, const NamedFile&) = default;
  friend auto operator<=>(const NamedFile&, const NamedFile&) = default;
};

// The folder's items by name with their lengths, sorted by name.
std::vector<NamedFile> FolderState(const std::string& folder);

// The lines of the one file of `folder` (a report), without their line ends.
std::vector<std::string> OnlyFileLines(const std::string& folder);

}  // namespace tolvane::bench
