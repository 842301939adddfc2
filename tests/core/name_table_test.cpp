#include "core/name_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolvane {
namespace {

std::vector<std::string> NumberedNames(std::size_t count) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < count; ++i) names.push_back("IMG_" + std::to_string(i) + ".jpg");
  return names;
}

TEST(NameTableTest, FindsEveryNameItWasGivenAndNoOther) {
  // Enough names to wrap probes around the slot array many times over.
  const std::vector<std::string> names = NumberedNames(5000);
  NameTable<std::size_t> table(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) table[names[i]] = i + 1;
  for (std::size_t i = 0; i < names.size(); ++i) {
    ASSERT_TRUE(table.Contains(names[i]));
    EXPECT_EQ(table[names[i]], i + 1) << names[i];
  }
  EXPECT_FALSE(table.Contains("IMG_5000.jpg"));
  EXPECT_FALSE(table.Contains(""));
}

TEST(NameTableTest, NamesDifferingInBytesOnlyStayApart) {
  const std::vector<std::string> names{"a", "A", "a ", std::string("a\0b", 3), std::string("a\0c", 3), "\xff\xfe", ""};
  NameTable<int> table(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) table[names[i]] = static_cast<int>(i);
  for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(table[names[i]], static_cast<int>(i));
}

TEST(NameTableTest, AValueStaysWhereItIsWhileTheTableFills) {
  const std::vector<std::string> names = NumberedNames(1000);
  NameTable<int> table(names.size());
  int& first = table[names.front()];
  for (const std::string& name : names) ++table[name];
  EXPECT_EQ(first, 1);
  EXPECT_EQ(&first, &table[names.front()]);
}

TEST(NameTableTest, MoreNamesThanItWasMadeForIsAnError) {
  NameTable<int> table(2);
  table["a"] = 1;
  table["b"] = 2;
  table["a"] = 3;  // a name it holds already takes no room
  EXPECT_THROW(table["c"], Error);
  EXPECT_FALSE(table.Contains("c"));
}

}  // namespace
}  // namespace tolvane
