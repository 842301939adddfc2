#include <gtest/gtest.h>

#include "platform/linux_drives.h"
#include "platform/mounted_drives.h"

namespace tolvane {
namespace {

// Taken from a desktop machine with a USB stick, and a container.
constexpr const char* kMountInfo =
    "21 26 0:20 / /proc rw,relatime - proc proc rw\n"
    "22 26 0:21 / /sys rw,relatime - sysfs sysfs rw\n"
    "23 26 0:6 / /dev rw,relatime - devtmpfs devtmpfs rw,size=12334808k\n"
    "24 23 0:22 / /dev/shm rw,relatime - tmpfs tmpfs rw\n"
    "25 23 0:23 / /dev/pts rw,relatime - devpts devpts rw,mode=600\n"
    "26 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw,discard\n"
    "30 22 0:27 / /sys/fs/cgroup rw,relatime - tmpfs tmpfs rw,mode=755\n"
    "31 30 0:28 / /sys/fs/cgroup/cpu rw,relatime - cgroup cgroup rw,cpu\n"
    "40 26 0:40 / /run rw,nosuid shared:5 - tmpfs tmpfs rw\n"
    "41 40 0:41 / /run/user/1000 rw,nosuid shared:6 - tmpfs tmpfs rw\n"
    "42 26 8:17 / /media/anna/My\\040Stick rw,nosuid shared:7 master:1 - vfat /dev/sdb1 rw\n"
    "43 26 0:42 / /tmp rw - tmpfs tmpfs rw\n"
    "44 26 8:2 / /home rw - ext4 /dev/sda2 rw\n"
    "45 26 8:2 /etc/hosts /etc/hosts rw - ext4 /dev/sda2 rw\n"
    "46 26 0:43 / /mnt/ram rw - tmpfs tmpfs rw\n"
    "47 26 7:0 / /snap/core/123 ro - squashfs /dev/loop0 ro\n"
    "48 26 0:44 / /run/media/anna/CARD rw - exfat /dev/sdc1 rw\n"
    "49 44 0:45 / /home rw - autofs systemd-1 rw\n"
    "50 41 0:46 / /run/user/1000/gvfs rw,nosuid shared:8 - fuse.gvfsd-fuse gvfsd-fuse rw,user_id=1000,group_id=1000\n";

constexpr unsigned kUser = 1000;

TEST(MountInfo, ParsesMountPointTypeAndSourceAndUndoesTheKernelsEscapes) {
  const std::vector<Mount> mounts = ParseMountInfo(kMountInfo);
  ASSERT_EQ(mounts.size(), 19u);
  EXPECT_EQ(mounts[5].mountPoint, "/");
  EXPECT_EQ(mounts[5].fileSystemType, "ext4");
  EXPECT_EQ(mounts[5].source, "/dev/vda");
  EXPECT_EQ(mounts[5].device, "254:0");
  EXPECT_EQ(mounts[18].superOptions, "rw,user_id=1000,group_id=1000");
  EXPECT_EQ(mounts[10].mountPoint, "/media/anna/My Stick");
  EXPECT_EQ(mounts[10].source, "/dev/sdb1");
  EXPECT_TRUE(ParseMountInfo("garbage without separator\n\n").empty());
}

TEST(MountInfo, UserVolumesAreTheOnesAUserKeepsFilesOn) {
  const struct {
    const char* type;
    const char* mountPoint;
    bool user;
    const char* superOptions = "rw";
  } cases[] = {
      {"ext4", "/home", true},           {"vfat", "/media/anna/STICK", true}, {"exfat", "/run/media/anna/CARD", true},
      {"nfs4", "/mnt/nas", true},        {"fuse.sshfs", "/home/anna/remote", true},
      {"tmpfs", "/tmp", true},           {"tmpfs", "/dev/shm", false},         {"tmpfs", "/run/user/1000", false},
      {"tmpfs", "/mnt/ram", false},      {"proc", "/proc", false},             {"sysfs", "/sys", false},
      {"cgroup2", "/sys/fs/cgroup", false}, {"devpts", "/dev/pts", false},    {"devtmpfs", "/dev", false},
      {"overlay", "/var/lib/docker/overlay2/x/merged", false},               {"ext4", "/etc/hosts", false},
      {"squashfs", "/snap/core/123", false}, {"autofs", "/home", false},     {"fuse.portal", "/run/user/1000/doc", false, "rw,user_id=1000"},
      // Memory cards, Windows disks and shares wherever the desktop mounts them.
      {"exfat", "/run/user/1000/card", true},  {"fuseblk", "/run/anna/WINDISK", true}, {"ntfs3", "/run/ntfs", true},
      {"cifs", "/run/user/1000/share", true},  {"nfs4", "/run/nas", true},            {"vfat", "/run/stick", true},
      // FUSE mounts are the user's when the user mounted them.
      {"fuse.gvfsd-fuse", "/run/user/1000/gvfs", true, "rw,user_id=1000,group_id=1000"},
      {"fuse.gvfsd-fuse", "/run/user/1001/gvfs", false, "rw,user_id=1001,group_id=1001"},
      {"fuse.rclone", "/run/user/1000/cloud", true, "rw,user_id=1000"},
      {"fuse.something", "/run/daemon", false, "rw,user_id=0"},
      // The system's own folders, whatever mounts there.
      {"vfat", "/boot/efi", false},  {"fuse.rclone", "/dev/x", false, "rw,user_id=1000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsUserVolume(Mount{c.mountPoint, c.type, "x", "0:1", c.superOptions}, kUser), c.user)
        << c.type << " at " << c.mountPoint;
  }
}

TEST(MountInfo, DrivesAreRootAndTheUserVolumesOnceEachInNaturalOrderWithTheirLabels) {
  const std::map<std::string, std::string> labels{{"/dev/sdb1", "My Stick"}, {"/dev/vda", "system"}};
  const std::vector<Drive> drives = DrivesOf(ParseMountInfo(kMountInfo), labels, kUser);
  EXPECT_EQ(drives, (std::vector<Drive>{{"/", "system"},
                                         {"/media/anna/My Stick", "My Stick"},
                                         {"/run/media/anna/CARD", ""},
                                         {"/run/user/1000/gvfs", ""},
                                         {"/tmp", ""}}))
      << "/home is hidden by the automounter mounted over it";
}

TEST(MountInfo, RootIsADriveEvenWhenItIsAnOverlayOrMissing) {
  EXPECT_EQ(DrivesOf(ParseMountInfo("1 0 0:1 / / rw - overlay overlay rw\n"), {}, kUser),
            (std::vector<Drive>{{"/", ""}}));
  EXPECT_EQ(DrivesOf({}, {}, kUser), (std::vector<Drive>{{"/", ""}}));
}

TEST(MountInfo, LabelNamesHaveUdevsEscapesUndone) {
  EXPECT_EQ(DecodeLabelName("My\\x20Stick"), "My Stick");
  EXPECT_EQ(DecodeLabelName("A\\x2fB"), "A/B");
  EXPECT_EQ(DecodeLabelName("plain"), "plain");
  EXPECT_EQ(DecodeLabelName("end\\x2"), "end\\x2");
}

TEST(MountInfo, TheMachinesDrivesBeginWithTheRootAndAreAllAbsolute) {
  const std::vector<Drive> drives = LinuxDrives().MountedDrives();
  ASSERT_FALSE(drives.empty());
  EXPECT_EQ(drives.front().mountPoint, "/");
  for (const Drive& drive : drives) EXPECT_TRUE(drive.mountPoint.starts_with('/')) << drive.mountPoint;
}

}  // namespace
}  // namespace tolvane
