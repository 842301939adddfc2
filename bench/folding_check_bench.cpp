// What the check of a commit costs on a volume that folds case, next to plain work of the
// kernel on the same folder. It fills the folder given with files IMG_0000000.jpg ... up to
// N (not timed; on exFAT's FUSE driver, making 100,000 files takes minutes), and times two
// previews of every file, best of the runs:
//   chain  img_ with the next number: each new name is, under case folding, the old name of
//          the next file (one chain of N moves, which only the folded comparison sees)
//   fresh  Pic_ with the same number: no new name is held, so a folding volume is asked
//          for every one
// and for each:
//   reference read    opendir and readdir of the whole folder into a vector of names
//   reference lookups fstatat of every new name, relative to the open folder
//   check, as ext4    Tolvane's plan of the commit with the rules of a volume that keeps case:
//                     folder read, check, moves collected and ordered
//   check, volume     the same with the folder's own rules, as the commit runs it: on a
//                     folding volume, names folded and the kernel asked for every new name
//   reference renames the fresh batch's renames with renameat, then back (untimed)
// Usage: tolvane_folding_bench --folder DIR [--n N] [--sample K] [--runs R] [--fold]
//   --sample previews only the first K files of the N (on a slow volume, where each lookup
//   costs what the size of the folder makes it cost).
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
#include <set>
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

// Makes the files the folder does not list yet; a lookup of each would cost as much as the
// measurement on a slow volume.
void FillFolder(const std::string& folder, std::size_t count) {
  const int fd = open(folder.c_str(), O_PATH | O_DIRECTORY);
  if (fd < 0) throw std::runtime_error("cannot open " + folder);
  std::set<std::string> present;
  for (const FolderItem& item : LinuxFileSystem().ReadFolder(folder)) present.insert(item.name);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string name = NumberedName("IMG_", i);
    if (present.contains(name)) continue;
    const int file = openat(fd, name.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (file < 0) throw std::runtime_error("cannot make " + name + ": " + std::strerror(errno));
    close(file);
  }
  close(fd);
}

// The first `count` files of the folder, previewed.
RenameList PreviewedList(std::size_t count, bool chain) {
  RenameList list;
  for (std::size_t i = 0; i < count; ++i) {
    // The chain ends at a name that no file of the folder holds.
    const bool last = i + 1 == count;
    list.Add(!chain ? NumberedName("Pic_", i) : last ? NumberedName("img_end_", i) : NumberedName("img_", i + 1)).Tag =
        NumberedName("IMG_", i);
  }
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

// Renames the list's files to their new names and back, as plainly as the kernel allows where
// RENAME_NOREPLACE is refused; gives the time of the renames to the new names.
double RenameThereAndBack(const std::string& folder, const RenameList& list) {
  const int fd = open(folder.c_str(), O_PATH | O_DIRECTORY);
  const auto renameAll = [&](bool back) {
    for (RenameList::Position p = 1; p <= list.Count(); ++p) {
      const RenameEntry& entry = list.Item(p);
      const std::string& from = back ? entry.Text : entry.Tag;
      const std::string& to = back ? entry.Tag : entry.Text;
      if (renameat(fd, from.c_str(), fd, to.c_str()) != 0) throw std::runtime_error("cannot rename " + from);
    }
  };
  const double there = Seconds([&] { renameAll(false); });
  renameAll(true);
  close(fd);
  return there;
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
  std::size_t sample = 0;
  int runs = 3;
  bool forceFold = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--folder" && i + 1 < argc) folder = argv[++i];
    else if (argument == "--n" && i + 1 < argc) count = std::strtoul(argv[++i], nullptr, 10);
    else if (argument == "--runs" && i + 1 < argc) runs = std::atoi(argv[++i]);
    else if (argument == "--sample" && i + 1 < argc) sample = std::strtoul(argv[++i], nullptr, 10);
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
  {
    const std::vector<FolderItem> items = files.ReadFolder(folder);
    const VolumeRules rules = files.OpenFolder(folder)->Rules(items);
    std::printf("volume: folds case %s%s, name rules %d\n", rules.foldsCase ? "yes" : "no",
                forceFold ? " (taken as folding: --fold)" : "", static_cast<int>(rules.names));
  }
  if (sample == 0 || sample > count) sample = count;
  std::printf("N = %zu files, %zu of them previewed, best of %d runs, wall clock s\n", count, sample, runs);
  std::printf("batch  reference read  reference lookups  check, as ext4  check, volume\n");
  for (const bool chain : {true, false}) {
    const RenameList list = PreviewedList(sample, chain);
    double read = 1e9, lookups = 1e9, exact = 1e9, volume = 1e9;
    for (int run = 0; run < runs; ++run) {
      read = std::min(read, Seconds([&] { ReadAllNames(folder); }));
      lookups = std::min(lookups, Seconds([&] { LookUpNewNames(folder, list); }));
      // Each goes first in every other run.
      const auto asExt4 = [&] { exact = std::min(exact, Seconds([&] { PlanCommit(files, folder, list, false, false); })); };
      const auto asVolume = [&] {
        volume = std::min(volume, Seconds([&] { PlanCommit(files, folder, list, true, forceFold); }));
      };
      if (run % 2 == 0) asExt4();
      asVolume();
      if (run % 2 == 1) asExt4();
    }
    std::printf("%-6s %14.3f %18.3f %15.3f %14.3f\n", chain ? "chain" : "fresh", read, lookups, exact, volume);
    std::fflush(stdout);
    if (!chain) std::printf("reference renames of the fresh batch: %.3f\n", RenameThereAndBack(folder, list));
  }
  return 0;
}

}  // namespace
}  // namespace tolvane::bench

int main(int argc, char** argv) { return tolvane::bench::Main(argc, argv); }
