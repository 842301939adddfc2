#include "core/name_composer.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/error.h"

namespace tolvane {
namespace {

struct ExtensionCase {
  std::string name;
  std::optional<std::string> extension;
};

void PrintTo(const ExtensionCase& c, std::ostream* out) { *out << '"' << c.name << '"'; }

class GetExtensionTest : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(GetExtensionTest, TakesTheTextAfterTheLastDot) {
  const auto& c = GetParam();
  const auto result = GetExtension(c.name);
  ASSERT_EQ(result.has_value(), c.extension.has_value()) << c.name;
  if (result) {
    EXPECT_EQ(std::string(*result), *c.extension);
  }
}

INSTANTIATE_TEST_SUITE_P(Names, GetExtensionTest,
                         ::testing::Values(ExtensionCase{"photo.jpg", "jpg"}, ExtensionCase{"archive.tar.gz", "gz"},
                                           ExtensionCase{"IMG_01.JPG", "JPG"}, ExtensionCase{"README", std::nullopt},
                                           ExtensionCase{"notes.", ""}, ExtensionCase{".profile", "profile"},
                                           ExtensionCase{"a.b/c", std::nullopt}, ExtensionCase{"x/y.z", "z"},
                                           ExtensionCase{"a\\b.c", "c"}, ExtensionCase{"", std::nullopt},
                                           ExtensionCase{"\xff.\xfe", "\xfe"}));

TEST(GetExtension, HandlesNamesBeyondSixteenBitPositions) {
  const std::string name = std::string(40000, 'x') + ".raw";
  EXPECT_EQ(GetExtension(name), "raw");
}

struct ComposeCase {
  std::int32_t number;
  std::string current;
  std::string expected;
};

void PrintTo(const ComposeCase& c, std::ostream* out) { *out << c.number << " " << c.current; }

class ComposeNameTest : public ::testing::TestWithParam<ComposeCase> {};

TEST_P(ComposeNameTest, JoinsPrefixNumberSuffixDotAndExtension) {
  const NamingFields fields{"Pic", "_x", "1", "00"};
  EXPECT_EQ(ComposeName(fields, GetParam().number, GetParam().current), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Names, ComposeNameTest,
                         ::testing::Values(ComposeCase{1, "a.JPG", "Pic01_x.JPG"}, ComposeCase{12, "b.tar.gz", "Pic12_x.gz"},
                                           ComposeCase{3, "README", "Pic03_x."}, ComposeCase{4, "c.", "Pic04_x."},
                                           ComposeCase{123, "d.png", "Pic123_x.png"},
                                           ComposeCase{-5, "e.png", "Pic-05_x.png"}));

TEST(ComposeName, StartFieldsGiveBareNumbers) {
  const NamingFields start;
  EXPECT_EQ(ComposeName(start, 1, "b.txt"), "01.txt");
  EXPECT_EQ(ComposeName(start, 2, "a.doc"), "02.doc");
}

TEST(SequenceNumbers, StartConversionAndOverflowCarryTheirNumbers) {
  EXPECT_EQ(SequenceStartNumber(NamingFields{"", "", " 7 ", "00"}), 7);
  for (const auto& [start, number] : std::vector<std::pair<std::string, ErrorNumber>>{
           {"", ErrorNumber::TypeMismatch}, {"abc", ErrorNumber::TypeMismatch}, {"99999999999", ErrorNumber::Overflow}}) {
    try {
      SequenceStartNumber(NamingFields{"", "", start, "00"});
      ADD_FAILURE() << "no error for start '" << start << "'";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), number) << start;
    }
  }
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(NextSequenceNumber(kMax - 1), kMax);
  EXPECT_EQ(NextSequenceNumber(-1), 0);
  try {
    NextSequenceNumber(kMax);
    ADD_FAILURE() << "no overflow past the largest number";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), ErrorNumber::Overflow);
  }
}

}  // namespace
}  // namespace tolvane
