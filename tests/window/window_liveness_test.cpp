#include <QTreeView>
#include <vector>

#include "tests/window/window_harness.h"

namespace tolvane::testing {
namespace {

// Every folder read of the window, which at a million files takes a good part of a second,
// happens while the window goes on handling events: opening a folder, which one read serves
// for both lists, the check of the batch after a preview and after a removal, which a file
// made since the load calls for, and the commit's own check, which a file made since the last
// check calls for.
TEST_F(WindowTest, EveryFolderReadLeavesTheWindowHandlingEvents) {
  WriteFile("photos/a.jpg");
  WriteFile("photos/b.jpg");
  WriteFile("photos/c.jpg", "c");
  OpenWindow();
  std::vector<bool> live;
  files->beforeRead = [&] { live.push_back(WindowThreadAnswers()); };

  OpenFolderInDir1("photos");
  EXPECT_EQ(ListRows(), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
  const std::size_t readsToOpen = live.size();
  WriteFile("photos/e.txt");
  Type("Text1", "Trip");
  Click("Command4");
  const std::size_t readsToSimulate = live.size() - readsToOpen;
  ClickRow(1);
  Click("Command1");

  EXPECT_EQ(ListRows(), (QStringList{"Trip01.jpg", "Trip03.jpg"}));
  WriteFile("photos/d.txt");
  answerer.Queue(QMessageBox::Ok);
  answerer.Queue(QMessageBox::Ok);
  Click("Command5");

  EXPECT_EQ(temp.ReadFile("photos/Trip03.jpg"), "c");
  EXPECT_EQ(files->renames, 2);
  EXPECT_EQ(readsToOpen, 1u);
  EXPECT_EQ(readsToSimulate, 1u);
  EXPECT_EQ(live.size(), readsToOpen + 3);
  EXPECT_EQ(live, std::vector<bool>(live.size(), true));
}

}  // namespace
}  // namespace tolvane::testing
