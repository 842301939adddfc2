#include <gtest/gtest.h>

#include <QSignalSpy>

#include "tests/support/fake_platform.h"
#include "window/drive.h"
#include "window/drive_list.h"

namespace tolvane {
namespace {

// The drive list alone, over a list of drives that the test changes as a machine's mounts do.
class DriveListTest : public ::testing::Test {
 protected:
  testing::FakeDrives mounted{{{"/", "system"}, {"/media/usb", "STICK"}, {"/home", ""}}};
  DriveList drives{mounted, nullptr};
  QSignalSpy changes{&drives, &DriveList::DriveChanged};

  QStringList Titles() const {
    QStringList titles;
    for (int i = 0; i < drives.count(); ++i) titles << drives.itemText(i);
    return titles;
  }
};

TEST_F(DriveListTest, ShowsEachDriveByMountPointAndLabelAndStartsOnNone) {
  EXPECT_EQ(Titles(), (QStringList{"/ [system]", "/media/usb [STICK]", "/home"}));
  EXPECT_EQ(drives.Drive(), "");
}

TEST_F(DriveListTest, APathShowsTheDriveThatHoldsItAndOnlyAChangeIsAnnounced) {
  drives.SetDrive("/media/usb/photos/2024");
  EXPECT_EQ(drives.Drive(), "/media/usb");
  drives.SetDrive("/media/usb");
  EXPECT_EQ(changes.count(), 1);
  drives.SetDrive("/etc");
  EXPECT_EQ(drives.Drive(), "/");
  EXPECT_EQ(changes.count(), 2);
}

TEST_F(DriveListTest, OpeningTheListReadsTheDrivesAgainAndKeepsTheShownOneEvenWhenItHasGone) {
  drives.SetDrive("/media/usb");
  mounted.drives = {{"/", "system"}, {"/media/card", ""}};
  drives.showPopup();
  drives.hidePopup();
  EXPECT_EQ(Titles(), (QStringList{"/ [system]", "/media/card", "/media/usb"}));
  EXPECT_EQ(drives.Drive(), "/media/usb");
  EXPECT_EQ(changes.count(), 1) << "reading the drives again is no change of drive";
}

TEST(Drives, ThePathsDriveIsTheLongestMountPointHoldingIt) {
  const std::vector<Drive> drives{{"/", ""}, {"/media/usb", ""}, {"/media/usb/inner", ""}, {"/home", ""}};
  const struct {
    const char* path;
    const char* drive;
  } cases[] = {
      {"/", "/"},
      {"/etc", "/"},
      {"/media/usb", "/media/usb"},
      {"/media/usb/photos", "/media/usb"},
      {"/media/usbstick", "/"},
      {"/media/usb/inner/x", "/media/usb/inner"},
      {"/home/anna", "/home"},
  };
  for (const auto& c : cases) {
    const Drive* drive = DriveHolding(drives, c.path);
    ASSERT_NE(drive, nullptr) << c.path;
    EXPECT_EQ(drive->mountPoint, c.drive) << c.path;
  }
  EXPECT_EQ(DriveHolding({{"/media/usb", ""}}, "/home"), nullptr);
}

TEST(Drives, TheTitleShowsTheLabelWhenThereIsOne) {
  EXPECT_EQ(DriveTitle(Drive{"/media/usb", "STICK"}), "/media/usb [STICK]");
  EXPECT_EQ(DriveTitle(Drive{"/", ""}), "/");
}

}  // namespace
}  // namespace tolvane
