// Loading a folder of photo pairs into the list, with sets kept together and without, in one
// run and on one folder, so that the ratio is measured under the same load of the machine.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/scratch_folder.h"
#include "core/photo_sets.h"
#include "core/rename_list.h"
#include "platform/linux_file_system.h"

namespace tolvane::bench {
namespace {

struct Options {
  std::size_t pairs = 500'000;
  int runs = 5;
  std::string parent = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
};

Options ReadOptions(int argc, char* argv[]) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    if (name == "--pairs") options.pairs = std::strtoull(argv[i + 1], nullptr, 10);
    if (name == "--runs") options.runs = std::atoi(argv[i + 1]);
    if (name == "--parent") options.parent = argv[i + 1];
  }
  return options;
}

// A raw file and a JPEG for each shot, made in an order that is not the list's.
void FillWithPairs(const std::string& folder, std::size_t pairs) {
  std::vector<std::size_t> shots(pairs);
  for (std::size_t i = 0; i < pairs; ++i) shots[i] = (i * 7919) % pairs;
  for (const std::size_t shot : shots) {
    char stem[32];
    std::snprintf(stem, sizeof stem, "IMG_%07zu", shot + 1);
    for (const char* extension : {".CR2", ".JPG"}) {
      const int fd = ::open((folder + "/" + stem + extension).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
      if (fd < 0 || ::close(fd) != 0) {
        std::perror(stem);
        std::exit(1);
      }
    }
  }
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The load as the window makes it: the folder read, and with sets, its volume's rules asked.
double TimeLoad(const std::string& folder, bool keepSets, std::size_t& entries) {
  LinuxFileSystem disk;
  const auto start = std::chrono::steady_clock::now();
  std::vector<FolderItem> items = disk.ReadFolder(folder);
  RenameList list;
  if (keepSets) {
    const VolumeRules rules = disk.OpenFolder(folder)->Rules(items);
    LoadFolderSets(list, std::move(items), rules);
  } else {
    list.LoadFolderItems(std::move(items));
  }
  const double seconds = Seconds(start);
  entries = list.Count();
  return seconds;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

int Run(const Options& options) {
  const ScratchFolder folder(options.parent, "tolvane-sets-bench");
  FillWithPairs(folder.Path(), options.pairs);
  std::vector<double> off;
  std::vector<double> on;
  std::size_t filesListed = 0;
  std::size_t setsListed = 0;
  // The two loads take turns at going first, so that neither always finds a warmer cache.
  for (int run = 0; run < options.runs; ++run) {
    if (run % 2 == 0) off.push_back(TimeLoad(folder.Path(), false, filesListed));
    on.push_back(TimeLoad(folder.Path(), true, setsListed));
    if (run % 2 == 1) off.push_back(TimeLoad(folder.Path(), false, filesListed));
  }
  if (setsListed != options.pairs || filesListed != 2 * options.pairs) {
    std::fprintf(stderr, "listed %zu entries with sets and %zu without, for %zu pairs\n", setsListed, filesListed,
                 options.pairs);
    return 1;
  }
  const double ratio = Median(on) / Median(off);
  std::printf("Loading %zu files in %zu pairs (%s), median of %d runs:\n", 2 * options.pairs, options.pairs,
              options.parent.c_str(), options.runs);
  std::printf("  sets off  %.3f s  (%zu entries)\n  sets on   %.3f s  (%zu entries)\n  ratio     %.2f (at most 1.3)\n",
              Median(off), filesListed, Median(on), setsListed, ratio);
  return ratio <= 1.3 ? 0 : 1;
}

}  // namespace
}  // namespace tolvane::bench

int main(int argc, char* argv[]) { return tolvane::bench::Run(tolvane::bench::ReadOptions(argc, argv)); }
