#include <gtest/gtest.h>

#include <QSignalSpy>

#include "window/drive_list.h"

namespace tolvane {
namespace {

// The drive list alone, over a list of drives that the test changes as a machine's mounts do.
class DriveListTest : public ::testing::Test {
 protected:
  std::vector<Drive> mounted{{"/", "system"}, {"/media/usb", "STICK"}, {"/home", ""}};
  DriveList drives{[this] { return mounted; }, nullptr};
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
  mounted = {{"/", "system"}, {"/media/card", ""}};
  drives.showPopup();
  drives.hidePopup();
  EXPECT_EQ(Titles(), (QStringList{"/ [system]", "/media/card", "/media/usb"}));
  EXPECT_EQ(drives.Drive(), "/media/usb");
  EXPECT_EQ(changes.count(), 1) << "reading the drives again is no change of drive";
}

}  // namespace
}  // namespace tolvane
