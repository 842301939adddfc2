#pragma once

#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace tolvane::testing {

// A small volume made for one test: an image file in a temporary folder, formatted and mounted
// through FUSE (on a loop device where the driver wants a block device), or as ext4 by the
// kernel on a loop device. Where it cannot be made (not root, no /dev/fuse, no loop device, a
// tool missing) it is not mounted and says why. It is unmounted, lazily if busy, and its loop
// device let go, however the test ends.
class LoopVolume {
 public:
  enum class Kind { ExfatFuse, Ntfs3g, FuseFat, Ext4 };

  // Mounted on a folder of its own, or on `mountPoint`, an empty folder that is there (another
  // card's, taken out); `megabytes` large, so that two volumes can be told apart by their size
  // where the machine names none of them. `options` go to the driver's mount options, as
  // "uid=4242".
  explicit LoopVolume(Kind kind, const std::string& mountPoint = {}, long megabytes = 32,
                      const std::string& options = {});
  ~LoopVolume();
  LoopVolume(const LoopVolume&) = delete;
  LoopVolume& operator=(const LoopVolume&) = delete;

  bool Mounted() const { return mounted_; }
  const std::string& WhyNotMounted() const { return whyNot_; }
  // The mounted volume's root folder.
  const std::string& Root() const { return root_; }
  // Unmounts the volume and mounts it again, as a card taken out and put back in: its folders
  // and files get new identities. False, with the reason in WhyNotMounted, when it failed.
  bool MountAgain();
  // The two halves of MountAgain, for a test that works while the card is out: false when
  // the volume could not be unmounted, or mounted again.
  bool Eject();
  bool PlugInAgain();

 private:
  bool Make(Kind kind, const std::string& options);
  bool Mount();
  bool NotMounted(std::string why);
  void Unmount();

  TempFolder scratch_;
  std::string image_;
  std::string root_;
  std::string loopDevice_;
  long megabytes_;
  std::vector<std::string> mountCommand_;
  bool mounted_ = false;
  std::string whyNot_;
};

const char* NameOf(LoopVolume::Kind kind);

}  // namespace tolvane::testing
