// Hostile and unusual names and naming fields, end to end through preview, commit and report
// on real folders: names are bytes, never text for a shell, and what cannot be a name is
// refused before anything is renamed.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "platform/linux_system.h"
#include "tests/core/folder_check.h"

namespace tolvane::testing {
namespace {

const std::string kShellBait = "$(touch pwned) `touch pwned` 'q' \"d\";";
const std::string kBefore = "-x " + kShellBait + "\t";
const std::string kAfter = " \xff";

std::string Renumbered(const std::string& number, const std::string& extension) {
  return kBefore + number + kAfter + "." + extension;
}

struct HostileName {
  std::string oldName;
  std::string newName;
  std::string reportedOldName;  // as the report writes it, when that differs
};

const std::vector<HostileName>& HostileNames() {
  static const std::vector<HostileName> names{
      {"\xff\xfe.txt", Renumbered("01", "txt"), ""},
      {"\xc3\x28 bad.jpg", Renumbered("02", "jpg"), ""},
      {std::string(251, 'n') + ".dat", Renumbered("03", "dat"), ""},
      {"with space and 'quotes' \"too\".txt", Renumbered("04", "txt"), ""},
      {kShellBait + ".sh", Renumbered("05", "sh"), ""},
      {"-rf", Renumbered("06", ""), ""},
      {"line\nfeed.txt", Renumbered("07", "txt"), "line\\nfeed.txt"},
      {"carriage\rreturn.txt", Renumbered("08", "txt"), "carriage\\rreturn.txt"},
      {"tab\there.txt", Renumbered("09", "txt"), ""},
      {" spaced .txt", Renumbered("10", "txt"), ""},
      {"back\\nslash.txt", Renumbered("11", "txt"), "back\\\\nslash.txt"},
  };
  return names;
}

std::set<std::string> TextsOf(const RenameList& list) {
  std::set<std::string> texts;
  for (RenameList::Position position = 1; position <= list.Count(); ++position) texts.insert(list.Item(position).Text);
  return texts;
}

TEST(HostileNamesTest, NamesStayExactBytesThroughPreviewCommitAndReport) {
  CommitScene scene;
  std::set<std::string> oldNames;
  Contents renamed;
  std::string reportLines;
  for (const HostileName& name : HostileNames()) {
    scene.folder.WriteFile(name.oldName, ContentOf(name.oldName));
    oldNames.insert(name.oldName);
    renamed[name.newName] = ContentOf(name.oldName);
    reportLines +=
        (name.reportedOldName.empty() ? name.oldName : name.reportedOldName) + " -> " + name.newName + "\r\n";
  }
  scene.list.LoadFolder(scene.files, scene.folder.path());
  EXPECT_EQ(TextsOf(scene.list), oldNames);
  scene.list.Clear();
  for (const HostileName& name : HostileNames()) scene.list.Add(name.oldName);

  scene.preview.Simulate(NamingFields{kBefore, kAfter, "1", "00"});
  for (std::size_t i = 0; i < HostileNames().size(); ++i) {
    EXPECT_EQ(scene.list.Item(i + 1).Tag, HostileNames()[i].oldName);
    EXPECT_EQ(scene.list.Item(i + 1).Text, HostileNames()[i].newName);
  }
  scene.Rename();
  EXPECT_EQ(scene.folder.Contents(), renamed);
  EXPECT_EQ(scene.LastPrompt(), "File rename completed");
  EXPECT_EQ(scene.Report(), kReportHeader + reportLines + "Process Completed, Thank you\r\n");
  EXPECT_EQ(scene.system.launches, (std::vector<std::vector<std::string>>{{"xdg-open", scene.ReportPath()}}));
}

TEST(HostileNamesTest, NewNameOf255BytesIsRenamedAnd256IsRefused) {
  const std::string longest = std::string(249, 'L') + "01.txt";
  const std::string otherLongest = std::string(249, 'L') + "02.txt";
  ASSERT_EQ(longest.size(), 255u);
  {
    SCOPED_TRACE("a swap of two names of 255 bytes, through a temporary name cut to 255 bytes");
    CommitScene scene;
    scene.Load({{"a.txt", longest}, {otherLongest, "b.txt"}, {"b.txt", otherLongest}});
    scene.Rename();
    EXPECT_EQ(scene.folder.Contents(), (Contents{{longest, ContentOf("a.txt")},
                                                 {"b.txt", ContentOf(otherLongest)},
                                                 {otherLongest, ContentOf("b.txt")}}));
  }
  const std::string tooLong = "L" + longest;
  CommitScene scene;
  scene.Load({{"a.txt", "fine.txt"}, {"new\nline.txt", tooLong}});
  const Contents before = scene.folder.Contents();
  scene.Rename();
  EXPECT_TRUE(RefusedWith(scene, "1 new name cannot be given (the new name is longer than 255 bytes): \"" + tooLong + "\"."));
  EXPECT_EQ(scene.folder.Contents(), before);
}

struct FieldCase {
  const char* what;
  NamingFields fields;
  std::vector<std::string> oldNames;
  std::vector<std::string> newNames;  // the preview's names, empty when the preview fails
  std::string refusal;                // the problem the commit lists, empty when it renames
  std::optional<ErrorNumber> error = std::nullopt;  // the error of a failing preview
};

const std::vector<FieldCase>& FieldCases() {
  static const std::vector<FieldCase> cases{
      {"slash before",
       {"x/", "", "1", "00"},
       {"a.txt", "b"},
       {"x/01.txt", "x/02."},
       "2 new names cannot be given (the new name holds a \"/\"): \"x/01.txt\", \"x/02.\"."},
      {"dot dot before", {"..", "", "1", "00"}, {"a.txt", "b"}, {"..01.txt", "..02."}, ""},
      {"dot dot after", {"", "..", "1", "00"}, {"a.txt", "b"}, {"01...txt", "02..."}, ""},
      {"nothing but a start", {"", "", "1", ""}, {"a.txt", "b"}, {"1.txt", "2."}, ""},
      {"dots only",
       {".", "", "0", "#"},
       {"a", "b"},
       {"..", ".1."},
       "1 new name cannot be given (\".\" and \"..\" cannot be file names): \"..\"."},
      {"start -5", {"", "", "-5", "00"}, {"a.txt", "b"}, {"-05.txt", "-04."}, ""},
      {"start ' 7 '", {"", "", " 7 ", "00"}, {"a.txt", "b"}, {"07.txt", "08."}, ""},
      {"start 2.5", {"", "", "2.5", "00"}, {"a.txt", "b"}, {"02.txt", "03."}, ""},
      {"start 1e3", {"", "", "1e3", "00"}, {"a.txt", "b"}, {"1000.txt", "1001."}, ""},
      {"empty start", {"", "", "", "00"}, {"a.txt", "b"}, {}, "", ErrorNumber::TypeMismatch},
      {"start abc", {"", "", "abc", "00"}, {"a.txt", "b"}, {}, "", ErrorNumber::TypeMismatch},
      {"start 99999999999", {"", "", "99999999999", "00"}, {"a.txt", "b"}, {}, "", ErrorNumber::Overflow},
      {"pattern #", {"", "", "9", "#"}, {"a.txt", "b"}, {"9.txt", "10."}, ""},
      {"pattern 0;(0)", {"", "", "-1", "0;(0)"}, {"a.txt", "b"}, {"(1).txt", "0."}, ""},
      {"pattern \\0",
       {"", "", "1", "\\0"},
       {"a.txt", "b.txt"},
       {"0.txt", "0.txt"},
       "2 new names are given to more than one file: \"0.txt\", \"0.txt\"."},
      {"pattern \"x\"00", {"", "", "1", "\"x\"00"}, {"a.txt", "b"}, {"x01.txt", "x02."}, ""},
  };
  return cases;
}

class NamingFieldsTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(NamingFieldsTest, PreviewAndCommitOnARealFolder) {
  const FieldCase& c = GetParam();
  CommitScene scene;
  for (const std::string& name : c.oldNames) {
    scene.folder.WriteFile(name, ContentOf(name));
    scene.list.Add(name);
  }
  const Contents before = scene.folder.Contents();
  if (c.error) {
    try {
      scene.preview.Simulate(c.fields);
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_EQ(error.Number(), c.error);
    }
    for (std::size_t i = 0; i < c.oldNames.size(); ++i) {
      EXPECT_EQ(scene.list.Item(i + 1).Text, c.oldNames[i]);
      EXPECT_EQ(scene.list.Item(i + 1).Tag, "");
    }
    EXPECT_EQ(scene.preview.Flags(), PreviewFlags{});
    return;
  }
  scene.preview.Simulate(c.fields);
  std::vector<std::string> previewed;
  Contents renamed;
  for (std::size_t i = 0; i < c.oldNames.size(); ++i) {
    previewed.push_back(scene.list.Item(i + 1).Text);
    renamed[previewed.back()] = ContentOf(c.oldNames[i]);
  }
  EXPECT_EQ(previewed, c.newNames);
  scene.Rename();
  if (c.refusal.empty()) {
    EXPECT_EQ(scene.folder.Contents(), renamed);
    EXPECT_EQ(scene.LastPrompt(), "File rename completed");
  } else {
    EXPECT_TRUE(RefusedWith(scene, c.refusal));
    EXPECT_EQ(scene.folder.Contents(), before);
  }
}

INSTANTIATE_TEST_SUITE_P(Fields, NamingFieldsTest, ::testing::ValuesIn(FieldCases()), [](const auto& instance) {
  std::string name;
  for (const char c : std::string(instance.param.what)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name + "_" + std::to_string(instance.index);
});

TEST(HostileNamesTest, EditorGetsTheReportPathAsOneArgumentWhateverItHolds) {
  CommitScene scene;
  const std::string executableFolder = scene.executable.Path("tolvane " + kShellBait + "\n\xff");
  ASSERT_EQ(mkdir(executableFolder.c_str(), 0755), 0);
  ASSERT_EQ(mkdir((executableFolder + "/log").c_str(), 0755), 0);
  scene.system.executableFolder = executableFolder;
  scene.Load({{"a.txt", "b.txt"}});
  scene.Rename();
  const std::string reportPath = executableFolder + "/log/" + kReportName;
  EXPECT_EQ(scene.system.launches, (std::vector<std::vector<std::string>>{{"xdg-open", reportPath}}));
  EXPECT_TRUE(std::filesystem::exists(reportPath));
}

TEST(HostileNamesTest, LaunchedProgramGetsItsArgumentWithoutAShell) {
  TempFolder folder;
  const std::string name = "report " + kShellBait + " x.txt";
  LinuxSystem().LaunchProgram({"touch", folder.Path(name)});
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!folder.Exists(name) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(folder.Contents(), (Contents{{name, ""}}));
}

}  // namespace
}  // namespace tolvane::testing
