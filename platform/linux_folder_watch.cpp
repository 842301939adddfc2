#include "platform/linux_folder_watch.h"

#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <thread>

namespace tolvane {

namespace {

// File systems that live on this machine and are changed only through its kernel, so that
// inotify hears of every change to their folders.
bool ChangedOnlyThroughThisKernel(std::uint32_t type) {
  constexpr std::array<std::uint32_t, 8> kLocal{TMPFS_MAGIC,      RAMFS_MAGIC,     EXT4_SUPER_MAGIC,  BTRFS_SUPER_MAGIC,
                                                F2FS_SUPER_MAGIC, XFS_SUPER_MAGIC, MSDOS_SUPER_MAGIC, EXFAT_SUPER_MAGIC};
  return std::find(kLocal.begin(), kLocal.end(), type) != kLocal.end();
}

// Every event that a change of the folder's names brings: an item made, removed, or renamed
// within, into or out of the folder (a replacement is a rename onto a name), and the folder
// itself removed or moved. The kernel adds its own: the volume unmounted, the queue overflowed.
constexpr std::uint32_t kNameChanges =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

class InotifyWatch final : public FolderWatch {
 public:
  explicit InotifyWatch(int fd) : fd_(fd) {}
  InotifyWatch(const InotifyWatch&) = delete;
  InotifyWatch& operator=(const InotifyWatch&) = delete;
  // Closing an inotify descriptor waits for the kernel to let go of its marks: up to a grace
  // period (15 to 20 ms here) when another was closed just before, as a commit closes the
  // load's watch and then its check's. Nothing waits for the close, so it is done beside.
  ~InotifyWatch() override {
    std::thread([fd = fd_] { close(fd); }).detach();
  }

  // Any event waiting, or a watch that can no longer say, counts as a change.
  bool Unchanged() override {
    int waiting = 0;
    if (ioctl(fd_, FIONREAD, &waiting) != 0 || waiting > 0) changed_ = true;
    return !changed_;
  }

 private:
  int fd_;
  bool changed_ = false;
};

}  // namespace

std::unique_ptr<FolderWatch> WatchFolder(int folder) {
  struct statfs volume {};
  if (fstatfs(folder, &volume) != 0 || !ChangedOnlyThroughThisKernel(static_cast<std::uint32_t>(volume.f_type))) {
    return nullptr;
  }
  const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) return nullptr;
  // inotify takes a path; the descriptor's own entry in /proc leads to the folder held, whatever
  // its path now means.
  const std::string held = "/proc/self/fd/" + std::to_string(folder);
  if (inotify_add_watch(fd, held.c_str(), kNameChanges) < 0) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<InotifyWatch>(fd);
}

}  // namespace tolvane
