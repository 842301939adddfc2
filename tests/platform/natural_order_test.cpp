#include "platform/natural_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
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

// Names built from pieces that each strain a different rule: digit runs with and without
// leading zeros, letters that differ only in case, bytes around the digits and letters, bytes
// that are not UTF-8, and digit runs too long for any number type.
std::string RandomName(std::mt19937& random, const std::string& prefix) {
  static const std::vector<std::string> pieces = {
      "0", "00", "007", "7", "1", "10", "9", "99", "100", "0100", "a", "A", "b", "B", "z", "Z", "img_", "IMG_",
      "_", "-", ".", " ", "/", ":", "@", "[", "`", "{", "\x7F", "\x80", "\xC3\xA9", "\xFF", std::string(300, '4'),
      std::string(254, '5'), std::string(255, '5'), "0" + std::string(260, '6')};
  std::string name = prefix;
  const int count = std::uniform_int_distribution<int>(0, 5)(random);
  for (int i = 0; i < count; ++i) name += pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(random)];
  return name;
}

std::vector<std::string> SortedBy(const NaturalOrder& order, const std::vector<std::string>& names) {
  std::vector<std::string> sorted;
  for (std::size_t i = 0; i < order.size(); ++i) sorted.push_back(names[order[i]]);
  return sorted;
}

void ExpectNaturalLessOrder(const std::vector<std::string>& names) {
  const NaturalOrder order(names.size(), [&names](std::size_t i) -> std::string_view { return names[i]; });
  std::vector<std::string> expected = names;
  std::sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
  EXPECT_EQ(SortedBy(order, names), expected);
}

// A shared prefix moves the part of each name that the quick comparison sees, so it is
// checked cut at every kind of place: before, in and after digit runs, and through them.
struct SharedPrefix {
  std::string label;
  std::string text;
};

void PrintTo(const SharedPrefix& prefix, std::ostream* out) { *out << prefix.label; }

class NaturalOrderAgreesWithNaturalLess : public ::testing::TestWithParam<SharedPrefix> {};

TEST_P(NaturalOrderAgreesWithNaturalLess, OnRandomNames) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 40; ++round) {
    std::vector<std::string> names;
    const int count = std::uniform_int_distribution<int>(0, 300)(random);
    for (int i = 0; i < count; ++i) names.push_back(RandomName(random, GetParam().text));
    ExpectNaturalLessOrder(names);
  }
}

INSTANTIATE_TEST_SUITE_P(
    SharedPrefixes, NaturalOrderAgreesWithNaturalLess,
    ::testing::Values(SharedPrefix{"None", ""}, SharedPrefix{"Letters", "IMG_"}, SharedPrefix{"Zeros", "IMG_000"},
                      SharedPrefix{"DigitRun", "photo 12 "}, SharedPrefix{"NotUtf8", "\xFF\xFE"},
                      SharedPrefix{"LongDigitRun", std::string(300, '8') + "x"},
                      SharedPrefix{"LongZeroRun", "x" + std::string(256, '0')}),
    [](const ::testing::TestParamInfo<SharedPrefix>& prefix) { return prefix.param.label; });

TEST(NaturalOrderTest, ShuffledCameraNamesComeOutInNumberOrder) {
  std::vector<std::string> names;
  for (int i = 1; i <= 5000; ++i) {
    names.push_back((i % 3 == 0 ? "img_" : "IMG_") + std::string(i % 7 == 0 ? "0" : "") + std::to_string(i) + ".jpg");
  }
  std::shuffle(names.begin(), names.end(), std::mt19937(7));
  ExpectNaturalLessOrder(names);
}

TEST(NaturalOrderTest, NamesAlikeForEightBytesAndMoreAreStillOrdered) {
  std::vector<std::string> names;
  for (const std::string start : {"a", "A", "b"}) {
    for (const std::string end : {"1", "01", "2", "10", "x", "X", ""}) names.push_back(start + "_same_long_part_" + end);
  }
  names.push_back("a");
  names.push_back("a_same");
  ExpectNaturalLessOrder(names);
}

TEST(NaturalOrderTest, NoNamesAndOneName) {
  EXPECT_EQ(NaturalOrder(0, [](std::size_t) -> std::string_view { return "never asked"; }).size(), 0u);
  const NaturalOrder one(1, [](std::size_t) -> std::string_view { return "only"; });
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0], 0u);
}

}  // namespace
}  // namespace tolvane
