#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "tests/support/scoped_environment.h"
#include "tests/window/window_harness.h"
#include "window/list_menu.h"
#include "window/rename_list_model.h"

namespace tolvane::testing {
namespace {

FileDate At(std::int64_t seconds) { return FileTime{seconds, 0}; }

class ListMenuTest : public WindowTest {
 public:
  QTreeView& List() const { return Find<QTreeView>("ListView1"); }

 protected:
  void SetUp() override {
    for (const char* name : {"IMG_10.jpg", "IMG_2.jpg", "DSC_5.jpg", "DSC_1.jpg"}) WriteFile(std::string("photos/") + name);
    OpenWindow();
    OpenFolderInDir1("photos");
    dates->taken = {{"DSC_1.jpg", At(30)}, {"DSC_5.jpg", At(10)}, {"IMG_2.jpg", At(20)}};
    dates->modified = {{"DSC_1.jpg", At(4)}, {"DSC_5.jpg", At(3)}, {"IMG_2.jpg", At(2)}, {"IMG_10.jpg", At(1)}};
  }

  QMenu& Menu() const { return Find<QMenu>("ListMenu"); }

  // The folder's names with their contents.
  std::map<std::string, std::string> Photos() const {
    std::map<std::string, std::string> photos;
    for (const auto& item : std::filesystem::directory_iterator(temp.Path("photos"))) {
      const std::string name = item.path().filename();
      photos[name] = temp.ReadFile("photos/" + name);
    }
    return photos;
  }

  // Opens the list's menu with the keyboard and picks an entry by its underlined letter.
  void Choose(Qt::Key letter) {
    List().setFocus();
    QTest::keyClick(&List(), Qt::Key_Menu);
    ASSERT_TRUE(Menu().isVisible());
    QTest::keyClick(&Menu(), letter);
  }

  // Clicks the first row and Ctrl-clicks the others.
  void Select(const std::vector<int>& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) ClickRow(rows[i], i == 0 ? Qt::NoModifier : Qt::ControlModifier);
  }
};

TEST_F(ListMenuTest, OpensByRightClickMenuKeyAndShiftF10WithItsEntriesGreyedOnAnEmptyList) {
  const QStringList entries{"Order by &Name",
                            "Order by Date &Taken",
                            "Order by Date &Modified",
                            "&Reverse Order",
                            "Keep &Pairs and Sidecars Together",
                            "&Start After the Highest Number",
                            "",
                            "&Undo the Last Rename Here..."};
  const std::vector<std::pair<const char*, std::function<void()>>> openings{
      {"right click", [&] {
         QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), List().viewport()->mapToGlobal(QPoint(5, 5)));
         QApplication::sendEvent(List().viewport(), &click);
       }},
      {"Menu key", [&] { QTest::keyClick(&List(), Qt::Key_Menu); }},
      {"Shift+F10", [&] { QTest::keyClick(&List(), Qt::Key_F10, Qt::ShiftModifier); }},
  };
  for (const auto& [how, open] : openings) {
    SCOPED_TRACE(how);
    open();
    ASSERT_TRUE(Menu().isVisible());
    QStringList texts;
    std::set<QChar> keys;
    for (const QAction* action : Menu().actions()) {
      const QString text = action->text();
      if (!text.isEmpty()) {
        EXPECT_TRUE(keys.insert(text.at(text.indexOf(QLatin1Char('&')) + 1).toUpper()).second)
            << "another entry has the key of " << text.toStdString();
      }
      // An entry shown only while its work waits.
      if (!action->isVisible()) continue;
      texts << text;
      // Nothing was renamed here, so there is nothing to undo.
      EXPECT_EQ(action->isEnabled(), !action->text().startsWith("&Undo")) << action->text().toStdString();
    }
    EXPECT_EQ(texts, entries);
    Menu().hide();
  }
  ClickRow(0);
  QTest::keyClick(&List(), Qt::Key_A, Qt::ControlModifier);
  Click("Command1");
  ASSERT_TRUE(ListRows().isEmpty());
  QTest::keyClick(&List(), Qt::Key_Menu);
  for (const QAction* action : Menu().actions()) {
    // How the list loads may be chosen before there is any.
    EXPECT_TRUE(action->isSeparator() || !action->isEnabled() || action->isCheckable()) << action->text().toStdString();
  }
  Menu().hide();
}

TEST_F(ListMenuTest, OrderingsMoveEntriesWithTheirPreviewAndSelectionAndSimulateNumbersTheNewOrder) {
  ASSERT_EQ(ListRows(), (QStringList{"DSC_1.jpg", "DSC_5.jpg", "IMG_2.jpg", "IMG_10.jpg"}));
  Select({0});
  Choose(Qt::Key_T);
  EXPECT_EQ(ListRows(), (QStringList{"DSC_5.jpg", "IMG_2.jpg", "DSC_1.jpg", "IMG_10.jpg"})) << "no date goes last";
  EXPECT_EQ(SelectedRows(), (std::vector<int>{2}));
  EXPECT_EQ(CurrentRow(), 2);
  EXPECT_EQ(dates->lastFolder, temp.Path("photos"));

  Type("Text1", "P");
  Click("Command4");
  ASSERT_EQ(ListRows(), (QStringList{"P01.jpg", "P02.jpg", "P03.jpg", "P04.jpg"}));
  Choose(Qt::Key_N);
  EXPECT_EQ(ListRows(), (QStringList{"P03.jpg", "P01.jpg", "P02.jpg", "P04.jpg"})) << "by the files' own names";
  Choose(Qt::Key_R);
  EXPECT_EQ(ListRows(), (QStringList{"P04.jpg", "P02.jpg", "P01.jpg", "P03.jpg"}));
  Choose(Qt::Key_M);
  EXPECT_EQ(ListRows(), (QStringList{"P04.jpg", "P02.jpg", "P01.jpg", "P03.jpg"}));
  Click("Command6");
  EXPECT_EQ(ListRows(), (QStringList{"IMG_10.jpg", "IMG_2.jpg", "DSC_5.jpg", "DSC_1.jpg"}));
  Click("Command4");
  EXPECT_EQ(ListRows(), (QStringList{"P01.jpg", "P02.jpg", "P03.jpg", "P04.jpg"}));
  EXPECT_EQ(List().model()->index(0, 0).data(Qt::ToolTipRole).toString(), "Old name: IMG_10.jpg\nNew name: P01.jpg");
  EXPECT_EQ(files->renames, 0) << "an ordering never touches the disk";
}

TEST_F(ListMenuTest, EscapeOrCancelStopsTheReadOfDatesTakenAndLeavesTheList) {
  const std::vector<std::pair<const char*, std::function<void()>>> stops{
      {"Escape", [&] { QTest::keyClick(&List(), Qt::Key_Escape); }},
      {"Cancel", [&] { QTest::mouseClick(&Find<QPushButton>("DateReadingCancel"), Qt::LeftButton); }},
  };
  dates->afterEachFile = [](DateReading& reading) {
    for (int waited = 0; waited < 5000 && !reading.stop; waited += 5) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  };
  // The ordering, and a preview whose prefix writes the date taken, which stays unpreviewed.
  Type("Text1", "{taken:YYYY}");
  const std::vector<std::pair<const char*, std::function<void()>>> reads{{"ordering", [&] { Choose(Qt::Key_T); }},
                                                                         {"preview", [&] { Click("Command4"); }}};
  for (const auto& [how, stop] : stops) {
    for (const auto& [what, read] : reads) {
      SCOPED_TRACE(std::string(how) + " " + what);
      QString shown;
      QTimer::singleShot(50, [&, stop = stop] {
        shown = Find<QLabel>("StatusLineText").text();
        stop();
      });
      read();
      EXPECT_EQ(shown, "Reading dates taken: 1 of 4");
      EXPECT_FALSE(Find<QWidget>("StatusLine").isVisible());
      EXPECT_EQ(ListRows(), (QStringList{"DSC_1.jpg", "DSC_5.jpg", "IMG_2.jpg", "IMG_10.jpg"}));
      EXPECT_EQ(PreviewButtonsEnabled(), (std::vector<bool>{true, false, false}));
    }
  }
}

TEST_F(ListMenuTest, DatesTakenNameTheFilesOnDiskAndTheNextBatchStartsAfterTheHighestNumber) {
  const ScopedEnvironmentVariable utc("TZ", "UTC");
  tzset();
  // 2024-05-03, -01 and -02 at noon; IMG_10 tells no date taken, so its modification time stands in.
  dates->taken = {{"DSC_1.jpg", At(1714737600)}, {"DSC_5.jpg", At(1714564800)}, {"IMG_2.jpg", At(1714651200)}};
  Type("Text1", "{taken:YYYY-MM-DD}_");
  Type("Text4", "000");
  Click("Command4");
  EXPECT_EQ(ListRows(), (QStringList{"2024-05-03_001.jpg", "2024-05-01_002.jpg", "2024-05-02_003.jpg", "1970-01-01_004.jpg"}));
  EXPECT_TRUE(List().model()->index(3, 0).data(Qt::AccessibleDescriptionRole).toString().endsWith(
      "No date taken: its modification time was used"));
  EXPECT_FALSE(List().model()->index(2, 0).data(Qt::ToolTipRole).toString().contains("No date taken"));
  EXPECT_EQ(Find<QLabel>("UndatedLine").text(), "1 of 4 files have no date taken: their modification time was used");
  answerer.Queue(QMessageBox::Ok);
  answerer.Queue(QMessageBox::Ok);
  Click("Command5");
  for (const char* name : {"2024-05-03_001.jpg", "2024-05-01_002.jpg", "2024-05-02_003.jpg", "1970-01-01_004.jpg"}) {
    EXPECT_TRUE(temp.Exists(std::string("photos/") + name)) << name;
  }
  EXPECT_EQ(Find<QLabel>("UndatedLine").text(), "");

  // Grouped digits cannot be read back: the entry is greyed and its tip says why.
  Type("Text4", "#,##0");
  List().setFocus();
  QTest::keyClick(&List(), Qt::Key_Menu);
  const QAction* start = Menu().actions()[5];
  EXPECT_FALSE(start->isEnabled());
  EXPECT_EQ(start->toolTip(), "The pattern groups digits.");
  Menu().hide();
  Type("Text4", "000");
  answerer.QueueCaption("&Yes");
  Choose(Qt::Key_S);
  ASSERT_EQ(answerer.boxes.size(), 3u);
  EXPECT_EQ(answerer.boxes[2].title, "Tolvane");
  EXPECT_EQ(answerer.boxes[2].text,
            "4 files already have names like 2024-05-03_001.jpg. Leave them as they are and number the others from 5?");
  EXPECT_TRUE(ListRows().isEmpty());
  EXPECT_EQ(Find<QLineEdit>("Text3").text(), "5");
  tzset();
}

TEST_F(ListMenuTest, AltKeysAndADropMoveEverySelectedRow) {
  struct Move {
    const char* what;
    std::vector<int> selected;
    std::function<void(ListMenuTest&)> move;
    QStringList rows;
    std::vector<int> selectedAfter;
  };
  const auto key = [](Qt::Key k) { return [k](ListMenuTest& t) { QTest::keyClick(&t.List(), k, Qt::AltModifier); }; };
  const auto drop = [](int row) {
    return [row](ListMenuTest& t) {
      QAbstractItemModel& model = *t.List().model();
      std::unique_ptr<QMimeData> dragged(model.mimeData(t.List().selectionModel()->selectedIndexes()));
      EXPECT_TRUE(model.dropMimeData(dragged.get(), Qt::MoveAction, row, 0, QModelIndex()));
    };
  };
  const std::vector<Move> moves{
      {"Alt+Down", {0, 1}, key(Qt::Key_Down), {"IMG_2.jpg", "DSC_1.jpg", "DSC_5.jpg", "IMG_10.jpg"}, {1, 2}},
      {"Alt+Up", {1, 3}, key(Qt::Key_Up), {"DSC_5.jpg", "DSC_1.jpg", "IMG_10.jpg", "IMG_2.jpg"}, {0, 2}},
      {"Alt+Up at the top does nothing", {0}, key(Qt::Key_Up), {"DSC_1.jpg", "DSC_5.jpg", "IMG_2.jpg", "IMG_10.jpg"}, {0}},
      {"Alt+End", {0, 2}, key(Qt::Key_End), {"DSC_5.jpg", "IMG_10.jpg", "DSC_1.jpg", "IMG_2.jpg"}, {2, 3}},
      {"Alt+Home", {1, 3}, key(Qt::Key_Home), {"DSC_5.jpg", "IMG_10.jpg", "DSC_1.jpg", "IMG_2.jpg"}, {0, 1}},
      {"a drop before row 3", {0, 1}, drop(3), {"IMG_2.jpg", "DSC_1.jpg", "DSC_5.jpg", "IMG_10.jpg"}, {1, 2}},
      {"a drop below the last row", {0}, drop(-1), {"DSC_5.jpg", "IMG_2.jpg", "IMG_10.jpg", "DSC_1.jpg"}, {3}},
  };
  for (const Move& m : moves) {
    SCOPED_TRACE(m.what);
    Choose(Qt::Key_N);
    Select(m.selected);
    m.move(*this);
    EXPECT_EQ(ListRows(), m.rows);
    EXPECT_EQ(SelectedRows(), m.selectedAfter);
  }
}

// A set moves, drops, orders and commits as one entry, and renames and undoes file by file.
TEST_F(ListMenuTest, SetsKeepOneNumberThroughOrderDropCommitAndUndo) {
  const std::vector<std::string> pairs{"A_1.CR2", "A_1.JPG", "A_1.CR2.xmp", "A_2.NEF", "A_2.jpg", "B_1.HEIC", "B_1.MOV"};
  for (const std::string& name : pairs) WriteFile("photos/" + name, name);
  const std::map<std::string, std::string> before = Photos();
  // The raw file says nothing: the set takes its JPEG's date. IMG_10.jpg says nothing either,
  // and takes its modification time.
  dates->taken.insert({{"A_1.JPG", At(1)}, {"A_2.NEF", At(5)}, {"B_1.HEIC", At(40)}});
  Choose(Qt::Key_P);
  EXPECT_TRUE(settings->keepSets);
  ASSERT_EQ(ListRows(), (QStringList{"A_1.CR2", "A_2.NEF", "B_1.HEIC", "DSC_1.jpg", "DSC_5.jpg", "IMG_2.jpg", "IMG_10.jpg"}));
  EXPECT_EQ(List().model()->index(0, 0).data(RenameListModel::kDimmedTailRole).toString(), "  + .JPG .CR2.xmp");

  Choose(Qt::Key_T);
  ASSERT_EQ(ListRows(), (QStringList{"A_1.CR2", "IMG_10.jpg", "A_2.NEF", "DSC_5.jpg", "IMG_2.jpg", "DSC_1.jpg", "B_1.HEIC"}));
  Select({6});
  Click("Command1");
  Type("Text1", "Trip_");
  Click("Command4");
  EXPECT_EQ(List().model()->index(0, 0).data(Qt::AccessibleDescriptionRole).toString(),
            "Old name: A_1.CR2\nNew name: Trip_01.CR2\nOld name: A_1.JPG\nNew name: Trip_01.JPG\n"
            "Old name: A_1.CR2.xmp\nNew name: Trip_01.CR2.xmp");
  answerer.Queue(QMessageBox::Ok);
  answerer.Queue(QMessageBox::Ok);
  Click("Command5");
  EXPECT_EQ(Photos(),
            (std::map<std::string, std::string>{{"Trip_01.CR2", "A_1.CR2"}, {"Trip_01.JPG", "A_1.JPG"},
                                                {"Trip_01.CR2.xmp", "A_1.CR2.xmp"}, {"Trip_02.jpg", ""},
                                                {"Trip_03.NEF", "A_2.NEF"}, {"Trip_03.jpg", "A_2.jpg"}, {"Trip_04.jpg", ""},
                                                {"Trip_05.jpg", ""}, {"Trip_06.jpg", ""}, {"B_1.HEIC", "B_1.HEIC"},
                                                {"B_1.MOV", "B_1.MOV"}}));

  answerer.Queue(QMessageBox::Ok);
  answerer.Queue(QMessageBox::Ok);
  emit Menu().aboutToShow();
  for (QAction* action : Menu().actions()) {
    if (action->text() == "&Undo the Last Rename Here...") action->trigger();
  }
  EXPECT_EQ(Photos(), before);
}

}  // namespace
}  // namespace tolvane::testing
