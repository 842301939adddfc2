#include <QComboBox>
#include <QTest>
#include <filesystem>

#include "tests/window/window_harness.h"
#include "window/drive_list.h"
#include "window/folder_list.h"

namespace tolvane::testing {
namespace {

// Two drives: the temporary folder, and "card", whose folder is missing as a card reader's
// medium is when no card is in it.
class DriveChange : public WindowTest {
 protected:
  void SetUp() override {
    WriteFile("home.txt");
    OpenWindow({"", "card"});
  }

  void PickDrive(const std::string& name) {
    auto& drive1 = Find<DriveList>("Drive1");
    const int index = drive1.findText(QString::fromStdString(PathOf(name)));
    ASSERT_GE(index, 0);
    drive1.setCurrentIndex(index);
  }

  std::string CurrentDrive() const { return Find<DriveList>("Drive1").Drive(); }

  // The box names the error that the file system gives for the missing folder.
  QString ExpectedNoDataText() const {
    try {
      LinuxFileSystem().ReadFolder(temp.Path("card"));
    } catch (const Error& error) {
      return QString::fromStdString("Error: " + std::to_string(ClassicNumber(error.Number())) + ": " + error.Description());
    }
    return "the folder could be read";
  }
};

TEST_F(DriveChange, AReadableDriveMovesTheFolderListThereAndLoadsTheList) {
  MakeFolder("card/DCIM");
  WriteFile("card/IMG_2.jpg");
  WriteFile("card/IMG_10.jpg");
  PickDrive("card");
  EXPECT_EQ(Dir1Path(), temp.Path("card"));
  EXPECT_EQ(Dir1Rows(), (QStringList{QString::fromStdString(temp.Path("card")), "DCIM"}));
  EXPECT_EQ(ListRows(), (QStringList{"IMG_2.jpg", "IMG_10.jpg"}));
  EXPECT_TRUE(answerer.boxes.empty());
}

TEST_F(DriveChange, NoDataBoxRetriesOnOkUntilTheDriveCanBeRead) {
  answerer.Queue(QMessageBox::Ok);
  answerer.Queue(QMessageBox::Ok, [&] { WriteFile("card/IMG_1.jpg"); });
  const QString expected = ExpectedNoDataText();
  PickDrive("card");
  ASSERT_EQ(answerer.boxes.size(), 2u);
  for (const auto& box : answerer.boxes) {
    EXPECT_EQ(box.title, "No Data");
    EXPECT_EQ(box.text, expected);
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_EQ(box.buttons, QMessageBox::Ok | QMessageBox::Cancel);
  }
  EXPECT_EQ(Dir1Path(), temp.Path("card"));
  EXPECT_EQ(ListRows(), (QStringList{"IMG_1.jpg"}));
  EXPECT_EQ(CurrentDrive(), temp.Path("card"));
}

TEST_F(DriveChange, CancelPutsTheDriveListBackOnTheFolderListsDrive) {
  answerer.Queue(QMessageBox::Cancel);
  PickDrive("card");
  EXPECT_EQ(answerer.boxes.size(), 1u);
  EXPECT_EQ(answerer.unexpected, 0);
  EXPECT_EQ(CurrentDrive(), temp.path());
  EXPECT_EQ(Dir1Path(), temp.path());
  EXPECT_TRUE(ListRows().isEmpty()) << "the folder list did not change, so nothing was loaded";
}

TEST_F(DriveChange, ADriveReopensOnTheFolderLastOpenOnItInThisRun) {
  MakeFolder("card/DCIM/100");
  WriteFile("card/DCIM/100/a.jpg");
  PickDrive("card");
  OpenFolderInDir1("DCIM");
  OpenFolderInDir1("100");
  PickDrive("");
  EXPECT_EQ(Dir1Path(), temp.path());
  EXPECT_EQ(ListRows(), (QStringList{"home.txt"}));
  PickDrive("card");
  EXPECT_EQ(Dir1Path(), temp.Path("card/DCIM/100"));
  EXPECT_EQ(ListRows(), (QStringList{"a.jpg"}));
}

TEST_F(DriveChange, OpeningAFolderOnAnotherDriveMovesTheDriveListThere) {
  MakeFolder("card/DCIM");
  form.reset();
  OpenWindow({"", "card"});
  OpenFolderInDir1("card");
  EXPECT_EQ(CurrentDrive(), temp.Path("card"));
  EXPECT_EQ(Dir1Rows(), (QStringList{QString::fromStdString(temp.Path("card")), "DCIM"}));
  EXPECT_TRUE(answerer.boxes.empty());
}

TEST_F(DriveChange, ADriveMountedWhileTheWindowIsOpenIsListedWhenTheListOpensAndCanBeChosen) {
  WriteFile("stick/a.jpg");
  machineDrives->drives.push_back(Drive{temp.Path("stick"), "STICK"});
  auto& drive1 = Find<DriveList>("Drive1");
  const QString title = QString::fromStdString(temp.Path("stick") + " [STICK]");
  EXPECT_LT(drive1.findText(title), 0) << "the drives are read when the list opens";
  drive1.showPopup();
  drive1.hidePopup();
  ASSERT_GE(drive1.findText(title), 0);
  drive1.setCurrentIndex(drive1.findText(title));
  EXPECT_EQ(Dir1Path(), temp.Path("stick"));
  EXPECT_EQ(ListRows(), (QStringList{"a.jpg"}));
  EXPECT_EQ(CurrentDrive(), temp.Path("stick"));
}

TEST_F(DriveChange, TheWindowStartsOnTheDriveThatHoldsTheCurrentFolder) {
  MakeFolder("card/DCIM");
  form.reset();
  OpenWindow({"", "card"}, "card/DCIM");
  EXPECT_EQ(CurrentDrive(), temp.Path("card"));
  EXPECT_EQ(Dir1Path(), temp.Path("card/DCIM"));
}

class FolderOpening : public WindowTest {
 protected:
  void SetUp() override {
    MakeFolder("gone");
    WriteFile("home.txt");
    OpenWindow();
  }
};

TEST_F(FolderOpening, AFolderThatCannotBeOpenedIsReportedAndNothingChanges) {
  std::filesystem::remove(temp.Path("gone"));
  answerer.Queue(QMessageBox::Ok);
  OpenFolderInDir1("gone");
  EXPECT_TRUE(OnlyErrorReport().contains("gone"));
  EXPECT_EQ(Dir1Path(), temp.path());
  EXPECT_TRUE(ListRows().isEmpty());
}

TEST_F(FolderOpening, ASingleClickOnlyHighlightsAndEnterOpens) {
  auto& dir1 = Find<FolderList>("Dir1");
  QTest::mouseClick(dir1.viewport(), Qt::LeftButton, Qt::NoModifier, dir1.visualItemRect(Dir1Row("gone")).center());
  EXPECT_EQ(dir1.currentItem(), Dir1Row("gone"));
  EXPECT_EQ(Dir1Path(), temp.path());
  EXPECT_TRUE(ListRows().isEmpty());
  WriteFile("gone/inside.txt");
  QTest::keyClick(&dir1, Qt::Key_Return);
  EXPECT_EQ(Dir1Path(), temp.Path("gone"));
  EXPECT_EQ(ListRows(), (QStringList{"inside.txt"}));
}

}  // namespace
}  // namespace tolvane::testing
