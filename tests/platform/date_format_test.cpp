#include "platform/date_format.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvane {
namespace {

struct DateCase {
  DateTime dateTime;
  std::string pattern;
  std::string expected;
};

class FormatDateTimeTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(FormatDateTimeTest, WritesTheReportPatterns) {
  const DateCase& c = GetParam();
  EXPECT_EQ(FormatDateTime(c.dateTime, c.pattern, EnglishMonthAbbreviations()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, FormatDateTimeTest,
    ::testing::Values(DateCase{{2026, 12, 6, 14, 5, 9}, "DDMMYYYYhhmmss", "06122026140509"},
                      DateCase{{2026, 12, 6, 14, 5, 9}, "DD-MMM-YYYY hh:mm:ss", "06-Dec-2026 14:05:09"},
                      DateCase{{2027, 1, 1, 0, 0, 0}, "DD-MMM-YYYY hh:mm:ss", "01-Jan-2027 00:00:00"},
                      DateCase{{1999, 9, 30, 23, 59, 59}, "DDMMYYYYhhmmss", "30091999235959"},
                      DateCase{{987, 5, 31, 9, 7, 3}, "DD-MMM-YYYY hh:mm:ss", "31-May-0987 09:07:03"},
                      DateCase{{2026, 7, 4, 12, 30, 0}, "Report_DDMMYYYY.txt", "Report_04072026.txt"}));

TEST(FormatDateTimeTest, TakesTheMonthNamesItIsGiven) {
  const MonthNames french{"janv.", "f\xC3\xA9vr.", "mars", "avr.", "mai", "juin",
                          "juil.", "ao\xC3\xBBt", "sept.", "oct.", "nov.", "d\xC3\xA9" "c."};
  EXPECT_EQ(FormatDateTime({2026, 2, 6, 14, 5, 9}, "DD-MMM-YYYY", french), "06-f\xC3\xA9vr.-2026");
  EXPECT_EQ(FormatDateTime({2026, 12, 6, 14, 5, 9}, "MMM", french), "d\xC3\xA9" "c.");
}

TEST(FormatDateTimeTest, EnglishMonthsRunJanuaryToDecember) {
  const MonthNames names = EnglishMonthAbbreviations();
  EXPECT_EQ(names.front(), "Jan");
  EXPECT_EQ(names[4], "May");
  EXPECT_EQ(names.back(), "Dec");
}

}  // namespace
}  // namespace tolvane
