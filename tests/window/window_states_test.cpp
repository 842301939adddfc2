#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QMessageBox>
#include <QTest>
#include <QTreeView>
#include <functional>

#include "window/qt_window_services.h"
#include "tests/window/window_harness.h"

namespace tolvane::testing {
namespace {

// What the line under the list says as a preview is made, stepped through, outrun by the
// naming fields and taken back. Two folders hold new names, so two rows are marked.
TEST_F(WindowTest, TheLineUnderTheListTellsWhatThePreviewCannotDoAndWhenItIsStale) {
  for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) WriteFile(std::string("photos/") + name);
  WriteFile("photos/Trip02.txt/e.txt");
  MakeFolder("photos/Trip04.txt");
  OpenWindow();
  OpenFolderInDir1("photos");
  QApplication::setActiveWindow(form.get());
  const auto line = [&] {
    const auto& text = Find<QLabel>("StatusLineText");
    return Find<QWidget>("StatusLine").isVisible() ? text.text() : QString();
  };
  const QString marked = "2 of 4 new names cannot be given";
  const QString why = ": an item of the folder that is not renamed already has the new name";
  const struct {
    const char* what;
    std::function<void()> act;
    QString shown;
    int currentRow;  // -1: whichever
  } states[] = {
      {"no preview", [] {}, "", -1},
      {"a marked preview", [&] { Type("Text1", "Trip"); Click("Command4"); }, marked, -1},
      {"F8 to the first marked row", [&] { QTest::keyClick(form.get(), Qt::Key_F8); },
       marked + "; row 2: \"b.txt\" -> \"Trip02.txt\"" + why, 1},
      {"F8 to the next", [&] { QTest::keyClick(form.get(), Qt::Key_F8); },
       marked + "; row 4: \"d.txt\" -> \"Trip04.txt\"" + why, 3},
      {"F8 round to the first", [&] { QTest::keyClick(form.get(), Qt::Key_F8); },
       marked + "; row 2: \"b.txt\" -> \"Trip02.txt\"" + why, 1},
      {"a stale preview", [&] { Type("Text1", "Trip_x"); },
       "The naming fields changed after the preview: Undo, then Simulate, shows the new names", -1},
      {"the fields as previewed again", [&] { Type("Text1", "Trip"); }, marked, -1},
      {"a cleared line", [&] { Click("Command6"); }, "", -1},
      {"a stale field without a preview", [&] { Type("Text2", "_x"); }, "", -1},
      {"a preview, then another folder", [&] { Click("Command4"); OpenFolderInDir1("Trip02.txt"); Type("Text2", "_y"); }, "", -1},
  };
  for (const auto& state : states) {
    SCOPED_TRACE(state.what);
    state.act();
    EXPECT_EQ(line(), state.shown);
    if (state.currentRow >= 0) {
      EXPECT_EQ(CurrentRow(), state.currentRow);
    }
  }
}

// A box of a long text keeps within two thirds of the screen; the whole text is under its details.
TEST_F(WindowTest, ABoxOfALongTextStaysWithinTwoThirdsOfTheScreen) {
  OpenWindow();
  std::string text;
  for (int line = 1; line <= 200; ++line) text += "\"IMG_" + std::to_string(line) + ".JPG\" cannot be given\n";
  QtWindowServices services(*form);
  answerer.Queue(QMessageBox::Ok);
  services.ShowMessage(text, MessageButtons::Ok, std::nullopt);
  ASSERT_EQ(answerer.boxes.size(), 1u);
  EXPECT_LE(answerer.boxes[0].height, form->screen()->availableGeometry().height() * 2 / 3);
  EXPECT_TRUE(answerer.boxes[0].text.startsWith("\"IMG_1.JPG\" cannot be given\n"));
}

}  // namespace
}  // namespace tolvane::testing
