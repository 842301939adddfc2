#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <utility>

#include "tests/window/window_harness.h"
#include "window/folder_list.h"
#include "window/qt_window_services.h"
#include "window/work_in_background.h"

namespace tolvane::testing {
namespace {

// Input is posted, as the window system delivers it, so that it waits in the queue until
// the window next handles events.
void PostMouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
  QCoreApplication::postEvent(&widget, new QMouseEvent(type, at, widget.mapToGlobal(at), Qt::LeftButton, buttons,
                                                       Qt::NoModifier));
}

void PostDoubleClick(QWidget& widget, QPoint at) {
  PostMouse(widget, QEvent::MouseButtonPress, at, Qt::LeftButton);
  PostMouse(widget, QEvent::MouseButtonRelease, at, Qt::NoButton);
  PostMouse(widget, QEvent::MouseButtonDblClick, at, Qt::LeftButton);
  PostMouse(widget, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

void PostClick(QWidget& widget) {
  PostMouse(widget, QEvent::MouseButtonPress, widget.rect().center(), Qt::LeftButton);
  PostMouse(widget, QEvent::MouseButtonRelease, widget.rect().center(), Qt::NoButton);
}

class CommitInput : public WindowTest {
 protected:
  static constexpr int kFiles = 30;

  void SetUp() override {
    for (int i = 1; i <= kFiles; ++i) WriteFile("photos/f" + std::to_string(i) + ".txt");
    WriteFile("photos/elsewhere/other.txt");
    OpenWindow();
    OpenFolderInDir1("photos");
    Type("Text1", "Trip");
    Click("Command4");
    previewed = ListRows();
    ASSERT_EQ(previewed.size(), kFiles);
  }

  // A double click on a subfolder in Dir1, a click on Command1 with a row selected, a key in
  // Text1, and the window's close control.
  void PostUserInput() {
    auto& dir1 = Find<FolderList>("Dir1");
    PostDoubleClick(*dir1.viewport(), dir1.visualItemRect(Dir1Row("elsewhere")).center());
    PostClick(Find<QPushButton>("Command1"));
    QCoreApplication::postEvent(&Find<QLineEdit>("Text1"), new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x"));
    QCoreApplication::postEvent(form->windowHandle(), new QCloseEvent);
  }

  QStringList previewed;
};

TEST_F(CommitInput, InputPostedOutsideACommitReachesTheWindow) {
  ClickRow(0);
  PostUserInput();
  QCoreApplication::processEvents();
  EXPECT_EQ(Dir1Path(), temp.Path("photos/elsewhere"));
  EXPECT_EQ(Find<QLineEdit>("Text1").text(), "Tripx");
  EXPECT_FALSE(form->isVisible());
}

TEST_F(CommitInput, InputArrivingDuringACommitChangesNeitherTheFolderNorTheList) {
  ClickRow(0);
  files->beforeRename = [&] {
    if (files->renames == 1) PostUserInput();
    // Long enough that the commit's next yield handles the waiting events.
    if (files->renames == 2) QTest::qSleep(2 * QtWindowServices::kYieldInterval);
  };
  answerer.Queue(QMessageBox::Ok);
  answerer.Queue(QMessageBox::Ok);
  Click("Command5");
  QCoreApplication::processEvents();

  EXPECT_EQ(answerer.boxes.size(), 2u);
  EXPECT_EQ(files->renames, kFiles);
  EXPECT_EQ(Dir1Path(), temp.Path("photos"));
  EXPECT_EQ(ListRows(), previewed);
  EXPECT_EQ(Find<QLineEdit>("Text1").text(), "Trip");
  EXPECT_TRUE(form->isVisible());
  for (const QString& name : previewed) EXPECT_TRUE(temp.Exists("photos/" + name.toStdString())) << name.toStdString();
}

// What background work reads, or a handler run by held-back input would change: the list's
// rows and the text before the number.
struct Shown {
  QStringList rows;
  QString text1;
  friend bool operator==(const Shown&, const Shown&) = default;
};

void PrintTo(const Shown& shown, std::ostream* out) { *out << ::testing::PrintToString(shown.rows) << " " << ::testing::PrintToString(shown.text1); }

// A click on Command1 (the first row selected) and a key in Text1 arrive while a folder read,
// a list load or a check of the preview runs in the background.
class InputDuringBackgroundWork : public CommitInput {
 protected:
  // Starts the operation with its first folder read hooked; gives what the window showed when
  // that read began and after the input had waited there for a while.
  std::pair<Shown, Shown> PostInputDuringTheRead(const std::function<void()>& start) {
    ClickRow(0);
    std::optional<Shown> whenTheWorkBegan;
    std::optional<Shown> whileItRan;
    files->beforeRead = [&] {
      if (whenTheWorkBegan) return;
      whenTheWorkBegan = ShownOnTheWindowsThread();
      PostClick(Find<QPushButton>("Command1"));
      QCoreApplication::postEvent(&Find<QLineEdit>("Text1"), new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x"));
      // Long enough for the window to paint a few times meanwhile.
      QTest::qSleep(4 * static_cast<int>(kPaintInterval.count()));
      whileItRan = ShownOnTheWindowsThread();
    };
    start();
    QCoreApplication::processEvents();
    files->beforeRead = {};
    if (!whenTheWorkBegan || !whileItRan) throw std::runtime_error("the operation read no folder");
    return {*whenTheWorkBegan, *whileItRan};
  }

  Shown ShownNow() const { return Shown{ListRows(), Find<QLineEdit>("Text1").text()}; }

 private:
  Shown ShownOnTheWindowsThread() const {
    Shown seen;
    QMetaObject::invokeMethod(qApp, [&] { seen = ShownNow(); }, Qt::BlockingQueuedConnection);
    return seen;
  }
};

// The input has its turn after the work, in its place in line: the key lands in Text1.
TEST_F(InputDuringBackgroundWork, AFolderReadAndListLoadSeeNoChangeAndTheInputFollows) {
  const auto [began, ran] = PostInputDuringTheRead([&] { OpenFolderInDir1("elsewhere"); });
  EXPECT_EQ(ran, began);
  EXPECT_EQ(began, (Shown{previewed, "Trip"}));
  EXPECT_EQ(ShownNow(), (Shown{{"other.txt"}, "Tripx"}));
}

// A file made since the load calls for the check's own read of the folder.
TEST_F(InputDuringBackgroundWork, ThePreviewsCheckSeesNoChangeAndTheInputFollows) {
  WriteFile("photos/newcomer.txt");
  const auto [began, ran] = PostInputDuringTheRead([&] { Click("Command1"); });
  EXPECT_EQ(ran, began);
  EXPECT_EQ(began, (Shown{previewed.mid(1), "Trip"}));
  EXPECT_EQ(ShownNow().text1, "Tripx");
}

// Input that arrives during a commit is dropped, the commit's own check included (which a
// file made since the preview's check calls for).
TEST_F(InputDuringBackgroundWork, TheCommitsCheckSeesNoChange) {
  WriteFile("photos/newcomer.txt");
  answerer.Queue(QMessageBox::Ok);
  answerer.Queue(QMessageBox::Ok);
  const auto [began, ran] = PostInputDuringTheRead([&] { Click("Command5"); });
  EXPECT_EQ(ran, began);
  EXPECT_EQ(ShownNow(), (Shown{previewed, "Trip"}));
  EXPECT_EQ(files->renames, kFiles);
}

TEST_F(CommitInput, ACommitLongerThanHalfASecondShowsHowFarItHasCome) {
  QStringList labels;
  files->beforeRename = [&] {
    QTest::qSleep(30);
    if (const auto* progress = form->findChild<QProgressDialog*>(); progress && progress->isVisible()) {
      labels << progress->labelText();
    }
  };
  bool progressUnderTheCompletion = true;
  answerer.Queue(QMessageBox::Ok);
  answerer.Queue(QMessageBox::Ok, [&] { progressUnderTheCompletion = form->findChild<QProgressDialog*>() != nullptr; });
  Click("Command5");
  ASSERT_FALSE(labels.isEmpty());
  EXPECT_TRUE(QRegularExpression("^Renamed \\d+ of 30 files$").match(labels.last()).hasMatch()) << labels.last().toStdString();
  ASSERT_EQ(answerer.boxes.size(), 2u);
  EXPECT_EQ(answerer.boxes[1].text, "File rename completed");
  EXPECT_FALSE(progressUnderTheCompletion) << "the progress box was still up under the completion message";
  EXPECT_EQ(files->renames, kFiles);
}

// The 20th file goes away in the middle of a commit long enough to show its progress: the
// message says where it stopped over the progress box, which then goes; the list keeps the
// preview, the rows whose files no longer have their old names are red, and the preview's
// buttons stay as a preview leaves them.
TEST_F(CommitInput, AStoppedCommitTellsWhereOverItsProgressAndKeepsThePreview) {
  files->beforeRename = [&] {
    QTest::qSleep(30);
    if (files->renames == 20) std::filesystem::remove(temp.Path("photos/f20.txt"));
  };
  bool progressUnderTheMessage = false;
  answerer.Queue(QMessageBox::Ok);
  answerer.Queue(QMessageBox::Ok, [&] {
    const auto* progress = form->findChild<QProgressDialog*>();
    progressUnderTheMessage = progress != nullptr && progress->isVisible();
  });
  Click("Command5");

  ASSERT_EQ(answerer.boxes.size(), 2u);
  const QString& message = answerer.boxes[1].text;
  EXPECT_TRUE(message.startsWith("Renaming stopped at \"f20.txt\" -> \"Trip20.txt\":\nFile not found: ")) << message.toStdString();
  EXPECT_TRUE(message.endsWith("\n19 of 30 files were renamed; the others keep their old names.")) << message.toStdString();
  EXPECT_EQ(answerer.boxes[1].title, "Tolvane");
  EXPECT_TRUE(progressUnderTheMessage);
  EXPECT_EQ(form->findChild<QProgressDialog*>(), nullptr);
  EXPECT_EQ(ListRows(), previewed);
  EXPECT_EQ(PreviewButtonsEnabled(), (std::vector<bool>{false, true, true}));
  const QAbstractItemModel& model = *Find<QTreeView>("ListView1").model();
  for (int row = 0; row < kFiles; ++row) {
    const bool red = model.index(row, 0).data(Qt::ForegroundRole).value<QColor>() == Qt::red;
    EXPECT_EQ(red, row < 20) << "row " << row;
  }
  EXPECT_TRUE(temp.Exists("photos/Trip19.txt"));
  EXPECT_TRUE(temp.Exists("photos/f21.txt"));
}

TEST_F(CommitInput, AShortCommitShowsNoProgressHoweverLongTheConfirmationTook) {
  bool progressShown = false;
  files->beforeRename = [&] { progressShown = progressShown || form->findChild<QProgressDialog*>() != nullptr; };
  answerer.Queue(QMessageBox::Ok, [] { QTest::qSleep(2 * QtWindowServices::kProgressDelay); });
  answerer.Queue(QMessageBox::Ok);
  Click("Command5");
  EXPECT_EQ(files->renames, kFiles);
  EXPECT_FALSE(progressShown);
}

}  // namespace
}  // namespace tolvane::testing
