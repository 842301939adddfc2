#include "core/name_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolvane {
namespace {

// A table whose keys are indexes into a list of names, as the batch's keys are positions.
struct IndexIn {
  const std::vector<std::string>* names;
  std::string_view operator()(std::uint32_t key) const { return (*names)[key]; }
};

using Table = NameTable<IndexIn>;

std::vector<std::string> NumberedNames(std::size_t count) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < count; ++i) names.push_back("IMG_" + std::to_string(i) + ".jpg");
  return names;
}

Table FilledWith(const std::vector<std::string>& names) {
  Table table(names.size(), IndexIn{&names});
  for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(table.Add(names[i], static_cast<std::uint32_t>(i)), i);
  return table;
}

TEST(NameTableTest, FindsEveryNameItWasGivenAndNoOther) {
  // Tables of as many slots as their names need, a power of two or not; the largest has
  // enough names to wrap probes around the slot array many times over.
  for (const std::size_t count : {1, 11, 12, 100, 5000}) {
    SCOPED_TRACE(count);
    const std::vector<std::string> names = NumberedNames(count);
    const Table table = FilledWith(names);
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(table.Find(names[i]), i) << names[i];
    EXPECT_EQ(table.Find("IMG_" + std::to_string(count) + ".jpg"), std::nullopt);
    EXPECT_EQ(table.Find(""), std::nullopt);
  }
}

TEST(NameTableTest, NamesDifferingInBytesOnlyStayApart) {
  const std::vector<std::string> names{"a", "A", "a ", std::string("a\0b", 3), std::string("a\0c", 3), "\xff\xfe", ""};
  const Table table = FilledWith(names);
  for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(table.Find(names[i]), i);
}

// The same name again, under another key, is known by the key it came with first.
TEST(NameTableTest, ANameAddedAgainKeepsItsFirstKey) {
  const std::vector<std::string> names{"b", "a", "b", "c", "a"};
  Table table(names.size(), IndexIn{&names});
  std::vector<std::uint32_t> keys;
  for (std::size_t i = 0; i < names.size(); ++i) keys.push_back(table.Add(names[i], static_cast<std::uint32_t>(i)));
  EXPECT_EQ(keys, (std::vector<std::uint32_t>{0, 1, 0, 3, 1}));
}

TEST(NameTableTest, MoreNamesThanItWasMadeForIsAnError) {
  const std::vector<std::string> names{"a", "b", "a", "c"};
  Table table(2, IndexIn{&names});
  table.Add("a", 0);
  table.Add("b", 1);
  EXPECT_EQ(table.Add("a", 2), 0u);  // a name it holds already takes no room
  EXPECT_THROW(table.Add("c", 3), Error);
  EXPECT_EQ(table.Find("c"), std::nullopt);
}

}  // namespace
}  // namespace tolvane
