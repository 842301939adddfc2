// What the check of a commit costs on a volume that folds case, next to plain work of the
// kernel on the same folder. It fills the folder given with files IMG_0000000.jpg ... up to
// N (not timed; on exFAT's FUSE driver, making 100,000 files takes minutes), previews every
// file as img_ with the next number, so that each new name is, under case folding, the old
// name of the next file (one chain of N moves), and times, best of the runs:
//   reference read    opendir and readdir of the whole folder into a vector of names
//   reference lookups fstatat of every new name, relative to the open folder
//   check, as ext4    Tolvane's plan of the commit with the rules of a volume that keeps case:
//                     folder read, check, moves collected and ordered
//   check, volume     the same with the folder's own rules, as the commit runs it: on a
//                     folding volume, names folded and the kernel asked for every new name
// Usage: tolvane_folding_bench --folder DIR [--n N] [--runs R] [--fold]
//   --fold takes the folder's volume as folding whatever the kernel says (to time the
//   folding check on a fast file system such as tmpfs).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench/pipeline_measure.h"
#include "core/batch_check.h"
#include "core/batch_commit.h"
#include "core/rename_order.h"
#include "platform/linux_file_system.h"

namespace tolvane::bench {
namespace {

std::string NumberedName(const char* prefix, std::size_t number) {
  char name[64];
  std::snprintf(name, sizeof name, "%s%07zu.jpg", prefix, number);
  return name;
}

void FillFolder(const std::string& folder, std::size_t count) {
  const int fd = open(folder.c_str(), O_PATH | O_DIRECTORY);
  if (fd < 0) throw std::runtime_error("cannot open " + folder);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string name = NumberedName("IMG_", i);
    struct stat info {};
    if (fstatat(fd, name.c_str(), &info, 0) == 0) continue;
    const int file = openat(fd, name.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (file < 0) throw std::runtime_error("cannot make " + name + ": " + std::strerror(errno));
    close(file);
  }
  close(fd);
}

RenameList PreviewedList(std::size_t count) {
  RenameList list;
  for (std::size_t i = 0; i < count; ++i) list.Add(NumberedName("img_", i + 1)).Tag = NumberedName("IMG_", i);
  return list;
}

double Seconds(const std::function<void()>& work) {
  const Moment start = Moment::Now();
  work();
  return Between(start, Moment::Now()).wall;
}

std::size_t ReadAllNames(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
  closedir(dir);
  return names.size();
}

std::size_t LookUpNewNames(const std::string& folder, const RenameList& list) {
  const int fd = open(folder.c_str(), O_PATH | O_DIRECTORY);
  std::size_t found = 0;
  for (RenameList::Position p = 1; p <= list.Count(); ++p) {
    struct stat info {};
    if (fstatat(fd, list.Item(p).Text.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) ++found;
  }
  close(fd);
  return found;
}

// The commit's plan as Preview::Rename makes it, up to the first rename.
std::size_t PlanCommit(FileSystem& files, const std::string& folder, const RenameList& list, bool volumeRules,
                       bool forceFold) {
  const std::unique_ptr<OpenedFolder> opened = files.OpenFolder(folder);
  const std::vector<FolderItem> items = files.ReadFolder(folder);
  VolumeRules rules;
  if (volumeRules) rules = opened->Rules(items);
  if (forceFold) rules.foldsCase = true;
  const BatchNames names(list, items, rules, volumeRules ? opened.get() : nullptr);
  if (!CheckBatch(names).empty()) throw std::runtime_error("the batch does not pass its check");
  const BatchMoves batch = CollectMoves(list);
  return OrderRenames(batch.moves, names).steps.size();
}

int Main(int argc, char** argv) {
  std::string folder;
  std::size_t count = 100000;
  int runs = 3;
  bool forceFold = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--folder" && i + 1 < argc) folder = argv[++i];
    else if (argument == "--n" && i + 1 < argc) count = std::strtoul(argv[++i], nullptr, 10);
    else if (argument == "--runs" && i + 1 < argc) runs = std::atoi(argv[++i]);
    else if (argument == "--fold") forceFold = true;
    else {
      folder.clear();
      break;
    }
  }
  if (folder.empty()) {
    std::fprintf(stderr, "usage: %s --folder DIR [--n N] [--runs R] [--fold]\n", argv[0]);
    return 2;
  }
  std::printf("filling %s with %zu files: %.1f s\n", folder.c_str(), count,
              Seconds([&] { FillFolder(folder, count); }));
  LinuxFileSystem files;
  const RenameList list = PreviewedList(count);
  {
    const std::vector<FolderItem> items = files.ReadFolder(folder);
    const VolumeRules rules = files.OpenFolder(folder)->Rules(items);
    std::printf("volume: folds case %s%s, name rules %d\n", rules.foldsCase ? "yes" : "no",
                forceFold ? " (taken as folding: --fold)" : "", static_cast<int>(rules.names));
  }
  double read = 1e9, lookups = 1e9, exact = 1e9, volume = 1e9;
  for (int run = 0; run < runs; ++run) {
    read = std::min(read, Seconds([&] { ReadAllNames(folder); }));
    lookups = std::min(lookups, Seconds([&] { LookUpNewNames(folder, list); }));
    exact = std::min(exact, Seconds([&] { PlanCommit(files, folder, list, false, false); }));
    volume = std::min(volume, Seconds([&] { PlanCommit(files, folder, list, true, forceFold); }));
  }
  std::printf("N = %zu, best of %d runs, wall clock s\n", count, runs);
  std::printf("reference read    %.3f\nreference lookups %.3f\ncheck, as ext4    %.3f\ncheck, volume     %.3f\n", read,
              lookups, exact, volume);
  return 0;
}

}  // namespace
}  // namespace tolvane::bench

int main(int argc, char** argv) { return tolvane::bench::Main(argc, argv); }
