#include "tests/support/loop_volume.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <vector>

extern char** environ;

namespace tolvane::testing {

namespace {

// Runs a program found on PATH, its output thrown away; true when it ran and exited with 0.
bool Run(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int failure = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failure != 0) return false;
  int status = 0;
  if (waitpid(child, &status, 0) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The first line a shell command writes, or empty.
std::string FirstLineOf(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {};
  std::array<char, 256> line{};
  const bool read = std::fgets(line.data(), static_cast<int>(line.size()), pipe) != nullptr;
  pclose(pipe);
  std::string text = read ? line.data() : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

// A FUSE driver may go on mounting after the command that started it has returned.
bool BecomesMountPoint(const std::string& folder) {
  const std::string parent = folder.substr(0, folder.rfind('/'));
  for (int wait = 0; wait < 100; ++wait) {
    struct stat inner {};
    struct stat outer {};
    if (stat(folder.c_str(), &inner) == 0 && stat(parent.c_str(), &outer) == 0 && inner.st_dev != outer.st_dev) {
      return true;
    }
    usleep(50'000);
  }
  return false;
}

bool Installed(const std::string& program) { return !FirstLineOf("command -v " + program + " 2>/dev/null").empty(); }

}  // namespace

const char* NameOf(LoopVolume::Kind kind) {
  switch (kind) {
    case LoopVolume::Kind::ExfatFuse: return "exFAT";
    case LoopVolume::Kind::Ntfs3g: return "NTFS";
    case LoopVolume::Kind::FuseFat: return "FAT";
    case LoopVolume::Kind::Ext4: return "ext4";
  }
  return "";
}

LoopVolume::LoopVolume(Kind kind, const std::string& mountPoint, long megabytes, const std::string& options)
    : image_(scratch_.Path("volume.img")),
      root_(mountPoint.empty() ? scratch_.Path("mounted") : mountPoint),
      megabytes_(megabytes) {
  if (!Make(kind, options)) Unmount();
}

bool LoopVolume::NotMounted(std::string why) {
  whyNot_ = std::move(why);
  return false;
}

bool LoopVolume::Make(Kind kind, const std::string& options) {
  if (geteuid() != 0) return NotMounted("mounting a volume needs root");
  if (kind != Kind::Ext4 && access("/dev/fuse", R_OK | W_OK) != 0) return NotMounted("/dev/fuse cannot be opened");
  struct Tools {
    std::vector<std::string> format;
    std::string mounter;
    bool needsLoop;
  };
  const Tools tools = kind == Kind::ExfatFuse ? Tools{{"mkfs.exfat", image_}, "mount.exfat-fuse", true}
                      : kind == Kind::Ntfs3g  ? Tools{{"mkntfs", "-F", "-Q", image_}, "ntfs-3g", true}
                      : kind == Kind::Ext4    ? Tools{{"mkfs.ext4", "-q", image_}, "mount", false}
                                              : Tools{{"mkfs.vfat", image_}, "fusefat", false};
  for (const std::string& program : {tools.format.front(), tools.mounter}) {
    if (!Installed(program)) return NotMounted(program + " is not installed (tools/install-deps installs it)");
  }
  std::ofstream(image_).close();
  if (truncate(image_.c_str(), megabytes_ << 20) != 0 || (mkdir(root_.c_str(), 0755) != 0 && errno != EEXIST)) {
    return NotMounted("the image cannot be made");
  }
  if (!Run(tools.format)) return NotMounted(tools.format.front() + " failed");
  std::string device = image_;
  if (tools.needsLoop) {
    for (int attempt = 0; attempt < 5 && loopDevice_.empty(); ++attempt) {
      loopDevice_ = FirstLineOf("losetup --find --show '" + image_ + "' 2>/dev/null");
    }
    if (loopDevice_.empty()) return NotMounted("no loop device could be attached");
    device = loopDevice_;
  }
  std::string given = kind == Kind::FuseFat ? "rw+" : kind == Kind::Ext4 ? "loop" : "";
  if (!options.empty()) given += (given.empty() ? "" : ",") + options;
  mountCommand_ = {tools.mounter};
  if (!given.empty()) mountCommand_.insert(mountCommand_.end(), {"-o", given});
  mountCommand_.insert(mountCommand_.end(), {device, root_});
  return Mount();
}

bool LoopVolume::Mount() {
  const bool ran = Run(mountCommand_);
  // Unmounted in any case, should the driver mount late.
  mounted_ = true;
  if (!ran || !BecomesMountPoint(root_)) return NotMounted(mountCommand_.front() + " could not mount the volume");
  return true;
}

bool LoopVolume::MountAgain() {
  if (!Eject()) return NotMounted("the volume could not be unmounted");
  return Mount();
}

bool LoopVolume::Eject() {
  if (!Run({"umount", root_})) return false;
  mounted_ = false;
  return true;
}

bool LoopVolume::PlugInAgain() { return Mount(); }

LoopVolume::~LoopVolume() { Unmount(); }

void LoopVolume::Unmount() {
  if (mounted_ && !Run({"umount", root_})) Run({"umount", "-l", root_});
  mounted_ = false;
  if (!loopDevice_.empty()) Run({"losetup", "-d", loopDevice_});
  loopDevice_.clear();
}

}  // namespace tolvane::testing
