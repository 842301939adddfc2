#include "core/rename_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/fake_platform.h"

namespace tolvane {
namespace {

RenameList ListOf(const std::vector<std::string>& texts) {
  RenameList list;
  for (const auto& text : texts) list.Add(text);
  return list;
}

std::vector<std::string> Texts(const RenameList& list) {
  std::vector<std::string> texts;
  for (RenameList::Position i = 1; i <= list.Count(); ++i) texts.push_back(list.Item(i).Text);
  return texts;
}

std::vector<RenameList::Position> SelectedPositions(const RenameList& list) {
  std::vector<RenameList::Position> positions;
  for (RenameList::Position i = 1; i <= list.Count(); ++i) {
    if (list.Item(i).Selected()) positions.push_back(i);
  }
  return positions;
}

TEST(RenameListCurrentEntry, FollowsItsEntryWhenOthersComeAndGo) {
  RenameList list = ListOf({"a", "b", "c", "d"});
  list.SetSelected(3, true);
  list.Add(1, "new");
  EXPECT_EQ(list.SelectedItem(), 4u);
  EXPECT_FALSE(list.Item(1).Selected());
  list.Remove(2);
  EXPECT_EQ(list.SelectedItem(), 3u);
  EXPECT_EQ(list.Item(*list.SelectedItem()).Text, "c");
  list.Add("e");
  EXPECT_EQ(list.SelectedItem(), 3u);
}

TEST(RenameListCurrentEntry, RemovingItHandsOverToTheEntryAtItsPositionOrToNone) {
  RenameList list = ListOf({"a", "b", "c"});
  list.SetSelected(2, true);
  list.Remove(2);
  EXPECT_EQ(list.SelectedItem(), 2u);
  EXPECT_EQ(list.Item(2).Text, "c");
  list.Remove(2);
  EXPECT_EQ(list.SelectedItem(), std::nullopt);
  list.SetSelected(1, true);
  list.Clear();
  EXPECT_EQ(list.SelectedItem(), std::nullopt);
}

TEST(RenameListPositions, OutOfRangeRaisesSubscriptError) {
  RenameList list = ListOf({"a"});
  for (RenameList::Position bad : {RenameList::Position{0}, RenameList::Position{2}}) {
    try {
      list.Item(bad);
      ADD_FAILURE() << "no error for position " << bad;
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), ErrorNumber::SubscriptOutOfRange);
    }
  }
  EXPECT_THROW(list.Add(3, "x"), Error);
  EXPECT_THROW(list.Remove(0), Error);
  list.Add(2, "b");
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"a", "b"}));
}

struct RemoveCase {
  const char* name;
  std::vector<RenameList::Position> selected;
  std::optional<RenameList::Position> current;
  std::vector<std::string> expected;
  std::optional<std::string> expectedCurrent;
};

void PrintTo(const RemoveCase& c, std::ostream* out) { *out << c.name; }

class RemoveSelectedTest : public ::testing::TestWithParam<RemoveCase> {};

TEST_P(RemoveSelectedTest, KeepsTheOthersInOrder) {
  const RemoveCase& c = GetParam();
  RenameList list = ListOf({"a", "b", "c", "d", "e"});
  for (auto p : c.selected) list.SetSelected(p, true);
  list.SetCurrent(c.current);
  list.RemoveSelected();
  EXPECT_EQ(Texts(list), c.expected);
  EXPECT_TRUE(SelectedPositions(list).empty());
  if (c.expectedCurrent) {
    ASSERT_TRUE(list.SelectedItem().has_value());
    EXPECT_EQ(list.Item(*list.SelectedItem()).Text, *c.expectedCurrent);
  } else {
    EXPECT_EQ(list.SelectedItem(), std::nullopt);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoveSelectedTest,
    ::testing::Values(
        RemoveCase{"SecondAndFourth", {2, 4}, 4, {"a", "c", "e"}, "e"},
        RemoveCase{"All", {1, 2, 3, 4, 5}, 5, {}, std::nullopt},
        RemoveCase{"None", {}, std::nullopt, {"a", "b", "c", "d", "e"}, std::nullopt},
        RemoveCase{"CurrentStays", {1, 5}, 3, {"b", "c", "d"}, "c"},
        RemoveCase{"CurrentHandsOverPastSelectedRun", {2, 3, 5}, 2, {"a", "d"}, "d"},
        RemoveCase{"CurrentInTrailingRun", {4, 5}, 4, {"a", "b", "c"}, std::nullopt}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(RemoveSelected, MatchesRemovalFromTheEndOnALongList) {
  RenameList fast;
  RenameList slow;
  for (int i = 0; i < 2000; ++i) {
    fast.Add(std::to_string(i));
    slow.Add(std::to_string(i));
  }
  for (RenameList::Position p = 1; p <= fast.Count(); ++p) {
    const bool pick = (p * 7919) % 3 == 0;
    fast.SetSelected(p, pick);
    slow.SetSelected(p, pick);
  }
  fast.SetCurrent(999);
  slow.SetCurrent(999);
  fast.RemoveSelected();
  for (RenameList::Position p = slow.Count(); p >= 1; --p) {
    if (slow.Item(p).Selected()) slow.Remove(p);
  }
  EXPECT_EQ(Texts(fast), Texts(slow));
  EXPECT_EQ(fast.SelectedItem(), slow.SelectedItem());
}

TEST(MoveSelected, WorkedExamples) {
  RenameList up = ListOf({"a", "b", "c", "d"});
  up.SetSelected(3, true);
  up.MoveSelectedUp();
  EXPECT_EQ(Texts(up), (std::vector<std::string>{"a", "c", "b", "d"}));
  EXPECT_EQ(up.SelectedItem(), 2u);
  EXPECT_EQ(SelectedPositions(up), (std::vector<RenameList::Position>{2}));

  RenameList down = ListOf({"a", "b", "c", "d"});
  down.SetSelected(2, true);
  down.MoveSelectedDown();
  EXPECT_EQ(Texts(down), (std::vector<std::string>{"a", "c", "b", "d"}));
  EXPECT_EQ(down.SelectedItem(), 3u);
  EXPECT_EQ(SelectedPositions(down), (std::vector<RenameList::Position>{3}));
}

TEST(MoveSelected, CarriesTextTagAndSubItemsButLeavesOtherSelections) {
  RenameList list = ListOf({"01.txt", "02.txt", "03.txt"});
  const std::vector<std::string> tags = {"a.txt", "b.txt", "c.txt"};
  for (RenameList::Position p = 1; p <= 3; ++p) list.Item(p).Tag = tags[p - 1];
  list.Item(3).SubItems = {"x"};
  list.SetSelected(2, true);  // a neighbour's own selection is not the mover's
  list.SetCurrent(3);
  list.MoveSelectedUp();
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"01.txt", "03.txt", "02.txt"}));
  EXPECT_EQ(list.Item(2).Tag, "c.txt");
  EXPECT_EQ(list.Item(3).Tag, "b.txt");
  EXPECT_EQ(list.Item(2).SubItems, TextList{"x"});
  EXPECT_EQ(SelectedPositions(list), (std::vector<RenameList::Position>{2, 3}));
}

TEST(MoveSelected, RepeatedMovesCarryTheSameEntryToTheEdgeAndStop) {
  RenameList list = ListOf({"a", "b", "c", "d"});
  list.SetSelected(4, true);
  for (int i = 0; i < 5; ++i) list.MoveSelectedUp();
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"d", "a", "b", "c"}));
  EXPECT_EQ(list.SelectedItem(), 1u);
  for (int i = 0; i < 5; ++i) list.MoveSelectedDown();
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(list.SelectedItem(), 4u);
}

TEST(MoveSelected, DoesNothingWithoutACurrentEntryOrOnTinyLists) {
  RenameList empty;
  empty.MoveSelectedUp();
  empty.MoveSelectedDown();
  EXPECT_EQ(empty.Count(), 0u);

  RenameList one = ListOf({"a"});
  one.SetSelected(1, true);
  one.MoveSelectedUp();
  one.MoveSelectedDown();
  EXPECT_EQ(Texts(one), std::vector<std::string>{"a"});

  RenameList noCurrent = ListOf({"a", "b"});
  noCurrent.MoveSelectedUp();
  noCurrent.MoveSelectedDown();
  EXPECT_EQ(Texts(noCurrent), (std::vector<std::string>{"a", "b"}));
}

TEST(MoveSelected, WorksFarBeyondSixteenBitPositions) {
  RenameList list;
  for (int i = 0; i < 40000; ++i) list.Add(std::to_string(i));
  list.SetSelected(40000, true);
  list.MoveSelectedUp();
  EXPECT_EQ(list.Item(39999).Text, "39999");
  EXPECT_EQ(list.SelectedItem(), 39999u);
}

// A kept check of the batch trusts an unchanged revision: every change of names or order
// must change it, and a list that still holds the same entries must keep it.
TEST(RenameListRevision, ChangesWithNamesAndOrderButNotWithTheSelection) {
  const struct {
    const char* what;
    std::function<void(RenameList&)> change;
    bool changes;
  } cases[] = {
      {"an entry's names", [](RenameList& l) { l.Item(2).Text = "x"; }, true},
      {"an entry added", [](RenameList& l) { l.Add("d"); }, true},
      {"an entry removed", [](RenameList& l) { l.Remove(1); }, true},
      {"the selection removed", [](RenameList& l) { l.RemoveSelected(); }, true},
      {"an entry moved", [](RenameList& l) { l.MoveSelectedUp(); }, true},
      {"the list arranged", [](RenameList& l) { l.Arrange({2, 1, 0}); }, true},
      {"the list arranged in its own order", [](RenameList& l) { l.Arrange(UnchangedOrder(3)); }, false},
      {"the list cleared", [](RenameList& l) { l.Clear(); }, true},
      {"its entries moved away", [](RenameList& l) { RenameList taken = std::move(l); }, true},
      {"another list assigned", [](RenameList& l) { l = RenameList(); }, true},
      {"an entry selected", [](RenameList& l) { l.SetSelected(1, true); }, false},
      {"the current entry picked", [](RenameList& l) { l.SetCurrent(3); }, false},
      {"a copy assigned", [](RenameList& l) { l = RenameList(l); }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RenameList list;
    for (const char* name : {"a", "b", "c"}) list.Add(name);
    list.SetSelected(2, true);
    const std::uint64_t before = list.Revision();
    c.change(list);
    EXPECT_EQ(list.Revision() != before, c.changes);
  }
}

TEST(LoadFolder, ListsTheFolderFilesInFileManagerOrderAndDropsThePreview) {
  testing::FakeFileSystem files;
  files.AddFolder("/photos");
  for (const char* name : {"IMG_10.jpg", "b.txt", "IMG_2.jpg", "A.txt", ".hidden", "\xff.raw"}) {
    files.AddFile(std::string("/photos/") + name);
  }
  files.AddFolder("/photos/sub");
  RenameList list = ListOf({"old"});
  list.Item(1).Tag = "tag";
  list.SetSelected(1, true);

  list.LoadFolder(files, "/photos");

  EXPECT_EQ(Texts(list), (std::vector<std::string>{"A.txt", "b.txt", "IMG_2.jpg", "IMG_10.jpg", "\xff.raw"}));
  EXPECT_EQ(list.SelectedItem(), std::nullopt);
  for (RenameList::Position p = 1; p <= list.Count(); ++p) {
    EXPECT_TRUE(list.Item(p).Tag.empty());
    EXPECT_FALSE(list.Item(p).Selected());
  }
}

TEST(LoadFolder, AFolderThatCannotBeReadLeavesAnEmptyListAndRaises) {
  testing::FakeFileSystem files;
  RenameList list = ListOf({"old"});
  EXPECT_THROW(list.LoadFolder(files, "/missing"), Error);
  EXPECT_EQ(list.Count(), 0u);
}

}  // namespace
}  // namespace tolvane
