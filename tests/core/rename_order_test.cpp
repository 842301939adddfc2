#include "core/rename_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "core/batch_names.h"

namespace tolvane {
namespace {

using Folder = std::map<std::string, std::string>;  // name -> content

std::vector<FolderItem> ItemsOf(const Folder& folder) {
  std::vector<FolderItem> items;
  for (const auto& [name, content] : folder) items.push_back({name, FolderItemKind::File});
  return items;
}

// A folder whose every file holds its own name as content.
Folder FolderOf(const std::vector<std::string>& names) {
  Folder folder;
  for (const std::string& name : names) folder[name] = name;
  return folder;
}

// The order the commit takes: the moves listed as a preview leaves them, over the folder.
RenameOrder Ordered(const std::vector<NameMove>& moves, const Folder& folder) {
  RenameList list;
  for (const NameMove& move : moves) list.Add(std::string(move.to)).Tag = move.from;
  return OrderRenames(moves, BatchNames(list, ItemsOf(folder)));
}

// Plays the steps on `folder` as a non-replacing rename would, checking at every step that
// no file is overwritten and at most one stands under a name that is neither old nor new.
void Play(Folder& folder, const std::vector<NameMove>& moves, const RenameOrder& order) {
  std::set<std::string> chosenNames;
  for (const auto& [name, content] : folder) chosenNames.insert(name);
  for (const NameMove& move : moves) chosenNames.insert(std::string(move.to));
  const auto temporary = [&](const auto& file) { return !chosenNames.contains(file.first); };
  for (const RenameStep& step : order.steps) {
    const auto [from, to] = order.NamesOf(step, moves);
    const auto source = folder.find(std::string(from));
    ASSERT_NE(source, folder.end()) << "no file " << from;
    ASSERT_FALSE(folder.contains(std::string(to))) << "would overwrite " << to;
    std::string content = std::move(source->second);
    folder.erase(source);
    folder[std::string(to)] = std::move(content);
    ASSERT_LE(std::count_if(folder.begin(), folder.end(), temporary), 1);
  }
}

void ExpectCommitted(const Folder& before, const std::vector<NameMove>& moves) {
  SCOPED_TRACE(::testing::PrintToString(moves.size()) + " moves");
  Folder folder = before;
  const RenameOrder order = Ordered(moves, before);
  Play(folder, moves, order);
  Folder expected = before;
  for (const NameMove& move : moves) expected.erase(std::string(move.from));
  for (const NameMove& move : moves) expected[std::string(move.to)] = before.at(std::string(move.from));
  EXPECT_EQ(folder, expected);
}

std::vector<std::string> StepNames(const std::vector<NameMove>& moves, const RenameOrder& order) {
  std::vector<std::string> names;
  for (const RenameStep& step : order.steps) {
    const auto [from, to] = order.NamesOf(step, moves);
    names.push_back(std::string(from) + ">" + std::string(to));
  }
  return names;
}

TEST(RenameOrderTest, IndependentMovesKeepListOrder) {
  const std::vector<NameMove> moves{{"a.txt", "Trip01.txt"}, {"b.jpg", "Trip02.jpg"}};
  const RenameOrder order = Ordered(moves, FolderOf({"a.txt", "b.jpg"}));
  EXPECT_EQ(StepNames(moves, order), (std::vector<std::string>{"a.txt>Trip01.txt", "b.jpg>Trip02.jpg"}));
}

TEST(RenameOrderTest, ChainMovesTheFileHoldingTheNewNameFirst) {
  const std::vector<NameMove> moves{{"01.jpg", "02.jpg"}, {"02.jpg", "03.jpg"}};
  const RenameOrder order = Ordered(moves, FolderOf({"01.jpg", "02.jpg"}));
  EXPECT_EQ(StepNames(moves, order), (std::vector<std::string>{"02.jpg>03.jpg", "01.jpg>02.jpg"}));
}

TEST(RenameOrderTest, SwapGoesThroughOneVisibleTemporaryName) {
  const std::vector<NameMove> moves{{"a", "b"}, {"b", "a"}};
  const RenameOrder order = Ordered(moves, FolderOf({"a", "b"}));
  EXPECT_EQ(StepNames(moves, order),
            (std::vector<std::string>{"a>tolvane-moving~a", "b>a", "tolvane-moving~a>b"}));
}

TEST(RenameOrderTest, ChainsAndCyclesTogether) {
  const Folder before = FolderOf({"1", "2", "3", "x", "y", "p", "q", "r"});
  ExpectCommitted(before, {{"1", "2"}, {"x", "y2"}, {"2", "3"}, {"p", "q"}, {"3", "4"}, {"q", "r"}, {"r", "p"},
                           {"y", "x"}});
}

TEST(RenameOrderTest, TemporaryNameAvoidsNamesOfTheFolderAndOfTheBatch) {
  const std::vector<NameMove> swap{{"a", "b"}, {"b", "a"}};
  const Folder leftovers = FolderOf({"a", "b", "tolvane-moving~a", "tolvane-moving-2~a"});
  EXPECT_EQ(Ordered(swap, leftovers).TemporaryNameOf(0), "tolvane-moving-3~a");

  const Folder before = FolderOf({"a", "b", "tolvane-moving~a", "c"});
  const std::vector<NameMove> moves{{"a", "b"}, {"b", "a"}, {"c", "tolvane-moving-2~a"}};
  EXPECT_EQ(Ordered(moves, before).TemporaryNameOf(0), "tolvane-moving-3~a");
  ExpectCommitted(before, moves);
}

TEST(RenameOrderTest, TemporaryNameIsCutTo255Bytes) {
  const std::string longName(255, 'n');
  const std::string other(254, 'n');
  const std::vector<NameMove> moves{{longName, other}, {other, longName}};
  const RenameOrder order = Ordered(moves, FolderOf({longName, other}));
  const std::string& temporary = order.TemporaryNameOf(0);
  EXPECT_EQ(temporary.size(), 255u);
  EXPECT_TRUE(temporary.starts_with("tolvane-moving~nnn"));
  ExpectCommitted(FolderOf({longName, other}), moves);
}

TEST(RenameOrderTest, MovesThatAreNotTheBatchsAreRefused) {
  RenameList list;
  list.Add("b").Tag = "a";
  const BatchNames names(list, ItemsOf(FolderOf({"a"})));
  EXPECT_THROW(OrderRenames({}, names), Error);
}

// Random batches over a small pool of names give every mix of chains, cycles and free moves.
TEST(RenameOrderTest, RandomBatchesCommitWithoutOverwriting) {
  std::mt19937 random(20261206);
  for (int round = 0; round < 500; ++round) {
    std::vector<std::string> pool;
    const int poolSize = 2 + round % 12;
    for (int i = 0; i < poolSize; ++i) pool.push_back("f" + std::to_string(i));
    std::shuffle(pool.begin(), pool.end(), random);
    const std::size_t fileCount = 1 + random() % (pool.size() - 1);
    const std::vector<std::string> files(pool.begin(), pool.begin() + static_cast<std::ptrdiff_t>(fileCount));
    std::vector<std::string> targets = pool;
    std::shuffle(targets.begin(), targets.end(), random);
    // New names are distinct, so a file that keeps its name is nobody's new name.
    std::vector<NameMove> moves;
    for (std::size_t i = 0; i < files.size(); ++i) {
      if (files[i] != targets[i]) moves.push_back({files[i], targets[i]});
    }
    ExpectCommitted(FolderOf(files), moves);
  }
}

}  // namespace
}  // namespace tolvane
