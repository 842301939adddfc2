#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace tolvane {

// Writes a date-time after a pattern of DD, MM, MMM, YYYY, hh, mm, ss; every other
// character is copied as it is, and ":" is the time separator.
std::string FormatDateTime(const DateTime& dateTime, std::string_view pattern, const MonthNames& monthAbbreviations);

MonthNames EnglishMonthAbbreviations();

}  // namespace tolvane
