#include "platform/natural_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace tolvane {
namespace {

struct OrderCase {
  std::string before;
  std::string after;
};

class NaturalLessTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(NaturalLessTest, PutsTheFirstBeforeTheSecond) {
  const OrderCase& c = GetParam();
  EXPECT_TRUE(NaturalLess(c.before, c.after)) << c.before << " < " << c.after;
  EXPECT_FALSE(NaturalLess(c.after, c.before)) << c.after << " < " << c.before;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, NaturalLessTest,
    ::testing::Values(OrderCase{"IMG_2", "IMG_10"}, OrderCase{"a", "B"}, OrderCase{"A", "b"},
                      OrderCase{"file", "file1"}, OrderCase{"x9", "x10"}, OrderCase{"x09", "x10"},
                      OrderCase{"a1b2", "a1b10"}, OrderCase{"19", "100"}, OrderCase{"a19", "a100"},
                      OrderCase{"doc 2 final", "doc 10 final"}, OrderCase{"abc", "abd"}, OrderCase{"", "a"},
                      OrderCase{"z", "\xFF"}, OrderCase{"a b", "a_b"}, OrderCase{"_", "Z"}, OrderCase{"1", "a"},
                      OrderCase{"-", "1"}, OrderCase{"IMG_2.jpg", "img_3.jpg"}));

INSTANTIATE_TEST_SUITE_P(
    TiesByByteOrder, NaturalLessTest,
    ::testing::Values(OrderCase{"A", "a"}, OrderCase{"x01", "x1"}, OrderCase{"0", "00"},
                      OrderCase{"IMG_1.JPG", "img_1.jpg"}, OrderCase{"File007", "file7"}));

INSTANTIATE_TEST_SUITE_P(
    LongDigitRuns, NaturalLessTest,
    ::testing::Values(OrderCase{"1" + std::string(30, '0'), "2" + std::string(30, '0')},
                      OrderCase{std::string(40, '9'), "1" + std::string(40, '0')},
                      OrderCase{"n" + std::string(25, '0') + "5", "n6"},
                      OrderCase{"v" + std::string(30, '1') + "a", "v" + std::string(30, '1') + "b"}));

TEST(NaturalLessTest, NoNameIsBeforeItself) {
  for (const std::string name : {"", "a", "IMG_10.jpg", "007", "\xFF"}) EXPECT_FALSE(NaturalLess(name, name)) << name;
}

std::vector<std::string> MixedNames() {
  return {"",         "0",         "00",       "000",      "1",         "01",       "001",      "9",
          "10",       "010",       "a",        "A",        "b",        "B",         "_",        "-",
          " ",        "a1",        "a01",      "A1",       "a2",        "a10",      "a1b",      "a1B",
          "a01b",     "a 1",       "a_1",      "a-1",      "IMG_2",     "IMG_10",   "img_2",    "img_02",
          "Img_2.JPG", "img_2.jpg", "x\xFF",   "x\x80",    "x\x7F",     "\xC3\xA9t\xC3\xA9", "z",
          "Z9",       "z09",       "99999999999999999999", "100000000000000000000", "1e3", "1.5", "1.10"};
}

// Sorting needs a strict weak order; this one must even be total, so the list order of
// the same folder never changes between runs.
TEST(NaturalLessTest, IsAStrictTotalOrder) {
  const std::vector<std::string> names = MixedNames();
  for (const std::string& a : names) {
    for (const std::string& b : names) {
      const bool less = NaturalLess(a, b);
      const bool greater = NaturalLess(b, a);
      EXPECT_FALSE(less && greater) << a << " | " << b;
      EXPECT_EQ(a == b, !less && !greater) << a << " | " << b;
      if (!less) continue;
      for (const std::string& c : names) {
        if (NaturalLess(b, c)) {
          EXPECT_TRUE(NaturalLess(a, c)) << a << " < " << b << " < " << c;
        }
      }
    }
  }
}

TEST(NaturalLessTest, SortsShuffledNamesToTheSameOrder) {
  std::vector<std::string> first = MixedNames();
  std::vector<std::string> second = first;
  std::mt19937 random(20261206);
  std::shuffle(first.begin(), first.end(), random);
  std::shuffle(second.begin(), second.end(), random);
  const auto less = [](const std::string& a, const std::string& b) { return NaturalLess(a, b); };
  std::sort(first.begin(), first.end(), less);
  std::sort(second.begin(), second.end(), less);
  EXPECT_EQ(first, second);
  EXPECT_TRUE(std::is_sorted(first.begin(), first.end(), less));
  const auto at = [&](const std::string& name) { return std::find(first.begin(), first.end(), name) - first.begin(); };
  EXPECT_LT(at("IMG_2"), at("IMG_10"));
  EXPECT_LT(at("9"), at("10"));
  EXPECT_LT(at("99999999999999999999"), at("100000000000000000000"));
}

}  // namespace
}  // namespace tolvane
