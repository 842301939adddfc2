#include "core/rename_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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

enum class Volume { KeepsCase, FoldsCase };

std::string FoldAscii(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

// The file that a folder on `volume` finds under `name`.
Folder::const_iterator FindOn(const Folder& folder, std::string_view name, Volume volume) {
  if (volume == Volume::KeepsCase) return folder.find(std::string(name));
  return std::find_if(folder.begin(), folder.end(),
                      [&](const auto& file) { return FoldAscii(file.first) == FoldAscii(name); });
}

// The order the commit takes: the moves listed as a preview leaves them, over the folder.
RenameOrder Ordered(const std::vector<NameMove>& moves, const Folder& folder, Volume volume = Volume::KeepsCase) {
  RenameList list;
  for (const NameMove& move : moves) list.Add(std::string(move.to)).Tag = move.from;
  return OrderRenames(moves, BatchNames(list, ItemsOf(folder), VolumeRules{volume == Volume::FoldsCase}));
}

// Plays the steps on `folder` as a non-replacing rename would on `volume` (which refuses a
// change of case alone, since the file itself holds the new name), checking at every step
// that no file is overwritten and at most one stands under a name that is neither old nor new.
void Play(Folder& folder, const std::vector<NameMove>& moves, const RenameOrder& order,
          Volume volume = Volume::KeepsCase) {
  std::set<std::string> chosenNames;
  for (const auto& [name, content] : folder) chosenNames.insert(name);
  for (const NameMove& move : moves) chosenNames.insert(std::string(move.to));
  const auto temporary = [&](const auto& file) { return !chosenNames.contains(file.first); };
  for (const RenameStep& step : order.steps) {
    const auto [from, to] = order.NamesOf(step, moves);
    const auto source = folder.find(std::string(from));
    ASSERT_NE(source, folder.end()) << "no file " << from;
    ASSERT_EQ(FindOn(folder, to, volume), folder.end()) << "would overwrite " << to;
    std::string content = std::move(source->second);
    folder.erase(source);
    folder[std::string(to)] = std::move(content);
    ASSERT_LE(std::count_if(folder.begin(), folder.end(), temporary), 1);
  }
}

void ExpectCommitted(const Folder& before, const std::vector<NameMove>& moves, Volume volume = Volume::KeepsCase) {
  SCOPED_TRACE(::testing::PrintToString(moves.size()) + " moves");
  Folder folder = before;
  const RenameOrder order = Ordered(moves, before, volume);
  Play(folder, moves, order, volume);
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

  // Where the cut would split a character or leave a dot at the end, volumes that keep names
  // in UTF-16 or drop closing dots would not take the name as it is.
  std::string accents = "x";
  for (int i = 0; i < 127; ++i) accents += "\xC3\xA9";
  const std::string dots = "a" + std::string(250, '.');
  const std::pair<std::string, std::string> cut[] = {
      {accents, "tolvane-moving~" + accents.substr(0, 239)},
      {dots, "tolvane-moving~a"},
  };
  for (const auto& [oldName, temporaryName] : cut) {
    const std::vector<NameMove> swap{{oldName, "b"}, {"b", oldName}};
    EXPECT_EQ(Ordered(swap, FolderOf({oldName, "b"})).TemporaryNameOf(0), temporaryName);
  }
}

TEST(RenameOrderTest, OnAVolumeThatFoldsCaseNamesThatDifferInCaseAloneChainAndCycle) {
  const struct {
    const char* what;
    std::vector<std::string> folder;
    std::vector<NameMove> moves;
    std::vector<std::string> steps;
  } cases[] = {
      {"a chain only the volume sees, then a change of case alone through a temporary name",
       {"b.jpg", "IMG_01.JPG", "IMG_02.JPG", "IMG_04.jpg"},
       {{"b.jpg", "img_01.jpg"}, {"IMG_01.JPG", "img_02.JPG"}, {"IMG_02.JPG", "img_03.JPG"}, {"IMG_04.jpg", "img_04.jpg"}},
       {"IMG_02.JPG>img_03.JPG", "IMG_01.JPG>img_02.JPG", "b.jpg>img_01.jpg", "IMG_04.jpg>tolvane-moving~IMG_04.jpg",
        "tolvane-moving~IMG_04.jpg>img_04.jpg"}},
      {"a swap of names that differ in case alone",
       {"a.jpg", "b.jpg"},
       {{"a.jpg", "B.JPG"}, {"b.jpg", "A.JPG"}},
       {"a.jpg>tolvane-moving~a.jpg", "b.jpg>A.JPG", "tolvane-moving~a.jpg>B.JPG"}},
      {"a temporary name the volume holds in another case is not used",
       {"x", "TOLVANE-MOVING~X"},
       {{"x", "X"}},
       {"x>tolvane-moving-2~x", "tolvane-moving-2~x>X"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(StepNames(c.moves, Ordered(c.moves, FolderOf(c.folder), Volume::FoldsCase)), c.steps);
    ExpectCommitted(FolderOf(c.folder), c.moves, Volume::FoldsCase);
  }
}

TEST(RenameOrderTest, MovesThatAreNotTheBatchsAreRefused) {
  RenameList list;
  list.Add("b").Tag = "a";
  const BatchNames names(list, ItemsOf(FolderOf({"a"})));
  EXPECT_THROW(OrderRenames({}, names), Error);
}

// Random batches over a small pool of names give every mix of chains, cycles and free moves;
// on a volume that folds case, new names come in random case.
TEST(RenameOrderTest, RandomBatchesCommitWithoutOverwriting) {
  std::mt19937 random(20261206);
  for (int round = 0; round < 1000; ++round) {
    const Volume volume = round % 2 == 0 ? Volume::KeepsCase : Volume::FoldsCase;
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
    if (volume == Volume::FoldsCase) {
      for (std::string& target : targets) {
        if (random() % 2 == 0) target[0] = 'F';
      }
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
      if (files[i] != targets[i]) moves.push_back({files[i], targets[i]});
    }
    ExpectCommitted(FolderOf(files), moves, volume);
  }
}

}  // namespace
}  // namespace tolvane
