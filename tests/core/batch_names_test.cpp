#include "core/batch_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/rename_order.h"

namespace tolvane {
namespace {

std::vector<FolderItem> Files(const std::vector<std::string>& names) {
  std::vector<FolderItem> items;
  for (const std::string& name : names) items.push_back({name, FolderItemKind::File});
  return items;
}

// Each position has its old name's key and then its new name's, side by side, so that keys
// run in list order and tables by key hold two slots an entry.
TEST(BatchNamesTest, KeysPairEachPositionsOldNameWithItsNewNameInListOrder) {
  struct Case {
    RenameList::Position position;
    NameRole role;
    std::uint32_t index;
  };
  const Case cases[] = {{1, NameRole::Old, 0}, {1, NameRole::New, 1}, {2, NameRole::Old, 2}, {7, NameRole::New, 13}};
  for (const Case& c : cases) {
    const BatchNameKey key(c.position, c.role);
    EXPECT_EQ(key.Index(), c.index) << c.position;
    const BatchNameKey back = BatchNameKey::AtIndex(c.index);
    EXPECT_EQ(back.Position(), c.position);
    EXPECT_EQ(back.Role(), c.role);
  }
  EXPECT_EQ(BatchNameKey::CountFor(3), 6u);
  EXPECT_THROW(BatchNameKey::CountFor(kMaxNamesInTable / 2 + 1), Error);
}

// A large folder is marked in two halves side by side: an item of either half tells whose file
// it is, holds a new name, or is a temporary name of another batch.
TEST(BatchNamesTest, EveryItemOfALargeFolderIsMarked) {
  constexpr std::size_t kFiles = 70'000;  // more than one thread marks
  RenameList list;
  std::vector<std::string> names;
  for (std::size_t i = 0; i < kFiles; ++i) {
    names.push_back("f" + std::to_string(i));
    RenameEntry& entry = list.Add(names.back());
    entry.Tag = names.back();
    entry.Text = "n" + std::to_string(i);
  }
  names.insert(names.begin(), "n7");                      // in the first half
  names.push_back(std::string(kTemporaryPrefix) + "~x");  // in the second
  const BatchNames batch(list, Files(names));
  for (const RenameList::Position position : {RenameList::Position{1}, RenameList::Position{kFiles}}) {
    EXPECT_EQ(batch.OldNameItem(position), position) << "the first item is \"n7\"";
    EXPECT_TRUE(batch.OldNameFacts(position).fileInFolder);
  }
  EXPECT_TRUE(batch.NewNameFacts(8).inFolder);
  EXPECT_FALSE(batch.NewNameFacts(9).inFolder);
  EXPECT_TRUE(batch.Taken(std::string(kTemporaryPrefix) + "~x"));
}

// Moves are counted among the entries that change their names only: an entry outside the
// batch and one that keeps its name stand between them without taking a move's place.
TEST(BatchNamesTest, LinksMovesByTheirPlaceAmongTheMovesNotInTheList) {
  RenameList list;
  list.Add("outside");
  list.Add("b").Tag = "a";  // move 0: waits for move 1 to vacate "b"
  list.Add("c").Tag = "c";  // keeps its name
  list.Add("x");
  list.Add("d").Tag = "b";  // move 1
  list.Add("e").Tag = "f";  // move 2
  const BatchNames names(list, Files({"outside", "a", "c", "x", "b", "f"}));
  const MoveLinks links = names.LinkMoves();
  constexpr auto kNone = MoveLinks::kNone;
  EXPECT_EQ(links.waitingBehind, (std::vector<std::uint32_t>{kNone, 0, kNone}));
  EXPECT_EQ(links.newNameFree, (std::vector<bool>{false, true, true}));
}

TEST(BatchNamesTest, ANameIsTakenByTheFolderOrByANewNameOnly) {
  RenameList list;
  list.Add("new").Tag = "old";
  const std::string lookalike = std::string(kTemporaryPrefix) + "~old";
  const BatchNames names(list, Files({"old", "other", lookalike}));
  EXPECT_TRUE(names.Taken("old"));
  EXPECT_TRUE(names.Taken("new"));
  EXPECT_TRUE(names.Taken(lookalike));
  EXPECT_FALSE(names.Taken(std::string(kTemporaryPrefix) + "-2~old"));
  EXPECT_FALSE(names.Taken("unknown"));
}

TEST(BatchNamesTest, OneNameInBothRolesHasOneSetOfFacts) {
  RenameList list;
  list.Add("a").Tag = "a";
  list.Add("c").Tag = "b";
  list.Add("b").Tag = "x";
  const BatchNames names(list, Files({"a", "b"}));
  EXPECT_EQ(&names.OldNameFacts(1), &names.NewNameFacts(1));
  EXPECT_EQ(&names.OldNameFacts(2), &names.NewNameFacts(3));
  const NameFacts& b = names.OldNameFacts(2);
  EXPECT_TRUE(b.inFolder && b.fileInFolder && b.movedAway);
  EXPECT_FALSE(b.asNewName.MoreThanOne() || b.asNewName.None());
  EXPECT_FALSE(names.OldNameFacts(3).inFolder);
}

}  // namespace
}  // namespace tolvane
