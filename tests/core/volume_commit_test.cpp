// Commits on real volumes of the kinds memory cards and Windows disks use, made by each test on
// a loop device: the check, the order and the renames must do there what they do on ext4.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/batch_undo.h"
#include "core/folder_listing.h"
#include "core/preview.h"
#include "platform/linux_file_system.h"
#include "tests/support/fake_platform.h"
#include "tests/support/loop_volume.h"
#include "tests/support/temp_folder.h"

namespace tolvane {
namespace {

using testing::LoopVolume;
using Kind = LoopVolume::Kind;
using Names = std::map<std::string, std::string>;  // name on disk -> content

class VolumeTest : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    if (!volume.Mounted()) GTEST_SKIP() << NameOf(GetParam()) << " volume not mounted: " << volume.WhyNotMounted();
    ASSERT_EQ(mkdir(executable.Path("log").c_str(), 0755), 0);
    system.executableFolder = executable.path();
    system.environment["XDG_STATE_HOME"] = executable.Path("state");
  }

  std::string Folder() const { return volume.Root(); }

  void Write(const std::string& name) const { std::ofstream(Folder() + "/" + name) << "content of " << name; }

  // Every name on the volume's root, byte for byte, with its file's content.
  Names OnDisk() {
    Names names;
    for (const FolderItem& item : disk.ReadFolder(Folder())) {
      std::ifstream in(Folder() + "/" + item.name);
      std::ostringstream content;
      content << in.rdbuf();
      names[item.name] = content.str();
    }
    return names;
  }

  std::string Report() const {
    std::ifstream in(executable.Path("log/Report_06122026140509.txt"));
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  LoopVolume volume{GetParam()};
  testing::TempFolder executable;
  LinuxFileSystem disk;
  testing::FakeSystem system;
  testing::FakeWindow window;
};

struct VolumeCase {
  const char* what;
  std::vector<std::string> files;
  std::vector<std::pair<std::string, std::string>> batch;  // old name -> new name, in list order
  std::set<Kind> refusedOn;                               // nothing is renamed there
  std::string problem;                                    // the line of the refusal
};

TEST_P(VolumeTest, EachBatchEndsWithExactlyItsNewNamesOrIsRefusedBeforeAnyRename) {
  const std::vector<VolumeCase> cases{
      {"chains that exist only under case folding, and a change of case alone",
       {"b.jpg", "IMG_01.JPG", "IMG_02.JPG", "IMG_04.jpg"},
       {{"b.jpg", "img_01.jpg"}, {"IMG_01.JPG", "img_02.JPG"}, {"IMG_02.JPG", "img_03.JPG"}, {"IMG_04.jpg", "img_04.jpg"}},
       {},
       ""},
      {"a swap of names that differ only in case", {"a.jpg", "b.jpg"}, {{"a.jpg", "B.JPG"}, {"b.jpg", "A.JPG"}}, {}, ""},
      {"a new name that a staying file holds in another case", {"a.jpg", "KEEP.jpg"}, {{"a.jpg", "keep.jpg"}},
       {Kind::ExfatFuse, Kind::FuseFat},
       "1 new name is held by an item of the folder that is not renamed: \"keep.jpg\"."},
      {"two new names that the volume takes for one", {"a.jpg", "b.jpg"}, {{"a.jpg", "x.jpg"}, {"b.jpg", "X.JPG"}},
       {Kind::ExfatFuse, Kind::FuseFat},
       "2 new names are given to more than one file: \"x.jpg\", \"X.JPG\"."},
      {"a refused character", {"a.jpg"}, {{"a.jpg", "a:b.jpg"}}, {Kind::ExfatFuse, Kind::Ntfs3g, Kind::FuseFat},
       "1 new name cannot be given (the volume of this folder does not allow ':' in a name): \"a:b.jpg\"."},
      {"a closing dot", {"a.jpg"}, {{"a.jpg", "a."}}, {Kind::FuseFat},
       "1 new name cannot be given (the volume of this folder drops a dot at the end of a name, so the file would get "
       "another name): \"a.\"."},
      // fusefat would take the old name away and lose the file.
      {"a name beyond ASCII", {"DSC_0001.JPG"}, {{"DSC_0001.JPG", "\xC3\x89t\xC3\xA9_01.JPG"}}, {Kind::FuseFat},
       "1 new name cannot be given (the volume of this folder takes only ASCII characters in a name): "
       "\"\xC3\x89t\xC3\xA9_01.JPG\"."},
      // One name each under Unicode's folding, two under exFAT's up-case table.
      {"names exFAT keeps apart", {"a", "b", "c", "d"},
       {{"a", "i.jpg"}, {"b", "\xC4\xB1.jpg"}, {"c", "\xC3\x9F.jpg"}, {"d", "\xE1\xBA\x9E.jpg"}}, {Kind::FuseFat},
       "3 new names cannot be given (the volume of this folder takes only ASCII characters in a name): "
       "\"\xC4\xB1.jpg\""},
      // \u03C3 and the final \u03C2 are one name there; \u00FF and \u0178 too.
      {"names beyond ASCII that exFAT takes for one", {"a", "b", "c", "d"},
       {{"a", "\xCF\x83.jpg"}, {"b", "\xCF\x82.jpg"}, {"c", "\xC3\xBF.jpg"}, {"d", "\xC5\xB8.jpg"}},
       {Kind::ExfatFuse, Kind::FuseFat}, "\"\xCF\x83.jpg\""},
  };
  for (const VolumeCase& c : cases) {
    SCOPED_TRACE(c.what);
    for (const auto& [name, content] : OnDisk()) ASSERT_EQ(unlink((Folder() + "/" + name).c_str()), 0) << name;
    for (const std::string& name : c.files) Write(name);
    window.messages.clear();
    unlink(executable.Path("log/Report_06122026140509.txt").c_str());
    RenameList list;
    for (const auto& [from, to] : c.batch) list.Add(to).Tag = from;
    Preview(list).Rename(Platform{disk, system, window}, Folder());

    Names expected;
    for (const std::string& name : c.files) expected[name] = "content of " + name;
    ASSERT_EQ(window.messages.size(), 2u);
    if (c.refusedOn.contains(GetParam())) {
      EXPECT_NE(window.messages[1].prompt.find(c.problem), std::string::npos) << window.messages[1].prompt;
      EXPECT_EQ(OnDisk(), expected);
      continue;
    }
    EXPECT_EQ(window.messages[1].prompt, "File rename completed");
    for (const auto& [from, to] : c.batch) expected.erase(from);
    std::string lines;
    for (const auto& [from, to] : c.batch) {
      expected[to] = "content of " + from;
      lines += from + " -> " + to + "\r\n";
    }
    EXPECT_EQ(OnDisk(), expected);
    EXPECT_NE(Report().find(lines), std::string::npos) << Report();

    // Taken out and put back in, the card's folders have new identities: its last batch is
    // found by its path and its volume, and undone to exactly the names before.
    ASSERT_TRUE(volume.MountAgain()) << volume.WhyNotMounted();
    window.messages.clear();
    EXPECT_TRUE(UndoLastBatch(Platform{disk, system, window}, Folder()));
    ASSERT_EQ(window.messages.size(), 2u);
    EXPECT_EQ(window.messages[1].prompt, "File rename completed");
    Names before;
    for (const std::string& name : c.files) before[name] = "content of " + name;
    EXPECT_EQ(OnDisk(), before);
  }
}

TEST_P(VolumeTest, TheFolderTellsItsVolumesRulesAsTheKernelAnswers) {
  const std::unique_ptr<OpenedFolder> folder = disk.OpenFolder(Folder());
  const NameRules names = GetParam() == Kind::FuseFat ? NameRules::FuseFat : NameRules::Unicode;
  // ntfs-3g keeps names in NTFS's case-sensitive POSIX namespace.
  const bool folds = GetParam() != Kind::Ntfs3g;
  // exFAT's driver mounts as "fuseblk", as NTFS's does: the device's boot sector tells them apart.
  const CaseTable table = GetParam() == Kind::ExfatFuse ? CaseTable::Exfat : CaseTable::Unicode;
  EXPECT_EQ(folder->Rules({}), (VolumeRules{true, names, table})) << "a folder without letters is judged by its type";
  Write("Photo.jpg");
  const std::vector<FolderItem> items = disk.ReadFolder(Folder());
  EXPECT_EQ(folder->Rules(items), (VolumeRules{folds, names, table}));
  EXPECT_EQ(folder->Holds("PHOTO.JPG"), folds);
  EXPECT_EQ(folder->Identify("PHOTO.JPG").has_value(), folds) << "it finds the item it holds";
  EXPECT_FALSE(folder->Holds("other.jpg"));
  EXPECT_EQ(folder->Watch(), nullptr) << "a FUSE daemon may change names behind the kernel's back";
  EXPECT_FALSE(FolderListing(disk, Folder()).StillLists(*folder)) << "so a check reads the folder, not the load's read";
}

// ntfs-3g takes every name Linux takes.
class RefusingVolumeTest : public VolumeTest {};

TEST_P(RefusingVolumeTest, ANameTheKernelRefusesIsToldAsRefusedRatherThanNotFound) {
  Write("a.jpg");
  try {
    disk.OpenFolder(Folder())->RenameFile("a.jpg", "a:b.jpg");
    FAIL() << "the volume took a:b.jpg";
  } catch (const Error& error) {
    if (GetParam() == Kind::FuseFat) {
      EXPECT_EQ(error.Number(), ErrorNumber::PermissionDenied) << error.Description();
    } else {
      EXPECT_EQ(error.Number(), ErrorNumber::BadFileName) << error.Description();
      EXPECT_NE(error.Description().find("refuses the name a:b.jpg"), std::string::npos) << error.Description();
    }
  }
}

const auto kVolumeName = [](const auto& param) { return std::string(NameOf(param.param)); };
INSTANTIATE_TEST_SUITE_P(Volumes, VolumeTest, ::testing::Values(Kind::ExfatFuse, Kind::Ntfs3g, Kind::FuseFat), kVolumeName);
INSTANTIATE_TEST_SUITE_P(Volumes, RefusingVolumeTest, ::testing::Values(Kind::ExfatFuse, Kind::FuseFat), kVolumeName);

}  // namespace
}  // namespace tolvane
