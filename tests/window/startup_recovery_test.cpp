#include <QAction>
#include <QMenu>
#include <QMessageBox>

#include "core/batch_journal.h"
#include "tests/window/window_harness.h"
#include "window/list_menu.h"

namespace tolvane::testing {
namespace {

// A commit of a.txt -> b.txt and b.txt -> c.txt in "photos", killed after its first rename.
class StartUpRecovery : public WindowTest {
 protected:
  void SetUp() override {
    WriteFile("photos/a.txt", "a");
    WriteFile("photos/b.txt", "b");
    MakeFolder("bin/log");
    const std::vector<NameMove> moves = {{"a.txt", "b.txt"}, {"b.txt", "c.txt"}};
    RenameOrder order;
    order.steps = {{1, RenameStep::Part::Whole}, {0, RenameStep::Part::Whole}};
    LinuxFileSystem disk;
    std::string journal;
    EncodeJournal(PathOf("photos"), *disk.OpenFolder(PathOf("photos")), moves, order,
                  [&](std::string_view bytes) { journal += bytes; });
    WriteFile(kJournal, journal);
    disk.OpenFolder(PathOf("photos"))->RenameFile("b.txt", "c.txt");
  }

  // Opens the window answering the start-up question, and checks that the window then starts
  // as it always does: no list until a folder is chosen, and Simulate the one button to use.
  // `done`: what the box after the answer says was done.
  void StartAnswering(const QString& answer, const std::string& done) {
    answerer.QueueCaption(answer);
    answerer.Queue(QMessageBox::Ok);
    OpenWindow();
    ASSERT_EQ(answerer.boxes.size(), 2u);
    const MessageBoxAnswerer::Box& box = answerer.boxes[0];
    EXPECT_EQ(box.title, "Tolvane");
    EXPECT_EQ(box.text.toStdString(), "A rename in " + PathOf("photos") +
                                          " was cut short: 1 of 2 files have their new names (a.txt -> b.txt, "
                                          "b.txt -> c.txt).\nFinish renames the others; Undo gives the renamed "
                                          "files their old names back; Later leaves everything as it is and asks "
                                          "again at the next start.");
    EXPECT_EQ(box.captions, (QStringList{"&Finish", "&Undo", "&Later"}));
    EXPECT_EQ(box.defaultCaption, "&Finish");
    EXPECT_EQ(answerer.unexpected, 0);
    EXPECT_FALSE(temp.Exists(kJournal));
    EXPECT_EQ(system->launches.size(), 1u) << "the report is opened";
    EXPECT_EQ(answerer.boxes[1].text.toStdString(), "The rename in " + PathOf("photos") + done +
                                                        "; the report is " + PathOf("bin/log/" + kReport) + ".");

    // Started without a folder, the window opens on the one just recovered.
    EXPECT_EQ(PreviewButtonsEnabled(), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(Dir1Path(), PathOf("photos"));
  }

  std::string Report() const { return temp.ReadFile("bin/log/" + kReport); }

  const std::string kReport = "Report_06122026140509.txt";
  const std::string kJournal = "home/.local/state/tolvane/Batch.journal";
  const std::string header_ =
      "Tolvane Report Date & Time : 06-Dec-2026 14:05:09\r\nOld File Name -> New File Name \r\n";
};

TEST_F(StartUpRecovery, FinishFinishesTheRenameBeforeTheWindowTakesInput) {
  StartAnswering("&Finish", " is finished: 2 files have their new names");
  EXPECT_EQ(ListRows(), (QStringList{"b.txt", "c.txt"}));
  EXPECT_EQ(temp.ReadFile("photos/b.txt"), "a");
  EXPECT_EQ(temp.ReadFile("photos/c.txt"), "b");
  EXPECT_EQ(Report(), header_ + "a.txt -> b.txt\r\nb.txt -> c.txt\r\nProcess Completed, Thank you\r\n");
}

TEST_F(StartUpRecovery, UndoGivesTheOldNamesBackBeforeTheWindowTakesInput) {
  StartAnswering("&Undo", " is undone: 1 files have their old names back");
  EXPECT_EQ(ListRows(), (QStringList{"a.txt", "b.txt"}));
  EXPECT_EQ(temp.ReadFile("photos/a.txt"), "a");
  EXPECT_EQ(temp.ReadFile("photos/b.txt"), "b");
  EXPECT_EQ(Report(), header_ + "c.txt -> b.txt\r\nProcess Completed, Thank you\r\n");
}

// Later leaves the batch waiting, and the list's menu of its folder offers it again.
TEST_F(StartUpRecovery, AfterLaterTheListsMenuOffersToFinishTheRename) {
  answerer.QueueCaption("&Later");
  OpenWindow();
  QAction& finish = *form->ListView1Menu().Menu().actions().back();
  EXPECT_EQ(finish.text(), "&Finish the Cut-Short Rename Here...");
  const auto offered = [&] {
    emit form->ListView1Menu().Menu().aboutToShow();
    return finish.isVisible();
  };
  EXPECT_FALSE(offered()) << "not in another folder";
  OpenFolderInDir1("photos");
  ASSERT_TRUE(offered());
  answerer.QueueCaption("&Finish");
  answerer.Queue(QMessageBox::Ok);
  finish.trigger();
  ASSERT_EQ(answerer.boxes.size(), 3u);
  EXPECT_EQ(answerer.boxes[1].text, answerer.boxes[0].text) << "the box of the start";
  EXPECT_TRUE(answerer.boxes[2].text.contains(" is finished: 2 files have their new names"));
  EXPECT_EQ(ListRows(), (QStringList{"b.txt", "c.txt"}));
  EXPECT_FALSE(offered());
}

}  // namespace
}  // namespace tolvane::testing
