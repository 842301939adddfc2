#include "core/text_list.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tolvane {
namespace {

std::vector<std::string> Items(const TextList& list) { return {list.begin(), list.end()}; }

TEST(TextList, KeepsItsTextsInOrder) {
  const TextList list{"b", "a", "c"};
  EXPECT_EQ(list.size(), 3u);
  EXPECT_FALSE(list.empty());
  EXPECT_EQ(Items(list), (std::vector<std::string>{"b", "a", "c"}));
}

TEST(TextList, AnEmptyListIsEmptyHoweverMade) {
  const TextList made;
  const TextList listed{};
  const TextList fromNoTexts = std::initializer_list<std::string>{};
  for (const TextList* list : {&made, &listed, &fromNoTexts}) {
    EXPECT_TRUE(list->empty());
    EXPECT_EQ(list->size(), 0u);
    EXPECT_EQ(list->begin(), list->end());
  }
  EXPECT_EQ(made, fromNoTexts);
  EXPECT_NE(made, TextList{""});
}

TEST(TextList, ACopyOwnsItsTexts) {
  TextList original{"x", "y"};
  TextList copy = original;
  original = TextList{"z"};
  EXPECT_EQ(Items(copy), (std::vector<std::string>{"x", "y"}));
  copy = original;
  original = TextList{};
  EXPECT_EQ(Items(copy), (std::vector<std::string>{"z"}));
  EXPECT_TRUE(original.empty());
}

TEST(TextList, AMoveHandsTheTextsOver) {
  TextList source{"x"};
  const TextList moved = std::move(source);
  EXPECT_EQ(Items(moved), (std::vector<std::string>{"x"}));
  TextList target{"old"};
  target = TextList{"new", "er"};
  EXPECT_EQ(Items(target), (std::vector<std::string>{"new", "er"}));
}

}  // namespace
}  // namespace tolvane
