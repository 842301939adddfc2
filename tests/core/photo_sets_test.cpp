// Sets of a photo and its companions, formed from real folders: on ext4, which compares names
// exactly, and on an exFAT card, which folds their case.
#include "core/photo_sets.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "core/preview.h"
#include "core/set_files.h"
#include "platform/linux_file_system.h"
#include "tests/support/loop_volume.h"
#include "tests/support/temp_folder.h"

namespace tolvane {
namespace {

using testing::LoopVolume;

enum class Volume { Ext4, Exfat };

struct SetCase {
  const char* what;
  Volume volume;
  std::vector<std::string> files;
  std::vector<std::string> rows;      // the main file, then "+" and its members' endings
  std::vector<std::string> newNames;  // "old -> new" for every file, as the batch has them
};

// A row as the window shows it, its dimmed part after two blanks.
std::string RowOf(const RenameEntry& entry) {
  std::string row = entry.Text;
  if (entry.LoneSidecar) row += "  (lone)";
  if (!entry.Members.empty()) row += "  +";
  for (const SetMember& member : entry.Members) row.append(" ").append(member.Ending());
  return row;
}

class PhotoSetsTest : public ::testing::TestWithParam<SetCase> {};

TEST_P(PhotoSetsTest, FolderGivesItsSetsAndSimulateNamesEveryFileAfterItsSet) {
  const SetCase& c = GetParam();
  const testing::TempFolder ext4;
  std::optional<LoopVolume> card;
  if (c.volume == Volume::Exfat) {
    card.emplace(LoopVolume::Kind::ExfatFuse);
    if (!card->Mounted()) GTEST_SKIP() << "exFAT volume not mounted: " << card->WhyNotMounted();
  }
  const std::string folder = card ? card->Root() : ext4.path();
  for (const std::string& name : c.files) std::ofstream(folder + "/" + name) << name;

  LinuxFileSystem disk;
  std::vector<FolderItem> items = disk.ReadFolder(folder);
  const VolumeRules rules = disk.OpenFolder(folder)->Rules(items);
  RenameList list;
  LoadFolderSets(list, std::move(items), rules);
  std::vector<std::string> rows;
  for (RenameList::Position position = 1; position <= list.Count(); ++position) rows.push_back(RowOf(list.Item(position)));
  EXPECT_EQ(rows, c.rows);

  Preview(list).Simulate(NamingFields{"Trip_", "", "1", "00"});
  const RenameList files = FilesOf(list);
  std::vector<std::string> newNames;
  for (RenameList::Position position = 1; position <= files.Count(); ++position) {
    newNames.push_back(files.Item(position).Tag + " -> " + files.Item(position).Text);
  }
  EXPECT_EQ(newNames, c.newNames);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, PhotoSetsTest,
    ::testing::Values(
        SetCase{"RawAndJpeg", Volume::Ext4, {"IMG_0001.CR2", "IMG_0001.JPG", "IMG_0002.CR2"},
                {"IMG_0001.CR2  + .JPG", "IMG_0002.CR2"},
                {"IMG_0001.CR2 -> Trip_01.CR2", "IMG_0001.JPG -> Trip_01.JPG", "IMG_0002.CR2 -> Trip_02.CR2"}},
        SetCase{"SidecarsOfTheWholeNameAndOfTheStem", Volume::Ext4, {"IMG_1.CR2", "IMG_1.CR2.xmp", "IMG_1.xmp", "IMG_1.CR2.pp3"},
                {"IMG_1.CR2  + .CR2.pp3 .CR2.xmp .xmp"},
                {"IMG_1.CR2 -> Trip_01.CR2", "IMG_1.CR2.pp3 -> Trip_01.CR2.pp3", "IMG_1.CR2.xmp -> Trip_01.CR2.xmp",
                 "IMG_1.xmp -> Trip_01.xmp"}},
        // The raw file is the main one wherever it stands, and the set stands where it does.
        SetCase{"XmpSharedByJpegAndRaw", Volume::Ext4, {"a.JPG", "a.NEF", "a.xmp"}, {"a.NEF  + .JPG .xmp"},
                {"a.NEF -> Trip_01.NEF", "a.JPG -> Trip_01.JPG", "a.xmp -> Trip_01.xmp"}},
        // "c.CR2.xmp" extends no member's whole name, since c.CR2 is missing.
        SetCase{"SidecarsWithoutTheirPhoto", Volume::Ext4, {"b.xmp", "c.jpg", "c.CR2.xmp"},
                {"b.xmp  (lone)", "c.CR2.xmp  (lone)", "c.jpg"},
                {"b.xmp -> Trip_01.xmp", "c.CR2.xmp -> Trip_02.xmp", "c.jpg -> Trip_03.jpg"}},
        SetCase{"DocumentsAreNeverGrouped", Volume::Ext4, {"a.txt", "a.jpg"}, {"a.jpg", "a.txt"},
                {"a.jpg -> Trip_01.jpg", "a.txt -> Trip_02.txt"}},
        // A second file of an ending stays apart, and the sidecar goes with the first.
        SetCase{"OneFileOfEachEndingOnExt4", Volume::Ext4, {"IMG_1.JPG", "IMG_1.jpg", "IMG_1.xmp"},
                {"IMG_1.JPG  + .xmp", "IMG_1.jpg"},
                {"IMG_1.JPG -> Trip_01.JPG", "IMG_1.xmp -> Trip_01.xmp", "IMG_1.jpg -> Trip_02.jpg"}},
        // On exFAT the second name is the first file's; names meet whatever their case.
        SetCase{"CaseFoldedOnExfat", Volume::Exfat, {"IMG_1.JPG", "IMG_1.jpg", "img_1.CR2", "IMG_1.cr2.XMP", "IMG_1.jpg.xmp"},
                {"img_1.CR2  + .JPG .cr2.XMP .jpg.xmp"},
                {"img_1.CR2 -> Trip_01.CR2", "IMG_1.JPG -> Trip_01.JPG", "IMG_1.cr2.XMP -> Trip_01.cr2.XMP",
                 "IMG_1.jpg.xmp -> Trip_01.jpg.xmp"}},
        SetCase{"CaseKeptApartOnExt4", Volume::Ext4, {"IMG_1.JPG", "img_1.CR2", "IMG_1.cr2.XMP", "IMG_1.jpg.xmp"},
                {"img_1.CR2", "IMG_1.cr2.XMP  (lone)", "IMG_1.JPG", "IMG_1.jpg.xmp  (lone)"},
                {"img_1.CR2 -> Trip_01.CR2", "IMG_1.cr2.XMP -> Trip_02.XMP", "IMG_1.JPG -> Trip_03.JPG",
                 "IMG_1.jpg.xmp -> Trip_04.xmp"}},
        SetCase{"LivePhoto", Volume::Ext4, {"IMG_1234.HEIC", "IMG_1234.MOV"}, {"IMG_1234.HEIC  + .MOV"},
                {"IMG_1234.HEIC -> Trip_01.HEIC", "IMG_1234.MOV -> Trip_01.MOV"}},
        // A photo is the main file before a video, and a video before a sidecar.
        SetCase{"PhotoBeforeVideo", Volume::Ext4, {"v.MP4", "v.PNG", "w.MOV", "w.THM"}, {"v.PNG  + .MP4", "w.MOV  + .THM"},
                {"v.PNG -> Trip_01.PNG", "v.MP4 -> Trip_01.MP4", "w.MOV -> Trip_02.MOV", "w.THM -> Trip_02.THM"}},
        SetCase{"StemHoldingDots", Volume::Ext4, {"2024.05.01 party.jpg", "2024.05.01 party.xmp"},
                {"2024.05.01 party.jpg  + .xmp"},
                {"2024.05.01 party.jpg -> Trip_01.jpg", "2024.05.01 party.xmp -> Trip_01.xmp"}}),
    [](const ::testing::TestParamInfo<SetCase>& c) { return c.param.what; });

// A set is named by the first date taken of its files, its main file's first, and by its main
// file's modification time; a file alone by its own.
TEST(PhotoSetsTest, NameDatesOfASetAreItsFirstDateTakenAndItsMainFilesModification) {
  RenameList list;
  list.Add("A.CR2").Members.Add(SetMember{"A.JPG", "", 4});
  list.Add("B.jpg");
  const auto at = [](int day) { return DateTime{2024, 5, day, 12, 0, 0}; };
  const std::vector<NameDates> files{{std::nullopt, at(1)}, {at(2), at(3)}, {std::nullopt, at(4)}};
  const std::vector<NameDates> entries = NameDatesOfEntries(list, files);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].taken, at(2));
  EXPECT_EQ(entries[0].modified, at(1));
  EXPECT_EQ(entries[1].taken, std::nullopt);
  EXPECT_EQ(entries[1].modified, at(4));
}

}  // namespace
}  // namespace tolvane
