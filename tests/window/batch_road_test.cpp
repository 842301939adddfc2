#include <QAction>
#include <QMenu>
#include <QApplication>
#include <QColor>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTreeView>
#include <filesystem>
#include <fstream>
#include <optional>

#include "tests/support/loop_volume.h"
#include "tests/window/window_harness.h"
#include "window/list_menu.h"

namespace tolvane::testing {
namespace {

const QString kConfirmation = "This process is irreversible, are you sure to rename the file according to list?";

class BatchRoad : public WindowTest {
 protected:
  void SetUp() override {
    for (const char* name : {"e.txt", "c.png", "a.txt", "d.gif", "b.jpg", ".hidden"}) {
      WriteFile(std::string("photos/") + name, name);
    }
    MakeFolder("photos/sub");
    OpenWindow();
  }

  QString RowTip(int row) const {
    return Find<QTreeView>("ListView1").model()->index(row, 0).data(Qt::ToolTipRole).toString();
  }

  std::vector<std::filesystem::path> Reports() const {
    std::vector<std::filesystem::path> reports;
    for (const auto& entry : std::filesystem::directory_iterator(temp.Path("bin/log"))) reports.push_back(entry.path());
    return reports;
  }
};

TEST_F(BatchRoad, OneBatchFromOpeningTheFolderToTheReport) {
  EXPECT_TRUE(ListRows().isEmpty()) << "the list fills only when the folder first changes";

  OpenFolderInDir1("photos");
  ASSERT_EQ(Dir1Path(), temp.Path("photos"));
  ASSERT_EQ(ListRows(), (QStringList{"a.txt", "b.jpg", "c.png", "d.gif", "e.txt"}));

  ClickRow(1);
  Click("Command1");
  EXPECT_EQ(ListRows(), (QStringList{"a.txt", "c.png", "d.gif", "e.txt"}));

  ClickRow(2);
  Click("Command2");
  EXPECT_EQ(ListRows(), (QStringList{"a.txt", "d.gif", "c.png", "e.txt"}));
  EXPECT_EQ(SelectedRows(), (std::vector<int>{1}));
  EXPECT_EQ(CurrentRow(), 1);
  Click("Command3");
  Click("Command3");
  EXPECT_EQ(ListRows(), (QStringList{"a.txt", "c.png", "e.txt", "d.gif"}));
  EXPECT_EQ(SelectedRows(), (std::vector<int>{3}));
  EXPECT_EQ(CurrentRow(), 3);

  Type("Text1", "Trip");
  Click("Command4");
  EXPECT_EQ(ListRows(), (QStringList{"Trip01.txt", "Trip02.png", "Trip03.txt", "Trip04.gif"}));
  EXPECT_EQ(PreviewButtonsEnabled(), (std::vector<bool>{false, true, true}));
  const QAbstractItemModel& model = *Find<QTreeView>("ListView1").model();
  EXPECT_EQ(model.index(3, 0).data(Qt::ToolTipRole).toString(), "Old name: d.gif\nNew name: Trip04.gif");
  EXPECT_EQ(model.index(3, 0).data(Qt::AccessibleDescriptionRole), model.index(3, 0).data(Qt::ToolTipRole));

  Click("Command6");
  EXPECT_EQ(ListRows(), (QStringList{"a.txt", "c.png", "e.txt", "d.gif"}));
  EXPECT_EQ(PreviewButtonsEnabled(), (std::vector<bool>{true, true, false}));

  Type("Text2", "_x");
  Type("Text3", "7");
  Type("Text4", "000");
  Click("Command4");
  EXPECT_EQ(ListRows(), (QStringList{"Trip007_x.txt", "Trip008_x.png", "Trip009_x.txt", "Trip010_x.gif"}));

  answerer.Queue(QMessageBox::Ok);
  answerer.Queue(QMessageBox::Ok);
  Click("Command5");
  ASSERT_EQ(answerer.boxes.size(), 2u);
  EXPECT_EQ(answerer.boxes[0].title, "Confirmation");
  EXPECT_EQ(answerer.boxes[0].text, kConfirmation);
  EXPECT_EQ(answerer.boxes[0].icon, QMessageBox::NoIcon);
  EXPECT_EQ(answerer.boxes[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_EQ(answerer.boxes[0].defaultButton, QMessageBox::Ok);
  EXPECT_EQ(answerer.boxes[1].title, "Tolvane");
  EXPECT_EQ(answerer.boxes[1].text, "File rename completed");
  EXPECT_EQ(answerer.boxes[1].buttons, QMessageBox::Ok);

  // The journal's private state folder stays, holding the batch's record once the report is
  // written.
  EXPECT_EQ(temp.Contents(), (std::map<std::string, std::string>{{"bin", "<dir>"}, {"home", "<dir>"}, {"photos", "<dir>"}}));
  EXPECT_EQ(std::filesystem::directory_iterator(temp.Path("home/.local/state/tolvane"))->path().filename(),
            "Batch-1-20261206-140509.record");
  const std::map<std::string, std::string> photos{
      {"Trip007_x.txt", "a.txt"}, {"Trip008_x.png", "c.png"}, {"Trip009_x.txt", "e.txt"}, {"Trip010_x.gif", "d.gif"},
      {"b.jpg", "b.jpg"},         {".hidden", ".hidden"},     {"sub", "<dir>"}};
  for (const auto& [name, content] : photos) {
    EXPECT_TRUE(temp.Exists("photos/" + name)) << name;
    if (content != "<dir>") {
      EXPECT_EQ(temp.ReadFile("photos/" + name), content) << name;
    }
  }
  EXPECT_FALSE(temp.Exists("photos/a.txt"));
  EXPECT_EQ(ListRows(), (QStringList{"Trip007_x.txt", "Trip008_x.png", "Trip009_x.txt", "Trip010_x.gif"}));
  EXPECT_EQ(PreviewButtonsEnabled(), (std::vector<bool>{true, true, false}));

  const auto reports = Reports();
  ASSERT_EQ(reports.size(), 1u);
  const std::string report = temp.ReadFile("bin/log/" + reports[0].filename().string());
  EXPECT_NE(report.find("a.txt -> Trip007_x.txt\r\nc.png -> Trip008_x.png\r\ne.txt -> Trip009_x.txt\r\n"
                        "d.gif -> Trip010_x.gif\r\nProcess Completed, Thank you\r\n"),
            std::string::npos)
      << report;
  ASSERT_EQ(system->launches.size(), 1u);
  EXPECT_EQ(system->launches[0].back(), reports[0].string());
  EXPECT_EQ(answerer.unexpected, 0);
}

// The last rename of a folder is taken back after the program was closed, with the folder on
// ext4 (the test's own), on tmpfs, or on an exFAT card on a loop device, reached through a link.
// On ext4 and tmpfs the folder is known by its identity under the path it has since; the card
// is taken out and put back in, its folder known by its path and its volume.
enum class Volume { Ext4, Tmpfs, Exfat };

class UndoAfterRestart : public WindowTest, public ::testing::WithParamInterface<Volume> {};

TEST_P(UndoAfterRestart, TheLastRenameIsUndoneAndTheListShowsTheOldNames) {
  TempFolder memory(TempFolder::Storage::Memory);
  std::optional<LoopVolume> card;
  std::string folder = temp.Path("photos");
  if (GetParam() == Volume::Tmpfs) folder = memory.path();
  if (GetParam() == Volume::Exfat) {
    card.emplace(LoopVolume::Kind::ExfatFuse);
    if (!card->Mounted()) GTEST_SKIP() << "exFAT volume not mounted: " << card->WhyNotMounted();
    folder = card->Root();
  }
  if (GetParam() == Volume::Ext4) MakeFolder("photos");
  if (GetParam() != Volume::Ext4) std::filesystem::create_directory_symlink(folder, temp.Path("photos"));
  for (const char* name : {"a.txt", "b.jpg", "c.png"}) LinuxFileSystem().OpenForAppend(folder + "/" + name)->Close();
  OpenWindow();
  OpenFolderInDir1("photos");
  Type("Text1", "Trip");
  Click("Command4");
  answerer.Queue(QMessageBox::Ok);
  answerer.Queue(QMessageBox::Ok);
  Click("Command5");
  form.reset();
  std::string shown = "photos";
  if (card) {
    ASSERT_TRUE(card->MountAgain()) << card->WhyNotMounted();
  } else {
    shown = "album";
    std::filesystem::rename(temp.Path("photos"), temp.Path(shown));
  }
  OpenWindow();
  // After a separator, the undo, enabled as the menu opens; the finish entry after it shows
  // only while a batch of the folder waits.
  const QList<QAction*> entries = form->ListView1Menu().Menu().actions();
  ASSERT_GE(entries.size(), 3);
  QAction& undo = *entries[entries.size() - 2];
  EXPECT_EQ(undo.text(), "&Undo the Last Rename Here...");
  EXPECT_TRUE(entries[entries.size() - 3]->isSeparator());
  EXPECT_FALSE(entries.back()->isVisible()) << "no batch was cut short";
  const auto undoEnabled = [&] {
    emit form->ListView1Menu().Menu().aboutToShow();
    return undo.isEnabled();
  };
  EXPECT_FALSE(undoEnabled()) << "no rename was made in " << Dir1Path();
  OpenFolderInDir1(QString::fromStdString(shown));
  ASSERT_TRUE(undoEnabled());
  answerer.Queue(QMessageBox::Cancel);
  undo.trigger();
  EXPECT_EQ(ListRows(), (QStringList{"Trip01.txt", "Trip02.jpg", "Trip03.png"}));
  EXPECT_EQ(files->renames, 0) << "Cancel changes nothing";

  answerer.Queue(QMessageBox::Ok);
  answerer.Queue(QMessageBox::Ok);
  undo.trigger();
  ASSERT_EQ(answerer.boxes.size(), 5u);
  const MessageBoxAnswerer::Box& question = answerer.boxes[3];
  EXPECT_EQ(question.title, "Confirmation");
  EXPECT_TRUE(question.text.startsWith("Undo the rename of 3 files in " + QString::fromStdString(temp.Path(shown))));
  EXPECT_TRUE(question.okFirst);
  EXPECT_EQ(answerer.boxes[4].text, "File rename completed");
  EXPECT_EQ(ListRows(), (QStringList{"a.txt", "b.jpg", "c.png"}));
  EXPECT_EQ(system->launches.size(), 1u) << "the undo's report is opened";
  EXPECT_TRUE(undoEnabled()) << "the undo is a batch of its own";
  EXPECT_EQ(undo.text(), "R&edo the Undone Rename Here...") << "which renames forward again";
}

std::string NameOf(const ::testing::TestParamInfo<Volume>& volume) {
  return volume.param == Volume::Ext4 ? "ext4" : volume.param == Volume::Tmpfs ? "tmpfs" : "exFAT";
}

INSTANTIATE_TEST_SUITE_P(Volumes, UndoAfterRestart, ::testing::Values(Volume::Ext4, Volume::Tmpfs, Volume::Exfat),
                         NameOf);

// A desktop style that lays a box's Cancel before its OK, as some desktops do.
class CancelFirstStyle final : public QProxyStyle {
 public:
  CancelFirstStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_DialogButtonLayout) return QDialogButtonBox::GnomeLayout;
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};

// Nothing at all: not even a read of the folder for the marks, which a folder moved away
// meanwhile would make fail.
TEST_F(BatchRoad, CancelInTheConfirmationChangesNothing) {
  const QString styleBefore = QApplication::style()->name();
  QApplication::setStyle(new CancelFirstStyle);
  OpenFolderInDir1("photos");
  Click("Command4");
  const QString tipBefore = RowTip(0);
  int reads = 0;
  files->beforeRead = [&] { ++reads; };
  answerer.Queue(QMessageBox::Cancel, [&] { std::filesystem::rename(temp.Path("photos"), temp.Path("away")); });
  Click("Command5");
  std::filesystem::rename(temp.Path("away"), temp.Path("photos"));
  QApplication::setStyle(styleBefore);
  EXPECT_EQ(reads, 0);
  EXPECT_EQ(RowTip(0), tipBefore);
  ASSERT_EQ(answerer.boxes.size(), 1u);
  EXPECT_TRUE(answerer.boxes[0].okFirst) << "OK stands first whatever the desktop's order";
  EXPECT_EQ(files->renames, 0);
  EXPECT_TRUE(temp.Exists("photos/a.txt"));
  EXPECT_TRUE(Reports().empty());
  EXPECT_EQ(PreviewButtonsEnabled(), (std::vector<bool>{false, true, true}));
}

// The preview's check takes the load's listing, and the commit the preview's check, while the
// folder and the list are as they were then; each reads the folder itself once either has
// changed, or once the watch can no longer say (its queue overflowed).
TEST_F(BatchRoad, TheFolderIsReadAgainOnlyWhenItOrTheListChangedSinceTheLoad) {
  if (!LinuxFileSystem().OpenFolder(temp.path())->Watch()) GTEST_SKIP() << temp.path() << " cannot be watched here";
  int overflow = 0;
  std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> overflow;
  enum When { BeforeThePreview, BeforeTheCommit };
  const struct {
    const char* what;
    When when;
    std::function<void()> change;
    int reads;
    int renames;
  } cases[] = {
      {"nothing", BeforeTheCommit, [] {}, 0, 5},
      {"a file made", BeforeTheCommit, [&] { WriteFile("case/f.txt"); }, 1, 5},
      {"a row moved", BeforeTheCommit, [&] {
         ClickRow(1);
         Click("Command2");
       }, 0, 5},
      {"a new name taken", BeforeTheCommit, [&] { WriteFile("case/03.png"); }, 1, 0},
      {"a file made", BeforeThePreview, [&] { WriteFile("case/f.txt"); }, 1, 5},
      {"a file removed", BeforeThePreview, [&] { std::filesystem::remove(temp.Path("case/e.txt")); }, 1, 0},
      {"a file renamed", BeforeThePreview, [&] {
         std::filesystem::rename(temp.Path("case/e.txt"), temp.Path("case/z.txt"));
       }, 1, 0},
      {"the watch overflowed, nothing changed in the end", BeforeThePreview, [&] {
         for (int i = 0; i <= overflow; ++i) WriteFile("case/g.txt"), std::filesystem::remove(temp.Path("case/g.txt"));
       }, 1, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.what) + (c.when == BeforeThePreview ? " before the preview" : " before the commit"));
    form.reset();
    std::filesystem::remove_all(temp.Path("case"));
    for (const char* name : {"a.txt", "b.jpg", "c.png", "d.gif", "e.txt"}) WriteFile(std::string("case/") + name);
    OpenWindow();
    OpenFolderInDir1("case");
    int reads = 0;
    files->beforeRead = [&] { ++reads; };
    if (c.when == BeforeThePreview) c.change();
    Click("Command4");
    if (c.when == BeforeTheCommit) c.change();
    answerer.Queue(QMessageBox::Ok);
    answerer.Queue(QMessageBox::Ok);
    Click("Command5");
    EXPECT_EQ(reads, c.reads);
    EXPECT_EQ(files->renames, c.renames);
  }
}

// The marks raise no box of their own: with the folder gone, no row is marked and each
// previewed row's tip says why.
TEST_F(BatchRoad, APreviewWhoseFolderCannotBeReadIsShownUnmarkedAndTheTipsSayWhy) {
  OpenFolderInDir1("photos");
  std::filesystem::rename(temp.Path("photos"), temp.Path("away"));
  Click("Command4");
  EXPECT_TRUE(answerer.boxes.empty());
  EXPECT_EQ(ListRows().at(0), "01.txt");
  EXPECT_FALSE(Find<QTreeView>("ListView1").model()->index(0, 0).data(Qt::ForegroundRole).isValid());
  EXPECT_TRUE(RowTip(0).endsWith("\nNot checked, because the folder cannot be read: File not found: " +
                                 QString::fromStdString(temp.Path("photos")) + " (No such file or directory)"))
      << RowTip(0).toStdString();
}

TEST_F(BatchRoad, NamingFieldsTakeTextOfAnyLength) {
  OpenFolderInDir1("photos");
  // Set, not typed: 40,000 key presses take minutes. A box's limit cuts set text too.
  Find<QLineEdit>("Text1").setText(QString(40000, QChar('a')));
  Click("Command4");
  EXPECT_EQ(ListRows().at(0), QString(40000, QChar('a')) + "01.txt");
}

TEST_F(BatchRoad, RowsThatTheCommitWouldRefuseAreRedWithTheReasonAndTheMarkMovesWithTheRow) {
  WriteFile("photos/Trip02.jpg", "keep me");
  OpenFolderInDir1("photos");
  ASSERT_EQ(ListRows().last(), "Trip02.jpg");
  ClickRow(5);
  Click("Command1");
  Type("Text1", "Trip");
  Click("Command4");

  const QAbstractItemModel& model = *Find<QTreeView>("ListView1").model();
  const auto isRed = [&](int row) { return model.index(row, 0).data(Qt::ForegroundRole).value<QColor>() == Qt::red; };
  EXPECT_FALSE(isRed(0));
  EXPECT_TRUE(isRed(1)) << "b.jpg would become Trip02.jpg, which a file outside the batch holds";
  const QString tip = model.index(1, 0).data(Qt::ToolTipRole).toString();
  EXPECT_TRUE(tip.startsWith("Old name: b.jpg\nNew name: Trip02.jpg\n")) << tip.toStdString();

  ClickRow(1);
  Click("Command2");
  EXPECT_TRUE(isRed(0));
  EXPECT_FALSE(isRed(1));

  answerer.Queue(QMessageBox::Ok);
  answerer.Queue(QMessageBox::Ok);
  Click("Command5");
  ASSERT_EQ(answerer.boxes.size(), 2u);
  EXPECT_TRUE(answerer.boxes[1].text.contains("\"Trip02.jpg\"")) << answerer.boxes[1].text.toStdString();
  EXPECT_EQ(files->renames, 0);
  EXPECT_EQ(temp.ReadFile("photos/Trip02.jpg"), "keep me");
}

TEST_F(BatchRoad, NamesThatAreNotUtf8AreOpenedAndRenamedByTheirExactBytes) {
  WriteFile("\xfe-dir/\xff.jpg", "odd");
  WriteFile("\xfe-dir/ok.jpg", "ok");
  form.reset();
  OpenWindow();
  OpenFolderInDir1(QString::fromUtf8("\xfe-dir"));
  ASSERT_EQ(Dir1Path(), temp.Path("\xfe-dir"));
  EXPECT_EQ(ListRows(), (QStringList{"ok.jpg", QString::fromUtf8("\xff.jpg")}));
  Type("Text1", "N");
  Click("Command4");
  answerer.Queue(QMessageBox::Ok);
  answerer.Queue(QMessageBox::Ok);
  Click("Command5");
  EXPECT_EQ(temp.ReadFile("\xfe-dir/N01.jpg"), "ok");
  EXPECT_EQ(temp.ReadFile("\xfe-dir/N02.jpg"), "odd");
  EXPECT_FALSE(temp.Exists("\xfe-dir/\xff.jpg"));
}

TEST_F(BatchRoad, AStartThatIsNotANumberIsReportedAndThePreviewDoesNotHappen) {
  OpenFolderInDir1("photos");
  Type("Text3", "one");
  answerer.Queue(QMessageBox::Ok);
  Click("Command4");
  EXPECT_TRUE(OnlyErrorReport().startsWith("Error 13: "));
  EXPECT_EQ(ListRows(), (QStringList{"a.txt", "b.jpg", "c.png", "d.gif", "e.txt"}));
  EXPECT_EQ(PreviewButtonsEnabled(), (std::vector<bool>{true, false, false}));
}

}  // namespace
}  // namespace tolvane::testing
