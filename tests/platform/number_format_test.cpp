#include "platform/number_format.h"
#include "platform/count_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace tolvane {
namespace {

struct FormatCase {
  std::int32_t number;
  std::string pattern;
  std::string expected;
};

void PrintTo(const FormatCase& c, std::ostream* out) { *out << c.number << " with \"" << c.pattern << "\""; }

class FormatNumberTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatNumberTest, WritesTheNumberAfterThePattern) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(FormatNumber(c.number, c.pattern), c.expected);
}

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

INSTANTIATE_TEST_SUITE_P(SequenceNumbers, FormatNumberTest,
                         ::testing::Values(FormatCase{1, "00", "01"}, FormatCase{9, "00", "09"},
                                           FormatCase{10, "00", "10"}, FormatCase{123, "00", "123"},
                                           FormatCase{5, "000", "005"}, FormatCase{-5, "00", "-05"},
                                           FormatCase{1234567, "#,##0", "1,234,567"},
                                           FormatCase{7, "Pic-00", "Pic-07"}));

INSTANTIATE_TEST_SUITE_P(
    DigitPlaces, FormatNumberTest,
    ::testing::Values(FormatCase{123456, "0", "123456"}, FormatCase{-123, "Pic-0", "-Pic-123"},
                      FormatCase{12345, "00-00", "123-45"}, FormatCase{5, "00-00", "00-05"},
                      FormatCase{0, "0", "0"}, FormatCase{0, "#", ""}, FormatCase{0, "#0", "0"},
                      FormatCase{5, "##", "5"}, FormatCase{5, "#00", "05"}, FormatCase{3, "E0", "E3"},
                      FormatCase{5, "abc", "abc"}, FormatCase{-5, "abc", "-abc"}));

INSTANTIATE_TEST_SUITE_P(Grouping, FormatNumberTest,
                         ::testing::Values(FormatCase{1234, "#,##0", "1,234"}, FormatCase{123, "#,##0", "123"},
                                           FormatCase{-1234567, "#,##0", "-1,234,567"},
                                           FormatCase{5, "0,000", "0,005"}, FormatCase{1234567, "0,0", "1,234,567"},
                                           FormatCase{5, "0,", "5,"}, FormatCase{5, ",0", ",5"}));

INSTANTIATE_TEST_SUITE_P(
    DecimalsAndPercent, FormatNumberTest,
    ::testing::Values(FormatCase{5, "0.00", "5.00"}, FormatCase{5, "#.##", "5"}, FormatCase{5, "0.#0", "5.0"},
                      FormatCase{5, ".00", "5.00"}, FormatCase{0, "#.00", ".00"}, FormatCase{5, "0.", "5."},
                      FormatCase{5, "00.jpg", "05.jpg"}, FormatCase{5, "0%", "500%"},
                      FormatCase{-12, "0.0%", "-1200.0%"}, FormatCase{0, "0%", "0%"}));

INSTANTIATE_TEST_SUITE_P(
    Exponent, FormatNumberTest,
    ::testing::Values(FormatCase{12345, "0.00E+00", "1.23E+04"}, FormatCase{12355, "0.00E+00", "1.24E+04"},
                      FormatCase{99999, "0.00E+00", "1.00E+05"}, FormatCase{5, "0E+0", "5E+0"},
                      FormatCase{5, "0E-00", "5E00"}, FormatCase{5, "00.0E+00", "50.0E-01"},
                      FormatCase{0, "0.0E+00", "0.0E+00"}, FormatCase{123, "0e-0", "1e2"},
                      FormatCase{1234, "##0.0E+0", "123.4E+1"}, FormatCase{kMin, "0.000E+00", "-2.147E+09"}));

INSTANTIATE_TEST_SUITE_P(LiteralText, FormatNumberTest,
                         ::testing::Values(FormatCase{7, "\"#\"0", "#7"}, FormatCase{7, "\\#0", "#7"},
                                           FormatCase{7, "\"Pic;\"0", "Pic;7"}, FormatCase{7, "0\\", "7"},
                                           FormatCase{7, "0\"x", "7x"}, FormatCase{7, "\\0\\.0", "0.7"},
                                           FormatCase{7, "\xC3\xA9 0", "\xC3\xA9 7"}));

INSTANTIATE_TEST_SUITE_P(
    Sections, FormatNumberTest,
    ::testing::Values(FormatCase{5, "0;(0)", "5"}, FormatCase{-5, "0;(0)", "(5)"}, FormatCase{0, "0;(0)", "0"},
                      FormatCase{0, "0;(0);\"zero\"", "zero"}, FormatCase{-5, "0;;\"z\"", "-5"},
                      FormatCase{5, ";(0)", "5"}, FormatCase{-5, ";", "-5"}, FormatCase{0, "0;-0;", "0"},
                      FormatCase{5, "0;0;0;x", "5"}, FormatCase{kMin, "0;(0)", "(2147483648)"}));

INSTANTIATE_TEST_SUITE_P(Extremes, FormatNumberTest,
                         ::testing::Values(FormatCase{5, "", "5"}, FormatCase{-5, "", "-5"},
                                           FormatCase{kMin, "", "-2147483648"}, FormatCase{kMax, "0", "2147483647"},
                                           FormatCase{kMin, "#,##0", "-2,147,483,648"},
                                           FormatCase{kMax, "000000000000", "002147483647"},
                                           FormatCase{kMin, "0%", "-214748364800%"}));

TEST(NumberPatternTest, OnePatternServesManyNumbersAlike) {
  const NumberPattern pattern("Pic-000;(0);\"none\"");
  for (const std::int32_t number : {-3, 0, 7, 1234, -3, 0}) {
    EXPECT_EQ(pattern.Format(number), FormatNumber(number, "Pic-000;(0);\"none\"")) << number;
  }
  EXPECT_EQ(pattern.Format(-3), "(3)");
  EXPECT_EQ(pattern.Format(0), "none");
  EXPECT_EQ(pattern.Format(1234), "Pic-1234");
}

// Counts in texts follow the locale's grouping: English, German, French (a narrow no-break
// space), Indian (groups of three, then two), and the C locale, which groups nothing.
TEST(CountTextTest, GroupsDigitsAsTheLocalesDataSays) {
  const struct {
    std::uint64_t count;
    const char* separator;
    const char* grouping;
    const char* written;
  } cases[] = {
      {45237, ",", "\3", "45,237"},       {1756, ".", "\3\3", "1.756"},     {999, ",", "\3", "999"},
      {1234567, "\u202f", "\3", "1\u202f234\u202f567"}, {12345678, ",", "\3\2", "1,23,45,678"},
      {1000000, ",", "\3\x7f", "1000,000"}, {45237, "", "", "45237"},    {45237, ",", "", "45237"},
  };
  for (const auto& c : cases) EXPECT_EQ(GroupedDigits(c.count, c.separator, c.grouping), c.written) << c.count;
}

}  // namespace
}  // namespace tolvane
