#include "core/preview.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/support/fake_platform.h"

namespace tolvane {

void PrintTo(const PreviewFlags& flags, std::ostream* out) {
  *out << "{simulate " << flags.simulate << ", rename " << flags.rename << ", undo " << flags.undo << "}";
}

namespace {

using testing::FakePlatform;

constexpr PreviewFlags kAtStart{.simulate = true, .rename = false, .undo = false};
constexpr PreviewFlags kAfterPreview{.simulate = false, .rename = true, .undo = true};
constexpr PreviewFlags kAfterUndoOrCommit{.simulate = true, .rename = true, .undo = false};

const std::string kFolder = "/photos";
const std::string kReport = "/opt/tolvane/log/Report_06122026140509.txt";
const std::string kJournal = "/home/user/.local/state/tolvane/Batch.journal";
const std::string kRecord = "/home/user/.local/state/tolvane/Batch-1-20261206-140509.record";

NamingFields Trip() { return NamingFields{.PrefixBefore = "Trip", .PrefixAfter = "", .SequenceStart = "1", .SequencePattern = "00"}; }

struct Texts {
  std::vector<std::string> text;
  std::vector<std::string> tag;
  friend bool operator==(const Texts&, const Texts&) = default;
};

Texts TextsOf(const RenameList& list) {
  Texts texts;
  for (RenameList::Position i = 1; i <= list.Count(); ++i) {
    texts.text.push_back(list.Item(i).Text);
    texts.tag.push_back(list.Item(i).Tag);
  }
  return texts;
}

void PrintTo(const Texts& texts, std::ostream* out) {
  *out << ::testing::PrintToString(texts.text) << " tags " << ::testing::PrintToString(texts.tag);
}

// A folder of a.txt and b.jpg, loaded into the list, with the report folder in place.
struct Scene {
  Scene() {
    fake.files.AddFolder(kFolder);
    fake.files.AddFile(kFolder + "/a.txt", "A");
    fake.files.AddFile(kFolder + "/b.jpg", "B");
    fake.files.AddFolder("/opt/tolvane/log");
    list.Add("a.txt");
    list.Add("b.jpg");
  }

  void RenameAnswering(MessageAnswer answer) {
    fake.window.answers.push_back(answer);
    preview.Rename(fake.platform(), kFolder);
  }

  FakePlatform fake;
  RenameList list;
  Preview preview{list};
};

class PreviewTest : public ::testing::Test, protected Scene {};

TEST_F(PreviewTest, PreviewUndoAndPreviewAgainFollowTheEntryStates) {
  preview.Simulate(Trip());
  EXPECT_EQ(TextsOf(list), (Texts{{"Trip01.txt", "Trip02.jpg"}, {"a.txt", "b.jpg"}}));
  preview.Undo();
  EXPECT_EQ(TextsOf(list), (Texts{{"a.txt", "b.jpg"}, {"a.txt", "b.jpg"}}));
  preview.Simulate(Trip());
  EXPECT_EQ(TextsOf(list), (Texts{{"Trip01.txt", "Trip02.jpg"}, {"a.txt", "b.jpg"}}));
  RenameAnswering(MessageAnswer::Ok);
  EXPECT_EQ(TextsOf(list), (Texts{{"Trip01.txt", "Trip02.jpg"}, {"a.txt", "b.jpg"}}));
  EXPECT_EQ(fake.files.FilesIn(kFolder), (std::map<std::string, std::string>{{"Trip01.txt", "A"}, {"Trip02.jpg", "B"}}));
  // A new preview starts from the committed names.
  preview.Simulate(NamingFields{.PrefixBefore = "x", .PrefixAfter = "", .SequenceStart = "7", .SequencePattern = "0"});
  EXPECT_EQ(TextsOf(list), (Texts{{"x7.txt", "x8.jpg"}, {"Trip01.txt", "Trip02.jpg"}}));
}

TEST_F(PreviewTest, UndoLeavesEntriesWithoutTagAlone) {
  preview.Undo();
  EXPECT_EQ(TextsOf(list), (Texts{{"a.txt", "b.jpg"}, {"", ""}}));
  preview.Simulate(Trip());
  list.Add("c.png");
  preview.Undo();
  EXPECT_EQ(TextsOf(list), (Texts{{"a.txt", "b.jpg", "c.png"}, {"a.txt", "b.jpg", ""}}));
}

// The enabled flags after each sequence of operations, as the button states require.
TEST_F(PreviewTest, FlagsFollowTheStateTable) {
  using Step = std::function<void(Scene&)>;
  const Step simulate = [](Scene& t) { t.preview.Simulate(Trip()); };
  const Step undo = [](Scene& t) { t.preview.Undo(); };
  const Step renameOk = [](Scene& t) { t.RenameAnswering(MessageAnswer::Ok); };
  const Step renameCancel = [](Scene& t) { t.RenameAnswering(MessageAnswer::Cancel); };
  const Step loadFolder = [](Scene& t) { t.list.LoadFolder(t.fake.files, kFolder); };
  const Step editList = [](Scene& t) {
    t.list.SetSelected(1, true);
    t.list.MoveSelectedDown();
    t.list.RemoveSelected();
  };
  struct Row {
    const char* when;
    std::vector<Step> steps;
    PreviewFlags expected;
  };
  const std::vector<Row> rows{
      {"at start", {}, kAtStart},
      {"after Simulate", {simulate}, kAfterPreview},
      {"after Undo", {simulate, undo}, kAfterUndoOrCommit},
      {"after Undo at start", {undo}, PreviewFlags{.simulate = true, .rename = false, .undo = false}},
      {"after Rename answered OK", {simulate, renameOk}, kAfterUndoOrCommit},
      {"after Rename answered OK at start", {renameOk}, PreviewFlags{.simulate = true, .rename = false, .undo = false}},
      {"after Rename answered Cancel", {simulate, renameCancel}, kAfterPreview},
      {"after Rename answered Cancel at start", {renameCancel}, kAtStart},
      {"after a folder load", {simulate, loadFolder}, kAfterPreview},
      {"after editing the list", {simulate, editList}, kAfterPreview},
      {"after Simulate, Undo, Rename", {simulate, undo, renameOk}, kAfterUndoOrCommit},
      {"after Rename, Simulate", {simulate, renameOk, simulate}, kAfterPreview},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.when);
    Scene t;
    for (const Step& step : row.steps) step(t);
    EXPECT_EQ(t.preview.Flags(), row.expected);
  }
}

TEST_F(PreviewTest, StartThatIsNotANumberChangesNothing) {
  for (const char* start : {"", "abc", "99999999999"}) {
    SCOPED_TRACE(start);
    NamingFields fields = Trip();
    fields.SequenceStart = start;
    EXPECT_THROW(preview.Simulate(fields), Error);
    EXPECT_EQ(TextsOf(list), (Texts{{"a.txt", "b.jpg"}, {"", ""}}));
    EXPECT_EQ(preview.Flags(), kAtStart);
  }
}

TEST_F(PreviewTest, OverflowStopsAtTheEntryAfterItsTagIsStored) {
  list.Add("c.png");
  NamingFields fields = Trip();
  fields.SequenceStart = "2147483646";
  try {
    preview.Simulate(fields);
    FAIL() << "no overflow";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), ErrorNumber::Overflow);
  }
  EXPECT_EQ(TextsOf(list), (Texts{{"Trip2147483646.txt", "b.jpg", "c.png"}, {"a.txt", "b.jpg", ""}}));
  EXPECT_EQ(preview.Flags(), kAtStart);
}

TEST_F(PreviewTest, CommitAsksRenamesInOrderThenReportsAndLaunchesTheEditor) {
  preview.Simulate(Trip());
  RenameAnswering(MessageAnswer::Ok);
  ASSERT_EQ(fake.window.messages.size(), 2u);
  const auto& ask = fake.window.messages[0];
  EXPECT_EQ(ask.prompt, "This process is irreversible, are you sure to rename the file according to list?");
  EXPECT_EQ(ask.buttons, MessageButtons::OkCancel);
  EXPECT_EQ(ask.title, "Confirmation");
  const auto& done = fake.window.messages[1];
  EXPECT_EQ(done.prompt, "File rename completed");
  EXPECT_EQ(done.buttons, MessageButtons::Ok);
  EXPECT_EQ(done.title, std::nullopt);
  EXPECT_EQ(fake.files.renames, (std::vector<std::pair<std::string, std::string>>{
                                    {"/photos/a.txt", "/photos/Trip01.txt"},
                                    {"/photos/b.jpg", "/photos/Trip02.jpg"},
                                    {kJournal, kRecord}}));
  EXPECT_EQ(fake.window.progress, (std::vector<std::pair<std::size_t, std::size_t>>{{1, 2}, {2, 2}}));
  EXPECT_EQ(fake.window.yields, 3);  // one per file, one before the editor
  EXPECT_EQ(fake.files.Content(kReport),
            "Tolvane Report Date & Time : 06-Dec-2026 14:05:09\r\n"
            "Old File Name -> New File Name \r\n"
            "a.txt -> Trip01.txt\r\n"
            "b.jpg -> Trip02.jpg\r\n"
            "Process Completed, Thank you\r\n");
  EXPECT_EQ(fake.system.launches, (std::vector<std::vector<std::string>>{{"xdg-open", kReport}}));
}

// The in-memory volume folds case as an exFAT card does: the commit must see the chain that
// runs through names differing in case alone, and change a name's case through a temporary name.
TEST(PreviewOnAFoldingVolumeTest, CommitsAChainOnlyTheVolumeSeesAndAChangeOfCaseAlone) {
  FakePlatform fake;
  fake.files.AddFolder("/opt/tolvane/log");
  fake.files.SetVolumeRules("/card", VolumeRules{true, NameRules::Unicode});
  RenameList list;
  for (const char* name : {"b.jpg", "IMG_01.JPG", "IMG_02.JPG", "IMG_04.jpg"}) {
    fake.files.AddFile(std::string("/card/") + name, name);
    list.Add(name);
  }
  Preview preview(list);
  preview.Simulate(NamingFields{.PrefixBefore = "img_", .PrefixAfter = "", .SequenceStart = "1", .SequencePattern = "00"});
  // The last entry keeps its number: img_04 is IMG_04.jpg in another case.
  list.Item(4).Text = "img_04.jpg";
  preview.Rename(fake.platform(), "/card");
  ASSERT_EQ(fake.window.messages.size(), 2u);
  EXPECT_EQ(fake.window.messages[1].prompt, "File rename completed");
  EXPECT_EQ(fake.files.FilesIn("/card"), (std::map<std::string, std::string>{{"img_01.jpg", "b.jpg"},
                                                                             {"img_02.JPG", "IMG_01.JPG"},
                                                                             {"img_03.JPG", "IMG_02.JPG"},
                                                                             {"img_04.jpg", "IMG_04.jpg"}}));
}

TEST_F(PreviewTest, CancelDoesNothingAtAll) {
  preview.Simulate(Trip());
  const Texts before = TextsOf(list);
  RenameAnswering(MessageAnswer::Cancel);
  EXPECT_EQ(fake.window.messages.size(), 1u);
  EXPECT_TRUE(fake.files.renames.empty());
  EXPECT_FALSE(fake.files.Exists(kReport));
  EXPECT_TRUE(fake.system.launches.empty());
  EXPECT_EQ(TextsOf(list), before);
  EXPECT_EQ(preview.Flags(), kAfterPreview);
}

TEST_F(PreviewTest, EntriesWithoutTagOrWithTheirOwnNameAreNotRenamed) {
  preview.Simulate(Trip());
  list.Remove(2);
  list.Add("b.jpg");
  list.Add(1, "loose.txt");
  list.Item(1).Tag = "";
  RenameAnswering(MessageAnswer::Ok);
  EXPECT_EQ(fake.files.renames, (std::vector<std::pair<std::string, std::string>>{
                                    {"/photos/a.txt", "/photos/Trip01.txt"}, {kJournal, kRecord}}));
  EXPECT_EQ(fake.files.FilesIn(kFolder), (std::map<std::string, std::string>{{"Trip01.txt", "A"}, {"b.jpg", "B"}}));
  // Every entry is reported, the unpreviewed ones with an empty old name.
  EXPECT_EQ(fake.files.Content(kReport),
            "Tolvane Report Date & Time : 06-Dec-2026 14:05:09\r\n"
            "Old File Name -> New File Name \r\n"
            " -> loose.txt\r\n"
            "a.txt -> Trip01.txt\r\n"
            " -> b.jpg\r\n"
            "Process Completed, Thank you\r\n");
}

TEST_F(PreviewTest, EmptyListCommitsNothingButReports) {
  list.Clear();
  preview.Simulate(Trip());
  EXPECT_EQ(preview.Flags(), kAfterPreview);
  RenameAnswering(MessageAnswer::Ok);
  EXPECT_TRUE(fake.files.renames.empty());
  EXPECT_EQ(fake.window.messages.back().prompt, "File rename completed");
  EXPECT_EQ(fake.files.Content(kReport),
            "Tolvane Report Date & Time : 06-Dec-2026 14:05:09\r\n"
            "Old File Name -> New File Name \r\n"
            "Process Completed, Thank you\r\n");
}

TEST_F(PreviewTest, SecondCommitOfTheSameBatchIsRefusedWithoutTouchingAnything) {
  preview.Simulate(Trip());
  RenameAnswering(MessageAnswer::Ok);
  fake.files.Remove(kReport);
  fake.files.renames.clear();
  fake.window.messages.clear();
  // A preview again, then the first preview's names put back: the batch already committed,
  // with the flags a preview leaves, which a refused commit must keep.
  preview.Simulate(Trip());
  list.Item(1).Tag = "a.txt";
  list.Item(2).Tag = "b.jpg";
  RenameAnswering(MessageAnswer::Ok);
  EXPECT_TRUE(fake.files.renames.empty());
  EXPECT_FALSE(fake.files.Exists(kReport));
  EXPECT_EQ(preview.Flags(), kAfterPreview);
  ASSERT_EQ(fake.window.messages.size(), 2u);
  EXPECT_EQ(fake.window.messages[1].prompt,
            "Nothing was renamed, because of these problems:\n"
            "2 files are no longer in the folder: \"a.txt\", \"b.jpg\". The folder may have been renamed already: "
            "Simulate makes a new preview.");
  EXPECT_EQ(fake.window.messages[1].buttons, MessageButtons::Ok);
  EXPECT_EQ(fake.window.messages[1].title, std::nullopt);
}

// With no private state folder for the journal the commit does not begin.
TEST_F(PreviewTest, WithNoFolderForTheJournalNothingIsRenamedAndTheErrorSaysWhereItTried) {
  fake.files.readOnlyFolders = {"/home"};
  fake.system.environment = {{"HOME", "/home/user"}};
  preview.Simulate(Trip());
  try {
    RenameAnswering(MessageAnswer::Ok);
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), ErrorNumber::PermissionDenied);
    EXPECT_TRUE(error.Description().starts_with("Nothing was renamed")) << error.Description();
    EXPECT_NE(error.Description().find("The folder /home/user/.local/state/tolvane cannot keep Tolvane's journals: "),
              std::string::npos)
        << error.Description();
  }
  EXPECT_EQ(fake.files.FilesIn(kFolder), (std::map<std::string, std::string>{{"a.txt", "A"}, {"b.jpg", "B"}}));
  EXPECT_TRUE(fake.files.renames.empty());
  EXPECT_TRUE(fake.system.launches.empty());
}

TEST_F(PreviewTest, MovedEntriesKeepTheirNamesTogether) {
  fake.files.AddFile(kFolder + "/c.txt", "C");
  list.Add("c.txt");
  preview.Simulate(NamingFields{});
  list.SetSelected(3, true);
  list.MoveSelectedUp();
  EXPECT_EQ(TextsOf(list), (Texts{{"01.txt", "03.txt", "02.jpg"}, {"a.txt", "c.txt", "b.jpg"}}));
  RenameAnswering(MessageAnswer::Ok);
  EXPECT_EQ(fake.files.FilesIn(kFolder),
            (std::map<std::string, std::string>{{"01.txt", "A"}, {"02.jpg", "B"}, {"03.txt", "C"}}));
}

}  // namespace
}  // namespace tolvane
