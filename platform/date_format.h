#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace tolvane {

// The codes of a date pattern: YYYY, MM, MMM (the month's abbreviated name), DD, hh, mm, ss.
enum class DateCode : unsigned char { Year, Month, MonthName, Day, Hour, Minute, Second };

// One part of a date pattern: a code, or a character that stands as it is.
struct DatePart {
  std::optional<DateCode> code;
  char literal = 0;
};

// A pattern read into its parts once, so that many dates are written after it.
std::vector<DatePart> ReadDatePattern(std::string_view pattern);

// The digits a numeric code writes at least; none for the month's name.
std::size_t DigitsOf(DateCode code);

void AppendDateTime(std::string& out, const DateTime& dateTime, const std::vector<DatePart>& parts,
                    const MonthNames& monthAbbreviations);

// Writes a date-time after a pattern of DD, MM, MMM, YYYY, hh, mm, ss; every other
// character is copied as it is, and ":" is the time separator.
std::string FormatDateTime(const DateTime& dateTime, std::string_view pattern, const MonthNames& monthAbbreviations);

MonthNames EnglishMonthAbbreviations();

}  // namespace tolvane
