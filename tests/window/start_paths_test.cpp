#include <QTest>

#include "tests/window/window_harness.h"
#include "window/command_line.h"
#include "window/drive_list.h"

namespace tolvane::testing {
namespace {

TEST(CommandLine, ReadsOptionsAndPathsAsBytes) {
  using Action = CommandLine::Action;
  const struct {
    std::vector<std::string> arguments;
    Action action;
    std::vector<std::string> paths;
    std::string refused;
  } cases[] = {
      {{}, Action::OpenWindow, {}, ""},
      {{"photos"}, Action::OpenWindow, {"/home/u/photos"}, ""},
      {{"/a/./b/../c/", "./x.jpg", "../y.jpg"}, Action::OpenWindow, {"/a/c", "/home/u/x.jpg", "/home/y.jpg"}, ""},
      {{"caf\xe9.jpg", "a\nb"}, Action::OpenWindow, {"/home/u/caf\xe9.jpg", "/home/u/a\nb"}, ""},
      {{"--", "-x.jpg", "--help"}, Action::OpenWindow, {"/home/u/-x.jpg", "/home/u/--help"}, ""},
      {{"-"}, Action::OpenWindow, {"/home/u/-"}, ""},
      {{"photos", "--help"}, Action::PrintHelp, {}, ""},
      {{"-h"}, Action::PrintHelp, {}, ""},
      {{"--version", "--bogus"}, Action::PrintVersion, {}, ""},
      {{"photos", "--bogus", "--help"}, Action::RefuseOption, {}, "--bogus"},
      {{"-style"}, Action::RefuseOption, {}, "-style"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    const CommandLine line = ReadCommandLine(c.arguments, "/home/u");
    EXPECT_EQ(line.action, c.action);
    EXPECT_EQ(line.paths, c.paths);
    EXPECT_EQ(line.refused, c.refused);
  }
  EXPECT_EQ(VersionText(), "Tolvane 1.01.0004\n");
}

// The program's arguments, as a file manager passes them: "Open With" on a folder, or the
// files of a selection.
class StartPaths : public WindowTest {
 protected:
  void SetUp() override {
    WriteFile("home.txt");
    for (const char* name : {"IMG_10.jpg", "IMG_2.jpg", "IMG_1.jpg", "caf\xe9.jpg", ".hidden.jpg"}) {
      WriteFile(std::string("card/trip/") + name);
    }
    MakeFolder("card/trip/raw");
    WriteFile("other/z.jpg");
  }
};

TEST_F(StartPaths, OpenTheFolderOrTheFilesGivenOrSayWhyNot) {
  const QString latin1Name = QString::fromUtf8("caf\xef\xbf\xbd.jpg");
  const struct {
    std::vector<std::string> paths;
    std::string folder;
    QStringList rows;
    QString box;
  } cases[] = {
      {{"card/trip"}, "card/trip", {latin1Name, "IMG_1.jpg", "IMG_2.jpg", "IMG_10.jpg"}, ""},
      {{"card/trip/IMG_10.jpg", "card/trip/caf\xe9.jpg", "card/trip/IMG_2.jpg"},
       "card/trip",
       {latin1Name, "IMG_2.jpg", "IMG_10.jpg"},
       ""},
      {{"card/trip/IMG_1.jpg"}, "card/trip", {"IMG_1.jpg"}, ""},
      // The folder the window starts on anyway.
      {{""}, "", {"home.txt"}, ""},
      {{"home.txt"}, "", {"home.txt"}, ""},
      {{"card/trip/IMG_1.jpg", "other/z.jpg", "card/trip/IMG_2.jpg"},
       "card/trip",
       {"IMG_1.jpg", "IMG_2.jpg"},
       "The files given lie in more than one folder, and Tolvane renames in one folder at a time. It lists those in "
       "$/card/trip."},
      {{"gone"}, "", {}, "The folder $/gone cannot be opened: No such file or directory"},
      {{"gone/a.jpg", "gone/b.jpg"}, "", {}, "The folder $/gone cannot be opened: No such file or directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.paths));
    answerer.boxes.clear();
    if (!c.box.isEmpty()) answerer.Queue(QMessageBox::Ok);
    OpenWindow({"", "card"}, "", c.paths);
    EXPECT_EQ(Dir1Path(), PathOf(c.folder));
    EXPECT_EQ(Find<DriveList>("Drive1").Drive(), PathOf(c.folder.starts_with("card") ? "card" : ""));
    EXPECT_EQ(ListRows(), c.rows);
    QString box = c.box;
    box.replace('$', QString::fromStdString(temp.path()));
    EXPECT_EQ(answerer.boxes.empty() ? QString() : answerer.boxes.front().text, box);
    form.reset();
  }
}

}  // namespace
}  // namespace tolvane::testing
