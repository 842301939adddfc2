#include "core/rename_report.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/name_escape.h"
#include "tests/support/fake_platform.h"

namespace tolvane {
namespace {

using testing::FakePlatform;

const std::string kLog = "/opt/tolvane/log";
const std::string kReport = kLog + "/Report_06122026140509.txt";
const std::string kHeader =
    "Tolvane Report Date & Time : 06-Dec-2026 14:05:09\r\n"
    "Old File Name -> New File Name \r\n";

RenameList Previewed(const std::vector<std::pair<std::string, std::string>>& tagAndText) {
  RenameList list;
  for (const auto& [tag, text] : tagAndText) list.Add(text).Tag = tag;
  return list;
}

class RenameReportTest : public ::testing::Test {
 protected:
  RenameReportTest() { fake.files.AddFolder(kLog); }
  FakePlatform fake;
};

TEST_F(RenameReportTest, ListsEveryEntryAndOpensTheEditor) {
  const RenameList list = Previewed({{"a.txt", "Trip01.txt"}, {"b.jpg", "Trip02.jpg"}, {"", "loose"}});
  bool launchedBeforeYield = true;
  fake.window.onYield = [&] { launchedBeforeYield = !fake.system.launches.empty(); };
  WriteReport(list, fake.platform());
  EXPECT_EQ(fake.files.Content(kReport), kHeader +
                                             "a.txt -> Trip01.txt\r\n"
                                             "b.jpg -> Trip02.jpg\r\n"
                                             " -> loose\r\n"
                                             "Process Completed, Thank you\r\n");
  EXPECT_EQ(fake.window.yields, 1);
  EXPECT_FALSE(launchedBeforeYield);
  EXPECT_EQ(fake.system.launches, (std::vector<std::vector<std::string>>{{"xdg-open", kReport}}));
  EXPECT_TRUE(fake.window.messages.empty());
}

TEST_F(RenameReportTest, FileIsNamedAfterTheFirstReadingAndTheHeaderAfterTheSecond) {
  fake.system.times = {DateTime{2027, 1, 2, 3, 4, 59}, DateTime{2027, 1, 2, 3, 5, 0}};
  fake.system.executableFolder = "/";
  fake.files.AddFolder("/log");
  WriteReport(RenameList{}, fake.platform());
  EXPECT_EQ(fake.system.launches.at(0).at(1), "//log/Report_02012027030459.txt");
  EXPECT_EQ(fake.files.Content("/log/Report_02012027030459.txt"),
            "Tolvane Report Date & Time : 02-Jan-2027 03:05:00\r\n"
            "Old File Name -> New File Name \r\n"
            "Process Completed, Thank you\r\n");
}

TEST_F(RenameReportTest, SecondReportInTheSameSecondIsAppended) {
  const RenameList list = Previewed({{"a", "b"}});
  WriteReport(list, fake.platform());
  WriteReport(list, fake.platform());
  const std::string one = kHeader + "a -> b\r\nProcess Completed, Thank you\r\n";
  EXPECT_EQ(fake.files.Content(kReport), one + one);
}

TEST_F(RenameReportTest, StoppedCommitListsOnlyTheRenamedEntries) {
  const RenameList list = Previewed({{"a", "1"}, {"b", "2"}, {"c", "3"}});
  WriteReport(list, fake.platform(), StoppedCommit{{1, 3}, Error::FromErrno(EACCES, "/p/b\nx")});
  EXPECT_EQ(fake.files.Content(kReport), kHeader +
                                             "a -> 1\r\n"
                                             "c -> 3\r\n"
                                             "Process stopped: Permission denied: /p/b\\nx (Permission denied)\r\n");
}

TEST_F(RenameReportTest, NamesWithLineBreaksStayOnOneLine) {
  const RenameList list = Previewed({{"a\nb", "c\r\nd"}, {"C:\\new", "x\\\\y"}});
  WriteReport(list, fake.platform());
  EXPECT_EQ(fake.files.Content(kReport), kHeader +
                                             "a\\nb -> c\\r\\nd\r\n"
                                             "C:\\\\new -> x\\\\\\y\r\n"
                                             "Process Completed, Thank you\r\n");
}

TEST_F(RenameReportTest, WithoutALogFolderBesideTheProgramTheReportGoesToTheStateFolder) {
  FakePlatform installed;  // without the log folder, as an installed program
  installed.system.environment = {{"HOME", "/home/user"}};
  WriteReport(Previewed({{"a", "b"}}), installed.platform());
  const std::string report = "/home/user/.local/state/tolvane/log/Report_06122026140509.txt";
  EXPECT_EQ(installed.files.Content(report), kHeader + "a -> b\r\nProcess Completed, Thank you\r\n");
  EXPECT_EQ(installed.system.launches, (std::vector<std::vector<std::string>>{{"xdg-open", report}}));
  EXPECT_FALSE(installed.files.Exists(kLog));
}

TEST_F(RenameReportTest, EditorThatCannotStartOrFailsLeavesTheReportWrittenAndWarnsWithItsFolder) {
  struct Case {
    Error failure;
    std::string reason;
    std::size_t answer;  // 1: Open Folder
    std::vector<std::vector<std::string>> launches;
  };
  const Case cases[] = {
      {Error::FromErrno(ENOENT, "xdg-open"), "xdg-open is not installed", 0, {}},
      {Error(ErrorNumber::PathFileAccessError, "xdg-open ended with status 3"), "xdg-open ended with status 3", 1,
       {{"xdg-open", kLog}}},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    platform.files.AddFolder(kLog);
    platform.system.launchFailure = c.failure;
    platform.window.choices = {c.answer};
    WriteReport(Previewed({{"a", "b"}}), platform.platform());
    ASSERT_EQ(platform.window.choiceBoxes.size(), 1u);
    const ChoiceBox& box = platform.window.choiceBoxes.front();
    EXPECT_EQ(box.prompt, "The report was written to " + kReport + ", but it could not be opened in a text editor: " +
                              c.reason + ". Open it from that folder yourself.");
    EXPECT_EQ(box.buttons, (std::vector<std::string>{"OK", "Open &Folder"}));
    EXPECT_TRUE(box.warning);
    EXPECT_EQ(platform.system.launches, c.launches);
    EXPECT_EQ(platform.files.Content(kReport), kHeader + "a -> b\r\nProcess Completed, Thank you\r\n");
  }
}

// Reads an escaped name back: "\n", "\r" and "\\" are escapes, any other backslash is itself.
std::string Unescape(std::string_view text) {
  std::string name;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (text[i] == '\\' && (next == 'n' || next == 'r' || next == '\\')) {
      name.push_back(next == 'n' ? '\n' : next == 'r' ? '\r' : '\\');
      ++i;
    } else {
      name.push_back(text[i]);
    }
  }
  return name;
}

TEST(NameEscapeTest, EveryEscapedNameHasOneReading) {
  EXPECT_EQ(EscapedName("plain \\ name\\"), "plain \\ name\\");
  std::mt19937 random(7);
  const std::string alphabet = "\\nr\n\rx";
  for (int round = 0; round < 20000; ++round) {
    std::string name(random() % 8, ' ');
    for (char& c : name) c = alphabet[random() % alphabet.size()];
    const std::string escaped = EscapedName(name);
    ASSERT_EQ(escaped.find_first_of("\r\n"), std::string::npos) << escaped;
    ASSERT_EQ(Unescape(escaped), name) << escaped;
  }
}

}  // namespace
}  // namespace tolvane
