#include <QMessageBox>

#include "core/batch_journal.h"
#include "tests/window/window_harness.h"

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
  void StartAnswering(const QString& answer) {
    answerer.QueueCaption(answer);
    OpenWindow();
    ASSERT_EQ(answerer.boxes.size(), 1u);
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

    EXPECT_TRUE(ListRows().isEmpty());
    EXPECT_EQ(PreviewButtonsEnabled(), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(Dir1Path(), temp.path());
    OpenFolderInDir1("photos");
  }

  std::string Report() const { return temp.ReadFile("bin/log/Report_06122026140509.txt"); }

  const std::string kJournal = "home/.local/state/tolvane/Batch.journal";
  const std::string header_ =
      "Tolvane Report Date & Time : 06-Dec-2026 14:05:09\r\nOld File Name -> New File Name \r\n";
};

TEST_F(StartUpRecovery, FinishFinishesTheRenameBeforeTheWindowTakesInput) {
  StartAnswering("&Finish");
  EXPECT_EQ(ListRows(), (QStringList{"b.txt", "c.txt"}));
  EXPECT_EQ(temp.ReadFile("photos/b.txt"), "a");
  EXPECT_EQ(temp.ReadFile("photos/c.txt"), "b");
  EXPECT_EQ(Report(), header_ + "a.txt -> b.txt\r\nb.txt -> c.txt\r\nProcess Completed, Thank you\r\n");
}

TEST_F(StartUpRecovery, UndoGivesTheOldNamesBackBeforeTheWindowTakesInput) {
  StartAnswering("&Undo");
  EXPECT_EQ(ListRows(), (QStringList{"a.txt", "b.txt"}));
  EXPECT_EQ(temp.ReadFile("photos/a.txt"), "a");
  EXPECT_EQ(temp.ReadFile("photos/b.txt"), "b");
  EXPECT_EQ(Report(), header_ + "c.txt -> b.txt\r\nProcess Completed, Thank you\r\n");
}

}  // namespace
}  // namespace tolvane::testing
